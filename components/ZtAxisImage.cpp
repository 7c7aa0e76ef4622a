#include "ZtAxisImage.h"

#include <QResizeEvent>
#include <algorithm>
#include <cmath>

#include "components/Ztservicefuncs.h"
#include "platform/gui/DrawUtils.h"
#include "platform/gui/Numbers.h"

using namespace platform;

namespace {

// More steps than this make no readable axis; the label loop stops there.
constexpr int kMostLabelSteps = 10000;
// Minor ticks between two labels beyond this lie on one another.
constexpr int kMostMinorTicks = 10000;
// The labels' decimals are those of the class library's fixed format, at most 18.
constexpr int kMostDecimals = 18;

TFont FontOf(const TFontObject* font)
{
    return font->Value();
}

} // namespace

TZtAxisImage::TZtAxisImage(QWidget* owner)
    : TZtBufferedImage(owner), brush_(std::make_unique<TBrushObject>(TBrush{clBtnFace, bsSolid})),
      borderPen_(std::make_unique<TPenObject>())
{
    const auto change = [this](const void* sender) { Change(sender); };
    leftAxis_ = NewAxis(true);
    rightAxis_ = NewAxis(true);
    topAxis_ = NewAxis(false);
    bottomAxis_ = NewAxis(false);
    title_ = std::make_unique<TZtChartTitle>();
    title_->Font()->SetColor(clBlue);
    title_->Font()->SetStyle(fsBold);
    title_->OnChange = change;
    brush_->OnChange = change;
    borderPen_->OnChange = change;
    ShowDesignFrame = false;
    SetColor(clWindow);
    resize(400, 250);
}

TZtAxisImage::~TZtAxisImage()
{
    MarkDestroying();
    if (const auto bitmap = graphicBitmap_.lock())
        bitmap->OnChange = nullptr;
}

std::unique_ptr<TZtChartAxis> TZtAxisImage::NewAxis(bool vertical)
{
    auto axis = std::make_unique<TZtChartAxis>();
    axis->Ticks()->Pen()->SetColor(clGray);
    axis->GridPen()->SetColor(clGray);
    axis->GridPen()->SetStyle(psDot);
    axis->AxisPen()->SetWidth(2);
    if (vertical)
        axis->Title()->SetAngle(90);
    axis->OnChange = [this](const void* sender) { Change(sender); };
    return axis;
}

template <typename T> void TZtAxisImage::Adopt(std::unique_ptr<T>& held, std::unique_ptr<T> value)
{
    if (!value)
        return;
    if (value.get() == held.get()) {
        (void)value.release(); // already ours
        return;
    }
    held = std::move(value);
    held->OnChange = [this](const void* sender) { Change(sender); };
    Change(this);
}

void TZtAxisImage::SetBrush(std::unique_ptr<TBrushObject> Value)
{
    Adopt(brush_, std::move(Value));
}

void TZtAxisImage::SetBorderPen(std::unique_ptr<TPenObject> Value)
{
    Adopt(borderPen_, std::move(Value));
}

void TZtAxisImage::SetGraphicBitmap(const std::shared_ptr<TBitmap>& Value)
{
    const auto held = graphicBitmap_.lock();
    if (!Value || Value == held)
        return;
    if (held)
        held->OnChange = nullptr;
    graphicBitmap_ = Value;
    Value->OnChange = [this](TBitmap* sender) { Change(sender); };
    Change(this);
}

// ---- Composition

void TZtAxisImage::PrepareDisplayedBitmap(TBitmap* Bitmap)
{
    if (!Bitmap)
        return;
    if (BackDrawMode() == bdmSimple)
        SetBackDrawMode(bdmTiled);
    TZtBufferedImage::PrepareDisplayedBitmap(Bitmap);
    work_ = Rect(0, 0, Bitmap->Width(), Bitmap->Height());
    DoAutoScale();
    DrawBevel(Bitmap);
    DrawTitles(Bitmap);
    DrawAxis(Bitmap);
}

void TZtAxisImage::DoAutoScale() {}

void TZtAxisImage::AdjustBevelColors(TBevelCut Bevel, TColor& TopLeft, TColor& BottomRight)
{
    if (Bevel == bvLowered) {
        TopLeft = clBtnShadow;
        BottomRight = clBtnHighlight;
    } else {
        TopLeft = clBtnHighlight;
        BottomRight = clBtnShadow;
    }
}

