// The client's thread never holds up the one that stops it: not while a broker stays silent,
// not while it waits to try again. With TLS asked for, nothing goes out in clear.
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

// A listener that records what it gets: a TLS client without a CA file of its own still speaks
// TLS (the system's CA store), and one whose CA, certificate or key cannot be read sends nothing.
TEST(MqttClient, TlsOrNothing)
{
    const int port = fleettest::freePort();
    fleettest::Recorder recorder(port);
    QTemporaryDir dir;
    test::writeAll(dir.filePath("here.pem"), "not used: the listener never gets that far\n");
    MqttClient::Options o = localOptions(port);
    o.tls = true;
    o.user = "operator";
    o.password = "secret-password";
    {
        MqttClient systemStore(o);
        systemStore.start();
        ASSERT_TRUE(test::waitFor([&] { return !recorder.bytes().isEmpty(); }, 5000));
        systemStore.stop(0);
    }
    const QByteArray hello = recorder.bytes();
    EXPECT_EQ(hello.at(0), 0x16) << "a TLS handshake record";
    EXPECT_FALSE(hello.contains("MQTT"));
    EXPECT_FALSE(hello.contains("secret-password"));

    const QString gone = dir.filePath("gone.pem");
    for (const auto& [ca, cert, key] :
         {std::tuple{gone, QString(), QString()},
          std::tuple{dir.filePath("here.pem"), gone, dir.filePath("here.pem")},
          std::tuple{dir.filePath("here.pem"), dir.filePath("here.pem"), gone}}) {
        o.caFile = ca;
        o.certFile = cert;
        o.keyFile = key;
        const int before = recorder.connections;
        MqttClient client(o);
        QSignalSpy ended(&client, &MqttClient::disconnected);
        client.start();
        ASSERT_TRUE(test::waitFor([&] { return ended.count() > 0; }, 5000));
        EXPECT_TRUE(ended.first().at(2).toBool()) << "unusable";
        EXPECT_TRUE(ended.first().at(1).toString().contains(gone))
            << ended.first().at(1).toString().toStdString();
        client.stop(0);
        EXPECT_EQ(recorder.connections, before);
    }
}

}  // namespace
}  // namespace velumo::fleet
