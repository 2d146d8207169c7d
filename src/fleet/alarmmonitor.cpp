#include "alarmmonitor.h"

#include <QFile>
#include <QJsonObject>
#include <QProcess>

#include <sys/statvfs.h>

#include "base/clock.h"
#include "base/clocksync.h"
#include "base/eventlog.h"
#include "base/timer.h"
#include "base/worker.h"
#include "fleet/repaintwatch.h"

namespace velumo {

namespace {

const QString kIdStripFrozen = QStringLiteral("strip_frozen");
const QString kIdPlayerFrozen = QStringLiteral("player_frozen");
const QString kIdSpoolFull = QStringLiteral("spool_full");
const QString kIdDiskFull = QStringLiteral("disk_full");
const QString kIdClockUnsynced = QStringLiteral("clock_unsynced");
const QString kIdAlertFeedStale = QStringLiteral("alert_feed_stale");

struct Sample {
    quint64 hash = 1469598103934665603ull;
    bool black = true;
};

// A picture shrunk to 16 by 9 and hashed: enough to tell a moving picture from a still one at
// the cost of a few hundred pixels read. A missing picture is black.
Sample sample(const QImage& frame)
{
    QImage small(16, 9, QImage::Format_RGB32);
    small.fill(Qt::black);
    if (!frame.isNull())
        small = frame.scaled(16, 9, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                    .convertToFormat(QImage::Format_RGB32);
    Sample out;
    for (int y = 0; y < small.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(small.constScanLine(y));
        for (int x = 0; x < small.width(); ++x) {
            // The lowest bits of each channel are left out: a compressed still picture flickers
            // there.
            out.hash ^= line[x] & 0xf0f0f0u;
            out.hash *= 1099511628211ull;
            out.black =
                out.black && qRed(line[x]) < 16 && qGreen(line[x]) < 16 && qBlue(line[x]) < 16;
        }
    }
    return out;
}

QString percent(double fraction)
{
    return QString::number(fraction * 100.0, 'f', 1) + u'%';
}

}  // namespace

AlarmMonitor::AlarmMonitor(QString folder, EventLog& log, const Clock& clock, TimerFactory& timers,
                           Worker* worker, Sources sources, QObject* parent)
    : QObject(parent),
      m_folder(std::move(folder)),
      m_log(log),
      m_clock(clock),
      m_worker(worker),
      m_sources(std::move(sources)),
      m_stripTimer(timers.create(QStringLiteral("alarms strip"))),
      m_playerTimer(timers.create(QStringLiteral("alarms players"))),
      m_systemTimer(timers.create(QStringLiteral("alarms system")))
{
    m_stripTimer->setInterval(kCheckMs);
    m_stripTimer->setHandler([this] { checkStrip(); });
    m_stripTimer->start();
    m_playerTimer->setInterval(kPlayerSampleMs);
    m_playerTimer->setHandler([this] { samplePlayers(); });
    m_playerTimer->start();
    m_systemTimer->setInterval(kSystemCheckMs);
    m_systemTimer->setHandler([this] { checkSystem(); });
    m_systemTimer->start();
    checkSystem();
}

AlarmMonitor::~AlarmMonitor() = default;

void AlarmMonitor::checkStrip()
{
    RepaintWatch* strip = m_sources.strip;
    const bool moving = strip && m_sources.stripShouldMove && m_sources.stripShouldMove();
    const qint64 nowMs = m_clock.monotonicMs();
    if (!moving) {
        if (strip)
            strip->rest();
        m_movingSinceMs = -1;
        set(kIdStripFrozen, false, {});
        return;
    }
    if (m_movingSinceMs < 0)
        m_movingSinceMs = nowMs;
    // A gap already over (the whole program stood still, and the strip moved again before this
    // check) is reported as much as one still going on.
    const qint64 stillMs = nowMs - qMax(strip->lastMs(), m_movingSinceMs);
    const qint64 gapMs = qMax(stillMs, strip->takeLargestGapMs());
    if (gapMs > kStripFrozenMs)
        set(kIdStripFrozen, true,
            QStringLiteral("the strip has not moved for %1 s").arg(gapMs / 1000),
            m_clock.now().addMSecs(-gapMs));
    else
        set(kIdStripFrozen, false, {});
}

void AlarmMonitor::samplePlayers()
{
    const qint64 nowMs = m_clock.monotonicMs();
    std::map<QString, Still> seen;
    QStringList frozen;
    qint64 longestMs = 0;
    if (m_sources.players) {
        for (const PlayerFrame& player : m_sources.players()) {
            const Sample now = sample(player.frame);
            const auto known = m_players.find(player.window);
            Still still{now.hash, nowMs, now.black};
            if (known != m_players.end() && known->second.hash == now.hash)
                still = known->second;
            const qint64 stillMs = nowMs - still.sinceMs;
            if (stillMs > (still.black ? player.allowedBlackMs : player.allowedStillMs)) {
                frozen << player.window;
                longestMs = qMax(longestMs, stillMs);
            }
            seen.emplace(player.window, still);
        }
    }
    m_players = std::move(seen);
    set(kIdPlayerFrozen, !frozen.isEmpty(),
        QStringLiteral("the picture of %1 has not changed for %2 s")
            .arg(frozen.join(QStringLiteral(", ")))
            .arg(longestMs / 1000),
        m_clock.now().addMSecs(-longestMs));
}

void AlarmMonitor::checkSystem()
{
    if (!m_worker || !m_sources.readSystem)
        return;
    m_worker->run(
        this,
        [read = m_sources.readSystem, folder = m_folder](const auto&) { return read(folder); },
        [this](const JobResult<SystemState>& result) {
            if (result.ok())
                applySystem(*result.value);
        });
}

void AlarmMonitor::setSpoolFill(double fraction)
{
    set(kIdSpoolFull, fraction > kSpoolFull,
        QStringLiteral("the fleet spool is %1 full").arg(percent(fraction)));
}

void AlarmMonitor::setStaleAlertFeeds(const QStringList& urls)
{
    set(kIdAlertFeedStale, !urls.isEmpty(),
        QStringLiteral("alert feeds not read for their stale time: %1")
            .arg(urls.join(QStringLiteral(", "))));
}

void AlarmMonitor::applySystem(const SystemState& state)
{
    if (state.diskFill)
        set(kIdDiskFull, *state.diskFill > kDiskFull,
            QStringLiteral("the disk of the program folder is %1 full")
                .arg(percent(*state.diskFill)));
    if (state.clockSynced)
        set(kIdClockUnsynced, !*state.clockSynced,
            QStringLiteral("the system clock is not synchronised"));
}

void AlarmMonitor::set(const QString& id, bool on, const QString& text, const QDateTime& since)
{
    const auto found = m_active.find(id);
    if (on == (found != m_active.end()))
        return;
    if (on) {
        const Alarm alarm{id, since.isValid() ? since : m_clock.now(), text};
        m_active.emplace(id, alarm);
        m_log.post(AlarmEvent{true, id, alarm.since, text},
                   QStringLiteral("raised %1: %2").arg(id, text));
    } else {
        m_active.erase(found);
        m_log.post(AlarmEvent{false, id}, QStringLiteral("cleared ") + id);
    }
    emit changed();
}

const QStringList& AlarmMonitor::ids()
{
    static const QStringList all{kIdStripFrozen, kIdPlayerFrozen,  kIdSpoolFull,
                                 kIdDiskFull,    kIdClockUnsynced, kIdAlertFeedStale};
    return all;
}

QJsonArray AlarmMonitor::status() const
{
    QJsonArray alarms;
    for (const auto& [id, alarm] : m_active)
        alarms.append(
            QJsonObject{{QStringLiteral("id"), id},
                        {QStringLiteral("since"), alarm.since.toString(Qt::ISODateWithMs)},
                        {QStringLiteral("text"), alarm.text}});
    return alarms;
}

AlarmMonitor::SystemState AlarmMonitor::readSystemState(const QString& folder)
{
    SystemState state;
    struct statvfs disk {};
    if (::statvfs(QFile::encodeName(folder).constData(), &disk) == 0) {
        // As df counts: the share of what an ordinary user may fill that is used.
        const double used = double(disk.f_blocks - disk.f_bfree);
        const double room = used + double(disk.f_bavail);
        if (room > 0)
            state.diskFill = used / room;
    }
    QProcess timedatectl;
    timedatectl.start(QStringLiteral("timedatectl"),
                      {QStringLiteral("show"), QStringLiteral("-p"),
                       QStringLiteral("NTPSynchronized"), QStringLiteral("--value")});
    if (timedatectl.waitForFinished(3000) && timedatectl.exitStatus() == QProcess::NormalExit &&
        timedatectl.exitCode() == 0) {
        const QByteArray answer = timedatectl.readAllStandardOutput().trimmed();
        if (answer == "yes" || answer == "no")
            state.clockSynced = answer == "yes";
    } else if (timedatectl.state() != QProcess::NotRunning) {
        timedatectl.kill();
        timedatectl.waitForFinished(1000);
    }
    if (!state.clockSynced)
        state.clockSynced = clockSynchronised();
    return state;
}

}  // namespace velumo
