#pragma once

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "asrun/journaloptions.h"
#include "asrun/recordsink.h"

namespace velumo {
class Clock;
class EventLog;
}  // namespace velumo

namespace velumo::asrun {

class StationKey;

// The as-run journal: one JSON-lines file a day ("asrun/YYYY-MM-DD.jsonl"), each record chained
// to the one before by its SHA-256, sealed with the station's key at midnight, at exit and on
// request; a closed day gets a minisign signature beside it.
//
// append() stamps the record with the clock and queues it; one writer thread writes the records
// in order, each flushed to the disk (fdatasync) before the next. The start-up's recovery (a torn
// last line moved aside, the gap it leaves, a day left open by the last run closed) runs there
// too, so the user-interface thread never waits for the disk. While the disk is full the records
// wait in memory (at most queueLimit; beyond that they are counted and answered by a gap record),
// and velumo.log hears of it once.
class Journal final : public RecordSink {
public:
    // log may be null (tests); otherwise its lines are written on the thread that made the
    // journal, as are the seal's answers.
    Journal(QString programFolder, JournalOptions options, const Clock& clock, EventLog* log);
    ~Journal() override;  // writes what is queued, seals the day ("exit") and ends the writer

    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    void append(QJsonObject record) override;
    void seal(std::function<void(bool ok, QString text)> done) override;
    QJsonObject status() const override;

    // Waits at most timeoutMs until the start-up's recovery is done and everything appended so far
    // is on the disk (tests, benchmark).
    bool flush(int timeoutMs);

    QString folder() const { return m_folder; }

private:
    struct Item {
        enum class Kind { Record, Lost, Seal } kind = Kind::Record;
        QJsonObject record;
        QDateTime stamp;
        std::function<void(bool, QString)> done;  // Seal
    };
    struct Day;

    void run();
    void write();
    void recover();
    void closeDay(const char* reason);
    bool writeRecord(QJsonObject record, const QDateTime& stamp, QByteArray* line = nullptr);
    bool writeSeal(const char* reason, const QDateTime& stamp);
    // Writes a record's line and makes it the chain's last; sealReason is null for a record.
    bool commitLine(const QByteArray& line, const char* sealReason, const QDateTime& stamp);
    bool writeLine(const QByteArray& line, QString* error);
    bool openDay(QDate day, QString* error);
    void signClosedDay(QDate day);
    void removeExpired();
    void report(const QString& kind, const QString& text);
    void answer(std::function<void(bool, QString)> done, bool ok, QString text);
    void setAlarm(const QString& text);
    void clearAlarm();

    const QString m_programFolder;
    const JournalOptions m_options;
    const QString m_folder;
    const Clock& m_clock;
    EventLog* m_log;
    QObject m_context;  // lives on the thread that made the journal: log lines and answers

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Item> m_queue;
    bool m_ready = false;  // the start-up's recovery is done
    bool m_writing = false;
    bool m_failed = false;  // the writer stopped on an exception
    bool m_stopping = false;
    qint64 m_lost = 0;
    bool m_overflowTold = false;  // the overflow was reported in this trouble
    QDateTime m_lostFrom;
    QDateTime m_lostTo;
    QJsonObject m_status;

    // Writer thread only.
    std::unique_ptr<StationKey> m_key;
    QDate m_day;       // the newest day a file was opened or closed for
    int m_fd = -1;     // that day's file while it is open
    qint64 m_end = 0;  // its length up to the last whole record
    int m_dayRecords = 0;
    QByteArray m_dayFirstPrev;
    QByteArray m_lastHash;
    qint64 m_seq = 0;
    bool m_lastWasSeal = false;
    QByteArray m_lastSealReason;
    bool m_alarm = false;
    std::atomic_bool m_diskFull{false};  // m_alarm, for the user-interface thread

    std::thread m_thread;
};

}  // namespace velumo::asrun
