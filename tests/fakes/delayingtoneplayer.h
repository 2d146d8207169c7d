#pragma once

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

#include "devices/toneplayer.h"

namespace velumo::test {

// Sounds nothing but takes the time a real tone takes: each tone lasts its length on a timer of
// the event loop, tones queue behind each other as on the real output, and a tone's ended is
// called when its time is up. Records the tones and how many were asked for and not yet ended
// at once (1: none was asked for while another sounded).
class DelayingTonePlayer final : public TonePlayer {
public:
    void MyBEEP(int frequencyHz, int durationMs, Ended ended) override
    {
        tones.emplace_back(frequencyHz, durationMs);
        if (durationMs <= 0) {
            if (ended)
                ended();
            return;
        }
        m_queue.push_back({durationMs, std::move(ended)});
        deepest = std::max(deepest, int(m_queue.size()));
        if (m_queue.size() == 1)
            sound();
    }

    // A tone sounds or waits to.
    bool sounding() const { return !m_queue.empty(); }

    std::vector<std::pair<int, int>> tones;
    int deepest = 0;

private:
    struct Pending {
        int durationMs;
        Ended ended;
    };

    void sound()
    {
        QTimer::singleShot(m_queue.front().durationMs, Qt::PreciseTimer, &m_context, [this] {
            Ended ended = std::move(m_queue.front().ended);
            m_queue.pop_front();
            if (!m_queue.empty())
                sound();
            if (ended)
                ended();
        });
    }

    QObject m_context;
    std::deque<Pending> m_queue;
};

}  // namespace velumo::test
