// The fleet at scale: 200 stations' links (the real FleetLink, each with a recorded status) on
// one Mosquitto run with the site configuration (TLS, passwords, ACL), on 127.0.0.1.
//   fleet_bench [STATIONS]
// Prints: the time until every station is online, the status fan-in (an on-air change at every
// station at once until the operator holds every new status), the command round trip seen by the
// operator (median, p99), the time until the broker has announced every station of a frozen
// process offline (its last will; target: within 2 x keep-alive) and the broker's CPU.
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QProcess>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

#include "base/eventlog.h"
#include "base/timer.h"
#include "fleet/brokerrig.h"
#include "fleet/fleetconfig.h"
#include "fleet/fleetlink.h"
#include "fleet/mqttclient.h"
#include "onair/onairmodel.h"

using namespace velumo;

namespace {

// Mosquitto 2.0 looks for expired keep-alives every few seconds: twice the keep-alive holds from
// about 12 s on (the default is 30 s).
constexpr int kKeepAliveS = 12;

QString station(int i)
{
    return QStringLiteral("bench%1").arg(i, 3, 10, QChar(u'0'));
}

double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> f = stat.readAll().split(' ');
    return f.size() > 15 ? (f[13].toDouble() + f[14].toDouble()) / double(sysconf(_SC_CLK_TCK)) : 0;
}

