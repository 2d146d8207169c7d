#include "settingsbinder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QSpinBox>

#include "base/controlspec.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/wincolor.h"
#include "componentcodec.h"

namespace velumo {

SettingsBinder::SettingsBinder(Settings& settings, Notifier* notifier, ComponentCodec& codec)
    : m_settings(settings), m_notifier(notifier), m_codec(codec)
{
    connectGuarded(&m_settings, &Settings::changed, this,
                   Origin::byOperator(QStringLiteral("settingswindow")),
                   &SettingsBinder::onSettingChanged);
}

void SettingsBinder::bindControl(QWidget* widget, const QString& name)
{
    widget->setObjectName(name);
    m_controls.insert(name, widget);
    const ControlSpec& entry = m_settings.entry(name);
    auto store = [this, name](const QString& value) {
        if (m_updating)
            return;
        {
            // Whatever a subscriber of the change does, the flag comes down again.
            const QScopedValueRollback<bool> updating(m_updating, true);
            try {
                m_settings.setText(name, value);
            } catch (...) {
                const QString text = currentExceptionText();
                if (m_notifier)
                    m_notifier->errorReport(text);
                else
                    qWarning("%s", qPrintable(text));
            }
        }
        updateHint(name);
    };
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        m_codec.add(edit, ComponentClass::Edit);
        connectGuarded(edit, &QLineEdit::textChanged, this,
                       Origin::byOperator(QStringLiteral("settingswindow")), store);
    } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        m_codec.add(spin, ComponentClass::Other);
        connectGuarded(spin, &QSpinBox::valueChanged, this,
                       Origin::byOperator(QStringLiteral("settingswindow")),
                       [store](int value) { store(QString::number(value)); });
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        m_codec.add(check, ComponentClass::CheckBox);
        connectGuarded(
            check, &QCheckBox::toggled, this, Origin::byOperator(QStringLiteral("settingswindow")),
            [store](bool on) { store(on ? QStringLiteral("True") : QStringLiteral("False")); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        m_codec.add(combo, ComponentClass::Combo);
        connectGuarded(combo, &QComboBox::currentTextChanged, this,
                       Origin::byOperator(QStringLiteral("settingswindow")), store);
    }
    Q_UNUSED(entry);
    onSettingChanged(name);
}

void SettingsBinder::onSettingChanged(const QString& name)
{
    QWidget* widget = m_controls.value(name);
    if (!widget)
        return;
    const QString value = m_settings.text(name);
    // Typed or set from elsewhere, a colour field shows its colour; a half-typed number shows
    // as black until it is one.
    if (m_colourFields.contains(name))
        showColour(widget, strToIntDef(value, 0));
    if (m_updating)
        return;
    {
        // The widget's own change signal must not write the value back.
        const QScopedValueRollback<bool> updating(m_updating, true);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (edit->text() != value)
                edit->setText(value);
        } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
            spin->setValue(m_settings.spin(name));
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            check->setChecked(m_settings.checked(name));
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            if (combo->findText(value) < 0)
                combo->addItem(value);
            combo->setCurrentText(value);
        }
    }
    updateHint(name);
}

void SettingsBinder::updateHint(const QString& name)
{
    const ControlSpec* entry = findControl(name.toLatin1().constData());
    if (entry && entry->pathField)
        if (QWidget* widget = m_controls.value(name))
            widget->setToolTip(m_settings.text(name));
}

void SettingsBinder::updateHints()
{
    for (const QString& name : m_controls.keys())
        updateHint(name);
}

void SettingsBinder::applyColourPreview(const QString& name)
{
    QWidget* widget = m_controls.value(name);
    if (!widget)
        return;
    const int number = m_settings.integer(name);
    // From now on the field shows whatever colour its text comes to hold.
    m_colourFields.insert(name);
    showColour(widget, number);
}

void SettingsBinder::showColour(QWidget* widget, int number)
{
    const QColor colour = colorFromNumber(number);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Text, readableTextColor(colour));
    widget->setPalette(palette);
}

}  // namespace velumo
