#pragma once
// The two grid points that a tool shows on a borrowed 2-D view and that the user drags there:
// the profile's segment and the crop tool's rectangle. The grip takes the view for the tool
// (whoever holds it lets go first, tools/ViewTool.h), runs the press, the moves and the
// release of a drag, draws the figure again whenever the view repaints, and lets the view go
// when another window takes it. The tool keeps the points and says what is drawn, what a
// drag step changes and what it does once the view is gone.

#include <QWidget>
#include <functional>
#include <utility>

#include "platform/gui/Input.h"
#include "processing/GridSelection.h"
#include "tools/ViewTool.h"

class TView2DForm;

class TViewGrip {
public:
    //! What a tool tells its grip.
    struct TFigure {
        //! The view the tool works on now; null when it has none.
        std::function<TView2DForm*()> View;
        //! Whether the figure is on the view and the view's mouse is the tool's now (always,
        //! when not given).
        std::function<bool()> Shown;
        //! The two grid points.
        std::function<processing::TSegment()> Ends;
        //! The grid they lie on: width and height in points.
        std::function<std::pair<int, int>()> Grid;
        //! Draws the figure through the overlay (inverting: drawing it twice erases it).
        std::function<void(TViewOverlay& overlay, const processing::TGridMapping& mapping)> Draw;
        //! A drag step moved the points to `ends`; the figure is erased before and drawn after.
        std::function<void(const processing::TSegment& ends)> Moved;
        //! Another window took the view: the figure is erased and the hooks are let go; what
        //! the tool does then (optional).
        std::function<void()> LetGo;
    };

    //! The grip of `tool`, whose handlers ViewMouseDown … ViewToolChanged the view's hooks
    //! reach (BindToolHooks) and which owns them; `drag` is the tool's drag state.
    template <class Tool>
    TViewGrip(Tool* tool, processing::TEndsDrag& drag, TFigure figure)
        : owner_(tool), window_(tool),
          bind_([tool](TView2DForm* view) { BindToolHooks(view, tool); }), drag_(drag),
          figure_(std::move(figure))
    {
    }
    TViewGrip(const TViewGrip&) = delete;
    TViewGrip& operator=(const TViewGrip&) = delete;

    //! The tool takes its view (none: nothing): the holder lets go, the hooks are the tool's.
    void Take();
    //! Lets go of the view's hooks while they are still the tool's.
    void Release();
    //! Draws the figure on the view, in inverting mode; nothing without a view or while the
    //! figure is not shown.
    void Draw();
    //! Erases the figure, runs `change`, draws the figure again.
    void Redraw(const std::function<void()>& change);

    // The view's hooks, as the tool's handlers hand them on.
    //! A press over pixel (x, y) grabs a point near it or starts a new pair.
    void MouseDown(int x, int y);
    //! A move with the left button held drags what the press grabbed.
    void MouseMove(platform::TShiftState shift, int x, int y);
    void MouseUp();
    //! The view has drawn its picture anew: the figure goes on it again.
    void Repainted();
    //! `window` takes the view: unless it is the tool itself (or the figure is not shown),
    //! the figure is erased, the hooks are let go and the tool's LetGo runs.
    void ToolChanged(QWidget* window);

private:
    TView2DForm* View() const { return figure_.View ? figure_.View() : nullptr; }
    bool Shown() const { return !figure_.Shown || figure_.Shown(); }

    const void* owner_;
    QWidget* window_;
    std::function<void(TView2DForm*)> bind_;
    processing::TEndsDrag& drag_;
    TFigure figure_;
};
