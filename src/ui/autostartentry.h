#pragma once

#include <QString>

namespace velumo {

// The XDG autostart entry that starts the program on the given folder with the "r" switch
// (the Linux form of the shortcut in the user's Startup folder).
namespace autostartentry {

inline constexpr char kFileName[] = "velumo.desktop";

// One argument of an Exec line: quoted, with the desktop entry rules for '"', '`', '$', '\'
// and '%' applied, so that any path (blanks, quotes, backslashes, percent signs) survives.
QString execArgument(const QString& argument);

// The whole entry. Throws Failure when a path holds a line break, which no entry can carry.
QString desktopEntry(const QString& program, const QString& folder);

}  // namespace autostartentry
}  // namespace velumo
