#pragma once
// Where a new child window of an MDI workspace opens when it asks for no place of its own:
// the desktop's cascade, each new child one title bar lower and further right than the one
// before, starting again at the top-left corner before a child would reach past the
// workspace's visible area. The program's windows and the plug-ins' share it, so that the
// cascade goes on across both.

class QMdiArea;
class QMdiSubWindow;

namespace platform {

//! Moves `child`, a subwindow of `area` at its final size, to the next place of the area's
//! cascade where it lies wholly inside the area's viewport; a child larger than the viewport
//! goes to its top-left corner. The cascade's count is kept by the area itself.
void PlaceAtDefaultPosition(QMdiArea& area, QMdiSubWindow& child);

} // namespace platform
