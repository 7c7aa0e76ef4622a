#include "ZtPaletteBar.h"

using namespace platform;

TZtPaletteBar::TZtPaletteBar(QWidget* owner) : TZtAxisImage(owner)
{
    for (TZtChartAxis* axis : {LeftAxis(), BottomAxis(), TopAxis(), RightAxis()})
        axis->SetGridVisible(false);
    resize(70, 200);
}

TZtPaletteBar::~TZtPaletteBar()
{
    MarkDestroying();
}

void TZtPaletteBar::SetOrientation(TZtPaletteBarOrientation Value)
{
    if (Value == orientation_)
        return;
    orientation_ = Value;
    if (Designing()) {
        TUpdateScope update(this);
        RightAxis()->SetVisible(Value == pboVertical);
        BottomAxis()->SetVisible(Value == pboHorizontal);
    }
    Display();
}

void TZtPaletteBar::DrawGraphic(TBitmap* Bitmap)
{
    if (!OnGetBarColor || !Bitmap)
        return;
    const TRect g = GraphRect();
    const bool horizontal = orientation_ == pboHorizontal;
    const int n = horizontal ? g.Width() : g.Height();
    TCanvas* canvas = Bitmap->Canvas();
    std::uint8_t r = 0, gr = 0, b = 0;
    for (int i = 0; i < n; ++i) {
        OnGetBarColor(this, n > 1 ? static_cast<double>(i) / (n - 1) : 0.0, r, gr, b);
        canvas->Pen.Color = RGB(r, gr, b);
        if (horizontal) {
            canvas->MoveTo(g.Left + i, g.Top);
            canvas->LineTo(g.Left + i, g.Bottom);
        } else {
            canvas->MoveTo(g.Left, g.Bottom - i - 1);
            canvas->LineTo(g.Right, g.Bottom - i - 1);
        }
    }
}
