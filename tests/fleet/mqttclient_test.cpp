// The client's thread never holds up the one that stops it: not while a broker stays silent,
// not while it waits to try again, nor while another thread publishes. With TLS asked for,
// nothing goes out in clear.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include "fakes/testsupport.h"
#include "fleet/brokerrig.h"
#include "fleet/mqttclient.h"

namespace velumo::fleet {
namespace {

MqttClient::Options localOptions(int port)
{
    MqttClient::Options o;
    o.host = "127.0.0.1";
    o.port = port;
    o.clientId = "stop-test";
    o.keepAliveS = 5;
    return o;
}

TEST(MqttClient, StopsAtOnceWhateverTheBrokerDoes)
{
    // A "broker" that takes the connection and never answers it.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    QList<QTcpSocket*> held;
    QObject::connect(&silent, &QTcpServer::newConnection, &silent,
                     [&] { held.append(silent.nextPendingConnection()); });
    {
        MqttClient client(localOptions(silent.serverPort()));
        client.start();
        ASSERT_TRUE(test::waitFor([&] { return !held.isEmpty(); }, 5000));
        EXPECT_FALSE(client.isConnected());
        QElapsedTimer stopping;
        stopping.start();
        client.stop(1500);
        EXPECT_LT(stopping.elapsed(), 2000);
    }
    // Nobody listening: the client waits to try again, and stops at once.
    const quint16 closed = silent.serverPort();
    silent.close();
    MqttClient client(localOptions(closed));
    QSignalSpy ended(&client, &MqttClient::disconnected);
    client.start();
    ASSERT_TRUE(test::waitFor([&] { return ended.count() > 0; }, 5000));
    EXPECT_FALSE(client.lastError().isEmpty());
    QElapsedTimer stopping;
    stopping.start();
    client.stop(1500);
    EXPECT_LT(stopping.elapsed(), 500);
}

// A CA, certificate or key that cannot be read: the listener gets nothing, not even a TLS
// hello, and the client says it cannot be used as set.
TEST(MqttClient, TlsOrNothing)
{
    const int port = fleettest::freePort();
    fleettest::Tap recorder(port);
    QTemporaryDir dir;
    const QString here = dir.filePath("here.pem");
    const QString gone = dir.filePath("gone.pem");
    test::writeAll(here, "not used: the listener never gets that far\n");
    MqttClient::Options o = localOptions(port);
    o.tls = true;
    for (const auto& [ca, cert, key] :
         {std::tuple{gone, QString(), QString()}, std::tuple{here, gone, here},
          std::tuple{here, here, gone}}) {
        o.caFile = ca;
        o.certFile = cert;
        o.keyFile = key;
        MqttClient client(o);
        QSignalSpy ended(&client, &MqttClient::disconnected);
        client.start();
        ASSERT_TRUE(test::waitFor([&] { return ended.count() > 0; }, 5000));
        EXPECT_TRUE(ended.first().at(2).toBool()) << "unusable";
        EXPECT_TRUE(ended.first().at(1).toString().contains(gone));
    }
    EXPECT_EQ(recorder.bytes(), "");
}

// One thread publishes without pause while the client's own thread meets TLS records spoiled on
// the line and logs them: neither waits for the other (our lock held across libmosquitto's calls,
// whose log callback took it too, stopped both for good).
TEST(MqttClient, PublishesWhileTheNetworkThreadLogsAFault)
{
    fleettest::Broker broker({});
    ASSERT_TRUE(broker.start());
    fleettest::Tap line(fleettest::freePort(), broker.port());
    MqttClient::Options o = localOptions(line.port);
    o.tls = true;
    o.caFile = broker.file("ca.crt");
    o.user = "operator";
    o.password = "pw-operator";
    o.subscriptions = {"velumo/+/cmd"};
    o.firstRetryMs = 100;
    MqttClient client(o);
    client.start();
    std::atomic<qint64> calls{0};
    std::atomic<bool> done{false};
    std::thread publisher([&] {
        for (; !done; ++calls) {
            client.publish({"velumo/x/cmd", QByteArray(200, 'c'), 0, false});
            ::usleep(20);
        }
    });
    int fault = 0;
    for (; fault < 20 && test::waitFor([&] { return client.isConnected(); }, 10000); ++fault) {
        test::waitFor([] { return false; }, 100);
        line.spoil = true;
        test::waitFor([&] { return !client.isConnected(); }, 3000);
        const qint64 before = calls;
        test::waitFor([] { return false; }, 300);
        if (calls == before) {
            ADD_FAILURE() << "the publishing thread stopped at fault " << fault;
            std::_Exit(1);  // the two threads wait for each other for good: no way out
        }
    }
    EXPECT_EQ(fault, 20);
    done = true;
    publisher.join();
}

}  // namespace
}  // namespace velumo::fleet
