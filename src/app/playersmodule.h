#pragma once

#include <QJsonObject>
#include <memory>

#include "app/services.h"

namespace velumo {

class BlockEdits;
class BroadcastMute;
class ContentPlayer;
class ContentPlayers;
class FlashPlayer;
class FlashWebPages;
class PlayerRegistry;
class WebPlayer;
class CaptureWindow;
class ClipWindow;
class FlashWindow;
class RssFeed;
class TickerBlock;
class TitlesWindow;
class WebWindow;

// Content players: their windows and the feed reader with its page and commands.
class PlayersModule {
public:
    PlayersModule(const Services& services, TickerBlock& block, BlockEdits& edits,
                  BroadcastMute& broadcast);
    ~PlayersModule();

    // Start-up: feed reading with its stored period.
    void armTimers();

    ContentPlayers& players();
    ClipWindow* clipWindow() const { return m_clip; }
    CaptureWindow* captureWindow() const { return m_capture; }
    FlashWindow* flashWindow() const { return m_flash; }
    TitlesWindow* titlesWindow() const { return m_titles; }

private:
    void registerCommands();
    void createFlashAndWeb();
    void registerFlashAndWebCommands();
    // The members "flash" and "web" of the status member "players".
    void addFlashAndWebStatus(QJsonObject& players) const;

    const Services& m_services;
    std::unique_ptr<RssFeed> m_rss;
    WebWindow* m_web = nullptr;
    TitlesWindow* m_titles = nullptr;
    ClipWindow* m_clip = nullptr;
    CaptureWindow* m_capture = nullptr;
    FlashWindow* m_flash = nullptr;

    std::unique_ptr<ContentPlayer> m_clipPlayer;
    std::unique_ptr<ContentPlayer> m_externalPlayer;
    std::unique_ptr<ContentPlayer> m_slideShow;
    std::unique_ptr<ContentPlayer> m_capturePlayer;
    std::unique_ptr<FlashPlayer> m_flashMovies;
    std::unique_ptr<WebPlayer> m_webPages;
    std::unique_ptr<PlayerRegistry> m_registry;
    FlashWebPages* m_flashWebPages = nullptr;
};

}  // namespace velumo
