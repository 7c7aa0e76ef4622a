// The processing passes on a 4096 × 4096 channel, each against a plain pass over the same
// samples measured in the same run:
// - channel statistics against the former two-pass statistics in double (on values of a
//   16-bit range, counted in a histogram, and of a wide range, summed directly);
// - plane and paraboloid flattening (fit and subtraction) against one single-threaded loop
//   that reads and writes every sample;
// - the height distribution (histogram and bearing ratio) against a single-threaded read
//   of every sample;
// - arithmetic of a channel with a channel against a single-threaded loop that reads two
//   matrices and writes one;
// - the statistics of a channel as the information window needs them (extremes and the
//   five statistics) against the former two-pass statistics;
// - the surface area against a single-threaded read of every sample.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "BenchSupport.h"
#include "data/ChannelStatistics.h"
#include "data/Spmdata.h"
#include "processing/Areas.h"
#include "processing/Arithmetic.h"
#include "processing/Flattening.h"
#include "processing/HeightDistribution.h"

namespace {

constexpr int Side = 4096;
constexpr std::int64_t Count = std::int64_t(Side) * Side;

std::vector<std::int32_t> Values(std::int64_t lo, std::int64_t hi, unsigned seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_int_distribution<std::int64_t> pick(lo, hi);
    std::vector<std::int32_t> v(static_cast<std::size_t>(Count));
    for (auto& x : v)
        x = static_cast<std::int32_t>(pick(rng));
    return v;
}

const std::vector<std::int32_t>& Narrow()
{
    static const auto v = Values(-30000, 30000, 1);
    return v;
}

const std::vector<std::int32_t>& Wide()
{
    static const auto v = Values(-(1LL << 30), 1LL << 30, 2);
    return v;
}

// The statistics as they were computed before: two passes in double, one thread.
TRoughness TwoPassStatistics(const std::int32_t* v, std::int64_t n, double z)
{
    const double count = double(n);
    double sum = 0;
    for (std::int64_t i = 0; i < n; ++i)
        sum += double(v[i]) * z;
    const double mean = sum / count;
    double sumAbs = 0, sum2 = 0, sum3 = 0, sum4 = 0;
    for (std::int64_t i = 0; i < n; ++i) {
        const double d = double(v[i]) * z - mean;
        const double d2 = d * d;
        sumAbs += std::fabs(d);
        sum2 += d2;
        sum3 += d2 * d;
        sum4 += d2 * d2;
    }
    TRoughness r;
    r.Mean = mean;
    r.Ra = sumAbs / count;
    r.Rq = std::sqrt(sum2 / count);
    if (r.Rq != 0) {
        const double rq3 = r.Rq * r.Rq * r.Rq;
        r.Rsk = sum3 / (rq3 * count);
        r.Rku = sum4 / (rq3 * r.Rq * count);
    }
    return r;
}

void TwoPass(benchmark::State& state, const std::vector<std::int32_t>& v)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(TwoPassStatistics(v.data(), Count, 0.1));
}

void Statistics(benchmark::State& state, const std::vector<std::int32_t>& v, unsigned threads)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeRawStatistics(v.data(), Count, 0.1, threads));
}

void BM_TwoPassNarrow(benchmark::State& state) { TwoPass(state, Narrow()); }
void BM_TwoPassWide(benchmark::State& state) { TwoPass(state, Wide()); }
void BM_StatisticsNarrow(benchmark::State& state) { Statistics(state, Narrow(), 0); }
void BM_StatisticsWide(benchmark::State& state) { Statistics(state, Wide(), 0); }
void BM_StatisticsNarrowOneThread(benchmark::State& state) { Statistics(state, Narrow(), 1); }
void BM_StatisticsWideOneThread(benchmark::State& state) { Statistics(state, Wide(), 1); }

void BM_ReadWriteLoop(benchmark::State& state)
{
    auto v = Narrow();
    for (auto _ : state) {
        for (std::int64_t i = 0; i < Count; ++i)
            v[std::size_t(i)] += 1;
        benchmark::ClobberMemory();
    }
}

void Flatten(benchmark::State& state, processing::TSurfaceModel model, unsigned threads)
{
    auto v = Narrow();
    for (auto _ : state) {
        const auto factors = processing::FitSurface(model, v.data(), Side, Side, threads);
        processing::SubtractQuadric(processing::QuadricOf(model, factors), v.data(), Side, Side,
                                    threads);
        benchmark::ClobberMemory();
    }
}

void BM_FlattenPlane(benchmark::State& state) { Flatten(state, processing::TSurfaceModel::Plane, 0); }
void BM_FlattenParaboloid(benchmark::State& state)
{
    Flatten(state, processing::TSurfaceModel::Paraboloid, 0);
}
void BM_FlattenPlaneOneThread(benchmark::State& state)
{
    Flatten(state, processing::TSurfaceModel::Plane, 1);
}
void BM_FlattenParaboloidOneThread(benchmark::State& state)
{
    Flatten(state, processing::TSurfaceModel::Paraboloid, 1);
}

void BM_ReadLoop(benchmark::State& state)
{
    const auto& v = Narrow();
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (std::int64_t i = 0; i < Count; ++i)
            sum += v[std::size_t(i)];
        benchmark::DoNotOptimize(sum);
    }
}

