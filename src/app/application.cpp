#include "application.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QScopeGuard>

#include "alerts/alertsconfig.h"
#include "alerts/alertstation.h"
#include "app/asrunmodule.h"
#include "app/devicesmodule.h"
#include "app/fleetmodule.h"
#include "app/fleetopsmodule.h"
#include "app/networkmodule.h"
#include "app/onairmodule.h"
#include "app/panelmodule.h"
#include "app/playersmodule.h"
#include "app/servicemodule.h"
#include "app/shellmodule.h"
#include "base/configfile.h"
#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "dispatcher/browserneed.h"
#include "dispatcher/dispatcherengine.h"
#include "dispatcher/dispatcherstation.h"
#include "fleet/alarmmonitor.h"
#include "panel/accessories.h"
#include "panel/clockwindow.h"
#include "panel/controlpanel.h"
#include "panel/iconwindow.h"
#include "players/capture/capturewindow.h"
#include "players/clip/clipwindow.h"
#include "players/playerstation.h"
#include "players/titleswindow.h"
#include "players/web/flashwindow.h"
#include "system/stopsignals.h"
#include "system/testhooks.h"
#include "ticker/stripwindow.h"
#include "ticker/tickerblock.h"
#include "ticker/tickerengine.h"
#include "ticker/tickerstation.h"
#include "ticker/tickertextpage.h"
#include "ui/mainfooter.h"
#include "ui/settingswindow.h"
#include "ui/statusline.h"

