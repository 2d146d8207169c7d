// The station killed with SIGKILL again and again while its broker is away and while its spool
// drains, then counted at a subscriber: every sequence number arriving exactly once.
//   fleet_kill_bench [KILLS]        (default 40, about a minute and a half; 200 for the full run)
// The real program on a folder with fleet.ini, a real Mosquitto with the site configuration (TLS,
// passwords, ACL) on 127.0.0.1, and a subscriber whose session the broker keeps. Every other kill
// comes while the broker is stopped and the program makes events; the others while the broker is
// back, a few ms after the first of the waiting events has arrived (in the drain). At the end the
// program drains all and closes.
// Prints: the kills (and how many drain kills came before the spool was empty), the events made,
// the numbers that arrived exactly once, more than once and never, and the numbers that came
// with two different events (a number used twice); the time per cycle. QoS 1 is at least once:
// what was in flight at a kill, or acknowledged less than 200 ms before it, comes again as the
// same event with the same number, which the subscriber drops. Fails when one is missing or a
// number was used twice.
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <csignal>
#include <cstdio>

#include "base/controlchannel.h"
#include "fleet/fleetrig.h"

using namespace velumo;

namespace {

void settle(int ms)
{
    test::waitFor([] { return false; }, ms, 5);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("VELUMO_SOURCE_DIR"))
        qputenv("VELUMO_SOURCE_DIR", VELUMO_SOURCE_DIR_DEFAULT);
    if (qEnvironmentVariableIsEmpty("VELUMO_BUILD_DIR"))
        qputenv("VELUMO_BUILD_DIR", VELUMO_BUILD_DIR_DEFAULT);
    const int kills = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 40;
    QRandomGenerator random(20240529);

    // The subscriber's queue at the broker unbounded: what is counted is the station's doing.
    fleettest::Broker broker({QStringLiteral("bench")}, "max_queued_messages 0\n");
    if (!broker.start()) {
        std::fprintf(stderr, "the broker did not start\n");
        return 1;
    }
    // Every copy of every number, as it arrived.
    QHash<qint64, QList<QByteArray>> arrived;
    qint64 deliveries = 0;
    fleettest::Subscriber watch(broker, {"velumo/bench/events"}, QStringLiteral("kill-watch"),
                                3600);
    QObject::connect(
        watch.client.get(), &fleet::MqttClient::messageReceived, &app,
        [&](const fleet::MqttMessage& m) {
            arrived[fleettest::json(m.payload).value(u"seq").toInteger()].append(m.payload);
            ++deliveries;
        });
    if (!watch.waitConnected()) {
        std::fprintf(stderr, "the subscriber did not connect\n");
        return 1;
    }
    QTemporaryDir folder;
    fleettest::writeFleetIni(folder.path(), broker, {.station = QStringLiteral("bench")});

    int drainKillsWaiting = 0;  // drain kills that came before the spool was empty
    bool brokerUp = true;
    QElapsedTimer total;
    total.start();
    for (int cycle = 0; cycle < kills; ++cycle) {
        const bool outage = cycle % 2 == 0;
        if (outage) {
            broker.stop();
            brokerUp = false;
        } else {
            if (!broker.start() || !watch.waitConnected()) {
                std::fprintf(stderr, "the broker did not come back\n");
                return 1;
            }
            brokerUp = true;
        }
        test::Program program(folder.path());
        if (!program.launch({}, test::programEnvironment())) {
            std::fprintf(stderr, "the program did not start (cycle %d)\n", cycle);
            return 1;
        }
        if (outage) {
            // Events while the broker is away, killed in the middle of making them.
            if (!program.waitReady()) {
                std::fprintf(stderr, "the program did not answer (cycle %d)\n", cycle);
                return 1;
            }
            const int rounds = 10 + int(random.bounded(70));
            for (int i = 0; i < rounds; ++i) {
                program.send(QStringLiteral("ticker start"));
                program.send(QStringLiteral("ticker stop"));
            }
            settle(int(random.bounded(20)));
        } else {
            // Killed in the drain: a few ms after the first of its events has arrived.
            const qint64 before = deliveries;
            test::waitFor([&] { return deliveries > before; }, 10000, 1);
            settle(int(random.bounded(30)));
            if (QFileInfo(folder.filePath(QStringLiteral("fleet.spool"))).size() > 0)
                ++drainKillsWaiting;
        }
        ::kill(pid_t(program.pid()), SIGKILL);
        program.process().waitForFinished(5000);
        settle(20);
    }
    const double cycleMs = double(total.elapsed()) / qMax(1, kills);

    // The last run drains everything and closes.
    if ((!brokerUp && !broker.start()) || !watch.waitConnected()) {
        std::fprintf(stderr, "the broker did not come back\n");
        return 1;
    }
    test::Program program(folder.path());
    if (!program.launch({}, test::programEnvironment()) || !program.waitReady()) {
        std::fprintf(stderr, "the program did not start at the end\n");
        return 1;
    }
    const auto fleet = [&] {
        const ControlReply reply = program.send(QStringLiteral("status"));
        return QJsonDocument::fromJson(reply.text.toUtf8()).object().value(u"fleet").toObject();
    };
    test::waitFor(
        [&] {
            const QJsonObject f = fleet();
            return f.value(u"state").toString() == u"online" && f.value(u"spool").toInteger() == 0;
        },
        120000, 50);
    const qint64 last = fleet().value(u"last_seq").toInteger();
    test::waitFor([&] { return arrived.contains(last); }, 30000, 10);
    settle(1000);
    program.close();

    qint64 once = 0;
    qint64 again = 0;
    qint64 copies = 0;
    qint64 missing = 0;
    qint64 reused = 0;
    for (qint64 seq = 1; seq <= last; ++seq) {
        const QList<QByteArray> got = arrived.value(seq);
        if (got.isEmpty()) {
            if (++missing <= 20)
                std::printf("missing: %lld\n", seq);
            continue;
        }
        (got.size() == 1 ? once : again) += 1;
        copies += got.size() - 1;
        if (QSet<QByteArray>(got.begin(), got.end()).size() > 1)
            ++reused;
    }
    std::printf(
        "kills: %d (%d while the broker was away, %d from the start to the end of a "
        "drain, %d of these before the spool was empty)\n",
        kills, (kills + 1) / 2, kills / 2, drainKillsWaiting);
    std::printf("events made: %lld (numbers 1 to %lld)\n", qint64(last), qint64(last));
    std::printf(
        "arrived exactly once: %lld; more than once: %lld (%lld extra copies); never: "
        "%lld; one number for two events: %lld\n",
        once, again, copies, missing, reused);
    std::printf("cycle (start, events or drain, kill): %.0f ms on average\n", cycleMs);
    return missing == 0 && reused == 0 && last > 0 ? 0 : 1;
}
