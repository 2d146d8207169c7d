// The thematic icon slots without a window: which slot is a picture and which an animation,
// what vibor asks of the icon window, and pictures that arrive late or not at all.
#include <gtest/gtest.h>
#include <QHash>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "base/eventlog.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "fakes/testsupport.h"
#include "panel/iconkind.h"
#include "panel/iconslots.h"
#include "panel/iconview.h"
#include "panel/picturesource.h"

namespace velumo {
namespace {

// Records what the slots ask of the window; an animation named in refuse fails to play.
class RecordingIconView final : public IconView {
public:
    void showIcon() override
    {
        shown = true;
        calls.append(QStringLiteral("show"));
    }
    void hideIcon() override
    {
        shown = false;
        calls.append(QStringLiteral("hide"));
    }
    bool iconShown() const override { return shown; }
    void showPicture(const QImage& picture, const QByteArray& movie) override
    {
        calls.append(
            QStringLiteral("picture %1%2")
                .arg(picture.isNull() ? QStringLiteral("none") : QColor(picture.pixel(0, 0)).name(),
                     movie.isEmpty() ? QString() : QStringLiteral(" movie")));
    }
    void playAnimation(const QString& path) override
    {
        if (path == refuse)
            throw Failure(QStringLiteral("Cannot open AVI \"%1\"").arg(path));
        calls.append(QStringLiteral("animation ") + path);
    }
    void hideContent() override { calls.append(QStringLiteral("no content")); }

    QStringList calls;
    QString refuse;
    bool shown = false;
};

// Pictures by name, handed over when the test says so (as a reader's worker would, later).
class HeldPictureSource final : public PictureSource {
public:
    void read(const QString& path, Done done, Failed failed) override
    {
        pending.append({path, std::move(done), std::move(failed)});
    }
    // Answers the oldest read.
    void answer()
    {
        Read next = pending.takeFirst();
        if (colours.contains(next.path)) {
            QImage image(4, 4, QImage::Format_RGB32);
            image.fill(colours.value(next.path));
            next.done(Picture{image, {}});
        } else {
            next.failed(QStringLiteral("Не удалось прочитать рисунок %1").arg(next.path));
        }
    }
    void answerAll()
    {
        while (!pending.isEmpty())
            answer();
    }

    struct Read {
        QString path;
        Done done;
        Failed failed;
    };
    QList<Read> pending;
    QHash<QString, QColor> colours{{QStringLiteral("/p/red.bmp"), Qt::red},
                                   {QStringLiteral("/p/green.bmp"), Qt::green}};
};

class Slots : public ::testing::Test {
protected:
    void choose(int slot, const char* path)
    {
        iconSlots.choose(slot, QString::fromLatin1(path));
        source.answerAll();
    }
    QString logText() const { return QString::fromUtf8(test::readAll(log.path())); }