void Heights(benchmark::State& state, unsigned threads)
{
    const auto& v = Narrow();
    for (auto _ : state)
        benchmark::DoNotOptimize(processing::ComputeHeightDistribution(
            v.data(), Count, -30000, 60000.0 / 100, 100, threads));
}

void BM_HeightDistribution(benchmark::State& state) { Heights(state, 0); }
void BM_HeightDistributionOneThread(benchmark::State& state) { Heights(state, 1); }

void BM_ReadTwoWriteOneLoop(benchmark::State& state)
{
    auto first = Narrow();
    const auto& second = Narrow();
    for (auto _ : state) {
        for (std::int64_t i = 0; i < Count; ++i)
            first[std::size_t(i)] += second[std::size_t(i)] >> 8;
        benchmark::ClobberMemory();
    }
}

void Arithmetic(benchmark::State& state, unsigned threads)
{
    auto first = Narrow();
    const auto& second = Narrow();
    for (auto _ : state) {
        processing::ApplyChannel(first.data(), Side, Side, 0.5f, second.data(), Side, Side, 0.3f,
                                 processing::TArithmeticOperation::Add, threads);
        benchmark::ClobberMemory();
    }
}

void BM_ChannelArithmetic(benchmark::State& state) { Arithmetic(state, 0); }
void BM_ChannelArithmeticOneThread(benchmark::State& state) { Arithmetic(state, 1); }

// A channel of the narrow values, as a data set holds it.
TSPMData& NarrowChannel()
{
    static TSPMData* channel = [] {
        auto* ch = new TSPMData(Side, Side, 0);
        ch->Header.ZScale = 0.1f;
        ch->Lock();
        std::copy(Narrow().begin(), Narrow().end(), ch->GetData());
        ch->Unlock();
        return ch;
    }();
    return *channel;
}

// The extremes and the statistics in one: one pass for the range and the sum, one for the
// sums around the mean.
void BM_ChannelStatistics(benchmark::State& state)
{
    TSPMData& ch = NarrowChannel();
    for (auto _ : state) {
        ch.ComputeRangeAndStatistics();
        benchmark::DoNotOptimize(ch.Rku);
    }
}

// The extremes, then the statistics, each with its own passes.
void BM_RangeThenStatistics(benchmark::State& state)
{
    TSPMData& ch = NarrowChannel();
    for (auto _ : state) {
        ch.ComputeRange();
        ch.ComputeStatistics();
        benchmark::DoNotOptimize(ch.Rku);
    }
}

void Area(benchmark::State& state, unsigned threads)
{
    const auto& v = Narrow();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            processing::FullArea(v.data(), Side, Side, 10.0, 10.0, 0.1, threads));
}

void BM_FullArea(benchmark::State& state)
{
    Area(state, 0);
}
void BM_FullAreaOneThread(benchmark::State& state)
{
    Area(state, 1);
}
void BM_FullAreaPlain(benchmark::State& state)
{
    const auto& v = Narrow();
    for (auto _ : state)
        benchmark::DoNotOptimize(processing::FullAreaPlain(v.data(), Side, Side, 10.0, 10.0, 0.1));
}

}  // namespace

BENCHMARK(BM_TwoPassNarrow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StatisticsNarrow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StatisticsNarrowOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TwoPassWide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StatisticsWide)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StatisticsWideOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadWriteLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlattenPlane)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlattenPlaneOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlattenParaboloid)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FlattenParaboloidOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeightDistribution)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeightDistributionOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadTwoWriteOneLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ChannelArithmetic)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ChannelArithmeticOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ChannelStatistics)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RangeThenStatistics)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullArea)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullAreaOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullAreaPlain)->Unit(benchmark::kMillisecond)->UseRealTime();

// The one-thread figures say how much of each ratio the cores give (no limit of their own).
int main(int argc, char** argv)
{
    return benchsupport::RunAndReport(
        argc, argv,
        {{"BM_StatisticsNarrow", "BM_TwoPassNarrow", 0.45},
         {"BM_StatisticsNarrowOneThread", "BM_TwoPassNarrow", 0},
         {"BM_StatisticsWide", "BM_TwoPassWide", 0.45},
         {"BM_StatisticsWideOneThread", "BM_TwoPassWide", 0},
         {"BM_FlattenPlane", "BM_ReadWriteLoop", 1.0},
         {"BM_FlattenPlaneOneThread", "BM_ReadWriteLoop", 0},
         {"BM_FlattenParaboloid", "BM_ReadWriteLoop", 1.5},
         {"BM_FlattenParaboloidOneThread", "BM_ReadWriteLoop", 0},
         {"BM_ChannelStatistics", "BM_TwoPassNarrow", 0.3},
         {"BM_RangeThenStatistics", "BM_TwoPassNarrow", 0},
         {"BM_FullArea", "BM_ReadLoop", 2.0},
         {"BM_FullAreaOneThread", "BM_ReadLoop", 0},
         {"BM_FullAreaPlain", "BM_ReadLoop", 0},
         {"BM_HeightDistribution", "BM_ReadLoop", 1.0},
         {"BM_HeightDistributionOneThread", "BM_ReadLoop", 0},
         {"BM_ChannelArithmetic", "BM_ReadTwoWriteOneLoop", 1.2},
         {"BM_ChannelArithmeticOneThread", "BM_ReadTwoWriteOneLoop", 0}});
}
