#include "backgroundworker.h"

#include "base/failure.h"
#include "base/guard.h"

namespace velumo {

BackgroundWorker::BackgroundWorker(const QString& name, QObject* owner, Notifier& notifier)
    : m_owner(owner), m_notifier(notifier), m_context(new QObject())
{
    m_thread.setObjectName(name);
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

BackgroundWorker::~BackgroundWorker()
{
    stop();
    // Jobs still queued are dropped with the context; the thread has ended.
    delete m_context;
}

void BackgroundWorker::stop()
{
    m_abort = true;
    m_thread.quit();
    m_thread.wait();
}

void BackgroundWorker::submit(std::function<void()> job)
{
    QMetaObject::invokeMethod(
        m_context,
        [this, job = std::move(job)] {
            try {
                job();
            } catch (...) {
                // The job is abandoned; its failure is reported where the results go.
                const QString text = currentExceptionText();
                post([text] { throw Failure(text); });
            }
        },
        Qt::QueuedConnection);
}

void BackgroundWorker::post(std::function<void()> result) const
{
    Notifier& notifier = m_notifier;
    QMetaObject::invokeMethod(
        m_owner,
        [&notifier, source = m_thread.objectName(), result = std::move(result)] {
            const Origin::Scope scope(Origin::unattended(source));
            guarded(notifier, result);
        },
        Qt::QueuedConnection);
}

}  // namespace velumo
