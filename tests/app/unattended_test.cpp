// The real program in hostile surroundings: special files in its settings, a flood of idle
// clients under a low descriptor limit, leftovers of a killed copy, huge settings values.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <vector>

#include "base/configfile.h"
#include "base/controlchannel.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"

namespace velumo {
namespace {

using test::Program;
using test::programPath;
using test::runToEnd;

class Unattended : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString folder() const { return dir.path(); }
    QString path(const QString& name) const { return dir.filePath(name); }

    // velumo.cfg with the design values but for the given ones.
    void writeSettings(const QList<std::pair<const char*, QString>>& values,
                       const QByteArray& extraLine = {})
    {
        Settings settings;
        for (const auto& [name, value] : values)
            settings.setText(QString::fromLatin1(name), value);
        test::writeAll(path("velumo.cfg"), extraLine + configfile::save(settings));
    }
    QStringList events(const QString& kind) const
    {
        return test::logEvents(path("velumo.log"), kind);
    }
};

TEST_F(Unattended, HelpAndVersionPrintAndStartNothing)
{
    QString output;
    EXPECT_EQ(runToEnd({"--dir", folder(), "--help"}, &output), 0);
    for (const char* word : {"--dir", "--send", "--check-plan", "down", "kill", "dispatcher start"})
        EXPECT_TRUE(output.contains(QLatin1String(word))) << word;
    EXPECT_EQ(runToEnd({"--dir", folder(), "--version"}, &output), 0);
    EXPECT_EQ(output.trimmed(), "velumo 7.9.10");
    EXPECT_TRUE(
        QDir(folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    EXPECT_FALSE(isRunning(folder()));
}

TEST_F(Unattended, PicturesNamingDevicesAndPipesNeitherGrowNorHang)
{
    const QString fifo = path("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(path("folder.bmp")));
    writeSettings({{key::SCCheckBox6, "False"},
                   {"SCEdit22", "/dev/zero"},
                   {"SCEdit23", "/dev/urandom"},
                   {"SCEdit24", fifo},
                   {"SCEdit25", path("folder.bmp")}});
    Program program(folder());
    program.start();
    ASSERT_TRUE(program.waitReady());
    QThread::msleep(1500);
    EXPECT_EQ(program.send("status").code, 0);
    // Resident memory stays that of an idle program.
    const QByteArray statm =
        test::readAll(QStringLiteral("/proc/%1/statm").arg(program.process().processId()));
    const qint64 residentMb = statm.split(' ').value(1).toLongLong() * ::getpagesize() >> 20;
    EXPECT_LT(residentMb, 400);
    // And it ends when told to.
    EXPECT_TRUE(program.close(15000));
}

TEST_F(Unattended, IdleClientsUnderALowDescriptorLimitNeitherSilenceNorDoubleTheProgram)
{
    writeSettings({{key::SCCheckBox6, "False"}});
    QProcess process;
    process.setProcessEnvironment(test::programEnvironment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("prlimit"),
                  {"--nofile=256:256", programPath(), "--dir", folder()});
    ASSERT_TRUE(process.waitForStarted(5000));
    QElapsedTimer ready;
    ready.start();
    while (sendControlCommand(folder(), "status", 2000).code != 0 && ready.elapsed() < 20000)
        QThread::msleep(50);
    ASSERT_EQ(sendControlCommand(folder(), "status", 2000).code, 0);

    const QString name = ControlServer::serverName(folder());
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 300; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(name);
        idle.back()->waitForConnected(100);
    }
    // A second copy finds the first (it waits in the queue to show it) and never runs itself.
    QProcess second;
    second.setProcessEnvironment(test::programEnvironment());
    second.start(programPath(), {"--dir", folder()});
    ASSERT_TRUE(second.waitForStarted(5000));
    QThread::msleep(3000);
    const int descriptors =
        int(QDir(QStringLiteral("/proc/%1/fd").arg(process.processId()))
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                .size());
    EXPECT_LE(descriptors, 256);
    EXPECT_EQ(process.state(), QProcess::Running);
    // The idle clients go; the queue drains and both the second copy and a command are served.
    idle.clear();
    EXPECT_TRUE(second.waitForFinished(40000));
    EXPECT_EQ(second.exitCode(), 0);
    const ControlReply reply = sendControlCommand(folder(), "status", 20000);
    EXPECT_EQ(reply.code, 0) << reply.text.toStdString();
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(name).constData(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(process.state(), QProcess::Running);
    sendControlCommand(folder(), "close", 10000);
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(5000);
        ADD_FAILURE() << "the program did not close";
    }
}

TEST_F(Unattended, LeftoversOfAKilledSaveAreRemovedAtStartUp)
{
    QDir().mkpath(path("logs"));
    writeSettings({{key::SCCheckBox6, "False"}, {key::SCEdit103, path("logs")}});
    const QStringList leftovers = {path(".velumo.cfg.tmpAbC123"),
                                   path("logs/.202612090400.csv.tmpz9Y8x7")};
    const QStringList kept = {path(".velumo.cfg.keep"), path("logs/notes.tmpAbC123")};
    for (const QString& f : leftovers + kept) {
        test::writeAll(f, "partial");
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                         QFileDevice::FileModificationTime);
    }
    Program program(folder());
    program.start();
    ASSERT_TRUE(program.waitReady());
    for (const QString& f : leftovers)
        EXPECT_FALSE(QFile::exists(f)) << f.toStdString();
    for (const QString& f : kept)
        EXPECT_TRUE(QFile::exists(f)) << f.toStdString();
    EXPECT_EQ(events("file").size(), 2);
}

TEST_F(Unattended, HugeSettingsValuesLoadFastAndAreCut)
{
    const QByteArray huge = configfile::scramble("SCEdit41 " + QByteArray(8 << 20, 'x')) + "\r\n";
    writeSettings({{key::SCCheckBox6, "False"}}, huge);
    Program program(folder());
    QElapsedTimer elapsed;
    elapsed.start();
    program.start();
    ASSERT_TRUE(program.waitReady(30000));
    EXPECT_LT(elapsed.elapsed(), 10000);
    EXPECT_FALSE(events("error").filter("cut at the limit").isEmpty());
}

TEST_F(Unattended, StatusStaysSmallForAHugeBlock)
{
    writeSettings({{key::SCCheckBox6, "False"}});
    QByteArray block;
    for (int i = 0; i < 20000; ++i)
        block += "1announcement " + QByteArray::number(i) + "\r\n";
    test::writeAll(path("big.str"), block);
    // Zero bytes over the limit: refused, the program goes on.
    {
        QFile file(path("zero.str"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(200'000'000));
    }
    Program program(folder());
    program.start();
    ASSERT_TRUE(program.waitReady());
    EXPECT_EQ(program.send("block load " + path("big.str")).text, "20000");
    const ControlReply status = program.send("status");
    EXPECT_EQ(status.code, 0);
    EXPECT_LT(status.text.size(), 200'000);
    EXPECT_TRUE(status.text.contains("\"text_count\":20000"));
    EXPECT_TRUE(status.text.contains("\"cut\":true"));
    EXPECT_EQ(program.send("block load " + path("zero.str")).code, 2);
    EXPECT_EQ(program.send("status").code, 0);
}

// The real program under libfaketime: the wall clock steps forward and then back in the last
// second before a start; each start keeps its second. The bound leaves room for a loaded
// machine running other tests at once, and is still far below the 400 ms a start would be late
// if the forward step were waited out.
TEST_F(Unattended, StartsKeepTheirSecondWhenTheClockStepsInTheLastSecond)
{
    const QString library = QStringLiteral("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1");
    if (!QFileInfo::exists(library))
        GTEST_SKIP() << "libfaketime is not installed";
    const QString offsetFile = path("offset");
    writeFileAtomic(offsetFile, "+0\n");
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime t1 =
        QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()))
            .addSecs(9);
    const QDateTime t2 = t1.addSecs(4);
    auto stamp = [](const QDateTime& m) { return m.toString(u"dd.MM.yy hh:mm:ss"); };
    writeTextLines(
        path("plan.pln"),
        {stamp(t1) + "|s1|00|" + stamp(t1.addSecs(1)), stamp(t2) + "|s1|00|" + stamp(t2.addSecs(1)),
         stamp(t2.addSecs(3600)) + "|s1|00|" + stamp(t2.addSecs(3601))});
    writeSettings({{key::SCCheckBox6, "True"},
                   {key::SCCheckbox19, "True"},
                   {key::SCEditn10, path("plan.pln")}});
    QProcessEnvironment env = test::programEnvironment();
    env.insert("LD_PRELOAD", library);
    env.insert("FAKETIME_TIMESTAMP_FILE", offsetFile);
    env.insert("FAKETIME_NO_CACHE", "1");
    env.insert("DONT_FAKE_MONOTONIC", "1");
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(programPath(), {"--dir", folder()});
    ASSERT_TRUE(process.waitForStarted(5000));
    auto sleepUntil = [](const QDateTime& realMoment) {
        const qint64 ms = QDateTime::currentDateTime().msecsTo(realMoment);
        if (ms > 0)
            QThread::msleep(ulong(ms));
    };
    // Forward by 0.4 s, 0.7 s before the first start; back by 1 s, 0.5 s before the second.
    sleepUntil(t1.addMSecs(-700));
    writeFileAtomic(offsetFile, "+0.4\n");
    sleepUntil(t2.addMSecs(-500 - 400));
    writeFileAtomic(offsetFile, "-0.6\n");
    sleepUntil(t2.addMSecs(1000 + 600));
    sendControlCommand(folder(), "close", 10000);
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    QList<QDateTime> starts;
    const QString log = QString::fromUtf8(test::readAll(path("velumo.log")));
    for (const QString& line : log.split(u'\n'))
        if (line.section(u'\t', 1, 1) == QLatin1String("start"))
            starts.append(
                QDateTime::fromString(line.section(u'\t', 0, 0), u"yyyy-MM-dd hh:mm:ss.zzz"));
    ASSERT_EQ(starts.size(), 2) << log.toStdString();
    for (int i = 0; i < 2; ++i) {
        const QDateTime due = i == 0 ? t1 : t2;
        EXPECT_GE(due.msecsTo(starts[i]), 0) << "early: " << starts[i].toString().toStdString();
        EXPECT_LE(due.msecsTo(starts[i]), 150) << starts[i].toString(u"hh:mm:ss.zzz").toStdString();
    }
}

}  // namespace
}  // namespace velumo
