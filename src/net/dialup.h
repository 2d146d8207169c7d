#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace velumo {

class EventLog;
class Notifier;

// Dial-up connections over NetworkManager's command-line client: the entries of modem and PPP
// kinds, dialling one (asynchronously, progress as the connection-state texts), hanging up.
// One connection is tracked for the whole program (DialUpHandle), shared by both FTP sides.
class DialUp : public QObject {
    Q_OBJECT
public:
    enum Side { In = 0, Out = 1 };

    // program: the nmcli to run (found on PATH when it has no slash).
    DialUp(Notifier& notifier, EventLog* log, QString program = QStringLiteral("nmcli"),
           QObject* parent = nullptr);
    ~DialUp() override;

    // SelectConnectionsIN / SelectConnectionsOUT: fills the side's list with the entry names.
    void SelectConnections(Side side);
    const QStringList& entries(Side side) const { return m_entries[side]; }

    // ConnectURLIN / ConnectURLOUT: dials the named entry; done runs when the attempt has
    // ended, whatever its outcome (also after the "no name" message).
    void ConnectURL(const QString& name, std::function<void()> done = {});
    // DisconnectURL: hangs up DialUpHandle; "Отсоединились" when it worked, unless silent.
    void DisconnectURL(bool silent = false, std::function<void()> done = {});

    // The name of the connection dialled last (kept after a hang-up, like a stale handle).
    const QString& DialUpHandle() const { return m_handle; }
    // The status label's text (Label1).
    const QString& statusText() const { return m_status; }
    bool busy() const { return m_pending > 0; }

    struct Notification {
        int message = 0;
        int state = 0;
        int error = 0;
    };
    const Notification& lastNotification() const { return m_last; }

    // Time limits for the client's runs.
    int listTimeoutMs = 15000;
    int dialTimeoutMs = 120000;
    int hangUpTimeoutMs = 30000;

    // The text of a connection state; empty for values not in the table.
    static QString stateText(int state);
    // Names of modem and PPP kinds in nmcli's terse "NAME:TYPE" output, in its order.
    static QStringList parseEntries(const QByteArray& terse);

    static constexpr int kStateOpenPort = 0;
    static constexpr int kStateConnectDevice = 2;
    static constexpr int kStateConnected = 8192;
    static constexpr int kStateDisconnected = 8193;

    // Whether the connection tool can be found at all (a listing without it cannot succeed).
    bool available() const;

signals:
    void entriesChanged(int side);
    void statusChanged(const QString& text);

private:
    struct Result {
        bool started = false;
        bool timedOut = false;
        int exitCode = -1;
        QByteArray out;
        QString errorText;  // first line of the client's complaint, or why it did not run
    };
    void run(const QStringList& arguments, int timeoutMs,
             std::function<void(const Result&)> finished);
    void progress(int state, int error, const QString& errorText = {});
    void log(const QString& text);

    Notifier& m_notifier;
    EventLog* m_log;
    QString m_program;
    QStringList m_entries[2];
    QString m_handle;
    QString m_status;
    Notification m_last;
    int m_pending = 0;
};

}  // namespace velumo
