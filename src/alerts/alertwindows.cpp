#include "alertwindows.h"

#include <QGuiApplication>
#include <QScreen>

#include "alerts/alertbandwindow.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "devices/broadcastmute.h"
#include "devices/toneplayer.h"
#include "ticker/accessorygeometry.h"
#include "ticker/strippriority.h"

namespace velumo::alerts {

AlertWindows::AlertWindows(QWidget& strip, StripPriority& priority, TonePlayer& tones,
                           BroadcastMute& mute, const Settings& settings, TimerFactory& timers,
                           const Clock& clock, EventLog* log, QObject* parent)
    : QObject(parent),
      m_strip(strip),
      m_priority(priority),
      m_tones(tones),
      m_mute(mute),
      m_settings(settings),
      m_log(log),
      m_band(new AlertBandWindow(timers, clock))
{
}

AlertWindows::~AlertWindows()
{
    m_wantMute = false;
    m_tonesSounding = 0;
    applyMute();
    delete m_band;
}

void AlertWindows::showBand(const BandView& view)
{
    // The strip's screen (the primary one before the strip was ever shown).
    QScreen* screen = m_strip.screen() ? m_strip.screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1280, 720);
    // A parked strip stands above the screen: the band keeps clear of where it goes on air.
    QRect strip = m_strip.geometry();
    if (!m_strip.isVisible() || !area.intersects(strip))
        guarded(Origin::unattended(QStringLiteral("alerts")),
                [&] { strip = stripRect(m_settings); });
    m_band->showView(view, area, strip);
    m_wantMute = true;
    applyMute();
}

void AlertWindows::hideBand()
{
    m_band->hideBand();
    m_wantMute = false;
    applyMute();
}

void AlertWindows::attention()
{
    QPointer<AlertWindows> self(this);
    for (int i = 0; i < kTonePairs; ++i)
        for (const int hz : {kToneLowHz, kToneHighHz}) {
            ++m_tonesSounding;
            m_tones.MyBEEP(hz, kToneMs, [self] {
                if (!self)
                    return;
                --self->m_tonesSounding;
                self->applyMute();
            });
        }
}

void AlertWindows::applyMute()
{
    const bool want = m_wantMute && m_tonesSounding <= 0 && m_settings.checked(key::SCCheckbox25);
    if (want == m_muted)
        return;
    // A broadcast's own mute (or the sound test's) is theirs: it is neither taken nor lifted
    // here, not even when it came while the band had the sound muted.
    if (m_mute.BroadcastMuted()) {
        m_muted = false;
        return;
    }
    const bool done = guarded(Origin::unattended(QStringLiteral("alerts")),
                              [&] { m_mute.masterMute().SetMasterMuteValue(want); });
    m_muted = want;
    if (m_log)
        m_log->write(QStringLiteral("alert"),
                     QStringLiteral("%1 for the alert band%2")
                         .arg(want ? QStringLiteral("sound muted") : QStringLiteral("sound back"),
                              done ? QString() : QStringLiteral(" (the mixer failed)")));
}

void AlertWindows::holdStrip(const QString& key, const QString& text)
{
    m_priority.hold(key, text);
}

void AlertWindows::announce(const QString& key, const QString& text)
{
    m_priority.announce(key, text);
}

void AlertWindows::takeOffStrip(const QString& key)
{
    m_priority.takeOff(key);
}

}  // namespace velumo::alerts
