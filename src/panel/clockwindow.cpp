#include "clockwindow.h"

#include <QPainter>
#include <QShowEvent>

#include "base/guard.h"
#include "panel/bordermenu.h"
#include "ticker/accessorygeometry.h"

namespace velumo {

QImage withTransparentColour(const QImage& image, const QColor& key)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb match = key.rgb() & RGB_MASK;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & RGB_MASK) == match)
                line[x] = 0;
    }
    return out;
}

ClockWindow::ClockWindow(Settings& settings, Notifier& notifier, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                          Qt::WindowDoesNotAcceptFocus),
      m_settings(settings),
      m_notifier(notifier)
{
    setObjectName(QStringLiteral("Tclockfor"));
    setAttribute(Qt::WA_TranslucentBackground);
    resize(307, 90);
    m_borderMenu = new BorderMenu(this, notifier, [this](const QRect& geometry) {
        storeClockPlacement(m_settings, geometry.topLeft());
    });
}

void ClockWindow::showClock(const QImage& image, const QSize& windowSize)
{
    m_image = image;
    updateShown();
    resize(windowSize);
    update();
}

void ClockWindow::setBackgroundColour(const QColor& colour)
{
    m_background = colour;
    update();
}

void ClockWindow::setTransparentColour(const QColor& colour, bool enabled)
{
    m_transparent = colour;
    m_transparentOn = enabled;
    updateShown();
    update();
}

void ClockWindow::updateShown()
{
    m_shown = m_transparentOn && !m_image.isNull() ? withTransparentColour(m_image, m_transparent)
                                                   : m_image;
}

void ClockWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const bool keyed = m_transparentOn && m_background.rgb() == m_transparent.rgb();
    painter.fillRect(rect(), keyed ? QColor(Qt::transparent) : m_background);
    painter.drawImage(QPoint(0, kPictureTopPx), m_shown);
}

void ClockWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    // Left follows the strip's left edge; the top is set by whoever shows the window.
    guarded(m_notifier, [this] { move(clockLeft(m_settings), y()); });
}

}  // namespace velumo
