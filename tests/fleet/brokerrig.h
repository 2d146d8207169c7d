#pragma once
// A real Mosquitto on 127.0.0.1 with a port of its own, run with the repository's site
// configuration (data/mosquitto: TLS, password file, ACL); only its paths and its listener are
// the test's. The certificates are made here with openssl, the passwords with mosquitto_passwd.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <mutex>
#include <thread>

#include "fakes/testsupport.h"

namespace velumo::fleettest {

inline bool run(const QString& program, const QStringList& arguments, const QString& folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << arguments.join(' ').toStdString() << ": "
                      << process.readAll().toStdString();
        return false;
    }
    return true;
}

inline int freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// Debian's /etc/mosquitto/mosquitto.conf as installed, with its paths in folder (the pid
// file, the broker's state), its log line and its include line replaced (left out when empty).
inline QByteArray debianStockConf(const QString& folder, const QByteArray& log,
                                  const QByteArray& include)
{
    QByteArray out;
    for (const QByteArray& line : test::readAll("/etc/mosquitto/mosquitto.conf").split('\n')) {
        QByteArray kept = line;
        if (line.startsWith("pid_file "))
            kept = "pid_file " + (folder + "/mosquitto.pid").toUtf8();
        else if (line.startsWith("persistence_location "))
            kept = "persistence_location " + (folder + "/").toUtf8();
        else if (line.startsWith("log_dest "))
            kept = log;
        else if (line.startsWith("include_dir "))
            kept = include;
        if (!kept.isEmpty() || line.isEmpty())
            out += kept + '\n';
    }
    return out;
}

class Broker {
public:
    // Accounts: the operator and the stations named; each password is "pw-" + the name.
    // extra: lines added to the site configuration ("max_packet_size 524288").
    explicit Broker(const QStringList& stations, const QByteArray& extra = {})
    {
        m_path = m_dir.path();
        QFile::setPermissions(
            m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther |
                        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup);
        makeCertificates();
        const QString passwd = file("passwd");
        bool first = true;
        for (const QString& user : QStringList{"operator"} + stations) {
            QStringList args{"-b", passwd, user, "pw-" + user};
            if (first)
                args.prepend("-c");
            first = false;
            run("mosquitto_passwd", args, m_path);
        }
        // The broker drops to its own user when started by root: it must read what is here.
        for (const QString& name : QDir(m_path).entryList(QDir::Files))
            QFile::setPermissions(file(name), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup | QFileDevice::ReadOther);
        m_port = freePort();
        QByteArray conf = test::readAll(source("data/mosquitto/velumo.conf"));
        conf.replace("/etc/mosquitto/velumo/", (m_path + "/").toUtf8());
        conf.replace("listener 8883", "listener " + QByteArray::number(m_port) + " 127.0.0.1");
        // Installed, ours comes after Debian's own mosquitto.conf (its persistence, pid file and
        // log), here with that file's paths in this folder and its log on the output.
        test::writeAll(file("velumo.conf"),
                       debianStockConf(m_path, "log_dest stderr", {}) + conf + extra);
        QFile::copy(source("data/mosquitto/velumo.acl"), file("velumo.acl"));
        QFile::setPermissions(file("velumo.acl"), QFileDevice::ReadOwner | QFileDevice::ReadOther);
    }
    ~Broker() { stop(); }

    static QString source(const QString& relative)
    {
        return qEnvironmentVariable("VELUMO_SOURCE_DIR") + u'/' + relative;
    }
    QString file(const QString& name) const { return m_path + u'/' + name; }
    int port() const { return m_port; }
    QString address() const { return QStringLiteral("mqtts://127.0.0.1:%1").arg(m_port); }

    bool start()
    {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start("mosquitto", {"-c", file("velumo.conf")});
        if (!m_process.waitForStarted(5000))
            return false;
        // Up when it takes a connection.
        return test::waitFor(
            [this] {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, quint16(m_port));
                return socket.waitForConnected(200);
            },
            10000, 50);
    }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    QByteArray output() { return m_process.readAll(); }

private:
    void makeCertificates()
    {
        const auto ca = [this](const QString& name) {
            run("openssl",
                {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                 "/CN=Velumo test " + name, "-keyout", name + ".key", "-out", name + ".crt"},
                m_path);
        };
        ca("ca");
        ca("other-ca");
        run("openssl",
            {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
             "server.key", "-out", "server.csr"},
            m_path);
        test::writeAll(file("server.ext"), "subjectAltName=IP:127.0.0.1,DNS:localhost\n");
        run("openssl",
            {"x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key",
             "-CAcreateserial", "-days", "2", "-extfile", "server.ext", "-out", "server.crt"},
            m_path);
    }

    QTemporaryDir m_dir;
    QString m_path;
    int m_port = 0;
    QProcess m_process;
};

// A TCP listener on 127.0.0.1 on a thread of its own (a test may wait in a blocking call
// meanwhile). Alone, where a broker should be, it keeps every byte a client sends: what the client
// would have told a broker. Given the broker's port it passes both ways, and spoils one byte of
// what the broker sends when told, as a damaged line does.
class Tap {
public:
    explicit Tap(int port, int brokerPort = 0) : port(port)
    {
        const int on = 1;
        ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        EXPECT_EQ(::bind(m_listener, address(port), sizeof(sockaddr_in)), 0);
        EXPECT_EQ(::listen(m_listener, 8), 0);
        m_thread = std::thread([this, brokerPort] {
            for (pollfd next{m_listener, POLLIN, 0}; !m_stop;) {
                if (::poll(&next, 1, 100) <= 0)
                    continue;
                const int client = ::accept(m_listener, nullptr, nullptr);
                const int broker = brokerPort ? ::socket(AF_INET, SOCK_STREAM, 0) : -1;
                if (brokerPort)
                    ::connect(broker, address(brokerPort), sizeof(sockaddr_in));
                pump(client, broker);
                ::close(client);
                ::close(broker);
            }
        });
    }
    ~Tap()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listener);
    }
    QByteArray bytes()
    {
        std::lock_guard lock(m_mutex);
        return m_bytes;
    }
    const int port;
    std::atomic<bool> spoil{false};

private:
    const sockaddr* address(int port)
    {
        m_address = {AF_INET, htons(quint16(port)), {htonl(INADDR_LOOPBACK)}, {}};
        return reinterpret_cast<const sockaddr*>(&m_address);
    }
    void pump(int client, int broker)
    {
        pollfd ends[2] = {{client, POLLIN, 0}, {broker, POLLIN, 0}};
        char buffer[16384];
        // Alone, a client silent for a while has said all it would.
        for (bool open = true; open && !m_stop;) {
            const int ready = ::poll(ends, broker < 0 ? 1 : 2, 300);
            open = ready > 0 || broker >= 0;
            for (int i = 0; i < 2 && ready > 0 && open; ++i) {
                if (!(ends[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const ssize_t n = ::recv(ends[i].fd, buffer, sizeof buffer, 0);
                if (n > 8 && i == 1 && spoil.exchange(false))
                    buffer[n / 2] ^= 0x5a;
                std::lock_guard lock(m_mutex);
                open = n > 0 &&
                       (broker < 0 ? (m_bytes.append(buffer, n), true)
                                   : ::send(ends[1 - i].fd, buffer, size_t(n), MSG_NOSIGNAL) == n);
            }
        }
    }

    int m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in m_address{};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_mutex;
    QByteArray m_bytes;
};

}  // namespace velumo::fleettest
