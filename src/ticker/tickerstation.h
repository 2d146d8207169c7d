#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace velumo {

class Clock;
class ControlServer;
class EventLog;
class Notifier;
class PlaybackLog;
class Settings;
class SettingsWindow;
class StripWindow;
class TickerBlock;
class TickerCompanions;
class TickerEngine;
class TickerSettingsUi;
class TickerTextPage;
class TickerWindows;
class TickerWindowsStyler;
class TimerFactory;

// What the ticker is built with; everything here outlives it.
struct TickerStationParts {
    QString folder;  // the program's folder, where the text page opens block files
    EventLog& log;
    Notifier& notifier;
    Settings& settings;
    const Clock& clock;
    TimerFactory& timers;
    ControlServer& control;
    SettingsWindow& window;  // the text and settings pages go into it
};

// The ticker: its block, the scroll engine, the strip window, the playback log, the text page
// and the ticker's settings, and their control commands.
class TickerStation {
public:
    TickerStation(const TickerStationParts& parts, TickerCompanions& companions);
    ~TickerStation();

    // Puts the engine's layout on the strip and the windows beside it.
    void placeWindows(QWidget* clock, QWidget* icon, QWidget* panel, TickerWindowsStyler& styler);

    // The open and save actions with the file chosen.
    // The block is read off the user-interface thread; done(error) runs when it is in place.
    void loadBlockFile(const QString& path, std::function<void(const QString& error)> done);
    void saveBlockFile(const QString& path);
    // The "r" switch: the start-up block loaded, then the direct start.
    void autostartR();
    // Records still in the list are written, however the program ends.
    void writePendingLog();
    // Start-up step: the log timer and the log list's visibility.
    void applyStoredLog();

    TickerBlock& block() { return *m_block; }
    TickerEngine& engine() { return *m_engine; }
    TickerTextPage& textPage() { return *m_textPage; }
    StripWindow& strip() { return *m_strip; }

private:
    TickerStationParts m_parts;
    std::unique_ptr<TickerBlock> m_block;
    std::unique_ptr<PlaybackLog> m_playbackLog;
    std::unique_ptr<TickerEngine> m_engine;
    std::unique_ptr<TickerWindows> m_windows;
    StripWindow* m_strip = nullptr;
    TickerSettingsUi* m_ui = nullptr;
    TickerTextPage* m_textPage = nullptr;
};

}  // namespace velumo
