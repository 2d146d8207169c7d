#include <gtest/gtest.h>
#include <QSignalSpy>

#include "base/settingskeys.h"
#include "players/browserpanel.h"
#include "players/webrig.h"

using namespace velumo;
using namespace velumo::test;

namespace {

QByteArray colourPage(const char* colour)
{
    return QByteArray("<html><body style=\"margin:0;background:") + colour +
           "\"><div style=\"height:2000px\"></div></body></html>";
}

// A red band of 100 px over a blue one.
QByteArray bandsPage()
{
    return "<html><body style=\"margin:0\"><div style=\"height:100px;background:#ff0000\"></div>"
           "<div style=\"height:1900px;background:#0000ff\"></div></body></html>";
}

class WebPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Settings& s = rig.settings;
        s.resetToDefaults();
        s.setText(key::SCEdit38, QStringLiteral("0"));
        s.setText(key::SCEdit39, QStringLiteral("0"));
        s.setText(key::SCEdit44, QStringLiteral("320"));
        s.setText(key::SCEdit46, QStringLiteral("200"));
        s.setText(key::SCEdit74, QStringLiteral("200"));
        rig.server.pages.insert("/red.html", {{200, colourPage("#ff0000")}});
        rig.server.pages.insert("/bands.html", {{200, bandsPage()}});
        rig.server.pages.insert("/500.html", {{500, colourPage("#00ff00")}});
        rig.server.pages.insert("/changing.html",
                                {{200, colourPage("#ff0000")}, {200, colourPage("#0000ff")}});
        mark = rig.mark();
    }
    void TearDown() override { rig.web->SCButton65Click(); }

    void show(const char* path)
    {
        rig.settings.setText(QStringLiteral("SCEdit1w1"), rig.server.address(path));
        rig.web->startwww(QStringLiteral("1"));
    }
    QColor at(int x, int y) { return pixelOf(*rig.webWindow, x, y); }

    WebRig& rig = WebRig::get();
    int mark = 0;
};

TEST_F(WebPageTest, APageIsShownAtTheRectangleAndItsFirstPictureIsLogged)
{
    rig.settings.setText(key::SCEdit39, QStringLiteral("40"));
    rig.settings.setText(key::SCEdit38, QStringLiteral("30"));
    show("/red.html");
    EXPECT_EQ(rig.webWindow->geometry(), QRect(40, 30, 320, 200));
    // Black until the page is painted, never the browser's blank page.
    EXPECT_TRUE(near(at(160, 100), Qt::black)) << at(160, 100).name().toStdString();
    ASSERT_TRUE(waitUntil([&] { return rig.web->loaded(); }))
        << rig.eventsSince(mark).join(u'\n').toStdString();
    EXPECT_TRUE(near(at(160, 100), Qt::red)) << at(160, 100).name().toStdString();
    const QStringList events = rig.eventsSince(mark);
    ASSERT_EQ(events.size(), 2) << events.join(u'\n').toStdString();
    EXPECT_EQ(events[0], QStringLiteral("started w 1 ") + rig.server.address("/red.html"));
    EXPECT_TRUE(events[1].startsWith(QStringLiteral("first picture after ")))
        << events[1].toStdString();

    // The stop parks the window above the screen; it stays open.
    rig.web->HideWebWindow();
    EXPECT_EQ(rig.webWindow->y(), -(200 + 40));
    EXPECT_TRUE(rig.webWindow->isVisible());
    EXPECT_TRUE(rig.web->parked());
}

