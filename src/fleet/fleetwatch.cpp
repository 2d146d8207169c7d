#include "fleetwatch.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include "base/clock.h"
#include "base/timer.h"
#include "fleet/fleetconfig.h"
#include "fleet/fleetview.h"
#include "fleet/mqttclient.h"

namespace velumo::fleet {

namespace {

QString isoTime(const QDateTime& at)
{
    return at.isValid() ? at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODate) : QString();
}

QString clockTime(const QDateTime& at)
{
    return at.isValid() ? at.toLocalTime().toString(u"HH:mm:ss") : QStringLiteral("—");
}

QString stateName(const QString& state)
{
    if (state == u"online")
        return QStringLiteral("в сети");
    if (state == u"stale")
        return QStringLiteral("молчит");
    if (state == u"offline")
        return QStringLiteral("нет связи");
    return QStringLiteral("неизвестно");
}

QDateTime parseTime(const QJsonValue& value)
{
    return QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
}

// Text from afar goes into an environment, a terminal and a mail: nothing a terminal obeys.
QString plain(QString text)
{
    return printable(text.replace(u'\n', u' '));
}

}  // namespace

QString WatchNotice::summary() const
{
    if (station.isEmpty())
        return state == u"broker_lost"
                   ? QStringLiteral("брокер недоступен с %1: о станциях ничего не известно")
                         .arg(clockTime(since))
                   : QStringLiteral("брокер снова доступен с %1 (был недоступен с %2)")
                         .arg(clockTime(since),
                              clockTime(changes.isEmpty() ? QDateTime() : changes[0].at));
    QString out = station + QStringLiteral(": ") + stateName(state) + QStringLiteral(" с ") +
                  clockTime(since);
    if (previousState != state)
        out += QStringLiteral(" (было: %1)").arg(stateName(previousState));
    QStringList states;
    for (const Change& c : changes) {
        if (c.what == u"state")
            states << stateName(c.value) + u' ' + clockTime(c.at);
        else
            out +=
                QStringLiteral("; тревога %1 %2 %3")
                    .arg(c.value,
                         c.what == u"raised" ? QStringLiteral("поднята") : QStringLiteral("снята"),
                         clockTime(c.at));
    }
    if (states.size() > 1)
        out += QStringLiteral("; по порядку: ") + states.join(QStringLiteral(", "));
    return plain(out);
}

QProcessEnvironment WatchNotice::environment() const
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("VELUMO_STATION"), station);
    env.insert(QStringLiteral("VELUMO_STATE"), state);
    env.insert(QStringLiteral("VELUMO_PREVIOUS_STATE"), previousState);
    env.insert(QStringLiteral("VELUMO_SINCE"), isoTime(since));
    env.insert(QStringLiteral("VELUMO_ALARMS"), alarms.join(u' '));
    QStringList lines;
    const Change* lastAlarm = nullptr;
    for (const Change& c : changes) {
        lines << plain(isoTime(c.at) + u' ' + c.what + u' ' + c.value +
                       (c.text.isEmpty() ? QString() : u' ' + c.text));
        if (c.what != u"state")
            lastAlarm = &c;
    }
    env.insert(QStringLiteral("VELUMO_CHANGES"), lines.join(u'\n'));
    env.insert(QStringLiteral("VELUMO_ALARM"), lastAlarm ? lastAlarm->value : QString());
    env.insert(QStringLiteral("VELUMO_ALARM_EVENT"), lastAlarm ? lastAlarm->what : QString());
    env.insert(QStringLiteral("VELUMO_ALARM_TEXT"), lastAlarm ? plain(lastAlarm->text) : QString());
    env.insert(QStringLiteral("VELUMO_ALARM_SINCE"),
               lastAlarm ? isoTime(lastAlarm->at) : QString());
    env.insert(QStringLiteral("VELUMO_SUMMARY"), summary());
    return env;
}

FleetWatch::FleetWatch(const Clock& clock, TimerFactory& timers, NoticeRunner& runner,
                       QObject* parent)
    : QObject(parent),
      m_clock(clock),
      m_timers(timers),
      m_runner(runner),
      m_check(timers.create(QStringLiteral("FleetWatchCheck"))),
      m_lost(timers.create(QStringLiteral("FleetWatchBrokerLost"))),
      m_lostSince(clock.now())
{
    m_check->setInterval(kCheckMs);
    m_check->setHandler([this] { check(); });
    m_check->start();
    // A broker never reached is away as well.
    m_lost->setInterval(kBrokerLostMs);
    m_lost->setHandler([this] {
        m_lost->stop();
        m_lostTold = true;
        tellBroker(QStringLiteral("broker_lost"));
    });
    m_lost->start();
}

