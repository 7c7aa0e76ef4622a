// The angle analysis of a 4096 × 4096 channel (a smooth surface with noise, fixed seed):
// - the first computation as the window runs it (normals of every point, their kept
//   codes, binning) against one single-threaded pass over the channel's values, into a
//   field whose memory is kept from one computation to the next; once more into a new
//   field each time, which pays for its memory as well (no limit);
// - binning the kept codes again after a change of one of the window's controls, against
//   the same pass: the bar count, the sector count, the level by one step of its slider
//   (and by two, no limit);
// - the first step of the level after each change of the bars, with that change (no limit),
//   and a change of sectors to a count not binned before, stepping through them all (no
//   limit): what the kept counts of heights and points near a boundary cost to make;
// - binning them again for another bar count, sector count and level all at once, which
//   the window never asks for (no limit); once more with levels that cut through the
//   surface (no limit);
// - both again on one thread (the machine's other cores may be busy: these show what the
//   work itself costs);
// - the plain analysis, point by point, for comparison.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "BenchSupport.h"
#include "processing/Angles.h"

namespace {

constexpr int Side = 4096;

const std::vector<std::int32_t>& Surface()
{
    static const std::vector<std::int32_t> values = [] {
        std::vector<std::int32_t> v(std::size_t(Side) * Side);
        std::mt19937 rng(4096);
        std::uniform_int_distribution<int> noise(-40, 40);
        for (int r = 0; r < Side; ++r)
            for (int c = 0; c < Side; ++c)
                v[std::size_t(r) * Side + c] =
                    std::int32_t(2000 * std::sin(r / 300.0) * std::cos(c / 170.0)) + noise(rng);
        return v;
    }();
    return values;
}

const processing::TAngleGrid Grid{10.0, 10.0, 0.1};

processing::TAngleField& Field()
{
    static processing::TAngleField field = [] {
        processing::TAngleField f;
        f.Compute(Surface().data(), Side, Side, processing::WholeRegion(Side, Side), Grid);
        return f;
    }();
    return field;
}

void BM_OnePass4096(benchmark::State& state)
{
    const std::vector<std::int32_t>& v = Surface();
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (const std::int32_t x : v)
            sum += x;
        benchmark::DoNotOptimize(sum);
    }
}

//! `threads` 0: every core.
void ComputeInto(processing::TAngleField& field, processing::TAngleCounts& counts, unsigned threads)
{
    const std::vector<std::int32_t>& v = Surface();
    field.Compute(v.data(), Side, Side, processing::WholeRegion(Side, Side), Grid, {-3000, 0.0, 400, 16}, counts,
                  threads);
    benchmark::DoNotOptimize(counts.Tilt.data());
}

void Compute(benchmark::State& state, unsigned threads)
{
    processing::TAngleField field;
    processing::TAngleCounts counts;
    ComputeInto(field, counts, threads);
    for (auto _ : state)
        ComputeInto(field, counts, threads);
}

void BM_AngleComputeFresh4096(benchmark::State& state)
{
    processing::TAngleCounts counts;
    for (auto _ : state) {
        processing::TAngleField field;
        ComputeInto(field, counts, 0);
    }
}

//! Re-bins in turn at levels `first` and `second` (physical units above -3000 raw).
void Rebin(benchmark::State& state, unsigned threads, double first = 50.0, double second = 0.0)
{
    const std::vector<std::int32_t>& v = Surface();
    processing::TAngleField& field = Field();
    processing::TAngleCounts counts;
    int turn = 0;
    for (auto _ : state) {
        const bool odd = (++turn & 1) != 0;
        field.Bin(v.data(), {-3000, odd ? first : second, odd ? 90 : 400, odd ? 360 : 16}, counts, threads);
        benchmark::DoNotOptimize(counts.Tilt.data());
    }
}

//! Changes one of the window's controls back and forth, as its user does: the bars, the
//! sectors, or the level by one step of the window's level slider (a tenth of the heights,
//! through the middle of the surface), the others kept.
void RebinOne(benchmark::State& state, const processing::TAngleBinning& first, const processing::TAngleBinning& second)
{
    const std::vector<std::int32_t>& v = Surface();
    processing::TAngleField& field = Field();
    processing::TAngleCounts counts;
    field.Bin(v.data(), second, counts, 0);
    int turn = 0;
    for (auto _ : state) {
        field.Bin(v.data(), (++turn & 1) != 0 ? first : second, counts, 0);
        benchmark::DoNotOptimize(counts.Tilt.data());
    }
}

