#include "fleetview.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTimer>
#include <cstdio>

#include "base/guard.h"
#include "fleet/fleetconfig.h"
#include "fleet/mqttclient.h"
#include "fleet/watchcommand.h"

namespace velumo::fleet {

namespace {

// Characters a terminal takes as orders, not text: the C0 and C1 controls (escape sequences
// start with one) and the marks that reorder the text shown after them.
bool ordersTheTerminal(QChar c)
{
    const char16_t u = c.unicode();
    return c.category() == QChar::Other_Control || (u >= 0x202A && u <= 0x202E) ||
           (u >= 0x2066 && u <= 0x2069) || u == 0x200E || u == 0x200F || u == 0x061C;
}

}  // namespace

QString printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (c == u'\n' || !ordersTheTerminal(c))
            out += c;
    return out;
}

namespace {

QString cell(QString text, int width)
{
    text = printable(text.replace(u'\n', u' ').replace(u'\t', u' '));
    if (text.size() > width)
        return text.left(width - 1) + QChar(0x2026);
    return text.leftJustified(width);
}

QString onAirText(const QJsonObject& status)
{
    const QJsonArray players = status.value(u"on_air").toObject().value(u"players").toArray();
    QStringList parts;
    for (const QJsonValue& v : players) {
        const QJsonObject p = v.toObject();
        QString target = p.value(u"file").toString();
        if (target.isEmpty())
            target = p.value(u"address").toString();
        parts << p.value(u"letter").toString() + p.value(u"slot").toString() + u':' +
                     target.section(u'/', -1);
    }
    return parts.join(u' ');
}

QString ageText(const QDateTime& at, const QDateTime& now)
{
    if (!at.isValid())
        return QStringLiteral("-");
    const qint64 s = qMax<qint64>(0, at.secsTo(now));
    if (s < 120)
        return QStringLiteral("%1s").arg(s);
    if (s < 7200)
        return QStringLiteral("%1m").arg(s / 60);
    return QStringLiteral("%1h").arg(s / 3600);
}

QString alarmsText(const QJsonObject& status)
{
    QStringList names;
    for (const QJsonValue& v : status.value(u"alarms").toArray())
        names << (v.isObject() ? v.toObject().value(u"name").toString() : v.toString());
    return names.isEmpty() ? QStringLiteral("-") : names.join(u',');
}

// JSON escapes the C0 controls itself; the others go out as \\u escapes, still the same JSON.
QString printableJson(const QByteArray& json)
{
    QString out;
    for (const QChar c : QString::fromUtf8(json))
        out += ordersTheTerminal(c) ? QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0'))
                                    : QString(c);
    return out;
}

void print(const QString& text, FILE* to = stdout)
{
    std::fputs(text.toUtf8().constData(), to);
    std::fflush(to);
}

}  // namespace

bool FleetTable::take(const MqttMessage& message, const QDateTime& now)
{
    const QList<QByteArray> parts = message.topic.split('/');
    if (parts.size() != 3 || parts[0] != "velumo")
        return false;
    const QString id = QString::fromUtf8(parts[1]);
    if (!isStationId(id))
        return false;
    if (parts[2] == "online") {
        Station& s = m_stations[id];
        s.online = message.payload == "1";
        s.seenOnline = true;
    } else if (parts[2] == "status") {
        m_stations[id].status = QJsonDocument::fromJson(message.payload).object();
    } else if (parts[2] == "events") {
        const QJsonObject event = QJsonDocument::fromJson(message.payload).object();
        Station& s = m_stations[id];
        const QDateTime at =
            QDateTime::fromString(event.value(u"time").toString(), Qt::ISODateWithMs);
        s.lastEvent = at.isValid() ? at : now;
        s.lastEventKind = event.value(u"kind").toString();
    } else {
        return false;
    }
    return true;
}

