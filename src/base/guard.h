#pragma once

#include <QEvent>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

#include "origin.h"

namespace velumo {

class Notifier;

// Every entry point from the event loop (slot, timer, socket command, a worker's result) runs
// its body through the guard: a failure shows the application's general error report with the
// error text and abandons the handler at the failing step; nothing crosses the event loop.
//
// The guard reports to the program's one report sink, a GuardSink: Application installs its
// notifier there for its whole life, so widgets and players need no notifier of their own to be
// guarded. With no sink installed (a test that does not care), a failure goes to the Qt log.
class GuardSink {
public:
    explicit GuardSink(Notifier& notifier);
    ~GuardSink();  // the sink installed before this one is back
    GuardSink(const GuardSink&) = delete;
    GuardSink& operator=(const GuardSink&) = delete;

private:
    Notifier* m_previous;
};

// Runs body as an entry point of the given origin (Origin::Scope); a failure goes to the sink.
// Returns true when the body ran to its end; errorText (optional) receives the failure's text.
bool guarded(const Origin& origin, const std::function<void()>& body, QString* errorText = nullptr);

// The same, reporting to the given notifier: a step inside an entry point that is abandoned on
// its own while the rest of the handler goes on. The origin is that of the running entry point.
bool guarded(Notifier& notifier, const std::function<void()>& body, QString* errorText = nullptr);

// The text of the exception being handled (call only inside a catch block).
QString currentExceptionText();

namespace guarddetail {

template <typename Slot, typename Args, std::size_t... I>
constexpr bool takesLeading(std::index_sequence<I...>)
{
    return std::is_invocable_v<Slot&, std::tuple_element_t<I, Args>...>;
}

template <typename Slot, typename Args, std::size_t... I>
void callLeading(Slot& slot, Args& args, std::index_sequence<I...>)
{
    std::invoke(slot, std::get<I>(args)...);
}

// Calls slot with as many of the signal's leading arguments as it takes, as Qt does.
template <std::size_t N, typename Slot, typename Args>
void invokeLeading(Slot& slot, Args& args)
{
    if constexpr (takesLeading<Slot, Args>(std::make_index_sequence<N>{}))
        callLeading(slot, args, std::make_index_sequence<N>{});
    else if constexpr (N > 0)
        invokeLeading<N - 1>(slot, args);
    else
        static_assert(N > 0, "the slot cannot be called with the signal's arguments");
}

template <typename Context, typename Slot>
auto bindSlot(Context* context, Slot slot)
{
    if constexpr (std::is_member_function_pointer_v<Slot>)
        return [context, slot](auto&&... args)
                   -> decltype(std::invoke(slot, context, std::forward<decltype(args)>(args)...)) {
            return std::invoke(slot, context, std::forward<decltype(args)>(args)...);
        };
    else
        return slot;
}

}  // namespace guarddetail

// A connection of a function-pointer signal whose slot (a callable or a member function of the
// context) runs through the guard with the given origin. Every connection that calls into the
// program's own code is made here; tools/check-guarded.sh keeps it that way.
template <typename Sender, typename Signal, typename Context, typename Slot>
QMetaObject::Connection connectGuarded(Sender* sender, Signal signal, Context* context,
                                       Origin origin, Slot slot,
                                       Qt::ConnectionType type = Qt::AutoConnection)
{
    static_assert(std::is_base_of_v<QObject, Context>, "the context is the slot's QObject");
    auto body = guarddetail::bindSlot(context, std::move(slot));
    return QObject::connect(  // plain: the guard itself
        sender, signal, context,
        [origin = std::move(origin), body = std::move(body)](auto&&... args) mutable -> void {
            auto arguments = std::forward_as_tuple(args...);
            guarded(origin, [&] { guarddetail::invokeLeading<sizeof...(args)>(body, arguments); });
        },
        type);
}

// Filters the events of watched through the guard: handler(event) runs with the given origin
// for each of them and says whether the event is eaten; a handler that failed lets the event go
// on. The filter lives as long as watched (none is installed on nullptr). Every event filter that
// calls the program's own code is installed here; tools/check-guarded.sh keeps it that way.
QObject* filterEventsGuarded(QObject* watched, Origin origin, std::function<bool(QEvent*)> handler);

// Runs fn once on the context's thread after ms milliseconds (0: when the event loop is back),
// through the guard with the given origin; nothing runs when the context is gone by then.
template <typename Context, typename Fn>
void singleShotGuarded(int ms, Context* context, Origin origin, Fn fn)
{
    static_assert(std::is_base_of_v<QObject, Context>, "the context is the call's QObject");
    QTimer::singleShot(  // plain: the guard itself
        ms, context, [origin = std::move(origin), fn = std::move(fn)]() mutable {
            guarded(origin, [&] { fn(); });
        });
}

// Queues fn to the context's thread (from any thread), where it runs through the guard with the
// given origin; nothing runs when the context is gone by then.
template <typename Context, typename Fn>
void postGuarded(Context* context, Origin origin, Fn fn)
{
    static_assert(std::is_base_of_v<QObject, Context>, "the context is the call's QObject");
    QMetaObject::invokeMethod(  // plain: the guard itself
        context,
        [origin = std::move(origin), fn = std::move(fn)]() mutable {
            guarded(origin, [&] { fn(); });
        },
        Qt::QueuedConnection);
}

}  // namespace velumo
