#pragma once

#include <functional>

#include <QString>

namespace velumo {

class Notifier;

// Every entry point from the event loop (slot, timer, socket command) runs its body here.
// A failure shows the application's general error report with the error text and abandons
// the handler at the failing step; nothing crosses the event loop.
// Returns true when the body ran to its end; errorText (optional) receives the failure's text.
bool guarded(Notifier& notifier, const std::function<void()>& body, QString* errorText = nullptr);

// The text of the exception being handled (call only inside a catch block).
QString currentExceptionText();

}  // namespace velumo
