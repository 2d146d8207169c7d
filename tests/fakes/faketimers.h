#pragma once

#include <QString>
#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

#include "base/timer.h"
#include "fakes/testsupport.h"

namespace velumo::test {

class FakeTimerFactory;

// A timer on a FakeClock. It behaves like the program's timers (periodic until stopped, a
// running timer restarts on setInterval, the default interval is a second) but fires only when
// the test moves time on (FakeTimerFactory::advance) or fires it by hand (trigger).
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

    // Fires now, whatever the clock says, as the event loop would at the deadline: only while
    // running, and a periodic timer is re-armed before its handler runs.
    void trigger();

private:
    FakeTimerFactory& m_factory;
    bool m_precise;
    qint64 m_intervalMs = 1000;
    qint64 m_deadlineMs = 0;
    bool m_active = false;
    int m_fires = 0;
};

// Makes FakeTimers on a FakeClock (its own when none is given). advance(ms) moves the clock on
// in steps, stopping at each deadline on the way and firing the timers due there in deadline
// order, so handlers see the clock exactly at their deadline; a zero interval is due at once.
class FakeTimerFactory final : public TimerFactory {
public:
    FakeTimerFactory() : m_ownClock(std::make_unique<FakeClock>()), m_clock(*m_ownClock) {}
    explicit FakeTimerFactory(FakeClock& clock) : m_clock(clock) {}

    std::unique_ptr<Timer> create(const QString& name, bool precise = false) override
    {
        return std::make_unique<FakeTimer>(*this, name, precise);
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

    // The live timer of that name; a test asking for one that was never made fails.
    FakeTimer& timer(const QString& name) const
    {
        if (FakeTimer* found = find(name))
            return *found;
        throw std::logic_error("no timer named " + name.toStdString());
    }

    // Fires the named timer without moving the clock (a wake-up before its time).
    void fire(const QString& name) { timer(name).trigger(); }

    void advance(qint64 ms)
    {
        const qint64 target = m_clock.monotonicMs() + ms;
        int firesWithoutProgress = 0;
        for (;;) {
            FakeTimer* due = nullptr;
            for (FakeTimer* timer : m_timers)
                if (timer->isActive() && timer->deadlineMs() <= target &&
                    (!due || timer->deadlineMs() < due->deadlineMs()))
                    due = timer;
            if (!due)
                break;
            if (due->deadlineMs() > m_clock.monotonicMs()) {
                m_clock.advanceMs(due->deadlineMs() - m_clock.monotonicMs());
                firesWithoutProgress = 0;
            } else if (++firesWithoutProgress > kMaxFiresWithoutProgress) {
                throw std::runtime_error("timers fire without end at one moment");
            }
            due->trigger();
        }
        if (target > m_clock.monotonicMs())
            m_clock.advanceMs(target - m_clock.monotonicMs());
    }

    void add(FakeTimer* timer) { m_timers.push_back(timer); }
    void remove(FakeTimer* timer) { std::erase(m_timers, timer); }

private:
    static constexpr int kMaxFiresWithoutProgress = 100000;

    std::unique_ptr<FakeClock> m_ownClock;
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
    m_deadlineMs = m_factory.clock().monotonicMs() + m_intervalMs;
}

inline qint64 FakeTimer::remainingMs() const
{
    return m_active ? std::max<qint64>(0, m_deadlineMs - m_factory.clock().monotonicMs()) : -1;
}

inline void FakeTimer::trigger()
{
    if (!m_active)
        return;
    ++m_fires;
    m_deadlineMs = m_factory.clock().monotonicMs() + m_intervalMs;
    fire();
}

}  // namespace velumo::test
