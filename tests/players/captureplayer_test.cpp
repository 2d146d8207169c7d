#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "base/eventlog.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "devices/broadcastmute.h"
#include "fakes/fakecapturebackend.h"
#include "fakes/fakedevices.h"
#include "fakes/testsupport.h"
#include "players/capture/captureplayer.h"

using namespace velumo;
using namespace velumo::test;

namespace {

class Capture : public ::testing::Test {
protected:
    Capture()
    {
        settings.setSpin(key::SpinEdit53, 5);
        settings.setSpin(key::SpinEdit54, 320);
        settings.setSpin(key::SpinEdit55, 6);
        settings.setSpin(key::SpinEdit56, 240);
    }
    QStringList events() const { return logEvents(log.path(), QStringLiteral("player")); }

    QTemporaryDir dir;
    EventLog log{dir.filePath("velumo.log")};
    Settings settings;
    RecordingMasterMute mute;
    BroadcastMute broadcast{mute};
    FakeCaptureBackend backend;
    QtTimerFactory timers;
    CapturePlayer player{backend, settings, broadcast, log, timers};
};

TEST_F(Capture, StartPlacesShowsAndOpensTheNamedDeviceStopHides)
{
    backend.plugged = {"USB Camera", "TV Tuner", "USB Camera"};
    settings.setText(key::SCEdit100, "USB Camera");
    player.SCButton63Click();
    // Two devices of one name: the later one.
    EXPECT_EQ(backend.calls, (QStringList{"place 5,6 320x240", "show", "open 2", "show"}));
    EXPECT_TRUE(player.active());
    EXPECT_EQ(player.device(), "USB Camera");
    backend.calls.clear();
    player.SCButton26Click();
    EXPECT_EQ(backend.calls, (QStringList{"close", "hide"}));
    EXPECT_FALSE(player.active());
    // A name that is not connected: the first device.
    settings.setText(key::SCEdit100, "Gone");
    player.SCButton63Click();
    EXPECT_EQ(backend.opened, "USB Camera");
    EXPECT_EQ(CapturePlayer::deviceIndex({"a", "b"}, "c"), 0);
}

TEST_F(Capture, NoDeviceShowsTheWindowAndFails)
{
    EXPECT_THROW(player.SCButton63Click(), Failure);
    EXPECT_TRUE(backend.visible);
    EXPECT_FALSE(player.active());
    backend.plugged = {"Cam"};
    backend.refuse = true;
    EXPECT_THROW(player.SCButton63Click(), Failure);
}

// The panel's start and stop touch neither the mute nor the window's place: a broadcast the
// page started keeps its muted output through a stop and a start from the panel.
TEST_F(Capture, ThePanelsStartAndStopLeaveMuteAndPlaceAlone)
{
    backend.plugged = {"Cam"};
    settings.setChecked(key::SCCheckbox25, true);
    player.SCButton63Click();
    ASSERT_TRUE(broadcast.BroadcastMuted());
    backend.calls.clear();
    player.panelStop();
    EXPECT_EQ(backend.calls, (QStringList{"close", "hide"}));
    EXPECT_FALSE(player.active());
    EXPECT_TRUE(broadcast.BroadcastMuted());
    backend.calls.clear();
    player.panelStart();
    EXPECT_EQ(backend.calls, (QStringList{"show", "open 0", "show"}));
    EXPECT_TRUE(player.active());
    // A second start from the panel reopens the device and still mutes nothing anew.
    player.panelStart();
    EXPECT_TRUE(player.active());
    EXPECT_EQ(mute.calls, (std::vector<bool>{true}));
    // No device: the window is shown and the start fails, as the page's does.
    backend.plugged.clear();
    player.panelStop();
    EXPECT_THROW(player.panelStart(), Failure);
    EXPECT_TRUE(backend.visible);
    EXPECT_EQ(mute.calls, (std::vector<bool>{true}));
}

// The output is muted for exactly the broadcast; unticked in between, it stays muted.
TEST_F(Capture, TheMuteFollowsTheBoxAtStartAndStop)
{
    backend.plugged = {"Cam"};
    settings.setChecked(key::SCCheckbox25, true);
    player.SCButton63Click();
    EXPECT_TRUE(broadcast.BroadcastMuted());
    player.SCButton26Click();
    EXPECT_FALSE(broadcast.BroadcastMuted());
    EXPECT_EQ(mute.calls, (std::vector<bool>{true, false}));
    player.SCButton63Click();
    settings.setChecked(key::SCCheckbox25, false);
    player.SCButton26Click();
    EXPECT_TRUE(broadcast.BroadcastMuted());
}

TEST_F(Capture, ADeviceThatComesBackUnderAnotherPlaceReturnsByItself)
{
    backend.plugged = {"Tuner", "USB Camera"};
    settings.setText(key::SCEdit100, "USB Camera");
    player.SCButton63Click();
    ASSERT_EQ(backend.opened, "USB Camera");
    backend.plug({"Tuner"});
    EXPECT_TRUE(backend.opened.isEmpty());
    EXPECT_TRUE(player.active());
    // Plugged in again it may come first in the list.
    backend.plug({"USB Camera", "Tuner"});
    EXPECT_EQ(backend.opened, "USB Camera");
    EXPECT_EQ(backend.calls.last(), "open 0");
    EXPECT_EQ(events(),
              (QStringList{"lost t USB Camera: the device is gone", "returned t USB Camera"}));
    // A picture lost without the list changing is looked for again.
    emit backend.lost(QStringLiteral("stream error"));
    EXPECT_TRUE(backend.opened.isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !backend.opened.isEmpty(); }, 10000));
    // After the stop nothing comes back.
    player.SCButton26Click();
    backend.plug({"USB Camera"});
    EXPECT_TRUE(backend.opened.isEmpty());
}

