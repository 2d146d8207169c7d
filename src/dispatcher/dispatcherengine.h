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

    DispatcherEngine(QString programFolder, Settings& settings, Notifier& notifier, EventLog& log,
                     const Clock& clock, TimerFactory& timers, EntryDevices devices,
                     QObject* parent = nullptr);
    ~DispatcherEngine() override;

    // The loaded schedule, one schedule line per entry.
    const QStringList& Memon1() const { return m_memon1; }
    void setMemon1(const QStringList& lines);

    // Replaces Memon1 by the lines of the plan file named in SCEditn10. Throws Failure.
    void loadPlanFile();
    // The plan file picker's choice: the name goes into SCEditn10 and the file is loaded.
    void choosePlanFile(const QString& path);

    void ArmNextStart(bool fromStartButton = false);
    // Start buttons of the main window and of the control panel (own failure message).
    void SCButton43Click();
    void panelStartClick();
    // Stop button of the main window (the panel's stop calls it too).
    void SCButton44Click();
    void StopTimerT();
    // Start-up with "Диспетчер включен": load, arm the resume tick 10 ms ahead, show the panel.
    void DispStartT();
    // Ticker starts with "Диспетчер включен": load and let Timer1start run again.
    void dispstart();
    // The dispatcher tick.
    void starts();
    // Timer1start's handler: the tick through the guard. A step of the tick that fails is
    // reported and the next line is armed all the same; a line whose start can never be read is
    // passed over with a velumo.log line. A tick that falls due while another handler runs (a
    // stop sounding its tone) waits for it.
    void Timer1startTimer();
    void ResumeAfterRestart();
    // Start-up step: DispStartT, then ZUP_started is set for the resume tick.
    void startAtStartup();

    bool ZUP_started() const { return m_zupStarted; }
    bool ResumePending() const { return m_resumePending; }
    void setResumePending(bool pending) { m_resumePending = pending; }
    bool waitingForUpdate() const { return m_waiting; }
    // Milliseconds until Timer1start fires, or nothing when it is disabled.
    std::optional<qint64> nextStartMs() const;
    const WallTimer& timer1start() const { return *m_timer1start; }
    EntryHandlers& handlers() { return m_handlers; }
    const HandlerSerializer& serializer() const { return m_serializer; }

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
    // Steps 3.2 to 5 of the tick: save, start, reload, arm the next line.
    void executeAndArm();
    void SaveCurrentEntry();
    void armTimer(qint64 ms);
    void reportFailure(const QString& line, const QString& text);
    void skipUnreadableLine(const QString& line);

    QString m_folder;
    Settings& m_settings;
    Notifier& m_notifier;
    EventLog& m_log;
    const Clock& m_clock;
    // Ticks and stops run one at a time.
    HandlerSerializer m_serializer;
    EntryHandlers m_handlers;
    std::unique_ptr<WallTimer> m_timer1start;

    QStringList m_memon1;
    bool m_zupStarted = false;
    bool m_resumePending = true;
    bool m_waiting = false;
    // The start moment of the armed line, when Timer1start is armed for one.
    std::optional<QDateTime> m_armedStart;
    // The start moment of the line the last tick executed.
    std::optional<QDateTime> m_lastExecutedStart;
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
