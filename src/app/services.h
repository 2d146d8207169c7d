#pragma once

#include <QString>
#include <functional>

#include "base/commandreply.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "dispatcher/handlerserializer.h"

namespace velumo {

class Clock;
class ControlServer;
class EventLog;
class Operations;
class PowerControl;
class Settings;
class SettingsWindow;
class TimerFactory;

// The program-wide services every wiring module works with; they outlive the modules.
struct Services {
    QString folder;
    EventLog& log;
    Notifier& notifier;
    Settings& settings;
    const Clock& clock;
    TimerFactory& timers;
    Operations& operations;
    ControlServer& control;
    PowerControl& power;
    SettingsWindow& window;  // the main settings window, which every page goes into
    // Runs whatever starts or stops content or moves pins one at a time: the dispatcher's
    // handlers and the commands that drive the same players.
    HandlerSerializer& serializer;

    QString filePath(const QString& name) const { return folder + u'/' + name; }
    // Runs an entry point of the event loop through the one guard.
    void guard(const std::function<void()>& body) const { guarded(notifier, body); }
};

// A control command's reply as the caller of a serialized handler: the handler's steps run as
// the command's work, and the command answers when the handler has finished.
inline HandlerSerializer::Caller answering(const std::shared_ptr<CommandReply>& reply)
{
    return {[reply](const std::function<void()>& step) { return reply->run(step); },
            [reply] { reply->done(); }};
}

}  // namespace velumo
