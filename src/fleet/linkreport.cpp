#include "linkreport.h"

#include "base/guard.h"
#include "base/timer.h"
#include "fleet/alarmmonitor.h"
#include "fleet/eventspool.h"
#include "fleet/fleetlink.h"
#include "fleet/stationmetrics.h"

namespace velumo::fleet {

LinkReport::LinkReport(FleetLink& link, AlarmMonitor& alarms, StationMetrics& metrics,
                       TimerFactory& timers)
    : m_link(link), m_alarms(alarms), m_metrics(metrics)
{
    connectGuarded(&m_link, &FleetLink::stateChanged, &m_connections,
                   Origin::unattended(QStringLiteral("fleet")), [this] { update(); });
    m_every = timers.create(QStringLiteral("fleet report"), true);
    m_every->setInterval(kEveryMs);
    m_every->setHandler([this] { update(); });
    m_every->start();
    update();
}

LinkReport::~LinkReport() = default;

void LinkReport::update()
{
    const FleetLink::LinkState now = m_link.linkState();
    m_alarms.setSpoolFill(double(now.spoolBytes) / double(EventSpool::kLimitBytes));
    m_metrics.setSpoolDepth(now.spool);
    m_metrics.setLinkState(now.state);
}

}  // namespace velumo::fleet
