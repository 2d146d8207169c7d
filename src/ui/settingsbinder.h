#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

class QWidget;

namespace velumo {

class ComponentCodec;
class Notifier;
class Settings;

// Binds the main window's value controls to the settings store both ways: a control's change
// is stored at once, a stored change shows in its control without coming back. A path field
// shows its whole text as hint; a colour field shows the colour its text holds.
class SettingsBinder final : public QObject {
public:
    // A failure of what follows a change typed into a field (a subscriber of the settings) is
    // reported through notifier; without one it goes to the warning log. Bound controls are
    // components of the window (codec).
    SettingsBinder(Settings& settings, Notifier* notifier, ComponentCodec& codec);

    // Binds a widget to a setting (its objectName becomes the setting's name) and shows the
    // stored value.
    void bindControl(QWidget* widget, const QString& name);
    // The widget bound to a setting, or nullptr.
    QWidget* control(const QString& name) const { return m_controls.value(name); }
    // The field shows the colour held in its text from the start.
    void addColourField(const QString& name) { m_colourFields.insert(name); }
    // A colour field shows the colour held in its text, its digits in black or white, whichever
    // reads better on it; it keeps following its text afterwards.
    void applyColourPreview(const QString& name);
    // The hints of the path fields after their texts came from elsewhere (a translation).
    void updateHints();

private:
    void onSettingChanged(const QString& name);
    void updateHint(const QString& name);
    static void showColour(QWidget* widget, int number);

    Settings& m_settings;
    Notifier* m_notifier;
    ComponentCodec& m_codec;
    QHash<QString, QWidget*> m_controls;
    QSet<QString> m_colourFields;
    bool m_updating = false;
};

}  // namespace velumo
