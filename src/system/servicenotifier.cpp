#include "servicenotifier.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>

#include "base/controlchannel.h"
#include "base/timer.h"

namespace velumo {

namespace {

std::optional<ServiceNotifier::Setup>& taken()
{
    static std::optional<ServiceNotifier::Setup> setup;
    return setup;
}

// Only a path or an abstract name; anything else (a vsock address) is not ours to speak.
bool speakable(const QByteArray& name)
{
    return !name.isEmpty() && (name[0] == '/' || name[0] == '@') &&
           size_t(name.size()) < sizeof(sockaddr_un::sun_path);
}

bool sendTo(int fd, QByteArray name, const QByteArray& message)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name[0] == '@')
        name[0] = '\0';
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    // An abstract name has no terminating zero: its length is part of the name.
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(name.size()) +
                                       (name[0] == '\0' ? 0 : 1));
    // A manager that does not read is not waited for: the datagram is dropped.
    return ::sendto(fd, message.constData(), size_t(message.size()), MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&address), length) == message.size();
}

}  // namespace

void ServiceNotifier::takeFromEnvironment(qint64 ownPid)
{
    taken() = fromEnvironment(ownPid);
    clearEnvironment();
}

ServiceNotifier::Setup ServiceNotifier::fromEnvironment(qint64 ownPid)
{
    if (taken())
        return *taken();
    Setup setup;
    setup.socket = qgetenv("NOTIFY_SOCKET");
    bool ok = false;
    const qint64 us = qEnvironmentVariable("WATCHDOG_USEC").toLongLong(&ok);
    if (ok && us > 0)
        setup.watchdogUs = us;
    const QByteArray pid = qgetenv("WATCHDOG_PID");
    if (!pid.isEmpty() && pid.toLongLong() != ownPid)
        setup.watchdogUs = 0;
    return setup;
}

void ServiceNotifier::clearEnvironment()
{
    qunsetenv("NOTIFY_SOCKET");
    qunsetenv("WATCHDOG_USEC");
    qunsetenv("WATCHDOG_PID");
}

bool ServiceNotifier::sendOnce(const Setup& setup, const QByteArray& message)
{
    if (!speakable(setup.socket))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const bool sent = sendTo(fd, setup.socket, message);
    ::close(fd);
    return sent;
}

ServiceNotifier::ServiceNotifier(Setup setup, TimerFactory& timers) : m_setup(std::move(setup))
{
    if (!speakable(m_setup.socket))
        return;
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0)
        return;
    m_statusGap = timers.create(QStringLiteral("ServiceStatus"));
    m_statusGap->setInterval(kStatusGapMs);
    m_statusGap->setHandler([this] {
        m_statusGap->stop();
        if (m_statusPending)
            sendStatus();
    });
    if (m_setup.watchdogUs > 0) {
        m_watchdog = timers.create(QStringLiteral("ServiceWatchdog"));
        m_watchdog->setInterval(watchdogIntervalMs());
        m_watchdog->setHandler([this] { ping(); });
        m_watchdog->start();
    }
}

ServiceNotifier::~ServiceNotifier()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

qint64 ServiceNotifier::watchdogIntervalMs() const
{
    // Half the interval, as systemd advises; never a busy loop for a tiny setting.
    return m_setup.watchdogUs > 0 ? std::max<qint64>(1, m_setup.watchdogUs / 2000) : 0;
}

bool ServiceNotifier::send(const QByteArray& message)
{
    return m_fd >= 0 && sendTo(m_fd, m_setup.socket, message);
}

void ServiceNotifier::ready()
{
    send("READY=1");
}

void ServiceNotifier::stopping()
{
    if (m_stopping)
        return;
    m_stopping = true;
    if (m_watchdog)
        m_watchdog->stop();
    send("STOPPING=1");
}

QJsonObject ServiceNotifier::status() const
{
    return {{QStringLiteral("manager"), active()}, {QStringLiteral("stopping"), m_stopping}};
}

bool ServiceNotifier::copyRunsAsService(const QString& folder)
{
    const std::optional<QJsonObject> status = askStatus(folder);
    return status && runsAsService(*status);
}

bool ServiceNotifier::runsAsService(const QJsonObject& programStatus)
{
    return programStatus.value(QLatin1String("service"))
        .toObject()
        .value(QLatin1String("manager"))
        .toBool();
}

void ServiceNotifier::setStatus(const QString& text)
{
    if (m_fd < 0 || m_stopping)
        return;
    m_pendingStatus = text;
    m_statusPending = m_pendingStatus != m_sentStatus;
    if (m_statusPending && !m_statusGap->isActive())
        sendStatus();
}

void ServiceNotifier::sendStatus()
{
    // One line: a line break would end the assignment.
    QString line = m_pendingStatus;
    line.replace(u'\n', u' ');
    line.replace(u'\r', u' ');
    send("STATUS=" + line.toUtf8());
    m_sentStatus = m_pendingStatus;
    m_statusPending = false;
    m_statusGap->start();
}

void ServiceNotifier::ping()
{
    send("WATCHDOG=1");
}

}  // namespace velumo
