#pragma once

#include <QString>
#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

#include "app/timer.h"
#include "fakes/testsupport.h"

namespace velumo::test {

class FakeTimerFactory;

// A timer that fires when FakeTimerFactory::advance moves the fake clock past its deadline.
class FakeTimer final : public Timer {
public:
    FakeTimer(const QString& name, FakeTimerFactory& factory);
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

    qint64 deadline() const { return m_deadlineMs; }
    // Fires now: the next deadline is set first (periodic), then the handler runs.
    void fireNow();

private:
    FakeTimerFactory& m_factory;
    qint64 m_intervalMs = 1000;
    qint64 m_deadlineMs = 0;
    bool m_active = false;
};

// Timers on a fake clock: nothing waits; advance() moves the clock and fires what falls due,
// in deadline order.
class FakeTimerFactory final : public TimerFactory {
public:
    explicit FakeTimerFactory(FakeClock& clock) : m_clock(clock) {}

    std::unique_ptr<Timer> create(const QString& name, bool = false) override
    {
        return std::make_unique<FakeTimer>(name, *this);
    }

    FakeClock& clock() { return m_clock; }

    // Moves both clocks forward by ms, firing every timer that falls due on the way.
    void advance(qint64 ms)
    {
        const qint64 end = m_clock.monotonicMs() + ms;
        for (int guard = 0; guard < 1'000'000; ++guard) {
            FakeTimer* due = nullptr;
            for (FakeTimer* timer : m_timers)
                if (timer->isActive() && timer->deadline() <= end &&
                    (!due || timer->deadline() < due->deadline()))
                    due = timer;
            if (!due) {
                m_clock.advanceMs(end - m_clock.monotonicMs());
                return;
            }
            if (due->deadline() > m_clock.monotonicMs())
                m_clock.advanceMs(due->deadline() - m_clock.monotonicMs());
            due->fireNow();
        }
        throw std::runtime_error("timers fire without end");
    }

    // Fires a timer without moving the clock: a wake-up before its time.
    void fireEarly(const QString& name)
    {
        if (FakeTimer* timer = find(name))
            timer->fireNow();
    }

    FakeTimer* find(const QString& name) const
    {
        for (FakeTimer* timer : m_timers)
            if (timer->name() == name)
                return timer;
        return nullptr;
    }

    void add(FakeTimer* timer) { m_timers.push_back(timer); }
    void remove(FakeTimer* timer) { std::erase(m_timers, timer); }

private:
    FakeClock& m_clock;
    std::vector<FakeTimer*> m_timers;
};

inline FakeTimer::FakeTimer(const QString& name, FakeTimerFactory& factory)
    : Timer(name), m_factory(factory)
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
    m_deadlineMs = m_factory.clock().monotonicMs() + m_intervalMs;
}

inline qint64 FakeTimer::remainingMs() const
{
    return m_active ? std::max<qint64>(0, m_deadlineMs - m_factory.clock().monotonicMs()) : -1;
}

inline void FakeTimer::fireNow()
{
    m_deadlineMs = m_factory.clock().monotonicMs() + m_intervalMs;
    fire();
}

}  // namespace velumo::test
