#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "devices/broadcastmute.h"

#include "dispatcher/contentplayers.h"

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

// The start and stop handlers of the seven content letters. A start handler takes the line to
// execute from SCEdit10, fills the current-entry fields, arms the stop timer of its kind for
// the line's stop, sounds tones, raises pins and starts the content; the stop timer's handler
// empties the fields, sounds the stop tone, drops the pin and stops or parks the content.
// Kinds are independent: a ticker text may run over a clip, each with its own stop timer.
class EntryHandlers {
public:
    EntryHandlers(Settings& settings, Notifier& notifier, EventLog& log, const Clock& clock,
                  TimerFactory& timers, EntryDevices devices);
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
    int playerChoice() const { return m_playerChoice; }

private:
    QString currentLine() const;
    // Writes the start moment, duration and stop time of the current line into the fields of
    // a group; sets EntryDuration.
    void showTimes(const char* startField, const char* durationField, const char* stopField);
    void ShowClipTimes();
    void ShowStringTimes();
    void armStop(WallTimer& timer);
    void beep(const char* toneField);
    void pin(const char* pinField, int state);
    void emptyClipFields();
    void logStop(const QString& letter);
    // Stop timers fire through the guard: a failure shows the general error report.
    void bindStop(WallTimer& timer, void (EntryHandlers::*handler)());

    Settings& m_settings;
    Notifier& m_notifier;
    EventLog& m_log;
    const Clock& m_clock;
    EntryDevices m_devices;

    std::unique_ptr<WallTimer> m_timer1stops;
    std::unique_ptr<WallTimer> m_timer1stopk;
    std::unique_ptr<WallTimer> m_timerStopB;
    std::unique_ptr<WallTimer> m_timerStopPPT;
    std::unique_ptr<WallTimer> m_timer1StopF;
    std::unique_ptr<WallTimer> m_timer1stopw;
    std::unique_ptr<WallTimer> m_timerstoptt;

    QString m_stopCode;
    QString m_contentKind;
    qint64 m_entryDurationMs = 0;
    int m_playerChoice = 0;
};

}  // namespace velumo
