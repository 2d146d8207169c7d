#pragma once

#include <QChar>
#include <QDateTime>
#include <QJsonObject>
#include <QRect>
#include <QString>
#include <optional>
#include <variant>

namespace velumo {

// The program's events, each a typed value. One is posted once (EventLog::post) and every
// reader takes the type it wants from Event::body: velumo.log writes the line its poster gave,
// the fleet link sends fields() on its events topic, the on-air model, the as-run recorder and
// the metrics read the typed members. A type with kKind always has that velumo.log kind; a
// LineEvent carries any kind.
//
// fields() is the JSON the fleet's events carry: exactly the members named below for each type,
// nothing more (a member a reader needs only inside the program, such as a start's rectangle,
// stays out of it).

// A velumo.log line and nothing more: message, error, stop, control, net, the strip's and the
// players' own lines. Fields: "text" (and "source" when there is one).
struct LineEvent {
    QString text = {};
    // Who wrote it when that matters to a reader ("fleet link": the link's own lines, which it
    // never sends to the fleet).
    QString source = {};
};

// A request of the player registry and what became of it. Fields: "event", "letter"; "slot" and
// "target" when the event is about a player's content; "plan_line" of a start or recovered,
// "first" of a started, "running" of an ended, "reason" of a failed, "seconds" of a failed,
// stopped or parked (null when the content never reached the screen).
//
// Recovered: content that failed while its entry runs loaded again at a later try and is back on
// the screen; it carries its entry's request as a start does, and its "started" follows.
struct PlayerEvent {
    static constexpr char kKind[] = "player";
    enum class What { Start, Started, Ended, Failed, Stop, Stopped, Park, Parked, Recovered };

    What what = What::Start;
    QChar letter = {};
    // The event is about the content of the letter's player (slot and target are its).
    bool aboutContent = false;
    QString slot = {};
    QString target = {};
    // Start, Recovered: the request as the player gets it.
    QString planLine = {};
    QRect rect = {};
    int screen = -1;
    // Started: the first picture of its entry.
    bool first = false;
    // Ended: its entry was still running.
    bool running = false;
    // Failed.
    QString reason = {};
    // Failed, Stopped, Parked: seconds on screen, none when it never got there.
    std::optional<double> seconds = {};

    static QString name(What what);
    QJsonObject fields() const;
};

// The dispatcher executed a schedule line. Fields: "line", and "late_ms" when its start timer
// had a moment to keep (how far past it the line started, never below 0).
struct StartEvent {
    static constexpr char kKind[] = "start";
    QString line = {};
    std::optional<qint64> lateMs = {};

    QJsonObject fields() const;
};

// An announcement that has left the strip (it had entered it). Fields: "event" "announcement",
// "index", "tariff", "text", "entered_ms", "left_ms" (milliseconds since the epoch).
struct TickerEvent {
    static constexpr char kKind[] = "ticker";
    QString index = {};
    QString tariff = {};
    QString text = {};
    qint64 enteredMs = 0;
    qint64 leftMs = 0;

    QJsonObject fields() const;
};

// An alarm raised or cleared. Fields: "event" (raised, cleared), "id"; "since" and "text" of a
// raised one.
struct AlarmEvent {
    static constexpr char kKind[] = "alarm";
    bool raised = false;
    QString id = {};
    QDateTime since = {};
    QString text = {};

    QJsonObject fields() const;
};

// The program's start and exit. Fields: "event" (start, exit), "signal" of an exit by one.
struct ProgramEvent {
    static constexpr char kKind[] = "program";
    enum class What { Start, Exit };
    What what = What::Start;
    QString signal = {};

    QJsonObject fields() const;
};

// The dispatcher went on or off. Fields: "event" (start, stop).
struct DispatcherEvent {
    static constexpr char kKind[] = "dispatcher";
    bool on = false;

    QJsonObject fields() const;
};

// The system clock was set. Fields: "step_s".
struct ClockEvent {
    static constexpr char kKind[] = "clock";
    double stepS = 0;

    QJsonObject fields() const;
};

// An emergency alert received or refused by the station, put on air or taken off it. Fields:
// "event" (received, refused, on, off), "id" (sender/identifier; "" when a refused document did
// not say), "source" (where it came from: "feed URL", "folder NAME", "fleet TOPIC"); "text" of a
// received or refused one (what became of it, or the first fault); of an on or off:
// "identifier", "sender", "sent", "severity", "urgency", "display" (band, strip), "headline",
// "mark" (УЧЕБНОЕ, ТЕСТ or ""), "since" (when it came on), "until" (its expires; null: until
// cancelled); of an off also "reason" (expired, cancelled, replaced, operator, settings) and
// "note" (the message that cancelled or replaced it, or the operator's reason).
struct AlertEvent {
    static constexpr char kKind[] = "alert";
    enum class What { Received, Refused, On, Off };

    What what = What::Received;
    QString identifier = {};
    QString sender = {};
    QString source = {};
    QString text = {};
    QDateTime sent = {};
    QString severity = {};
    QString urgency = {};
    QString display = {};
    QString headline = {};
    QString mark = {};
    QDateTime since = {};
    QDateTime until = {};
    QString reason = {};
    QString note = {};

    static QString name(What what);
    QString id() const { return identifier.isEmpty() ? QString() : sender + u'/' + identifier; }
    QJsonObject fields() const;
};

using EventBody = std::variant<LineEvent, PlayerEvent, StartEvent, TickerEvent, AlarmEvent,
                               ProgramEvent, DispatcherEvent, ClockEvent, AlertEvent>;

// One event as its readers get it: its velumo.log kind, the moment its line carries, the typed
// value.
struct Event {
    QString kind;
    QDateTime time;
    EventBody body;

    // The typed value when it is a T, else null.
    template <typename T>
    const T* as() const
    {
        return std::get_if<T>(&body);
    }
    // The fleet's fields of the value.
    QJsonObject fields() const;
};

}  // namespace velumo
