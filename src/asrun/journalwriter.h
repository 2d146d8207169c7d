#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QSet>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "asrun/journaloptions.h"

class QObject;

namespace velumo {
class Clock;
class EventLog;
}  // namespace velumo

namespace velumo::asrun {

class StationKey;

// The journal's queue and the thread's work on the day files (see Journal). Shared by the journal
// and its thread, so that a thread left behind at exit (a disk that hangs) keeps what it uses;
// once left, it reaches nothing outside this object and ends at its next step.
class JournalWriter final {
public:
    // clock, log (may be null) and context (the user-interface thread's object that log lines and
    // answers go through) are used until the thread has ended or was left.
    JournalWriter(QString programFolder, JournalOptions options, const Clock& clock, EventLog* log,
                  QObject* context);
    ~JournalWriter();

    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    void run();  // the thread's body

    // The user-interface thread's side.
    void append(QJsonObject record, const QDateTime& stamp);
    void seal(std::function<void(bool ok, QString text)> done, const QDateTime& stamp);
    QJsonObject status() const;
    bool flush(int timeoutMs);
    // The thread writes what is queued for at most writeFor, seals ("exit") and ends; true when
    // it ended within wait.
    bool stop(std::chrono::milliseconds writeFor, std::chrono::milliseconds wait);
    // After a stop that did not end: the thread is left to itself. The records it has not
    // written.
    qint64 leave();

    const QString& folder() const { return m_folder; }

private:
    struct Item {
        enum class Kind { Record, Lost, Seal } kind = Kind::Record;
        QJsonObject record;
        QDateTime stamp;
        std::function<void(bool, QString)> done;  // Seal
    };

    void write();
    // Writes the item at the head of the queue (lock held on entry and return); false when it
    // must be tried again.
    bool writeHead(std::unique_lock<std::mutex>& lock);
    void recover();
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

    // The outside world, through these only (they end the thread once it was left).
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
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Item> m_queue;
    bool m_ready = false;  // the start-up's recovery is done
    bool m_writing = false;
    bool m_failed = false;  // the writer stopped on an exception
    bool m_stopping = false;
    bool m_ended = false;
    std::chrono::steady_clock::time_point m_writeUntil;
    qint64 m_lost = 0;
    bool m_overflowTold = false;  // the overflow was reported in this trouble
    QDateTime m_lostFrom;
    QDateTime m_lostTo;
    QJsonObject m_status;
    QString m_keyError;    // why there is no key (set once, before m_ready)
    QString m_writeError;  // why the disk refuses, while it does

    // Writer thread only.
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
