#pragma once

#include <QString>

class QObject;

namespace velumo {

// What the browsers need before the application object exists: a shared graphics context, and
// without the Chromium sandbox when running as root (it refuses to start otherwise).
void prepareWebEngine();

// How the browsers' views compose their pages, decided once, before the engine starts: without
// a graphics processor (OpenGL only by a software rasteriser such as llvmpipe, or none at all)
// in software, else on OpenGL. On a rasteriser each new page renderer's first frames held the
// user-interface thread 40-80 ms (a renderer recycle stood the strip still); in software they
// take a few. A QT_QUICK_BACKEND set by the user is left alone. Returns the choice in words,
// for the event log.
const QString& chooseWebCompositing();

// Starts the browser engine now, if it has not started yet. Its start holds the user-interface
// thread for about a third of a second once per run; done while the strip is not on air, the
// first web page or Flash movie of the run does not stop the strip. The engine's own profile
// stays with owner (nothing is written to disk).
void warmUpWebEngine(QObject* owner);

}  // namespace velumo
