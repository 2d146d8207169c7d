#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QSet>
#include <QString>

#include <QList>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <variant>

#include "asrun/journaloptions.h"
#include "base/worker.h"

class QObject;

namespace velumo {
class Clock;
class EventLog;
}  // namespace velumo

namespace velumo::asrun {

class StationKey;

// The journal's work on the day files (see Journal), done in the jobs of the journal's serial
// worker: the worker's queue is the journal's, and this keeps its count. Shared by the journal
// and the jobs, so that a job left behind at exit (a disk that hangs) keeps what it uses; once
// left, it reaches nothing outside this object and ends at its next step.
class JournalWriter final {
public:
    // How often the writer looks at the clock while nothing is queued: midnight closes the day
    // within this.
    static constexpr std::chrono::milliseconds kBeat{500};

    // What the writer is given: a record, the gap that answers records lost to a full queue,
    // or a seal asked for (answered through done).
    struct Item {
        enum class Kind { Record, Lost, Seal } kind = Kind::Record;
        QJsonObject record;
        QDateTime stamp;
        std::function<void(bool, QString)> done;  // Seal
    };
    using Job = JobContext<std::monostate>;

    // clock, log (may be null) and context (the user-interface thread's object that log lines and
    // answers go through) are used until the writer's last job has ended or was left.
    JournalWriter(QString programFolder, JournalOptions options, const Clock& clock, EventLog* log,
                  QObject* context);
    ~JournalWriter();

    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // The user-interface thread's side.
    // The items a record appended now gives the writer, in order: none when the queue is full
    // (the record is counted as lost), else the record, after the gap for those lost before it.
    QList<Item> admit(QJsonObject record, const QDateTime& stamp);
    // The item of a seal asked for; none when it is answered at once (the disk refuses).
    std::optional<Item> admitSeal(std::function<void(bool ok, QString text)> done,
                                  const QDateTime& stamp);
    QJsonObject status() const;
    // The exit has begun (the worker's cancel flag says so to the jobs): the items still queued
    // are written until then, the first refusal ending it.
    void exitBy(std::chrono::steady_clock::time_point until);
    // After an exit that did not end in time: the writer is left to itself. The records it has
    // not written.
    qint64 leave();

    // The jobs, on the worker's thread, in this order: recover() first, write() for each item,
    // exit() last; beat() while nothing is queued.
    void recover();
    void write(Item item, const Job& job);
    void beat(const Job& job);
    void exit();

    const QString& folder() const { return m_folder; }

private:
    // Runs a job's body; what throws there (memory) is logged and the journal stops writing,
    // its queue counted as unwritten at exit. Nothing may end the program from this thread.
    void step(const std::function<void()>& body);
    // The start-up: the key, a torn last line moved aside, the gap it leaves, a day the last run
    // left open closed, old sealed days removed.
    void recoverDays();
    // Closes the open day when midnight has passed; false when its closing record cannot be
    // written (tried again later, the records of the new day waiting meanwhile).
    bool followMidnight();
    // Writes the item; false when it must be tried again (a seal is answered either way).
    bool writeItem(Item& item);
    // The item's part of the exit: written while the exit's time allows.
    bool writeAtExit(Item& item);
    // Ends the open day with its closing record (a seal, or without a key the record saying
    // why), signs it; false when that record cannot be written (the day stays open).
    bool closeDay(const char* reason);
    // The day a record stamped so goes to: its own, or the first day after it not closed.
    QDate dayFor(const QDateTime& stamp);
    bool dayClosed(QDate day);
    // intoOpenDay: into the open day whatever the stamp (the start-up's gap, where the loss was).
    bool writeRecord(QJsonObject record, const QDateTime& stamp, bool intoOpenDay = false);
    bool writeSeal(const char* reason, const QDateTime& stamp);
    bool writeUnsealed(const char* reason, const QDateTime& stamp);
    bool prepareDay(const QDateTime& stamp);
    // seq, local, utc, clock_synced and prev.
    void stampRecord(QJsonObject& record, const QDateTime& stamp) const;
    bool commitLine(const QByteArray& line, const QJsonObject& record, const QDateTime& stamp);
    bool writeLine(const QByteArray& line, QString* error);
    bool openDay(QDate day, QString* error);
    void signClosedDay(QDate day);
    void removeExpired();
    QString dayPath(QDate day) const;

    // The outside world, through these only (they end the job once the writer was left).
    QDateTime now() const;
    bool clockSynchronised() const;
    void report(const QString& kind, const QString& text);
    void answer(std::function<void(bool, QString)> done, bool ok, QString text);

    void setAlarm(const QString& text);
    void clearAlarm();
    void showError();  // status.asrun's "error": why the journal cannot write or seal

    const QString m_programFolder;
    const JournalOptions m_options;
    const QString m_folder;

    mutable std::mutex m_outsideMutex;
    const Clock* m_clock;
    EventLog* m_log;
    QObject* m_context;

    mutable std::mutex m_mutex;
    qint64 m_queued = 0;    // items given to the worker and not done with
    qint64 m_records = 0;   // records among them not written
    bool m_failed = false;  // a job stopped on an exception: nothing more is written
    std::chrono::steady_clock::time_point m_exitUntil;
    qint64 m_lost = 0;
    bool m_overflowTold = false;  // the overflow was reported in this trouble
    QDateTime m_lostFrom;
    QDateTime m_lostTo;
    QJsonObject m_status;
    QString m_keyError;    // why there is no key (set once, by the recovery)
    QString m_writeError;  // why the disk refuses, while it does

    // Writer thread only.
    bool m_exitRefused = false;  // the exit met a refusal: what is left is not tried
    std::unique_ptr<StationKey> m_key;
    QDate m_day;       // the open day, or the day last closed
    int m_fd = -1;     // that day's file while it is open
    qint64 m_end = 0;  // its length up to the last whole record
    int m_dayRecords = 0;
    QByteArray m_dayFirstPrev;
    QByteArray m_lastHash;
    qint64 m_seq = 0;
    QString m_lastType;    // of the last record written
    QString m_lastReason;  // of the last seal or unsealed record
    QDateTime m_lastStamp;
    QSet<QDate> m_closed;  // days known to be closed
    bool m_alarm = false;
    std::atomic_bool m_diskFull{false};  // m_alarm, for the user-interface thread
};

}  // namespace velumo::asrun
