#pragma once
// Running independent pieces of one pass on the machine's cores.

#include <cstddef>
#include <functional>

namespace platform {

//! Runs body(i) for i in 0..count-1 on up to `maxThreads` threads (0: one per core)
//! and returns when every call has ended. The calls must be independent.
void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& body,
                 unsigned maxThreads = 0);

}  // namespace platform
