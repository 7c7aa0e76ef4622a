// Opening a 4-channel 4096 × 4096 SPM1 file through the main window, without the 2-D
// view's drawing (a stand-in view holds the data set as the real one does), against the
// data-level open: info, load and the statistics of every channel.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <cstdio>
#include <memory>

#include "BenchData.h"
#include "BenchSupport.h"
#include "app/Main.h"
#include "data/Fileformat.h"
#include "data/ObjectFile.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"

namespace {

// A view that holds its data-set reference and draws nothing.
class SilentView : public TStepWindow {
public:
    SilentView(TObjectSPM* step, int channel) : data_(step->SurfaceData.get()), channel_(channel)
    {
        data_->Acquire();
    }
    ~SilentView() override { data_->Release(); }
    int Channel() const override { return channel_; }

private:
    TSurfaceData* data_;
    int channel_;
};

class BenchMainForm : public TMainForm {
public:
    TStepWindow* CreateChannelView(TObjectSPM* step, int channel) override
    {
        return new SilentView(step, channel);
    }
};

const std::string& BenchFile()
{
    static const std::string path = benchdata::WriteSpm1File("morvane-bench-main.spm");
    return path;
}

void BM_DataLevelOpen(benchmark::State& state)
{
    const std::string& path = BenchFile();
    RegisterBuiltInFormats();
    for (auto _ : state) {
        auto data = std::make_unique<TSurfaceData>(path);
        ReadInfoWithFormat(FileFormats[1].get(), 1, data.get());
        ChannelSet channels = data->Available;
        LoadWithFormat(FileFormats[1].get(), path, data.get(), &channels);
        data->ComputeStatistics(NoChannel);
        benchmark::DoNotOptimize(data->Channels[3]->Rku);
    }
}

void BM_MainWindowOpen(benchmark::State& state)
{
    const std::string& path = BenchFile();
    platform::MessageRecorder quiet;
    BenchMainForm main;
    for (auto _ : state) {
        main.OpenSPMFile(path);
        state.PauseTiming();
        if (main.cbObjectFile->count() != 1)
            state.SkipWithError("not opened");
        main.sbCloseFileClick();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_DataLevelOpen)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
BENCHMARK(BM_MainWindowOpen)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rc = benchsupport::RunAndReport(argc, argv, {{"BM_MainWindowOpen", "BM_DataLevelOpen", 1.2}});
    std::remove(BenchFile().c_str());
    return rc;
}
