#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace velumo {

// The area two rectangles share, 0 when they do not meet: what a placement tries to keep small.
qint64 overlap(const QRect& a, const QRect& b);

// Where the control panel goes when it has no stored position: on the screen, clear of the
// strip on air first of all, then of the main window (where it stands, or where a first start
// puts it: firstStartPanelPlace), as far as the screen allows. Corners and edge middles are
// tried, the bottom right first.
QPoint firstPanelPosition(const QRect& screen, const QSize& panel, const QRect& strip,
                          const QList<QRect>& others);

// Where a first start puts the main window: its preferred size cut to the screen, in the larger
// free band above or below the strip when that band is tall enough for it (at least
// minimumHeight), at the band's left; otherwise at the screen's top left. The window leaves
// room for the panel beside it when it can stay at least minimumWidth wide.
QRect firstMainWindowGeometry(const QRect& screen, const QSize& preferred, const QRect& strip,
                              const QSize& panel, QSize minimum);

}  // namespace velumo
