#pragma once

#include <QString>
#include <memory>

#include "ticker/tickerwindows.h"

namespace velumo {

class AccessoryControl;
class AccessoryWindows;
class Clock;
class ControlServer;
class EventLog;
class Notifier;
class PowerControl;
class Settings;
class SettingsWindow;
class TimerFactory;
class ClockTicker;
class ClockWindow;
class FontStylePage;
class IconSlots;
class IconWindow;
class PictureReader;
class StripWindow;
class ThematicIcons;
class TickerControl;
class TickerTextPage;

// What the accessories are built with; everything here outlives them.
struct AccessoriesParts {
    QString folder;  // the program's folder, where the thematic icons page looks first
    EventLog& log;
    Notifier& notifier;
    Settings& settings;
    const Clock& clock;
    TimerFactory& timers;
    PowerControl& power;  // the clock's timed shut-down
    ControlServer& control;
    SettingsWindow& window;  // the icon and font pages go into it
};

// The strip's accessories: the clock with its one-second tick, the clock visibility and
// keep-on-top control, the icon window with the thematic icons, and the lettering dialogs.
class Accessories final {
public:
    Accessories(const AccessoriesParts& parts, TickerControl& ticker, StripWindow& strip,
                TickerTextPage& textPage);
    ~Accessories();

    // The thematic icon of an announcement: 0-9 a slot, 10 none; never fails.
    void vibor(int index);
    // The clock is redrawn on the next second (ClockRedrawCounter = 59).
    void requestClockRedraw();
    // What the strip's look does to the clock and the icon window.
    TickerWindowsStyler& styler();

    // Start-up steps once the settings are read: the clock text, the windows beside the strip's
    // left edge, the keep-on-top timer, the stored fonts, the thematic pictures.
    void applyStoredSettings();

    ClockWindow* clockWindow() const { return m_clockWindow; }
    IconWindow* iconWindow() const { return m_icon; }
    IconSlots& iconSlots() { return *m_iconSlots; }
    ClockTicker& clockTicker() { return *m_clockTicker; }

private:
    AccessoriesParts m_parts;
    StripWindow& m_strip;
    IconWindow* m_icon = nullptr;
    ClockWindow* m_clockWindow = nullptr;
    std::unique_ptr<ClockTicker> m_clockTicker;
    std::unique_ptr<AccessoryControl> m_control;
    std::unique_ptr<AccessoryWindows> m_windows;
    std::unique_ptr<PictureReader> m_pictures;
    std::unique_ptr<IconSlots> m_iconSlots;
    ThematicIcons* m_icons = nullptr;
    FontStylePage* m_fontPage = nullptr;
};

}  // namespace velumo
