#pragma once

#include <QString>

class QGroupBox;
class QHBoxLayout;
class QPushButton;
class QToolBar;

namespace velumo {

class SettingsWindow;

namespace mainpagebar {

// The object names the settings window gives its tool bar and its groups' rows of counters.
inline constexpr char kToolBarName[] = "ToolBar1";
inline constexpr char kCounterRowName[] = "CounterRow";
inline constexpr char kToolBarSpacerName[] = "ToolBarSpacer";

// The main page's tool bar. It stays whatever closed access hides: its quick buttons are the
// operator's.
QToolBar* toolBar(const SettingsWindow& window);
// A button after the tool bar's quick buttons, or with atRight at its right end (the caller
// declares it a component when it is one).
QPushButton* addButton(SettingsWindow& window, const QString& name, const QString& caption,
                       const QString& hint, bool atRight = false);
// The row a group's counters stand in, side by side, or nullptr when it has none.
QHBoxLayout* counterRow(const QGroupBox* group);

}  // namespace mainpagebar
}  // namespace velumo
