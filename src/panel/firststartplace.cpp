#include "firststartplace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "panel/controlpanel.h"
#include "panel/firststartlayout.h"
#include "ui/settingswindow.h"

namespace velumo {

void placeOnFirstStart(Settings& settings, QWidget& main, const QWidget& panel, QWidget& clock,
                       QWidget& icon, QSize mainMinimum, int clockWidth)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const FirstStartPlan plan =
        planFirstStart(settings, available, SettingsWindow::initialSize(available.size()),
                       mainMinimum, panel.frameSize().expandedTo(ControlPanel::kSize),
                       clock.frameSize().expandedTo(QSize(clockWidth, 1)));
    main.resize(plan.windows.main.size());
    main.move(plan.windows.main.topLeft());
    if (plan.clockMoved)
        clock.move(plan.windows.clock);
    if (plan.iconMoved)
        icon.move(plan.windows.icon);
}

}  // namespace velumo
