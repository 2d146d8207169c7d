#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "alerts/capreader.h"
#include "alerts/httpget.h"

namespace velumo {
class Clock;
class EventLog;
class Timer;
class TimerFactory;
class Worker;
}  // namespace velumo

namespace velumo::alerts {

class AlertIntake;

// What a feed's poller keeps between polls: the feed's validators and those of each document its
// index links to.
struct FeedState {
    Validators feed;
    QHash<QString, Validators> links;
};

// One poll's outcome, from the worker.
struct FeedPollResult {
    QString error;  // the feed itself could not be read
    FeedState state;
    // New documents (address, reading); a linked document that could not be fetched is a
    // refused reading, given once while it keeps failing the same way.
    std::vector<std::pair<QString, CapReading>> readings;
};

// One poll (blocking, for a worker): a conditional request of the feed; a new CAP document is
// read, and a new index has each linked document fetched (conditionally too, relative
// addresses resolved against the feed's) and read. A document whose body is what was read last
// time is not read again. The feed's validators are kept only once every linked document was
// fetched (or found too large), so the index is asked again in full until it was.
FeedPollResult pollFeed(const QString& url, FeedState state, const CapTrust& trust,
                        const std::atomic_bool& cancel);

// Asks one feed every pollS seconds on the worker and hands what is new to the intake. After a
// failure it waits twice as long each time (up to kMaxBackOffS, never less than pollS), but
// never past the moment the feed turns stale: a feed not read for staleMin minutes is stale
// (staleChanged, and a line in velumo.log) until it is read again.
class FeedPoller final : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxBackOffS = 300;

    // The references must outlive the poller.
    FeedPoller(QString url, int pollS, int staleMin, AlertIntake& intake, Worker& worker,
               TimerFactory& timers, const Clock& clock, EventLog* log = nullptr,
               QObject* parent = nullptr);
    ~FeedPoller() override;

    // Polls at once, then on its own.
    void start();
    const QString& url() const { return m_url; }
    bool isStale() const { return m_stale; }
    int failures() const { return m_failures; }

signals:
    void staleChanged(const QString& url, bool stale);
    // After each poll (ok: the feed was read, changed or not).
    void polled(bool ok);

private:
    void poll();
    void onResult(FeedPollResult result);
    void schedule(qint64 waitMs);
    void log(const QString& text) const;

    QString m_url;
    int m_pollS;
    int m_staleMin;
    AlertIntake& m_intake;
    Worker& m_worker;
    const Clock& m_clock;
    EventLog* m_log;
    std::unique_ptr<Timer> m_timer;
    FeedState m_state;
    bool m_busy = false;
    bool m_stale = false;
    int m_failures = 0;
    QString m_lastError;
    qint64 m_lastReadMs = 0;  // monotonic
};

}  // namespace velumo::alerts