// The stations' side: one process holding every link, killed at the end.
int runStations(int count, int port, const QString& ca, const QString& folder)
{
    QtTimerFactory timers;
    std::vector<std::unique_ptr<EventLog>> logs;
    std::vector<std::unique_ptr<OnAirModel>> onAir;
    std::vector<std::unique_ptr<fleet::FleetLink>> links;
    // A recorded status of a busy station.
    const QJsonObject recorded =
        QJsonDocument::fromJson(
            R"({"ticker":{"running":true,"current_line":12,"resume_line":0,"block_run_count":3},
            "dispatcher":{"on":true,"plan":"plan.txt"},"onair":{"on_air":true,"resumed":[]},
            "failures":{"today":0,"boxes":[],"last":null}})")
            .object();
    for (int i = 0; i < count; ++i) {
        const QString id = station(i);
        const QString dir = folder + u'/' + id;
        QDir().mkpath(dir);
        fleet::FleetConfig config;
        config.setBroker(QStringLiteral("mqtts://127.0.0.1:%1").arg(port));
        config.station = id;
        config.user = id;
        config.password = QStringLiteral("pw-") + id;
        config.caFile = ca;
        config.keepAliveS = kKeepAliveS;
        config.allow = fleet::FleetConfig::defaultAllow();
        logs.push_back(std::make_unique<EventLog>(dir + QStringLiteral("/velumo.log")));
        onAir.push_back(std::make_unique<OnAirModel>(*logs.back()));
        fleet::FleetLink::Sources sources{
            [recorded] { return recorded; },
            [recorded](const QString&, std::function<void(int, const QString&)> answer) {
                answer(0,
                       QString::fromUtf8(QJsonDocument(recorded).toJson(QJsonDocument::Compact)));
            }};
        links.push_back(std::make_unique<fleet::FleetLink>(config, dir, *logs.back(), *onAir.back(),
                                                           std::move(sources), timers));
        links.back()->start();
    }
    // Every station changes what is on air at once, 3 s after the last is online.
    QElapsedTimer waited;
    waited.start();
    test::waitFor(
        [&] {
            return std::all_of(links.begin(), links.end(),
                               [](const auto& l) { return l->isOnline(); });
        },
        120000, 20);
    test::waitFor([] { return false; }, 3000, 20);
    for (auto& log : logs)
        log->post(StartEvent{QStringLiteral("12:00:00 k1 fanout")},
                  QStringLiteral("12:00:00 k1 fanout"));
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 5 && args[1] == u"--stations")
        return runStations(args[2].toInt(), args[3].toInt(), args[4], args[5]);
    const int count = args.size() > 1 ? args[1].toInt() : 200;
    QStringList ids;
    for (int i = 0; i < count; ++i)
        ids << station(i);
    fleettest::Broker broker(ids);
    if (!broker.start()) {
        std::fprintf(stderr, "the broker did not start\n");
        return 1;
    }
    const qint64 brokerPid = [&] {
        QProcess pgrep;
        pgrep.start(QStringLiteral("pgrep"),
                    {QStringLiteral("-n"), QStringLiteral("-f"), broker.file("velumo.conf")});
        pgrep.waitForFinished(3000);
        return pgrep.readAll().trimmed().toLongLong();
    }();
    fleet::MqttClient::Options o;
    o.host = QStringLiteral("127.0.0.1");
    o.port = broker.port();
    o.tls = true;
    o.caFile = broker.file(QStringLiteral("ca.crt"));
    o.user = QStringLiteral("operator");
    o.password = QStringLiteral("pw-operator");
    o.clientId = QStringLiteral("bench-operator");
    o.subscriptions = {"velumo/+/online", "velumo/+/status", "velumo/+/events", "velumo/+/reply/#"};
    fleet::MqttClient operatorClient(o);
    QHash<QString, QByteArray> online;
    QHash<QString, qint64> fanoutAt;    // the on-air change, by the event's time
    QHash<QString, qint64> fanoutSeen;  // its status at the operator
    QHash<QByteArray, qint64> replies;
    qint64 killedAtMs = 0;
    qint64 lastWillMs = 0;
    QObject::connect(&operatorClient, &fleet::MqttClient::messageReceived, &app,
                     [&](const fleet::MqttMessage& m) {
                         const qint64 now = QDateTime::currentMSecsSinceEpoch();
                         const QString id = QString::fromUtf8(m.topic.split('/').value(1));
                         if (m.topic.endsWith("/online")) {
                             online[id] = m.payload;
                             if (m.payload == "0" && killedAtMs)
                                 lastWillMs = now;
                         } else if (m.topic.endsWith("/events")) {
                             const QJsonObject e = QJsonDocument::fromJson(m.payload).object();
                             if (e.value(u"kind").toString() == u"start")
                                 fanoutAt[id] = QDateTime::fromString(e.value(u"time").toString(),
                                                                      Qt::ISODateWithMs)
                                                    .toMSecsSinceEpoch();
                         } else if (m.topic.endsWith("/status")) {
                             const QJsonObject s = QJsonDocument::fromJson(m.payload).object();
                             if (s.value(u"on_air")
                                     .toObject()
                                     .value(u"plan_line")
                                     .toString()
                                     .contains(u"fanout") &&
                                 !fanoutSeen.contains(id))
                                 fanoutSeen[id] = now;
                         } else if (m.topic.contains("/reply/")) {
                             replies[m.correlation] = now;
                         }
                     });  // plain: a benchmark's own recorder
    operatorClient.start();
    test::waitFor([&] { return operatorClient.isConnected(); }, 10000, 10);

    QTemporaryDir folder;
    QProcess stations;
    stations.setProcessChannelMode(QProcess::ForwardedChannels);
    const double cpu0 = cpuSeconds(brokerPid);
    QElapsedTimer phase;
    phase.start();
    stations.start(
        app.applicationFilePath(),
        {QStringLiteral("--stations"), QString::number(count), QString::number(broker.port()),
         broker.file(QStringLiteral("ca.crt")), folder.path()});
    const auto allOnline = [&] {
        return std::count_if(online.begin(), online.end(),
                             [](const QByteArray& v) { return v == "1"; }) == count;
    };
    if (!test::waitFor(allOnline, 120000, 5)) {
        std::fprintf(stderr, "only %lld stations came online\n", (long long)online.size());
        return 1;
    }
    const double connectS = phase.elapsed() / 1000.0;
    const double cpuConnect = cpuSeconds(brokerPid) - cpu0;
    std::printf("%d stations online (TLS, passwords, ACL) in %.2f s; broker CPU %.2f s; load %s\n",
                count, connectS, cpuConnect, qPrintable(test::loadAverage()));

    test::waitFor([&] { return fanoutSeen.size() == count && fanoutAt.size() == count; }, 60000, 5);
    qint64 fanIn = 0;
    for (auto it = fanoutSeen.cbegin(); it != fanoutSeen.cend(); ++it)
        fanIn = std::max(fanIn, it.value() - fanoutAt.value(it.key()));
    std::printf(
        "status fan-in: an on-air change at all %d stations at once, every new status at the "
        "operator after %lld ms (%d ms of it the link's settling); load %s\n",
        int(fanoutSeen.size()), (long long)fanIn, fleet::FleetLink::kStatusSettleMs,
        qPrintable(test::loadAverage()));

    // Command round trips, one after the other, over every station.
    const double cpu1 = cpuSeconds(brokerPid);
    QElapsedTimer window;
    window.start();
    std::vector<qint64> trips;
    const int rounds = std::max(1000, count);
    for (int i = 0; i < rounds; ++i) {
        const QString id = station(i % count);
        const QByteArray correlation = QByteArray::number(i);
        const qint64 sent = QDateTime::currentMSecsSinceEpoch();
        operatorClient.publish({"velumo/" + id.toUtf8() + "/cmd",
                                "status",
                                1,
                                false,
                                "velumo/" + id.toUtf8() + "/reply/bench",
                                correlation,
                                {}});
        if (test::waitFor([&] { return replies.contains(correlation); }, 5000, 0))
            trips.push_back(replies.value(correlation) - sent);
    }
    std::sort(trips.begin(), trips.end());
    const double cpuCommands = cpuSeconds(brokerPid) - cpu1;
    if (!trips.empty())
        std::printf(
            "command round trip over %zu commands (%d lost): median %lld ms, p99 %lld ms, max %lld "
            "ms; "
            "broker CPU %.1f %% of a core; load %s\n",
            trips.size(), rounds - int(trips.size()), (long long)trips[trips.size() / 2],
            (long long)trips[trips.size() * 99 / 100], (long long)trips.back(),
            100.0 * cpuCommands / (window.elapsed() / 1000.0), qPrintable(test::loadAverage()));

    // Idle: what keeping 200 connections costs the broker.
    const double cpu2 = cpuSeconds(brokerPid);
    window.restart();
    test::waitFor([] { return false; }, 5000, 20);
    std::printf("broker idle with %d stations: %.1f %% of a core\n", count,
                100.0 * (cpuSeconds(brokerPid) - cpu2) / (window.elapsed() / 1000.0));

    // Every station frozen at once (its connections stay open, nothing more comes): the broker
    // notices by the keep-alive and sends the last wills.
    killedAtMs = QDateTime::currentMSecsSinceEpoch();
    ::kill(pid_t(stations.processId()), SIGSTOP);
    const auto allOffline = [&] {
        return std::count_if(online.begin(), online.end(),
                             [](const QByteArray& v) { return v == "0"; }) == count;
    };
    const bool noticed = test::waitFor(allOffline, 4 * kKeepAliveS * 1000, 5);
    ::kill(pid_t(stations.processId()), SIGKILL);
    ::kill(pid_t(stations.processId()), SIGCONT);
    stations.waitForFinished(5000);
    std::printf(
        "frozen: %s stations offline after %lld ms (keep-alive %d s, target %d ms); load %s\n",
        noticed ? "all" : "NOT all", (long long)(lastWillMs - killedAtMs), kKeepAliveS,
        2 * kKeepAliveS * 1000, qPrintable(test::loadAverage()));
    operatorClient.stop(200);
    return noticed ? 0 : 1;
}
