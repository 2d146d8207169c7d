#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "base/worker.h"
#include "onair/onairstate.h"

namespace velumo {

class Clock;
class EventLog;
class Timer;
class TimerFactory;

// velumo.state: the on-air state kept for a restart after an unclean end. Each change is written
// whole and atomically on a worker thread; a change of announcement alone is written at most
// once every kAnnouncementGapMs (the file then names the announcement after the one on air, at
// most that long out of date), every other change at once. A normal exit removes the file.
class OnAirStateFile final : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kAnnouncementGapMs = 1000;
    static const QString kFileName;

    OnAirStateFile(QString folder, const Clock& clock, TimerFactory& timers, EventLog& log,
                   QObject* parent = nullptr);
    ~OnAirStateFile() override;

    // What the last run left behind when it did not end normally (read at start-up, before
    // anything is recorded); nothing after a normal exit or for a file that is no state.
    std::optional<OnAirState> leftover() const;

    // Records the state. announcementOnly: only the next line moved on.
    void record(const OnAirState& state, bool announcementOnly = false);
    // The normal exit: pending writes end, the file goes, nothing more is recorded.
    void finish();
    // A stop from outside: the state is written now and kept by finish(); nothing more is
    // recorded.
    void keep(const OnAirState& state);

    QString path() const { return m_path; }
    // Writes handed to the worker so far (for tests and benchmarks).
    int writes() const { return m_writes; }

private:
    void writeNow();

    QString m_path;
    const Clock& m_clock;
    EventLog& m_log;
    Worker m_worker;
    std::unique_ptr<Timer> m_delay;
    // When the last write went out (monotonic), none yet.
    std::optional<qint64> m_writtenAtMs;
    std::optional<OnAirState> m_written;
    std::optional<OnAirState> m_pending;
    QString m_lastFailure;
    int m_writes = 0;
    bool m_finished = false;
    bool m_kept = false;
};

}  // namespace velumo
