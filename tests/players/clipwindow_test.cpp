#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "base/eventlog.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "fakes/testsupport.h"
#include "players/clip/clipplayer.h"
#include "players/clip/clipwindow.h"
#include "players/clip/dvdfolder.h"
#include "players/clip/mediaclipengine.h"
#include "players/clip/windowtitles.h"
#include "players/testmedia.h"

using namespace velumo;
using namespace velumo::test;

namespace {

enum class Colour { Black, Red, Blue, Other };

Colour colourOf(const QColor& c)
{
    if (c.red() < 40 && c.green() < 40 && c.blue() < 40)
        return Colour::Black;
    if (c.red() > 200 && c.green() < 60 && c.blue() < 60)
        return Colour::Red;
    if (c.blue() > 200 && c.red() < 60 && c.green() < 60)
        return Colour::Blue;
    return Colour::Other;
}

class ClipWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!TestMedia::haveFfmpeg())
            return;
        s_dir = new QTemporaryDir();
        s_media = new TestMedia();
        s_ready = s_media->makeAll(QDir(s_dir->path()));
    }
    static void TearDownTestSuite()
    {
        delete s_media;
        delete s_dir;
    }

    void SetUp() override
    {
        if (!s_ready)
            GTEST_SKIP() << "ffmpeg is missing or could not make the test clips";
    }

    Colour shown()
    {
        const QImage image = window.grab().toImage();
        return colourOf(image.pixelColor(image.width() / 2, image.height() / 2));
    }
    PlayerRequest request(const QString& file) { return {u'k', QStringLiteral("1"), file, kRect}; }
    QStringList events() const { return logEvents(log.path(), QStringLiteral("player")); }

    static inline QTemporaryDir* s_dir = nullptr;
    static inline TestMedia* s_media = nullptr;
    static inline bool s_ready = false;
    const QRect kRect{40, 30, 320, 240};

    QTemporaryDir dir;
    EventLog log{dir.filePath("velumo.log")};
    RecordingNotifier notifier;
    Settings settings;
    ClipWindow window;
    MediaClipEngine engine{window};
    // Limits a loaded machine keeps to; the limits themselves are tested with a fake engine.
    QtTimerFactory timers;
    ClipPlayer player{
        engine, settings, notifier, log, timers, dir.path(), ClipLimits{15000, 15000}};
};

TEST_F(ClipWindowTest, ShowsTheClipAtItsRectangleHoldsTheLastFrameAndStops)
{
    QSignalSpy ended(&player, &ContentPlayer::ended);
    player.start(request(s_media->red));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), kRect);
    EXPECT_FALSE(window.testAttribute(Qt::WA_WState_Hidden));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    ASSERT_TRUE(waitFor([&] { return shown() == Colour::Red; }));
    EXPECT_TRUE(player.playing() || ended.count() > 0);
    ASSERT_TRUE(waitFor([&] { return ended.count() > 0; }));
    // The last frame stays until the stop.
    QTest::qWait(300);
    EXPECT_EQ(shown(), Colour::Red);
    player.stop();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.picture().isNull());
    EXPECT_FALSE(events().filter("first frame after ").isEmpty());
}

// The window is sampled as fast as the event loop goes across the change: every sample shows
// one clip or the other, never black.
TEST_F(ClipWindowTest, BackToBackClipsShowNoBlackFrameBetweenThem)
{
    player.start(request(s_media->red));
    ASSERT_TRUE(waitFor([&] { return shown() == Colour::Red; }));
    player.start(request(s_media->blue));
    QList<Colour> samples;
    ASSERT_TRUE(waitFor([&] {
        samples.append(shown());
        return samples.last() == Colour::Blue;
    }));
    EXPECT_FALSE(samples.contains(Colour::Black)) << samples.size() << " samples";
    EXPECT_FALSE(samples.contains(Colour::Other));
    EXPECT_GT(samples.size(), 1);
}

TEST_F(ClipWindowTest, ParkedClipResumesAtTheSamePosition)
{
    player.start(request(s_media->pattern));
    ASSERT_TRUE(waitFor([&] { return player.positionMs() >= 600; }));
    player.park();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(player.ClipParked());
    // Let the pause settle, then see that the position stands still.
    QTest::qWait(400);
    const qint64 parkedAt = player.positionMs();
    QTest::qWait(700);
    EXPECT_LE(player.positionMs(), parkedAt + 100);
    player.start(request(s_media->red));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(player.ClipParked());
    EXPECT_EQ(player.file(), s_media->pattern);
    ASSERT_TRUE(waitFor([&] { return player.positionMs() > parkedAt + 200; }));
    EXPECT_LT(player.positionMs(), parkedAt + 3000);
    EXPECT_TRUE(events().contains("resumed k " + s_media->pattern));
}

TEST_F(ClipWindowTest, BrokenClipsLeaveTheBlackWindowAndTheNextStartPlays)
{
    for (const QString& file : {s_media->truncated, s_media->garbage}) {
        QSignalSpy failed(&player, &ContentPlayer::failed);
        player.start(request(file));
        ASSERT_TRUE(waitFor([&] { return failed.count() > 0; })) << file.toStdString();
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(window.geometry(), kRect);
        EXPECT_EQ(shown(), Colour::Black);
        // The media says why, or, on a machine too loaded for it to say so in time, the
        // first-picture watch does.
        EXPECT_FALSE(failed[0][0].toString().isEmpty());
    }
    player.start(request(s_media->blue));
    ASSERT_TRUE(waitFor([&] { return shown() == Colour::Blue; }));
    EXPECT_TRUE(notifier.messages.isEmpty());
}

