#include "firststartlayout.h"

#include <vector>

#include "base/settings.h"
#include "panel/panelplacement.h"
#include "ticker/accessorygeometry.h"

namespace velumo {

namespace {

// Between two windows placed beside each other.
constexpr int kGap = 8;

// The window moved onto the screen as far as it fits.
QPoint ontoScreen(const QRect& screen, const QSize& size, QPoint at)
{
    at.setX(qMax(screen.left(), qMin(at.x(), screen.right() + 1 - size.width())));
    at.setY(qMax(screen.top(), qMin(at.y(), screen.bottom() + 1 - size.height())));
    return at;
}

// The main window: in the free band beside the strip that holds it best. A band that takes the
// minimum size wins over one that does not; among equals the larger window wins, and a window
// as wide as the minimum beats a narrower one.
QRect mainWindow(const QRect& screen, const QRect& strip, const FirstStartSizes& sizes)
{
    int width = qMin(sizes.mainPreferred.width(), screen.width());
    const int besidePanel = screen.width() - sizes.panel.width() - kGap;
    if (width > besidePanel && besidePanel >= sizes.mainMinimum.width())
        width = besidePanel;
    const QSize wanted(width, qMin(sizes.mainPreferred.height(), screen.height()));
    const QRect onScreen = strip.intersected(screen);
    if (onScreen.isEmpty())
        return QRect(screen.topLeft(), wanted);
    const QRect bands[] = {
        QRect(QPoint(screen.left(), screen.top()), QPoint(screen.right(), onScreen.top() - 1)),
        QRect(QPoint(screen.left(), onScreen.bottom() + 1), screen.bottomRight()),
        QRect(screen.topLeft(), QPoint(onScreen.left() - 1, screen.bottom())),
        QRect(QPoint(onScreen.right() + 1, screen.top()), screen.bottomRight()),
    };
    QRect best;
    int bestTier = 4;
    qint64 bestArea = -1;
    for (const QRect& band : bands) {
        if (band.isEmpty())
            continue;
        const QRect placed(band.topLeft(), wanted.boundedTo(band.size()));
        const bool wideEnough = placed.width() >= qMin(wanted.width(), sizes.mainMinimum.width());
        const bool tallEnough =
            placed.height() >= qMin(wanted.height(), sizes.mainMinimum.height());
        const int tier = wideEnough && tallEnough ? 0 : wideEnough ? 1 : tallEnough ? 2 : 3;
        const qint64 area = qint64(placed.width()) * placed.height();
        if (tier < bestTier || (tier == bestTier && area > bestArea)) {
            best = placed;
            bestTier = tier;
            bestArea = area;
        }
    }
    return best.isEmpty() ? QRect(screen.topLeft(), wanted) : best;
}

}  // namespace

QPoint freePlace(const QRect& screen, const QSize& size, const QList<QRect>& taken,
                 const QPoint& preferred)
{
    std::vector<QPoint> candidates{preferred};
    const int right = screen.right() + 1 - size.width();
    const int bottom = screen.bottom() + 1 - size.height();
    for (const QPoint& corner : {QPoint(right, bottom), QPoint(right, screen.top()),
                                 QPoint(screen.left(), bottom), screen.topLeft()})
        candidates.push_back(corner);
    for (const QRect& t : taken) {
        const int besideRight = t.right() + 1 + kGap;
        const int besideLeft = t.left() - kGap - size.width();
        const int under = t.bottom() + 1 + kGap;
        const int over = t.top() - kGap - size.height();
        for (const QPoint& at :
             {QPoint(besideRight, t.top()), QPoint(besideRight, t.bottom() + 1 - size.height()),
              QPoint(besideLeft, t.top()), QPoint(besideLeft, t.bottom() + 1 - size.height()),
              QPoint(t.left(), under), QPoint(t.right() + 1 - size.width(), under),
              QPoint(t.left(), over), QPoint(t.right() + 1 - size.width(), over),
              QPoint(right, under), QPoint(screen.left(), under), QPoint(right, over),
              QPoint(screen.left(), over)})
            candidates.push_back(at);
    }
    QPoint best = ontoScreen(screen, size, preferred);
    qint64 bestScore = -1;
    for (const QPoint& candidate : candidates) {
        const QPoint at = ontoScreen(screen, size, candidate);
        // Beside, not touching: a gap is kept around every taken rectangle.
        const QRect placed = QRect(at, size).adjusted(-kGap / 2, -kGap / 2, kGap / 2, kGap / 2);
        qint64 score = 0;
        for (const QRect& t : taken)
            score += overlap(placed, t);
        if (bestScore < 0 || score < bestScore) {
            best = at;
            bestScore = score;
            if (score == 0)
                break;
        }
    }
    return best;
}

FirstStartWindows firstStartLayout(const QRect& screen, const QRect& strip,
                                   const FirstStartSizes& sizes)
{
    FirstStartWindows placed;
    placed.main = mainWindow(screen, strip, sizes);
    QList<QRect> taken{strip, placed.main};
    // The panel as anywhere it has no place of its own: off the strip first of all.
    placed.panel = firstPanelPosition(screen, sizes.panel, strip, {placed.main});
    taken.append(QRect(placed.panel, sizes.panel));
    placed.clock = freePlace(screen, sizes.clock, taken, sizes.clockDesign);
    taken.append(QRect(placed.clock, sizes.clock));
    placed.icon = freePlace(screen, sizes.icon, taken, sizes.iconDesign);
    return placed;
}

FirstStartPlan planFirstStart(Settings& settings, const QRect& screen, const QSize& mainPreferred,
                              const QSize& mainMinimum, const QSize& panel, const QSize& clock)
{
    const QRect strip = stripRect(settings);
    const QRect icon = iconGeometry(settings);
    FirstStartSizes sizes;
    sizes.mainPreferred = mainPreferred;
    sizes.mainMinimum = mainMinimum;
    sizes.panel = panel;
    sizes.clock = clock.expandedTo(QSize(1, strip.height()));
    sizes.icon = icon.size().expandedTo(QSize(1, 1));
    sizes.clockDesign = clockPosition(settings, strip.left());
    sizes.iconDesign = icon.topLeft();
    FirstStartPlan plan;
    plan.windows = firstStartLayout(screen, strip, sizes);
    // The clock and the icon window keep their places where those are free.
    plan.clockMoved = plan.windows.clock != sizes.clockDesign;
    if (plan.clockMoved)
        storeClockPlacement(settings, plan.windows.clock);
    plan.iconMoved = plan.windows.icon != sizes.iconDesign;
    if (plan.iconMoved)
        storeIconGeometry(settings, QRect(plan.windows.icon, icon.size()));
    return plan;
}

QPoint firstStartPanelPlace(const Settings& settings, const QRect& screen,
                            const QSize& mainPreferred, const QSize& mainMinimum,
                            const QSize& panel)
{
    const QRect strip = stripRect(settings);
    FirstStartSizes sizes;
    sizes.mainPreferred = mainPreferred;
    sizes.mainMinimum = mainMinimum;
    sizes.panel = panel;
    return firstPanelPosition(screen, panel, strip, {mainWindow(screen, strip, sizes)});
}

}  // namespace velumo
