#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace velumo {

// A named timer of the program. Like the toolkit's timer: it fires every interval while
// enabled; a one-shot handler stops it first; setting the interval of a running timer restarts
// it. Intervals may exceed what one system timer holds (they are then waited for in steps).
class Timer {
public:
    virtual ~Timer() = default;

    virtual void setInterval(qint64 ms) = 0;
    virtual qint64 interval() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // Milliseconds until the timer fires, or -1 when it is stopped.
    virtual qint64 remainingMs() const = 0;

    void setEnabled(bool enabled) { enabled ? start() : stop(); }
    void setHandler(std::function<void()> handler) { m_handler = std::move(handler); }
    const QString& name() const { return m_name; }

protected:
    explicit Timer(QString name) : m_name(std::move(name)) {}
    // Runs the handler as an unattended entry point through the guard: a handler that fails is
    // reported under the timer's name and the timer goes on as the handler left it.
    void fire();

private:
    QString m_name;
    std::function<void()> m_handler;
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    // precise: millisecond accuracy where timing matters (dispatcher starts, the strip).
    virtual std::unique_ptr<Timer> create(const QString& name, bool precise = false) = 0;
};

// Timers of the Qt event loop.
class QtTimerFactory final : public TimerFactory {
public:
    std::unique_ptr<Timer> create(const QString& name, bool precise = false) override;
};

}  // namespace velumo
