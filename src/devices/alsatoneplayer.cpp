#include "alsatoneplayer.h"

#include <chrono>

#include <QMetaObject>

#include "alsatonesink.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/notifier.h"

namespace velumo {

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
    // A tone that is sounding plays out (at most its length); the waiting ones are dropped with
    // their ended (nothing goes on after them now), here on the user-interface thread.
    m_worker.join();
    dropped.clear();
}

void AlsaTonePlayer::MyBEEP(int frequencyHz, int durationMs, Ended ended)
{
    if (durationMs <= 0) {
        if (ended)
            guarded(m_notifier, ended);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back({frequencyHz, durationMs, std::move(ended)});
    }
    m_wake.notify_one();
}

void AlsaTonePlayer::reportBlocked(const QString& reason)
{
    if (m_log)
        m_log->write(QStringLiteral("sound"), reason);
    m_notifier.message(QString::fromUtf8(kBlockedMessage));
}

void AlsaTonePlayer::finish(Job& job)
{
    // The continuation moves to the user-interface thread whole: what it holds is let go there.
    postGuarded(&m_context, Origin::unattended(QStringLiteral("tone")),
                [this, ended = std::move(job.ended)] {
                    if (ended)
                        guarded(m_notifier, ended);
                });
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
            postGuarded(&m_context, Origin::unattended(QStringLiteral("tone")),
                        [this, reason] { reportBlocked(reason); });
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
