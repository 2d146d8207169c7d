#include <gtest/gtest.h>
#include <QDataStream>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "base/eventlog.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "fakes/testsupport.h"
#include "panel/iconkind.h"
#include "panel/iconslots.h"
#include "panel/iconwindow.h"
#include "panel/picturereader.h"
#include "panel/thematicicons.h"
#include "ui/settingswindow.h"

using namespace velumo;
using namespace velumo::test;

namespace {

void writeImage(const QString& path, const QColor& colour)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path, "BMP"));
}

// A placeable Windows metafile: a 100 x 100 window holding one rectangle filled with the
// colour (0x00BBGGRR).
QByteArray metafile(quint32 colour)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    auto record = [&](quint16 function, std::initializer_list<quint16> params) {
        out << quint32(3 + params.size()) << function;
        for (quint16 p : params)
            out << p;
    };
    record(0x020B, {0, 0});                                                      // SetWindowOrg
    record(0x020C, {100, 100});                                                  // SetWindowExt
    out << quint32(7) << quint16(0x02FC) << quint16(0) << colour << quint16(0);  // brush
    record(0x012D, {0});                                                         // SelectObject
    record(0x041B, {100, 100, 0, 0});                                            // Rectangle
    record(0x0000, {});                                                          // end
    QByteArray file;
    QDataStream head(&file, QIODevice::WriteOnly);
    head.setByteOrder(QDataStream::LittleEndian);
    const quint16 placeable[] = {0xCDD7, 0x9AC6, 0, 0, 0, 100, 100, 96, 0, 0};
    quint16 checksum = 0;
    for (quint16 w : placeable) {
        head << w;
        checksum ^= w;
    }
    head << checksum;
    head << quint16(1) << quint16(9) << quint16(0x0300) << quint32((18 + body.size()) / 2)
         << quint16(1) << quint32(7) << quint16(0);
    return file + body;
}

struct IconsFixture {
    IconsFixture()
        : log(dir.filePath(QStringLiteral("velumo.log"))),
          window(settings),
          icon(settings, notifier),
          iconSlots(settings, icon, reader, notifier, &log),
          icons(window, iconSlots, notifier, dir.path())
    {
        // As the program wires them: the window's failures reach the slots' event log.
        QObject::connect(&icon, &IconWindow::animationFailed, &iconSlots,
                         &IconSlots::animationFailed);
        settings.setText(key::SCEdit45, QStringLiteral("600"));
        writeImage(path("red.bmp"), Qt::red);
        writeImage(path("green.bmp"), Qt::green);
        QFile avi(path("clip.avi"));
        avi.open(QIODevice::WriteOnly);
        avi.write("RIFF....AVI LIST");
        avi.close();
        QFile::copy(path("clip.avi"), path("CLIP.AVI"));
        QFile junk(path("junk.bmp"));
        junk.open(QIODevice::WriteOnly);
        junk.write("not a picture at all");
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    // Picks a file for a slot and waits until its picture has been read.
    void choose(int slot, const QString& file)
    {
        QSignalSpy loaded(&iconSlots, &IconSlots::slotLoaded);
        iconSlots.choose(slot, file);
        if (!isAnimationPath(file)) {
            EXPECT_TRUE(loaded.wait(10000)) << file.toStdString();
        }
    }
    QColor pictureColour(int slot) const
    {
        const QImage& image = iconSlots.slotPicture(slot);
        return image.isNull() ? QColor()
                              : QColor(image.pixel(image.width() / 2, image.height() / 2));
    }
    QString logText() const { return QString::fromUtf8(readAll(log.path())); }

    QTemporaryDir dir;
    Settings settings;
    RecordingNotifier notifier;
    EventLog log;
    SettingsWindow window;
    IconWindow icon;
    PictureReader reader;
    IconSlots iconSlots;
    ThematicIcons icons;
};

}  // namespace

