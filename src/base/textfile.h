#pragma once

#include <sys/types.h>
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velumo {

// Windows-1251 text with CR LF line ends, read and written whole.
// Input that starts with a UTF-8 byte-order mark, or is valid UTF-8 holding non-ASCII bytes,
// is read as UTF-8; output is always Windows-1251.
QString decodeText(const QByteArray& bytes);
QByteArray encodeCp1251(const QString& text);
QString decodeCp1251(const QByteArray& bytes);

// Splits at CR LF, LF or CR; a line end at the very end does not add an empty line.
QStringList splitLines(const QString& text);

// Reads a whole text file into lines. Throws Failure when the file cannot be read.
QStringList readTextLines(const QString& path);

// Writes lines, each followed by CR LF, replacing the file atomically. Throws Failure.
void writeTextLines(const QString& path, const QStringList& lines);

// Replaces path by data atomically: a temporary file in the same folder, every write checked,
// flushed to disk, renamed over the old file, the folder synced. A new file gets mode
// (less the umask); an existing file keeps its mode unless forceMode is set.
// Throws Failure with the system's reason; the old file is then untouched.
void writeFileAtomic(const QString& path, const QByteArray& data, mode_t mode = 0666,
                     bool forceMode = false);

// Reads a whole file. Throws Failure.
QByteArray readFileBytes(const QString& path);

}  // namespace velumo
