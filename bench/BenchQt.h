#pragma once
// Runs the benchmarks of a program that shows windows: on the offscreen platform unless
// another is asked for, with an application object and every message box answered quietly.

#include <QApplication>

#include "BenchSupport.h"
#include "platform/core/Messages.h"

namespace benchsupport {

inline int RunQtBenchmarks(int argc, char** argv, const std::vector<Ratio>& ratios)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::MessageRecorder quiet;
    return RunAndReport(argc, argv, ratios);
}

} // namespace benchsupport