TEST(ThematicIcons, PickedFilesSetTheKindAndThePreview)
{
    IconsFixture f;
    f.choose(0, f.path("red.bmp"));
    f.choose(3, f.path("clip.avi"));
    EXPECT_EQ(f.settings.text(key::SCEdit22), f.path("red.bmp"));
    EXPECT_EQ(f.settings.text(key::SCEdit25), f.path("clip.avi"));
    EXPECT_TRUE(f.iconSlots.isPictureSlot(0));
    EXPECT_FALSE(f.iconSlots.isPictureSlot(3));
    EXPECT_EQ(f.pictureColour(0), QColor(Qt::red));
    // Exactly one of the two previews of a slot is shown.
    auto* image4 = f.window.findChild<QLabel*>(QStringLiteral("Image4"));
    auto* animate4 = f.window.findChild<QLabel*>(QStringLiteral("Animate4"));
    ASSERT_TRUE(image4 && animate4);
    EXPECT_TRUE(image4->isHidden());
    EXPECT_FALSE(animate4->isHidden());
    auto* image1 = f.window.findChild<QLabel*>(QStringLiteral("Image1"));
    ASSERT_TRUE(image1);
    EXPECT_FALSE(image1->isHidden());
    EXPECT_FALSE(image1->pixmap().isNull());
    EXPECT_TRUE(f.notifier.messages.isEmpty());
}

TEST(ThematicIcons, ViborShowsPictureOrAnimationAndTenHidesTheWindow)
{
    IconsFixture f;
    f.choose(2, f.path("red.bmp"));
    f.choose(3, f.path("clip.avi"));

    f.iconSlots.vibor(2);
    EXPECT_TRUE(f.icon.isVisible());
    EXPECT_TRUE(f.icon.pictureVisible());
    EXPECT_FALSE(f.icon.animationVisible());
    EXPECT_EQ(QColor(f.icon.picture().pixel(0, 0)), QColor(Qt::red));

    f.iconSlots.vibor(IconSlots::kNoIcon);
    EXPECT_FALSE(f.icon.isVisible());
    EXPECT_FALSE(f.icon.pictureVisible());

    // An animation after no icon: the window and the player come back, the picture stays
    // hidden underneath.
    f.iconSlots.vibor(3);
    EXPECT_TRUE(f.icon.isVisible());
    EXPECT_TRUE(f.icon.animationVisible());
    EXPECT_TRUE(f.icon.animationRunning());
    EXPECT_EQ(f.icon.animationFile(), f.path("clip.avi"));
    EXPECT_FALSE(f.icon.pictureVisible());

    // No icon hides the player without stopping it; a picture slot then stops it.
    f.iconSlots.vibor(IconSlots::kNoIcon);
    EXPECT_FALSE(f.icon.animationVisible());
    EXPECT_TRUE(f.icon.animationRunning());
    f.iconSlots.vibor(2);
    EXPECT_TRUE(f.icon.isVisible());
    EXPECT_TRUE(f.icon.pictureVisible());
    EXPECT_FALSE(f.icon.animationVisible());
    EXPECT_FALSE(f.icon.animationRunning());
}

TEST(ThematicIcons, IndexOutsideTheSlotsChangesNothing)
{
    IconsFixture f;
    f.choose(1, f.path("green.bmp"));
    f.iconSlots.vibor(1);
    for (int index : {11, -1, 12345}) {
        f.iconSlots.vibor(index);
        EXPECT_TRUE(f.icon.isVisible()) << index;
        EXPECT_TRUE(f.icon.pictureVisible()) << index;
        EXPECT_EQ(QColor(f.icon.picture().pixel(0, 0)), QColor(Qt::green)) << index;
    }
    f.iconSlots.vibor(10);
    f.iconSlots.vibor(11);
    EXPECT_FALSE(f.icon.isVisible());
}

