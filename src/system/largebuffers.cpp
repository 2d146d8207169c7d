#include "largebuffers.h"

#include <malloc.h>
#include <QtGlobal>

namespace velumo {

void keepLargeBuffersInTheHeap()
{
    if (qEnvironmentVariableIsSet("GLIBC_TUNABLES"))
        return;
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
}

}  // namespace velumo
