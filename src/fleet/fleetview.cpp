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

namespace velumo::fleet {

namespace {

QString cell(QString text, int width)
{
    text.replace(u'\n', u' ').replace(u'\t', u' ');
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
        "                [--once] [--json] [--send STATION COMMAND] [--timeout MS]\n");
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
    int timeoutMs = 15000;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (a == u"--once") {
            once = true;
        } else if (a == u"--json") {
            json = true;
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
    if (send && !isStationId(station)) {
        print(QStringLiteral("not a station id: %1\n").arg(station), stderr);
        return 2;
    }

    const QByteArray token = QByteArray::number(QRandomGenerator::system()->generate64(), 36);
    MqttClient::Options o = brokerOptions(
        config,
        QStringLiteral("velumo-fleet-%1-%2").arg(::getpid()).arg(QString::fromLatin1(token)), 30);
    const QByteArray replyTopic = "velumo/" + station.toUtf8() + "/reply/" + token;
    if (send)
        o.subscriptions = {replyTopic};
    else
        o.subscriptions = {"velumo/+/online", "velumo/+/status", "velumo/+/events"};
    MqttClient client(o);
    FleetTable table;
    int exitCode = 1;
    QTimer redraw;
    redraw.setSingleShot(true);
    redraw.setInterval(200);
    const auto show = [&] {
        const QDateTime now = QDateTime::currentDateTime();
        if (json)
            print(QString::fromUtf8(QJsonDocument(table.json(now)).toJson(QJsonDocument::Compact)) +
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
    connectGuarded(
        &client, &MqttClient::connected, &deadline, origin,
        [&] {
            if (send) {
                client.publish({"velumo/" + station.toUtf8() + "/cmd",
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
        &client, &MqttClient::messageReceived, &deadline, origin,
        [&](const MqttMessage& message) {
            if (send) {
                if (message.topic != replyTopic || message.correlation != correlation)
                    return;
                const qsizetype space = message.payload.indexOf(' ');
                const int code = message.payload.left(space).toInt();
                const QString text =
                    QString::fromUtf8(space < 0 ? QByteArray() : message.payload.mid(space + 1));
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
