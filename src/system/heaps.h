#pragma once

namespace velumo {

// The threads that allocate (the browser engine's, the media pipelines') share two heaps,
// instead of one heap each up to sixteen: freed blocks scattered over many heaps were never
// given back, and the program's memory crept up by one or two megabytes a minute over a soak of
// every player; with two heaps it stays flat. Blocks of a frame's size keep the C library's own
// rule (their own mappings until one is freed, then the heap). A GLIBC_TUNABLES of the user is
// left as it is. Called before any thread starts.
void shareTheHeaps();

}  // namespace velumo
