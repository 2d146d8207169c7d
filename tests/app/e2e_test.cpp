// End-to-end: the real program, offscreen, in a temporary program folder, driven through its
// control channel and judged by its files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <array>

#include "base/configfile.h"
#include "base/controlchannel.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"

namespace velumo {
namespace {

const QString kLoadFailed = QString::fromUtf8(configfile::kLoadFailedMessage);

using test::powerLogPath;
using test::Program;
using test::programPath;
using test::runToEnd;

// Names, sizes, modification times and contents of every file of a folder.
QStringList snapshot(const QString& folder)
{
    QStringList out;
    const QFileInfoList files = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& file : files) {
        // The running copy keeps what is on air up to date (and writes it through a temporary):
        // that file is the first copy's, not the second's.
        if (file.fileName().contains(QLatin1String("velumo.state")))
            continue;
        out.append(QStringLiteral("%1 %2 %3 %4")
                       .arg(file.fileName())
                       .arg(file.size())
                       .arg(file.lastModified().toMSecsSinceEpoch())
                       .arg(QString::fromLatin1(test::readAll(file.filePath()).toHex())));
    }
    return out;
}

// Events of velumo.log as (kind, text).
QList<std::pair<QString, QString>> events(const QString& folder)
{
    QList<std::pair<QString, QString>> out;
    const QString text = QString::fromUtf8(test::readAll(folder + "/velumo.log"));
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(u'\t');
        if (parts.size() >= 3)
            out.append({parts[1], parts.mid(2).join(u'\t')});
    }
    return out;
}

int countEvents(const QString& folder, const QString& kind, const QString& text)
{
    int n = 0;
    for (const auto& [k, t] : events(folder))
        if (k == kind && t == text)
            ++n;
    return n;
}

void writeConfig(const QString& folder, const std::function<void(Settings&)>& change)
{
    Settings settings;
    change(settings);
    test::writeAll(folder + "/velumo.cfg", configfile::save(settings));
}

std::unique_ptr<Settings> readConfig(const QString& folder)
{
    auto settings = std::make_unique<Settings>();
    configfile::load(test::readAll(folder + "/velumo.cfg"), *settings);
    return settings;
}

mode_t modeOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(programPath()).isExecutable()) << programPath().toStdString();
        ASSERT_TRUE(dir.isValid());
    }
    QString folder() const { return dir.path(); }

    QTemporaryDir dir;
};

TEST_F(EndToEnd, FirstStartShowsTheLoadingMessageAndCloseSavesBothFiles)
{
    {
        Program program(folder());
        program.start();
        ASSERT_TRUE(program.waitReady());
        const QJsonObject status = program.status();
        for (const char* member : {"program_folder", "block", "ticker"})
            EXPECT_TRUE(status.contains(member)) << member;
        EXPECT_EQ(status.value("program_folder").toString(), folder());
        EXPECT_EQ(countEvents(folder(), "message", kLoadFailed), 1);
        EXPECT_FALSE(QFileInfo::exists(folder() + "/velumo.cfg"));  // nothing saved yet
        EXPECT_TRUE(program.close());
        EXPECT_EQ(program.process().exitCode(), 0);
    }
    const QString cfg = folder() + "/velumo.cfg";
    ASSERT_TRUE(QFileInfo::exists(cfg));
    EXPECT_EQ(modeOf(cfg), mode_t(0600));
    EXPECT_TRUE(QFileInfo::exists(folder() + "/velumo_lang.cfg"));
    const auto saved = readConfig(folder());
    EXPECT_EQ(saved->text(key::SCEdit11), QDate::currentDate().toString(u"dd.MM.yy"));
    EXPECT_EQ(saved->text(key::SCEdit43), "400");

    // The second start finds its settings: no new loading message.
    Program again(folder());
    again.start();
    ASSERT_TRUE(again.waitReady());
    EXPECT_EQ(countEvents(folder(), "message", kLoadFailed), 1);
}

