#include "controlchannel.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <optional>

#include "commandreply.h"
#include "controlcommands.h"
#include "eventlog.h"
#include "failure.h"
#include "folderlock.h"
#include "guard.h"
#include "notifier.h"
#include "operations.h"

namespace velumo {

namespace {

constexpr qint64 kMaxCommandBytes = 1 << 20;

// A folder of this user's alone: a real folder (not a link), owned by the user, closed to
// everyone else.
bool isPrivate(const QString& folder)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

QString lockPath(const QString& socketPath)
{
    return socketPath + QLatin1String(".lock");
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Connects to one socket path; true when a copy answers there.
bool answers(QLocalSocket& socket, const QString& path, int timeoutMs)
{
    socket.connectToServer(path);
    return socket.waitForConnected(timeoutMs);
}

// The socket the copy holding the folder's lock wrote into it, when it lies in a folder of this
// user's alone (a lock file someone else put there sends nobody anywhere).
QString lockedSocketPath(const QString& programFolder)
{
    const QString path =
        QString::fromUtf8(FolderLock::read(ControlServer::folderLockPath(programFolder))).trimmed();
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || !isPrivate(QFileInfo(path).absolutePath()))
        return QString();
    return path;
}

// The socket paths a running copy of the folder may listen on: the one its folder lock names,
// whatever environment it was started in, then the one in each candidate folder that is private
// (a client started without the session's environment still finds the copy).
QStringList socketPaths(const QString& programFolder)
{
    QStringList paths;
    if (const QString locked = lockedSocketPath(programFolder); !locked.isEmpty())
        paths.append(locked);
    const QString name = ControlServer::socketFileName(programFolder);
    for (const QString& folder : ControlServer::candidateFolders())
        if (isPrivate(folder) && !paths.contains(folder + u'/' + name))
            paths.append(folder + u'/' + name);
    return paths;
}

}  // namespace

QString ControlServer::socketFileName(const QString& programFolder)
{
    QString canonical = QFileInfo(programFolder).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(QFileInfo(programFolder).absoluteFilePath());
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    return QStringLiteral("velumo-%1").arg(QString::fromLatin1(hash));
}

QStringList ControlServer::candidateFolders()
{
    QStringList folders;
    const QString runtime = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime))
        folders.append(QDir::cleanPath(runtime));
    // Without a runtime folder: one of our own in the temporary folder, and, should another user
    // have made that name first, one in the home folder.
    folders.append(QDir::tempPath() + QStringLiteral("/velumo-%1").arg(::geteuid()));
    folders.append(QDir::homePath() + QLatin1String("/.velumo-run"));
    return folders;
}

QString ControlServer::privateFolder()
{
    const QStringList folders = candidateFolders();
    const bool hasRuntime = !qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR");
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const QByteArray path = QFile::encodeName(folders[i]);
        // The runtime folder is the session's; the others are made here when missing.
        if (!(hasRuntime && i == 0) && ::mkdir(path.constData(), 0700) != 0 && errno == EEXIST) {
            struct stat st {};
            // Ours but opened up (by hand): closed again. Another user's is never used.
            if (::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
                st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
                ::chmod(path.constData(), 0700);
        }
        if (isPrivate(folders[i]))
            return folders[i];
    }
    return QString();
}

QString ControlServer::folderLockPath(const QString& programFolder)
{
    return QDir::cleanPath(QFileInfo(programFolder).absoluteFilePath()) +
           QLatin1String("/velumo.lock");
}

QString ControlServer::serverName(const QString& programFolder)
{
    QString folder = privateFolder();
    if (folder.isEmpty())
        folder = candidateFolders().value(0);
    return folder + u'/' + socketFileName(programFolder);
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

ControlServer::~ControlServer()
{
    // The clients go first, while the counting of connections still has its object.
    for (QLocalSocket* socket : findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly)) {
        disconnect(socket, nullptr, this, nullptr);
        delete socket;
    }
    closeSocket();
}

