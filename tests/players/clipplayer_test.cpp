#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "base/eventlog.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "fakes/recordingclipengine.h"
#include "fakes/testsupport.h"
#include "players/clip/clipplayer.h"

using namespace velumo;
using namespace velumo::test;

namespace {

class Clips : public ::testing::Test {
protected:
    Clips()
    {
        settings.setSpin(key::SpinEdit19, 10);
        settings.setSpin(key::SpinEdit21, 20);
        settings.setSpin(key::SpinEdit20, 320);
        settings.setSpin(key::SpinEdit22, 240);
        red = file("red.mp4", "not really a clip");
        blue = file("blue.mp4", "not really a clip either");
    }

    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        writeAll(path, bytes);
        return path;
    }
    PlayerRequest request(const QString& slot, const QString& target)
    {
        return {u'k', slot, target, QRect(10, 20, 320, 240)};
    }
    QStringList events() const { return logEvents(log.path(), QStringLiteral("player")); }

    QTemporaryDir dir;
    EventLog log{dir.filePath("velumo.log")};
    RecordingNotifier notifier;
    Settings settings;
    RecordingClipEngine engine;
    QtTimerFactory timers;
    ClipPlayer player{engine, settings, notifier, log, timers, dir.path(), {200, 300}};
    QString red;
    QString blue;
};

TEST_F(Clips, AStartShowsThePlacedWindowAndPlaysOnTheFirstPicture)
{
    QSignalSpy onScreen(&player, &ContentPlayer::onScreen);
    player.start(request("1", red));
    EXPECT_EQ(engine.take(), (QStringList{"show", "place 10,20 320x240", "load 0 " + red}));
    EXPECT_FALSE(player.playing());
    engine.picture(0);
    EXPECT_EQ(engine.take(), (QStringList{"showDeck 0", "play 0"}));
    EXPECT_EQ(onScreen.count(), 1);
    EXPECT_TRUE(player.playing());
    EXPECT_EQ(player.file(), red);
    engine.progress(0, 1500);
    EXPECT_EQ(player.positionMs(), 1500);
    ASSERT_EQ(events().size(), 1);
    EXPECT_TRUE(events()[0].startsWith("first frame after ")) << events()[0].toStdString();
    EXPECT_TRUE(events()[0].endsWith(" ms: k " + red));
}

// The previous picture stays until the next clip's first picture is ready: the window changes
// decks before the previous one is emptied, and is never blanked in between.
TEST_F(Clips, BackToBackClipsChangeOverOnTheNextFirstPicture)
{
    player.start(request("1", red));
    engine.picture(0);
    engine.take();
    player.start(request("2", blue));
    EXPECT_EQ(engine.take(), (QStringList{"show", "place 10,20 320x240", "load 1 " + blue}));
    EXPECT_EQ(player.file(), blue);
    // The first deck's report about its own clip is stale news now, not a failure of the next.
    engine.end(0);
    engine.picture(1);
    EXPECT_EQ(engine.take(), (QStringList{"showDeck 1", "play 1", "unload 0"}));
    // And a third clip goes to the deck that is free again.
    player.start(request("3", red));
    EXPECT_EQ(engine.take(), (QStringList{"show", "place 10,20 320x240", "load 0 " + red}));
    const QStringList onScreen = events().filter(QStringLiteral("on screen "));
    ASSERT_EQ(onScreen.size(), 1);
    EXPECT_TRUE(onScreen[0].endsWith(" ms: k " + red));
}

TEST_F(Clips, ParkedClipResumesWhereItWasAndLoadsNothing)
{
    player.start(request("1", red));
    engine.picture(0);
    engine.progress(0, 700);
    engine.take();
    player.park();
    EXPECT_EQ(engine.take(), (QStringList{"pause 0", "hide"}));
    EXPECT_TRUE(player.ClipParked());
    EXPECT_FALSE(player.playing());
    player.start(request("2", blue));
    EXPECT_EQ(engine.take(), (QStringList{"play 0", "show", "place 10,20 320x240"}));
    // Resumed, no longer parked: the next start loads its own clip.
    EXPECT_FALSE(player.ClipParked());
    EXPECT_EQ(player.file(), red);
    EXPECT_EQ(player.positionMs(), 700);
    EXPECT_TRUE(events().contains("resumed k " + red));
    player.start(request("2", blue));
    EXPECT_TRUE(engine.take().contains("load 1 " + blue));
}

TEST_F(Clips, StopEmptiesTheDecksHidesTheWindowAndEndsThePark)
{
    player.start(request("1", red));
    engine.picture(0);
    player.park();
    engine.take();
    player.stop();
    EXPECT_EQ(engine.take(), (QStringList{"unload 0", "blank", "hide"}));
    EXPECT_FALSE(player.ClipParked());
    player.start(request("1", red));
    EXPECT_TRUE(engine.take().contains("load 0 " + red));
}

