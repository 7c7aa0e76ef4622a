#pragma once
// A window that shows an owned bitmap, Background: whoever owns the form draws into
// Background's canvas, and the control copies the bitmap to the screen either after every
// drawing operation (AutoRefresh) or when asked (Display).

#include <QWidget>
#include <memory>
#include <string>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Input.h"

class TZtImage : public QWidget {
    Q_OBJECT
public:
    explicit TZtImage(QWidget* owner = nullptr);
    ~TZtImage() override;

    //! The picture shown (owned by the control). Drawing on its canvas calls Change.
    platform::TBitmap* Background() const { return background_.get(); }
    //! Background becomes a copy of the bitmap (nullptr empties it); repainted later.
    void SetBackground(const platform::TBitmap* value);

    bool AutoRefresh() const { return autoRefresh_; }
    //! Repaint after every drawing operation on Background; switching it on paints at once.
    void SetAutoRefresh(bool value);
    bool EraseBackground() const { return eraseBackground_; }
    //! Whether the window's background is erased (filled with Color) before a paint
    //! message; true repaints at once.
    void SetEraseBackground(bool value);
    //! "1.0"; the setter ignores every value.
    std::string Version() const { return version_; }
    void SetVersion(const std::string& value);
    bool AutoSize() const { return autoSize_; }
    //! Whether the control takes Background's size (AdjustSize).
    void SetAutoSize(bool value);
    //! The colour of the window's background (and of a buffered image's buffer).
    platform::TColor Color() const { return color_; }
    void SetColor(platform::TColor value);

    //! Fired at the end of every paint.
    platform::TNotifyEvent OnPaint;
    platform::TNotifyEvent OnClick;
    platform::TNotifyEvent OnDblClick;
    platform::TMouseEvent OnMouseDown;
    platform::TMouseMoveEvent OnMouseMove;
    platform::TMouseEvent OnMouseUp;

    //! Paints at once (no waiting for a paint message).
    void Display();
    //! Holds back the repaints of Change until the matching EndUpdate; nests.
    void BeginUpdate();
    //! Ends one BeginUpdate; the last one enables repainting and calls Change.
    void EndUpdate();
    //! Something drawn on Background: paints at once when the control is constructed,
    //! loaded, AutoRefresh is on, no BeginUpdate is open and it is not being destroyed.
    //! Sender is the object that changed (only its identity matters).
    virtual void Change(const void* Sender);
    //! The form has finished setting the control up (in place of streaming it from a form);
    //! only from then on does drawing with AutoRefresh repaint.
    virtual void Loaded();
    //! With AutoSize on, gives the control Background's width and height.
    virtual void AdjustSize();
    //! Proposes Background's width and height as the control's size; true.
    virtual bool CanAutoSize(int& NewWidth, int& NewHeight);
    //! The erase-background message: erases the window with Color when EraseBackground is
    //! set; the message's result, 1 (background handled) in either case.
    int WMEraseBkgnd();

    //! The control's own canvas: the picture that the window shows.
    platform::TCanvas* Canvas() const
    {
        FitScreen();
        return screen_->Canvas();
    }

protected:
    //! Composes the window's picture on Canvas() and fires OnPaint.
    virtual void Paint();
    //! Whether the destructor has begun (Change never paints then).
    bool Destroying() const { return destroying_; }
    //! Called first by every destructor of the family.
    void MarkDestroying() { destroying_ = true; }
    //! Whether Loaded has been called.
    bool IsLoaded() const { return loaded_; }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void BindBackground();
    //! Gives the window's picture the control's size (new parts in Color).
    void FitScreen() const;
    //! Paint on request of the code, then the result shown on the screen at once.
    void PaintNow();
    void RunPaint();

    std::unique_ptr<platform::TBitmap> background_;
    std::unique_ptr<platform::TBitmap> screen_;
    bool updateEnabled_ = true;
    int updateCount_ = 0;
    bool eraseBackground_ = false;
    std::string version_ = "1.0";
    bool loaded_ = false;
    bool constructed_ = false;
    bool autoRefresh_ = false;
    bool autoSize_ = false;
    platform::TColor color_ = platform::clBtnFace;
    bool destroying_ = false;
    bool painting_ = false;
    bool flushing_ = false;
    bool clicked_ = false;
};
