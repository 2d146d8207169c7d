#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

#include "asrun/journaloptions.h"
#include "asrun/recordsink.h"
#include "base/worker.h"

namespace velumo {
class Clock;
class EventLog;
}  // namespace velumo

namespace velumo::asrun {

class JournalWriter;

// The as-run journal: one JSON-lines file a day ("asrun/YYYY-MM-DD.jsonl"), each record chained
// to the one before by its SHA-256, sealed with the station's key at midnight, at exit and on
// request; a closed day gets a minisign signature beside it.
//
// append() stamps the record with the clock and queues it; the journal's serial worker writes the
// records in order, each flushed to the disk (fdatasync) before the next. The start-up's recovery
// (a torn last line moved aside, the gap it leaves, a day left open by the last run closed) runs
// there too, so the user-interface thread never waits for the disk. While the disk is full the
// records wait in memory (at most queueLimit; beyond that they are counted and answered by a gap
// record), and velumo.log hears of it once.
//
// A record goes to the file of its own date unless that day is closed (then to the next day
// still open). Without a usable key the days are closed all the same, each by an "unsealed"
// record that says why; velumo.log and status.asrun ("error") say so too. Old sealed days are
// removed only while a time service holds the clock and it is not behind the last record.
class Journal final : public RecordSink {
public:
    // The exit's bound: the writer writes what is queued for kExitWrite, and is waited for no
    // longer than kExitWait (a disk that hangs: the worker drains with this grace); what it did
    // not write is counted in velumo.log.
    static constexpr std::chrono::milliseconds kExitWrite{4000};
    static constexpr std::chrono::milliseconds kExitWait{5000};

    // log may be null (tests); otherwise its lines are written on the thread that made the
    // journal, as are the seal's answers.
    Journal(QString programFolder, JournalOptions options, const Clock& clock, EventLog* log);
    ~Journal() override;  // writes what is queued, seals the day ("exit"), ends the writer

    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    void append(QJsonObject record) override;
    void seal(std::function<void(bool ok, QString text)> done) override;
    // {"file", "records", "last_seq", "last_seal", "key_id", "error", "waiting"}.
    QJsonObject status() const override;

    // Waits at most timeoutMs until the start-up's recovery is done and everything appended so far
    // is on the disk (tests, benchmark).
    bool flush(int timeoutMs);

    QString folder() const;

private:
    const Clock& m_clock;
    EventLog* m_log;
    QObject m_context;  // lives on the thread that made the journal: log lines and answers
    std::shared_ptr<JournalWriter> m_writer;
    Worker m_worker;  // its jobs hold the writer too: left behind at exit, they still have it
};

}  // namespace velumo::asrun
