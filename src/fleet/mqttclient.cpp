#include "mqttclient.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

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

struct MqttCallbacks {
    static void connected(mosquitto* mosq, void* self, int rc, int, const mosquitto_property*)
    {
        auto* client = static_cast<MqttClient*>(self);
        if (rc != 0) {
            client->setError(QStringLiteral("the broker refused the connection: %1 (%2)")
                                 .arg(QString::fromUtf8(mosquitto_reason_string(rc)))
                                 .arg(rc));
            client->m_refused = true;
            return;
        }
        for (const QByteArray& topic : client->m_options.subscriptions)
            mosquitto_subscribe_v5(mosq, nullptr, topic.constData(), 1, 0, nullptr);
        client->setError({});
        client->m_connected = true;
        emit client->connected(client->m_generation.load());
    }

    static void publish(mosquitto*, void* self, int mid, int rc, const mosquitto_property*)
    {
        auto* client = static_cast<MqttClient*>(self);
        emit client->published(client->m_generation.load(), mid, rc);
    }

    static void message(mosquitto*, void* self, const mosquitto_message* m,
                        const mosquitto_property* props)
    {
        auto* client = static_cast<MqttClient*>(self);
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
        emit client->messageReceived(message);
    }

    static void log(mosquitto*, void* self, int level, const char* text)
    {
        if (level == MOSQ_LOG_ERR)
            static_cast<MqttClient*>(self)->setError(QString::fromUtf8(text));
    }
};

MqttClient::MqttClient(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options))
{
    initLibrary();
}

MqttClient::~MqttClient()
{
    stop(0);
}

void MqttClient::start()
{
    if (m_thread.joinable())
        return;
    m_stopping = false;
    m_thread = std::thread([this] { run(); });
}

void MqttClient::stop(int waitMs)
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        if (m_mosq && m_connected && waitMs > 0)
            mosquitto_disconnect_v5(m_mosq, 0, nullptr);
    }
    m_wake.notify_all();
    // The thread sends what is queued and the DISCONNECT, then ends; past waitMs it ends anyway.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait_until(lock, deadline, [this] { return m_mosq == nullptr; });
    }
    m_thread.join();
    m_connected = false;
}

int MqttClient::publish(const Publish& message)
{
    std::lock_guard lock(m_mutex);
    if (!m_mosq || !m_connected)
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
    const int rc =
        mosquitto_publish_v5(m_mosq, &mid, message.topic.constData(), int(message.payload.size()),
                             message.payload.constData(), message.qos, message.retain, props);
    mosquitto_property_free_all(&props);
    return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

QString MqttClient::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

void MqttClient::setError(const QString& text)
{
    std::lock_guard lock(m_mutex);
    m_error = text;
}

void MqttClient::run()
{
    int retryMs = m_options.firstRetryMs;
    const QByteArray id = bytes(m_options.clientId);
    const QByteArray host = bytes(m_options.host);
    const QByteArray user = bytes(m_options.user);
    const QByteArray password = bytes(m_options.password);
    const QByteArray ca = bytes(m_options.caFile);
    const QByteArray cert = bytes(m_options.certFile);
    const QByteArray key = bytes(m_options.keyFile);
    while (!m_stopping) {
        const int generation = ++m_generation;
        m_refused = false;
        mosquitto* mosq = mosquitto_new(orNull(id), m_options.sessionExpiryS == 0, this);
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
            if (m_options.tls)
                mosquitto_tls_set(mosq, orNull(ca), nullptr, orNull(cert), orNull(key), nullptr);
            if (!m_options.willTopic.isEmpty())
                mosquitto_will_set_v5(
                    mosq, m_options.willTopic.constData(), int(m_options.willPayload.size()),
                    m_options.willPayload.constData(), 1, m_options.willRetain, nullptr);
            mosquitto_property* connectProps = nullptr;
            if (m_options.sessionExpiryS > 0)
                mosquitto_property_add_int32(&connectProps, MQTT_PROP_SESSION_EXPIRY_INTERVAL,
                                             uint32_t(m_options.sessionExpiryS));
            const int rc = mosquitto_connect_bind_v5(mosq, host.constData(), m_options.port,
                                                     m_options.keepAliveS, nullptr, connectProps);
            mosquitto_property_free_all(&connectProps);
            if (rc != MOSQ_ERR_SUCCESS) {
                reason = rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                              : QString::fromUtf8(mosquitto_strerror(rc));
            } else {
                {
                    std::lock_guard lock(m_mutex);
                    m_mosq = mosq;
                }
                std::chrono::steady_clock::time_point stopAt{};
                while (true) {
                    const int loop = mosquitto_loop(mosq, 100, 1);
                    accepted = accepted || m_connected;
                    if (loop != MOSQ_ERR_SUCCESS) {
                        if (loop != MOSQ_ERR_NO_CONN || !m_stopping)
                            reason = loop == MOSQ_ERR_ERRNO
                                         ? QString::fromLocal8Bit(std::strerror(errno))
                                         : QString::fromUtf8(mosquitto_strerror(loop));
                        break;
                    }
                    if (m_refused) {
                        reason = QStringLiteral("refused");
                        break;
                    }
                    if (m_stopping) {
                        const auto now = std::chrono::steady_clock::now();
                        if (stopAt == std::chrono::steady_clock::time_point{})
                            stopAt = now + std::chrono::milliseconds(1500);
                        if (!m_connected || now > stopAt)
                            break;
                    }
                }
                std::lock_guard lock(m_mutex);
                m_mosq = nullptr;
                m_connected = false;
            }
            m_wake.notify_all();
            mosquitto_destroy(mosq);
        }
        m_connected = false;
        if (!reason.isEmpty() && lastError().isEmpty())
            setError(reason);
        emit disconnected(generation, lastError().isEmpty() ? reason : lastError());
        if (m_stopping)
            break;
        // 1 s, 2 s, 4 s... up to 60 s while no broker accepts us; 1 s again after one has.
        if (accepted)
            retryMs = m_options.firstRetryMs;
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, std::chrono::milliseconds(retryMs),
                        [this] { return m_stopping.load(); });
        retryMs = qMin(retryMs * 2, m_options.lastRetryMs);
    }
    m_wake.notify_all();
}

}  // namespace velumo::fleet
