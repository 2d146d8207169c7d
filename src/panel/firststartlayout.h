#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace velumo {

class Settings;

// Where a first start (no stored window positions) puts the program's windows around the strip
// on air: every one of them on the screen, none over the strip or over another. The main
// window is never larger than the screen's free band it stands in; its pages scroll instead.
struct FirstStartSizes {
    QSize mainPreferred;  // the main window as the screen allows it (SettingsWindow)
    QSize mainMinimum;    // the smallest band it takes before it goes for a larger one
    QSize panel;
    QSize clock;
    QSize icon;
    QPoint clockDesign;  // where the settings put the clock and the icon: kept when free
    QPoint iconDesign;
};

struct FirstStartWindows {
    QRect main;
    QPoint panel;
    QPoint clock;
    QPoint icon;
};

FirstStartWindows firstStartLayout(const QRect& screen, const QRect& strip,
                                   const FirstStartSizes& sizes);

// A first start from the settings: the strip where they put it on air (stripRect), the clock's
// and the icon window's places as their fields give them. A clock or icon place that had to
// move is stored in its fields (relative to the strip, as the frame's switch-off stores it); the
// caller moves the main window, the clock and the icon window; the panel goes to
// firstStartPanelPlace. Throws Failure for a field that is not a number.
struct FirstStartPlan {
    FirstStartWindows windows;
    bool clockMoved = false;
    bool iconMoved = false;
};
FirstStartPlan planFirstStart(Settings& settings, const QRect& screen, const QSize& mainPreferred,
                              const QSize& mainMinimum, const QSize& panel, const QSize& clock);

// The panel's place in the same first start's layout: firstPanelPosition, clear of the strip
// and of the main window where the layout puts it. Throws as planFirstStart.
QPoint firstStartPanelPlace(const Settings& settings, const QRect& screen,
                            const QSize& mainPreferred, const QSize& mainMinimum,
                            const QSize& panel);

// A place for a window of that size on the screen that covers none of the taken rectangles:
// the preferred place when it is free, else one beside a taken rectangle or in a corner; when
// none is free, the one that covers least.
QPoint freePlace(const QRect& screen, const QSize& size, const QList<QRect>& taken,
                 const QPoint& preferred);

}  // namespace velumo
