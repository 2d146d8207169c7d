#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace velumo {

class Notifier;
class Settings;
class Timer;
class TimerFactory;

// Keeps the clock window and the strip on screen: the clock visibility box of the settings
// (SCCheckbox7) mirrored with the control panel's box, and the keep-on-top timer TimerStrOver.
class AccessoryControl final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<bool()> tickerRunning;
        std::function<void()> showClock;  // shows the clock window and brings it to the front
        std::function<void()> hideClock;
        std::function<void()> raiseStrip;  // shows the strip, which brings it to the front
        std::function<void(bool)> setPanelClockBox;  // the control panel's CheckBox1
    };

    AccessoryControl(Settings& settings, TimerFactory& timers, Notifier& notifier, Hooks hooks,
                     QObject* parent = nullptr);
    ~AccessoryControl() override;

    // The operator clicked the panel's clock box: the settings box follows, and with it the
    // clock window.
    void panelClockBoxClicked(bool checked);
    // Start-up: TimerStrOver gets the period SpinEdit4 seconds and runs when SCCheckbox30 is
    // checked.
    void applyTimerStrOver();
    void TimerStrOverTimer();

    Timer& timerStrOver() { return *m_timerStrOver; }

private:
    void onSettingChanged(const QString& name);
    void SCCheckbox7Click();

    Settings& m_settings;
    Notifier& m_notifier;
    Hooks m_hooks;
    std::unique_ptr<Timer> m_timerStrOver;
};

}  // namespace velumo