    QTemporaryDir dir;
    EventLog log{dir.filePath(QStringLiteral("velumo.log"))};
    Settings settings;
    test::RecordingNotifier notifier;
    RecordingIconView view;
    HeldPictureSource source;
    IconSlots iconSlots{settings, view, source, notifier, &log};
};

TEST(IconKind, OnlyLowerCaseAviIsAnAnimation)
{
    const std::pair<const char*, bool> cases[] = {
        {"/data/clip.avi", true},
        {"/data/clip.AVI", false},
        {"/data/clip.Avi", false},
        {"/data/pic.bmp", false},
        {"/data/noext", false},
        {"", false},
        {" ", false},
        {"/data.avi/pic", false},
        {"a.b.avi", true},
    };
    for (const auto& [path, animation] : cases)
        EXPECT_EQ(isAnimationPath(QString::fromLatin1(path)), animation) << path;
}

TEST_F(Slots, ViborShowsThePictureOrPlaysTheAnimationAndTenHidesTheWindow)
{
    choose(2, "/p/red.bmp");
    choose(3, "/p/clip.avi");
    EXPECT_EQ(settings.text(key::SCEdit24), "/p/red.bmp");
    EXPECT_EQ(settings.text(key::SCEdit25), "/p/clip.avi");
    iconSlots.vibor(2);
    iconSlots.vibor(IconSlots::kNoIcon);
    iconSlots.vibor(3);
    iconSlots.vibor(3);  // the same icon again: asked again, the window decides
    EXPECT_EQ(view.calls, (QStringList{"show", "picture #ff0000", "no content", "hide", "show",
                                       "animation /p/clip.avi", "show", "animation /p/clip.avi"}));
    // Outside the slots: nothing at all.
    view.calls.clear();
    for (int index : {11, -1, 12345})
        iconSlots.vibor(index);
    EXPECT_TRUE(view.calls.isEmpty());
    EXPECT_TRUE(notifier.messages.isEmpty());
}

TEST_F(Slots, APictureArrivingLateIsShownOnlyWhileItsSlotIsOnAir)
{
    iconSlots.choose(1, QStringLiteral("/p/green.bmp"));
    iconSlots.choose(4, QStringLiteral("/p/red.bmp"));
    iconSlots.vibor(1);  // not read yet: an empty picture for now
    EXPECT_EQ(view.calls, (QStringList{"show", "picture none"}));
    QSignalSpy loaded(&iconSlots, &IconSlots::slotLoaded);
    source.answer();
    EXPECT_EQ(view.calls.last(), "picture #00ff00");
    // The other slot's picture arrives while slot 1 is on air: the window is left alone.
    source.answer();
    EXPECT_EQ(view.calls.size(), 3);
    EXPECT_EQ(loaded.size(), 2);
    // Hidden, a late picture of the slot last shown is not put up either.
    iconSlots.vibor(IconSlots::kNoIcon);
    iconSlots.choose(1, QStringLiteral("/p/red.bmp"));
    view.calls.clear();
    source.answerAll();
    EXPECT_TRUE(view.calls.isEmpty());
    EXPECT_EQ(QColor(iconSlots.slotPicture(1).pixel(0, 0)), QColor(Qt::red));
}

TEST_F(Slots, AnUnreadablePictureKeepsThePreviousOneAndALaterChoiceWins)
{
    choose(2, "/p/red.bmp");
    choose(2, "/p/junk.bmp");
    EXPECT_TRUE(iconSlots.isPictureSlot(2));
    EXPECT_EQ(QColor(iconSlots.slotPicture(2).pixel(0, 0)), QColor(Qt::red));
    ASSERT_EQ(notifier.messages.size(), 1);
    EXPECT_TRUE(notifier.messages.first().contains("/p/junk.bmp"));

    // Two choices before either is read: only the second counts, the first is dropped
    // whatever it brings.
    QSignalSpy loaded(&iconSlots, &IconSlots::slotLoaded);
    iconSlots.choose(5, QStringLiteral("/p/junk.bmp"));
    iconSlots.choose(5, QStringLiteral("/p/green.bmp"));
    source.answerAll();
    EXPECT_EQ(notifier.messages.size(), 1);
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_EQ(loaded[0][0].toInt(), 5);
    EXPECT_EQ(QColor(iconSlots.slotPicture(5).pixel(0, 0)), QColor(Qt::green));
}

TEST_F(Slots, StartUpClassifiesEverySlotAndReadsOnlyThePictures)
{
    settings.setText(key::SCEdit23, QStringLiteral("/p/green.bmp"));
    settings.setText(key::SCEdit35, QStringLiteral("/p/clip.avi"));
    settings.setText(key::SCEdit26, QStringLiteral("/p/CLIP.AVI"));
    QSignalSpy changed(&iconSlots, &IconSlots::slotChanged);
    iconSlots.loadAll();
    EXPECT_EQ(changed.size(), IconSlots::kSlotCount);
    // Blank slots are not read; the capital AVI is a picture and is.
    ASSERT_EQ(source.pending.size(), 2);
    EXPECT_EQ(source.pending[0].path, "/p/green.bmp");
    EXPECT_EQ(source.pending[1].path, "/p/CLIP.AVI");
    source.answerAll();
    EXPECT_FALSE(iconSlots.isPictureSlot(9));
    EXPECT_EQ(iconSlots.slotAnimation(9), "/p/clip.avi");
    EXPECT_TRUE(iconSlots.isPictureSlot(4));
    EXPECT_TRUE(iconSlots.slotPicture(4).isNull());
    EXPECT_EQ(notifier.messages.size(), 1);
}

TEST_F(Slots, AnAnimationThatFailsIsLoggedOnceAndTheTickerGoesOn)
{
    choose(1, "/p/green.bmp");
    choose(5, "/p/missing.avi");
    view.refuse = QStringLiteral("/p/missing.avi");
    iconSlots.vibor(1);
    EXPECT_NO_THROW(iconSlots.vibor(5));
    EXPECT_NO_THROW(iconSlots.vibor(5));
    EXPECT_TRUE(notifier.messages.isEmpty());
    EXPECT_TRUE(notifier.errors.isEmpty());
    EXPECT_EQ(logText().count("/p/missing.avi"), 1);
    // The window's own report of a failing player goes to the log as it comes.
    iconSlots.animationFailed(QStringLiteral("Cannot play AVI \"/p/other.avi\""));
    EXPECT_EQ(logText().count("/p/other.avi"), 1);
    // Another failure in between: the first is written again when it comes back.
    view.refuse = QStringLiteral("/p/other.avi");
    choose(6, "/p/other.avi");
    iconSlots.vibor(6);
    EXPECT_EQ(logText().count("/p/other.avi"), 2);
    view.refuse = QStringLiteral("/p/missing.avi");
    iconSlots.vibor(5);
    EXPECT_EQ(logText().count("/p/missing.avi"), 2);
    view.refuse.clear();
    iconSlots.vibor(5);
    EXPECT_EQ(view.calls.last(), "animation /p/missing.avi");
}

}  // namespace
}  // namespace velumo
