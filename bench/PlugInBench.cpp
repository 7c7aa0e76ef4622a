// The plug-in host's costs, each as a ratio in one run:
// - a pass over a 4096 × 4096 channel through the host interface, as a plug-in makes it
//   (LockData, GetWidth, GetHeight, then the matrix), against the same pass over the
//   channel's matrix locked directly;
// - start-up to an idle main window with three description files and their libraries in
//   PlugIns/, against start-up with an empty PlugIns/ (libraries load on first use only).
// Start-ups are fresh processes forked before any Qt object exists, on the offscreen
// platform, like the start-up benchmark's.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "BenchData.h"
#include "BenchSupport.h"
#include "StartupSupport.h"
#include "TestPlugInHook.h"
#include "app/Main.h"
#include "app/Pluginmanager.h"
#include "app/Plugins.h"
#include "data/ObjectFile.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"

namespace fs = std::filesystem;

namespace {
IPlugIn* runningHost = nullptr;
}  // namespace

// The test plug-in reports its start here; it keeps running (answer 0).
extern "C" __attribute__((used, visibility("default"))) std::int32_t
MorvaneTestPlugInEvent(IPlugIn* host, const char* event, std::int32_t, std::int32_t)
{
    if (std::string(event).rfind("start", 0) == 0)
        runningHost = host;
    return 0;
}

namespace {

// Program folders with an empty PlugIns/ and with three plug-ins.
struct Folders {
    std::string Root = benchsupport::ScratchFolder() + "/morvane-plugin-bench-" + std::to_string(::getpid()) + "/";
    std::string Empty = Root + "empty/";
    std::string Three = Root + "three/";
    Folders()
    {
        fs::create_directories(Empty + "PlugIns");
        fs::create_directories(Three + "PlugIns");
        for (const char* name : {"A", "B", "C"}) {
            fs::copy_file(MORVANE_TEST_PLUGIN, Three + "PlugIns/" + name + ".so");
            std::ofstream(Three + "PlugIns/" + name + ".inf")
                << "[PlugIn]\nType=1\nFile=" << name << ".dll\nAmountFuncs=2\n[Function1]\nName=One\nCode="
                << tpAskHost << "\n[Function2]\nName=Two\nCode=1\n";
        }
    }
    ~Folders()
    {
        std::error_code e;
        fs::remove_all(Root, e);
    }
};

Folders& TheFolders()
{
    static Folders folders;
    return folders;
}

void StartIn(benchmark::State& state, const std::string& folder)
{
    const bool empty = folder == TheFolders().Empty;
    startupsupport::InChild(state, [&] {
        platform::SetProgramFolderForTesting(folder);
        if ((startupsupport::StartMorvane() == 0) != empty)
            _exit(1);
    });
}

void BM_StartWithEmptyPlugIns(benchmark::State& state) { StartIn(state, TheFolders().Empty); }
void BM_StartWithThreePlugIns(benchmark::State& state) { StartIn(state, TheFolders().Three); }

// The main window with a 4096 × 4096 step and a running plug-in on it; made once, after
// the start-ups have forked.
struct Running {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<platform::MessageRecorder> quiet;
    std::unique_ptr<TMainForm> main;
    TSPMData* channel = nullptr;
    Running()
    {
        static int argc = 1;
        static char name[] = "bench";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        quiet = std::make_unique<platform::MessageRecorder>();
        platform::SetProgramFolderForTesting(TheFolders().Three);
        main = std::make_unique<TMainForm>();
        auto data = benchdata::MakeSet("bench.spm");
        TSurfaceData* set = data.get();
        auto* file = new TObjectFile("bench.spm");
        file->AppendStep("Load", std::make_unique<TObjectSPM>(file, std::move(data)));
        main->CurrentFile = file;
        main->AddFileToList(file);
        set->Release();
        main->PlugInManager->Start(0);
        channel = set->Channel(0);
    }
};

Running& TheRun()
{
    static Running run;
    return run;
}

void BM_DirectPass(benchmark::State& state)
{
    TSPMData* ch = TheRun().channel;
    for (auto _ : state) {
        ch->Lock();
        const std::int32_t* v = ch->Data;
        const std::int64_t n = ch->SampleCount();
        std::int64_t sum = 0;
        for (std::int64_t i = 0; i < n; ++i)
            sum += v[i];
        ch->Unlock();
        benchmark::DoNotOptimize(sum);
    }
}

void BM_HostPass(benchmark::State& state)
{
    TheRun();
    IPlugIn* host = runningHost;
    if (!host) {
        state.SkipWithError("the plug-in did not start");
        return;
    }
    for (auto _ : state) {
        const std::int32_t* v = host->LockData(0, 0);
        const std::int64_t n = std::int64_t{host->GetWidth(0, 0)} * host->GetHeight(0, 0);
        std::int64_t sum = 0;
        for (std::int64_t i = 0; i < n; ++i)
            sum += v[i];
        benchmark::DoNotOptimize(sum);
    }
}

}  // namespace

BENCHMARK(BM_StartWithEmptyPlugIns)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK(BM_StartWithThreePlugIns)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
// The two passes are the same work over the same memory, so the ratio shows only the host's
// cost and the noise of the memory, which changes within a second; many short repetitions,
// taken in random order, let both sides see the same noise.
BENCHMARK(BM_DirectPass)->Unit(benchmark::kMillisecond)->Repetitions(61)->MinTime(0.02);
BENCHMARK(BM_HostPass)->Unit(benchmark::kMillisecond)->Repetitions(61)->MinTime(0.02);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TheFolders();
    const int result = benchsupport::RunAndReport(
        argc, argv,
        {{"BM_HostPass", "BM_DirectPass", 1.1}, {"BM_StartWithThreePlugIns", "BM_StartWithEmptyPlugIns", 1.2}},
        /*interleave=*/true);
    platform::SetProgramFolderForTesting("");
    return result;
}