TEST_F(EndToEnd, SettingsComeBackAndSaveKeepsThem)
{
    writeConfig(folder(), [](Settings& s) {
        s.setText(key::SCEdit43, "777");
        s.setText(key::SCEdit6, QStringLiteral("DejaVu Sans Mono"));
        s.setText(key::SCEdit104, QStringLiteral("моя тайна я"));
        s.setSpin(key::SpinEdit4, 42);
    });
    Program program(folder());
    program.start();
    ASSERT_TRUE(program.waitReady());
    EXPECT_EQ(program.send("get SCEdit43").text, "777");
    EXPECT_EQ(program.send("get SCEdit6").text, "DejaVu Sans Mono");
    EXPECT_EQ(program.send("get SCEdit104").text, QStringLiteral("моя тайна я"));
    EXPECT_EQ(program.send("get SpinEdit4").text, "42");
    EXPECT_EQ(program.send("get NoSuchSetting").code, 2);
    EXPECT_EQ(countEvents(folder(), "message", kLoadFailed), 0);

    ::chmod(QFile::encodeName(folder() + "/velumo.cfg").constData(), 0644);
    EXPECT_EQ(program.send("save").code, 0);
    EXPECT_EQ(modeOf(folder() + "/velumo.cfg"), mode_t(0600));
    const auto saved = readConfig(folder());
    EXPECT_EQ(saved->text(key::SCEdit104), QStringLiteral("моя тайна я"));
    EXPECT_EQ(saved->text(key::SpinEdit4), "42");
    EXPECT_TRUE(program.close());
}

struct DamagedCase {
    const char* title;
    std::function<QByteArray()> content;  // a null QByteArray: no file at all
};

TEST_F(EndToEnd, DamagedSettingsShowTheLoadingMessageAndTheProgramRuns)
{
    Settings defaults;
    const QByteArray good = configfile::save(defaults);
    const qsizetype spin = good.indexOf(configfile::scramble("SpinEdit4 "));
    ASSERT_GT(spin, 0);
    QByteArray binary(8192, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 7919 + 13) % 251);
    const DamagedCase cases[] = {
        {"missing", [] { return QByteArray(); }},
        {"empty", [] { return QByteArray(""); }},
        {"binary", [&] { return binary; }},
        {"truncated inside a spinner value", [&] { return good.left(spin + 10); }},
        {"non-numeric spinner",
         [&] { return good + configfile::scramble("SpinEdit4 abc") + "\r\n"; }},
        {"empty window position",
         [&] { return good + configfile::scramble("SCEdit94 ") + "\r\n"; }},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.title);
        QTemporaryDir caseDir;
        const QByteArray content = c.content();
        if (!content.isNull())
            test::writeAll(caseDir.filePath("velumo.cfg"), content);
        Program program(caseDir.path());
        program.start();
        ASSERT_TRUE(program.waitReady());
        EXPECT_EQ(countEvents(caseDir.path(), "message", kLoadFailed), 1);
        EXPECT_EQ(program.send("get SCEdit43").code, 0);
        EXPECT_TRUE(program.close());
    }
}

// A number field that holds what cannot be a number (here 8 MiB of letters for the strip's
// width) is refused when the file is read: the first status comes as soon as with a good file,
// the field has its design value, the operator is told once, and the file stays as it was
// until the operator saves.
TEST_F(EndToEnd, ANumberFieldOfLettersIsRefusedAtOnceAndTheFileStays)
{
    Settings defaults;
    const QByteArray good = configfile::save(defaults);
    auto firstStatusMs = [](const QString& where) {
        Program program(where);
        QElapsedTimer elapsed;
        elapsed.start();
        program.start({"r"});
        EXPECT_TRUE(program.waitReady());
        const qint64 ms = elapsed.elapsed();
        EXPECT_EQ(program.send("get SCEdit77").text, "400");
        return ms;
    };
    QTemporaryDir goodDir;
    test::writeAll(goodDir.filePath("velumo.cfg"), good);
    const qint64 goodMs = firstStatusMs(goodDir.path());

    const QByteArray bad =
        good + configfile::scramble("SCEdit77 " + QByteArray(8 << 20, 'x')) + "\r\n";
    test::writeAll(folder() + "/velumo.cfg", bad);
    Program program(folder());
    QElapsedTimer elapsed;
    elapsed.start();
    program.start({"r"});
    ASSERT_TRUE(program.waitReady());
    const qint64 badMs = elapsed.elapsed();
    EXPECT_LT(badMs, goodMs + 1000) << "good file " << goodMs << " ms";
    EXPECT_EQ(program.send("get SCEdit77").text, "400");
    EXPECT_EQ(countEvents(folder(), "message", kLoadFailed), 1);
    int refusals = 0;
    for (const auto& [kind, text] : events(folder()))
        if (kind == "error" && text.contains("SCEdit77") && text.contains("not a number"))
            ++refusals;
    EXPECT_EQ(refusals, 1);
    EXPECT_TRUE(test::readAll(folder() + "/velumo.cfg") == bad);
    // Nothing shown holds the letters: no box of a megabyte on the screen.
    const QJsonObject failures = program.status().value("failures").toObject();
    for (const QJsonValue& box : failures.value("boxes").toArray())
        EXPECT_LT(box.toString().size(), 1000);
    EXPECT_TRUE(program.close());
}

