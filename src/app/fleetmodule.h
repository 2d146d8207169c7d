#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "app/services.h"
#include "fleet/fleetlink.h"

namespace velumo {

class AlarmMonitor;
class CentrePage;
class OnAirModel;
class StationMetrics;
namespace fleet {
class LinkReport;
}

// The station's fleet link, when fleet.ini is in the program folder (without it nothing here
// exists and the program is as it always was); the status member "fleet".
class FleetModule {
public:
    // What other parts of the program give the fleet; each may be left out.
    struct Sources {
        // The PNG of what the station shows, for the command "screenshot", handed over later.
        fleet::FleetLink::Screenshot screenshot;
        // The alarms now, for the status.
        std::function<QJsonArray()> alarms;
        // Takes the CAP documents of the station's alert topics; none: no alerts are taken.
        std::function<void(const QByteArray&, const QString&)> alert = {};
    };

    FleetModule(const Services& services, const OnAirModel& onAir, Sources sources);
    // A clean exit: the station goes offline on the broker.
    ~FleetModule();

    // The link's state and its spool's depth go to the station's alarms and metrics: at every
    // change of the link and every few seconds (the spool drains without one). Nothing without a
    // link.
    void report(AlarmMonitor& alarms, StationMetrics& metrics);

    // The status member "fleet"; empty without fleet.ini.
    QJsonObject status() const;
    CentrePage* page() const;

private:
    void addPage();

    const Services& m_services;
    QJsonObject m_brokenStatus;  // fleet.ini that does not read: the link is off, this says why
    QPointer<CentrePage> m_page;
    std::unique_ptr<fleet::FleetLink> m_link;
    std::unique_ptr<fleet::LinkReport> m_report;
};

}  // namespace velumo