TEST(ThematicIcons, UnreadablePictureKeepsThePreviousOneAndIsReported)
{
    IconsFixture f;
    f.choose(2, f.path("red.bmp"));
    f.choose(2, f.path("junk.bmp"));
    EXPECT_EQ(f.settings.text(key::SCEdit24), f.path("junk.bmp"));
    EXPECT_TRUE(f.iconSlots.isPictureSlot(2));
    EXPECT_EQ(f.pictureColour(2), QColor(Qt::red));
    ASSERT_EQ(f.notifier.messages.size(), 1);
    EXPECT_TRUE(f.notifier.messages.first().contains(f.path("junk.bmp")));
    f.iconSlots.vibor(2);
    EXPECT_EQ(QColor(f.icon.picture().pixel(0, 0)), QColor(Qt::red));

    f.choose(2, f.path("gone.bmp"));
    EXPECT_EQ(f.notifier.messages.size(), 2);
    EXPECT_EQ(f.pictureColour(2), QColor(Qt::red));
}

TEST(ThematicIcons, CapitalAviIsReadAsAPictureAndFails)
{
    IconsFixture f;
    f.choose(4, f.path("CLIP.AVI"));
    EXPECT_TRUE(f.iconSlots.isPictureSlot(4));
    EXPECT_EQ(f.notifier.messages.size(), 1);
    EXPECT_TRUE(f.iconSlots.slotPicture(4).isNull());
}

TEST(ThematicIcons, AnimationThatCannotBeOpenedNeverReachesTheTicker)
{
    IconsFixture f;
    f.choose(1, f.path("green.bmp"));
    f.iconSlots.vibor(1);
    f.choose(5, f.path("missing.avi"));
    EXPECT_NO_THROW(f.iconSlots.vibor(5));
    EXPECT_NO_THROW(f.iconSlots.vibor(5));
    // The window stays shown with what it showed before.
    EXPECT_TRUE(f.icon.isVisible());
    EXPECT_TRUE(f.icon.pictureVisible());
    EXPECT_FALSE(f.icon.animationRunning());
    EXPECT_TRUE(f.notifier.messages.isEmpty());
    EXPECT_TRUE(f.notifier.errors.isEmpty());
    // Written to the event log once, not for every block.
    EXPECT_EQ(f.logText().count(f.path("missing.avi")), 1);
}

TEST(ThematicIcons, StartUpLoadsEverySlotAndBlankSlotsQuietly)
{
    IconsFixture f;
    f.settings.setText(key::SCEdit23, f.path("green.bmp"));
    f.settings.setText(key::SCEdit35, f.path("clip.avi"));
    QSignalSpy loaded(&f.iconSlots, &IconSlots::slotLoaded);
    f.iconSlots.loadAll();
    ASSERT_TRUE(loaded.wait(10000));
    QTest::qWait(50);
    EXPECT_EQ(loaded.size(), 1);
    EXPECT_TRUE(f.notifier.messages.isEmpty());
    EXPECT_EQ(f.pictureColour(1), QColor(Qt::green));
    EXPECT_FALSE(f.iconSlots.isPictureSlot(9));
    EXPECT_EQ(f.iconSlots.slotAnimation(9), f.path("clip.avi"));
    for (int slot : {0, 2, 3, 4, 5, 6, 7, 8}) {
        EXPECT_TRUE(f.iconSlots.isPictureSlot(slot));
        EXPECT_TRUE(f.iconSlots.slotPicture(slot).isNull());
    }
}

