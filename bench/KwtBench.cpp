// Kwt's analysis of 512 sweeps of 2048 points (peaks, widths, quality, amplitude and phase
// of every sweep) against one pass over the amplitude matrix (the sum of its values).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "BenchSupport.h"
#include "plugins/kwt/Resonance.h"

namespace {

constexpr int Width = 2048;
constexpr int Rows = 512;

struct Sweeps {
    std::vector<std::int32_t> Amplitude;
    std::vector<std::int32_t> Phase;
    Sweeps() : Amplitude(std::size_t(Width) * Rows), Phase(std::size_t(Width) * Rows)
    {
        // A resonance curve per sweep, its peak moving with the distance, with noise.
        std::mt19937 rng(7);
        for (int s = 0; s < Rows; ++s) {
            const double f0 = 600 + s;
            for (int i = 0; i < Width; ++i) {
                const double d = (i - f0) / 12.0;
                const std::size_t at = std::size_t(s) * Width + i;
                Amplitude[at] = static_cast<std::int32_t>(10000 / (1 + d * d)) +
                                static_cast<std::int32_t>(rng() % 50);
                Phase[at] = static_cast<std::int32_t>(1000 * std::atan(d));
            }
        }
    }
};

const Sweeps& Data()
{
    static const Sweeps sweeps;
    return sweeps;
}

void BM_MatrixPass(benchmark::State& state)
{
    const auto& a = Data().Amplitude;
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (std::int32_t v : a)
            sum += v;
        benchmark::DoNotOptimize(sum);
    }
}

void BM_Analysis(benchmark::State& state)
{
    kwt::TSweepSettings settings;
    settings.FreqStepKHz = 0.05;
    settings.DistanceStep = 2.5;
    settings.AmplitudeScale = 0.5;
    settings.PhaseScale = 0.1;
    settings.StartFrequency = 10000;
    const Sweeps& d = Data();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            kwt::AnalyseResonance(d.Amplitude.data(), d.Phase.data(), Width, Rows, settings));
}

} // namespace

BENCHMARK(BM_MatrixPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Analysis)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    return benchsupport::RunAndReport(argc, argv, {{"BM_Analysis", "BM_MatrixPass", 2}});
}
