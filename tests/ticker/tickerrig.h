#pragma once

#include "base/settings.h"
#include "fakes/faketimers.h"
#include "fakes/testsupport.h"
#include "ticker/playbacklog.h"
#include "ticker/tickerblock.h"
#include "ticker/tickerengine.h"

namespace velumo::test {

// The ticker engine with its lists and playback log, on timers that run on a fake clock.
struct TickerRig {
    Settings settings;
    TickerBlock block{settings};
    FakeClock clock;
    FakeTimerFactory timers{clock};
    RecordingNotifier notifier;
    PlaybackLog log{settings, clock, timers, notifier};
    TickerEngine engine{settings, block, log, clock, timers, notifier};
};

}  // namespace velumo::test
