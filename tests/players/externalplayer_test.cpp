#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>

#include "base/eventlog.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "fakes/testsupport.h"
#include "players/clip/externalplayer.h"
#include "players/testmedia.h"

using namespace velumo;
using namespace velumo::test;

namespace {

class External : public ::testing::Test {
protected:
    PlayerRequest request(const QString& file)
    {
        return {u'b', QStringLiteral("2"), file, QRect()};
    }
    QStringList events() const { return logEvents(log.path(), QStringLiteral("player")); }
    // A program that takes any arguments and just waits.
    QString notMpv()
    {
        const QString path = dir.filePath("not-mpv");
        writeAll(path, "#!/bin/sh\nexec sleep 60\n");
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        return path;
    }

    QTemporaryDir dir;
    EventLog log{dir.filePath("velumo.log")};
    Settings settings;
    QtTimerFactory timers;
    ExternalPlayer player{settings, log, timers, dir.filePath("mpv.sock")};
};

TEST_F(External, TheCommandLineGetsTheSocketAndTheIdleOptions)
{
    const QStringList tail{"--input-ipc-server=/run/s", "--idle=yes", "--keep-open=yes"};
    EXPECT_EQ(ExternalPlayer::commandLine("", "/run/s"), QStringList{"mpv"} + tail);
    EXPECT_EQ(ExternalPlayer::commandLine(" mpv --vo=x11 \"--title=a b\" ", "/run/s"),
              (QStringList{"mpv", "--vo=x11", "--title=a b"} + tail));
}

// A program that cannot be started, ends at once, or never answers is reported once; Timer3
// goes on counting as it always did, and nothing is sent.
TEST_F(External, APlayerThatNeverAnswersIsReportedOnceAndTimer3KeepsTicking)
{
    const std::pair<QString, QString> cases[] = {
        {dir.filePath("no-such-player"), "cannot be started"},
        {QStandardPaths::findExecutable("true"), "exited with code 0"},
        // Runs, but is not mpv: reported once the socket has not answered for a while.
        {notMpv(), "does not answer"},
    };
    for (const auto& [program, reason] : cases) {
        if (program.isEmpty())
            continue;
        settings.setText(key::SCEdit9, program);
        settings.setSpin(key::SpinEdit34, 0);
        player.start(request(dir.filePath("clip.mp4")));
        ASSERT_TRUE(waitFor([&] { return !events().filter(reason).isEmpty(); }))
            << events().join('\n').toStdString();
        // Ticking on, without a second report.
        const int counted = settings.spin(key::SpinEdit34);
        ASSERT_TRUE(waitFor([&] { return settings.spin(key::SpinEdit34) >= counted + 500; }));
        EXPECT_TRUE(player.timer3().isActive());
        EXPECT_EQ(events().filter(reason).size(), 1);
        EXPECT_TRUE(player.playedLabel().isEmpty());
        player.timer3().stop();
    }
}

TEST_F(External, RealMpvReceivesTheFilePausesAndCloses)
{
    if (QStandardPaths::findExecutable("mpv").isEmpty() || !TestMedia::haveFfmpeg())
        GTEST_SKIP() << "mpv or ffmpeg is missing";
    TestMedia media;
    media.pattern = dir.filePath("pattern.mp4");
    ASSERT_TRUE(TestMedia::make(media.pattern, {"testsrc=s=SIZE", "r=25"}, 6));
    // A socket file left behind by a player that was killed.
    QFile stale(player.socketPath());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    settings.setText(key::SCEdit9, "mpv --vo=null --ao=null --no-config --really-quiet");
    QSignalSpy onScreen(&player, &ContentPlayer::onScreen);
    QSignalSpy label(&player, &ExternalPlayer::playedLabelChanged);
    player.start(request(media.pattern));
    EXPECT_EQ(settings.text(key::SCEdit2), media.pattern);
    ASSERT_TRUE(waitFor([&] { return onScreen.count() > 0; })) << events().join('\n').toStdString();
    EXPECT_EQ(player.playedLabel(), ExternalPlayer::kPlayed);
    EXPECT_FALSE(player.timer3().isActive());
    EXPECT_GE(settings.spin(key::SpinEdit34), 100);
    EXPECT_TRUE(player.running());
    EXPECT_EQ(player.file(), media.pattern);
    EXPECT_TRUE(waitFor([&] { return !events().filter("answered b: mpv ").isEmpty(); }));

    // A second start finds the player running: nothing is launched, the file goes at once.
    player.start(request(media.pattern));
    EXPECT_EQ(events().filter("launch b ").size(), 1);
    player.park();
    ASSERT_TRUE(waitFor([&] { return player.paused(); }));
    player.play();
    ASSERT_TRUE(waitFor([&] { return !player.paused(); }));

    // A missing file: mpv says so.
    QSignalSpy failed(&player, &ContentPlayer::failed);
    player.openFile(dir.filePath("missing.mp4"));
    ASSERT_TRUE(waitFor([&] { return failed.count() > 0; }));

    // Killed while playing: the next start launches a new player over the socket it left.
    const qint64 first = player.processId();
    ASSERT_GT(first, 0);
    QSignalSpy crashed(&player, &ContentPlayer::failed);
    ::kill(pid_t(first), SIGKILL);
    ASSERT_TRUE(waitFor([&] { return crashed.count() > 0; }));
    ASSERT_TRUE(waitFor([&] { return !player.running() && player.processId() == 0; }));
    onScreen.clear();
    player.start(request(media.pattern));
    ASSERT_TRUE(waitFor([&] { return onScreen.count() > 0; }));
    EXPECT_NE(player.processId(), first);
    EXPECT_EQ(events().filter("launch b ").size(), 2);

    player.stop();
    ASSERT_TRUE(waitFor([&] { return !player.running(); }));
    EXPECT_TRUE(waitFor([&] { return !events().filter("closed b").isEmpty(); }));
}

// A DVD folder or its .ifo file goes to mpv as the disc's longest title, without the menus.
TEST_F(External, ADvdFolderPlaysInMpv)
{
    if (QStandardPaths::findExecutable("mpv").isEmpty() || !TestMedia::haveFfmpeg() ||
        !TestMedia::haveDvdauthor())
        GTEST_SKIP() << "mpv, ffmpeg or dvdauthor is missing";
    ASSERT_TRUE(TestMedia::makeDvd(QDir(dir.path()), {{"red", 1}, {"blue", 2}}));
    settings.setText(key::SCEdit9, "mpv --vo=null --ao=null --no-config --really-quiet");
    const QString videoTs = dir.filePath("dvd/VIDEO_TS");
    for (const QString& name : {videoTs, videoTs + "/VIDEO_TS.IFO"}) {
        QSignalSpy onScreen(&player, &ContentPlayer::onScreen);
        QSignalSpy failed(&player, &ContentPlayer::failed);
        player.start(request(name));
        ASSERT_TRUE(waitFor([&] { return onScreen.count() > 0 || failed.count() > 0; }))
            << events().join('\n').toStdString();
        EXPECT_TRUE(failed.isEmpty()) << failed.value(0).value(0).toString().toStdString();
        EXPECT_EQ(player.file(), name);
    }
    player.stop();
    ASSERT_TRUE(waitFor([&] { return !player.running() && player.processId() == 0; }));
}

// The player outlives the program: the exit releases only the socket; the next start adopts
// the player that answers there (its file, "Played", its pause state), and stop, pause and a new
// file work on it. A socket file with nothing behind it is removed at the start.
TEST_F(External, APlayerLeftRunningIsAdoptedByTheNextStart)
{
    if (QStandardPaths::findExecutable("mpv").isEmpty() || !TestMedia::haveFfmpeg())
        GTEST_SKIP() << "mpv or ffmpeg is missing";
    const QString first = dir.filePath("first.mp4");
    const QString second = dir.filePath("second.mp4");
    ASSERT_TRUE(TestMedia::make(first, {"testsrc=s=SIZE", "r=25"}, 2, "160x120"));
    ASSERT_TRUE(TestMedia::make(second, {"color=c=blue", "s=SIZE", "r=25"}, 2, "160x120"));
    settings.setText(key::SCEdit9,
                     "mpv --vo=null --ao=null --no-config --really-quiet --loop-file=inf");
    qint64 pid = 0;
    // Whatever happens, the player goes at the end.
    const auto killer = qScopeGuard([&] {
        if (pid > 0)
            ::kill(pid_t(pid), SIGKILL);
    });
    {
        ExternalPlayer earlier{settings, log, timers, player.socketPath() + ".run"};
        QSignalSpy onScreen(&earlier, &ContentPlayer::onScreen);
        earlier.start(request(first));
        ASSERT_TRUE(waitFor([&] { return onScreen.count() > 0; }))
            << events().join('\n').toStdString();
        pid = earlier.processId();
        ASSERT_GT(pid, 0);
    }
    // The program has ended; its player plays on.
    QThread::msleep(300);
    ASSERT_EQ(::kill(pid_t(pid), 0), 0) << "the player went with the program";
    EXPECT_TRUE(events().filter("closed b").isEmpty());

    ExternalPlayer later{settings, log, timers, player.socketPath() + ".run"};
    ASSERT_TRUE(waitFor([&] { return later.running() && later.file() == first; }))
        << events().join('\n').toStdString();
    EXPECT_EQ(later.playedLabel(), ExternalPlayer::kPlayed);
    EXPECT_FALSE(later.paused());
    EXPECT_EQ(later.processId(), 0);
    later.park();
    ASSERT_TRUE(waitFor([&] { return later.paused(); }));
    // A new file goes to the same player: nothing is launched.
    QSignalSpy onScreen(&later, &ContentPlayer::onScreen);
    later.start(request(second));
    ASSERT_TRUE(waitFor([&] { return onScreen.count() > 0 && !later.paused(); }));
    EXPECT_EQ(later.file(), second);
    EXPECT_EQ(events().filter("launch b ").size(), 1);
    // The stop closes it.
    later.stop();
    ASSERT_TRUE(waitFor([&] { return ::kill(pid_t(pid), 0) != 0; }));
    EXPECT_TRUE(waitFor([&] { return !events().filter("closed b").isEmpty(); }));
    pid = 0;

    // A socket file that nothing answers on (the one mpv left, or any file) is gone at the next
    // start.
    QFile stale(player.socketPath() + ".run");
    if (!stale.exists()) {
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.close();
    }
    ExternalPlayer again{settings, log, timers, stale.fileName()};
    EXPECT_FALSE(again.running());
    EXPECT_FALSE(QFile::exists(stale.fileName()));
}

// Under a service manager the player is started in a scope of its own, so that the service's
// stop or restart does not end it; where no scope can be made (no user manager) it is started
// directly, once more and from then on.
TEST_F(External, UnderAServiceManagerThePlayerGetsAScopeOfItsOwnOrStartsDirectly)
{
    if (QStandardPaths::findExecutable("mpv").isEmpty() || !TestMedia::haveFfmpeg())
        GTEST_SKIP() << "mpv or ffmpeg is missing";
    const QString clip = dir.filePath("clip.mp4");
    ASSERT_TRUE(TestMedia::make(clip, {"testsrc=s=SIZE", "r=25"}, 2, "160x120"));
    settings.setText(key::SCEdit9,
                     "mpv --vo=null --ao=null --no-config --really-quiet --loop-file=inf");
    // A systemd-run that writes down what it was asked and runs the command in its own place,
    // and one that cannot reach a manager.
    const QString bin = dir.filePath("bin");
    QDir().mkpath(bin);
    const QString asked = dir.filePath("systemd-run.args");
    auto fakeSystemdRun = [&](const QByteArray& body) {
        writeAll(bin + "/systemd-run",
                 "#!/bin/sh\necho \"$*\" >> '" + asked.toUtf8() + "'\n" + body);
        QFile::setPermissions(bin + "/systemd-run", QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    };
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8() + ":" + path);
    qputenv("INVOCATION_ID", "0123456789abcdef0123456789abcdef");
    const auto restore = qScopeGuard([&] {
        qputenv("PATH", path);
        qunsetenv("INVOCATION_ID");
    });

    fakeSystemdRun("while [ \"$1\" != -- ]; do shift; done\nshift\nexec \"$@\"\n");
    {
        ExternalPlayer scoped{settings, log, timers, dir.filePath("scoped.sock")};
        QSignalSpy onScreen(&scoped, &ContentPlayer::onScreen);
        scoped.start(request(clip));
        ASSERT_TRUE(waitFor([&] { return onScreen.count() > 0; }))
            << events().join('\n').toStdString();
        EXPECT_TRUE(QString::fromUtf8(readAll(asked)).startsWith("--user --scope "));
        EXPECT_EQ(events().filter("launch b systemd-run --user --scope").size(), 1);
        scoped.stop();
        ASSERT_TRUE(waitFor([&] { return !events().filter("closed b").isEmpty(); }));
    }

    QFile::remove(asked);
    fakeSystemdRun("echo 'Failed to connect to bus' >&2\nexit 1\n");
    ExternalPlayer direct{settings, log, timers, dir.filePath("direct.sock")};
    QSignalSpy onScreen(&direct, &ContentPlayer::onScreen);
    QSignalSpy failed(&direct, &ContentPlayer::failed);
    direct.start(request(clip));
    ASSERT_TRUE(waitFor([&] { return onScreen.count() > 0; })) << events().join('\n').toStdString();
    EXPECT_EQ(events().filter("started directly").size(), 1);
    EXPECT_TRUE(events().filter("failed b").isEmpty()) << events().join('\n').toStdString();
    EXPECT_EQ(failed.count(), 0);
    // The next launch of this run does not ask again.
    direct.stop();
    ASSERT_TRUE(waitFor([&] { return direct.processId() == 0; }));
    direct.start(request(clip));
    ASSERT_TRUE(waitFor([&] { return onScreen.count() > 1; }));
    EXPECT_EQ(QString::fromUtf8(readAll(asked)).count("--scope"), 1);
    direct.stop();
    ASSERT_TRUE(waitFor([&] { return direct.processId() == 0; }));
}

}  // namespace
