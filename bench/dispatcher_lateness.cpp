// Lateness of dispatcher starts with the real Qt timers: 30 schedule lines one second apart,
// each start measured against the wall clock when the tick hands the line to its handler.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "base/clock.h"
#include "base/eventlog.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "base/timer.h"
#include "devices/lptpins.h"
#include "devices/parallelport.h"
#include "dispatcher/dispatcherengine.h"
#include "dispatcher/scheduleline.h"
#include "fakes/fakedevices.h"
#include "fakes/stubs.h"
#include "players/playerregistry.h"
#include "ticker/tickerblock.h"

using namespace velumo;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr int kLines = 30;
    QTemporaryDir dir;
    const QString folder = dir.path();
    Settings settings;
    EventLog log(folder + QStringLiteral("/velumo.log"));
    SilentNotifier notifier(&log);
    SystemClock clock;
    QtTimerFactory timers;
    StubTickerControl ticker;
    TickerBlock block(settings);
    test::MemoryParallelPort port;
    LptPins pins(settings, port);
    SilentTonePlayer tones;
    NoMasterMute mute;
    BroadcastMute broadcast{mute};
    const auto players = PlayerRegistry::withPlaceholders(log);
    DispatcherEngine engine(folder, settings, notifier, log, clock, timers,
                            EntryDevices{ticker, block, pins, tones, broadcast, *players, [] {}});

    // Whole seconds from two seconds ahead.
    const QDateTime now = QDateTime::currentDateTime().addSecs(2);
    const QDateTime first(now.date(),
                          QTime(now.time().hour(), now.time().minute(), now.time().second()));
    QStringList lines;
    for (int i = 0; i < kLines; ++i) {
        const QDateTime start = first.addSecs(i);
        lines.append(start.toString(u"dd.MM.yy hh:mm:ss") + QStringLiteral("|x1|00|") +
                     start.addSecs(1).toString(u"dd.MM.yy hh:mm:ss"));
    }
    writeTextLines(folder + QStringLiteral("/plan.pln"), lines);
    settings.setText(key::SCEditn10, folder + QStringLiteral("/plan.pln"));
    settings.setChecked(key::SCCheckbox19, true);

    std::vector<double> latenessMs;
    QObject::connect(
        &engine, &DispatcherEngine::entryExecuted, [&](const QString& line, const QDateTime&) {
            using namespace std::chrono;
            const qint64 nowUs =
                duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
            const QDateTime start = scheduleline::startOf(line, first.date().year()).toDateTime();
            latenessMs.push_back(double(nowUs - start.toMSecsSinceEpoch() * 1000) / 1000.0);
            if (int(latenessMs.size()) == kLines)
                app.quit();
        });
    engine.SCButton43Click();
    app.exec();

    std::vector<double> sorted = latenessMs;
    std::sort(sorted.begin(), sorted.end());
    const auto pick = [&](double q) {
        return sorted[std::min<size_t>(sorted.size() - 1, size_t(q * double(sorted.size())))];
    };
    const long early = std::count_if(sorted.begin(), sorted.end(), [](double v) { return v < 0; });
    std::printf(
        "dispatcher start lateness over %zu lines (ms): min %.3f  p50 %.3f  p99 %.3f  max %.3f  "
        "early %ld\n",
        sorted.size(), sorted.front(), pick(0.5), pick(0.99), sorted.back(), early);
    return early == 0 ? 0 : 1;
}
