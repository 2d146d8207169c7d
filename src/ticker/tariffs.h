#pragma once

#include <QString>

namespace velumo {

// What a tariff (the paid display mode of an announcement) changes.
struct TariffMode {
    bool halt = false;    // the line halts once at the stop place
    bool colour = false;  // temporary text colour SCEdit81
    bool delay = false;   // temporary delay SpinEdit15
    bool font = false;    // temporary font SCEdit82 at size SCEdit85
};

// The table of tariffs 0 to 9; 10 and above (and anything negative) is the normal mode.
TariffMode tariffMode(int tariff);

// Every character that is not a digit 0-9 becomes "0".
QString normaliseTariff(const QString& line);

// Decimal value of a normalised tariff line: empty gives 0, values too large for an integer
// give a number above 9 (the normal mode).
int tariffNumber(const QString& normalised);

// The halt condition checked each step: the flag text, prefixWidthPx into the line, has moved
// left past the stop place stopPx of a strip widthPx wide after scrolledPx of scrolling.
inline bool haltReached(int widthPx, int prefixWidthPx, int stopPx, int scrolledPx)
{
    return qint64(widthPx) + prefixWidthPx - stopPx - scrolledPx < 0;
}

}  // namespace velumo
