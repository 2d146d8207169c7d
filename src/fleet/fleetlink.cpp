#include "fleetlink.h"

#include <QJsonDocument>
#include <QPointer>

#include "base/eventlog.h"
#include "base/guard.h"
#include "base/timer.h"
#include "fleet/fleetverbs.h"
#include "fleet/mqttclient.h"
#include "fleet/stationstatus.h"
#include "onair/onairmodel.h"
#include "players/contentkind.h"

namespace velumo::fleet {

namespace {

QString isoTime(const QDateTime& at)
{
    return at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

Origin origin()
{
    return Origin::unattended(QStringLiteral("fleet"));
}

// The mark of the link's own lines in the stream of events.
const QString kOwnSource = QStringLiteral("fleet link");

// Refusals that concern the one message, not the station: that message alone is left out.
bool refusesOnlyThisMessage(int reasonCode)
{
    return reasonCode == 0x95 /* packet too large */ ||
           reasonCode == 0x99 /* payload format invalid */;
}

}  // namespace

FleetLink::FleetLink(FleetConfig config, QString programFolder, EventLog& log,
                     const OnAirModel& onAir, Sources sources, TimerFactory& timers,
                     QObject* parent)
    : QObject(parent),
      m_config(std::move(config)),
      m_folder(std::move(programFolder)),
      m_log(log),
      m_onAir(onAir),
      m_sources(std::move(sources)),
      m_spool(std::make_unique<EventSpool>(m_folder))
{
    m_uptime.start();
    m_statusSettle = timers.create(QStringLiteral("FleetStatusSettle"));
    m_statusSettle->setInterval(kStatusSettleMs);
    m_statusSettle->setHandler([this] {
        m_statusSettle->stop();
        publishStatus();
    });
    m_statusEvery = timers.create(QStringLiteral("FleetStatusEvery"));
    m_statusEvery->setInterval(qint64(m_config.statusIntervalS) * 1000);
    m_statusEvery->setHandler([this] { publishStatus(); });
    m_probe = timers.create(QStringLiteral("FleetRefusedRetry"));
    m_probe->setInterval(kRefusedRetryMs);
    m_probe->setHandler([this] {
        m_probe->stop();
        probe();
    });
}

FleetLink::~FleetLink()
{
    stop();
}

QString FleetLink::topic(const QString& leaf) const
{
    return QStringLiteral("velumo/") + m_config.station + u'/' + leaf;
}

bool FleetLink::forwards(const QString& kind)
{
    static const QStringList kinds{
        QStringLiteral("start"),  QStringLiteral("stop"),    QStringLiteral("player"),
        QStringLiteral("ticker"), QStringLiteral("message"), QStringLiteral("error"),
        QStringLiteral("net"),    QStringLiteral("alarm"),   QStringLiteral("alert")};
    return kinds.contains(kind);
}

void FleetLink::start()
{
    if (m_started)
        return;
    m_started = true;
    if (const QString error = m_spool->open(); !error.isEmpty()) {
        // Events cannot be kept: the link still reports status and takes commands.
        m_error = error;
        note(QStringLiteral("error"), QStringLiteral("fleet: ") + error);
    }
    connectGuarded(&m_log, &EventLog::posted, this, origin(), &FleetLink::onEvent);
    // What changes what is on air publishes the status soon (at most once in kStatusSettleMs).
    connectGuarded(&m_onAir, &OnAirModel::changed, this, origin(), [this] { statusSoon(); });

    MqttClient::Options o =
        brokerOptions(m_config, QStringLiteral("velumo-") + m_config.station, m_config.keepAliveS);
    o.willTopic = topic(QStringLiteral("online")).toUtf8();
    o.willPayload = "0";
    o.willRetain = true;
    o.subscriptions = {topic(QStringLiteral("cmd")).toUtf8()};
    o.maxPacketBytes = kCommandBytes;
    if (m_sources.alert) {
        o.subscriptions += {topic(QStringLiteral("alert")).toUtf8(), QByteArray(kFleetAlertTopic)};
        o.maxPacketBytes = kAlertBytes;
    }
    m_client = std::make_unique<MqttClient>(o);
    // The client's signals come from its network thread: queued to this thread.
    connectGuarded(m_client.get(), &MqttClient::connected, this, origin(), &FleetLink::onConnected,
                   Qt::QueuedConnection);
    connectGuarded(m_client.get(), &MqttClient::disconnected, this, origin(),
                   &FleetLink::onDisconnected, Qt::QueuedConnection);
    connectGuarded(m_client.get(), &MqttClient::published, this, origin(), &FleetLink::onPublished,
                   Qt::QueuedConnection);
    connectGuarded(m_client.get(), &MqttClient::messageReceived, this, origin(),
                   &FleetLink::onMessage, Qt::QueuedConnection);
    m_client->start();
    m_statusEvery->start();
}

void FleetLink::stop()
{
    if (!m_client)
        return;
    m_statusEvery->stop();
    m_statusSettle->stop();
    m_probe->stop();
    if (m_client->isConnected())
        m_client->publish({topic(QStringLiteral("online")).toUtf8(), "0", 1, true});
    m_client->stop();
    m_client.reset();
    m_online = false;
}

FleetLink::LinkState FleetLink::linkState() const
{
    QString state;
    QString error = !m_unusable.isEmpty() ? m_unusable : m_held ? m_refusal : m_error;
    if (!m_client)
        state = QStringLiteral("stopped");
    else if (!m_unusable.isEmpty() || m_held)
        state = QStringLiteral("error");
    else if (m_online)
        state = QStringLiteral("online");
    else
        state = m_generation == 0 ? QStringLiteral("connecting") : QStringLiteral("offline");
    if (error.isEmpty() && m_client && !m_online)
        error = m_client->lastError();
    if (error.isEmpty() && !m_spool->error().isEmpty())
        error = m_spool->error();
    return {state, error, qint64(m_spool->pending().size()), m_spool->pendingBytes()};
}

QJsonObject FleetLink::fleetStatus() const
{
    const LinkState now = linkState();
    return {{QStringLiteral("state"), now.state},
            {QStringLiteral("broker"), m_config.broker},
            {QStringLiteral("station"), m_config.station},
            {QStringLiteral("spool"), now.spool},
            {QStringLiteral("spool_bytes"), now.spoolBytes},
            {QStringLiteral("spool_refused"), qint64(m_spool->refused())},
            {QStringLiteral("spool_nearly_full"), m_spool->nearlyFull()},
            {QStringLiteral("last_seq"), qint64(m_spool->lastSeq())},
            {QStringLiteral("error"), now.error}};
}

void FleetLink::note(const QString& kind, const QString& text)
{
    m_log.post(kind, LineEvent{text, kOwnSource}, text);
}

void FleetLink::onEvent(const Event& event)
{
    if (!forwards(event.kind))
        return;
    if (const LineEvent* line = event.as<LineEvent>(); line && line->source == kOwnSource)
        return;
    const QJsonObject fields = event.fields();
    const auto seq = m_spool->append([&](quint64 number) {
        QJsonObject message{{QStringLiteral("seq"), qint64(number)},
                            {QStringLiteral("station"), m_config.station},
                            {QStringLiteral("time"), isoTime(event.time)},
                            {QStringLiteral("kind"), event.kind},
                            {QStringLiteral("fields"), fields}};
        return QJsonDocument(message).toJson(QJsonDocument::Compact);
    });
    const bool nearlyFull = m_spool->nearlyFull();
    if (nearlyFull != m_spoolAlarmed) {
        m_spoolAlarmed = nearlyFull;
        if (nearlyFull)
            note(QStringLiteral("net"),
                 QStringLiteral("fleet: the event spool is %1 %% full, %2 events wait for "
                                "the broker")
                     .arg(qRound(m_spool->fill() * 100))
                     .arg(m_spool->pending().size()));
        emit stateChanged();
    }
    if (seq)
        sendMore();
}

QJsonObject FleetLink::onAir() const
{
    return onAirOf(m_onAir.now());
}

QJsonObject FleetLink::onAirOf(const OnAirNow& now)
{
    QJsonArray players;
    for (const OnAirNow::Player& entry : now.onScreen()) {
        const QChar letter = entry.request.letter;
        const ContentKind* kind = ContentKind::find(letter);
        players.append(
            QJsonObject{{QStringLiteral("kind"), kind ? kind->fleetKind() : QString(letter)},
                        {QStringLiteral("letter"), QString(letter)},
                        {QStringLiteral("slot"), entry.request.slot},
                        {kind ? kind->targetName() : QStringLiteral("file"), entry.request.target},
                        {QStringLiteral("since"), isoTime(entry.since)}});
    }
    QJsonArray alerts;
    for (const OnAirNow::Alert& alert : now.alerts)
        alerts.append(QJsonObject{
            {QStringLiteral("id"), alert.id},
            {QStringLiteral("severity"), alert.severity},
            {QStringLiteral("display"), alert.display},
            {QStringLiteral("headline"), alert.headline},
            {QStringLiteral("mark"), alert.mark},
            {QStringLiteral("since"), isoTime(alert.since)},
            {QStringLiteral("until"), alert.until.isValid() ? QJsonValue(isoTime(alert.until))
                                                            : QJsonValue(QJsonValue::Null)}});
    QJsonObject object{{QStringLiteral("players"), players}, {QStringLiteral("alerts"), alerts}};
    object.insert(QStringLiteral("plan_line"), now.planLine);
    object.insert(QStringLiteral("plan_line_since"), now.planLineSince.isValid()
                                                         ? QJsonValue(isoTime(now.planLineSince))
                                                         : QJsonValue(QJsonValue::Null));
    return object;
}

void FleetLink::statusSoon()
{
    if (m_online && !m_statusSettle->isActive())
        m_statusSettle->start();
}

void FleetLink::publishStatus()
{
    if (!m_client || !m_online)
        return;
    QJsonObject status = m_sources.status ? m_sources.status() : QJsonObject();
    status.insert(QStringLiteral("station"), m_config.station);
    status.insert(QStringLiteral("version"), QStringLiteral(VELUMO_VERSION));
    status.insert(QStringLiteral("uptime_s"), m_uptime.elapsed() / 1000);
    status.insert(QStringLiteral("on_air"), onAir());
    status.insert(QStringLiteral("alarms"), m_sources.alarms ? m_sources.alarms() : QJsonArray());
    status.insert(QStringLiteral("time"), isoTime(QDateTime::currentDateTime()));
    status = stationStatus(status);
    status.insert(QStringLiteral("status_interval_s"), m_config.statusIntervalS);
    status.insert(QStringLiteral("allow"), QJsonArray::fromStringList(m_config.allow));
    m_client->publish({topic(QStringLiteral("status")).toUtf8(),
                       QJsonDocument(status).toJson(QJsonDocument::Compact), 1, true});
}

void FleetLink::onConnected(int generation)
{
    if (!m_client)
        return;
    m_generation = generation;
    m_online = true;
    m_inFlight.clear();
    m_sentUpTo = 0;
    m_error.clear();
    m_unusable.clear();
    // A new connection tries the events afresh (the broker's ACL may have been put right).
    m_held = false;
    m_probing = 0;
    m_probe->stop();
    note(QStringLiteral("net"),
         QStringLiteral("fleet: connected to %1 as %2").arg(m_config.broker, m_config.station));
    m_client->publish({topic(QStringLiteral("online")).toUtf8(), "1", 1, true});
    publishStatus();
    sendMore();
    emit stateChanged();
}

void FleetLink::onDisconnected(int generation, const QString& reason, bool unusable)
{
    if (!m_client)
        return;
    const bool was = m_online && generation == m_generation;
    m_generation = qMax(m_generation, generation);
    m_online = false;
    m_inFlight.clear();
    m_sentUpTo = 0;
    m_probing = 0;
    m_probe->stop();
    if (was)
        note(QStringLiteral("net"), QStringLiteral("fleet: the connection to %1 ended: %2, %3 "
                                                   "events wait")
                                        .arg(m_config.broker, reason)
                                        .arg(m_spool->pending().size()));
    if (unusable && reason != m_unusable)
        note(QStringLiteral("error"),
             QStringLiteral("Связь с центром выключена: без шифрования станция ничего не "
                            "отправляет. Проверьте файлы ca_file, cert_file и key_file в "
                            "fleet.ini (%1)")
                 .arg(reason));
    m_unusable = unusable ? reason : QString();
    emit stateChanged();
}

void FleetLink::sendMore()
{
    if (!m_client || !m_online || m_held)
        return;
    // A window of messages in flight: the spool drains in order in slices, and the user-interface
    // thread never copies the whole spool at once.
    QList<std::pair<quint64, qsizetype>> tooLarge;
    for (const EventSpool::Entry& entry : m_spool->pending()) {
        if (m_inFlight.size() >= kInFlight)
            break;
        if (entry.seq <= m_sentUpTo || m_spool->acknowledged(entry.seq))
            continue;
        const int mid =
            m_client->publish({topic(QStringLiteral("events")).toUtf8(), entry.payload, 1, false});
        if (mid == MqttClient::kTooLarge) {
            tooLarge.append({entry.seq, entry.payload.size()});
            m_sentUpTo = entry.seq;
            continue;
        }
        if (mid < 0)
            break;
        m_inFlight.insert(mid, entry.seq);
        m_sentUpTo = entry.seq;
    }
    // Left out after the loop: leaving one out changes the spool.
    for (const auto& [seq, bytes] : tooLarge)
        leaveOut(seq, QStringLiteral("%1 bytes, larger than the broker takes").arg(bytes));
}

void FleetLink::leaveOut(quint64 seq, const QString& why)
{
    note(QStringLiteral("error"),
         QStringLiteral("fleet: event %1 is left out: %2").arg(seq).arg(why));
    m_spool->acknowledge(seq);
}

void FleetLink::refused(quint64 seq, int reasonCode)
{
    m_resendFrom = m_held ? qMin(m_resendFrom, seq) : seq;
    if (!m_held) {
        m_held = true;
        emit stateChanged();
    }
    m_refusal = QStringLiteral(
                    "the broker refuses the station's events (reason %1): is the "
                    "station id its user name in the broker's ACL?")
                    .arg(reasonCode);
    if (!m_refusalNoted.isValid() || m_refusalNoted.elapsed() >= kRefusedRetryMs) {
        m_refusalNoted.start();
        note(QStringLiteral("error"),
             QStringLiteral("fleet: the broker refused event %1 (reason %2); events wait in the "
                            "spool, tried again once a minute")
                 .arg(seq)
                 .arg(reasonCode));
    }
    if (!m_probe->isActive())
        m_probe->start();
}

void FleetLink::probe()
{
    if (!m_client || !m_online || !m_held || m_probing != 0)
        return;
    for (const EventSpool::Entry& entry : m_spool->pending()) {
        if (m_spool->acknowledged(entry.seq))
            continue;
        const int mid =
            m_client->publish({topic(QStringLiteral("events")).toUtf8(), entry.payload, 1, false});
        if (mid >= 0) {
            m_inFlight.insert(mid, entry.seq);
            m_probing = entry.seq;
        } else {
            m_probe->start();
        }
        return;
    }
    // Nothing waits: the next event shows whether the broker takes them.
    m_held = false;
    emit stateChanged();
}

void FleetLink::onPublished(int generation, int messageId, int reasonCode)
{
    if (generation != m_generation)
        return;
    const auto found = m_inFlight.find(messageId);
    if (found == m_inFlight.end())
        return;
    const quint64 seq = found.value();
    m_inFlight.erase(found);
    const bool probed = seq == m_probing;
    if (probed)
        m_probing = 0;
    if (reasonCode >= 128 && refusesOnlyThisMessage(reasonCode)) {
        leaveOut(seq, QStringLiteral("the broker refused it (reason %1)").arg(reasonCode));
    } else if (reasonCode >= 128) {
        refused(seq, reasonCode);
        return;
    } else {
        m_spool->acknowledge(seq);
        if (m_held && probed) {
            // Taken again: what was refused goes out once more, in order.
            m_held = false;
            m_sentUpTo = m_resendFrom - 1;
            note(QStringLiteral("net"), QStringLiteral("fleet: the broker takes the events again"));
            emit stateChanged();
        }
    }
    sendMore();
}

void FleetLink::onMessage(const MqttMessage& message)
{
    if (m_sources.alert && (message.topic == topic(QStringLiteral("alert")).toUtf8() ||
                            message.topic == kFleetAlertTopic)) {
        // A retained alert is the one standing now: the board judges its time and knows it when
        // it comes again.
        m_sources.alert(message.payload,
                        QStringLiteral("fleet ") + QString::fromUtf8(message.topic));
        return;
    }
    if (message.topic != topic(QStringLiteral("cmd")).toUtf8() || message.retained)
        return;
    if (message.payload.size() > kCommandBytes) {
        note(QStringLiteral("net"), QStringLiteral("fleet: a command of %1 bytes refused unread")
                                        .arg(message.payload.size()));
        return;
    }
    runCommand(message);
}

void FleetLink::publishScreenshot(const QByteArray& key, const MqttMessage& request,
                                  const QByteArray& png)
{
    if (png.isEmpty()) {
        answer(key, request, 2, QStringLiteral("no screenshot available"));
        return;
    }
    if (!m_client)
        return;
    const QString at = isoTime(QDateTime::currentDateTime());
    const int sent = m_client->publish({topic(QStringLiteral("screenshot")).toUtf8(),
                                        png,
                                        1,
                                        false,
                                        {},
                                        {},
                                        {{"time", at.toUtf8()}, {"content-type", "image/png"}}});
    if (sent == MqttClient::kTooLarge)
        answer(key, request, 2,
               QStringLiteral("the screenshot (%1 bytes) is larger than the broker takes")
                   .arg(png.size()));
    else if (sent < 0)
        answer(key, request, 2, QStringLiteral("the screenshot could not be sent"));
    else
        answer(key, request, 0, QStringLiteral("screenshot published at %1").arg(at));
}

void FleetLink::runCommand(const MqttMessage& request)
{
    const QString line = QString::fromUtf8(request.payload).trimmed();
    const QByteArray replyRoot = topic(QStringLiteral("reply/")).toUtf8();
    const QByteArray& to = request.responseTopic;
    if (!to.startsWith(replyRoot) || to.size() == replyRoot.size() || to.contains('+') ||
        to.contains('#')) {
        note(QStringLiteral("net"),
             QStringLiteral("fleet: command \"%1\" refused: its reply topic \"%2\" is not under %3")
                 .arg(line, QString::fromUtf8(to), QString::fromUtf8(replyRoot)));
        return;
    }
    // A request sent again (the caller reconnected before its answer came) runs once: it gets
    // the first answer, now or when that comes.
    QByteArray key;
    if (!request.correlation.isEmpty()) {
        key = to + '\n' + request.correlation;
        if (const auto known = m_answers.constFind(key); known != m_answers.cend()) {
            if (known->done)
                reply(request, known->code, known->text);
            return;
        }
        m_answers.insert(key, {});
        m_answerOrder.append(key);
        while (m_answerOrder.size() > kRememberedAnswers)
            m_answers.remove(m_answerOrder.takeFirst());
    }
    if (!m_config.allows(line)) {
        note(QStringLiteral("net"),
             QStringLiteral("fleet: command \"%1\" refused: not allowed").arg(line));
        answer(key, request, 2, QStringLiteral("not allowed: %1").arg(line.section(u' ', 0, 0)));
        return;
    }
    if (const QString why = refuseFleetArguments(line); !why.isEmpty()) {
        note(QStringLiteral("net"),
             QStringLiteral("fleet: command \"%1\" refused: %2").arg(line, why));
        answer(key, request, 2, QStringLiteral("not allowed: %1").arg(why));
        return;
    }
    QPointer<FleetLink> self(this);
    if (line == u"screenshot") {
        if (!m_sources.screenshot) {
            answer(key, request, 2, QStringLiteral("no screenshot available"));
            return;
        }
        m_sources.screenshot([self, key, request](const QByteArray& png) {
            if (self)
                self->publishScreenshot(key, request, png);
        });
        return;
    }
    if (!m_sources.execute) {
        answer(key, request, 2, QStringLiteral("no control channel"));
        return;
    }
    // The reply may come later (an asynchronous command); the link may be gone by then.
    m_sources.execute(line, [self, key, request](int code, const QString& text) {
        if (self)
            self->answer(key, request, code, text);
    });
}

void FleetLink::answer(const QByteArray& key, const MqttMessage& request, int code,
                       const QString& text)
{
    if (const auto known = m_answers.find(key); !key.isEmpty() && known != m_answers.end())
        *known = {true, code, text};
    reply(request, code, text);
}

void FleetLink::reply(const MqttMessage& request, int code, const QString& text)
{
    if (!m_client)
        return;
    m_client->publish({request.responseTopic,
                       QByteArray::number(code) + ' ' + text.toUtf8(),
                       1,
                       false,
                       {},
                       request.correlation,
                       {{"code", QByteArray::number(code)}}});
}

}  // namespace velumo::fleet