void TZtAxisImage::DrawBevel(TBitmap* Bitmap)
{
    TCanvas* canvas = Bitmap->Canvas();
    for (const TBevelCut bevel : {bevelOuter_, bevelInner_}) {
        if (bevel == bvNone)
            continue;
        TColor topLeft, bottomRight;
        AdjustBevelColors(bevel, topLeft, bottomRight);
        Frame3D(canvas, work_, topLeft, bottomRight, bevelWidth_);
    }
    if (bevelOuter_ != bvNone || bevelInner_ != bvNone) {
        work_.Left += bevelWidth_;
        work_.Top += bevelWidth_;
        work_.Right -= bevelWidth_;
        work_.Bottom -= bevelWidth_;
    }
    work_.Left += leftMargin_;
    work_.Top += topMargin_;
    work_.Right -= rightMargin_;
    work_.Bottom -= bottomMargin_;
}

void TZtAxisImage::DrawTitles(TBitmap* Bitmap)
{
    TCanvas* canvas = Bitmap->Canvas();
    // The titles that count, and their turned sizes.
    auto counts = [](const TZtChartTitle* title, const TZtChartAxis* axis) {
        return (!axis || axis->Visible()) && title->Visible() && !title->Text().empty();
    };
    auto measure = [&](const TZtChartTitle* title, const TZtChartAxis* axis) {
        TSize size;
        if (counts(title, axis)) {
            canvas->Font = FontOf(title->Font());
            CalcTextSize(canvas, size, title->Angle(), title->Text());
        }
        return size;
    };
    const TSize main = measure(title_.get(), nullptr);
    const TSize left = measure(leftAxis_->Title(), leftAxis_.get());
    const TSize right = measure(rightAxis_->Title(), rightAxis_.get());
    const TSize bottom = measure(bottomAxis_->Title(), bottomAxis_.get());
    const TSize top = measure(topAxis_->Title(), topAxis_.get());

    const TRect w = work_;
    const TRect mainStrip = Rect(w.Left + left.cx, w.Top, w.Right - right.cx, w.Top + main.cy);
    const TRect topStrip =
        Rect(w.Left + left.cx, w.Top + main.cy, w.Right - right.cx, w.Top + main.cy + top.cy);
    const TRect leftStrip =
        Rect(w.Left, w.Top + main.cy + top.cy, w.Left + left.cx, w.Bottom - bottom.cy);
    const TRect bottomStrip =
        Rect(w.Left + left.cx, w.Bottom - bottom.cy, w.Right - right.cx, w.Bottom);
    const TRect rightStrip =
        Rect(w.Right - right.cx, w.Top + main.cy + top.cy, w.Right, w.Bottom - bottom.cy);

    auto draw = [&](const TZtChartTitle* title, const TRect& strip) {
        canvas->Font = FontOf(title->Font());
        DrawTitleText(canvas, strip, TPoint{0, 0}, title->Angle(), title->Text(),
                      title->Alignment(), title->Layout());
    };
    if (counts(title_.get(), nullptr)) {
        draw(title_.get(), mainStrip);
        work_.Top += main.cy + title_->Indent();
    }
    if (counts(topAxis_->Title(), topAxis_.get())) {
        draw(topAxis_->Title(), topStrip);
        work_.Top += top.cy + topAxis_->Title()->Indent();
    }
    if (counts(leftAxis_->Title(), leftAxis_.get())) {
        draw(leftAxis_->Title(), leftStrip);
        work_.Left += left.cx + leftAxis_->Title()->Indent();
    }
    if (counts(bottomAxis_->Title(), bottomAxis_.get())) {
        draw(bottomAxis_->Title(), bottomStrip);
        work_.Bottom -= bottom.cy + bottomAxis_->Title()->Indent();
    }
    if (counts(rightAxis_->Title(), rightAxis_.get())) {
        draw(rightAxis_->Title(), rightStrip);
        work_.Right -= right.cx + rightAxis_->Title()->Indent();
    }
}

