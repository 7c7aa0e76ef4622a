// A copy step (TObjectFile::AddStep) of a 4-channel 4096 × 4096 step, against a memcpy
// of the same bytes into a new buffer; and a crop of a 2048 × 2048 rectangle of a 4096 × 4096
// channel into a new step, against a memcpy of the rectangle's rows into a new block.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "BenchData.h"
#include "BenchSupport.h"
#include "data/ObjectFile.h"

namespace {

void BM_Memcpy(benchmark::State& state)
{
    auto data = benchdata::MakeSet("");
    for (auto _ : state) {
        for (int c = 0; c < benchdata::Channels; ++c) {
            const std::size_t bytes = data->Channels[c]->Block->Size();
            void* copy = std::malloc(bytes);
            std::memcpy(copy, data->Channels[c]->Block->Address(), bytes);
            benchmark::DoNotOptimize(copy);
            state.PauseTiming();
            std::free(copy);
            state.ResumeTiming();
        }
    }
}

void BM_AddStep(benchmark::State& state)
{
    TObjectFile file("bench.spm");
    file.AppendStep("Load", std::make_unique<TObjectSPM>(&file, benchdata::MakeSet("bench.spm")));
    TObjectSPM* source = file.CurrentStep;
    for (auto _ : state) {
        file.CurrentStep = source;
        TObjectSPM* copy = file.AddStep("Copy");
        if (!copy)
            state.SkipWithError("copy refused");
        state.PauseTiming();
        file.DeleteStep(copy);
        state.ResumeTiming();
    }
}

constexpr int CutSide = 2048, CutLeft = 1000, CutTop = 700;

void BM_RowsMemcpy(benchmark::State& state)
{
    const auto step = benchdata::MakeStep(benchdata::Side);
    const auto* from =
        static_cast<const std::int32_t*>(step->SurfaceData->Channels[0]->Block->Address());
    for (auto _ : state) {
        auto* copy = static_cast<std::int32_t*>(std::malloc(std::size_t(CutSide) * CutSide * 4));
        for (int r = 0; r < CutSide; ++r)
            std::memcpy(copy + std::size_t(r) * CutSide,
                        from + std::size_t(CutTop + r) * benchdata::Side + CutLeft, CutSide * 4);
        benchmark::DoNotOptimize(copy);
        state.PauseTiming();
        std::free(copy);
        state.ResumeTiming();
    }
}

void BM_CropStep(benchmark::State& state)
{
    TObjectFile file("bench.spm");
    const auto source = benchdata::MakeStep(benchdata::Side);
    source->SurfaceData->Acquire(); // held, as the step a crop is made from is
    for (auto _ : state) {
        auto cut =
            std::make_unique<TObjectSPM>(&file, "Crop", 2, CutLeft, CutTop, CutLeft + CutSide - 1,
                                         CutTop + CutSide - 1, *source);
        if (!cut->Loaded())
            state.SkipWithError("crop refused");
        state.PauseTiming();
        cut.reset();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_RowsMemcpy)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_CropStep)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_AddStep)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

int main(int argc, char** argv)
{
    return benchsupport::RunAndReport(
        argc, argv, {{"BM_AddStep", "BM_Memcpy", 1.5}, {"BM_CropStep", "BM_RowsMemcpy", 1.5}});
}
