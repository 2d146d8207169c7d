// The k and t entries of a plan with the real clip and broadcast players behind the registry
// (their media and devices faked): what the handlers start, park, resume and stop.
#include <gtest/gtest.h>
#include <QCoreApplication>

#include "dispatcher/entryhandlers.h"
#include "dispatcher/handlerserializer.h"
#include "fakes/fakecapturebackend.h"
#include "fakes/recordingclipengine.h"
#include "players/capture/captureplayer.h"
#include "players/clip/clipplayer.h"
#include "players/placeholderplayer.h"
#include "rig.h"

using namespace velumo;
using namespace velumo::test;

namespace {

class ClipEntries : public ::testing::Test {
protected:
    ClipEntries()
    {
        clock.setNow(QDateTime(QDate(2010, 10, 13), QTime(12, 10, 30)));
        settings.setSpin(key::SpinEdit19, 10);
        settings.setSpin(key::SpinEdit21, 20);
        settings.setSpin(key::SpinEdit20, 640);
        settings.setSpin(key::SpinEdit22, 360);
        for (const auto& [field, name] :
             {std::pair{key::SCEdit51, "three.mp4"}, std::pair{key::SCEdit52, "four.mp4"}}) {
            writeAll(dir.filePath(name), "clip");
            settings.setText(field, dir.filePath(name));
        }
    }

    void start(const QString& line)
    {
        settings.setText(key::SCEdit10, line);
        runThrowing([&](HandlerSerializer::Caller caller) {
            handlers.startCurrentEntry(std::move(caller));
        });
    }
    QStringList events() const { return logEvents(log.path(), QStringLiteral("player")); }

    QTemporaryDir dir;
    Settings settings;
    EventLog log{dir.filePath("velumo.log")};
    RecordingNotifier notifier;
    FakeClock clock;
    FakeTimerFactory timers{clock};
    RecordingTicker ticker;
    TickerBlock block{settings};
    MemoryParallelPort port;
    LptPins pins{settings, port};
    RecordingTonePlayer tones;
    RecordingMasterMute mute;
    BroadcastMute broadcast{mute};
    RecordingClipEngine media;
    // The players' watches run in real time: the recording engine never shows a picture, and the
    // dispatcher's hours pass in an instant.
    QtTimerFactory playerTimers;
    ClipPlayer clip{media, settings, notifier, log, playerTimers, dir.path()};
    FakeCaptureBackend devices;
    CapturePlayer capture{devices, settings, broadcast, log, playerTimers};
    PlaceholderPlayer external, slideShow, flash, web;
    PlayerRegistry registry{log,
                            {{u'k', &clip},
                             {u'b', &external},
                             {u'p', &slideShow},
                             {u'f', &flash},
                             {u'w', &web},
                             {u't', &capture}}};
    HandlerSerializer serializer{notifier, &log};
    EntryHandlers handlers{settings,
                           notifier,
                           log,
                           clock,
                           timers,
                           serializer,
                           EntryDevices{ticker, block, pins, tones, broadcast, registry, {}}};
};

TEST_F(ClipEntries, AParkedClipIsResumedByTheNextKEntry)
{
    ticker.running = true;
    start(planLine("12:10:30", "k3", "12:11:30", "z"));
    EXPECT_EQ(media.take(),
              (QStringList{"show", "place 10,20 640x360", "load 0 " + dir.filePath("three.mp4")}));
    EXPECT_EQ(ticker.calls.last(), "front");
    media.picture(0);
    EXPECT_TRUE(events().contains("started k 3 " + dir.filePath("three.mp4")));
    media.take();

    timers.advance(60'000);
    EXPECT_EQ(media.take(), (QStringList{"pause 0", "hide"}));
    EXPECT_TRUE(clip.ClipParked());

    start(planLine("12:11:30", "k4", "12:12:30"));
    EXPECT_EQ(media.take(), (QStringList{"play 0", "show", "place 10,20 640x360"}));
    EXPECT_FALSE(clip.ClipParked());
    timers.advance(60'000);
    EXPECT_EQ(media.take(), (QStringList{"unload 0", "blank", "hide"}));
    EXPECT_TRUE(notifier.errors.isEmpty());
}

TEST_F(ClipEntries, AKEntryWhoseSlotIsNoDigitFailsAndPlaysNothing)
{
    // The conversion error ends the handler (the general error report; the dispatcher goes on).
    EXPECT_THROW(start(planLine("12:10:30", "kx", "12:11:30")), Failure);
    EXPECT_TRUE(media.take().isEmpty());
    EXPECT_FALSE(events().filter("failed k x").isEmpty());
}

TEST_F(ClipEntries, ABroadcastShowsTheDeviceAndMutesForItsLength)
{
    devices.plugged = {"Tuner"};
    settings.setChecked(key::SCCheckbox25, true);
    start(planLine("12:10:30", "t1", "12:11:30"));
    EXPECT_EQ(devices.opened, "Tuner");
    EXPECT_TRUE(devices.visible);
    EXPECT_TRUE(broadcast.BroadcastMuted());
    timers.advance(60'000);
    EXPECT_TRUE(devices.opened.isEmpty());
    EXPECT_FALSE(devices.visible);
    EXPECT_FALSE(broadcast.BroadcastMuted());
    EXPECT_EQ(mute.calls.back(), false);
}

TEST_F(ClipEntries, ABroadcastWithoutADeviceShowsTheWindowAndFails)
{
    EXPECT_ANY_THROW(start(planLine("12:10:30", "t1", "12:11:30")));
    EXPECT_TRUE(devices.visible);
    EXPECT_FALSE(events().filter(CapturePlayer::kNoDevice).isEmpty());
}

}  // namespace
