#pragma once

#include <memory>
#include <vector>

#include "app/services.h"

namespace velumo {

class BlockEdits;
class CaptureWindow;
class ClipWindow;
class ContentPlayer;
class ContentPlayers;
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
class WebWindow;

// Content players: their windows and the feed reader with its page and commands.
class PlayersModule {
public:
    PlayersModule(const Services& services, TickerBlock& block, BlockEdits& edits);
    ~PlayersModule();

    // Start-up: feed reading with its stored period.
    void armTimers();

    // The players the dispatcher's handlers call.
    ContentPlayers& players();

    ClipWindow* clipWindow() const { return m_clip; }
    CaptureWindow* captureWindow() const { return m_capture; }
    FlashWindow* flashWindow() const { return m_flash; }
    TitlesWindow* titlesWindow() const { return m_titles; }

private:
    void registerCommands();
    // The slide show: its converter, window, player, page and commands.
    void setUpSlideShows();

    const Services& m_services;
    std::unique_ptr<RssFeed> m_rss;
    WebWindow* m_web = nullptr;
    TitlesWindow* m_titles = nullptr;
    ClipWindow* m_clip = nullptr;
    CaptureWindow* m_capture = nullptr;
    FlashWindow* m_flash = nullptr;

    std::unique_ptr<PresentationConverter> m_converter;
    std::unique_ptr<SlideShowWindow> m_slideWindow;
    std::unique_ptr<SlideShowPlayer> m_slidePlayer;
    std::unique_ptr<SlideShowControl> m_slideControl;
    std::unique_ptr<SlideShowPrefetch> m_slidePrefetch;
    std::vector<std::unique_ptr<ContentPlayer>> m_placeholders;
    std::unique_ptr<PlayerRegistry> m_registry;
};

}  // namespace velumo
