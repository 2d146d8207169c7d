#include "handlerserializer.h"

#include "base/eventlog.h"
#include "base/guard.h"

namespace velumo {

struct HandlerSerializer::State {
    QString name;
    Body body;
    Caller caller;
    bool finished = false;
};

struct HandlerSerializer::Core : std::enable_shared_from_this<Core> {
    Notifier& notifier;
    EventLog* log;
    std::shared_ptr<State> running;
    std::deque<std::shared_ptr<State>> waiting;
    // Set while handlers are being started, so that a handler finishing at once does not start
    // the next one from inside its own start.
    bool pumping = false;

    Core(Notifier& n, EventLog* l) : notifier(n), log(l) {}

    bool guard(State& state, const std::function<void()>& step)
    {
        if (state.caller.guard)
            return state.caller.guard(step);
        return guarded(notifier, step);
    }

    void finish(const std::shared_ptr<State>& state)
    {
        if (state->finished)
            return;
        state->finished = true;
        if (running == state)
            running.reset();
        if (state->caller.finished)
            guarded(notifier, state->caller.finished);
        pump();
    }

    void pump()
    {
        if (pumping)
            return;
        pumping = true;
        // Kept alive for the loop: a handler's end may let the serializer's owner go.
        const std::shared_ptr<Core> self = shared_from_this();
        while (!running && !waiting.empty()) {
            running = std::move(waiting.front());
            waiting.pop_front();
            const std::shared_ptr<State> state = running;
            const Job job(weak_from_this(), state);
            if (!guard(*state, [&] { state->body(job); }))
                finish(state);
        }
        pumping = false;
    }
};

HandlerSerializer::Job::Job(std::weak_ptr<Core> core, std::shared_ptr<State> state)
    : m_core(std::move(core)), m_state(std::move(state))
{
}

std::function<void()> HandlerSerializer::Job::resume(std::function<void()> step) const
{
    return [core = m_core, state = m_state, step = std::move(step)] {
        const std::shared_ptr<Core> alive = core.lock();
        if (!alive || state->finished)
            return;
        if (!alive->guard(*state, step))
            alive->finish(state);
    };
}

void HandlerSerializer::Job::finish() const
{
    if (const std::shared_ptr<Core> alive = m_core.lock())
        alive->finish(m_state);
}

HandlerSerializer::HandlerSerializer(Notifier& notifier, EventLog* log)
    : m_core(std::make_shared<Core>(notifier, log))
{
}

HandlerSerializer::~HandlerSerializer() = default;

void HandlerSerializer::start(const QString& name, Body body, Caller caller, bool once)
{
    if (busy()) {
        if (once)
            for (const std::shared_ptr<State>& pending : m_core->waiting)
                if (pending->name == name) {
                    if (caller.finished)
                        guarded(m_core->notifier, caller.finished);
                    return;
                }
        if (m_core->log)
            m_core->log->write(QStringLiteral("dispatcher"),
                               name + QStringLiteral(" waits for the running handler"));
    }
    auto state = std::make_shared<State>();
    state->name = name;
    state->body = std::move(body);
    state->caller = std::move(caller);
    m_core->waiting.push_back(std::move(state));
    m_core->pump();
}

void HandlerSerializer::run(const QString& name, std::function<void()> body, Caller caller,
                            bool once)
{
    start(
        name,
        [body = std::move(body)](const Job& job) {
            body();
            job.finish();
        },
        std::move(caller), once);
}

bool HandlerSerializer::busy() const
{
    return m_core->running || m_core->pumping || !m_core->waiting.empty();
}

qsizetype HandlerSerializer::waiting() const
{
    return qsizetype(m_core->waiting.size());
}

}  // namespace velumo
