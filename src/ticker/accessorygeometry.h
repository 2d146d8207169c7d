#pragma once

#include <QPoint>
#include <QRect>

namespace velumo {

class Settings;

// Where the strip and its accessory windows stand: the one reading of their fields. The clock
// and icon windows are placed relative to the strip's left edge (SCEdit45, or the strip window's
// own left where it is given): SCEdit17 and SCEdit28 are offsets from it, never absolute
// positions. Every conversion of an accessory's field throws Failure for a field that is not a
// number, leaving the caller's window where it was.

// The strip where its settings put it on air: left SCEdit45, top SCEdit43, width SCEdit77 (at
// least one pixel), as tall as a line of the ticker font (tickerFont) with the picture's margin.
// The engine lays the strip out by it, and a first start and the panel keep clear of it. A
// position or width emptied by hand reads as its design value: it must not stop the strip. The
// font's fields throw Failure as tickerFont does.
QRect stripRect(const Settings& settings);

// Clock window left: SCEdit17 + strip left.
int clockLeft(const Settings& settings);
int clockLeft(const Settings& settings, int stripLeft);
// Clock window: left SCEdit17 + strip left, top SCEdit16.
QPoint clockPosition(const Settings& settings, int stripLeft);
// Icon window: left SCEdit28 + strip left, top SCEdit27, width SCEdit30, height SCEdit29.
QRect iconGeometry(const Settings& settings);
QRect iconGeometry(const Settings& settings, int stripLeft);
// The icon window's place alone: left SCEdit28 + strip left, top SCEdit27.
QPoint iconPosition(const Settings& settings, int stripLeft);

// The strip where its settings put it on air (stripRect's place and width, the given height),
// taken together with the clock window when the clock stands within two
// strip heights above or below it: the area a window that keeps clear of the strip avoids.
QRect stripWithClock(const Settings& settings, int stripHeight);

// The clock window's frame was switched off at this position: SCEdit16 = top,
// SCEdit17 = left - strip left (negative when the clock stands left of the strip).
void storeClockPlacement(Settings& settings, const QPoint& topLeft);
// The same for the icon window: SCEdit27 top, SCEdit28 offset, SCEdit30 width, SCEdit29 height.
void storeIconGeometry(Settings& settings, const QRect& geometry);
// The strip itself: SCEdit43 top, SCEdit45 left (absolute), SCEdit77 width.
void storeStripGeometry(Settings& settings, const QRect& geometry);

}  // namespace velumo
