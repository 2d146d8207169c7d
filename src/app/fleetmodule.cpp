#include "fleetmodule.h"

#include <QFile>
#include <QJsonObject>

#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "fleet/fleetconfig.h"
#include "fleet/fleetlink.h"

namespace velumo {

FleetModule::FleetModule(const Services& services, Sources sources)
{
    const fleet::FleetConfigRead read = fleet::readFleetConfig(services.folder);
    if (!read.present)
        return;
    ControlServer& control = services.control;
    if (!read.error.isEmpty()) {
        // A station with a broken fleet.ini goes on without the link, and says why.
        services.log.write(QStringLiteral("error"),
                           QStringLiteral("fleet.ini: %1; the fleet link is off").arg(read.error));
        control.addStatus(QStringLiteral("fleet"), [error = read.error, config = read.config] {
            return QJsonValue(QJsonObject{{QStringLiteral("state"), QStringLiteral("error")},
                                          {QStringLiteral("broker"), config.broker},
                                          {QStringLiteral("station"), config.station},
                                          {QStringLiteral("spool"), 0},
                                          {QStringLiteral("error"), error}});
        });
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
        std::move(sources.screenshot), std::move(sources.alarms)};
    m_link = std::make_unique<fleet::FleetLink>(read.config, services.folder, services.log,
                                                std::move(linkSources), services.timers);
    control.addStatus(QStringLiteral("fleet"),
                      [this] { return QJsonValue(m_link->fleetStatus()); });
    m_link->start();
}

FleetModule::~FleetModule()
{
    if (m_link)
        m_link->stop();
}

}  // namespace velumo
