#include <gtest/gtest.h>

#include "base/settings.h"
#include "base/settingskeys.h"
#include "panel/firststartlayout.h"
#include "ticker/accessorygeometry.h"

namespace velumo {
namespace {

// A first start on the two screens a station has most often, the strip where its design puts
// it (left 600, top 400, width 400, two text heights tall): every window on the screen, none
// over the strip or over another, the main window no larger than the screen.
class FirstStartLayout : public ::testing::TestWithParam<QSize> {};

TEST_P(FirstStartLayout, EveryWindowIsOnTheScreenClearOfTheStripAndOfEachOther)
{
    const QRect screen(QPoint(0, 0), GetParam());
    const QRect strip(600, 400, 400, 64);
    FirstStartSizes sizes;
    sizes.mainPreferred = QSize(1120, 780).boundedTo(screen.size() - QSize(40, 60));
    sizes.mainMinimum = QSize(660, 420);
    sizes.panel = QSize(591, 341);
    sizes.clock = QSize(160, 48);
    sizes.icon = QSize(64, 64);
    sizes.clockDesign = QPoint(610, 20);
    sizes.iconDesign = QPoint(620, 2000);
    const FirstStartWindows placed = firstStartLayout(screen, strip, sizes);
    const QList<std::pair<const char*, QRect>> windows{
        {"main", placed.main},
        {"panel", QRect(placed.panel, sizes.panel)},
        {"clock", QRect(placed.clock, sizes.clock)},
        {"icon", QRect(placed.icon, sizes.icon)},
    };
    for (const auto& [name, rect] : windows) {
        EXPECT_TRUE(screen.contains(rect)) << name;
        EXPECT_FALSE(rect.intersects(strip)) << name;
        for (const auto& [other, otherRect] : windows) {
            if (other != name) {
                EXPECT_FALSE(rect.intersects(otherRect)) << name << " over " << other;
            }
        }
    }
    EXPECT_LE(placed.main.height(), screen.height());
    // The settings window keeps a useful size where the screen has one.
    EXPECT_GE(placed.main.width(), 600);
    EXPECT_GE(placed.main.height(), 400);
}

INSTANTIATE_TEST_SUITE_P(Screens, FirstStartLayout,
                         ::testing::Values(QSize(1280, 720), QSize(1920, 1080)),
                         [](const auto& info) {
                             return std::to_string(info.param.width()) + "x" +
                                    std::to_string(info.param.height());
                         });

TEST(FirstStartLayoutRules, DesignPlacesThatAreFreeStayAndTheMainWindowTakesTheBestBand)
{
    const QRect hd(0, 0, 1920, 1080);
    const QRect strip(600, 400, 400, 64);
    FirstStartSizes sizes{QSize(1120, 780), QSize(660, 420), QSize(591, 341), QSize(160, 48),
                          QSize(64, 64),    QPoint(610, 20), QPoint(100, 100)};
    const FirstStartWindows placed = firstStartLayout(hd, strip, sizes);
    // Right of the strip the window stands at its full height; below it, it would be cut.
    EXPECT_EQ(placed.main, QRect(1000, 0, 920, 780));
    // The clock's and the icon's design places are free: they stay.
    EXPECT_EQ(placed.clock, QPoint(610, 20));
    EXPECT_EQ(placed.icon, QPoint(100, 100));
    // The panel in a bottom corner, clear of the main window.
    EXPECT_EQ(placed.panel, QPoint(0, 1080 - 341));

    // No strip on the screen: the screen's top left.
    EXPECT_EQ(firstStartLayout(hd, QRect(5000, 0, 400, 64), sizes).main, QRect(0, 0, 1120, 780));
    // A place off the screen is brought onto it.
    EXPECT_TRUE(
        hd.contains(QRect(freePlace(hd, QSize(64, 64), {}, QPoint(620, 2000)), QSize(64, 64))));
}

// From the design settings (no velumo.cfg): the icon window, whose design place lies below a
// 1080-line screen, and a clock the main window would cover, move; their fields follow them,
// relative to the strip as the frame's switch-off stores them.
TEST(FirstStartLayoutRules, TheDesignSettingsGiveAPlanAndMovedPlacesAreStored)
{
    for (const QSize& size : {QSize(1280, 720), QSize(1920, 1080)}) {
        Settings settings;
        const QRect screen(QPoint(0, 0), size);
        const FirstStartPlan plan =
            planFirstStart(settings, screen, QSize(1120, 780).boundedTo(size - QSize(40, 60)),
                           QSize(660, 420), QSize(591, 341), QSize(160, 48));
        const QRect strip(600, 400, 400, 64);
        EXPECT_FALSE(plan.windows.main.intersects(strip)) << size.width();
        EXPECT_TRUE(screen.contains(plan.windows.main)) << size.width();
        EXPECT_TRUE(plan.iconMoved);
        EXPECT_EQ(settings.text(key::SCEdit27), QString::number(plan.windows.icon.y()));
        EXPECT_EQ(settings.text(key::SCEdit28), QString::number(plan.windows.icon.x() - 600));
        EXPECT_TRUE(screen.contains(QRect(plan.windows.icon, QSize(64, 64))));
        if (plan.clockMoved) {
            EXPECT_EQ(settings.text(key::SCEdit16), QString::number(plan.windows.clock.y()));
            EXPECT_EQ(settings.text(key::SCEdit17), QString::number(plan.windows.clock.x() - 600));
        } else {
            EXPECT_EQ(plan.windows.clock, QPoint(610, 20));
            EXPECT_EQ(settings.text(key::SCEdit16), "20");
        }
    }
}

// The strip the first start keeps clear of is the one on air (stripRect: a line of the ticker
// font), however large the font; the panel's place is the same for its module as in the plan,
// and even a screen too small for all keeps the panel off the strip.
TEST(FirstStartLayoutRules, WindowsKeepClearOfTheStripOnAirAndThePanelOffItFirstOfAll)
{
    for (const char* points : {"10", "150"}) {
        Settings settings;
        settings.setText(key::SCEdit18, QString::fromLatin1(points));
        settings.setText(key::SCEdit43, QStringLiteral("0"));
        const QRect screen(0, 0, 1920, 1080);
        const QSize main(1120, 780);
        const FirstStartPlan plan = planFirstStart(settings, screen, main, QSize(660, 420),
                                                   QSize(591, 341), QSize(160, 48));
        const QRect strip = stripRect(settings);
        EXPECT_FALSE(plan.windows.main.intersects(strip)) << points;
        EXPECT_FALSE(QRect(plan.windows.panel, QSize(591, 341)).intersects(strip)) << points;
        EXPECT_EQ(firstStartPanelPlace(settings, screen, main, QSize(660, 420), QSize(591, 341)),
                  plan.windows.panel)
            << points;
    }
    Settings small;
    small.setText(key::SCEdit45, QStringLiteral("0"));
    small.setText(key::SCEdit43, QStringLiteral("540"));
    small.setText(key::SCEdit77, QStringLiteral("800"));
    const QRect screen(0, 0, 800, 600);
    const QPoint panel =
        firstStartPanelPlace(small, screen, QSize(760, 540), QSize(660, 420), QSize(591, 341));
    EXPECT_FALSE(QRect(panel, QSize(591, 341)).intersects(stripRect(small)));
}

}  // namespace
}  // namespace velumo
