#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <algorithm>
#include <cstring>
#include <vector>

namespace velumo::test {

// The datagram socket systemd would listen on, with the arrival time of each message.
class NotifySocket {
public:
    explicit NotifySocket(const QString& path) : m_path(QFile::encodeName(path))
    {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, m_path.constData(), size_t(m_path.size()));
        m_bound = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        m_clock.start();
    }
    ~NotifySocket() { ::close(m_fd); }
    bool bound() const { return m_bound; }
    qint64 nowMs() const { return m_clock.elapsed(); }

    struct Message {
        qint64 atMs;
        QString text;
    };
    // Reads what arrives for up to ms; returns early once a message is there when early is set.
    void read(int ms, bool early = false)
    {
        const qint64 end = nowMs() + ms;
        for (qint64 left = ms; left > 0; left = end - nowMs()) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(std::min<qint64>(left, 20))) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n > 0)
                messages.push_back({nowMs(), QString::fromUtf8(buffer, n)});
            if (early)
                return;
        }
    }
    // Reads until a message with that text has come (or the time is up).
    bool waitFor(const QString& text, int timeoutMs)
    {
        const qint64 end = nowMs() + timeoutMs;
        while (nowMs() < end) {
            if (std::any_of(messages.begin(), messages.end(),
                            [&](const Message& m) { return m.text == text; }))
                return true;
            read(int(end - nowMs()), true);
        }
        return false;
    }
    std::vector<qint64> pings(qint64 fromMs = 0, qint64 toMs = INT64_MAX) const
    {
        std::vector<qint64> at;
        for (const Message& m : messages)
            if (m.text == "WATCHDOG=1" && m.atMs >= fromMs && m.atMs <= toMs)
                at.push_back(m.atMs);
        return at;
    }

    std::vector<Message> messages;

private:
    QByteArray m_path;
    int m_fd = -1;
    bool m_bound = false;
    QElapsedTimer m_clock;
};

}  // namespace velumo::test
