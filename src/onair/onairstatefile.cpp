#include "onairstatefile.h"

#include <QFile>

#include "base/clock.h"
#include "base/eventlog.h"
#include "base/textfile.h"
#include "base/timer.h"

namespace velumo {

const QString OnAirStateFile::kFileName = QStringLiteral("velumo.state");

OnAirStateFile::OnAirStateFile(QString folder, const Clock& clock, TimerFactory& timers,
                               EventLog& log, QObject* parent)
    : QObject(parent),
      m_path(folder + u'/' + kFileName),
      m_clock(clock),
      m_log(log),
      m_worker(QStringLiteral("velumo.state"), Worker::Order::Serial, 1, nullptr, &log),
      m_delay(timers.create(QStringLiteral("OnAirStateWrite")))
{
    m_delay->setHandler([this] {
        m_delay->stop();
        writeNow();
    });
}

OnAirStateFile::~OnAirStateFile() = default;

std::optional<OnAirState> OnAirStateFile::leftover() const
{
    if (!QFile::exists(m_path))
        return std::nullopt;
    try {
        return OnAirState::fromJson(readFileBytes(m_path, kMaxSmallFileBytes));
    } catch (...) {
        return std::nullopt;
    }
}

void OnAirStateFile::record(const OnAirState& state, bool announcementOnly)
{
    if (m_finished)
        return;
    m_pending = state;
    if (m_written && *m_written == state) {
        m_pending.reset();
        m_delay->stop();
        return;
    }
    const qint64 sinceMs =
        m_writtenAtMs ? m_clock.monotonicMs() - *m_writtenAtMs : kAnnouncementGapMs;
    if (announcementOnly && sinceMs < kAnnouncementGapMs) {
        if (!m_delay->isActive()) {
            m_delay->setInterval(kAnnouncementGapMs - sinceMs);
            m_delay->start();
        }
        return;
    }
    m_delay->stop();
    writeNow();
}

void OnAirStateFile::writeNow()
{
    if (!m_pending || m_finished)
        return;
    const QByteArray bytes = m_pending->toJson();
    m_written = std::move(m_pending);
    m_pending.reset();
    m_writtenAtMs = m_clock.monotonicMs();
    ++m_writes;
    m_worker.run(
        this, [path = m_path, bytes](const auto&) { writeFileAtomic(path, bytes); },
        [this](const JobResult<std::monostate>& result) {
            // A folder that cannot be written costs the restart its resume, nothing else: said
            // once in velumo.log, not at every announcement.
            if (!result.ok() && result.error != m_lastFailure)
                m_log.write(QStringLiteral("error"), result.error);
            if (result.ok())
                m_lastFailure.clear();
            else
                m_lastFailure = result.error;
        });
}

void OnAirStateFile::keep(const OnAirState& state)
{
    if (m_finished)
        return;
    m_delay->stop();
    m_pending = state;
    writeNow();
    m_kept = true;
    finish();
}

void OnAirStateFile::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_delay->stop();
    m_worker.waitForIdle(std::chrono::milliseconds(2000));
    if (!m_kept)
        QFile::remove(m_path);
}

}  // namespace velumo
