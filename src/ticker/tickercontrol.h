#pragma once

#include <QString>

namespace velumo {

// What the dispatcher and the control panel ask of the ticker engine.
class TickerControl {
public:
    virtual ~TickerControl() = default;

    virtual bool TickerRunning() const = 0;
    virtual void setTickerRunning(bool running) = 0;
    virtual void setResumeLine(int line) = 0;
    // Lays out the strip, clock and icon windows from the settings.
    virtual void ApplyTickerWindow() = 0;
    // Sets TickerRunning and keeps passes running until it is cleared.
    virtual void StartRunStringThread() = 0;
    // Parks the strip, icon and clock windows above the screen and clears TickerRunning.
    virtual void StopTicker() = 0;
    // "Ticker to the front": when running, shows the clock (if visible) and then the strip.
    virtual void bringToFront() = 0;
    // The work indicator of the main window (Label98): "Работаем!", " "...
    virtual void setWorkLabel(const QString& text) = 0;
};

}  // namespace velumo
