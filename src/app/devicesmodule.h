#pragma once

#include <memory>

#include "app/services.h"

namespace velumo {

class BroadcastMute;
class LptPins;
class MasterMute;
class ParallelPort;
class PortsPage;
class TonePlayer;

// Device outputs, one instance each for the whole program: LPT1 through ppdev (opened only once
// the permission box allows it), tones on the default sound output, the master switch of the
// default card's mixer with BroadcastMuted, and the page "Порты диспетчера".
class DevicesModule {
public:
    explicit DevicesModule(const Services& services);
    ~DevicesModule();

    // Start-up: with the saved permission box checked, take the port and drop all pins, as
    // checking the box does; a port that cannot be had is reported and the start-up goes on.
    void applyStoredPermission();

    LptPins& pins() { return *m_pins; }
    TonePlayer& tones() { return *m_tones; }
    BroadcastMute& broadcastMute() { return *m_broadcastMute; }

private:
    const Services& m_services;
    std::unique_ptr<ParallelPort> m_port;
    std::unique_ptr<LptPins> m_pins;
    std::unique_ptr<TonePlayer> m_tones;
    std::unique_ptr<MasterMute> m_mute;
    std::unique_ptr<BroadcastMute> m_broadcastMute;
    PortsPage* m_page = nullptr;
};

}  // namespace velumo
