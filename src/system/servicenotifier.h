#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <memory>

namespace velumo {

class Timer;
class TimerFactory;

// Tells systemd how the program is doing over its notify socket ($NOTIFY_SOCKET: a datagram
// socket at a path, or an abstract name written with a leading '@'): READY=1 once the program
// answers on its control channel, STATUS= with what is on air, STOPPING=1 at exit, and
// WATCHDOG=1 pings. The pings come from a timer of the thread that owns this object (the
// user-interface thread), at half the interval systemd asked for, so an event loop that is
// stuck stops them and systemd restarts the program. Without a notify socket nothing happens.
class ServiceNotifier {
public:
    struct Setup {
        QByteArray socket;      // $NOTIFY_SOCKET; empty: no service manager listens
        qint64 watchdogUs = 0;  // $WATCHDOG_USEC; 0: no watchdog
    };

    // What the environment asks for. $WATCHDOG_PID, when set, names the process the watchdog is
    // meant for: any other process (a child that inherited the environment) has none.
    static Setup fromEnvironment(qint64 ownPid);
    // Reads the variables and removes them at once, before any thread of the program starts: a
    // program started meanwhile (a clock check, a player) would otherwise inherit them and speak
    // to systemd in our name (timedatectl sends "ERRNO=" when it fails). fromEnvironment gives
    // what was taken from then on.
    static void takeFromEnvironment(qint64 ownPid);
    // Removes the variables, so the players and converters the program starts do not talk to
    // systemd in its name.
    static void clearEnvironment();

    // One message sent at once, for the time before the event loop runs (a start that waits);
    // false when no manager listens or it could not be sent.
    static bool sendOnce(const Setup& setup, const QByteArray& message);

    ServiceNotifier(Setup setup, TimerFactory& timers);
    ~ServiceNotifier();

    bool active() const { return m_fd >= 0; }
    bool stoppingSent() const { return m_stopping; }
    // The status member "service": whether a service manager runs this copy ("manager") and
    // whether its stop has been told ("stopping").
    QJsonObject status() const;
    // Whether a program's status says that a service manager runs it.
    static bool runsAsService(const QJsonObject& programStatus);
    // Whether the copy running on folder is the service's (its status says so).
    static bool copyRunsAsService(const QString& folder);
    qint64 watchdogIntervalMs() const;

    void ready();
    void stopping();
    // The status line: sent when it changes, at most once a second (a change within the second
    // is sent when the second is over, the latest text only).
    void setStatus(const QString& text);
    // One WATCHDOG=1 now (the timer sends the others).
    void ping();

    static constexpr qint64 kStatusGapMs = 1000;

private:
    bool send(const QByteArray& message);
    void sendStatus();

    Setup m_setup;
    int m_fd = -1;
    std::unique_ptr<Timer> m_watchdog;
    std::unique_ptr<Timer> m_statusGap;
    QString m_sentStatus;
    QString m_pendingStatus;
    bool m_statusPending = false;
    bool m_stopping = false;
};

}  // namespace velumo
