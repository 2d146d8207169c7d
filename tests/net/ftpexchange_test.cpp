#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "base/guard.h"
#include "base/settingskeys.h"
#include "net/ftpexchange.h"
#include "net/netrig.h"
#include "net/nettestsupport.h"

using namespace velumo;
using velumo::test::waitFor;

namespace {

const QString kPassword = QStringLiteral("s3cret-pw");

class FtpExchangeTest : public ::testing::Test, protected test::ExchangeRig {
protected:
    QString root = dir.filePath(QStringLiteral("root"));
    QString local = dir.filePath(QStringLiteral("local"));
    QString program = dir.filePath(QStringLiteral("program"));
    std::unique_ptr<test::FtpTestServer> server;
    std::unique_ptr<FtpExchange> ftp;
    // Every state each side's activity went through, as its page saw it.
    QList<NetActivity> seen[2];

    void SetUp() override
    {
        for (const QString& path :
             {root + QLatin1String("/in"), root + QLatin1String("/out"), local, program})
            QDir().mkpath(path);
    }
    void start(const QString& faults = {}, FtpLimits limits = {})
    {
        server = std::make_unique<test::FtpTestServer>(root, faults);
        ASSERT_GT(server->port, 0);
        for (const char* host : {key::SCEdit4, key::SCEdit89})
            settings.setText(QString::fromLatin1(host), QStringLiteral("127.0.0.1"));
        for (const char* port : {key::SCEdit8, key::SCEdit90})
            settings.setText(QString::fromLatin1(port), QString::number(server->port));
        for (const char* user : {key::SCEdit75, key::SCEdit91})
            settings.setText(QString::fromLatin1(user), QStringLiteral("user"));
        for (const char* password : {key::SCEdit76, key::SCEdit92})
            settings.setText(QString::fromLatin1(password), kPassword);
        settings.setText(key::SCEdit83, QStringLiteral("/in"));
        settings.setText(key::SCEdit93, QStringLiteral("/out"));
        settings.setText(key::SCEdit84, local);
        settings.setChecked(key::SCCheckbox12, true);
        settings.setChecked(key::SCCheckbox16, true);
        ftp = std::make_unique<FtpExchange>(settings, blockText, dialUp, notifier, &log, timers,
                                            program, limits);
        QObject::connect(ftp.get(), &FtpExchange::activityChanged, ftp.get(), [this](int side) {
            seen[side].append(ftp->activity(FtpExchange::Side(side)));
        });
    }
    // The progress figures a file's transfer reported, in order.
    QList<qint64> progressOf(FtpExchange::Side side, const QString& file) const
    {
        QList<qint64> bytes;
        for (const NetActivity& a : seen[side])
            if (a.phase == NetActivity::Phase::Transferring && a.file == file)
                bytes.append(a.bytes);
        return bytes;
    }
    // A transfer reported as it went: rising figures, several on the way, the whole at the end.
    void expectGrowingProgress(FtpExchange::Side side, const QString& file, qint64 size,
                               int between_least = 3)
    {
        const QList<qint64> bytes = progressOf(side, file);
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_TRUE(std::is_sorted(bytes.begin(), bytes.end()));
        EXPECT_EQ(bytes.last(), size);
        qsizetype between = 0;
        for (qint64 b : bytes)
            between += (b > 0 && b < size) ? 1 : 0;
        QStringList shown;
        for (qint64 b : bytes)
            shown.append(QString::number(b));
        EXPECT_GE(between, between_least) << shown.join(u' ').toStdString();
        for (const NetActivity& a : seen[side]) {
            if (a.phase == NetActivity::Phase::Transferring && a.file == file && a.bytes > 0) {
                EXPECT_EQ(a.total, size);
            }
        }
    }
    bool run(FtpExchange::Side side)
    {
        bool done = false;
        bool ok = false;
        auto finished = [&](bool result) {
            done = true;
            ok = result;
        };
        EXPECT_TRUE(side == FtpExchange::Receive ? ftp->SCButton61Click(finished)
                                                 : ftp->SCButton62Click(finished));
        EXPECT_TRUE(waitFor([&] { return done; }, 60000));
        return ok;
    }
    void putRemote(const QString& name, const QByteArray& data)
    {
        test::writeAll(root + QLatin1String("/in/") + name, data);
    }
};

TEST_F(FtpExchangeTest, PermanentDownloadFillsTheListAndKeepsTheSession)
{
    putRemote(QStringLiteral("a.txt"), "alpha");
    putRemote(QStringLiteral("Новости.str"), test::cp1251(QStringLiteral("1Новости#")));
    start();
    EXPECT_TRUE(run(FtpExchange::Receive));
    QStringList listed = ftp->lbList();
    listed.sort();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("a.txt"), QStringLiteral("Новости.str")}));
    EXPECT_EQ(test::readAll(local + QLatin1String("/a.txt")), QByteArray("alpha"));
    EXPECT_TRUE(QFile::exists(local + QStringLiteral("/Новости.str")));
    EXPECT_TRUE(ftp->connected(FtpExchange::Receive));
    EXPECT_FALSE(ftp->running(FtpExchange::Receive));
    EXPECT_TRUE(notifier.messages.isEmpty());
    const QString text = logText();
    EXPECT_TRUE(text.contains(QStringLiteral("\tnet\treceive: a.txt downloaded (5 bytes)")));
    EXPECT_TRUE(text.contains(QStringLiteral("\tnet\treceive: run finished")));
    EXPECT_FALSE(text.contains(kPassword));

    // The second run reuses the session and transfers nothing.
    EXPECT_TRUE(run(FtpExchange::Receive));
    EXPECT_TRUE(logText().contains(QStringLiteral("a.txt unchanged, nothing transferred")));
}

