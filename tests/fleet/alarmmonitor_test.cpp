// The alarms on a fake clock: each raised once and cleared once, with the moment it began, in
// velumo.log and in the status member; the strip's stall seen also when the whole program stood
// still and the strip moved again before the check.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonObject>
#include <QTemporaryDir>

#include "base/eventlog.h"
#include "fakes/faketimers.h"
#include "fakes/testsupport.h"
#include "fleet/alarmmonitor.h"
#include "fleet/repaintwatch.h"

namespace velumo {
namespace {

using test::FakeTimerFactory;

QImage solid(QColor colour)
{
    QImage picture(320, 180, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

class Alarms : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QObject::connect(&log, &EventLog::posted, [this](const Event& event) {  // plain: test
            if (event.kind == QLatin1String("alarm"))
                events.append(event.fields());
        });
        monitor = std::make_unique<AlarmMonitor>(
            dir.path(), log, timers.clock(), timers, nullptr,
            AlarmMonitor::Sources{
                [this] { return running; }, &watch, [this] { return frames; }, {}});
    }

    // Time goes on in frames of 16 ms; the strip paints a new position on each while painting.
    void run(qint64 ms, bool painting)
    {
        for (qint64 done = 0; done < ms; done += 16) {
            timers.advance(16);
            if (painting)
                watch.painted(++position, timers.clock().monotonicMs());
        }
    }

    QStringList history(const QString& id) const
    {
        QStringList out;
        for (const QJsonObject& fields : events)
            if (fields.value("id").toString() == id)
                out << fields.value("event").toString();
        return out;
    }

    QTemporaryDir dir;
    EventLog log{dir.path() + "/velumo.log"};
    FakeTimerFactory timers;
    RepaintWatch watch;
    bool running = true;
    int position = 0;
    std::vector<AlarmMonitor::PlayerFrame> frames;
    QList<QJsonObject> events;
    std::unique_ptr<AlarmMonitor> monitor;
};

TEST_F(Alarms, StripThatStopsMovingIsRaisedOnceAndClearedOnceWhenItMovesAgain)
{
    run(20'000, true);
    EXPECT_TRUE(history("strip_frozen").isEmpty());

    const QDateTime stalled = timers.clock().now();
    run(4'500, false);
    EXPECT_FALSE(monitor->isActive("strip_frozen")) << "4.5 s is not yet frozen";
    run(10'000, false);
    ASSERT_TRUE(monitor->isActive("strip_frozen"));
    EXPECT_EQ(history("strip_frozen"), QStringList{"raised"});
    const QJsonArray status = monitor->status();
    ASSERT_EQ(status.size(), 1);
    EXPECT_EQ(status[0]["id"].toString(), "strip_frozen");
    const QDateTime since = QDateTime::fromString(status[0]["since"].toString(), Qt::ISODateWithMs);
    EXPECT_LE(qAbs(since.msecsTo(stalled)), 1100) << status[0]["since"].toString().toStdString();

    run(3'000, true);
    EXPECT_FALSE(monitor->isActive("strip_frozen"));
    run(20'000, true);
    EXPECT_EQ(history("strip_frozen"), (QStringList{"raised", "cleared"}));
    EXPECT_TRUE(monitor->status().isEmpty());

    // The lines of velumo.log say the same.
    const QString text = QString::fromUtf8(test::readAll(dir.path() + "/velumo.log"));
    EXPECT_EQ(text.count("\talarm\traised strip_frozen: "), 1) << text.toStdString();
    EXPECT_EQ(text.count("\talarm\tcleared strip_frozen"), 1) << text.toStdString();
}

// The whole program was stopped: on its return the strip may paint before the monitor looks;
// the gap it left is still a frozen strip, raised and then cleared.
TEST_F(Alarms, GapOverBeforeTheCheckStillRaisesAndThenClears)
{
    run(2'000, true);
    timers.clock().advanceMs(6'000);  // nothing ran: not the strip, not the monitor's timer
    watch.painted(++position, timers.clock().monotonicMs());
    run(100, true);
    EXPECT_TRUE(monitor->isActive("strip_frozen"));
    run(3'000, true);
    EXPECT_EQ(history("strip_frozen"), (QStringList{"raised", "cleared"}));
}

TEST_F(Alarms, StripAtRestIsNoAlarmAndItsRestIsNoGapOnceItRunsAgain)
{
    running = false;
    run(60'000, false);
    running = true;
    run(3'000, false);  // starting: the first position may take a moment
    run(20'000, true);
    EXPECT_TRUE(history("strip_frozen").isEmpty());
    // The stop's minute went into no gap.
    EXPECT_EQ(watch.counts().back(), 0u);

    // A strip that stops with its ticker takes its alarm with it.
    run(7'000, false);
    ASSERT_TRUE(monitor->isActive("strip_frozen"));
    running = false;
    run(2'000, false);
    EXPECT_EQ(history("strip_frozen"), (QStringList{"raised", "cleared"}));
}

TEST_F(Alarms, PlayerPictureStandingStillOrBlackTooLongIsFrozen)
{
    // A clip whose picture changes at every look is never frozen.
    for (int n = 0; n < 20; ++n) {
        frames = {{"clip", solid(QColor(n * 10, 80, 80)), 10'000, 10'000}};
        run(3'000, true);
    }
    EXPECT_TRUE(history("player_frozen").isEmpty());

    // Then its picture stands still.
    frames = {{"clip", solid(Qt::red), 10'000, 10'000}};
    run(9'000, true);
    EXPECT_FALSE(monitor->isActive("player_frozen"));
    run(6'000, true);
    ASSERT_TRUE(monitor->isActive("player_frozen"));
    EXPECT_TRUE(monitor->active().at("player_frozen").text.contains("clip"));
    run(30'000, true);
    EXPECT_EQ(history("player_frozen"), QStringList{"raised"});
    // The window goes down: nothing should show, nothing is frozen.
    frames.clear();
    run(3'000, true);
    EXPECT_EQ(history("player_frozen"), (QStringList{"raised", "cleared"}));

    // A page may stand for ever, but not stay black (a page that never painted).
    events.clear();
    frames = {{"web", solid(Qt::white), std::numeric_limits<qint64>::max(), 20'000}};
    run(120'000, true);
    EXPECT_TRUE(history("player_frozen").isEmpty());
    frames = {{"web", QImage(), std::numeric_limits<qint64>::max(), 20'000}};
    run(18'000, true);
    EXPECT_FALSE(monitor->isActive("player_frozen"));
    run(6'000, true);
    EXPECT_TRUE(monitor->isActive("player_frozen"));
    frames = {{"web", solid(Qt::black), std::numeric_limits<qint64>::max(), 20'000}};
    run(6'000, true);
    EXPECT_TRUE(monitor->isActive("player_frozen")) << "a black picture is no picture";
    frames = {{"web", solid(Qt::white), std::numeric_limits<qint64>::max(), 20'000}};
    run(3'000, true);
    EXPECT_EQ(history("player_frozen"), (QStringList{"raised", "cleared"}));
}

TEST_F(Alarms, SpoolDiskAndClockAreRaisedOnceAcrossRepeatedReadings)
{
    monitor->setSpoolFill(0.5);
    monitor->setSpoolFill(0.85);
    monitor->setSpoolFill(0.95);
    monitor->setSpoolFill(0.81);
    monitor->setSpoolFill(0.2);
    monitor->setSpoolFill(0.1);
    EXPECT_EQ(history("spool_full"), (QStringList{"raised", "cleared"}));

    monitor->applySystem({0.90, true});
    monitor->applySystem({0.96, true});
    monitor->applySystem({0.99, false});
    // A reading that could not be made changes nothing.
    monitor->applySystem({std::nullopt, std::nullopt});
    EXPECT_TRUE(monitor->isActive("disk_full"));
    EXPECT_TRUE(monitor->isActive("clock_unsynced"));
    monitor->applySystem({0.5, true});
    EXPECT_EQ(history("disk_full"), (QStringList{"raised", "cleared"}));
    EXPECT_EQ(history("clock_unsynced"), (QStringList{"raised", "cleared"}));
    EXPECT_TRUE(monitor->status().isEmpty());
}

TEST(AlarmSystemState, ReadsTheDiskOfTheFolderAndTheClockState)
{
    QTemporaryDir dir;
    const AlarmMonitor::SystemState state = AlarmMonitor::readSystemState(dir.path());
    ASSERT_TRUE(state.diskFill.has_value());
    EXPECT_GE(*state.diskFill, 0.0);
    EXPECT_LE(*state.diskFill, 1.0);
    EXPECT_TRUE(state.clockSynced.has_value());
    EXPECT_FALSE(AlarmMonitor::readSystemState(dir.path() + "/missing").diskFill.has_value());
}

}  // namespace
}  // namespace velumo
