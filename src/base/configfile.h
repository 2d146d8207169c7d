#pragma once

#include <QByteArray>
#include <QStringList>

namespace velumo {

class EventLog;
class Settings;

// velumo.cfg: one line per component of the settings window, from the last component to the
// first; a value control writes "NAME VALUE", any other component an empty line. Every byte of
// a line is stored plus 1 (255 wraps to 0, so "я" is stored as a NUL byte); line ends are not.
namespace configfile {

inline constexpr char kFileName[] = "velumo.cfg";
inline constexpr char kLoadFailedMessage[] =
    "Настройки не сохранялись или velumo.cfg  поврежден!Задайте ВСЕ необходимые настройки,"
    "зафиксируйте их и перезапустите программу";
inline constexpr char kWriteFailedMessage[] =
    "Невозможно записать текущие настройки в файл velumo.cfg or velumo_lang.cfg";

QByteArray scramble(const QByteArray& line);
QByteArray unscramble(const QByteArray& line);

// Splits raw file content at CR LF, LF or CR (NUL bytes are ordinary bytes here).
QList<QByteArray> splitRawLines(const QByteArray& content);

// Applies the file's lines to the settings in file order. A spinner line whose value is not an
// integer throws Failure; the values read before it stay, the lines after it are not read.
// Content in which no line names a setting (empty, foreign or binary) throws Failure too.
// A value longer than kMaxSettingsValueBytes is cut there; the cut goes to log (when given).
void load(const QByteArray& content, Settings& settings, EventLog* log = nullptr);

// The file content for the given component names (in window order; written last to first).
// An empty list writes the value controls alone, in schema order reversed.
QByteArray save(const Settings& settings, const QStringList& componentNames = {});

}  // namespace configfile
}  // namespace velumo
