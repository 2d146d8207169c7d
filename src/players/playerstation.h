#pragma once

#include <QJsonObject>
#include <QString>
#include <functional>
#include <memory>

#include "players/playerrequest.h"

namespace velumo {

class BroadcastMute;
class CaptureBackend;
class CapturePlayer;
class CaptureWindow;
class ClipControl;
class ClipEngine;
class ClipPlayer;
class ClipStart;
class ClipsPage;
class ClipWindow;
class Clock;
class ContentPlayers;
class ControlServer;
class EventLog;
class ExternalPlayer;
class FlashPlayer;
class FlashWebPages;
class FlashWindow;
class Notifier;
class PlayerRegistry;
class PresentationConverter;
class Settings;
class SettingsWindow;
class SlideShowControl;
class SlideShowPlayer;
class SlideShowPrefetch;
class SlideShowWindow;
class TimerFactory;
class TitlesWindow;
class WebPlayer;
class WebWindow;

// What the players are built with; everything here outlives them.
struct PlayerStationParts {
    QString folder;  // the program's folder: the slide cache, the mpv control name
    EventLog& log;
    Notifier& notifier;
    Settings& settings;
    const Clock& clock;
    TimerFactory& timers;
    ControlServer& control;
    SettingsWindow& window;  // the clip, slide and Flash/web pages go into it
    BroadcastMute& broadcast;
    // What a k or b start line asks the clip players for.
    std::function<PlayerRequest(QChar letter, const QString& line)> resolveClip;
};

// The content players: their windows, the registry the dispatcher's handlers call, the clip,
// slide show and Flash/web pages, their commands and the status member "players".
class PlayerStation {
public:
    explicit PlayerStation(const PlayerStationParts& parts);
    ~PlayerStation();

    // Makes the browsers (and the movies' player) ahead of the first page or movie; what is
    // made once stays.
    void warmUp(bool browsers, bool movies);

    ContentPlayers& players();
    PlayerRegistry& registry() { return *m_registry; }
    // The k and b starts and stops the clip commands run one at a time with the handlers.
    ClipStart& clipStart() { return *m_clipStart; }

    ClipWindow* clipWindow() const { return m_clip; }
    CaptureWindow* captureWindow() const { return m_capture; }
    FlashWindow* flashWindow() const { return m_flash; }
    TitlesWindow* titlesWindow() const { return m_titles; }
    WebWindow* webWindow() const { return m_web; }
    SlideShowWindow* slideShowWindow() const { return m_slideWindow.get(); }

private:
    // The slide show: its converter, window and player before the registry; its control, page,
    // conversion ahead and commands after it.
    void createSlideShow();
    void setUpSlideShows();
    void createFlashAndWeb();
    void registerCommands();
    void registerFlashAndWebCommands();
    // The members "flash" and "web" of the status member "players".
    void addFlashAndWebStatus(QJsonObject& players) const;

    PlayerStationParts m_parts;
    WebWindow* m_web = nullptr;
    bool m_browsersWarm = false;
    bool m_moviesWarm = false;
    TitlesWindow* m_titles = nullptr;
    ClipWindow* m_clip = nullptr;
    CaptureWindow* m_capture = nullptr;
    FlashWindow* m_flash = nullptr;
    ClipsPage* m_clipsPage = nullptr;

    std::unique_ptr<ClipEngine> m_clipEngine;
    std::unique_ptr<ClipPlayer> m_clipPlayer;
    std::unique_ptr<ExternalPlayer> m_externalPlayer;
    std::unique_ptr<CaptureBackend> m_captureBackend;
    std::unique_ptr<CapturePlayer> m_capturePlayer;
    std::unique_ptr<ClipControl> m_clipControl;
    std::unique_ptr<ClipStart> m_clipStart;
    std::unique_ptr<FlashPlayer> m_flashMovies;
    std::unique_ptr<WebPlayer> m_webPages;

    std::unique_ptr<PresentationConverter> m_converter;
    std::unique_ptr<SlideShowWindow> m_slideWindow;
    std::unique_ptr<SlideShowPlayer> m_slidePlayer;
    std::unique_ptr<SlideShowControl> m_slideControl;
    std::unique_ptr<SlideShowPrefetch> m_slidePrefetch;
    std::unique_ptr<PlayerRegistry> m_registry;
    FlashWebPages* m_flashWebPages = nullptr;
};

}  // namespace velumo
