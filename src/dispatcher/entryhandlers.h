#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "devices/broadcastmute.h"
#include "dispatcher/handlerserializer.h"
#include "players/contentkind.h"
#include "players/contentplayers.h"

namespace velumo {

class Clock;
class EventLog;
class LptPins;
class Notifier;
class Settings;
class TickerBlock;
class TickerControl;
class TimerFactory;
class TonePlayer;
class WallTimer;

// What the start and stop handlers work with. The references must outlive the handlers.
struct EntryDevices {
    TickerControl& ticker;
    TickerBlock& block;
    LptPins& pins;
    TonePlayer& tones;
    // The master output and BroadcastMuted, shared with the sound test buttons.
    BroadcastMute& broadcast;
    ContentPlayers& players;
    // Asks for the clock to be redrawn on the next second (ClockRedrawCounter = 59).
    std::function<void()> clockRedraw;
};

// The start and stop handlers of the content kinds. A start handler takes the line to execute
// from SCEdit10, fills the current-entry fields, arms the stop timer of its kind for the line's
// stop, sounds tones, raises pins and starts the content; the stop timer's handler empties the
// fields, sounds the stop tone, drops the pin and stops or parks the content. Kinds are
// independent: a ticker text may run over a clip, each with its own stop timer. What differs
// between the kinds is their row of the content-kind table (ContentKind: handler names, timer,
// fields, tones, pin...); the request a player gets (file, rectangle, screen) comes from
// playerrequests::resolve. The ticker text, which has no player, has a start and a stop of its
// own.
//
// Every handler runs through the serializer, so a stop never runs between the steps of another
// handler (a start that is sounding its tone). A handler that sounds a tone goes on with its
// next steps (pin, content...) when the tone has ended, in the same order as ever; the serializer
// holds the handlers that fall due meanwhile until then.
class EntryHandlers {
public:
    using Job = HandlerSerializer::Job;
    using Caller = HandlerSerializer::Caller;
    // What follows a step: called when the step has done all it does (maybe after a tone).
    using Next = std::function<void()>;

    EntryHandlers(Settings& settings, Notifier& notifier, EventLog& log, const Clock& clock,
                  TimerFactory& timers, HandlerSerializer& serializer, EntryDevices devices);
    ~EntryHandlers();

    // Runs the start handler of the content letter at position 19 of SCEdit10 (through the
    // serializer). Another character starts nothing; returns whether there is a handler.
    bool startCurrentEntry(Caller caller = {});
    // The same as a step of the running handler job (the dispatcher tick): next follows when
    // the start has done all its steps (at once when there is no handler).
    bool startCurrentEntry(const Job& job, Next next);

    // The handlers by name; each runs through the serializer, caller learns when it finished.
    void StartStringEntry(Caller caller = {});
    void StartClipEntry(Caller caller = {});
    void StartBSPlayerEntry(Caller caller = {});
    void StartSlideShowEntry(Caller caller = {});
    void StartFlashEntry(Caller caller = {});
    void StartWebEntry(Caller caller = {});
    void StartBroadcastEntry(Caller caller = {});

    void StopStringEntry(Caller caller = {});
    void StopClipEntry(Caller caller = {});
    void StopBSPlayerEntry(Caller caller = {});
    void StopPPT(Caller caller = {});
    void StopFlashEntry(Caller caller = {});
    void HideWebWindow(Caller caller = {});
    void StopBroadcastEntry(Caller caller = {});

    // The dispatcher's stop takes the stop timers of the ticker text and the internal clip.
    void disableStringAndClipStops();

    // The stop timer of a content letter, or nullptr.
    WallTimer* stopTimer(const QString& letter) const;

    const QString& StopCode() const { return m_stopCode; }
    const QString& ContentKind() const { return m_contentKind; }
    qint64 EntryDurationMs() const { return m_entryDurationMs; }
    bool BroadcastMuted() const { return m_devices.broadcast.BroadcastMuted(); }
    void setBroadcastMuted(bool muted) { m_devices.broadcast.setBroadcastMuted(muted); }
    // The player choice of clips, which the k and b starts set (ClipPlayerChoice).
    int playerChoice() const { return m_devices.players.playerChoice().value(); }

    // A row of the content-kind table (the member ContentKind() hides its name here).
    using Kind = velumo::ContentKind;

private:
    QString currentLine() const;
    WallTimer& timer(const Kind& kind) const;
    // Writes the start moment, duration and stop time of the current line into the fields of
    // a group; sets EntryDuration.
    void showTimes(const Kind& kind);
    void armStop(WallTimer& timer);
    // Sounds the tone when its box is ticked; next follows when it has ended.
    void beep(const Job& job, const char* box, const char* toneField, Next next);
    void pin(const char* box, const char* pinField, int state);
    void logStop(QChar letter);

    // Runs one handler through the serializer as a job of its own.
    void submit(const char* name, const Kind& kind, bool start, Caller caller);
    // The start or stop handler of a kind by its name.
    void submitStart(char16_t letter, Caller caller);
    void submitStop(char16_t letter, Caller caller);
    void startEntry(const Job& job, const Kind& kind, Next next);
    void startString(const Job& job, Next next);
    void stopString(const Job& job, Next next);
    void startPlayerEntry(const Job& job, const Kind& kind, Next next);
    void stopPlayerEntry(const Job& job, const Kind& kind, Next next);
    // The armed line starts the same letter within about a second of now: the stop hands the
    // screen over to it.
    bool nextStartFollows(QChar letter) const;
    static constexpr qint64 kNextStartFollowsMs = 1500;
    static constexpr qint64 kNextStartLateMs = 500;
    void stopEntry(const Job& job, const Kind& kind, Next next);

    Settings& m_settings;
    Notifier& m_notifier;
    EventLog& m_log;
    const Clock& m_clock;
    HandlerSerializer& m_serializer;
    EntryDevices m_devices;
    // Receives the players' signals; goes with the handlers.
    QObject m_context;
    // Continuations after a tone hold it weakly: none runs once the handlers are gone.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);

    // In the order of the table of kinds.
    std::vector<std::unique_ptr<WallTimer>> m_stopTimers;

    QString m_stopCode;
    QString m_contentKind;
    qint64 m_entryDurationMs = 0;
};

}  // namespace velumo
