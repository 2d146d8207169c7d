#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <memory>
#include <optional>

#include "dispatcher/entryhandlers.h"
#include "dispatcher/handlerserializer.h"

namespace velumo {

class Clock;
class EventLog;
class Notifier;
class Settings;
class TimerFactory;
class WallTimer;

// The dispatcher ("ЦУП"): keeps the loaded schedule (Memon1), finds the next schedule line
// whose start lies ahead, arms Timer1start for that moment and, when it fires, saves the line
// to str_disp.txt and hands it to the start handler of its content letter. After each line it
// can reload the plan file (auto-update) and arms the next one; when the schedule is exhausted
// it waits for an updated file or switches itself off. After a restart it resumes the line
// that was running. Timer1start follows the wall clock (WallTimer).
class DispatcherEngine final : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kStartupDelayMs = 10;

    using Job = HandlerSerializer::Job;
    using Caller = HandlerSerializer::Caller;
    using Next = EntryHandlers::Next;

    DispatcherEngine(QString programFolder, Settings& settings, Notifier& notifier, EventLog& log,
                     const Clock& clock, TimerFactory& timers, EntryDevices devices,
                     QObject* parent = nullptr);
    // The same with a serializer shared with other operations that drive the same players and
    // pins (the program's clip commands); it must outlive the engine.
    DispatcherEngine(QString programFolder, Settings& settings, Notifier& notifier, EventLog& log,
                     const Clock& clock, TimerFactory& timers, EntryDevices devices,
                     HandlerSerializer* serializer, QObject* parent = nullptr);
    ~DispatcherEngine() override;

    // The loaded schedule, one schedule line per entry.
    const QStringList& Memon1() const { return m_memon1; }
    void setMemon1(const QStringList& lines);

    // Replaces Memon1 by the lines of the plan file named in SCEditn10. Throws Failure.
    void loadPlanFile();
    // The plan file picker's choice: the name goes into SCEditn10 and the file is loaded.
    void choosePlanFile(const QString& path);

    void ArmNextStart(bool fromStartButton = false);
    // Start buttons of the main window and of the control panel (own failure message), and the
    // stop button of the main window (the panel's stop calls it too). Each runs through the
    // serializer: one that falls due while a handler sounds its tone waits for that handler's
    // end. caller learns when it has run.
    void SCButton43Click(Caller caller = {});
    void panelStartClick(Caller caller = {});
    void SCButton44Click(Caller caller = {});
    void StopTimerT();
    // Start-up with "Диспетчер включен": load, arm the resume tick 10 ms ahead, show the panel.
    void DispStartT();
    // Ticker starts with "Диспетчер включен": load and let Timer1start run again.
    void dispstart();
    // The dispatcher tick (through the serializer).
    void starts();
    // Timer1start's handler: the tick through the guard. A step of the tick that fails is
    // reported and the next line is armed all the same; a line whose start can never be read is
    // passed over with a velumo.log line. A tick that falls due while another handler runs (a
    // stop sounding its tone) waits for it.
    void Timer1startTimer();
    // Start-up step: DispStartT, then ZUP_started is set for the resume tick.
    void startAtStartup();

    // The line of str_disp.txt when its stop lies ahead (the resume tick starts it again);
    // empty when there is none, it cannot be read or it has ended.
    QString runningSavedEntry() const;

    bool ZUP_started() const { return m_zupStarted; }
    bool ResumePending() const { return m_resumePending; }
    void setResumePending(bool pending) { m_resumePending = pending; }
    bool waitingForUpdate() const { return m_waiting; }
    // Milliseconds until Timer1start fires, or nothing when it is disabled.
    std::optional<qint64> nextStartMs() const;
    const WallTimer& timer1start() const { return *m_timer1start; }
    EntryHandlers& handlers() { return m_handlers; }
    const HandlerSerializer& serializer() const { return m_serializer; }
    HandlerSerializer& serializer() { return m_serializer; }

    // The "dispatcher" member of the control channel's status.
    QJsonObject status() const;

    static const QString kWaitingText;
    static const QString kSavedEntryFile;

signals:
    void scheduleChanged();
    // The control panel's label "Диспетчер запущен!".
    void panelLabelVisible(bool visible);
    // DispStartT shows the control panel.
    void showPanelRequested();
    // The dispatcher was started (at start-up or by its button) with the plan in Memon1.
    void planStarted();
    // A schedule line was executed (the tick or the resume), with the moment it ran.
    void entryExecuted(const QString& line, const QDateTime& at);
    // A step of the dispatcher failed (line: the schedule line it belonged to, or empty); the
    // dispatcher went on with the next line.
    void failureReported(const QString& line, const QString& text);

private:
    void startButton(bool fromPanel);
    void stopButton();
    // The tick as a step of its handler job; next follows when it has done all its steps.
    void starts(const Job& job, Next next);
    // Steps 3.2 to 5 of the tick: save, start, reload, arm the next line.
    void executeAndArm(const Job& job, Next next);
    // Steps 4 and 5: reload the plan when asked to, arm the next line.
    void reloadAndArm();
    void ResumeAfterRestart(const Job& job, Next next);
    void SaveCurrentEntry();
    void armTimer(qint64 ms);
    void reportFailure(const QString& line, const QString& text);
    // Shows or hides the panel's "Диспетчер запущен!"; a change is posted as a "dispatcher"
    // event ("start" or "stop").
    void showRunning(bool running);
    void skipUnreadableLine(const QString& line);
    // How a tick's handler is guarded and ended: a failure is reported and still arms.
    HandlerSerializer::Caller tickCaller();

    QString m_folder;
    Settings& m_settings;
    Notifier& m_notifier;
    EventLog& m_log;
    const Clock& m_clock;
    // Ticks, starts and stops run one at a time: on the engine's own serializer unless one is
    // shared with it.
    std::unique_ptr<HandlerSerializer> m_ownSerializer;
    HandlerSerializer& m_serializer;
    EntryHandlers m_handlers;
    std::unique_ptr<WallTimer> m_timer1start;

    QStringList m_memon1;
    // The panel's label shows: the dispatcher runs.
    bool m_running = false;
    bool m_zupStarted = false;
    bool m_resumePending = true;
    bool m_waiting = false;
    // The start moment of the armed line, when Timer1start is armed for one.
    std::optional<QDateTime> m_armedStart;
    // The start moment of the line the last tick executed.
    std::optional<QDateTime> m_lastExecutedStart;
    // A tick is executing a line (m_executingLine) and has not armed the next one yet.
    bool m_armPending = false;
    QString m_executingLine;
    // Lines whose start can never be read, said once each.
    QSet<QString> m_skippedLines;
    struct Failed {
        QDateTime at;
        QString line;
        QString text;
    };
    std::optional<Failed> m_lastFailure;
};

}  // namespace velumo
