// The station back on air by itself: the real program killed (kill -9) in the middle of an
// announcement and of a clip comes back within two seconds where it was; a normal exit leaves
// nothing to resume. And the screen kept awake while anything is on air: over a private session
// bus with a screen-saver service of the test's own, and through the X server's settings under
// Xvfb when there is no bus.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>

#include "base/settingskeys.h"
#include "base/textfile.h"
#include "integration/programrig.h"
#include "players/testmedia.h"

namespace velumo::integration {
namespace {

using test::cp1251;
using test::writeAll;

// A block of four announcements, each some seconds on a slow strip.
QString writeLongBlock(const QString& folder)
{
    QString text;
    for (int i = 0; i < 4; ++i)
        text += QStringLiteral(
                    "^%1\r\n~0\r\n1Объявление номер %1: длинный текст, который идёт по "
                    "строке несколько секунд\r\n")
                    .arg(i + 1);
    const QString path = folder + QLatin1String("/news.str");
    writeAll(path, cp1251(text));
    return path;
}

void slowStrip(Settings& s, const QString& block)
{
    s.setText(key::SCEdit5, block);
    s.setSpin(key::SpinEdit1, 10);
    s.setSpin(key::SpinEdit2, 3);
}

QJsonObject member(Program& program, const char* name, int timeoutMs = 2000)
{
    return program.status(timeoutMs)[QLatin1String(name)].toObject();
}

// Milliseconds from the start of the process to the moment `moving` first holds, polled on the
// control channel; -1 when it never did within the time.
template <typename Condition>
qint64 sinceStart(const QElapsedTimer& start, Condition condition, int timeoutMs)
{
    while (start.elapsed() < timeoutMs) {
        if (condition())
            return start.elapsed();
        QThread::msleep(20);
    }
    return -1;
}

class OnAir : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(programPath()).isExecutable()) << programPath().toStdString();
        ASSERT_TRUE(dir.isValid());
    }
    QString folder() const { return dir.path(); }
    QString stateFile() const { return folder() + QLatin1String("/velumo.state"); }

    QTemporaryDir dir;
};

