// Figures for the web renderer's memory over months of refreshes, printed as plain lines (run
// under Xvfb: xvfb-run -a -s "-screen 0 1280x720x24" build/bench/bench_webmemory [REFRESHES]):
//   1. what a grab of the page's view costs the user-interface thread at 1280x720 (the picture
//      kept for a renderer that ends);
//   2. the web renderer's memory over 500 refreshes of a local page served on 127.0.0.1, each
//      refresh as soon as the previous one painted: after the first load, every 100 refreshes
//      and after the last, the ratio to the first, the recycles, and the strip's largest
//      repaint gap during the refreshes; once as the program runs (recycled past 1.5 times the
//      first picture's memory) and once never recycled.
// bench_webmemory recycle [REFRESHES] runs only the strip's side of recycling: refreshes of a
// renderer recycled at every refresh it may be (every other one: a new renderer's first picture
// sets the next baseline), with the strip's largest repaint gap during the recycles.
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "base/clock.h"
#include "base/eventlog.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "fakes/testsupport.h"
#include "players/web/browserpanel.h"
#include "players/web/processmemory.h"
#include "players/web/webengine.h"
#include "players/web/webplayer.h"
#include "players/web/webwindow.h"
#include "players/webrig.h"
#include "stripsampler.h"

using namespace velumo;
using velumo::bench::StripSampler;

