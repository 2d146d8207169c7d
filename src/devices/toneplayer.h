#pragma once

namespace velumo {

// Tones for external switching gear: MyBEEP sounds frequencyHz for durationMs and returns when
// the tone has ended; tones never overlap. The window keeps painting while a tone sounds.
class TonePlayer {
public:
    virtual ~TonePlayer() = default;
    virtual void MyBEEP(int frequencyHz, int durationMs) = 0;
};

}  // namespace velumo
