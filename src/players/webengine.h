#pragma once

class QObject;

namespace velumo {

// What the browsers need before the application object exists: a shared graphics context, and
// without the Chromium sandbox when running as root (it refuses to start otherwise).
void prepareWebEngine();

// Starts the browser engine now, if it has not started yet. Its start holds the user-interface
// thread for about a third of a second once per run; done while the strip is not on air, the
// first web page or Flash movie of the run does not stop the strip. The engine's own profile
// stays with owner (nothing is written to disk).
void warmUpWebEngine(QObject* owner);

}  // namespace velumo