TEST_F(FtpExchangeTest, HostileNamesAreSkippedAndNothingLeavesTheFolder)
{
    putRemote(QStringLiteral("good.txt"), "good");
    start(QStringLiteral("hostile"));
    EXPECT_TRUE(run(FtpExchange::Receive));
    EXPECT_EQ(QDir(local).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("good.txt")});
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("escape.txt"))));
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/velumo-abs-escape.txt")));
    const QString text = logText();
    EXPECT_TRUE(text.contains(
        QStringLiteral("remote name \"..%2Fescape.txt\" skipped: holds a path separator")));
    EXPECT_TRUE(text.contains(
        QStringLiteral("remote name \"bell%07name\" skipped: holds control characters")));
    EXPECT_TRUE(text.contains(QStringLiteral("remote name \"..\" skipped")));
}

TEST_F(FtpExchangeTest, PermanentRunFailuresAreLoggedNotShown)
{
    start();
    settings.setText(key::SCEdit76, QStringLiteral("Wr0ng-pass"));
    // Quiet, but not a success: whoever waits for the run learns that it failed.
    EXPECT_FALSE(run(FtpExchange::Receive));
    settings.setText(key::SCEdit8, QStringLiteral("21x"));
    EXPECT_FALSE(run(FtpExchange::Receive));
    EXPECT_FALSE(ftp->running(FtpExchange::Receive));
    EXPECT_TRUE(notifier.messages.isEmpty());
    EXPECT_TRUE(notifier.errors.isEmpty());
    const QString text = logText();
    EXPECT_TRUE(text.contains(
        QStringLiteral("receive: run ended by an error (not shown): Connect to 127.0.0.1")));
    EXPECT_TRUE(text.contains(QStringLiteral("'21x' is not a valid integer value")));
    EXPECT_TRUE(text.contains(QStringLiteral("\tnet\treceive: run abandoned")));
    EXPECT_FALSE(text.contains(QStringLiteral("\tnet\treceive: run finished")));
    EXPECT_FALSE(text.contains(QStringLiteral("Wr0ng-pass")));
    // No box, but the page says why the run ended.
    const NetActivity& last = ftp->activity(FtpExchange::Receive);
    EXPECT_EQ(last.phase, NetActivity::Phase::Failed);
    EXPECT_EQ(last.pageText(), QStringLiteral("Ошибка: '21x' is not a valid integer value"));
    EXPECT_TRUE(std::any_of(seen[0].begin(), seen[0].end(), [](const NetActivity& a) {
        return a.phase == NetActivity::Phase::Failed && a.result.contains("Login denied") &&
               !a.result.contains("Wr0ng-pass");
    }));
}

