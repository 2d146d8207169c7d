#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace velumo {

// The ticker text as a simple web page ("run_string.htm"): the fixed head, a heading with the
// date and time of the export, one paragraph per text line. Control lines ("^", "~") are left
// out, the marker characters before and after each text dropped. The text is escaped for HTML
// after the markers are removed, so the page carries no markup of its own.
QStringList strToHtmlLines(const QStringList& lines, const QDateTime& now);

// Converts the ticker text file source into the page target (Windows-1251, CR LF, replaced
// atomically). Throws Failure when either file cannot be used.
void FileStrToHtml(const QString& source, const QString& target,
                   const QDateTime& now = QDateTime::currentDateTime());

}  // namespace velumo
