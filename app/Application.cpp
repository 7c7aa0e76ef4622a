#include "Application.h"

#include <exception>

#include "platform/core/Messages.h"
#include "platform/gui/Numbers.h"

TMorvaneApplication::TMorvaneApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The name only: a display name of its own would be appended to every window title.
    setApplicationName("Morvane");
    platform::KeepCNumericLocale();
}

bool TMorvaneApplication::notify(QObject* receiver, QEvent* e)
{
    try {
        return QApplication::notify(receiver, e);
    } catch (const std::exception& ex) {
        platform::ShowError(ex.what());
    } catch (...) {
        platform::ShowError("");
    }
    return false;
}