QString FleetTable::text(const QDateTime& now) const
{
    // 16 + 1 + 3 + 1 + 22 + 1 + 22 + 1 + 5 + 1 + 7 = 80
    QString out = cell(QStringLiteral("STATION"), 16) + u' ' + cell(QStringLiteral("ON"), 3) +
                  u' ' + cell(QStringLiteral("ON AIR"), 22) + u' ' +
                  cell(QStringLiteral("PLAN LINE"), 22) + u' ' + cell(QStringLiteral("EVENT"), 5) +
                  u' ' + QStringLiteral("ALARMS") + u'\n';
    for (auto it = m_stations.cbegin(); it != m_stations.cend(); ++it) {
        const Station& s = it.value();
        const QString online = !s.seenOnline ? QStringLiteral("?")
                               : s.online    ? QStringLiteral("yes")
                                             : QStringLiteral("no");
        const QString plan = s.status.value(u"on_air").toObject().value(u"plan_line").toString();
        out += cell(it.key(), 16) + u' ' + cell(online, 3) + u' ' + cell(onAirText(s.status), 22) +
               u' ' + cell(plan, 22) + u' ' + cell(ageText(s.lastEvent, now), 5) + u' ' +
               cell(alarmsText(s.status), 7).trimmed() + u'\n';
    }
    return out;
}

QJsonArray FleetTable::json(const QDateTime& now) const
{
    QJsonArray out;
    for (auto it = m_stations.cbegin(); it != m_stations.cend(); ++it) {
        const Station& s = it.value();
        out.append(QJsonObject{
            {QStringLiteral("station"), it.key()},
            {QStringLiteral("online"),
             s.seenOnline ? QJsonValue(s.online) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("on_air"), s.status.value(u"on_air")},
            {QStringLiteral("plan_line"), s.status.value(u"on_air").toObject().value(u"plan_line")},
            {QStringLiteral("last_event_age_s"), s.lastEvent.isValid()
                                                     ? QJsonValue(s.lastEvent.secsTo(now))
                                                     : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("alarms"), s.status.value(u"alarms")}});
    }
    return out;
}

