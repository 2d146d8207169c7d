#pragma once

namespace velumo {

// What the browsers need before the application object exists: a shared graphics context, and
// without the Chromium sandbox when running as root (it refuses to start otherwise).
void prepareWebEngine();

}  // namespace velumo
