#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <functional>
#include <memory>

#include "base/clock.h"
#include "base/eventlog.h"
#include "base/settings.h"
#include "base/timer.h"
#include "players/web/flashplayer.h"
#include "players/web/flashwindow.h"
#include "players/web/webplayer.h"
#include "players/web/webwindow.h"

namespace velumo::test {

// A loopback HTTP server of pages the tests make: path -> answer. A path without an answer
// is never answered (a page that hangs); the count of requests per path is kept.
class PageServer final : public QTcpServer {
public:
    struct Page {
        int status = 200;
        QByteArray body;
    };
    PageServer();
    // Each request takes the next page of the list, the last one repeating.
    QHash<QByteArray, QList<Page>> pages;
    QHash<QByteArray, int> requests;
    QString address(const char* path) const;
};

// The web and Flash windows with their players, shared by the tests of one run.
struct WebRig {
    static WebRig& get();
    static void destroy();

    WebRig();
    ~WebRig();

    QTemporaryDir dir;
    Settings settings;
    EventLog log;
    SystemClock clock;
    QtTimerFactory timers;
    PageServer server;
    std::unique_ptr<WebWindow> webWindow;
    std::unique_ptr<WebPlayer> web;
    std::unique_ptr<FlashWindow> flashWindow;
    std::unique_ptr<FlashPlayer> flash;

    QString logPath() const { return dir.filePath(QStringLiteral("velumo.log")); }
    // The "player" events written since the mark.
    QStringList eventsSince(int mark) const;
    int mark() const;
};

// The colour of a window's pixel as it is on the screen.
QColor pixelOf(QWidget& window, int x, int y);
bool near(const QColor& a, const QColor& b, int tolerance = 40);
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 20'000);

// An uncompressed Flash movie of one frame: the stage width x height pixels of one colour.
QByteArray flashMovie(int widthPx, int heightPx, QColor background);

}  // namespace velumo::test
