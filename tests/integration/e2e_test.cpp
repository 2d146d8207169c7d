// End to end across the subsystems: the real program in a temporary folder runs a plan, comes
// back after a restart in the middle of an entry, writes its playback log, receives files by
// FTP, reads a feed and survives bad input, all driven through its control channel.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "base/settingskeys.h"
#include "base/textfile.h"
#include "integration/programrig.h"

namespace velumo::integration {
namespace {

using test::cp1251;
using test::readAll;
using test::writeAll;

const QString kFirst = QStringLiteral("Первое объявление");
const QString kSecond = QStringLiteral("Второе объявление");

QString stamp(const QDateTime& moment)
{
    return moment.toString(u"dd.MM.yy hh:mm:ss");
}

// How far ahead a plan's first line lies when the program starts with the plan: on a loaded
// machine the start takes seconds, and a line whose start has passed when the plan is read is
// skipped, as it is on air.
constexpr int kLead = 6;

// A whole second some seconds ahead: plan lines name whole seconds.
QDateTime wholeSecondAhead(int seconds)
{
    const QDateTime ahead = QDateTime::currentDateTime().addSecs(seconds);
    const QTime time = ahead.time();
    return QDateTime(ahead.date(), QTime(time.hour(), time.minute(), time.second()));
}

// A block file of two announcements in the old single-byte code page.
QString writeBlockFile(const QString& folder)
{
    const QString path = folder + QLatin1String("/news.str");
    writeAll(path, cp1251(QStringLiteral("^1\r\n~0\r\n3") + kFirst +
                          QStringLiteral("\r\n^2\r\n~5\r\n1") + kSecond + QStringLiteral("\r\n")));
    return path;
}

QStringList toStrings(const QJsonValue& value)
{
    QStringList out;
    for (const QJsonValue& item : value.toArray())
        out.append(item.toString());
    return out;
}

bool anyContains(const QStringList& lines, const QString& part)
{
    for (const QString& line : lines)
        if (line.contains(part))
            return true;
    return false;
}

QStringList startingWith(const QStringList& lines, const QString& prefix)
{
    QStringList out;
    for (const QString& line : lines)
        if (line.startsWith(prefix))
            out.append(line);
    return out;
}

// The dispatcher on at start-up, with the plan file loaded when it starts.
void runPlan(Settings& s, const QString& planPath)
{
    s.setChecked(key::SCCheckBox6, true);
    s.setChecked(key::SCCheckbox19, true);
    s.setText(key::SCEditn10, planPath);
}

// A strip that moves 20 px a millisecond, so that announcements pass in a moment.
void fastStrip(Settings& s)
{
    s.setSpin(key::SpinEdit1, 1);
    s.setSpin(key::SpinEdit2, 20);
}

// A logged moment that is on time: not early, at most 1.5 s late.
void expectOnTime(const QDateTime& at, const QDateTime& due)
{
    EXPECT_GE(at, due.addMSecs(-50));
    EXPECT_LE(at, due.addMSecs(1500));
}

// The receive side of the FTP exchange on a permanent connection to the loopback server,
// fetching its "out" folder into the local folder.
void receiveFrom(Settings& s, int port, const QString& localFolder,
                 const QString& password = QLatin1String(FtpServer::kPassword))
{
    s.setText(key::SCEdit4, "127.0.0.1");
    s.setText(key::SCEdit8, QString::number(port));
    s.setText(key::SCEdit75, FtpServer::kUser);
    s.setText(key::SCEdit76, password);
    s.setText(key::SCEdit83, "out");
    s.setText(key::SCEdit84, localFolder);
    s.setChecked(key::SCCheckbox12, true);
}

class Integration : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(programPath()).isExecutable()) << programPath().toStdString();
        ASSERT_TRUE(dir.isValid());
    }
    QString folder() const { return dir.path(); }
    bool waitLogged(const QString& kind, const QString& text, int timeoutMs)
    {
        if (pollUntil([&] { return logTexts(folder(), kind).contains(text); }, timeoutMs))
            return true;
        // What the program did instead, for the failure's report.
        ADD_FAILURE() << "never logged: " << kind.toStdString() << '\t' << text.toStdString()
                      << "\nvelumo.log:\n"
                      << test::readAll(folder() + QLatin1String("/velumo.log")).toStdString();
        return false;
    }

    // Nothing went wrong that the program noticed: no error report in velumo.log.
    void expectNoErrors()
    {
        EXPECT_TRUE(logTexts(folder(), "error").isEmpty())
            << logTexts(folder(), "error").join('\n').toStdString();
    }

    QTemporaryDir dir;
};

// A clip line and then a string line of slot 1 run unattended: each starts on time, fills and
// empties its fields, the string line loads its block, runs the strip and stops it.
TEST_F(Integration, PlanRunsAClipAndATickerTextOnTime)
{
    const QString block = writeBlockFile(folder());
    const QDateTime t0 = wholeSecondAhead(kLead);
    const QString clipLine = stamp(t0) + "|k1|00|" + stamp(t0.addSecs(1)) + "|клип";
    const QString stringLine = stamp(t0.addSecs(1)) + "|s1|00|" + stamp(t0.addSecs(3));
    writeTextLines(folder() + "/plan.pln", {clipLine, stringLine});
    writeConfig(folder(), [&](Settings& s) {
        runPlan(s, folder() + "/plan.pln");
        s.setText(key::SCEdit59, block);
    });
    Program program(folder());
    ASSERT_TRUE(program.start());

    ASSERT_TRUE(waitLogged("start", clipLine, 10000));
    EXPECT_EQ(program.get(key::SCEditn1), "1");
    EXPECT_TRUE(logTexts(folder(), "player").contains("start k 1"));

    ASSERT_TRUE(waitLogged("start", stringLine, 5000));
    const QJsonObject running = program.status();
    EXPECT_TRUE(running["ticker"].toObject()["running"].toBool());
    const QJsonObject loaded = running["block"].toObject();
    EXPECT_EQ(loaded["file"].toString(), block);
    EXPECT_TRUE(anyContains(toStrings(loaded["text"]), kFirst));
    EXPECT_TRUE(anyContains(toStrings(loaded["text"]), kSecond));
    EXPECT_EQ(program.get(key::SCEditn4), "1");
    EXPECT_FALSE(startingWith(logTexts(folder(), "ticker"), "started").isEmpty());

    // The clip stopped at its own time and emptied the clip group.
    ASSERT_TRUE(waitLogged("player", "stop k", 5000));
    EXPECT_EQ(program.get(key::SCEditn1), "");
    EXPECT_EQ(program.get(key::SCEditn2), "");
    EXPECT_EQ(program.get(key::SCEditn3), "");

    ASSERT_TRUE(
        pollUntil([&] { return !startingWith(logTexts(folder(), "stop"), "s ").isEmpty(); }, 6000));
    const QDateTime stoppedAt = loggedAt(folder(), "stop", "s s0");
    ASSERT_TRUE(stoppedAt.isValid()) << logTexts(folder(), "stop").join('|').toStdString();
    expectOnTime(stoppedAt, t0.addSecs(3));
    EXPECT_FALSE(program.status()["ticker"].toObject()["running"].toBool());
    EXPECT_EQ(program.get(key::SCEditn4), "");
    EXPECT_TRUE(logTexts(folder(), "ticker").contains("stopped"));
    EXPECT_EQ(readTextLines(folder() + "/str_disp.txt"), QStringList{stringLine});
    EXPECT_TRUE(logTexts(folder(), "error").isEmpty())
        << logTexts(folder(), "error").join('\n').toStdString();
    EXPECT_TRUE(program.close());
}

