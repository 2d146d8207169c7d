#pragma once

#include <functional>

namespace velumo {

// Tones for external switching gear. MyBEEP starts a tone of frequencyHz for durationMs and
// returns at once; ended is called on the user-interface thread when the tone has ended (and
// before MyBEEP returns when the length is 0 or less: nothing sounds then). Tones never overlap:
// one asked for while another sounds follows it. Nobody waits for a tone: whoever goes on after
// it does so in ended, and the window keeps painting meanwhile.
class TonePlayer {
public:
    using Ended = std::function<void()>;

    virtual ~TonePlayer() = default;
    virtual void MyBEEP(int frequencyHz, int durationMs, Ended ended) = 0;
};

}  // namespace velumo
