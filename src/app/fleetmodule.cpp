#include "fleetmodule.h"

#include <QFile>
#include <QJsonObject>

#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/timer.h"
#include "centrepage.h"
#include "fleet/alarmmonitor.h"
#include "fleet/eventspool.h"
#include "fleet/fleetconfig.h"
#include "fleet/fleetlink.h"
#include "fleet/stationmetrics.h"

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
        // A station with a broken fleet.ini goes on without the link, and says why.
        services.log.write(
            QStringLiteral("error"),
            QStringLiteral("fleet.ini: %1 — связь с центром выключена, исправьте файл")
                .arg(read.error));
        m_brokenStatus = QJsonObject{{QStringLiteral("state"), QStringLiteral("error")},
                                     {QStringLiteral("broker"), read.config.broker},
                                     {QStringLiteral("station"), read.config.station},
                                     {QStringLiteral("spool"), 0},
                                     {QStringLiteral("error"), read.error}};
        control.addStatus(QStringLiteral("fleet"), [this] { return QJsonValue(status()); });
        addPage();
        return;
    }
    // It may hold a password: for the station's user alone.
    const QFile::Permissions open =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    if (QFile::permissions(services.filePath(QLatin1String(fleet::kFleetIniName))) & open)
        services.log.write(QStringLiteral("net"),
                           QStringLiteral("fleet.ini can be read by other users: chmod 600 it"));
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
    if (!m_link)
        return;
    auto update = [this, &alarms, &metrics] {
        const QJsonObject state = m_link->fleetStatus();
        alarms.setSpoolFill(double(state.value(QLatin1String("spool_bytes")).toInteger()) /
                            double(fleet::EventSpool::kLimitBytes));
        metrics.setSpoolDepth(state.value(QLatin1String("spool")).toInteger());
        metrics.setLinkState(state.value(QLatin1String("state")).toString());
    };
    connectGuarded(m_link.get(), &fleet::FleetLink::stateChanged, m_link.get(),
                   Origin::unattended(QStringLiteral("fleet")), update);
    m_reportEvery = m_services.timers.create(QStringLiteral("fleet report"), true);
    m_reportEvery->setInterval(5000);
    m_reportEvery->setHandler(update);
    m_reportEvery->start();
    update();
}

}  // namespace velumo
