#include "accessorywindows.h"

#include <QJsonObject>

#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "panel/clockticker.h"
#include "panel/clockwindow.h"
#include "panel/iconslots.h"
#include "panel/iconwindow.h"
#include "ticker/accessorygeometry.h"
#include "ticker/stripwindow.h"

namespace velumo {

AccessoryWindows::AccessoryWindows(ClockWindow& clock, IconWindow& icon, ClockTicker& ticker)
    : m_clock(clock), m_icon(icon), m_ticker(ticker)
{
}

void AccessoryWindows::followStrip(const TickerLayout& layout)
{
    m_clock.setBackgroundColour(layout.stripColour);
    m_clock.setTransparentColour(layout.stripColour, layout.transparent);
    m_icon.setBackgroundColour(layout.stripColour);
    m_icon.setTransparentColour(layout.stripColour, layout.transparent);
    const QSize clockSize = m_ticker.labelSize();
    if (clockSize.isValid() && !clockSize.isEmpty())
        m_clock.resize(clockSize);
}

void AccessoryWindows::place(const Settings& settings, StripWindow& strip)
{
    strip.resize(stripRect(settings).width(), strip.height());
    m_clock.move(clockLeft(settings, strip.x()), m_clock.y());
    m_icon.move(iconPosition(settings, strip.x()));
    m_clock.move(m_clock.x(), settings.integer(key::SCEdit16));
}

void AccessoryWindows::addCommands(ControlServer& c, IconSlots& icons)
{
    c.addCommand(QStringLiteral("vibor"), [&icons](const QString& index) {
        icons.vibor(strToInt(index));
        return QString();
    });
    c.addStatus(QStringLiteral("clock"), [this] {
        return QJsonValue(QJsonObject{
            {QStringLiteral("text"), m_ticker.ClockText()},
            {QStringLiteral("string"), m_ticker.clockString()},
            {QStringLiteral("redraw_counter"), m_ticker.ClockRedrawCounter()},
            {QStringLiteral("visible"), m_clock.isVisible()},
            {QStringLiteral("icon_visible"), m_icon.isVisible()},
        });
    });
}

}  // namespace velumo
