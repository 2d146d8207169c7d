// The notify protocol as systemd reads it: datagrams on a socket of the test's own (a path or an
// abstract name), the watchdog's rate and the status line's throttle on fake timers.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QTemporaryDir>
#include <cstring>

#include "fakes/faketimers.h"
#include "system/servicenotifier.h"

using namespace velumo;
using namespace velumo::test;

namespace {

// A datagram socket bound where the notifier is told to send.
class Listener {
public:
    explicit Listener(const QByteArray& name) : m_name(name)
    {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QByteArray raw = name;
        if (raw.startsWith('@'))
            raw[0] = '\0';
        std::memcpy(address.sun_path, raw.constData(), size_t(raw.size()));
        const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + size_t(raw.size()) +
                                           (raw[0] == '\0' ? 0 : 1));
        m_bound = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    }
    ~Listener() { ::close(m_fd); }
    bool bound() const { return m_bound; }

    // Every datagram waiting now.
    QStringList take()
    {
        QStringList messages;
        pollfd p{m_fd, POLLIN, 0};
        while (::poll(&p, 1, 50) > 0) {
            char buffer[4096];
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n < 0)
                break;
            messages.append(QString::fromUtf8(buffer, n));
        }
        return messages;
    }

private:
    QByteArray m_name;
    int m_fd = -1;
    bool m_bound = false;
};

TEST(ServiceNotifier, SpeaksToAPathOrAnAbstractNameAndPingsAtHalfTheWatchdogInterval)
{
    QTemporaryDir dir;
    const QByteArray abstractName = "@velumo-test-" + QByteArray::number(::getpid());
    for (const QByteArray& name : {QFile::encodeName(dir.filePath("notify")), abstractName}) {
        SCOPED_TRACE(name.toStdString());
        Listener listener(name);
        ASSERT_TRUE(listener.bound());
        FakeTimerFactory timers;
        ServiceNotifier notifier({name, 3'000'000}, timers);
        ASSERT_TRUE(notifier.active());
        EXPECT_EQ(notifier.watchdogIntervalMs(), 1500);
        notifier.ready();
        EXPECT_EQ(listener.take(), QStringList{"READY=1"});
        // Nothing before the first half-interval, then one ping each.
        timers.advance(1499);
        EXPECT_TRUE(listener.take().isEmpty());
        timers.advance(1);
        EXPECT_EQ(listener.take(), QStringList{"WATCHDOG=1"});
        timers.advance(4500);
        EXPECT_EQ(listener.take(), QStringList(3, "WATCHDOG=1"));
        // At the end: STOPPING=1 once, and the pings stop with it.
        notifier.stopping();
        notifier.stopping();
        timers.advance(6000);
        EXPECT_EQ(listener.take(), QStringList{"STOPPING=1"});
    }
}

TEST(ServiceNotifier, StatusIsSentOnChangeAtMostOnceASecondTheLatestTextLast)
{
    QTemporaryDir dir;
    const QByteArray name = QFile::encodeName(dir.filePath("notify"));
    Listener listener(name);
    FakeTimerFactory timers;
    ServiceNotifier notifier({name, 0}, timers);
    notifier.setStatus("Строка: идёт");
    EXPECT_EQ(listener.take(), QStringList{"STATUS=Строка: идёт"});
    // The same text again says nothing; changes within the second wait for its end, and only
    // the latest goes.
    notifier.setStatus("Строка: идёт");
    notifier.setStatus("Строка: стоит");
    notifier.setStatus("Строка: стоит; клип a.mp4");
    timers.advance(999);
    EXPECT_TRUE(listener.take().isEmpty());
    timers.advance(1);
    EXPECT_EQ(listener.take(), QStringList{"STATUS=Строка: стоит; клип a.mp4"});
    // A change back to the text sent before the wait ended is no change.
    notifier.setStatus("Строка: идёт");
    notifier.setStatus("Строка: стоит; клип a.mp4");
    timers.advance(5000);
    EXPECT_TRUE(listener.take().isEmpty());
    // A line break would end the assignment: it becomes a blank.
    notifier.setStatus("a\nb");
    EXPECT_EQ(listener.take(), QStringList{"STATUS=a b"});
    // No watchdog was asked for: no pings, ever.
    timers.advance(60000);
    EXPECT_TRUE(listener.take().isEmpty());
}

TEST(ServiceNotifier, WithoutASocketOrForAnotherProcessNothingHappens)
{
    FakeTimerFactory timers;
    for (const QByteArray& name : QList<QByteArray>{"", "vsock:2:1234", "relative/path"}) {
        ServiceNotifier notifier({name, 1'000'000}, timers);
        EXPECT_FALSE(notifier.active());
        notifier.ready();
        notifier.setStatus("x");
        notifier.stopping();
        EXPECT_EQ(timers.find("ServiceWatchdog"), nullptr);
    }
    // WATCHDOG_PID names the process the watchdog is meant for; a child that inherited the
    // environment has none.
    qputenv("NOTIFY_SOCKET", "/run/user/1000/systemd/notify");
    qputenv("WATCHDOG_USEC", "20000000");
    qputenv("WATCHDOG_PID", "4242");
    EXPECT_EQ(ServiceNotifier::fromEnvironment(4242).watchdogUs, 20'000'000);
    EXPECT_EQ(ServiceNotifier::fromEnvironment(4243).watchdogUs, 0);
    qputenv("WATCHDOG_USEC", "garbage");
    EXPECT_EQ(ServiceNotifier::fromEnvironment(4242).watchdogUs, 0);
    ServiceNotifier::clearEnvironment();
    EXPECT_TRUE(ServiceNotifier::fromEnvironment(4242).socket.isEmpty());
    EXPECT_FALSE(qEnvironmentVariableIsSet("WATCHDOG_PID"));
}

}  // namespace
