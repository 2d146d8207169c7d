#include "mainpagebar.h"

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
                       const QString& hint)
{
    QToolBar* bar = toolBar(window);
    auto* button = new QPushButton(caption, bar);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::TabFocus);
    bar->addWidget(button);
    return button;
}

QHBoxLayout* counterRow(const QGroupBox* group)
{
    return group ? group->findChild<QHBoxLayout*>(QString::fromLatin1(kCounterRowName)) : nullptr;
}

}  // namespace velumo::mainpagebar
