#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace velumo {

// Where a first start (no stored position) puts the control panel: on the screen, clear of the
// strip on air first of all, then of the main window, as far as the screen allows. Corners and
// edge middles are tried, the bottom right first.
QPoint firstPanelPosition(const QRect& screen, const QSize& panel, const QRect& strip,
                          const QList<QRect>& others);

// Where a first start puts the main window: its preferred size cut to the screen, in the larger
// free band above or below the strip when that band is tall enough for it (at least
// minimumHeight), at the band's left; otherwise at the screen's top left. The window leaves
// room for the panel beside it when it can stay at least minimumWidth wide.
QRect firstMainWindowGeometry(const QRect& screen, const QSize& preferred, const QRect& strip,
                              const QSize& panel, QSize minimum);

}  // namespace velumo
