#include "processing/Passes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

unsigned ThreadsFor(std::int64_t n, unsigned threads)
{
    return n < (std::int64_t(1) << 16) ? 1u : threads;
}

void StreamFence()
{
#if defined(__SSE2__)
    _mm_sfence();
#endif
}
