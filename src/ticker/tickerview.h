#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <memory>

namespace velumo {

class AnnouncementPicture;

// Where the strip and its accessory windows go, computed from the settings.
struct TickerLayout {
    QRect strip;              // left SCEdit45, top SCEdit43, width SCEdit77, height of the text
    QColor stripColour;       // SCEdit13
    bool transparent = true;  // SCCheckBox9: the strip colour is see-through
    QPoint clock;             // left SCEdit17 + strip left, top SCEdit16
    QRect icon;  // left SCEdit28 + strip left, top SCEdit27, width SCEdit30, height SCEdit29
    bool clockVisible = true;  // SCCheckbox7
};

// What the engine asks of the windows: the strip, the clock and icon windows, the control panel,
// the main window and its work indicator. The windows only place themselves and paint.
class TickerView {
public:
    virtual ~TickerView() = default;

    // Hides the main window, shows the control panel.
    virtual void showPanel(bool hideMainWindow) = 0;
    // Lays out and shows the strip, the clock (when visible) and the icon window.
    virtual void applyLayout(const TickerLayout& layout) = 0;
    virtual void showIcon(int top) = 0;
    virtual void showClock(int top) = 0;
    virtual void showStrip(int top) = 0;
    // Makes the clock visible again if it is hidden (each pass, while its box is checked).
    virtual void keepClockVisible() = 0;
    // Moves the strip, icon and clock windows above the screen: top = -(own height) - 200.
    virtual void park() = 0;
    // "To the front": the clock (when clock is set) and then the strip.
    virtual void raiseWindows(bool clock) = 0;
    virtual void setStripHeight(int heightPx) = 0;
    virtual void setPicture(std::shared_ptr<AnnouncementPicture> picture) = 0;
    // The picture's left edge in strip coordinates (its top stays 2).
    virtual void setPictureLeft(int left) = 0;
    // The picture was wiped or changed in place.
    virtual void pictureChanged() = 0;
    virtual void setWorkLabel(const QString& text) = 0;
};

}  // namespace velumo
