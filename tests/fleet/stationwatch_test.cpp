// What the alarms see of the players' windows: only a window shown on its screen is on air.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "fleet/gui/stationwatch.h"

namespace velumo {
namespace {

TEST(StationWatch, AWindowIsOnAirOnlyWhileShownOnItsScreen)
{
    EXPECT_FALSE(windowOnAir(nullptr));
    QWidget window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.setGeometry(10, 10, 100, 80);
    EXPECT_FALSE(windowOnAir(&window));
    window.show();
    EXPECT_TRUE(windowOnAir(&window));
    // A stopped page stays shown above the screen's top.
    const QRect screen = QGuiApplication::primaryScreen()->virtualGeometry();
    window.move(0, screen.top() - 500);
    EXPECT_FALSE(windowOnAir(&window));
    // No window made yet: nothing to look at.
    EXPECT_TRUE(playerFrames([] { return WatchedPlayers{}; })().empty());
}

}  // namespace
}  // namespace velumo
