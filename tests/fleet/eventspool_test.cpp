// The spool of events on their way to the broker: order, acknowledgement, restart, bound.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>

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
    // The torn part is cut away at open: the next line is not joined to it.
    EXPECT_EQ(*again.append([](quint64 seq) { return message(seq); }), 3u);
    EventSpool third(dir.path());
    ASSERT_EQ(third.open(), "");
    ASSERT_EQ(third.pending().size(), 3u);
    EXPECT_EQ(third.pending().back().payload, message(3));
}

// The kernel cuts a write short (here at a file size limit, as a full disk does): the part that
// went out is cut away at once, and the next event is whole.
TEST(EventSpool, AShortWriteLeavesNoPartOfItsLine)
{
    QTemporaryDir dir;
    EventSpool spool(dir.path());
    ASSERT_EQ(spool.open(), "");
    ASSERT_TRUE(spool.append([](quint64 seq) { return message(seq); }));
    const qint64 whole = QFileInfo(spool.spoolPath()).size();
    const auto xfsz = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{rlim_t(whole + 100), limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_FALSE(spool.append([](quint64 seq) { return message(seq, 1000); }));
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, xfsz);
    EXPECT_FALSE(spool.error().isEmpty());
    EXPECT_EQ(QFileInfo(spool.spoolPath()).size(), whole);
    EXPECT_EQ(*spool.append([](quint64 seq) { return message(seq); }), 2u);
    EventSpool again(dir.path());
    ASSERT_EQ(again.open(), "");
    ASSERT_EQ(again.pending().size(), 2u);
    EXPECT_EQ(again.pending().back().payload, message(2));
}

// A restart in the same boot goes on with the next number; after a power loss took the last
// unsynced writes (the spool and the acknowledgement back to nothing), no number is used twice.
TEST(EventSpool, NumbersNeverRepeatAfterAPowerLoss)
{
    QTemporaryDir dir;
    for (quint64 expected = 1; expected <= 2; ++expected) {
        EventSpool spool(dir.path(), EventSpool::kLimitBytes, "boot-1");
        ASSERT_EQ(spool.open(), "");
        EXPECT_EQ(*spool.append([](quint64 seq) { return message(seq); }), expected);
    }
    for (const QString& lost : {QStringLiteral("fleet.spool"), QStringLiteral("fleet.spool.ack")})
        QFile::resize(dir.filePath(lost), 0);
    EventSpool afterPowerLoss(dir.path(), EventSpool::kLimitBytes, "boot-2");
    ASSERT_EQ(afterPowerLoss.open(), "");
    EXPECT_GT(*afterPowerLoss.append([](quint64 seq) { return message(seq); }), 2u);
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
