#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
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

// An exception thrown by one item reaches the caller once every item that started has
// ended; the first of several exceptions wins, the items not yet started are skipped,
// and the loops work normally afterwards.
TEST(Parallel, AnExceptionOfOneItemReachesTheCallerAfterTheOthersEnded)
{
    using Loop = void (*)(std::size_t, const std::function<void(std::size_t)>&, unsigned);
    for (Loop loop : {Loop(platform::ParallelFor), Loop(platform::ParallelBands)}) {
        for (unsigned threads : {1u, 4u}) {
            std::atomic<int> running{0};
            std::atomic<int> ended{0};
            bool caught = false;
            try {
                loop(
                    200,
                    [&](std::size_t i) {
                        ++running;
                        std::this_thread::sleep_for(std::chrono::microseconds(200));
                        --running;
                        ++ended;
                        if (i == 3 || i == 5)
                            throw std::runtime_error("item " + std::to_string(i));
                    },
                    threads);
            } catch (const std::runtime_error& e) {
                caught = true;
                EXPECT_EQ(running.load(), 0) << threads;
                if (threads == 1) {
                    EXPECT_STREQ(e.what(), "item 3");
                }
            }
            EXPECT_TRUE(caught) << threads;
            EXPECT_LT(ended.load(), 200) << threads;
        }
        std::atomic<int> runs{0};
        loop(100, [&](std::size_t) { ++runs; }, 4);
        EXPECT_EQ(runs.load(), 100);
    }
}

TEST(Parallel, AnInjectedFailureThrowsOnceInPlaceOfItsItem)
{
    std::vector<std::atomic<int>> runs(10);
    platform::FailParallelItemForTesting(7);
    EXPECT_THROW(platform::ParallelFor(runs.size(), [&](std::size_t i) { ++runs[i]; }, 3), std::bad_alloc);
    EXPECT_EQ(runs[7].load(), 0);
    platform::ParallelBands(runs.size(), [&](std::size_t i) { ++runs[i]; }, 3);
    EXPECT_EQ(runs[7].load(), 1);
}
