#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "devices/broadcastmute.h"
#include "players/contentplayers.h"

namespace velumo {

class Clock;
class EventLog;
class HandlerSerializer;
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

// The start and stop handlers of the seven content letters. A start handler takes the line to
// execute from SCEdit10, fills the current-entry fields, arms the stop timer of its kind for
// the line's stop, sounds tones, raises pins and starts the content; the stop timer's handler
// empties the fields, sounds the stop tone, drops the pin and stops or parks the content.
// Kinds are independent: a ticker text may run over a clip, each with its own stop timer.
// What differs between the kinds is one row of a table each (timer, fields, tones, pin...); the
// request a player gets (file, rectangle, screen) comes from playerrequests::resolve. The ticker
// text has a start and a stop of its own.
//
// Stop timers and the end of a slide show run their stop through the serializer, so a stop
// never runs inside another handler (a start that is sounding its tone).
class EntryHandlers {
public:
    EntryHandlers(Settings& settings, Notifier& notifier, EventLog& log, const Clock& clock,
                  TimerFactory& timers, HandlerSerializer& serializer, EntryDevices devices);
    ~EntryHandlers();

    // Runs the start handler of the content letter at position 19 of SCEdit10. Another
    // character starts nothing; returns whether a handler ran.
    bool startCurrentEntry();

    void StartStringEntry();
    void StartClipEntry();
    void StartBSPlayerEntry();
    void StartSlideShowEntry();
    void StartFlashEntry();
    void StartWebEntry();
    void StartBroadcastEntry();

    void StopStringEntry();
    void StopClipEntry();
    void StopBSPlayerEntry();
    void StopPPT();
    void StopFlashEntry();
    void HideWebWindow();
    void StopBroadcastEntry();

    // The dispatcher's stop takes the stop timers of the ticker text and the internal clip.
    void disableStringAndClipStops();

    // The stop timer of a content letter ("s", "k"...), or nullptr.
    WallTimer* stopTimer(const QString& letter) const;

    const QString& StopCode() const { return m_stopCode; }
    const QString& ContentKind() const { return m_contentKind; }
    qint64 EntryDurationMs() const { return m_entryDurationMs; }
    bool BroadcastMuted() const { return m_devices.broadcast.BroadcastMuted(); }
    void setBroadcastMuted(bool muted) { m_devices.broadcast.setBroadcastMuted(muted); }
    // The player choice of clips, which the k and b starts set (ClipPlayerChoice).
    int playerChoice() const { return m_devices.players.playerChoice().value(); }

    struct Kind;

private:
    static constexpr int kKinds = 7;

    QString currentLine() const;
    WallTimer& timer(const Kind& kind) const;
    // Writes the start moment, duration and stop time of the current line into the fields of
    // a group; sets EntryDuration.
    void showTimes(const Kind& kind);
    void armStop(WallTimer& timer);
    void beep(const char* box, const char* toneField);
    void pin(const char* box, const char* pinField, int state);
    void logStop(QChar letter);

    void startPlayerEntry(const Kind& kind);
    void stopPlayerEntry(const Kind& kind);
    void stopEntry(const Kind& kind);

    Settings& m_settings;
    Notifier& m_notifier;
    EventLog& m_log;
    const Clock& m_clock;
    HandlerSerializer& m_serializer;
    EntryDevices m_devices;
    // Receives the players' signals; goes with the handlers.
    QObject m_context;

    // In the order of the table of kinds.
    std::array<std::unique_ptr<WallTimer>, kKinds> m_stopTimers;

    QString m_stopCode;
    QString m_contentKind;
    qint64 m_entryDurationMs = 0;
};

}  // namespace velumo
