#include "fleetopsmodule.h"

#include <QEvent>
#include <QScreen>

#include "app/accessoriesmodule.h"
#include "app/playersmodule.h"
#include "app/tickermodule.h"
#include "base/clock.h"
#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "base/worker.h"
#include "fleet/alarmmonitor.h"
#include "fleet/fleetconfig.h"
#include "fleet/metricsserver.h"
#include "fleet/repaintwatch.h"
#include "fleet/screenshotservice.h"
#include "fleet/stationmetrics.h"
#include "panel/clockwindow.h"
#include "panel/iconwindow.h"
#include "players/capturewindow.h"
#include "players/clipwindow.h"
#include "players/flashwindow.h"
#include "players/slideshowwindow.h"
#include "players/titleswindow.h"
#include "players/webwindow.h"
#include "ticker/stripwindow.h"
#include "ticker/tickerengine.h"
#include "ui/windowscreenshot.h"

namespace velumo {

namespace {

// How long a player's picture may stand still, and stay black, before it counts as frozen. A
// clip moves; a slide stands for its time; a web page or a titles window may stand for ever but
// should not stay black.
constexpr qint64 kClipStillMs = 20'000;
constexpr qint64 kSlideStillMs = 15 * 60'000;
constexpr qint64 kForeverMs = std::numeric_limits<qint64>::max();
constexpr qint64 kBlackMs = 20'000;

// A player's window is on air while it is shown on its screen: a stopped page stays shown,
// moved above the screen's top, and its picture is nobody's concern any more.
bool onAir(const QWidget* window)
{
    if (!window || !window->isVisible())
        return false;
    const QScreen* screen = window->screen();
    return !screen || screen->virtualGeometry().intersects(window->frameGeometry());
}

}  // namespace

// Sees the strip's repaints as they are delivered: a comparison and a clock reading a frame,
// and nothing in the strip itself changes.
class StripPaintFilter final : public QObject {
public:
    StripPaintFilter(StripWindow& strip, RepaintWatch& watch, const Clock& clock)
        : m_strip(strip), m_watch(watch), m_clock(clock)
    {
        m_strip.installEventFilter(this);  // plain: counts paints, nothing in it can throw
    }
    ~StripPaintFilter() override { m_strip.removeEventFilter(this); }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            m_watch.painted(m_strip.pictureLeft(), m_clock.monotonicMs());
        return false;
    }

private:
    StripWindow& m_strip;
    RepaintWatch& m_watch;
    const Clock& m_clock;
};

FleetOpsModule::FleetOpsModule(const Services& services, const OnAirModel& onAirModel,
                               TickerModule& ticker, AccessoriesModule& accessories,
                               PlayersModule& players, QWidget* alertBand)
    : m_services(services)
{
    m_repaints = std::make_unique<RepaintWatch>();
    m_stripFilter = std::make_unique<StripPaintFilter>(ticker.strip(), *m_repaints, services.clock);
    m_worker = std::make_unique<Worker>(QStringLiteral("fleetops"), Worker::Order::Serial, 1,
                                        &services.notifier, &services.log);

    TickerEngine& engine = ticker.engine();
    auto playerFrames = [&players] {
        std::vector<AlarmMonitor::PlayerFrame> frames;
        auto add = [&frames](QWidget* window, const QString& name, const QImage& frame,
                             qint64 stillMs) {
            if (onAir(window))
                frames.push_back({name, frame, stillMs, kBlackMs});
        };
        if (ClipWindow* clip = players.clipWindow())
            add(clip, QStringLiteral("clip"), clip->picture(), kClipStillMs);
        if (CaptureWindow* capture = players.captureWindow())
            add(capture, QStringLiteral("capture"), capture->picture(), kClipStillMs);
        if (SlideShowWindow* slides = players.slideShowWindow())
            add(slides, QStringLiteral("slides"), slides->picture(), kSlideStillMs);
        // A page is drawn by the browser: looked at only while it is on air.
        if (WebWindow* web = players.webWindow(); web && onAir(web))
            add(web, QStringLiteral("web"), web->grab().toImage(), kForeverMs);
        return frames;
    };
    m_alarms = std::make_unique<AlarmMonitor>(
        services.folder, services.log, services.clock, services.timers, m_worker.get(),
        AlarmMonitor::Sources{[&engine] { return engine.TickerRunning(); }, m_repaints.get(),
                              playerFrames, &AlarmMonitor::readSystemState});
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

    startConfiguredMetrics();
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

void FleetOpsModule::startConfiguredMetrics()
{
    // The one reader of fleet.ini: the link's part and this one are judged each on its own.
    const fleet::MetricsConfig metrics = fleet::readFleetConfig(m_services.folder).metrics;
    if (!metrics.error.isEmpty()) {
        m_services.log.write(QStringLiteral("error"),
                             QStringLiteral("Метрики не включены: ошибка в разделе [metrics] "
                                            "файла fleet.ini — %1")
                                 .arg(metrics.error));
        return;
    }
    if (metrics.port != 0)
        startMetrics(QHostAddress(metrics.address), metrics.port);
}

bool FleetOpsModule::startMetrics(const QHostAddress& address, quint16 port)
{
    m_server.reset();
    if (port == 0)
        return false;
    StationMetrics* metrics = m_metrics.get();
    m_server =
        std::make_unique<MetricsServer>(address, port, [metrics] { return metrics->text(); });
    if (m_server->listen())
        return true;
    m_services.log.write(QStringLiteral("fleet"), m_server->errorString());
    m_server.reset();
    return false;
}

quint16 FleetOpsModule::metricsPort() const
{
    return m_server ? m_server->port() : 0;
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
