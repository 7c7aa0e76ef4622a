#include "Application.h"

#include <exception>

#include "platform/core/Messages.h"
#include "platform/gui/Numbers.h"
#include "platform/gui/QuietPictures.h"

TMorvaneApplication::TMorvaneApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The name only: a display name of its own would be appended to every window title.
    setApplicationName("Morvane");
    platform::KeepCNumericLocale();
    // The style as it is, but the pictures it reads while the main window is built do not
    // load the image-format plug-ins.
    setStyle(new platform::TQuietPictureStyle(style()));
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
