#pragma once

#include <QString>

namespace velumo {

// Where tones are sounded. play() runs on the tone worker thread and returns when the tone has
// been played out, or at once when the output cannot be had.
class ToneSink {
public:
    struct Result {
        int code = 0;    // 0: sounded; otherwise the output's (negative) error code
        QString reason;  // what went wrong, for velumo.log
    };

    virtual ~ToneSink() = default;
    virtual Result play(int frequencyHz, int durationMs) = 0;
};

}  // namespace velumo
