#pragma once

#include <QString>
#include <QWidget>

#include "players/web/flashsurface.h"

namespace velumo {

class BrowserPanel;

// The Flash movie window (TFormFlash): frameless, below the strip and the clock, black behind
// the movie, which Ruffle plays letter-boxed ("ShowAll") at high quality in Flash1, a browser
// created on the first movie. Ruffle comes from the folder rufflePath() names and is loaded
// from local files; its own interface (splash screen, play button, unmute overlay, context
// menu, error panel) is never shown.
class FlashWindow final : public QWidget {
    Q_OBJECT
public:
    explicit FlashWindow(QWidget* parent = nullptr);
    FlashWindow(const QString& ruffleFolder, QWidget* parent);
    ~FlashWindow() override;

    FlashSurface& surface();
    BrowserPanel& browser() const { return *m_browser; }
    // Loads Ruffle's page and has Ruffle compile itself with a movie of one pixel, out of
    // sight: done before the strip is on air, the first movie of the run costs the strip no
    // more than a later one.
    void prepareRuffle();

    // The folder with ruffle.js: "ruffle" beside the program, else an installed program's
    // share/velumo/ruffle, else the one the build fetched.
    static QString defaultRuffleFolder();

private:
    class Surface;
    void ensureHost();
    void onPageMessage(const QString& text);
    void sendLoad();

    QString m_ruffleFolder;
    BrowserPanel* m_browser = nullptr;
    Surface* m_surface = nullptr;
    bool m_hostRequested = false;
    bool m_hostReady = false;
    bool m_primePending = false;
    QString m_pendingMovie;
    bool m_loadPending = false;
    int m_movieNumber = 0;
};

}  // namespace velumo
