#include "fleetopsmodule.h"

#include "base/clock.h"
#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "base/worker.h"
#include "fleet/alarmmonitor.h"
#include "fleet/gui/stationwatch.h"
#include "fleet/metricsserver.h"
#include "fleet/repaintwatch.h"
#include "fleet/screenshotservice.h"
#include "fleet/stationmetrics.h"
#include "panel/accessories.h"
#include "panel/clockwindow.h"
#include "panel/iconwindow.h"
#include "players/capture/capturewindow.h"
#include "players/clip/clipwindow.h"
#include "players/playerstation.h"
#include "players/slides/slideshowwindow.h"
#include "players/titleswindow.h"
#include "players/web/flashwindow.h"
#include "players/web/webwindow.h"
#include "ticker/stripwindow.h"
#include "ticker/tickerengine.h"
#include "ticker/tickerstation.h"
#include "ui/windowscreenshot.h"

namespace velumo {

FleetOpsModule::FleetOpsModule(const Services& services, const OnAirModel& onAirModel,
                               TickerStation& ticker, Accessories& accessories,
                               PlayerStation& players, QWidget* alertBand)
    : m_services(services)
{
    m_repaints = std::make_unique<RepaintWatch>();
    m_stripFilter = std::make_unique<StripPaintFilter>(ticker.strip(), *m_repaints, services.clock);
    m_worker = std::make_unique<Worker>(QStringLiteral("fleetops"), Worker::Order::Serial, 1,
                                        &services.notifier, &services.log);

    TickerEngine& engine = ticker.engine();
    m_alarms = std::make_unique<AlarmMonitor>(
        services.folder, services.log, services.clock, services.timers, m_worker.get(),
        AlarmMonitor::Sources{[&engine] { return engine.TickerRunning(); }, m_repaints.get(),
                              playerFrames([&players] {
                                  return WatchedPlayers{
                                      players.clipWindow(), players.captureWindow(),
                                      players.slideShowWindow(), players.webWindow()};
                              }),
                              &AlarmMonitor::readSystemState});
    services.control.addStatus(QStringLiteral("alarms"),
                               [this] { return QJsonValue(m_alarms->status()); });

    m_metrics = std::make_unique<StationMetrics>(services.log, onAirModel, m_repaints.get(),
                                                 m_alarms.get());

    m_screens = std::make_unique<WindowScreenshot>([&ticker, &accessories, &players, alertBand] {
        return std::vector<QWidget*>{players.clipWindow(),      players.captureWindow(),
                                     players.slideShowWindow(), players.webWindow(),
                                     players.flashWindow(),     players.titlesWindow(),
                                     &ticker.strip(),           accessories.clockWindow(),
                                     accessories.iconWindow(),  alertBand};
    });
    m_screenshot = std::make_unique<ScreenshotService>(services.folder, *m_screens, *m_worker);
    m_screenshot->addControl(services.control);

    m_server = MetricsServer::startConfigured(
        services.folder, [metrics = m_metrics.get()] { return metrics->text(); }, services.log);
}

FleetOpsModule::~FleetOpsModule()
{
    m_server.reset();
    m_worker->shutDown();
    m_screenshot.reset();
    m_metrics.reset();
    m_alarms.reset();
    m_stripFilter.reset();
}

void FleetOpsModule::screenshot(std::function<void(const QByteArray& png)> done)
{
    m_screenshot->capture([done = std::move(done)](const JobResult<QByteArray>& result) {
        done(result.ok() ? *result.value : QByteArray());
    });
}

std::function<QByteArray()> FleetOpsModule::screenshotPng()
{
    return m_screenshot->pngSource();
}

}  // namespace velumo
