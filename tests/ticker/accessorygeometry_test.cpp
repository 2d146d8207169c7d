// The one reading of the accessory windows' fields: offsets from the strip's left edge.
#include <gtest/gtest.h>

#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "ticker/accessorygeometry.h"

using namespace velumo;

namespace {

class AccessoryGeometry : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.setText(key::SCEdit45, QStringLiteral("600"));  // strip left
        settings.setText(key::SCEdit43, QStringLiteral("400"));  // strip top
        settings.setText(key::SCEdit77, QStringLiteral("400"));  // strip width
        settings.setText(key::SCEdit17, QStringLiteral("10"));
        settings.setText(key::SCEdit16, QStringLiteral("20"));
        settings.setText(key::SCEdit28, QStringLiteral("-20"));
        settings.setText(key::SCEdit27, QStringLiteral("300"));
        settings.setText(key::SCEdit30, QStringLiteral("56"));
        settings.setText(key::SCEdit29, QStringLiteral("48"));
    }
    Settings settings;
};

TEST_F(AccessoryGeometry, ClockAndIconStandBesideTheStripLeftEdge)
{
    EXPECT_EQ(clockLeft(settings), 610);
    EXPECT_EQ(clockLeft(settings, 100), 110);
    EXPECT_EQ(clockPosition(settings, 600), QPoint(610, 20));
    EXPECT_EQ(iconGeometry(settings), QRect(580, 300, 56, 48));
    EXPECT_EQ(iconGeometry(settings, 100), QRect(80, 300, 56, 48));
    EXPECT_EQ(iconPosition(settings, 100), QPoint(80, 300));
}

// What the border switch stores is read back to the same place, wherever the strip stood.
TEST_F(AccessoryGeometry, StoredPlacesReadBackWhereTheyWere)
{
    storeClockPlacement(settings, QPoint(550, 40));
    EXPECT_EQ(settings.text(key::SCEdit17), "-50");
    EXPECT_EQ(clockPosition(settings, 600), QPoint(550, 40));
    storeIconGeometry(settings, QRect(500, 70, 90, 80));
    EXPECT_EQ(iconGeometry(settings), QRect(500, 70, 90, 80));
    // The strip moves: both windows go with it.
    storeStripGeometry(settings, QRect(100, 400, 400, 30));
    EXPECT_EQ(clockPosition(settings, 100), QPoint(50, 40));
    EXPECT_EQ(iconGeometry(settings), QRect(0, 70, 90, 80));
}

// The area a first start keeps the main window clear of: the strip, and the clock with it when
// it stands just above or below. The clock's left is SCEdit17 from the strip's left edge: taken
// as an absolute left (10), this clock would stand far left of the strip and be left out.
TEST_F(AccessoryGeometry, TheStripAreaTakesInTheClockBesideIt)
{
    settings.setText(key::SCEdit16, QStringLiteral("360"));
    EXPECT_EQ(stripWithClock(settings, 30), QRect(600, 360, 400, 70));
    // A clock left of the strip by its offset is not above or below it.
    settings.setText(key::SCEdit17, QStringLiteral("-700"));
    EXPECT_EQ(stripWithClock(settings, 30), QRect(600, 400, 400, 30));
    // A clock far above the strip is not part of it.
    settings.setText(key::SCEdit17, QStringLiteral("10"));
    settings.setText(key::SCEdit16, QStringLiteral("0"));
    EXPECT_EQ(stripWithClock(settings, 30), QRect(600, 400, 400, 30));
}

TEST_F(AccessoryGeometry, AFieldThatIsNoNumberFails)
{
    settings.setText(key::SCEdit17, QString());
    EXPECT_THROW(clockLeft(settings), Failure);
    EXPECT_THROW(stripWithClock(settings, 30), Failure);
    settings.setText(key::SCEdit17, QStringLiteral("10"));
    settings.setText(key::SCEdit29, QStringLiteral("4x"));
    EXPECT_THROW(iconGeometry(settings), Failure);
    EXPECT_EQ(iconPosition(settings, 0), QPoint(-20, 300));
}

}  // namespace
