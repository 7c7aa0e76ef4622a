#pragma once
// What the row kernels of the passes over matrices are built with: a function marked
// MORVANE_CLONES is built for AVX2 as well as for the baseline, and the loader picks the
// one the processor runs best; everything such a kernel calls with vectors is inlined into
// it (MORVANE_INLINE, also on its lambdas), so that each clone computes with its own
// instructions. The vector types hold four lanes.

#include <cstdint>

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define MORVANE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define MORVANE_CLONES
#endif
#define MORVANE_INLINE __attribute__((always_inline))

namespace platform {

using V4d = double __attribute__((vector_size(32)));
using V4i = std::int32_t __attribute__((vector_size(16)));
using V4l = std::int64_t __attribute__((vector_size(32)));

}  // namespace platform
