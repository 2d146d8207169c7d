#pragma once

#include <QStringList>

namespace velumo {

// The titles of the desktop's top-level windows for ComboBox4: on X11 the window manager's
// client list, else the root window's shown children; up to 128 characters each, empty ones
// left out, and none of this program's hidden windows. Empty where the platform gives none.
QStringList topLevelWindowTitles();

}  // namespace velumo
