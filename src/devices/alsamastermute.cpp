#include "alsamastermute.h"

#include <alsa/asoundlib.h>
#include <cerrno>

#include "alsaerrors.h"
#include "base/failure.h"

namespace velumo {

namespace {

// Closes the mixer on every way out.
struct MixerHandle {
    snd_mixer_t* mixer = nullptr;
    ~MixerHandle()
    {
        if (mixer)
            snd_mixer_close(mixer);
    }
};

}  // namespace

AlsaMasterMute::AlsaMasterMute(QByteArray cardName, QByteArray elementName)
    : m_cardName(std::move(cardName)), m_elementName(std::move(elementName))
{
    silenceAlsaErrors();
}

QString AlsaMasterMute::failureText(int code)
{
    return QStringLiteral("SetMasterMuteValue failure, multimedia system error #%1").arg(code);
}

void AlsaMasterMute::SetMasterMuteValue(bool muted)
{
    auto check = [](int rc) {
        if (rc < 0)
            throw Failure(failureText(rc));
    };
    MixerHandle handle;
    check(snd_mixer_open(&handle.mixer, 0));
    check(snd_mixer_attach(handle.mixer, m_cardName.constData()));
    check(snd_mixer_selem_register(handle.mixer, nullptr, nullptr));
    check(snd_mixer_load(handle.mixer));

    snd_mixer_selem_id_t* id = nullptr;
    snd_mixer_selem_id_alloca(&id);
    snd_mixer_selem_id_set_index(id, 0);
    snd_mixer_selem_id_set_name(id, m_elementName.constData());
    snd_mixer_elem_t* element = snd_mixer_find_selem(handle.mixer, id);
    if (!element)
        check(-ENOENT);
    if (!snd_mixer_selem_has_playback_switch(element))
        check(-EINVAL);
    check(snd_mixer_selem_set_playback_switch_all(element, muted ? 0 : 1));
}

}  // namespace velumo