TEST_F(Capture, TheDeviceListEndsWithTheLastName)
{
    backend.plugged = {"A", "B"};
    EXPECT_EQ(player.SCButton75Click(), (QStringList{"A", "B"}));
    EXPECT_EQ(settings.text(key::ComboBox3), "B");
}

}  // namespace

// The dispatcher's start and stop place and show the window and leave the mute to the
// handlers, which ask BroadcastMute once each.
TEST_F(Capture, TheDispatchersStartStandsAtTheRequestAndLeavesTheMuteAlone)
{
    backend.plugged = {"Cam"};
    settings.setChecked(key::SCCheckbox25, true);
    player.start({u't', QStringLiteral("1"), QString(), QRect(1, 2, 30, 40)});
    EXPECT_EQ(backend.calls, (QStringList{"place 1,2 30x40", "show", "open 0", "show"}));
    EXPECT_TRUE(player.active());
    player.stop();
    EXPECT_FALSE(player.active());
    EXPECT_FALSE(backend.visible);
    EXPECT_TRUE(mute.calls.empty());
    EXPECT_FALSE(broadcast.BroadcastMuted());
}

// The broadcast reaches the screen with the device's first picture, not when the device opens:
// onScreen once per start, never for a start that failed or was stopped before its picture.
TEST_F(Capture, OnScreenWaitsForTheDevicesFirstPicture)
{
    QSignalSpy on(&player, &ContentPlayer::onScreen);
    backend.plugged = {"Cam"};
    backend.pictures = false;
    player.start({u't', QStringLiteral("1"), QString(), QRect(1, 2, 30, 40)});
    EXPECT_TRUE(player.active());
    EXPECT_EQ(on.size(), 0) << "the device is open, but nothing is shown yet";
    backend.picture();
    EXPECT_EQ(on.size(), 1);
    backend.picture();
    EXPECT_EQ(on.size(), 1);

    // Stopped before its picture came.
    player.stop();
    player.start({u't', QStringLiteral("1"), QString(), QRect(1, 2, 30, 40)});
    player.stop();
    backend.picture();
    EXPECT_EQ(on.size(), 1);

    // A device that refuses: no picture is waited for.
    backend.refuse = true;
    EXPECT_THROW(player.start({u't', QStringLiteral("1"), QString(), QRect(1, 2, 30, 40)}),
                 Failure);
    backend.picture();
    EXPECT_EQ(on.size(), 1);

    // A device that gives pictures by itself.
    backend.refuse = false;
    backend.pictures = true;
    player.start({u't', QStringLiteral("1"), QString(), QRect(1, 2, 30, 40)});
    EXPECT_EQ(on.size(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return on.size() == 2; }, 2000));
}