TEST_F(EndToEnd, SecondCopyShowsTheFirstAndTouchesNoFile)
{
    Program first(folder());
    first.start();
    ASSERT_TRUE(first.waitReady());
    const QStringList before = snapshot(folder());
    const int shows = countEvents(folder(), "control", "show");
    QThread::msleep(20);  // a file touched now would get a new modification time

    for (const QStringList& switches : {QStringList{}, QStringList{"r"}, QStringList{"x", "y"}}) {
        QElapsedTimer elapsed;
        elapsed.start();
        EXPECT_EQ(runToEnd(QStringList{"--dir", folder()} + switches), 0);
        EXPECT_LT(elapsed.elapsed(), 10000);
    }
    // The first copy logged the three "show" commands; apart from that no file changed.
    EXPECT_EQ(countEvents(folder(), "control", "show"), shows + 3);
    QStringList after = snapshot(folder());
    QStringList beforeNoLog = before.filter(QRegularExpression("^(?!velumo\\.log )"));
    QStringList afterNoLog = after.filter(QRegularExpression("^(?!velumo\\.log )"));
    EXPECT_EQ(afterNoLog, beforeNoLog);
    EXPECT_EQ(first.process().state(), QProcess::Running);
}

TEST_F(EndToEnd, CopiesStartedAtTheSameMomentLeaveExactlyOneRunning)
{
    Program a(folder()), b(folder()), c(folder());
    a.start();
    b.start();
    c.start();
    ASSERT_TRUE(a.waitReady() || b.waitReady() || c.waitReady());
    // The copies that lost the race end by themselves; a loaded machine may take a while.
    const std::array<Program*, 3> copies{&a, &b, &c};
    const auto endedCount = [&] {
        return std::count_if(copies.begin(), copies.end(), [](Program* p) {
            return p->process().state() == QProcess::NotRunning;
        });
    };
    QDeadlineTimer deadline(20000);
    while (endedCount() < 2 && !deadline.hasExpired()) {
        for (Program* p : copies)
            if (p->process().state() != QProcess::NotRunning)
                p->process().waitForFinished(50);
    }
    const auto ended = endedCount();
    for (Program* p : copies) {
        if (p->process().state() == QProcess::NotRunning) {
            EXPECT_EQ(p->process().exitCode(), 0);
        }
    }
    EXPECT_EQ(ended, 2);
    EXPECT_EQ(sendControlCommand(folder(), "get SCEdit43").text, "400");
}

