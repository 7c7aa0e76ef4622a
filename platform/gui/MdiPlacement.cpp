#include "platform/gui/MdiPlacement.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <algorithm>

namespace platform {

namespace {

//! The area's property that counts the children placed at their default position.
constexpr char kCascadeCount[] = "morvaneCascadeCount";

} // namespace

void PlaceAtDefaultPosition(QMdiArea& area, QMdiSubWindow& child)
{
    const QSize room = area.viewport()->size();
    const QSize size = child.size();
    QStyle* style = child.style();
    // One step of the cascade: a title bar and a frame.
    const int spacing =
        std::max(1, style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &child) +
                        style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &child));
    // As many places as a third of the workspace's height holds steps, and the corner.
    const int places = std::max(0, room.height()) / (3 * spacing) + 1;
    const int count = area.property(kCascadeCount).toInt();
    area.setProperty(kCascadeCount, count + 1);
    int offset = (count % places) * spacing;
    if (offset + size.width() > room.width() || offset + size.height() > room.height())
        offset = 0;
    child.move(offset, offset);
}

} // namespace platform
