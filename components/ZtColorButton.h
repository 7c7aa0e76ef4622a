#pragma once
// A small square button that shows a colour and, on request, lets the user pick another
// one in the colour dialog.

#include "components/ZtCustomControl.h"

class TZtColorButton : public TZtCustomControl {
    Q_OBJECT
public:
    //! 23 × 22 pixels.
    explicit TZtColorButton(QWidget* owner = nullptr);
    ~TZtColorButton() override;

    //! A click opens the colour dialog (through the platform's dialog service).
    bool ShowColorDialog() const { return showColorDialog_; }
    void SetShowColorDialog(bool Value) { showColorDialog_ = Value; }
    //! Fired when the dialog gave a colour other than Color.
    platform::TNotifyEvent OnChange;
    //! Whether the button looks pressed (from a left press to the next click).
    bool Pressed() const { return pressed_; }

    //! Clears the pressed look and paints; with ShowColorDialog, runs the colour dialog on
    //! Color and takes a different colour it gives (painting and firing OnChange); then
    //! fires OnClick.
    void Click() override;

protected:
    //! A frame two pixels wide (swapped while pressed) and the colour inside a black
    //! outline; then OnPaint.
    void Paint() override;
    //! A left press gives the pressed look at once.
    void MouseDown(platform::TMouseButton Button, platform::TShiftState Shift, int X,
                   int Y) override;

private:
    bool showColorDialog_ = false;
    bool pressed_ = false;
};
