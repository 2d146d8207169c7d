#pragma once

namespace velumo {

// The master playback switch of the sound card. A failure throws Failure
// "SetMasterMuteValue failure, multimedia system error #N".
class MasterMute {
public:
    virtual ~MasterMute() = default;
    virtual void SetMasterMuteValue(bool muted) = 0;
};

}  // namespace velumo
