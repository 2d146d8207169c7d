#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>

#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "devices/lptpins.h"
#include "devices/parallelport.h"
#include "devices/ppdevparallelport.h"
#include "fakes/fakedevices.h"

using namespace velumo;

namespace {

struct PinStep {
    int pin;
    int state;
    quint8 expected;
};

class LptPinsTest : public ::testing::Test {
protected:
    void SetUp() override { settings.setChecked(key::SCCheckBox26, true); }
    Settings settings;
    test::MemoryParallelPort port;
    LptPins pins{settings, port};
};

TEST_F(LptPinsTest, StepsChangeOnlyTheirPin)
{
    // Each step starts from the register the previous one left.
    const PinStep steps[] = {
        {9, 1, 0x80}, {2, 1, 0x81},  {9, 0, 0x01},  // the sequence of the pin tests
        {5, 1, 0x09}, {5, 2, 0x01},                 // only state 1 raises: 2 drops
        {3, 1, 0x03}, {3, -1, 0x01}, {2, 255, 0x00},
        {2, 0, 0x00},  // dropping a dropped pin keeps it dropped
    };
    for (const PinStep& step : steps) {
        pins.lptonoff(step.pin, step.state);
        EXPECT_EQ(port.value(), step.expected) << "pin " << step.pin << " state " << step.state;
    }
}

TEST_F(LptPinsTest, OtherPinNumbersRewriteTheRegisterUnchanged)
{
    for (int pin : {0, 1, 10, -3, 25}) {
        port.setValue(0xA5);
        const int writesBefore = port.writes;
        pins.lptonoff(pin, 1);
        EXPECT_EQ(port.value(), 0xA5) << pin;
        EXPECT_EQ(port.writes, writesBefore + 1) << "the register is written back, pin " << pin;
    }
}

TEST_F(LptPinsTest, WithoutPermissionThePortIsNeverTouched)
{
    settings.setChecked(key::SCCheckBox26, false);
    port.setValue(0x10);
    pins.lptonoff(9, 1);
    pins.lptonoff(2, 0);
    pins.SCCheckBox26Click();
    EXPECT_EQ(port.reads, 0);
    EXPECT_EQ(port.writes, 0);
    EXPECT_EQ(port.claims, 0);
    EXPECT_EQ(port.value(), 0x10);
}

TEST_F(LptPinsTest, PermissionClaimsThePortAndDropsAllPins)
{
    port.setValue(0xFF);
    pins.SCCheckBox26Click();
    EXPECT_EQ(port.claims, 1);
    EXPECT_EQ(port.value(), 0x00);
}

// The ppdev backend: every way of not getting the port ends in one clear failure text.
TEST(PpdevParallelPortTest, MissingDeviceFailsClearly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("parport7"));
    PpdevParallelPort port(path);
    try {
        port.claim();
        FAIL() << "claim of a missing device succeeded";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.text(), QStringLiteral("Нет доступа к порту LPT1 (%1): %2")
                                      .arg(path, QString::fromLocal8Bit(strerror(ENOENT))));
    }
    EXPECT_FALSE(port.isClaimed());
    EXPECT_THROW(port.readData(), Failure);
    EXPECT_THROW(port.writeData(0), Failure);
}

TEST(PpdevParallelPortTest, DeviceThatIsNoParallelPortIsRefusedAtClaim)
{
    // /dev/null opens, but is no parallel port: the claim names the step that failed.
    PpdevParallelPort port(QStringLiteral("/dev/null"));
    try {
        port.claim();
        FAIL() << "claim of /dev/null succeeded";
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.text().startsWith(
            QStringLiteral("Нет доступа к порту LPT1 (/dev/null): PPCLAIM: ")))
            << failure.text().toStdString();
    }
    EXPECT_FALSE(port.isClaimed());
}

TEST(PpdevParallelPortTest, PinsFailThroughTheBackendOnlyWhenPermitted)
{
    Settings settings;
    PpdevParallelPort port(QStringLiteral("/nonexistent/parport0"));
    LptPins pins(settings, port);
    // Unchecked: nothing is opened, nothing fails.
    EXPECT_NO_THROW(pins.lptonoff(2, 1));
    EXPECT_NO_THROW(pins.SCCheckBox26Click());
    settings.setChecked(key::SCCheckBox26, true);
    EXPECT_THROW(pins.lptonoff(2, 1), Failure);
    EXPECT_THROW(pins.SCCheckBox26Click(), Failure);
}

}  // namespace
