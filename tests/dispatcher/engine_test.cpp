#include <gtest/gtest.h>
#include <QFile>
#include <QJsonObject>
#include <QSignalSpy>

#include "dispatcher/scheduleline.h"
#include "rig.h"

using namespace velumo;
using namespace velumo::test;

namespace {

const QString kWaiting = QStringLiteral("Жду обновления расписания");

class Engine : public ::testing::Test {
protected:
    DispatcherRig rig;
    Settings& settings = rig.settings;
    DispatcherEngine& engine = rig.engine;

    void startWithPlan(const QStringList& lines)
    {
        rig.writePlan(lines);
        settings.setChecked(key::SCCheckbox19, true);
        engine.SCButton43Click();
    }
    const WallTimer& timer() const { return rig.engine.timer1start(); }
};

TEST_F(Engine, StartButtonArmsTheFirstFutureLine)
{
    const QString next = planLine("12:30:00", "k2", "12:40:00");
    startWithPlan(
        {planLine("11:00:00", "s1", "11:30:00"), next, planLine("13:00:00", "s1", "13:10:00")});
    EXPECT_EQ(settings.text(key::SCEdit10), next);
    EXPECT_EQ(settings.text(key::SCEdit101), "k2");
    EXPECT_TRUE(settings.checked(key::SCCheckBox6));
    EXPECT_TRUE(engine.ZUP_started());
    EXPECT_EQ(timer().interval(), 1'800'000);
    EXPECT_EQ(engine.nextStartMs(), 1'800'000);
    EXPECT_TRUE(rig.notifier.messages.isEmpty());
}

TEST_F(Engine, StartTomorrowAtTheSameTimeWaitsAWholeDay)
{
    startWithPlan({QStringLiteral("14.10.10 12:00:00|s1|00|14.10.10 13:00:00")});
    EXPECT_EQ(timer().interval(), 86'400'000);
}

TEST_F(Engine, TickExecutesTheLineSavesItAndArmsTheNext)
{
    const QString first = planLine("12:00:10", "k3", "12:05:00");
    const QString second = planLine("12:00:20", "x1", "12:05:00");
    startWithPlan({first, second});
    rig.timers.advance(10'000);
    EXPECT_EQ(rig.savedEntry(), first);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 3"});
    EXPECT_EQ(settings.text(key::SCEdit10), second);
    EXPECT_EQ(timer().interval(), 10'000);

    // A letter outside the table starts nothing but is executed and saved.
    rig.timers.advance(10'000);
    EXPECT_EQ(rig.savedEntry(), second);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 3"});
    EXPECT_EQ(rig.events("start"), (QStringList{first, second}));
    // Exhausted without auto-update: off, silently.
    EXPECT_FALSE(settings.checked(key::SCCheckBox6));
    EXPECT_FALSE(engine.ZUP_started());
    EXPECT_FALSE(timer().isActive());
    EXPECT_TRUE(rig.notifier.messages.isEmpty());
}

TEST_F(Engine, ExhaustedWithoutAutoUpdateHidesThePanelLabel)
{
    QSignalSpy label(&engine, &DispatcherEngine::panelLabelVisible);
    startWithPlan({planLine("12:00:01", "x1", "12:05:00")});
    rig.timers.advance(1000);
    ASSERT_FALSE(label.isEmpty());
    EXPECT_EQ(label.last().at(0).toBool(), false);
}

TEST_F(Engine, WaitsForAnUpdatedPlanAndPicksUpNewLines)
{
    settings.setChecked(key::SCCheckBox23, true);
    const QString only = planLine("12:00:01", "x1", "12:05:00");
    startWithPlan({only});
    rig.timers.advance(1000);
    EXPECT_EQ(settings.text(key::SCEdit10), kWaiting);
    EXPECT_EQ(settings.text(key::SCEdit101), "FU");
    EXPECT_EQ(timer().interval(), 2000);
    EXPECT_TRUE(engine.waitingForUpdate());

    // Polling does not overwrite the line that ran last (a restart must still find it).
    rig.timers.advance(6000);
    EXPECT_EQ(rig.savedEntry(), only);
    EXPECT_EQ(rig.events("start"), QStringList{only});

    const QString added = planLine("12:01:00", "k1", "12:05:00");
    rig.writePlan({only, added});
    rig.timers.advance(2000);
    EXPECT_EQ(settings.text(key::SCEdit10), added);
    EXPECT_EQ(settings.text(key::SCEdit101), "k1");
    rig.timers.advance(60'000);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 1"});
}

TEST_F(Engine, PollingPeriodOfZeroDoesNotSpin)
{
    settings.setChecked(key::SCCheckBox23, true);
    settings.setSpin(key::SpinEdit5, 0);
    startWithPlan({planLine("11:00:00", "x1", "11:05:00")});
    EXPECT_EQ(settings.text(key::SCEdit10), kWaiting);
    EXPECT_GE(timer().interval(), 1000);
}

TEST_F(Engine, AutoUpdateWithTheDesignTextTriesNoReload)
{
    settings.setChecked(key::SCCheckBox23, true);
    engine.setMemon1({planLine("12:00:01", "x1", "12:05:00")});
    settings.setText(key::SCEditn10, QStringLiteral("Файл диспетчера (план-файл)"));
    engine.SCButton43Click();
    rig.timers.advance(1000);
    EXPECT_TRUE(rig.notifier.errors.isEmpty());
    EXPECT_EQ(settings.text(key::SCEdit10), kWaiting);
}

TEST_F(Engine, UncheckedByHandTicksDoNothingUntilCheckedAgain)
{
    startWithPlan({planLine("12:00:10", "k1", "12:05:00"), planLine("12:30:00", "k2", "12:35:00")});
    settings.setChecked(key::SCCheckBox6, false);
    rig.timers.advance(10'000);
    EXPECT_TRUE(rig.players.calls.isEmpty());
    EXPECT_TRUE(timer().isActive());
    settings.setChecked(key::SCCheckBox6, true);
    rig.timers.advance(10'000);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 1"});
}

TEST_F(Engine, StartButtonRefusalsAndFailures)
{
    settings.setChecked(key::SCCheckBox6, true);
    engine.SCButton43Click();
    EXPECT_EQ(rig.notifier.messages.value(0), "ЦУП уже запущен!");

    settings.setChecked(key::SCCheckBox6, false);
    settings.setChecked(key::SCCheckbox19, true);
    settings.setText(key::SCEditn10, rig.path("missing.pln"));
    engine.SCButton43Click();
    EXPECT_EQ(rig.notifier.messages.value(1),
              "Ошибочное расписание диспетчера. \"Загрузка план-файла\" не отмечено.");
    engine.panelStartClick();
    EXPECT_EQ(rig.notifier.messages.value(2), "Ошибочное расписание диспетчера");

    rig.writePlan({QStringLiteral("garbage"), planLine("13:00:00", "s1", "13:10:00")});
    engine.SCButton43Click();
    EXPECT_EQ(rig.notifier.messages.value(3),
              "Ошибочное расписание диспетчера. \"Загрузка план-файла\" не отмечено.");
    EXPECT_FALSE(timer().isActive());
    EXPECT_FALSE(settings.checked(key::SCCheckBox6));

    settings.setChecked(key::SCCheckbox19, false);
    engine.setMemon1({});
    engine.SCButton43Click();
    EXPECT_EQ(rig.notifier.messages.value(4), "Не загружено расписание диспетчера");
    EXPECT_TRUE(rig.notifier.errors.isEmpty());
}

TEST_F(Engine, BinaryAndHugePlanFilesAreReportedNotFatal)
{
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char(i * 37 % 256));
    writeAll(rig.path("binary.pln"), binary);
    settings.setText(key::SCEditn10, rig.path("binary.pln"));
    settings.setChecked(key::SCCheckbox19, true);
    engine.SCButton43Click();
    EXPECT_EQ(rig.notifier.messages.size(), 1);
    EXPECT_FALSE(timer().isActive());

    rig.writePlan({QString(100'000, u'x'), planLine("12:10:00", "s1", "12:20:00")});
    engine.SCButton43Click();
    EXPECT_EQ(rig.notifier.messages.size(), 2);
}

TEST_F(Engine, FailingStartIsReportedAndTheNextLineStillRuns)
{
    const QString bad = QStringLiteral("13.10.10 12:00:05|k1|00|13.10.10 xx:50:30");
    startWithPlan({bad, planLine("12:10:00", "k2", "12:20:00")});
    rig.timers.advance(5000);
    ASSERT_EQ(rig.notifier.errors.size(), 1);
    EXPECT_TRUE(rig.notifier.errors[0].contains("is not a valid date and time"));
    EXPECT_TRUE(settings.checked(key::SCCheckBox6));
    EXPECT_TRUE(timer().isActive());
    EXPECT_EQ(settings.text(key::SCEdit10), planLine("12:10:00", "k2", "12:20:00"));
    const QJsonObject failure = engine.status().value("last_failure").toObject();
    EXPECT_EQ(failure.value("line").toString(), bad);
    EXPECT_TRUE(failure.value("text").toString().contains("is not a valid date and time"));
    rig.timers.advance(10 * 60'000);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 2"});
    EXPECT_EQ(rig.events("start"), (QStringList{bad, planLine("12:10:00", "k2", "12:20:00")}));
}

TEST_F(Engine, LinesWhoseStartCanNeverBeReadArePassedOverAndNamedOnce)
{
    settings.setChecked(key::SCCheckBox23, true);
    // 31 February does not exist; "xx" is no hour.
    const QString february = QStringLiteral("31.02.10 12:00:02|k1|00|13.10.10 12:05:00");
    const QString garbage = QStringLiteral("13.10.10 xx:00:03|k1|00|13.10.10 12:05:00");
    startWithPlan({planLine("12:00:01", "k3", "12:00:30"), february, garbage,
                   planLine("12:00:04", "k2", "12:05:00")});
    EXPECT_TRUE(rig.notifier.messages.isEmpty());
    EXPECT_TRUE(rig.notifier.errors.isEmpty());
    rig.timers.advance(4000);
    EXPECT_EQ(rig.players.calls, (QStringList{"start k 3", "start k 2"}));
    // Polling the exhausted plan searches it again and again; each line is named once.
    rig.timers.advance(60'000);
    const QStringList errors = rig.events("error");
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[0].endsWith(february));
    EXPECT_TRUE(errors[1].endsWith(garbage));
    EXPECT_TRUE(engine.waitingForUpdate());
}

TEST_F(Engine, ReloadOfAVanishedPlanKeepsTheScheduleItHas)
{
    settings.setChecked(key::SCCheckBox23, true);
    startWithPlan({planLine("12:00:05", "k1", "12:05:00"), planLine("12:10:00", "k2", "12:20:00")});
    QFile::remove(rig.path("plan.pln"));
    rig.timers.advance(5000);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 1"});
    EXPECT_EQ(rig.notifier.errors.size(), 1);
    EXPECT_EQ(engine.Memon1().size(), 2);
    EXPECT_TRUE(timer().isActive());
    rig.timers.advance(10 * 60'000);
    EXPECT_EQ(rig.players.calls, (QStringList{"start k 1", "stop k", "start k 2"}));
}

TEST_F(Engine, UnwritableSavedEntryIsReportedAndTheLineStillStarts)
{
    startWithPlan({planLine("12:00:05", "k1", "12:05:00"), planLine("12:10:00", "k2", "12:20:00")});
    QDir(rig.folder).mkdir(DispatcherEngine::kSavedEntryFile);  // a folder in its place
    rig.timers.advance(5000);
    EXPECT_EQ(rig.notifier.errors.size(), 1);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 1"});
    EXPECT_TRUE(timer().isActive());
    rig.timers.advance(10 * 60'000);
    EXPECT_EQ(rig.players.calls, (QStringList{"start k 1", "stop k", "start k 2"}));
    EXPECT_EQ(rig.notifier.errors.size(), 2);
}

TEST_F(Engine, StopButtonEmptiesTheScheduleAndTheStringAndClipStops)
{
    startWithPlan({planLine("12:00:01", "b1", "12:30:00"), planLine("12:00:02", "s1", "12:30:00"),
                   planLine("12:00:03", "k1", "12:30:00"), planLine("12:40:00", "k1", "12:50:00")});
    rig.timers.advance(3000);
    engine.SCButton44Click();
    EXPECT_TRUE(engine.Memon1().isEmpty());
    EXPECT_FALSE(settings.checked(key::SCCheckBox6));
    EXPECT_EQ(settings.text(key::SCEdit10), "");
    EXPECT_EQ(settings.text(key::SCEdit101), "");
    for (const char* field : {key::SCEditn1, key::SCEditn2, key::SCEditn3, key::SCEditn4,
                              key::SCEditn5, key::SCEditn6, key::SCEditn8, key::SCEditn9})
        EXPECT_EQ(settings.text(field), "") << field;
    EXPECT_FALSE(timer().isActive());
    EXPECT_FALSE(rig.handlers().stopTimer("s")->isActive());
    EXPECT_FALSE(rig.handlers().stopTimer("k")->isActive());
    EXPECT_TRUE(rig.handlers().stopTimer("b")->isActive());
    rig.timers.advance(30 * 60'000);
    EXPECT_EQ(rig.players.calls.last(), "stop b");
    EXPECT_TRUE(rig.ticker.running);  // the ticker text runs on
}

// ---- timing ----

TEST_F(Engine, EarlyWakeUpRearmsForWhatRemains)
{
    startWithPlan({planLine("12:00:04", "k1", "12:05:00")});
    rig.timers.advance(3000);
    rig.timers.fire(QStringLiteral("Timer1start"));
    EXPECT_TRUE(rig.players.calls.isEmpty());
    EXPECT_EQ(engine.nextStartMs(), 1000);
    rig.timers.advance(999);
    EXPECT_TRUE(rig.players.calls.isEmpty());
    rig.timers.advance(1);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 1"});
    rig.timers.advance(60'000);
    EXPECT_EQ(rig.events("start").size(), 1);
}

TEST_F(Engine, WaitOfZeroFiresAtOnce)
{
    startWithPlan({planLine("12:00:00", "k1", "12:05:00")});
    EXPECT_EQ(timer().interval(), 0);
    rig.timers.advance(0);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 1"});
}

TEST_F(Engine, LongWaitIsArmedInSteps)
{
    startWithPlan({QStringLiteral("13.11.10 12:00:00|k1|00|13.11.10 12:05:00")});
    EXPECT_EQ(timer().interval(), qint64(31) * 86'400'000);
    const FakeTimer* step = rig.timers.find(QStringLiteral("Timer1start"));
    ASSERT_NE(step, nullptr);
    EXPECT_LE(step->interval(), WallTimer::kMaxStepMs);
    rig.timers.advance(qint64(31) * 86'400'000 - 1);
    EXPECT_TRUE(rig.players.calls.isEmpty());
    rig.timers.advance(1);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 1"});
}

TEST_F(Engine, StartsFollowTheWallClock)
{
    startWithPlan({planLine("13:00:00", "k1", "13:50:00"), planLine("13:30:00", "k2", "13:55:00")});
    // The clock is set 40 minutes ahead (a correction, or a suspend the monotonic clock missed).
    rig.clock.setNow(rig.clock.now().addSecs(40 * 60));
    rig.timers.advance(WallTimer::kMaxStepMs);
    EXPECT_EQ(engine.nextStartMs(), 20 * 60'000 - WallTimer::kMaxStepMs);
    EXPECT_FALSE(rig.events("dispatcher").isEmpty());
    rig.timers.advance(20 * 60'000 - WallTimer::kMaxStepMs);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 1"});
    EXPECT_EQ(rig.clock.now().time(), QTime(13, 0));

    // And set back by ten minutes: the next line still starts at 13:30 on the wall clock.
    rig.clock.setNow(rig.clock.now().addSecs(-10 * 60));
    rig.timers.advance(30 * 60'000);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 1"});
    rig.timers.advance(10 * 60'000);
    EXPECT_EQ(rig.players.calls, (QStringList{"start k 1", "start k 2"}));
    EXPECT_EQ(rig.clock.now().time(), QTime(13, 30));
}

TEST_F(Engine, DispstartKeepsTheArmedMoment)
{
    startWithPlan({planLine("13:00:00", "k1", "13:05:00")});
    rig.timers.advance(30 * 60'000);
    engine.dispstart();
    EXPECT_EQ(engine.nextStartMs(), 30 * 60'000);
    rig.timers.advance(30 * 60'000);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 1"});
}

TEST_F(Engine, DispStartTAndDispstartReportAMissingPlanFile)
{
    settings.setText(key::SCEditn10, rig.path("missing.pln"));
    engine.DispStartT();
    engine.dispstart();
    EXPECT_EQ(rig.notifier.messages,
              (QStringList{"Не задан файл диспетчера!", "Не задан план-файл для ЦУП!"}));
    EXPECT_FALSE(timer().isActive());
}

// The browser engine is started ahead on this signal, so it must come with the plan in Memon1,
// and not for a start that failed.
TEST_F(Engine, PlanStartedComesWithThePlanLoaded)
{
    QStringList seen;
    QObject::connect(&engine, &DispatcherEngine::planStarted,
                     [&] { seen.append(engine.Memon1().join(u'/')); });
    settings.setText(key::SCEditn10, rig.path("missing.pln"));
    engine.DispStartT();
    engine.dispstart();
    EXPECT_TRUE(seen.isEmpty());
    rig.writePlan({planLine("13:00:00", "w1", "13:05:00")});
    engine.DispStartT();
    engine.dispstart();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_TRUE(scheduleline::planShows(engine.Memon1(), u"fw"));
    EXPECT_FALSE(scheduleline::planShows(engine.Memon1(), u"kp"));
    EXPECT_FALSE(scheduleline::planShows({QStringLiteral("13.10.10"), QString()}, u"fw"));
}

// ---- resume after a restart ----

struct ResumeCase {
    const char* name;
    QByteArray saved;  // content of str_disp.txt; "-" = no file
    bool reload;
    const char* expectedCall;  // the player call of the first tick, "" = none
    const char* expectedMessage;
    bool armed;
};

class Resume : public Engine, public ::testing::WithParamInterface<ResumeCase> {};

TEST_P(Resume, FirstTickAfterStartUp)
{
    const ResumeCase& c = GetParam();
    if (c.saved != "-")
        writeAll(rig.path(DispatcherEngine::kSavedEntryFile), c.saved);
    settings.setChecked(key::SCCheckbox19, c.reload);
    settings.setChecked(key::SCCheckBox6, true);
    rig.writePlan({planLine("11:00:00", "k1", "11:30:00"), planLine("12:10:00", "k2", "12:20:00")});
    engine.startAtStartup();
    EXPECT_EQ(timer().interval(), DispatcherEngine::kStartupDelayMs);
    rig.timers.advance(DispatcherEngine::kStartupDelayMs);
    EXPECT_FALSE(engine.ResumePending());
    EXPECT_EQ(rig.players.calls.value(0), QString::fromUtf8(c.expectedCall));
    EXPECT_EQ(rig.notifier.messages.value(0), QString::fromUtf8(c.expectedMessage));
    EXPECT_EQ(timer().isActive(), c.armed);
    if (c.armed) {
        EXPECT_EQ(settings.text(key::SCEdit10), planLine("12:10:00", "k2", "12:20:00"));
    }
    EXPECT_TRUE(rig.notifier.errors.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Engine, Resume,
    ::testing::Values(
        ResumeCase{"RunningReloadOn", "13.10.10 11:50:00|k7|00|13.10.10 12:30:00\r\n", true,
                   "start k 7", "", true},
        ResumeCase{"RunningReloadOff", "13.10.10 11:50:00|k7|00|13.10.10 12:30:00\r\n", false, "",
                   "Не включена автоматическая загрузка сценария диспетчера", false},
        ResumeCase{"OverReloadOn", "13.10.10 11:00:00|k7|00|13.10.10 11:30:00\r\n", true, "", "",
                   true},
        ResumeCase{"OverReloadOff", "13.10.10 11:00:00|k7|00|13.10.10 11:30:00\r\n", false, "", "",
                   false},
        ResumeCase{"OtherDay", "12.10.10 11:50:00|k7|00|12.10.10 12:30:00\r\n", true, "", "", true},
        ResumeCase{"NoFile", "-", true, "", "", true},
        ResumeCase{"Garbage", QByteArray("\x00\xff\xfegarbage\r\nmore", 16), true, "", "", true},
        ResumeCase{"WaitingText", "Жду обновления расписания\r\n", true, "", "", true}),
    [](const ::testing::TestParamInfo<ResumeCase>& info) { return std::string(info.param.name); });

TEST_F(Engine, ResumedEntryStopsAtItsOwnStop)
{
    const QString saved = planLine("11:50:00", "k7", "12:30:00");
    writeTextLines(rig.path(DispatcherEngine::kSavedEntryFile), {saved});
    settings.setChecked(key::SCCheckbox19, true);
    settings.setChecked(key::SCCheckBox6, true);
    rig.writePlan({planLine("13:00:00", "s1", "13:10:00")});
    engine.startAtStartup();
    rig.timers.advance(DispatcherEngine::kStartupDelayMs);
    EXPECT_EQ(rig.events("start"), QStringList{saved});
    rig.timers.advance(30 * 60'000 - DispatcherEngine::kStartupDelayMs - 1);
    EXPECT_EQ(rig.players.calls, QStringList{"start k 7"});
    rig.timers.advance(1);
    EXPECT_EQ(rig.players.calls, (QStringList{"start k 7", "stop k"}));
}

TEST_F(Engine, StatusDescribesTheState)
{
    startWithPlan({planLine("12:30:00", "k2", "12:40:00")});
    const QJsonObject status = engine.status();
    EXPECT_TRUE(status.value("on").toBool());
    EXPECT_TRUE(status.value("armed").toBool());
    EXPECT_EQ(status.value("next_code").toString(), "k2");
    EXPECT_EQ(status.value("plan_lines").toArray().size(), 1);
    EXPECT_EQ(status.value("next_start_ms").toDouble(), 1'800'000);
    engine.SCButton44Click();
    EXPECT_TRUE(engine.status().value("next_start_ms").isNull());
}

}  // namespace
