#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include "controlspec.h"

namespace velumo {

// The settings of the program: the value of each named control of the settings window.
// Every value is kept as its file text ("True"/"False" for check boxes, decimal for spinners).
// Windows bind their widgets to it both ways; logic reads it through the key constants.
class Settings : public QObject {
    Q_OBJECT
public:
    explicit Settings(QObject* parent = nullptr);

    bool contains(const QString& name) const { return m_values.contains(name); }
    const ControlSpec& entry(const QString& name) const;

    // The value as its file text. Throws Failure for an unknown name.
    QString text(const QString& name) const;
    // Sets a value from its text: spinners convert it (throws Failure when not an integer),
    // check boxes are checked exactly by "True".
    void setText(const QString& name, const QString& value);

    int spin(const QString& name) const;
    void setSpin(const QString& name, int value);
    bool checked(const QString& name) const;
    void setChecked(const QString& name, bool value);

    // The integer held in a text field (colours, sizes, positions...). Throws Failure with the
    // conversion error when the text is not an integer.
    int integer(const QString& name) const;

    void resetToDefaults();

signals:
    void changed(const QString& name);

private:
    QHash<QString, QString> m_values;
};

}  // namespace velumo
