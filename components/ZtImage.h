#pragma once
// A window that shows an owned bitmap, Background: whoever owns the form draws into
// Background's canvas, and the control copies the bitmap to the screen either after every
// drawing operation (AutoRefresh) or when asked (Display).

#include <memory>
#include <string>

#include "components/ZtCustomControl.h"
#include "platform/gui/Bitmap.h"

class TZtImage : public TZtCustomControl {
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
    bool AutoSize() const { return autoSize_; }
    //! Whether the control takes Background's size (AdjustSize).
    void SetAutoSize(bool value);

    //! Holds back the repaints of Change until the matching EndUpdate; nests.
    void BeginUpdate();
    //! Ends one BeginUpdate; the last one enables repainting and calls Change.
    void EndUpdate();
    //! BeginUpdate on an image (none for null) while it lives, then EndUpdate.
    class TUpdateScope {
    public:
        explicit TUpdateScope(TZtImage* image) : image_(image)
        {
            if (image_)
                image_->BeginUpdate();
        }
        ~TUpdateScope()
        {
            if (image_)
                image_->EndUpdate();
        }
        TUpdateScope(const TUpdateScope&) = delete;
        TUpdateScope& operator=(const TUpdateScope&) = delete;

    private:
        TZtImage* image_;
    };
    //! Something drawn on Background: paints at once when the control is constructed,
    //! loaded with AutoRefresh on (or in the designer), no BeginUpdate is open and it is
    //! not being destroyed. Sender is the object that changed (only its identity matters).
    virtual void Change(const void* Sender);
    //! The form has finished setting the control up (in place of streaming it from a form);
    //! only from then on does drawing with AutoRefresh repaint.
    virtual void Loaded();
    //! Whether Loaded has been called (the form has finished setting the control up).
    bool IsLoaded() const { return loaded_; }
    //! With AutoSize on, gives the control Background's width and height.
    virtual void AdjustSize();
    //! Proposes Background's width and height as the control's size; true.
    virtual bool CanAutoSize(int& NewWidth, int& NewHeight);

protected:
    //! Copies Background to the canvas and fires OnPaint.
    void Paint() override;
    //! Whether the destructor has begun (Change never paints then).
    bool Destroying() const { return destroying_; }
    //! Called first by every destructor of the family.
    void MarkDestroying() { destroying_ = true; }
    //! Sets AutoRefresh without painting (for a constructor).
    void InitAutoRefresh(bool value) { autoRefresh_ = value; }
    //! The dashed frame round the client area that marks the control in a designer.
    void DrawDesignFrame();

private:
    void BindBackground();

    std::unique_ptr<platform::TBitmap> background_;
    bool updateEnabled_ = true;
    int updateCount_ = 0;
    bool loaded_ = false;
    bool constructed_ = false;
    bool autoRefresh_ = false;
    bool autoSize_ = false;
    bool destroying_ = false;
};
