// The program's entry: the application titled "Morvane", its single main window, and the
// message loop until that window closes.

#include <exception>

#include "Application.h"
#include "Main.h"
#include "platform/core/Messages.h"
#include "platform/gui/QtServices.h"

int main(int argc, char** argv)
{
    TMorvaneApplication app(argc, argv);
    platform::InstallQtServices();
    try {
        TMainForm main;
        main.showMaximized();
        return app.exec();
    } catch (const std::exception& ex) {
        platform::ShowError(ex.what());
    } catch (...) {
        platform::ShowError("");
    }
    return 1;
}
