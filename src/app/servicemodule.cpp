#include "servicemodule.h"

#include <unistd.h>
#include <QJsonObject>

#include "base/controlchannel.h"
#include "base/guard.h"
#include "base/timer.h"
#include "onair/onairmodel.h"
#include "onair/onairsummary.h"
#include "system/desktopprobe.h"
#include "system/servicenotifier.h"
#include "ui/desktopline.h"
#include "ui/mainfooter.h"
#include "ui/settingswindow.h"

namespace velumo {

ServiceModule::ServiceModule(const Services& services, const OnAirModel& onAir, MainFooter& footer)
    : m_services(services), m_onAir(onAir), m_footer(footer)
{
    m_notifier = std::make_unique<ServiceNotifier>(
        ServiceNotifier::fromEnvironment(qint64(::getpid())), services.timers);
    // The players and converters the program starts are not the service.
    ServiceNotifier::clearEnvironment();
    if (m_notifier->active()) {
        // Started at the end of start-up, it fires on the next turn of the event loop, when the
        // control channel answers.
        m_ready = services.timers.create(QStringLiteral("ServiceReady"));
        m_ready->setInterval(0);
        m_ready->setHandler([this] {
            m_ready->stop();
            m_notifier->ready();
            m_told = true;
            refreshOnAir();
        });
        // The notifier sends a changed line at most once a second, the latest one.
        connectGuarded(&onAir, &OnAirModel::changed, &m_connections,
                       Origin::unattended(QStringLiteral("service")), [this] {
                           if (m_told)
                               refreshOnAir();
                       });
    }
    m_desktopLine = new DesktopLine(&services.window);
    footer.addLine(m_desktopLine);
    m_desktop = services.timers.create(QStringLiteral("DesktopCheck"));
    m_desktop->setInterval(kDesktopPollMs);
    m_desktop->setHandler([this] { refreshDesktop(); });
    m_desktop->start();
    refreshDesktop();
    offerUserService();
    registerCommands();
}

ServiceModule::~ServiceModule() = default;

void ServiceModule::started()
{
    if (m_ready)
        m_ready->start();
}

void ServiceModule::stopping()
{
    if (m_ready)
        m_ready->stop();
    m_told = false;
    m_notifier->stopping();
}

void ServiceModule::refreshOnAir()
{
    m_notifier->setStatus(onAirSummary(m_onAir.now()));
}

void ServiceModule::refreshDesktop()
{
    m_desktopLine->setMissing(probeDesktop().missing());
}

void ServiceModule::offerUserService()
{
    // Where the user's own systemd runs, the program can run as its service (restarted by the
    // watchdog) instead of, or beside, the autostart entry the button writes.
    if (!DesktopFacts::userSystemdRuns(QProcessEnvironment::systemEnvironment()))
        return;
    m_footer.addBeside(m_footer.autostartButton(), userServiceHint());
}

void ServiceModule::registerCommands()
{
    ControlServer& c = m_services.control;
    c.addStatus(QStringLiteral("desktop"), [] { return QJsonValue(probeDesktop().toJson()); });
    // Whether a service manager runs this copy (a copy of the autostart entry then leaves it be).
    c.addStatus(QStringLiteral("service"), [this] { return QJsonValue(m_notifier->status()); });
}

}  // namespace velumo
