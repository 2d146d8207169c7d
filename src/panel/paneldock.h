#pragma once

#include <QDockWidget>
#include <QPoint>
#include <QPointer>

#include "panel/paneldockplace.h"

class QAction;

namespace velumo {

class ControlPanel;
class Notifier;
class SettingsWindow;

// Docks the control panel into a side of the main window and floats it again. Floating, the
// panel is its own tool window as ever; docked, it stands in this dock of the main window and is
// dragged from one side to the other. The panel's right-click menu offers both ways.
class PanelDock final : public QDockWidget {
    Q_OBJECT
public:
    PanelDock(SettingsWindow& main, ControlPanel& panel, Notifier& notifier);
    ~PanelDock() override;

    static constexpr char kDockCaption[] = "Закрепить в главном окне";
    static constexpr char kFloatCaption[] = "Открепить от главного окна";

    // Docks the panel to a side (Floating floats it).
    void place(PanelDockPlace::Side side);
    // The panel's own window again, at its floating position.
    void floatPanel();
    PanelDockPlace::Side side() const;
    bool isDocked() const { return m_docked; }
    // Where the panel stands (floating) or stood before it was docked: what SCEdit97 and
    // SCEdit98 keep.
    QPoint floatingPosition() const;
    // Moves the panel's own window, or while it is docked where it floats to next.
    void moveFloating(const QPoint& position);
    QAction* toggleAction() const { return m_toggle; }

private:
    void dockTo(Qt::DockWidgetArea area);
    void toggle();
    void updateAction();

    SettingsWindow& m_main;
    ControlPanel& m_panel;
    QPointer<ControlPanel> m_panelAlive;  // the panel may be deleted first
    Notifier& m_notifier;
    QAction* m_toggle = nullptr;
    QPoint m_floatingPosition;
    bool m_docked = false;
};

}  // namespace velumo
