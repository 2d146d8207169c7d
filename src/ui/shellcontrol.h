#pragma once

#include <QDate>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include "base/translationfile.h"

namespace velumo {

class EventLog;
class Notifier;
class Settings;

// What the shell's logic asks of the main settings window, so that it runs without one.
class ShellWindow {
public:
    virtual ~ShellWindow() = default;
    virtual void setPageSetVisible(const QString& pageSet, bool visible) = 0;
    // The window's components in window order: the line order of both settings files.
    virtual QStringList componentNames() const = 0;
    virtual QList<UiComponent> components() const = 0;
    virtual void applyComponents(const QList<UiComponent>& components) = 0;
    virtual QPoint position() const = 0;
    virtual void move(const QPoint& topLeft) = 0;
};

// The application shell around the main settings window: the settings and translation files,
// the administrator entry and the closed access to the page sets, the autostart entry.
class ShellControl {
public:
    ShellControl(QString folder, Settings& settings, Notifier& notifier, EventLog& log,
                 ShellWindow& window);

    // Start-up: velumo.cfg into the settings (throws when it cannot be read), a number field
    // holding what cannot be a number at its design value (and the file's message), the
    // translation file when it is switched on, the window's saved position.
    void loadSettingsFiles();
    // No stored position of the main window (no velumo.cfg, or one never saved with the
    // window): the windows are placed as on a first start.
    bool firstStart() const { return firstStart(m_settings); }
    static bool firstStart(const Settings& settings);
    // velumo_lang.cfg into the window's captions, when the file exists.
    void readTranslation();
    // Closed access: the page sets whose boxes are checked are hidden.
    void applyClosedAccess();
    // SCButton92: the password of SCEdit102 against SCEdit104 opens every page set.
    void adminEntry();
    // SCButton4: after the operator's confirmation, the autostart entry that starts program
    // on the folder with "r" (XDG_CONFIG_HOME/autostart, ~/.config/autostart without it).
    void fix_startExecute(const QString& program);
    // Both files in one pass over the components; a failed save leaves the previous files
    // whole and shows the message.
    void saveSettingsFiles();
    // Exiting: the window's position and today's date into their fields.
    void storePosition(const QDate& today);

    QString filePath(const QString& name) const { return m_folder + u'/' + name; }

private:
    QString m_folder;
    Settings& m_settings;
    Notifier& m_notifier;
    EventLog& m_log;
    ShellWindow& m_window;
};

}  // namespace velumo
