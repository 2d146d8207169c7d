#include "dvdsource.h"

#include <gst/gst.h>

#include <QByteArray>
#include <QString>
#include <cstring>
#include <mutex>

#include "players/clip/dvdfolder.h"

namespace velumo::dvdsource {

namespace {

// "source-setup" of a URI decoder: its address and the source it has made.
gboolean onSourceSetup(GSignalInvocationHint*, guint count, const GValue* values, gpointer)
{
    if (count < 2)
        return TRUE;
    GObject* decoder = G_OBJECT(g_value_get_object(&values[0]));
    GObject* source = G_OBJECT(g_value_get_object(&values[1]));
    if (!decoder || !source || std::strcmp(G_OBJECT_TYPE_NAME(source), "GstDvdReadSrc") != 0)
        return TRUE;
    gchar* uri = nullptr;
    g_object_get(decoder, "uri", &uri, nullptr);
    const QString address = QString::fromUtf8(uri);
    g_free(uri);
    const QString device = dvdfolder::deviceOfSource(address);
    const int title = dvdfolder::titleOfSource(address);
    if (!device.isEmpty() && title > 0)
        g_object_set(source, "device", device.toLocal8Bit().constData(), "title", title, nullptr);
    // The hook stays for the next decoder.
    return TRUE;
}

}  // namespace

void prepare()
{
    static std::mutex mutex;
    static bool hooked = false;
    const std::lock_guard lock(mutex);
    if (hooked || !gst_is_initialized())
        return;
    // The decoder's type is registered once its plugin has made one.
    GstElement* probe = gst_element_factory_make("uridecodebin", nullptr);
    if (!probe)
        return;
    const guint signal = g_signal_lookup("source-setup", G_OBJECT_TYPE(probe));
    gst_object_unref(probe);
    if (signal == 0)
        return;
    g_signal_add_emission_hook(signal, 0, onSourceSetup, nullptr, nullptr);
    // A dvd:// address goes to the reader of titles, not to the DVD navigator of plugins-bad
    // (ranked above it), which would start in the disc's menus.
    if (GstPluginFeature* reader = gst_registry_lookup_feature(gst_registry_get(), "dvdreadsrc")) {
        gst_plugin_feature_set_rank(reader, GST_RANK_PRIMARY + 1);
        gst_object_unref(reader);
    }
    hooked = true;
}

}  // namespace velumo::dvdsource
