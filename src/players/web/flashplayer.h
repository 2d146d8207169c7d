#pragma once

#include <QString>

#include "players/contentplayer.h"

namespace velumo {

class Clock;
class EventLog;
class FlashSurface;
class Settings;

// Flash movies (content letter f) in the Flash window: the dispatcher's start and stop, and the
// test buttons of the page "Flash анимации". The dispatcher's content reports through the
// player's signals (the registry writes "started" and "failed"); content of the buttons writes
// its own "player" events. Either way the first picture writes "first picture after N ms".
class FlashPlayer final : public ContentPlayer {
    Q_OBJECT
public:
    static constexpr char kDialogFilter[] = "Flash (swf)|*.swf;|Другие файлы|*.*";
    static constexpr char kDialogExtension[] = "swf";

    FlashPlayer(Settings& settings, EventLog& log, const Clock& clock, FlashSurface& surface);

    // The dispatcher's start (startf with the entry's slot): the request's movie at the
    // request's rectangle; a slot that is no number fails as in startf. And its stop.
    void start(const PlayerRequest& request) override;
    void stop() override;
    // A Flash movie does not park: its stop hides the window.
    void park() override { stop(); }

    // "0" becomes "10"; the movie is the text of "SCEdit" + (k + 48), empty where that is no
    // edit. A slot that is not a number fails with the conversion error and shows nothing.
    void startf(const QString& slot);
    void moveflashwindow(int left, int width, int top, int height);

    void SCButton86Click();  // "Воспроизвести": load SCEdit99, show, play, then move
    void SCButton88Click();  // "Вывод flash": move, load SCEdit99, show, play
    void SCButton83Click();  // stop the movie, hide the window

    bool visible() const;
    const QString& movie() const { return m_movie; }

    // The movie field of a slot ("SCEdit49"...), empty when there is none.
    static QString movieField(const Settings& settings, const QString& slot);

private:
    void load(const QString& file, bool fromDispatcher, const QString& slot);
    // The window at the f rectangle (playerplacement): the buttons and startf.
    void moveToSettings();
    void showAndPlay();
    void onPlaying();
    void onFailed(const QString& reason);
    QString subject() const;
    void write(const QString& text);

    Settings& m_settings;
    EventLog& m_log;
    const Clock& m_clock;
    FlashSurface& m_surface;
    QString m_movie;
    QString m_slot;
    bool m_fromDispatcher = false;
    bool m_waitingForPicture = false;
    qint64 m_loadedAtMs = 0;
};

}  // namespace velumo
