// A copy step (TObjectFile::AddStep) of a 4-channel 4096 × 4096 step, against a memcpy
// of the same bytes into a new buffer.

#include <benchmark/benchmark.h>

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

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_AddStep)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

int main(int argc, char** argv)
{
    return benchsupport::RunAndReport(argc, argv, {{"BM_AddStep", "BM_Memcpy", 1.5}});
}
