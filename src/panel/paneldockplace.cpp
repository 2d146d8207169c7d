#include "paneldockplace.h"

#include <QFileInfo>
#include <QSettings>

#include "base/failure.h"

namespace velumo {

namespace {

const QString kKey = QStringLiteral("panel/dock");

}  // namespace

QString PanelDockPlace::name(Side side)
{
    switch (side) {
        case Side::Left:
            return QStringLiteral("left");
        case Side::Right:
            return QStringLiteral("right");
        case Side::Floating:
            break;
    }
    return QStringLiteral("floating");
}

PanelDockPlace::Side PanelDockPlace::fromName(const QString& name)
{
    const QString side = name.trimmed().toLower();
    if (side == u"left")
        return Side::Left;
    if (side == u"right")
        return Side::Right;
    return Side::Floating;
}

PanelDockPlace::Side PanelDockPlace::load(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return Side::Floating;
    const QSettings ini(path, QSettings::IniFormat);
    return fromName(ini.value(kKey).toString());
}

void PanelDockPlace::save(const QString& path, Side side)
{
    QSettings ini(path, QSettings::IniFormat);
    ini.setValue(kKey, name(side));
    ini.sync();
    if (ini.status() != QSettings::NoError)
        throw Failure(QStringLiteral("Не удалось записать %1").arg(path));
}

}  // namespace velumo
