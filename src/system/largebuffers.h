#pragma once

namespace velumo {

// The frames of a web page or a Flash movie (a few MiB each, copied and drawn on the
// user-interface thread) came from fresh memory: blocks that large got mappings of their own,
// given back when freed, so new frames paid their page faults again (about 5-10 ms of the
// strip's time at the first page of a run). Blocks up to 32 MiB now come from the heap, which
// keeps up to 64 MiB free at its top for the next ones. A GLIBC_TUNABLES of the user is left as
// it is. Called before any thread starts.
void keepLargeBuffersInTheHeap();

}  // namespace velumo
