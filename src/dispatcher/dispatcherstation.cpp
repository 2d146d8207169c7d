#include "dispatcherstation.h"

#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/dispatchercommands.h"
#include "dispatcher/dispatcherengine.h"
#include "dispatcher/dispatcherpage.h"
#include "dispatcher/plandiagramwindow.h"
#include "dispatcher/planner.h"
#include "dispatcher/plannerpage.h"

namespace velumo {

DispatcherStation::DispatcherStation(const DispatcherStationParts& parts, EntryDevices devices)
    : m_parts(parts)
{
    const DispatcherStationParts& services = m_parts;
    m_engine = std::make_unique<DispatcherEngine>(
        services.folder, services.settings, services.notifier, services.log, services.clock,
        services.timers, std::move(devices), &services.serializer);
    m_planner = std::make_unique<Planner>(services.notifier);
    m_diagram = new PlanDiagramWindow();
    m_page = new DispatcherPage(services.window, *m_engine, services.settings, services.notifier,
                                services.operations, services.folder);
    m_plannerPage = new PlannerPage(services.window, *m_planner, services.settings,
                                    services.notifier, services.clock, services.folder);
    addDispatcherCommands(services.control, *m_engine);
}

DispatcherStation::~DispatcherStation()
{
    delete m_diagram;
}

void DispatcherStation::dispstart()
{
    if (m_parts.settings.checked(key::SCCheckBox6))
        guarded(m_parts.notifier, [this] { m_engine->dispstart(); });
}

void DispatcherStation::applyStoredState()
{
    Settings& settings = m_parts.settings;
    if (settings.checked(key::SCCheckBox6)) {
        m_engine->startAtStartup();
    } else {
        settings.setText(key::SCEditn3, QString());
        settings.setText(key::SCEditn5, QString());
    }
}

}  // namespace velumo
