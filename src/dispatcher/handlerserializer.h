#pragma once

#include <QString>
#include <deque>
#include <functional>

namespace velumo {

class EventLog;
class Notifier;

// Runs the dispatcher's handlers one at a time. A handler can let pending events run while it
// works (a tone waits in a local event loop, so that the strip keeps moving), and a timer that
// falls due meanwhile would run its handler in the middle of the other: a stop due at its own
// start would drop the pin before the start raises it. Such a handler waits here instead and
// runs, in the order the handlers fell due, as soon as the running one has returned.
//
// Every handler runs through the guard: a failure shows the general error report and ends
// that handler only. A handler that is already waiting is not queued twice.
class HandlerSerializer {
public:
    explicit HandlerSerializer(Notifier& notifier, EventLog* log = nullptr);

    // Runs body now, or after the running handler and those waiting before it. name ("Timer1stops")
    // tells the waiting handlers apart.
    void run(const QString& name, std::function<void()> body);

    // A handler is running (or the waiting ones are being run).
    bool busy() const { return m_busy; }
    qsizetype waiting() const { return qsizetype(m_waiting.size()); }

private:
    struct Pending {
        QString name;
        std::function<void()> body;
    };

    Notifier& m_notifier;
    EventLog* m_log;
    bool m_busy = false;
    std::deque<Pending> m_waiting;
};

}  // namespace velumo
