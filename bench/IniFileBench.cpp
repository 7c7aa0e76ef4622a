// Reading description files of many sections: 100 000 sections (under the reader's size
// limit) against 25 000, so that the ratio shows how reading grows with the sections.

#include <benchmark/benchmark.h>

#include <string>

#include "BenchSupport.h"
#include "platform/core/Files.h"
#include "platform/core/IniFile.h"

namespace {

// A description file of `sections` sections of one key each after its "PlugIn" section.
std::string WriteDescriptionFile(int sections)
{
    std::string text = "[PlugIn]\nType=1\nFile=Bench.dll\nAmountFuncs=1\n";
    for (int k = 1; k <= sections; ++k)
        text += "[F" + std::to_string(k) + "]\n";
    const std::string path =
        platform::JoinPath(benchsupport::ScratchFolder(), "morvane-bench-" + std::to_string(sections) + ".inf");
    platform::File f(path, platform::File::Mode::CreateReplace);
    f.Write(text.data(), static_cast<std::int64_t>(text.size()));
    return path;
}

void ReadSections(benchmark::State& state, int sections)
{
    const std::string path = WriteDescriptionFile(sections);
    for (auto _ : state) {
        platform::TIniFile inf;
        if (!inf.Load(path))
            state.SkipWithError("the description file was refused");
        benchmark::DoNotOptimize(inf.ReadInteger("PlugIn", "Type", -1));
        benchmark::DoNotOptimize(inf.ReadString("F" + std::to_string(sections), "Name", ""));
    }
    platform::DeleteFile(path);
}

void BM_Sections25000(benchmark::State& state) { ReadSections(state, 25000); }
void BM_Sections100000(benchmark::State& state) { ReadSections(state, 100000); }

}  // namespace

BENCHMARK(BM_Sections25000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Sections100000)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    return benchsupport::RunAndReport(argc, argv, {{"BM_Sections100000", "BM_Sections25000", 6.0}});
}
