#include <gtest/gtest.h>
#include <QCoreApplication>

#include "rig.h"

using namespace velumo;
using namespace velumo::test;

namespace {

class Handlers : public ::testing::Test {
protected:
    DispatcherRig rig;
    Settings& settings = rig.settings;
    EntryHandlers& handlers = rig.handlers();

    void SetUp() override { rig.clock.setNow(QDateTime(QDate(2010, 10, 13), QTime(12, 10, 30))); }

    // Runs the start handler of a line as the tick does.
    void start(const QString& line)
    {
        settings.setText(key::SCEdit10, line);
        runThrowing([&](HandlerSerializer::Caller caller) {
            handlers.startCurrentEntry(std::move(caller));
            // A string line's block is read on a worker; the handler goes on once it is in place.
            waitFor([&] { return rig.block.loadsPending() == 0; });
        });
    }
    void writeTickerFile(const char* field, const QString& name, const QStringList& lines)
    {
        writeTextLines(rig.path(name), lines);
        settings.setText(field, rig.path(name));
    }
};

TEST_F(Handlers, StringStartFillsFieldsLoadsItsSlotAndRuns)
{
    writeTickerFile(key::SCEdit59, "one.str", {"^1", "~0", "1Первое объявление"});
    start(QStringLiteral("13.10.10 12:10:30|s1|00|13.10.10 13:50:30"));
    EXPECT_EQ(settings.text(key::SCEditn4), "1");
    EXPECT_EQ(settings.text(key::SCEditn5), "01:40:00");
    EXPECT_EQ(settings.text(key::SCEditn6), "13:50:30");
    EXPECT_EQ(settings.text(key::SCEditn9), "13.10.2010 12:10:30");
    EXPECT_EQ(handlers.stopTimer("s")->interval(), 6'000'000);
    EXPECT_TRUE(handlers.stopTimer("s")->isActive());
    EXPECT_EQ(handlers.StopCode(), "s0");
    EXPECT_EQ(settings.text(key::SCEdit5), rig.path("one.str"));
    EXPECT_EQ(rig.block.text(), QStringList{"1Первое объявление"});
    EXPECT_EQ(rig.ticker.calls,
              (QStringList{"not running", "resume 0", "running", "apply", "run"}));
    EXPECT_EQ(rig.clockRedraws, 1);
    EXPECT_EQ(rig.ticker.workLabel, "Работаем!");
    EXPECT_TRUE(rig.tones.tones.empty());
    EXPECT_EQ(rig.port.writes, 0);
}

// The block of a string line is read off the user-interface thread: the strip goes on with the
// old block meanwhile, the ticker is stopped, switched on and run only once the new one is in
// place, and nothing of the handler's later steps comes before.
TEST_F(Handlers, StringSwitchesTheTickerWhenItsBlockIsInPlace)
{
    settings.setChecked(key::SCCheckBox26, true);
    for (const char* box : {key::SCCheckBox4, key::SCCheckBox2, key::SCCheckBox5})
        settings.setChecked(box, true);
    writeTickerFile(key::SCEdit59, "one.str", {"^1", "~0", "1Первое"});
    rig.block.setLists({"1Старое"}, {"0"}, {"1"});
    settings.setText(key::SCEdit10, QStringLiteral("13.10.10 12:10:30|s1|00|13.10.10 13:50:30"));
    bool finished = false;
    QStringList atSwitch;
    runThrowing([&](HandlerSerializer::Caller caller) {
        caller.finished = [&] { finished = true; };
        handlers.startCurrentEntry(std::move(caller));
        EXPECT_TRUE(rig.ticker.calls.isEmpty()) << rig.ticker.calls.join(u',').toStdString();
        EXPECT_EQ(rig.block.text(), QStringList{"1Старое"});
        EXPECT_TRUE(rig.tones.tones.empty());
        EXPECT_FALSE(finished);
        ASSERT_TRUE(waitFor([&] { return rig.block.loadsPending() == 0; }));
    });
    EXPECT_EQ(rig.block.text(), QStringList{"1Первое"});
    EXPECT_EQ(rig.ticker.calls,
              (QStringList{"not running", "resume 0", "running", "apply", "run"}));
    EXPECT_EQ(rig.tones.tones, (std::vector<std::pair<int, int>>{{100, 200}}));
    EXPECT_TRUE(finished);

    // A block that cannot be read: the message once the reading has failed, then the run.
    rig.ticker.calls.clear();
    settings.setText(key::SCEdit59, rig.path("missing.str"));
    start(QStringLiteral("13.10.10 12:10:30|s1|00|13.10.10 13:50:30"));
    EXPECT_EQ(rig.notifier.messages, QStringList{"Ошибка загрузки файла строки!!"});
    EXPECT_EQ(rig.ticker.calls, (QStringList{"not running", "resume 0", "run"}));
    EXPECT_TRUE(rig.block.text().isEmpty());
}

TEST_F(Handlers, StringBeepsAndPinInOrder)
{
    settings.setChecked(key::SCCheckBox26, true);
    for (const char* box : {key::SCCheckBox4, key::SCCheckBox2, key::SCCheckBox5})
        settings.setChecked(box, true);
    start(QStringLiteral("13.10.10 12:10:30|s1|00|13.10.10 13:50:30"));
    EXPECT_EQ(rig.tones.tones, (std::vector<std::pair<int, int>>{{100, 200}}));
    EXPECT_EQ(rig.port.value(), 0x01);
    rig.timers.advance(6'000'000);
    EXPECT_EQ(rig.tones.tones, (std::vector<std::pair<int, int>>{{100, 200}, {200, 200}}));
    EXPECT_EQ(rig.port.value(), 0x00);
    for (const char* field : {key::SCEditn4, key::SCEditn5, key::SCEditn6})
        EXPECT_EQ(settings.text(field), "");
    EXPECT_EQ(rig.ticker.calls.last(), "stop");
    EXPECT_EQ(rig.events("stop"), QStringList{"s s0"});
}

TEST_F(Handlers, ParkedStringRunsOnWithoutLoading)
{
    writeTickerFile(key::SCEdit59, "one.str", {"^1", "~0", "1Первое"});
    writeTickerFile(key::SCEdit60, "two.str", {"^1", "~0", "1Второе"});
    start(QStringLiteral("13.10.10 12:10:30|s1|z0|13.10.10 12:20:30"));
    EXPECT_EQ(handlers.StopCode(), "sz");
    rig.timers.advance(600'000);
    rig.ticker.calls.clear();
    start(QStringLiteral("13.10.10 12:20:30|s2|00|13.10.10 12:30:30"));
    EXPECT_EQ(rig.block.text(), QStringList{"1Первое"});
    EXPECT_EQ(rig.ticker.calls, QStringList{"run"});
    EXPECT_EQ(handlers.StopCode(), "s0");
    EXPECT_EQ(handlers.stopTimer("s")->interval(), 600'000);
}

TEST_F(Handlers, StringSlotFailuresKeepThePreviousText)
{
    rig.block.setLists({"1Старое"}, {"0"}, {"1"});
    // An empty slot: nothing is loaded, the ticker restarts its text.
    start(QStringLiteral("13.10.10 12:10:30|s3|00|13.10.10 13:50:30"));
    EXPECT_EQ(rig.block.text(), QStringList{"1Старое"});
    EXPECT_TRUE(rig.notifier.messages.isEmpty());
    EXPECT_TRUE(rig.ticker.running);

    // A slot that is no digit, and a slot file that is missing: the message, then the run.
    for (const QString& line : {QStringLiteral("13.10.10 12:10:30|sx|00|13.10.10 13:50:30"),
                                QStringLiteral("13.10.10 12:10:30|s4|00|13.10.10 13:50:30")}) {
        settings.setText(key::SCEdit62, rig.path("missing.str"));
        rig.ticker.calls.clear();
        start(line);
        EXPECT_EQ(rig.notifier.messages.last(), "Ошибка загрузки файла строки!!");
        EXPECT_EQ(rig.ticker.calls.last(), "run");
        EXPECT_EQ(rig.ticker.workLabel, "Работаем!");
    }
    EXPECT_EQ(rig.notifier.messages.size(), 2);
}

TEST_F(Handlers, ClipBeepsAndPinNine)
{
    settings.setChecked(key::SCCheckBox26, true);
    for (const char* box : {key::SCCheckBox1, key::SCCheckBox8, key::SCCheckBox3})
        settings.setChecked(box, true);
    start(QStringLiteral("13.10.10 12:10:30|k3|z0|13.10.10 12:20:30|clip.avi"));
    EXPECT_EQ(handlers.playerChoice(), 0);
    EXPECT_EQ(handlers.ContentKind(), "avi");
    EXPECT_EQ(handlers.StopCode(), "kz");
    EXPECT_EQ(settings.text(key::SCEditn1), "3");
    EXPECT_EQ(settings.text(key::SCEditn2), "00:10:00");
    EXPECT_EQ(settings.text(key::SCEditn3), "12:20:30");
    EXPECT_EQ(settings.text(key::SCEditn8), "13.10.2010 12:10:30");
    EXPECT_EQ(rig.tones.tones, (std::vector<std::pair<int, int>>{{300, 200}}));
    EXPECT_EQ(rig.port.value(), 0x80);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 3"});
    EXPECT_EQ(rig.ticker.calls.last(), "front");
    rig.timers.advance(600'000);
    EXPECT_EQ(rig.tones.tones.back(), std::make_pair(400, 200));
    EXPECT_EQ(rig.port.value(), 0x00);
    EXPECT_EQ(rig.players.calls.last(), "park k");
    for (const char* field : {key::SCEditn1, key::SCEditn2, key::SCEditn3, key::SCEditn8})
        EXPECT_EQ(settings.text(field), "");
    EXPECT_EQ(rig.events("stop"), QStringList{"k kz"});
}

TEST_F(Handlers, EachKindStartsAndStopsItsContent)
{
    struct Case {
        const char* code;
        const char* mode;
        const char* kind;
        QStringList startCalls;
        const char* stopCall;
        bool front;
    };
    const Case cases[] = {
        {"b2", "0", "bsp", {"start b 2"}, "stop b", true},
        {"b2", "z", "bsp", {"start b 2"}, "park b", true},
        {"p4", "0", "ppt", {"start p 4"}, "stop p", true},
        {"p4", "z", "ppt", {"start p 4"}, "park p", true},
        {"f5", "z", "flash", {"start f 5"}, "stop f", true},
        {"w6", "0", "www", {"start w 6"}, "stop w", false},
        {"t0", "0", "tt", {"start t 0"}, "stop t", true},
    };
    for (const Case& c : cases) {
        rig.players.calls.clear();
        rig.ticker.calls.clear();
        start(QStringLiteral("13.10.10 12:10:30|%1|%2|13.10.10 12:11:30")
                  .arg(c.code, c.mode + QStringLiteral("0")));
        EXPECT_EQ(handlers.ContentKind(), c.kind) << c.code;
        EXPECT_EQ(handlers.StopCode(), QString(QChar(c.code[0])) + c.mode);
        EXPECT_EQ(rig.players.calls, c.startCalls) << c.code;
        EXPECT_EQ(rig.ticker.calls.contains("front"), c.front) << c.code;
        EXPECT_EQ(rig.ticker.workLabel, "Работаем!");
        rig.timers.advance(60'000);
        EXPECT_EQ(rig.players.calls.last(), c.stopCall) << c.code;
        EXPECT_FALSE(handlers.stopTimer(QString(QChar(c.code[0])))->isActive());
    }
    EXPECT_EQ(handlers.playerChoice(), 1);  // the last clip start was b
    EXPECT_TRUE(rig.tones.tones.empty());
    EXPECT_TRUE(rig.notifier.errors.isEmpty());
}

// A slide show's first slide, or a movie, reaches the screen after its start handler has
// brought the ticker forward; the ticker comes to the front again over the new window, unless
// the content is a web page or it was stopped meanwhile.
TEST_F(Handlers, TickerComesToTheFrontWhenTheContentReachesTheScreen)
{
    struct Case {
        const char* code;
        RecordingPlayer& player;
        bool front;
    };
    const Case cases[] = {
        {"p4", rig.players.slideShow, true},
        {"f5", rig.players.flash, true},
        {"k3", rig.players.clip, true},
        {"w6", rig.players.web, false},
    };
    for (const Case& c : cases) {
        start(QStringLiteral("13.10.10 12:10:30|%1|00|13.10.10 12:11:30").arg(c.code));
        rig.ticker.calls.clear();
        emit c.player.onScreen();
        EXPECT_EQ(rig.ticker.calls.contains("front"), c.front) << c.code;
        rig.timers.advance(60'000);
        rig.ticker.calls.clear();
        emit c.player.onScreen();
        EXPECT_FALSE(rig.ticker.calls.contains("front")) << c.code << " after its stop";
    }
}

TEST_F(Handlers, SlideShowRaisesThePinAndItsStopLeavesIt)
{
    settings.setChecked(key::SCCheckBox26, true);
    settings.setChecked(key::SCCheckBox8, true);
    settings.setChecked(key::SCCheckBox1, true);
    settings.setChecked(key::SCCheckBox3, true);
    start(QStringLiteral("13.10.10 12:10:30|p1|00|13.10.10 12:11:30"));
    EXPECT_EQ(rig.port.value(), 0x80);
    EXPECT_EQ(rig.tones.tones, (std::vector<std::pair<int, int>>{{300, 200}}));
    rig.timers.advance(60'000);
    EXPECT_EQ(rig.port.value(), 0x80);
    EXPECT_EQ(rig.tones.tones.size(), 1u);
    EXPECT_EQ(settings.text(key::SCEditn1), "");
}

TEST_F(Handlers, BroadcastMutesAndUnmutes)
{
    settings.setChecked(key::SCCheckbox25, true);
    start(QStringLiteral("13.10.10 12:10:30|t1|00|13.10.10 12:11:30"));
    EXPECT_TRUE(handlers.BroadcastMuted());
    rig.timers.advance(60'000);
    EXPECT_EQ(rig.mute.calls, (std::vector<bool>{true, false}));
    EXPECT_FALSE(handlers.BroadcastMuted());

    // Unchecked in between: the speakers stay muted.
    start(QStringLiteral("13.10.10 12:11:30|t1|00|13.10.10 12:12:30"));
    settings.setChecked(key::SCCheckbox25, false);
    rig.timers.advance(60'000);
    EXPECT_EQ(rig.mute.calls, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(handlers.BroadcastMuted());
}

TEST_F(Handlers, StopBeforeStartStopsAtOnce)
{
    start(QStringLiteral("13.10.10 12:10:30|k1|00|13.10.10 12:00:00"));
    EXPECT_LT(handlers.EntryDurationMs(), 0);
    EXPECT_EQ(handlers.stopTimer("k")->interval(), 0);
    rig.timers.advance(0);
    EXPECT_EQ(rig.players.calls, (QStringList{"start k 1", "stop k"}));
}

TEST_F(Handlers, NewStartOfARunningKindReplacesItsStop)
{
    start(QStringLiteral("13.10.10 12:10:30|k1|00|13.10.10 12:30:30"));
    rig.timers.advance(60'000);
    start(QStringLiteral("13.10.10 12:11:30|k2|00|13.10.10 12:12:30"));
    rig.timers.advance(60'000);
    EXPECT_EQ(rig.players.calls, (QStringList{"start k 1", "start k 2", "stop k"}));
    rig.timers.advance(3'600'000);
    EXPECT_EQ(rig.players.calls.size(), 3);
}

TEST_F(Handlers, FailuresEndTheHandlerAtTheirStep)
{
    // A stop that does not convert: nothing starts.
    EXPECT_THROW(start(QStringLiteral("13.10.10 12:10:30|k1|00|13.1x.10 12:30:30")), Failure);
    EXPECT_TRUE(rig.players.calls.isEmpty());
    EXPECT_FALSE(handlers.stopTimer("k")->isActive());

    // A tone that is not an integer: the stop timer stands, the content does not start.
    settings.setChecked(key::SCCheckBox1, true);
    settings.setText(key::SCEdit71, QStringLiteral("3a0"));
    EXPECT_THROW(start(QStringLiteral("13.10.10 12:10:30|k1|00|13.10.10 12:30:30")), Failure);
    EXPECT_TRUE(rig.players.calls.isEmpty());
    EXPECT_TRUE(handlers.stopTimer("k")->isActive());

    // A failing stop is reported once through the guard.
    settings.setChecked(key::SCCheckBox3, true);
    settings.setText(key::SCEdit72, QStringLiteral("x"));
    rig.timers.advance(3'600'000);
    EXPECT_EQ(rig.notifier.errors.size(), 1);
    EXPECT_FALSE(handlers.stopTimer("k")->isActive());
}

TEST_F(Handlers, PlayersGetTheirFileAndWindowRectangle)
{
    settings.setText(key::SCEdit51, QStringLiteral("/data/three.avi"));
    settings.setText(key::SCEdit58, QStringLiteral("/data/zero.swf"));
    settings.setText(key::SCEdit1w6, QStringLiteral("example.org/six"));
    settings.setSpin(key::SpinEdit19, 11);   // left
    settings.setSpin(key::SpinEdit20, 320);  // width
    settings.setSpin(key::SpinEdit21, 22);   // top
    settings.setSpin(key::SpinEdit22, 240);  // height
    struct Case {
        const char* code;
        const char* mode;
        const RecordingPlayer* player;
        const char* target;
        QRect rect;
    };
    const RecordingPlayers& players = rig.players;
    const Case cases[] = {
        {"k3", "z", &players.clip, "/data/three.avi", QRect(11, 22, 320, 240)},
        // The external player places its own window.
        {"b3", "0", &players.external, "/data/three.avi", QRect()},
        // An empty slide-show slot: the slot text is the file name.
        {"p4", "0", &players.slideShow, "4", QRect(0, 0, 300, 400)},
        {"f0", "0", &players.flash, "/data/zero.swf", QRect(0, 0, 300, 400)},
        {"w6", "0", &players.web, "example.org/six", QRect(600, 0, 800, 600)},
        {"t1", "0", &players.capture, "", QRect(0, 0, 300, 400)},
        // A slot that is no digit names no file.
        {"kx", "0", &players.clip, "", QRect(11, 22, 320, 240)},
    };
    for (const Case& c : cases) {
        start(QStringLiteral("13.10.10 12:10:30|%1|%2|13.10.10 12:11:30")
                  .arg(c.code, c.mode + QStringLiteral("0")));
        ASSERT_FALSE(c.player->requests.isEmpty()) << c.code;
        const PlayerRequest& request = c.player->requests.last();
        EXPECT_EQ(request.letter, QLatin1Char(c.code[0])) << c.code;
        EXPECT_EQ(request.slot, QString(QLatin1Char(c.code[1]))) << c.code;
        EXPECT_EQ(request.target, c.target) << c.code;
        EXPECT_EQ(request.rect, c.rect) << c.code;
        // The stop code stays with the handlers, which decide at the stop whether to park.
        EXPECT_EQ(handlers.StopCode(), QString(QLatin1Char(c.code[0])) + c.mode) << c.code;
    }
    EXPECT_TRUE(rig.notifier.messages.isEmpty());
    EXPECT_TRUE(rig.notifier.errors.isEmpty());
}

TEST_F(Handlers, SlotFailuresOfSlideShowAndWebPage)
{
    // A slide-show slot that is no number is reported and slot 0 is shown.
    settings.setText(key::SCEdit58, QStringLiteral("/data/zero.ppt"));
    start(QStringLiteral("13.10.10 12:10:30|px|00|13.10.10 12:11:30"));
    EXPECT_EQ(rig.notifier.messages, QStringList{"Некорректно задан номер файла x"});
    EXPECT_EQ(rig.players.slideShow.requests.last().target, "/data/zero.ppt");

    // A web window size that is no integer ends the start before the page is shown.
    settings.setText(key::SCEdit44, QStringLiteral("8o0"));
    EXPECT_THROW(start(QStringLiteral("13.10.10 12:10:30|w1|00|13.10.10 12:11:30")), Failure);
    EXPECT_TRUE(rig.players.web.requests.isEmpty());
    EXPECT_TRUE(handlers.stopTimer("w")->isActive());
}

TEST_F(Handlers, SlideShowEndingByItselfRunsItsStop)
{
    start(QStringLiteral("13.10.10 12:10:30|p2|z0|13.10.10 13:10:30"));
    rig.players.clip.ended();  // a clip keeps its last picture until its stop
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.players.calls, QStringList{"start p 2"});

    rig.players.slideShow.ended();
    EXPECT_EQ(rig.players.calls, QStringList{"start p 2"});  // not inside the player's report
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.players.calls, (QStringList{"start p 2", "park p"}));
    EXPECT_FALSE(handlers.stopTimer("p")->isActive());
    EXPECT_EQ(settings.text(key::SCEditn1), "");
    EXPECT_EQ(rig.events("stop"), QStringList{"p pz"});
    // Once parked, a late end changes nothing.
    rig.players.slideShow.ended();
    QCoreApplication::processEvents();
    rig.timers.advance(3'600'000);
    EXPECT_EQ(rig.players.calls.size(), 2);
}

}  // namespace
