#include "windowtitles.h"

#include <xcb/xcb.h>
#include <QGuiApplication>

#include <memory>

namespace velumo {

namespace {

constexpr int kMaxTitle = 128;

struct FreeReply {
    void operator()(void* reply) const { free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QString title(xcb_connection_t* c, xcb_window_t window, xcb_atom_t netName, xcb_atom_t utf8)
{
    for (const auto& [property, type] :
         {std::pair{netName, utf8},
          std::pair{xcb_atom_t(XCB_ATOM_WM_NAME), xcb_atom_t(XCB_ATOM_ANY)}}) {
        if (property == XCB_ATOM_NONE)
            continue;
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, property, type, 0, kMaxTitle), nullptr));
        if (!reply)
            continue;
        const int length = xcb_get_property_value_length(reply.get());
        if (length > 0)
            return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                     length)
                .left(kMaxTitle);
    }
    return QString();
}

}  // namespace

QStringList topLevelWindowTitles()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return {};
    xcb_connection_t* c = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
        return {};
    const xcb_atom_t netName = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    const xcb_atom_t clientList = atom(c, "_NET_CLIENT_LIST");

    std::vector<xcb_window_t> windows;
    if (clientList != XCB_ATOM_NONE) {
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, screen->root, clientList, XCB_ATOM_WINDOW, 0, 4096),
            nullptr));
        if (reply && reply->format == 32) {
            const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
            windows.assign(ids, ids + xcb_get_property_value_length(reply.get()) / 4);
        }
    }
    const bool managed = !windows.empty();
    if (!managed) {
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, screen->root), nullptr));
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            windows.assign(children, children + xcb_query_tree_children_length(tree.get()));
        }
    }
    QStringList titles;
    for (xcb_window_t window : windows) {
        if (!managed) {
            // Unmapped children are hidden windows (our own among them).
            Reply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
            if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
                continue;
        }
        const QString text = title(c, window, netName, utf8);
        if (!text.trimmed().isEmpty())
            titles.append(text);
    }
    return titles;
}

}  // namespace velumo
