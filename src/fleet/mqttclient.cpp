#include "mqttclient.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace velumo::fleet {

namespace {

// libmosquitto's global set-up, once for the process (it is reference-counted there).
void initLibrary()
{
    static const int once = [] {
        mosquitto_lib_init();
        qRegisterMetaType<velumo::fleet::MqttMessage>();
        return 0;
    }();
    (void)once;
}

QByteArray bytes(const QString& text)
{
    return text.toUtf8();
}

const char* orNull(const QByteArray& text)
{
    return text.isEmpty() ? nullptr : text.constData();
}

}  // namespace

QByteArray MqttMessage::userProperty(const QByteArray& name) const
{
    for (const auto& [key, value] : userProperties)
        if (key == name)
            return value;
    return {};
}

struct MqttClient::Shared {
    Options options;
    std::mutex mutex;
    std::condition_variable wake;
    mosquitto* mosq = nullptr;  // under mutex
    QString error;              // under mutex
    std::atomic<bool> connected{false};
    std::atomic<bool> stopping{false};
    std::atomic<bool> refused{false};
    std::atomic<bool> finished{false};
    std::atomic<int> generation{0};
    std::atomic<int> stopWaitMs{0};
    // The client the signals go to; none once it is gone.
    std::mutex ownerMutex;
    MqttClient* owner = nullptr;

    template <typename Announce>
    void announce(Announce announce)
    {
        std::lock_guard lock(ownerMutex);
        if (owner)
            announce(*owner);
    }
    void setError(const QString& text)
    {
        std::lock_guard lock(mutex);
        error = text;
    }
    QString lastError()
    {
        std::lock_guard lock(mutex);
        return error;
    }
};

struct MqttCallbacks {
    static void connected(mosquitto* mosq, void* self, int rc, int, const mosquitto_property*)
    {
        auto* shared = static_cast<MqttClient::Shared*>(self);
        if (rc != 0) {
            shared->setError(QStringLiteral("the broker refused the connection: %1 (%2)")
                                 .arg(QString::fromUtf8(mosquitto_reason_string(rc)))
                                 .arg(rc));
            shared->refused = true;
            return;
        }
        for (const QByteArray& topic : shared->options.subscriptions)
            mosquitto_subscribe_v5(mosq, nullptr, topic.constData(), 1, 0, nullptr);
        shared->setError({});
        shared->connected = true;
        const int generation = shared->generation.load();
        shared->announce([&](MqttClient& client) { emit client.connected(generation); });
    }

    static void publish(mosquitto*, void* self, int mid, int rc, const mosquitto_property*)
    {
        auto* shared = static_cast<MqttClient::Shared*>(self);
        const int generation = shared->generation.load();
        shared->announce([&](MqttClient& client) { emit client.published(generation, mid, rc); });
    }

    static void message(mosquitto*, void* self, const mosquitto_message* m,
                        const mosquitto_property* props)
    {
        auto* shared = static_cast<MqttClient::Shared*>(self);
        MqttMessage message;
        message.topic = QByteArray(m->topic);
        message.payload = QByteArray(static_cast<const char*>(m->payload), m->payloadlen);
        message.retained = m->retain;
        char* text = nullptr;
        if (mosquitto_property_read_string(props, MQTT_PROP_RESPONSE_TOPIC, &text, false)) {
            message.responseTopic = QByteArray(text);
            std::free(text);
        }
        void* data = nullptr;
        uint16_t length = 0;
        if (mosquitto_property_read_binary(props, MQTT_PROP_CORRELATION_DATA, &data, &length,
                                           false)) {
            message.correlation = QByteArray(static_cast<const char*>(data), length);
            std::free(data);
        }
        char* name = nullptr;
        char* value = nullptr;
        bool skip = false;
        for (const mosquitto_property* p = props;
             (p = mosquitto_property_read_string_pair(p, MQTT_PROP_USER_PROPERTY, &name, &value,
                                                      skip));
             skip = true) {
            message.userProperties.append({QByteArray(name), QByteArray(value)});
            std::free(name);
            std::free(value);
        }
        shared->announce([&](MqttClient& client) { emit client.messageReceived(message); });
    }

