#include <gtest/gtest.h>

#include <atomic>
#include <thread>
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

// Every item runs once, whatever the thread limit; a call from inside a body or beside a
// running one runs all the same.
TEST(ParallelBands, RunsEveryItemOnceAlsoNestedAndSideBySide)
{
    for (unsigned threads : {0u, 1u, 3u, 64u}) {
        std::vector<std::atomic<int>> runs(1000);
        platform::ParallelBands(
            runs.size(), [&](std::size_t i) { ++runs[i]; }, threads);
        for (std::size_t i = 0; i < runs.size(); ++i)
            ASSERT_EQ(runs[i].load(), 1) << i << " with " << threads << " threads";
    }
    std::atomic<int> inner{0};
    platform::ParallelBands(8, [&](std::size_t) { platform::ParallelBands(10, [&](std::size_t) { ++inner; }); });
    EXPECT_EQ(inner.load(), 80);

    std::atomic<long long> sum{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t)
        callers.emplace_back([&] {
            for (int k = 0; k < 50; ++k)
                platform::ParallelBands(100, [&](std::size_t i) { sum += static_cast<long long>(i); });
        });
    for (auto& t : callers)
        t.join();
    EXPECT_EQ(sum.load(), 4LL * 50 * 4950);
    platform::ParallelBands(0, [](std::size_t) { FAIL(); });
}