namespace {

// A page of the kind shown on air: headlines, a picture drawn by its scripts, a clock that
// ticks every second.
QByteArray newsPage()
{
    QByteArray items;
    for (int i = 0; i < 40; ++i)
        items += "<li>Новость дня номер " + QByteArray::number(i) +
                 ": строка текста о событии, достаточно длинная для переноса.</li>";
    return "<html><head><style>body{margin:0;background:linear-gradient(#102040,#204080);"
           "color:#fff;font:28px sans-serif}h1{font-size:56px}li{margin:6px}</style></head>"
           "<body><h1>Новости <span id=\"clock\"></span></h1><canvas id=\"c\" width=\"400\" "
           "height=\"200\" style=\"float:right\"></canvas><ul>" +
           items +
           "</ul><script>const g=document.getElementById('c').getContext('2d');"
           "for(let i=0;i<200;++i){g.fillStyle='hsl('+i*7+',80%,50%)';"
           "g.fillRect((i*37)%400,(i*53)%200,30,30);}"
           "function tick(){document.getElementById('clock').textContent="
           "new Date().toLocaleTimeString();}tick();setInterval(tick,1000);</script>"
           "</body></html>";
}

// Runs the event loop (no sleeping between its turns) until done or the time is up.
bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

double mb(qint64 kb)
{
    return double(kb) / 1024;
}

void grabCost(test::PageServer& server)
{
    BrowserPanel panel(QStringLiteral("wb"), nullptr);
    panel.setGeometry(0, 0, 1280, 720);
    panel.show();
    bool painted = false;
    QObject::connect(&panel, &BrowserPanel::painted, [&] { painted = true; });
    panel.load(QUrl(QStringLiteral("http://") + server.address("/page.html")));
    if (!runUntil([&] { return painted; }, 30'000)) {
        std::printf("grab: the page was not painted\n");
        return;
    }
    runUntil([] { return false; }, 500);
    std::vector<qint64> us;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer t;
        t.start();
        const QPixmap picture = panel.view()->grab();
        us.push_back(t.nsecsElapsed() / 1000);
        runUntil([] { return false; }, 50);
        if (picture.size() != QSize(1280, 720))
            std::printf("grab: a picture of %dx%d\n", picture.width(), picture.height());
    }
    std::sort(us.begin(), us.end());
    std::printf(
        "grab of the page's view at 1280x720: median %.2f ms, best %.2f ms, worst %.2f ms "
        "(%zu grabs)\n",
        us[us.size() / 2] / 1000.0, us.front() / 1000.0, us.back() / 1000.0, us.size());
}

// everyRefresh: a line for each refresh (the recycles' own figures).
void refreshes(test::PageServer& server, StripSampler& strip, int count, double growth,
               bool everyRefresh = false)
{
    QTemporaryDir dir;
    Settings s;
    EventLog log(dir.filePath(QStringLiteral("velumo.log")));
    SystemClock clock;
    QtTimerFactory timers;
    WebWindow window;
    WebPlayer web(s, log, clock, timers, window.surface(),
                  WebPlayer::Limits{30'000, 60'000, growth});
    s.setText(key::SCEdit38, QStringLiteral("0"));
    s.setText(key::SCEdit39, QStringLiteral("0"));
    s.setText(key::SCEdit44, QStringLiteral("1280"));
    s.setText(key::SCEdit46, QStringLiteral("640"));
    s.setText(key::SCEdit74, QStringLiteral("640"));
    s.setText(QStringLiteral("SCEdit1w1"), server.address("/page.html"));
    QSignalSpy painted(&window.surface(), &WebSurface::painted);
    QSignalSpy failed(&window.surface(), &WebSurface::loadFailed);
    web.startwww(QStringLiteral("1"));
    if (!runUntil([&] { return painted.size() == 1; }, 30'000)) {
        std::printf("the page was not painted\n");
        return;
    }
    BrowserPanel& wb = window.browser(0);
    const qint64 ownFirstKb = processResidentKb(QCoreApplication::applicationPid());
    const qint64 firstKb = processResidentKb(wb.rendererPid());
    std::printf("  after the first load: renderer %.1f MB (Pss %.1f MB), browser process %.1f MB\n",
                mb(firstKb), mb(processProportionalKb(wb.rendererPid())), mb(ownFirstKb));
    qint64 largestGapMs = 0;
    qint64 recycleGapMs = 0;
    qint64 longestCallMs = 0;
    qint64 longestRecycleCallMs = 0;
    std::vector<qint64> loadMs;
    std::vector<qint64> gapMs;
    int recycles = 0;
    int lost = 0;
    qint64 lastKb = firstKb;
    for (int i = 1; i <= count; ++i) {
        const qint64 pid = wb.rendererPid();
        const qsizetype before = painted.size();
        strip.resetGap();
        QElapsedTimer t;
        t.start();
        web.InetTimerTimer();
        const qint64 callMs = t.elapsed();
        if (!runUntil([&] { return painted.size() > before; }, 30'000))
            ++lost;
        loadMs.push_back(t.elapsed());
        const bool recycled = wb.rendererPid() != pid;
        recycles += recycled;
        largestGapMs = std::max(largestGapMs, strip.largestGapMs());
        gapMs.push_back(strip.largestGapMs());
        longestCallMs = std::max(longestCallMs, callMs);
        if (everyRefresh)
            std::printf("  refresh %d%s: strip's largest repaint gap %lld ms\n", i,
                        recycled ? " (recycled)" : "", (long long)strip.largestGapMs());
        if (recycled) {
            recycleGapMs = std::max(recycleGapMs, strip.largestGapMs());
            longestRecycleCallMs = std::max(longestRecycleCallMs, callMs);
        }
        lastKb = processResidentKb(wb.rendererPid());
        if (i % 100 == 0 || i == count)
            std::printf(
                "  after %d refreshes: renderer %.1f MB (Pss %.1f MB), browser process "
                "%.1f MB, %d recycled\n",
                i, mb(lastKb), mb(processProportionalKb(wb.rendererPid())),
                mb(processResidentKb(QCoreApplication::applicationPid())), recycles);
    }
    std::sort(loadMs.begin(), loadMs.end());
    std::printf(
        "  ratio after %d refreshes to the first load: %.2f; %d recycles; %d refreshes "
        "not painted, %lld failed\n",
        count, double(lastKb) / double(firstKb), recycles, lost, (long long)failed.size());
    std::printf(
        "  refresh to new picture: median %lld ms, worst %lld ms; refresh call on the "
        "UI thread: longest %lld ms (recycling %lld ms)\n",
        (long long)loadMs[loadMs.size() / 2], (long long)loadMs.back(), (long long)longestCallMs,
        (long long)longestRecycleCallMs);
    std::sort(gapMs.begin(), gapMs.end());
    const auto over50 = std::count_if(gapMs.begin(), gapMs.end(), [](qint64 g) { return g > 50; });
    std::printf(
        "  strip's largest repaint gap during the refreshes: %lld ms (during recycles %lld "
        "ms); per refresh median %lld ms, 99th percentile %lld ms, %lld of %zu over 50 "
        "ms\n",
        (long long)largestGapMs, (long long)recycleGapMs, (long long)gapMs[gapMs.size() / 2],
        (long long)gapMs[gapMs.size() * 99 / 100], (long long)over50, gapMs.size());
    const QStringList events = test::logEvents(log.path(), QStringLiteral("player"));
    QStringList recycledEvents;
    for (const QString& e : events)
        if (e.startsWith(QStringLiteral("renderer recycled")))
            recycledEvents.append(e);
    if (!recycledEvents.isEmpty())
        std::printf("  %lld events, the first: %s\n", (long long)recycledEvents.size(),
                    qPrintable(recycledEvents.first()));
    web.SCButton65Click();
}

}  // namespace

int main(int argc, char** argv)
{
    prepareWebEngine();
    QApplication app(argc, argv);
    // Line by line, also into a file, to follow a long run.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const bool recycleOnly = argc > 1 && qstrcmp(argv[1], "recycle") == 0;
    const int countArg = recycleOnly ? 2 : 1;
    const int count = argc > countArg ? std::max(1, atoi(argv[countArg])) : recycleOnly ? 40 : 500;
    StripSampler strip;
    strip.show();
    test::PageServer server;
    server.pages.insert("/page.html", {{200, newsPage()}});
    runUntil([] { return false; }, 500);
    strip.resetGap();
    runUntil([] { return false; }, 3000);
    std::printf("strip alone for 3 s: largest repaint gap %lld ms\n",
                (long long)strip.largestGapMs());
    if (recycleOnly) {
        std::printf("%d refreshes, the renderer recycled at every other one:\n", count);
        // Any renderer is past half of its first picture's memory.
        refreshes(server, strip, count, 0.5, true);
        return 0;
    }
    grabCost(server);
    std::printf(
        "the web renderer's memory over %d refreshes, recycled past 1.5 times the first "
        "picture's:\n",
        count);
    refreshes(server, strip, count, 1.5);
    std::printf("the web renderer's memory over %d refreshes, never recycled:\n", count);
    refreshes(server, strip, count, 0);
    return 0;
}
