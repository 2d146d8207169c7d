#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "base/eventlog.h"
#include "base/failurefeed.h"
#include "base/origin.h"
#include "fakes/testsupport.h"

using namespace velumo;
using namespace velumo::test;

namespace {

// The status member "failures": a day without one says so with null, not with an old entry.
TEST(FailureFeed, StatusCountsTodayAndNamesTheLast)
{
    FakeClock clock(QDateTime(QDate(2026, 12, 9), QTime(23, 59, 58)));
    FailureFeed feed(clock);
    feed.add("rss", "Лента недоступна");
    QJsonObject status = feed.status({"Открытое окно"});
    EXPECT_EQ(status.value("today").toInteger(), 1);
    EXPECT_EQ(status.value("boxes").toArray().first().toString(), "Открытое окно");
    EXPECT_EQ(status.value("last").toObject().value("source").toString(), "rss");
    EXPECT_EQ(status.value("last").toObject().value("at").toString(), "2026-12-09T23:59:58.000");
    clock.advanceMs(3000);
    status = feed.status({});
    EXPECT_EQ(status.value("today").toInteger(), 0);
    EXPECT_TRUE(status.value("last").isNull());
}

TEST(FailureFeed, KeepsTodaysFailuresOnlyAndBoundsThem)
{
    FakeClock clock(QDateTime(QDate(2026, 12, 9), QTime(23, 59, 58)));
    FailureFeed feed(clock);
    QSignalSpy added(&feed, &FailureFeed::added);
    EXPECT_FALSE(feed.last());
    feed.add("Timer1start", "Нет устройства видеозахвата");
    ASSERT_EQ(added.size(), 1);
    ASSERT_TRUE(feed.last());
    EXPECT_EQ(FailureFeed::lineText(*feed.last()), "23:59:58 Нет устройства видеозахвата");
    EXPECT_EQ(feed.last()->source, "Timer1start");

    // Midnight: yesterday's failures are gone from the line and the list.
    clock.advanceMs(3000);
    EXPECT_FALSE(feed.last());
    EXPECT_TRUE(feed.today().isEmpty());

    // A feed that fails all day stays bounded, newest kept.
    for (int i = 0; i < FailureFeed::kMaxEntries + 5; ++i)
        feed.add("rss", QString::number(i));
    EXPECT_EQ(feed.today().size(), FailureFeed::kMaxEntries);
    EXPECT_EQ(feed.today().first().text, "5");
    EXPECT_EQ(feed.last()->text, QString::number(FailureFeed::kMaxEntries + 4));

    // A clock set back within the day keeps the list.
    clock.setNow(QDateTime(QDate(2026, 12, 10), QTime(0, 0, 0)));
    EXPECT_EQ(feed.today().size(), FailureFeed::kMaxEntries);
}

TEST(FailureFeed, WhatRunsOnItsOwnGoesToTheFeedWhatTheOperatorDoesStaysABox)
{
    QTemporaryDir dir;
    EventLog log(dir.filePath("velumo.log"));
    test::RecordingNotifier notifier(&log);
    FakeClock clock(QDateTime(QDate(2026, 12, 9), QTime(14, 0)));
    FailureFeed feed(clock);
    notifier.setFailureFeed(&feed);

    // A button, a dialog, a control command: the box, the log line as it always was.
    notifier.errorReport(QStringLiteral("no video capture device"),
                         Origin::byOperator(QStringLiteral("SCButton63")));
    {
        const Origin::Scope button(Origin::byOperator(QStringLiteral("SCButton43")));
        notifier.message(QStringLiteral("ЦУП уже запущен!"));
    }
    EXPECT_EQ(notifier.errors, QStringList{"no video capture device"});
    EXPECT_EQ(notifier.messages, QStringList{"ЦУП уже запущен!"});
    EXPECT_TRUE(feed.today().isEmpty());

    // A timer: no box; the feed has the plain Russian words, the log the detail after a dash.
    {
        const Origin::Scope timer(Origin::unattended(QStringLiteral("Timer1start")));
        notifier.errorReport(QStringLiteral("no video capture device"));
        notifier.message(QStringLiteral("Не загружено расписание диспетчера"));
    }
    EXPECT_EQ(notifier.errors.size(), 1);
    EXPECT_EQ(notifier.messages.size(), 1);
    ASSERT_EQ(feed.today().size(), 2);
    EXPECT_TRUE(feed.today()[0].text.startsWith("Нет устройства видеозахвата"));
    EXPECT_EQ(feed.today()[0].source, "Timer1start");
    EXPECT_EQ(feed.today()[1].text, "Не загружено расписание диспетчера");
    const QStringList errors = test::logEvents(log.path(), "error");
    ASSERT_EQ(errors.size(), 2);
    EXPECT_EQ(errors[0], "no video capture device");
    EXPECT_TRUE(errors[1].startsWith("Нет устройства видеозахвата"));
    EXPECT_TRUE(errors[1].endsWith(" — no video capture device"));

    // Without a feed (a run without a screen, the tests of a part) everything is shown.
    notifier.setFailureFeed(nullptr);
    notifier.errorReport(QStringLiteral("stalled"), Origin::unattended(QStringLiteral("k")));
    EXPECT_EQ(notifier.errors.size(), 2);
}

}  // namespace
