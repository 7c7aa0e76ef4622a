#include "ZtCustomControl.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <exception>

#include "platform/core/Messages.h"

using namespace platform;

namespace {

// Runs what an event of the window sets off; what it throws is shown, and the program
// goes on.
template <typename F> void Dispatch(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

} // namespace

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

QImage TZtCustomControl::ShownImage() const
{
    return screen_->Image();
}

void TZtCustomControl::paintEvent(QPaintEvent*)
{
    if (!flushing_ && !painting_)
        Dispatch([this] {
            WMEraseBkgnd();
            RunPaint();
        });
    QPainter p(this);
    p.drawImage(0, 0, ShownImage());
}

void TZtCustomControl::mousePressEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    if (button == mbLeft)
        clicked_ = true;
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    Dispatch([&] { MouseDown(button, shift, p.x(), p.y()); });
}

void TZtCustomControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    shift << ssDouble;
    const QPoint p = event->position().toPoint();
    // The second press of a double click: the double click first, then the press.
    Dispatch([&] {
        if (button == mbLeft && OnDblClick)
            OnDblClick(this);
        MouseDown(button, shift, p.x(), p.y());
    });
}

void TZtCustomControl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    Dispatch([&] {
        if (OnMouseMove)
            OnMouseMove(this, shift, p.x(), p.y());
    });
}

void TZtCustomControl::mouseReleaseEvent(QMouseEvent* event)
{
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button))
        return;
    const QPoint p = event->position().toPoint();
    const TShiftState shift = ShiftStateOf(event->modifiers(), event->buttons());
    // A left click ends inside the control: the click first, then the release.
    const bool click = button == mbLeft && clicked_ && rect().contains(p);
    if (button == mbLeft)
        clicked_ = false;
    Dispatch([&] {
        if (click)
            Click();
    });
    Dispatch([&] {
        if (OnMouseUp)
            OnMouseUp(this, button, shift, p.x(), p.y());
    });
}
