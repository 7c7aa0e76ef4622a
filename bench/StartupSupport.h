#pragma once
// What the start-up benchmarks share: each start is a fresh process, forked from the
// benchmark before any Qt object exists, that creates its application object and its
// window, shows it, lets the event loop go idle and ends.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstddef>
#include <sys/wait.h>
#include <unistd.h>

#include "app/Application.h"
#include "app/Main.h"
#include "app/Pluginmanager.h"
#include "platform/core/Messages.h"

namespace startupsupport {

//! Runs `start` in a forked child per iteration; a child that does not end with 0 marks
//! the benchmark as failed.
template <typename Start>
void InChild(benchmark::State& state, Start start)
{
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) {
            start();
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("the child did not start");
    }
}

//! Morvane's start: its application object and its main window, shown and idle. The
//! number of plug-in functions the window found.
inline std::size_t StartMorvane()
{
    int argc = 1;
    char name[] = "Morvane";
    char* argv[] = {name, nullptr};
    TMorvaneApplication app(argc, argv);
    platform::MessageRecorder quiet;
    TMainForm window;
    window.show();
    QApplication::processEvents();
    return window.PlugInManager->Functions.size();
}

}  // namespace startupsupport
