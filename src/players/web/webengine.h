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

// The browser engine's own processes (its zygotes, and the page renderers they fork, which
// inherit their priority) yield the processor to the user-interface thread: every task of
// theirs runs at nice kBrowserNice, or lower where it already was. On two cores a renderer that
// compiles a movie player or builds its first page took the processor from the strip for tens
// of milliseconds at a time; it now waits for the strip's frames instead. Call it after the
// engine has started (it looks for the zygotes among the program's child processes) and with
// each new renderer (pid; 0 for none). Run as root, the engine raises a shown page's renderer
// to nice 0 again (a user may not lower a nice value); a station runs as a user.
inline constexpr int kBrowserNice = 10;
void yieldBrowserProcesses(qint64 rendererPid = 0);

// Starts the browser engine now, if it has not started yet. Its start holds the user-interface
// thread for about a third of a second once per run; done while the strip is not on air, the
// first web page or Flash movie of the run does not stop the strip. The engine's own profile
// stays with owner (nothing is written to disk).
void warmUpWebEngine(QObject* owner);

}  // namespace velumo
