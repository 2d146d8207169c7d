#include "stationmetrics.h"

#include <set>

#include "base/eventlog.h"
#include "base/guard.h"
#include "dispatcher/scheduleline.h"
#include "dispatcher/walltimer.h"
#include "fleet/alarmmonitor.h"
#include "fleet/repaintwatch.h"
#include "onair/onairmodel.h"

namespace velumo {

namespace {

// A label value as the format wants it: backslash, quote and line feed escaped.
QString label(QString value)
{
    value.replace(u'\\', QLatin1String("\\\\"));
    value.replace(u'"', QLatin1String("\\\""));
    value.replace(u'\n', QLatin1String("\\n"));
    return value;
}

void header(QString& out, const char* name, const char* type, const char* help)
{
    out += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n")
               .arg(QLatin1String(name), QLatin1String(help), QLatin1String(type));
}

void byLetter(QString& out, const char* name, const std::map<QString, quint64>& counts)
{
    for (const auto& [letter, count] : counts)
        out += QStringLiteral("%1{kind=\"%2\"} %3\n")
                   .arg(QLatin1String(name), label(letter))
                   .arg(count);
}

}  // namespace

StationMetrics::StationMetrics(EventLog& log, const OnAirModel& onAir, const RepaintWatch* strip,
                               const AlarmMonitor* alarms, QObject* parent)
    : QObject(parent), m_onAir(onAir), m_strip(strip), m_alarms(alarms)
{
    connectGuarded(&log, &EventLog::posted, this, Origin::unattended(QStringLiteral("metrics")),
                   [this](const Event& event) { take(event); });
}

void StationMetrics::setSpoolDepth(qint64 events)
{
    m_spoolDepth = events;
}

void StationMetrics::setLinkState(const QString& state)
{
    m_linkState = state;
}

void StationMetrics::take(const Event& event)
{
    if (const StartEvent* start = event.as<StartEvent>()) {
        const QString letter = start->line.mid(scheduleline::kLetterPos - 1, 1).trimmed();
        ++m_starts[letter];
        // Late as the start timer judges it: past its moment by more than a timer's tolerance.
        if (start->lateMs.value_or(0) > WallTimer::kLateToleranceMs)
            ++m_lateStarts[letter];
    } else if (const PlayerEvent* player = event.as<PlayerEvent>();
               player && player->what == PlayerEvent::What::Failed) {
        ++m_failures[{QString(player->letter), player->reason.left(kReasonChars)}];
    }
}

QByteArray StationMetrics::text() const
{
    QString out;
    header(out, "velumo_up", "gauge", "The program runs.");
    out += QStringLiteral("velumo_up 1\n");

    header(out, "velumo_on_air", "gauge", "Content on screen, by content letter.");
    std::set<QString> onScreen;
    for (const OnAirNow::Player& entry : m_onAir.now().players)
        if (!entry.failed && entry.firstPicture.isValid())
            onScreen.insert(QString(entry.request.letter));
    for (const QString& letter : onScreen)
        out += QStringLiteral("velumo_on_air{kind=\"%1\"} 1\n").arg(label(letter));

    header(out, "velumo_starts_total", "counter", "Schedule lines started, by content letter.");
    byLetter(out, "velumo_starts_total", m_starts);
    header(out, "velumo_late_starts_total", "counter",
           "Schedule lines started after their moment, by content letter.");
    byLetter(out, "velumo_late_starts_total", m_lateStarts);

    header(out, "velumo_player_failures_total", "counter",
           "Player failures, by content letter and reason.");
    for (const auto& [key, count] : m_failures)
        out += QStringLiteral("velumo_player_failures_total{kind=\"%1\",reason=\"%2\"} %3\n")
                   .arg(label(key.first), label(key.second))
                   .arg(count);

    if (m_strip) {
        header(out, "velumo_strip_repaint_gap_seconds", "histogram",
               "Time between the strip's repaints of a new position.");
        quint64 cumulative = 0;
        const auto& counts = m_strip->counts();
        for (std::size_t i = 0; i < RepaintWatch::kBucketsMs.size(); ++i) {
            cumulative += counts[i];
            out += QStringLiteral("velumo_strip_repaint_gap_seconds_bucket{le=\"%1\"} %2\n")
                       .arg(double(RepaintWatch::kBucketsMs[i]) / 1000.0)
                       .arg(cumulative);
        }
        cumulative += counts.back();
        out += QStringLiteral("velumo_strip_repaint_gap_seconds_bucket{le=\"+Inf\"} %1\n")
                   .arg(cumulative);
        out += QStringLiteral("velumo_strip_repaint_gap_seconds_sum %1\n")
                   .arg(double(m_strip->sumMs()) / 1000.0);
        out += QStringLiteral("velumo_strip_repaint_gap_seconds_count %1\n").arg(cumulative);
    }

    header(out, "velumo_fleet_spool_events", "gauge", "Events kept in the fleet spool.");
    out += QStringLiteral("velumo_fleet_spool_events %1\n").arg(m_spoolDepth);
    header(out, "velumo_fleet_link_state", "gauge", "The fleet link's state (1 for the current).");
    out += QStringLiteral("velumo_fleet_link_state{state=\"%1\"} 1\n").arg(label(m_linkState));

    if (m_alarms) {
        header(out, "velumo_alarms_active", "gauge", "Alarms raised and not cleared.");
        out += QStringLiteral("velumo_alarms_active %1\n").arg(m_alarms->active().size());
        header(out, "velumo_alarm", "gauge", "Whether an alarm is raised, by id.");
        for (const QString& id : AlarmMonitor::ids())
            out += QStringLiteral("velumo_alarm{id=\"%1\"} %2\n")
                       .arg(label(id))
                       .arg(m_alarms->isActive(id) ? 1 : 0);
    }
    return out.toUtf8();
}

}  // namespace velumo