FleetWatch::~FleetWatch() = default;

QString FleetWatch::state(const QString& station) const
{
    const auto found = m_stations.find(station);
    return found == m_stations.end() ? QStringLiteral("unknown") : found->second->told;
}

void FleetWatch::setConnected(bool connected)
{
    m_connected = connected;
    if (connected) {
        m_settledAtMs = m_clock.monotonicMs() + kSettleMs;
        m_lost->stop();
        if (m_lostTold) {
            m_lostTold = false;
            tellBroker(QStringLiteral("broker_back"));
        }
    } else if (!m_lost->isActive() && !m_lostTold) {
        // Every failed attempt says so again: the time away counts from the first.
        m_lostSince = m_clock.now();
        m_lost->start();
    }
}

void FleetWatch::tellBroker(const QString& state)
{
    const bool lost = state == u"broker_lost";
    WatchNotice notice;
    notice.state = state;
    notice.previousState = lost ? QStringLiteral("broker_back") : QStringLiteral("broker_lost");
    notice.since = lost ? m_lostSince : m_clock.now();
    notice.changes = {{m_lostSince, QStringLiteral("state"), QStringLiteral("broker_lost"), {}}};
    if (!lost)
        notice.changes.append({notice.since, QStringLiteral("state"), state, {}});
    m_runner.run(notice);
}

void FleetWatch::take(const MqttMessage& message)
{
    const QList<QByteArray> parts = message.topic.split('/');
    if (parts.size() != 3 || parts[0] != "velumo")
        return;
    const QString id = QString::fromUtf8(parts[1]);
    if (!isStationId(id))
        return;
    const QByteArray& leaf = parts[2];
    if (leaf != "online" && leaf != "status" && leaf != "events")
        return;
    std::unique_ptr<Station>& slot = m_stations[id];
    if (!slot) {
        slot = std::make_unique<Station>();
        slot->told = QStringLiteral("unknown");
    }
    Station& s = *slot;
    if (leaf == "online")
        takeOnline(id, s, message.payload == "1", message.retained);
    else if (leaf == "status")
        takeStatus(id, s, message.payload, message.retained);
    else
        takeEvent(id, s, message.payload);
}

void FleetWatch::takeOnline(const QString& id, Station& s, bool online, bool retained)
{
    const bool startPoint = retained && !s.heardOnline;
    s.heardOnline = true;
    s.online = online;
    if (online && !retained)
        s.lastSeen = m_clock.now();
    review(id, s, startPoint);
}

void FleetWatch::takeStatus(const QString& id, Station& s, const QByteArray& payload, bool retained)
{
    const QJsonObject status = QJsonDocument::fromJson(payload).object();
    if (status.isEmpty())
        return;
    const QDateTime now = m_clock.now();
    const bool startPoint = retained && !s.heardStatus;
    s.heardStatus = true;
    const QDateTime at = parseTime(status.value(u"time"));
    s.statusTime = at.isValid() ? at : now;
    // A retained status may be old: it says the station lived when it was made.
    const QDateTime seen = retained && at.isValid() && at < now ? at : now;
    if (!s.lastSeen.isValid() || s.lastSeen < seen)
        s.lastSeen = seen;
    if (const int intervalS = status.value(u"status_interval_s").toInt(); intervalS > 0)
        s.statusIntervalMs = qint64(intervalS) * 1000;

    QSet<QString> present;
    for (const QJsonValue& v : status.value(u"alarms").toArray()) {
        const QJsonObject a = v.toObject();
        const QString alarm = a.value(u"id").toString();
        if (alarm.isEmpty())
            continue;
        present.insert(alarm);
        if (!s.alarms.contains(alarm)) {
            const QDateTime since = parseTime(a.value(u"since"));
            alarmChange(id, s, QStringLiteral("raised"), alarm, a.value(u"text").toString(),
                        since.isValid() ? since : s.statusTime, startPoint);
        }
    }
    const QStringList known = s.alarms.keys();
    for (const QString& alarm : known)
        if (!present.contains(alarm) && s.statusTime >= s.alarms.value(alarm).since)
            alarmChange(id, s, QStringLiteral("cleared"), alarm, {}, s.statusTime, startPoint);
    review(id, s, startPoint);
}

