#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <chrono>
#include <deque>
#include <memory>

#include "onair/onairnow.h"

namespace velumo {
class EventLog;
class OnAirModel;
class Worker;
struct Event;
struct OnAirEnd;
}  // namespace velumo

namespace velumo::asrun {

class RecordSink;

// Turns what went on air into as-run records for a sink: a content entry when the on-air model
// closes it (stopped, parked, failed; "ended" when the player ended it by itself before its
// stop; content that failed and came back while its entry ran is a second entry from its
// return), and from the program's typed events an announcement when it has left the strip, the
// dispatcher's start and stop, the program's start and exit, the steps of the wall clock, and an
// emergency alert as it comes on air and goes off (one still on air at the exit goes off with it).
//
// The file of a content entry is hashed (SHA-256) on the worker from the moment its start was
// asked; its record waits for the hash, and so do the records after it, so the sink gets them
// in the order of the events. Nothing here waits on the user-interface thread but finish().
class Recorder final : public QObject {
    Q_OBJECT
public:
    // The references must outlive the recorder; the worker hashes the files.
    Recorder(EventLog& events, const OnAirModel& onAir, RecordSink& sink, Worker& hashing,
             QObject* parent = nullptr);
    // finish() with its bounded wait.
    ~Recorder() override;

    // At the end of the run (after the program's exit event): waits at most timeout for the
    // hashes still running, then hands every record still waiting to the sink (a hash not done
    // by then is "").
    void finish(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));

    // Records waiting for a hash.
    int waiting() const { return int(m_queue.size()); }

    // A file that cannot be read to its end within this (a share that hangs) holds the records
    // no longer: its record goes without the hash ("sha256" "", "sha256_error" says why) at the
    // next record after that.
    static constexpr qint64 kHashWaitMs = 60'000;

    // "2026-12-09T23:40:01.123+03:00": a moment of a record, local time with its offset.
    static QString moment(const QDateTime& at);
    // The SHA-256 of a file as lowercase hex, "" when it cannot be read.
    static QString sha256OfFile(const QString& path);

private:
    struct Hash;
    struct Waiting {
        QJsonObject record;
        std::shared_ptr<Hash> hash;  // null: ready
        QElapsedTimer since;
    };

    void onEvent(const Event& event);
    void open(const OnAirNow::Player& entry);
    void close(const OnAirNow::Player& entry, const OnAirEnd& end);
    void enqueue(QJsonObject record, std::shared_ptr<Hash> hash = {});
    // Hands the records at the head of the queue whose hash is done to the sink.
    void drain(bool all = false);

    const OnAirModel& m_onAir;
    RecordSink& m_sink;
    Worker& m_hashing;
    // The hash of each entry on air, by its letter.
    QHash<QChar, std::shared_ptr<Hash>> m_open;
    std::deque<Waiting> m_queue;
    bool m_exited = false;
    bool m_finished = false;
};

}  // namespace velumo::asrun
