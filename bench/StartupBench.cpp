// Start-up to a shown, idle main window, against a minimal Qt main window with a menu
// bar. Each start is a fresh process (forked from this one before any Qt object exists)
// that creates its application object and its window, shows it, lets the event loop go
// idle and ends; both run on the offscreen platform.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <sys/wait.h>
#include <unistd.h>

#include "BenchSupport.h"
#include "StartupSupport.h"
#include "app/Application.h"
#include "app/Main.h"
#include "platform/core/Messages.h"

namespace {

using startupsupport::InChild;

void BM_MinimalMainWindow(benchmark::State& state)
{
    InChild(state, [] {
        int argc = 1;
        char name[] = "minimal";
        char* argv[] = {name, nullptr};
        QApplication app(argc, argv);
        QMainWindow window;
        window.menuBar()->addMenu("&File");
        window.show();
        QApplication::processEvents();
    });
}

void BM_MorvaneMainWindow(benchmark::State& state)
{
    InChild(state, [] { startupsupport::StartMorvane(); });
}

}  // namespace

BENCHMARK(BM_MinimalMainWindow)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK(BM_MorvaneMainWindow)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return benchsupport::RunAndReport(argc, argv, {{"BM_MorvaneMainWindow", "BM_MinimalMainWindow", 1.7}});
}
