#include "alsatoneplayer.h"

#include <chrono>

#include <QEventLoop>
#include <QMetaObject>

#include "alsatonesink.h"
#include "base/eventlog.h"
#include "base/notifier.h"

namespace velumo {

// done is set by the worker (under the mutex) when the tone has ended; loop is touched only
// on the user-interface thread.
struct AlsaTonePlayer::Waiter {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    QEventLoop* loop = nullptr;

    bool isDone()
    {
        std::lock_guard lock(mutex);
        return done;
    }
};

AlsaTonePlayer::AlsaTonePlayer(Notifier& notifier, std::unique_ptr<ToneSink> sink, EventLog* log)
    : m_notifier(notifier), m_log(log), m_sink(std::move(sink))
{
    if (!m_sink)
        m_sink = std::make_unique<AlsaToneSink>();
    m_worker = std::thread([this] { work(); });
}

AlsaTonePlayer::~AlsaTonePlayer()
{
    std::deque<Job> dropped;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        dropped.swap(m_jobs);
    }
    m_wake.notify_all();
    for (Job& job : dropped)
        finish(job);
    // A tone that is sounding plays out (at most its length).
    m_worker.join();
}

void AlsaTonePlayer::MyBEEP(int frequencyHz, int durationMs)
{
    if (durationMs <= 0)
        return;
    auto waiter = std::make_shared<Waiter>();
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back({frequencyHz, durationMs, waiter});
    }
    m_wake.notify_one();

    QEventLoop loop;
    waiter->loop = &loop;
    if (!waiter->isDone())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    waiter->loop = nullptr;
    // The loop can also be ended from outside (the application quitting: from then on no event
    // loop runs); the rest of the tone is then waited for without one.
    std::unique_lock lock(waiter->mutex);
    waiter->ended.wait(lock, [&] { return waiter->done; });
}

void AlsaTonePlayer::reportBlocked(const QString& reason)
{
    if (m_log)
        m_log->write(QStringLiteral("sound"), reason);
    m_notifier.message(QString::fromUtf8(kBlockedMessage));
}

void AlsaTonePlayer::finish(Job& job)
{
    {
        std::lock_guard lock(job.waiter->mutex);
        job.waiter->done = true;
    }
    job.waiter->ended.notify_all();
    QMetaObject::invokeMethod(
        &m_context,
        [waiter = job.waiter] {
            if (waiter->loop)
                waiter->loop->quit();
        },
        Qt::QueuedConnection);
}

void AlsaTonePlayer::work()
{
    using Clock = std::chrono::steady_clock;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        const auto end = Clock::now() + std::chrono::milliseconds(job.durationMs);
        const ToneSink::Result result = m_sink->play(job.frequencyHz, job.durationMs);
        if (result.code != 0) {
            const QString reason = QStringLiteral("%1 (%2)").arg(result.reason).arg(result.code);
            QMetaObject::invokeMethod(
                &m_context, [this, reason] { reportBlocked(reason); }, Qt::QueuedConnection);
        }
        // A tone never ends before its length, sounded or not.
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait_until(lock, end, [this] { return m_stopping; });
        }
        finish(job);
    }
}

}  // namespace velumo