TEST_F(Clips, TheEndOfAClipKeepsItsLastPicture)
{
    QSignalSpy ended(&player, &ContentPlayer::ended);
    player.start(request("1", red));
    engine.picture(0);
    engine.take();
    engine.end(0);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_TRUE(engine.take().isEmpty());
    EXPECT_FALSE(player.playing());
}

// Whatever is wrong with the file, the window is shown, placed and black, the reason goes to
// the log through failed(), and the next start plays.
TEST_F(Clips, FilesThatCannotBePlayedLeaveTheBlackWindowAndTheNextStartWorks)
{
    const QString fifo = dir.filePath("pipe.mp4");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString folder = dir.filePath("folder.mp4");
    ASSERT_TRUE(QDir().mkdir(folder));
    const std::pair<QString, QString> cases[] = {
        {QString(), "no clip file"},
        {dir.filePath("missing.mp4"), "the file does not exist"},
        {file("empty.mp4", QByteArray()), "the file is empty"},
        {folder, "a folder, not a clip"},
        {fifo, "not a regular file"},
        {file("VTS_01_0.IFO", "x"), "DVD navigation files (.ifo) are not supported"},
    };
    for (const auto& [target, reason] : cases) {
        QSignalSpy failed(&player, &ContentPlayer::failed);
        player.start(request("4", target));
        const QStringList calls = engine.take();
        EXPECT_EQ(calls, (QStringList{"show", "place 10,20 320x240", "blank"}))
            << target.toStdString();
        ASSERT_EQ(failed.count(), 1);
        EXPECT_EQ(failed[0][0].toString(), reason);
        EXPECT_TRUE(engine.visible);
    }
    EXPECT_TRUE(notifier.messages.isEmpty());
    player.start(request("1", red));
    EXPECT_TRUE(engine.take().contains("load 0 " + red));
}

TEST_F(Clips, ADecodingFailureEmptiesBothDecksAndBlanksTheWindow)
{
    player.start(request("1", red));
    engine.picture(0);
    player.start(request("2", blue));
    engine.take();
    QSignalSpy failed(&player, &ContentPlayer::failed);
    // A report about a load that has been replaced is ignored.
    emit engine.failed(1, engine.tickets[1] + 100, QStringLiteral("old news"));
    EXPECT_EQ(failed.count(), 0);
    engine.fail(1, QStringLiteral("Could not demultiplex stream."));
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed[0][0].toString(), "Could not demultiplex stream. (" + blue + ")");
    EXPECT_EQ(engine.take(), (QStringList{"unload 0", "unload 1", "blank"}));
    EXPECT_TRUE(engine.visible);
    EXPECT_FALSE(player.playing());
}

TEST_F(Clips, NoFirstPictureOrAStallIsAFailure)
{
    QSignalSpy failed(&player, &ContentPlayer::failed);
    player.start(request("1", red));
    ASSERT_TRUE(failed.wait(5000));
    EXPECT_EQ(failed[0][0].toString(), "no picture within 200 ms (" + red + ")");

    player.start(request("1", red));
    engine.picture(0);
    // Progress keeps the watch off; a paused clip is not stalled.
    for (int i = 0; i < 4; ++i) {
        QTest::qWait(100);
        engine.progress(0, 40 * i);
    }
    EXPECT_EQ(failed.count(), 1);
    player.pauseClip();
    QTest::qWait(500);
    EXPECT_EQ(failed.count(), 1);
    player.playClip();
    ASSERT_TRUE(failed.wait(5000));
    EXPECT_EQ(failed[1][0].toString(), "stalled: no progress for 300 ms (" + red + ")");
}

TEST_F(Clips, ASlotThatIsNoNumberFailsTheStart)
{
    EXPECT_THROW(player.start(request("x", red)), Failure);
    EXPECT_TRUE(engine.take().isEmpty());
}

TEST_F(Clips, TheModeFollowsTheListAndDvdModeSaysWhatItCannotDo)
{
    settings.setText(key::ComboBox5, QStringLiteral("gmNormal"));
    player.start(request("1", red));
    EXPECT_EQ(player.mode(), ClipPlayer::Mode::Normal);
    settings.setText(key::ComboBox5, QStringLiteral("gmDVD"));
    player.start(request("1", red));
    player.start(request("1", red));
    EXPECT_EQ(player.mode(), ClipPlayer::Mode::Dvd);
    EXPECT_EQ(notifier.messages, QStringList{ClipPlayer::kDvdNotSupported});
    settings.setText(key::ComboBox5, QStringLiteral("gmSomething"));
    player.start(request("1", red));
    EXPECT_EQ(player.mode(), ClipPlayer::Mode::Dvd);
}

TEST_F(Clips, TheTestLoadPlaysTheNamedFileAndReportsWhatItCannotPlay)
{
    settings.setText(key::SCEdit2, QStringLiteral("red.mp4"));
    player.testLoad();
    EXPECT_EQ(engine.take(),
              (QStringList{"place 10,20 320x240", "show", "place 10,20 320x240", "load 0 " + red}));
    settings.setText(key::SCEdit2, dir.filePath("missing.avi"));
    EXPECT_THROW(player.testLoad(), Failure);
}

}  // namespace
