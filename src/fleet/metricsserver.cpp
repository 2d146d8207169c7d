#include "metricsserver.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "base/guard.h"

namespace velumo {

namespace {

Origin origin()
{
    return Origin::unattended(QStringLiteral("metrics"));
}

}  // namespace

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
        if (m_clients >= kMaxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_clients;
        socket->setParent(this);
        connectGuarded(socket, &QObject::destroyed, this, origin(), [this] { --m_clients; });
        connectGuarded(socket, &QTcpSocket::readyRead, this, origin(),
                       [this, socket] { read(socket); });
        connectGuarded(socket, &QTcpSocket::disconnected, socket, origin(),
                       [socket] { socket->deleteLater(); });
        // A client that never finishes its request does not keep its place.
        auto* idle = new QTimer(socket);
        idle->setSingleShot(true);
        connectGuarded(idle, &QTimer::timeout, socket, origin(), [socket] {
            socket->abort();
            socket->deleteLater();
        });
        idle->start(kIdleMs);
    }
}

void MetricsServer::read(QTcpSocket* socket)
{
    if (socket->property("answered").toBool())
        return;
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) {
        if (head.size() > kMaxHeadBytes) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        socket->setProperty("head", head);
        return;
    }
    socket->setProperty("answered", true);
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
