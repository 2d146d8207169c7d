#include "worker.h"

#include <pthread.h>
#include <QtDebug>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "base/eventlog.h"
#include "base/notifier.h"

namespace velumo {

namespace {

// Where a receiver's failure goes when the owner of the worker has no notifier: a warning, and
// the handler is abandoned as anywhere else.
class WarningNotifier final : public Notifier {
protected:
    void showMessage(const QString&, const QString& text, bool) override
    {
        qWarning().noquote() << text;
    }
    bool showQuestion(const QString&, const QString&, bool) override { return false; }
};

}  // namespace

void CancelFlag::set()
{
    const std::lock_guard lock(m_mutex);
    m_set = true;
    m_changed.notify_all();
}

bool CancelFlag::sleepUntil(std::chrono::steady_clock::time_point deadline) const
{
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_until(lock, deadline, [this] { return m_set.load(); });
}

// Everything the threads use. They hold it shared, so an abandoned thread outlives the worker
// without touching anything that has gone.
struct Worker::State {
    using Task = std::function<void(const Post&)>;

    QString name;
    int maxThreads = 1;
    std::shared_ptr<CancelFlag> cancel;
    // Serial workers only: run when no job has come for beatEvery.
    std::chrono::milliseconds beatEvery{0};
    Beat beat;

    std::mutex mutex;
    std::condition_variable work;  // a task was queued, or the worker stops
    std::condition_variable idle;  // a task ended
    std::deque<Task> queue;
    std::vector<std::thread> threads;
    int busy = 0;     // tasks running
    int waiting = 0;  // threads waiting for a task
    bool stopping = false;
    bool draining = false;  // no job is accepted; the queued ones still run
    // Receives the posted functions on the worker's own thread; null once the worker has shut
    // down (what was still queued for it went with it).
    QObject* mailbox = nullptr;

    void post(std::function<void()> fn)
    {
        std::unique_lock lock(mutex);
        if (!mailbox)
            return;  // fn goes on this thread, after the lock
        // The worker's results run through their own guard.
        QMetaObject::invokeMethod(mailbox, std::move(fn), Qt::QueuedConnection);  // plain: above
    }
};

Worker::Worker(QString name, Order order, int maxThreads, Notifier* notifier, EventLog* log)
    : m_name(std::move(name)), m_log(log), m_state(std::make_shared<State>())
{
    if (!notifier) {
        m_ownNotifier = std::make_unique<WarningNotifier>();
        notifier = m_ownNotifier.get();
    }
    m_notifier = notifier;
    m_state->name = m_name;
    m_state->maxThreads = order == Order::Serial ? 1 : std::max(1, maxThreads);
    m_state->cancel = m_cancel;
    m_state->mailbox = new QObject();
}

Worker::Worker(QString name, std::chrono::milliseconds beatEvery, Beat beat, Notifier* notifier,
               EventLog* log)
    : Worker(std::move(name), Order::Serial, 1, notifier, log)
{
    m_state->beatEvery = beatEvery;
    m_state->beat = std::move(beat);
}

Worker::~Worker()
{
    shutDown();
}

std::shared_ptr<const std::atomic_bool> Worker::cancelToken() const
{
    return {m_cancel, &m_cancel->flag()};
}

int Worker::pending() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->busy + int(m_state->queue.size());
}

bool Worker::waitForIdle(std::chrono::milliseconds timeout)
{
    State& state = *m_state;
    std::unique_lock lock(state.mutex);
    return state.idle.wait_for(lock, timeout,
                               [&] { return state.busy == 0 && state.queue.empty(); });
}

void Worker::submit(std::function<void(const Post& post)> task)
{
    State& state = *m_state;
    std::unique_lock lock(state.mutex);
    if (state.stopping || state.draining)
        return;  // the task goes with this frame, after the lock
    state.queue.push_back(std::move(task));
    if (state.waiting >= int(state.queue.size()) || int(state.threads.size()) >= state.maxThreads) {
        state.work.notify_one();
        return;
    }
    state.threads.emplace_back([s = m_state] { loop(s); });
}

bool Worker::shutDown(std::chrono::milliseconds grace)
{
    return stop(grace, false);
}

bool Worker::drain(std::chrono::milliseconds grace)
{
    return stop(grace, true);
}

bool Worker::stop(std::chrono::milliseconds grace, bool workOffQueue)
{
    State& state = *m_state;
    const auto deadline = std::chrono::steady_clock::now() + grace;
    std::deque<State::Task> dropped;
    QObject* mailbox = nullptr;
    std::vector<std::thread> threads;
    int abandoned = 0;
    {
        std::unique_lock lock(state.mutex);
        if (!state.mailbox)
            return true;  // shut down before
        state.cancel->set();
        if (workOffQueue) {
            state.draining = true;
            state.idle.wait_until(lock, deadline,
                                  [&] { return state.busy == 0 && state.queue.empty(); });
        }
        state.stopping = true;
        dropped.swap(state.queue);
        state.work.notify_all();
        state.idle.wait_until(lock, deadline, [&] { return state.busy == 0; });
        abandoned = state.busy;
        mailbox = std::exchange(state.mailbox, nullptr);
        threads.swap(state.threads);
    }
    // Results already queued for this thread go with the mailbox: nobody waits for them now.
    delete mailbox;
    dropped.clear();
    for (std::thread& thread : threads) {
        // A thread with no job left only has to leave its loop; one still in a job is left
        // behind with the values it holds.
        if (abandoned == 0)
            thread.join();
        else
            thread.detach();
    }
    if (abandoned > 0) {
        const QString text =
            QStringLiteral("%1: %2 job(s) still running %3 ms after the shut-down, abandoned")
                .arg(m_name)
                .arg(abandoned)
                .arg(grace.count());
        if (m_log)
            m_log->write(QStringLiteral("worker"), text);
        else
            qWarning().noquote() << text;
    }
    return abandoned == 0;
}

void Worker::loop(const std::shared_ptr<State>& state)
{
    // The kernel keeps 15 bytes of a thread's name.
    pthread_setname_np(pthread_self(), state->name.toUtf8().left(15).constData());
    const auto post = [state](std::function<void()> fn) { state->post(std::move(fn)); };
    const auto ready = [&] { return state->stopping || !state->queue.empty(); };
    std::unique_lock lock(state->mutex);
    for (;;) {
        ++state->waiting;
        bool quiet = false;  // no job came for a beat's time
        if (state->beat)
            quiet = !state->work.wait_for(lock, state->beatEvery, ready);
        else
            state->work.wait(lock, ready);
        --state->waiting;
        if (state->stopping)
            return;
        State::Task task;
        if (!state->queue.empty()) {
            task = std::move(state->queue.front());
            state->queue.pop_front();
        } else if (quiet && !state->draining) {
            task = [state](const Post&) {
                state->beat(JobContext<std::monostate>(state->cancel, [](std::monostate) {}));
            };
        } else {
            continue;
        }
        ++state->busy;
        lock.unlock();
        try {
            task(post);
        } catch (...) {
            // A task catches what its job throws; this is only a failure to report it.
        }
        task = nullptr;  // what the job held goes before it counts as ended
        lock.lock();
        --state->busy;
        state->idle.notify_all();
    }
}

}  // namespace velumo
