#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

namespace velumo {

class Clock;
class ClockStepWatch;
class EventLog;
class Timer;
class TimerFactory;

// A dispatcher timer that follows the wall clock. It behaves like the program's named timers
// (fires every interval while enabled; a one-shot handler stops it first; setting the interval
// of a running timer restarts it), but its moment is a wall-clock time: the wait is taken in
// steps of at most kMaxStepMs, and at each step the remaining time is computed again from
// Clock::now(); over the last kMaxStepMs the steps are kWatchStepMs short, so a step of the
// clock at any moment of the wait still gives the moment to the millisecond (never early), and
// a step past the moment fires at once, logged as late. So a clock correction or a suspend does
// not shift the moment, a wake-up before the moment only re-arms for what remains, a wait of
// 0 ms fires at once and a wait of any length can be armed. A step of the system clock is also
// reported by the kernel (ClockStepWatch), which re-checks at once at any moment of the wait.
class WallTimer {
public:
    static constexpr qint64 kMaxStepMs = 5000;
    static constexpr qint64 kWatchStepMs = 10;
    // A moment met later than this (the clock stepped past it) is logged as a late start.
    static constexpr qint64 kLateToleranceMs = 20;
    // A wall clock that moved against the monotonic clock by more than this is logged.
    static constexpr qint64 kJumpToleranceMs = 1000;

    WallTimer(const QString& name, TimerFactory& timers, const Clock& clock, EventLog* log);
    ~WallTimer();
    WallTimer(const WallTimer&) = delete;
    WallTimer& operator=(const WallTimer&) = delete;

    void setInterval(qint64 ms);
    qint64 interval() const { return m_intervalMs; }
    void start();
    void stop();
    void setEnabled(bool enabled) { enabled ? start() : stop(); }
    bool isActive() const { return m_active; }
    // Milliseconds until the moment (0 when it has come), -1 when stopped.
    qint64 remainingMs() const;
    // The wall-clock moment the timer fires at (invalid when stopped).
    QDateTime target() const { return m_active ? m_target : QDateTime(); }
    const QString& name() const { return m_name; }

    void setHandler(std::function<void()> handler) { m_handler = std::move(handler); }

private:
    void armStep();
    void onStep();

    QString m_name;
    const Clock& m_clock;
    EventLog* m_log;
    std::unique_ptr<Timer> m_step;
    std::unique_ptr<ClockStepWatch> m_clockSteps;
    std::function<void()> m_handler;
    qint64 m_intervalMs = 1000;
    bool m_active = false;
    QDateTime m_target;
    // What the wall clock should show at the next step, judged by the monotonic clock.
    qint64 m_stepMonotonicMs = 0;
    qint64 m_stepRemainingMs = 0;
};

}  // namespace velumo
