#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

#include "app/services.h"
#include "panel/paneldock.h"

class QWidget;

namespace velumo {

class ClockTicker;
class ControlPanel;
class ControlServer;
class DispatcherEngine;
class EventLog;
class Notifier;
class Operations;
class PanelPhrases;
class PanelStore;
class Settings;
class SettingsWindow;
class SystemTrayIcon;

// The control panel's wiring: the panel window with its phrase list (panel.txt), its
// translation file (panel_lang.cfg), the notification-area icon, the panel's operations
// ("panel ...") and the status member "panel".
class PanelModule final : public QObject {
    Q_OBJECT
public:
    // Reads panel.txt; a file that cannot be read is reported and left untouched.
    // The panel raises the strip and the clock window with the main window.
    PanelModule(const Services& services, ClockTicker& clock, DispatcherEngine& dispatcher,
                QWidget& strip, QWidget& clockWindow, QObject* parent = nullptr);
    ~PanelModule() override;

    ControlPanel& panel() { return *m_panel; }
    PanelDock& dock() { return *m_dock; }

    // Initial, after velumo.cfg: panel_lang.cfg when "Загружать перевод" is checked and the
    // file exists.
    void readTranslation();
    // Initial: the panel's position from SCEdit97 (top) and SCEdit98 (left); both 0 places it
    // clear of the strip and the main window: on a first start where the first start's layout
    // puts it, otherwise clear of the main window where it stands. Throws Failure on a position
    // that is not a number.
    void applyPosition();
    // Exiting: the panel's position into SCEdit97 and SCEdit98.
    void storePosition();
    // Writes panel.txt and panel_lang.cfg (once; the panel's close and the program's end both
    // ask). Failures are reported; nothing crosses the caller.
    void writeFiles();
    // A notification of the tray icon, where there is one.
    void notifyTray(const QString& text);

private:
    const Services& m_services;
    QWidget& m_strip;
    QWidget& m_clockWindow;
    DispatcherEngine& m_dispatcher;
    std::unique_ptr<PanelPhrases> m_phrases;
    SystemTrayIcon* m_tray = nullptr;
    ControlPanel* m_panel = nullptr;
    QPointer<PanelDock> m_dock;  // the main window's child
    std::unique_ptr<PanelStore> m_store;
};

}  // namespace velumo
