#include "tools/Select.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "views/View2D.h"
#include "data/ObjectSPM.h"
#include "data/Surfacedata.h"
#include "platform/core/Messages.h"
#include "platform/gui/Numbers.h"
#include "tools/ToolWidgets.h"
#include "tools/ViewTool.h"

using processing::TSegment;

TSelectForm::TSelectForm(TObjectSPM* step, int mode, int x1, int y1, int x2, int y2, int left,
                         int top, int widthLimit, int heightLimit, QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Grip(this, RectangleDrag,
           {[this] { return View; }, nullptr, [this] { return Corners(); },
            [this] { return std::pair<int, int>(LimitWidth, LimitHeight); },
            [this](TViewOverlay& overlay, const processing::TGridMapping& mapping) {
                PaintRect(overlay, mapping);
            },
            [this](const TSegment& s) {
                X1 = s.X1;
                Y1 = s.Y1;
                X2 = s.X2;
                Y2 = s.Y2;
                SetRect(s);
            },
            [this] {
                View = nullptr;
                btCancelClick();
            }}),
      step_(step)
{
    setObjectName("SelectForm");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Select");
    setFixedSize(145, 99);

    auto label = [this](const char* name, const char* text, int x, int y, bool bold) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->move(x, y);
        if (bold) {
            QFont f = l->font();
            f.setBold(true);
            l->setFont(f);
        }
        return l;
    };
    Label1 = label("Label1", "Start:", 24, 2, true);
    Label2 = label("Label2", "End:", 92, 2, true);
    Label3 = label("Label3", "x =", 4, 21, false);
    Label4 = label("Label4", "y =", 4, 44, false);
    Label5 = label("Label5", "x =", 72, 21, false);
    Label6 = label("Label6", "y =", 72, 44, false);
    auto edit = [this](const char* name, int x, int y, int maxLength) {
        auto* e = new TToolEdit(this);
        e->setObjectName(name);
        e->setGeometry(x, y, 46, 20);
        if (maxLength > 0)
            e->setMaxLength(maxLength);
        e->OnKeyDown = [this](QObject* s, int& key, Qt::KeyboardModifiers m) { EditKeyDown(s, key, m); };
        return e;
    };
    x1Edit = edit("x1Edit", 22, 19, 0);
    y1Edit = edit("y1Edit", 22, 42, 4);
    x2Edit = edit("x2Edit", 90, 19, 4);
    y2Edit = edit("y2Edit", 90, 42, 4);
    x1Edit->OnExit = [this](QObject*) { x1EditExit(); };
    y1Edit->OnExit = [this](QObject*) { y1EditExit(); };
    x2Edit->OnExit = [this](QObject*) { x2EditExit(); };
    y2Edit->OnExit = [this](QObject*) { y2EditExit(); };
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(2, 65, 141, 4);
    btOK = new QPushButton("&OK", this);
    btOK->setObjectName("btOK");
    btOK->setGeometry(4, 71, 66, 24);
    btCancel = new QPushButton("&Cancel", this);
    btCancel->setObjectName("btCancel");
    btCancel->setGeometry(75, 71, 66, 24);
    connect(btOK, &QPushButton::clicked, this, [this] { btOKClick(); });
    connect(btCancel, &QPushButton::clicked, this, [this] { btCancelClick(); });
    InstallKeyPreview(this, [this](QKeyEvent* e) { return FormKeyDown(e->key()); });

    LimitWidth = widthLimit;
    LimitHeight = heightLimit;
    move(left, top);
    X1 = x1;
    Y1 = y1;
    X2 = x2;
    Y2 = y2;
    SetRect(Corners());
    Result = 0;
    Mode = mode;
    View = step_ ? dynamic_cast<TView2DForm*>(step_->CurrentView) : nullptr;
    Grip.Take();
    DrawRectOnView();
    x1Edit->setFocus();
}

TSelectForm::~TSelectForm()
{
    Grip.Release();
    View = nullptr;
    if (step_ && step_->CropTool == this)
        step_->CropTool = nullptr;
}

void TSelectForm::Focus()
{
    show();
    raise();
    activateWindow();
}

void TSelectForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TSelectForm::FormActivate()
{
    if (step_ && !closed_)
        step_->BuildViewMenu();
}

