#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>
#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>

#include "base/settingskeys.h"
#include "fakes/testsupport.h"
#include "players/web/browserpanel.h"
#include "players/web/processmemory.h"
#include "players/web/webengine.h"
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

// A page of one colour whose later answers take and touch about 200 MB in its scripts, kept
// while the page stands.
QByteArray growingPage(const char* colour)
{
    return QByteArray("<html><body style=\"margin:0;background:") + colour +
           "\"><div style=\"height:2000px\"></div><script>window.kept = [];"
           "for (let i = 0; i < 4; ++i) { const a = new Float64Array(6553600); a.fill(i + 1); "
           "window.kept.push(a); }</script></body></html>";
}

// The browser engine's zygotes among this process's children, and their nice values.
QList<int> zygoteNiceValues()
{
    QList<int> nice;
    const QString tasks = QStringLiteral("/proc/%1/task/").arg(::getpid());
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QByteArray& child : readAll(tasks + task + "/children").split(' '))
            if (const int pid = child.trimmed().toInt();
                pid > 0 && readAll(QStringLiteral("/proc/%1/cmdline").arg(pid)).contains("zygote"))
                nice.append(getpriority(PRIO_PROCESS, id_t(pid)));
    return nice;
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
        rig.server.pages.insert("/green.html", {{200, colourPage("#00c000")}});
        rig.server.pages.insert("/growing.html",
                                {{200, colourPage("#00c000")}, {200, growingPage("#00c000")}});
        mark = rig.mark();
    }
    void TearDown() override { rig.web->SCButton65Click(); }

    void show(const char* path)
    {
        rig.settings.setText(QStringLiteral("SCEdit1w1"), rig.server.address(path));
        rig.web->startwww(QStringLiteral("1"));
    }
    QColor at(int x, int y) { return pixelOf(*rig.webWindow, x, y); }
    // Waits for the condition, looking at the middle of the window meanwhile; the colours seen
    // that are not the allowed one nor black go to strays.
    bool watchUntil(const std::function<bool()>& condition, const QColor& allowed,
                    QStringList& strays)
    {
        return waitUntil([&] {
            const QColor c = at(160, 100);
            if (!near(c, allowed) && !near(c, Qt::black))
                strays.append(c.name());
            return condition();
        });
    }
    qint64 rendererPid() { return rig.webWindow->browser(0).rendererPid(); }

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
    // The engine's processes give way to the program's own thread.
    const QList<int> nice = zygoteNiceValues();
    ASSERT_FALSE(nice.isEmpty());
    for (int value : nice)
        EXPECT_GE(value, kBrowserNice);

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

TEST_F(WebPageTest, AKilledRendererLeavesThePictureAndTheNextRefreshBringsANewOne)
{
    const QColor green(0, 0xc0, 0);
    show("/green.html");
    ASSERT_TRUE(waitUntil([&] { return rig.web->loaded(); }));
    const qint64 pid = rendererPid();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(::kill(pid_t(pid), SIGKILL), 0);
    QStringList strays;
    ASSERT_TRUE(watchUntil([&] { return !rig.web->loaded(); }, green, strays));
    QTest::qWait(300);
    // The last good picture stays, though no reload took one.
    EXPECT_TRUE(near(at(160, 100), green)) << at(160, 100).name().toStdString();
    const QString address = rig.server.address("/green.html");
    EXPECT_EQ(rig.eventsSince(mark).value(2),
              "failed w 1 " + address + ": the page renderer ended: killed (code 9)")
        << rig.eventsSince(mark).join(u'\n').toStdString();

    // The refresh makes a new browser, which shows the page again.
    const int requests = rig.server.requests.value("/green.html");
    rig.web->InetTimerTimer();
    ASSERT_TRUE(watchUntil([&] { return rig.web->loaded(); }, green, strays));
    EXPECT_TRUE(near(at(160, 100), green)) << at(160, 100).name().toStdString();
    EXPECT_EQ(rig.server.requests.value("/green.html"), requests + 1);
    EXPECT_GT(rendererPid(), 0);
    EXPECT_NE(rendererPid(), pid);
    EXPECT_TRUE(strays.isEmpty()) << strays.join(u' ').toStdString();
    EXPECT_EQ(rig.eventsSince(mark).size(), 3) << rig.eventsSince(mark).join(u'\n').toStdString();
}

TEST_F(WebPageTest, ARendererGrownPastItsFirstPictureIsRecycledAtTheRefresh)
{
    const QColor green(0, 0xc0, 0);
    show("/growing.html");
    ASSERT_TRUE(waitUntil([&] { return rig.web->loaded(); }));
    const qint64 pid = rendererPid();
    const qint64 firstKb = processResidentKb(pid);
    // The second answer takes its 200 MB; the renderer is the same.
    QSignalSpy painted(&rig.webWindow->surface(), &WebSurface::painted);
    rig.web->InetTimerTimer();
    ASSERT_TRUE(waitUntil([&] { return painted.size() == 1; }));
    ASSERT_EQ(rendererPid(), pid);
    const qint64 grownKb = processResidentKb(pid);
    ASSERT_GT(grownKb, firstKb * 3 / 2) << firstKb << " " << grownKb;
    EXPECT_EQ(rig.eventsSince(mark).size(), 2);

    QStringList strays;
    rig.web->InetTimerTimer();
    EXPECT_TRUE(near(at(160, 100), green)) << at(160, 100).name().toStdString();
    ASSERT_TRUE(watchUntil([&] { return painted.size() == 2; }, green, strays));
    EXPECT_TRUE(near(at(160, 100), green)) << at(160, 100).name().toStdString();
    EXPECT_TRUE(strays.isEmpty()) << strays.join(u' ').toStdString();
    EXPECT_GT(rendererPid(), 0);
    EXPECT_NE(rendererPid(), pid);
    EXPECT_EQ(rig.server.requests.value("/growing.html"), 3);
    const QStringList events = rig.eventsSince(mark);
    ASSERT_EQ(events.size(), 3) << events.join(u'\n').toStdString();
    const QRegularExpression figures(
        QStringLiteral("^renderer recycled w 1 %1: wb ([0-9.]+) MB, "
                       "([0-9.]+) MB at its first picture$")
            .arg(QRegularExpression::escape(rig.server.address("/growing.html"))));
    const QRegularExpressionMatch m = figures.match(events[2]);
    ASSERT_TRUE(m.hasMatch()) << events[2].toStdString();
    // The baseline is the renderer's memory at the first picture.
    EXPECT_NEAR(m.captured(2).toDouble() * 1024, double(firstKb), firstKb * 0.1);
    EXPECT_GT(m.captured(1).toDouble(), 1.5 * m.captured(2).toDouble());
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
