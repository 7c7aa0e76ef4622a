#pragma once
// Settings of the parts of a chart axis and of a frame's main title: the title, the tick
// marks and the value labels. They hold values only; the frame (TZtAxisImage) draws them.
// Every change travels up through OnChange: a part notifies its axis, the axis its frame.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/Persistent.h"
#include "platform/gui/DrawUtils.h"
#include "platform/gui/GraphicsObjects.h"

class TZtAxisImage;

//! What the parts of a chart share: the change notice and the frame whose update bracket
//! Assign uses (null for parts created without one; not owned).
class TZtChartPart : public platform::TPersistent {
public:
    explicit TZtChartPart(TZtAxisImage* Owner) : owner_(Owner) {}
    TZtChartPart(const TZtChartPart&) = delete;
    TZtChartPart& operator=(const TZtChartPart&) = delete;

    TZtAxisImage* Owner() const { return owner_; }
    //! Calls OnChange with the Sender received.
    virtual void Change(const void* Sender);

    //! Set by the holder (the axis or the frame); empty at construction.
    platform::TChangeEvent OnChange;

protected:
    //! A plain value: nothing when unchanged, else stored and Change(this).
    template <typename T> void SetPlain(T& field, const T& value)
    {
        if (platform::ChangeField(field, value))
            Change(this);
    }
    //! An angle: nothing when the given value equals the current one, else brought into
    //! 0 … 360, stored and Change(this).
    void SetAngleField(int& field, int value);

private:
    TZtAxisImage* owner_;
};

//! A title text with font, angle, placement and indent: an axis title or a frame's main
//! title.
class TZtChartTitle : public TZtChartPart {
public:
    explicit TZtChartTitle(TZtAxisImage* Owner = nullptr);

    const std::string& Text() const { return text_; }
    bool Visible() const { return visible_; }
    //! Gap in pixels between the title's strip and what lies inside it.
    int Indent() const { return indent_; }
    //! Kept for the designer; the text takes the font's colour.
    platform::TColor Color() const { return color_; }
    platform::TFontObject* Font() const { return font_.get(); }
    platform::TAlignment Alignment() const { return alignment_; }
    platform::TTextLayout Layout() const { return layout_; }
    //! Degrees counter-clockwise, 0 … 360.
    int Angle() const { return angle_; }

    //! An empty text is not drawn (Windows-1251).
    void SetText(const std::string& Value) { SetPlain(text_, Value); }
    void SetVisible(bool Value) { SetPlain(visible_, Value); }
    void SetIndent(int Value) { SetPlain(indent_, Value); }
    void SetColor(platform::TColor Value) { SetPlain(color_, Value); }
    //! The font copies Value (unless it is the font held).
    void SetFont(const platform::TFontObject* Value) { platform::CopyInto(*font_, Value); }
    void SetAlignment(platform::TAlignment Value) { SetPlain(alignment_, Value); }
    void SetLayout(platform::TTextLayout Value) { SetPlain(layout_, Value); }
    //! -90 stores 270, 720 stores 360, 361 stores 1.
    void SetAngle(int Value) { SetAngleField(angle_, Value); }

    //! Copies Visible, Text, Color, Alignment, Angle and the font; not Indent and Layout.
    void Assign(const platform::TPersistent* Source) override;

private:
    std::string text_;
    bool visible_ = true;
    int indent_ = 3;
    platform::TColor color_ = platform::clBlack;
    std::unique_ptr<platform::TFontObject> font_;
    platform::TAlignment alignment_ = platform::taCenter;
    platform::TTextLayout layout_ = platform::tlCenter;
    int angle_ = 0;
};

//! Which way the ticks point: into the graph area or away from it.
enum TZtChartTicksType : std::uint8_t { cttInner = 0, cttOuter = 1 };

//! The major and minor tick marks of an axis.
class TZtChartTicks : public TZtChartPart {
public:
    explicit TZtChartTicks(TZtAxisImage* Owner = nullptr);

    platform::TPenObject* Pen() const { return pen_.get(); }
    TZtChartTicksType Type() const { return type_; }
    bool Visible() const { return visible_; }
    //! Major tick length in pixels.
    int Length() const { return length_; }
    //! Minor ticks between two labels.
    int MinorTickCount() const { return minorTickCount_; }
    //! Minor tick length in pixels.
    int MinotTickLength() const { return minotTickLength_; }

    void SetPen(const platform::TPenObject* Value) { platform::CopyInto(*pen_, Value); }
    void SetType(TZtChartTicksType Value) { SetPlain(type_, Value); }
    void SetVisible(bool Value) { SetPlain(visible_, Value); }
    void SetLength(int Value) { SetPlain(length_, Value); }
    void SetMinorTickCount(int Value) { SetPlain(minorTickCount_, Value); }
    void SetMinotTickLength(int Value) { SetPlain(minotTickLength_, Value); }

    void Assign(const platform::TPersistent* Source) override;

private:
    std::unique_ptr<platform::TPenObject> pen_;
    TZtChartTicksType type_ = cttOuter;
    bool visible_ = true;
    int length_ = 5;
    int minorTickCount_ = 4;
    int minotTickLength_ = 3;
};

//! The value labels of an axis.
class TZtChartLabels : public TZtChartPart {
public:
    explicit TZtChartLabels(TZtAxisImage* Owner = nullptr);

    //! The first label is the smallest multiple of the step not below Min.
    bool RoundFirstLabel() const { return roundFirstLabel_; }
    bool Visible() const { return visible_; }
    //! Gap in pixels between the label strip and the graph area.
    int Indent() const { return indent_; }
    //! Degrees counter-clockwise, 0 … 360.
    int Angle() const { return angle_; }
    platform::TFontObject* Font() const { return font_.get(); }
    //! Decimals of the texts; -1: as many as the step needs (at most 5).
    int Precision() const { return precision_; }

    void SetRoundFirstLabel(bool Value) { SetPlain(roundFirstLabel_, Value); }
    void SetVisible(bool Value) { SetPlain(visible_, Value); }
    void SetIndent(int Value) { SetPlain(indent_, Value); }
    void SetAngle(int Value) { SetAngleField(angle_, Value); }
    void SetFont(const platform::TFontObject* Value) { platform::CopyInto(*font_, Value); }
    //! Nothing when Value equals the current precision; otherwise stores it, raised to -1
    //! when below, and notifies.
    void SetPrecision(int Value);

    void Assign(const platform::TPersistent* Source) override;

private:
    bool roundFirstLabel_ = true;
    bool visible_ = true;
    int indent_ = 2;
    int angle_ = 0;
    std::unique_ptr<platform::TFontObject> font_;
    int precision_ = 0;
};
