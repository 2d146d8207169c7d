#include "stripwindow.h"

#include <QPainter>

#include "ticker/announcementpicture.h"

namespace velumo {

StripWindow::StripWindow(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                          Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("TForm4"));
    // Per-pixel alpha from the start: the strip colour can be made see-through at any time
    // without recreating the window; an opaque strip simply paints every pixel.
    setAttribute(Qt::WA_TranslucentBackground, true);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setFocusPolicy(Qt::NoFocus);
    resize(400, 40);
}

void StripWindow::setStripColour(const QColor& colour, bool transparent)
{
    if (colour == m_colour && transparent == m_transparent)
        return;
    m_colour = colour;
    m_transparent = transparent;
    update();
}

void StripWindow::setPicture(std::shared_ptr<AnnouncementPicture> picture)
{
    m_picture = std::move(picture);
    update();
}

void StripWindow::setPictureLeft(int left)
{
    if (left == m_left)
        return;
    m_left = left;
    update();
}

void StripWindow::paintEvent(QPaintEvent*)
{
    ++m_paints;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), m_transparent ? QColor(Qt::transparent) : m_colour);
    if (!m_picture)
        return;
    if (!m_transparent)
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_picture->paint(painter, m_left, kPictureTopPx, width());
}

}  // namespace velumo
