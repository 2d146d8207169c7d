#include "guard.h"

#include <exception>
#include <new>

#include "failure.h"
#include "notifier.h"

namespace velumo {

QString currentExceptionText()
{
    try {
        throw;
    } catch (const Failure& failure) {
        return failure.text();
    } catch (const std::bad_alloc&) {
        // Said without building anything large: memory is what ran out.
        return QStringLiteral("Out of memory");
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
        // Nothing leaves here, not even a failure to say what failed (memory may be short).
        try {
            const QString text = currentExceptionText();
            if (errorText)
                *errorText = text;
            notifier.errorReport(text);
        } catch (...) {
            // The report itself failed; the handler is abandoned all the same.
        }
        return false;
    }
}

}  // namespace velumo
