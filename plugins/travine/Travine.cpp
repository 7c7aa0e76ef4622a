#include "Travine.h"

#include <QWidget>

#include "app/Plugins.h"
#include "platform/plugin/PlugInDialogs.h"
#include "plugins/travine/Main.h"

namespace travine {

using namespace plugindialogs;

std::int32_t StartPlugIn(IPlugIn* host, std::int32_t, std::int32_t object, std::int32_t)
{
    // The code and the channel are not used: the run always works on channels 0 and 1.
    try {
        if (!host)
            return 1;
        if (!host->IsChannelLoaded(object, 0) || !host->IsChannelLoaded(object, 1)) {
            ShowMessage(nullptr, DataAbsent, "");
            return 1;
        }
        auto* mainWindow = static_cast<QWidget*>(host->GetMainWindow());
        TFMain FMain(host, object, mainWindow);
        if (FMain.Refusal() != TRefusal::None)
            return 1;
        Dialogs().Exec(FMain);
        FMain.FormClose();
    } catch (...) {
        ShowMessage(nullptr, "Exception in DLL module", "");
    }
    return 1;
}

} // namespace travine
