#include <gtest/gtest.h>
#include <QTest>
#include <QTimer>

#include "base/timer.h"
#include "dispatcher/handlerserializer.h"
#include "fakes/spinningtoneplayer.h"
#include "rig.h"

using namespace velumo;
using namespace velumo::test;

namespace {

using Tones = std::vector<std::pair<int, int>>;

// The dispatcher on the event loop's own timers and a clock that runs in real time from a few
// hundred milliseconds before a whole second of 13 October 2010; tones wait like the real ones.
struct RealTimeRig {
    explicit RealTimeRig(QTime start) : clock(QDateTime(QDate(2010, 10, 13), start)) {}

    QTemporaryDir dir;
    QString folder = dir.path();
    Settings settings;
    EventLog log{folder + QStringLiteral("/velumo.log")};
    RecordingNotifier notifier;
    RunningClock clock;
    QtTimerFactory timers;
    RecordingTicker ticker;
    TickerBlock block{settings};
    MemoryParallelPort port;
    LptPins pins{settings, port};
    SpinningTonePlayer tones;
    RecordingMasterMute mute;
    BroadcastMute broadcast{mute};
    RecordingPlayers players{log};
    DispatcherEngine engine{
        folder,
        settings,
        notifier,
        log,
        clock,
        timers,
        EntryDevices{ticker, block, pins, tones, broadcast, players.registry, [] {}}};

    void run(const QStringList& plan)
    {
        settings.setChecked(key::SCCheckBox26, true);
        engine.setMemon1(plan);
        engine.SCButton43Click();
        ASSERT_TRUE(notifier.messages.isEmpty()) << notifier.messages.join(' ').toStdString();
    }
    bool quiet() const { return !tones.sounding() && !engine.serializer().busy(); }
};

// A line whose stop is its start: the stop falls due while the start sounds its tone. It runs
// after the start, so the pin the start raised goes down again and the ticker stops.
TEST(Reentrancy, StopDueAtItsOwnStartRunsAfterTheStartTone)
{
    RealTimeRig rig(QTime(12, 10, 29, 800));
    for (const char* box : {key::SCCheckBox4, key::SCCheckBox5, key::SCCheckBox2})
        rig.settings.setChecked(box, true);
    rig.settings.setText(key::SCEdit73, QStringLiteral("200"));
    // The strip goes on while a tone sounds.
    int stepsDuringTones = 0;
    QTimer strip;
    QObject::connect(&strip, &QTimer::timeout, [&] { stepsDuringTones += rig.tones.sounding(); });
    strip.start(10);

    rig.run({QStringLiteral("13.10.10 12:10:30|s1|00|13.10.10 12:10:30")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.tones.tones.size() == 2 && rig.quiet(); }, 5000));

    EXPECT_EQ(rig.tones.tones, (Tones{{100, 200}, {200, 200}}));
    EXPECT_EQ(rig.tones.deepest, 1);
    EXPECT_EQ(rig.port.value(), 0x00);
    EXPECT_FALSE(rig.ticker.running);
    EXPECT_EQ(rig.ticker.calls.last(), "stop");
    EXPECT_FALSE(rig.engine.handlers().stopTimer("s")->isActive());
    EXPECT_EQ(logEvents(rig.log.path(), "stop"), QStringList{"s s0"});
    EXPECT_TRUE(logEvents(rig.log.path(), "dispatcher")
                    .contains("Timer1stops waits for the running handler"));
    EXPECT_GT(stepsDuringTones, 10);
    EXPECT_TRUE(rig.notifier.errors.isEmpty());
}

// A clip whose stop falls due during its long start tone: the player is started, then stopped,
// and the pin ends down; without the wait the clip would start after its stop and play on.
TEST(Reentrancy, ClipStopDueDuringItsStartToneRunsAfterTheStart)
{
    RealTimeRig rig(QTime(12, 10, 29, 900));
    for (const char* box : {key::SCCheckBox1, key::SCCheckBox8})
        rig.settings.setChecked(box, true);
    rig.settings.setText(key::SCEdit73, QStringLiteral("1200"));

    rig.run({QStringLiteral("13.10.10 12:10:30|k1|00|13.10.10 12:10:31")});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return rig.players.calls.size() == 2 && rig.quiet(); }, 5000));

    EXPECT_EQ(rig.players.calls, (QStringList{"start k 1", "stop k"}));
    EXPECT_EQ(rig.tones.tones, (Tones{{300, 1200}}));
    EXPECT_EQ(rig.port.value(), 0x00);
    EXPECT_FALSE(rig.engine.handlers().stopTimer("k")->isActive());
    EXPECT_EQ(rig.settings.text(key::SCEditn1), "");
}

// The next start falls due while a stop sounds its tone: it waits, so the stop does not stop the
// clip that the new line has just started, and the new clip keeps its pin and its stop timer.
TEST(Reentrancy, StartDueDuringAStopToneWaitsForTheStop)
{
    RealTimeRig rig(QTime(12, 10, 29, 900));
    for (const char* box : {key::SCCheckBox3, key::SCCheckBox8})
        rig.settings.setChecked(box, true);
    rig.settings.setText(key::SCEdit73, QStringLiteral("1100"));

    rig.run({QStringLiteral("13.10.10 12:10:30|k1|00|13.10.10 12:10:31"),
             QStringLiteral("13.10.10 12:10:32|k2|00|13.10.10 12:10:50")});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return rig.players.calls.size() == 3 && rig.quiet(); }, 6000));

    EXPECT_EQ(rig.players.calls, (QStringList{"start k 1", "stop k", "start k 2"}));
    EXPECT_EQ(rig.port.value(), 0x80);
    EXPECT_TRUE(rig.engine.handlers().stopTimer("k")->isActive());
    EXPECT_EQ(rig.settings.text(key::SCEditn1), "2");
    EXPECT_EQ(rig.tones.deepest, 1);
    EXPECT_TRUE(logEvents(rig.log.path(), "dispatcher")
                    .contains("Timer1start waits for the running handler"));
}

TEST(HandlerSerializer, RunsWaitingHandlersInOrderOnceEach)
{
    RecordingNotifier notifier;
    HandlerSerializer serializer(notifier);
    QStringList ran;
    serializer.run("outer", [&] {
        serializer.run("a", [&] {
            ran << "a";
            // Falls due while the queue is being worked off: after the others.
            serializer.run("c", [&] { ran << "c"; });
        });
        serializer.run("b", [&] { throw Failure("b failed"); });
        serializer.run("a", [&] { ran << "a again"; });
        EXPECT_EQ(serializer.waiting(), 2);
        ran << "outer";
    });
    EXPECT_EQ(ran, (QStringList{"outer", "a", "c"}));
    EXPECT_EQ(notifier.errors, QStringList{"b failed"});
    EXPECT_FALSE(serializer.busy());
    // Idle again: a handler runs at once.
    serializer.run("d", [&] { ran << "d"; });
    EXPECT_EQ(ran.last(), "d");
}

}  // namespace