bool ControlServer::listen()
{
    const QString folder = privateFolder();
    if (folder.isEmpty()) {
        m_error = QStringLiteral("no private folder for the control channel (tried %1)")
                      .arg(candidateFolders().join(QLatin1String(", ")));
        return false;
    }
    m_path = folder + u'/' + socketFileName(m_folder);
    // One copy a program folder, whatever environment each was started in: the lock lives in the
    // folder itself and names our socket, so a copy that would put its socket elsewhere (no
    // runtime folder, another one) finds us there. A folder where no lock file can be made (read
    // only) still has the lock of the private folder below.
    m_folderLock = std::make_unique<FolderLock>(folderLockPath(m_folder));
    switch (m_folderLock->tryLock(5000)) {
        case FolderLock::Result::Taken:
            m_folderLock->write(QFile::encodeName(m_path) + '\n');
            break;
        case FolderLock::Result::Held:
            m_error = QStringLiteral("another copy runs on %1").arg(m_folder);
            m_folderLock.reset();
            return false;
        case FolderLock::Result::Unavailable:
            if (m_log)
                m_log->write(QStringLiteral("control"),
                             QStringLiteral("no lock in the program folder: %1")
                                 .arg(m_folderLock->errorString()));
            m_folderLock.reset();
            break;
    }
    // The single-instance lock, held for the whole run. Two copies started at the same moment
    // cannot both take it; a copy that died leaves a lock that is taken over (its process is
    // gone), never one of a copy that still runs.
    m_lock = std::make_unique<QLockFile>(lockPath(m_path));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(5000)) {
        m_error = m_lock->error() == QLockFile::LockFailedError
                      ? QStringLiteral("another copy runs on %1").arg(m_folder)
                      : QStringLiteral("cannot take the lock %1").arg(lockPath(m_path));
        m_lock.reset();
        m_folderLock.reset();
        return false;
    }
    // A socket that cannot be made now (the folder full, no descriptors) is tried again by the
    // watch below; the lock already keeps a second copy out.
    if (!openSocket() && m_log)
        m_log->write(QStringLiteral("control"),
                     QStringLiteral("the control channel cannot be opened yet: %1").arg(m_error));
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    connectGuarded(m_retry, &QTimer::timeout, this,
                   Origin::unattended(QStringLiteral("controlchannel")), [this] {
                       m_paused = false;
                       updateAccepting();
                       onAcceptable();
                       // Said again once accepting works: without descriptors the first line may
                       // not have reached the log.
                       if (!m_paused && !m_pauseReason.isEmpty() && m_log) {
                           m_log->write(
                               QStringLiteral("control"),
                               QStringLiteral("accepting connections again after a pause (%1)")
                                   .arg(m_pauseReason));
                           m_pauseReason.clear();
                       }
                   });
    m_watch = new QTimer(this);
    connectGuarded(m_watch, &QTimer::timeout, this,
                   Origin::unattended(QStringLiteral("controlchannel")),
                   &ControlServer::watchSocket);
    m_watch->start(kWatchMs);
    return true;
}

bool ControlServer::openSocket()
{
    closeSocket();
    const QByteArray path = QFile::encodeName(m_path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof(address.sun_path)) {
        m_error = QStringLiteral("the socket path %1 is too long").arg(m_path);
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        m_error = QStringLiteral("cannot make the socket %1: %2").arg(m_path, systemError(errno));
        return false;
    }
    // We hold the lock, so a socket file there is a stale one of a copy that died.
    ::unlink(path.constData());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::chmod(path.constData(), 0600) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        m_error = QStringLiteral("cannot listen on %1: %2").arg(m_path, systemError(errno));
        ::close(fd);
        return false;
    }
    struct stat st {};
    m_socketInode = ::stat(path.constData(), &st) == 0 ? quint64(st.st_ino) : 0;
    m_listenFd = fd;
    m_acceptNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connectGuarded(m_acceptNotifier, &QSocketNotifier::activated, this,
                   Origin::unattended(QStringLiteral("controlchannel")),
                   &ControlServer::onAcceptable);
    updateAccepting();
    return true;
}

void ControlServer::closeSocket()
{
    delete m_acceptNotifier;
    m_acceptNotifier = nullptr;
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        // Only our own socket file is removed, never one another copy made since.
        struct stat st {};
        const QByteArray path = QFile::encodeName(m_path);
        if (::stat(path.constData(), &st) == 0 && quint64(st.st_ino) == m_socketInode)
            ::unlink(path.constData());
    }
}

void ControlServer::updateAccepting()
{
    if (m_acceptNotifier)
        m_acceptNotifier->setEnabled(!m_paused && m_connections < kMaxConnections);
}

void ControlServer::onAcceptable()
{
    while (m_listenFd >= 0 && !m_paused && m_connections < kMaxConnections) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            serve(fd);
            continue;
        }
        const int code = errno;
        if (code == EINTR || code == ECONNABORTED)
            continue;
        if (code == EAGAIN || code == EWOULDBLOCK)
            break;
        // No descriptors (or memory) left: the clients wait in the queue while we pause; the
        // socket stays.
        if (m_log)
            m_log->write(QStringLiteral("control"),
                         QStringLiteral("cannot accept a connection (%1); paused for %2 ms")
                             .arg(systemError(code))
                             .arg(kAcceptRetryMs));
        m_paused = true;
        m_pauseReason = systemError(code);
        if (m_retry)
            m_retry->start(kAcceptRetryMs);
        break;
    }
    updateAccepting();
}

