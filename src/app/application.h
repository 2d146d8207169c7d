#pragma once

#include <QObject>
#include <QString>
#include <initializer_list>
#include <memory>

#include "base/clock.h"
#include "base/commandline.h"
#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "base/operations.h"
#include "base/settings.h"
#include "base/timer.h"
#include "ui/guinotifier.h"

namespace velumo {

class BroadcastMute;
class AccessoryControl;
class CaptureWindow;
class ClockTicker;
class FontStylePage;
class DialUp;
class FtpExchange;
class NetworkPages;
class RssFeed;
class ContentPlayers;
class DispatcherEngine;
class DispatcherPage;
class Planner;
class PlannerPage;
class LptPins;
class ThematicIcons;
class MasterMute;
class ParallelPort;
class TickerControl;
class TonePlayer;
class ClipWindow;
class ClockWindow;
class ControlPanel;
class PanelModule;
class FlashWindow;
class IconWindow;
class PlanDiagramWindow;
class PortsPage;
class PowerControl;
class SettingsWindow;
class StripWindow;
class TickerBlock;
class PlaybackLog;
class TickerEngine;
class TickerSettingsUi;
class TickerWindows;
class TickerTextPage;
class TitlesWindow;
class WebWindow;

// The one place that creates the program's objects and wires them: windows in their order,
// the start-up sequence (Initial), the save (Exiting) and the two ways out.
class Application final : public QObject {
    Q_OBJECT
public:
    Application(QString programFolder, const CommandLine& commandLine, PowerControl& power);
    ~Application() override;

    // Windows, Initial and the "r" autostart; false when another copy runs on the folder.
    bool start();

    QString programFolder() const { return m_folder; }
    QString filePath(const QString& name) const;

    // Saves velumo.cfg and velumo_lang.cfg (the settings window's buttons, the exits).
    void Exiting();
    // The main window is closed: save, close the players and the panel, end.
    void FormClose();
    // Exit buttons SCButton6 and SCButton77: save, stop the ticker, close the windows, end.
    void exitProgram();

    void Initial();
    void loadBlockFile(const QString& path);  // the open action with the file chosen
    void saveBlockFile(const QString& path);  // the save action with the file chosen

    Settings& settings() { return m_settings; }
    TickerControl& tickerControl();
    TickerEngine& tickerEngine() { return *m_ticker; }
    PlaybackLog& playbackLog() { return *m_playbackLog; }
    Notifier& notifier() { return m_notifier; }
    ControlServer& control() { return *m_control; }
    // Device outputs shared with the dispatcher.
    LptPins& pins() { return *m_pins; }
    TonePlayer& tones() { return *m_tones; }
    BroadcastMute& broadcastMute() { return *m_broadcastMute; }

    // Clock, icon and lettering accessories of the strip.
    // The clock is redrawn on the next second (ClockRedrawCounter = 59).
    void requestClockRedraw();
    // The thematic icon of a block: 0-9 a slot, 10 none; never fails.
    void vibor(int index);
    ClockTicker& clockTicker() { return *m_clockTicker; }
    ClockWindow* clockWindow() const { return m_clockWindow; }
    IconWindow* iconWindow() const { return m_icon; }

    // Dispatcher: the ticker's start operations call dispstart when "Диспетчер включен" is set.
    void dispstart();
    DispatcherEngine& dispatcher() { return *m_dispatcher; }

private:
    void createWindows();
    void connectTickerToAccessories();
    void buildFooter();
    void registerCommands();
    void createDispatcher();
    void createDispatcherPages();
    void registerDispatcherCommands();
    void applyClosedAccess();
    void adminEntry();
    void fix_startExecute();
    void run_helpExecute();
    void autostartR();
    void createTicker();
    void registerTickerCommands();
    void writePendingLog();
    void readTranslation();
    void createAccessories();
    // Network exchange: FTP, dial-up, RSS (objects, pages, start-up timers, commands).
    void createNetwork();
    void createNetworkPages();
    void armNetworkTimers();
    void registerNetworkCommands();
    // Runs an entry point of the event loop through the guard.
    // Both ways out: save, stop the ticker, write the pending playback log, close the windows
    // named, end the program.
    void shutDown(std::initializer_list<QWidget*> windowsToClose);
    void guard(const std::function<void()>& body);

    QString m_folder;
    CommandLine m_commandLine;
    PowerControl& m_power;
    EventLog m_log;
    GuiNotifier m_notifier;
    Settings m_settings;
    SystemClock m_clock;
    QtTimerFactory m_timers;
    Operations m_operations;
    std::unique_ptr<ControlServer> m_control;
    std::unique_ptr<TickerBlock> m_block;

    // Device outputs (one instance each for the whole program).
    std::unique_ptr<ParallelPort> m_port;
    std::unique_ptr<LptPins> m_pins;
    std::unique_ptr<TonePlayer> m_tones;
    std::unique_ptr<MasterMute> m_mute;
    std::unique_ptr<BroadcastMute> m_broadcastMute;  // BroadcastMuted and the sound tests
    PortsPage* m_portsPage = nullptr;
    // The ticker engine, its windows and the playback log.
    std::unique_ptr<PlaybackLog> m_playbackLog;
    std::unique_ptr<TickerEngine> m_ticker;
    std::unique_ptr<TickerWindows> m_tickerWindows;
    TickerSettingsUi* m_tickerUi = nullptr;
    // Network exchange and the feed reader; they use the block, so they go before it.
    std::unique_ptr<DialUp> m_dialUp;
    std::unique_ptr<FtpExchange> m_ftp;
    std::unique_ptr<RssFeed> m_rss;
    NetworkPages* m_netPages = nullptr;

    // Dispatcher: the engine, its content players (a logging stand-in until the players are
    // wired in), the planner and their pages.
    std::unique_ptr<ContentPlayers> m_players;
    std::unique_ptr<DispatcherEngine> m_dispatcher;
    std::unique_ptr<Planner> m_planner;
    DispatcherPage* m_dispatcherPage = nullptr;
    PlannerPage* m_plannerPage = nullptr;

    // Windows in their order of creation; each lives until the program ends.
    SettingsWindow* m_form1 = nullptr;
    StripWindow* m_strip = nullptr;
    std::unique_ptr<PanelModule> m_panelModule;  // the control panel TForm7 and its tray icon
    IconWindow* m_icon = nullptr;
    ClockWindow* m_clockWindow = nullptr;
    WebWindow* m_web = nullptr;
    TitlesWindow* m_titles = nullptr;
    ClipWindow* m_clip = nullptr;
    CaptureWindow* m_capture = nullptr;
    PlanDiagramWindow* m_diagram = nullptr;
    FlashWindow* m_flash = nullptr;
    TickerTextPage* m_textPage = nullptr;

    // Clock, icon and lettering accessories.
    std::unique_ptr<ClockTicker> m_clockTicker;
    std::unique_ptr<AccessoryControl> m_accessories;
    ThematicIcons* m_icons = nullptr;
    FontStylePage* m_fontPage = nullptr;

    bool m_dispatcherStartedAtStartup = false;
    bool m_closing = false;
};

}  // namespace velumo
