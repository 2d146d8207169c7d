#include "settings.h"

#include "failure.h"

namespace velumo {

namespace {

QString checkText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

}  // namespace

Settings::Settings(QObject* parent) : QObject(parent)
{
    resetToDefaults();
}

void Settings::resetToDefaults()
{
    m_values.clear();
    for (const ControlSpec& entry : controlSchema())
        m_values.insert(QString::fromLatin1(entry.name), QString::fromUtf8(entry.defaultValue));
}

const ControlSpec& Settings::entry(const QString& name) const
{
    const ControlSpec* found = findControl(name.toLatin1().constData());
    if (!found)
        throw Failure(QStringLiteral("Unknown setting %1").arg(name));
    return *found;
}

QString Settings::text(const QString& name) const
{
    const auto it = m_values.constFind(name);
    if (it == m_values.constEnd())
        throw Failure(QStringLiteral("Unknown setting %1").arg(name));
    return *it;
}

void Settings::setText(const QString& name, const QString& value)
{
    const ControlSpec& s = entry(name);
    QString stored = value;
    if (s.kind == ControlKind::Spin) {
        int number = strToInt(value);
        // A spinner keeps its value inside its limits, when it has any.
        if (s.minimum < s.maximum)
            number = qBound(s.minimum, number, s.maximum);
        stored = QString::number(number);
    } else if (s.kind == ControlKind::Check)
        stored = checkText(value == QLatin1String("True"));
    auto it = m_values.find(name);
    if (*it == stored)
        return;
    *it = stored;
    emit changed(name);
}

int Settings::spin(const QString& name) const
{
    return strToIntDef(text(name), 0);
}

void Settings::setSpin(const QString& name, int value)
{
    setText(name, QString::number(value));
}

bool Settings::checked(const QString& name) const
{
    return text(name) == QLatin1String("True");
}

void Settings::setChecked(const QString& name, bool value)
{
    setText(name, checkText(value));
}

int Settings::integer(const QString& name) const
{
    return strToInt(text(name));
}

}  // namespace velumo