TEST(ThematicIcons, MetafilesAreConvertedOffTheInterfaceThread)
{
    if (QStandardPaths::findExecutable(QStringLiteral("wmf2svg")).isEmpty())
        GTEST_SKIP() << "wmf2svg (libwmf-bin) is not installed";
    IconsFixture f;
    writeAll(f.path("blue.wmf"), metafile(0x00FF0000));
    QSignalSpy loaded(&f.iconSlots, &IconSlots::slotLoaded);
    f.iconSlots.choose(6, f.path("blue.wmf"));
    ASSERT_TRUE(loaded.size() == 1 || loaded.wait(10000));
    EXPECT_EQ(loaded.at(0).at(0).toInt(), 6);
    EXPECT_TRUE(loaded.at(0).at(1).toBool());
    EXPECT_EQ(f.pictureColour(6), QColor(Qt::blue));

    // A broken metafile keeps the picture and is reported.
    QByteArray broken = metafile(0x000000FF);
    broken.truncate(30);
    writeAll(f.path("broken.wmf"), broken);
    loaded.clear();
    f.iconSlots.choose(6, f.path("broken.wmf"));
    ASSERT_TRUE(loaded.size() == 1 || loaded.wait(10000));
    EXPECT_FALSE(loaded.at(0).at(1).toBool());
    EXPECT_EQ(f.pictureColour(6), QColor(Qt::blue));
    EXPECT_EQ(f.notifier.messages.size(), 1);
}

TEST(ThematicIcons, LaterChoiceWinsOverASlowerEarlierOne)
{
    if (QStandardPaths::findExecutable(QStringLiteral("wmf2svg")).isEmpty())
        GTEST_SKIP() << "wmf2svg (libwmf-bin) is not installed";
    IconsFixture f;
    writeAll(f.path("blue.wmf"), metafile(0x00FF0000));
    QSignalSpy loaded(&f.iconSlots, &IconSlots::slotLoaded);
    f.iconSlots.choose(7, f.path("blue.wmf"));
    f.choose(7, f.path("red.bmp"));
    // Until the converter of the first choice has finished and its result has been dropped.
    QTest::qWait(100);
    for (int i = 0; i < 500 && !f.reader.findChildren<QProcess*>().isEmpty(); ++i)
        QTest::qWait(20);
    QTest::qWait(50);
    EXPECT_TRUE(f.reader.findChildren<QProcess*>().isEmpty());
    EXPECT_EQ(f.pictureColour(7), QColor(Qt::red));
}

TEST(ThematicIcons, AnimatedGifPlaysFromTheSlotsCopy)
{
    IconsFixture f;
    // Two frames, red then blue, looping.
    const QByteArray gif = QByteArray::fromBase64(
        "R0lGODlhCAAIAPAAAP8AAAAAACH5BAAAAAAAIf8LTkVUU0NBUEUyLjADAQAAACwAAAAACAAIAAACB4SPqcvtXQAAIf"
        "kEAAAAAAAsAAAAAAgACACAAAD/AAAAAgeEj6nL7V0AADs=");
    writeAll(f.path("anim.gif"), gif);
    f.choose(8, f.path("anim.gif"));
    EXPECT_TRUE(f.iconSlots.isPictureSlot(8));
    EXPECT_EQ(f.pictureColour(8), QColor(Qt::red));
    // The file may go away: the window plays the slot's copy.
    QFile::remove(f.path("anim.gif"));
    f.iconSlots.vibor(8);
    EXPECT_TRUE(f.icon.pictureVisible());
    EXPECT_TRUE(f.icon.movieRunning());
    f.choose(1, f.path("green.bmp"));
    f.iconSlots.vibor(1);
    EXPECT_FALSE(f.icon.movieRunning());
}

TEST(ThematicIcons, AnimationThePlayerRejectsFailsAtOnceUntilTheFileChanges)
{
    IconsFixture f;
    f.choose(3, f.path("clip.avi"));  // not a playable AVI
    QSignalSpy failed(&f.icon, &IconWindow::animationFailed);
    f.iconSlots.vibor(3);
    ASSERT_TRUE(failed.size() == 1 || failed.wait(10000));
    EXPECT_FALSE(f.icon.animationVisible());
    EXPECT_FALSE(f.icon.animationRunning());
    // Every following block with this icon leaves the window as it is, without a new attempt.
    f.iconSlots.vibor(3);
    f.iconSlots.vibor(3);
    EXPECT_FALSE(f.icon.animationRunning());
    QTest::qWait(200);
    EXPECT_EQ(failed.size(), 1);
    EXPECT_EQ(f.logText().count(f.path("clip.avi")), 2);  // the player's error, then one refusal
}
