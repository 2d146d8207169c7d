#include "panelplacement.h"

namespace velumo {

namespace {

// Between the main window and the panel beside it.
constexpr int kPanelGap = 8;

}  // namespace

qint64 overlap(const QRect& a, const QRect& b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : qint64(both.width()) * both.height();
}

QPoint firstPanelPosition(const QRect& screen, const QSize& panel, const QRect& strip,
                          const QList<QRect>& others)
{
    const int left = screen.left();
    const int top = screen.top();
    const int right = qMax(left, screen.right() + 1 - panel.width());
    const int bottom = qMax(top, screen.bottom() + 1 - panel.height());
    const int middleX = left + (right - left) / 2;
    const int middleY = top + (bottom - top) / 2;
    const QPoint candidates[] = {{right, bottom},  {left, bottom},    {right, top},
                                 {left, top},      {middleX, bottom}, {middleX, top},
                                 {right, middleY}, {left, middleY}};
    QPoint best = candidates[0];
    qint64 bestScore = -1;
    for (const QPoint& at : candidates) {
        const QRect placed(at, panel);
        // Covering the strip on air weighs far more than covering a settings window.
        qint64 score = overlap(placed, strip) * 1000;
        for (const QRect& other : others)
            score += overlap(placed, other);
        if (bestScore < 0 || score < bestScore) {
            best = at;
            bestScore = score;
        }
    }
    return best;
}

QRect firstMainWindowGeometry(const QRect& screen, const QSize& preferred, const QRect& strip,
                              const QSize& panel, QSize minimum)
{
    int width = qMin(preferred.width(), screen.width());
    const int besidePanel = screen.width() - panel.width() - kPanelGap;
    if (width > besidePanel && besidePanel >= minimum.width())
        width = besidePanel;
    const int minimumHeight = minimum.height();
    const QRect onScreen = strip.intersected(screen);
    QRect band = screen;
    if (!onScreen.isEmpty()) {
        const QRect above(screen.left(), screen.top(), screen.width(),
                          onScreen.top() - screen.top());
        const QRect below(screen.left(), onScreen.bottom() + 1, screen.width(),
                          screen.bottom() - onScreen.bottom());
        const QRect larger = above.height() >= below.height() ? above : below;
        if (larger.height() >= minimumHeight)
            band = larger;
    }
    return QRect(band.left(), band.top(), width, qMin(preferred.height(), band.height()));
}

}  // namespace velumo
