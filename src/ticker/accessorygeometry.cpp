#include "accessorygeometry.h"

#include "base/settings.h"
#include "base/settingskeys.h"

namespace velumo {

int clockLeft(const Settings& settings)
{
    return settings.integer(key::SCEdit17) + settings.integer(key::SCEdit45);
}

QRect iconGeometry(const Settings& settings)
{
    const int left = settings.integer(key::SCEdit28) + settings.integer(key::SCEdit45);
    const int top = settings.integer(key::SCEdit27);
    const int width = settings.integer(key::SCEdit30);
    const int height = settings.integer(key::SCEdit29);
    return QRect(left, top, width, height);
}

void storeClockPlacement(Settings& settings, const QPoint& topLeft)
{
    const int stripLeft = settings.integer(key::SCEdit45);
    settings.setText(key::SCEdit16, QString::number(topLeft.y()));
    settings.setText(key::SCEdit17, QString::number(topLeft.x() - stripLeft));
}

void storeIconGeometry(Settings& settings, const QRect& geometry)
{
    const int stripLeft = settings.integer(key::SCEdit45);
    settings.setText(key::SCEdit27, QString::number(geometry.top()));
    settings.setText(key::SCEdit28, QString::number(geometry.left() - stripLeft));
    settings.setText(key::SCEdit30, QString::number(geometry.width()));
    settings.setText(key::SCEdit29, QString::number(geometry.height()));
}

void storeStripGeometry(Settings& settings, const QRect& geometry)
{
    settings.setText(key::SCEdit43, QString::number(geometry.top()));
    settings.setText(key::SCEdit45, QString::number(geometry.left()));
    settings.setText(key::SCEdit77, QString::number(geometry.width()));
}

}  // namespace velumo
