#include "desktopfacts.h"

#include <QFileInfo>
#include <QJsonArray>

namespace velumo {

QStringList DesktopFacts::missing() const
{
    QStringList texts;
    if (!tray)
        texts.append(QString::fromUtf8(kNoTray));
    if (!compositor)
        texts.append(QString::fromUtf8(kNoCompositor));
    if (session == QLatin1String("wayland"))
        texts.append(QString::fromUtf8(kWayland));
    return texts;
}

QJsonObject DesktopFacts::toJson() const
{
    return QJsonObject{{QStringLiteral("tray"), tray},
                       {QStringLiteral("compositor"), compositor},
                       {QStringLiteral("session"), session},
                       {QStringLiteral("missing"), QJsonArray::fromStringList(missing())}};
}

QString DesktopFacts::sessionOf(const QProcessEnvironment& environment)
{
    const QString type = environment.value(QStringLiteral("XDG_SESSION_TYPE")).trimmed().toLower();
    if (!type.isEmpty())
        return type;
    if (!environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return QStringLiteral("wayland");
    if (!environment.value(QStringLiteral("DISPLAY")).isEmpty())
        return QStringLiteral("x11");
    return QStringLiteral("unknown");
}

bool DesktopFacts::userSystemdRuns(const QProcessEnvironment& environment)
{
    const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
    return !runtime.isEmpty() && QFileInfo(runtime + QLatin1String("/systemd")).isDir();
}

}  // namespace velumo
