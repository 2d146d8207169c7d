#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <thread>

#include "base/failure.h"
#include "fakes/testsupport.h"
#include "net/ftpclient.h"
#include "net/nettestsupport.h"

using namespace velumo;

namespace {

QByteArray pattern(qsizetype size, char seed)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(seed + (i * 7 + i / 251) % 61);
    return data;
}

class FtpClientTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString root = dir.filePath(QStringLiteral("root"));
    QString remote = root + QLatin1String("/in");
    QString local = dir.filePath(QStringLiteral("local"));
    std::unique_ptr<test::FtpTestServer> server;

    void SetUp() override
    {
        QDir().mkpath(remote);
        QDir().mkpath(local);
    }
    void start(const QString& faults = {})
    {
        server = std::make_unique<test::FtpTestServer>(root, faults);
        ASSERT_GT(server->port, 0);
    }
    FtpLogin login(const QString& password = QStringLiteral("s3cret-pw")) const
    {
        return {QStringLiteral("127.0.0.1"), server->port, QStringLiteral("user"), password};
    }
    void putRemote(const QString& name, const QByteArray& data)
    {
        test::writeAll(remote + u'/' + name, data);
    }
    void touchRemote(const QString& name, const QDateTime& time)
    {
        QFile file(remote + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
    }
    QString sideFor(const QString& name) const
    {
        const QFileInfo info(remote + u'/' + name);
        return QStringLiteral("%1 %2").arg(info.size()).arg(info.lastModified().toSecsSinceEpoch());
    }
    QStringList localEntries() const
    {
        return QDir(local).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(FtpClientTest, ConnectsListsAndKeepsTheSession)
{
    putRemote(QStringLiteral("a.txt"), "alpha");
    putRemote(QStringLiteral("b.bin"), pattern(1000, 'b'));
    start();
    FtpClient client;
    EXPECT_EQ(client.connectTo(login()), QStringLiteral("/"));
    EXPECT_TRUE(client.connected());
    EXPECT_THROW(client.connectTo(login()), Failure);
    QList<QByteArray> names = client.list(QStringLiteral("/in"));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (QList<QByteArray>{"a.txt", "b.bin"}));
    EXPECT_THROW(client.list(QStringLiteral("/nowhere")), Failure);
    client.disconnect();
    EXPECT_FALSE(client.connected());
}

TEST_F(FtpClientTest, RetrievalNeverSplicesAndSkipsUnchangedFiles)
{
    const QByteArray first = pattern(300000, 'a');
    putRemote(QStringLiteral("f.bin"), first);
    start();
    FtpClient client;
    client.connectTo(login());

    auto r = client.retrieve(QStringLiteral("/in"), "f.bin", local);
    EXPECT_EQ(r.outcome, FtpClient::Outcome::Downloaded);
    EXPECT_EQ(test::readAll(local + QLatin1String("/f.bin")), first);
    EXPECT_EQ(localEntries(), QStringList{QStringLiteral("f.bin")});  // no temporaries left

    r = client.retrieve(QStringLiteral("/in"), "f.bin", local);
    EXPECT_EQ(r.outcome, FtpClient::Outcome::UpToDate);
    EXPECT_EQ(r.bytes, 0);

    // Same size, other content and time: fetched anew, not taken for complete.
    const QByteArray second = pattern(300000, 'c');
    putRemote(QStringLiteral("f.bin"), second);
    touchRemote(QStringLiteral("f.bin"), QDateTime::currentDateTime().addDays(1));
    r = client.retrieve(QStringLiteral("/in"), "f.bin", local);
    EXPECT_EQ(r.outcome, FtpClient::Outcome::Downloaded);
    EXPECT_EQ(test::readAll(local + QLatin1String("/f.bin")), second);

    // A local file longer than the remote one is replaced.
    test::writeAll(local + QLatin1String("/f.bin"), pattern(400000, 'z'));
    client.retrieve(QStringLiteral("/in"), "f.bin", local);
    EXPECT_EQ(test::readAll(local + QLatin1String("/f.bin")), second);
}

struct ResumeCase {
    const char* name;
    const char* faults;
    bool sideMatches;
    FtpClient::Outcome outcome;
};

class ResumeTable : public FtpClientTest, public ::testing::WithParamInterface<ResumeCase> {};

TEST_P(ResumeTable, PartialDownloadContinuesOnlyFromTheSameFile)
{
    const QByteArray data = pattern(500000, 'r');
    putRemote(QStringLiteral("p.bin"), data);
    start(QString::fromLatin1(GetParam().faults));
    const QString temp = local + u'/' + FtpClient::tempName(QStringLiteral("p.bin"));
    const QString side = local + u'/' + FtpClient::sideName(QStringLiteral("p.bin"));
    if (GetParam().sideMatches) {
        test::writeAll(temp, data.left(123456));
        test::writeAll(side, sideFor(QStringLiteral("p.bin")).toLatin1());
    } else {
        test::writeAll(temp, pattern(123456, 'X'));  // from an older version of the file
        test::writeAll(side, "999 12345");
    }
    test::writeAll(local + QLatin1String("/p.bin"), "previous");
    FtpClient client;
    client.connectTo(login());
    QList<qint64> done;
    const auto r =
        client.retrieve(QStringLiteral("/in"), "p.bin", local, [&](qint64 bytes, qint64 total) {
            done.append(bytes);
            EXPECT_EQ(total, data.size());
        });
    EXPECT_EQ(r.outcome, GetParam().outcome);
    EXPECT_EQ(test::readAll(local + QLatin1String("/p.bin")), data);
    EXPECT_FALSE(QFile::exists(temp));
    EXPECT_FALSE(QFile::exists(side));
    // The progress counts the part that was here: a resumed file starts from it.
    ASSERT_FALSE(done.isEmpty());
    EXPECT_EQ(done.first(), GetParam().sideMatches ? 123456 : 0);
    EXPECT_EQ(done.last(), data.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResumeTable,
    ::testing::Values(ResumeCase{"same_file", "", true, FtpClient::Outcome::Resumed},
                      ResumeCase{"other_file", "", false, FtpClient::Outcome::Downloaded},
                      ResumeCase{"rest_refused", "norest", true, FtpClient::Outcome::Downloaded}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FtpClientTest, BrokenTransfersLeaveThePreviousFile)
{
    putRemote(QStringLiteral("big.bin"), pattern(1000000, 'd'));
    for (const char* faults : {"drop", "throttle=1"}) {
        SCOPED_TRACE(faults);
        start(QString::fromLatin1(faults));
        test::writeAll(local + QLatin1String("/big.bin"), "previous");
        FtpLimits limits;
        limits.lowSpeedTimeS = 2;  // a trickle of about a byte a second counts as stalled
        limits.responseTimeoutS = 5;
        FtpClient client(limits);
        client.connectTo(login());
        QElapsedTimer clock;
        clock.start();
        EXPECT_THROW(client.retrieve(QStringLiteral("/in"), "big.bin", local), Failure);
        EXPECT_LT(clock.elapsed(), 20000);
        EXPECT_EQ(test::readAll(local + QLatin1String("/big.bin")), QByteArray("previous"));
        server.reset();
    }
}

TEST_F(FtpClientTest, StopRequestEndsATransferQuickly)
{
    putRemote(QStringLiteral("slow.bin"), pattern(2000000, 's'));
    start(QStringLiteral("throttle=100000"));
    std::atomic_bool abort{false};
    FtpClient client({}, &abort);
    client.connectTo(login());
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        abort = true;
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(client.retrieve(QStringLiteral("/in"), "slow.bin", local), Failure);
    stopper.join();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(QFile::exists(local + QLatin1String("/slow.bin")));
}

TEST_F(FtpClientTest, SilentServerCannotHoldTheClient)
{
    putRemote(QStringLiteral("a.txt"), "alpha");
    start();
    FtpLimits limits;
    limits.responseTimeoutS = 2;
    FtpClient client(limits);
    client.connectTo(login());
    server->freeze();
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(client.list(QStringLiteral("/in")), Failure);
    client.disconnect();
    EXPECT_LT(clock.elapsed(), 10000);

    // Going away from an idle session does not wait long for the answer to QUIT either.
    server->resume();
    client.connectTo(login());
    server->freeze();
    clock.restart();
    client.disconnect();
    EXPECT_LT(clock.elapsed(), 10000);
}

TEST_F(FtpClientTest, WrongPasswordFailsWithoutShowingIt)
{
    start();
    FtpClient client;
    try {
        client.connectTo(login(QStringLiteral("Wr0ng-pass")));
        FAIL() << "login accepted";
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.text().contains(QStringLiteral("(67)")))
            << failure.text().toStdString();
        EXPECT_FALSE(failure.text().contains(QStringLiteral("Wr0ng-pass")));
    }
    EXPECT_FALSE(client.connected());
}

TEST_F(FtpClientTest, NonsenseRepliesFail)
{
    putRemote(QStringLiteral("a.txt"), "alpha");
    start(QStringLiteral("nonsense"));
    FtpLimits limits;
    limits.responseTimeoutS = 5;
    FtpClient client(limits);
    EXPECT_THROW(
        {
            client.connectTo(login());
            client.list(QStringLiteral("/in"));
            client.retrieve(QStringLiteral("/in"), "a.txt", local);
        },
        Failure);
    EXPECT_FALSE(QFile::exists(local + QLatin1String("/a.txt")));
}

TEST_F(FtpClientTest, ListsThousandsOfNames)
{
    start(QStringLiteral("many"));
    FtpClient client;
    client.connectTo(login());
    const QList<QByteArray> names = client.list(QStringLiteral("/in"));
    ASSERT_EQ(names.size(), 5000);
    EXPECT_EQ(names.last(), QByteArray("file04999.txt"));
}

TEST_F(FtpClientTest, StoresUnderTheGivenName)
{
    start();
    const QString path = dir.filePath(QStringLiteral("Отчёт 1.txt"));
    test::writeAll(path, "report");
    FtpClient client;
    client.connectTo(login());
    EXPECT_EQ(client.store(path, QStringLiteral("/in"), QStringLiteral("Отчёт 1.txt")), 6);
    EXPECT_EQ(test::readAll(remote + QStringLiteral("/Отчёт 1.txt")), QByteArray("report"));
    EXPECT_THROW(client.store(dir.filePath(QStringLiteral("missing")), QStringLiteral("/in"),
                              QStringLiteral("x")),
                 Failure);
}

struct NameCase {
    QByteArray name;
    bool safe;
};

TEST(FtpNames, OnlyPlainNamesMayBecomeLocalFiles)
{
    const NameCase cases[] = {
        {"a.txt", true},
        {".hidden", true},
        {"Новости.str", true},
        {"", false},
        {".", false},
        {"..", false},
        {"../x", false},
        {"/etc/passwd", false},
        {"a\\b", false},
        {"bell\x07", false},
        {"tab\tname", false},
        {"del\x7f", false},
        {"x.velumo-part", false},
        {"x.velumo-part.info", false},
        {QByteArray(300, 'n'), false},
    };
    for (const NameCase& c : cases)
        EXPECT_EQ(FtpClient::isSafeName(c.name), c.safe) << c.name.toStdString();
    EXPECT_EQ(FtpClient::localName("\xcd\xee\xe2\xee\xf1\xf2\xe8"), QStringLiteral("Новости"));
}

}  // namespace
