#pragma once

#include <QElapsedTimer>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "base/event.h"
#include "players/contentplayer.h"
#include "players/contentplayers.h"

namespace velumo {

class EventLog;

// The player of each content letter. The references must outlive the registry.
struct PlayerSet {
    ContentPlayer& clip;       // k
    ContentPlayer& external;   // b
    ContentPlayer& slideShow;  // p
    ContentPlayer& flash;      // f
    ContentPlayer& web;        // w
    ContentPlayer& capture;    // t
};

// Hands the dispatcher's requests to the player of their letter and keeps velumo.log's account
// of them ("player" events): the request as it comes ("start k 3", "stop k", "park k") and
// what became of it, with the slot and the file or address ("started k 3 FILE", "stopped ...",
// "parked ...", "ended ...", "failed k 3 FILE: REASON"). A failure of a request is logged and
// goes on to the handler that asked.
//
// Each line is also a typed PlayerEvent (EventLog::post) with what the line says: the request
// (start, stop, park) or its outcome (started, ended, failed, stopped, parked), the letter, the
// slot and file or address, the whole request of a start, whether a "started" is the first
// picture of its entry, the reason of a failure, the seconds on screen of the end events.
//
// Every start has one end event: "stopped" or "parked" with the seconds its content was on the
// screen ("(on screen 59.8 s)"), or "failed". Content that fails while its entry runs is
// reported once (contentFailed) and taken off the screen at once; the entry's stop then writes
// no "stopped". Failures after the entry ended, or repeated within it (a page that retries),
// are not logged again. Content whose player tries again (web pages) and loads while its entry
// still runs comes back: "recovered" (with the entry's "plan_line", as a start has) and a
// "started" that is its first picture, and from then on it counts as any running content, with
// its end event at the stop. The other kinds stay off for the rest of their entry.
//
// A slide show that ends by itself ends its entry: the registry announces entryEnded('p') and
// the dispatcher runs the slide show's stop. The other kinds keep their last picture until
// their stop; their own end is only logged. An end or a failure reported by a player that is
// not running (stopped, or parked) is only logged.
class PlayerRegistry final : public ContentPlayers {
    Q_OBJECT
public:
    PlayerRegistry(EventLog& log, PlayerSet players, QObject* parent = nullptr);
    ~PlayerRegistry() override;

    // A registry whose players are all PlaceholderPlayers, owned by it: nothing goes on the
    // screen, only the events are written.
    static std::unique_ptr<PlayerRegistry> withPlaceholders(EventLog& log);

    void start(const PlayerRequest& request) override;
    void stop(QChar letter) override;
    void park(QChar letter) override;
    // Recorded as a stop; only the player's way of leaving the screen differs.
    void handOver(QChar letter) override;

    enum class State { Idle, Running, Parked };
    // A start has been asked of a letter's player (the k and b starts set the player choice).
    Q_SIGNAL void startRequested(QChar letter);
    // The state of a letter's content as the requests left it (Idle for an unknown letter).
    State state(QChar letter) const;
    // The content of a running entry failed (once an entry); reason is the player's.
    Q_SIGNAL void contentFailed(QChar letter, const QString& reason);
    // Whether the running entry of a letter failed.
    bool failed(QChar letter) const;
    // The requests whose content is running now, in the order of the letters k, b, p, f, w, t.
    QList<PlayerRequest> runningRequests() const;
    // A start, stop or park has changed what a letter's player is doing.
    Q_SIGNAL void stateChanged(QChar letter);

private:
    struct Kind {
        Kind(QChar letter, ContentPlayer* player, bool endEndsEntry = false)
            : letter(letter), player(player), endEndsEntry(endEndsEntry)
        {
        }
        QChar letter;
        ContentPlayer* player;
        // Its own end ends the entry.
        bool endEndsEntry = false;
        State state = State::Idle;
        // The request that started the content.
        PlayerRequest request;
        QString slot;
        QString target;
        // The running entry's content failed; it is off the screen.
        bool failed = false;
        // Counts from the content's first picture of this entry.
        QElapsedTimer onScreen;
        // Counts the requests, so that a queued take-off knows its entry.
        quint64 entry = 0;
    };

    Kind* find(QChar letter);
    const Kind* find(QChar letter) const;
    void bind(Kind& kind);
    // A "player" event: its velumo.log line and its typed value, about the kind's content when
    // a kind is given.
    void write(const QString& text, const Kind* kind, PlayerEvent event);
    // The "failed" event of a kind's content.
    void writeFailed(const Kind& kind, const QString& reason);
    // "k 3 FILE": the content a kind's events are about.
    static QString subject(const Kind& kind);
    // Runs a request of the kind's player; a failure is logged and thrown on.
    template <typename Call>
    void call(Kind& kind, Call&& body);
    // The running entry's content failed: logged and reported once, then taken off the screen.
    void fail(Kind& kind, const QString& reason);
    // Stops the kind's player when the event loop is back, if its entry is still the failed one.
    void takeOff(Kind& kind);
    // The failed content of a running entry loaded at a later try: back on the screen.
    void bringBack(Kind& kind);
    // The stop or park of an entry: the request and its end event, with the time on screen.
    void endEntry(QChar letter, State next, void (ContentPlayer::*request)(),
                  PlayerEvent::What asked, PlayerEvent::What done);
    // " (on screen 59.8 s)" when the content reached the screen, else nothing.
    static QString timeOnScreen(const Kind& kind);
    // The seconds on screen with milliseconds, none when the content did not reach it.
    static std::optional<double> secondsOnScreen(const Kind& kind);

    EventLog& m_log;
    std::array<Kind, 6> m_kinds;
    std::vector<std::unique_ptr<ContentPlayer>> m_owned;
};

}  // namespace velumo
