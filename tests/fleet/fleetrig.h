#pragma once
// The station under test: the real program in a temporary folder with its fleet.ini, and a
// subscriber of our own client watching the broker.

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <memory>

#include "fakes/programrun.h"
#include "fakes/testsupport.h"
#include "fleet/brokerrig.h"
#include "fleet/mqttclient.h"

namespace velumo::fleettest {

// What a client of the broker received, in order.
class Subscriber : public QObject {
public:
    Subscriber(const Broker& broker, const QList<QByteArray>& topics, const QString& id = {},
               int sessionExpiryS = 0)
        : Subscriber(broker.port(), broker.file("ca.crt"), "operator", topics, id, sessionExpiryS)
    {
    }
    // A client of the broker at port as user (password "pw-" + user).
    Subscriber(int port, const QString& caFile, const QString& user,
               const QList<QByteArray>& topics, const QString& id = {}, int sessionExpiryS = 0)
    {
        fleet::MqttClient::Options o;
        o.host = "127.0.0.1";
        o.port = port;
        o.tls = true;
        o.caFile = caFile;
        o.user = user;
        o.password = "pw-" + user;
        o.clientId = id.isEmpty() ? QStringLiteral("test-%1").arg(quintptr(this)) : id;
        o.keepAliveS = 5;
        o.subscriptions = topics;
        o.sessionExpiryS = sessionExpiryS;
        o.lastRetryMs = 1000;
        o.maxPacketBytes = 64 * 1024 * 1024;
        client = std::make_unique<fleet::MqttClient>(o);
        QObject::connect(client.get(), &fleet::MqttClient::messageReceived, this,
                         [this](const fleet::MqttMessage& m) { messages.append(m); });
        client->start();
    }
    ~Subscriber() override { client->stop(200); }

    bool waitConnected(int timeoutMs = 10000)
    {
        return test::waitFor([this] { return client->isConnected(); }, timeoutMs, 10);
    }
    QList<fleet::MqttMessage> on(const QByteArray& topic) const
    {
        QList<fleet::MqttMessage> out;
        for (const fleet::MqttMessage& m : messages)
            if (m.topic == topic)
                out.append(m);
        return out;
    }
    QByteArray last(const QByteArray& topic) const
    {
        const auto list = on(topic);
        return list.isEmpty() ? QByteArray() : list.last().payload;
    }

    std::unique_ptr<fleet::MqttClient> client;
    QList<fleet::MqttMessage> messages;
};

struct StationOptions {
    QString station = "st1";
    QString password = {};
    QString ca = "ca.crt";
    QString extra = {};
    int keepAliveS = 5;
};

// A program folder whose fleet.ini points at the broker.
inline void writeFleetIni(const QString& folder, const Broker& broker, const StationOptions& s)
{
    const QString passwordFile = folder + "/fleet.password";
    test::writeAll(passwordFile,
                   (s.password.isEmpty() ? "pw-" + s.station : s.password).toUtf8() + "\n");
    QString ini = QStringLiteral(
                      "[fleet]\nbroker = %1\nstation = %2\nuser = %2\n"
                      "password_file = fleet.password\nca_file = %3\nkeepalive = %4\n")
                      .arg(broker.address(), s.station, broker.file(s.ca))
                      .arg(s.keepAliveS);
    test::writeAll(folder + "/fleet.ini", (ini + s.extra).toUtf8());
}

inline QJsonObject json(const QByteArray& bytes)
{
    return QJsonDocument::fromJson(bytes).object();
}

}  // namespace velumo::fleettest
