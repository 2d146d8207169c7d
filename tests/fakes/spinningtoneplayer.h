#pragma once

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <utility>
#include <vector>

#include "devices/toneplayer.h"

namespace velumo::test {

// Sounds nothing but waits like the real player: a local event loop runs for the tone's length,
// so that timers (and everything else but user input) go on meanwhile. Records the tones and
// how deeply they were nested (a tone inside another's wait).
class SpinningTonePlayer final : public TonePlayer {
public:
    void MyBEEP(int frequencyHz, int durationMs) override
    {
        tones.emplace_back(frequencyHz, durationMs);
        if (durationMs <= 0)
            return;
        ++m_depth;
        deepest = std::max(deepest, m_depth);
        QEventLoop loop;
        QTimer::singleShot(durationMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        --m_depth;
    }

    bool sounding() const { return m_depth > 0; }

    std::vector<std::pair<int, int>> tones;
    int deepest = 0;

private:
    int m_depth = 0;
};

}  // namespace velumo::test
