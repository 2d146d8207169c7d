#include "dialogspec.h"

#include <QRegularExpression>
#include <QStringList>

namespace velumo {

namespace {

// "*.swf;" and "*.a; *.b" alike become "*.swf" and "*.a *.b".
QString patternList(const QString& patterns)
{
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    return patterns.split(separators, Qt::SkipEmptyParts).join(u' ');
}

}  // namespace

QString DialogSpec::qtFilter() const
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i];
        const QString patterns = patternList(parts[i + 1]);
        // A description that already ends with its patterns in brackets is shown as it is.
        const QString trimmed = description.trimmed();
        const qsizetype open = trimmed.lastIndexOf(u'(');
        if (trimmed.endsWith(u')') && open >= 0 &&
            patternList(trimmed.mid(open + 1, trimmed.size() - open - 2)) == patterns) {
            out.append(trimmed);
            continue;
        }
        out.append(description + QLatin1String(" (") + patterns + u')');
    }
    return out.join(QLatin1String(";;"));
}

}  // namespace velumo
