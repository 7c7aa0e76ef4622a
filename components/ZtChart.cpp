#include "ZtChart.h"

#include <cstdlib>
#include <ctime>

#include "components/Ztservicefuncs.h"

using namespace platform;

TZtChart::TZtChart(QWidget* owner)
    : TZtAxisImage(owner), offscreen_(std::make_unique<TBitmap>()),
      lineSeries_(std::make_unique<TZtChartLineSeries>(this))
{
    offscreen_->SetPixelFormat(pf24bit);
    InitAutoRefresh(true);
    resize(400, 250);
    lineSeries_->OnChange = [this](const void* sender) { Change(sender); };
}

TZtChart::~TZtChart()
{
    MarkDestroying();
    lineSeries_.reset();
}

bool TZtChart::ValueToGraphPoint(TDPoint Value, TPoint& Point) const
{
    const TRect g = GraphRect();
    Point.x = TruncPixel(g.Left + (Value.x - BottomAxis()->Min()) * scaleX_);
    Point.y = TruncPixel(g.Bottom - (Value.y - LeftAxis()->Min()) * scaleY_);
    return g.Left < Point.x && Point.x < g.Right && g.Top < Point.y && Point.y < g.Bottom;
}

bool TZtChart::GraphPointToValue(TPoint Point, TDPoint& Value) const
{
    const TRect g = GraphRect();
    const TZtChartAxis* bottom = BottomAxis();
    const TZtChartAxis* left = LeftAxis();
    if (scaleX_ == 0 || scaleY_ == 0) {
        // Not drawn yet: no scale to convert with.
        Value = {bottom->Min(), left->Min()};
        return false;
    }
    Value.x = (Point.x - g.Left) / scaleX_ + bottom->Min();
    Value.y = (g.Bottom - Point.y) / scaleY_ + left->Min();
    return bottom->Min() < Value.x && Value.x < bottom->Max() && left->Min() < Value.y &&
           Value.y < left->Max();
}

void TZtChart::DoAutoScale()
{
    TZtChartAxis* bottom = BottomAxis();
    TZtChartAxis* left = LeftAxis();
    if (!left->AutoScale() && !bottom->AutoScale())
        return;
    bool any = false;
    TDPoint low, high;
    for (int i = 0; i < lineSeries_->Count(); ++i) {
        TDPoint min, max;
        if (!lineSeries_->GetItem(i)->SearchMinMax(min, max))
            continue;
        if (!any) {
            low = min;
            high = max;
            any = true;
            continue;
        }
        low = {std::min(low.x, min.x), std::min(low.y, min.y)};
        high = {std::max(high.x, max.x), std::max(high.y, max.y)};
    }
    if (!any)
        return;
    if (left->AutoScale())
        left->SetRangeSilently(low.y, high.y);
    if (bottom->AutoScale())
        bottom->SetRangeSilently(low.x, high.x);
}

void TZtChart::DrawGraphic(TBitmap* Bitmap)
{
    const TRect g = GraphRect();
    const double spanX = BottomAxis()->Max() - BottomAxis()->Min();
    const double spanY = LeftAxis()->Max() - LeftAxis()->Min();
    scaleX_ = spanX > 0 ? g.Width() / spanX : 1.0;
    scaleY_ = spanY > 0 ? g.Height() / spanY : 1.0;
    if (!Bitmap || lineSeries_->Count() == 0 || g.Width() <= 0 || g.Height() <= 0)
        return;
    // The series are clipped to the graph area: drawn on a copy of it, then copied back.
    offscreen_->SetSize(g.Width(), g.Height());
    const TRect whole = Rect(0, 0, g.Width(), g.Height());
    offscreen_->Canvas()->CopyRect(whole, Bitmap->Canvas(), g);
    lineSeries_->DoPaint(offscreen_->Canvas(), whole);
    Bitmap->Canvas()->CopyRect(g, offscreen_->Canvas(), whole);
}

void TZtChart::Loaded()
{
    TZtAxisImage::Loaded();
    if (!Designing())
        return;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    TUpdateScope update(this);
    for (int i = 0; i < lineSeries_->Count(); ++i)
        for (int n = 0; n < 20; ++n) {
            const TDPoint p = SamplePoint();
            lineSeries_->GetItem(i)->AddXY(p.x, p.y);
        }
}

TDPoint TZtChart::SamplePoint() const
{
    const TZtChartAxis* bottom = BottomAxis();
    const TZtChartAxis* left = LeftAxis();
    // The C library's numbers as its original range had them: 0 … 32767.
    const int r1 = std::rand() & 0x7FFF;
    const int r2 = std::rand() & 0x7FFF;
    return {bottom->Min() + r1 * (bottom->Max() - bottom->Min()) / 32767,
            left->Min() + r2 * (left->Max() - left->Min()) / 32767};
}
