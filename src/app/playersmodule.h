#pragma once

#include <memory>

#include "app/services.h"

namespace velumo {

namespace browserneed {
struct Warmup;
}  // namespace browserneed

class BlockEdits;
class BroadcastMute;
class PlayerStation;
class RssFeed;
class TickerBlock;

// Content players (built and kept by the station) with the clip commands the handlers' serializer
// runs, and the feed reader with its page and commands.
class PlayersModule {
public:
    PlayersModule(const Services& services, TickerBlock& block, BlockEdits& edits,
                  BroadcastMute& broadcast);
    ~PlayersModule();

    // Start-up: feed reading with its stored period.
    void armTimers();

    // Makes what browserneed says ahead of the first page or movie; what is made once stays.
    void warmUpBrowsers(const browserneed::Warmup& need);

    PlayerStation& station() { return *m_station; }

private:
    std::unique_ptr<RssFeed> m_rss;
    std::unique_ptr<PlayerStation> m_station;
};

}  // namespace velumo