TEST_F(EndToEnd, KillWithoutARunningCopyEndsAtOnceAndWritesNothing)
{
    for (const char* spelling : {"kill", "Kill", "KILL"}) {
        QElapsedTimer elapsed;
        elapsed.start();
        EXPECT_EQ(runToEnd({"--dir", folder(), spelling}), 0);
        EXPECT_LT(elapsed.elapsed(), 5000);
    }
    EXPECT_TRUE(QDir(folder()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST_F(EndToEnd, PowerSwitchesAskOnceAndGoOnToTheSingleInstanceRule)
{
    Program first(folder());
    first.start();
    ASSERT_TRUE(first.waitReady());
    QFile::remove(powerLogPath());
    const QStringList before = snapshot(folder()).filter(QRegularExpression("^(?!velumo\\.log )"));
    const std::pair<QStringList, const char*> cases[] = {
        {{"down"}, "poweroff -i\n"},
        {{"Down"}, "poweroff -i\n"},
        {{"DOWN", "x"}, "poweroff -i\n"},
        {{"sleep"}, "suspend -i\n"},
        {{"SLEEP"}, "suspend -i\n"},
        {{"x", "down"}, ""},
        {{"dOwn"}, ""},
    };
    for (const auto& [switches, request] : cases) {
        QFile::remove(powerLogPath());
        EXPECT_EQ(runToEnd(QStringList{"--dir", folder()} + switches), 0);
        // The detached systemctl writes a moment later.
        QDeadlineTimer deadline(*request ? 5000 : 300);
        while (!deadline.hasExpired() && test::readAll(powerLogPath()).isEmpty())
            QThread::msleep(10);
        EXPECT_EQ(test::readAll(powerLogPath()), QByteArray(request))
            << switches.join(' ').toStdString();
    }
    // Each of those copies found the first one and only showed it.
    EXPECT_EQ(countEvents(folder(), "control", "show"), 7);
    EXPECT_EQ(snapshot(folder()).filter(QRegularExpression("^(?!velumo\\.log )")), before);
}

TEST_F(EndToEnd, KillClosesTheRunningCopyWhichSaves)
{
    Program first(folder());
    first.start();
    ASSERT_TRUE(first.waitReady());
    EXPECT_EQ(runToEnd({"--dir", folder(), "kill"}), 0);
    EXPECT_TRUE(first.process().waitForFinished(15000));
    EXPECT_TRUE(QFileInfo::exists(folder() + "/velumo.cfg"));
    EXPECT_TRUE(QFileInfo::exists(folder() + "/velumo_lang.cfg"));
}

TEST_F(EndToEnd, SendReportsFailuresAndLeavesTheCopyRunning)
{
    QString output;
    EXPECT_EQ(runToEnd({"--dir", folder(), "--send", "status"}, &output), 1);
    EXPECT_TRUE(QDir(folder()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    Program program(folder());
    program.start();
    ASSERT_TRUE(program.waitReady());
    EXPECT_EQ(runToEnd({"--dir", folder(), "--send", "no such command"}, &output), 2);
    EXPECT_TRUE(output.contains("unknown command")) << output.toStdString();
    EXPECT_EQ(runToEnd({"--dir", folder(), "--send", "block load"}, &output), 2);
    EXPECT_EQ(runToEnd({"--dir", folder(), "--send"}, &output), 2);
    EXPECT_EQ(runToEnd({"--dir", folder(), "--send", "get SCEdit43"}, &output), 0);
    EXPECT_EQ(output.trimmed(), "400");
    // A client that sends rubbish without a line end and goes away changes nothing.
    {
        QLocalSocket socket;
        socket.connectToServer(ControlServer::serverName(folder()));
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(QByteArray(100000, '\x01'));
        socket.waitForBytesWritten(2000);
        socket.disconnectFromServer();
    }
    EXPECT_EQ(program.send("get SCEdit43").text, "400");
    EXPECT_EQ(program.process().state(), QProcess::Running);
}

TEST_F(EndToEnd, BlockLoadAndSaveThroughTheControlChannel)
{
    const QString source = folder() + "/block.str";
    test::writeAll(source, test::cp1251(QStringLiteral(
                               "^1\r\n~0\r\n1Первое объявление\r\n^2\r\n~1\r\n!Стоп ] здесь\r\n")));
    Program program(folder());
    program.start();
    ASSERT_TRUE(program.waitReady());
    const ControlReply loaded = program.send("block load " + source);
    EXPECT_EQ(loaded.code, 0);
    EXPECT_EQ(loaded.text, "2");
    const QJsonObject block = program.status().value("block").toObject();
    EXPECT_EQ(block.value("file").toString(), source);
    EXPECT_EQ(block.value("text").toArray(),
              QJsonArray({QStringLiteral("1Первое объявление"), QStringLiteral("!Стоп ] здесь")}));
    EXPECT_EQ(block.value("index").toArray(), QJsonArray({"1", "2"}));
    EXPECT_EQ(block.value("tariff").toArray(), QJsonArray({"0", "1"}));
    EXPECT_EQ(program.send("get SCEdit12").text, "2");

    const QString copy = folder() + "/copy.str";
    EXPECT_EQ(program.send("block save " + copy).code, 0);
    EXPECT_EQ(test::readAll(copy), test::readAll(source));
    EXPECT_EQ(program.send("get SCEdit5").text, copy);

    // A missing file fails with a reason and empties the block, the program goes on.
    const ControlReply missing = program.send("block load " + folder() + "/missing.str");
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.text.contains("missing.str")) << missing.text.toStdString();
    EXPECT_EQ(program.send("get SCEdit12").text, "0");
    // ...and the start-up block stays the one that was read last.
    EXPECT_EQ(program.send("get SCEdit5").text, copy);

    // A save that cannot be written changes neither the start-up block nor the lists.
    program.send("block load " + source);
    const ControlReply unwritable =
        program.send("block save " + folder() + "/no/such/folder/x.str");
    EXPECT_EQ(unwritable.code, 2);
    EXPECT_EQ(program.send("get SCEdit5").text, source);
    EXPECT_EQ(program.send("get SCEdit12").text, "2");
    // A capital extension loads nothing and leaves the block.
    program.send("block load " + source);
    test::writeAll(folder() + "/other.STR", "^9\r\n~9\r\n9x\r\n");
    EXPECT_EQ(program.send("block load " + folder() + "/other.STR").text, "2");
    EXPECT_TRUE(program.close());
    // The block file name is kept with the settings.
    EXPECT_EQ(readConfig(folder())->text(key::SCEdit5), folder() + "/other.STR");
}

TEST_F(EndToEnd, StartSwitchRLoadsTheStartFileOnlyWhenItIsTheOnlyArgument)
{
    const QString source = folder() + "/start.str";
    test::writeAll(source, test::cp1251(QStringLiteral("1Один\r\n2Два\r\n")));
    writeConfig(folder(), [&](Settings& s) { s.setText(key::SCEdit5, source); });
    {
        Program program(folder());
        program.start({"r", "extra"});
        ASSERT_TRUE(program.waitReady());
        EXPECT_EQ(program.status().value("block").toObject().value("text").toArray().size(), 0);
    }
    Program program(folder());
    program.start({"R"});
    ASSERT_TRUE(program.waitReady());
    EXPECT_EQ(program.status().value("block").toObject().value("text").toArray(),
              QJsonArray({QStringLiteral("1Один"), QStringLiteral("2Два")}));
}

TEST_F(EndToEnd, TranslationFileIsAppliedWhenEnabled)
{
    // Save once to get the translation file, change one caption line, then restart with the
    // translation switched on: the caption comes from the file.
    {
        Program program(folder());
        program.start();
        ASSERT_TRUE(program.waitReady());
        EXPECT_TRUE(program.close());
    }
    const QString langPath = folder() + "/velumo_lang.cfg";
    QStringList lines = readTextLines(langPath);
    const qsizetype count = lines.size();
    ASSERT_GT(count, 100);
    const qsizetype check = lines.indexOf(QStringLiteral("Загружать перевод"));
    ASSERT_GE(check, 0);
    lines[check] = QStringLiteral("Load the translation");
    writeTextLines(langPath, lines);
    const auto settings = readConfig(folder());
    settings->setChecked(key::SCCheckbox28, true);
    test::writeAll(folder() + "/velumo.cfg", configfile::save(*settings));
    {
        Program program(folder());
        program.start();
        ASSERT_TRUE(program.waitReady());
        EXPECT_EQ(countEvents(folder(), "message", kLoadFailed), 1);  // the first start's only
        EXPECT_TRUE(program.close());
    }
    // The caption was applied: the next save writes it back from the window.
    const QStringList rewritten = readTextLines(langPath);
    EXPECT_EQ(rewritten.size(), count);
    EXPECT_EQ(rewritten.value(check), "Load the translation");
}

}  // namespace
}  // namespace velumo