// The program goes down in the middle of a string entry and comes back: the entry starts again
// at once and still stops at its own stop time.
TEST_F(Integration, RestartInTheMiddleOfAnEntryResumesIt)
{
    const QString block = writeBlockFile(folder());
    const QDateTime t0 = wholeSecondAhead(kLead);
    const QDateTime stop = t0.addSecs(5);
    const QString line = stamp(t0) + "|s1|00|" + stamp(stop);
    // A later line keeps the dispatcher on after the first one: an exhausted schedule switches
    // it off, and it would then not come back with the program.
    const QString later = stamp(t0.addSecs(3600)) + "|s1|00|" + stamp(t0.addSecs(3660));
    writeTextLines(folder() + "/plan.pln", {line, later});
    writeConfig(folder(), [&](Settings& s) {
        runPlan(s, folder() + "/plan.pln");
        s.setText(key::SCEdit59, block);
    });
    {
        Program first(folder());
        ASSERT_TRUE(first.start());
        ASSERT_TRUE(waitLogged("start", line, 10000));
        ASSERT_TRUE(first.close());
        EXPECT_EQ(first.process().exitCode(), 0);
    }
    ASSERT_LT(QDateTime::currentDateTime(), stop.addMSecs(-1000)) << "the restart came too late";
    EXPECT_TRUE(logTexts(folder(), "stop").isEmpty());
    EXPECT_EQ(readTextLines(folder() + "/str_disp.txt"), QStringList{line});

    Program second(folder());
    ASSERT_TRUE(second.start());
    ASSERT_TRUE(pollUntil([&] { return logTexts(folder(), "start").count(line) == 2; }, 1500));
    const QJsonObject status = second.status();
    EXPECT_TRUE(status["ticker"].toObject()["running"].toBool());
    EXPECT_EQ(status["block"].toObject()["file"].toString(), block);
    EXPECT_TRUE(logTexts(folder(), "stop").isEmpty());

    ASSERT_TRUE(waitLogged("stop", "s s0", 8000));
    const QDateTime stoppedAt = loggedAt(folder(), "stop", "s s0");
    expectOnTime(stoppedAt, stop);
    EXPECT_FALSE(second.status()["ticker"].toObject()["running"].toBool());
    EXPECT_EQ(logTexts(folder(), "start").count(line), 2);
    EXPECT_EQ(second.status()["dispatcher"].toObject()["current"].toString(), later);
    EXPECT_TRUE(second.close());
    expectNoErrors();
}

// A power cut in the middle of a clip entry: the program comes back with the settings saved
// before, starts the entry again at once and stops it at its own time.
TEST_F(Integration, PowerCutInTheMiddleOfAnEntryResumesIt)
{
    const QDateTime t0 = wholeSecondAhead(kLead);
    const QDateTime stop = t0.addSecs(4);
    const QString line = stamp(t0) + "|k3|00|" + stamp(stop);
    const QString later = stamp(t0.addSecs(3600)) + "|k1|00|" + stamp(t0.addSecs(3660));
    writeTextLines(folder() + "/plan.pln", {line, later});
    writeConfig(folder(), [&](Settings& s) { runPlan(s, folder() + "/plan.pln"); });
    {
        Program first(folder());
        ASSERT_TRUE(first.start());
        ASSERT_TRUE(waitLogged("player", "start k 3", 10000));
        first.cutPower();
    }
    ASSERT_LT(QDateTime::currentDateTime(), stop.addMSecs(-1000)) << "the restart came too late";
    Program second(folder());
    ASSERT_TRUE(second.start());
    ASSERT_TRUE(
        pollUntil([&] { return logTexts(folder(), "player").count("start k 3") == 2; }, 1500));
    EXPECT_EQ(second.get(key::SCEditn1), "3");
    ASSERT_TRUE(waitLogged("player", "stop k", 6000));
    const QDateTime stoppedAt = loggedAt(folder(), "player", "stop k");
    expectOnTime(stoppedAt, stop);
    EXPECT_EQ(second.get(key::SCEditn1), "");
    EXPECT_EQ(logTexts(folder(), "player").count("stop k"), 1);
    // Every record of the log is whole, those written just before the cut too.
    const QByteArray log = readAll(folder() + "/velumo.log");
    EXPECT_TRUE(log.endsWith('\n'));
    for (const QByteArray& record : log.split('\n'))
        EXPECT_TRUE(record.isEmpty() || record.count('\t') >= 2) << record.toStdString();
    EXPECT_TRUE(second.close());
    expectNoErrors();
}

// The operator starts the strip while the dispatcher waits for its next line: the plan is read
// again and the armed line still starts once, on time.
TEST_F(Integration, OperatorTickerStartKeepsTheArmedLineOnTime)
{
    const QString block = writeBlockFile(folder());
    const QDateTime t0 = wholeSecondAhead(kLead);
    const QString line = stamp(t0) + "|k2|00|" + stamp(t0.addSecs(1));
    const QString later = stamp(t0.addSecs(3600)) + "|k1|00|" + stamp(t0.addSecs(3660));
    writeTextLines(folder() + "/plan.pln", {line, later});
    writeConfig(folder(), [&](Settings& s) { runPlan(s, folder() + "/plan.pln"); });
    Program program(folder());
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(pollUntil(
        [&] { return program.status()["dispatcher"].toObject()["current"].toString() == line; },
        2000));
    EXPECT_EQ(program.send("block load " + block).text, "2");
    EXPECT_EQ(program.send("ticker start").code, 0);
    EXPECT_TRUE(program.status()["ticker"].toObject()["running"].toBool());
    ASSERT_LT(QDateTime::currentDateTime(), t0);
    EXPECT_EQ(program.status()["dispatcher"].toObject()["current"].toString(), line);

    ASSERT_TRUE(waitLogged("start", line, (kLead + 4) * 1000));
    const QDateTime startedAt = loggedAt(folder(), "start", line);
    EXPECT_GE(startedAt, t0.addMSecs(-50));
    EXPECT_LE(startedAt, t0.addMSecs(500));
    ASSERT_TRUE(waitLogged("player", "stop k", 3000));
    EXPECT_EQ(logTexts(folder(), "start"), QStringList{line});
    EXPECT_EQ(program.status()["dispatcher"].toObject()["current"].toString(), later);
    EXPECT_TRUE(program.close());
    expectNoErrors();
}

