#include "ZtCustomControl.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

using namespace platform;

TZtCustomControl::TZtCustomControl(QWidget* owner)
    : QWidget(owner), screen_(std::make_unique<TBitmap>())
{
    setAttribute(Qt::WA_OpaquePaintEvent); // the control paints every pixel itself
    setMouseTracking(true);
}

TZtCustomControl::~TZtCustomControl() = default;

void TZtCustomControl::SetColor(TColor value)
{
    if (value == color_)
        return;
    color_ = value;
    update();
}

void TZtCustomControl::SetEraseBackground(bool value)
{
    eraseBackground_ = value;
    if (value)
        repaint();
}

void TZtCustomControl::SetVersion(const std::string&) {}

int TZtCustomControl::WMEraseBkgnd()
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

void TZtCustomControl::Display()
{
    PaintNow();
}

void TZtCustomControl::Paint()
{
    if (OnPaint)
        OnPaint(this);
}

void TZtCustomControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TZtCustomControl::Click()
{
    if (OnClick)
        OnClick(this);
}

void TZtCustomControl::FitScreen() const
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

void TZtCustomControl::RunPaint()
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

void TZtCustomControl::PaintNow()
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

void TZtCustomControl::paintEvent(QPaintEvent*)
{
    if (!flushing_ && !painting_) {
        WMEraseBkgnd();
        RunPaint();
    }
    QPainter p(this);
    p.drawImage(0, 0, screen_->Image());
}

void TZtCustomControl::mousePressEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    if (button == mbLeft)
        clicked_ = true;
    const QPoint p = event->position().toPoint();
    MouseDown(button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TZtCustomControl::mouseDoubleClickEvent(QMouseEvent* event)
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
    MouseDown(button, shift, p.x(), p.y());
}

void TZtCustomControl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(this, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TZtCustomControl::mouseReleaseEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    const QPoint p = event->position().toPoint();
    // A left click ends inside the control: the click first, then the release.
    if (button == mbLeft && clicked_) {
        clicked_ = false;
        if (rect().contains(p))
            Click();
    }
    if (OnMouseUp)
        OnMouseUp(this, button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}
