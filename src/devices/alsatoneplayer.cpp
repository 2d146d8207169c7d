#include "alsatoneplayer.h"

#include <chrono>

#include <QEventLoop>
#include <QMetaObject>

#include "alsatonesink.h"
#include "app/eventlog.h"
#include "app/notifier.h"

namespace velumo {

// Touched only on the user-interface thread.
struct AlsaTonePlayer::Waiter {
    bool done = false;
    QEventLoop* loop = nullptr;
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
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
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
    // The loop can also be ended from outside (the application quitting); the tone is waited for
    // all the same.
    while (!waiter->done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    waiter->loop = nullptr;
}

void AlsaTonePlayer::reportBlocked(const QString& reason)
{
    if (m_log)
        m_log->write(QStringLiteral("sound"), reason);
    m_notifier.message(QString::fromUtf8(kBlockedMessage));
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
        QMetaObject::invokeMethod(
            &m_context,
            [waiter = job.waiter] {
                waiter->done = true;
                if (waiter->loop)
                    waiter->loop->quit();
            },
            Qt::QueuedConnection);
    }
}

}  // namespace velumo
