#include "dispatchermodule.h"

#include "app/devicesmodule.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/dispatchercommands.h"
#include "dispatcher/dispatcherengine.h"
#include "dispatcher/dispatcherpage.h"
#include "dispatcher/plandiagramwindow.h"
#include "dispatcher/planner.h"
#include "dispatcher/plannerpage.h"
#include "players/contentplayers.h"

namespace velumo {

DispatcherModule::DispatcherModule(const Services& services, TickerControl& ticker,
                                   TickerBlock& block, DevicesModule& devices,
                                   ContentPlayers& players, std::function<void()> clockRedraw)
    : m_services(services)
{
    EntryDevices entryDevices{ticker,
                              block,
                              devices.pins(),
                              devices.tones(),
                              devices.broadcastMute(),
                              players,
                              std::move(clockRedraw)};
    m_engine = std::make_unique<DispatcherEngine>(
        services.folder, services.settings, services.notifier, services.log, services.clock,
        services.timers, std::move(entryDevices), &services.serializer);
    m_planner = std::make_unique<Planner>(services.notifier);
    m_diagram = new PlanDiagramWindow();
    m_page = new DispatcherPage(services.window, *m_engine, services.settings, services.notifier,
                                services.operations, services.folder);
    m_plannerPage = new PlannerPage(services.window, *m_planner, services.settings,
                                    services.notifier, services.clock, services.folder);
    addDispatcherCommands(services.control, *m_engine);
}

DispatcherModule::~DispatcherModule()
{
    delete m_diagram;
}

void DispatcherModule::dispstart()
{
    if (m_services.settings.checked(key::SCCheckBox6))
        m_services.guard([this] { m_engine->dispstart(); });
}

void DispatcherModule::applyStoredState()
{
    Settings& settings = m_services.settings;
    if (settings.checked(key::SCCheckBox6)) {
        m_engine->startAtStartup();
    } else {
        settings.setText(key::SCEditn3, QString());
        settings.setText(key::SCEditn5, QString());
    }
}

}  // namespace velumo
