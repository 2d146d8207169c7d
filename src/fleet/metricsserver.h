#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <functional>

class QTcpServer;
class QTcpSocket;

namespace velumo {

// A small HTTP endpoint for Prometheus: GET /metrics (or /) answers the text the source gives,
// as text format 0.0.4; anything else gets 404, a request that is not GET 405. One request a
// connection; a client that sends no full request head within a few seconds, or a head larger
// than 8 KiB, is cut off.
class MetricsServer final : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxHeadBytes = 8192;
    static constexpr int kIdleMs = 5000;
    static constexpr int kMaxClients = 16;

    MetricsServer(QHostAddress address, quint16 port, std::function<QByteArray()> source,
                  QObject* parent = nullptr);
    ~MetricsServer() override;

    // Opens the port; false when it cannot (errorString() says why).
    bool listen();
    QString errorString() const { return m_error; }
    // The port listened on (the one chosen when 0 was asked for).
    quint16 port() const;

private:
    void accept();
    void read(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QByteArray& status, const QByteArray& type,
                const QByteArray& body);

    QHostAddress m_address;
    quint16 m_port;
    std::function<QByteArray()> m_source;
    QTcpServer* m_server;
    QString m_error;
    int m_clients = 0;
};

}  // namespace velumo