TEST_F(FtpExchangeTest, ManualConnectAndDisconnectMessages)
{
    start();
    ftp->SCButton57Click();
    ASSERT_TRUE(waitFor([&] { return ftp->connected(FtpExchange::Receive); }));
    ftp->SCButton57Click();
    ftp->SCButton59Click();
    ASSERT_TRUE(waitFor([&] { return ftp->connected(FtpExchange::Transmit); }));
    ftp->SCButton59Click();
    ftp->SCButton58Click();
    ASSERT_TRUE(waitFor([&] { return !ftp->connected(FtpExchange::Receive); }));
    EXPECT_EQ(
        notifier.messages,
        (QStringList{
            QStringLiteral("Соеденились! Текущая директория/"), QStringLiteral("Вы уже соеденены!"),
            QStringLiteral("Соеденились! Текущая директория/"),
            QStringLiteral("You are already connected. Please click Logout to disconnect."),
            QStringLiteral("Отсоединились от приема")}));

    settings.setText(key::SCEdit90, QStringLiteral("abc"));
    ftp->SCButton60Click();
    ASSERT_TRUE(waitFor([&] { return !ftp->connected(FtpExchange::Transmit); }));
    EXPECT_FALSE(guarded(notifier, [&] { ftp->SCButton59Click(); }));
    EXPECT_EQ(notifier.errors, QStringList{QStringLiteral("'abc' is not a valid integer value")});
}

TEST_F(FtpExchangeTest, DialUpRunDialsTransfersAndHangsUp)
{
    putRemote(QStringLiteral("a.txt"), "alpha");
    start();
    settings.setChecked(key::SCCheckbox12, false);
    settings.setText(key::SCEdit86, QStringLiteral("modem-in"));
    EXPECT_TRUE(run(FtpExchange::Receive));
    ASSERT_TRUE(waitFor([&] { return !dialUp.busy(); }));
    EXPECT_EQ(nmcli.calls(), (QStringList{QStringLiteral("connection up modem-in"),
                                          QStringLiteral("connection down modem-in")}));
    EXPECT_EQ(test::readAll(local + QLatin1String("/a.txt")), QByteArray("alpha"));
    EXPECT_EQ(ftp->lbList(), QStringList{QStringLiteral("a.txt")});  // the run's files stay
    EXPECT_FALSE(ftp->connected(FtpExchange::Receive));
    EXPECT_EQ(notifier.messages, QStringList{QStringLiteral("Отсоединились")});
}

TEST_F(FtpExchangeTest, DialUpRunFailureIsReportedAndTheLineStays)
{
    start();
    settings.setChecked(key::SCCheckbox12, false);
    settings.setText(key::SCEdit86, QStringLiteral("modem-in"));
    settings.setText(key::SCEdit76, QStringLiteral("Wr0ng-pass"));
    EXPECT_FALSE(run(FtpExchange::Receive));
    EXPECT_EQ(nmcli.calls(), QStringList{QStringLiteral("connection up modem-in")});
    ASSERT_EQ(notifier.errors.size(), 1);
    EXPECT_TRUE(notifier.errors[0].contains(QStringLiteral("Login denied")));
    EXPECT_FALSE(notifier.errors[0].contains(QStringLiteral("Wr0ng-pass")));
    EXPECT_FALSE(logText().contains(QStringLiteral("Wr0ng-pass")));
    EXPECT_EQ(ftp->activity(FtpExchange::Receive).pageText(),
              QStringLiteral("Ошибка: ") + notifier.errors[0]);
    EXPECT_EQ(seen[0].first().phase, NetActivity::Phase::Dialling);

    // The run's own session ended with it: the next run is not refused as "already connected".
    settings.setText(key::SCEdit76, kPassword);
    EXPECT_TRUE(run(FtpExchange::Receive));
}

