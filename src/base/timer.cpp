#include "timer.h"

#include <QDeadlineTimer>
#include <QTimer>
#include <climits>

#include "guard.h"

namespace velumo {

void Timer::fire()
{
    if (m_handler)
        guarded(Origin::unattended(m_name), m_handler);
}

namespace {

class QtTimer final : public Timer {
public:
    QtTimer(const QString& name, bool precise) : Timer(name)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(precise ? Qt::PreciseTimer : Qt::CoarseTimer);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { onTimeout(); });  // plain: fire() guards
    }

    void setInterval(qint64 ms) override
    {
        m_intervalMs = qMax<qint64>(0, ms);
        if (m_active)
            start();
    }
    qint64 interval() const override { return m_intervalMs; }
    void start() override
    {
        m_active = true;
        m_deadline = QDeadlineTimer(m_intervalMs, m_timer.timerType());
        armStep();
    }
    void stop() override
    {
        m_active = false;
        m_timer.stop();
    }
    bool isActive() const override { return m_active; }
    qint64 remainingMs() const override { return m_active ? m_deadline.remainingTime() : -1; }

private:
    // Long intervals are waited for in steps a system timer can hold.
    void armStep()
    {
        const qint64 left = qMax<qint64>(0, m_deadline.remainingTime());
        m_timer.start(int(qMin<qint64>(left, INT_MAX / 2)));
    }
    void onTimeout()
    {
        if (!m_active)
            return;
        if (m_deadline.remainingTime() > 0) {
            armStep();
            return;
        }
        // Periodic: re-arm before the handler so that a handler that stops us wins.
        m_deadline = QDeadlineTimer(m_intervalMs, m_timer.timerType());
        armStep();
        fire();
    }

    QTimer m_timer;
    qint64 m_intervalMs = 1000;
    bool m_active = false;
    QDeadlineTimer m_deadline;
};

}  // namespace

std::unique_ptr<Timer> QtTimerFactory::create(const QString& name, bool precise)
{
    return std::make_unique<QtTimer>(name, precise);
}

}  // namespace velumo
