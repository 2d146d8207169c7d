#pragma once

#include <QObject>
#include <QString>
#include <initializer_list>
#include <memory>

#include "app/services.h"
#include "base/clock.h"
#include "base/commandline.h"
#include "base/eventlog.h"
#include "base/failurefeed.h"
#include "base/guard.h"
#include "base/operations.h"
#include "base/settings.h"
#include "base/timer.h"
#include "dispatcher/handlerserializer.h"
#include "onair/onairmodel.h"
#include "ticker/tickercompanions.h"
#include "ui/guinotifier.h"

class QWidget;

namespace velumo {

namespace alerts {
class AlertStation;
}  // namespace alerts

class Accessories;
class AsrunModule;
class ClockTicker;
class ControlServer;
class DevicesModule;
class DispatcherStation;
class FleetModule;
class NetworkModule;
class FleetOpsModule;
class OnAirModule;
class PanelModule;
class PlayersModule;
class PowerControl;
class ServiceModule;
class SettingsWindow;
class ShellModule;
class StopSignals;
class TestHooks;
class TickerControl;
class TickerStation;

// The program: the shared services and one wiring module per subsystem, the start-up
// sequence (Initial), the save (Exiting) and the two ways out.
class Application final : public QObject, private TickerCompanions {
    Q_OBJECT
public:
    Application(QString programFolder, const CommandLine& commandLine, PowerControl& power);
    ~Application() override;

    // Windows, Initial and the "r" autostart; false when another copy runs on the folder.
    bool start();
    void Initial();
    // Saves velumo.cfg and velumo_lang.cfg (the save buttons, the exits).
    void Exiting();
    // The main window is closed: save, close the players and the panel, end.
    void FormClose();
    // Exit buttons SCButton6 and SCButton77: save, stop the ticker, close the windows, end.
    void exitProgram();

    Settings& settings() { return m_settings; }
    TickerControl& tickerControl();
    ControlServer& control() { return *m_control; }
    ClockTicker& clockTicker();

private:
    void vibor(int code) override;
    void requestClockRedraw() override;
    void dispstart() override;
    void registerCommands();
    // Both ways out: save, stop the ticker, write the pending playback log, close the windows
    // named, end the program.
    void shutDown(std::initializer_list<QWidget*> windowsToClose);
    // The "program" event "exit", once, however the program ends.
    void postExit();
    // SIGTERM, SIGINT, SIGHUP: the way out of "exit", but what is on air is kept for the next
    // start (a service's restart brings it back, as after an unclean end).
    void stopBySignal(int signal);

    QString m_folder;
    CommandLine m_commandLine;
    PowerControl& m_power;
    EventLog m_log;
    // What is on air, from the first event on: the journal, the fleet, the metrics, the service
    // and velumo.state read it.
    OnAirModel m_onAirModel{m_log};
    GuiNotifier m_notifier;
    // The program's one report sink: every guarded entry point reports here while we live.
    GuardSink m_guardSink{m_notifier};
    Settings m_settings;
    SystemClock m_clock;
    // What failed with nobody asking: the status lines and the tray show it.
    FailureFeed m_failures{m_clock};
    QtTimerFactory m_timers;
    Operations m_operations;
    // Outlives the modules whose handlers and commands it runs.
    HandlerSerializer m_serializer{m_notifier, &m_log};
    std::unique_ptr<ControlServer> m_control;
    SettingsWindow* m_form1 = nullptr;
    std::unique_ptr<Services> m_services;

    // First made and last gone: it hears every other module's events.
    std::unique_ptr<AsrunModule> m_asrun;
    // Next: it sends the events of every module after it to the fleet's broker.
    std::unique_ptr<FleetModule> m_fleet;
    std::unique_ptr<ShellModule> m_shell;
    std::unique_ptr<DevicesModule> m_devices;
    std::unique_ptr<TickerStation> m_ticker;
    std::unique_ptr<PanelModule> m_panel;
    std::unique_ptr<Accessories> m_accessories;
    std::unique_ptr<NetworkModule> m_network;
    std::unique_ptr<PlayersModule> m_players;
    std::unique_ptr<DispatcherStation> m_dispatcher;
    std::unique_ptr<alerts::AlertStation> m_alerts;
    std::unique_ptr<ServiceModule> m_service;
    std::unique_ptr<OnAirModule> m_onAir;
    std::unique_ptr<FleetOpsModule> m_fleetOps;

    std::unique_ptr<StopSignals> m_stopSignals;
    std::unique_ptr<TestHooks> m_testHooks;
    // The signal that ended the run, empty for the other ways out.
    QString m_stopSignal;
    bool m_closing = false;
    bool m_exitPosted = false;
};

}  // namespace velumo
