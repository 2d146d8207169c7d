#include "heaps.h"

#include <malloc.h>
#include <QtGlobal>

namespace velumo {

void shareTheHeaps()
{
    if (qEnvironmentVariableIsSet("GLIBC_TUNABLES"))
        return;
    mallopt(M_ARENA_MAX, 2);
}

}  // namespace velumo
