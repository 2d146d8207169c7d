#include "tariffs.h"

namespace velumo {

TariffMode tariffMode(int tariff)
{
    switch (tariff) {
        case 1:
            return {true, false, false, false};
        case 2:
            return {false, true, false, false};
        case 3:
            return {false, false, true, false};
        case 4:
            return {false, false, false, true};
        case 5:
            return {true, true, false, false};
        case 6:
            return {true, false, false, true};
        case 7:
            return {false, true, true, false};
        case 8:
            return {false, true, false, true};
        case 9:
            return {false, false, true, true};
        default:
            return {};
    }
}

QString normaliseTariff(const QString& line)
{
    QString result = line;
    for (QChar& c : result)
        if (c < u'0' || c > u'9')
            c = u'0';
    return result;
}

int tariffNumber(const QString& normalised)
{
    qint64 value = 0;
    for (QChar c : normalised) {
        if (c < u'0' || c > u'9')
            return 0;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 1000000)
            return 1000000;
    }
    return int(value);
}

}  // namespace velumo
