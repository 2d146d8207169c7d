#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QString>
#include <array>
#include <memory>

#include "players/contentplayer.h"

namespace velumo {

class ClipEngine;
class EventLog;
class Notifier;
class Settings;
class Timer;
class TimerFactory;

// How long a clip may take to show its first picture, and to make no progress while playing.
struct ClipLimits {
    int firstFrameMs = 3000;
    int stallMs = 5000;
};

// The internal clip player (k entries, the test group of the "Видео клипы" page): StartAvi's
// internal branch, park and resume (ClipParked), the stop, and the graph's mode from
// ComboBox5. A clip change is gapless: the next file is prepared paused on the other deck and
// the window changes over on its first picture, the previous picture staying until then.
//
// Every clip is watched: a file that is missing, empty, not a regular file or cannot be
// decoded, no first picture within the first-frame limit, or no progress for the stall limit
// while playing, ends in failed(reason); the window stays shown, placed and black, and the
// next start works. The end of a clip keeps its last picture in the window until the stop.
class ClipPlayer final : public ContentPlayer {
    Q_OBJECT
public:
    enum class Mode { Capture, Dvd, Normal };
    using Limits = ClipLimits;
    static const QString kDvdNotSupported;

    // Clip names without a path are in folder.
    ClipPlayer(ClipEngine& engine, Settings& settings, Notifier& notifier, EventLog& log,
               TimerFactory& timers, QString folder, ClipLimits limits = ClipLimits(),
               QObject* parent = nullptr);
    ~ClipPlayer() override;

    // A k start: the slot must be a number (the conversion error otherwise); a parked clip
    // resumes and nothing is loaded; else the request's file is played. The window is shown
    // and placed at the request's rectangle either way.
    void start(const PlayerRequest& request) override;
    // The internal stop: the clip is unloaded and the window hidden.
    void stop() override;
    // The internal park ("kz"): paused and hidden, ClipParked set.
    void park() override;
    // A stop the next k start follows at once: the clip stops on its last picture, which stays
    // in the window until the next clip's first picture replaces it; without a start within
    // kHandOverMs this ends as the stop.
    void handOver() override;
    static constexpr int kHandOverMs = 2500;

    // The test load (SCButton27): the window at the k rectangle (playerplacement), the file of
    // SCEdit2. A file
    // that cannot be played fails here (the general error report).
    void testLoad();
    // "Пауза", "Поехали", "С начала" of the test group; "Закрыть " is stop().
    void pauseClip();
    void playClip();
    void restartClip();

    bool ClipParked() const { return m_parked; }
    Mode mode() const { return m_mode; }
    bool playing() const;
    QString file() const;
    qint64 positionMs() const;

    // Why a file cannot be given to a deck at all; empty when it can.
    static QString unplayableReason(const QString& file);
    QString resolved(const QString& file) const;

private:
    struct Deck {
        quint64 ticket = 0;
        QString file;
        bool loaded = false;
        bool shown = false;
        bool ended = false;
        bool paused = false;
        qint64 positionMs = 0;
    };

    void applyMode();
    void showPlaced(const QRect& rect);
    // Loads a file for the window; true when it went to a deck.
    bool playFile(const QString& file, const QRect& rect, QString* refusal = nullptr);
    void unloadDeck(int deck);
    // Logs the time on screen, stops both watches, unloads both decks and blanks the window.
    void tearDown();
    void fail(int deck, const QString& reason);
    void logOnScreen(const Deck& deck);
    void writeEvent(const QString& text);
    Deck* deckOf(int deck, quint64 ticket);

    void onFirstFrame(int deck, quint64 ticket);
    void onProgressed(int deck, quint64 ticket, qint64 positionMs);
    void onEnded(int deck, quint64 ticket);
    void onFailed(int deck, quint64 ticket, const QString& reason);
    void watchStall();

    ClipEngine& m_engine;
    Settings& m_settings;
    Notifier& m_notifier;
    EventLog& m_log;
    QString m_folder;
    Limits m_limits;
    Mode m_mode = Mode::Capture;
    bool m_parked = false;
    std::array<Deck, 2> m_decks;
    // The deck the window shows (or is about to show), -1 for none.
    int m_current = -1;
    // The deck being prepared for a gapless change, -1 for none.
    int m_pending = -1;
    quint64 m_nextTicket = 1;
    // One-shot watches: each handler stops its timer first.
    std::unique_ptr<Timer> m_firstFrameWatch;
    std::unique_ptr<Timer> m_stallWatch;
    std::unique_ptr<Timer> m_handOver;
    QElapsedTimer m_sinceStart;
    QElapsedTimer m_onScreen;
};

}  // namespace velumo
