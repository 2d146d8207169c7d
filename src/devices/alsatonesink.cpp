#include "alsatonesink.h"

#include <alsa/asoundlib.h>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "alsaerrors.h"

namespace velumo {

namespace {

constexpr int kChunkFrames = 1024;
constexpr double kAmplitude = 0.5 * 32767;
// A short rise and fall keeps the tone free of clicks that a frequency filter might catch.
constexpr int kRampFrames = AlsaToneSink::kSampleRateHz / 500;  // 2 ms
constexpr unsigned kLatencyUs = 50000;

ToneSink::Result failure(int code, const char* step)
{
    return {code, QStringLiteral("%1: %2").arg(QLatin1String(step),
                                               QString::fromLocal8Bit(snd_strerror(code)))};
}

}  // namespace

AlsaToneSink::AlsaToneSink(QByteArray deviceName) : m_deviceName(std::move(deviceName))
{
    silenceAlsaErrors();
}

void AlsaToneSink::fillTone(std::span<qint16> out, qint64 first, qint64 totalFrames,
                            int frequencyHz)
{
    const bool audible = frequencyHz > 0 && frequencyHz < kSampleRateHz / 2;
    if (!audible) {
        std::fill(out.begin(), out.end(), 0);
        return;
    }
    const double step = 2 * std::numbers::pi * frequencyHz / kSampleRateHz;
    const qint64 ramp = std::max<qint64>(1, std::min<qint64>(kRampFrames, totalFrames / 2));
    for (size_t i = 0; i < out.size(); ++i) {
        const qint64 n = first + qint64(i);
        double gain = 1.0;
        if (n < ramp)
            gain = double(n) / ramp;
        else if (totalFrames - 1 - n < ramp)
            gain = double(totalFrames - 1 - n) / ramp;
        out[i] = qint16(std::lround(kAmplitude * gain * std::sin(step * double(n))));
    }
}

ToneSink::Result AlsaToneSink::play(int frequencyHz, int durationMs)
{
    snd_pcm_t* pcm = nullptr;
    int rc = snd_pcm_open(&pcm, m_deviceName.constData(), SND_PCM_STREAM_PLAYBACK, 0);
    if (rc < 0)
        return failure(rc, "snd_pcm_open");
    rc = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                            kSampleRateHz, 1, kLatencyUs);
    if (rc < 0) {
        snd_pcm_close(pcm);
        return failure(rc, "snd_pcm_set_params");
    }

    const qint64 frames = qint64(kSampleRateHz) * durationMs / 1000;
    std::array<qint16, kChunkFrames> chunk{};
    qint64 written = 0;
    while (written < frames) {
        const qint64 count = std::min<qint64>(kChunkFrames, frames - written);
        fillTone(std::span<qint16>(chunk.data(), size_t(count)), written, frames, frequencyHz);
        qint64 offset = 0;
        while (offset < count) {
            snd_pcm_sframes_t done =
                snd_pcm_writei(pcm, chunk.data() + offset, snd_pcm_uframes_t(count - offset));
            if (done < 0)
                done = snd_pcm_recover(pcm, int(done), 1);
            if (done < 0) {
                snd_pcm_close(pcm);
                return failure(int(done), "snd_pcm_writei");
            }
            offset += done;
        }
        written += count;
    }
    rc = snd_pcm_drain(pcm);
    snd_pcm_close(pcm);
    if (rc < 0)
        return failure(rc, "snd_pcm_drain");
    return {};
}

}  // namespace velumo