// The unattended start of the autostart entry ("r"): the start-up block runs on the strip and
// the string entry that was running when the program went down is resumed exactly once.
TEST_F(Integration, AutostartResumesTheRunningEntryOnce)
{
    const QString block = writeBlockFile(folder());
    const QDateTime now = wholeSecondAhead(0);
    const QDateTime stop = now.addSecs(3);
    const QString line = stamp(now.addSecs(-10)) + "|s1|00|" + stamp(stop);
    const QString later = stamp(now.addSecs(3600)) + "|k1|00|" + stamp(now.addSecs(3660));
    writeTextLines(folder() + "/plan.pln", {line, later});
    writeTextLines(folder() + "/str_disp.txt", {line});
    writeConfig(folder(), [&](Settings& s) {
        runPlan(s, folder() + "/plan.pln");
        s.setText(key::SCEdit59, block);
        s.setText(key::SCEdit5, block);
    });
    Program program(folder());
    ASSERT_TRUE(program.start({"r"}));
    ASSERT_TRUE(waitLogged("start", line, 1500));
    QThread::msleep(300);
    EXPECT_EQ(logTexts(folder(), "start"), QStringList{line});
    const QJsonObject status = program.status();
    EXPECT_TRUE(status["ticker"].toObject()["running"].toBool());
    EXPECT_TRUE(anyContains(toStrings(status["block"].toObject()["text"]), kFirst));
    EXPECT_EQ(status["dispatcher"].toObject()["current"].toString(), later);
    ASSERT_TRUE(waitLogged("stop", "s s0", 5000));
    const QDateTime stoppedAt = loggedAt(folder(), "stop", "s s0");
    expectOnTime(stoppedAt, stop);
    EXPECT_EQ(logTexts(folder(), "start"), QStringList{line});
    EXPECT_EQ(program.status()["dispatcher"].toObject()["current"].toString(), later);
    EXPECT_TRUE(program.close());
    expectNoErrors();
}

// A string entry that parks ("z") is continued by the next string entry without loading its
// slot; a later entry whose slot file is missing says so and the strip runs on.
TEST_F(Integration, ParkedTextContinuesAndAMissingSlotIsReported)
{
    const QString block = writeBlockFile(folder());
    const QString other = folder() + "/other.str";
    writeAll(other, cp1251(QStringLiteral("^9\r\n~0\r\n1Чужой блок\r\n")));
    const QDateTime t0 = wholeSecondAhead(kLead);
    const QString parking = stamp(t0) + "|s1|z0|" + stamp(t0.addSecs(1));
    const QString continuing = stamp(t0.addSecs(2)) + "|s2|00|" + stamp(t0.addSecs(3));
    const QString missing = stamp(t0.addSecs(4)) + "|s3|00|" + stamp(t0.addSecs(5));
    writeTextLines(folder() + "/plan.pln", {parking, continuing, missing});
    writeConfig(folder(), [&](Settings& s) {
        runPlan(s, folder() + "/plan.pln");
        s.setText(key::SCEdit59, block);
        s.setText(key::SCEdit60, other);
        s.setText(key::SCEdit61, folder() + "/no-such-block.str");
    });
    Program program(folder());
    ASSERT_TRUE(program.start());
    auto tickerRunning = [&] { return program.status()["ticker"].toObject()["running"].toBool(); };
    auto blockText = [&] { return toStrings(program.status()["block"].toObject()["text"]); };

    ASSERT_TRUE(waitLogged("stop", "s sz", (kLead + 6) * 1000));
    EXPECT_FALSE(tickerRunning());
    ASSERT_TRUE(waitLogged("start", continuing, 3000));
    EXPECT_TRUE(tickerRunning());
    EXPECT_EQ(program.get(key::SCEdit5), block);
    EXPECT_TRUE(anyContains(blockText(), kFirst));
    EXPECT_FALSE(anyContains(blockText(), QStringLiteral("Чужой блок")));

    ASSERT_TRUE(waitLogged("start", missing, 4000));
    EXPECT_TRUE(waitLogged("message", QStringLiteral("Ошибка загрузки файла строки!!"), 1000));
    // The strip goes on (a block file that cannot be read leaves the lists cleared).
    EXPECT_TRUE(tickerRunning());
    EXPECT_TRUE(waitLogged("stop", "s s0", 3000));
    EXPECT_TRUE(program.close());
}

