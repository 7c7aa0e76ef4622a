// Swapping a 4-channel 4096 × 4096 data set out and back in, against writing and
// reading the same bytes plainly.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "BenchData.h"
#include "BenchSupport.h"
#include "data/Options.h"
#include "platform/core/Files.h"

namespace {

void BM_PlainWriteRead(benchmark::State& state)
{
    auto data = benchdata::MakeSet("");
    const std::string path = platform::JoinPath(benchsupport::ScratchFolder(), "morvane-bench-plain");
    for (auto _ : state) {
        {
            platform::File f(path, platform::File::Mode::CreateReplace);
            for (int c = 0; c < benchdata::Channels; ++c)
                f.Write(data->Channels[c]->Block->Address(), std::int64_t(data->Channels[c]->Block->Size()));
        }
        platform::File f(path, platform::File::Mode::Read);
        for (int c = 0; c < benchdata::Channels; ++c) {
            const std::size_t bytes = data->Channels[c]->Block->Size();
            void* back = std::malloc(bytes);
            f.Read(back, std::int64_t(bytes));
            benchmark::DoNotOptimize(back);
            std::free(back);
        }
    }
    platform::DeleteFile(path);
}

void BM_SwapOutAndIn(benchmark::State& state)
{
    GlobalOptions.TempDir = benchsupport::ScratchFolder() + "/";
    auto data = benchdata::MakeSet("");
    for (auto _ : state) {
        data->Release();
        if (!data->SwappedOut)
            state.SkipWithError("swap-out failed");
        data->Acquire();
        if (data->SwappedOut)
            state.SkipWithError("reload failed");
    }
}

}  // namespace

BENCHMARK(BM_PlainWriteRead)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(BM_SwapOutAndIn)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

int main(int argc, char** argv)
{
    return benchsupport::RunAndReport(argc, argv, {{"BM_SwapOutAndIn", "BM_PlainWriteRead", 2.0}});
}