// Killed in the middle of an announcement and of a clip started by hand, the program started
// again as the service starts it ("r") has the strip moving and the clip playing at its slot;
// the strip goes on with the announcement after the one that
// was on air, and velumo.log says what came back.
TEST_F(OnAir, AfterAKillTheStripAndTheClipComeBack)
{
    ASSERT_TRUE(test::TestMedia::haveFfmpeg());
    const QString clip = folder() + QLatin1String("/clip.mp4");
    ASSERT_TRUE(test::TestMedia::make(clip, {"testsrc=s=SIZE", "r=25"}, 30));
    const QString block = writeLongBlock(folder());
    writeConfig(folder(), [&](Settings& s) {
        slowStrip(s, block);
        s.setText(key::SCEdit49, clip);
        s.setText(key::SCEdit10, QStringLiteral("13.10.10 12:10:30|k1|00|13.10.10 13:50:30"));
    });
    Program first(folder());
    ASSERT_TRUE(first.start({QStringLiteral("r")}));
    const ControlReply started = first.send(QStringLiteral("clip start"));
    ASSERT_EQ(started.code, 0) << started.text.toStdString();
    auto clipPlaying = [](Program& program) {
        const QJsonObject clipStatus = member(program, "players")["clip"].toObject();
        return clipStatus["playing"].toBool() && clipStatus["position_ms"].toInt() > 0;
    };
    ASSERT_TRUE(pollUntil([&] { return clipPlaying(first); }, 10000));
    EXPECT_EQ(member(first, "players")["clip"].toObject()["file"].toString(), clip);

    // Past the first announcement, then well inside the next one: the state is at most a second
    // behind, and an announcement lasts several.
    auto nextLine = [&] { return member(first, "ticker")["current_line"].toInt(-1); };
    ASSERT_TRUE(pollUntil([&] { return nextLine() == 2; }, 20000)) << nextLine();
    QThread::msleep(1300);
    ASSERT_EQ(nextLine(), 2) << "the announcements are too short for the test";
    ASSERT_TRUE(QFileInfo::exists(stateFile()));
    ::kill(pid_t(first.process().processId()), SIGKILL);
    ASSERT_TRUE(first.process().waitForFinished(5000));

    Program second(folder());
    QElapsedTimer start;
    start.start();
    second.process().setProcessEnvironment(test::programEnvironment());
    second.process().start(programPath(), {"--dir", folder(), "r"});
    ASSERT_TRUE(second.process().waitForStarted(5000));
    // One status a poll: the strip's first move and the clip's first played frame are timed
    // alike.
    int firstLeft = INT_MIN;
    qint64 stripMs = -1;
    qint64 clipMs = -1;
    qint64 answerMs = -1;
    sinceStart(
        start,
        [&] {
            const ControlReply reply = second.send(QStringLiteral("status"), 500);
            if (reply.code != 0)
                return false;
            if (answerMs < 0)
                answerMs = start.elapsed();
            const QJsonObject now = QJsonDocument::fromJson(reply.text.toUtf8()).object();
            const int left = now["onair"].toObject()["strip_left"].toInt();
            if (firstLeft == INT_MIN)
                firstLeft = left;
            else if (stripMs < 0 && left != firstLeft)
                stripMs = start.elapsed();
            const QJsonObject clipStatus = now["players"].toObject()["clip"].toObject();
            if (clipMs < 0 && clipStatus["playing"].toBool() &&
                clipStatus["position_ms"].toInt() > 0)
                clipMs = start.elapsed();
            return stripMs >= 0 && clipMs >= 0;
        },
        10000);
    std::printf(
        "first status %lld ms, strip moving %lld ms, clip playing %lld ms after the "
        "start\n",
        static_cast<long long>(answerMs), static_cast<long long>(stripMs),
        static_cast<long long>(clipMs));
    ASSERT_GE(answerMs, 0);
    EXPECT_GE(stripMs, 0);
    EXPECT_GE(clipMs, 0);
    // Both come back by the start itself, not by a later line of the plan; how fast (two
    // seconds) is bench/restart's figure, which a loaded test machine cannot judge.
    EXPECT_EQ(member(second, "players")["clip"].toObject()["file"].toString(), clip);
    const QStringList resumed = logTexts(folder(), QStringLiteral("resume"));
    EXPECT_TRUE(resumed.contains(QStringLiteral("ticker at line 2 of ") + block))
        << resumed.join(u'\n').toStdString();
    EXPECT_TRUE(resumed.contains(QStringLiteral("player k 1 ") + clip))
        << resumed.join(u'\n').toStdString();
    EXPECT_EQ(logTexts(folder(), QStringLiteral("ticker")).last(),
              QStringLiteral("started at line 2"));
    EXPECT_EQ(member(second, "onair")["resumed"].toArray(), (QJsonArray{"k", "ticker"}));
    // Now on air again, the new run keeps its own state.
    EXPECT_TRUE(QFileInfo::exists(stateFile()));
    EXPECT_TRUE(second.close());
    EXPECT_FALSE(QFileInfo::exists(stateFile()));
}