void TZtAxisImage::DrawAxis(TBitmap* Bitmap)
{
    const TRect w = work_;
    TRect g = w;
    struct TAxisLabels {
        std::vector<TZtChartLabelsInfo> List;
        int Count = 0, MaxWidth = 0, MaxHeight = 0;
    };
    TAxisLabels left, right, top, bottom;
    // The room an axis takes from the graph: its labels and outer ticks.
    auto room = [&](TZtChartAxis* axis, TAxisLabels& labels, bool vertical) {
        if (!axis->Visible())
            return 0;
        GetAxisLabelSizes(Bitmap, axis, labels.List, labels.Count, labels.MaxWidth,
                          labels.MaxHeight);
        int r = 0;
        if (axis->Labels()->Visible())
            r += axis->Labels()->Indent() + (vertical ? labels.MaxWidth : labels.MaxHeight);
        if (axis->Ticks()->Visible() && axis->Ticks()->Type() == cttOuter)
            r += axis->Ticks()->Length();
        return r;
    };
    g.Left += room(leftAxis_.get(), left, true);
    g.Right -= room(rightAxis_.get(), right, true);
    g.Top += room(topAxis_.get(), top, false);
    g.Bottom -= room(bottomAxis_.get(), bottom, false);

    const int bw = borderPen_->Width();
    graph_ = Rect(g.Left + bw, g.Top + bw, g.Right - bw, g.Bottom - bw);
    DrawWorkArea(Bitmap, g);
    DrawVertAxis(Bitmap, leftAxis_.get(), left.List, w.Left, w.Left + left.MaxWidth, g.Left, true);
    DrawVertAxis(Bitmap, rightAxis_.get(), right.List, w.Right - right.MaxWidth, w.Right,
                 g.Right - bw, false);
    DrawHorizAxis(Bitmap, bottomAxis_.get(), bottom.List, w.Bottom - bottom.MaxHeight, w.Bottom,
                  graph_.Bottom - bw, true);
    DrawHorizAxis(Bitmap, topAxis_.get(), top.List, w.Top, w.Top + top.MaxHeight, graph_.Top,
                  false);

    // The four sides of the graph frame, each in its axis's pen when that axis shows it.
    const int h1 = bw / 2;
    const int h2 = (bw - 1) / 2;
    const TRect f = Rect(g.Left + h1, g.Top + h1, g.Right - h2 - 1, g.Bottom - h2 - 1);
    TCanvas* canvas = Bitmap->Canvas();
    auto side = [&](const TZtChartAxis* axis, TPoint a, TPoint b) {
        canvas->Pen =
            axis->Visible() && axis->AxisVisible() ? axis->AxisPen()->Value() : borderPen_->Value();
        canvas->MoveTo(a.x, a.y);
        canvas->LineTo(b.x, b.y);
    };
    side(leftAxis_.get(), {f.Left, f.Top}, {f.Left, f.Bottom});
    side(rightAxis_.get(), {f.Right, f.Top}, {f.Right, f.Bottom});
    side(bottomAxis_.get(), {f.Left, f.Bottom}, {f.Right, f.Bottom});
    side(topAxis_.get(), {f.Left, f.Top}, {f.Right, f.Top});
}

void TZtAxisImage::DrawWorkArea(TBitmap* Bitmap, TRect R)
{
    const int bw = borderPen_->Width();
    const int h1 = bw / 2;
    const int h2 = (bw - 1) / 2;
    const TRect a = Rect(R.Left + h1, R.Top + h1, R.Right - h2 - 1, R.Bottom - h2 - 1);
    TCanvas* canvas = Bitmap->Canvas();
    canvas->Pen = borderPen_->Value();
    if (Background()->Empty()) {
        if (brush_->Style() != bsSolid) {
            canvas->Brush = TBrush{backgroundColor_, bsSolid};
            canvas->Rectangle(a);
        }
        canvas->Brush = brush_->Value();
        canvas->Rectangle(a);
    }
    DrawGraphic(Bitmap);
}

void TZtAxisImage::DrawGraphic(TBitmap* Bitmap)
{
    const auto graphic = graphicBitmap_.lock();
    if (!Bitmap || !graphic || Bitmap->Empty() || graphic->Empty())
        return;
    TUpdateScope update(this);
    if (OnPrepareGraphicBitmap)
        OnPrepareGraphicBitmap(this);
    // The brush copy: the picture stretched into the graph rectangle, its transparent
    // colour replaced by the canvas's brush (or left showing what lies below without one).
    const TRect g = graph_;
    if (g.Width() > 0 && g.Height() > 0 && !graphic->Empty()) {
        TBitmap stretched;
        stretched.SetPixelFormat(pf32bit);
        stretched.SetSize(g.Width(), g.Height());
        stretched.Canvas()->StretchDraw(Rect(0, 0, g.Width(), g.Height()), graphic.get());
        TCanvas* canvas = Bitmap->Canvas();
        const TColor transparent = canvas->Resolve(graphicTransparentColor_);
        const bool fill = canvas->Brush.Style == bsSolid;
        const TColor brush = canvas->Resolve(canvas->Brush.Color);
        const int bpp = Bitmap->BitsPerPixel() / 8;
        canvas->Lock();
        for (int y = std::max(0, -g.Top); y < g.Height() && g.Top + y < Bitmap->Height(); ++y) {
            const std::uint8_t* from = stretched.ScanLine(y);
            std::uint8_t* to = Bitmap->ScanLine(g.Top + y);
            for (int x = std::max(0, -g.Left); x < g.Width() && g.Left + x < Bitmap->Width(); ++x) {
                const std::uint8_t* s = from + 4 * x;
                TColor c = RGB(s[2], s[1], s[0]);
                if (c == transparent) {
                    if (!fill)
                        continue;
                    c = brush;
                }
                std::uint8_t* d = to + static_cast<std::size_t>(g.Left + x) * bpp;
                d[0] = static_cast<std::uint8_t>(GetBValue(c));
                d[1] = static_cast<std::uint8_t>(GetGValue(c));
                d[2] = static_cast<std::uint8_t>(GetRValue(c));
                if (bpp == 4)
                    d[3] = 0xFF;
            }
        }
        canvas->Unlock();
    }
}

