#include "playersmodule.h"

#include "base/controlchannel.h"
#include "dispatcher/browserneed.h"
#include "dispatcher/playerrequests.h"
#include "players/clip/clipstart.h"
#include "players/playerstation.h"
#include "ticker/rssfeed.h"
#include "ticker/rsspage.h"
#include "ticker/tickerblock.h"
#include "ticker/tickercommands.h"

namespace velumo {

PlayersModule::PlayersModule(const Services& services, TickerBlock& block, BlockEdits& edits,
                             BroadcastMute& broadcast)
{
    m_rss = std::make_unique<RssFeed>(services.settings, block, edits, services.notifier,
                                      &services.log, services.timers, services.folder);
    new RssPage(services.window, services.notifier, *m_rss);
    addFeedCommands(services.control, *m_rss);
    m_station = std::make_unique<PlayerStation>(PlayerStationParts{
        services.folder, services.log, services.notifier, services.settings, services.clock,
        services.timers, services.control, services.window, broadcast,
        [&services](QChar letter, const QString& line) {
            return playerrequests::resolveAvi(services.settings, services.notifier, letter, line);
        }});
    // The clip the dispatcher's handlers start and stop: one at a time with them.
    ClipStart& clips = m_station->clipStart();
    auto serialized = [&services](const char* verb, std::function<void()> body) {
        services.control.addCommand(
            QString::fromLatin1(verb),
            [&services, verb, body](const QString&, const std::shared_ptr<CommandReply>& reply) {
                services.serializer.run(QString::fromLatin1(verb), body, answering(reply), false);
            });
    };
    serialized("clip start", [&clips] { clips.StartAvi(); });
    serialized("clip stop", [&clips] { clips.StopAvi(); });
}

PlayersModule::~PlayersModule() = default;

void PlayersModule::warmUpBrowsers(const browserneed::Warmup& need)
{
    m_station->warmUp(need.browsers, need.movies);
}

void PlayersModule::armTimers()
{
    m_rss->armAtStartup();
}

}  // namespace velumo
