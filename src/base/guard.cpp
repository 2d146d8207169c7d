#include "guard.h"

#include <exception>

#include "failure.h"
#include "notifier.h"

namespace velumo {

QString currentExceptionText()
{
    try {
        throw;
    } catch (const Failure& failure) {
        return failure.text();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

bool guarded(Notifier& notifier, const std::function<void()>& body, QString* errorText)
{
    try {
        body();
        return true;
    } catch (...) {
        const QString text = currentExceptionText();
        if (errorText)
            *errorText = text;
        try {
            notifier.errorReport(text);
        } catch (...) {
            // The report itself failed; the handler is abandoned all the same.
        }
        return false;
    }
}

}  // namespace velumo
