#include "dispatchercommands.h"

#include <QJsonObject>

#include "base/controlchannel.h"
#include "dispatcher/dispatcherengine.h"
#include "dispatcher/entryhandlers.h"
#include "dispatcher/handlerserializer.h"

namespace velumo {

void addDispatcherCommands(ControlServer& c, DispatcherEngine& engine)
{
    c.addStatus(QStringLiteral("dispatcher"), [&engine] { return QJsonValue(engine.status()); });
    // Through the serializer, as the buttons: a command that falls due while a handler sounds
    // its tone waits for that handler's end and answers when it has run.
    using Reply = std::shared_ptr<CommandReply>;
    c.addCommand(QStringLiteral("dispatcher start"), [&engine](const QString&, const Reply& reply) {
        engine.SCButton43Click(answering(reply));
    });
    c.addCommand(QStringLiteral("dispatcher stop"), [&engine](const QString&, const Reply& reply) {
        engine.SCButton44Click(answering(reply));
    });
    // The slide show's stop, as its timers run it: the fields emptied, parked for "pz".
    c.addCommand(QStringLiteral("slides stop"), [&engine](const QString&, const Reply& reply) {
        engine.handlers().StopPPT(answering(reply));
    });
}

}  // namespace velumo