    static void log(mosquitto*, void* self, int level, const char* text)
    {
        if (level == MOSQ_LOG_ERR)
            static_cast<MqttClient::Shared*>(self)->setError(QString::fromUtf8(text));
    }
};

MqttClient::Options brokerOptions(const FleetConfig& config, const QString& clientId,
                                  int keepAliveS)
{
    MqttClient::Options o;
    o.host = config.host;
    o.port = config.port;
    o.tls = config.tls;
    o.caFile = config.caFile;
    o.certFile = config.certFile;
    o.keyFile = config.keyFile;
    o.user = config.user;
    o.password = config.password;
    o.clientId = clientId;
    o.keepAliveS = keepAliveS;
    return o;
}

MqttClient::MqttClient(Options options, QObject* parent)
    : QObject(parent), m_shared(std::make_shared<Shared>())
{
    initLibrary();
    m_shared->options = std::move(options);
    m_shared->owner = this;
}

MqttClient::~MqttClient()
{
    stop(0);
    std::lock_guard lock(m_shared->ownerMutex);
    m_shared->owner = nullptr;
}

void MqttClient::start()
{
    if (m_thread.joinable())
        return;
    m_shared->stopping = false;
    m_shared->finished = false;
    {
        std::lock_guard lock(m_shared->ownerMutex);
        m_shared->owner = this;
    }
    m_thread = std::thread([shared = m_shared] { run(shared); });
}

void MqttClient::stop(int waitMs)
{
    if (!m_thread.joinable())
        return;
    Shared& s = *m_shared;
    {
        std::lock_guard lock(s.mutex);
        s.stopWaitMs = waitMs;
        s.stopping = true;
        if (s.mosq && s.connected && waitMs > 0)
            mosquitto_disconnect_v5(s.mosq, 0, nullptr);
    }
    s.wake.notify_all();
    // The thread sends what is queued and the DISCONNECT, then ends; past waitMs it ends anyway,
    // unless a connect holds it: then it is let go.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs + 300);
    {
        std::unique_lock lock(s.mutex);
        s.wake.wait_until(lock, deadline, [&s] { return s.finished.load(); });
    }
    {
        std::lock_guard lock(s.ownerMutex);
        s.owner = nullptr;
    }
    if (s.finished)
        m_thread.join();
    else
        m_thread.detach();
    s.connected = false;
}

bool MqttClient::isConnected() const
{
    return m_shared->connected.load();
}

