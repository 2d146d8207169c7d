#pragma once

#include "app/services.h"

namespace velumo {

// The application shell around the main settings window: its footer (administrator entry,
// save, autostart, help, exit), the closed access to the page sets, the settings and
// translation files, and the commands show, close, save, get.
class ShellModule {
public:
    explicit ShellModule(const Services& services);

    // The smallest main window a first start makes to keep the panel beside it, and the
    // smallest band beside the strip it moves into.
    static constexpr int kMinimumWidth = 660;
    static constexpr int kMinimumHeight = 420;

    // Start-up: velumo.cfg into the settings (throws when it cannot be read), the translation
    // file when it is switched on, the window's saved position (a first start: beside the
    // panel, clear of the strip), the colour fields and the sample font.
    void loadSettingsFiles();
    void applyClosedAccess();
    // Both files in one pass over the components; a failed save leaves the previous files
    // whole and shows the message.
    void saveSettingsFiles();
    // Exiting: the window's position and today's date into their fields.
    void storePosition();

private:
    void buildFooter();
    void registerCommands();
    void readTranslation();
    // No stored position: the window fits the screen and keeps clear of the strip.
    void placeOnFirstStart();
    void adminEntry();
    void fix_startExecute();
    void run_helpExecute();

    const Services& m_services;
};

}  // namespace velumo
