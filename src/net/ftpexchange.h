#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "net/ftpclient.h"
#include "net/netactivity.h"

namespace velumo {

class BlockText;
class DialUp;
class EventLog;
class Notifier;
class Settings;
class Timer;
class TimerFactory;
class Worker;
struct FtpUpdate;

// FTP receive and transmit: the manual connect and disconnect of each side, the download run
// (every file of a remote directory into a local folder) and the upload run (the chosen files
// and, optionally, the ticker text as a web page), over a permanent network or a dial-up line,
// by hand or on timers. Each side has a serial worker and a client of its own; the transfers run
// there, one after another, as functions over values, and this object applies what they report
// and their results on the user-interface thread.
class FtpExchange : public QObject {
    Q_OBJECT
public:
    enum Side { Receive = 0, Transmit = 1 };
    using Finished = std::function<void(bool ok)>;

    FtpExchange(Settings& settings, BlockText& blockText, DialUp& dialUp, Notifier& notifier,
                EventLog* log, TimerFactory& timers, QString programFolder, FtpLimits limits = {},
                QObject* parent = nullptr);
    ~FtpExchange() override;  // a transfer still going is stopped; finished files stay as they are

    // Manual connect and disconnect of the two sides.
    void SCButton57Click() { connectSide(Receive); }
    void SCButton58Click() { disconnectSide(Receive); }
    void SCButton59Click() { connectSide(Transmit); }
    void SCButton60Click() { disconnectSide(Transmit); }
    // Download run and upload run. False when the side's previous run has not ended (the new
    // one is then not started); finished runs on this thread when the run has ended.
    bool SCButton61Click(Finished finished = {});
    bool SCButton62Click(Finished finished = {});
    // The help buttons of both sub-pages.
    void SCButton66Click();

    void SCCheckbox15Click();
    void SCCheckbox17Click();
    void Timer5Timer();
    void Timer6Timer();
    void TimStFTP1Timer();
    void TimStFTP2Timer();
    // Start-up: the automatic runs whose boxes are checked start with the stored periods.
    void armAutomaticRuns();

    // The file picker's choice goes at the end of the upload list.
    void addUpload(const QString& path);

    const QStringList& lbList() const { return m_listed; }
    const QStringList& LBlist2() const { return m_uploads; }
    bool connected(Side side) const { return m_connected[side]; }
    bool running(Side side) const { return m_running[side]; }
    // What the side's run is doing, or how its last run ended.
    const NetActivity& activity(Side side) const { return m_activity[side]; }
    // SCEdit84, relative paths taken from the program folder.
    QString localFolder() const;

    Timer& timer5() { return *m_timer5; }
    Timer& timer6() { return *m_timer6; }
    Timer& timStFTP1() { return *m_timStFTP1; }
    Timer& timStFTP2() { return *m_timStFTP2; }

    // Called before a run takes the ticker text (brings the operator's pending edits into it).

    static const QString kHelpText;

signals:
    void lbListChanged();
    void LBlist2Changed();
    void stateChanged();
    // The side's activity changed: a phase, a file, progress (at most every few tenths of a
    // second) or the run's result.
    void activityChanged(int side);

private:
    FtpLogin loginFor(Side side) const;
    void connectSide(Side side);
    void disconnectSide(Side side);
    void startRun(Side side, Finished finished);
    void submitRun(Side side, bool permanent, const FtpLogin& login, const QString& loginError,
                   Finished finished);
    // ok goes to finished; failure, when not empty, is what the page shows as the run's end.
    void endRun(Side side, bool ok, const Finished& finished, const QString& failure = {});
    // What a transfer reported on its way, applied on this thread.
    void apply(Side side, const FtpUpdate& update);
    void setConnected(Side side, bool connected);
    void netLog(const QString& text);
    static QString sideName(Side side);

    Settings& m_settings;
    BlockText& m_blockText;
    DialUp& m_dialUp;
    Notifier& m_notifier;
    EventLog* m_log;
    QString m_folder;
    FtpLimits m_limits;
    std::unique_ptr<Timer> m_timer5;
    std::unique_ptr<Timer> m_timer6;
    std::unique_ptr<Timer> m_timStFTP1;
    std::unique_ptr<Timer> m_timStFTP2;
    // A side's client with the cancel flag it reads; shared with the side's jobs, so a job left
    // behind at the shut-down keeps what it uses.
    struct Session;
    std::unique_ptr<Worker> m_workers[2];
    std::shared_ptr<Session> m_sessions[2];  // used on their side's worker thread only
    bool m_connected[2] = {false, false};
    bool m_running[2] = {false, false};
    NetActivity m_activity[2] = {NetActivity(NetActivity::Kind::Receive),
                                 NetActivity(NetActivity::Kind::Transmit)};
    QStringList m_listed;
    QStringList m_uploads;
};

}  // namespace velumo
