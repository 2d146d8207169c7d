#include "walltimer.h"

#include <QCoreApplication>

#include "base/clock.h"
#include "base/clockstepwatch.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/timer.h"

namespace velumo {

WallTimer::WallTimer(const QString& name, TimerFactory& timers, const Clock& clock, EventLog* log)
    : m_name(name), m_clock(clock), m_log(log), m_step(timers.create(name, true))
{
    m_step->setHandler([this] { onStep(); });
    // A step of the clock anywhere in a long wait is seen at once, not at the next step.
    if (QCoreApplication::instance()) {
        m_clockSteps = std::make_unique<ClockStepWatch>();
        connectGuarded(m_clockSteps.get(), &ClockStepWatch::stepped, m_clockSteps.get(),
                       Origin::unattended(QStringLiteral("walltimer")), [this] {
                           if (m_active)
                               onStep();
                       });
    }
}

WallTimer::~WallTimer() = default;

void WallTimer::setInterval(qint64 ms)
{
    m_intervalMs = qMax<qint64>(0, ms);
    if (m_active)
        start();
}

void WallTimer::start()
{
    m_active = true;
    m_target = m_clock.now().addMSecs(m_intervalMs);
    armStep();
}

void WallTimer::stop()
{
    m_active = false;
    m_step->stop();
}

qint64 WallTimer::remainingMs() const
{
    if (!m_active)
        return -1;
    return qMax<qint64>(0, m_clock.now().msecsTo(m_target));
}

void WallTimer::armStep()
{
    const qint64 remaining = qMax<qint64>(0, m_clock.now().msecsTo(m_target));
    m_stepMonotonicMs = m_clock.monotonicMs();
    m_stepRemainingMs = remaining;
    m_step->stop();
    // The last step ends a millisecond short: the clock is read to the millisecond and the
    // system timer rounds up, so aiming at the moment itself lands a millisecond or two late.
    // The check at the step then waits out what remains (never firing early).
    // Over the last stretch the wall clock is read every few milliseconds: a step of the clock
    // there is seen at once, not when the wait ends.
    m_step->setInterval(remaining > kMaxStepMs     ? kMaxStepMs
                        : remaining > kWatchStepMs ? kWatchStepMs
                        : remaining > 1            ? remaining - 1
                                                   : remaining);
    m_step->start();
}

void WallTimer::onStep()
{
    m_step->stop();
    if (!m_active)
        return;
    const qint64 remaining = m_clock.now().msecsTo(m_target);
    const qint64 expected = m_stepRemainingMs - (m_clock.monotonicMs() - m_stepMonotonicMs);
    const qint64 movedMs = expected - remaining;
    if (m_log && qAbs(movedMs) > kJumpToleranceMs)
        m_log->write(QStringLiteral("dispatcher"),
                     QStringLiteral("%1: the wall clock moved by %2 ms; re-armed for %3 (%4 ms)")
                         .arg(m_name)
                         .arg(movedMs)
                         .arg(m_target.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz")))
                         .arg(qMax<qint64>(0, remaining)));
    if (remaining > 0) {
        armStep();
        return;
    }
    if (m_log && -remaining > kLateToleranceMs)
        m_log->write(QStringLiteral("dispatcher"),
                     QStringLiteral("%1: late by %2 ms (the wall clock passed %3)")
                         .arg(m_name)
                         .arg(-remaining)
                         .arg(m_target.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz"))));
    // Periodic like the other timers: the next moment is set before the handler, so that a
    // handler that stops the timer wins.
    m_target = m_clock.now().addMSecs(m_intervalMs);
    armStep();
    if (m_handler)
        m_handler();
}

}  // namespace velumo
