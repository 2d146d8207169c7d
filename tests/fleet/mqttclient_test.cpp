// The client's thread never holds up the one that stops it: not while a broker stays silent,
// not while it waits to try again.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include "fakes/testsupport.h"
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

}  // namespace
}  // namespace velumo::fleet
