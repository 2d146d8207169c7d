#include "accessorygeometry.h"

#include <QFontMetrics>

#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "ticker/announcementpicture.h"
#include "ticker/tickerfont.h"

namespace velumo {

namespace {

int numberOrDesign(const Settings& settings, const char* name)
{
    const QString key = QString::fromLatin1(name);
    return strToIntDef(settings.text(key),
                       strToIntDef(QString::fromLatin1(settings.entry(key).defaultValue), 0));
}

}  // namespace

QRect stripRect(const Settings& settings)
{
    const int heightPx =
        QFontMetrics(tickerFont(settings)).height() + AnnouncementPicture::kExtraHeightPx;
    return QRect(numberOrDesign(settings, key::SCEdit45), numberOrDesign(settings, key::SCEdit43),
                 qMax(1, numberOrDesign(settings, key::SCEdit77)), heightPx);
}

int clockLeft(const Settings& settings)
{
    return settings.integer(key::SCEdit17) + settings.integer(key::SCEdit45);
}

int clockLeft(const Settings& settings, int stripLeft)
{
    return settings.integer(key::SCEdit17) + stripLeft;
}

QPoint clockPosition(const Settings& settings, int stripLeft)
{
    const int left = clockLeft(settings, stripLeft);
    return QPoint(left, settings.integer(key::SCEdit16));
}

QRect iconGeometry(const Settings& settings)
{
    const int left = settings.integer(key::SCEdit28) + settings.integer(key::SCEdit45);
    const int top = settings.integer(key::SCEdit27);
    const int width = settings.integer(key::SCEdit30);
    const int height = settings.integer(key::SCEdit29);
    return QRect(left, top, width, height);
}

QRect iconGeometry(const Settings& settings, int stripLeft)
{
    const QPoint topLeft = iconPosition(settings, stripLeft);
    const int width = settings.integer(key::SCEdit30);
    const int height = settings.integer(key::SCEdit29);
    return QRect(topLeft, QSize(width, height));
}

QPoint iconPosition(const Settings& settings, int stripLeft)
{
    const int left = settings.integer(key::SCEdit28) + stripLeft;
    return QPoint(left, settings.integer(key::SCEdit27));
}

QRect stripWithClock(const Settings& settings, int stripHeight)
{
    QRect strip = stripRect(settings);
    strip.setHeight(stripHeight);
    const QRect clock(clockPosition(settings, strip.left()), QSize(1, stripHeight));
    if (clock.intersects(strip.adjusted(0, -2 * stripHeight, 0, 2 * stripHeight)))
        strip = strip.united(QRect(strip.left(), clock.top(), strip.width(), stripHeight));
    return strip;
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
