#pragma once

#include <QString>
#include <memory>

#include "dispatcher/entryhandlers.h"

namespace velumo {

class Clock;
class ControlServer;
class DispatcherEngine;
class DispatcherPage;
class EventLog;
class HandlerSerializer;
class Notifier;
class Operations;
class PlanDiagramWindow;
class Planner;
class PlannerPage;
class Settings;
class SettingsWindow;
class TimerFactory;

// What the dispatcher is built with; everything here outlives it.
struct DispatcherStationParts {
    QString folder;  // the program's folder: plans, the planner's files
    EventLog& log;
    Notifier& notifier;
    Settings& settings;
    const Clock& clock;
    TimerFactory& timers;
    Operations& operations;
    ControlServer& control;
    SettingsWindow& window;  // the dispatcher's and the planner's pages go into it
    HandlerSerializer& serializer;
};

// The dispatcher: its engine with the start and stop handlers and the content players they
// drive, the planner, their pages and the plan diagram, and their control commands.
class DispatcherStation {
public:
    // What the handlers drive (the players among them) must outlive the dispatcher.
    DispatcherStation(const DispatcherStationParts& parts, EntryDevices devices);
    ~DispatcherStation();

    // The ticker's start operations call this: the dispatcher starts when "Диспетчер включен"
    // is set.
    void dispstart();
    // Start-up: the dispatcher starts when it was on, otherwise the stop fields are emptied.
    void applyStoredState();

    DispatcherEngine& engine() { return *m_engine; }

private:
    DispatcherStationParts m_parts;
    std::unique_ptr<DispatcherEngine> m_engine;
    std::unique_ptr<Planner> m_planner;
    DispatcherPage* m_page = nullptr;
    PlannerPage* m_plannerPage = nullptr;
    PlanDiagramWindow* m_diagram = nullptr;
};

}  // namespace velumo