void TSelectForm::btOKClick()
{
    if (step_)
        CropToolResult(step_, 1, X1, Y1, X2, Y2);
    Result = 1;
    close();
}

void TSelectForm::btCancelClick()
{
    Result = 2;
    close();
}

bool TSelectForm::FormKeyDown(int key)
{
    if (key != Qt::Key_Escape)
        return false;
    close();
    return true;
}

void TSelectForm::EditKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers)
{
    EnterMovesFocusOn(sender, key);
}

void TSelectForm::x1EditExit() { CoordinateExit(x1Edit, processing::TEndCoordinate::X1); }
void TSelectForm::y1EditExit() { CoordinateExit(y1Edit, processing::TEndCoordinate::Y1); }
void TSelectForm::x2EditExit() { CoordinateExit(x2Edit, processing::TEndCoordinate::X2); }
void TSelectForm::y2EditExit() { CoordinateExit(y2Edit, processing::TEndCoordinate::Y2); }

void TSelectForm::CoordinateExit(TToolEdit* box, processing::TEndCoordinate which)
{
    const auto v = LeftCoordinate(box, which, Corners(), LimitWidth, LimitHeight,
                                  TNotANumber::ValueLimit);
    if (!v)
        return;
    using E = processing::TEndCoordinate;
    Grip.Redraw([&] {
        (which == E::X1 ? X1 : which == E::Y1 ? Y1 : which == E::X2 ? X2 : Y2) = *v;
        box->SetText(std::to_string(*v));
    });
}

void TSelectForm::FormClose()
{
    Grip.Release();
    DrawRectOnView();
    View = nullptr;
    if (step_ && step_->CropTool == this)
        step_->CropTool = nullptr;
}

void TSelectForm::closeEvent(QCloseEvent* event)
{
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    event->accept();
}

void TSelectForm::SetRect(const TSegment& corners)
{
    x1Edit->SetText(std::to_string(corners.X1));
    y1Edit->SetText(std::to_string(corners.Y1));
    x2Edit->SetText(std::to_string(corners.X2));
    y2Edit->SetText(std::to_string(corners.Y2));
}

void TSelectForm::DrawRectOnView()
{
    Grip.Draw();
}

void TSelectForm::PaintRect(TViewOverlay& overlay, const processing::TGridMapping& mapping)
{
    const processing::TGridPoint p1 = mapping.PixelOf(X1, Y1);
    const processing::TGridPoint p2 = mapping.PixelOf(X2, Y2);
    const platform::TPoint outline[] = {{p1.Column, p1.Row},
                                        {p2.Column, p1.Row},
                                        {p2.Column, p2.Row},
                                        {p1.Column, p2.Row},
                                        {p1.Column, p1.Row}};
    overlay.Canvas()->Polyline(outline);
    overlay.Handle(p1);
    overlay.Handle(p2);
}

void TSelectForm::ViewMouseDown(QObject*, platform::TMouseButton, platform::TShiftState, int x, int y)
{
    Grip.MouseDown(x, y);
}

void TSelectForm::ViewMouseMove(QObject*, platform::TShiftState shift, int x, int y)
{
    Grip.MouseMove(shift, x, y);
}

void TSelectForm::ViewMouseUp(QObject*, platform::TMouseButton, platform::TShiftState, int, int)
{
    Grip.MouseUp();
}

void TSelectForm::ViewRepainted(QObject*)
{
    Grip.Repainted();
}

void TSelectForm::ViewToolChanged(QWidget* window)
{
    // The rectangle goes once, here; the tool then no longer draws on the view, and cancels.
    Grip.ToolChanged(window);
}

TStepWindow* NewCropTool(TObjectSPM* step, QWidget* owner)
{
    TSPMData* channel0 = step && step->SurfaceData ? step->SurfaceData->Channel(0) : nullptr;
    if (!channel0)
        return nullptr;
    QPoint at;
    if (auto* view = dynamic_cast<TView2DForm*>(step->CurrentView))
        at = view->mapToGlobal(QPoint(view->width(), 0));
    const TRect32 s = step->Selection;
    auto* tool = new TSelectForm(step, 2, s.Left, s.Top, s.Right, s.Bottom, at.x(), at.y(),
                                 channel0->Header.Width, channel0->Header.Height, owner);
    tool->show();
    return tool;
}
