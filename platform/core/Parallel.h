#pragma once
// Running independent pieces of one pass on the machine's cores.

#include <cstddef>
#include <functional>

namespace platform {

//! Runs body(i) for i in 0..count-1 on up to `maxThreads` threads (0: one per core)
//! and returns when every call has ended. The calls must be independent.
void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& body,
                 unsigned maxThreads = 0);

//! Runs body(i) for i in 0..count-1 on up to `maxThreads` threads (0: one per core) and
//! returns when every call has ended, as ParallelFor does, but on workers that are started
//! once and kept for the rest of the program: for the passes over pictures that every
//! redraw makes, where starting threads would cost more than the pass. The calling thread
//! takes items too. While another such call runs (or from inside a body) it runs on
//! ParallelFor instead. The calls must be independent; a body must not throw.
void ParallelBands(std::size_t count, const std::function<void(std::size_t)>& body,
                   unsigned maxThreads = 0);

}  // namespace platform
