#pragma once

#include <QJsonObject>
#include <QString>

#include <functional>

namespace velumo::asrun {

// Where the program's as-run records go (the journal writes them; tests use a fake).
//
// A record is a JSON object whose "type" says what it is; the journal adds to each one its
// sequence number ("seq"), the moment it was written ("local" with milliseconds and offset, and
// "utc"), whether the system clock was synchronised ("clock_synced") and the chain hash ("prev").
// Moments inside a record are ISO 8601 local times with milliseconds and offset
// ("2026-12-09T23:40:01.123+03:00").
//
//   announcement  index, tariff, text, entered (first letter entered the strip),
//                 left (last letter left it)
//   content       kind ("k", "b", "p", "f", "w", "t"), slot, source (file or address),
//                 sha256 (of the file as it was opened; "" for an address or a device),
//                 plan_line (the schedule line that started it; "" when started by hand),
//                 first_picture (as the player confirmed it), left, seconds,
//                 end ("stopped", "ended", "failed", "parked"), reason (for "failed")
//   dispatcher    event ("start", "stop")
//   program       event ("start", "exit"), version
//   clock         step_s (the wall clock's step the program noticed, seconds, signed)
//   alert         event ("on", "off"), identifier, sender, sent, severity, urgency, display
//                 ("band", "strip"), headline, mark ("УЧЕБНОЕ", "ТЕСТ", ""), source, came_on,
//                 until (its expires, null: until cancelled); an "off" also went_off, why
//                 ("expired", "cancelled", "replaced", "operator", "settings", "exit") and note
//                 (the message that cancelled or replaced it, or the operator's reason)
//
// "gap", "seal" and "unsealed" (a day closed without a seal: no usable key, "why" says so)
// records are the journal's own.
class RecordSink {
public:
    virtual ~RecordSink() = default;

    virtual void append(QJsonObject record) = 0;

    // Seals the day now (the control channel's "asrun seal"); done runs on the
    // user-interface thread with the outcome and a short text of it.
    virtual void seal(std::function<void(bool ok, QString text)> done) = 0;

    // status.asrun: {"file", "records", "last_seq", "last_seal"}; the journal adds "key_id",
    // "error" (why it cannot write or seal, "" when it can) and "waiting" (records in memory).
    virtual QJsonObject status() const = 0;
};

}  // namespace velumo::asrun
