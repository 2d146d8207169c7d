#include <gtest/gtest.h>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "app/configfile.h"
#include "app/settings.h"
#include "app/settingskeys.h"
#include "app/textfile.h"
#include "fakes/testsupport.h"

using namespace velumo;
using namespace velumo::test;

namespace {

QString program()
{
    return qEnvironmentVariable("VELUMO_BUILD_DIR") + QStringLiteral("/velumo");
}

QStringList logEvents(const QString& folder, const QString& kind)
{
    QStringList out;
    for (const QString& line : QString::fromUtf8(readAll(folder + "/velumo.log")).split(u'\n')) {
        const QStringList parts = line.split(u'\t');
        if (parts.size() >= 3 && parts[1] == kind)
            out.append(parts.mid(2).join(u'\t'));
    }
    return out;
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

    QProcess velumo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    velumo.setProcessEnvironment(env);
    velumo.start(program(), {"--dir", folder});
    ASSERT_TRUE(velumo.waitForStarted(10'000));

    QElapsedTimer waited;
    waited.start();
    while (logEvents(folder, "stop").size() < 2 && waited.elapsed() < 20'000)
        QThread::msleep(100);

    QProcess status;
    status.start(program(), {"--dir", folder, "--send", "status"});
    ASSERT_TRUE(status.waitForFinished(10'000));
    const QString reply = QString::fromUtf8(status.readAllStandardOutput());

    QProcess close;
    close.start(program(), {"--dir", folder, "--send", "close"});
    ASSERT_TRUE(close.waitForFinished(10'000));
    EXPECT_EQ(close.exitCode(), 0);
    ASSERT_TRUE(velumo.waitForFinished(20'000));
    EXPECT_EQ(velumo.exitCode(), 0);

    EXPECT_EQ(logEvents(folder, "start"), (QStringList{first, second, third}));
    const QStringList stops = logEvents(folder, "stop");
    ASSERT_GE(stops.size(), 2);
    // The stop code is that of the entry started last ("x" starts nothing and leaves it).
    EXPECT_EQ(stops[0], "k s0");
    EXPECT_EQ(stops[1], "s s0");
    EXPECT_TRUE(logEvents(folder, "player").contains("start k 1"));
    EXPECT_EQ(readTextLines(folder + "/str_disp.txt"), QStringList{third});
    EXPECT_TRUE(reply.contains("\"dispatcher\"")) << reply.toStdString();
    EXPECT_TRUE(logEvents(folder, "error").isEmpty())
        << logEvents(folder, "error").join('\n').toStdString();
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
    struct Case {
        const char* name;
        QStringList lines;
        QString clipSlot1;
        int expectedExit;
    };
    const Case cases[] = {
        {"clean", {passed, good, ""}, "/data/clip.avi", 0},
        {"empty slot", {good}, "", 1},
        {"out of order",
         {good, stamp(t0.addSecs(-60)) + "|k1|00|" + stamp(t0)},
         "/data/clip.avi",
         1},
        {"garbage", {good, "\x7f\x01 binary"}, "/data/clip.avi", 1},
    };
    for (const Case& c : cases) {
        writeTextLines(folder + "/plan.pln", c.lines);
        Settings settings;
        settings.setText(key::SCEdit49, c.clipSlot1);
        writeAll(folder + "/velumo.cfg", configfile::save(settings));
        QProcess check;
        check.start(program(), {"--dir", folder, "--check-plan", folder + "/plan.pln"});
        ASSERT_TRUE(check.waitForFinished(10'000)) << c.name;
        EXPECT_EQ(check.exitCode(), c.expectedExit) << c.name;
        const QString out = QString::fromUtf8(check.readAllStandardOutput());
        EXPECT_TRUE(out.contains("1: ")) << c.name;
    }
    QProcess missing;
    missing.start(program(), {"--dir", folder, "--check-plan", folder + "/missing.pln"});
    ASSERT_TRUE(missing.waitForFinished(10'000));
    EXPECT_EQ(missing.exitCode(), 1);
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

    QProcess velumo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    velumo.setProcessEnvironment(env);
    velumo.start(program(), {"--dir", folder});
    ASSERT_TRUE(velumo.waitForStarted(10'000));
    QElapsedTimer waited;
    waited.start();
    while (!logEvents(folder, "message").contains("Не задан файл диспетчера!") &&
           waited.elapsed() < 15'000)
        QThread::msleep(100);
    QProcess close;
    close.start(program(), {"--dir", folder, "--send", "close"});
    ASSERT_TRUE(close.waitForFinished(10'000));
    ASSERT_TRUE(velumo.waitForFinished(20'000));
    EXPECT_TRUE(logEvents(folder, "message").contains("Не задан файл диспетчера!"));
    EXPECT_TRUE(logEvents(folder, "start").isEmpty());
}

}  // namespace
