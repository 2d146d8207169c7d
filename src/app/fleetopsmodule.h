#pragma once

#include <QByteArray>
#include <functional>
#include <memory>

#include "app/services.h"

namespace velumo {

class Accessories;
class AlarmMonitor;
class MetricsServer;
class OnAirModel;
class PlayerStation;
class RepaintWatch;
class ScreenshotService;
class StationMetrics;
class StripPaintFilter;
class TickerStation;
class WindowScreenshot;
class Worker;

// What the station tells about itself: its alarms (status member "alarms", "alarm" events),
// its metrics endpoint (the [metrics] section of fleet.ini), and its screenshot (control
// command "screenshot [FILE]").
//
// The fleet link feeds alarms().setSpoolFill(), metrics().setSpoolDepth() and
// metrics().setLinkState(), and publishes screenshotPng() (to be called on the link's own
// thread: the picture is composed on the user-interface thread, encoded on the caller's).
class FleetOpsModule {
public:
    // alertBand: the alert band's window, over every other in the screenshot (null: none).
    FleetOpsModule(const Services& services, const OnAirModel& onAir, TickerStation& ticker,
                   Accessories& accessories, PlayerStation& players, QWidget* alertBand = nullptr);
    ~FleetOpsModule();

    AlarmMonitor& alarms() { return *m_alarms; }
    StationMetrics& metrics() { return *m_metrics; }
    std::function<QByteArray()> screenshotPng();
    // Makes the PNG and hands it to done later on this thread; empty when there is no picture.
    void screenshot(std::function<void(const QByteArray& png)> done);

private:
    const Services& m_services;
    std::unique_ptr<RepaintWatch> m_repaints;
    std::unique_ptr<StripPaintFilter> m_stripFilter;
    std::unique_ptr<Worker> m_worker;
    std::unique_ptr<AlarmMonitor> m_alarms;
    std::unique_ptr<StationMetrics> m_metrics;
    std::unique_ptr<MetricsServer> m_server;
    std::unique_ptr<WindowScreenshot> m_screens;
    std::unique_ptr<ScreenshotService> m_screenshot;
};

}  // namespace velumo
