#pragma once

#include <QJsonObject>
#include <memory>
#include <vector>

#include "app/services.h"

namespace velumo {

namespace browserneed {
struct Warmup;
}  // namespace browserneed

class BlockEdits;
class BroadcastMute;
class CaptureBackend;
class CapturePlayer;
class CaptureWindow;
class ClipControl;
class ClipEngine;
class ClipPlayer;
class ClipsPage;
class ClipWindow;
class ContentPlayer;
class ContentPlayers;
class ExternalPlayer;
class FlashPlayer;
class FlashWebPages;
class FlashWindow;
class PlayerRegistry;
class PresentationConverter;
class RssFeed;
class SlideShowControl;
class SlideShowPlayer;
class SlideShowPrefetch;
class SlideShowWindow;
class TickerBlock;
class TitlesWindow;
class WebPlayer;
class WebWindow;

// Content players: their windows, the registry the dispatcher's handlers call, the clip and
// broadcast pages with their commands, and the feed reader with its page and commands.
class PlayersModule {
public:
    PlayersModule(const Services& services, TickerBlock& block, BlockEdits& edits,
                  BroadcastMute& broadcast);
    ~PlayersModule();

    // Start-up: feed reading with its stored period.
    void armTimers();

    // Makes what browserneed says ahead of the first page or movie; what is made once stays.
    void warmUpBrowsers(const browserneed::Warmup& need);

    // The players the dispatcher's handlers call.
    ContentPlayers& players();
    PlayerRegistry& registry() { return *m_registry; }

    ClipWindow* clipWindow() const { return m_clip; }
    CaptureWindow* captureWindow() const { return m_capture; }
    FlashWindow* flashWindow() const { return m_flash; }
    TitlesWindow* titlesWindow() const { return m_titles; }
    WebWindow* webWindow() const { return m_web; }
    SlideShowWindow* slideShowWindow() const { return m_slideWindow.get(); }

private:
    void registerCommands();
    // The slide show: its converter, window and player before the registry; its control, page,
    // conversion ahead and commands after it.
    void createSlideShow();
    void setUpSlideShows();
    // StartAvi with the player in use, for the line in SCEdit10.
    void startAvi();
    void stopAvi();
    void createFlashAndWeb();
    void registerFlashAndWebCommands();
    // The members "flash" and "web" of the status member "players".
    void addFlashAndWebStatus(QJsonObject& players) const;

    const Services& m_services;
    std::unique_ptr<RssFeed> m_rss;
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
