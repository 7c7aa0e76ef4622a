#include "ZtImage.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

using namespace platform;

TZtImage::TZtImage(QWidget* owner)
    : QWidget(owner), background_(std::make_unique<TBitmap>()), screen_(std::make_unique<TBitmap>())
{
    BindBackground();
    setAttribute(Qt::WA_OpaquePaintEvent); // the control paints every pixel itself
    setMouseTracking(true);
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

void TZtImage::SetEraseBackground(bool value)
{
    eraseBackground_ = value;
    if (value)
        repaint();
}

void TZtImage::SetVersion(const std::string&) {}

void TZtImage::SetAutoSize(bool value)
{
    if (value == autoSize_)
        return;
    autoSize_ = value;
    AdjustSize();
}

void TZtImage::SetColor(TColor value)
{
    if (value == color_)
        return;
    color_ = value;
    update();
}

void TZtImage::Display()
{
    PaintNow();
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
    if (!(loaded_ && autoRefresh_))
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

int TZtImage::WMEraseBkgnd()
{
    if (eraseBackground_) {
        TCanvas* c = Canvas();
        const TBrush saved = c->Brush;
        c->Brush.Color = color_;
        c->Brush.Style = bsSolid;
        c->FillRect(Rect(0, 0, screen_->Width(), screen_->Height()));
        c->Brush = saved;
    }
    return 1;
}

void TZtImage::Paint()
{
    if (!background_->Empty())
        Canvas()->CopyRect(Rect(0, 0, width(), height()), background_->Canvas(),
                           Rect(0, 0, width(), height()));
    if (OnPaint)
        OnPaint(this);
}

void TZtImage::FitScreen() const
{
    if (screen_->Width() == width() && screen_->Height() == height())
        return;
    TCanvas* c = screen_->Canvas();
    const TBrush saved = c->Brush;
    c->Brush.Color = color_;
    c->Brush.Style = bsSolid;
    screen_->SetSize(width(), height());
    c->Brush = saved;
}

void TZtImage::RunPaint()
{
    // Painting is not re-entrant: a change reported while painting paints nothing more.
    if (painting_)
        return;
    FitScreen();
    painting_ = true;
    try {
        Paint();
    } catch (...) {
        painting_ = false;
        throw;
    }
    painting_ = false;
}

void TZtImage::PaintNow()
{
    if (painting_)
        return;
    RunPaint();
    if (isVisible()) {
        flushing_ = true;
        repaint();
        flushing_ = false;
    }
}

void TZtImage::paintEvent(QPaintEvent*)
{
    if (!flushing_ && !painting_) {
        WMEraseBkgnd();
        RunPaint();
    }
    QPainter p(this);
    p.drawImage(0, 0, screen_->Image());
}

void TZtImage::mousePressEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    if (button == mbLeft)
        clicked_ = true;
    const QPoint p = event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TZtImage::mouseDoubleClickEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    // The second press of a double click: the double click first, then the press.
    if (button == mbLeft && OnDblClick)
        OnDblClick(this);
    TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    shift << ssDouble;
    const QPoint p = event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, button, shift, p.x(), p.y());
}

void TZtImage::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(this, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TZtImage::mouseReleaseEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    const QPoint p = event->position().toPoint();
    // A left click ends inside the control: the click first, then the release.
    if (button == mbLeft && clicked_) {
        clicked_ = false;
        if (rect().contains(p) && OnClick)
            OnClick(this);
    }
    if (OnMouseUp)
        OnMouseUp(this, button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}
