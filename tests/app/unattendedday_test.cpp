// A day nobody watches, for real: the program under a virtual X server runs a plan whose lines
// fail in every way a station meets (no capture device, a clip file that is gone, a date that
// does not exist, a str_disp.txt that cannot be written) between good lines. Every line still
// starts on its second, no message box comes up, failed content leaves the screen, and the
// status and the status line tell the failure and the next start.
#include <gtest/gtest.h>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"
#include "fakes/virtualscreen.h"

namespace velumo {
namespace {

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    return test::waitFor(condition, timeoutMs, 20);
}

QString run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

class UnattendedDay : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString why;
        ASSERT_TRUE(screen.start(41, 69, &why)) << why.toStdString();
        env = screen.environment();
    }
    void TearDown() override
    {
        program.stop();
        screen.stop();
    }

    // The names of the program's windows that are on the screen, with their rectangles.
    QStringList visibleWindows()
    {
        const QString xdotool = QStandardPaths::findExecutable("xdotool");
        QStringList windows;
        const QStringList ids =
            run(xdotool, {"search", "--onlyvisible", "--pid", QString::number(program.pid())}, env)
                .split(u'\n', Qt::SkipEmptyParts);
        for (const QString& id : ids) {
            const QString name = run(xdotool, {"getwindowname", id}, env).trimmed();
            const QString geometry = run(xdotool, {"getwindowgeometry", id}, env)
                                         .split(u'\n')
                                         .filter("Geometry")
                                         .value(0)
                                         .trimmed();
            const QString type = run(QStandardPaths::findExecutable("xprop"),
                                     {"-id", id, "_NET_WM_WINDOW_TYPE"}, env)
                                     .trimmed();
            windows.append(name + u' ' + geometry + u' ' + type);
        }
        return windows;
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList events(const QString& kind) const
    {
        return test::logEvents(path("velumo.log"), kind);
    }

    test::VirtualScreen screen;
    QProcessEnvironment env;
    QTemporaryDir dir;
    test::Program program{dir.path()};
};

QString stamp(const QDateTime& at)
{
    return at.toString(u"dd.MM.yy hh:mm:ss");
}

