#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "alerts/alertscreen.h"

namespace velumo {
class BroadcastMute;
class Clock;
class EventLog;
class Settings;
class StripPriority;
class TimerFactory;
class TonePlayer;
}  // namespace velumo

namespace velumo::alerts {

class AlertBandWindow;

// Alerts on the station's screen and speakers: the band on the strip's screen clear of the
// strip, the strip's priority texts, the attention tone on the tone player (its tones queue on
// a worker: nothing here waits for one) and, while the band shows and SCCheckbox25 asks for the
// mute of a broadcast, the master output muted once the tone has sounded. Only a mute set here is
// lifted here.
class AlertWindows final : public QObject, public AlertScreen {
public:
    // The references must outlive this object.
    AlertWindows(QWidget& strip, StripPriority& priority, TonePlayer& tones, BroadcastMute& mute,
                 const Settings& settings, TimerFactory& timers, const Clock& clock,
                 EventLog* log = nullptr, QObject* parent = nullptr);
    ~AlertWindows() override;

    // The attention tone: two tones, four times.
    static constexpr int kToneLowHz = 853;
    static constexpr int kToneHighHz = 960;
    static constexpr int kToneMs = 400;
    static constexpr int kTonePairs = 4;

    AlertBandWindow& band() const { return *m_band; }
    bool muted() const { return m_muted; }

    void showBand(const BandView& view) override;
    void hideBand() override;
    void attention() override;
    void holdStrip(const QString& key, const QString& text) override;
    void announce(const QString& key, const QString& text) override;
    void takeOffStrip(const QString& key) override;

private:
    void applyMute();

    QWidget& m_strip;
    StripPriority& m_priority;
    TonePlayer& m_tones;
    BroadcastMute& m_mute;
    const Settings& m_settings;
    EventLog* m_log;
    AlertBandWindow* m_band;
    int m_tonesSounding = 0;
    bool m_wantMute = false;
    bool m_muted = false;
};

}  // namespace velumo::alerts
