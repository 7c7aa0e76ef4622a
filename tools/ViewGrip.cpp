#include "tools/ViewGrip.h"

#include "views/View2D.h"

void TViewGrip::Take()
{
    TView2DForm* view = View();
    if (!view)
        return;
    view->NotifyToolChange(window_);
    bind_(view);
}

void TViewGrip::Release()
{
    ReleaseViewHooks(View(), owner_);
}

void TViewGrip::Draw()
{
    TView2DForm* view = View();
    if (!view || !Shown())
        return;
    const processing::TGridMapping mapping = MappingOf(view);
    TViewOverlay overlay(view);
    figure_.Draw(overlay, mapping);
}

void TViewGrip::Redraw(const std::function<void()>& change)
{
    Draw();
    change();
    Draw();
}

void TViewGrip::MouseDown(int x, int y)
{
    TView2DForm* view = View();
    if (!view || !Shown())
        return;
    const processing::TGridMapping mapping = MappingOf(view);
    const processing::TGridPoint p = mapping.PointUnder(x, y);
    const auto [width, height] = figure_.Grid();
    drag_.Press(p.Column, p.Row, mapping, figure_.Ends(), width, height);
}

void TViewGrip::MouseMove(platform::TShiftState shift, int x, int y)
{
    if (!shift.Contains(platform::ssLeft) || drag_.Idle())
        return;
    TView2DForm* view = View();
    if (!view)
        return;
    const processing::TGridPoint p = MappingOf(view).PointUnder(x, y);
    const auto [width, height] = figure_.Grid();
    for (const processing::TSegment& s : drag_.Move(p.Column, p.Row, figure_.Ends(), width, height))
        Redraw([&] { figure_.Moved(s); });
}

void TViewGrip::MouseUp()
{
    drag_.Release();
}

void TViewGrip::Repainted()
{
    Draw();
}

void TViewGrip::ToolChanged(QWidget* window)
{
    if (window == window_ || !Shown())
        return;
    Draw();
    Release();
    if (figure_.LetGo)
        figure_.LetGo();
}
