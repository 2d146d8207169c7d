#include "backgroundworker.h"

namespace velumo {

BackgroundWorker::BackgroundWorker(const QString& name, QObject* owner)
    : m_owner(owner), m_context(new QObject())
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
    QMetaObject::invokeMethod(m_context, std::move(job), Qt::QueuedConnection);
}

void BackgroundWorker::post(std::function<void()> result) const
{
    QMetaObject::invokeMethod(m_owner, std::move(result), Qt::QueuedConnection);
}

}  // namespace velumo
