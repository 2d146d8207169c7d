#pragma once

#include <QByteArray>
#include <QLocalSocket>
#include <QProcess>
#include <QString>
#include <memory>

#include "players/contentplayer.h"

namespace velumo {

class EventLog;
class Settings;
class Timer;
class TimerFactory;

// The external player (b entries, the test group when "BSPlayer" is chosen): mpv, remote-
// controlled over its JSON IPC socket, one socket per program folder. "The player's window
// exists" means that socket answers. LaunchBSPlayer starts the command line of SCEdit9 (empty:
// mpv from PATH) with the socket and mpv's idle and keep-open options, unless a player answers
// already; Timer3 then adds 100 to SpinEdit34 every 100 ms until the socket answers, sends the
// file of SCEdit2, shows "Played" and stops. Commands sent while nothing answers do nothing.
//
// A player that cannot be started, exits before answering, or never answers (not mpv) is
// written to velumo.log once per launch; Timer3 keeps ticking as before.
//
// The player is a program of its own and outlives this one: at the exit only the socket is
// released, and the next start adopts a player that answers on it (its file and pause state
// are read back, "Played" shown) or removes the socket file a dead one left. Only a launched
// program that never answered goes with us.
class ExternalPlayer final : public ContentPlayer {
    Q_OBJECT
public:
    static constexpr int kTimer3Ms = 100;
    // Ticking this long without an answer is reported (a program that is not mpv).
    static constexpr int kNoAnswerMs = 5000;
    static const QString kPlayed;

    ExternalPlayer(Settings& settings, EventLog& log, TimerFactory& timers, QString socketPath,
                   QObject* parent = nullptr);
    ~ExternalPlayer() override;

    // StartAvi's external branch: the file into SCEdit2, LaunchBSPlayer, Timer3 on.
    void start(const PlayerRequest& request) override;
    // The close sequence: stop the clip, then the final close.
    void stop() override;
    // "bz": pause; the player stays open.
    void park() override;

    void LaunchBSPlayer(const QString& commandLine);
    // The test load (SCButton27): SpinEdit34 to 0, launch, Timer3 on, play.
    void testLoad();
    // The commands of the test group and the panel.
    void play();
    void pause();
    void stopClip();
    void close();
    void openFile(const QString& file);

    // The program and arguments a command line of SCEdit9 starts.
    static QStringList commandLine(const QString& text, const QString& socketPath);
    // The same words started in a scope of their own by the service manager: systemd-run makes
    // the scope and then runs them in its own place (the same process).
    static QStringList inOwnScope(const QStringList& words);

    bool running() const;
    bool paused() const { return m_paused; }
    QString file() const { return m_file; }
    QString playedLabel() const { return m_label; }
    Timer& timer3() { return *m_timer3; }
    const QString& socketPath() const { return m_socketPath; }
    // The player this program started, 0 when none runs (and for an adopted player).
    qint64 processId() const { return m_process->processId(); }

signals:
    // Label202's text.
    void playedLabelChanged(const QString& text);

private:
    // Whether the socket answers; tries to connect when it is not connected (never waits).
    bool answers();
    // At construction: a player left running answers on the socket, or its file is stale.
    void adopt();
    void onDisconnected();
    void send(const QJsonArray& command);
    void onTimer3();
    void onConnected();
    void onReadyRead();
    void onMessage(const QJsonObject& message);
    void writeEvent(const QString& text);
    void reportOnce(const QString& text);
    void setLabel(const QString& text);

    Settings& m_settings;
    EventLog& m_log;
    QString m_socketPath;
    std::unique_ptr<Timer> m_timer3;
    QLocalSocket m_socket;
    std::unique_ptr<QProcess> m_process;
    QByteArray m_received;
    QString m_file;
    QString m_label;
    bool m_paused = false;
    bool m_awaitingPicture = false;
    bool m_endReported = false;
    bool m_launchReported = false;
    // The player of the last launch has answered on its socket.
    bool m_answered = false;
    int m_unansweredMs = 0;
    // The socket answers for a player that this program did not start.
    bool m_adopted = false;
    // The final close was sent.
    bool m_closing = false;
    // The last launch went through systemd-run; a failed one is not tried again this run.
    bool m_scoped = false;
    bool m_noScope = false;
    QString m_launchText;
};

}  // namespace velumo