void FleetWatch::takeEvent(const QString& id, Station& s, const QByteArray& payload)
{
    const QJsonObject event = QJsonDocument::fromJson(payload).object();
    if (event.isEmpty())
        return;
    const QDateTime now = m_clock.now();
    s.lastSeen = now;
    QDateTime at = parseTime(event.value(u"time"));
    if (!at.isValid())
        at = now;
    const QJsonObject fields = event.value(u"fields").toObject();
    const QString alarm = fields.value(u"id").toString();
    // An event older than the status (a spool draining after an outage) is history: the status
    // already says which alarms are raised now.
    if (event.value(u"kind").toString() == u"alarm" && !alarm.isEmpty() &&
        !(s.statusTime.isValid() && at < s.statusTime)) {
        const QString what = fields.value(u"event").toString();
        if (what == u"raised" && !s.alarms.contains(alarm)) {
            const QDateTime since = parseTime(fields.value(u"since"));
            alarmChange(id, s, what, alarm, fields.value(u"text").toString(),
                        since.isValid() ? since : at, false);
        } else if (what == u"cleared" && s.alarms.contains(alarm)) {
            alarmChange(id, s, what, alarm, {}, at, false);
        }
    }
    review(id, s, false);
}

QString FleetWatch::stateOf(const Station& s, bool judgeSilence) const
{
    if (!s.online)
        return QStringLiteral("unknown");
    if (!*s.online)
        return QStringLiteral("offline");
    // Silence counts only while the broker is there to be heard and has had time to speak;
    // until then a station keeps what it was.
    if (!judgeSilence)
        return s.told == u"stale" ? s.told : QStringLiteral("online");
    if (!s.lastSeen.isValid() || s.lastSeen.msecsTo(m_clock.now()) > 2 * s.statusIntervalMs)
        return QStringLiteral("stale");
    return QStringLiteral("online");
}

void FleetWatch::review(const QString& id, Station& s, bool startPoint)
{
    const bool listening = m_connected && m_clock.monotonicMs() >= m_settledAtMs;
    const QString now = stateOf(s, startPoint || listening);
    if (now == s.told)
        return;
    if (startPoint) {
        s.told = now;
        s.since = now == u"stale" ? s.lastSeen : s.statusTime;
        return;
    }
    const QDateTime at = now == u"stale" ? s.lastSeen : m_clock.now();
    note(id, s, {at, QStringLiteral("state"), now, {}});
    s.told = now;
    s.since = at;
}

void FleetWatch::alarmChange(const QString& id, Station& s, const QString& what,
                             const QString& alarm, const QString& text, const QDateTime& at,
                             bool startPoint)
{
    QString told = text;
    if (what == u"raised") {
        s.alarms.insert(alarm, {text, at});
    } else {
        told = s.alarms.value(alarm).text;
        s.alarms.remove(alarm);
    }
    if (!startPoint)
        note(id, s, {at, what, alarm, told});
}

void FleetWatch::note(const QString& id, Station& s, WatchNotice::Change change)
{
    if (!s.window) {
        s.window = m_timers.create(QStringLiteral("FleetWatchGather ") + id);
        s.window->setInterval(kGatherMs);
        s.window->setHandler([this, id, station = &s] {
            station->window->stop();
            send(id, *station);
        });
    }
    if (!s.window->isActive()) {
        s.before = s.told;
        s.window->start();
    }
    s.changes.append(std::move(change));
}

void FleetWatch::send(const QString& id, Station& s)
{
    if (s.changes.isEmpty())
        return;
    WatchNotice notice;
    notice.station = id;
    notice.state = s.told;
    notice.previousState = s.before;
    notice.since = s.since;
    notice.changes = std::move(s.changes);
    notice.alarms = s.alarms.keys();
    s.changes.clear();
    m_runner.run(notice);
}

void FleetWatch::flush()
{
    for (auto& [id, s] : m_stations) {
        if (s->window && s->window->isActive()) {
            s->window->stop();
            send(id, *s);
        }
    }
}

void FleetWatch::check()
{
    for (auto& [id, s] : m_stations)
        review(id, *s, false);
}

}  // namespace velumo::fleet