// A restart after the saved entry's stop resumes nothing: lines that started while the program
// was down are skipped and the next future line is armed.
TEST_F(Integration, RestartAfterTheSavedEntryEndedArmsTheNextLine)
{
    const QDateTime now = wholeSecondAhead(0);
    const QString ended = stamp(now.addSecs(-600)) + "|s1|00|" + stamp(now.addSecs(-60));
    const QString missed = stamp(now.addSecs(-30)) + "|k1|00|" + stamp(now.addSecs(-10));
    const QString next = stamp(now.addSecs(3600)) + "|k2|00|" + stamp(now.addSecs(3700));
    writeTextLines(folder() + "/plan.pln", {ended, missed, next});
    writeTextLines(folder() + "/str_disp.txt", {ended});
    writeConfig(folder(), [&](Settings& s) { runPlan(s, folder() + "/plan.pln"); });
    Program program(folder());
    ASSERT_TRUE(program.start());
    QJsonObject dispatcher;
    ASSERT_TRUE(pollUntil(
        [&] {
            dispatcher = program.status()["dispatcher"].toObject();
            return dispatcher["current"].toString() == next;
        },
        3000))
        << QJsonDocument(dispatcher).toJson().toStdString();
    EXPECT_EQ(dispatcher["next_code"].toString(), "k2");
    EXPECT_TRUE(dispatcher["on"].toBool());
    const double waitMs = dispatcher["next_start_ms"].toDouble();
    EXPECT_GT(waitMs, 3590'000);
    EXPECT_LE(waitMs, 3600'000);
    EXPECT_TRUE(logTexts(folder(), "start").isEmpty());
    EXPECT_TRUE(logTexts(folder(), "player").isEmpty());
    EXPECT_FALSE(program.status()["ticker"].toObject()["running"].toBool());
    EXPECT_TRUE(program.close());
    expectNoErrors();
}

// The strip runs fast over a short block; at the close the records still in the list go into
// a "YYYYMMDDHHMM.csv" file of the log folder, in the single-byte code page.
TEST_F(Integration, PlaybackLogFileHoldsTheRecordsOfTheShownAnnouncements)
{
    const QString block = writeBlockFile(folder());
    const QString logs = folder() + "/logs";
    ASSERT_TRUE(QDir(folder()).mkdir("logs"));
    writeConfig(folder(), [&](Settings& s) {
        s.setChecked(key::SCCheckbox22, true);
        s.setText(key::SCEdit103, logs);
        fastStrip(s);
        s.setText(key::SCEdit77, "200");
    });
    const QDateTime began = QDateTime::currentDateTime();
    Program program(folder());
    ASSERT_TRUE(program.start());
    EXPECT_EQ(program.send("block load " + block).text, "2");
    EXPECT_EQ(program.send("ticker start").code, 0);
    ASSERT_TRUE(pollUntil(
        [&] { return program.status()["ticker"].toObject()["block_run_count"].toInt() >= 3; },
        8000));
    ASSERT_TRUE(program.close());
    const QDateTime ended = QDateTime::currentDateTime();

    const QStringList files = QDir(logs).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1) << files.join(' ').toStdString();
    const QRegularExpression name(QStringLiteral("^(\\d{12})\\.csv$"));
    const QRegularExpressionMatch named = name.match(files[0]);
    ASSERT_TRUE(named.hasMatch()) << files[0].toStdString();
    const QDateTime minute = QDateTime::fromString(named.captured(1), u"yyyyMMddHHmm");
    EXPECT_GE(minute.addSecs(60), began);
    EXPECT_LE(minute, ended);

    const QByteArray bytes = readAll(logs + '/' + files[0]);
    EXPECT_TRUE(bytes.contains(cp1251(kFirst)));
    EXPECT_FALSE(bytes.contains(kFirst.toUtf8()));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    const QString text = decodeCp1251(bytes);
    const QStringList records = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_GE(records.size(), 4);
    const QRegularExpression record(
        QStringLiteral("^(\\d+) повтор ;(\\d{8}_\\d\\d_\\d\\d_\\d\\d);(1;0;%1 |2;5;%2 )$")
            .arg(kFirst, kSecond));
    int previousPass = -1;
    for (const QString& line : records) {
        const QRegularExpressionMatch match = record.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        const int pass = match.captured(1).toInt();
        EXPECT_GE(pass, previousPass);
        previousPass = pass;
        const QDateTime when = QDateTime::fromString(match.captured(2), u"yyyyMMdd_HH_mm_ss");
        EXPECT_GE(when, began.addSecs(-1));
        EXPECT_LE(when, ended);
    }
    EXPECT_GE(previousPass, 2);
    expectNoErrors();
}

// A log file of the same minute already exists (the program was restarted within the minute):
// the records of the close are added to it, the earlier ones stay.
TEST_F(Integration, PlaybackLogOfTheSameMinuteIsAddedTo)
{
    const QString block = writeBlockFile(folder());
    const QString logs = folder() + "/logs";
    ASSERT_TRUE(QDir(folder()).mkdir("logs"));
    writeConfig(folder(), [&](Settings& s) {
        s.setChecked(key::SCCheckbox22, true);
        s.setText(key::SCEdit103, logs);
        fastStrip(s);
        s.setText(key::SCEdit77, "200");
    });
    const QByteArray earlier =
        cp1251(QStringLiteral("5 повтор ;20260101_00_00_00;1;0;Прежняя запись \r\n"));
    const QString existing =
        logs + '/' + QDateTime::currentDateTime().toString(u"yyyyMMddHHmm") + ".csv";
    writeAll(existing, earlier);
    Program program(folder());
    ASSERT_TRUE(program.start());
    EXPECT_EQ(program.send("block load " + block).text, "2");
    EXPECT_EQ(program.send("ticker start").code, 0);
    ASSERT_TRUE(pollUntil(
        [&] { return program.status()["ticker"].toObject()["block_run_count"].toInt() >= 1; },
        8000));
    ASSERT_TRUE(program.close());

    const QByteArray kept = readAll(existing);
    EXPECT_TRUE(kept.startsWith(earlier));
    QByteArray all;
    for (const QString& name : QDir(logs).entryList({"*.csv"}, QDir::Files))
        all += readAll(logs + '/' + name);
    EXPECT_EQ(all.count(earlier), 1);
    EXPECT_TRUE(all.contains(cp1251(";1;0;" + kFirst + " \r\n")));
    EXPECT_TRUE(all.contains(cp1251(";2;5;" + kSecond + " \r\n")));
    expectNoErrors();
}

// Receiving by FTP through the control channel: the listed files arrive byte for byte, names
// that try to leave the receiving folder are written nowhere, the password stays out of the log.
TEST_F(Integration, FtpReceiveFetchesTheFilesAndNothingElse)
{
    const QString root = folder() + "/server";
    ASSERT_TRUE(QDir().mkpath(root + "/out"));
    ASSERT_TRUE(QDir().mkpath(root + "/tmp"));
    QByteArray binary(150 * 1024, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 7919 + i / 251) & 0xff);
    const QList<std::pair<QString, QByteArray>> served = {
        {"news.str", cp1251(QStringLiteral("^1\r\n~0\r\n3Новости дня\r\n"))},
        {"picture.bin", binary},
        {QStringLiteral("сводка.txt"), QStringLiteral("сводка\n").toUtf8()},
    };
    for (const auto& [name, content] : served)
        writeAll(root + "/out/" + name, content);
    // Bait for names that climb out: a client that followed them would fetch these.
    writeAll(root + "/escape.txt", "climbed out");
    writeAll(root + "/tmp/velumo-e2e-abs-escape.txt", "absolute");
    const QString abs = "/tmp/velumo-e2e-abs-escape.txt";
    QFile::remove(abs);

    FtpServer server(root);
    ASSERT_GT(server.port, 0);
    const QString received = folder() + "/in/box";
    ASSERT_TRUE(QDir().mkpath(received));
    writeConfig(folder(), [&](Settings& s) { receiveFrom(s, server.port, received); });
    Program program(folder());
    ASSERT_TRUE(program.start());
    const ControlReply reply = program.send("ftp receive");
    EXPECT_EQ(reply.code, 0) << reply.text.toStdString();
    QJsonObject receive;
    ASSERT_TRUE(pollUntil(
        [&] {
            receive = program.status()["ftp"].toObject()["receive"].toObject();
            return !receive["running"].toBool();
        },
        10000));
    EXPECT_TRUE(toStrings(receive["listed"]).contains("news.str"));
    const QJsonObject progress = receive["progress"].toObject();
    EXPECT_EQ(progress["phase"].toString(), "succeeded");
    EXPECT_TRUE(progress["text"].toString().startsWith(
        QStringLiteral("Приём завершён: получено файлов 3 ")))
        << progress["text"].toString().toStdString();

    QStringList expected;
    for (const auto& [name, content] : served) {
        expected.append(name);
        EXPECT_EQ(readAll(received + '/' + name), content) << name.toStdString();
    }
    expected.sort();
    EXPECT_EQ(QDir(received).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                       QDir::Name),
              expected);
    EXPECT_FALSE(QFileInfo::exists(folder() + "/in/escape.txt"));
    EXPECT_FALSE(QFileInfo::exists(folder() + "/escape.txt"));
    EXPECT_FALSE(QFileInfo::exists(abs));

    const QStringList net = logTexts(folder(), "net");
    EXPECT_GE(net.filter("skipped").size(), 5) << net.join('\n').toStdString();
    EXPECT_FALSE(QString::fromUtf8(readAll(folder() + "/velumo.log"))
                     .contains(QLatin1String(FtpServer::kPassword)));
    EXPECT_TRUE(program.close());
    EXPECT_FALSE(QString::fromUtf8(readAll(folder() + "/velumo.log"))
                     .contains(QLatin1String(FtpServer::kPassword)));
    expectNoErrors();
}

