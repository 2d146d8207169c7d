#include "accessorycontrol.h"

#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"

namespace velumo {

AccessoryControl::AccessoryControl(Settings& settings, TimerFactory& timers, Notifier& notifier,
                                   Hooks hooks, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_notifier(notifier),
      m_hooks(std::move(hooks)),
      m_timerStrOver(timers.create(QStringLiteral("TimerStrOver")))
{
    m_timerStrOver->setHandler([this] { guarded(m_notifier, [this] { TimerStrOverTimer(); }); });
    connectGuarded(&m_settings, &Settings::changed, this,
                   Origin::byOperator(QStringLiteral("accessorycontrol")),
                   &AccessoryControl::onSettingChanged);
}

AccessoryControl::~AccessoryControl() = default;

void AccessoryControl::onSettingChanged(const QString& name)
{
    // Reached from the settings store: failures end here, never in whoever changed the value.
    guarded(m_notifier, [&] {
        if (name == QLatin1String(key::SCCheckbox7))
            SCCheckbox7Click();
        else if (name == QLatin1String(key::SpinEdit4))
            m_timerStrOver->setInterval(qint64(m_settings.spin(key::SpinEdit4)) * 1000);
        else if (name == QLatin1String(key::SCCheckbox30))
            m_timerStrOver->setEnabled(m_settings.checked(key::SCCheckbox30));
    });
}

void AccessoryControl::SCCheckbox7Click()
{
    const bool visible = m_settings.checked(key::SCCheckbox7);
    if (m_hooks.setPanelClockBox)
        m_hooks.setPanelClockBox(visible);
    if (!visible)
        m_hooks.hideClock();
    else if (m_hooks.tickerRunning())
        m_hooks.showClock();
}

void AccessoryControl::panelClockBoxClicked(bool checked)
{
    m_settings.setChecked(key::SCCheckbox7, checked);
}

void AccessoryControl::applyTimerStrOver()
{
    m_timerStrOver->setInterval(qint64(m_settings.spin(key::SpinEdit4)) * 1000);
    m_timerStrOver->setEnabled(m_settings.checked(key::SCCheckbox30));
}

void AccessoryControl::TimerStrOverTimer()
{
    if (!m_hooks.tickerRunning())
        return;
    if (m_settings.checked(key::SCCheckbox7))
        m_hooks.showClock();
    m_hooks.raiseStrip();
}

}  // namespace velumo
