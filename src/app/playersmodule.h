#pragma once

#include <memory>

#include "app/services.h"

namespace velumo {

class BlockEdits;
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
    PlayersModule(const Services& services, TickerBlock& block, BlockEdits& edits);
    ~PlayersModule();

    // Start-up: feed reading with its stored period.
    void armTimers();

    ClipWindow* clipWindow() const { return m_clip; }
    CaptureWindow* captureWindow() const { return m_capture; }
    FlashWindow* flashWindow() const { return m_flash; }
    TitlesWindow* titlesWindow() const { return m_titles; }

private:
    void registerCommands();

    const Services& m_services;
    std::unique_ptr<RssFeed> m_rss;
    WebWindow* m_web = nullptr;
    TitlesWindow* m_titles = nullptr;
    ClipWindow* m_clip = nullptr;
    CaptureWindow* m_capture = nullptr;
    FlashWindow* m_flash = nullptr;
};

}  // namespace velumo
