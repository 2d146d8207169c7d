#include "numberfields.h"

#include "base/configfile.h"
#include "base/controlspec.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/settings.h"

namespace velumo::numberfields {

namespace {

bool isNumber(const QString& text)
{
    if (text.size() > kMaxNumberChars)
        return false;
    // No fallback value can tell a number from a refusal alone; two different ones can.
    return strToIntDef(text, 0) != 0 || strToIntDef(text, 1) != 1;
}

}  // namespace

bool isNumberField(const ControlSpec& entry)
{
    return entry.kind == ControlKind::Text && entry.filter == InputFilter::Digits &&
           isNumber(QString::fromLatin1(entry.defaultValue));
}

QStringList resetNonNumbers(Settings& settings, EventLog* log)
{
    constexpr qsizetype kShown = 40;
    QStringList reset;
    for (const ControlSpec& entry : controlSchema()) {
        if (!isNumberField(entry))
            continue;
        const QString name = QString::fromLatin1(entry.name);
        const QString text = settings.text(name);
        if (isNumber(text))
            continue;
        const QString design = QString::fromLatin1(entry.defaultValue);
        if (log)
            log->write(QStringLiteral("error"),
                       QStringLiteral("%1: %2 holds \"%3\"%4 (%5 characters), not a number; its "
                                      "design value %6 is used")
                           .arg(QLatin1String(configfile::kFileName), name, text.left(kShown),
                                text.size() > kShown ? QStringLiteral("…") : QString())
                           .arg(text.size())
                           .arg(design));
        settings.setText(name, design);
        reset.append(name);
    }
    return reset;
}

}  // namespace velumo::numberfields
