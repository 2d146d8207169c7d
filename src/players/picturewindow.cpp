#include "picturewindow.h"

#include <QPainter>
#include <QRegion>
#include <QResizeEvent>

namespace velumo {

PictureWindow::PictureWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    resize(300, 400);
}

void PictureWindow::setPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void PictureWindow::blank()
{
    m_picture = QImage();
    update();
}

void PictureWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_picture.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // The decks deliver pictures scaled for the window; one of another size is fitted here.
    QSize size = m_picture.size();
    if (size.width() > width() || size.height() > height() ||
        (size.width() != width() && size.height() != height()))
        size.scale(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    // Only the bars around the picture are painted black.
    const QRegion bars = QRegion(rect()).subtracted(target);
    for (const QRect& bar : bars)
        painter.fillRect(bar, Qt::black);
    painter.drawImage(target, m_picture);
}

void PictureWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit resized(event->size());
}

}  // namespace velumo
