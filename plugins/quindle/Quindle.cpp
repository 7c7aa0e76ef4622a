#include "Quindle.h"

#include <string>

#include "app/Plugins.h"
#include "plugins/quindle/DimentionForm.h"
#include "plugins/quindle/Dialogs.h"
#include "plugins/quindle/Multifractal.h"
#include "plugins/quindle/Progress.h"

namespace quindle {

namespace {

// The state of one start.
struct TRun {
    IPlugIn* Host = nullptr;
    std::int32_t Code = 0;  // kept; every function of the library runs the same analysis
    std::int32_t Object = 0;
    std::int32_t Channel = 0;
    std::string XYUnit;
    TLevels Levels;
    float XStep = 0;  // read by the worker
    float YStep = 0;
    TDimension Result;
};

void Refuse(QWidget* owner, const std::string& text)
{
    ShowMessage(owner, text, "Error", TMessageIcon::Error);
}

void ShowException(QWidget* owner)
{
    ShowMessage(owner, "Exception in DLL module", "");
}

// The work behind the progress dialog, on the worker thread.
int LevelRatiosWork(TRun& run, TProgressThread* thread)
{
    if (thread->IsTerminated())
        return 0;
    thread->SetPosition(0);
    run.XStep = static_cast<float>(run.Host->GetXStep(run.Object, run.Channel));
    run.YStep = static_cast<float>(run.Host->GetYStep(run.Object, run.Channel));
    return ComputeLevelRatios(run.Levels, run.XStep, run.YStep, *thread, run.Result) ? 1 : 0;
}

void Analyse(TRun& run, QWidget* mainWindow)
{
    const std::int32_t* data = run.Host->LockData(run.Object, run.Channel);
    const std::int32_t height = run.Host->GetHeight(run.Object, run.Channel);
    const std::int32_t width = run.Host->GetWidth(run.Object, run.Channel);
    if (!data) {
        Refuse(mainWindow, "Lock data");
        return;
    }
    const std::string cannot = CannotBeComputed;
    switch (NormaliseLevels(data, width, height, run.Levels)) {
    case TLevelsStatus::NoData: Refuse(mainWindow, cannot + ": the channel holds no values"); return;
    case TLevelsStatus::Flat: Refuse(mainWindow, cannot + ": the channel is flat"); return;
    case TLevelsStatus::Ok: break;
    }
    if (run.Levels.R == 0) {
        Refuse(mainWindow, cannot + ": the heights vary by less than one level");
        return;
    }

    TProgressForm progress(mainWindow);
    progress.SetAbort(&AbortCalculation);
    progress.SetWork([&run](TProgressThread* thread) { return LevelRatiosWork(run, thread); });
    progress.setWindowTitle("Calculating...");
    progress.SetMax(AnalysedBand(run.Levels).High + 1);
    const int answer = Dialogs().Exec(progress);
    if (progress.WorkFailed()) {
        ShowException(mainWindow);
        return;
    }
    if (answer != mrOk || progress.WorkResult() != 1)
        return;
    if (!run.Result.Defined()) {
        Refuse(mainWindow, cannot + ": no level has both an area and a perimeter");
        return;
    }

    TForm1 Form1(TParentWindow{mainWindow});
    Form1.Report = {height, width, run.XStep, run.YStep, run.XYUnit, run.Result.D};
    Form1.ShowResult(PlotPoints(run.Result), run.Result.D);
    Dialogs().Exec(Form1);
}

}  // namespace

void AbortCalculation() {}

std::int32_t StartPlugIn(IPlugIn* host, std::int32_t code, std::int32_t object, std::int32_t channel)
{
    QWidget* mainWindow = nullptr;
    try {
        if (!host)
            return 1;
        TRun run;
        run.Host = host;
        run.Code = code;
        run.Object = object;
        run.Channel = channel;
        const char* unit = host->GetXYUnit(object, channel);
        run.XYUnit = unit ? unit : "";
        mainWindow = static_cast<QWidget*>(host->GetMainWindow());
        Analyse(run, mainWindow);
    } catch (...) {
        try {
            ShowException(mainWindow);
        } catch (...) {
        }
    }
    return 1;
}

}  // namespace quindle
