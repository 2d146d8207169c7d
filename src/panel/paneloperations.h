#pragma once

namespace velumo {

class ControlPanel;
class ControlServer;
class DispatcherEngine;
class Notifier;
class Operations;
class PanelPhrases;
class SettingsWindow;
class SystemTrayIcon;

// The panel's operations ("panel ...") and the status member "panel".
void addPanelOperations(Operations& operations, ControlServer& control, ControlPanel& panel,
                        PanelPhrases& phrases, SystemTrayIcon& tray, DispatcherEngine& dispatcher);

// The main window's ways to the panel. They are not in the main window's translation list,
// whose line order is fixed.
void addPanelButtons(SettingsWindow& window, Operations& operations, Notifier& notifier);

}  // namespace velumo
