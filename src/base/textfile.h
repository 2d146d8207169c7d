#pragma once

#include <sys/types.h>
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace velumo {

class EventLog;

// The most the program reads of one file of each kind: a file over its limit is refused whole,
// so nothing the operator or a received file names makes the program grow without bound.
inline constexpr qint64 kMaxBlockFileBytes = 64 << 20;     // block files, plan files, logs
inline constexpr qint64 kMaxSettingsFileBytes = 64 << 20;  // velumo.cfg
inline constexpr qint64 kMaxSettingsValueBytes = 1 << 20;  // one value of velumo.cfg
inline constexpr qint64 kMaxTranslationFileBytes = 16 << 20;
inline constexpr qint64 kMaxSmallFileBytes = 1 << 20;              // panel.txt, str_disp.txt
inline constexpr qint64 kMaxPictureFileBytes = qint64(256) << 20;  // pictures, clip previews

// Windows-1251 text with CR LF line ends, read and written whole.
// Input that starts with a UTF-8 byte-order mark, or is valid UTF-8 holding non-ASCII bytes,
// is read as UTF-8; output is always Windows-1251.
QString decodeText(const QByteArray& bytes);
QByteArray encodeCp1251(const QString& text);
QString decodeCp1251(const QByteArray& bytes);
// Well-formed UTF-8, judged as Qt's decoder judges it.
bool isValidUtf8(const QByteArray& bytes);

// Splits at CR LF, LF or CR; a line end at the very end does not add an empty line.
QStringList splitLines(const QString& text);

// Reads a whole text file into lines. Throws Failure when the file cannot be read.
QStringList readTextLines(const QString& path, qint64 maxBytes = kMaxBlockFileBytes);

// Writes lines, each followed by CR LF, replacing the file atomically. Throws Failure.
void writeTextLines(const QString& path, const QStringList& lines);

// Replaces path by data atomically: a temporary file in the same folder, every write checked,
// flushed to disk, renamed over the old file, the folder synced. A new file gets mode
// (less the umask); an existing file keeps its mode unless forceMode is set.
// Throws Failure with the system's reason; the old file is then untouched.
void writeFileAtomic(const QString& path, const QByteArray& data, mode_t mode = 0666,
                     bool forceMode = false);

// Reads a whole regular file of at most maxBytes. Anything else is refused, judged on the
// opened descriptor (a name swapped for a pipe or a device after a check is refused too), and
// opening never blocks. Throws Failure; the text of a file over the limit names the limit.
QByteArray readFileBytes(const QString& path, qint64 maxBytes = kMaxBlockFileBytes);

// Removes what atomic writes (writeFileAtomic) left behind in the folders when the program was
// killed during a save: regular files named ".NAME.tmpXXXXXX" last changed before `before`.
// Each removal goes to log (when given). Returns the paths removed.
QStringList removeLeftoverTemporaries(const QStringList& folders, const QDateTime& before,
                                      EventLog* log = nullptr);

}  // namespace velumo
