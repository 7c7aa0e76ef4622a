// Palette markers of an SPM1 channel: loading, saving and swapping a channel of 64 × 64
// with 65 536 markers against the same with 16 384 markers (linear growth gives 4).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "BenchData.h"
#include "BenchSupport.h"
#include "data/Fileformat.h"
#include "data/Options.h"
#include "platform/core/Files.h"

namespace {

constexpr int Side = 64;

// A set of one channel with `count` markers at ascending positions (many equal) and
// colours of their own; fixed seed.
std::unique_ptr<TSurfaceData> MakeSet(const std::string& source, std::int32_t count)
{
    auto data = std::make_unique<TSurfaceData>(source);
    data->Header.FormatVersion = 1;
    data->Header.Width = data->Header.Height = Side;
    auto ch = std::make_unique<TSPMData>(Side, Side, 0);
    ch->Lock();
    for (int i = 0; i < Side * Side; ++i)
        ch->GetData()[i] = i % 1500;
    ch->Unlock();
    ch->ComputeRange();
    std::mt19937 rng(321);
    ch->Markers = std::make_unique<TPALETTEMARKER>();
    for (std::int32_t k = 0; k < count; ++k) {
        const MarkerRecord m{std::int32_t(std::int64_t{k} * 1000 / count), std::int32_t(rng() % 256),
                             std::int32_t(rng() % 256), std::int32_t(rng() % 256)};
        ch->Markers->AddAll(&m, 1);
    }
    ch->BuildPalette();
    data->Channels[0] = std::move(ch);
    data->Present.Include(0);
    return data;
}

// The SPM1 file of MakeSet (count) in the scratch folder, written once.
const std::string& File(std::int32_t count)
{
    static std::string paths[2];
    std::string& path = paths[count == 65536];
    if (path.empty()) {
        RegisterBuiltInFormats();
        path = platform::JoinPath(benchsupport::ScratchFolder(),
                                  "morvane-bench-markers-" + std::to_string(count) + ".spm");
        auto data = MakeSet(path, count);
        ChannelSet channels{0};
        if (SaveWithFormat(FileFormats[1].get(), path, data.get(), &channels) != fmtOk)
            std::abort();
    }
    return path;
}

// The loaded set; null, with the benchmark marked failed, when the file cannot be read.
std::unique_ptr<TSurfaceData> Load(benchmark::State& state, const std::string& path)
{
    auto data = benchdata::LoadSpm1File(path);
    if (!data)
        state.SkipWithError("load failed");
    return data;
}

void LoadMarkers(benchmark::State& state, std::int32_t count)
{
    const std::string& path = File(count);
    for (auto _ : state) {
        auto data = Load(state, path);
        if (!data)
            break;
        benchmark::DoNotOptimize(data->Channels[0]->Markers->GetCount());
    }
}

void SaveMarkers(benchmark::State& state, std::int32_t count)
{
    auto data = Load(state, File(count));
    if (!data)
        return;
    const std::string out = File(count) + ".out";
    for (auto _ : state) {
        ChannelSet channels{0};
        if (SaveWithFormat(FileFormats[1].get(), out, data.get(), &channels) != fmtOk)
            state.SkipWithError("save failed");
    }
    platform::DeleteFile(out);
}

void SwapMarkers(benchmark::State& state, std::int32_t count)
{
    GlobalOptions.TempDir = benchsupport::ScratchFolder() + "/";
    auto data = Load(state, File(count));
    if (!data)
        return;
    for (auto _ : state) {
        data->Release();
        data->Acquire();
        if (data->SwappedOut)
            state.SkipWithError("swap failed");
    }
}

void BM_Load16384(benchmark::State& state) { LoadMarkers(state, 16384); }
void BM_Load65536(benchmark::State& state) { LoadMarkers(state, 65536); }
void BM_Save16384(benchmark::State& state) { SaveMarkers(state, 16384); }
void BM_Save65536(benchmark::State& state) { SaveMarkers(state, 65536); }
void BM_Swap16384(benchmark::State& state) { SwapMarkers(state, 16384); }
void BM_Swap65536(benchmark::State& state) { SwapMarkers(state, 65536); }

}  // namespace

BENCHMARK(BM_Load16384)->Unit(benchmark::kMillisecond)->Iterations(40)->UseRealTime();
BENCHMARK(BM_Load65536)->Unit(benchmark::kMillisecond)->Iterations(40)->UseRealTime();
BENCHMARK(BM_Save16384)->Unit(benchmark::kMillisecond)->Iterations(40)->UseRealTime();
BENCHMARK(BM_Save65536)->Unit(benchmark::kMillisecond)->Iterations(40)->UseRealTime();
BENCHMARK(BM_Swap16384)->Unit(benchmark::kMillisecond)->Iterations(40)->UseRealTime();
BENCHMARK(BM_Swap65536)->Unit(benchmark::kMillisecond)->Iterations(40)->UseRealTime();

int main(int argc, char** argv)
{
    const int rc = benchsupport::RunAndReport(argc, argv,
                                              {{"BM_Load65536", "BM_Load16384", 6.0},
                                               {"BM_Save65536", "BM_Save16384", 6.0},
                                               {"BM_Swap65536", "BM_Swap16384", 6.0}});
    std::remove(File(16384).c_str());
    std::remove(File(65536).c_str());
    return rc;
}
