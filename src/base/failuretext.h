#pragma once

#include <QString>

namespace velumo {

// The plain Russian words for a failure the program met on its own, saying what to do
// ("Нет устройства видеозахвата: проверьте подключение камеры или платы"). The technical text
// (a library's message, an address, a code) stays for velumo.log, after a dash.
namespace failuretext {

// The text for the status line and the tray; a text already in Russian is kept as it is.
QString plain(const QString& technical);
// "plain — technical", or the technical text alone when it already is the plain one.
QString logLine(const QString& technical);

}  // namespace failuretext
}  // namespace velumo
