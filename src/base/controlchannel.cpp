#include "controlchannel.h"

#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>

#include "eventlog.h"
#include "failure.h"
#include "guard.h"
#include "notifier.h"
#include "operations.h"

namespace velumo {

namespace {

constexpr qint64 kMaxCommandBytes = 1 << 20;

}  // namespace

QString ControlServer::serverName(const QString& programFolder)
{
    QString canonical = QFileInfo(programFolder).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(QFileInfo(programFolder).absoluteFilePath());
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    return QStringLiteral("velumo-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

ControlServer::ControlServer(QString programFolder, Notifier& notifier, EventLog* log,
                             Operations& operations, QObject* parent)
    : QObject(parent),
      m_folder(std::move(programFolder)),
      m_notifier(notifier),
      m_log(log),
      m_operations(operations)
{
}

ControlServer::~ControlServer() = default;

bool ControlServer::listen()
{
    const QString name = serverName(m_folder);
    // Two copies started at the same moment must not both find the channel free and each
    // remove the other's socket: the check and the take-over run under a lock of their own
    // (outside the program folder, which a copy that does not run must not touch).
    QLockFile lock(QDir::tempPath() + u'/' + name + QLatin1String(".lock"));
    lock.setStaleLockTime(10000);
    lock.tryLock(5000);
    if (isRunning(m_folder)) {
        m_error = QStringLiteral("another copy runs on %1").arg(m_folder);
        return false;
    }
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        m_error = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &ControlServer::onConnection);
    return true;
}

void ControlServer::addCommand(const QString& verb, Handler handler)
{
    m_operations.add(verb, std::move(handler));
}

void ControlServer::addStatus(const QString& member, std::function<QJsonValue()> provider)
{
    m_status.emplace_back(member, std::move(provider));
}

QJsonObject ControlServer::status() const
{
    QJsonObject object;
    // A member that fails says so in its place; the others are still reported.
    for (const auto& [member, provider] : m_status) {
        try {
            object.insert(member, provider());
        } catch (...) {
            const QString text = currentExceptionText();
            if (m_log)
                m_log->write(QStringLiteral("error"), member + QLatin1String(": ") + text);
            object.insert(member, QJsonObject{{QStringLiteral("error"), text}});
        }
    }
    return object;
}

std::pair<int, QString> ControlServer::execute(const QString& line)
{
    const QString command = line.trimmed();
    if (m_log)
        m_log->write(QStringLiteral("control"), command);
    if (command == QLatin1String("status"))
        return {0, QString::fromUtf8(QJsonDocument(status()).toJson(QJsonDocument::Compact))};

    const auto match = m_operations.match(command);
    if (!match)
        return {2, QStringLiteral("unknown command: %1").arg(command)};

    QString reply;
    QString error;
    if (!guarded(
            m_notifier, [&] { reply = m_operations.run(match->first, match->second); }, &error))
        return {2, error};
    return {0, reply};
}

void ControlServer::onConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                // A client that sends no line end within a sane length is cut off.
                if (socket->bytesAvailable() > kMaxCommandBytes) {
                    socket->write("2 command too long\n");
                    socket->flush();
                    socket->disconnectFromServer();
                }
                return;
            }
            const QString line = QString::fromUtf8(socket->readLine(kMaxCommandBytes)).trimmed();
            // One command a connection: whatever follows it is not read.
            disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
            // A command that waits for the operator runs a nested event loop, in which the
            // client may go away and its socket be deleted.
            const QPointer<QLocalSocket> alive(socket);
            const auto [code, reply] = execute(line);
            if (!alive)
                return;
            QString flat = reply;
            flat.replace(u'\r', u' ');
            flat.replace(u'\n', u' ');
            if (socket->state() == QLocalSocket::ConnectedState) {
                socket->write(QString::number(code).toUtf8() + ' ' + flat.toUtf8() + '\n');
                socket->flush();
                socket->disconnectFromServer();
            }
        });
    }
}

ControlReply sendControlCommand(const QString& programFolder, const QString& command, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(ControlServer::serverName(programFolder));
    if (!socket.waitForConnected(2000))
        return {1, QStringLiteral("no running copy")};
    QString flat = command;
    flat.replace(u'\r', u' ');
    flat.replace(u'\n', u' ');
    socket.write(flat.toUtf8() + '\n');
    socket.flush();
    QByteArray answer;
    QElapsedTimer elapsed;
    elapsed.start();
    while (!answer.contains('\n') && elapsed.elapsed() < timeoutMs) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(100) &&
            socket.state() != QLocalSocket::ConnectedState)
            break;
        answer += socket.readAll();
    }
    answer += socket.readAll();
    if (!answer.contains('\n'))
        return {2, QStringLiteral("no reply from the running copy")};
    const QString text = QString::fromUtf8(answer.left(answer.indexOf('\n')));
    const qsizetype blank = text.indexOf(u' ');
    ControlReply reply;
    reply.code = text.left(blank) == QLatin1String("0") ? 0 : 2;
    reply.text = blank < 0 ? QString() : text.mid(blank + 1);
    return reply;
}

bool isRunning(const QString& programFolder)
{
    QLocalSocket socket;
    socket.connectToServer(ControlServer::serverName(programFolder));
    const bool up = socket.waitForConnected(1000);
    if (up)
        socket.disconnectFromServer();
    return up;
}

}  // namespace velumo
