#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>

namespace velumo {

class Notifier;

// A thread of its own that runs submitted jobs one after another, in order of submission.
// Network transfers run here so that the user-interface thread never waits for a server.
// Jobs hand their results back with post(), which queues a function on the owner's thread.
// Nothing escapes either side: a job that throws is abandoned and its failure reported on the
// owner's thread; a posted result runs through the guard there.
class BackgroundWorker final {
public:
    // owner: the object on the user-interface thread that receives posted results; notifier
    // shows what failed.
    BackgroundWorker(const QString& name, QObject* owner, Notifier& notifier);
    ~BackgroundWorker();  // stop()

    // Asks the running job to stop, drops the queued ones and waits for the thread. Call it
    // before anything the jobs use goes away.
    void stop();

    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    void submit(std::function<void()> job);
    // Queues a function on the owner's thread (from a job).
    void post(std::function<void()> result) const;

    // Set when the program goes down; long transfers poll it and give up.
    const std::atomic_bool& abortFlag() const { return m_abort; }
    void requestAbort() { m_abort = true; }

private:
    QObject* m_owner;
    Notifier& m_notifier;
    QThread m_thread;
    QObject* m_context;
    std::atomic_bool m_abort{false};
};

}  // namespace velumo
