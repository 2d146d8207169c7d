#pragma once

#include "base/settings.h"
#include "base/settingskeys.h"
#include "mastermute.h"

namespace velumo {

// The master output muted for a video broadcast: the one owner of the mute around a capture,
// asked by the dispatcher's broadcast start and stop, the broadcast page's start and stop
// buttons and the sound test buttons (one object, owned by the application). BroadcastMuted is
// false at program start, set when the output is muted for a broadcast (or by the "Откл" test)
// and cleared when it is restored.
class BroadcastMute {
public:
    explicit BroadcastMute(MasterMute& mute) : m_mute(mute) {}

    // A broadcast starts: with SCCheckbox25 ticked, set BroadcastMuted and mute the output.
    void broadcastStarting(const Settings& settings)
    {
        if (!settings.checked(key::SCCheckbox25))
            return;
        m_broadcastMuted = true;
        m_mute.SetMasterMuteValue(true);
    }
    // A broadcast stops: when it muted the output and SCCheckbox25 is still ticked, clear
    // BroadcastMuted and unmute. Unticked during the broadcast, the output stays muted.
    void broadcastStopping(const Settings& settings)
    {
        if (!m_broadcastMuted || !settings.checked(key::SCCheckbox25))
            return;
        m_broadcastMuted = false;
        m_mute.SetMasterMuteValue(false);
    }

    bool BroadcastMuted() const { return m_broadcastMuted; }
    void setBroadcastMuted(bool muted) { m_broadcastMuted = muted; }
    MasterMute& masterMute() { return m_mute; }

    // Sound test "Вкл": clear BroadcastMuted, then unmute the master output.
    void SCButton51Click()
    {
        m_broadcastMuted = false;
        m_mute.SetMasterMuteValue(false);
    }
    // Sound test "Откл": set BroadcastMuted, then mute the master output.
    void SCButton84Click()
    {
        m_broadcastMuted = true;
        m_mute.SetMasterMuteValue(true);
    }

private:
    MasterMute& m_mute;
    bool m_broadcastMuted = false;
};

}  // namespace velumo
