#include <gtest/gtest.h>
#include <QSignalSpy>

#include "base/failurefeed.h"
#include "fakes/testsupport.h"

using namespace velumo;
using namespace velumo::test;

namespace {

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

}  // namespace