TEST_F(UnattendedDay, FailingLinesNeitherStopTheDayNorPutABoxOnAir)
{
    ASSERT_FALSE(QStandardPaths::findExecutable("xdotool").isEmpty()) << "xdotool is not installed";
    ASSERT_FALSE(QStandardPaths::findExecutable("xprop").isEmpty()) << "xprop is not installed";
    // No capture device here, as on most stations; the test needs that to be so.
    ASSERT_TRUE(QDir("/dev").entryList({"video*"}, QDir::System | QDir::Files).isEmpty());

    const QString block = qEnvironmentVariable("VELUMO_SOURCE_DIR") + "/demo/demo.str";
    // On a whole second: the plan writes seconds only.
    QDateTime first = QDateTime::currentDateTime().addSecs(8);
    first = first.addMSecs(-first.time().msec());
    const QDateTime end = first.addSecs(60);
    auto line = [&](int second, const char* code) {
        return QStringLiteral("%1|%2|00|%3")
            .arg(stamp(first.addSecs(second)), QLatin1String(code), stamp(end));
    };
    const QStringList plan = {
        line(0, "t1"),                                                // no capture device
        line(2, "k1"),                                                // its file is gone
        QStringLiteral("31.02.26 19:59:50|k2|00|31.02.26 20:00:50"),  // never exists
        line(4, "s1"),                                                // good
        line(6, "x1"),                                                // good, starts nothing
    };
    writeTextLines(path("plan.pln"), plan);
    Settings settings;
    settings.setText(key::SCEditn10, path("plan.pln"));
    settings.setChecked(key::SCCheckbox19, true);
    settings.setText(key::SCEdit59, block);
    settings.setText(key::SCEdit49, path("gone.mpg"));
    // The clip and capture windows where they can be told apart.
    settings.setSpin(key::SpinEdit19, 40);
    settings.setSpin(key::SpinEdit21, 40);
    settings.setSpin(key::SpinEdit20, 321);
    settings.setSpin(key::SpinEdit22, 241);
    settings.setSpin(key::SpinEdit53, 400);
    settings.setSpin(key::SpinEdit55, 40);
    settings.setSpin(key::SpinEdit54, 323);
    settings.setSpin(key::SpinEdit56, 243);
    test::writeAll(path("velumo.cfg"), configfile::save(settings));
    // A folder where str_disp.txt should be: no line can be saved for a restart.
    ASSERT_TRUE(QDir(dir.path()).mkdir("str_disp.txt"));

    // The plan check sees beforehand what will fail, line by line, in Russian.
    QString check;
    EXPECT_EQ(test::runToEnd({"--dir", dir.path(), "--check-plan", path("plan.pln")}, &check), 1);
    const QStringList report = check.split(u'\n');
    EXPECT_FALSE(report.filter(QRegularExpression("^1: .*нет устройства видеозахвата")).isEmpty())
        << check.toStdString();
    EXPECT_FALSE(report.filter(QRegularExpression("^2: .*нет файла")).isEmpty())
        << check.toStdString();
    EXPECT_FALSE(report.filter(QRegularExpression("^3: .*такой даты или времени нет")).isEmpty())
        << check.toStdString();

    program.start({}, env);
    ASSERT_TRUE(program.waitReady());
    ASSERT_EQ(program.send("dispatcher start").code, 0);

    // Every line that can run starts on its second.
    ASSERT_TRUE(waitUntil([&] { return events("start").size() >= 4; }, 30000))
        << events("start").join(u'\n').toStdString();
    // The whole lines, with the moment each was written.
    const QStringList starts =
        QString::fromUtf8(test::readAll(path("velumo.log"))).split(u'\n').filter("\tstart\t");
    ASSERT_EQ(starts.size(), 4);
    const int seconds[] = {0, 2, 4, 6};
    qint64 latestMs = 0;
    for (int i = 0; i < 4; ++i) {
        const QDateTime at = QDateTime::fromString(starts[i].left(23), "yyyy-MM-dd hh:mm:ss.zzz");
        const qint64 lateMs = first.addSecs(seconds[i]).msecsTo(at);
        EXPECT_GE(lateMs, 0) << starts[i].toStdString();
        EXPECT_LT(lateMs, 100) << starts[i].toStdString();
        latestMs = std::max(latestMs, lateMs);
    }
    std::printf("the latest start was %lld ms after its second\n", qint64(latestMs));

    // The day went on, and says so: armed no more (the plan is over), the last failure kept.
    const QJsonObject status = program.status();
    const QJsonObject dispatcher = status.value("dispatcher").toObject();
    EXPECT_TRUE(dispatcher.value("on").toBool() || !dispatcher.value("last_failure").isNull());
    EXPECT_FALSE(dispatcher.value("last_failure").isNull());
    // Nothing came up as a box: not in the program's account, not among the X windows.
    const QJsonObject failures = status.value("failures").toObject();
    EXPECT_TRUE(failures.value("boxes").toArray().isEmpty());
    EXPECT_GE(failures.value("today").toInt(), 3);
    const QStringList windows = visibleWindows();
    ASSERT_FALSE(windows.isEmpty());  // the strip, the clock and the icons at least
    for (const QString& window : windows) {
        // A message box is a dialog window.
        EXPECT_FALSE(window.contains("_NET_WM_WINDOW_TYPE_DIALOG")) << window.toStdString();
        // Neither the clip's nor the capture's window stays on the screen.
        EXPECT_FALSE(window.contains("321x241")) << window.toStdString();
        EXPECT_FALSE(window.contains("323x243")) << window.toStdString();
    }

    // The log says in Russian what to do, the technical text after a dash; the skipped line is
    // named once.
    const QStringList errors = events("error");
    EXPECT_FALSE(errors.filter(QRegularExpression("^Нет устройства видеозахвата: .* — ")).isEmpty())
        << errors.join(u'\n').toStdString();
    EXPECT_EQ(errors.filter("31.02.26").size(), 1);
    // The failed clip has its failure as its end, never a "stopped"; its record is the player's
    // event.
    EXPECT_FALSE(events("player").filter(QRegularExpression("^failed k 1 ")).isEmpty());
    EXPECT_TRUE(events("player").filter(QRegularExpression("^stopped k 1 ")).isEmpty());
}

}  // namespace
}  // namespace velumo