// A normal exit leaves nothing to resume: the next start without "r" leaves the strip stopped,
// one with "r" starts it at the top of the block, as they always did.
TEST_F(OnAir, ANormalExitThenAStartDoesWhatItAlwaysDid)
{
    const QString block = writeLongBlock(folder());
    writeConfig(folder(), [&](Settings& s) { slowStrip(s, block); });
    {
        Program program(folder());
        ASSERT_TRUE(program.start({QStringLiteral("r")}));
        ASSERT_TRUE(pollUntil(
            [&] { return member(program, "ticker")["current_line"].toInt() >= 2; }, 20000));
        EXPECT_TRUE(QFileInfo::exists(stateFile()));
        EXPECT_TRUE(program.close());
    }
    EXPECT_FALSE(QFileInfo::exists(stateFile()));
    {
        Program program(folder());
        ASSERT_TRUE(program.start());
        QThread::msleep(500);
        EXPECT_FALSE(member(program, "ticker")["running"].toBool());
        EXPECT_TRUE(member(program, "onair")["resumed"].toArray().isEmpty());
        EXPECT_TRUE(program.close());
    }
    {
        Program program(folder());
        ASSERT_TRUE(program.start({QStringLiteral("r")}));
        ASSERT_TRUE(pollUntil([&] { return member(program, "ticker")["running"].toBool(); }, 5000));
        EXPECT_TRUE(program.close());
    }
    EXPECT_TRUE(logTexts(folder(), QStringLiteral("resume")).isEmpty());
    const QStringList starts = logTexts(folder(), QStringLiteral("ticker")).filter("started");
    EXPECT_EQ(starts, (QStringList{"started at line 0", "started at line 0"}));
}

// Killed while the dispatcher runs a string line, the program leaves that line to the
// dispatcher's own resume: the line starts once more with its own block, the strip is not started
// a second time at the top of another one, and the line still stops at its own time.
TEST_F(OnAir, AStringLineOfTheDispatcherComesBackThroughTheDispatcher)
{
    const QString block = writeLongBlock(folder());
    // Ahead by more than a loaded machine's start of the program: a line already passed when the
    // plan is read would be skipped.
    const QDateTime now = QDateTime::currentDateTime().addSecs(6);
    const QDateTime t0(now.date(),
                       QTime(now.time().hour(), now.time().minute(), now.time().second()));
    auto stamp = [](const QDateTime& moment) { return moment.toString(u"dd.MM.yy hh:mm:ss"); };
    const QDateTime stop = t0.addSecs(8);
    const QString line = stamp(t0) + "|s1|00|" + stamp(stop);
    const QString later = stamp(t0.addSecs(3600)) + "|s1|00|" + stamp(t0.addSecs(3660));
    writeTextLines(folder() + "/plan.pln", {line, later});
    writeConfig(folder(), [&](Settings& s) {
        s.setChecked(key::SCCheckBox6, true);
        s.setChecked(key::SCCheckbox19, true);
        s.setText(key::SCEditn10, folder() + "/plan.pln");
        s.setText(key::SCEdit59, block);
        s.setSpin(key::SpinEdit1, 10);
        s.setSpin(key::SpinEdit2, 3);
    });
    Program first(folder());
    ASSERT_TRUE(first.start());
    ASSERT_TRUE(pollUntil([&] { return logTexts(folder(), "start").contains(line); }, 10000));
    ASSERT_TRUE(pollUntil([&] { return member(first, "ticker")["running"].toBool(); }, 5000));
    QThread::msleep(300);
    first.cutPower();
    ASSERT_LT(QDateTime::currentDateTime(), stop.addMSecs(-2000)) << "the restart came too late";

    Program second(folder());
    ASSERT_TRUE(second.start());
    ASSERT_TRUE(pollUntil([&] { return logTexts(folder(), "start").count(line) == 2; }, 3000));
    EXPECT_TRUE(logTexts(folder(), "resume").contains("ticker with the dispatcher's line"))
        << logTexts(folder(), "resume").join(u'\n').toStdString();
    ASSERT_TRUE(pollUntil([&] { return member(second, "ticker")["running"].toBool(); }, 3000));
    EXPECT_EQ(member(second, "block")["file"].toString(), block);
    ASSERT_TRUE(pollUntil([&] { return logTexts(folder(), "stop").contains("s s0"); }, 12000));
    EXPECT_FALSE(member(second, "ticker")["running"].toBool());
    EXPECT_TRUE(second.close());
}

