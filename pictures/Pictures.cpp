#include "pictures/Pictures.h"

#include <QtGlobal>

// The pictures live in this static library: registering them here keeps the linker from
// dropping them.
void RegisterPictures()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(Pictures);
        return true;
    }();
    (void)registered;
}