// ---- Labels

int TZtAxisImage::CalcPrecision(double Value, int MaxDigits)
{
    if (std::floor(Value) == Value)
        return 0;
    for (int i = 1; i <= MaxDigits; ++i) {
        const double y = Value * std::pow(10.0, i);
        const double f = std::floor(y);
        // A product beyond 32 bits never counts as whole.
        if (f >= -2147483648.0 && f < 2147483648.0 && f == y)
            return i;
    }
    return MaxDigits;
}

void TZtAxisImage::GetAxisLabelSizes(TBitmap* Bitmap, TZtChartAxis* Axis,
                                     std::vector<TZtChartLabelsInfo>& List, int& Count,
                                     int& MaxWidth, int& MaxHeight)
{
    List.clear();
    TCanvas* canvas = Bitmap->Canvas();
    canvas->Font = FontOf(Axis->Labels()->Font());
    const double min = Axis->Min();
    const double max = Axis->Max();
    if (Axis->Frequency() != 0) {
        double s =
            Axis->CountLabels() > 0 ? (max - min) / (Axis->CountLabels() - 1) : Axis->Frequency();
        int p = Axis->Labels()->Precision();
        if (p == -1)
            p = CalcPrecision(s, 5);
        p = std::min(p, kMostDecimals);
        // The step cut to p decimals (in doubles: no 32-bit overflow).
        const double scale = std::pow(10.0, p);
        s = std::trunc(s * scale) / scale;
        if (s == 0)
            s = scale;
        double v = min;
        if (!std::isfinite(s)) {
            s = 0; // no step (one label, or a span beyond the doubles): the first value only
        } else if (Axis->Labels()->RoundFirstLabel()) {
            v = s > 0 ? std::ceil(min / s) * s : std::floor(min / s) * s;
        }
        std::string previous;
        for (int step = 0; v <= max && v >= min && step < kMostLabelSteps; ++step) {
            const std::string text = FloatToStrF(v, ffFixed, 7, p);
            if (text != previous) {
                TSize size;
                CalcTextSize(canvas, size, Axis->Labels()->Angle(), text);
                List.push_back({v, text, size});
                previous = text;
            }
            const double next = v + std::fabs(s);
            if (next == v)
                break;
            v = next;
        }
    }
    Count = static_cast<int>(List.size());
    if (Count > 0) {
        MaxWidth = 0;
        MaxHeight = 0;
        for (const auto& label : List) {
            MaxWidth = std::max(MaxWidth, label.Size.cx);
            MaxHeight = std::max(MaxHeight, label.Size.cy);
        }
    }
}

void TZtAxisImage::DrawVertAxis(TBitmap* Bitmap, TZtChartAxis* Axis,
                                std::vector<TZtChartLabelsInfo>& List, int From, int To, int Line,
                                bool First)
{
    DrawAxisMarks(Bitmap, Axis, List, From, To, Line, First, true);
}

void TZtAxisImage::DrawHorizAxis(TBitmap* Bitmap, TZtChartAxis* Axis,
                                 std::vector<TZtChartLabelsInfo>& List, int From, int To, int Line,
                                 bool First)
{
    DrawAxisMarks(Bitmap, Axis, List, From, To, Line, First, false);
}

