#include "externalplayer.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include "base/eventlog.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "players/clip/dvdfolder.h"

#include <unistd.h>
#include <vector>

namespace velumo {

const QString ExternalPlayer::kPlayed = QStringLiteral("Played");

namespace {

// Request ids of the properties watched.
constexpr int kWatchEof = 1;
constexpr int kWatchPause = 2;
constexpr int kVersionRequest = 3;
constexpr int kPathRequest = 4;

// Players left running at the exit: their QProcess must never be destroyed (that would kill
// them), so it stays reachable here until the program ends.
void leaveRunning(std::unique_ptr<QProcess> process)
{
    static auto* const left = new std::vector<QProcess*>();
    left->push_back(process.release());
}

}  // namespace

ExternalPlayer::ExternalPlayer(Settings& settings, EventLog& log, TimerFactory& timers,
                               QString socketPath, QObject* parent)
    : ContentPlayer(parent),
      m_settings(settings),
      m_log(log),
      m_socketPath(std::move(socketPath)),
      m_timer3(timers.create(QStringLiteral("Timer3"))),
      m_process(std::make_unique<QProcess>())
{
    m_timer3->setInterval(kTimer3Ms);
    m_timer3->setHandler([this] { onTimer3(); });
    connectGuarded(&m_socket, &QLocalSocket::connected, this,
                   Origin::unattended(QStringLiteral("externalplayer")),
                   &ExternalPlayer::onConnected);
    connectGuarded(&m_socket, &QLocalSocket::readyRead, this,
                   Origin::unattended(QStringLiteral("externalplayer")),
                   &ExternalPlayer::onReadyRead);
    connectGuarded(&m_socket, &QLocalSocket::disconnected, this,
                   Origin::unattended(QStringLiteral("externalplayer")),
                   &ExternalPlayer::onDisconnected);
    // A session of its own: a hang-up or an interrupt of this program's terminal leaves it.
    m_process->setChildProcessModifier([] { ::setsid(); });
    connectGuarded(
        m_process.get(), &QProcess::errorOccurred, this,
        Origin::unattended(QStringLiteral("externalplayer")), [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                reportOnce(QStringLiteral("failed b: the external player cannot be started: ") +
                           m_process->errorString());
        });
    connectGuarded(
        m_process.get(), &QProcess::finished, this,
        Origin::unattended(QStringLiteral("externalplayer")),
        [this](int code, QProcess::ExitStatus status) {
            if (!m_answered && m_scoped && code != 0 && !m_noScope) {
                // No user manager to make the scope (or the player failed within it): once
                // more without one, and no scope for the rest of the run.
                m_noScope = true;
                writeEvent(QStringLiteral("launch b: no scope of its own (systemd-run exited "
                                          "with code %1), started directly")
                               .arg(code));
                LaunchBSPlayer(m_launchText);
                return;
            }
            clearByHand();
            if (!m_answered)
                reportOnce(QStringLiteral("failed b: the external player exited with code %1 "
                                          "before answering on its socket")
                               .arg(code));
            else if (status == QProcess::CrashExit)
                emit failed(QStringLiteral("the external player has crashed or was killed"));
            else
                writeEvent(QStringLiteral("closed b: the external player has ended"));
        });
    adopt();
}

ExternalPlayer::~ExternalPlayer()
{
    m_timer3->stop();
    m_process->disconnect(this);
    m_socket.disconnect(this);
    // Only the control socket goes: the player plays on, and the next start adopts it.
    m_socket.abort();
    if (m_process->state() == QProcess::NotRunning)
        return;
    if (m_answered) {
        leaveRunning(std::move(m_process));
        return;
    }
    // A program that never answered (not mpv) cannot be found again: it goes with us.
    m_process->terminate();
    if (!m_process->waitForFinished(1000))
        m_process->kill();
    m_process->waitForFinished(1000);
}

void ExternalPlayer::adopt()
{
    if (!QFileInfo::exists(m_socketPath))
        return;
    if (answers() || m_socket.state() == QLocalSocket::ConnectingState)
        return;
    // Nothing answers on it: a file left by a player that was killed.
    QFile::remove(m_socketPath);
}

void ExternalPlayer::onDisconnected()
{
    m_received.clear();
    m_paused = false;
    clearByHand();
    if (!m_adopted)
        return;
    // A player of an earlier run has no process here to report its end: the socket does.
    m_adopted = false;
    if (m_closing)
        writeEvent(QStringLiteral("closed b: the external player has ended"));
    else
        emit failed(QStringLiteral("the external player has crashed or was killed"));
}

QStringList ExternalPlayer::inOwnScope(const QStringList& words)
{
    return QStringList{QStringLiteral("systemd-run"),
                       QStringLiteral("--user"),
                       QStringLiteral("--scope"),
                       QStringLiteral("--quiet"),
                       QStringLiteral("--collect"),
                       QStringLiteral("--description=Velumo external player"),
                       QStringLiteral("--")} +
           words;
}

QStringList ExternalPlayer::commandLine(const QString& text, const QString& socketPath)
{
    QStringList words;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        words.append(QStringLiteral("mpv"));
    else if (QFileInfo(trimmed).isFile())
        // A path chosen in the file dialog may hold blanks.
        words.append(trimmed);
    else
        words = QProcess::splitCommand(trimmed);
    words.append(QStringLiteral("--input-ipc-server=") + socketPath);
    words.append(QStringLiteral("--idle=yes"));
    words.append(QStringLiteral("--keep-open=yes"));
    return words;
}

bool ExternalPlayer::running() const
{
    return m_socket.state() == QLocalSocket::ConnectedState;
}

bool ExternalPlayer::answers()
{
    if (m_socket.state() == QLocalSocket::ConnectedState)
        return true;
    // A local socket connects or is refused at once.
    if (m_socket.state() == QLocalSocket::UnconnectedState)
        m_socket.connectToServer(m_socketPath);
    return m_socket.state() == QLocalSocket::ConnectedState;
}

void ExternalPlayer::LaunchBSPlayer(const QString& text)
{
    if (answers() || m_socket.state() == QLocalSocket::ConnectingState)
        return;
    if (m_process->state() != QProcess::NotRunning)
        return;
    // Nothing answers on it: a file left by a player that was killed.
    QFile::remove(m_socketPath);
    QStringList words = commandLine(text, m_socketPath);
    // A service's stop or restart ends every process in its control group, and the player is
    // to play on through ours: under a service manager (which sets INVOCATION_ID for whatever
    // it runs) it is started in a scope of its own.
    m_launchText = text;
    m_scoped = !m_noScope && qEnvironmentVariableIsSet("INVOCATION_ID") &&
               !QStandardPaths::findExecutable(QStringLiteral("systemd-run")).isEmpty();
    if (m_scoped)
        words = inOwnScope(words);
    m_launchReported = false;
    m_answered = false;
    m_unansweredMs = 0;
    m_closing = false;
    writeEvent(QStringLiteral("launch b ") + words.join(u' '));
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->setStandardOutputFile(QProcess::nullDevice());
    // It may outlive us: no pipe of ours on its input.
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->start(words.first(), words.mid(1));
}

void ExternalPlayer::start(const PlayerRequest& request)
{
    clearByHand();
    m_settings.setText(key::SCEdit2, request.target);
    LaunchBSPlayer(m_settings.text(key::SCEdit9));
    m_timer3->start();
}

void ExternalPlayer::testLoad()
{
    m_settings.setSpin(key::SpinEdit34, 0);
    LaunchBSPlayer(m_settings.text(key::SCEdit9));
    m_timer3->start();
    play();
    showByHand(QString(), m_settings.text(key::SCEdit2));
}

void ExternalPlayer::onTimer3()
{
    m_settings.setSpin(key::SpinEdit34, m_settings.spin(key::SpinEdit34) + kTimer3Ms);
    if (!answers()) {
        m_unansweredMs += kTimer3Ms;
        if (m_unansweredMs == kNoAnswerMs && m_process->state() == QProcess::Running)
            reportOnce(QStringLiteral("failed b: the external player does not answer on ") +
                       m_socketPath + QStringLiteral(" (not mpv?)"));
        return;
    }
    openFile(m_settings.text(key::SCEdit2));
    setLabel(kPlayed);
    m_timer3->stop();
}

void ExternalPlayer::send(const QJsonArray& command)
{
    if (m_socket.state() != QLocalSocket::ConnectedState)
        return;
    m_socket.write(QJsonDocument(QJsonObject{{QStringLiteral("command"), command}})
                       .toJson(QJsonDocument::Compact) +
                   '\n');
}

void ExternalPlayer::openFile(const QString& file)
{
    if (!running())
        return;
    m_file = file;
    m_awaitingPicture = true;
    m_endReported = false;
    // A DVD (an .ifo file or a VIDEO_TS folder) plays its longest title, without the menus.
    QString target = file;
    if (const QString device = dvdfolder::deviceOf(file); !device.isEmpty()) {
        send(QJsonArray{QStringLiteral("set_property"), QStringLiteral("dvd-device"), device});
        target = QStringLiteral("dvd://longest");
    }
    // No options argument: mpv 0.38 put an index before it, so the two forms only agree on
    // the first three words.
    send(QJsonArray{QStringLiteral("loadfile"), target, QStringLiteral("replace")});
    // The open plays, even after a pause ("bz").
    send(QJsonArray{QStringLiteral("set_property"), QStringLiteral("pause"), false});
}

void ExternalPlayer::play()
{
    send(QJsonArray{QStringLiteral("set_property"), QStringLiteral("pause"), false});
}

void ExternalPlayer::pause()
{
    send(QJsonArray{QStringLiteral("set_property"), QStringLiteral("pause"), true});
}

void ExternalPlayer::stopClip()
{
    send(QJsonArray{QStringLiteral("stop")});
}

void ExternalPlayer::close()
{
    clearByHand();
    if (running())
        m_closing = true;
    stopClip();
    send(QJsonArray{QStringLiteral("quit")});
    m_socket.flush();
}

void ExternalPlayer::stop()
{
    close();
}

void ExternalPlayer::park()
{
    clearByHand();
    pause();
}

void ExternalPlayer::onConnected()
{
    m_answered = true;
    m_adopted = m_process->state() == QProcess::NotRunning;
    m_closing = false;
    m_received.clear();
    send(QJsonArray{QStringLiteral("observe_property"), kWatchEof, QStringLiteral("eof-reached")});
    send(QJsonArray{QStringLiteral("observe_property"), kWatchPause, QStringLiteral("pause")});
    m_socket.write(QJsonDocument(QJsonObject{{QStringLiteral("command"),
                                              QJsonArray{QStringLiteral("get_property"),
                                                         QStringLiteral("mpv-version")}},
                                             {QStringLiteral("request_id"), kVersionRequest}})
                       .toJson(QJsonDocument::Compact) +
                   '\n');
    // A player of an earlier run may be playing a file already.
    if (m_adopted)
        m_socket.write(QJsonDocument(QJsonObject{{QStringLiteral("command"),
                                                  QJsonArray{QStringLiteral("get_property"),
                                                             QStringLiteral("path")}},
                                                 {QStringLiteral("request_id"), kPathRequest}})
                           .toJson(QJsonDocument::Compact) +
                       '\n');
}

void ExternalPlayer::onReadyRead()
{
    m_received += m_socket.readAll();
    qsizetype end = 0;
    while ((end = m_received.indexOf('\n')) >= 0) {
        const QByteArray line = m_received.left(end);
        m_received.remove(0, end + 1);
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            onMessage(document.object());
    }
}

void ExternalPlayer::onMessage(const QJsonObject& message)
{
    if (message.value(u"request_id").toInt() == kVersionRequest) {
        writeEvent(QStringLiteral("answered b: ") + message.value(u"data").toString());
        return;
    }
    if (message.value(u"request_id").toInt() == kPathRequest) {
        const QString path = message.value(u"data").toString();
        if (!path.isEmpty() && m_file.isEmpty()) {
            m_file = path;
            setLabel(kPlayed);
        }
        return;
    }
    const QString event = message.value(u"event").toString();
    if (event == u"playback-restart" && m_awaitingPicture) {
        m_awaitingPicture = false;
        emit onScreen();
    } else if (event == u"end-file" && message.value(u"reason").toString() == u"error") {
        m_awaitingPicture = false;
        clearByHand();
        emit failed(QStringLiteral("mpv cannot play the file: ") +
                    message.value(u"file_error").toString());
    } else if (event == u"property-change") {
        const int id = message.value(u"id").toInt();
        const bool value = message.value(u"data").toBool();
        if (id == kWatchPause) {
            m_paused = value;
        } else if (id == kWatchEof && value && !m_endReported && !m_file.isEmpty()) {
            // keep-open: the last picture stays.
            m_endReported = true;
            emit ended();
        }
    }
}

void ExternalPlayer::writeEvent(const QString& text)
{
    m_log.write(QStringLiteral("player"), text);
}

void ExternalPlayer::reportOnce(const QString& text)
{
    if (m_launchReported)
        return;
    m_launchReported = true;
    writeEvent(text);
}

void ExternalPlayer::setLabel(const QString& text)
{
    if (m_label == text)
        return;
    m_label = text;
    emit playedLabelChanged(text);
}

}  // namespace velumo
