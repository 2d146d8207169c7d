#include "alsatonesink.h"

#include <alsa/asoundlib.h>
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
    // Frequencies the output cannot carry (none, or above half the sample rate) sound as
    // silence of the same length.
    const bool audible = frequencyHz > 0 && frequencyHz < kSampleRateHz / 2;
    const double step = audible ? 2 * std::numbers::pi * frequencyHz / kSampleRateHz : 0.0;
    const qint64 ramp = std::min<qint64>(kRampFrames, frames / 2);
    std::array<qint16, kChunkFrames> chunk{};
    qint64 written = 0;
    while (written < frames) {
        const qint64 count = std::min<qint64>(kChunkFrames, frames - written);
        for (qint64 i = 0; i < count; ++i) {
            const qint64 n = written + i;
            double gain = 1.0;
            if (n < ramp)
                gain = double(n) / ramp;
            else if (frames - n <= ramp)
                gain = double(frames - n - 1) / ramp;
            chunk[i] = audible ? qint16(std::lround(kAmplitude * gain * std::sin(step * n))) : 0;
        }
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
