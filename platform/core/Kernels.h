#pragma once
// What the row kernels of the passes over matrices are built with: a function marked
// MORVANE_CLONES is built for AVX2 as well as for the baseline, and the loader picks the
// one the processor runs best; everything such a kernel calls with vectors is inlined into
// it (MORVANE_INLINE, also on its lambdas), so that each clone computes with its own
// instructions. The vector types hold four lanes.

#include <cstdint>

// A ThreadSanitizer build (MORVANE_NO_CLONES) makes them plain functions: the resolvers that
// pick a clone run in the loader, before the sanitizer's runtime is up.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(MORVANE_NO_CLONES)
#define MORVANE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define MORVANE_CLONES
#endif
#define MORVANE_INLINE __attribute__((always_inline))

namespace platform {

using V4d = double __attribute__((vector_size(32)));
using V4i = std::int32_t __attribute__((vector_size(16)));
using V4l = std::int64_t __attribute__((vector_size(32)));

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"  // only ever inlined into the kernels

// Four 32-bit values widened as they are loaded. Built lane by lane in one initialiser: the
// compiler makes one widening instruction of it at -O2 as at -O3, where a loop over the lanes
// goes through the stack at -O2 and the conversion of a whole vector is split into halves.

//! The four values at p as doubles.
MORVANE_INLINE inline V4d LoadDoubles(const std::int32_t* p)
{
    return V4d{double(p[0]), double(p[1]), double(p[2]), double(p[3])};
}

//! The four values at p as 64-bit integers.
MORVANE_INLINE inline V4l LoadWide(const std::int32_t* p)
{
    return V4l{std::int64_t(p[0]), std::int64_t(p[1]), std::int64_t(p[2]), std::int64_t(p[3])};
}

#pragma GCC diagnostic pop

}  // namespace platform
