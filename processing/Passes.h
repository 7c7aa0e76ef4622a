#pragma once
// What the passes over whole matrices share: how many threads a pass takes, and the fence
// after streaming stores.

#include <cstdint>

//! Threads for a pass over `n` items: small passes stay on the calling thread (1), larger
//! ones take `threads` (0: every core).
unsigned ThreadsFor(std::int64_t n, unsigned threads);

//! Orders the streaming stores of this thread before what it does next, so that the
//! thread that waits for it sees them (at the end of every piece of work that streams).
void StreamFence();
