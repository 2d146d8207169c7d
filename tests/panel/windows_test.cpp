#include <gtest/gtest.h>
#include <QAction>
#include <QMenu>

#include "base/settings.h"
#include "base/settingskeys.h"
#include "fakes/testsupport.h"
#include "panel/bordermenu.h"
#include "panel/clockwindow.h"
#include "panel/iconwindow.h"

using namespace velumo;
using namespace velumo::test;

namespace {

QAction* menuItem(BorderMenu* menu, const char* name)
{
    return menu->menu()->findChild<QAction*>(QString::fromLatin1(name));
}

// The settings and error reports every accessory window works with.
class AccessoryWindows : public ::testing::Test {
protected:
    Settings settings;
    RecordingNotifier notifier;
};

}  // namespace

TEST_F(AccessoryWindows, ShownBesideTheStripLeftEdge)
{
    settings.setText(key::SCEdit45, QStringLiteral("600"));
    settings.setText(key::SCEdit17, QStringLiteral("10"));
    settings.setText(key::SCEdit27, QStringLiteral("300"));
    settings.setText(key::SCEdit28, QStringLiteral("20"));
    settings.setText(key::SCEdit29, QStringLiteral("48"));
    settings.setText(key::SCEdit30, QStringLiteral("56"));
    ClockWindow clock(settings, notifier);
    clock.move(0, 40);
    clock.show();
    EXPECT_EQ(clock.pos(), QPoint(610, 40));
    IconWindow icon(settings, notifier);
    icon.show();
    EXPECT_EQ(icon.geometry(), QRect(620, 300, 56, 48));

    // The strip moved: the windows follow only when shown again.
    settings.setText(key::SCEdit45, QStringLiteral("100"));
    EXPECT_EQ(clock.pos(), QPoint(610, 40));
    clock.hide();
    clock.show();
    EXPECT_EQ(clock.pos(), QPoint(110, 40));
}

TEST_F(AccessoryWindows, EmptyPositionFieldKeepsTheWindowWhereItWas)
{
    settings.setText(key::SCEdit17, QString());
    ClockWindow clock(settings, notifier);
    clock.move(5, 6);
    clock.show();
    EXPECT_EQ(clock.pos(), QPoint(5, 6));
    ASSERT_EQ(notifier.errors.size(), 1);
    EXPECT_EQ(notifier.errors.first(), "'' is not a valid integer value");
}

TEST_F(AccessoryWindows, BorderOffWritesTheGeometryBackRelativeToTheStrip)
{
    settings.setText(key::SCEdit45, QStringLiteral("600"));

    ClockWindow clock(settings, notifier);
    clock.show();
    menuItem(clock.borderMenu(), "N1")->trigger();
    EXPECT_TRUE(clock.borderMenu()->hasBorder());
    EXPECT_FALSE(clock.windowFlags() & Qt::FramelessWindowHint);
    clock.move(550, 40);  // dragged left of the strip
    menuItem(clock.borderMenu(), "N2")->trigger();
    EXPECT_TRUE(clock.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(clock.isVisible());
    EXPECT_EQ(settings.text(key::SCEdit16), "40");
    EXPECT_EQ(settings.text(key::SCEdit17), "-50");

    IconWindow icon(settings, notifier);
    icon.show();
    menuItem(icon.borderMenu(), "N1")->trigger();
    icon.setGeometry(500, 70, 90, 80);
    menuItem(icon.borderMenu(), "N2")->trigger();
    EXPECT_EQ(settings.text(key::SCEdit27), "70");
    EXPECT_EQ(settings.text(key::SCEdit28), "-100");
    EXPECT_EQ(settings.text(key::SCEdit30), "90");
    EXPECT_EQ(settings.text(key::SCEdit29), "80");
    EXPECT_EQ(icon.geometry(), QRect(500, 70, 90, 80));
    EXPECT_TRUE(notifier.errors.isEmpty());
}

TEST_F(AccessoryWindows, BorderOffWithABrokenStripLeftChangesNoSetting)
{
    settings.setText(key::SCEdit45, QStringLiteral("600"));
    ClockWindow clock(settings, notifier);
    clock.show();
    settings.setText(key::SCEdit45, QStringLiteral("abc"));
    clock.move(700, 90);
    menuItem(clock.borderMenu(), "N2")->trigger();
    EXPECT_EQ(notifier.errors.size(), 1);
    EXPECT_EQ(settings.text(key::SCEdit16), "20");
    EXPECT_EQ(settings.text(key::SCEdit17), "10");
}

TEST_F(AccessoryWindows, StripBorderOffStoresItsAbsolutePlace)
{
    QWidget strip(nullptr, Qt::FramelessWindowHint);
    BorderMenu* menu = installStripBorderMenu(&strip, settings, notifier);
    strip.setGeometry(30, 700, 1200, 48);
    strip.show();
    menuItem(menu, "N1")->trigger();
    menuItem(menu, "N2")->trigger();
    EXPECT_EQ(settings.text(key::SCEdit43), "700");
    EXPECT_EQ(settings.text(key::SCEdit45), "30");
    EXPECT_EQ(settings.text(key::SCEdit77), "1200");
}

TEST_F(AccessoryWindows, TransparentColourMakesTheStripColourSeeThrough)
{
    ClockWindow clock(settings, notifier);
    QImage image(40, 20, QImage::Format_ARGB32);
    image.fill(QColor(246, 72, 1));
    image.setPixel(5, 5, qRgb(255, 255, 0));
    clock.setBackgroundColour(QColor(246, 72, 1));
    clock.showClock(image, QSize(40, 20));
    clock.setTransparentColour(QColor(246, 72, 1), true);
    const QImage shown = clock.grab().toImage();
    EXPECT_EQ(qAlpha(shown.pixel(20, 10)), 0);
    EXPECT_EQ(QColor(shown.pixel(5, 5 + ClockWindow::kPictureTopPx)), QColor(255, 255, 0));
    clock.setTransparentColour(QColor(246, 72, 1), false);
    EXPECT_EQ(qAlpha(clock.grab().toImage().pixel(20, 10)), 255);
}
