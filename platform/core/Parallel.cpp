#include "Parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

unsigned CoreCount()
{
    static const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return cores;
}

namespace {
// Threads for `count` items: at most `maxThreads` (0: one per core), never more than items.
unsigned ThreadsFor(std::size_t count, unsigned maxThreads)
{
    const unsigned threads = maxThreads ? maxThreads : CoreCount();
    return static_cast<unsigned>(std::min<std::size_t>(threads, count));
}

std::atomic<std::size_t> failingItem{SIZE_MAX};

void RunItem(const std::function<void(std::size_t)>& body, std::size_t i)
{
    if (failingItem.load(std::memory_order_relaxed) == i) {
        std::size_t expected = i;
        if (failingItem.compare_exchange_strong(expected, SIZE_MAX))
            throw std::bad_alloc();
    }
    body(i);
}

// The first exception that the items of one loop throw; the later ones are dropped.
class TFirstError {
public:
    //! Inside a catch block: keeps the exception being handled when it is the first.
    void Capture() noexcept
    {
        std::lock_guard lock(mutex_);
        if (!error_)
            error_ = std::current_exception();
    }
    //! Throws the kept exception, if any, and forgets it.
    void Rethrow()
    {
        std::exception_ptr error;
        {
            std::lock_guard lock(mutex_);
            error.swap(error_);
        }
        if (error)
            std::rethrow_exception(error);
    }

private:
    std::mutex mutex_;
    std::exception_ptr error_;
};

// Takes items from `next` until none is left; a failing item keeps its exception and
// leaves the rest untaken.
void TakeItems(const std::function<void(std::size_t)>& body, std::size_t count,
               std::atomic<std::size_t>& next, TFirstError& error)
{
    for (std::size_t i = next++; i < count; i = next++) {
        try {
            RunItem(body, i);
        } catch (...) {
            error.Capture();
            next.store(count);
        }
    }
}
}  // namespace

void FailParallelItemForTesting(std::size_t item) { failingItem.store(item); }

void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& body,
                 unsigned maxThreads)
{
    if (count == 0)
        return;
    const unsigned threads = ThreadsFor(count, maxThreads);
    if (threads <= 1) {
        for (std::size_t i = 0; i < count; ++i)
            RunItem(body, i);
        return;
    }
    std::atomic<std::size_t> next{0};
    TFirstError error;
    auto worker = [&] { TakeItems(body, count, next, error); };
    std::vector<std::thread> pool;
    try {
        pool.reserve(threads - 1);
        for (unsigned t = 1; t < threads; ++t)
            pool.emplace_back(worker);
    } catch (...) {
        // No further thread to be had: the loop runs on those it has.
    }
    worker();
    for (auto& t : pool)
        t.join();
    error.Rethrow();
}

namespace {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target("avx"))) void ZeroUpperHalves()
{
    _mm256_zeroupper();
}

// The graphics system's own vector code may leave the upper halves of the vector
// registers in use; on some processors every SSE instruction that follows then runs
// several times slower, until they are cleared.
void CleanVectorState()
{
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        ZeroUpperHalves();
}
#else
void CleanVectorState() {}
#endif

thread_local bool onWorker = false;

// Looks for a condition for a little while (passes of one redraw follow each other within
// microseconds); whether it came.
template <typename Ready> bool SpinFor(Ready ready, std::chrono::microseconds spin)
{
    const auto until = std::chrono::steady_clock::now() + spin;
    for (unsigned n = 0; !ready(); ++n) {
        if ((n & 63) == 63 && std::chrono::steady_clock::now() > until)
            return ready();
#if defined(__SSE2__)
        _mm_pause();
#endif
    }
    return true;
}

// Workers started once and kept: one call runs on them at a time. A call publishes its
// body and a number of seats; a worker counts itself active before it takes a seat, so
// that the call, once it has closed the seats and seen no active worker, knows that no
// worker uses its body any more.
class TWorkers {
public:
    static TWorkers& Instance()
    {
        // Never destroyed: the workers wait on it until the program ends.
        static TWorkers* workers = new TWorkers;
        return *workers;
    }

    // False (nothing run) when another call holds the workers or the caller is one of them.
    bool Run(std::size_t count, const std::function<void(std::size_t)>& body, unsigned threads)
    {
        if (onWorker || !run_.try_lock())
            return false;
        std::lock_guard hold(run_, std::adopt_lock);
        Start(threads - 1);
        body_ = &body;
        count_ = count;
        next_.store(0);
        seats_.store(std::min(threads - 1, started_));
        generation_.fetch_add(1);
        if (sleeping_.load() > 0) {
            std::lock_guard lock(mutex_);
            wake_.notify_all();
        }
        CleanVectorState();
        TakeItems(body, count, next_, error_);
        Finish();
        error_.Rethrow();
        return true;
    }

private:
    // No worker joins any more; waits for those that did.
    void Finish()
    {
        seats_.store(0);
        const auto idle = [&] { return active_.load() == 0; };
        if (!SpinFor(idle, std::chrono::microseconds(1000)))
            while (!idle())
                std::this_thread::yield();
        body_ = nullptr;
    }

    void Start(unsigned wanted)
    {
        const unsigned cores = CoreCount();
        wanted = std::min(wanted, cores - 1);
        while (started_ < wanted) {
            const std::uint64_t seen = generation_.load();
            try {
                std::thread([this, seen] { Loop(seen); }).detach();
            } catch (...) {
                return; // runs with the workers it has
            }
            ++started_;
        }
    }

    void Loop(std::uint64_t seen)
    {
        onWorker = true;
        for (;;) {
            const auto published = [&] { return generation_.load() != seen; };
            if (!SpinFor(published, std::chrono::microseconds(200))) {
                std::unique_lock lock(mutex_);
                ++sleeping_;
                wake_.wait(lock, published);
                --sleeping_;
            }
            seen = generation_.load();
            ++active_;
            unsigned seats = seats_.load();
            while (seats > 0 && !seats_.compare_exchange_weak(seats, seats - 1)) {
            }
            if (seats > 0) {
                CleanVectorState();
                TakeItems(*body_, count_, next_, error_);
            }
            --active_;
        }
    }

    std::mutex run_; // held by the running call
    std::mutex mutex_;
    std::condition_variable wake_;
    unsigned started_ = 0; // changed only under run_
    const std::function<void(std::size_t)>* body_ = nullptr;
    std::size_t count_ = 0;
    std::atomic<std::size_t> next_{0};
    std::atomic<unsigned> seats_{0};
    std::atomic<unsigned> active_{0};
    std::atomic<unsigned> sleeping_{0};
    std::atomic<std::uint64_t> generation_{0};
    TFirstError error_; // of the running call
};

} // namespace

void ParallelBands(std::size_t count, const std::function<void(std::size_t)>& body,
                   unsigned maxThreads)
{
    if (count == 0)
        return;
    const unsigned threads = ThreadsFor(count, maxThreads);
    if (threads <= 1) {
        CleanVectorState();
        for (std::size_t i = 0; i < count; ++i)
            body(i);
        return;
    }
    if (!TWorkers::Instance().Run(count, body, threads))
        ParallelFor(count, body, maxThreads);
}

}  // namespace platform
