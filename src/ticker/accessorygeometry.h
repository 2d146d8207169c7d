#pragma once

#include <QPoint>
#include <QRect>

namespace velumo {

class Settings;

// Where the accessory windows stand. The clock and icon windows are placed relative to the
// strip's left edge (SCEdit45); every conversion throws Failure for a field that is not a
// number, leaving the caller's window where it was.

// Clock window left: SCEdit17 + strip left.
int clockLeft(const Settings& settings);
// Icon window: left SCEdit28 + strip left, top SCEdit27, width SCEdit30, height SCEdit29.
QRect iconGeometry(const Settings& settings);

// The clock window's frame was switched off at this position: SCEdit16 = top,
// SCEdit17 = left - strip left (negative when the clock stands left of the strip).
void storeClockPlacement(Settings& settings, const QPoint& topLeft);
// The same for the icon window: SCEdit27 top, SCEdit28 offset, SCEdit30 width, SCEdit29 height.
void storeIconGeometry(Settings& settings, const QRect& geometry);
// The strip itself: SCEdit43 top, SCEdit45 left (absolute), SCEdit77 width.
void storeStripGeometry(Settings& settings, const QRect& geometry);

}  // namespace velumo