TEST_F(FtpExchangeTest, UploadRunStoresFilesAndTheWebPage)
{
    start();
    QDir().mkpath(dir.filePath(QStringLiteral("one")));
    QDir().mkpath(dir.filePath(QStringLiteral("two")));
    test::writeAll(dir.filePath(QStringLiteral("one/same.txt")), "first");
    test::writeAll(dir.filePath(QStringLiteral("two/same.txt")), "second");
    ftp->addUpload(dir.filePath(QStringLiteral("one/same.txt")));
    ftp->addUpload(dir.filePath(QStringLiteral("two/same.txt")));
    settings.setChecked(key::SCCheckbox20, true);
    block.setLists({QStringLiteral("1Новости дня#"), QStringLiteral("2a<b>c & d#")},
                   {QStringLiteral("0"), QStringLiteral("0")},
                   {QStringLiteral("1"), QStringLiteral("2")});
    EXPECT_TRUE(run(FtpExchange::Transmit));
    EXPECT_EQ(test::readAll(root + QLatin1String("/out/same.txt")), QByteArray("second"));
    const QByteArray page = test::readAll(root + QLatin1String("/out/run_string.htm"));
    EXPECT_TRUE(page.contains(
        test::cp1251(QStringLiteral("<p> Новости дня</p>\r\n<p> abc &amp; d</p>\r\n"))));
    EXPECT_EQ(test::readAll(program + QLatin1String("/ftp.str")),
              test::cp1251(QStringLiteral("1Новости дня#\r\n2a<b>c & d#\r\n")));
    EXPECT_EQ(ftp->LBlist2().size(), 2);
}

TEST_F(FtpExchangeTest, EmptyUploadListStoresOnlyTheWebPage)
{
    start();
    settings.setChecked(key::SCCheckbox20, true);
    EXPECT_TRUE(run(FtpExchange::Transmit));
    EXPECT_EQ(QDir(root + QLatin1String("/out")).entryList(QDir::Files),
              QStringList{QStringLiteral("run_string.htm")});
}

TEST_F(FtpExchangeTest, DialUpRunRefusesAManualSession)
{
    start();
    ftp->SCButton57Click();
    ASSERT_TRUE(waitFor([&] { return ftp->connected(FtpExchange::Receive); }));
    settings.setChecked(key::SCCheckbox12, false);
    EXPECT_FALSE(run(FtpExchange::Receive));
    EXPECT_EQ(notifier.errors, QStringList{QStringLiteral("Already connected.")});
    EXPECT_TRUE(ftp->connected(FtpExchange::Receive));  // the manual session is left alone
}

TEST_F(FtpExchangeTest, WebPageFailureIsReportedEvenInPermanentMode)
{
    start();
    settings.setChecked(key::SCCheckbox20, true);
    settings.setText(key::SCEdit93, QStringLiteral("/missing-folder"));
    EXPECT_FALSE(run(FtpExchange::Transmit));
    ASSERT_EQ(notifier.errors.size(), 1);
    EXPECT_TRUE(notifier.errors[0].contains(QStringLiteral("run_string.htm")));
}

TEST_F(FtpExchangeTest, TimersRunAndArmTheHangUp)
{
    putRemote(QStringLiteral("a.txt"), "alpha");
    start();
    EXPECT_TRUE(timers.timer(QStringLiteral("TimStFTP1")).isActive());  // enabled from the start
    settings.setChecked(key::SCCheckbox15, true);
    settings.setSpin(key::SpinEdit35, 7);
    settings.setSpin(key::SpinEdit41, 4);
    ftp->armAutomaticRuns();
    test::FakeTimer& timer5 = timers.timer(QStringLiteral("Timer5"));
    EXPECT_TRUE(timer5.isActive());
    EXPECT_EQ(timer5.interval(), 7 * 60000);
    timers.timer(QStringLiteral("TimStFTP1")).trigger();
    EXPECT_FALSE(timers.timer(QStringLiteral("TimStFTP1")).isActive());

    timer5.trigger();
    timer5.trigger();  // still running: not started twice
    ASSERT_TRUE(waitFor([&] { return timers.timer(QStringLiteral("TimStFTP1")).isActive(); }));
    EXPECT_EQ(timers.timer(QStringLiteral("TimStFTP1")).interval(), 4 * 60000);
    EXPECT_EQ(logText().count(QStringLiteral("receive: run started")), 1);
    EXPECT_TRUE(logText().contains(QStringLiteral("the previous run has not ended")));

    settings.setChecked(key::SCCheckbox15, false);
    ftp->SCCheckbox15Click();
    EXPECT_FALSE(timer5.isActive());
}

