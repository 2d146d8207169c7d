// The watcher's logic on a fake clock: where it starts from, one notice for the changes of ten
// seconds, alarms from the status and from events, silence only while the broker is there.
// Against a real broker and real stations: tests/dashboard/dashboard_test.py.
#include <gtest/gtest.h>

#include "fakes/faketimers.h"
#include "fleet/fleetwatch.h"
#include "fleet/mqttclient.h"

namespace velumo::fleet {
namespace {

struct Recorder final : NoticeRunner {
    void run(const WatchNotice& notice) override { notices.append(notice); }
    QList<WatchNotice> notices;
};

class WatchRig {
public:
    WatchRig() : watch(timers.clock(), timers, recorder) { watch.setConnected(true); }

    QByteArray at(qint64 offsetMs = 0)
    {
        const QDateTime t = timers.clock().now().addMSecs(offsetMs);
        return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs).toUtf8();
    }
    void put(const QByteArray& station, const QByteArray& leaf, const QByteArray& payload,
             bool retained = false)
    {
        watch.take({"velumo/" + station + "/" + leaf, payload, {}, {}, {}, retained});
    }
    void status(const QByteArray& station, const QByteArray& alarms, bool retained = false,
                int intervalS = 60)
    {
        put(station, "status",
            R"({"station":")" + station + R"(","status_interval_s":)" +
                QByteArray::number(intervalS) + R"(,"time":")" + at() + R"(","alarms":[)" + alarms +
                "]}",
            retained);
    }
    void alarm(const QByteArray& station, const QByteArray& event, qint64 offsetMs = 0)
    {
        put(station, "events",
            R"({"seq":1,"kind":"alarm","time":")" + at(offsetMs) +
                R"(","fields":{"id":"spool_full","event":")" + event +
                R"(","text":"the fleet spool is 90 % full"}})");
    }

    test::FakeTimerFactory timers;
    Recorder recorder;
    FleetWatch watch;
};

TEST(FleetWatch, StartsFromWhatIsRetainedAndGathersTenSeconds)
{
    WatchRig rig;
    rig.put("a", "online", "1", true);
    rig.status("a", R"({"id":"disk_full","since":"2010-10-13T11:00:00.000","text":"full"})", true);
    rig.put("b", "online", "0", true);
    rig.timers.advance(30000);
    EXPECT_TRUE(rig.recorder.notices.isEmpty());
    EXPECT_EQ(rig.watch.state("a"), "online");
    EXPECT_EQ(rig.watch.state("b"), "offline");

    // Down by its last will, back up 3 s later: one notice at the tenth second.
    rig.put("a", "online", "0");
    rig.timers.advance(3000);
    rig.put("a", "online", "1");
    rig.timers.advance(6999);
    EXPECT_TRUE(rig.recorder.notices.isEmpty());
    rig.timers.advance(1);
    ASSERT_EQ(rig.recorder.notices.size(), 1);
    const WatchNotice& bounce = rig.recorder.notices[0];
    EXPECT_EQ(bounce.station, "a");
    EXPECT_EQ(bounce.state, "online");
    EXPECT_EQ(bounce.previousState, "online");
    ASSERT_EQ(bounce.changes.size(), 2);
    EXPECT_EQ(bounce.changes[0].value, "offline");
    const QProcessEnvironment env = bounce.environment();
    EXPECT_EQ(env.value("VELUMO_STATE"), "online");
    EXPECT_EQ(env.value("VELUMO_ALARMS"), "disk_full");
    EXPECT_TRUE(env.value("VELUMO_SUMMARY").contains("по порядку: нет связи"))
        << env.value("VELUMO_SUMMARY").toStdString();
    EXPECT_EQ(env.value("VELUMO_CHANGES").count(u'\n'), 1);

    // A station never heard of that comes online is news.
    rig.put("c", "online", "1");
    rig.timers.advance(10000);
    ASSERT_EQ(rig.recorder.notices.size(), 2);
    EXPECT_EQ(rig.recorder.notices[1].previousState, "unknown");
}

