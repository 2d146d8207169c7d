#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "app/services.h"

class QWidget;

namespace velumo {

class PlaybackLog;
class StripWindow;
class TickerBlock;
class TickerCompanions;
class TickerEngine;
class TickerSettingsUi;
class TickerTextPage;
class TickerWindows;
class TickerWindowsStyler;

// The ticker: its block, the scroll engine, the strip window, the playback log, the text page
// and the ticker's settings, and their control commands.
class TickerModule {
public:
    TickerModule(const Services& services, TickerCompanions& companions);
    ~TickerModule();

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
    const Services& m_services;
    std::unique_ptr<TickerBlock> m_block;
    std::unique_ptr<PlaybackLog> m_playbackLog;
    std::unique_ptr<TickerEngine> m_engine;
    std::unique_ptr<TickerWindows> m_windows;
    StripWindow* m_strip = nullptr;
    TickerSettingsUi* m_ui = nullptr;
    TickerTextPage* m_textPage = nullptr;
};

}  // namespace velumo
