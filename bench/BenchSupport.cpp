#include "BenchSupport.h"

#include "BenchData.h"
#include "platform/core/Files.h"
#include "platform/core/Parallel.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace benchsupport {

namespace {

class RecordingReporter : public benchmark::ConsoleReporter {
public:
    RecordingReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
                std::string name = r.benchmark_name();
                const auto slash = name.find('/');
                if (slash != std::string::npos)
                    name = name.substr(0, slash);
                seconds[name].push_back(r.GetAdjustedRealTime() /
                                        benchmark::GetTimeUnitMultiplier(r.time_unit));
            }
    }
    //! The median of the repetitions of each benchmark, in seconds.
    std::map<std::string, double> Medians() const
    {
        std::map<std::string, double> medians;
        for (auto [name, times] : seconds) {
            std::sort(times.begin(), times.end());
            const std::size_t n = times.size();
            medians[name] = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
        }
        return medians;
    }
    std::map<std::string, std::vector<double>> seconds;
};

//! The load average of the last minute, five and fifteen minutes, as /proc gives it.
std::string LoadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    if (!(in >> one >> five >> fifteen))
        return "unknown";
    return one + " " + five + " " + fifteen;
}

long long StatusField(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) {
            std::istringstream s(line.substr(std::string(field).size()));
            long long kb = 0;
            s >> kb;
            return kb * 1024;
        }
    return -1;
}

}  // namespace

int RunAndReport(int argc, char** argv, const std::vector<Ratio>& ratios, bool interleave)
{
    // Each figure is the median of at least kRepetitions runs of its benchmark, unless the
    // command line asks for another number.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=" + std::to_string(kRepetitions);
    std::string interleaving = "--benchmark_enable_random_interleaving=true";
    bool repetitionsGiven = false;
    bool interleavingGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        repetitionsGiven = repetitionsGiven || arg.rfind("--benchmark_repetitions", 0) == 0;
        interleavingGiven = interleavingGiven || arg.rfind("--benchmark_enable_random_interleaving", 0) == 0;
    }
    if (!repetitionsGiven)
        args.push_back(repetitions.data());
    if (interleave && !interleavingGiven)
        args.push_back(interleaving.data());
    int count = int(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    // A ratio measured on a busy machine is seen as such.
    std::printf("load average %s; %u workers\n", LoadAverage().c_str(),
                platform::CoreCount());
    std::fflush(stdout);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nmedians of the repetitions; load average now %s\n", LoadAverage().c_str());
    const auto medians = reporter.Medians();
    for (const auto& r : ratios) {
        const auto m = medians.find(r.Measured);
        const auto b = medians.find(r.Baseline);
        if (m == medians.end() || b == medians.end() || b->second <= 0)
            continue;
        const double ratio = m->second / b->second;
        if (r.Limit > 0)
            std::printf("ratio %s / %s = %.2f (within %.2f: %s)\n", r.Measured.c_str(),
                        r.Baseline.c_str(), ratio, r.Limit, ratio <= r.Limit ? "yes" : "NO");
        else
            std::printf("ratio %s / %s = %.2f\n", r.Measured.c_str(), r.Baseline.c_str(), ratio);
    }
    benchmark::Shutdown();
    return 0;
}

long long ResidentBytes() { return StatusField("VmRSS:"); }
long long PeakResidentBytes() { return StatusField("VmHWM:"); }

bool ResetPeak()
{
    std::ofstream f("/proc/self/clear_refs");
    f << "5";
    f.flush();
    return static_cast<bool>(f);
}

std::string ScratchFolder()
{
    if (const char* d = std::getenv("MORVANE_BENCH_DIR"))
        return d;
    if (const char* t = std::getenv("TMPDIR"))
        return t;
    return "/tmp";
}

}  // namespace benchsupport

namespace benchdata {

std::string WriteSpm1File(const std::string& name)
{
    RegisterBuiltInFormats();
    const std::string path = platform::JoinPath(benchsupport::ScratchFolder(), name);
    auto data = MakeSet(path);
    ChannelSet all{0, 1, 2, 3};
    if (SaveWithFormat(FileFormats[1].get(), path, data.get(), &all) != fmtOk)
        std::abort();
    return path;
}

std::unique_ptr<TSurfaceData> LoadSpm1File(const std::string& path)
{
    auto data = std::make_unique<TSurfaceData>(path);
    if (ReadInfoWithFormat(FileFormats[1].get(), 1, data.get()) != fmtOk)
        return nullptr;
    ChannelSet channels = data->Available;
    if (LoadWithFormat(FileFormats[1].get(), path, data.get(), &channels) != fmtOk)
        return nullptr;
    data->Present = channels;
    return data;
}

}  // namespace benchdata
