#include "ZtRotateLabel.h"

#include <cstring>

#include "components/Ztservicefuncs.h"

using namespace platform;

TZtRotateLabel::TZtRotateLabel(QWidget* owner) : TZtCustomControl(owner)
{
    TFont font;
    font.Name = "Arial";
    font_ = std::make_unique<TFontObject>(font);
    font_->OnChange = [this](const void*) { Changed(); };
    resize(65, 17);
}

TZtRotateLabel::~TZtRotateLabel() = default;

void TZtRotateLabel::SetEscapement(int Value)
{
    if (Value == angle_)
        return;
    angle_ = AngleInCircle(Value);
    Changed();
}

void TZtRotateLabel::SetTextStyle(TTextStyle Value)
{
    if (Value == textStyle_)
        return;
    textStyle_ = Value;
    update();
}

void TZtRotateLabel::SetCaption(const std::string& Value)
{
    if (Value == caption_)
        return;
    caption_ = Value;
    Changed();
}

void TZtRotateLabel::SetTransparent(bool Value)
{
    transparent_ = Value;
    // A transparent label lets Qt paint what lies below it first.
    setAttribute(Qt::WA_OpaquePaintEvent, !Value);
    update();
}

void TZtRotateLabel::Changed()
{
    AdjustBounds();
    update();
}

void TZtRotateLabel::AdjustBounds()
{
    if (!autoSize_)
        return;
    TCanvas* canvas = Canvas();
    canvas->Font = font_->Value();
    const TSize extent = canvas->TextExtent(caption_);
    const TSize size = angle_ == 0 ? extent : RotatedTextSize(angle_, extent.cx, extent.cy);
    resize(size.cx, size.cy);
}

void TZtRotateLabel::Paint()
{
    TCanvas* canvas = Canvas();
    const TRect client = Rect(0, 0, width(), height());
    if (transparent_) {
        // Nothing drawn yet: every pixel clear until the caption covers it.
        TBitmap* screen = Screen();
        for (int y = 0; y < screen->Height(); ++y)
            std::memset(screen->ScanLine(y), 0, static_cast<std::size_t>(screen->BytesPerLine()));
    } else {
        canvas->Brush = TBrush{Color(), bsSolid};
        canvas->FillRect(client);
    }
    canvas->Brush.Style = bsClear;
    TRect r = client;
    DoDrawLabelText(r, (wordWrap_ ? DT_WORDBREAK : 0u) | DT_EXPANDTABS | AlignmentFlag(alignment_));
    TZtCustomControl::Paint();
}

void TZtRotateLabel::DoDrawLabelText(TRect& R, unsigned Flags)
{
    const std::string text = caption_;
    if (!showAccelChar_)
        Flags |= DT_NOPREFIX;
    TCanvas* canvas = Canvas();
    canvas->Font = font_->Value();
    auto draw = [&](TRect r, TColor color) {
        canvas->Font.Color = color;
        if (angle_ != 0)
            DrawAngleText(canvas, r, angle_, text);
        else
            DrawText(canvas, r, text, Flags);
    };
    auto moved = [&](int d) { return Rect(R.Left + d, R.Top + d, R.Right + d, R.Bottom + d); };
    if (textStyle_ == tsRaised) {
        draw(moved(1), clBtnShadow);
        draw(moved(-1), clBtnHighlight);
    } else if (textStyle_ == tsRecessed) {
        draw(moved(1), clBtnHighlight);
        draw(moved(-1), clBtnShadow);
    }
    const TColor face = isEnabled() ? font_->Color() : clGrayText;
    if (autoSize_ && angle_ == 0)
        resize(canvas->TextWidth(text), canvas->TextHeight(text));
    draw(R, face);
}

void TZtRotateLabel::CalcTextPos(TRect& R, int Angle, const std::string& Text)
{
    TCanvas* canvas = Canvas();
    const TFont saved = canvas->Font;
    canvas->Font = font_->Value();
    const TSize extent = canvas->TextExtent(Text);
    canvas->Font = saved;
    const TPoint origin = RotatedTextOrigin(AngleInCircle(Angle), extent.cx, extent.cy);
    R.Left += origin.x;
    R.Top += origin.y;
    const TSize size = RotatedTextSize(Angle, extent.cx, extent.cy);
    if (autoSize_) {
        resize(size.cx, size.cy);
        return;
    }
    if (alignment_ == taCenter)
        R.Left += (width() - size.cx) / 2;
    else if (alignment_ == taRightJustify)
        R.Left += width() - size.cx;
    if (layout_ == tlCenter)
        R.Top += (height() - size.cy) / 2;
    else if (layout_ == tlBottom)
        R.Top += height() - size.cy;
}

void TZtRotateLabel::DrawAngleText(TCanvas* Canvas, TRect R, int Angle, const std::string& Text)
{
    CalcTextPos(R, Angle, Text);
    ::DrawAngleText(Canvas, TPoint{R.Left, R.Top}, Angle, Text);
}

QImage TZtRotateLabel::ShownImage() const
{
    const QImage& image = TZtCustomControl::ShownImage();
    if (!transparent_ || image.isNull())
        return image;
    // The pixels the caption covered are opaque; the rest keep their clear alpha.
    return QImage(image.constBits(), image.width(), image.height(), image.bytesPerLine(),
                  QImage::Format_ARGB32);
}
