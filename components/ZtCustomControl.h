#pragma once
// The class library's custom control on a Qt widget: a window with its own canvas (a
// bitmap of the client area that every paint composes and the screen shows), a colour,
// the erase-background rule, the version text and the mouse events in the class library's
// order. The Zt controls derive from it.

#include <QWidget>
#include <memory>
#include <string>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Input.h"

class TZtCustomControl : public QWidget {
    Q_OBJECT
public:
    explicit TZtCustomControl(QWidget* owner = nullptr);
    ~TZtCustomControl() override;

    //! The control's own canvas: the picture that the window shows.
    platform::TCanvas* Canvas() const
    {
        FitScreen();
        return screen_->Canvas();
    }
    //! The colour of the window's background.
    platform::TColor Color() const { return color_; }
    //! A different colour repaints later.
    void SetColor(platform::TColor value);
    bool EraseBackground() const { return eraseBackground_; }
    //! Whether the window's background is erased (filled with Color) before a paint
    //! message; true repaints at once.
    void SetEraseBackground(bool value);
    //! "1.0"; the setter ignores every value.
    std::string Version() const { return version_; }
    void SetVersion(const std::string& value);
    //! The erase-background message: erases the window with Color when EraseBackground is
    //! set; the message's result, 1 (background handled) in either case.
    int WMEraseBkgnd();

    //! Whether the control is being laid out in a form designer (false in the program).
    bool Designing() const { return designing_; }
    void SetDesigning(bool value) { designing_ = value; }

    //! Paints at once (no waiting for a paint message).
    void Display();
    //! A left press released inside the control (fires OnClick).
    virtual void Click();

    //! Fired at the end of every paint.
    platform::TNotifyEvent OnPaint;
    platform::TNotifyEvent OnClick;
    platform::TNotifyEvent OnDblClick;
    platform::TMouseEvent OnMouseDown;
    platform::TMouseMoveEvent OnMouseMove;
    platform::TMouseEvent OnMouseUp;

protected:
    //! Composes the window's picture on Canvas(); fires OnPaint here.
    virtual void Paint();
    //! A button pressed (fires OnMouseDown).
    virtual void MouseDown(platform::TMouseButton Button, platform::TShiftState Shift, int X,
                           int Y);
    //! Paint on request of the code, then the result shown on the screen at once; nothing
    //! while a paint runs (painting is not re-entrant).
    void PaintNow();
    //! Whether a paint is running.
    bool Painting() const { return painting_; }
    //! The bitmap behind Canvas() at the client area's size.
    platform::TBitmap* Screen() const
    {
        FitScreen();
        return screen_.get();
    }

    //! The picture a paint message puts on the screen: the canvas's pixels.
    virtual QImage ShownImage() const;

    //! Paint messages and mouse events: what their handlers throw is shown in a message box
    //! and the program goes on.
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    //! Gives the window's picture the control's size (new parts in Color).
    void FitScreen() const;
    void RunPaint();

    std::unique_ptr<platform::TBitmap> screen_;
    platform::TColor color_ = platform::clBtnFace;
    bool eraseBackground_ = false;
    std::string version_ = "1.0";
    bool designing_ = false;
    bool painting_ = false;
    bool flushing_ = false;
    bool clicked_ = false;
};