void TZtAxisImage::DrawAxisMarks(TBitmap* Bitmap, TZtChartAxis* Axis,
                                 std::vector<TZtChartLabelsInfo>& List, int From, int To, int Line,
                                 bool First, bool Vertical)
{
    if (!Axis->Visible() || List.empty())
        return;
    TCanvas* canvas = Bitmap->Canvas();
    canvas->Font = FontOf(Axis->Labels()->Font());
    canvas->Brush.Color = Color();
    const TRect g = graph_;
    const double span = Axis->Max() - Axis->Min();
    // Vertical: the graph's height over the span, positions counted up from one below the
    // base. Horizontal: its width less one, positions counted right from the base.
    const double pixels = Vertical ? g.Height() : g.Width() - 1;
    const double k = Axis->Max() != Axis->Min() ? pixels / span : 1.0;
    const int d = Axis->Frequency() > 0 ? 1 : -1;
    const double b = Vertical ? (d > 0 ? g.Bottom : g.Top) : (d > 0 ? g.Left : g.Right - 1);
    // Where a position lies across the axis: up from the base, or right of it.
    auto at = [&](double q) { return TruncPixel(Vertical ? b - q : b + q); };
    const TZtChartTicks* ticks = Axis->Ticks();
    const TZtChartLabels* labels = Axis->Labels();
    const int outward = ticks->Type() == cttOuter ? -1 : 1;
    const int t = (Vertical ? outward : -outward) * (First ? 1 : -1);
    // A tick of the given length across the axis line at position c along the axis.
    auto tick = [&](int length, int c) {
        if (Vertical) {
            canvas->MoveTo(Line + length * t, c);
            canvas->LineTo(Line, c);
        } else {
            canvas->MoveTo(c, Line + length * t);
            canvas->LineTo(c, Line);
        }
    };
    double previous = 0;
    for (std::size_t i = 0; i < List.size(); ++i) {
        const TZtChartLabelsInfo& label = List[i];
        const double q = (label.Value - Axis->Min()) * k * d + (Vertical ? 1 : 0);
        const int c = at(q);
        if (labels->Visible()) {
            canvas->Font = FontOf(labels->Font());
            TRect r;
            if (Vertical) {
                const int half = label.Size.cy / 2;
                r = Rect(From, TruncPixel(b - q - half), To, TruncPixel(b - q + half));
            } else {
                const int half = label.Size.cx / 2;
                r = Rect(TruncPixel(b + q - half), From, TruncPixel(b + q + half), To);
            }
            const TAlignment align = !Vertical ? taCenter : First ? taRightJustify : taLeftJustify;
            const TTextLayout layout = Vertical ? tlCenter : First ? tlTop : tlBottom;
            DrawTitleText(canvas, r, TPoint{0, 0}, labels->Angle(), label.Text, align, layout);
        }
        if (Axis->GridVisible()) {
            canvas->Pen = Axis->GridPen()->Value();
            if (Vertical) {
                canvas->MoveTo(g.Left, c);
                canvas->LineTo(g.Right, c);
            } else {
                canvas->MoveTo(c, g.Top);
                canvas->LineTo(c, g.Bottom);
            }
        }
        if (ticks->Visible()) {
            canvas->Pen = ticks->Pen()->Value();
            tick(ticks->Length(), c);
            const int minor = std::min(ticks->MinorTickCount(), kMostMinorTicks);
            if (i > 0 && minor > 0)
                for (int j = 0; j <= minor; ++j)
                    tick(ticks->MinotTickLength(), at(previous + (q - previous) * j / (minor + 1)));
        }
        previous = q;
    }
}

// ---- Saving, sizes, the frame's text functions

bool TZtAxisImage::SaveToBitmapFile(const std::string& FileName)
{
    return DisplayBuffer()->SaveToFile(FileName);
}

void TZtAxisImage::SaveToBitmap(TBitmap* Dest)
{
    if (Dest)
        Dest->Assign(DisplayBuffer());
}

void TZtAxisImage::Loaded()
{
    TZtBufferedImage::Loaded();
    Resize();
}

void TZtAxisImage::Resize()
{
    DisplayBuffer()->SetSize(width(), height());
}

void TZtAxisImage::resizeEvent(QResizeEvent* event)
{
    TZtBufferedImage::resizeEvent(event);
    Resize();
}

void TZtAxisImage::CalcTextSize(TCanvas* Canvas, TSize& Size, int Angle, const std::string& Text)
{
    ::CalcTextSize(Canvas, Size, Angle, Text);
}

void TZtAxisImage::CalcTextPos(TCanvas* Canvas, TRect R, TPoint& Pos, int Angle,
                               const std::string& Text, TAlignment Align, TTextLayout Layout)
{
    ::CalcTextPos(Canvas, R, Pos, Angle, Text, Align, Layout);
}

void TZtAxisImage::DrawAngleText(TCanvas* Canvas, TPoint Pos, int Angle, const std::string& Text)
{
    ::DrawAngleText(Canvas, Pos, Angle, Text);
}

void TZtAxisImage::DrawTitleText(TCanvas* Canvas, TRect R, TPoint Pos, int Angle,
                                 const std::string& Text, TAlignment Align, TTextLayout Layout)
{
    ::DrawTitleText(Canvas, R, Pos, Angle, Text, Align, Layout);
}
