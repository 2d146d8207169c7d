#include <gtest/gtest.h>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "base/eventlog.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "fakes/faketimers.h"
#include "fakes/recordingplayers.h"
#include "fakes/recordingsurfaces.h"
#include "fakes/testsupport.h"
#include "players/web/flashplayer.h"
#include "players/web/webplayer.h"

using namespace velumo;
using namespace velumo::test;

namespace {

class FlashWebLogicTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.setText(key::SCEdit44, QStringLiteral("320"));
        settings.setText(key::SCEdit46, QStringLiteral("200"));
        settings.setText(key::SCEdit74, QStringLiteral("200"));
        movie = dir.filePath(QStringLiteral("m.swf"));
        QFile file(movie);
        file.open(QIODevice::WriteOnly);
        file.write("FWS");
    }
    QStringList events() const
    {
        return logEvents(dir.filePath(QStringLiteral("velumo.log")), QStringLiteral("player"));
    }
    FakeTimer& timer(const char* name) { return timers.timer(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    QString movie;
    Settings settings;
    EventLog log{dir.filePath(QStringLiteral("velumo.log"))};
    FakeTimerFactory timers;
    RecordingWebSurface webSurface;
    RecordingFlashSurface flashSurface;
    WebPlayer web{settings, log, timers.clock(), timers, webSurface, {3'000, 60'000}};
    FlashPlayer flash{settings, log, timers.clock(), flashSurface};
};

TEST_F(FlashWebLogicTest, FlashSlotsNameTheirFieldsAndTheButtonsKeepTheirOrder)
{
    EXPECT_EQ(FlashPlayer::movieField(settings, QStringLiteral("1")), "SCEdit49");
    EXPECT_EQ(FlashPlayer::movieField(settings, QStringLiteral("9")), "SCEdit57");
    EXPECT_EQ(FlashPlayer::movieField(settings, QStringLiteral("0")), "SCEdit58");
    // A number past the slots names whatever edit has that name, or none.
    EXPECT_EQ(FlashPlayer::movieField(settings, QStringLiteral("11")), "SCEdit59");
    EXPECT_EQ(FlashPlayer::movieField(settings, QStringLiteral("99")), "");

    settings.setText(key::SCEdit58, movie);
    flash.startf(QStringLiteral("0"));
    EXPECT_EQ(flashSurface.calls, QStringList({"load " + movie, "rect", "show", "play"}));
    EXPECT_EQ(flashSurface.rect, QRect(0, 0, 300, 400));

    // A slot that is not a number fails before anything is shown.
    flashSurface.calls.clear();
    flashSurface.visible = false;
    EXPECT_THROW(flash.startf(QStringLiteral("x")), Failure);
    EXPECT_TRUE(flashSurface.calls.isEmpty());

    settings.setText(key::SCEdit99, movie);
    flash.SCButton86Click();
    EXPECT_EQ(flashSurface.calls, QStringList({"load " + movie, "show", "play", "rect"}));
    flashSurface.calls.clear();
    flash.SCButton88Click();
    EXPECT_EQ(flashSurface.calls, QStringList({"rect", "load " + movie, "show", "play"}));
    flashSurface.calls.clear();
    flash.SCButton83Click();
    EXPECT_EQ(flashSurface.calls, QStringList({"stop", "hide"}));
}

// The dispatcher's movie goes where its request says, whatever the Flash page's own fields hold;
// the buttons keep to the page's fields.
TEST_F(FlashWebLogicTest, DispatcherFlashMovieStandsAtTheRequestsRectangle)
{
    settings.setSpin(key::SpinEdit45, 5);
    settings.setSpin(key::SpinEdit47, 6);
    settings.setText(key::SCEdit51, QStringLiteral("/elsewhere/other.swf"));
    const QRect requested(120, 80, 640, 360);
    flash.start({u'f', QStringLiteral("3"), movie, requested});
    EXPECT_EQ(flashSurface.calls, QStringList({"load " + movie, "rect", "show", "play"}));
    EXPECT_EQ(flashSurface.rect, requested);
    EXPECT_EQ(flash.movie(), movie);
    EXPECT_TRUE(flashSurface.visible);

    // A slot that is no number fails as startf does, before anything is shown.
    flashSurface.calls.clear();
    EXPECT_THROW(flash.start({u'f', QStringLiteral("x"), QString(), requested}), Failure);
    EXPECT_TRUE(flashSurface.calls.isEmpty());

    settings.setText(key::SCEdit99, movie);
    flash.SCButton88Click();
    EXPECT_EQ(flashSurface.rect, QRect(5, 6, 300, 400));
}

TEST_F(FlashWebLogicTest, DispatcherFlashContentReportsThroughTheRegistry)
{
    RecordingPlayers others(log);
    PlayerRegistry registry(log, {{u'k', &others.clip},
                                  {u'b', &others.external},
                                  {u'p', &others.slideShow},
                                  {u'f', &flash},
                                  {u'w', &others.web},
                                  {u't', &others.capture}});
    settings.setText(key::SCEdit51, movie);
    registry.start({u'f', QStringLiteral("3"), movie, QRect()});
    flashSurface.reportPlaying();
    flashSurface.reportPlaying();  // a second picture is no news
    registry.start({u'f', QStringLiteral("3"), movie, QRect()});
    flashSurface.reportFailed(QStringLiteral("Ruffle panic: boom"));
    registry.stop(u'f');
    const QStringList e = events();
    // The failed entry ends with its failure: its stop writes no "stopped".
    ASSERT_EQ(e.size(), 6) << e.join(u'\n').toStdString();
    EXPECT_EQ(e[0], "start f 3");
    EXPECT_TRUE(e[1].startsWith("first picture after 0 ms: f 3 " + movie));
    EXPECT_EQ(e[2], "started f 3 " + movie);
    EXPECT_EQ(e[3], "start f 3");
    EXPECT_EQ(e[4], "failed f 3 " + movie + ": Ruffle panic: boom");
    EXPECT_EQ(e[5], "stop f");
    EXPECT_FALSE(flashSurface.visible);
}

TEST_F(FlashWebLogicTest, ShowSiteSetsTheWindowPanelsAndBrowsersInOrder)
{
    settings.setText(QStringLiteral("SCEdit1w4"), QStringLiteral("example.org/a"));
    settings.setText(key::SCEdit39, QStringLiteral("600"));
    settings.setText(key::SCEdit38, QStringLiteral("10"));
    web.startwww(QStringLiteral("4"));
    EXPECT_EQ(webSurface.calls, QStringList({"rect", "navigate 0 example.org/a", "show"}));
    EXPECT_EQ(webSurface.rect, QRect(600, 10, 320, 200));
    EXPECT_EQ(webSurface.panelWidthPx, 320);
    EXPECT_EQ(webSurface.panelHeightPx, 200);
    EXPECT_FALSE(web.titles());

    // Titles mode: WB2 loads the page too, before wb.
    webSurface.calls.clear();
    settings.setChecked(key::SCCheckbox11, true);
    web.startwww(QStringLiteral("4"));
    EXPECT_EQ(webSurface.calls, QStringList({"rect", "navigate 1 example.org/a",
                                             "navigate 0 example.org/a", "show"}));
    EXPECT_TRUE(web.titles());
    EXPECT_EQ(timer("Timer4").interval(), 50);

    // A slow-down of 0: the crawl does not run.
    settings.setSpin(key::SpinEdit12, 0);
    web.startwww(QStringLiteral("4"));
    EXPECT_FALSE(web.titles());

    // A geometry text that is not an integer ends the start there, before the browsers.
    webSurface.calls.clear();
    settings.setText(key::SCEdit74, QStringLiteral("8 0"));
    EXPECT_THROW(web.startwww(QStringLiteral("4")), Failure);
    EXPECT_EQ(webSurface.calls, QStringList({"rect"}));
    webSurface.calls.clear();
    settings.setText(key::SCEdit44, QStringLiteral(""));
    EXPECT_THROW(web.SCButton11Click(), Failure);
    EXPECT_TRUE(webSurface.calls.isEmpty());
}

TEST_F(FlashWebLogicTest, TheCrawlStepsUpAndWrapsWhenPanel2ReachesTheTop)
{
    settings.setChecked(key::SCCheckbox11, true);
    settings.setSpin(key::SpinEdit12, 2);
    settings.setSpin(key::SpinEdit36, 60);
    settings.setText(QStringLiteral("SCEdit1w1"), QStringLiteral("a"));
    web.startwww(QStringLiteral("1"));
    QList<int> offsets;
    for (int i = 0; i < 5; ++i) {
        timers.advance(100);
        offsets.append(webSurface.offsetPx);
    }
    // Panel 2 at 200 - 240 < 1: both go back.
    EXPECT_EQ(offsets, QList<int>({60, 120, 180, 0, 60}));
    // The crawl goes on after the stop, out of sight.
    web.stop();
    EXPECT_EQ(webSurface.rect.top(), -(200 + 40));
    timers.advance(100);
    EXPECT_EQ(webSurface.offsetPx, 120);
}

TEST_F(FlashWebLogicTest, RefreshFollowsItsBoxAndReachesOnlyAVisibleWindow)
{
    settings.setText(QStringLiteral("SCEdit1w1"), QStringLiteral("a"));
    settings.setSpin(key::SpinEdit37, 5);
    settings.setChecked(key::SCCheckBox10, true);
    EXPECT_TRUE(timer("InetTimer").isActive());
    EXPECT_EQ(timer("InetTimer").interval(), 5 * 60'000);
    web.startwww(QStringLiteral("1"));
    webSurface.reportPainted(0);
    webSurface.calls.clear();
    timers.advance(5 * 60'000);
    EXPECT_EQ(webSurface.calls, QStringList({"reload 0"}));
    // Parked above the screen it is still visible: refreshed.
    web.stop();
    webSurface.reportPainted(0);
    timers.advance(5 * 60'000);
    EXPECT_EQ(webSurface.calls.count(QStringLiteral("reload 0")), 2);
    web.SCButton65Click();
    timers.advance(5 * 60'000);
    EXPECT_EQ(webSurface.calls.count(QStringLiteral("reload 0")), 2);
    settings.setChecked(key::SCCheckBox10, false);
    EXPECT_FALSE(timer("InetTimer").isActive());
}

TEST_F(FlashWebLogicTest, AFailedOrHangingPageIsLoggedAndTriedAgainLater)
{
    settings.setText(QStringLiteral("SCEdit1w2"), QStringLiteral("b"));
    web.startwww(QStringLiteral("2"));
    webSurface.reportFailed(0, QStringLiteral("HTTP 500"));
    EXPECT_FALSE(web.loaded());
    webSurface.calls.clear();
    timers.advance(59'000);
    EXPECT_TRUE(webSurface.calls.isEmpty());
    timers.advance(1'000);
    EXPECT_EQ(webSurface.calls, QStringList({"reload 0"}));
    // The reload hangs: abandoned at the limit, logged, tried again.
    timers.advance(3'000);
    EXPECT_EQ(webSurface.calls, QStringList({"reload 0", "stop 0"}));
    timers.advance(60'000);
    EXPECT_EQ(webSurface.calls.count(QStringLiteral("reload 0")), 2);
    webSurface.reportPainted(0);
    EXPECT_TRUE(web.loaded());
    const QStringList e = events();
    ASSERT_GE(e.size(), 4) << e.join(u'\n').toStdString();
    EXPECT_EQ(e[0], "started w 2 b");
    EXPECT_EQ(e[1], "failed w 2 b: HTTP 500");
    EXPECT_EQ(e[2], "failed w 2 b: no answer within 3 s");
    EXPECT_TRUE(e[3].startsWith("first picture after ")) << e[3].toStdString();

    // An empty address: the window is shown all the same, black, and nothing is retried.
    settings.setText(QStringLiteral("SCEdit1w3"), QString());
    webSurface.calls.clear();
    web.startwww(QStringLiteral("3"));
    EXPECT_EQ(webSurface.calls, QStringList({"rect", "navigate 0 ", "show"}));
    EXPECT_EQ(events().last(), "failed w 3: no address");
    timers.advance(120'000);
    EXPECT_EQ(webSurface.calls.count(QStringLiteral("reload 0")), 0);
}

TEST_F(FlashWebLogicTest, ARendererGrownPastItsFirstPictureIsRecycledAtARefresh)
{
    settings.setSpin(key::SpinEdit37, 5);
    settings.setChecked(key::SCCheckBox10, true);
    QSignalSpy onScreen(&web, &ContentPlayer::onScreen);
    QSignalSpy failed(&web, &ContentPlayer::failed);
    web.start({u'w', QStringLiteral("1"), QStringLiteral("a"), QRect(0, 0, 320, 200)});
    webSurface.renderers[0] = {100, 80 * 1024};
    webSurface.reportPainted(0);
    EXPECT_EQ(onScreen.size(), 1);
    auto refresh = [&](qint64 memoryKb) {
        webSurface.renderers[0].memoryKb = memoryKb;
        webSurface.calls.clear();
        timers.advance(5 * 60'000);
        return webSurface.calls.join(u',').toStdString();
    };
    // Up to 1.5 times the first picture's memory the page is reloaded.
    EXPECT_EQ(refresh(120 * 1024), "reload 0");
    webSurface.reportPainted(0);
    EXPECT_EQ(refresh(121 * 1024), "recycle 0");
    EXPECT_EQ(events().last(),
              "renderer recycled w 1 a: wb 121.0 MB, 80.0 MB at its first picture");
    EXPECT_TRUE(timer("WebLoadLimit1").isActive());
    // The new renderer's first picture is the next baseline, and no news for the dispatcher.
    webSurface.renderers[0] = {101, 70 * 1024};
    webSurface.reportPainted(0);
    EXPECT_TRUE(web.loaded());
    EXPECT_FALSE(timer("WebLoadLimit1").isActive());
    EXPECT_EQ(onScreen.size(), 1);
    EXPECT_EQ(failed.size(), 0);
    EXPECT_EQ(refresh(106 * 1024), "recycle 0");
    // A recycled page that does not come is abandoned at the load limit like any reload.
    timers.advance(3'000);
    EXPECT_EQ(webSurface.calls.join(u',').toStdString(), "recycle 0,stop 0");
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0][0].toString(), "no answer within 3 s");
    // The next refresh finds no baseline of the renderer now there: a reload, whose picture
    // gives one.
    webSurface.renderers[0] = {102, 300 * 1024};
    webSurface.calls.clear();
    timers.advance(5 * 60'000 - 3'000);
    EXPECT_EQ(webSurface.calls, QStringList({"reload 0"}));
    webSurface.reportPainted(0);
    EXPECT_EQ(refresh(440 * 1024), "reload 0");
    webSurface.reportPainted(0);
    // The browser replaced its renderer on its own: its picture gives the baseline.
    webSurface.renderers[0].pid = 103;
    EXPECT_EQ(refresh(900 * 1024), "reload 0");
    webSurface.reportPainted(0);
    EXPECT_EQ(refresh(1300 * 1024), "reload 0");
    EXPECT_EQ(onScreen.size(), 1);
}

TEST_F(FlashWebLogicTest, RecyclingWatchesEachPanelAndEachPageFromItsOwnFirstPicture)
{
    settings.setText(QStringLiteral("SCEdit1w1"), QStringLiteral("a"));
    settings.setText(QStringLiteral("SCEdit1w2"), QStringLiteral("b"));
    settings.setChecked(key::SCCheckbox11, true);
    settings.setSpin(key::SpinEdit37, 5);
    settings.setChecked(key::SCCheckBox10, true);
    web.startwww(QStringLiteral("1"));
    webSurface.renderers = {WebSurface::Renderer{100, 50 * 1024},
                            WebSurface::Renderer{200, 50 * 1024}};
    webSurface.reportPainted(0);
    webSurface.reportPainted(1);
    webSurface.renderers[1].memoryKb = 90 * 1024;
    webSurface.calls.clear();
    timers.advance(5 * 60'000);
    EXPECT_EQ(webSurface.calls, QStringList({"reload 0", "recycle 1"}));
    EXPECT_EQ(events().last(),
              "renderer recycled w 1 a: WB2 90.0 MB, 50.0 MB at its first picture");
    webSurface.reportPainted(0);
    webSurface.reportPainted(1);
    // Another page in the same renderer starts from its own first picture.
    webSurface.renderers[0].memoryKb = 100 * 1024;
    web.startwww(QStringLiteral("2"));
    webSurface.reportPainted(0);
    webSurface.reportPainted(1);
    webSurface.renderers[0].memoryKb = 140 * 1024;
    webSurface.calls.clear();
    timers.advance(5 * 60'000);
    EXPECT_EQ(webSurface.calls, QStringList({"reload 0", "reload 1"}));

    // Unmeasured renderers are only reloaded.
    webSurface.renderers = {};
    web.startwww(QStringLiteral("1"));
    webSurface.reportPainted(0);
    webSurface.reportPainted(1);
    webSurface.calls.clear();
    timers.advance(5 * 60'000);
    EXPECT_EQ(webSurface.calls, QStringList({"reload 0", "reload 1"}));
    settings.setChecked(key::SCCheckbox11, false);
}

TEST_F(FlashWebLogicTest, AnEndedRendererIsLoggedAndItsPageTriedAgainAsARefresh)
{
    settings.setText(QStringLiteral("SCEdit1w1"), QStringLiteral("a"));
    web.startwww(QStringLiteral("1"));
    webSurface.renderers[0] = {100, 80 * 1024};
    webSurface.reportPainted(0);
    // The renderer ends while the page stands on the screen.
    webSurface.renderers[0] = {};
    webSurface.reportFailed(0, QStringLiteral("the page renderer ended: killed (code 9)"));
    EXPECT_FALSE(web.loaded());
    webSurface.calls.clear();
    timers.advance(60'000);
    EXPECT_EQ(webSurface.calls, QStringList({"reload 0"}));
    webSurface.renderers[0] = {300, 80 * 1024};
    webSurface.reportPainted(0);
    EXPECT_TRUE(web.loaded());
    const QStringList e = events();
    ASSERT_EQ(e.size(), 3) << e.join(u'\n').toStdString();
    EXPECT_TRUE(e[1].startsWith("first picture after ")) << e[1].toStdString();
    EXPECT_EQ(e[2], "failed w 1 a: the page renderer ended: killed (code 9)");
    // The new renderer is watched from its own first picture.
    settings.setSpin(key::SpinEdit37, 5);
    settings.setChecked(key::SCCheckBox10, true);
    webSurface.renderers[0].memoryKb = 130 * 1024;
    webSurface.calls.clear();
    timers.advance(5 * 60'000);
    EXPECT_EQ(webSurface.calls, QStringList({"recycle 0"}));
}

}  // namespace

// A page of the dispatcher that failed is tried again while its line runs, slower and slower,
// and comes back at the line's rectangle at the first try that paints it.
TEST_F(FlashWebLogicTest, AFailedPageOfALineComesBackWhenATryPaintsIt)
{
    RecordingPlayers others(log);
    PlayerRegistry registry(log, {{u'k', &others.clip},
                                  {u'b', &others.external},
                                  {u'p', &others.slideShow},
                                  {u'f', &others.flash},
                                  {u'w', &web},
                                  {u't', &others.capture}});
    const QRect line(10, 20, 320, 200);
    registry.start({u'w', QStringLiteral("1"), QStringLiteral("a"), line});
    webSurface.reportFailed(0, QStringLiteral("HTTP 500"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(registry.failed(u'w'));
    EXPECT_LT(webSurface.rect.bottom(), 0) << "off the screen";
    // Tries one minute apart, then after 2, 4 and (at most) 5 minutes.
    QList<qint64> triedAtS;
    for (qint64 s = 1; s <= 15 * 60; ++s) {
        webSurface.calls.clear();
        timers.advance(1'000);
        if (webSurface.calls.contains(QStringLiteral("reload 0"))) {
            triedAtS.append(s);
            webSurface.reportFailed(0, QStringLiteral("HTTP 500"));
        }
    }
    EXPECT_EQ(triedAtS, (QList<qint64>{60, 120, 180, 300, 540, 840}));
    timers.advance((840 + 300 - 900) * 1'000);
    webSurface.reportPainted(0);
    EXPECT_FALSE(registry.failed(u'w'));
    EXPECT_EQ(webSurface.rect, line);
    EXPECT_TRUE(webSurface.visible);
    EXPECT_EQ(events().mid(events().size() - 2), (QStringList{"recovered w 1 a", "started w 1 a"}));
}
