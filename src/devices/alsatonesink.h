#pragma once

#include <QByteArray>
#include <span>

#include "tonesink.h"

namespace velumo {

// A sine tone on an ALSA playback device ("default": the desktop's sound output). The device is
// opened for each tone and closed after it, so it is held only while a tone sounds.
class AlsaToneSink final : public ToneSink {
public:
    static constexpr int kSampleRateHz = 48000;

    explicit AlsaToneSink(QByteArray deviceName = QByteArrayLiteral("default"));
    Result play(int frequencyHz, int durationMs) override;

    // Frames first..first+out.size() of a tone of totalFrames frames: a sine with a short rise
    // and fall. Frequencies the output cannot carry (none, or from half the sample rate up)
    // give silence of the same length.
    static void fillTone(std::span<qint16> out, qint64 first, qint64 totalFrames, int frequencyHz);

private:
    QByteArray m_deviceName;
};

}  // namespace velumo
