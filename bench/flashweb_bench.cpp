// Figures for Flash movies and web pages, printed as plain lines (run under Xvfb:
// xvfb-run -a -s "-screen 0 1280x720x24" build/bench/bench_flashweb):
//   1. from the w start to the page's first picture in the window (a local page served on
//      127.0.0.1): the first start, which creates the browser, and the median and worst of
//      later starts;
//   2. the same from the f start to a movie's first picture (a one-frame movie, Ruffle);
//   3. the largest gap between repaints of a strip-like widget moved by a 16 ms precise timer
//      during each series, the refreshes of the page included.
// With --warm the browser engine is started before the strip runs, as the program does when
// its dispatcher starts with a plan of web pages or movies.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/settingskeys.h"
#include "players/web/webengine.h"
#include "players/webrig.h"
#include "stripsampler.h"

using namespace velumo;
using velumo::bench::StripSampler;
using namespace velumo::test;

namespace {

struct Series {
    qint64 firstMs = -1;
    std::vector<qint64> laterMs;
    qint64 firstGapMs = 0;
    qint64 gapMs = 0;
};

void print(const char* what, const Series& s)
{
    std::vector<qint64> later = s.laterMs;
    std::sort(later.begin(), later.end());
    const qint64 median = later.empty() ? -1 : later[later.size() / 2];
    const qint64 worst = later.empty() ? -1 : later.back();
    std::printf(
        "%s: first start %lld ms (strip's largest repaint gap %lld ms); later "
        "median %lld ms, worst %lld ms (%zu; largest gap %lld ms)\n",
        what, (long long)s.firstMs, (long long)s.firstGapMs, (long long)median, (long long)worst,
        later.size(), (long long)s.gapMs);
}

// One start to its first picture, in ms (-1: none within the limit).
template <typename Surface, typename Start, typename Signal>
qint64 timeStart(Surface* surface, Signal signal, Start start)
{
    // An event loop of its own: a wait that sleeps between its turns (QTest's) holds up the
    // browser engine's tasks, which run on this thread, and a load then takes seconds.
    QEventLoop loop;
    bool seen = false;
    QObject::connect(surface, signal, &loop, [&] {
        seen = true;
        loop.quit();
    });
    QTimer::singleShot(30'000, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    start();
    if (!seen)
        loop.exec();
    return seen ? clock.elapsed() : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    prepareWebEngine();
    QApplication app(argc, argv);
    if (app.arguments().contains(QStringLiteral("--warm"))) {
        QElapsedTimer warm;
        warm.start();
        warmUpWebEngine(&app);
        std::printf("browser engine started ahead in %lld ms\n", (long long)warm.elapsed());
    }
    StripSampler strip;
    strip.show();
    WebRig& rig = WebRig::get();
    Settings& s = rig.settings;
    constexpr int kStarts = 7;
    // What the machine itself gives: the strip alone for a few seconds.
    QTest::qWait(500);
    strip.resetGap();
    QTest::qWait(5000);
    std::printf("strip alone for 5 s: largest repaint gap %lld ms\n",
                (long long)strip.largestGapMs());

    // Web pages.
    rig.server.pages.insert(
        "/page.html",
        {{200,
          "<html><body style=\"margin:0;background:#c00000;color:#fff;font:40px sans-serif\">"
          "<h1>Новости</h1><p>Строка текста страницы.</p></body></html>"}});
    s.setText(key::SCEdit38, QStringLiteral("0"));
    s.setText(key::SCEdit39, QStringLiteral("0"));
    s.setText(key::SCEdit44, QStringLiteral("800"));
    s.setText(key::SCEdit46, QStringLiteral("600"));
    s.setText(QStringLiteral("SCEdit1w1"), rig.server.address("/page.html"));
    Series web;
    strip.resetGap();
    WebSurface* webSurface = &rig.webWindow->surface();
    auto startWeb = [&] { rig.web->startwww(QStringLiteral("1")); };
    web.firstMs = timeStart(webSurface, &WebSurface::painted, startWeb);
    web.firstGapMs = strip.largestGapMs();
    strip.resetGap();
    for (int i = 0; i < kStarts; ++i) {
        rig.web->HideWebWindow();
        QTest::qWait(100);
        web.laterMs.push_back(timeStart(webSurface, &WebSurface::painted, startWeb));
    }
    web.gapMs = strip.largestGapMs();
    print("w start to the page's first picture", web);
    Series refresh;
    strip.resetGap();
    for (int i = 0; i < kStarts; ++i)
        refresh.laterMs.push_back(
            timeStart(webSurface, &WebSurface::painted, [&] { rig.web->InetTimerTimer(); }));
    refresh.gapMs = strip.largestGapMs();
    print("refresh to the page's new picture", refresh);
    rig.web->SCButton65Click();

    // Flash movies.
    if (!QFile::exists(FlashWindow::defaultRuffleFolder() + QStringLiteral("/ruffle.js"))) {
        std::printf("f start: Ruffle is missing (tools/fetch-ruffle.sh)\n");
    } else {
        const QString movie = rig.dir.filePath(QStringLiteral("movie.swf"));
        QFile file(movie);
        file.open(QIODevice::WriteOnly);
        file.write(flashMovie(550, 400, QColor(0, 160, 0)));
        file.close();
        s.setText(key::SCEdit49, movie);
        s.setSpin(key::SpinEdit46, 550);
        s.setSpin(key::SpinEdit48, 400);
        Series flash;
        strip.resetGap();
        FlashSurface* flashSurface = &rig.flashWindow->surface();
        auto startFlash = [&] { rig.flash->startf(QStringLiteral("1")); };
        flash.firstMs = timeStart(flashSurface, &FlashSurface::playing, startFlash);
        flash.firstGapMs = strip.largestGapMs();
        strip.resetGap();
        for (int i = 0; i < kStarts; ++i) {
            rig.flash->stop();
            QTest::qWait(100);
            flash.laterMs.push_back(timeStart(flashSurface, &FlashSurface::playing, startFlash));
        }
        flash.gapMs = strip.largestGapMs();
        print("f start to the movie's first picture", flash);
        rig.flash->stop();
    }
    WebRig::destroy();
    return 0;
}