// Every common container and codec plays in the clip window: a short red clip of each, made
// here, must reach the window as red. An MPEG program stream (.mpg, .vob) needs a demuxer of its
// own; without it the window stays black.
TEST_F(ClipWindowTest, EveryCommonContainerPlays)
{
    struct Kind {
        const char* name;
        QStringList output;
    };
    const QStringList yuv{"-pix_fmt", "yuv420p"};
    const Kind kinds[] = {
        {"mpeg1.mpg", QStringList{"-c:v", "mpeg1video", "-f", "mpeg"}},
        {"mpeg2.mpeg", QStringList{"-c:v", "mpeg2video", "-f", "mpeg"}},
        {"dvd.vob", QStringList{"-c:v", "mpeg2video", "-f", "vob"}},
        {"mpeg2.ts", QStringList{"-c:v", "mpeg2video", "-f", "mpegts"}},
        {"h264.ts", QStringList{"-c:v", "libx264", "-preset", "ultrafast"} + yuv},
        {"mpeg4.avi", QStringList{"-c:v", "mpeg4"}},
        {"mjpeg.avi", QStringList{"-c:v", "mjpeg", "-pix_fmt", "yuvj420p"}},
        {"h264.mp4", QStringList{"-c:v", "libx264", "-preset", "ultrafast"} + yuv},
        {"h264.mov", QStringList{"-c:v", "libx264", "-preset", "ultrafast"} + yuv},
        {"vp8.mkv", QStringList{"-c:v", "libvpx", "-deadline", "realtime"}},
        {"vp9.webm", QStringList{"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8"}},
        {"wmv2.wmv", QStringList{"-c:v", "wmv2"}},
    };
    QStringList black;
    for (const Kind& kind : kinds) {
        const QString file = dir.filePath(kind.name);
        ASSERT_TRUE(
            TestMedia::encode(file, {"color=c=red", "s=SIZE", "r=25"}, 1.5, "160x120", kind.output))
            << kind.name;
        QSignalSpy failed(&player, &ContentPlayer::failed);
        player.start(request(file));
        if (!waitFor([&] { return shown() == Colour::Red || failed.count() > 0; }, 15000) ||
            shown() != Colour::Red)
            black.append(
                QString::fromLatin1(kind.name) +
                (failed.isEmpty() ? QString() : QStringLiteral(": ") + failed[0][0].toString()));
        player.stop();
    }
    EXPECT_TRUE(black.isEmpty()) << black.join(u'\n').toStdString();
}

// gmDVD: an .ifo file or a VIDEO_TS folder plays the disc's longest title from its start,
// without the menus; the message about the menus is still shown when the mode is chosen.
TEST_F(ClipWindowTest, DvdModePlaysTheLongestTitleOfADvdFolder)
{
    ASSERT_TRUE(TestMedia::haveDvdauthor()) << "dvdauthor is not installed";
    ASSERT_TRUE(TestMedia::makeDvd(QDir(dir.path()), {{"red", 1}, {"blue", 3}, {"red", 2}}));
    const QString videoTs = dir.filePath("dvd/VIDEO_TS");
    const QList<qint64> lengths = dvdfolder::titleLengthsMs(dir.filePath("dvd"));
    ASSERT_EQ(lengths.size(), 3);
    EXPECT_NEAR(double(lengths[0]), 1000, 200);
    EXPECT_NEAR(double(lengths[1]), 3000, 200);
    EXPECT_NEAR(double(lengths[2]), 2000, 200);
    EXPECT_EQ(dvdfolder::longestTitle(dir.filePath("dvd")), 2);

    settings.setText(key::ComboBox5, QStringLiteral("gmDVD"));
    for (const QString& name :
         {videoTs, videoTs + "/VIDEO_TS.IFO", videoTs + "/VTS_01_0.IFO", dir.filePath("dvd")}) {
        QSignalSpy failed(&player, &ContentPlayer::failed);
        player.start(request(name));
        EXPECT_TRUE(waitFor([&] { return shown() == Colour::Blue || failed.count() > 0; }))
            << name.toStdString();
        EXPECT_EQ(shown(), Colour::Blue) << name.toStdString();
        EXPECT_TRUE(failed.isEmpty()) << failed.value(0).value(0).toString().toStdString();
        EXPECT_EQ(player.file(), name);
        player.stop();
    }
    EXPECT_EQ(notifier.messages, QStringList{ClipPlayer::kDvdNotSupported});

    // Outside gmDVD an .ifo file is refused as before.
    settings.setText(key::ComboBox5, QStringLiteral("gmNormal"));
    QSignalSpy failed(&player, &ContentPlayer::failed);
    player.start(request(videoTs + "/VIDEO_TS.IFO"));
    ASSERT_EQ(failed.count(), 1);
    EXPECT_TRUE(failed[0][0].toString().contains(".ifo"));
}

// ComboBox4's list: a shown window of ours is in it, a hidden one is not; a platform without
// window titles (offscreen) gives an empty list.
TEST(WindowTitles, ListTheShownTopLevelWindows)
{
    QWidget shown;
    shown.setWindowTitle(QStringLiteral("Окно для списка"));
    shown.resize(100, 50);
    QWidget hidden;
    hidden.setWindowTitle(QStringLiteral("Скрытое окно"));
    hidden.winId();
    shown.show();
    if (QGuiApplication::platformName() != u"xcb") {
        EXPECT_TRUE(topLevelWindowTitles().isEmpty());
        return;
    }
    ASSERT_TRUE(waitFor([] { return topLevelWindowTitles().contains("Окно для списка"); }));
    const QStringList titles = topLevelWindowTitles();
    EXPECT_FALSE(titles.contains("Скрытое окно"));
    EXPECT_FALSE(titles.contains(QString()));
}

}  // namespace
