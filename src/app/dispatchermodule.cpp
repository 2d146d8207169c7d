#include "dispatchermodule.h"

#include <QJsonObject>

#include "app/devicesmodule.h"
#include "base/controlchannel.h"
#include "base/settings.h"
#include "base/settingskeys.h"
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
    registerCommands();
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

void DispatcherModule::registerCommands()
{
    ControlServer& c = m_services.control;
    c.addStatus(QStringLiteral("dispatcher"), [this] { return QJsonValue(m_engine->status()); });
    // Through the serializer, as the buttons: a command that falls due while a handler sounds
    // its tone waits for that handler's end and answers when it has run.
    using Reply = std::shared_ptr<CommandReply>;
    c.addCommand(QStringLiteral("dispatcher start"), [this](const QString&, const Reply& reply) {
        m_engine->SCButton43Click(answering(reply));
    });
    c.addCommand(QStringLiteral("dispatcher stop"), [this](const QString&, const Reply& reply) {
        m_engine->SCButton44Click(answering(reply));
    });
    // The slide show's stop, as its timers run it: the fields emptied, parked for "pz".
    c.addCommand(QStringLiteral("slides stop"), [this](const QString&, const Reply& reply) {
        m_engine->handlers().StopPPT(answering(reply));
    });
}

}  // namespace velumo
