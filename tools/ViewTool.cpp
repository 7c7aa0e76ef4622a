#include "tools/ViewTool.h"

#include <utility>

#include "views/View2D.h"
#include "data/ObjectSPM.h"
#include "platform/core/Messages.h"
#include "platform/gui/Numbers.h"
#include "tools/ToolWidgets.h"

namespace {

//! The tool-change hook with the identity of the tool that bound it.
struct TOwnedToolChange {
    const void* Owner;
    std::function<void(QWidget*)> Handler;
    void operator()(QWidget* window) const
    {
        if (Handler)
            Handler(window);
    }
};

}  // namespace

void BindViewHooks(TView2DForm* view, const void* owner, TViewToolHandlers handlers)
{
    if (!view)
        return;
    view->Image->OnMouseDown = std::move(handlers.MouseDown);
    view->Image->OnMouseMove = std::move(handlers.MouseMove);
    view->Image->OnMouseUp = std::move(handlers.MouseUp);
    view->OnOverlayPaint = std::move(handlers.Repainted);
    view->OnToolChange = TOwnedToolChange{owner, std::move(handlers.ToolChanged)};
}

bool HoldsViewHooks(const TView2DForm* view, const void* owner)
{
    if (!view)
        return false;
    const auto* hook = view->OnToolChange.target<TOwnedToolChange>();
    return hook && hook->Owner == owner;
}

void ReleaseViewHooks(TView2DForm* view, const void* owner)
{
    if (!HoldsViewHooks(view, owner))
        return;
    view->Image->OnMouseDown = nullptr;
    view->Image->OnMouseMove = nullptr;
    view->Image->OnMouseUp = nullptr;
    view->OnOverlayPaint = nullptr;
    view->OnToolChange = nullptr;
}

processing::TGridMapping MappingOf(const TView2DForm* view)
{
    if (!view)
        return {};
    return {view->ImageLeft, view->ImageTop, view->PixelsPerPointX, view->PixelsPerPointY};
}

TView2DForm* ChannelViewOf(const TObjectSPM* step, int channel)
{
    if (!step || channel < 0 || channel >= ChannelCount)
        return nullptr;
    return dynamic_cast<TView2DForm*>(step->Views[std::size_t(channel)]);
}

TViewOverlay::TViewOverlay(TView2DForm* view)
    : view_(view), canvas_(view->ImageCanvas()), brushStyle_(canvas_->Brush.Style)
{
    view_->Image->BeginUpdate();
    canvas_->Pen.Mode = platform::pmNot;
    canvas_->Pen.Style = platform::psSolid;
    canvas_->Pen.Width = 1;
    canvas_->Brush.Style = platform::bsSolid;
}

TViewOverlay::~TViewOverlay()
{
    canvas_->Pen.Mode = platform::pmCopy;
    canvas_->Brush.Style = brushStyle_;
    view_->Image->EndUpdate();
    if (!view_->Image->AutoRefresh())
        view_->Image->Display();
}

void TViewOverlay::Line(processing::TGridPoint from, processing::TGridPoint to)
{
    canvas_->MoveTo(from.Column, from.Row);
    canvas_->LineTo(to.Column, to.Row);
}

void TViewOverlay::Handle(processing::TGridPoint p)
{
    canvas_->Ellipse(p.Column - 4, p.Row - 4, p.Column + 4, p.Row + 4);
}

std::optional<std::int32_t> LeftCoordinate(TToolEdit* box, processing::TEndCoordinate which,
                                           const processing::TSegment& ends, int width,
                                           int height, TNotANumber notANumber)
{
    if (!box->Modified())
        return std::nullopt;
    using E = processing::TEndCoordinate;
    const bool isX = which == E::X1 || which == E::X2;
    const std::int32_t current = which == E::X1   ? ends.X1
                                 : which == E::Y1 ? ends.Y1
                                 : which == E::X2 ? ends.X2
                                                  : ends.Y2;
    const auto refuse = [&](const std::string* conversionError) {
        if (conversionError)
            platform::ShowError(*conversionError);
        else
            ShowValueLimitError(0, (isX ? width : height) - 1);
        box->SetText(std::to_string(current));
        box->setFocus();
        return std::nullopt;
    };
    std::int32_t v = 0;
    try {
        v = platform::StrToInt(box->Text());
    } catch (const platform::EConvertError& e) {
        const std::string message = e.what();
        return refuse(notANumber == TNotANumber::ConversionError ? &message : nullptr);
    }
    if (!processing::CoordinateAccepted(which, v, ends, width, height))
        return refuse(nullptr);
    return v;
}