// The centre changes a figure in a block file: the new file has the old one's length. It still
// replaces the received copy, also from a server that gives no modification times.
TEST_F(Integration, FtpReceiveReplacesAnEditedFileOfTheSameLength)
{
    for (const bool modificationTimes : {true, false}) {
        SCOPED_TRACE(modificationTimes ? "with modification times" : "without them");
        QTemporaryDir caseDir;
        const QString base = caseDir.path();
        const QString root = base + "/server";
        ASSERT_TRUE(QDir().mkpath(root + "/out"));
        const QString received = base + "/in";
        ASSERT_TRUE(QDir().mkpath(received));
        writeAll(root + "/out/prices.str", cp1251(QStringLiteral("^1\r\n~0\r\n1Хлеб 25 руб\r\n")));
        FtpServer server(root,
                         modificationTimes ? FtpServer::Normal : FtpServer::NoModificationTimes);
        ASSERT_GT(server.port, 0);
        writeConfig(base, [&](Settings& s) { receiveFrom(s, server.port, received); });
        Program program(base);
        ASSERT_TRUE(program.start());
        auto receive = [&] {
            EXPECT_EQ(program.send("ftp receive").code, 0);
            return pollUntil(
                [&] {
                    return !program.status()["ftp"]
                                .toObject()["receive"]
                                .toObject()["running"]
                                .toBool();
                },
                10000);
        };
        ASSERT_TRUE(receive());
        EXPECT_EQ(readAll(received + "/prices.str"), readAll(root + "/out/prices.str"));
        // A later edit of the same length, a few seconds on.
        const QByteArray edited = cp1251(QStringLiteral("^1\r\n~0\r\n1Хлеб 27 руб\r\n"));
        writeAll(root + "/out/prices.str", edited);
        const QDateTime later = QDateTime::currentDateTime().addSecs(5);
        QFile file(root + "/out/prices.str");
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(later, QFileDevice::FileModificationTime));
        file.close();
        ASSERT_TRUE(receive());
        EXPECT_EQ(readAll(received + "/prices.str"), edited);
        EXPECT_TRUE(program.close());
    }
}

// Transmit through the control channel: the queued file arrives byte for byte and the ticker
// text goes along as the page run_string.htm, in the single-byte code page.
TEST_F(Integration, FtpTransmitStoresTheQueueAndTheTickerPage)
{
    const QString root = folder() + "/server";
    ASSERT_TRUE(QDir().mkpath(root + "/up"));
    FtpServer server(root);
    ASSERT_GT(server.port, 0);
    const QString block = writeBlockFile(folder());
    const QString report = folder() + QStringLiteral("/отчёт.csv");
    QByteArray content(70 * 1024, '\0');
    for (int i = 0; i < content.size(); ++i)
        content[i] = char((i * 31 + 5) & 0xff);
    writeAll(report, content);
    writeConfig(folder(), [&](Settings& s) {
        s.setText(key::SCEdit89, "127.0.0.1");
        s.setText(key::SCEdit90, QString::number(server.port));
        s.setText(key::SCEdit91, FtpServer::kUser);
        s.setText(key::SCEdit92, FtpServer::kPassword);
        s.setText(key::SCEdit93, "up");
        s.setChecked(key::SCCheckbox16, true);
        s.setChecked(key::SCCheckbox20, true);
    });
    Program program(folder());
    ASSERT_TRUE(program.start());
    ASSERT_EQ(program.send("block load " + block).text, "2");
    EXPECT_EQ(program.send("ftp add-upload " + report).text, "1");
    EXPECT_EQ(program.send("ftp transmit").code, 0);
    ASSERT_TRUE(pollUntil(
        [&] {
            return !program.status()["ftp"].toObject()["transmit"].toObject()["running"].toBool();
        },
        10000));
    EXPECT_EQ(readAll(root + QStringLiteral("/up/отчёт.csv")), content);
    const QByteArray page = readAll(root + "/up/run_string.htm");
    EXPECT_TRUE(page.startsWith("<html>\r\n<head>\r\n"));
    EXPECT_TRUE(page.contains(cp1251(QStringLiteral("<title>Бегущая строка</title>"))));
    EXPECT_TRUE(page.contains(cp1251("<p> " + kFirst.left(10))));
    EXPECT_TRUE(page.contains(cp1251("<p> " + kSecond.left(10))));
    EXPECT_TRUE(page.endsWith("</body>\r\n</html>\r\n"));
    EXPECT_EQ(page, readAll(folder() + "/run_string.htm"));
    EXPECT_TRUE(program.close());
    EXPECT_FALSE(QString::fromUtf8(readAll(folder() + "/velumo.log"))
                     .contains(QLatin1String(FtpServer::kPassword)));
    expectNoErrors();
}

// The program is closed in the middle of a slow download: it ends promptly, and no half file
// stands under the final name.
TEST_F(Integration, CloseDuringASlowDownloadEndsPromptly)
{
    const QString root = folder() + "/server";
    ASSERT_TRUE(QDir().mkpath(root + "/out"));
    writeAll(root + "/out/video.bin", QByteArray(4 * 1024 * 1024, 'v'));
    FtpServer server(root, FtpServer::Slow);
    ASSERT_GT(server.port, 0);
    const QString received = folder() + "/in";
    ASSERT_TRUE(QDir().mkpath(received));
    writeConfig(folder(), [&](Settings& s) { receiveFrom(s, server.port, received); });
    Program program(folder());
    ASSERT_TRUE(program.start());
    EXPECT_EQ(program.send("ftp receive").code, 0);
    ASSERT_TRUE(pollUntil(
        [&] {
            return !QDir(received).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        },
        5000));
    QThread::msleep(300);
    QElapsedTimer closing;
    closing.start();
    EXPECT_TRUE(program.close(5000));
    EXPECT_LT(closing.elapsed(), 5000);
    EXPECT_FALSE(QFileInfo::exists(received + "/video.bin"));
}

