#pragma once

#include <QDate>
#include <QString>

namespace velumo {

// Reads a date written day, month and year separated by dots ("13.10.10", "1.2.2010"; two
// numbers give the current year). A two-digit year falls in the window from 50 years before
// to 49 years after currentYear. Returns an invalid date when the text is not a date.
QDate parseDayMonthYear(QStringView text, int currentYear);

// Two-digit-year window around currentYear.
int windowYear(int twoDigitYear, int currentYear);

}  // namespace velumo
