#pragma once

#include <QByteArray>

#include "tonesink.h"

namespace velumo {

// A sine tone on an ALSA playback device ("default": the desktop's sound output). The device is
// opened for each tone and closed after it, so it is held only while a tone sounds.
class AlsaToneSink final : public ToneSink {
public:
    static constexpr int kSampleRateHz = 48000;

    explicit AlsaToneSink(QByteArray deviceName = QByteArrayLiteral("default"));
    Result play(int frequencyHz, int durationMs) override;

private:
    QByteArray m_deviceName;
};

}  // namespace velumo
