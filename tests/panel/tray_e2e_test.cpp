// The notification area for real: the program under a virtual X server, first with a tray
// (trayer) and then after the tray has gone, minimised and restored through its control channel.
#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "base/controlchannel.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"

namespace velumo {
namespace {

// A process that is always ended with the test.
class Child {
public:
    ~Child() { stop(); }
    QProcess process;
    void stop()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
};

class TrayRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        const QString trayer = QStandardPaths::findExecutable("trayer");
        if (xvfb.isEmpty() || trayer.isEmpty())
            GTEST_SKIP() << "needs Xvfb and trayer";
        for (int n = 71; n < 99 && display.isEmpty(); ++n)
            if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
                !QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                display = QStringLiteral(":%1").arg(n);
        ASSERT_FALSE(display.isEmpty());
        server.process.start(xvfb, {display, "-screen", "0", "1280x720x24", "-nolisten", "tcp"});
        ASSERT_TRUE(test::waitFor(
            [&] { return QFileInfo::exists("/tmp/.X11-unix/X" + display.mid(1)); }, 10000, 50));
        env = test::programEnvironment();
        env.insert("DISPLAY", display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("DBUS_SESSION_BUS_ADDRESS");  // the XEmbed tray, not a desktop's watcher
        tray.process.setProcessEnvironment(env);
        tray.process.start(trayer, {"--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                                    "--width", "100", "--heighttype", "pixel", "--height", "24"});
        ASSERT_TRUE(tray.process.waitForStarted(5000));
        QThread::msleep(500);
    }

    void startProgram()
    {
        program.process.setProcessEnvironment(env);
        program.process.setProcessChannelMode(QProcess::MergedChannels);
        program.process.start(test::programPath(), {"--dir", dir.path()});
        ASSERT_TRUE(program.process.waitForStarted(5000));
        ASSERT_TRUE(test::waitFor([&] { return send("status").code == 0; }, 20000, 50));
    }

    ControlReply send(const QString& command) { return sendControlCommand(dir.path(), command); }
    QJsonObject panel()
    {
        return QJsonDocument::fromJson(send("status").text.toUtf8())
            .object()
            .value("panel")
            .toObject();
    }

    QString display;
    QProcessEnvironment env;
    QTemporaryDir dir;
    Child server;
    Child tray;
    Child program;
};

TEST_F(TrayRun, MinimiseRestoreAndTheWayBackWithoutATray)
{
    startProgram();
    ASSERT_EQ(send("panel show").code, 0);
    EXPECT_TRUE(panel().value("tray_available").toBool());
    EXPECT_EQ(send("panel minimise").text, "tray");
    EXPECT_TRUE(panel().value("tray").toBool());
    EXPECT_FALSE(panel().value("visible").toBool());
    ASSERT_EQ(send("panel restore").code, 0);
    EXPECT_FALSE(panel().value("tray").toBool());
    EXPECT_TRUE(panel().value("visible").toBool());

    // Minimised, a second start of the program brings the panel back.
    EXPECT_EQ(send("panel minimise").text, "tray");
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(test::programPath(), {"--dir", dir.path()});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(panel().value("tray").toBool());
    EXPECT_TRUE(panel().value("visible").toBool());

    // The tray goes away: minimising keeps the panel on screen and says so once.
    tray.stop();
    ASSERT_TRUE(
        test::waitFor([&] { return !panel().value("tray_available").toBool(); }, 10000, 50));
    EXPECT_EQ(send("panel minimise").text, "no notification area");
    EXPECT_EQ(send("panel minimise").text, "no notification area");
    EXPECT_TRUE(panel().value("visible").toBool());
    const QStringList messages =
        test::logEvents(dir.filePath("velumo.log"), QStringLiteral("message"));
    EXPECT_EQ(messages.filter("нет области уведомлений").size(), 1);

    ASSERT_EQ(send("panel exit").code, 0);
    EXPECT_TRUE(program.process.waitForFinished(15000));
    EXPECT_EQ(test::readAll(dir.filePath("panel_lang.cfg")).count("\r\n"), 39);
}

}  // namespace
}  // namespace velumo
