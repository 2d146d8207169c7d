#include "desktopprobe.h"

#include <xcb/xcb.h>
#include <QByteArray>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <cstdlib>
#include <memory>

namespace velumo {

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// The screen number of $DISPLAY (":0.1" → 1); the program's windows go there.
int displayScreen()
{
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype dot = display.lastIndexOf('.');
    const qsizetype colon = display.lastIndexOf(':');
    if (dot < 0 || dot < colon)
        return 0;
    bool ok = false;
    const int screen = display.mid(dot + 1).toInt(&ok);
    return ok ? screen : 0;
}

}  // namespace

bool compositorRuns()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    // A Wayland display server composites whatever it shows.
    if (!x11 || !x11->connection())
        return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    xcb_connection_t* c = x11->connection();
    // A compositing manager owns the selection _NET_WM_CM_S<n> of the screen it composites.
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(displayScreen());
    Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.constData()), nullptr));
    if (!atom)
        return false;
    Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr));
    return owner && owner->owner != XCB_NONE;
}

DesktopFacts probeDesktop()
{
    DesktopFacts facts;
    facts.tray = QSystemTrayIcon::isSystemTrayAvailable();
    facts.compositor = compositorRuns();
    facts.session = DesktopFacts::sessionOf(QProcessEnvironment::systemEnvironment());
    return facts;
}

}  // namespace velumo
