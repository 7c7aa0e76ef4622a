#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <mutex>

#include "platform/gui/Bitmap.h"

namespace platform {

bool CopyToClipboard(const TBitmap& bitmap)
{
    if (bitmap.Empty() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    QImage picture;
    bitmap.Canvas()->Lock();
    // An opaque copy of its own: the clipboard keeps it after the bitmap changes.
    picture = bitmap.Image().convertToFormat(QImage::Format_RGB888);
    bitmap.Canvas()->Unlock();
    if (picture.isNull())
        return false;
    QGuiApplication::clipboard()->setImage(picture);
    return true;
}

} // namespace platform
