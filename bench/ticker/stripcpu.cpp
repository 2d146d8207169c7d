// CPU use of the running strip on a real display: the engine with its default speed (1 px every
// 2 ms), a 1920 px strip, outlined letters, for 10 s. Prints the process CPU time (getrusage)
// as a share of one core, the number of repaints and the largest gap between two repaints.
// It needs an X display; it does not start one. For example:
//   Xvfb :61 -screen 0 1920x1080x24 &
//   DISPLAY=:61 build/bench/bench_ticker_strip_cpu [seconds] [opaque]
// Target: at most 5 % of one core.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <cstdio>

#include "base/clock.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "ticker/playbacklog.h"
#include "ticker/stripwindow.h"
#include "ticker/tickerblock.h"
#include "ticker/tickercompanions.h"
#include "ticker/tickerengine.h"
#include "ticker/tickerwindows.h"

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Notes the time of every repaint of the strip.
class PaintWatch final : public QObject {
public:
    qint64 paints = 0;
    qint64 largestGapMs = 0;
    QElapsedTimer clock;
    qint64 lastMs = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            const qint64 now = clock.elapsed();
            if (lastMs >= 0)
                largestGapMs = std::max(largestGapMs, now - lastMs);
            lastMs = now;
            ++paints;
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 10;

    using namespace velumo;
    Settings settings;
    settings.setText(key::SCEdit6, QStringLiteral("DejaVu Sans"));
    settings.setText(key::SCEdit77, QStringLiteral("1920"));
    settings.setText(key::SCEdit45, QStringLiteral("0"));
    settings.setText(key::SCEdit43, QStringLiteral("400"));
    settings.setSpin(key::SpinEdit13, 5);
    settings.setChecked(key::SCCheckBox9, !(argc > 2 && QByteArray(argv[2]) == "opaque"));
    TickerBlock block(settings);
    block.setLists({QStringLiteral("1Добро пожаловать на выставку! Вход свободный. Скидки до 50% "
                                   "только сегодня в павильоне 7."),
                    QStringLiteral("2") + QString(2000, u'Ж')},
                   {QStringLiteral("0"), QStringLiteral("0")},
                   {QStringLiteral("1"), QStringLiteral("2")});
    SystemClock clock;
    QtTimerFactory timers;
    SilentNotifier notifier;
    PlaybackLog log(settings, clock, timers, notifier);
    struct : TickerCompanions {
        void vibor(int) override {}
        void requestClockRedraw() override {}
        void dispstart() override {}
    } companions;
    TickerEngine engine(settings, block, log, clock, timers, notifier, companions);
    StripWindow strip;
    TickerWindows windows(strip, nullptr, nullptr, nullptr, nullptr);
    engine.setView(&windows);
    PaintWatch watch;
    strip.installEventFilter(&watch);

    engine.BitBtn2Click();
    // Let the window come up before measuring.
    QTimer::singleShot(1000, [&] {
        watch.clock.start();
        watch.lastMs = -1;
        watch.paints = 0;
        watch.largestGapMs = 0;
        const double cpuStart = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTimer::singleShot(seconds * 1000, [&, cpuStart, wall] {
            const double cpu = cpuSeconds() - cpuStart;
            const double elapsed = double(wall.elapsed()) / 1000.0;
            std::printf("strip 1920 px, outline 5, %s, step %d px / delay %d ms, %.1f s\n",
                        settings.checked(key::SCCheckBox9) ? "transparent" : "opaque",
                        settings.spin(key::SpinEdit2), settings.spin(key::SpinEdit1), elapsed);
            std::printf("cpu %.3f s = %.2f %% of one core\n", cpu, 100.0 * cpu / elapsed);
            std::printf("repaints %lld (%.1f per s), largest gap %lld ms\n",
                        static_cast<long long>(watch.paints), double(watch.paints) / elapsed,
                        static_cast<long long>(watch.largestGapMs));
            app.quit();
        });
    });
    return app.exec();
}
