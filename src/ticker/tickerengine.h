#pragma once

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "ticker/glyphpainter.h"
#include "ticker/strippriority.h"
#include "ticker/tickercontrol.h"
#include "ticker/tickerview.h"

namespace velumo {

class AnnouncementPicture;
class Clock;
class TickerCompanions;
class EventLog;
class Notifier;
class PlaybackLog;
class Settings;
class TickerBlock;
class Timer;
class TimerFactory;

// The ticker scroll engine. It runs on the user-interface thread as a state machine driven by
// one frame timer: each tick is one pass (clock visible, next announcement prepared when the
// previous one has left the strip, halt check, scroll). The strip's position is computed from
// the monotonic clock: SpinEdit2 pixels every SpinEdit1 milliseconds on average, without drift.
//
// Priority texts (StripPriority) go ahead of the block and of the panel's phrase; they are not
// the block's announcements: no playback-log record, no "announcement" event, no on-air line.
class TickerEngine final : public QObject, public TickerControl, public StripPriority {
    Q_OBJECT
public:
    // Frame period of the scroll timer.
    static constexpr qint64 kFrameMs = 16;
    // The next announcement starts when the picture's left edge is at -(drawn width) - 20.
    static constexpr int kGapPx = 20;
    // Stopped, the picture waits at left -30.
    static constexpr int kParkedLeftPx = -30;
    static constexpr int kDefaultIconCode = 10;

    TickerEngine(Settings& settings, TickerBlock& block, PlaybackLog& log, const Clock& clock,
                 TimerFactory& timers, Notifier& notifier, TickerCompanions& companions,
                 EventLog* events = nullptr, QObject* parent = nullptr);
    ~TickerEngine() override;

    void setView(TickerView* view) { m_view = view; }

    // TickerControl
    bool TickerRunning() const override { return m_running; }
    void setTickerRunning(bool running) override;
    void setResumeLine(int line) override { m_resumeLine = line; }
    void ApplyTickerWindow() override;
    void StartRunStringThread() override;
    void StopTicker() override;
    void bringToFront() override;
    void setWorkLabel(const QString& text) override;

    // StripPriority
    void announce(const QString& key, const QString& text) override;
    void hold(const QString& key, const QString& text) override;
    void takeOff(const QString& key) override;
    // The key of the priority text on the strip; empty while it shows the block's.
    const QString& priorityOnStrip() const { return m_priorityOnStrip; }

    // The start button SCButton3 and the direct start of the "r" autostart.
    void SCButton3Click();
    void BitBtn2Click();
    void TickerPass();
    // Starts the passes with the current settings; returns at once (the frame timer runs them).
    void RunTicker();
    void ShowTickerWindows();
    void ContinueTicker();
    // The control panel's "С начала блока".
    void restartBlock();
    // Wipes the picture to the strip colour.
    void ClearStrip();
    // One pass now (the frame timer's tick).
    void frame();

    int CurrentLine() const { return m_currentLine; }
    // The block line whose announcement is on the strip; -1 while the strip is stopped or shows
    // something else (a panel phrase, an empty block). Announced for every announcement.
    int onAirLine() const { return m_onAirLine; }
    int ResumeLine() const { return m_resumeLine; }
    int BlockRunCount() const { return m_blockRunCount; }
    bool haltPending() const { return m_haltPending; }
    void setPanelPhrase(const QString& phrase);
    QString PanelPhrase() const { return m_panelPhrase; }
    bool PanelPhrasePending() const { return m_panelPhrasePending; }

    // For tests and the windows.
    int pictureLeft() const { return m_shownLeft; }
    int stripWidth() const { return m_stripWidthPx; }
    std::shared_ptr<AnnouncementPicture> picture() const { return m_picture; }
    const GlyphStyle& style() const { return m_style; }
    qint64 effectiveDelayMs() const { return m_delayMs; }
    const TickerLayout& layout() const { return m_layout; }
    Timer* frameTimer() const { return m_frame.get(); }

signals:
    void onAirLineChanged(int line);
    // The passes started or stopped (the "started at line" and "stopped" of velumo.log).
    void runningChanged(bool running);

private:
    void setOnAirLine(int line);
    void prepareStart();
    int settingInt(const char* name, int fallback) const;
    int leftAt(qint64 nowMs) const;
    void rebase(qint64 nowMs, int left);
    void prepareNext(qint64 nowMs, int left);
    QString ApplyTariff(int line, const QString& text);
    // The block read again at the end of a pass is in place (failure: why it could not be read).
    void blockReloaded(const QString& failure);
    bool CheckHalt(qint64 nowMs, int& left);
    void showLeft(int left);
    void logEvent(const QString& text);
    // The announcement of the playback log's record on the strip: the moment its first letter
    // entered the strip (at the frame that showed it) and the one its last letter left it, then
    // a "ticker" event "announcement" with both.
    void followAnnouncement(int left);
    void announcementLeft();
    struct Priority {
        QString key;
        QString text;
    };
    std::optional<Priority> takePriority();
    void showPriority(qint64 nowMs, int left, int startLeft, const Priority& priority);
    // What crosses the strip leaves it at the next frame.
    void requestCut();
    void cut(qint64 nowMs);

    Settings& m_settings;
    TickerBlock& m_block;
    PlaybackLog& m_log;
    const Clock& m_clock;
    TimerFactory& m_timers;
    Notifier& m_notifier;
    EventLog* m_events;
    TickerView* m_view = nullptr;
    TickerCompanions& m_companions;
    std::unique_ptr<Timer> m_frame;
    bool m_framePrecise = false;

    // Engine state.
    bool m_running = false;
    bool m_looping = false;
    int m_currentLine = 0;
    int m_resumeLine = 0;
    int m_blockRunCount = 0;
    int m_onAirLine = -1;
    QString m_panelPhrase;
    bool m_panelPhrasePending = false;
    QString m_reloadFailure;
    std::deque<Priority> m_announcements;
    std::optional<Priority> m_hold;
    QString m_priorityOnStrip;
    bool m_cutPending = false;
    // The block's line a hold cut off: it comes again once the priority texts are done.
    int m_interruptedLine = -1;
    struct OnStrip {
        QString index;
        QString tariff;
        QString text;
        qint64 enteredMs = -1;  // since the epoch, -1 before its first letter entered
    };
    std::optional<OnStrip> m_onStrip;

    // Motion: left(t) = m_baseLeft - floor((t - m_baseMs) * step / delay), still before m_baseMs.
    TickerLayout m_layout;
    bool m_haveLayout = false;
    int m_stripWidthPx = 400;
    int m_stepPx = 1;
    qint64 m_normalDelayMs = 2;
    qint64 m_delayMs = 2;
    qint64 m_baseMs = 0;
    qint64 m_baseLeft = kParkedLeftPx;
    int m_shownLeft = kParkedLeftPx;
    bool m_carryOver = false;
    GlyphStyle m_baseStyle;
    GlyphStyle m_style;
    std::shared_ptr<AnnouncementPicture> m_picture;

    // Halt of the tariffs 1, 5 and 6.
    bool m_haltPending = false;
    qsizetype m_haltFlagCharacter = 0;
    int m_haltStripWidthPx = 0;
    int m_haltStopPx = 0;
    qint64 m_haltMs = 0;
};

}  // namespace velumo
