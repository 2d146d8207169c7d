#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>

namespace velumo {

class AlarmMonitor;
class EventLog;
class OnAirModel;
class RepaintWatch;
struct Event;

// The station's figures in Prometheus' text format (0.0.4): the content on screen as the on-air
// model has it, what the program's typed events tell (the dispatcher's starts and those later
// than their moment, player failures), the strip's repaint gaps, the alarms, and what the fleet
// link hands in (its spool depth and state).
class StationMetrics final : public QObject {
    Q_OBJECT
public:
    // strip and alarms may be missing (their figures are then left out).
    StationMetrics(EventLog& log, const OnAirModel& onAir, const RepaintWatch* strip,
                   const AlarmMonitor* alarms, QObject* parent = nullptr);

    // Events kept in the fleet link's spool.
    void setSpoolDepth(qint64 events);
    // The fleet link's state as it names it ("connected", "connecting", "off"...).
    void setLinkState(const QString& state);

    QByteArray text() const;

    // Reasons longer than this are cut, so that a label stays a label.
    static constexpr int kReasonChars = 80;

private:
    void take(const Event& event);

    const OnAirModel& m_onAir;
    const RepaintWatch* m_strip;
    const AlarmMonitor* m_alarms;
    std::map<QString, quint64> m_starts;                        // by content letter
    std::map<QString, quint64> m_lateStarts;                    // by content letter
    std::map<std::pair<QString, QString>, quint64> m_failures;  // by letter and reason
    qint64 m_spoolDepth = 0;
    QString m_linkState = QStringLiteral("off");
};

}  // namespace velumo
