#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/core/Parallel.h"

TEST(ParallelFor, RunsEveryIndexOnce)
{
    for (unsigned threads : {0u, 1u, 3u, 64u}) {
        std::vector<std::atomic<int>> hits(1000);
        platform::ParallelFor(hits.size(), [&](std::size_t i) { hits[i]++; }, threads);
        for (auto& h : hits)
            ASSERT_EQ(h.load(), 1);
    }
    platform::ParallelFor(0, [](std::size_t) { FAIL(); });
}
