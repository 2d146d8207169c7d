#include "metricsserver.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

#include "base/eventlog.h"
#include "base/guard.h"
#include "fleet/fleetconfig.h"

namespace velumo {

namespace {

Origin origin()
{
    return Origin::unattended(QStringLiteral("metrics"));
}

}  // namespace

std::unique_ptr<MetricsServer> MetricsServer::startConfigured(const QString& folder,
                                                              std::function<QByteArray()> source,
                                                              EventLog& log)
{
    // The one reader of fleet.ini: the link's part and this one are judged each on its own.
    const fleet::MetricsConfig metrics = fleet::readFleetConfig(folder).metrics;
    if (!metrics.error.isEmpty()) {
        log.write(QStringLiteral("error"), QStringLiteral("Метрики не включены: ошибка в разделе "
                                                          "[metrics] файла fleet.ini — %1")
                                               .arg(metrics.error));
        return nullptr;
    }
    if (metrics.port == 0)
        return nullptr;
    auto server =
        std::make_unique<MetricsServer>(QHostAddress(metrics.address), metrics.port, source);
    if (server->listen())
        return server;
    log.write(QStringLiteral("fleet"), server->errorString());
    return nullptr;
}

MetricsServer::MetricsServer(QHostAddress address, quint16 port, std::function<QByteArray()> source,
                             QObject* parent)
    : QObject(parent),
      m_address(std::move(address)),
      m_port(port),
      m_source(std::move(source)),
      m_server(new QTcpServer(this))
{
    connectGuarded(m_server, &QTcpServer::newConnection, this, origin(), &MetricsServer::accept);
}

MetricsServer::~MetricsServer() = default;

bool MetricsServer::listen()
{
    if (m_server->listen(m_address, m_port))
        return true;
    m_error = QStringLiteral("metrics: cannot listen on %1:%2: %3")
                  .arg(m_address.toString())
                  .arg(m_port)
                  .arg(m_server->errorString());
    return false;
}

quint16 MetricsServer::port() const
{
    return m_server->serverPort();
}

void MetricsServer::accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        const QHostAddress peer = socket->peerAddress();
        if (!makeRoom(peer)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_clients.push_back({socket, peer});
        socket->setParent(this);
        connectGuarded(socket, &QTcpSocket::readyRead, this, origin(),
                       [this, socket] { read(socket); });
        connectGuarded(socket, &QTcpSocket::disconnected, this, origin(),
                       [this, socket] { drop(socket); });
        // A client that never finishes its request does not keep its place.
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        connectGuarded(idle, &QTimer::timeout, this, origin(), [this, socket] { drop(socket); });
        idle->start(kIdleMs);
    }
}

bool MetricsServer::makeRoom(const QHostAddress& peer)
{
    const auto countOf = [this](const QHostAddress& address) {
        return std::count_if(m_clients.begin(), m_clients.end(),
                             [&address](const Client& c) { return c.peer == address; });
    };
    QHostAddress from = peer;
    if (countOf(peer) < kMaxClientsPerAddress) {
        if (int(m_clients.size()) < kMaxClients)
            return true;
        // Full: the address that holds most gives a place up.
        for (const Client& c : m_clients)
            if (countOf(c.peer) > countOf(from))
                from = c.peer;
    }
    const auto waiting = std::find_if(m_clients.begin(), m_clients.end(), [&from](const Client& c) {
        return c.peer == from && !c.answered;
    });
    if (waiting == m_clients.end())
        return false;
    drop(waiting->socket);
    return true;
}

void MetricsServer::drop(QTcpSocket* socket)
{
    const auto found = std::find_if(m_clients.begin(), m_clients.end(),
                                    [socket](const Client& c) { return c.socket == socket; });
    if (found == m_clients.end())
        return;
    // Gone from the list first: the abort announces the end again.
    m_clients.erase(found);
    socket->abort();
    socket->deleteLater();
}

void MetricsServer::read(QTcpSocket* socket)
{
    if (socket->property("answered").toBool())
        return;
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        if (head.size() > kMaxHeadBytes) {
            drop(socket);
            return;
        }
        socket->setProperty("head", head);
        return;
    }
    socket->setProperty("answered", true);
    for (Client& c : m_clients)
        if (c.socket == socket)
            c.answered = true;
    const QList<QByteArray> request = head.left(head.indexOf("\r\n")).split(' ');
    if (request.size() < 3 || !request[2].startsWith("HTTP/")) {
        answer(socket, "400 Bad Request", "text/plain", "bad request\n");
        return;
    }
    if (request[0] != "GET" && request[0] != "HEAD") {
        answer(socket, "405 Method Not Allowed", "text/plain", "only GET\n");
        return;
    }
    const QByteArray path =
        request[1].left(request[1].indexOf('?') < 0 ? request[1].size() : request[1].indexOf('?'));
    if (path != "/metrics" && path != "/") {
        answer(socket, "404 Not Found", "text/plain", "not found\n");
        return;
    }
    const QByteArray body = m_source ? m_source() : QByteArray();
    answer(socket, "200 OK", "text/plain; version=0.0.4; charset=utf-8",
           request[0] == "HEAD" ? QByteArray() : body);
}

void MetricsServer::answer(QTcpSocket* socket, const QByteArray& status, const QByteArray& type,
                           const QByteArray& body)
{
    QByteArray reply = "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                       "\r\nContent-Length: " + QByteArray::number(body.size()) +
                       "\r\nConnection: close\r\n\r\n" + body;
    socket->write(reply);
    socket->disconnectFromHost();
}

}  // namespace velumo
