// The sources against their real neighbours: a feed served by a real HTTP server on 127.0.0.1
// (conditional requests, an Atom index, a server that goes away and comes back), a drop folder
// filled by a real FTP server at modem speed.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "alerts/alertboard.h"
#include "alerts/alertintake.h"
#include "alerts/alertsources.h"
#include "alerts/dropfolder.h"
#include "alerts/feedpoller.h"
#include "base/clock.h"
#include "base/eventlog.h"
#include "base/timer.h"
#include "base/worker.h"
#include "capfixtures.h"
#include "fakes/faketimers.h"
#include "integration/programrig.h"

namespace velumo::alerts {
namespace {

using namespace test;
using velumo::test::readAll;
using velumo::test::waitFor;
using velumo::test::writeAll;

QStringList requests(const QString& root)
{
    QStringList lines =
        QString::fromUtf8(readAll(root + "/requests.log")).split(u'\n', Qt::SkipEmptyParts);
    QFile::remove(root + "/requests.log");
    return lines;
}

QByteArray atom(const QStringList& links)
{
    QString entries;
    for (const QString& link : links)
        entries += QStringLiteral("<entry><link type=\"application/cap+xml\" href=\"%1\"/></entry>")
                       .arg(link);
    return ("<feed xmlns=\"http://www.w3.org/2005/Atom\">" + entries + "</feed>").toUtf8();
}

TEST(FeedPoller, AsksConditionallyFollowsTheIndexBacksOffTurnsStaleAndRecovers)
{
    const QTemporaryDir root;
    writeAll(root.filePath("a1.xml"), xml({.id = "a1"}));
    writeAll(root.filePath("a2.xml"), xml({.id = "a2"}));
    writeAll(root.filePath("big.xml"),
             xml({.id = "big",
                  .infos = {
                      info("Minor", "Immediate", "<note>" + QString(1 << 20, u'x') + "</note>")}}));
    writeAll(root.filePath("index.atom"), atom({"a1.xml", "/a2.xml", "big.xml"}));
    auto server = std::make_unique<integration::LoopbackServer>("alerts/capserver.py", root.path());
    const int port = server->port;
    ASSERT_GT(port, 0);

    velumo::test::FakeClock clock(noon());
    velumo::test::FakeTimerFactory timers(clock);
    AlertBoard board(station(), clock, timers);
    Worker worker("alerts test");
    AlertIntake intake(board, worker, {}, clock);
    QStringList receipts;
    QObject::connect(&intake, &AlertIntake::received,
                     [&](const AlertReceipt& r) { receipts << r.text; });
    FeedPoller poller(QStringLiteral("http://127.0.0.1:%1/index.atom").arg(port), 30, 10, intake,
                      worker, timers, clock);
    int polls = 0;
    QList<bool> stale;
    QObject::connect(&poller, &FeedPoller::polled, [&] { ++polls; });
    QObject::connect(&poller, &FeedPoller::staleChanged,
                     [&](const QString&, bool s) { stale << s; });
    const auto poll = [&](bool first = false) {
        const int before = polls;
        first ? poller.start() : timers.fire("alerts feed");
        return waitFor([&] { return polls > before; });
    };

    ASSERT_TRUE(poll(true));
    EXPECT_EQ(board.onAir().size(), 2);
    EXPECT_EQ(requests(root.path()), (QStringList{"GET /index.atom 200", "GET /a1.xml 200",
                                                  "GET /a2.xml 200", "GET /big.xml 200"}));
    EXPECT_TRUE(receipts.last().startsWith("larger than"));
    ASSERT_TRUE(poll());
    EXPECT_EQ(requests(root.path()), QStringList{"GET /index.atom 304"});

    writeAll(root.filePath("a3.xml"), xml({.id = "a3"}));
    writeAll(root.filePath("index.atom"), atom({"a1.xml", "a2.xml", "a3.xml"}));
    receipts.clear();
    ASSERT_TRUE(poll());
    EXPECT_EQ(requests(root.path()), (QStringList{"GET /index.atom 200", "GET /a1.xml 304",
                                                  "GET /a2.xml 304", "GET /a3.xml 200"}));
    EXPECT_EQ(receipts, QStringList{"в эфире: полоса"});
    EXPECT_EQ(board.onAir().size(), 3);

    // The server goes: the poller backs off, but asks again when the feed turns stale.
    server.reset();
    ASSERT_TRUE(poll());
    EXPECT_EQ(timers.timer("alerts feed").interval(), 60'000);
    ASSERT_TRUE(poll());
    EXPECT_EQ(timers.timer("alerts feed").interval(), 120'000);
    clock.advanceMs(10 * 60'000);
    ASSERT_TRUE(poll());
    EXPECT_EQ(stale, QList<bool>{true});
    EXPECT_EQ(board.onAir().size(), 3);  // what is on air stays until it expires
    QFile::remove(root.path() + ".port");
    server = std::make_unique<integration::LoopbackServer>("alerts/capserver.py", root.path(),
                                                           QString::number(port));
    ASSERT_TRUE(poll());
    EXPECT_EQ(stale, (QList<bool>{true, false}));
    EXPECT_EQ(timers.timer("alerts feed").interval(), 30'000);
}

TEST(AlertSources, StartsWhatAlertsIniNamesAndPassesOnAStaleFeed)
{
    const QTemporaryDir root;
    AlertsConfig config = station();
    config.feeds = {"http://127.0.0.1:1/refused.xml"};
    config.staleMin = 1;
    velumo::test::FakeClock clock(noon());
    velumo::test::FakeTimerFactory timers(clock);
    AlertBoard board(config, clock, timers);
    Worker worker("alerts test");
    AlertIntake intake(board, worker, {}, clock);
    AlertSources sources(root.path(), config, intake, worker, timers, clock);
    QStringList stale;
    QObject::connect(&sources, &AlertSources::feedStaleChanged,
                     [&](const QString& url, bool s) { stale << url + (s ? " stale" : " read"); });
    sources.start();
    ASSERT_TRUE(waitFor([&] { return timers.timer("alerts feed").isActive(); }));
    EXPECT_TRUE(waitFor([&] { return QDir(root.filePath("alerts")).exists(); }));
    clock.advanceMs(60'000);
    timers.fire("alerts feed");
    ASSERT_TRUE(waitFor([&] { return !stale.isEmpty(); }));
    EXPECT_EQ(stale, QStringList{"http://127.0.0.1:1/refused.xml stale"});
    EXPECT_EQ(sources.staleFeeds(), QStringList{"http://127.0.0.1:1/refused.xml"});
}

TEST(HttpGet, AServerWithoutETagsAnswersIfModifiedSinceWith304)
{
    const QTemporaryDir root;
    writeAll(root.filePath("a.xml"), xml({}));
    const integration::HttpServer server(root.path());  // Python's own file server
    const QString url = QStringLiteral("http://127.0.0.1:%1/a.xml").arg(server.port);
    const HttpAnswer first = httpGet(url, {}, kMaxDocumentBytes);
    ASSERT_EQ(first.status, 200) << first.error.toStdString();
    EXPECT_TRUE(first.validators.etag.isEmpty());
    EXPECT_EQ(httpGet(url, first.validators, kMaxDocumentBytes).status, 304);
    EXPECT_TRUE(httpGet(url + "x", {}, kMaxDocumentBytes).error.startsWith("HTTP status 404"));
}

TEST(DropFolder, ReadsAnFtpUploadOnlyOnceCompleteAndFilesEverythingAway)
{
    const QTemporaryDir root;
    const QString folder = root.filePath("alerts");
    SystemClock clock;
    QtTimerFactory timers;
    AlertBoard board(station(), clock, timers);
    Worker worker("alerts test");
    EventLog log(root.filePath("velumo.log"));
    AlertIntake intake(board, worker, {}, clock, &log);
    QStringList receipts;
    QObject::connect(&intake, &AlertIntake::received,
                     [&](const AlertReceipt& r) { receipts << r.source + ": " + r.text; });
    DropFolder drop(folder, intake, worker, timers);
    drop.start();
    ASSERT_TRUE(waitFor([&] { return QDir(folder).exists(); }));

    // About 320 KiB at 64 KiB a second, in bursts: a look between two bursts finds it unchanged.
    const QString sent =
        QDateTime::currentDateTime().addSecs(-60).toOffsetFromUtc(3 * 3600).toString(Qt::ISODate);
    const QTemporaryDir outbox;
    writeAll(outbox.filePath("big.xml"),
             xml({.id = "big",
                  .infos = {info("Extreme", "Immediate",
                                 "<description>" + QString(320 * 1024, u'x') + "</description>")},
                  .sent = sent}));
    const integration::FtpServer ftp(root.path(), integration::FtpServer::Slow);
    QProcess upload;
    upload.start("curl", {"-sS", "-T", outbox.filePath("big.xml"),
                          QStringLiteral("ftp://%1:%2@127.0.0.1:%3/alerts/big.xml")
                              .arg(integration::FtpServer::kUser, integration::FtpServer::kPassword)
                              .arg(ftp.port)});
    ASSERT_TRUE(waitFor([&] { return upload.state() == QProcess::NotRunning; }, 60000));
    ASSERT_EQ(upload.exitCode(), 0) << upload.readAllStandardError().toStdString();
    ASSERT_TRUE(waitFor([&] { return !board.onAir().isEmpty(); }, 10000));
    EXPECT_EQ(receipts, QStringList{"folder big.xml: в эфире: полоса"});

    writeAll(
        folder + "/bad.xml",
        xml({.id = "&x;"})
            .replace("?>\n", "?>\n<!DOCTYPE alert [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"));
    writeAll(folder + "/.hidden.xml", "<partial");
    ASSERT_TRUE(waitFor([&] { return receipts.size() == 2; }));
    EXPECT_TRUE(receipts.last().startsWith("folder bad.xml: a DTD (DOCTYPE) is not allowed"));
    EXPECT_TRUE(velumo::test::logEvents(root.filePath("velumo.log"), "alert")
                    .last()
                    .startsWith("refused from folder bad.xml: a DTD"));
    const auto files = [&](const QString& sub) {
        return QDir(folder + sub).entryList(QDir::Files);
    };
    EXPECT_EQ(files(""), QStringList{});
    EXPECT_TRUE(files("/done").join(u' ').endsWith("-big.xml"));
    EXPECT_TRUE(files("/refused").join(u' ').endsWith("-bad.xml"));
}

}  // namespace
}  // namespace velumo::alerts
