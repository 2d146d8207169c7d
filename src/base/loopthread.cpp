#include "loopthread.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QScopeGuard>
#include <QThread>
#include <QtDebug>

#include "base/eventlog.h"
#include "base/guard.h"

namespace velumo {

LoopThread::LoopThread(QString name, EventLog* log)
    : m_name(std::move(name)), m_log(log), m_thread(new QThread()), m_anchor(new QObject())
{
    // Qt names the system's thread after the object.
    m_thread->setObjectName(m_name);
    m_anchor->moveToThread(m_thread);
    m_thread->start();
}

LoopThread::~LoopThread()
{
    stop();
}

void LoopThread::adopt(QObject* object)
{
    object->moveToThread(m_thread);
    m_objects.push_back(object);
}

void LoopThread::quit(std::function<void()> last)
{
    if (m_quitting)
        return;
    m_quitting = true;
    // Queued behind every call posted before: they run first.
    postGuarded(m_anchor, Origin::unattended(m_name),
                [anchor = m_anchor, last = std::move(last), objects = m_objects] {
                    // The thread ends, with its objects gone, whatever the last call does. The
                    // anchor, whose call this is, goes as the loop ends.
                    const auto end = qScopeGuard([anchor, &objects] {
                        for (auto it = objects.rbegin(); it != objects.rend(); ++it)
                            delete *it;
                        anchor->deleteLater();
                        QThread::currentThread()->quit();
                    });
                    if (last)
                        last();
                });
}

bool LoopThread::stop(std::chrono::milliseconds grace)
{
    if (m_stopped)
        return true;
    m_stopped = true;
    quit();
    if (m_thread->wait(QDeadlineTimer(grace.count()))) {
        delete m_thread;
        return true;
    }
    // A QThread destroyed while it runs ends the program: it is let go with its objects.
    const QString text = QStringLiteral("%1: still running %2 ms after the shut-down, abandoned")
                             .arg(m_name)
                             .arg(grace.count());
    if (m_log)
        m_log->write(QStringLiteral("worker"), text);
    else
        qWarning().noquote() << text;
    return false;
}

}  // namespace velumo
