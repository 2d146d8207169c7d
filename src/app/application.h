#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "app/clock.h"
#include "app/commandline.h"
#include "app/controlchannel.h"
#include "app/eventlog.h"
#include "app/guinotifier.h"
#include "app/settings.h"
#include "app/timer.h"

namespace velumo {

class CaptureWindow;
class ContentPlayers;
class DispatcherEngine;
class DispatcherPage;
class Planner;
class PlannerPage;
class LptPins;
class MasterMute;
class ParallelPort;
class TickerControl;
class TonePlayer;
class ClipWindow;
class ClockWindow;
class ControlPanel;
class FlashWindow;
class IconWindow;
class PlanDiagramWindow;
class PowerControl;
class SettingsWindow;
class StripWindow;
class TickerBlock;
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

    // Windows, Initial and the "r" autostart; false when the control channel cannot be taken.
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
    Notifier& notifier() { return m_notifier; }
    ControlServer& control() { return *m_control; }

    // Dispatcher: the ticker's start operations call dispstart when "Диспетчер включен" is set.
    void dispstart();
    DispatcherEngine& dispatcher() { return *m_dispatcher; }

private:
    void createWindows();
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
    void readTranslation();
    // Runs an entry point of the event loop through the guard.
    void guard(const std::function<void()>& body);

    QString m_folder;
    CommandLine m_commandLine;
    PowerControl& m_power;
    EventLog m_log;
    GuiNotifier m_notifier;
    Settings m_settings;
    SystemClock m_clock;
    QtTimerFactory m_timers;
    std::unique_ptr<ControlServer> m_control;
    std::unique_ptr<TickerBlock> m_block;

    // Device outputs (one instance each for the whole program).
    std::unique_ptr<ParallelPort> m_port;
    std::unique_ptr<LptPins> m_pins;
    std::unique_ptr<TonePlayer> m_tones;
    std::unique_ptr<MasterMute> m_mute;
    // Stands in for the ticker engine until it is wired in.
    std::unique_ptr<TickerControl> m_tickerStub;

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
    ControlPanel* m_panel = nullptr;
    IconWindow* m_icon = nullptr;
    ClockWindow* m_clockWindow = nullptr;
    WebWindow* m_web = nullptr;
    TitlesWindow* m_titles = nullptr;
    ClipWindow* m_clip = nullptr;
    CaptureWindow* m_capture = nullptr;
    PlanDiagramWindow* m_diagram = nullptr;
    FlashWindow* m_flash = nullptr;
    TickerTextPage* m_textPage = nullptr;

    bool m_dispatcherStartedAtStartup = false;
    bool m_closing = false;
};

}  // namespace velumo
