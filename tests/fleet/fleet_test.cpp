// The station's fleet link against a real Mosquitto with the site's TLS, password file and ACL.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QSet>
#include <csignal>

#include "base/eventlog.h"
#include "base/timer.h"
#include "fleet/fleetlink.h"
#include "fleet/fleetrig.h"
#include "onair/onairmodel.h"

namespace velumo::fleettest {
namespace {

using test::waitFor;

QByteArray request(Subscriber& caller, const QByteArray& station, const QByteArray& command,
                   const QByteArray& replyTopic, const QByteArray& correlation)
{
    caller.client->publish(
        {"velumo/" + station + "/cmd", command, 1, false, replyTopic, correlation, {}});
    QByteArray answer;
    waitFor(
        [&] {
            for (const fleet::MqttMessage& m : caller.on(replyTopic))
                if (m.correlation == correlation)
                    answer = m.payload;
            return !answer.isEmpty();
        },
        10000, 5);
    return answer;
}

// The station "lab" of the broker, as a link in this process has it.
fleet::FleetConfig labConfig(const Broker& broker)
{
    fleet::FleetConfig config;
    config.setBroker(broker.address());
    config.station = config.user = "lab";
    config.password = "pw-lab";
    config.caFile = broker.file("ca.crt");
    config.keepAliveS = 5;
    config.allow = fleet::FleetConfig::defaultAllow();
    return config;
}

QList<qint64> eventSeqs(const Subscriber& s, const QByteArray& station)
{
    QList<qint64> out;
    for (const fleet::MqttMessage& m : s.on("velumo/" + station + "/events"))
        out.append(json(m.payload).value(u"seq").toInteger());
    return out;
}

// Online and the last will, the status, commands and their replies, the allow-list, the
// operator's command line.
TEST(FleetLink, OnlineStatusCommandsAndLastWill)
{
    Broker broker({"st1"});
    ASSERT_TRUE(broker.start()) << broker.output().toStdString();
    QTemporaryDir folder;
    writeFleetIni(folder.path(), broker, {});
    Subscriber watch(broker, {"velumo/#"});
    ASSERT_TRUE(watch.waitConnected());

    test::Program program(folder.path());
    program.start();
    ASSERT_TRUE(program.waitReady());
    ASSERT_TRUE(waitFor([&] { return watch.last("velumo/st1/online") == "1"; }, 15000))
        << test::readAll(folder.path() + "/velumo.log").toStdString();
    ASSERT_TRUE(waitFor([&] { return !watch.on("velumo/st1/status").isEmpty(); }, 5000));
    const QJsonObject status = json(watch.last("velumo/st1/status"));
    EXPECT_EQ(status.value(u"station").toString(), "st1");
    EXPECT_FALSE(status.value(u"version").toString().isEmpty());
    EXPECT_TRUE(status.value(u"uptime_s").isDouble());
    EXPECT_TRUE(status.value(u"on_air").isObject());
    EXPECT_TRUE(status.value(u"alarms").isArray());
    // The control channel's own members are there, the fleet's among them.
    EXPECT_TRUE(status.contains(u"ticker"));
    EXPECT_EQ(status.value(u"fleet").toObject().value(u"state").toString(), "online");
    EXPECT_EQ(program.status().value(u"fleet").toObject().value(u"state").toString(), "online");

    // A command through the control channel's own path, answered with its code and text.
    Subscriber caller(broker, {"velumo/st1/reply/#"});
    ASSERT_TRUE(caller.waitConnected());
    const QByteArray answer = request(caller, "st1", "status", "velumo/st1/reply/a", "corr-1");
    ASSERT_TRUE(answer.startsWith("0 {")) << answer.toStdString();
    EXPECT_EQ(json(answer.mid(2)).value(u"fleet").toObject().value(u"station").toString(), "st1");

    // What changes what is on air publishes the status again at once (the period is 60 s).
    const qsizetype statuses = watch.on("velumo/st1/status").size();
    EXPECT_TRUE(
        request(caller, "st1", "ticker start", "velumo/st1/reply/b", "corr-2").startsWith("0"));
    EXPECT_TRUE(waitFor([&] { return watch.on("velumo/st1/status").size() > statuses; }, 3000));

    // A verb off the allow-list is refused and never runs: the program goes on.
    const QByteArray refused = request(caller, "st1", "exit", "velumo/st1/reply/c", "corr-3");
    EXPECT_EQ(refused, "2 not allowed: exit");
    EXPECT_TRUE(test::readAll(folder.path() + "/velumo.log")
                    .contains("fleet: command \"exit\" refused: not allowed"));
    // A reply topic outside the station's own is refused too.
    caller.client->publish(
        {"velumo/st1/cmd", "status", 1, false, "velumo/elsewhere/x", "corr-4", {}});
    EXPECT_TRUE(waitFor(
        [&] {
            return test::readAll(folder.path() + "/velumo.log")
                .contains("its reply topic \"velumo/elsewhere/x\"");
        },
        5000));
    EXPECT_EQ(program.process().state(), QProcess::Running);
    EXPECT_EQ(program.status().value(u"dispatcher").isUndefined(), false);

    // The operator's command line: the same exit codes as --send; the table of the fleet.
    const QStringList access{
        broker.address(),           "--user", "operator",           "--password-file",
        broker.file("operator.pw"), "--ca",   broker.file("ca.crt")};
    test::writeAll(broker.file("operator.pw"), "pw-operator\n");
    QString output;
    EXPECT_EQ(
        test::runToEnd(QStringList{"--fleet"} + access + QStringList{"--send", "st1", "status"},
                       &output),
        0)
        << output.toStdString();
    EXPECT_TRUE(output.startsWith("{")) << output.toStdString();
    EXPECT_EQ(test::runToEnd(QStringList{"--fleet"} + access + QStringList{"--send", "st1", "exit"},
                             &output),
              2);
    EXPECT_EQ(
        test::runToEnd(QStringList{"--fleet"} + access + QStringList{"--once", "--json"}, &output),
        0);
    const QJsonArray table = QJsonDocument::fromJson(output.toUtf8()).array();
    ASSERT_EQ(table.size(), 1) << output.toStdString();
    EXPECT_EQ(table[0].toObject().value(u"station").toString(), "st1");
    EXPECT_TRUE(table[0].toObject().value(u"online").toBool());
    EXPECT_EQ(test::runToEnd(QStringList{"--fleet"} + access + QStringList{"--once"}, &output), 0);
    EXPECT_TRUE(output.contains("st1")) << output.toStdString();
    for (const QString& line : output.split('\n'))
        EXPECT_LE(line.size(), 80);

    // Killed: the broker's last will says so within twice the keep-alive.
    QElapsedTimer killed;
    killed.start();
    ::kill(pid_t(program.pid()), SIGKILL);
    program.process().waitForFinished(5000);
    ASSERT_TRUE(waitFor([&] { return watch.last("velumo/st1/online") == "0"; }, 12000));
    EXPECT_LT(killed.elapsed(), 2 * 5000 + 500);
}

// Frozen (the connection stays open, nothing comes): the last will within twice the keep-alive;
// back, the station reconnects by itself. A clean exit says "0" itself.
TEST(FleetLink, FrozenThenBackThenCleanExit)
{
    Broker broker({"st1"});
    ASSERT_TRUE(broker.start());
    QTemporaryDir folder;
    // Mosquitto 2.0 looks for expired keep-alives every few seconds (measured: 7 to 13 s after a
    // freeze at a keep-alive of 5 s), so twice the keep-alive holds from about 12 s on.
    constexpr int keepAliveS = 12;
    writeFleetIni(folder.path(), broker, {.keepAliveS = keepAliveS});
    Subscriber watch(broker, {"velumo/+/online"});
    ASSERT_TRUE(watch.waitConnected());
    test::Program program(folder.path());
    program.start();
    ASSERT_TRUE(program.waitReady());
    ASSERT_TRUE(waitFor([&] { return watch.last("velumo/st1/online") == "1"; }, 15000));
    QElapsedTimer frozen;
    frozen.start();
    ::kill(pid_t(program.pid()), SIGSTOP);
    ASSERT_TRUE(
        waitFor([&] { return watch.last("velumo/st1/online") == "0"; }, 3 * keepAliveS * 1000));
    EXPECT_LT(frozen.elapsed(), 2 * keepAliveS * 1000);
    ::kill(pid_t(program.pid()), SIGCONT);
    ASSERT_TRUE(waitFor([&] { return watch.last("velumo/st1/online") == "1"; }, 15000));
    ASSERT_TRUE(program.close());
    EXPECT_TRUE(waitFor([&] { return watch.last("velumo/st1/online") == "0"; }, 1000));
}

// A wrong password, a CA that did not sign the broker and a broken fleet.ini: the program runs,
// the status and velumo.log say why.
TEST(FleetLink, RefusedAndBrokenConfigurations)
{
    Broker broker({"st1", "st2", "st3"});
    ASSERT_TRUE(broker.start());
    QTemporaryDir a;
    QTemporaryDir b;
    QTemporaryDir c;
    writeFleetIni(a.path(), broker, {.station = "st1", .password = "wrong"});
    writeFleetIni(b.path(), broker, {.station = "st2", .ca = "other-ca.crt"});
    writeFleetIni(c.path(), broker, {.station = "st3", .extra = "colour = blue\n"});
    test::Program pa(a.path());
    test::Program pb(b.path());
    test::Program pc(c.path());
    pa.start();
    pb.start();
    pc.start();
    ASSERT_TRUE(pa.waitReady());
    ASSERT_TRUE(pb.waitReady());
    ASSERT_TRUE(pc.waitReady());
    const auto fleetOf = [](test::Program& p) { return p.status().value(u"fleet").toObject(); };
    EXPECT_TRUE(
        waitFor([&] { return fleetOf(pa).value(u"error").toString().contains("refused"); }, 10000))
        << QJsonDocument(fleetOf(pa)).toJson().toStdString();
    EXPECT_NE(fleetOf(pa).value(u"state").toString(), "online");
    EXPECT_TRUE(waitFor(
        [&] {
            const QString e = fleetOf(pb).value(u"error").toString();
            return e.contains("certificate", Qt::CaseInsensitive) ||
                   e.contains("TLS", Qt::CaseInsensitive);
        },
        10000))
        << QJsonDocument(fleetOf(pb)).toJson().toStdString();
    EXPECT_NE(fleetOf(pb).value(u"state").toString(), "online");
    EXPECT_EQ(fleetOf(pc).value(u"state").toString(), "error");
    EXPECT_TRUE(fleetOf(pc).value(u"error").toString().contains("unknown key \"colour\""));
    EXPECT_TRUE(test::readAll(c.path() + "/velumo.log").contains("fleet.ini: "));
    // A user the ACL pairs with another station: every event is refused. The link holds them and
    // says so once, never through itself.
    QTemporaryDir e;
    writeFleetIni(e.path(), broker,
                  {.station = "st4", .password = "pw-st1", .extra = "user = st1\n"});
    test::Program pe(e.path());
    pe.start();
    ASSERT_TRUE(pe.waitReady());
    for (const QString command : {"ticker start", "ticker stop", "ticker start", "ticker stop"})
        pe.send(command);
    ASSERT_TRUE(waitFor([&] { return fleetOf(pe).value(u"state") == "error"; }, 15000));
    QThread::msleep(3000);
    EXPECT_EQ(test::readAll(e.path() + "/velumo.log").count("refused event"), 1);
    EXPECT_GT(fleetOf(pe).value(u"spool").toInteger(), 3);
    // No fleet.ini: no link, no member.
    QTemporaryDir d;
    test::Program pd(d.path());
    pd.start();
    ASSERT_TRUE(pd.waitReady());
    EXPECT_FALSE(pd.status().contains(u"fleet"));
}

// The link's own sources: the screenshot goes out on its topic with its time, the alarms are
// in the status.
TEST(FleetLink, ScreenshotAlarmsAndAFullSpool)
{
    Broker broker({"lab"});
    ASSERT_TRUE(broker.start());
    QTemporaryDir folder;
    const fleet::FleetConfig config = labConfig(broker);
    EventLog log(folder.filePath("velumo.log"));
    OnAirModel onAir(log);
    QtTimerFactory timers;
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(5000, 'p');
    QStringList ran;
    fleet::FleetLink link(
        config, folder.path(), log, onAir,
        {[] {
             return QJsonObject{{"ticker", QJsonObject{{"running", false}}}};
         },
         [&](const QString& line, std::function<void(int, const QString&)> answer) {
             ran << line;
             answer(0, "done");
         },
         [&](std::function<void(const QByteArray&)> done) { done(png); },
         [] {
             return QJsonArray{QJsonObject{{"name", "strip_frozen"}}};
         }},
        timers);
    Subscriber watch(broker, {"velumo/lab/#"});
    ASSERT_TRUE(watch.waitConnected());
    link.start();
    ASSERT_TRUE(waitFor([&] { return !watch.on("velumo/lab/status").isEmpty(); }, 15000));
    EXPECT_EQ(json(watch.last("velumo/lab/status"))
                  .value(u"alarms")
                  .toArray()
                  .first()
                  .toObject()
                  .value(u"name")
                  .toString(),
              "strip_frozen");
    const QByteArray answer = request(watch, "lab", "screenshot", "velumo/lab/reply/s", "s1");
    EXPECT_TRUE(answer.startsWith("0 screenshot published at ")) << answer.toStdString();
    ASSERT_EQ(watch.on("velumo/lab/screenshot").size(), 1);
    const fleet::MqttMessage shot = watch.on("velumo/lab/screenshot").first();
    EXPECT_EQ(shot.payload, png);
    EXPECT_FALSE(shot.retained);
    EXPECT_TRUE(
        QDateTime::fromString(QString::fromUtf8(shot.userProperty("time")), Qt::ISODateWithMs)
            .isValid());
    // The screenshot is the link's own: nothing reached the control channel.
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_EQ(request(watch, "lab", "phrase Hello", "velumo/lab/reply/p", "p1"), "0 done");
    EXPECT_EQ(ran, QStringList{"phrase Hello"});
}

// TLS or nothing: the CA goes missing while the station runs, the operator gives none. Where the
// broker was, a listener records what comes from both: never a word in clear.
TEST(FleetLink, NothingInClearWhenTlsCannotBeSetUp)
{
    Broker broker({"st1"});
    ASSERT_TRUE(broker.start());
    QTemporaryDir folder;
    writeFleetIni(folder.path(), broker, {});
    test::Program program(folder.path());
    program.start();
    ASSERT_TRUE(program.waitReady());
    const auto fleet = [&] { return program.status().value(u"fleet").toObject(); };
    ASSERT_TRUE(waitFor([&] { return fleet().value(u"state") == "online"; }, 15000));
    QFile::remove(broker.file("ca.crt"));
    broker.stop();
    Tap recorder(broker.port());
    ASSERT_TRUE(waitFor([&] { return fleet().value(u"state") == "error"; }, 15000))
        << QJsonDocument(fleet()).toJson().toStdString();
    EXPECT_TRUE(test::readAll(folder.path() + "/velumo.log").contains("Связь с центром выключена"));

    test::writeAll(broker.file("operator.pw"), "pw-operator\n");
    const QStringList view{
        "--fleet",         broker.address(),           "--user",    "operator", "--once",
        "--password-file", broker.file("operator.pw"), "--timeout", "3000"};
    EXPECT_EQ(test::runToEnd(view), 1);
    const QByteArray seen = recorder.bytes();
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.at(0), 0x16) << "a TLS handshake record";
    EXPECT_FALSE(seen.contains("MQTT"));
    QString output;
    EXPECT_EQ(test::runToEnd(view + QStringList{"--ca", broker.file("ca.crt")}, &output), 2);
    EXPECT_TRUE(output.contains(broker.file("ca.crt"))) << output.toStdString();
    EXPECT_EQ(recorder.bytes(), seen);
}

// What a caller from afar sends is declared and bounded: no file named for a screenshot, no
// command larger than the link takes, no request run twice. An event larger than the broker
// takes is left out, not in the way of the next.
TEST(FleetLink, RemoteRequestsAreDeclaredBoundedAndRunOnce)
{
    Broker broker({"lab"}, "max_packet_size 524288\n");
    ASSERT_TRUE(broker.start());
    QTemporaryDir folder;
    EventLog log(folder.filePath("velumo.log"));
    OnAirModel onAir(log);
    QtTimerFactory timers;
    QStringList ran;
    int shots = 0;
    fleet::FleetLink link(
        labConfig(broker), folder.path(), log, onAir,
        {[] { return QJsonObject(); },
         [&](const QString& line, std::function<void(int, const QString&)> answer) {
             ran << line;
             answer(0, "done");
         },
         [&](std::function<void(const QByteArray&)> done) { done(QByteArray(++shots, 'p')); }},
        timers);
    Subscriber watch(broker, {"velumo/lab/#"});
    ASSERT_TRUE(watch.waitConnected());
    link.start();
    ASSERT_TRUE(waitFor([&] { return !watch.on("velumo/lab/status").isEmpty(); }, 15000));
    for (const QByteArray file : {"asrun.key", "../../x"})
        EXPECT_TRUE(request(watch, "lab", "screenshot " + file, "velumo/lab/reply/s", file)
                        .startsWith("2 not allowed: screenshot takes no arguments"));
    EXPECT_EQ(shots, 0);
    const auto post = [&](const QByteArray& line, const QByteArray& to) {
        watch.client->publish({"velumo/lab/cmd", line, 1, false, "velumo/lab/reply/" + to, to, {}});
    };
    for (int again = 1; again <= 2; ++again) {
        post("phrase once", "once");
        EXPECT_TRUE(waitFor([&] { return watch.on("velumo/lab/reply/once").size() == again; }));
    }
    EXPECT_EQ(watch.last("velumo/lab/reply/once"), "0 done");
    post("phrase " + QByteArray(300 * 1024, 'x'), "big");
    EXPECT_EQ(request(watch, "lab", "phrase after", "velumo/lab/reply/a", "after"), "0 done");
    EXPECT_EQ(ran.join(u'|'), "phrase once|phrase after");

    log.write("start", QString(600 * 1024, u'x'));
    log.write("start", "after the large one");
    EXPECT_TRUE(waitFor(
        [&] { return watch.last("velumo/lab/events").contains("after the large one"); }, 5000));
    EXPECT_TRUE(test::readAll(folder.filePath("velumo.log")).contains("is left out"));
}

// The operator's view prints none of a station's escape sequences, and sends a command once,
// a restart of the broker notwithstanding.
TEST(FleetView, PrintsNoControlsAndSendsOnce)
{
    Broker broker({"st1"});
    ASSERT_TRUE(broker.start());
    Subscriber station(broker.port(), broker.file("ca.crt"), "st1", {}, "fake-st1");
    ASSERT_TRUE(station.waitConnected());
    station.client->publish(
        {"velumo/st1/status",
         R"({"on_air":{"plan_line":"\u001b[2J\u001b]0;owned\u0007 12:00 k1 \u009b31m\u202e"}})", 1,
         true});
    test::writeAll(broker.file("operator.pw"), "pw-operator\n");
    const QStringList access{"--fleet",  broker.address(),     "--user",
                             "operator", "--password-file",    broker.file("operator.pw"),
                             "--ca",     broker.file("ca.crt")};
    for (const char* form : {"--once", "--json"}) {
        QString output;
        EXPECT_EQ(test::runToEnd(access + QStringList{"--once", form}, &output), 0);
        EXPECT_TRUE(output.contains("12:00 k1")) << output.toStdString();
        for (const QChar c : output)
            EXPECT_TRUE(c == u'\n' || (c.category() != QChar::Other_Control && c != QChar(0x202e)))
                << "U+" << std::hex << int(c.unicode());
    }

    Subscriber commands(broker, {"velumo/st1/cmd"}, "cmd-watch", 600);
    ASSERT_TRUE(commands.waitConnected());
    QProcess view;
    view.setProcessEnvironment(test::programEnvironment());
    view.start(test::programPath(),
               access + QStringList{"--send", "st1", "ticker start", "--timeout", "30000"});
    ASSERT_TRUE(waitFor([&] { return commands.on("velumo/st1/cmd").size() == 1; }, 10000));
    // Taken by the broker (its acknowledgements have gone both ways), then the broker restarts.
    waitFor([] { return false; }, 1000);
    broker.stop();
    ASSERT_TRUE(broker.start());
    // The view and the watcher are back within a few seconds.
    waitFor([] { return false; }, 5000);
    EXPECT_EQ(commands.on("velumo/st1/cmd").size(), 1);
    view.kill();
    view.waitForFinished(3000);
}

// Events made while the broker is away reach it once it is back: every one, in order.
TEST(FleetLink, NothingLostWhileTheBrokerIsAway)
{
    Broker broker({"st1"});
    ASSERT_TRUE(broker.start());
    QTemporaryDir folder;
    writeFleetIni(folder.path(), broker, {});
    Subscriber watch(broker, {"velumo/st1/events"}, "events-watch", 600);
    ASSERT_TRUE(watch.waitConnected());
    test::Program program(folder.path());
    program.start();
    ASSERT_TRUE(program.waitReady());
    ASSERT_TRUE(waitFor(
        [&] { return program.status().value(u"fleet").toObject().value(u"state") == "online"; },
        15000));
    const auto churn = [&](int rounds) {
        for (int i = 0; i < rounds; ++i) {
            program.send("ticker start");
            program.send("ticker stop");
        }
    };
    churn(5);
    broker.stop();
    ASSERT_TRUE(waitFor(
        [&] { return program.status().value(u"fleet").toObject().value(u"state") == "offline"; },
        15000));
    churn(20);
    const qint64 waiting = program.status().value(u"fleet").toObject().value(u"spool").toInteger();
    EXPECT_GT(waiting, 0);
    EXPECT_TRUE(QFileInfo(folder.path() + "/fleet.spool").size() > 0);
    QThread::msleep(3000);
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(waitFor(
        [&] {
            const QJsonObject f = program.status().value(u"fleet").toObject();
            return f.value(u"state") == "online" && f.value(u"spool").toInteger() == 0;
        },
        40000));
    const qint64 last = program.status().value(u"fleet").toObject().value(u"last_seq").toInteger();
    ASSERT_TRUE(waitFor(
        [&] {
            return !eventSeqs(watch, "st1").isEmpty() && eventSeqs(watch, "st1").last() == last;
        },
        15000));
    // In order and without a gap. QoS 1 is at least once: what was in flight when the broker
    // went (to the broker or from it to us) may come again, and its number tells it apart.
    const QList<qint64> seqs = eventSeqs(watch, "st1");
    ASSERT_FALSE(seqs.isEmpty());
    EXPECT_EQ(seqs.first(), 1);
    qint64 highest = 0;
    int again = 0;
    for (const qint64 seq : seqs) {
        if (seq <= highest) {
            ++again;
            continue;
        }
        EXPECT_EQ(seq, highest + 1) << "a gap before " << seq;
        highest = seq;
    }
    EXPECT_EQ(highest, last);
    EXPECT_LE(again, fleet::FleetLink::kInFlight);
}

// Killed while the spool drains: after the restart the rest arrives, with no gap, and the
// numbers go on.
TEST(FleetLink, KilledWhileDraining)
{
    Broker broker({"st1"});
    QTemporaryDir folder;
    writeFleetIni(folder.path(), broker, {});
    auto program = std::make_unique<test::Program>(folder.path());
    program->start();
    ASSERT_TRUE(program->waitReady());
    for (int i = 0; i < 60; ++i) {
        program->send("ticker start");
        program->send("ticker stop");
    }
    const qint64 made = program->status().value(u"fleet").toObject().value(u"last_seq").toInteger();
    ASSERT_GT(made, 100);
    ASSERT_TRUE(broker.start());
    Subscriber watch(broker, {"velumo/st1/events"}, "drain-watch", 600);
    ASSERT_TRUE(watch.waitConnected());
    // Killed as soon as the first of them has arrived.
    ASSERT_TRUE(waitFor([&] { return !eventSeqs(watch, "st1").isEmpty(); }, 20000, 1));
    ::kill(pid_t(program->pid()), SIGKILL);
    program->process().waitForFinished(5000);
    program = std::make_unique<test::Program>(folder.path());
    program->start();
    ASSERT_TRUE(program->waitReady());
    program->send("ticker start");
    ASSERT_TRUE(waitFor(
        [&] {
            const QJsonObject f = program->status().value(u"fleet").toObject();
            return f.value(u"state") == "online" && f.value(u"spool").toInteger() == 0;
        },
        30000));
    const qint64 last = program->status().value(u"fleet").toObject().value(u"last_seq").toInteger();
    EXPECT_GT(last, made);
    ASSERT_TRUE(waitFor([&] { return eventSeqs(watch, "st1").contains(last); }, 15000));
    // At least once: what was in flight at the kill may come twice, but nothing is missing.
    const QList<qint64> seqs = eventSeqs(watch, "st1");
    const QSet<qint64> seen(seqs.begin(), seqs.end());
    for (qint64 n = 1; n <= last; ++n)
        EXPECT_TRUE(seen.contains(n)) << "missing " << n;
}

}  // namespace
}  // namespace velumo::fleettest