// The desktop's screen-saver service as the program sees it on the session bus.
class FakeScreenSaver final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList calls;

public slots:
    uint Inhibit(const QString& application, const QString&)
    {
        calls.append(QStringLiteral("Inhibit %1 %2").arg(application).arg(m_next));
        return m_next++;
    }
    void UnInhibit(uint cookie) { calls.append(QStringLiteral("UnInhibit %1").arg(cookie)); }

private:
    uint m_next = 41;
};

// A session bus of the test's own, gone with it.
class PrivateBus {
public:
    PrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(5000))
            address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
    QString address;

private:
    QProcess m_daemon;
};

// With the service on the bus the screen is held while the strip runs, let go when it stops,
// and let go at exit.
TEST_F(OnAir, TheScreenSaverServiceHoldsTheScreenWhileTheStripRuns)
{
    PrivateBus bus;
    ASSERT_FALSE(bus.address.isEmpty());
    QDBusConnection connection = QDBusConnection::connectToBus(bus.address, "onair-test-bus");
    ASSERT_TRUE(connection.isConnected());
    FakeScreenSaver saver;
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &saver,
                                          QDBusConnection::ExportAllSlots));

    const QString block = writeLongBlock(folder());
    writeConfig(folder(), [&](Settings& s) { slowStrip(s, block); });
    QProcessEnvironment environment = test::programEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address);
    Program program(folder());
    program.process().setProcessEnvironment(environment);
    program.process().start(programPath(), {"--dir", folder()});
    auto screen = [&] { return member(program, "screen"); };
    // The test's own event loop answers the program's calls meanwhile.
    ASSERT_TRUE(test::waitFor([&] { return screen()["inhibit"].toString() == "dbus"; }, 15000, 50));
    EXPECT_FALSE(screen()["held"].toBool());
    EXPECT_TRUE(saver.calls.isEmpty());

    ASSERT_EQ(program.send("block load " + block).code, 0);
    ASSERT_EQ(program.send(QStringLiteral("ticker start")).code, 0);
    ASSERT_TRUE(test::waitFor([&] { return saver.calls.size() == 1; }, 5000, 20));
    EXPECT_EQ(saver.calls, QStringList{"Inhibit velumo 41"});
    EXPECT_EQ(screen(), (QJsonObject{{"inhibit", "dbus"}, {"held", true}}));

    ASSERT_EQ(program.send(QStringLiteral("ticker stop")).code, 0);
    ASSERT_TRUE(test::waitFor([&] { return saver.calls.size() == 2; }, 5000, 20));
    EXPECT_EQ(saver.calls.last(), "UnInhibit 41");
    EXPECT_FALSE(screen()["held"].toBool());

    ASSERT_EQ(program.send(QStringLiteral("ticker start")).code, 0);
    ASSERT_TRUE(test::waitFor([&] { return saver.calls.size() == 3; }, 5000, 20));
    program.send(QStringLiteral("close"));
    ASSERT_TRUE(test::waitFor([&] { return saver.calls.size() == 4; }, 10000, 20));
    EXPECT_EQ(saver.calls, (QStringList{"Inhibit velumo 41", "UnInhibit 41", "Inhibit velumo 42",
                                        "UnInhibit 42"}));
    EXPECT_TRUE(program.process().waitForFinished(10000));
}

QString xsetQuery(const QString& display)
{
    QProcess xset;
    xset.start(QStringLiteral("xset"), {"-display", display, "q"});
    xset.waitForFinished(5000);
    return QString::fromLocal8Bit(xset.readAllStandardOutput());
}

bool xset(const QString& display, const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xset"), QStringList{"-display", display} + arguments);
    return process.waitForFinished(5000) && process.exitCode() == 0;
}

