// The real program under a virtual X server: the whole process stopped for six seconds raises
// strip_frozen and clears it when it runs again; the screenshot over a playing clip shows the
// clip's colour at its rectangle and the strip at its place, drawn from the program's windows.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <csignal>
#include <cstdio>

#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"
#include "fakes/virtualscreen.h"
#include "players/playerplacement.h"
#include "players/testmedia.h"

namespace velumo {
namespace {

QString stamp(const QDateTime& at)
{
    return at.toString(u"dd.MM.yy hh:mm:ss");
}

// The strip: opaque green, 600 px wide at (20, 600) of the 1280 by 720 screen.
void greenStrip(Settings& settings)
{
    settings.setChecked(key::SCCheckBox9, false);
    settings.setText(key::SCEdit13, QString::number(0x00ff00));
    settings.setText(key::SCEdit45, "20");
    settings.setText(key::SCEdit43, "600");
    settings.setText(key::SCEdit77, "600");
    settings.setSpin(key::SpinEdit1, 1);
    settings.setSpin(key::SpinEdit2, 2);
}

// A free loopback port for the metrics endpoint, and fleet.ini naming it.
quint16 metricsOn(const QString& folder)
{
    quint16 port = 0;
    {
        QTcpServer probe;
        EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    test::writeAll(folder + "/fleet.ini",
                   QStringLiteral("[link]\nbroker=example\n[metrics]\nmetrics_port=%1\n"
                                  "metrics_address=127.0.0.1\n")
                       .arg(port)
                       .toUtf8());
    return port;
}

QString metricsText(quint16 port)
{
    QProcess curl;
    curl.start("curl", {"-s", "-f", QStringLiteral("http://127.0.0.1:%1/metrics").arg(port)});
    EXPECT_TRUE(curl.waitForFinished(10000));
    EXPECT_EQ(curl.exitCode(), 0) << curl.readAllStandardError().toStdString();
    return QString::fromUtf8(curl.readAllStandardOutput());
}

// The count of a bucket of the strip's repaint gaps (cumulative, as the format has it).
qint64 gapBucket(const QString& text, const QString& le)
{
    const QRegularExpression line(
        QStringLiteral("\nvelumo_strip_repaint_gap_seconds_bucket\\{le=\"%1\"\\} (\\d+)\n")
            .arg(QRegularExpression::escape(le)));
    return line.match(text).captured(1).toLongLong();
}

class FleetOpsProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString why;
        ASSERT_TRUE(xserver.start(161, 180, &why)) << why.toStdString();
        display = xserver.display();
        env = xserver.environment();
        block = path("news.str");
        test::writeAll(block, test::cp1251(QStringLiteral("^7\r\n~0\r\n0Эфир идёт\r\n")));
    }
    void TearDown() override
    {
        if (program.pid() > 0)
            ::kill(pid_t(program.pid()), SIGCONT);
        program.stop();
        xserver.stop();
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList alarmLines() const { return test::logEvents(path("velumo.log"), "alarm"); }
    bool statusHasAlarm(const QString& id)
    {
        for (const QJsonValue& alarm : program.status()["alarms"].toArray())
            if (alarm["id"].toString() == id)
                return true;
        return false;
    }

    QString display;
    QProcessEnvironment env;
    test::VirtualScreen xserver;
    QTemporaryDir dir;
    QString block;
    test::Program program{dir.path()};
};

TEST_F(FleetOpsProgram, StoppedProgramRaisesStripFrozenOnceAndClearsItWhenItRunsAgain)
{
    Settings settings;
    greenStrip(settings);
    test::writeAll(path("velumo.cfg"), configfile::save(settings));
    const quint16 port = metricsOn(dir.path());
    program.start({}, env);
    ASSERT_TRUE(program.waitReady());
    ASSERT_EQ(program.send("block load " + block).code, 0);
    ASSERT_EQ(program.send("ticker start").code, 0);
    QThread::msleep(3000);
    ASSERT_TRUE(program.status()["alarms"].isArray());
    EXPECT_FALSE(statusHasAlarm("strip_frozen"));

    ASSERT_EQ(::kill(pid_t(program.pid()), SIGSTOP), 0);
    QThread::msleep(6000);
    ASSERT_EQ(::kill(pid_t(program.pid()), SIGCONT), 0);

    // The status shows it while it stands, and the log tells both ends, once each.
    bool shown = false;
    ASSERT_TRUE(test::waitFor(
        [&] {
            shown = shown || statusHasAlarm("strip_frozen");
            return alarmLines().filter("cleared strip_frozen").size() == 1;
        },
        15000, 25))
        << alarmLines().join(u'\n').toStdString();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(statusHasAlarm("strip_frozen"));
    QThread::msleep(2000);
    const QStringList strip = alarmLines().filter("strip_frozen");
    ASSERT_EQ(strip.size(), 2) << strip.join(u'\n').toStdString();
    EXPECT_TRUE(strip[0].startsWith("raised strip_frozen: the strip has not moved for "));
    EXPECT_EQ(strip[1], "cleared strip_frozen");

    // The metrics saw the gap: one repaint gap over a second, none raised any more.
    const QString text = metricsText(port);
    EXPECT_TRUE(text.contains("\nvelumo_up 1\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nvelumo_alarm{id=\"strip_frozen\"} 0\n")) << text.toStdString();
    const auto bucket = [&](const QString& le) { return gapBucket(text, le); };
    EXPECT_GE(bucket("+Inf") - bucket("1"), 1) << text.toStdString();
    EXPECT_GT(bucket("0.05"), 10) << text.toStdString();
    std::printf("strip repaint gaps: %lld of %lld within 33 ms, %lld within 50 ms\n",
                bucket("0.033"), bucket("+Inf"), bucket("0.05"));
    EXPECT_TRUE(program.close());
}

TEST_F(FleetOpsProgram, ScreenshotOverAPlayingClipShowsTheClipAndTheStrip)
{
    ASSERT_TRUE(test::TestMedia::haveFfmpeg()) << "ffmpeg is not installed";
    const QString clip = path("red.mp4");
    // Of the rectangle's shape, so that no black bars of letter-boxing take part of it.
    ASSERT_TRUE(test::TestMedia::make(clip, {"color=c=red", "s=SIZE", "r=25"}, 20, "640x360"));

    QDateTime first = QDateTime::currentDateTime().addSecs(5);
    first = first.addMSecs(-first.time().msec());
    const QString clipLine =
        QStringLiteral("%1|k1|00|%2").arg(stamp(first), stamp(first.addSecs(30)));
    writeTextLines(path("plan.pln"), {clipLine});
    Settings settings;
    settings.setText(key::SCEditn10, path("plan.pln"));
    settings.setChecked(key::SCCheckbox19, true);
    settings.setText(key::SCEdit49, clip);
    settings.setSpin(key::SpinEdit19, 100);
    settings.setSpin(key::SpinEdit21, 80);
    settings.setSpin(key::SpinEdit20, 640);
    settings.setSpin(key::SpinEdit22, 360);
    greenStrip(settings);
    const QRect clipRect = playerplacement::rect(settings, u'k');
    ASSERT_EQ(clipRect, QRect(100, 80, 640, 360));
    test::writeAll(path("velumo.cfg"), configfile::save(settings));
    const quint16 port = metricsOn(dir.path());

    program.start({}, env);
    ASSERT_TRUE(program.waitReady());
    ASSERT_EQ(program.send("block load " + block).code, 0);
    ASSERT_EQ(program.send("ticker start").code, 0);
    ASSERT_EQ(program.send("dispatcher start").code, 0);
    ASSERT_TRUE(test::waitFor(
        [&] {
            return !test::logEvents(path("velumo.log"), "player").filter("started k").isEmpty();
        },
        30000, 50))
        << test::logEvents(path("velumo.log"), "player").join(u'\n').toStdString();
    QThread::msleep(1000);

    const QString shot = path("shots/now.png");
    ASSERT_TRUE(QDir().mkpath(path("shots")));
    const ControlReply reply = program.send("screenshot shots/now.png");
    ASSERT_EQ(reply.code, 0) << reply.text.toStdString();
    EXPECT_TRUE(reply.text.startsWith(shot + " 1280x720 ")) << reply.text.toStdString();
    EXPECT_TRUE(reply.text.endsWith(QString(" %1 bytes").arg(QFileInfo(shot).size())))
        << reply.text.toStdString();
    QImage picture(shot);
    ASSERT_FALSE(picture.isNull());
    ASSERT_EQ(picture.size(), QSize(1280, 720));

    // Inside the clip's rectangle (away from its edges): red.
    const QRect inner = clipRect.adjusted(20, 20, -20, -20);
    int red = 0;
    int looked = 0;
    for (int y = inner.top(); y < inner.bottom(); y += 10)
        for (int x = inner.left(); x < inner.right(); x += 10) {
            const QColor c = picture.pixelColor(x, y);
            ++looked;
            red += c.red() > 180 && c.green() < 70 && c.blue() < 70;
        }
    EXPECT_GT(red, looked * 9 / 10) << red << " of " << looked;
    // Outside it, the screen is ours only where the strip is.
    EXPECT_EQ(picture.pixelColor(1200, 50), QColor(Qt::black));
    // The strip: green at its place, where no letter is (its lower edge).
    int green = 0;
    for (int x = 30; x < 600; x += 10) {
        const QColor c = picture.pixelColor(x, 600 + 1);
        green += c.green() > 200 && c.red() < 60 && c.blue() < 60;
    }
    EXPECT_GT(green, 40) << green;

    // Without a file named it goes into the program folder. Ten of them in a row leave the
    // strip moving: its repaint gaps over 50 ms before and after them.
    const QString before = metricsText(port);
    QElapsedTimer took;
    took.start();
    for (int n = 0; n < 10; ++n) {
        const ControlReply plain = program.send("screenshot");
        ASSERT_EQ(plain.code, 0) << plain.text.toStdString();
        EXPECT_TRUE(plain.text.startsWith(path("screenshot.png") + ' '))
            << plain.text.toStdString();
    }
    const qint64 eachMs = took.elapsed() / 10;
    const QString after = metricsText(port);
    const auto over50 = [](const QString& text) {
        return gapBucket(text, "+Inf") - gapBucket(text, "0.05");
    };
    std::printf(
        "screenshot: %lld ms a command; strip gaps over 50 ms: %lld before, %lld after "
        "(of %lld repaints)\n",
        eachMs, over50(before), over50(after), gapBucket(after, "+Inf"));
    EXPECT_LE(over50(after) - over50(before), 2);
    EXPECT_TRUE(program.close());
}

// A page that stays black raises player_frozen while its line runs; when the line stops, the
// page leaves the air (its window moves above the screen) and the alarm is cleared.
TEST_F(FleetOpsProgram, FrozenPageIsClearedWhenItsLineStops)
{
    test::writeAll(path("black.html"), "<html><body style=\"background:#000\"></body></html>");
    QDateTime first = QDateTime::currentDateTime().addSecs(5);
    first = first.addMSecs(-first.time().msec());
    const QDateTime stop = first.addSecs(28);
    writeTextLines(path("plan.pln"),
                   {QStringLiteral("%1|w1|00|%2").arg(stamp(first), stamp(stop))});
    Settings settings;
    settings.setText(key::SCEditn10, path("plan.pln"));
    settings.setChecked(key::SCCheckbox19, true);
    settings.setText(key::SCEdit1w1, QUrl::fromLocalFile(path("black.html")).toString());
    test::writeAll(path("velumo.cfg"), configfile::save(settings));
    program.start({}, env);
    ASSERT_TRUE(program.waitReady());
    ASSERT_EQ(program.send("dispatcher start").code, 0);
    const auto seen = [this](const char* what) { return !alarmLines().filter(what).isEmpty(); };
    ASSERT_TRUE(
        test::waitFor([&] { return seen("raised player_frozen: the picture of web"); }, 40000, 100))
        << test::logEvents(path("velumo.log"), "player").join(u'\n').toStdString();
    EXPECT_LT(QDateTime::currentDateTime(), stop);
    ASSERT_TRUE(test::waitFor([&] { return seen("cleared player_frozen"); }, 30000, 100))
        << alarmLines().join(u'\n').toStdString();
    EXPECT_GE(QDateTime::currentDateTime(), stop);
    EXPECT_TRUE(program.close());
}

}  // namespace
}  // namespace velumo
