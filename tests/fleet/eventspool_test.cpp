// The spool of events on their way to the broker: order, acknowledgement, restart, bound.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include "fakes/testsupport.h"
#include "fleet/eventspool.h"

namespace velumo::fleet {
namespace {

QByteArray message(quint64 seq, int padding = 0)
{
    return "{\"seq\":" + QByteArray::number(seq) + ",\"pad\":\"" + QByteArray(padding, 'x') + "\"}";
}

TEST(EventSpool, KeepsWhatIsNotAcknowledgedAcrossARestart)
{
    QTemporaryDir dir;
    {
        EventSpool spool(dir.path());
        ASSERT_EQ(spool.open(), "");
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(spool.append([](quint64 seq) { return message(seq); }));
        // Acknowledged out of order: only the head in order leaves.
        spool.acknowledge(2);
        EXPECT_EQ(spool.pending().size(), 5u);
        // The acknowledgement reaches the disk at most kAckWriteMs late.
        QThread::msleep(EventSpool::kAckWriteMs);
        spool.acknowledge(1);
        EXPECT_EQ(spool.pending().front().seq, 3u);
    }  // as if killed: nothing is written at the end
    EventSpool again(dir.path());
    ASSERT_EQ(again.open(), "");
    ASSERT_EQ(again.pending().size(), 3u);
    EXPECT_EQ(again.pending().front().seq, 3u);
    EXPECT_EQ(again.pending().back().seq, 5u);
    // The numbers go on.
    EXPECT_EQ(*again.append([](quint64 seq) { return message(seq); }), 6u);
    for (quint64 s = 3; s <= 6; ++s)
        again.acknowledge(s);
    EXPECT_TRUE(again.pending().empty());
    EXPECT_EQ(QFileInfo(again.spoolPath()).size(), 0);
    // Emptied, the spool still knows where the numbers were.
    EventSpool third(dir.path());
    ASSERT_EQ(third.open(), "");
    EXPECT_EQ(*third.append([](quint64 seq) { return message(seq); }), 7u);
}

TEST(EventSpool, AnAcknowledgementNotYetOnDiskOnlySendsAgain)
{
    QTemporaryDir dir;
    {
        EventSpool spool(dir.path());
        ASSERT_EQ(spool.open(), "");
        for (int i = 0; i < 4; ++i)
            spool.append([](quint64 seq) { return message(seq); });
        QThread::msleep(EventSpool::kAckWriteMs);
        spool.acknowledge(1);  // on disk
        spool.acknowledge(2);  // too soon after: not yet
    }
    EventSpool again(dir.path());
    ASSERT_EQ(again.open(), "");
    ASSERT_EQ(again.pending().size(), 3u);
    EXPECT_EQ(again.pending().front().seq, 2u);
    EXPECT_EQ(*again.append([](quint64 seq) { return message(seq); }), 5u);
}

TEST(EventSpool, ALineCutShortIsNoMessage)
{
    QTemporaryDir dir;
    {
        EventSpool spool(dir.path());
        ASSERT_EQ(spool.open(), "");
        spool.append([](quint64 seq) { return message(seq); });
        spool.append([](quint64 seq) { return message(seq); });
    }
    QFile file(dir.filePath("fleet.spool"));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("{\"seq\":3,\"pa");
    file.close();
    EventSpool again(dir.path());
    ASSERT_EQ(again.open(), "");
    EXPECT_EQ(again.pending().size(), 2u);
}

TEST(EventSpool, BoundedAndSaysWhenNearlyFull)
{
    QTemporaryDir dir;
    EventSpool spool(dir.path(), 10 * 1024);
    ASSERT_EQ(spool.open(), "");
    int taken = 0;
    while (spool.append([](quint64 seq) { return message(seq, 1000); }))
        ++taken;
    EXPECT_EQ(taken, 10);
    EXPECT_EQ(spool.refused(), 1u);
    EXPECT_TRUE(spool.nearlyFull());
    spool.acknowledge(1);
    spool.acknowledge(2);
    spool.acknowledge(3);
    EXPECT_FALSE(spool.nearlyFull());
    EXPECT_TRUE(spool.append([](quint64 seq) { return message(seq, 1000); }));
}

TEST(EventSpool, ALongAcknowledgedHeadIsCutAway)
{
    QTemporaryDir dir;
    EventSpool spool(dir.path());
    ASSERT_EQ(spool.open(), "");
    for (int i = 0; i < 1200; ++i)
        spool.append([](quint64 seq) { return message(seq, 1000); });
    for (quint64 s = 1; s <= 1194; ++s)
        spool.acknowledge(s);
    QThread::msleep(EventSpool::kAckWriteMs);
    spool.acknowledge(1195);
    // Cut when the dead head passed its limit while little was left: far less than was written.
    EXPECT_LT(QFileInfo(spool.spoolPath()).size(), 300 * 1024);
    EventSpool again(dir.path());
    ASSERT_EQ(again.open(), "");
    EXPECT_EQ(again.pending().size(), 5u);
    EXPECT_EQ(again.pending().front().seq, 1196u);
}

}  // namespace
}  // namespace velumo::fleet