int MqttClient::publish(const Publish& message)
{
    std::lock_guard lock(m_shared->mutex);
    if (!m_shared->mosq || !m_shared->connected)
        return -1;
    mosquitto_property* props = nullptr;
    if (!message.responseTopic.isEmpty())
        mosquitto_property_add_string(&props, MQTT_PROP_RESPONSE_TOPIC,
                                      message.responseTopic.constData());
    if (!message.correlation.isEmpty())
        mosquitto_property_add_binary(&props, MQTT_PROP_CORRELATION_DATA,
                                      message.correlation.constData(),
                                      uint16_t(qMin(message.correlation.size(), qsizetype(65535))));
    for (const auto& [name, value] : message.userProperties)
        mosquitto_property_add_string_pair(&props, MQTT_PROP_USER_PROPERTY, name.constData(),
                                           value.constData());
    int mid = -1;
    const int rc = mosquitto_publish_v5(m_shared->mosq, &mid, message.topic.constData(),
                                        int(message.payload.size()), message.payload.constData(),
                                        message.qos, message.retain, props);
    mosquitto_property_free_all(&props);
    return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

QString MqttClient::lastError() const
{
    return m_shared->lastError();
}

void MqttClient::run(const std::shared_ptr<Shared>& shared)
{
    Shared& s = *shared;
    const Options& o = s.options;
    int retryMs = o.firstRetryMs;
    const QByteArray id = bytes(o.clientId);
    const QByteArray host = bytes(o.host);
    const QByteArray user = bytes(o.user);
    const QByteArray password = bytes(o.password);
    const QByteArray ca = bytes(o.caFile);
    const QByteArray cert = bytes(o.certFile);
    const QByteArray key = bytes(o.keyFile);
    while (!s.stopping) {
        const int generation = ++s.generation;
        s.refused = false;
        mosquitto* mosq = mosquitto_new(orNull(id), o.sessionExpiryS == 0, &s);
        bool accepted = false;
        QString reason;
        if (!mosq) {
            reason = QStringLiteral("out of memory");
        } else {
            mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
            mosquitto_threaded_set(mosq, true);
            // Small messages each way: Nagle's delay would hold a reply back for tens of ms.
            mosquitto_int_option(mosq, MOSQ_OPT_TCP_NODELAY, 1);
            mosquitto_connect_v5_callback_set(mosq, &MqttCallbacks::connected);
            mosquitto_publish_v5_callback_set(mosq, &MqttCallbacks::publish);
            mosquitto_message_v5_callback_set(mosq, &MqttCallbacks::message);
            mosquitto_log_callback_set(mosq, &MqttCallbacks::log);
            if (!user.isEmpty())
                mosquitto_username_pw_set(mosq, user.constData(), orNull(password));
            if (o.tls)
                mosquitto_tls_set(mosq, orNull(ca), nullptr, orNull(cert), orNull(key), nullptr);
            if (!o.willTopic.isEmpty())
                mosquitto_will_set_v5(mosq, o.willTopic.constData(), int(o.willPayload.size()),
                                      o.willPayload.constData(), 1, o.willRetain, nullptr);
            mosquitto_property* connectProps = nullptr;
            if (o.sessionExpiryS > 0)
                mosquitto_property_add_int32(&connectProps, MQTT_PROP_SESSION_EXPIRY_INTERVAL,
                                             uint32_t(o.sessionExpiryS));
            const int rc = mosquitto_connect_bind_v5(mosq, host.constData(), o.port, o.keepAliveS,
                                                     nullptr, connectProps);
            mosquitto_property_free_all(&connectProps);
            if (rc != MOSQ_ERR_SUCCESS) {
                reason = rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                              : QString::fromUtf8(mosquitto_strerror(rc));
            } else {
                {
                    std::lock_guard lock(s.mutex);
                    s.mosq = mosq;
                }
                std::chrono::steady_clock::time_point stopAt{};
                while (true) {
                    const int loop = mosquitto_loop(mosq, 100, 1);
                    accepted = accepted || s.connected;
                    if (loop != MOSQ_ERR_SUCCESS) {
                        if (loop != MOSQ_ERR_NO_CONN || !s.stopping)
                            reason = loop == MOSQ_ERR_ERRNO
                                         ? QString::fromLocal8Bit(std::strerror(errno))
                                         : QString::fromUtf8(mosquitto_strerror(loop));
                        break;
                    }
                    if (s.refused) {
                        reason = QStringLiteral("refused");
                        break;
                    }
                    if (s.stopping) {
                        const auto now = std::chrono::steady_clock::now();
                        if (stopAt == std::chrono::steady_clock::time_point{})
                            stopAt = now + std::chrono::milliseconds(s.stopWaitMs.load());
                        if (!s.connected || now > stopAt)
                            break;
                    }
                }
                std::lock_guard lock(s.mutex);
                s.mosq = nullptr;
                s.connected = false;
            }
            s.wake.notify_all();
            mosquitto_destroy(mosq);
        }
        s.connected = false;
        if (!reason.isEmpty() && s.lastError().isEmpty())
            s.setError(reason);
        const QString why = s.lastError().isEmpty() ? reason : s.lastError();
        s.announce([&](MqttClient& client) { emit client.disconnected(generation, why); });
        if (s.stopping)
            break;
        // 1 s, 2 s, 4 s... up to 60 s while no broker accepts us; 1 s again after one has.
        if (accepted)
            retryMs = o.firstRetryMs;
        std::unique_lock lock(s.mutex);
        s.wake.wait_for(lock, std::chrono::milliseconds(retryMs),
                        [&s] { return s.stopping.load(); });
        retryMs = qMin(retryMs * 2, o.lastRetryMs);
    }
    {
        std::lock_guard lock(s.mutex);
        s.finished = true;
    }
    s.wake.notify_all();
}

}  // namespace velumo::fleet
