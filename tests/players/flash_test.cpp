#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

#include "base/settingskeys.h"
#include "players/web/browserpanel.h"
#include "players/webrig.h"

using namespace velumo;
using namespace velumo::test;

namespace {

class FlashMovieTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(FlashWindow::defaultRuffleFolder() + QStringLiteral("/ruffle.js")))
            GTEST_SKIP() << "Ruffle is missing: run tools/fetch-ruffle.sh";
        Settings& s = rig.settings;
        s.resetToDefaults();
        s.setSpin(key::SpinEdit45, 10);
        s.setSpin(key::SpinEdit46, 300);
        s.setSpin(key::SpinEdit47, 20);
        s.setSpin(key::SpinEdit48, 200);
        green = write("green.swf", flashMovie(400, 200, QColor(0, 200, 0)));
        garbage = write("garbage.swf", QByteArray("this is not a movie at all").repeated(40));
        mark = rig.mark();
    }
    void TearDown() override
    {
        if (rig.flash)
            rig.flash->stop();
    }

    QString write(const char* name, const QByteArray& bytes)
    {
        const QString path = rig.dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return path;
    }
    void startSlot(const QString& slot, const QString& file)
    {
        rig.settings.setText(FlashPlayer::movieField(rig.settings, slot), file);
        rig.flash->startf(slot);
    }
    QColor at(int x, int y) { return pixelOf(*rig.flashWindow, x, y); }
    // The Flash player's events since the mark.
    QStringList events() const
    {
        QStringList out;
        for (const QString& e : rig.eventsSince(mark))
            if (e.startsWith(QStringLiteral("started f")) ||
                e.startsWith(QStringLiteral("failed f")) ||
                (e.startsWith(QStringLiteral("first picture")) &&
                 e.contains(QStringLiteral(": f "))))
                out.append(e);
        return out;
    }
    bool eventEnds(const QString& tail)
    {
        for (const QString& e : events())
            if (e.endsWith(tail))
                return true;
        return false;
    }

    WebRig& rig = WebRig::get();
    QString green;
    QString garbage;
    int mark = 0;
};

TEST_F(FlashMovieTest, AMoviePlaysLetterBoxedAtTheRectangle)
{
    startSlot(QStringLiteral("0"), green);
    EXPECT_EQ(rig.flashWindow->geometry(), QRect(10, 20, 300, 200));
    EXPECT_TRUE(rig.flashWindow->isVisible());
    ASSERT_TRUE(waitUntil([&] { return events().size() >= 2; }));
    const QStringList e = events();
    EXPECT_EQ(e[0], QStringLiteral("started f 0 ") + green);
    EXPECT_TRUE(e[1].startsWith(QStringLiteral("first picture after "))) << e[1].toStdString();
    // The stage is 2:1, the window 3:2: black bars above and below, the movie between.
    EXPECT_TRUE(near(at(150, 100), QColor(0, 200, 0))) << at(150, 100).name().toStdString();
    EXPECT_TRUE(near(at(150, 5), Qt::black)) << at(150, 5).name().toStdString();
    EXPECT_EQ(rig.flash->movie(), green);

    rig.flash->SCButton83Click();
    EXPECT_FALSE(rig.flashWindow->isVisible());

    // Shown again, the window is covered black until the movie's first picture: the browser
    // puts up a white frame of its own on a display before its page's next frame.
    const QLabel* cover = rig.flashWindow->findChild<QLabel*>(QStringLiteral("Flash1Cover"));
    ASSERT_NE(cover, nullptr);
    mark = rig.mark();
    startSlot(QStringLiteral("0"), green);
    EXPECT_TRUE(cover->isVisible());
    ASSERT_TRUE(waitUntil([&] { return events().size() >= 2; }));
    EXPECT_FALSE(cover->isVisible());
    EXPECT_TRUE(near(at(150, 100), QColor(0, 200, 0))) << at(150, 100).name().toStdString();
}

TEST_F(FlashMovieTest, AFileThatIsNoMovieStaysBlackAndTheNextMoviePlays)
{
    startSlot(QStringLiteral("1"), garbage);
    ASSERT_TRUE(waitUntil([&] { return events().size() >= 2; }));
    const QString failure = events().value(1);
    EXPECT_TRUE(failure.startsWith(QStringLiteral("failed f 1 ") + garbage + u':'))
        << failure.toStdString();
    EXPECT_TRUE(near(at(150, 100), Qt::black)) << at(150, 100).name().toStdString();

    mark = rig.mark();
    startSlot(QStringLiteral("2"), QStringLiteral("/nonexistent/movie.swf"));
    EXPECT_TRUE(eventEnds(QStringLiteral(": file not found")));
    startSlot(QStringLiteral("3"), QString());
    EXPECT_TRUE(eventEnds(QStringLiteral("failed f 3: no movie file")));
    EXPECT_TRUE(rig.flashWindow->isVisible());

    mark = rig.mark();
    startSlot(QStringLiteral("4"), green);
    ASSERT_TRUE(waitUntil([&] { return events().size() >= 2; }));
    EXPECT_TRUE(events().value(1).startsWith(QStringLiteral("first picture")))
        << events().join(u'\n').toStdString();
    // The movie's first frame may reach the window a little after the event.
    EXPECT_TRUE(waitUntil([&] { return near(at(150, 100), QColor(0, 200, 0)); }))
        << at(150, 100).name().toStdString();
}

// A movie window prepared while hidden (Ruffle's page loaded and compiled out of sight) shows
// its first movie as any other.
TEST_F(FlashMovieTest, APreparedWindowShowsItsFirstMovie)
{
    FlashWindow window;
    FlashPlayer player(rig.settings, rig.log, rig.clock, window.surface());
    bool primed = false;
    QObject::connect(&window.browser(), &BrowserPanel::pageMessage, &window,
                     [&](const QString& text) { primed = primed || text == u"primed"; });
    window.prepareRuffle();
    ASSERT_TRUE(waitUntil([&] { return primed; }, 60'000));
    rig.settings.setText(FlashPlayer::movieField(rig.settings, QStringLiteral("5")), green);
    player.startf(QStringLiteral("5"));
    EXPECT_TRUE(waitUntil([&] { return near(pixelOf(window, 150, 100), QColor(0, 200, 0)); }))
        << pixelOf(window, 150, 100).name().toStdString();
    player.stop();
}

}  // namespace
