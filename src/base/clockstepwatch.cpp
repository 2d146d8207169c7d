#include "clockstepwatch.h"

#include <sys/timerfd.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <ctime>

#include "eventlog.h"
#include "guard.h"

namespace velumo {

namespace {

qint64 wallMinusMonotonicMs()
{
    timespec wall{};
    timespec monotonic{};
    ::clock_gettime(CLOCK_REALTIME, &wall);
    ::clock_gettime(CLOCK_MONOTONIC, &monotonic);
    return (qint64(wall.tv_sec) - qint64(monotonic.tv_sec)) * 1000 +
           (qint64(wall.tv_nsec) - qint64(monotonic.tv_nsec)) / 1000000;
}

}  // namespace

ClockStepWatch::ClockStepWatch(QObject* parent) : ClockStepWatch(nullptr, parent) {}

ClockStepWatch::ClockStepWatch(EventLog* events, QObject* parent)
    : QObject(parent), m_events(events)
{
    m_fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0)
        return;
    arm();
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connectGuarded(m_notifier, &QSocketNotifier::activated, this,
                   Origin::unattended(QStringLiteral("clockstepwatch")),
                   &ClockStepWatch::onReadable);
}

ClockStepWatch::~ClockStepWatch()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void ClockStepWatch::arm()
{
    // Far ahead: the timer is only there to be cancelled by a step of the clock.
    m_offsetMs = wallMinusMonotonicMs();
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    itimerspec deadline{};
    deadline.it_value.tv_sec = now.tv_sec + 10 * 365 * 86400;
    ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &deadline, nullptr);
}

void ClockStepWatch::onReadable()
{
    std::uint64_t expirations = 0;
    const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
    if (n < 0 && errno == EAGAIN)
        return;
    const bool stepped = n < 0 && errno == ECANCELED;
    const qint64 before = m_offsetMs;
    arm();
    if (!stepped)
        return;
    m_lastStepMs = m_offsetMs - before;
    if (m_events)
        m_events->post(ClockEvent{double(m_lastStepMs) / 1000.0});
    emit this->stepped();
}

}  // namespace velumo
