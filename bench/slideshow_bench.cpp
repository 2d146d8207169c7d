// Figures for the slide show, printed as plain lines (run under Xvfb:
// xvfb-run -a -s "-screen 0 1280x720x24" build/bench/bench_slideshow):
//   1. from the p start to the first slide on the screen when the presentation is converted
//      (a fresh cache each time: LibreOffice runs) and when it comes from the cache;
//   2. the largest gap between repaints of a strip-like widget moved by a 16 ms precise timer
//      during each kind of start and during the slide changes.
// Needs LibreOffice (soffice). The presentation is the one the tests use: three slides of
// distinct colours on 2, 1 and 3 s and a hidden one; with --pptx it is converted to PowerPoint
// first, so the pages come from it and the timings from the package itself. With --idle
// LibreOffice runs on idle CPU time only (SCHED_IDLE).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/eventlog.h"
#include "base/settings.h"
#include "base/timer.h"
#include "fakes/testsupport.h"
#include "players/slides/presentationconverter.h"
#include "players/slides/slideshowplayer.h"
#include "players/slides/slideshowwindow.h"
#include "players/slideshowfiles.h"
#include "stripsampler.h"

using namespace velumo;

namespace {

void waitMs(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct Figures {
    std::vector<qint64> startMs;
    std::vector<qint64> gapMs;
    // The largest gap while LibreOffice ran, before the first slide was put up.
    std::vector<qint64> conversionGapMs;
    // How long putting up the first slide held the user-interface thread.
    std::vector<qint64> showMs;
};

void print(const char* what, std::vector<qint64> values)
{
    if (values.empty())
        return;
    std::sort(values.begin(), values.end());
    std::printf("%-46s median %6lld ms   worst %6lld ms   (%zu runs)\n", what,
                static_cast<long long>(values[values.size() / 2]),
                static_cast<long long>(values.back()), values.size());
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool pptx = app.arguments().contains(QStringLiteral("--pptx"));
    // --office=PROGRAM: another LibreOffice (or a stand-in, to tell the converter's own cost
    // on the user-interface thread from LibreOffice's load on the machine).
    QString office = QStringLiteral("soffice");
    for (const QString& argument : app.arguments())
        if (argument.startsWith(u"--office="))
            office = argument.mid(9);
    const auto priority = app.arguments().contains(QStringLiteral("--idle"))
                              ? PresentationConverter::Priority::Idle
                              : PresentationConverter::Priority::Normal;
    const int runs = 5;
    QTemporaryDir dir;
    QString show = dir.filePath(QStringLiteral("colours.fodp"));
    test::writeAll(show, test::flatPresentation({{"#ff0000", "PT2S"},
                                                 {"#00ff00", "PT1S"},
                                                 {"#ffff00", "PT5S", true},
                                                 {"#0000ff", "PT3S"}}));
    if (pptx) {
        QProcess office;
        office.start(QStringLiteral("soffice"),
                     {QStringLiteral("-env:UserInstallation=") +
                          QUrl::fromLocalFile(dir.filePath(QStringLiteral("profile"))).toString(),
                      QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                      QStringLiteral("pptx"), QStringLiteral("--outdir"), dir.path(), show});
        office.waitForFinished(120'000);
        show = dir.filePath(QStringLiteral("colours.pptx"));
    }

    EventLog log(dir.filePath(QStringLiteral("velumo.log")));
    Settings settings;
    test::RecordingNotifier notifier;
    bench::StripSampler strip;
    strip.show();
    SlideShowWindow window;
    QtTimerFactory timers;
    waitMs(300);

    auto measure = [&](PresentationConverter& converter, Figures& figures) {
        SlideShowPlayer player(settings, notifier, log, timers, converter, window);
        bool on = false;
        QObject::connect(&player, &ContentPlayer::onScreen, [&] { on = true; });
        QObject::connect(&player, &ContentPlayer::failed, [](const QString& reason) {
            std::printf("failed: %s\n", qPrintable(reason));
        });
        QElapsedTimer clock;
        qint64 convertedAt = -1;
        QObject::connect(&player, &SlideShowPlayer::convertingChanged, [&](bool now) {
            if (!now) {
                figures.conversionGapMs.push_back(strip.largestGapMs());
                convertedAt = clock.elapsed();
            }
        });
        strip.resetGap();
        clock.start();
        player.start({u'p', QStringLiteral("1"), show, QRect(40, 30, 640, 480)});
        while (!on && clock.elapsed() < 120'000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        figures.startMs.push_back(clock.elapsed());
        if (convertedAt >= 0)
            figures.showMs.push_back(clock.elapsed() - convertedAt);
        // The gap that the first slide itself causes shows on the strip's next repaints.
        waitMs(200);
        figures.gapMs.push_back(strip.largestGapMs());
        player.stop();
        waitMs(100);
    };

    Figures converting;
    for (int i = 0; i < runs; ++i) {
        PresentationConverter converter(dir.filePath(QStringLiteral("cache-%1").arg(i)), office,
                                        60'000, priority);
        measure(converter, converting);
    }
    Figures cached;
    PresentationConverter warm(dir.filePath(QStringLiteral("cache-0")), office, 60'000, priority);
    for (int i = 0; i < runs; ++i)
        measure(warm, cached);

    // The slide changes of a whole show, with the strip running.
    Figures changes;
    {
        SlideShowPlayer player(settings, notifier, log, timers, warm, window);
        player.start({u'p', QStringLiteral("1"), show, QRect(0, 0, 1280, 720)});
        strip.resetGap();
        waitMs(3500);
        changes.gapMs.push_back(strip.largestGapMs());
        player.stop();
    }

    std::printf("slide show %s, LibreOffice at %s priority\n",
                pptx ? "(PowerPoint file)" : "(flat ODF file)",
                priority == PresentationConverter::Priority::Idle ? "idle" : "normal");
    print("p start -> first slide, converting", converting.startMs);
    print("p start -> first slide, from the cache", cached.startMs);
    print("strip's largest repaint gap, converting", converting.gapMs);
    print("  of it while LibreOffice ran", converting.conversionGapMs);
    print("first slide put up after the conversion", converting.showMs);
    print("strip's largest repaint gap, from the cache", cached.gapMs);
    print("strip's largest repaint gap, slide changes 1280x720", changes.gapMs);
    return 0;
}