// A refused login ends the run and the manual connection with a report; neither the log nor
// the reports carry the password.
TEST_F(Integration, FtpRefusedLoginLeaksNoPassword)
{
    const QString root = folder() + "/server";
    ASSERT_TRUE(QDir().mkpath(root + "/out"));
    writeAll(root + "/out/news.str", "x");
    FtpServer server(root);
    ASSERT_GT(server.port, 0);
    const QString wrong = QStringLiteral("Wrong-pw-%1").arg(server.port);
    writeConfig(folder(),
                [&](Settings& s) { receiveFrom(s, server.port, folder() + "/in", wrong); });
    Program program(folder());
    ASSERT_TRUE(program.start());
    EXPECT_EQ(program.send("ftp receive").code, 0);
    ASSERT_TRUE(pollUntil(
        [&] {
            return !program.status()["ftp"].toObject()["receive"].toObject()["running"].toBool();
        },
        10000));
    EXPECT_EQ(logTexts(folder(), "net").filter("run ended by an error").size(), 1);
    EXPECT_EQ(program.send("ftp connect receive").code, 0);
    ASSERT_TRUE(pollUntil(
        [&] { return logTexts(folder(), "net").filter("connect failed").size() == 1; }, 10000))
        << logTexts(folder(), "net").join('\n').toStdString();
    EXPECT_FALSE(program.status()["ftp"].toObject()["receive"].toObject()["connected"].toBool());
    EXPECT_FALSE(QFileInfo::exists(folder() + "/in/news.str"));
    EXPECT_TRUE(program.close());
    const QString log = QString::fromUtf8(readAll(folder() + "/velumo.log"));
    EXPECT_FALSE(log.contains(wrong)) << log.toStdString();
    EXPECT_FALSE(QString::fromUtf8(readAll(folder() + "/program-output.txt")).contains(wrong));
}

// The strip's text updated from afar: the ticker runs a block file of the receiving folder and
// reloads it after each pass; an FTP receive replaces the file and the strip shows the new text,
// which the playback log records.
TEST_F(Integration, FtpReceivedBlockReachesTheRunningStrip)
{
    const QString root = folder() + "/server";
    ASSERT_TRUE(QDir().mkpath(root + "/out"));
    const QString fresh = QStringLiteral("Свежая новость с сервера");
    writeAll(root + "/out/news.str", cp1251("^7\r\n~0\r\n2" + fresh + "\r\n"));
    FtpServer server(root);
    ASSERT_GT(server.port, 0);
    const QString received = folder() + "/in";
    ASSERT_TRUE(QDir().mkpath(received));
    const QString local = writeBlockFile(folder());
    ASSERT_TRUE(QFile::rename(local, received + "/news.str"));
    const QString logs = folder() + "/logs";
    ASSERT_TRUE(QDir().mkpath(logs));
    writeConfig(folder(), [&](Settings& s) {
        receiveFrom(s, server.port, received);
        s.setChecked(key::SCCheckbox29, true);
        s.setChecked(key::SCCheckbox22, true);
        s.setText(key::SCEdit103, logs);
        fastStrip(s);
        s.setText(key::SCEdit77, "200");
    });
    Program program(folder());
    ASSERT_TRUE(program.start());
    EXPECT_EQ(program.send("block load " + received + "/news.str").text, "2");
    EXPECT_EQ(program.send("ticker start").code, 0);
    auto blockText = [&] { return toStrings(program.status()["block"].toObject()["text"]); };
    ASSERT_TRUE(anyContains(blockText(), kFirst));

    EXPECT_EQ(program.send("ftp receive").code, 0);
    ASSERT_TRUE(pollUntil([&] { return blockText() == QStringList{"2" + fresh}; }, 5000))
        << blockText().join('|').toStdString();
    EXPECT_TRUE(program.status()["ticker"].toObject()["running"].toBool());
    const int passes = program.status()["ticker"].toObject()["block_run_count"].toInt();
    ASSERT_TRUE(pollUntil(
        [&] {
            return program.status()["ticker"].toObject()["block_run_count"].toInt() >= passes + 2;
        },
        5000));
    ASSERT_TRUE(program.close());
    QString all;
    for (const QString& name : QDir(logs).entryList({"*.csv"}, QDir::Files))
        all += decodeCp1251(readAll(logs + '/' + name));
    EXPECT_TRUE(all.contains(";7;0;" + fresh + " \r\n")) << all.right(400).toStdString();
    EXPECT_TRUE(all.contains(";1;0;" + kFirst + " \r\n"));
    expectNoErrors();
}

// A schedule updated from afar: the dispatcher waits for an update of its plan file, an FTP
// receive brings a new plan into the receiving folder, and its line starts on time.
TEST_F(Integration, PlanReceivedByFtpIsPickedUpByTheWaitingDispatcher)
{
    const QString root = folder() + "/server";
    ASSERT_TRUE(QDir().mkpath(root + "/out"));
    FtpServer server(root);
    ASSERT_GT(server.port, 0);
    const QString received = folder() + "/in";
    ASSERT_TRUE(QDir().mkpath(received));
    const QString plan = received + "/plan.pln";
    const QDateTime past = wholeSecondAhead(-120);
    writeTextLines(plan, {stamp(past) + "|k1|00|" + stamp(past.addSecs(10))});
    writeConfig(folder(), [&](Settings& s) {
        receiveFrom(s, server.port, received);
        s.setChecked(key::SCCheckBox6, true);
        s.setChecked(key::SCCheckbox19, true);
        s.setChecked(key::SCCheckBox23, true);
        s.setSpin(key::SpinEdit5, 1);
        s.setText(key::SCEditn10, plan);
    });
    Program program(folder());
    ASSERT_TRUE(program.start());
    auto dispatcher = [&] { return program.status()["dispatcher"].toObject(); };
    ASSERT_TRUE(pollUntil([&] { return dispatcher()["next_code"].toString() == "FU"; }, 3000));
    EXPECT_EQ(dispatcher()["current"].toString(), QStringLiteral("Жду обновления расписания"));

    const QDateTime t0 = wholeSecondAhead(3);
    const QString line = stamp(t0) + "|k4|00|" + stamp(t0.addSecs(1)) + "|из центра";
    writeTextLines(root + "/out/plan.pln",
                   {stamp(past) + "|k1|00|" + stamp(past.addSecs(10)), line});
    EXPECT_EQ(program.send("ftp receive").code, 0);
    ASSERT_TRUE(pollUntil([&] { return dispatcher()["current"].toString() == line; }, 2500))
        << QJsonDocument(dispatcher()).toJson().toStdString();
    EXPECT_EQ(dispatcher()["next_code"].toString(), "k4");
    ASSERT_TRUE(waitLogged("start", line, 4000));
    const QDateTime startedAt = loggedAt(folder(), "start", line);
    EXPECT_GE(startedAt, t0.addMSecs(-50));
    EXPECT_LE(startedAt, t0.addMSecs(1000));
    EXPECT_TRUE(waitLogged("player", "start k 4", 1000));
    // Exhausted again: back to waiting for the next update.
    EXPECT_TRUE(pollUntil([&] { return dispatcher()["next_code"].toString() == "FU"; }, 2000));
    EXPECT_TRUE(logTexts(folder(), "error").isEmpty())
        << logTexts(folder(), "error").join('\n').toStdString();
    EXPECT_TRUE(program.close());
}

