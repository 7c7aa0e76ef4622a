// Start-up to a shown, idle main window, against a minimal Qt main window with a menu
// bar, both on the offscreen platform.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#include "BenchSupport.h"
#include "app/Main.h"
#include "platform/core/Messages.h"

namespace {

void BM_MinimalMainWindow(benchmark::State& state)
{
    for (auto _ : state) {
        QMainWindow window;
        window.menuBar()->addMenu("&File");
        window.show();
        QApplication::processEvents();
    }
}

void BM_MorvaneMainWindow(benchmark::State& state)
{
    platform::MessageRecorder quiet;
    for (auto _ : state) {
        TMainForm window;
        window.show();
        QApplication::processEvents();
    }
}

}  // namespace

BENCHMARK(BM_MinimalMainWindow)->Unit(benchmark::kMillisecond)->Iterations(50)->UseRealTime();
BENCHMARK(BM_MorvaneMainWindow)->Unit(benchmark::kMillisecond)->Iterations(50)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return benchsupport::RunAndReport(argc, argv, {{"BM_MorvaneMainWindow", "BM_MinimalMainWindow", 1.5}});
}
