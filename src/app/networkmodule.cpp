#include "networkmodule.h"

#include "net/dialup.h"
#include "net/ftpexchange.h"
#include "net/networkcommands.h"
#include "net/networkpages.h"
#include "ticker/blocktextreader.h"

namespace velumo {

NetworkModule::NetworkModule(const Services& services, TickerBlock& block, BlockEdits& edits)
    : m_services(services)
{
    m_blockText = std::make_unique<BlockTextReader>(block, edits);
    m_dialUp = std::make_unique<DialUp>(services.notifier, &services.log);
    m_ftp =
        std::make_unique<FtpExchange>(services.settings, *m_blockText, *m_dialUp, services.notifier,
                                      &services.log, services.timers, services.folder);
    m_pages = new NetworkPages(services.window, services.settings, services.notifier,
                               services.operations, *m_ftp, *m_dialUp);
    addNetworkCommands(services.control, *m_ftp, *m_dialUp, services.settings);
}

NetworkModule::~NetworkModule() = default;

void NetworkModule::armTimers()
{
    m_ftp->armAutomaticRuns();
}

}  // namespace velumo