int runFleetCommand(const QStringList& arguments)
{
    const QString usage = QStringLiteral(
        "usage: velumo --fleet BROKER [--user U] [--password-file F] [--ca F] [--cert F --key F]\n"
        "                [--once] [--json] [--send STATION COMMAND] [--timeout MS]\n"
        "                [--watch --exec COMMAND]\n");
    if (arguments.isEmpty()) {
        print(usage, stderr);
        return 2;
    }
    FleetConfig config;
    if (const QString error = config.setBroker(arguments[0]); !error.isEmpty()) {
        print(error + u'\n', stderr);
        return 2;
    }
    bool once = false;
    bool json = false;
    QString station;
    QString command;
    bool send = false;
    bool watch = false;
    QString exec;
    int timeoutMs = 15000;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (a == u"--once") {
            once = true;
        } else if (a == u"--json") {
            json = true;
        } else if (a == u"--watch") {
            watch = true;
        } else if (a == u"--exec" && hasValue) {
            exec = arguments[++i];
        } else if (a == u"--user" && hasValue) {
            config.user = arguments[++i];
        } else if (a == u"--password-file" && hasValue) {
            QFile file(arguments[++i]);
            if (!file.open(QIODevice::ReadOnly)) {
                print(QStringLiteral("cannot read %1\n").arg(file.fileName()), stderr);
                return 2;
            }
            config.password = QString::fromUtf8(file.read(4096)).section(u'\n', 0, 0).trimmed();
        } else if (a == u"--ca" && hasValue) {
            config.caFile = arguments[++i];
        } else if (a == u"--cert" && hasValue) {
            config.certFile = arguments[++i];
        } else if (a == u"--key" && hasValue) {
            config.keyFile = arguments[++i];
        } else if (a == u"--timeout" && hasValue) {
            timeoutMs = arguments[++i].toInt();
        } else if (a == u"--send" && i + 2 < arguments.size()) {
            send = true;
            station = arguments[++i];
            command = arguments[++i];
        } else {
            print(usage, stderr);
            return 2;
        }
    }
    if (watch)
        return runFleetWatch(config, exec);
    if (send && !isStationId(station)) {
        print(QStringLiteral("not a station id: %1\n").arg(station), stderr);
        return 2;
    }

    const QByteArray token = QByteArray::number(QRandomGenerator::system()->generate64(), 36);
    MqttClient::Options o = brokerOptions(
        config,
        QStringLiteral("velumo-fleet-%1-%2").arg(::getpid()).arg(QString::fromLatin1(token)), 30);
    const QByteArray replyTopic = "velumo/" + station.toUtf8() + "/reply/" + token;
    if (send) {
        o.subscriptions = {replyTopic};
        // The broker keeps the reply for us over a lost connection.
        o.sessionExpiryS = qMax(60, timeoutMs / 1000 + 30);
    } else {
        o.subscriptions = {"velumo/+/online", "velumo/+/status", "velumo/+/events"};
    }
    MqttClient client(o);
    FleetTable table;
    int exitCode = 1;
    QTimer redraw;
    redraw.setSingleShot(true);
    redraw.setInterval(200);
    const auto show = [&] {
        const QDateTime now = QDateTime::currentDateTime();
        if (json)
            print(printableJson(QJsonDocument(table.json(now)).toJson(QJsonDocument::Compact)) +
                  u'\n');
        else
            print((once || !::isatty(1) ? QString() : QStringLiteral("\x1b[H\x1b[2J")) +
                  table.text(now));
    };
    const Origin origin = Origin::unattended(QStringLiteral("fleet"));
    connectGuarded(&redraw, &QTimer::timeout, &redraw, origin, show);
    QTimer deadline;
    deadline.setSingleShot(true);
    connectGuarded(&deadline, &QTimer::timeout, &deadline, origin, [&] {
        if (once && client.isConnected()) {
            show();
            exitCode = 0;
        } else {
            const QString error = client.lastError();
            print(
                QStringLiteral("no answer from %1%2\n")
                    .arg(config.broker, error.isEmpty() ? QString() : QStringLiteral(": ") + error),
                stderr);
            exitCode = 1;
        }
        QCoreApplication::exit(exitCode);
    });
    const QByteArray correlation = token;
    // The command goes out once: again only on a new connection before the broker took it, and
    // then with the same correlation data, which the station answers without running it twice.
    bool delivered = false;
    int sentGeneration = -1;
    int sentId = -1;
    connectGuarded(
        &client, &MqttClient::connected, &deadline, origin,
        [&](int generation) {
            if (send && !delivered) {
                sentGeneration = generation;
                sentId = client.publish({"velumo/" + station.toUtf8() + "/cmd",
                                         command.toUtf8(),
                                         1,
                                         false,
                                         replyTopic,
                                         correlation,
                                         {}});
            } else if (once) {
                // The retained online and status of every station come at once after the
                // subscription.
                deadline.start(qMin(timeoutMs, 1000));
            }
        },
        Qt::QueuedConnection);
    connectGuarded(
        &client, &MqttClient::published, &deadline, origin,
        [&](int generation, int messageId, int reasonCode) {
            if (!send || generation != sentGeneration || messageId != sentId)
                return;
            if (reasonCode < 128) {
                delivered = true;
                return;
            }
            print(QStringLiteral("the broker refused the command (reason %1)\n").arg(reasonCode),
                  stderr);
            exitCode = 2;
            QCoreApplication::exit(exitCode);
        },
        Qt::QueuedConnection);
    // Settings that cannot be used (a TLS file that cannot be read) end the run at once: nothing
    // goes out in clear.
    connectGuarded(
        &client, &MqttClient::disconnected, &deadline, origin,
        [&](int, const QString& reason, bool unusable) {
            if (!unusable)
                return;
            print(QStringLiteral("Связь с брокером не установлена: без шифрования ничего не "
                                 "отправлено (%1)\n")
                      .arg(reason),
                  stderr);
            exitCode = 2;
            QCoreApplication::exit(exitCode);
        },
        Qt::QueuedConnection);
    connectGuarded(
        &client, &MqttClient::messageReceived, &deadline, origin,
        [&](const MqttMessage& message) {
            if (send) {
                if (message.topic != replyTopic || message.correlation != correlation)
                    return;
                const qsizetype space = message.payload.indexOf(' ');
                const int code = message.payload.left(space).toInt();
                const QString text = printable(
                    QString::fromUtf8(space < 0 ? QByteArray() : message.payload.mid(space + 1)));
                print(text + u'\n', code == 0 ? stdout : stderr);
                exitCode = code;
                QCoreApplication::exit(code);
                return;
            }
            if (table.take(message, QDateTime::currentDateTime()) && !once && !redraw.isActive())
                redraw.start();
        },
        Qt::QueuedConnection);
    if (send || once)
        deadline.start(timeoutMs);
    client.start();
    const int code = QCoreApplication::exec();
    client.stop(send ? 500 : 0);
    return code;
}

}  // namespace velumo::fleet
