#include "clocksync.h"

#include <sys/timex.h>

namespace velumo {

bool clockSynchronised()
{
    struct timex state {};
    const int result = ::adjtimex(&state);
    return result >= 0 && result != TIME_ERROR && (state.status & STA_UNSYNC) == 0;
}

}  // namespace velumo
