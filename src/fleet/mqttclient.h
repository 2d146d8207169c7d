#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <memory>
#include <thread>

#include "fleet/fleetconfig.h"

struct mosquitto;

namespace velumo::fleet {

// One MQTT 5 message as a subscriber gets it.
struct MqttMessage {
    QByteArray topic;
    QByteArray payload;
    QByteArray responseTopic;
    QByteArray correlation;
    QList<QPair<QByteArray, QByteArray>> userProperties;
    bool retained = false;

    QByteArray userProperty(const QByteArray& name) const;
};

// An MQTT 5 client over libmosquitto whose network work (connect, TLS handshake, reading,
// writing, reconnecting) runs on a thread of its own: nothing here blocks the caller's thread
// except stop(). Results come back as signals, queued to the thread the client lives on.
//
// That thread is the program's one exception to Worker (base/worker.h): libmosquitto's loop
// holds it for a connection's whole life (a blocking connect, then mosquitto_loop on the socket
// and its keep-alive), which no mailbox of short jobs fits. Its stop is bounded all the same: it
// is joined only once it has ended within stop()'s wait, and let go otherwise
// (tools/check-threads.sh names it as the exception).
//
// A connection that ends is dropped whole, with whatever libmosquitto still held unsent or
// unacknowledged; the next one is a fresh session after a pause that doubles from 1 s to 60 s
// (back to 1 s once a broker has accepted us). Whoever needs delivery keeps its own copy until
// published() and sends it again after connected().
//
// TLS or nothing: with tls set, a connection is only made once every TLS setting has been taken
// (the CA, the certificate and the key read, at every attempt) and the socket really speaks TLS;
// otherwise the attempt ends before a byte is sent and disconnected() says the client is
// unusable. Without a CA file the system's CA store is trusted.
//
// No lock of ours is held while libmosquitto runs: its callbacks (the log's among them) may come
// from inside any of its calls.
class MqttClient final : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString host;
        int port = 1883;
        bool tls = false;
        QString caFile;
        QString certFile;
        QString keyFile;
        QString user;
        QString password;
        QString clientId;
        int keepAliveS = 30;
        // The last will: sent by the broker when the connection ends without a DISCONNECT.
        QByteArray willTopic;
        QByteArray willPayload;
        bool willRetain = false;
        // Subscribed (QoS 1) on every connection.
        QList<QByteArray> subscriptions;
        // Kept by the broker this long after a connection ends (subscriptions and the QoS 1
        // messages that come meanwhile); 0: every connection starts afresh.
        int sessionExpiryS = 0;
        int firstRetryMs = 1000;
        int lastRetryMs = 60000;
        // The largest packet the broker may send us (MQTT 5 maximum packet size): it drops
        // larger ones, and a larger one that comes all the same is never handed on.
        int maxPacketBytes = kCommandPacketBytes;
    };

    static constexpr int kCommandPacketBytes = 256 * 1024;
    // What publish() gives instead of a message id.
    static constexpr int kNotConnected = -1;
    static constexpr int kTooLarge = -2;  // over the broker's maximum packet size
    static constexpr int kRejected = -3;  // anything else libmosquitto would not queue
    static constexpr char kSystemCaPath[] = "/etc/ssl/certs";

    struct Publish {
        QByteArray topic;
        QByteArray payload;
        int qos = 0;
        bool retain = false;
        QByteArray responseTopic = {};
        QByteArray correlation = {};
        QList<QPair<QByteArray, QByteArray>> userProperties = {};
    };

    explicit MqttClient(Options options, QObject* parent = nullptr);
    ~MqttClient() override;

    void start();
    // Ends the connection with a DISCONNECT (no last will) after what was published before it
    // has gone out, waiting at most waitMs; ends the thread.
    void stop(int waitMs = 1500);

    // Queues a message on the live connection; its message id, or kNotConnected, kTooLarge or
    // kRejected.
    int publish(const Publish& message);
    bool isConnected() const;
    // The broker's or the network's last complaint, empty while connected.
    QString lastError() const;

signals:
    void connected(int generation);
    // unusable: the attempt was never made, the settings cannot be used as they are (a TLS file
    // that cannot be read): nothing was sent.
    void disconnected(int generation, const QString& reason, bool unusable);
    // The broker has acknowledged a QoS 1 message of the connection (reasonCode < 128: taken).
    void published(int generation, int messageId, int reasonCode);
    void messageReceived(const velumo::fleet::MqttMessage& message);

private:
    // What the network thread works with. It outlives the client when the thread is still
    // inside a connect that the network holds up (a broker whose packets are dropped) when the
    // client goes: the thread is then let go and ends by itself, announcing nothing more.
    struct Shared;
    static void run(const std::shared_ptr<Shared>& shared);
    // One attempt: set up, connect, serve until the connection ends or the client stops.
    static void attempt(Shared& s, bool& accepted, QString& reason, bool& unusable);
    // libmosquitto's callbacks, on the network thread.
    friend struct MqttCallbacks;

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

// The broker's address, TLS files and account of fleet.ini, under the given client id and
// keep-alive: what the station's link and the operator's view connect with.
MqttClient::Options brokerOptions(const FleetConfig& config, const QString& clientId,
                                  int keepAliveS);

}  // namespace velumo::fleet

Q_DECLARE_METATYPE(velumo::fleet::MqttMessage)