void ControlServer::watchSocket()
{
    struct stat st {};
    const QByteArray path = QFile::encodeName(m_path);
    const bool lost =
        m_listenFd < 0 || ::stat(path.constData(), &st) != 0 || quint64(st.st_ino) != m_socketInode;
    if (lost) {
        const bool wasListening = m_listenFd >= 0;
        const bool again = privateFolder() == QFileInfo(m_path).absolutePath() && openSocket();
        // A channel that stays closed is said once, not every second.
        if (m_log && (again || wasListening))
            m_log->write(QStringLiteral("control"),
                         again
                             ? QStringLiteral("the socket %1 was gone; listening again").arg(m_path)
                             : QStringLiteral("the socket %1 was gone; cannot listen again: %2")
                                   .arg(m_path, m_error));
    }
    // The lock file too: removed by someone, it is made again (we still run).
    if (m_lock && !QFileInfo::exists(lockPath(m_path))) {
        m_lock = std::make_unique<QLockFile>(lockPath(m_path));
        m_lock->setStaleLockTime(0);
        m_lock->tryLock(0);
    }
    if (m_folderLock && !m_folderLock->stillOurs() &&
        m_folderLock->tryLock(0) == FolderLock::Result::Taken)
        m_folderLock->write(QFile::encodeName(m_path) + '\n');
}

void ControlServer::addCommand(const QString& verb, Handler handler)
{
    m_operations.add(verb, std::move(handler));
}

void ControlServer::addCommand(const QString& verb, AsyncHandler handler)
{
    m_operations.add(verb, [this, handler](const QString& arguments) {
        auto reply = std::make_shared<CommandReply>(m_notifier, m_log, nullptr,
                                                    CommandReply::Caller::Button);
        reply->run([&] { handler(arguments, reply); });
        return QString();
    });
    m_async.insert(verb, std::move(handler));
}

QStringList ControlServer::commands() const
{
    return m_operations.names();
}

void ControlServer::addStatus(const QString& member, std::function<QJsonValue()> provider)
{
    m_status.emplace_back(member, std::move(provider));
}

QJsonObject ControlServer::status() const
{
    return status({});
}

