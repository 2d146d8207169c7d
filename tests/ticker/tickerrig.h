#pragma once

#include "base/settings.h"
#include "fakes/faketimers.h"
#include "fakes/testsupport.h"
#include "ticker/playbacklog.h"
#include "ticker/tickerblock.h"
#include "ticker/tickercompanions.h"
#include "ticker/tickerengine.h"

#include <vector>

namespace velumo::test {

// Records what the engine asked of the program around it.
struct RecordingCompanions final : TickerCompanions {
    void vibor(int code) override { icons.push_back(code); }
    void requestClockRedraw() override { ++clockRedraws; }
    void dispstart() override { ++dispatcherStarts; }
    std::vector<int> icons;
    int clockRedraws = 0;
    int dispatcherStarts = 0;
};

// The ticker engine with its lists and playback log, on timers that run on a fake clock.
struct TickerRig {
    Settings settings;
    TickerBlock block{settings};
    FakeClock clock;
    FakeTimerFactory timers{clock};
    RecordingNotifier notifier;
    PlaybackLog log{settings, clock, timers, notifier};
    RecordingCompanions companions;
    TickerEngine engine{settings, block, log, clock, timers, notifier, companions};
};

}  // namespace velumo::test
