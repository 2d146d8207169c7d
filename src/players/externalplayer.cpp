#include "externalplayer.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "base/eventlog.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"

namespace velumo {

const QString ExternalPlayer::kPlayed = QStringLiteral("Played");

namespace {

// Request ids of the properties watched.
constexpr int kWatchEof = 1;
constexpr int kWatchPause = 2;
constexpr int kVersionRequest = 3;

}  // namespace

ExternalPlayer::ExternalPlayer(Settings& settings, EventLog& log, TimerFactory& timers,
                               QString socketPath, QObject* parent)
    : ContentPlayer(parent),
      m_settings(settings),
      m_log(log),
      m_socketPath(std::move(socketPath)),
      m_timer3(timers.create(QStringLiteral("Timer3")))
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
                   Origin::unattended(QStringLiteral("externalplayer")), [this] {
                       m_received.clear();
                       m_paused = false;
                   });
    connectGuarded(
        &m_process, &QProcess::errorOccurred, this,
        Origin::unattended(QStringLiteral("externalplayer")), [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                reportOnce(QStringLiteral("failed b: the external player cannot be started: ") +
                           m_process.errorString());
        });
    connectGuarded(
        &m_process, &QProcess::finished, this, Origin::unattended(QStringLiteral("externalplayer")),
        [this](int code, QProcess::ExitStatus status) {
            if (!m_answered)
                reportOnce(QStringLiteral("failed b: the external player exited with code %1 "
                                          "before answering on its socket")
                               .arg(code));
            else if (status == QProcess::CrashExit)
                emit failed(QStringLiteral("the external player has crashed or was killed"));
            else
                writeEvent(QStringLiteral("closed b: the external player has ended"));
        });
}

ExternalPlayer::~ExternalPlayer()
{
    m_timer3->stop();
    m_process.disconnect(this);
    m_socket.disconnect(this);
    // The player is a program of its own; it goes with us only when we started it.
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(1000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }
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
    if (m_process.state() != QProcess::NotRunning)
        return;
    // Nothing answers on it: a file left by a player that was killed.
    QFile::remove(m_socketPath);
    const QStringList words = commandLine(text, m_socketPath);
    m_launchReported = false;
    m_answered = false;
    m_unansweredMs = 0;
    writeEvent(QStringLiteral("launch b ") + words.join(u' '));
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.start(words.first(), words.mid(1));
}

void ExternalPlayer::start(const PlayerRequest& request)
{
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
}

void ExternalPlayer::onTimer3()
{
    m_settings.setSpin(key::SpinEdit34, m_settings.spin(key::SpinEdit34) + kTimer3Ms);
    if (!answers()) {
        m_unansweredMs += kTimer3Ms;
        if (m_unansweredMs == kNoAnswerMs && m_process.state() == QProcess::Running)
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
    // No options argument: mpv 0.38 put an index before it, so the two forms only agree on
    // the first three words.
    send(QJsonArray{QStringLiteral("loadfile"), file, QStringLiteral("replace")});
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
    pause();
}

void ExternalPlayer::onConnected()
{
    m_answered = true;
    m_received.clear();
    send(QJsonArray{QStringLiteral("observe_property"), kWatchEof, QStringLiteral("eof-reached")});
    send(QJsonArray{QStringLiteral("observe_property"), kWatchPause, QStringLiteral("pause")});
    m_socket.write(QJsonDocument(QJsonObject{{QStringLiteral("command"),
                                              QJsonArray{QStringLiteral("get_property"),
                                                         QStringLiteral("mpv-version")}},
                                             {QStringLiteral("request_id"), kVersionRequest}})
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
    const QString event = message.value(u"event").toString();
    if (event == u"playback-restart" && m_awaitingPicture) {
        m_awaitingPicture = false;
        emit onScreen();
    } else if (event == u"end-file" && message.value(u"reason").toString() == u"error") {
        m_awaitingPicture = false;
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
