#include "guard.h"

#include <QCoreApplication>
#include <QThread>
#include <QtDebug>
#include <atomic>
#include <exception>
#include <new>

#include "failure.h"
#include "notifier.h"

namespace velumo {

namespace {

std::atomic<Notifier*> g_sink{nullptr};

// The sink's notifier shows boxes: a failure on another thread is reported on the
// user-interface thread.
void reportToSink(const QString& text, const Origin& origin)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(  // plain: the guard itself
            app, [text, origin] { reportToSink(text, origin); }, Qt::QueuedConnection);
        return;
    }
    if (Notifier* notifier = g_sink.load())
        notifier->errorReport(text, origin);
    else
        qCritical("Unreported failure (%s): %s", qUtf8Printable(origin.source()),
                  qUtf8Printable(text));
}

template <typename Report>
bool runGuarded(const std::function<void()>& body, QString* errorText, Report report)
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
            report(text);
        } catch (...) {
            // The report itself failed; the handler is abandoned all the same.
        }
        return false;
    }
}

class GuardedEventFilter final : public QObject {
public:
    GuardedEventFilter(QObject* watched, Origin origin, std::function<bool(QEvent*)> handler)
        : QObject(watched), m_origin(std::move(origin)), m_handler(std::move(handler))
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        bool eaten = false;
        guarded(m_origin, [&] { eaten = m_handler(event); });
        return eaten;
    }

private:
    Origin m_origin;
    std::function<bool(QEvent*)> m_handler;
};

}  // namespace

QObject* filterEventsGuarded(QObject* watched, Origin origin, std::function<bool(QEvent*)> handler)
{
    if (!watched)
        return nullptr;
    auto* filter = new GuardedEventFilter(watched, std::move(origin), std::move(handler));
    watched->installEventFilter(filter);  // plain: the guard itself
    return filter;
}

GuardSink::GuardSink(Notifier& notifier) : m_previous(g_sink.exchange(&notifier)) {}

GuardSink::~GuardSink()
{
    g_sink.store(m_previous);
}

QString currentExceptionText()
{
    // Never throws itself: building the text of a failure can run out of memory too, and the
    // callers are catch blocks that must still answer.
    try {
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
    } catch (...) {
        return QStringLiteral("Out of memory");
    }
}

bool guarded(const Origin& origin, const std::function<void()>& body, QString* errorText)
{
    const Origin::Scope scope(origin);
    return runGuarded(body, errorText,
                      [](const QString& text) { reportToSink(text, Origin::current()); });
}

bool guarded(Notifier& notifier, const std::function<void()>& body, QString* errorText)
{
    return runGuarded(body, errorText, [&notifier](const QString& text) {
        notifier.errorReport(text, Origin::current());
    });
}

}  // namespace velumo
