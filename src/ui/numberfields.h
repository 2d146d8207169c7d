#pragma once

#include <QStringList>

namespace velumo {

class EventLog;
class Settings;
struct ControlSpec;

// The settings' number fields: text fields that take digits only and whose design value is a
// number (strip place and size, clock and icon places, periods, ports...). Everything that
// reads one converts its text where it uses it, so a file that put letters there would fail
// at every use; such a value is refused once, when the settings are read.
namespace numberfields {

// No number of the program's range is written with more characters than this (leading blanks
// and zeros included): a longer text is refused unread.
inline constexpr qsizetype kMaxNumberChars = 32;

bool isNumberField(const ControlSpec& entry);

// Every number field whose text cannot be a number (empty, letters, absurdly long) takes its
// design value; each one so reset goes to log as an "error" line naming the field, the start
// of its text and its length. Returns the names reset, in schema order.
QStringList resetNonNumbers(Settings& settings, EventLog* log = nullptr);

}  // namespace numberfields
}  // namespace velumo