// A feed read from a local file: its date line and three items join the operator's own lines
// as marked lines with "0" companions; a second read replaces them.
TEST_F(Integration, RssReadAddsTheFeedLinesOnceAfterTheOwnLines)
{
    const QString block = writeBlockFile(folder());
    const QString feed = folder() + "/feed.xml";
    writeAll(feed,
             QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<rss version=\"2.0\"><channel><title>Канал</title>"
                            "<lastBuildDate>Tue, 08 Dec 2026 10:00:00 +0300</lastBuildDate>"
                            "<item><title>Первая новость</title><link>http://a/1</link></item>"
                            "<item><title>Вторая новость</title></item>"
                            "<item><description>Третья новость</description></item>"
                            "</channel></rss>\n")
                 .toUtf8());
    writeConfig(folder(), [&](Settings& s) { s.setText(key::SCEdit20, feed); });
    Program program(folder());
    ASSERT_TRUE(program.start());
    ASSERT_EQ(program.send("block load " + block).text, "2");
    const QStringList expected = {
        " _ Tue, 08 Dec 2026 10:00:00 +0300", QStringLiteral(" _ Первая новость"),
        QStringLiteral(" _ Вторая новость"), QStringLiteral(" _ Третья новость")};
    for (int read = 1; read <= 2; ++read) {
        SCOPED_TRACE(read);
        EXPECT_EQ(program.send("rss read").code, 0);
        QJsonObject status;
        ASSERT_TRUE(pollUntil(
            [&] {
                status = program.status();
                return !status["rss"].toObject()["reading"].toBool() &&
                       status["rss"].toObject()["lines"].toInt() > 0;
            },
            5000));
        const QJsonObject lines = status["block"].toObject();
        const QStringList text = toStrings(lines["text"]);
        ASSERT_EQ(text.size(), 6) << text.join('|').toStdString();
        EXPECT_TRUE(text[0].endsWith(kFirst));
        EXPECT_TRUE(text[1].endsWith(kSecond));
        EXPECT_EQ(text.mid(2), expected);
        EXPECT_EQ(toStrings(lines["index"]), (QStringList{"1", "2", "0", "0", "0", "0"}));
        EXPECT_EQ(toStrings(lines["tariff"]).mid(2), (QStringList{"0", "0", "0", "0"}));
        EXPECT_EQ(toStrings(lines["tariff"]).size(), 6);
    }
    EXPECT_TRUE(logTexts(folder(), "message").filter("RSS").isEmpty());
    EXPECT_TRUE(program.close());
    expectNoErrors();
}

// A feed behind a password over HTTP: the lines arrive, the password is shown and logged
// nowhere.
TEST_F(Integration, RssOverHttpKeepsTheFeedPasswordOutOfSight)
{
    const QString site = folder() + "/site";
    ASSERT_TRUE(QDir().mkpath(site));
    writeAll(site + "/feed.xml",
             QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n").toLatin1() +
                 cp1251(QStringLiteral("<rss version=\"2.0\"><channel><lastBuildDate>вчера"
                                       "</lastBuildDate><item><title>Погода</title></item>"
                                       "</channel></rss>")));
    HttpServer server(site);
    ASSERT_GT(server.port, 0);
    const QString password = QStringLiteral("Feed-pw-%1").arg(server.port);
    writeConfig(folder(), [&](Settings& s) {
        s.setText(key::SCEdit20, QStringLiteral("http://reader:%1@127.0.0.1:%2/feed.xml")
                                     .arg(password)
                                     .arg(server.port));
    });
    Program program(folder());
    ASSERT_TRUE(program.start());
    EXPECT_EQ(program.send("rss read").code, 0);
    QJsonObject status;
    ASSERT_TRUE(pollUntil(
        [&] {
            status = program.status();
            return !status["rss"].toObject()["reading"].toBool() &&
                   status["rss"].toObject()["lines"].toInt() == 2;
        },
        5000))
        << QJsonDocument(status).toJson().toStdString();
    EXPECT_EQ(toStrings(status["block"].toObject()["text"]),
              (QStringList{QStringLiteral(" _ вчера"), QStringLiteral(" _ Погода")}));
    EXPECT_FALSE(QJsonDocument(status).toJson().contains(password.toUtf8()));
    EXPECT_TRUE(program.close());
    EXPECT_FALSE(readAll(folder() + "/velumo.log").contains(password.toUtf8()));
    EXPECT_FALSE(readAll(folder() + "/program-output.txt").contains(password.toUtf8()));
    expectNoErrors();
}