// Without a bus the X server's screen saver (and DPMS where the server has it) is off while the
// strip runs, and the operator's own settings are back when it stops and at exit.
TEST_F(OnAir, WithoutABusTheXServersScreenSaverIsOffWhileTheStripRuns)
{
    const QString display = QStringLiteral(":73");
    QProcess xvfb;
    // No reset when the last client goes: the settings must outlive each xset.
    xvfb.start(QStringLiteral("Xvfb"),
               {display, "-screen", "0", "640x480x24", "-nolisten", "tcp", "-noreset"});
    ASSERT_TRUE(xvfb.waitForStarted(5000));
    const auto stopXvfb = qScopeGuard([&] {
        xvfb.kill();
        xvfb.waitForFinished(5000);
    });
    ASSERT_TRUE(pollUntil([&] { return xsetQuery(display).contains("Screen Saver"); }, 10000));
    ASSERT_TRUE(xset(display, {"s", "300", "60"}));
    const bool dpms = !xsetQuery(display).contains("does not have the DPMS Extension");
    if (dpms) {
        ASSERT_TRUE(xset(display, {"dpms", "100", "200", "400"}));
        ASSERT_TRUE(xset(display, {"+dpms"}));
    }
    const QString before = xsetQuery(display);
    ASSERT_TRUE(before.contains(QRegularExpression("timeout:\\s+300\\s+cycle:\\s+60")));
    auto saverOff = [&] {
        const QString now = xsetQuery(display);
        return now.contains(QRegularExpression("timeout:\\s+0\\s")) &&
               (!dpms || now.contains("DPMS is Disabled"));
    };

    const QString block = writeLongBlock(folder());
    writeConfig(folder(), [&](Settings& s) { slowStrip(s, block); });
    QProcessEnvironment environment = test::programEnvironment();
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.insert(QStringLiteral("DISPLAY"), display);
    Program program(folder());
    program.process().setProcessEnvironment(environment);
    program.process().start(programPath(), {"--dir", folder()});
    ASSERT_TRUE(
        pollUntil([&] { return member(program, "screen")["inhibit"].toString() == "x11"; }, 15000));

    ASSERT_EQ(program.send("block load " + block).code, 0);
    ASSERT_EQ(program.send(QStringLiteral("ticker start")).code, 0);
    ASSERT_TRUE(pollUntil(saverOff, 5000)) << xsetQuery(display).toStdString();
    EXPECT_TRUE(member(program, "screen")["held"].toBool());

    ASSERT_EQ(program.send(QStringLiteral("ticker stop")).code, 0);
    ASSERT_TRUE(pollUntil([&] { return xsetQuery(display) == before; }, 5000))
        << xsetQuery(display).toStdString();

    ASSERT_EQ(program.send(QStringLiteral("ticker start")).code, 0);
    ASSERT_TRUE(pollUntil(saverOff, 5000));
    EXPECT_TRUE(program.close());
    EXPECT_EQ(xsetQuery(display), before);

    // Killed while holding, the program cannot put the settings back; the next run does, when
    // it lets go, and not the "off" that the killed run left.
    Program killed(folder());
    killed.process().setProcessEnvironment(environment);
    killed.process().start(programPath(), {"--dir", folder(), "r"});
    ASSERT_TRUE(pollUntil(saverOff, 15000));
    ASSERT_TRUE(pollUntil([&] { return QFileInfo::exists(folder() + "/velumo.screen"); }, 5000));
    killed.cutPower();
    EXPECT_TRUE(saverOff());
    Program next(folder());
    next.process().setProcessEnvironment(environment);
    next.process().start(programPath(), {"--dir", folder()});
    ASSERT_TRUE(pollUntil([&] { return member(next, "screen")["held"].toBool(); }, 15000));
    EXPECT_TRUE(next.close());
    EXPECT_EQ(xsetQuery(display), before);
    EXPECT_FALSE(QFileInfo::exists(folder() + "/velumo.screen"));
}

}  // namespace
}  // namespace velumo::integration

#include "onair_test.moc"
