#pragma once

#include "ticker/tickerwindows.h"

namespace velumo {

class ClockTicker;
class ClockWindow;
class ControlServer;
class IconSlots;
class IconWindow;
class Settings;
class StripWindow;

// The clock and the icon window beside the strip: they take its colour and its transparency,
// the clock window its label's size.
class AccessoryWindows final : public TickerWindowsStyler {
public:
    AccessoryWindows(ClockWindow& clock, IconWindow& icon, ClockTicker& ticker);

    void followStrip(const TickerLayout& layout) override;
    // Once the settings are read: the strip's width, the windows beside its left edge.
    void place(const Settings& settings, StripWindow& strip);
    // The command "vibor" and the status member "clock".
    void addCommands(ControlServer& control, IconSlots& icons);

private:
    ClockWindow& m_clock;
    IconWindow& m_icon;
    ClockTicker& m_ticker;
};

}  // namespace velumo
