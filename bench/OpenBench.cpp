// Opening a 4-channel 4096 × 4096 SPM1 file into a data set, against reading the same
// bytes and widening them to 32-bit values in a new buffer.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "BenchData.h"
#include "BenchSupport.h"
#include "data/Fileformat.h"
#include "platform/core/Files.h"

namespace {

const std::string& BenchFile()
{
    static const std::string path = benchdata::WriteSpm1File("morvane-bench-open.spm");
    return path;
}

void BM_ReadAndWiden(benchmark::State& state)
{
    const std::string& path = BenchFile();
    std::vector<std::int16_t> chunk(1 << 19);
    for (auto _ : state) {
        platform::File f(path, platform::File::Mode::Read);
        const std::int64_t samples = (f.Size()) / 2;
        auto* out = static_cast<std::int32_t*>(std::malloc(std::size_t(samples) * 4));
        std::int64_t done = 0;
        for (;;) {
            const std::int64_t n = f.Read(chunk.data(), std::int64_t(chunk.size()) * 2) / 2;
            if (n <= 0)
                break;
            for (std::int64_t i = 0; i < n; ++i)
                out[done + i] = chunk[std::size_t(i)];
            done += n;
        }
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
}

void BM_OpenSpm1(benchmark::State& state)
{
    const std::string& path = BenchFile();
    double peakRatio = 0;
    for (auto _ : state) {
        const long long before = benchsupport::ResidentBytes();
        benchsupport::ResetPeak();
        auto data = benchdata::LoadSpm1File(path);
        if (!data) {
            state.SkipWithError("load failed");
            break;
        }
        data->ComputeStatistics(NoChannel);
        const long long peak = benchsupport::PeakResidentBytes() - before;
        peakRatio = std::max(peakRatio, double(peak) / double(benchdata::DataSetBytes));
        benchmark::DoNotOptimize(data->Channels[3]->Rku);
    }
    state.counters["peak_memory_ratio"] = peakRatio;
}

}  // namespace

BENCHMARK(BM_ReadAndWiden)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(BM_OpenSpm1)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

int main(int argc, char** argv)
{
    const int rc = benchsupport::RunAndReport(argc, argv, {{"BM_OpenSpm1", "BM_ReadAndWiden", 2.0}});
    std::remove(BenchFile().c_str());
    return rc;
}
