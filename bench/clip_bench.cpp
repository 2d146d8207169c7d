// Figures for the internal clip player, printed as plain lines (run under Xvfb for the CPU
// figures: xvfb-run -a -s "-screen 0 1280x720x24" build/bench/bench_clip):
//   1. from the k start to the first picture in the window, a local 720p H.264 clip (median
//      and worst of several starts);
//   2. the largest gap between repaints of a strip-like widget moved by a 16 ms precise timer,
//      during a start, a change to another clip, a park, a resume, a stop and a failure;
//   3. CPU of the process showing the 720p clip in a 960x540 window for a few seconds,
//      against mpv --vo=x11 playing the same clip in the same size.
// Needs ffmpeg (and mpv for the comparison).
#include <sys/resource.h>
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/eventlog.h"
#include "base/settings.h"
#include "base/timer.h"
#include "fakes/testsupport.h"
#include "players/clip/clipplayer.h"
#include "players/clip/clipwindow.h"
#include "players/clip/mediaclipengine.h"
#include "players/testmedia.h"
#include "stripsampler.h"

using namespace velumo;
using velumo::bench::StripSampler;
using velumo::test::waitFor;

namespace {

void run(int ms)
{
    waitFor([] { return false; }, ms);
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double processCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) /
           double(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (!test::TestMedia::haveFfmpeg()) {
        std::printf("ffmpeg is missing\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString hd = dir.filePath("pattern720.mp4");
    const QString other = dir.filePath("red720.mp4");
    const QString broken = dir.filePath("broken.mp4");
    if (!test::TestMedia::make(hd, {"testsrc=s=SIZE", "r=25"}, 20, "1280x720") ||
        !test::TestMedia::make(other, {"color=c=red", "s=SIZE", "r=25"}, 20, "1280x720")) {
        std::printf("the test clips could not be made\n");
        return 1;
    }
    test::writeAll(broken, QByteArray(50000, 'x'));

    EventLog log(dir.filePath("velumo.log"));
    test::RecordingNotifier notifier;
    Settings settings;
    ClipWindow window;
    MediaClipEngine engine(window);
    QtTimerFactory timers;
    ClipPlayer player(engine, settings, notifier, log, timers, dir.path());
    StripSampler strip;
    strip.show();
    const QRect rect(0, 60, 960, 540);
    auto request = [&](const QString& file) {
        return PlayerRequest{u'k', QStringLiteral("1"), file, rect};
    };
    bool shown = false;
    QObject::connect(&player, &ContentPlayer::onScreen, [&] { shown = true; });
    bool failed = false;
    QObject::connect(&player, &ContentPlayer::failed, [&](const QString&) { failed = true; });

    // 1. Start to first picture.
    std::vector<qint64> firstMs;
    for (int i = 0; i < 7; ++i) {
        shown = false;
        QElapsedTimer since;
        since.start();
        player.start(request(hd));
        if (!waitFor([&] { return shown; }))
            std::printf("run %d: no first picture\n", i);
        firstMs.push_back(since.elapsed());
        run(300);
        player.stop();
        run(400);
    }
    std::sort(firstMs.begin(), firstMs.end());
    std::printf(
        "k start to first picture, 720p H.264: median %lld ms, best %lld ms, worst %lld ms "
        "(%zu starts)\n",
        static_cast<long long>(firstMs[firstMs.size() / 2]),
        static_cast<long long>(firstMs.front()), static_cast<long long>(firstMs.back()),
        firstMs.size());

    // 2. The strip's largest repaint gap around each operation.
    auto gap = [&](const char* what, const std::function<void()>& operation, int settleMs) {
        run(300);
        strip.resetGap();
        operation();
        run(settleMs);
        std::printf("largest strip repaint gap during %-8s %3lld ms\n", what,
                    static_cast<long long>(strip.largestGapMs()));
    };
    gap(
        "start",
        [&] {
            shown = false;
            player.start(request(hd));
        },
        1500);
    gap(
        "change", [&] { player.start(request(other)); }, 1500);
    gap(
        "park", [&] { player.park(); }, 800);
    gap(
        "resume", [&] { player.start(request(hd)); }, 800);
    gap(
        "stop", [&] { player.stop(); }, 1000);
    gap(
        "failure",
        [&] {
            failed = false;
            player.start(request(broken));
        },
        1500);
    player.stop();

    // 3. CPU: ours against mpv, the same clip in the same size; the strip is not counted.
    strip.halt();
    constexpr int kCpuMs = 6000;
    shown = false;
    player.start(request(hd));
    waitFor([&] { return shown; });
    run(500);
    const double before = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    run(kCpuMs);
    const double ours = (cpuSeconds() - before) / (double(wall.elapsed()) / 1000.0);
    player.stop();
    run(500);
    std::printf("CPU showing 720p in 960x540: internal player %.0f %%", ours * 100);
    QProcess mpv;
    mpv.start(QStringLiteral("mpv"), {"--no-config", "--really-quiet", "--vo=x11", "--ao=null",
                                      "--geometry=960x540", "--autofit=960x540", "--loop=inf", hd});
    if (mpv.waitForStarted(5000)) {
        run(1500);
        const double mpvBefore = processCpuSeconds(mpv.processId());
        wall.restart();
        run(kCpuMs);
        const double theirs =
            (processCpuSeconds(mpv.processId()) - mpvBefore) / (double(wall.elapsed()) / 1000.0);
        std::printf(", mpv --vo=x11 %.0f %% (ratio %.2f)\n", theirs * 100,
                    theirs > 0 ? ours / theirs : 0.0);
        mpv.kill();
        mpv.waitForFinished(3000);
    } else {
        std::printf(", mpv could not be started\n");
    }
    return 0;
}
