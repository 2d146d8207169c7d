#pragma once

#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLocalSocket;
class QLockFile;
class QSocketNotifier;
class QTimer;

namespace velumo {

class CommandReply;
class EventLog;
class FolderLock;
class Notifier;
class Operations;

// The local control channel of one program folder: the single-instance rule and remote control
// share it. A client sends one command line; the reply is one line with the outcome code
// ("0" done, "2" failed) and then the reply text. The commands are the program's named
// operations.
//
// The socket lives in a folder only this user can enter (the runtime folder, or a private folder
// of our own, never one another user made), so nobody else can bind the name first or reach the
// program. The single-instance lock is held for the whole run: in the program folder itself
// (velumo.lock, naming the socket, so copies started in different environments still find each
// other) and beside the socket. Running out
// of descriptors pauses accepting (it never closes the channel), at most kMaxConnections
// clients are served at once, a client idle for kIdleMs is cut off, and a socket file that
// disappears is made again.
class ControlServer : public QObject {
    Q_OBJECT
public:
    // A handler returns its reply text; a thrown Failure makes the command fail.
    using Handler = std::function<QString(const QString& arguments)>;
    // A handler that may answer later: it (or whatever goes on with its work) calls done() or
    // fail() on the reply, and runs each later part of its work through reply->run().
    using AsyncHandler =
        std::function<void(const QString& arguments, const std::shared_ptr<CommandReply>& reply)>;
    // Receives the outcome code (0 done, 2 failed) and the reply text of a command, once.
    using Answer = std::function<void(int code, const QString& reply)>;

    ControlServer(QString programFolder, Notifier& notifier, EventLog* log, Operations& operations,
                  QObject* parent = nullptr);
    ~ControlServer() override;

    // Takes the single-instance lock and the channel (a stale socket left by a crashed copy is
    // removed). False when another copy holds the lock or there is no private folder
    // (errorString() says why); a socket that cannot be opened yet is retried and logged.
    bool listen();
    QString errorString() const { return m_error; }

    // Registers a named operation; verb may have several words ("ticker start"); the longest
    // matching verb of a command line wins.
    void addCommand(const QString& verb, Handler handler);
    // A command that answers through its reply object. The named operation (buttons, the panel)
    // starts it and waits for no answer; a failure then shows the general error report.
    void addCommand(const QString& verb, AsyncHandler handler);
    // The verbs registered, in no particular order.
    QStringList commands() const;
    // A member of the status object.
    void addStatus(const QString& member, std::function<QJsonValue()> provider);

    QJsonObject status() const;
    // Only the members named (all of them when none is).
    QJsonObject status(const QStringList& members) const;
    // Runs one command line as if it came over the channel; answer gets the outcome when the
    // command answers (at once for most; a command that has not answered within
    // the reply timeout fails with a text saying so).
    void execute(const QString& line, Answer answer);
    // The same for a command that answers at once; returns {code, reply}. One that answers
    // later gets {2, kNotYetAnswered} here (its answer is dropped).
    std::pair<int, QString> execute(const QString& line);

    // The full path of the folder's socket (in the first private folder); the lock file is this
    // path plus ".lock".
    static QString serverName(const QString& programFolder);
    // The single-instance lock of the folder, held for the run by the copy that runs on it; it
    // holds the path of that copy's socket.
    static QString folderLockPath(const QString& programFolder);
    // The private folders the channel may live in, best first (none is created here).
    static QStringList candidateFolders();
    // The first candidate that is, or can be made, a folder of this user's alone (mode 0700);
    // empty when there is none.
    static QString privateFolder();
    // The socket's file name within a private folder (a hash of the canonical program folder).
    static QString socketFileName(const QString& programFolder);

    static constexpr int kMaxConnections = 64;
    static constexpr int kIdleMs = 10000;
    static constexpr int kAcceptRetryMs = 250;
    static constexpr int kWatchMs = 1000;
    static constexpr int kReplyTimeoutMs = 90'000;
    static constexpr char kNotYetAnswered[] = "the command has not answered yet";

    int connectionCount() const { return m_connections; }
    // How long a command may take to answer (kReplyTimeoutMs unless a test wants less).
    void setReplyTimeoutMs(int ms) { m_replyTimeoutMs = ms; }

private:
    bool openSocket();
    void closeSocket();
    void onAcceptable();
    void serve(int descriptor);
    void updateAccepting();
    void watchSocket();

    QString m_folder;
    Notifier& m_notifier;
    EventLog* m_log;
    QString m_path;
    std::unique_ptr<FolderLock> m_folderLock;
    std::unique_ptr<QLockFile> m_lock;
    int m_listenFd = -1;
    quint64 m_socketInode = 0;
    QSocketNotifier* m_acceptNotifier = nullptr;
    QTimer* m_retry = nullptr;
    QTimer* m_watch = nullptr;
    bool m_paused = false;
    QString m_pauseReason;
    int m_connections = 0;
    QString m_error;
    Operations& m_operations;
    std::vector<std::pair<QString, std::function<QJsonValue()>>> m_status;
    QHash<QString, AsyncHandler> m_async;
    int m_replyTimeoutMs = kReplyTimeoutMs;
};

struct ControlReply {
    int code = 1;  // 0 done, 1 no running copy, 2 failed
    QString text;
};

// Sends one command to the copy running on the folder and waits for its reply.
ControlReply sendControlCommand(const QString& programFolder, const QString& command,
                                int timeoutMs = 30000);
// The status of the copy running on the folder, read back as the channel wrote it; none when no
// copy answers.
std::optional<QJsonObject> askStatus(const QString& programFolder, int timeoutMs = 30000);

// True when a copy answers on the folder's channel, or holds its single-instance lock.
bool isRunning(const QString& programFolder);

}  // namespace velumo