QJsonObject ControlServer::status(const QStringList& members) const
{
    QJsonObject object;
    // A member that fails says so in its place; the others are still reported.
    for (const auto& [member, provider] : m_status) {
        if (!members.isEmpty() && !members.contains(member))
            continue;
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

void ControlServer::execute(const QString& line, Answer answer)
{
    // Everything a command does, its reply included, is caught here and in its reply:
    // running out of memory in one command leaves the channel and the program as they were. A
    // command's own failure (malformed input, a refused precondition) answers the caller and
    // goes to velumo.log; it never opens a box on the public screen. The operation's own
    // messages are shown as the buttons show them, and a command during whose work one was
    // shown did not do what was asked: it fails with those texts as its reply.
    std::shared_ptr<CommandReply> reply;
    // Whatever the command runs, it runs for the operator who sent it.
    const Origin::Scope origin(Origin::byOperator(QStringLiteral("control")));
    try {
        const QString command = line.trimmed();
        if (m_log)
            m_log->write(QStringLiteral("control"), command);
        if (command == QLatin1String("status")) {
            answer(0, QString::fromUtf8(QJsonDocument(status()).toJson(QJsonDocument::Compact)));
            return;
        }
        const auto match = m_operations.match(command);
        if (!match) {
            answer(2, QStringLiteral("unknown command: %1").arg(command));
            return;
        }
        // A command that did its work with nothing else to say answers what it did.
        Answer told = [answer = std::move(answer), verb = match->first](int code,
                                                                        const QString& text) {
            answer(code, code == 0 ? controlcommands::successReply(verb, text) : text);
        };
        reply = std::make_shared<CommandReply>(m_notifier, m_log, std::move(told));
        const auto async = m_async.constFind(match->first);
        if (async == m_async.cend()) {
            QString text;
            if (reply->run([&] { text = m_operations.run(match->first, match->second); }))
                reply->done(text);
            return;
        }
        const AsyncHandler handler = async.value();
        reply->run([&] { handler(match->second, reply); });
        if (reply->finished())
            return;
        // A reply that never comes (a download whose result was dropped) still answers. The
        // timer keeps the reply until then.
        singleShotGuarded(
            m_replyTimeoutMs, this, Origin::unattended(QStringLiteral("controlchannel")),
            [reply, command, ms = m_replyTimeoutMs] {
                reply->fail(QStringLiteral("no answer within %1 ms: %2").arg(ms).arg(command));
            });
    } catch (...) {
        const QString text = currentExceptionText();
        // The answer belongs to the reply once there is one; it is given once.
        try {
            if (reply) {
                reply->fail(text);
                return;
            }
            if (m_log)
                m_log->write(QStringLiteral("error"), text);
            answer(2, text);
        } catch (...) {
        }
    }
}

std::pair<int, QString> ControlServer::execute(const QString& line)
{
    // Shared with the answer, which may come after this has returned.
    auto result = std::make_shared<std::optional<std::pair<int, QString>>>();
    execute(line,
            [result](int code, const QString& text) { *result = std::make_pair(code, text); });
    if (*result)
        return **result;
    return {2, QString::fromLatin1(kNotYetAnswered)};
}

void ControlServer::serve(int descriptor)
{
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(descriptor, QLocalSocket::ConnectedState,
                                     QIODevice::ReadWrite)) {
        ::close(descriptor);
        delete socket;
        return;
    }
    ++m_connections;
    connectGuarded(socket, &QObject::destroyed, this,
                   Origin::unattended(QStringLiteral("controlchannel")), [this] {
                       --m_connections;
                       updateAccepting();
                       if (m_connections < kMaxConnections && !m_paused)
                           singleShotGuarded(0, this,
                                             Origin::unattended(QStringLiteral("controlchannel")),
                                             [this] { onAcceptable(); });
                   });
    connect(socket, &QLocalSocket::disconnected, socket,
            &QObject::deleteLater);  // plain: Qt plumbing
    // A client that says nothing is cut off, so idle clients cannot hold every place.
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    connectGuarded(idle, &QTimer::timeout, socket,
                   Origin::unattended(QStringLiteral("controlchannel")), [socket] {
                       socket->abort();
                       socket->deleteLater();
                   });
    idle->start(kIdleMs);
    connectGuarded(
        socket, &QLocalSocket::readyRead, this, Origin::byOperator(QStringLiteral("control")),
        [this, socket, idle] {
            if (!socket->canReadLine()) {
                // A client that sends no line end within a sane length is cut off.
                if (socket->bytesAvailable() > kMaxCommandBytes) {
                    socket->write("2 command too long\n");
                    socket->flush();
                    socket->disconnectFromServer();
                }
                return;
            }
            idle->stop();
            const QString line = QString::fromUtf8(socket->readLine(kMaxCommandBytes)).trimmed();
            // One command a connection: whatever follows it is not read.
            disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
            // The answer may come long after this returns (a download, a tone): the client may
            // have gone by then and its socket been deleted.
            execute(line, [alive = QPointer<QLocalSocket>(socket)](int code, const QString& reply) {
                if (!alive)
                    return;
                QString flat = reply;
                flat.replace(u'\r', u' ');
                flat.replace(u'\n', u' ');
                if (alive->state() == QLocalSocket::ConnectedState) {
                    alive->write(QString::number(code).toUtf8() + ' ' + flat.toUtf8() + '\n');
                    alive->flush();
                    alive->disconnectFromServer();
                } else {
                    alive->deleteLater();
                }
            });
        });
}

ControlReply sendControlCommand(const QString& programFolder, const QString& command, int timeoutMs)
{
    QLocalSocket socket;
    bool connected = false;
    for (const QString& path : socketPaths(programFolder)) {
        if (answers(socket, path, 2000)) {
            connected = true;
            break;
        }
        socket.abort();
    }
    if (!connected)
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

std::optional<QJsonObject> askStatus(const QString& programFolder, int timeoutMs)
{
    const ControlReply reply =
        sendControlCommand(programFolder, QStringLiteral("status"), timeoutMs);
    if (reply.code != 0)
        return std::nullopt;
    return QJsonDocument::fromJson(reply.text.toUtf8()).object();
}

bool isRunning(const QString& programFolder)
{
    if (FolderLock::isHeld(ControlServer::folderLockPath(programFolder)))
        return true;
    for (const QString& path : socketPaths(programFolder)) {
        QLocalSocket socket;
        if (answers(socket, path, 1000)) {
            socket.disconnectFromServer();
            return true;
        }
        // A copy whose socket is lost still holds the lock: it runs.
        if (QFileInfo::exists(lockPath(path))) {
            QLockFile probe(lockPath(path));
            probe.setStaleLockTime(0);
            if (probe.tryLock(0))
                probe.unlock();
            else if (probe.error() == QLockFile::LockFailedError)
                return true;
        }
    }
    return false;
}

}  // namespace velumo
