#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace velumo {

class EventLog;

// A small HTTP endpoint for Prometheus: GET /metrics (or /) answers the text the source gives,
// as text format 0.0.4; anything else gets 404, a request that is not GET 405. One request a
// connection; a client that sends no full request head within a few seconds, or a head larger
// than 8 KiB, is cut off. No one client keeps the others out: one address holds a few
// connections at most, and a new connection that finds no room takes the place of the oldest
// one still waiting for its request (of its own address, else of the address holding most), so
// connections that send nothing only ever push each other out.
class MetricsServer final : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxHeadBytes = 8192;
    static constexpr int kIdleMs = 5000;
    static constexpr int kMaxClients = 16;
    static constexpr int kMaxClientsPerAddress = 4;

    MetricsServer(QHostAddress address, quint16 port, std::function<QByteArray()> source,
                  QObject* parent = nullptr);
    ~MetricsServer() override;

    // The endpoint of the [metrics] section of fleet.ini in folder, listening; none when the
    // section asks for none, is wrong, or its port cannot be opened (the reason goes to log).
    static std::unique_ptr<MetricsServer> startConfigured(const QString& folder,
                                                          std::function<QByteArray()> source,
                                                          EventLog& log);

    // Opens the port; false when it cannot (errorString() says why).
    bool listen();
    QString errorString() const { return m_error; }
    // The port listened on (the one chosen when 0 was asked for).
    quint16 port() const;

private:
    struct Client {
        QTcpSocket* socket;
        QHostAddress peer;
        bool answered = false;
    };

    void accept();
    // Makes room for a connection from peer; false when every place is taken by a client
    // being answered.
    bool makeRoom(const QHostAddress& peer);
    void drop(QTcpSocket* socket);
    void read(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QByteArray& status, const QByteArray& type,
                const QByteArray& body);

    QHostAddress m_address;
    quint16 m_port;
    std::function<QByteArray()> m_source;
    QTcpServer* m_server;
    QString m_error;
    // In the order they came.
    std::vector<Client> m_clients;
};

}  // namespace velumo
