#include "dialogspec.h"

#include <QStringList>

namespace velumo {

QString DialogSpec::qtFilter() const
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out.append(parts[i] + QLatin1String(" (") + patterns + u')');
    }
    return out.join(QLatin1String(";;"));
}

}  // namespace velumo
