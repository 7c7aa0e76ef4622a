#pragma once
// A label whose caption can be drawn at any angle and with a raised or recessed look.

#include <cstdint>
#include <memory>
#include <string>

#include "components/ZtCustomControl.h"
#include "platform/gui/DrawUtils.h"
#include "platform/gui/GraphicsObjects.h"

//! The look of the caption: flat, raised (a shadow below right, a highlight above left) or
//! recessed (the two exchanged).
enum TTextStyle : std::uint8_t { tsNone = 0, tsRaised = 1, tsRecessed = 2 };

class TZtRotateLabel : public TZtCustomControl {
    Q_OBJECT
public:
    //! Font "Arial", raised, at angle 0, sizing itself to its caption.
    explicit TZtRotateLabel(QWidget* owner = nullptr);
    ~TZtRotateLabel() override;

    //! Degrees counter-clockwise, 0 … 360.
    int Angle() const { return angle_; }
    //! The setter of Angle: nothing when unchanged; otherwise brought into 0 … 360 (−30
    //! gives 330, 725 gives 5, 360 stays 360), stored and repainted.
    void SetEscapement(int Value);
    TTextStyle TextStyle() const { return textStyle_; }
    void SetTextStyle(TTextStyle Value);

    //! The caption (Windows-1251); "&" marks an accelerator unless ShowAccelChar is off.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& Value);
    platform::TAlignment Alignment() const { return alignment_; }
    void SetAlignment(platform::TAlignment Value)
    {
        alignment_ = Value;
        update();
    }
    platform::TTextLayout Layout() const { return layout_; }
    void SetLayout(platform::TTextLayout Value)
    {
        layout_ = Value;
        update();
    }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool Value)
    {
        wordWrap_ = Value;
        Changed();
    }
    //! The label takes its caption's size.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool Value)
    {
        autoSize_ = Value;
        Changed();
    }
    //! The label does not fill its background: what lies below shows round the text.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool Value)
    {
        showAccelChar_ = Value;
        Changed();
    }
    //! The caption's font (owned); its changes repaint the label.
    platform::TFontObject* Font() const { return font_.get(); }

protected:
    //! Fills the background (unless Transparent) and draws the caption in the client area.
    void Paint() override;
    //! Draws the caption into R: the raised or recessed copies, then the face (grey text
    //! when disabled); at angle 0 formatted with Flags, else turned.
    virtual void DoDrawLabelText(platform::TRect& R, unsigned Flags);
    //! Moves R's top-left corner to where the turned caption starts, placed in the label
    //! by Alignment and Layout (or sizes the label to it with AutoSize).
    void CalcTextPos(platform::TRect& R, int Angle, const std::string& Text);
    //! Writes Text turned by Angle from the point CalcTextPos gives.
    void DrawAngleText(platform::TCanvas* Canvas, platform::TRect R, int Angle,
                       const std::string& Text);
    //! The canvas's pixels, those not drawn left clear while Transparent.
    QImage ShownImage() const override;

private:
    //! The caption's size at the current angle, for AutoSize.
    void AdjustBounds();
    //! A setting changed: the size follows the caption, and the label repaints later.
    void Changed();

    int angle_ = 0;
    TTextStyle textStyle_ = tsRaised;
    std::string caption_;
    platform::TAlignment alignment_ = platform::taLeftJustify;
    platform::TTextLayout layout_ = platform::tlTop;
    bool wordWrap_ = false;
    bool autoSize_ = true;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    std::unique_ptr<platform::TFontObject> font_;
};