namespace velumo {

Application::Application(QString programFolder, const CommandLine& commandLine, PowerControl& power)
    : m_folder(std::move(programFolder)),
      m_commandLine(commandLine),
      m_power(power),
      m_log(m_folder + QLatin1String("/velumo.log")),
      m_notifier(&m_log)
{
    m_notifier.setFailureFeed(&m_failures);
}

Application::~Application()
{
    m_notifier.closeAll();
    // Reports from here on are shown, not kept: the feed goes before the notifier.
    const auto forget = qScopeGuard([this] { m_notifier.setFailureFeed(nullptr); });
    if (m_services)
        postExit();
    // The modules go in the reverse order of their creation; the settings window last.
    m_service.reset();
    m_fleetOps.reset();
    m_onAir.reset();
    // Its band and strip texts go before the strip, the tones and the players.
    m_alerts.reset();
    m_network.reset();
    m_panel.reset();
    // The dispatcher's handlers call the players.
    m_dispatcher.reset();
    m_players.reset();
    m_accessories.reset();
    m_ticker.reset();
    m_devices.reset();
    m_shell.reset();
    m_fleet.reset();
    m_asrun.reset();
    delete m_form1;
}

TickerControl& Application::tickerControl()
{
    return m_ticker->engine();
}

ClockTicker& Application::clockTicker()
{
    return m_accessories->clockTicker();
}

bool Application::start()
{
    m_control = std::make_unique<ControlServer>(m_folder, m_notifier, &m_log, m_operations, this);
    if (!m_control->listen()) {
        if (isRunning(m_folder))
            return false;
        // No channel (no other copy either): the program still runs, without remote control.
        m_log.write(
            QStringLiteral("error"),
            QStringLiteral("Control channel unavailable: %1").arg(m_control->errorString()));
    }
    QApplication::setApplicationDisplayName(QStringLiteral("Велумо"));
    m_form1 = new SettingsWindow(m_settings, &m_notifier);
    m_services.reset(new Services{m_folder, m_log, m_notifier, m_settings, m_clock, m_timers,
                                  m_operations, *m_control, m_power, *m_form1, m_serializer});
    const Services& s = *m_services;
    m_asrun = std::make_unique<AsrunModule>(s, m_onAirModel);
    // The link starts first, so that it carries the program's start; what it takes from the
    // alarms and the screenshot comes once they are there.
    m_fleet = std::make_unique<FleetModule>(
        s, m_onAirModel,
        FleetModule::Sources{
            [this](std::function<void(const QByteArray&)> done) {
                if (m_fleetOps)
                    m_fleetOps->screenshot(std::move(done));
                else
                    done({});
            },
            [this] { return m_fleetOps ? m_fleetOps->alarms().status() : QJsonArray(); },
            // Only a station that takes alerts subscribes to the fleet's.
            QFileInfo::exists(s.filePath(QLatin1String(alerts::kAlertsIniName)))
                ? std::function<void(const QByteArray&, const QString&)>(
                      [this](const QByteArray& document, const QString& source) {
                          if (m_alerts)
                              m_alerts->take(document, source);
                      })
                : nullptr});
    m_log.post(ProgramEvent{ProgramEvent::What::Start});
    m_shell = std::make_unique<ShellModule>(s);
    m_devices = std::make_unique<DevicesModule>(s);
    TickerCompanions& companions = *this;
    m_ticker =
        std::make_unique<TickerStation>(TickerStationParts{s.folder, s.log, s.notifier, s.settings,
                                                           s.clock, s.timers, s.control, s.window},
                                        companions);
    m_accessories = std::make_unique<Accessories>(
        AccessoriesParts{s.folder, s.log, s.notifier, s.settings, s.clock, s.timers, s.power,
                         s.control, s.window},
        m_ticker->engine(), m_ticker->strip(), m_ticker->textPage());
    m_players = std::make_unique<PlayersModule>(s, m_ticker->block(), m_ticker->textPage(),
                                                m_devices->broadcastMute());
    m_dispatcher = std::make_unique<DispatcherStation>(
        DispatcherStationParts{s.folder, s.log, s.notifier, s.settings, s.clock, s.timers,
                               s.operations, s.control, s.window, s.serializer},
        EntryDevices{m_ticker->engine(), m_ticker->block(), m_devices->pins(), m_devices->tones(),
                     m_devices->broadcastMute(), m_players->station().players(),
                     [this] { requestClockRedraw(); }});
    // The control panel raises the strip and the clock, so it follows them.
    m_panel = std::make_unique<PanelModule>(s, m_accessories->clockTicker(), m_dispatcher->engine(),
                                            m_ticker->strip(), *m_accessories->clockWindow());
    m_ticker->placeWindows(m_accessories->clockWindow(), m_accessories->iconWindow(),
                           &m_panel->panel(), m_accessories->styler());
    m_network = std::make_unique<NetworkModule>(s, m_ticker->block(), m_ticker->textPage());
    m_onAir = std::make_unique<OnAirModule>(s, m_onAirModel, *m_ticker, *m_dispatcher,
                                            m_players->station());
    // Its page after every other; its band over every window of the screenshot.
    m_alerts = std::make_unique<alerts::AlertStation>(
        alerts::AlertStationParts{s.folder, s.log, s.notifier, s.settings, s.clock, s.timers,
                                  s.control, s.window},
        m_onAirModel,
        alerts::AlertStation::Outputs{m_ticker->strip(), m_ticker->engine(), m_devices->tones(),
                                      m_devices->broadcastMute()});
    m_fleetOps = std::make_unique<FleetOpsModule>(s, m_onAirModel, *m_ticker, *m_accessories,
                                                  m_players->station(), m_alerts->band());
    m_fleet->report(m_fleetOps->alarms(), m_fleetOps->metrics());
    m_alerts->reportStaleFeeds([this](const QStringList& urls) {
        if (m_fleetOps)
            m_fleetOps->alarms().setStaleAlertFeeds(urls);
    });
    registerCommands();
    // The last failure nobody asked for, under the main window's pages and under the panel.
    m_shell->footer().addLine(new StatusLine(m_failures, m_form1));
    // Below it, what the desktop lacks; and the service manager hears how we are.
    m_service = std::make_unique<ServiceModule>(s, m_onAirModel, m_shell->footer());
    if (auto* box = qobject_cast<QBoxLayout*>(m_panel->panel().layout()))
        box->addWidget(new StatusLine(m_failures, &m_panel->panel()));
    connectGuarded(&m_failures, &FailureFeed::added, this,
                   Origin::unattended(QStringLiteral("application")),
                   [this](const FailureFeed::Entry& entry) {
                       m_panel->notifyTray(FailureFeed::lineText(entry));
                   });

    // A stop signal takes the way out of "exit"; one that came during the start-up waits in the
    // pipe until now.
    m_stopSignals = std::make_unique<StopSignals>();
    connectGuarded(m_stopSignals.get(), &StopSignals::received, this,
                   Origin::unattended(QStringLiteral("service")),
                   [this](int signal) { stopBySignal(signal); });
    connectGuarded(m_form1, &SettingsWindow::closeRequested, this,
                   Origin::byOperator(QStringLiteral("application")),
                   [this] { m_services->guard([this] { FormClose(); }); });
    // Records still in the list are written when the program ends, however it ends.
    connectGuarded(qApp, &QCoreApplication::aboutToQuit, this,
                   Origin::unattended(QStringLiteral("application")), [this] {
                       m_service->stopping();
                       m_ticker->writePendingLog();
                       m_onAir->finish();
                   });
    // The browser engine starts while the strip is not yet on air when the plan will need it:
    // its start would otherwise stop the strip at the first web page or movie.
    connectGuarded(&m_dispatcher->engine(), &DispatcherEngine::planStarted, this,
                   Origin::unattended(QStringLiteral("application")), [this] {
                       m_players->warmUpBrowsers(browserneed::forPlanStart(
                           m_ticker->engine().TickerRunning(), m_dispatcher->engine().Memon1()));
                   });
    Initial();
    // Settings and plan are read: a run that may show a web page or a movie starts the browser
    // engine now, before the strip is on air.
    m_players->warmUpBrowsers(browserneed::forStartUp(m_settings, m_dispatcher->engine().Memon1()));
    removeLeftoverTemporaries({m_folder, m_settings.text(key::SCEdit103)}, m_clock.now(), &m_log);
    m_form1->show();
    // After an unclean end what was on air comes back, in place of the "r" start.
    if (m_onAir->resuming())
        m_onAir->resume();
    else if (m_commandLine.autostart)
        m_ticker->autostartR();
    m_service->started();
    m_onAir->begin();
    return true;
}

void Application::registerCommands()
{
    // What failed today with nobody asking, and the boxes open on the screen.
    m_control->addStatus(QStringLiteral("failures"),
                         [this] { return QJsonValue(m_failures.status(m_notifier.openTexts())); });
    m_operations.add(QStringLiteral("save"), [this](const QString&) {
        Exiting();
        return QString();
    });
    m_operations.add(QStringLiteral("exit"), [this](const QString&) {
        exitProgram();
        return QString();
    });
    m_testHooks = std::make_unique<TestHooks>(*m_control, m_operations, m_timers);
}

void Application::vibor(int code)
{
    m_accessories->vibor(code);
}

void Application::requestClockRedraw()
{
    m_accessories->requestClockRedraw();
}

void Application::dispstart()
{
    m_dispatcher->dispstart();
}

void Application::Initial()
{
    // The guarded section: a failure anywhere shows the loading message and skips the rest.
    try {
        m_shell->loadSettingsFiles();
        m_panel->readTranslation();
        m_panel->applyPosition();
        for (const char* field : {key::SCEditn1, key::SCEditn2, key::SCEditn4, key::SCEditn9,
                                  key::SCEditn5, key::SCEditn8})
            m_settings.setText(QString::fromLatin1(field), QString());
        m_accessories->applyStoredSettings();
    } catch (...) {
        m_log.write(QStringLiteral("error"), currentExceptionText());
        m_notifier.message(QString::fromUtf8(configfile::kLoadFailedMessage));
    }
    // A first start places the windows apart and clear of the strip, also when velumo.cfg
    // could not be read.
    if (m_shell->firstStart())
        m_services->guard([this] {
            m_shell->placeOnFirstStart(m_panel->panel(), *m_accessories->clockWindow(),
                                       *m_accessories->iconWindow());
        });
    // LPT1 once the settings are read (before that the box is always at its design value).
    m_devices->applyStoredPermission();
    // Timer7 writes the playback log; the log list shows while SCCheckbox21 is checked.
    m_ticker->applyStoredLog();
    m_settings.setText(key::SCEdit68, m_settings.text(key::SCEdit5));
    m_ticker->block().updateCounters();
    m_onAir->prepareResume();
    m_dispatcher->applyStoredState();
    // Automatic FTP runs and feed reading with their stored periods.
    m_network->armTimers();
    m_players->armTimers();
    m_shell->applyClosedAccess();
}

void Application::Exiting()
{
    m_ticker->textPage().flushEdits();
    m_shell->storePosition();
    m_panel->storePosition();
    m_shell->saveSettingsFiles();
}

void Application::FormClose()
{
    shutDown({m_players->station().clipWindow(), m_players->station().captureWindow(),
              &m_panel->panel()});
}

void Application::exitProgram()
{
    shutDown({m_accessories->iconWindow(), m_accessories->clockWindow(), &m_ticker->strip(),
              &m_panel->panel(), m_players->station().clipWindow(),
              m_players->station().captureWindow(), m_players->station().flashWindow(),
              m_players->station().titlesWindow()});
}

void Application::postExit()
{
    if (m_exitPosted)
        return;
    m_exitPosted = true;
    m_log.post(ProgramEvent{ProgramEvent::What::Exit, m_stopSignal});
}

void Application::stopBySignal(int signal)
{
    if (m_closing)
        return;
    m_stopSignal = StopSignals::name(signal);
    m_log.write(QStringLiteral("program"),
                QStringLiteral("%1: the program ends as by exit; what is on air is kept for the "
                               "next start")
                    .arg(m_stopSignal));
    m_onAir->keepForNextStart(m_stopSignal);
    exitProgram();
}

void Application::shutDown(std::initializer_list<QWidget*> windowsToClose)
{
    if (m_closing)
        return;
    m_closing = true;
    // The service manager waits for the end from now on (its stop timeout) and pings no more.
    m_service->stopping();
    Exiting();
    m_ticker->engine().setTickerRunning(false);
    m_ticker->writePendingLog();
    m_onAir->finish();
    postExit();
    m_panel->writeFiles();
    for (QWidget* window : windowsToClose)
        if (window)
            window->close();
    m_form1->hide();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit,
                              Qt::QueuedConnection);  // plain: Qt slot
}

}  // namespace velumo
