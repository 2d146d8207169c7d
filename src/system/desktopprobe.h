#pragma once

#include "system/desktopfacts.h"

namespace velumo {

// Asks the toolkit and the X server what the desktop offers now: the notification area
// (QSystemTrayIcon), a compositor (an owner of the _NET_WM_CM_S<screen> selection) and the
// session kind (the environment).
DesktopFacts probeDesktop();

// True when the X server the program is on has a compositing manager.
bool compositorRuns();

}  // namespace velumo
