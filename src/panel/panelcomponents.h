#pragma once

#include <QList>

#include "base/translationfile.h"

namespace velumo::panelcomponents {

// The control panel's components in their order of creation, each with its design caption and
// hint. panel_lang.cfg holds one line per entry, last entry first; the order is part of the file
// format and must never follow the order in which the window happens to build its widgets.
QList<UiComponent> design();

// The hint of the panel's mirror of the clip group's stop time (the design gives none).
inline constexpr char kClipStopHint[] = "Время стопа текущего показа";

}  // namespace velumo::panelcomponents
