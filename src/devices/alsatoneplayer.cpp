#include "alsatoneplayer.h"

#include <chrono>

#include "alsatonesink.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/notifier.h"

namespace velumo {

AlsaTonePlayer::AlsaTonePlayer(Notifier& notifier, std::unique_ptr<ToneSink> sink, EventLog* log)
    : m_notifier(notifier),
      m_log(log),
      m_sink(std::move(sink)),
      m_worker(QStringLiteral("tone"), Worker::Order::Serial, 1, &notifier, log)
{
    if (!m_sink)
        m_sink = std::make_shared<AlsaToneSink>();
}

// The worker goes first (a member declared last): the tone sounding gets the grace, the waiting
// ones are dropped with their ended, here on the user-interface thread.
AlsaTonePlayer::~AlsaTonePlayer() = default;

void AlsaTonePlayer::MyBEEP(int frequencyHz, int durationMs, Ended ended)
{
    if (durationMs <= 0) {
        if (ended)
            guarded(m_notifier, ended);
        return;
    }
    m_worker.run<QString>(
        &m_context,
        [sink = m_sink, frequencyHz, durationMs](const JobContext<QString>& job) {
            const auto end =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(durationMs);
            const ToneSink::Result result = sink->play(frequencyHz, durationMs);
            if (result.code != 0)
                job.report(QStringLiteral("%1 (%2)").arg(result.reason).arg(result.code));
            // A tone never ends before its length, sounded or not.
            job.sleepUntil(end);
        },
        [this](const QString& reason) { reportBlocked(reason); },
        // The continuation comes back to the user-interface thread whole: what it holds is let
        // go there.
        [ended = std::move(ended)](const JobResult<std::monostate>&) {
            if (ended)
                ended();
        });
}

void AlsaTonePlayer::reportBlocked(const QString& reason)
{
    if (m_log)
        m_log->write(QStringLiteral("sound"), reason);
    m_notifier.message(QString::fromUtf8(kBlockedMessage));
}

}  // namespace velumo
