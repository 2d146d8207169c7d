#include <gtest/gtest.h>

#include "base/settings.h"
#include "base/settingskeys.h"
#include "fakes/faketimers.h"
#include "fakes/testsupport.h"
#include "panel/accessorycontrol.h"

using namespace velumo;
using namespace velumo::test;

namespace {

struct AccessoryFixture {
    AccessoryFixture()
    {
        AccessoryControl::Hooks hooks;
        hooks.tickerRunning = [this] { return running; };
        hooks.showClock = [this] { calls.append("show clock"); };
        hooks.hideClock = [this] { calls.append("hide clock"); };
        hooks.raiseStrip = [this] { calls.append("raise strip"); };
        hooks.setPanelClockBox = [this](bool on) { panelBox = on; };
        control = std::make_unique<AccessoryControl>(settings, timers, notifier, hooks);
    }
    FakeTimer* timerStrOver() { return &timers.timer(QStringLiteral("TimerStrOver")); }

    Settings settings;
    FakeTimerFactory timers;
    RecordingNotifier notifier;
    std::unique_ptr<AccessoryControl> control;
    bool running = false;
    bool panelBox = true;
    QStringList calls;
};

}  // namespace

TEST(AccessoryControl, ClockVisibilityIsMirroredWithThePanelBox)
{
    struct Case {
        bool running;
        bool fromPanel;  // the operator clicks the panel's box instead of the settings box
        bool checked;
        QStringList calls;
    };
    const Case cases[] = {
        {false, false, false, {"hide clock"}},
        {true, false, false, {"hide clock"}},
        {false, false, true, {}},  // a stopped ticker keeps the clock hidden
        {true, false, true, {"show clock"}},
        {true, true, false, {"hide clock"}},
        {true, true, true, {"show clock"}},
    };
    for (const Case& c : cases) {
        AccessoryFixture f;
        f.running = c.running;
        // Start from the opposite state so that the click changes it.
        f.settings.setChecked(key::SCCheckbox7, !c.checked);
        f.calls.clear();
        if (c.fromPanel)
            f.control->panelClockBoxClicked(c.checked);
        else
            f.settings.setChecked(key::SCCheckbox7, c.checked);
        EXPECT_EQ(f.calls, c.calls) << c.running << c.fromPanel << c.checked;
        EXPECT_EQ(f.panelBox, c.checked);
        EXPECT_EQ(f.settings.checked(key::SCCheckbox7), c.checked);
    }
}

TEST(AccessoryControl, UncheckAndCheckWhileStoppedNeverShowsTheClock)
{
    AccessoryFixture f;
    f.settings.setChecked(key::SCCheckbox7, false);
    f.settings.setChecked(key::SCCheckbox7, true);
    EXPECT_EQ(f.calls, QStringList{"hide clock"});
}

TEST(AccessoryControl, KeepOnTopTimerFollowsItsSettings)
{
    AccessoryFixture f;
    f.settings.setSpin(key::SpinEdit4, 7);
    f.settings.setChecked(key::SCCheckbox30, true);
    f.control->applyTimerStrOver();
    EXPECT_TRUE(f.timerStrOver()->isActive());
    EXPECT_EQ(f.timerStrOver()->interval(), 7000);
    f.settings.setSpin(key::SpinEdit4, 12);
    EXPECT_EQ(f.timerStrOver()->interval(), 12000);
    f.settings.setChecked(key::SCCheckbox30, false);
    EXPECT_FALSE(f.timerStrOver()->isActive());
    // Unchecked at start-up: the timer stays off.
    AccessoryFixture g;
    g.control->applyTimerStrOver();
    EXPECT_FALSE(g.timerStrOver()->isActive());
}

TEST(AccessoryControl, KeepOnTopTickRaisesOnlyWhileTheTickerRuns)
{
    struct Case {
        bool running;
        bool clockVisible;
        QStringList calls;
    };
    const Case cases[] = {
        {false, true, {}},
        {true, true, {"show clock", "raise strip"}},
        {true, false, {"raise strip"}},
    };
    for (const Case& c : cases) {
        AccessoryFixture f;
        f.settings.setChecked(key::SCCheckbox7, c.clockVisible);
        f.settings.setChecked(key::SCCheckbox30, true);
        f.running = c.running;
        f.calls.clear();
        f.timerStrOver()->trigger();
        EXPECT_EQ(f.calls, c.calls);
    }
}
