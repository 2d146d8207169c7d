#pragma once

#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace velumo {

class EventLog;
class Notifier;
class Operations;

// The local control channel of one program folder: the single-instance rule and remote control
// share it. A client sends one command line; the reply is one line with the outcome code
// ("0" done, "2" failed) and then the reply text. The commands are the program's named
// operations.
class ControlServer : public QObject {
    Q_OBJECT
public:
    // A handler returns its reply text; a thrown Failure makes the command fail.
    using Handler = std::function<QString(const QString& arguments)>;

    ControlServer(QString programFolder, Notifier& notifier, EventLog* log, Operations& operations,
                  QObject* parent = nullptr);
    ~ControlServer() override;

    // Takes the channel over (a stale one left by a crashed copy is removed). False when another
    // copy answers on it or the channel cannot be opened (errorString() says why).
    bool listen();
    QString errorString() const { return m_error; }

    // Registers a named operation; verb may have several words ("ticker start"); the longest
    // matching verb of a command line wins.
    void addCommand(const QString& verb, Handler handler);
    // A member of the status object.
    void addStatus(const QString& member, std::function<QJsonValue()> provider);

    QJsonObject status() const;
    // Runs one command line as if it came over the channel; returns {code, reply}.
    std::pair<int, QString> execute(const QString& line);

    static QString serverName(const QString& programFolder);

private:
    void onConnection();

    QString m_folder;
    Notifier& m_notifier;
    EventLog* m_log;
    QLocalServer* m_server = nullptr;
    QString m_error;
    Operations& m_operations;
    std::vector<std::pair<QString, std::function<QJsonValue()>>> m_status;
};

struct ControlReply {
    int code = 1;  // 0 done, 1 no running copy, 2 failed
    QString text;
};

// Sends one command to the copy running on the folder and waits for its reply.
ControlReply sendControlCommand(const QString& programFolder, const QString& command,
                                int timeoutMs = 30000);

// True when a copy answers on the folder's channel.
bool isRunning(const QString& programFolder);

}  // namespace velumo
