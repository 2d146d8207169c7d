#pragma once

#include <QString>
#include <functional>

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

}  // namespace velumo
