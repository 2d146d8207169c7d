#include "paneldock.h"

#include <QAction>
#include <QMenu>

#include "base/guard.h"
#include "panel/controlpanel.h"
#include "ui/settingswindow.h"

namespace velumo {

PanelDock::PanelDock(SettingsWindow& main, ControlPanel& panel, Notifier& notifier)
    : QDockWidget(&main), m_main(main), m_panel(panel), m_panelAlive(&panel), m_notifier(notifier)
{
    setObjectName(QStringLiteral("PanelDock"));
    setWindowTitle(m_panel.windowTitle());
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    // Dragged from one side to the other. No close box (the panel goes to the notification
    // area, not away) and no floating dock: floating, the panel is its own window again.
    setFeatures(QDockWidget::DockWidgetMovable);
    hide();
    m_toggle = m_panel.popupMenu()->addAction(QString::fromUtf8(kDockCaption));
    m_toggle->setObjectName(QStringLiteral("NDock"));
    connectGuarded(m_toggle, &QAction::triggered, this,
                   Origin::byOperator(QStringLiteral("paneldock")),
                   [this] { guarded(m_notifier, [this] { toggle(); }); });
}

PanelDock::~PanelDock()
{
    // The panel outlives its dock: it leaves it before the dock goes.
    if (m_docked && m_panelAlive && m_panel.parent() == this)
        m_panel.setParent(nullptr, ControlPanel::kWindowFlags);
}

PanelDockPlace::Side PanelDock::side() const
{
    if (!m_docked)
        return PanelDockPlace::Side::Floating;
    return m_main.dockWidgetArea(const_cast<PanelDock*>(this)) == Qt::LeftDockWidgetArea
               ? PanelDockPlace::Side::Left
               : PanelDockPlace::Side::Right;
}

QPoint PanelDock::floatingPosition() const
{
    return m_docked ? m_floatingPosition : m_panel.pos();
}

void PanelDock::moveFloating(const QPoint& position)
{
    if (m_docked)
        m_floatingPosition = position;
    else
        m_panel.move(position);
}

void PanelDock::place(PanelDockPlace::Side side)
{
    switch (side) {
        case PanelDockPlace::Side::Left:
            dockTo(Qt::LeftDockWidgetArea);
            break;
        case PanelDockPlace::Side::Right:
            dockTo(Qt::RightDockWidgetArea);
            break;
        case PanelDockPlace::Side::Floating:
            floatPanel();
            break;
    }
}

void PanelDock::dockTo(Qt::DockWidgetArea area)
{
    if (!m_docked) {
        m_floatingPosition = m_panel.pos();
        setWidget(&m_panel);  // takes the panel in as a child widget
        m_docked = true;
        m_panel.show();
    }
    m_main.addDockWidget(area, this);
    show();
    updateAction();
}

void PanelDock::floatPanel()
{
    if (!m_docked)
        return;
    m_docked = false;
    const bool shown = !m_panel.isHidden();
    setWidget(nullptr);
    m_panel.setParent(nullptr, ControlPanel::kWindowFlags);
    m_panel.resize(ControlPanel::kSize);
    m_panel.move(m_floatingPosition);
    m_main.removeDockWidget(this);
    hide();
    if (shown)
        m_panel.show();
    updateAction();
}

void PanelDock::toggle()
{
    if (m_docked)
        floatPanel();
    else
        dockTo(Qt::RightDockWidgetArea);
    if (m_docked && !m_main.isVisible()) {
        m_main.showNormal();
        m_main.raise();
    }
}

void PanelDock::updateAction()
{
    m_toggle->setText(QString::fromUtf8(m_docked ? kFloatCaption : kDockCaption));
}

}  // namespace velumo
