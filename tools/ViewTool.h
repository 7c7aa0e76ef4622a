#pragma once
// What a tool needs to borrow a 2-D view: the view lends its image's mouse events, its
// overlay-repaint and tool-change callbacks, its canvas and its point-to-pixel mapping to
// one tool at a time (a profile window or the crop tool). A tool binds the five hooks with
// itself as their owner, so that it releases them only while they are still its own, and it
// draws its overlay with an inverting pen, so that drawing the same figure twice erases it.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/gui/Canvas.h"
#include "platform/gui/Input.h"
#include "processing/GridSelection.h"

class TView2DForm;
class TObjectSPM;
class TToolEdit;

//! The handlers a tool binds to a view.
struct TViewToolHandlers {
    platform::TMouseEvent MouseDown;
    platform::TMouseMoveEvent MouseMove;
    platform::TMouseEvent MouseUp;
    std::function<void(TView2DForm* Sender)> Repainted;
    std::function<void(QWidget* window)> ToolChanged;
};

//! Binds the view's five hooks to the handlers of the tool `owner` (a null view: nothing).
void BindViewHooks(TView2DForm* view, const void* owner, TViewToolHandlers handlers);
//! Binds the view's hooks to the tool's handlers ViewMouseDown, ViewMouseMove, ViewMouseUp,
//! ViewRepainted and ViewToolChanged, with the tool as their owner.
template <class Tool>
void BindToolHooks(TView2DForm* view, Tool* tool)
{
    TViewToolHandlers h;
    h.MouseDown = [tool](QObject* s, platform::TMouseButton b, platform::TShiftState sh, int x,
                         int y) { tool->ViewMouseDown(s, b, sh, x, y); };
    h.MouseMove = [tool](QObject* s, platform::TShiftState sh, int x, int y) {
        tool->ViewMouseMove(s, sh, x, y);
    };
    h.MouseUp = [tool](QObject* s, platform::TMouseButton b, platform::TShiftState sh, int x,
                       int y) { tool->ViewMouseUp(s, b, sh, x, y); };
    h.Repainted = [tool](TView2DForm* sender) { tool->ViewRepainted(sender); };
    h.ToolChanged = [tool](QWidget* window) { tool->ViewToolChanged(window); };
    BindViewHooks(view, tool, std::move(h));
}
//! Clears the view's five hooks while they are still `owner`'s; hooks that another tool
//! has bound since stay untouched.
void ReleaseViewHooks(TView2DForm* view, const void* owner);
//! Whether `owner` holds the view's hooks.
bool HoldsViewHooks(const TView2DForm* view, const void* owner);

//! The grid-to-pixel mapping of the view's picture.
processing::TGridMapping MappingOf(const TView2DForm* view);

//! The 2-D view of a channel slot of the step, null when the step has none.
TView2DForm* ChannelViewOf(const TObjectSPM* step, int channel);

//! Draws an overlay on a view's picture: while the object lives the view's canvas has an
//! inverting pen and filling, and the picture waits; at the end the pen is back to copy
//! and the picture is shown once.
class TViewOverlay {
public:
    explicit TViewOverlay(TView2DForm* view);
    ~TViewOverlay();
    TViewOverlay(const TViewOverlay&) = delete;
    TViewOverlay& operator=(const TViewOverlay&) = delete;

    platform::TCanvas* Canvas() const { return canvas_; }
    //! A line between two pixels (the end pixel left out).
    void Line(processing::TGridPoint from, processing::TGridPoint to);
    //! The handle of an end point: a disc of radius 4 around the pixel.
    void Handle(processing::TGridPoint p);

private:
    TView2DForm* view_;
    platform::TCanvas* canvas_;
    platform::TBrushStyle brushStyle_;
};

//! How a coordinate box reports a text that is no whole number.
enum class TNotANumber { ConversionError, ValueLimit };

//! A coordinate box that the user left, holding coordinate `which` of the two points
//! `ends` on a grid of width × height points. Nothing happens to an unchanged box (empty
//! answer). A value that may become the coordinate is the answer. Otherwise the refusal is
//! reported ("Value limit %d - %d" with 0 and the last column or row, or for a text that is
//! no number the conversion error, as `notANumber` says), the box shows the coordinate
//! again and keeps the focus, and the answer is empty.
std::optional<std::int32_t> LeftCoordinate(TToolEdit* box, processing::TEndCoordinate which,
                                           const processing::TSegment& ends, int width,
                                           int height, TNotANumber notANumber);
