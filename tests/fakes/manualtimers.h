#pragma once

#include <QHash>
#include <QString>
#include <memory>

#include "app/timer.h"

namespace velumo::test {

// Named timers that fire only when a test says so; the factory keeps a view of each by name.
class ManualTimer final : public Timer {
public:
    explicit ManualTimer(const QString& name) : Timer(name) {}
    void setInterval(qint64 ms) override
    {
        m_intervalMs = ms;
        if (m_active)
            ++restarts;
    }
    qint64 interval() const override { return m_intervalMs; }
    void start() override { m_active = true; }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    qint64 remainingMs() const override { return m_active ? m_intervalMs : -1; }
    // Fires as the event loop would: only while active.
    void trigger()
    {
        if (m_active)
            fire();
    }
    int restarts = 0;

private:
    qint64 m_intervalMs = 1000;
    bool m_active = false;
};

class ManualTimerFactory final : public TimerFactory {
public:
    std::unique_ptr<Timer> create(const QString& name, bool) override
    {
        auto timer = std::make_unique<ManualTimer>(name);
        m_timers.insert(name, timer.get());
        return timer;
    }
    ManualTimer& operator[](const QString& name) const { return *m_timers.value(name); }

private:
    QHash<QString, ManualTimer*> m_timers;
};

}  // namespace velumo::test
