#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <memory>

#include "app/services.h"

class QWidget;

namespace velumo {

class AlarmMonitor;
class BroadcastMute;
class OnAirModel;
class StripPriority;
class TonePlayer;
class Worker;

namespace alerts {
class AlertBoard;
class AlertIntake;
class AlertPresenter;
class AlertSources;
class AlertWindows;
class AlertsPage;
struct AlertsConfig;
}  // namespace alerts

// Emergency alerts, when alerts.ini is in the program folder (without it nothing of them runs
// and the program is as it always was, but for the page that writes the file and "alert test"
// saying there are none): the board, the intake with its worker, the feeds and the drop folder,
// the band and the strip's priority texts, the alerts in the on-air model, the page
// «Оповещения», the status member "alerts" and the command "alert test".
class AlertsModule {
public:
    // What shows and sounds alerts; it must outlive the module.
    struct Outputs {
        QWidget& strip;
        StripPriority& priority;
        TonePlayer& tones;
        BroadcastMute& mute;
    };

    static constexpr int kTestSeconds = 30;

    AlertsModule(const Services& services, OnAirModel& onAir, Outputs outputs);
    ~AlertsModule();

    bool enabled() const { return m_board != nullptr; }
    // A CAP document pushed by the fleet link.
    void take(const QByteArray& document, const QString& source);
    // The band window (for the screenshot); null without alerts.ini.
    QWidget* band() const;
    // A stale feed raises the alarm "alert_feed_stale".
    void report(AlarmMonitor& alarms);

private:
    void startSources(const alerts::AlertsConfig& config);
    void apply(const alerts::AlertsConfig& config);

    const Services& m_services;
    std::unique_ptr<Worker> m_worker;
    std::unique_ptr<alerts::AlertBoard> m_board;
    std::unique_ptr<alerts::AlertIntake> m_intake;
    std::unique_ptr<alerts::AlertWindows> m_windows;
    std::unique_ptr<alerts::AlertPresenter> m_presenter;
    std::unique_ptr<alerts::AlertSources> m_sources;
    AlarmMonitor* m_alarms = nullptr;
    QPointer<alerts::AlertsPage> m_page;
};

}  // namespace velumo
