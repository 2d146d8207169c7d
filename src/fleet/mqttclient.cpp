#include "mqttclient.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <QFileInfo>

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
    // Guards mosq, users and error; never held while libmosquitto runs.
    std::mutex mutex;
    std::condition_variable wake;
    mosquitto* mosq = nullptr;
    int users = 0;  // callers inside a libmosquitto call on mosq: it is not destroyed meanwhile
    QString error;
    // The network thread's own: what libmosquitto's log and the broker's refusal said of the
    // attempt under way.
    QString netError;
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
    // Runs call(mosq) on the live connection without holding the lock; false when there is none.
    template <typename Call>
    bool withConnection(Call call)
    {
        mosquitto* live = nullptr;
        {
            std::lock_guard lock(mutex);
            if (!mosq || !connected)
                return false;
            live = mosq;
            ++users;
        }
        call(live);
        {
            std::lock_guard lock(mutex);
            --users;
        }
        wake.notify_all();
        return true;
    }
};

namespace {

// The network thread's mark: libmosquitto also logs from inside the calls of other threads.
thread_local bool tl_networkThread = false;

// An encrypted key is never asked for on a terminal: it simply cannot be used.
int noKeyPassword(char*, int, int, void*)
{
    return 0;
}

QString unreadable(const QString& what, const QString& path)
{
    return QStringLiteral("TLS: cannot read the %1 %2").arg(what, path);
}

}  // namespace

