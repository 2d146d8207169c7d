#include "alsaerrors.h"

#include <alsa/asoundlib.h>
#include <mutex>

namespace velumo {

namespace {

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void silenceAlsaErrors()
{
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&ignoreAlsaError); });
}

}  // namespace velumo
