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

}  // namespace velumo
