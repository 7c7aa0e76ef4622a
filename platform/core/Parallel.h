#pragma once
// Running independent pieces of one pass on the machine's cores.

#include <cstddef>
#include <functional>

namespace platform {

//! The number of the machine's cores (at least 1), found once: the system answers it from
//! a file each time it is asked, which a pass started on every redraw would pay for.
unsigned CoreCount();

//! Runs body(i) for i in 0..count-1 on up to `maxThreads` threads (0: one per core)
//! and returns when every call has ended. The calls must be independent. When a call
//! throws, the items not yet started are skipped and the first exception is thrown again
//! on the calling thread once every running call has ended.
void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& body,
                 unsigned maxThreads = 0);

//! Runs body(i) for i in 0..count-1 on up to `maxThreads` threads (0: one per core) and
//! returns when every call has ended, as ParallelFor does, but on workers that are started
//! once and kept for the rest of the program: for the passes over pictures that every
//! redraw makes, where starting threads would cost more than the pass. The calling thread
//! takes items too. While another such call runs (or from inside a body) it runs on
//! ParallelFor instead. The calls must be independent; an exception that a call throws
//! reaches the caller as in ParallelFor.
void ParallelBands(std::size_t count, const std::function<void(std::size_t)>& body,
                   unsigned maxThreads = 0);

//! For tests of the callers' failure paths: the next item numbered `item` that a parallel
//! loop reaches throws std::bad_alloc in place of running, once; SIZE_MAX lifts it.
void FailParallelItemForTesting(std::size_t item);

}  // namespace platform