TEST(FleetWatch, AlarmsRaisedAndClearedEachTold)
{
    WatchRig rig;
    rig.put("a", "online", "1", true);
    rig.status("a", "", true);
    rig.alarm("a", "raised");
    rig.timers.advance(10000);
    rig.status("a", R"({"id":"spool_full"})");  // the status agrees: nothing new
    rig.alarm("a", "cleared");
    rig.timers.advance(10000);
    // A spool draining after an outage brings events older than the status: history only.
    rig.alarm("a", "raised", -60000);
    rig.timers.advance(10000);
    ASSERT_EQ(rig.recorder.notices.size(), 2);
    const QProcessEnvironment raised = rig.recorder.notices[0].environment();
    EXPECT_EQ(raised.value("VELUMO_ALARM"), "spool_full");
    EXPECT_EQ(raised.value("VELUMO_ALARM_EVENT"), "raised");
    EXPECT_EQ(raised.value("VELUMO_ALARM_TEXT"), "the fleet spool is 90 % full");
    EXPECT_EQ(raised.value("VELUMO_STATE"), "online");
    const QProcessEnvironment cleared = rig.recorder.notices[1].environment();
    EXPECT_EQ(cleared.value("VELUMO_ALARM_EVENT"), "cleared");
    EXPECT_EQ(cleared.value("VELUMO_ALARMS"), "");
    // A status without the alarm clears it too (its clear event may be lost to a full spool).
    rig.status("a", R"({"id":"clock_unsynced"})");
    rig.timers.advance(1000);
    rig.status("a", "");
    rig.timers.advance(10000);
    ASSERT_EQ(rig.recorder.notices.size(), 3);
    EXPECT_EQ(rig.recorder.notices[2].changes.size(), 2);
}

TEST(FleetWatch, SilenceCountsOnlyWhileTheBrokerIsThere)
{
    WatchRig rig;
    rig.put("a", "online", "1", true);
    rig.status("a", "", true, 5);
    rig.watch.setConnected(false);
    rig.timers.advance(60000);
    EXPECT_EQ(rig.watch.state("a"), "online");
    // Back: what the broker holds arrives within the settling time.
    rig.watch.setConnected(true);
    rig.timers.advance(1000);
    rig.status("a", "", true, 5);
    rig.timers.advance(5000);
    EXPECT_TRUE(rig.recorder.notices.isEmpty());
    // Then silence for longer than twice the interval: stale since the last sign of life.
    rig.timers.advance(20000);
    ASSERT_EQ(rig.recorder.notices.size(), 1);
    EXPECT_EQ(rig.recorder.notices[0].state, "stale");
    EXPECT_EQ(rig.recorder.notices[0].since.secsTo(rig.timers.clock().now()), 25);
}

TEST(FleetWatch, TheBrokerAwayTwoMinutesIsToldOnceAndSoIsItsReturn)
{
    WatchRig rig;
    rig.watch.setConnected(false);
    rig.timers.advance(60000);
    rig.watch.setConnected(false);  // every failed attempt says so again
    rig.timers.advance(60000);
    ASSERT_EQ(rig.recorder.notices.size(), 1);
    const QProcessEnvironment lost = rig.recorder.notices[0].environment();
    EXPECT_EQ(lost.value("VELUMO_STATE") + lost.value("VELUMO_ALARM"), "broker_lost");
    EXPECT_EQ(rig.recorder.notices[0].since.secsTo(rig.timers.clock().now()), 120);
    rig.timers.advance(600000);
    rig.watch.setConnected(true);
    ASSERT_EQ(rig.recorder.notices.size(), 2);
    EXPECT_EQ(rig.recorder.notices[1].state, "broker_back");
    EXPECT_TRUE(rig.recorder.notices[1].summary().startsWith("брокер снова доступен"));
}

}  // namespace
}  // namespace velumo::fleet
