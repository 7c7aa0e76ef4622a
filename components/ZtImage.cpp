#include "ZtImage.h"

using namespace platform;

TZtImage::TZtImage(QWidget* owner) : TZtCustomControl(owner), background_(std::make_unique<TBitmap>())
{
    BindBackground();
    resize(100, 100);
    constructed_ = true;
}

TZtImage::~TZtImage()
{
    MarkDestroying();
    background_->Canvas()->OnChange = nullptr;
}

void TZtImage::BindBackground()
{
    background_->Canvas()->OnChange = [this](TCanvas* sender) { Change(sender); };
}

void TZtImage::SetBackground(const TBitmap* value)
{
    background_->Assign(value);
    BindBackground();
    update();
}

void TZtImage::SetAutoRefresh(bool value)
{
    if (value == autoRefresh_)
        return;
    autoRefresh_ = value;
    if (value)
        PaintNow();
}

void TZtImage::SetAutoSize(bool value)
{
    if (value == autoSize_)
        return;
    autoSize_ = value;
    AdjustSize();
}

void TZtImage::BeginUpdate()
{
    updateEnabled_ = false;
    ++updateCount_;
}

void TZtImage::EndUpdate()
{
    --updateCount_;
    if (updateCount_ <= 0) {
        updateEnabled_ = true;
        Change(this);
    }
}

void TZtImage::Change(const void*)
{
    if (!constructed_ || !updateEnabled_)
        return;
    if (!(loaded_ && autoRefresh_) && !Designing())
        return;
    if (destroying_)
        return;
    PaintNow();
}

void TZtImage::Loaded()
{
    loaded_ = true;
}

void TZtImage::AdjustSize()
{
    if (!autoSize_)
        return;
    resize(background_->Width(), background_->Height());
}

bool TZtImage::CanAutoSize(int& NewWidth, int& NewHeight)
{
    NewWidth = background_->Width();
    NewHeight = background_->Height();
    return true;
}

void TZtImage::Paint()
{
    if (!background_->Empty())
        Canvas()->CopyRect(Rect(0, 0, width(), height()), background_->Canvas(),
                           Rect(0, 0, width(), height()));
    if (Designing())
        DrawDesignFrame();
    TZtCustomControl::Paint();
}

void TZtImage::DrawDesignFrame()
{
    TCanvas* c = Canvas();
    const TPen pen = c->Pen;
    const TBrush brush = c->Brush;
    c->Pen = TPen{clBlack, 1, psDash, pmCopy};
    c->Brush.Style = bsClear;
    c->Rectangle(Rect(0, 0, width(), height()));
    c->Pen = pen;
    c->Brush = brush;
}
