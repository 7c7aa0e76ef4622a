#include "Application.h"

#include <exception>

#include "platform/core/Messages.h"

TMorvaneApplication::TMorvaneApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName("Morvane");
    setApplicationDisplayName("Morvane");
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
