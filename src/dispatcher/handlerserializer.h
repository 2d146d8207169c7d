#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <memory>

#include "base/commandreply.h"

namespace velumo {

class EventLog;
class Notifier;

// Runs the dispatcher's handlers one at a time, each to its very end. A handler can go on after
// a tone (its continuation runs when the tone has ended, the event loop running meanwhile), and
// a timer or a command that falls due meanwhile would run its handler between the other's steps:
// a stop due at its own start would drop the pin before the start raises it. Such a handler
// waits here instead and starts, in the order the handlers fell due, when the running one has
// finished, continuations included.
//
// Every step of a handler runs through its guard (by default the program's guard: a failure
// shows the general error report); a failure ends that handler only, and the next waiting one
// starts. A handler that is already waiting under the same name is not queued twice.
class HandlerSerializer {
    struct Core;
    struct State;

public:
    // Runs one step and says whether it ran to its end (a failure has been reported then).
    using Guard = std::function<bool(const std::function<void()>& step)>;

    // Who asked for a handler: how its steps are guarded (empty: the program's guard) and whom
    // to tell when it has finished (after a failure too). A control command answers its caller
    // through these.
    struct Caller {
        Guard guard;
        std::function<void()> finished;
    };

    // The running handler, handed to its body: its continuations are made here, and it says
    // when it has finished. Copies refer to the same handler.
    class Job {
    public:
        // A continuation of the handler (what follows a tone): step runs through the handler's
        // guard when it is called, and a failure there finishes the handler. Nothing runs when
        // the handler has finished meanwhile or the serializer is gone.
        std::function<void()> resume(std::function<void()> step) const;
        // The handler has done all its steps: the next waiting one starts.
        void finish() const;

    private:
        friend class HandlerSerializer;
        friend struct HandlerSerializer::Core;
        Job(std::weak_ptr<Core> core, std::shared_ptr<State> state);
        std::weak_ptr<Core> m_core;
        std::shared_ptr<State> m_state;
    };

    using Body = std::function<void(const Job& job)>;

    explicit HandlerSerializer(Notifier& notifier, EventLog* log = nullptr);
    ~HandlerSerializer();
    HandlerSerializer(const HandlerSerializer&) = delete;
    HandlerSerializer& operator=(const HandlerSerializer&) = delete;

    // A handler that may go on later: body starts now, or after the running handler and those
    // waiting before it, and calls job.finish() when it has done all its steps (a failure
    // finishes it too). name ("Timer1stops") tells the waiting handlers apart; with once set,
    // a handler already waiting under that name is not queued again (caller.finished is then
    // called at once: the waiting one does the work).
    void start(const QString& name, Body body, Caller caller = {}, bool once = true);
    // A handler that has finished when body returns.
    void run(const QString& name, std::function<void()> body, Caller caller = {}, bool once = true);

    // A handler is running (or waits for a tone), or handlers wait.
    bool busy() const;
    qsizetype waiting() const;

private:
    std::shared_ptr<Core> m_core;
};

// A control command's reply as the caller of a serialized handler: the handler's steps run as
// the command's work, and the command answers when the handler has finished.
inline HandlerSerializer::Caller answering(const std::shared_ptr<CommandReply>& reply)
{
    return {[reply](const std::function<void()>& step) { return reply->run(step); },
            [reply] { reply->done(); }};
}

}  // namespace velumo
