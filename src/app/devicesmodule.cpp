#include "devicesmodule.h"

#include "devices/alsamastermute.h"
#include "devices/alsatoneplayer.h"
#include "devices/broadcastmute.h"
#include "devices/lptpins.h"
#include "devices/ppdevparallelport.h"
#include "dispatcher/portspage.h"

namespace velumo {

DevicesModule::DevicesModule(const Services& services)
    : m_services(services),
      m_port(std::make_unique<PpdevParallelPort>()),
      m_pins(std::make_unique<LptPins>(services.settings, *m_port)),
      m_tones(std::make_unique<AlsaTonePlayer>(services.notifier, nullptr, &services.log)),
      m_mute(std::make_unique<AlsaMasterMute>()),
      m_broadcastMute(std::make_unique<BroadcastMute>(*m_mute))
{
    m_page = new PortsPage(services.window, services.settings, *m_pins, *m_tones, *m_broadcastMute,
                           services.notifier);
}

DevicesModule::~DevicesModule() = default;

void DevicesModule::applyStoredPermission()
{
    m_services.guard([this] { m_pins->SCCheckBox26Click(); });
}

}  // namespace velumo
