#include "windowscreenshot.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace velumo {

WindowScreenshot::WindowScreenshot(std::function<std::vector<QWidget*>()> windows)
    : m_windows(std::move(windows))
{
}

QImage WindowScreenshot::compose(int maxWidth)
{
    std::vector<QWidget*> shown;
    for (QWidget* window : m_windows())
        if (window && window->isVisible())
            shown.push_back(window);
    QScreen* screen = shown.empty() ? nullptr : shown.front()->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRect area = screen->geometry();
    const double scale = area.width() > maxWidth ? double(maxWidth) / area.width() : 1.0;
    QImage picture(qRound(area.width() * scale), qRound(area.height() * scale),
                   QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(scale, scale);
    for (QWidget* window : shown) {
        const QRect place = window->geometry();
        if (!place.intersects(area))
            continue;
        // The window paints itself into a pixmap: a see-through strip keeps its alpha and lets
        // the window below show, as a compositor would.
        painter.drawPixmap(place.topLeft() - area.topLeft(), window->grab());
    }
    return picture;
}

}  // namespace velumo