TEST_F(FtpExchangeTest, ReceiveRunReportsItsProgressAndKeepsTheListInDialUpMode)
{
    const qint64 size = 3 * 1024 * 1024;
    putRemote(QStringLiteral("big.bin"), QByteArray(size, 'b'));
    putRemote(QStringLiteral("small.txt"), "small");
    test::writeAll(local + QLatin1String("/small.txt"), "small");  // up to date after the first
    start(QStringLiteral("pace=1500000"));
    settings.setChecked(key::SCCheckbox12, false);
    settings.setText(key::SCEdit86, QStringLiteral("modem-in"));
    EXPECT_TRUE(run(FtpExchange::Receive));
    EXPECT_EQ(test::readAll(local + QLatin1String("/big.bin")).size(), size);

    ASSERT_GE(seen[0].size(), 3);
    EXPECT_EQ(seen[0][0].pageText(), QStringLiteral("Набор соединения «modem-in»…"));
    EXPECT_EQ(seen[0][1].phase, NetActivity::Phase::Connecting);
    EXPECT_EQ(seen[0][1].target, QStringLiteral("127.0.0.1:%1").arg(server->port));
    EXPECT_TRUE(std::any_of(seen[0].begin(), seen[0].end(), [](const NetActivity& a) {
        return a.phase == NetActivity::Phase::Listing;
    }));
    expectGrowingProgress(FtpExchange::Receive, QStringLiteral("big.bin"), size);
    const NetActivity& end = ftp->activity(FtpExchange::Receive);
    EXPECT_EQ(end.phase, NetActivity::Phase::Succeeded);
    EXPECT_EQ(end.transferred + end.unchanged, 2);
    EXPECT_EQ(end.fileCount, 2);
    EXPECT_TRUE(end.pageText().startsWith(QStringLiteral("Приём завершён: получено файлов ")));

    QStringList listed = ftp->lbList();
    listed.sort();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("big.bin"), QStringLiteral("small.txt")}));
}

TEST_F(FtpExchangeTest, TransmitRunReportsItsProgress)
{
    const qint64 size = 1024 * 1024;
    const QString path = dir.filePath(QStringLiteral("report.bin"));
    test::writeAll(path, QByteArray(size, 'r'));
    start();
    ftp->addUpload(path);
    settings.setChecked(key::SCCheckbox20, true);
    EXPECT_TRUE(run(FtpExchange::Transmit));
    EXPECT_EQ(QFileInfo(root + QLatin1String("/out/report.bin")).size(), size);
    // The socket buffers of a loopback connection take a file of this size at once, so no
    // figures between the ends need to come.
    expectGrowingProgress(FtpExchange::Transmit, QStringLiteral("report.bin"), size, 0);
    const QList<qint64> page = progressOf(FtpExchange::Transmit, QStringLiteral("run_string.htm"));
    ASSERT_FALSE(page.isEmpty());
    const NetActivity& end = ftp->activity(FtpExchange::Transmit);
    EXPECT_EQ(end.fileNumber, 2);
    EXPECT_EQ(end.fileCount, 2);
    EXPECT_EQ(end.phase, NetActivity::Phase::Succeeded);
    EXPECT_EQ(end.transferred, 2);
    EXPECT_TRUE(end.pageText().startsWith(QStringLiteral("Передача завершена: передано файлов 2")));
}

TEST_F(FtpExchangeTest, EndingTheProgramMidTransferKeepsThePreviousFile)
{
    putRemote(QStringLiteral("slow.bin"), QByteArray(3000000, 's'));
    test::writeAll(local + QLatin1String("/slow.bin"), "previous");
    start(QStringLiteral("throttle=200000"));
    ftp->SCButton61Click();
    const QString temp = local + QLatin1String("/.slow.bin.velumo-part");
    ASSERT_TRUE(waitFor([&] { return QFileInfo(temp).size() > 0; }));
    QElapsedTimer clock;
    clock.start();
    ftp.reset();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(test::readAll(local + QLatin1String("/slow.bin")), QByteArray("previous"));
}

}  // namespace
