#include "Parallel.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace platform {

void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& body,
                 unsigned maxThreads)
{
    if (count == 0)
        return;
    unsigned threads = maxThreads ? maxThreads : std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, count));
    if (threads <= 1) {
        for (std::size_t i = 0; i < count; ++i)
            body(i);
        return;
    }
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            body(i);
    };
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (auto& t : pool)
        t.join();
}

}  // namespace platform
