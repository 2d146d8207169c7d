#pragma once

#include <QString>
#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "app/timer.h"
#include "fakes/testsupport.h"

namespace velumo::test {

class FakeTimerFactory;

// A timer that fires only when the test moves the fake clock on (FakeTimerFactory::advance).
class FakeTimer final : public Timer {
public:
    FakeTimer(FakeTimerFactory& factory, const QString& name, bool precise);
    ~FakeTimer() override;

    void setInterval(qint64 ms) override
    {
        m_intervalMs = std::max<qint64>(0, ms);
        if (m_active)
            start();
    }
    qint64 interval() const override { return m_intervalMs; }
    void start() override;
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    qint64 remainingMs() const override;

    bool precise() const { return m_precise; }
    qint64 deadlineMs() const { return m_deadlineMs; }
    int fireCount() const { return m_fires; }
    // Fires now, as the event loop would at the deadline: a periodic timer is re-armed first.
    void trigger();

private:
    FakeTimerFactory& m_factory;
    bool m_precise;
    qint64 m_intervalMs = 1000;
    qint64 m_deadlineMs = 0;
    bool m_active = false;
    int m_fires = 0;
};

// Makes FakeTimers on a FakeClock. advance(ms) moves the clock on in steps, stopping at each
// deadline on the way and firing the timers due there in deadline order, so handlers see the
// clock exactly at their deadline. A zero interval counts as one millisecond (no endless loop).
class FakeTimerFactory final : public TimerFactory {
public:
    explicit FakeTimerFactory(FakeClock& clock) : m_clock(clock) {}

    std::unique_ptr<Timer> create(const QString& name, bool precise = false) override
    {
        auto timer = std::make_unique<FakeTimer>(*this, name, precise);
        return timer;
    }

    FakeClock& clock() { return m_clock; }

    // The live timer of that name (the newest when several), or nullptr.
    FakeTimer* find(const QString& name) const
    {
        for (auto it = m_timers.rbegin(); it != m_timers.rend(); ++it)
            if ((*it)->name() == name)
                return *it;
        return nullptr;
    }

    void advance(qint64 ms)
    {
        const qint64 target = m_clock.monotonicMs() + ms;
        for (;;) {
            FakeTimer* due = nullptr;
            for (FakeTimer* timer : m_timers)
                if (timer->isActive() && timer->deadlineMs() <= target &&
                    (!due || timer->deadlineMs() < due->deadlineMs()))
                    due = timer;
            if (!due)
                break;
            if (due->deadlineMs() > m_clock.monotonicMs())
                m_clock.advanceMs(due->deadlineMs() - m_clock.monotonicMs());
            due->trigger();
        }
        if (target > m_clock.monotonicMs())
            m_clock.advanceMs(target - m_clock.monotonicMs());
    }

    void add(FakeTimer* timer) { m_timers.push_back(timer); }
    void remove(FakeTimer* timer) { std::erase(m_timers, timer); }

private:
    FakeClock& m_clock;
    std::vector<FakeTimer*> m_timers;
};

inline FakeTimer::FakeTimer(FakeTimerFactory& factory, const QString& name, bool precise)
    : Timer(name), m_factory(factory), m_precise(precise)
{
    m_factory.add(this);
}

inline FakeTimer::~FakeTimer()
{
    m_factory.remove(this);
}

inline void FakeTimer::start()
{
    m_active = true;
    m_deadlineMs = m_factory.clock().monotonicMs() + std::max<qint64>(1, m_intervalMs);
}

inline qint64 FakeTimer::remainingMs() const
{
    return m_active ? std::max<qint64>(0, m_deadlineMs - m_factory.clock().monotonicMs()) : -1;
}

inline void FakeTimer::trigger()
{
    ++m_fires;
    if (m_active)
        m_deadlineMs = m_factory.clock().monotonicMs() + std::max<qint64>(1, m_intervalMs);
    fire();
}

}  // namespace velumo::test
