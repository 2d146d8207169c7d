#pragma once

#include <QHash>
#include <QString>
#include <memory>

#include "app/timer.h"

namespace velumo::test {

// A named timer that fires only when a test triggers it; it remembers its interval and state.
class FakeClockTimer final : public Timer {
public:
    explicit FakeClockTimer(const QString& name) : Timer(name) {}

    void setInterval(qint64 ms) override { m_intervalMs = ms; }
    qint64 interval() const override { return m_intervalMs; }
    void start() override { m_active = true; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    qint64 remainingMs() const override { return m_active ? m_intervalMs : -1; }

    // Fires the handler as the event loop would (only while running, unless forced).
    void trigger()
    {
        if (m_active)
            fire();
    }

private:
    qint64 m_intervalMs = 0;
    bool m_active = false;
};

class FakeClockTimerFactory final : public TimerFactory {
public:
    std::unique_ptr<Timer> create(const QString& name, bool precise = false) override
    {
        auto timer = std::make_unique<FakeClockTimer>(name);
        m_timers.insert(name, timer.get());
        m_precise.insert(name, precise);
        return timer;
    }
    FakeClockTimer* timer(const QString& name) const { return m_timers.value(name); }
    bool precise(const QString& name) const { return m_precise.value(name); }

private:
    QHash<QString, FakeClockTimer*> m_timers;
    QHash<QString, bool> m_precise;
};

}  // namespace velumo::test
