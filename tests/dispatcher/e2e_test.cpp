#include <gtest/gtest.h>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"

using namespace velumo;
using namespace velumo::test;

namespace {

// The texts of one kind of event in the folder's velumo.log.
QStringList logged(const QString& folder, const QString& kind)
{
    return logEvents(folder + "/velumo.log", kind);
}

// Closes the copy as one would from a shell ("--send close") and waits for it to end.
void closeFromShell(Program& velumo, const QString& folder)
{
    EXPECT_EQ(runToEnd({"--dir", folder, "--send", "close"}), 0);
    ASSERT_TRUE(velumo.process().waitForFinished(20'000));
    EXPECT_EQ(velumo.process().exitCode(), 0);
}

QString stamp(const QDateTime& moment)
{
    return moment.toString(u"dd.MM.yy hh:mm:ss");
}

// The real program runs a plan unattended: lines a few seconds ahead start and stop on their
// own, velumo.log records them and str_disp.txt holds the line that ran last.
TEST(DispatcherEndToEnd, RunsAPlanUnattended)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QDateTime base = QDateTime::currentDateTime().addSecs(5);
    const QDateTime t0(base.date(),
                       QTime(base.time().hour(), base.time().minute(), base.time().second()));
    const QString first = stamp(t0) + "|k1|00|" + stamp(t0.addSecs(2)) + "|первый";
    const QString second = stamp(t0.addSecs(1)) + "|s2|00|" + stamp(t0.addSecs(3));
    const QString third = stamp(t0.addSecs(2)) + "|x1|00|" + stamp(t0.addSecs(3));
    const QString passed = stamp(t0.addSecs(-3600)) + "|k1|00|" + stamp(t0.addSecs(-3000));
    writeTextLines(folder + "/plan.pln", {passed, first, "", second, third});

    Settings settings;
    settings.setChecked(key::SCCheckBox6, true);
    settings.setChecked(key::SCCheckbox19, true);
    settings.setText(key::SCEditn10, folder + "/plan.pln");
    writeAll(folder + "/velumo.cfg", configfile::save(settings));

    Program velumo(folder);
    ASSERT_NO_FATAL_FAILURE(velumo.start());
    waitFor([&] { return logged(folder, "stop").size() >= 2; }, 20'000, 100);
    QString reply;
    EXPECT_EQ(runToEnd({"--dir", folder, "--send", "status"}, &reply), 0);
    ASSERT_NO_FATAL_FAILURE(closeFromShell(velumo, folder));

    EXPECT_EQ(logged(folder, "start"), (QStringList{first, second, third}));
    const QStringList stops = logged(folder, "stop");
    ASSERT_GE(stops.size(), 2);
    // The stop code is that of the entry started last ("x" starts nothing and leaves it).
    EXPECT_EQ(stops[0], "k s0");
    EXPECT_EQ(stops[1], "s s0");
    EXPECT_TRUE(logged(folder, "player").contains("start k 1"));
    EXPECT_EQ(readTextLines(folder + "/str_disp.txt"), QStringList{third});
    EXPECT_TRUE(QJsonDocument::fromJson(reply.toUtf8()).object().contains("dispatcher"))
        << reply.toStdString();
    EXPECT_TRUE(logged(folder, "error").isEmpty())
        << logged(folder, "error").join('\n').toStdString();
}

// The plan check of the command line: exit 0 only when every future line runs as written; the
// slots come from the folder's velumo.cfg.
TEST(DispatcherEndToEnd, CheckPlanExitCodes)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QDateTime t0 = QDateTime::currentDateTime().addSecs(3600);
    const QString good = stamp(t0) + "|k1|00|" + stamp(t0.addSecs(60));
    const QString passed = stamp(t0.addSecs(-7200)) + "|k1|00|" + stamp(t0.addSecs(-7100));
    // The plan check opens the slot files: this one is there.
    const QString clipFile = folder + "/clip.avi";
    writeAll(clipFile, QByteArray("not a real clip, but a file"));
    struct Case {
        const char* name;
        QStringList lines;
        QString clipSlot1;
        int expectedExit;
    };
    const Case cases[] = {
        {"clean", {passed, good, ""}, clipFile, 0},
        {"empty slot", {good}, "", 1},
        {"out of order", {good, stamp(t0.addSecs(-60)) + "|k1|00|" + stamp(t0)}, clipFile, 1},
        {"garbage", {good, "\x7f\x01 binary"}, clipFile, 1},
        {"a slot file that is gone", {good}, folder + "/gone.avi", 1},
    };
    for (const Case& c : cases) {
        writeTextLines(folder + "/plan.pln", c.lines);
        Settings settings;
        settings.setText(key::SCEdit49, c.clipSlot1);
        writeAll(folder + "/velumo.cfg", configfile::save(settings));
        QProcess check;
        check.start(programPath(), {"--dir", folder, "--check-plan", folder + "/plan.pln"});
        ASSERT_TRUE(check.waitForFinished(10'000)) << c.name;
        EXPECT_EQ(check.exitCode(), c.expectedExit) << c.name;
        const QString out = QString::fromUtf8(check.readAllStandardOutput());
        EXPECT_TRUE(out.contains("1: ")) << c.name;
    }
    EXPECT_EQ(runToEnd({"--dir", folder, "--check-plan", folder + "/missing.pln"}), 2);
    EXPECT_FALSE(QFileInfo::exists(folder + "/velumo.log"));  // the check writes nothing
}

// A missing plan file at start-up is reported and nothing runs.
TEST(DispatcherEndToEnd, MissingPlanFileIsReported)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    Settings settings;
    settings.setChecked(key::SCCheckBox6, true);
    settings.setText(key::SCEditn10, folder + "/missing.pln");
    writeAll(folder + "/velumo.cfg", configfile::save(settings));
    writeAll(folder + "/str_disp.txt", QByteArray("\x00\x01garbage", 9));

    Program velumo(folder);
    ASSERT_NO_FATAL_FAILURE(velumo.start());
    waitFor([&] { return logged(folder, "message").contains("Не задан файл диспетчера!"); }, 15'000,
            100);
    ASSERT_NO_FATAL_FAILURE(closeFromShell(velumo, folder));
    EXPECT_TRUE(logged(folder, "message").contains("Не задан файл диспетчера!"));
    EXPECT_TRUE(logged(folder, "start").isEmpty());
}

}  // namespace
