#include "panelplacement.h"

namespace velumo {

namespace {

qint64 overlap(const QRect& a, const QRect& b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : qint64(both.width()) * both.height();
}

}  // namespace

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

}  // namespace velumo
