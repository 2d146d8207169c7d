#pragma once

#include <QElapsedTimer>
#include <QtGlobal>
#include <functional>

namespace velumo {

// How far a transfer has come: bytes done and the whole size (-1 when not known). Called on the
// thread that runs the transfer, often many times a second.
using ByteProgress = std::function<void(qint64 done, qint64 total)>;

// Thins out a transfer's progress reports before they cross to the user-interface thread: the
// first report passes, then at most one per interval, and the one that completes the transfer
// always passes, once.
class ProgressThrottle final {
public:
    explicit ProgressThrottle(qint64 intervalMs = 100) : m_intervalMs(intervalMs) {}

    // Whether this report should go on; starts over when a new transfer begins (reset()).
    bool due(qint64 done, qint64 total);
    void reset();

private:
    qint64 m_intervalMs;
    QElapsedTimer m_sinceLast;
    qint64 m_lastDone = -1;
    bool m_completed = false;
};

}  // namespace velumo
