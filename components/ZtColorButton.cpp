#include "ZtColorButton.h"

#include "platform/core/Dialogs.h"
#include "platform/gui/DrawUtils.h"

using namespace platform;

TZtColorButton::TZtColorButton(QWidget* owner) : TZtCustomControl(owner)
{
    resize(23, 22);
}

TZtColorButton::~TZtColorButton() = default;

void TZtColorButton::Paint()
{
    TCanvas* canvas = Canvas();
    TRect r = Rect(0, 0, width(), height());
    const TColor light = pressed_ ? clBtnShadow : clBtnHighlight;
    const TColor dark = pressed_ ? clBtnHighlight : clBtnShadow;
    Frame3D(canvas, r, light, dark, 2);
    canvas->Pen = TPen{clBlack, 1, psSolid, pmCopy};
    canvas->Brush = TBrush{Color(), bsSolid};
    canvas->Rectangle(r);
    TZtCustomControl::Paint();
}

void TZtColorButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TZtCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft) {
        pressed_ = true;
        PaintNow();
    }
}

void TZtColorButton::Click()
{
    pressed_ = false;
    PaintNow();
    if (showColorDialog_) {
        ColorDialogRequest request{ColorToRGB(Color())};
        if (ColorDialogs().Run(request) && request.Color != Color()) {
            SetColor(request.Color);
            PaintNow();
            if (OnChange)
                OnChange(this);
        }
    }
    TZtCustomControl::Click();
}