struct MqttCallbacks {
    static void connected(mosquitto* mosq, void* self, int rc, int, const mosquitto_property*)
    {
        auto* shared = static_cast<MqttClient::Shared*>(self);
        if (rc != 0) {
            shared->netError = QStringLiteral("the broker refused the connection: %1 (%2)")
                                   .arg(QString::fromUtf8(mosquitto_reason_string(rc)))
                                   .arg(rc);
            shared->refused = true;
            return;
        }
        for (const QByteArray& topic : shared->options.subscriptions)
            mosquitto_subscribe_v5(mosq, nullptr, topic.constData(), 1, 0, nullptr);
        shared->netError.clear();
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
        // The broker was told our maximum; one that sends more anyway is not copied on.
        const int limit = shared->options.maxPacketBytes;
        if (limit > 0 && m->payloadlen > limit)
            return;
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

    // Takes no lock: it may run inside a call that another thread makes.
    static void log(mosquitto*, void* self, int level, const char* text)
    {
        if (level == MOSQ_LOG_ERR && tl_networkThread)
            static_cast<MqttClient::Shared*>(self)->netError = QString::fromUtf8(text);
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
    s.stopWaitMs = waitMs;
    {
        std::lock_guard lock(s.mutex);
        s.stopping = true;
    }
    if (waitMs > 0)
        s.withConnection([](mosquitto* mosq) { mosquitto_disconnect_v5(mosq, 0, nullptr); });
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
    int result = kNotConnected;
    m_shared->withConnection([&](mosquitto* mosq) {
        mosquitto_property* props = nullptr;
        bool built = true;
        if (!message.responseTopic.isEmpty())
            built = built && mosquitto_property_add_string(&props, MQTT_PROP_RESPONSE_TOPIC,
                                                           message.responseTopic.constData()) ==
                                 MOSQ_ERR_SUCCESS;
        if (!message.correlation.isEmpty())
            built =
                built && mosquitto_property_add_binary(
                             &props, MQTT_PROP_CORRELATION_DATA, message.correlation.constData(),
                             uint16_t(qMin(message.correlation.size(), qsizetype(65535)))) ==
                             MOSQ_ERR_SUCCESS;
        for (const auto& [name, value] : message.userProperties)
            built = built && mosquitto_property_add_string_pair(
                                 &props, MQTT_PROP_USER_PROPERTY, name.constData(),
                                 value.constData()) == MOSQ_ERR_SUCCESS;
        int mid = -1;
        const int rc =
            !built ? MOSQ_ERR_INVAL
                   : mosquitto_publish_v5(mosq, &mid, message.topic.constData(),
                                          int(qMin(message.payload.size(), qsizetype(INT_MAX))),
                                          message.payload.constData(), message.qos, message.retain,
                                          props);
        mosquitto_property_free_all(&props);
        if (rc == MOSQ_ERR_SUCCESS)
            result = mid;
        else if (rc == MOSQ_ERR_OVERSIZE_PACKET || rc == MOSQ_ERR_PAYLOAD_SIZE ||
                 message.payload.size() > INT_MAX)
            result = kTooLarge;
        else if (rc == MOSQ_ERR_NO_CONN || rc == MOSQ_ERR_CONN_LOST)
            result = kNotConnected;
        else
            result = kRejected;
    });
    return result;
}

QString MqttClient::lastError() const
{
    return m_shared->lastError();
}

void MqttClient::run(const std::shared_ptr<Shared>& shared)
{
    tl_networkThread = true;
    Shared& s = *shared;
    const Options& o = s.options;
    int retryMs = o.firstRetryMs;
    while (!s.stopping) {
        const int generation = ++s.generation;
        s.refused = false;
        s.netError.clear();
        bool accepted = false;
        bool unusable = false;
        QString reason;
        attempt(s, accepted, reason, unusable);
        s.connected = false;
        // What libmosquitto logged says more than its return code ("certificate verify failed").
        const QString why = !s.netError.isEmpty() && !unusable ? s.netError : reason;
        s.setError(why);
        s.announce(
            [&](MqttClient& client) { emit client.disconnected(generation, why, unusable); });
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

void MqttClient::attempt(Shared& s, bool& accepted, QString& reason, bool& unusable)
{
    const Options& o = s.options;
    const QByteArray id = bytes(o.clientId);
    const QByteArray host = bytes(o.host);
    const QByteArray user = bytes(o.user);
    const QByteArray password = bytes(o.password);
    const QByteArray ca = bytes(o.caFile);
    const QByteArray cert = bytes(o.certFile);
    const QByteArray key = bytes(o.keyFile);
    mosquitto* mosq = mosquitto_new(orNull(id), o.sessionExpiryS == 0, &s);
    if (!mosq) {
        reason = QStringLiteral("out of memory");
        return;
    }
    // Every setting is checked: one that did not take (TLS above all) means no connection.
    const auto setUp = [&]() -> QString {
        const auto failed = [](const char* what, int rc) {
            return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                                QString::fromUtf8(mosquitto_strerror(rc)));
        };
        int rc = MOSQ_ERR_SUCCESS;
        if ((rc = mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5)))
            return failed("MQTT 5", rc);
        if ((rc = mosquitto_threaded_set(mosq, true)))
            return failed("threads", rc);
        // Small messages each way: Nagle's delay would hold a reply back for tens of ms.
        if ((rc = mosquitto_int_option(mosq, MOSQ_OPT_TCP_NODELAY, 1)))
            return failed("TCP_NODELAY", rc);
        mosquitto_connect_v5_callback_set(mosq, &MqttCallbacks::connected);
        mosquitto_publish_v5_callback_set(mosq, &MqttCallbacks::publish);
        mosquitto_message_v5_callback_set(mosq, &MqttCallbacks::message);
        mosquitto_log_callback_set(mosq, &MqttCallbacks::log);
        if (!user.isEmpty() &&
            (rc = mosquitto_username_pw_set(mosq, user.constData(), orNull(password))))
            return failed("user name and password", rc);
        if (o.tls) {
            // Said by name: libmosquitto only answers "invalid arguments".
            if (!ca.isEmpty() && !QFileInfo(o.caFile).isReadable())
                return unreadable(QStringLiteral("CA file"), o.caFile);
            if (!cert.isEmpty() && !QFileInfo(o.certFile).isReadable())
                return unreadable(QStringLiteral("certificate"), o.certFile);
            if (!key.isEmpty() && !QFileInfo(o.keyFile).isReadable())
                return unreadable(QStringLiteral("key"), o.keyFile);
            if ((rc = mosquitto_tls_set(mosq, orNull(ca), ca.isEmpty() ? kSystemCaPath : nullptr,
                                        orNull(cert), orNull(key), &noKeyPassword)))
                return failed("TLS", rc);
            if (ca.isEmpty() && (rc = mosquitto_int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1)))
                return failed("TLS (the system's CA store)", rc);
        }
        if (!o.willTopic.isEmpty() &&
            (rc = mosquitto_will_set_v5(mosq, o.willTopic.constData(), int(o.willPayload.size()),
                                        o.willPayload.constData(), 1, o.willRetain, nullptr)))
            return failed("last will", rc);
        return {};
    };
    if (const QString problem = setUp(); !problem.isEmpty()) {
        reason = problem;
        unusable = true;
        mosquitto_destroy(mosq);
        return;
    }
    mosquitto_property* connectProps = nullptr;
    int rc = MOSQ_ERR_SUCCESS;
    if (o.sessionExpiryS > 0)
        rc = mosquitto_property_add_int32(&connectProps, MQTT_PROP_SESSION_EXPIRY_INTERVAL,
                                          uint32_t(o.sessionExpiryS));
    if (rc == MOSQ_ERR_SUCCESS && o.maxPacketBytes > 0)
        rc = mosquitto_property_add_int32(&connectProps, MQTT_PROP_MAXIMUM_PACKET_SIZE,
                                          uint32_t(o.maxPacketBytes));
    if (rc == MOSQ_ERR_SUCCESS)
        rc = mosquitto_connect_bind_v5(mosq, host.constData(), o.port, o.keepAliveS, nullptr,
                                       connectProps);
    mosquitto_property_free_all(&connectProps);
    if (rc != MOSQ_ERR_SUCCESS) {
        reason = rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                      : QString::fromUtf8(mosquitto_strerror(rc));
        // A TLS failure before any packet: the CA, certificate or key did not load.
        unusable = rc == MOSQ_ERR_TLS;
        if (unusable && !s.netError.isEmpty())
            reason = QStringLiteral("TLS: ") + s.netError;
        mosquitto_destroy(mosq);
        return;
    }
    // The CONNECT is only queued so far (threaded mode: the loop writes it): a socket that does
    // not speak TLS never gets it.
    if (o.tls && !mosquitto_ssl_get(mosq)) {
        reason = QStringLiteral("TLS: the connection would not be encrypted");
        unusable = true;
        mosquitto_destroy(mosq);
        return;
    }
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
                reason = loop == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
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
    {
        // Whoever is inside a call on it finishes first.
        std::unique_lock lock(s.mutex);
        s.mosq = nullptr;
        s.connected = false;
        s.wake.wait(lock, [&s] { return s.users == 0; });
    }
    s.wake.notify_all();
    mosquitto_destroy(mosq);
}

}  // namespace velumo::fleet
