#include <gtest/gtest.h>
#include <QTest>
#include <QTimer>
#include <optional>

#include "base/timer.h"
#include "dispatcher/handlerserializer.h"
#include "fakes/delayingtoneplayer.h"
#include "rig.h"

using namespace velumo;
using namespace velumo::test;

namespace {

using Tones = std::vector<std::pair<int, int>>;

// The dispatcher on the event loop's own timers and a clock that runs in real time from a few
// hundred milliseconds before a whole second of 13 October 2010; tones take their time like the
// real ones.
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
    DelayingTonePlayer tones;
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

// The stop that falls due during the start's tone runs only once the start has raised its pin:
// while the stop sounds its own tone the pin the start raised is still up, and no handler ever
// waited inside another (no nested loop: the start's tone ended before the stop's began).
TEST(Reentrancy, StopDueDuringTheStartToneFindsThePinRaised)
{
    RealTimeRig rig(QTime(12, 10, 29, 850));
    for (const char* box : {key::SCCheckBox4, key::SCCheckBox5, key::SCCheckBox2})
        rig.settings.setChecked(box, true);
    rig.settings.setText(key::SCEdit73, QStringLiteral("300"));
    std::optional<quint8> pinsWhenStopped;
    bool stopDuringStartTone = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (rig.tones.tones.size() == 1 && rig.tones.sounding() &&
            rig.engine.serializer().waiting() > 0)
            stopDuringStartTone = true;
        if (!pinsWhenStopped && rig.ticker.calls.contains("stop"))
            pinsWhenStopped = rig.port.value();
    });
    watch.start(5);

    rig.run({QStringLiteral("13.10.10 12:10:30|s1|00|13.10.10 12:10:30")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.tones.tones.size() == 2 && rig.quiet(); }, 5000));

    EXPECT_TRUE(stopDuringStartTone) << "the stop fell due while the start's tone sounded";
    ASSERT_TRUE(pinsWhenStopped.has_value());
    EXPECT_NE(*pinsWhenStopped, 0x00) << "the start's pin was up when the stop began";
    EXPECT_EQ(rig.port.value(), 0x00);
    EXPECT_EQ(rig.tones.deepest, 1);
    EXPECT_EQ(rig.ticker.calls.last(), "stop");
}

// The slide show's stop asked for by hand (the control command "slides stop") and the
// dispatcher's stop button while a start sounds its tone: both wait until the start has raised
// its pin and started the show, then run in the order they were asked, and their callers learn
// when each has run.
TEST(Reentrancy, StopsAskedForDuringAStartToneWaitForTheStart)
{
    RealTimeRig rig(QTime(12, 10, 29, 900));
    for (const char* box : {key::SCCheckBox1, key::SCCheckBox8})
        rig.settings.setChecked(box, true);
    rig.settings.setText(key::SCEdit73, QStringLiteral("400"));
    QStringList finished;
    QStringList callsWhenAsked;
    auto caller = [&](const char* name) {
        return HandlerSerializer::Caller{{}, [&finished, &rig, name] {
                                             finished
                                                 << (name + (u' ' + rig.players.calls.join(u',')));
                                         }};
    };
    QTimer ask;
    ask.setSingleShot(true);
    QObject::connect(&ask, &QTimer::timeout, [&] {
        callsWhenAsked = rig.players.calls;
        rig.engine.handlers().StopPPT(caller("slides stop"));
        rig.engine.SCButton44Click(caller("dispatcher stop"));
    });
    rig.run({QStringLiteral("13.10.10 12:10:30|p1|00|13.10.10 12:11:30")});
    // The start falls due about 100 ms from now; its tone lasts 400 ms.
    ask.start(250);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.size() == 2 && rig.quiet(); }, 5000));

    EXPECT_TRUE(callsWhenAsked.isEmpty()) << callsWhenAsked.join(',').toStdString();
    EXPECT_EQ(rig.tones.tones.size(), 1u);
    EXPECT_EQ(rig.players.calls, (QStringList{"start p 1", "stop p"}));
    EXPECT_EQ(finished,
              (QStringList{"slides stop start p 1,stop p", "dispatcher stop start p 1,stop p"}));
    // The show's pin stays up at its stop; the dispatcher is off.
    EXPECT_EQ(rig.port.value(), 0x80);
    EXPECT_FALSE(rig.settings.checked(key::SCCheckBox6));
    EXPECT_EQ(logEvents(rig.log.path(), "stop"), QStringList{"p p0"});
    EXPECT_TRUE(rig.notifier.errors.isEmpty());
}

// A failure in a handler's continuation (the player fails after the tone) is reported once and
// ends that handler only: the stop that waited for it still runs.
TEST(Reentrancy, AFailureAfterTheToneEndsThatHandlerOnly)
{
    RealTimeRig rig(QTime(12, 10, 29, 900));
    for (const char* box : {key::SCCheckBox1, key::SCCheckBox8})
        rig.settings.setChecked(box, true);
    rig.settings.setText(key::SCEdit73, QStringLiteral("300"));
    rig.players.clip.failStart = true;
    rig.run({QStringLiteral("13.10.10 12:10:30|k1|00|13.10.10 12:10:30")});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return rig.players.calls.size() == 2 && rig.quiet(); }, 5000));

    EXPECT_EQ(rig.players.calls, (QStringList{"start k 1", "stop k"}));
    EXPECT_EQ(rig.notifier.errors, QStringList{"the player failed"});
    EXPECT_EQ(rig.port.value(), 0x00);
    EXPECT_FALSE(rig.engine.serializer().busy());
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
