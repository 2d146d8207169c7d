#pragma once

namespace velumo {

// ALSA prints its own complaints to stderr (no card, unknown device...). The program reports
// failures itself, so that printing is switched off once for the process.
void silenceAlsaErrors();

}  // namespace velumo
