#include "mainpagebar.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QToolBar>

#include "ui/settingswindow.h"

namespace velumo::mainpagebar {

QToolBar* toolBar(const SettingsWindow& window)
{
    return window.findChild<QToolBar*>(QString::fromLatin1(kToolBarName),
                                       Qt::FindDirectChildrenOnly);
}

QPushButton* addButton(SettingsWindow& window, const QString& name, const QString& caption,
                       const QString& hint, bool atRight)
{
    QToolBar* bar = toolBar(window);
    auto* button = new QPushButton(caption, bar);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::TabFocus);
    QAction* spacer = nullptr;
    for (QAction* action : bar->actions())
        if (QWidget* widget = bar->widgetForAction(action);
            widget && widget->objectName() == QLatin1String(kToolBarSpacerName))
            spacer = action;
    if (atRight || !spacer)
        bar->addWidget(button);
    else
        bar->insertWidget(spacer, button);
    return button;
}

QHBoxLayout* counterRow(const QGroupBox* group)
{
    return group ? group->findChild<QHBoxLayout*>(QString::fromLatin1(kCounterRowName)) : nullptr;
}

}  // namespace velumo::mainpagebar
