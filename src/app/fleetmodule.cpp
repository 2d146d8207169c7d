#include "fleetmodule.h"

#include <QJsonObject>

#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "fleet/fleetconfig.h"
#include "fleet/fleetlink.h"
#include "fleet/gui/centrepage.h"
#include "fleet/linkreport.h"

namespace velumo {

FleetModule::FleetModule(const Services& services, const OnAirModel& onAir, Sources sources)
    : m_services(services)
{
    const fleet::FleetConfigRead read = fleet::readFleetConfig(services.folder);
    if (!read.present) {
        addPage();
        return;
    }
    ControlServer& control = services.control;
    if (!read.error.isEmpty()) {
        m_brokenStatus = fleet::refusedLinkStatus(read, services.log);
        control.addStatus(QStringLiteral("fleet"), [this] { return QJsonValue(status()); });
        addPage();
        return;
    }
    fleet::noteOpenPermissions(services.folder, services.log);
    fleet::FleetLink::Sources linkSources{
        [&control] { return control.status(); },
        [&control](const QString& line, std::function<void(int, const QString&)> answer) {
            control.execute(line, [answer = std::move(answer)](int code, const QString& text) {
                answer(code, text);
            });
        },
        std::move(sources.screenshot), std::move(sources.alarms), std::move(sources.alert)};
    m_link = std::make_unique<fleet::FleetLink>(read.config, services.folder, services.log, onAir,
                                                std::move(linkSources), services.timers);
    control.addStatus(QStringLiteral("fleet"), [this] { return QJsonValue(status()); });
    m_link->start();
    addPage();
}

FleetModule::~FleetModule()
{
    m_report.reset();
    // The page asks this module for the status: it goes first.
    delete m_page.data();
    if (m_link)
        m_link->stop();
}

void FleetModule::addPage()
{
    m_page = new CentrePage(
        m_services.window, m_services.folder, m_services.timers, [this] { return status(); },
        m_link.get());
}

CentrePage* FleetModule::page() const
{
    return m_page;
}

QJsonObject FleetModule::status() const
{
    return m_link ? m_link->fleetStatus() : m_brokenStatus;
}

void FleetModule::report(AlarmMonitor& alarms, StationMetrics& metrics)
{
    if (m_link)
        m_report = std::make_unique<fleet::LinkReport>(*m_link, alarms, metrics, m_services.timers);
}

}  // namespace velumo
