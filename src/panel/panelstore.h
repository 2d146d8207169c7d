#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace velumo {

class ControlPanel;
class EventLog;
class Notifier;
class PanelDock;
class PanelPhrases;
class Settings;

// What the panel keeps between runs: its phrases (panel.txt), its texts (panel_lang.cfg), the
// side it is docked to (panel.ini) and its place (SCEdit97 top, SCEdit98 left).
class PanelStore final {
public:
    // mainMinimum: the smallest main window a first start makes beside the panel.
    PanelStore(QString folder, Settings& settings, EventLog& log, Notifier& notifier,
               ControlPanel& panel, PanelDock& dock, PanelPhrases& phrases, QSize mainMinimum);

    // The side panel.ini names, if any.
    void readDockSide();
    // Initial, after velumo.cfg: panel_lang.cfg when "Загружать перевод" is checked and the
    // file exists.
    void readTranslation();
    // The panel's place from SCEdit97 and SCEdit98; both 0 places it clear of the strip and the
    // main window: on a first start where the first start's layout puts it, otherwise clear of
    // the main window where it stands. Throws Failure on a place that is not a number.
    void applyPosition(const QWidget& mainWindow, const QWidget& clockWindow);
    // Exiting: the panel's place into SCEdit97 and SCEdit98.
    void storePosition();
    // Writes panel.txt, panel_lang.cfg and panel.ini (once; the panel's close and the program's
    // end both ask). Failures are reported; nothing crosses the caller.
    void writeFiles();

private:
    QString filePath(const char* name) const;

    QString m_folder;
    Settings& m_settings;
    EventLog& m_log;
    Notifier& m_notifier;
    ControlPanel& m_panel;
    PanelDock& m_dock;
    PanelPhrases& m_phrases;
    QSize m_mainMinimum;
    bool m_filesWritten = false;
};

}  // namespace velumo