TEST_F(WebPageTest, TitlesModeCrawlsThePageUpAndWrapsToTheTop)
{
    rig.settings.setChecked(key::SCCheckbox11, true);
    rig.settings.setSpin(key::SpinEdit12, 1);
    rig.settings.setSpin(key::SpinEdit36, 4);
    show("/bands.html");
    ASSERT_TRUE(waitUntil([&] { return rig.web->loaded(); }));
    // WB2 shows the same page below wb.
    EXPECT_GE(rig.server.requests.value("/bands.html"), 2);
    ASSERT_TRUE(
        waitUntil([&] { return rig.web->crawlOffset() > 110 && rig.web->crawlOffset() < 180; }));
    EXPECT_TRUE(near(at(160, 0), Qt::blue)) << at(160, 0).name().toStdString();
    // Panel 2 comes up from below: at the bottom edge its red band shows.
    const int offset = rig.web->crawlOffset();
    EXPECT_LT(rig.webWindow->panel(0).y(), 0);
    EXPECT_EQ(rig.webWindow->panel(1).y(), 200 - offset);
    ASSERT_TRUE(waitUntil([&] { return rig.web->crawlOffset() < 20; }));
    EXPECT_TRUE(rig.web->titles());
    rig.settings.setChecked(key::SCCheckbox11, false);
}

TEST_F(WebPageTest, AFailingOrHangingPageLeavesTheWindowBlackAndTheNextStartWorks)
{
    show("/500.html");
    ASSERT_TRUE(waitUntil([&] { return rig.eventsSince(mark).size() >= 2; }));
    EXPECT_EQ(rig.eventsSince(mark).value(1).toStdString(),
              ("failed w 1 " + rig.server.address("/500.html") + ": HTTP 500").toStdString());
    QTest::qWait(300);
    EXPECT_TRUE(near(at(160, 100), Qt::black)) << at(160, 100).name().toStdString();
    EXPECT_FALSE(rig.web->loaded());

    mark = rig.mark();
    show("/hang.html");
    ASSERT_TRUE(waitUntil([&] { return rig.eventsSince(mark).size() >= 2; }));
    EXPECT_TRUE(rig.eventsSince(mark).value(1).endsWith(QStringLiteral(": no answer within 8 s")))
        << rig.eventsSince(mark).value(1).toStdString();
    EXPECT_TRUE(near(at(160, 100), Qt::black));

    show("/red.html");
    ASSERT_TRUE(waitUntil([&] { return rig.web->loaded(); }));
    EXPECT_TRUE(near(at(160, 100), Qt::red));
}

TEST_F(WebPageTest, TheRefreshReloadsAVisiblePageKeepingItsPictureMeanwhile)
{
    show("/changing.html");
    ASSERT_TRUE(waitUntil([&] { return rig.web->loaded(); }));
    EXPECT_TRUE(near(at(160, 100), Qt::red));
    QSignalSpy painted(&rig.webWindow->surface(), &WebSurface::painted);
    rig.web->InetTimerTimer();
    // During the reload the last good picture stays, not black, not blank.
    EXPECT_TRUE(near(at(160, 100), Qt::red)) << at(160, 100).name().toStdString();
    ASSERT_TRUE(waitUntil([&] { return painted.size() > 0; }));
    EXPECT_TRUE(near(at(160, 100), Qt::blue)) << at(160, 100).name().toStdString();

    // A hidden window is not refreshed.
    const int before = rig.server.requests.value("/changing.html");
    rig.web->SCButton65Click();
    rig.web->InetTimerTimer();
    QTest::qWait(200);
    EXPECT_EQ(rig.server.requests.value("/changing.html"), before);
}

TEST_F(WebPageTest, ThePreviewBrowserIsCreatedOnItsFirstPage)
{
    BrowserPanel preview(QStringLiteral("Wb2"), nullptr);
    EXPECT_FALSE(preview.created());
    preview.resize(200, 100);
    preview.show();
    bool painted = false;
    QObject::connect(&preview, &BrowserPanel::painted, [&] { painted = true; });
    preview.load(QUrl(QStringLiteral("http://") + rig.server.address("/red.html")));
    EXPECT_TRUE(preview.created());
    ASSERT_TRUE(waitUntil([&] { return painted; }));
    EXPECT_TRUE(near(pixelOf(preview, 100, 50), Qt::red));
}

}  // namespace
