#include "playbacklog.h"

#include <QFileInfo>

#include "base/clock.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "base/timer.h"

namespace velumo {

PlaybackLog::PlaybackLog(Settings& settings, const Clock& clock, TimerFactory& timers,
                         Notifier& notifier, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_clock(clock),
      m_timer7(timers.create(QStringLiteral("Timer7")))
{
    m_timer7->setInterval(5 * 60000);
    m_timer7->setHandler([this, &notifier] { guarded(notifier, [this] { Timer7Timer(); }); });
    connectGuarded(
        &m_settings, &Settings::changed, this, Origin::byOperator(QStringLiteral("playbacklog")),
        [this](const QString& name) {
            if (name == QLatin1String(key::SpinEdit43) || name == QLatin1String(key::SCCheckbox22))
                applyTimer();
        });
}

PlaybackLog::~PlaybackLog() = default;

QString PlaybackLog::formatRecord(int blockRunCount, const QDateTime& when, const QString& index,
                                  const QString& tariff, const QString& text)
{
    return QString::number(blockRunCount) + QStringLiteral(" повтор ;") +
           when.toString(QStringLiteral("yyyyMMdd_HH_mm_ss")) + u';' + index + u';' + tariff +
           u';' + text;
}

bool PlaybackLog::writingOn() const
{
    return m_settings.checked(key::SCCheckbox22) && !m_settings.text(key::SCEdit103).isEmpty();
}

void PlaybackLog::AppendLogRecord(int blockRunCount, const QString& index, const QString& tariff,
                                  const QString& text)
{
    const QString record = formatRecord(blockRunCount, m_clock.now(), index, tariff, text);
    m_records.append(record);
    emit recordAppended(record);
    // Nothing writes the list out: keep only the newest records.
    // (The list on the window keeps the same number of lines by itself.)
    if (!writingOn() && m_records.size() > kMaxUnwrittenRecords)
        m_records.remove(0, m_records.size() - kMaxUnwrittenRecords);
}

QString PlaybackLog::currentFilePath() const
{
    const QString folder = m_settings.text(key::SCEdit103);
    if (folder.isEmpty())
        return QString();
    QString path = folder;
    if (!path.endsWith(u'/'))
        path += u'/';
    return path + m_clock.now().toString(QStringLiteral("yyyyMMddHHmm")) + QLatin1String(".csv");
}

void PlaybackLog::writeFile(const QString& path, bool append)
{
    QByteArray data;
    if (append)
        data = readFileBytes(path);
    if (append && !data.isEmpty() && !data.endsWith('\n'))
        data += "\r\n";
    QString text;
    for (const QString& record : std::as_const(m_records)) {
        text += record;
        text += QLatin1String("\r\n");
    }
    data += encodeCp1251(text);
    writeFileAtomic(path, data);  // throws; the records then stay
    m_records.clear();
    emit recordsReset();
}

void PlaybackLog::Timer7Timer()
{
    if (!writingOn())
        return;
    const QString path = currentFilePath();
    m_settings.setText(key::SCEdit88, path);
    // A second tick in the same minute leaves the records for the next one.
    if (QFileInfo::exists(path))
        return;
    writeFile(path, false);
}

void PlaybackLog::writePending()
{
    if (!writingOn() || m_records.isEmpty())
        return;
    const QString path = currentFilePath();
    m_settings.setText(key::SCEdit88, path);
    writeFile(path, QFileInfo::exists(path));
}

void PlaybackLog::applyTimer()
{
    const qint64 periodMs = qint64(qMax(1, m_settings.spin(key::SpinEdit43))) * 60000;
    if (m_timer7->interval() != periodMs)
        m_timer7->setInterval(periodMs);
    const bool run = m_settings.checked(key::SCCheckbox22);
    if (run != m_timer7->isActive())
        m_timer7->setEnabled(run);
}

}  // namespace velumo
