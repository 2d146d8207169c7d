#pragma once

#include <QObject>
#include <memory>

#include "app/services.h"
#include "system/desktopfacts.h"

namespace velumo {

class DesktopLine;
class MainFooter;
class OnAirModel;
class ServiceNotifier;
class Timer;

// The program as a systemd user service and on its desktop: the notify protocol (ready once the
// control channel answers, what is on air as the on-air model announces it, stopping at the
// end, the watchdog from the user-interface thread), the "desktop" status member with the line
// under the main window's pages that names what the desktop lacks, and the hint beside the
// autostart button where a user service can be enabled.
class ServiceModule {
public:
    // The desktop's line and the service's hint go into footer.
    ServiceModule(const Services& services, const OnAirModel& onAir, MainFooter& footer);
    ~ServiceModule();

    // Start-up is done: READY=1 on the next turn of the event loop, when "status" is answered.
    void started();
    // The program ends: STOPPING=1, no more pings.
    void stopping();

    static constexpr int kDesktopPollMs = 10000;

private:
    void refreshOnAir();
    void refreshDesktop();
    void offerUserService();
    void registerCommands();

    const Services& m_services;
    const OnAirModel& m_onAir;
    MainFooter& m_footer;
    std::unique_ptr<ServiceNotifier> m_notifier;
    std::unique_ptr<Timer> m_ready;
    // READY=1 has gone: the status line follows what is on air.
    bool m_told = false;
    // The connections of this module end with it.
    QObject m_connections;
    std::unique_ptr<Timer> m_desktop;
    DesktopLine* m_desktopLine = nullptr;
};

}  // namespace velumo