// Feeds read under the running strip: the lines come and go between two announcements, the
// strip runs on through a block that grows and shrinks, and every record names a real line.
TEST_F(Integration, FeedReadsUnderTheRunningStripKeepItRunning)
{
    const QString block = writeBlockFile(folder());
    const QString feed = folder() + "/feed.xml";
    auto writeFeed = [&](int items) {
        QString xml = QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss "
            "version=\"2.0\"><channel><lastBuildDate>сегодня</"
            "lastBuildDate>");
        for (int i = 0; i < items; ++i)
            xml += QStringLiteral("<item><title>Новость %1</title></item>").arg(i);
        writeAll(feed, (xml + "</channel></rss>").toUtf8());
    };
    const QString logs = folder() + "/logs";
    ASSERT_TRUE(QDir().mkpath(logs));
    writeConfig(folder(), [&](Settings& s) {
        s.setText(key::SCEdit20, feed);
        s.setChecked(key::SCCheckbox22, true);
        s.setText(key::SCEdit103, logs);
        fastStrip(s);
        s.setText(key::SCEdit77, "200");
    });
    Program program(folder());
    ASSERT_TRUE(program.start());
    ASSERT_EQ(program.send("block load " + block).text, "2");
    EXPECT_EQ(program.send("ticker start").code, 0);
    auto read = [&](int items) {
        writeFeed(items);
        EXPECT_EQ(program.send("rss read").code, 0);
        return pollUntil(
            [&] {
                const QJsonObject rss = program.status()["rss"].toObject();
                return !rss["reading"].toBool() && rss["lines"].toInt() == items + 1;
            },
            5000);
    };
    for (const int items : {40, 1, 25, 0, 3}) {
        SCOPED_TRACE(items);
        ASSERT_TRUE(read(items));
        QThread::msleep(150);
        const QJsonObject status = program.status();
        const QJsonObject ticker = status["ticker"].toObject();
        EXPECT_TRUE(ticker["running"].toBool());
        const QStringList text = toStrings(status["block"].toObject()["text"]);
        EXPECT_EQ(text.size(), 2 + items + 1);
        EXPECT_LE(ticker["current_line"].toInt(), text.size());
    }
    const int passes = program.status()["ticker"].toObject()["block_run_count"].toInt();
    EXPECT_TRUE(pollUntil(
        [&] {
            return program.status()["ticker"].toObject()["block_run_count"].toInt() > passes + 1;
        },
        5000));
    ASSERT_TRUE(program.close());
    QString all;
    for (const QString& name : QDir(logs).entryList({"*.csv"}, QDir::Files))
        all += decodeCp1251(readAll(logs + '/' + name));
    const QStringList records = all.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    EXPECT_GT(records.size(), 10);
    const QRegularExpression record(
        QStringLiteral("^\\d+ повтор ;\\d{8}_\\d\\d_\\d\\d_\\d\\d;(1;0;%1 |2;5;%2 |0;0;_ "
                       "(сегодня|Новость \\d+) )$")
            .arg(kFirst, kSecond));
    for (const QString& line : records)
        EXPECT_TRUE(record.match(line).hasMatch()) << line.toStdString();
    expectNoErrors();
}

// Bad input through the channel: the program answers, keeps running and says what went wrong.
TEST_F(Integration, BadInputThroughTheChannelNeitherCrashesNorHangs)
{
    const QString plan = folder() + "/garbage.pln";
    writeAll(plan,
             QByteArray("\x7f\x01 binary\r\nnot|a|plan|line\r\n99.99.99 99:99:99|s1|00|\r\n"));
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 131 + 7) % 256);
    writeAll(folder() + "/binary.str", binary);
    writeConfig(folder(), [&](Settings& s) {
        s.setSpin(key::SpinEdit2, 0);
        s.setSpin(key::SpinEdit1, 1);
        s.setText(key::SCEditn10, plan);
        s.setChecked(key::SCCheckbox19, true);
    });
    Program program(folder());
    ASSERT_TRUE(program.start());

    auto answersQuickly = [&](const char* after) {
        SCOPED_TRACE(after);
        QElapsedTimer elapsed;
        elapsed.start();
        const ControlReply reply = program.send("status", 1000);
        EXPECT_EQ(reply.code, 0);
        EXPECT_LT(elapsed.elapsed(), 1000);
        EXPECT_TRUE(program.running());
    };
    program.send("ticker start", 2000);
    answersQuickly("empty block, step 0");
    QThread::msleep(200);
    answersQuickly("empty block, step 0, a little later");
    program.send("ticker stop", 2000);

    const ControlReply loaded = program.send("block load " + folder() + "/binary.str", 2000);
    EXPECT_TRUE(loaded.code == 0 || loaded.code == 2) << loaded.code;
    answersQuickly("binary block file");
    program.send("ticker start", 2000);
    QThread::msleep(200);
    answersQuickly("binary block running at step 0");
    program.send("ticker stop", 2000);

    // A pipe under a block file's name: refused at once, nothing waits for a writer.
    const QString pipe = folder() + "/pipe.str";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QElapsedTimer piped;
    piped.start();
    EXPECT_EQ(program.send("block load " + pipe, 2000).code, 2);
    EXPECT_LT(piped.elapsed(), 1000);
    answersQuickly("pipe as a block file");

    const QString message =
        QStringLiteral("Ошибочное расписание диспетчера. \"Загрузка план-файла\" не отмечено.");
    // The start did not happen: the command says so with the message shown.
    const ControlReply refused = program.send("dispatcher start", 2000);
    EXPECT_EQ(refused.code, 2);
    EXPECT_EQ(refused.text, message);
    EXPECT_TRUE(waitLogged("message", message, 3000))
        << logTexts(folder(), "message").join('\n').toStdString();
    EXPECT_TRUE(logTexts(folder(), "start").isEmpty());
    answersQuickly("garbage plan");
    EXPECT_TRUE(program.close());
    EXPECT_EQ(program.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process().exitCode(), 0);
}

// A timer handler of the running program that fails (the test hook arms one) is reported and
// logged; the program neither ends nor shows its start-up failure, keeps answering "status", and
// the strip keeps moving.
TEST_F(Integration, AFailingTimerHandlerNeitherEndsTheProgramNorStopsTheStrip)
{
    const QString block = writeBlockFile(folder());
    writeConfig(folder(), [&](Settings& s) { fastStrip(s); });
    Program program(folder());
    qputenv("VELUMO_TEST_HOOKS", "1");
    const bool started = program.start();
    qunsetenv("VELUMO_TEST_HOOKS");
    ASSERT_TRUE(started);
    auto runs = [&] { return program.status()["ticker"].toObject()["block_run_count"].toInt(); };
    EXPECT_EQ(program.send("block load " + block).text, "2");
    EXPECT_EQ(program.send("ticker start").code, 0);
    ASSERT_TRUE(pollUntil([&] { return runs() >= 1; }, 8000));

    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(program.send("test throw").text, "armed");
        ASSERT_TRUE(pollUntil([&] { return logTexts(folder(), "error").size() == i + 1; }, 5000));
    }
    // A timer's failure goes to the log in plain Russian, the technical text after a dash.
    const QStringList errors = logTexts(folder(), "error");
    ASSERT_EQ(errors.size(), 2);
    for (const QString& error : errors)
        EXPECT_TRUE(error.endsWith(QStringLiteral(" — test hook: the timer handler failed")))
            << error.toStdString();
    const int before = runs();
    ASSERT_TRUE(pollUntil([&] { return runs() >= before + 2; }, 8000)) << before;
    EXPECT_TRUE(program.status()["ticker"].toObject()["running"].toBool());
    EXPECT_TRUE(program.running());
    EXPECT_FALSE(
        logTexts(folder(), "message").contains("Возможно в системе не установлен медиаплеер!?"));
    EXPECT_TRUE(program.close());
    EXPECT_EQ(program.process().exitCode(), 0);
}

}  // namespace
}  // namespace velumo::integration
