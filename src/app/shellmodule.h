#pragma once

#include <memory>

#include "app/services.h"

class QWidget;

namespace velumo {

class MainFooter;
class ShellControl;
class SettingsWindowShell;

// The application shell around the main settings window: its footer (administrator entry,
// save, autostart, help, exit), the closed access to the page sets, the settings and
// translation files, and the commands show, close, get.
class ShellModule {
public:
    explicit ShellModule(const Services& services);
    ~ShellModule();

    // The smallest main window a first start makes to keep the panel beside it, and the
    // smallest band beside the strip it moves into.
    static constexpr int kMinimumWidth = 660;
    static constexpr int kMinimumHeight = 420;
    // The clock window before its first tick has sized it.
    static constexpr int kClockWidth = 160;

    // Start-up: velumo.cfg into the settings (throws when it cannot be read), the translation
    // file when it is switched on, the window's saved position, the colour fields and the
    // sample font.
    void loadSettingsFiles();
    // No stored position of the main window (no velumo.cfg, or one never saved with the
    // window): a first start.
    bool firstStart() const;
    // A first start, whether or not velumo.cfg could be read: the main window, the clock and
    // the icon window on the screen, clear of the strip, of each other and of the panel's place
    // in the same layout (the panel module puts the panel there); the main window no larger
    // than the screen (its pages scroll).
    void placeOnFirstStart(QWidget& panel, QWidget& clock, QWidget& icon);
    void applyClosedAccess();
    // Both files in one pass over the components; a failed save leaves the previous files
    // whole and shows the message.
    void saveSettingsFiles();
    // Exiting: the window's position and today's date into their fields.
    void storePosition();

    // The footer of the main window, where other modules put their lines.
    MainFooter& footer() { return *m_footer; }

private:
    const Services& m_services;
    std::unique_ptr<SettingsWindowShell> m_window;
    std::unique_ptr<ShellControl> m_control;
    MainFooter* m_footer = nullptr;  // the main window's child
};

}  // namespace velumo
