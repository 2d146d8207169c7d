// The clip players in a real run of the program: back-to-back clip lines of a plan under a
// virtual X server, the clip window's colour sampled straight from the screen; and the external
// player (real mpv) across an exit and a restart of the program.
#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <cstdio>

#include "base/configfile.h"
#include "base/controlchannel.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"
#include "fakes/virtualscreen.h"
#include "integration/programrig.h"
#include "players/testmedia.h"

namespace velumo {
namespace {

enum class Colour { Black, Red, Blue, Other };

char nameOf(Colour colour)
{
    switch (colour) {
        case Colour::Black:
            return 'K';
        case Colour::Red:
            return 'R';
        case Colour::Blue:
            return 'B';
        case Colour::Other:
            break;
    }
    return '?';
}

// One pixel of the screen, read from the X server (no compositor: what the screen shows).
class ScreenPixel {
public:
    explicit ScreenPixel(const QString& display)
    {
        m_connection = xcb_connect(display.toLatin1().constData(), nullptr);
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~ScreenPixel() { xcb_disconnect(m_connection); }
    bool ok() const { return m_root != 0; }

    Colour at(int x, int y)
    {
        xcb_get_image_reply_t* reply =
            xcb_get_image_reply(m_connection,
                                xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root,
                                              int16_t(x), int16_t(y), 1, 1, ~0u),
                                nullptr);
        if (!reply)
            return Colour::Other;
        const uint8_t* bgr = xcb_get_image_data(reply);
        const int blue = bgr[0], green = bgr[1], red = bgr[2];
        free(reply);
        if (red < 40 && green < 40 && blue < 40)
            return Colour::Black;
        if (red > 200 && green < 60 && blue < 60)
            return Colour::Red;
        if (blue > 200 && red < 60 && green < 60)
            return Colour::Blue;
        return Colour::Other;
    }

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
};

// A process that has not ended (an orphan's zombie may wait long for its reaper here).
bool alive(qint64 pid)
{
    if (::kill(pid_t(pid), 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) != "Z";
}

QString stamp(const QDateTime& at)
{
    return at.toString(u"dd.MM.yy hh:mm:ss");
}

class PlayersRun : public ::testing::Test {
protected:
    void startServer()
    {
        QString why;
        xserver.setSize(800, 600);
        ASSERT_TRUE(xserver.start(111, 130, &why)) << why.toStdString();
        display = xserver.display();
        env = xserver.environment();
    }
    void TearDown() override
    {
        program.stop();
        {
            xserver.stop();
        }
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList events() const { return test::logEvents(path("velumo.log"), "player"); }
    QJsonObject players() { return program.status().value("players").toObject(); }

    QString display;
    QProcessEnvironment env = test::programEnvironment();
    test::VirtualScreen xserver;
    QTemporaryDir dir;
    test::Program program{dir.path()};
};

// Clip lines back to back: the stop of one on the second the next starts, then one a second
// before the next start, then a last stop. The window shows the old clip's last picture until
// the new clip's first one, never black; after the last stop it is gone.
TEST_F(PlayersRun, BackToBackClipLinesShowNoBlackBetweenTheClips)
{
    ASSERT_TRUE(test::TestMedia::haveFfmpeg()) << "ffmpeg is not installed";
    startServer();
    ScreenPixel screen(display);
    ASSERT_TRUE(screen.ok());
    const QString red = path("red.mp4");
    const QString blue = path("blue.mp4");
    ASSERT_TRUE(test::TestMedia::make(red, {"color=c=red", "s=SIZE", "r=25"}, 5, "160x120"));
    ASSERT_TRUE(test::TestMedia::make(blue, {"color=c=blue", "s=SIZE", "r=25"}, 5, "160x120"));

    QDateTime first = QDateTime::currentDateTime().addSecs(10);
    first = first.addMSecs(-first.time().msec());
    auto line = [&](int from, int to, const char* code) {
        return QStringLiteral("%1|%2|00|%3")
            .arg(stamp(first.addSecs(from)), QLatin1String(code), stamp(first.addSecs(to)));
    };
    writeTextLines(path("plan.pln"), {line(0, 3, "k1"), line(3, 6, "k2"), line(7, 10, "k1")});
    Settings settings;
    settings.setText(key::SCEditn10, path("plan.pln"));
    // The start loads the plan file.
    settings.setChecked(key::SCCheckbox19, true);
    settings.setText(key::SCEdit49, red);
    settings.setText(key::SCEdit50, blue);
    settings.setSpin(key::SpinEdit19, 100);
    settings.setSpin(key::SpinEdit20, 200);
    settings.setSpin(key::SpinEdit21, 100);
    settings.setSpin(key::SpinEdit22, 150);
    test::writeAll(path("velumo.cfg"), configfile::save(settings));

    program.start({}, env);
    ASSERT_TRUE(program.waitReady());
    const ControlReply started = program.send("dispatcher start");
    ASSERT_EQ(started.code, 0) << started.text.toStdString();
    // From before the first start to after the last stop, as fast as the server answers.
    ASSERT_GT(QDateTime::currentDateTime().msecsTo(first), 300) << "the program took too long";
    QList<std::pair<qint64, Colour>> samples;
    while (QDateTime::currentDateTime().msecsTo(first) > -11500) {
        samples.append({-QDateTime::currentDateTime().msecsTo(first), screen.at(200, 175)});
        QThread::msleep(3);
    }
    QString trace;
    Colour last = Colour::Other;
    qint64 firstRed = -1, firstBlue = -1, redAgain = -1;
    QList<qint64> black;
    for (const auto& [ms, colour] : samples) {
        if (colour != last)
            trace += QStringLiteral(" %1@%2").arg(nameOf(colour)).arg(ms);
        last = colour;
        if (colour == Colour::Red && firstRed < 0)
            firstRed = ms;
        if (colour == Colour::Blue && firstBlue < 0)
            firstBlue = ms;
        if (colour == Colour::Red && firstBlue >= 0 && redAgain < 0)
            redAgain = ms;
        // Between the first picture and the last stop, the window is never black.
        if (firstRed >= 0 && ms < 9950 && colour != Colour::Red && colour != Colour::Blue)
            black.append(ms);
    }
    std::printf("%d samples:%s\n", int(samples.size()), qPrintable(trace));
    ASSERT_GE(firstRed, 0) << qPrintable(events().join(u'\n'));
    EXPECT_LT(firstRed, 3000);
    EXPECT_GE(firstBlue, 2900);
    EXPECT_LT(firstBlue, 6000);
    EXPECT_GE(redAgain, 6900);
    EXPECT_TRUE(black.isEmpty()) << black.size() << " samples neither red nor blue from "
                                 << black.value(0) << " ms:" << qPrintable(trace);
    // The last stop, with no clip after it, takes the window away.
    EXPECT_NE(samples.last().second, Colour::Red) << qPrintable(trace);
    EXPECT_NE(samples.last().second, Colour::Blue) << qPrintable(trace);
    EXPECT_TRUE(players().value("clip").toObject().value("file").toString().isEmpty());
    // The stop of the first line fell on the next start, which came first and took it over.
    EXPECT_TRUE(events().last().startsWith("stopped k 1 " + red))
        << qPrintable(events().join(u'\n'));
}

// The external player outlives the program: "kill" ends the program and leaves mpv playing, the
// next start adopts it ("Played", its file), and pause, a new file and the close work on it.
TEST_F(PlayersRun, TheExternalPlayerOutlivesTheProgramAndIsAdoptedByTheNextStart)
{
    ASSERT_TRUE(test::TestMedia::haveFfmpeg()) << "ffmpeg is not installed";
    ASSERT_FALSE(QStandardPaths::findExecutable("mpv").isEmpty()) << "mpv is not installed";
    const QString first = path("first.mp4");
    const QString second = path("second.mp4");
    ASSERT_TRUE(test::TestMedia::make(first, {"testsrc=s=SIZE", "r=25"}, 2, "160x120"));
    ASSERT_TRUE(test::TestMedia::make(second, {"color=c=blue", "s=SIZE", "r=25"}, 2, "160x120"));
    Settings settings;
    settings.setText(key::ComboBox2, QStringLiteral("BSPlayer"));
    settings.setText(key::SCEdit9,
                     "mpv --vo=null --ao=null --no-config --really-quiet --loop-file=inf");
    settings.setText(key::SCEdit2, first);
    test::writeAll(path("velumo.cfg"), configfile::save(settings));

    program.start();
    ASSERT_TRUE(program.waitReady());
    ASSERT_EQ(program.send("clip test").code, 0);
    auto external = [&] { return players().value("external").toObject(); };
    ASSERT_TRUE(test::waitFor(
        [&] {
            return external().value("running").toBool() &&
                   external().value("file").toString() == first;
        },
        20000, 50))
        << qPrintable(events().join(u'\n'));

    // The player's process, asked on its socket.
    const QString socketPath = ControlServer::serverName(dir.path()) + QStringLiteral(".mpv");
    qint64 pid = 0;
    {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write("{\"command\":[\"get_property\",\"pid\"],\"request_id\":7}\n");
        QElapsedTimer waited;
        waited.start();
        while (pid == 0 && waited.elapsed() < 5000 && socket.waitForReadyRead(1000))
            while (socket.canReadLine()) {
                const QJsonObject reply = QJsonDocument::fromJson(socket.readLine()).object();
                if (reply.value("request_id").toInt() == 7)
                    pid = reply.value("data").toInteger();
            }
    }
    ASSERT_GT(pid, 0);
    const auto killer = qScopeGuard([&] {
        if (pid > 0)
            ::kill(pid_t(pid), SIGKILL);
    });

    // "kill" closes the running copy; the player plays on.
    auto killProgram = [&] {
        EXPECT_EQ(test::runToEnd({"--dir", dir.path(), "kill"}), 0);
        ASSERT_TRUE(program.process().waitForFinished(15000));
        QThread::msleep(300);
        ASSERT_TRUE(alive(pid)) << "the player went with the program";
    };
    killProgram();

    // The restart adopts it.
    program.start();
    ASSERT_TRUE(program.waitReady());
    ASSERT_TRUE(test::waitFor(
        [&] {
            return external().value("running").toBool() &&
                   external().value("file").toString() == first;
        },
        10000, 50))
        << QJsonDocument(external()).toJson().toStdString();
    EXPECT_FALSE(external().value("paused").toBool());
    ASSERT_EQ(program.send("clip pause").code, 0);
    ASSERT_TRUE(test::waitFor([&] { return external().value("paused").toBool(); }, 10000, 50));
    ASSERT_EQ(program.send("clip play").code, 0);
    ASSERT_TRUE(test::waitFor([&] { return !external().value("paused").toBool(); }, 10000, 50));
    killProgram();

    // Once more, and a new file goes to the same player.
    settings.setText(key::SCEdit2, second);
    test::writeAll(path("velumo.cfg"), configfile::save(settings));
    program.start();
    ASSERT_TRUE(program.waitReady());
    ASSERT_TRUE(test::waitFor([&] { return external().value("running").toBool(); }, 10000, 50));
    ASSERT_EQ(program.send("clip test").code, 0);
    ASSERT_TRUE(
        test::waitFor([&] { return external().value("file").toString() == second; }, 10000, 50));
    EXPECT_EQ(events().filter("launch b ").size(), 1) << qPrintable(events().join(u'\n'));
    EXPECT_TRUE(alive(pid));

    // The close ends it.
    ASSERT_EQ(program.send("clip close").code, 0);
    EXPECT_TRUE(test::waitFor([&] { return !alive(pid); }, 10000, 50));
    EXPECT_FALSE(external().value("running").toBool());
}

// A page of a plan line whose server answers 500: off the screen at its failure, tried again
// while its line runs, and back at the line's rectangle once the server answers again.
TEST_F(PlayersRun, AFailedWebPageComesBackWhenItsServerAnswersAgain)
{
    startServer();
    ScreenPixel screen(display);
    ASSERT_TRUE(screen.ok());
    QDir(dir.path()).mkdir("www");
    test::writeAll(path("www/page.html"),
                   "<html><body style=\"background:#ff0000\"></body></html>");
    test::writeAll(path("www/page.html.status"), "500");
    integration::HttpServer server(path("www"));
    ASSERT_GT(server.port, 0);

    QDateTime first = QDateTime::currentDateTime().addSecs(8);
    first = first.addMSecs(-first.time().msec());
    writeTextLines(path("plan.pln"), {stamp(first) + "|w1|00|" + stamp(first.addSecs(120))});
    Settings settings;
    settings.setText(key::SCEditn10, path("plan.pln"));
    settings.setChecked(key::SCCheckbox19, true);
    settings.setChecked(key::SCCheckBox6, true);
    settings.setText(key::SCEdit1w1, QStringLiteral("127.0.0.1:%1/page.html").arg(server.port));
    settings.setText(key::SCEdit38, QStringLiteral("100"));
    settings.setText(key::SCEdit39, QStringLiteral("100"));
    settings.setText(key::SCEdit44, QStringLiteral("400"));
    settings.setText(key::SCEdit46, QStringLiteral("300"));
    test::writeAll(path("velumo.cfg"), configfile::save(settings));
    program.start({}, env);
    ASSERT_TRUE(program.waitReady());

    auto failed = [&] { return players().value("failed").toString() == u"w"; };
    ASSERT_TRUE(test::waitFor(failed, 30'000, 100)) << qPrintable(events().join(u'\n'));
    EXPECT_NE(screen.at(300, 250), Colour::Red);
    QFile::remove(path("www/page.html.status"));
    QElapsedTimer back;
    back.start();
    ASSERT_TRUE(test::waitFor([&] { return screen.at(300, 250) == Colour::Red; }, 40'000, 20))
        << qPrintable(events().join(u'\n'));
    std::printf("back on the screen %lld ms after the server's recovery\n",
                static_cast<long long>(back.elapsed()));
    EXPECT_FALSE(failed());
    EXPECT_TRUE(events().filter("recovered w 1 ").size() == 1) << qPrintable(events().join(u'\n'));
}

}  // namespace
}  // namespace velumo
