#pragma once

#include <QObject>
#include <memory>

namespace velumo {

class AlarmMonitor;
class StationMetrics;
class Timer;
class TimerFactory;

namespace fleet {

class FleetLink;

// The link's state and its spool's depth go to the station's alarms and metrics: at every
// change of the link and every few seconds (the spool drains without one).
class LinkReport final {
public:
    static constexpr int kEveryMs = 5000;

    LinkReport(FleetLink& link, AlarmMonitor& alarms, StationMetrics& metrics,
               TimerFactory& timers);
    ~LinkReport();

    void update();

private:
    FleetLink& m_link;
    AlarmMonitor& m_alarms;
    StationMetrics& m_metrics;
    QObject m_connections;
    std::unique_ptr<Timer> m_every;
};

}  // namespace fleet
}  // namespace velumo
