#pragma once

#include <memory>

#include "app/services.h"

namespace velumo {

class ContentPlayers;
class DevicesModule;
class DispatcherEngine;
class DispatcherPage;
class PlanDiagramWindow;
class Planner;
class PlannerPage;
class TickerBlock;
class TickerControl;

// The dispatcher: its engine with the start and stop handlers and the content players they
// drive, the planner, their pages and the plan diagram, and their control commands.
class DispatcherModule {
public:
    // The players must outlive the module.
    DispatcherModule(const Services& services, TickerControl& ticker, TickerBlock& block,
                     DevicesModule& devices, ContentPlayers& players,
                     std::function<void()> clockRedraw);
    ~DispatcherModule();

    // The ticker's start operations call this: the dispatcher starts when "Диспетчер включен"
    // is set.
    void dispstart();
    // Start-up: the dispatcher starts when it was on, otherwise the stop fields are emptied.
    void applyStoredState();

    DispatcherEngine& engine() { return *m_engine; }

private:
    const Services& m_services;
    std::unique_ptr<DispatcherEngine> m_engine;
    std::unique_ptr<Planner> m_planner;
    DispatcherPage* m_page = nullptr;
    PlannerPage* m_plannerPage = nullptr;
    PlanDiagramWindow* m_diagram = nullptr;
};

}  // namespace velumo
