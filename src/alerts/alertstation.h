#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QWidget;

namespace velumo {

class BroadcastMute;
class Clock;
class ControlServer;
class EventLog;
class Notifier;
class OnAirModel;
class Settings;
class SettingsWindow;
class StripPriority;
class TimerFactory;
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

// What the alerts are built with; everything here outlives them.
struct AlertStationParts {
    QString folder;  // the program's folder, where alerts.ini and the drop folder are
    EventLog& log;
    Notifier& notifier;
    Settings& settings;
    const Clock& clock;
    TimerFactory& timers;
    ControlServer& control;
    SettingsWindow& window;  // the page «Оповещения» goes into it
};

// Emergency alerts, when alerts.ini is in the program folder (without it nothing of them runs
// and the program is as it always was, but for the page that writes the file and "alert test"
// saying there are none): the board, the intake with its worker, the feeds and the drop folder,
// the band and the strip's priority texts, the alerts in the on-air model, the page
// «Оповещения», the status member "alerts" and the command "alert test".
class AlertStation {
public:
    // What shows and sounds alerts; it must outlive the station.
    struct Outputs {
        QWidget& strip;
        StripPriority& priority;
        TonePlayer& tones;
        BroadcastMute& mute;
    };

    static constexpr int kTestSeconds = 30;

    AlertStation(const AlertStationParts& parts, OnAirModel& onAir, Outputs outputs);
    ~AlertStation();

    bool enabled() const { return m_board != nullptr; }
    // A CAP document pushed by the fleet link.
    void take(const QByteArray& document, const QString& source);
    // The band window (for the screenshot); null without alerts.ini.
    QWidget* band() const;
    // The stale feeds go to staleFeeds (the alarm "alert_feed_stale"), now and on each change.
    void reportStaleFeeds(std::function<void(const QStringList& urls)> staleFeeds);

private:
    void startSources(const AlertsConfig& config);
    void apply(const AlertsConfig& config);

    AlertStationParts m_parts;
    std::unique_ptr<Worker> m_worker;
    std::unique_ptr<AlertBoard> m_board;
    std::unique_ptr<AlertIntake> m_intake;
    std::unique_ptr<AlertWindows> m_windows;
    std::unique_ptr<AlertPresenter> m_presenter;
    std::unique_ptr<AlertSources> m_sources;
    std::function<void(const QStringList& urls)> m_staleFeeds;
    QPointer<AlertsPage> m_page;
};

}  // namespace alerts
}  // namespace velumo
