#include "Kwt.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <algorithm>
#include <vector>

#include "app/Plugins.h"
#include "platform/gui/MdiPlacement.h"
#include "platform/plugin/PlugInDialogs.h"
#include "plugins/kwt/KWTAnalysis.h"

namespace kwt {

namespace {

// The library's state, shared by every start.
struct TLibrary {
    IPlugIn* Host = nullptr; // of the latest start
    std::int32_t Object = 0;
    std::int32_t Channel = 0;
    std::int32_t Code = 0; // kept; every function of the library runs the same analysis
    bool ApplicationTaken = false;
    //! The open analysis windows of every start; a closed window is gone from it.
    std::vector<QPointer<TFKWTAnalysis>> AnalysisWindows;
};

TLibrary& Library()
{
    static TLibrary library;
    return library;
}

void Forget()
{
    auto& windows = Library().AnalysisWindows;
    windows.erase(
        std::remove_if(windows.begin(), windows.end(), [](const auto& w) { return w.isNull(); }),
        windows.end());
}

// Shows the window as a child window of the main window's workspace, freed when it closes;
// a main window without a workspace gets it as a window of its own above it.
void Show(TFKWTAnalysis* window, QWidget* mainWindow)
{
    QMdiArea* workspace = mainWindow ? mainWindow->findChild<QMdiArea*>() : nullptr;
    if (workspace) {
        QMdiSubWindow* child = workspace->addSubWindow(window);
        child->setAttribute(Qt::WA_DeleteOnClose);
        child->setMinimumSize(child->minimumSizeHint().expandedTo(window->minimumSize()));
        child->resize(window->size());
        platform::PlaceAtDefaultPosition(*workspace, *child);
        child->show();
    } else {
        window->setParent(mainWindow, Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    }
}

} // namespace

std::int32_t StartPlugIn(IPlugIn* host, std::int32_t code, std::int32_t, std::int32_t channel)
{
    TLibrary& library = Library();
    library.Host = host;
    library.Channel = channel;
    library.Code = code;
    library.Object = 0; // the object the host names is not used: its current step is 0
    if (!host)
        return 0;
    try {
        // The program's application object serves every library of the process already.
        if (!library.ApplicationTaken) {
            host->GetApplication();
            library.ApplicationTaken = true;
        }
        auto* mainWindow = static_cast<QWidget*>(host->GetMainWindow());
        auto* window = new TFKWTAnalysis(host, channel);
        Show(window, mainWindow);
        Forget();
        library.AnalysisWindows.push_back(window);
    } catch (...) {
        plugindialogs::ShowMessage(nullptr, "Exception in DLL module", "");
    }
    return 0;
}

void StopPlugIn()
{
    auto windows = std::move(Library().AnalysisWindows);
    Library().AnalysisWindows.clear();
    for (const QPointer<TFKWTAnalysis>& window : windows) {
        if (!window)
            continue;
        auto* child = qobject_cast<QMdiSubWindow*>(window->parentWidget());
        if (child)
            delete child;
        else
            delete window.data();
    }
}

std::int32_t DeleteData(std::int32_t, std::int32_t)
{
    return 0;
}

int AnalysisWindowCount()
{
    Forget();
    return static_cast<int>(Library().AnalysisWindows.size());
}

} // namespace kwt
