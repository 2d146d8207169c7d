#include "datetext.h"

#include <QList>

namespace velumo {

int windowYear(int year, int currentYear)
{
    if (year >= 100)
        return year;
    int full = currentYear / 100 * 100 + year;
    if (full < currentYear - 50)
        full += 100;
    else if (full > currentYear + 49)
        full -= 100;
    return full;
}

QDate parseDayMonthYear(QStringView text, int currentYear)
{
    const QStringView trimmed = text.trimmed();
    const QList<QStringView> parts = trimmed.split(u'.');
    if (parts.size() < 2 || parts.size() > 3)
        return {};
    int numbers[3] = {0, 0, currentYear};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QStringView part = parts[i];
        if (part.isEmpty() || part.size() > 4)
            return {};
        for (QChar c : part)
            if (c < u'0' || c > u'9')
                return {};
        numbers[i] = part.toInt();
    }
    const int year = parts.size() == 3 ? windowYear(numbers[2], currentYear) : currentYear;
    const QDate date(year, numbers[1], numbers[0]);
    return date.isValid() ? date : QDate();
}

}  // namespace velumo
