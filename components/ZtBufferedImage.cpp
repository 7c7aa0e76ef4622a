#include "ZtBufferedImage.h"

#include "components/Ztservicefuncs.h"

using namespace platform;

TZtBufferedImage::TZtBufferedImage(QWidget* owner)
    : TZtImage(owner), buffer_(std::make_unique<TBitmap>()), cache_(std::make_unique<TBitmap>())
{
    buffer_->SetPixelFormat(pf24bit);
}

TZtBufferedImage::~TZtBufferedImage()
{
    MarkDestroying();
}

void TZtBufferedImage::SetBackDrawMode(TZtBackDrawMode value)
{
    if (value == backDrawMode_)
        return;
    backDrawMode_ = value;
    update();
}

void TZtBufferedImage::SetBackgroundBuffering(bool value)
{
    if (value == backgroundBuffering_)
        return;
    backgroundBuffering_ = value;
    if (!value) {
        cachedRect_ = Rect(0, 0, 0, 0);
        cache_->Assign(nullptr);
    }
}

bool TZtBufferedImage::DoScaleBitmap(TBitmap* Source, TBitmap* Dest)
{
    if (!Source || !Dest || Source->Width() <= 1 || Source->Height() <= 1)
        return false;
    const double scaleX = static_cast<double>(Dest->Width()) / (Source->Width() - 1);
    const double scaleY = static_cast<double>(Dest->Height()) / (Source->Height() - 1);
    return DoBilinearInterpolation(Source, Dest, scaleX, scaleY, 0, 0);
}

void TZtBufferedImage::PrepareDisplayedBitmap(TBitmap* Bitmap)
{
    TBitmap* back = Background();
    if (!back || !Bitmap)
        return;
    if (backDrawMode_ == bdmSimple)
        Bitmap->SetSize(back->Width(), back->Height());
    else
        Bitmap->SetSize(width(), height());
    const TRect r = Rect(0, 0, Bitmap->Width(), Bitmap->Height());
    TCanvas* canvas = Bitmap->Canvas();
    canvas->Brush.Color = Color();
    canvas->Brush.Style = bsSolid;
    canvas->FillRect(r);
    if (back->Empty())
        return;
    const int bw = back->Width();
    const int bh = back->Height();
    switch (backDrawMode_) {
    case bdmSimple:
        canvas->Draw(0, 0, back);
        break;
    case bdmCentered:
        canvas->Draw(r.Right / 2 - bw / 2, r.Bottom / 2 - bh / 2, back);
        break;
    case bdmTiled:
        for (int y = 0; y < r.Bottom; y += bh)
            for (int x = 0; x < r.Right; x += bw)
                canvas->Draw(x, y, back);
        break;
    case bdmStretched:
        if (backgroundBuffering_ && r == cachedRect_) {
            canvas->Draw(0, 0, cache_.get());
            break;
        }
        if (!DoScaleBitmap(back, Bitmap))
            canvas->StretchDraw(r, back);
        if (backgroundBuffering_) {
            cachedRect_ = r;
            cache_->Assign(Bitmap);
        }
        break;
    }
}

void TZtBufferedImage::Paint()
{
    if (buffer_) {
        PrepareDisplayedBitmap(buffer_.get());
        if (OnDrawBuffer)
            OnDrawBuffer(this, buffer_->Canvas());
        if (!buffer_->Empty())
            Canvas()->CopyRect(Rect(0, 0, width(), height()), buffer_->Canvas(),
                               Rect(0, 0, width(), height()));
    }
    if (Designing() && ShowDesignFrame)
        DrawDesignFrame();
    TZtCustomControl::Paint();
}
