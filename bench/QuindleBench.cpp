// The multifractal dimension of a 1024 × 1024 channel (its levels, every level's area and
// perimeter, the ratios and D) on the machine's cores, as a ratio to one single-threaded
// pass over the channel's values (their sum). For comparison: the same dimension on one
// thread, and with every level counted by its own pass over the cells (the plain form).
// The extra memory of the dimension is reported as bytes per point: the most that the
// heap held above what it held before, counted by this program's operator new.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "BenchSupport.h"
#include "platform/core/Progress.h"
#include "plugins/quindle/Multifractal.h"

namespace {

std::atomic<long long> heapNow{0};
std::atomic<long long> heapPeak{0};

void* Allocate(std::size_t n)
{
    void* p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    const long long now = heapNow += static_cast<long long>(malloc_usable_size(p));
    long long peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void Free(void* p) noexcept
{
    if (!p)
        return;
    heapNow -= static_cast<long long>(malloc_usable_size(p));
    std::free(p);
}

}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }

namespace {

constexpr int Side = 1024;

// Waves with a fixed pseudo-random noise; about 60 levels are analysed.
const std::vector<std::int32_t>& Channel()
{
    static const std::vector<std::int32_t> values = [] {
        std::vector<std::int32_t> v(static_cast<std::size_t>(Side) * Side);
        std::uint32_t state = 99;
        for (int y = 0; y < Side; ++y)
            for (int x = 0; x < Side; ++x) {
                state = state * 1664525u + 1013904223u;
                const double wave = 1000 * std::sin(0.037 * x) * std::cos(0.023 * y) + 300 * std::sin(0.011 * (x + 2 * y));
                v[static_cast<std::size_t>(y) * Side + x] =
                    static_cast<std::int32_t>(std::lround(wave)) + static_cast<int>(state >> 25) - 64;
            }
        return v;
    }();
    return values;
}

float Dimension(unsigned threads)
{
    quindle::TLevels levels;
    quindle::NormaliseLevels(Channel().data(), Side, Side, levels, threads);
    platform::NullProgress progress;
    quindle::TDimension result;
    quindle::ComputeLevelRatios(levels, 1.5f, 2.5f, progress, result, threads);
    return result.D;
}

void BM_ChannelPass(benchmark::State& state)
{
    const auto& v = Channel();
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (std::int32_t x : v)
            sum += x;
        benchmark::DoNotOptimize(sum);
    }
}

void BM_Dimension(benchmark::State& state)
{
    Channel();
    const long long before = heapNow.load();
    heapPeak = before;
    for (auto _ : state)
        benchmark::DoNotOptimize(Dimension(0));
    state.counters["extra bytes per point"] = double(heapPeak.load() - before) / (double(Side) * Side);
}

void BM_DimensionOneThread(benchmark::State& state)
{
    Channel();
    for (auto _ : state)
        benchmark::DoNotOptimize(Dimension(1));
}

void BM_DimensionLevelByLevel(benchmark::State& state)
{
    quindle::TLevels levels;
    quindle::NormaliseLevels(Channel().data(), Side, Side, levels);
    const quindle::TBand band = quindle::AnalysedBand(levels);
    for (auto _ : state)
        for (int a = band.Low; a <= band.High; ++a)
            benchmark::DoNotOptimize(quindle::ClusterAreaPerimeter(levels, a, 1.5f, 2.5f));
}

}  // namespace

BENCHMARK(BM_ChannelPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dimension)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DimensionOneThread)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DimensionLevelByLevel)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv)
{
    return benchsupport::RunAndReport(argc, argv,
                                      {{"BM_Dimension", "BM_ChannelPass", 5},
                                       {"BM_DimensionOneThread", "BM_ChannelPass", 0},
                                       {"BM_DimensionLevelByLevel", "BM_Dimension", 0}},
                                      /*interleave=*/true);
}
