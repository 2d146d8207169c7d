#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "base/eventlog.h"
#include "dispatcher/walltimer.h"
#include "fakes/faketimers.h"
#include "fakes/testsupport.h"

namespace velumo {
namespace {

using test::FakeTimerFactory;

// A step of the wall clock during a wait of 20 s: `atMs` before the moment (by the clock as it
// was), by `stepMs` (forward positive).
struct StepCase {
    const char* name;
    qint64 atMs;
    qint64 stepMs;
};

class ClockStep : public ::testing::TestWithParam<StepCase> {
protected:
    static constexpr qint64 kWaitMs = 20'000;

    QTemporaryDir dir;
    EventLog log{dir.filePath("velumo.log")};
    FakeTimerFactory timers;
    WallTimer timer{QStringLiteral("Timer1start"), timers, timers.clock(), &log};
    QList<QDateTime> firedAt;
    QList<qint64> firedMonotonicMs;

    void SetUp() override
    {
        timer.setHandler([this] {
            timer.stop();
            firedAt.append(timers.clock().now());
            firedMonotonicMs.append(timers.clock().monotonicMs());
        });
    }
};

TEST_P(ClockStep, StartsOnItsSecondOrAtOnceWhenThePastIsReached)
{
    const StepCase& c = GetParam();
    const QDateTime moment = timers.clock().now().addMSecs(kWaitMs);
    timer.setInterval(kWaitMs);
    timer.start();
    timers.advance(kWaitMs - c.atMs);
    ASSERT_TRUE(firedAt.isEmpty());
    timers.clock().setNow(timers.clock().now().addMSecs(c.stepMs));
    const qint64 stepMonotonicMs = timers.clock().monotonicMs();
    timers.advance(kWaitMs + qMax<qint64>(0, -c.stepMs) + 1000);
    ASSERT_EQ(firedAt.size(), 1);
    if (c.stepMs < c.atMs) {
        // Never early, and on the millisecond.
        EXPECT_GE(firedAt[0], moment);
        EXPECT_LE(moment.msecsTo(firedAt[0]), 20);
    } else {
        // The clock went past the moment: the line starts at once, as a late start, logged.
        EXPECT_LE(firedMonotonicMs[0] - stepMonotonicMs, 100);
        if (c.stepMs - c.atMs > WallTimer::kLateToleranceMs) {
            EXPECT_FALSE(test::logEvents(dir.filePath("velumo.log"), "dispatcher")
                             .filter("late by")
                             .isEmpty());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(WallTimer, ClockStep,
                         ::testing::Values(StepCase{"Forward3sIn4sBefore", 4000, 3000},
                                           StepCase{"Forward300msIn500msBefore", 500, 300},
                                           StepCase{"Forward990msIn1sBefore", 1000, 990},
                                           StepCase{"Forward5msIn6msBefore", 6, 5},
                                           StepCase{"Backward3sIn2sBefore", 2000, -3000},
                                           StepCase{"Backward1sIn10msBefore", 10, -1000},
                                           StepCase{"Backward1msIn1msBefore", 1, -1},
                                           StepCase{"Forward2sIn15sBefore", 15'000, 2000},
                                           StepCase{"Backward5sIn15sBefore", 15'000, -5000},
                                           StepCase{"PastIn3sBefore", 3000, 10'000},
                                           StepCase{"PastIn500msBefore", 500, 600},
                                           StepCase{"PastIn5sBefore", 5000, 60'000},
                                           StepCase{"ExactlyOntoTheMoment", 800, 800}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WallTimerCost, LongWaitsStayInLongStepsUntilTheLastStretch)
{
    FakeTimerFactory timers;
    WallTimer timer(QStringLiteral("Timer1start"), timers, timers.clock(), nullptr);
    int fired = 0;
    timer.setHandler([&] {
        timer.stop();
        ++fired;
    });
    timer.setInterval(60 * 60'000);
    timer.start();
    timers.advance(60 * 60'000);
    EXPECT_EQ(fired, 1);
    // An hour in 5 s steps, the last 5 s in short ones: a few hundred wake-ups, not thousands.
    const int steps = timers.timer(QStringLiteral("Timer1start")).fireCount();
    EXPECT_LT(steps, 60 * 60 / 5 + WallTimer::kMaxStepMs / WallTimer::kWatchStepMs + 10);
}

}  // namespace
}  // namespace velumo