void BM_AngleCompute4096(benchmark::State& state) { Compute(state, 0); }
void BM_AngleBars4096(benchmark::State& state) { RebinOne(state, {-3000, 0.0, 90, 16}, {-3000, 0.0, 400, 16}); }
void BM_AngleSectors4096(benchmark::State& state) { RebinOne(state, {-3000, 0.0, 400, 360}, {-3000, 0.0, 400, 16}); }
void BM_AngleLevel4096(benchmark::State& state) { RebinOne(state, {-3000, 300.0, 400, 16}, {-3000, 260.0, 400, 16}); }
// Two steps (the slider's page step, no limit).
void BM_AngleLevelPage4096(benchmark::State& state) { RebinOne(state, {-3000, 300.0, 400, 16}, {-3000, 220.0, 400, 16}); }
// Bars 400 and 401 in turn, each followed by one step of the level.
void BM_AngleLevelFirst4096(benchmark::State& state)
{
    const std::vector<std::int32_t>& v = Surface();
    processing::TAngleField& field = Field();
    processing::TAngleCounts counts;
    int turn = 0;
    for (auto _ : state) {
        const int bars = 400 + (++turn & 1);
        field.Bin(v.data(), {-3000, 260.0, bars, 16}, counts, 0);
        field.Bin(v.data(), {-3000, 300.0, bars, 16}, counts, 0);
        benchmark::DoNotOptimize(counts.Tilt.data());
    }
}
// Sectors 8, 9, … 360, then again from 8.
void BM_AngleSectorsNew4096(benchmark::State& state)
{
    const std::vector<std::int32_t>& v = Surface();
    processing::TAngleField& field = Field();
    processing::TAngleCounts counts;
    field.Bin(v.data(), {-3000, 0.0, 400, 16}, counts, 0);
    int sectors = 8;
    for (auto _ : state) {
        field.Bin(v.data(), {-3000, 0.0, 400, sectors}, counts, 0);
        sectors = sectors == 360 ? 8 : sectors + 1;
        benchmark::DoNotOptimize(counts.Orientation.data());
    }
}
void BM_AngleCompute4096OneThread(benchmark::State& state) { Compute(state, 1); }
void BM_AngleRebin4096(benchmark::State& state) { Rebin(state, 0); }
void BM_AngleRebin4096OneThread(benchmark::State& state) { Rebin(state, 1); }
// Levels that cut through the surface (heights above 0 and above -1000), so that the level
// decides point by point (no limit).
void BM_AngleRebinCut4096(benchmark::State& state) { Rebin(state, 0, 300.0, 200.0); }

void BM_AnglePlain4096(benchmark::State& state)
{
    const std::vector<std::int32_t>& v = Surface();
    processing::TAngleCounts counts;
    for (auto _ : state) {
        processing::CountAngles(v.data(), Side, Side, processing::WholeRegion(Side, Side), Grid,
                                {-3000, 0.0, 400, 16}, counts);
        benchmark::DoNotOptimize(counts.Tilt.data());
    }
}

}  // namespace

BENCHMARK(BM_OnePass4096)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_AngleCompute4096)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AngleComputeFresh4096)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AngleRebin4096)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AngleBars4096)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AngleSectors4096)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AngleLevel4096)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AngleLevelPage4096)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AngleLevelFirst4096)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AngleSectorsNew4096)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AngleRebinCut4096)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AngleCompute4096OneThread)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AngleRebin4096OneThread)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_AnglePlain4096)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

int main(int argc, char** argv)
{
    return benchsupport::RunAndReport(argc, argv,
                                      {{"BM_AngleCompute4096", "BM_OnePass4096", 3.0},
                                       {"BM_AngleComputeFresh4096", "BM_OnePass4096", 0.0},
                                       {"BM_AngleBars4096", "BM_OnePass4096", 1.0},
                                       {"BM_AngleSectors4096", "BM_OnePass4096", 1.0},
                                       {"BM_AngleLevel4096", "BM_OnePass4096", 1.0},
                                       {"BM_AngleLevelPage4096", "BM_OnePass4096", 0.0},
                                       {"BM_AngleLevelFirst4096", "BM_OnePass4096", 0.0},
                                       {"BM_AngleSectorsNew4096", "BM_OnePass4096", 0.0},
                                       {"BM_AngleRebin4096", "BM_OnePass4096", 0.0},
                                       {"BM_AngleRebinCut4096", "BM_OnePass4096", 0.0},
                                       {"BM_AngleCompute4096OneThread", "BM_OnePass4096", 0.0},
                                       {"BM_AngleRebin4096OneThread", "BM_OnePass4096", 0.0},
                                       {"BM_AnglePlain4096", "BM_OnePass4096", 0.0}});
}
