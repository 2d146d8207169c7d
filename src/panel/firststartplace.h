#pragma once

#include <QSize>

class QWidget;

namespace velumo {

class Settings;

// A first start, whether or not velumo.cfg could be read: the main window, the clock and the
// icon window on the primary screen, clear of the strip, of each other and of the panel's place
// in the same layout (the panel stands where PanelStore put it: a stored place, or this
// layout's firstStartPanelPlace); the main window no larger than the screen (its pages scroll).
// Throws Failure as planFirstStart.
void placeOnFirstStart(Settings& settings, QWidget& main, const QWidget& panel, QWidget& clock,
                       QWidget& icon, QSize mainMinimum, int clockWidth);

}  // namespace velumo
