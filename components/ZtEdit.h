#pragma once
// A single-line edit box that accepts only the characters of a chosen number type, shows
// its own colours while it has the focus, puts a default text back when it is left empty,
// and reports a finished entry through OnEnterValue on Enter and on leaving the box.

#include <QLineEdit>
#include <cstdint>

#include "platform/gui/Colors.h"
#include "platform/gui/Input.h"

//! The number type of a box.
enum TTypeValue : std::uint8_t { tvString = 0, tvDecimal = 1, tvHexadecimal = 2, tvFloat = 3 };

//! Which rules a box follows: those of the program, or those of the copy that the
//! force-spectroscopy plug-in links (no exponent letters, "." and "," not mapped to the
//! separator, OnEnterValue on every Enter and exit).
enum class TZtEditRules { Program, KwtPlugIn };

class TZtEdit : public QLineEdit {
    Q_OBJECT
public:
    //! Also sets the program-wide decimal separator to the system default locale's.
    explicit TZtEdit(QWidget* owner = nullptr, TZtEditRules rules = TZtEditRules::Program);

    TTypeValue TypeValue() const { return typeValue_; }
    //! A different type clears the text.
    void SetTypeValue(TTypeValue value);
    platform::TColor ActiveColor() const { return activeColor_; }
    //! The background colour while focused; applied at once while focused.
    void SetActiveColor(platform::TColor value);
    platform::TColor ActiveFontColor() const { return activeFontColor_; }
    //! The text colour while focused; applied at once while focused.
    void SetActiveFontColor(platform::TColor value);
    //! True between gaining and losing the focus.
    bool Focused() const { return focused_; }
    const QString& DefaultValue() const { return defaultValue_; }
    //! The text put back when a number box is left empty.
    void SetDefaultValue(const QString& value) { defaultValue_ = value; }
    bool Signed() const { return signed_; }
    //! Whether "-" may be typed; a change clears the text.
    void SetSigned(bool value);

    //! The background colour (clWindow at start).
    platform::TColor Color() const { return color_; }
    void SetColor(platform::TColor value);
    //! The text colour (clWindowText at start).
    platform::TColor FontColor() const { return fontColor_; }
    void SetFontColor(platform::TColor value);

    QString Text() const { return text(); }
    //! Sets the text when it differs from the shown one; setting it clears Modified.
    void SetText(const QString& value);
    bool Modified() const { return isModified(); }
    void SetModified(bool value) { setModified(value); }

    //! The finished-entry event.
    platform::TNotifyEvent OnEnterValue;
    //! Each typed character after the box's filter (Key 0 when it was swallowed).
    platform::TKeyPressEvent OnKeyPress;
    platform::TNotifyEvent OnEnter;
    platform::TNotifyEvent OnExit;

    //! The finished entry: an empty number box gets DefaultValue; OnEnterValue fires when
    //! the text was changed by the user.
    virtual void DoEnterValue();
    //! tvDecimal: the text as an integer (EConvertError "'<text>' is not a valid integer
    //! value" when it is none); tvHexadecimal: the text read as hexadecimal, stopping at the
    //! first other character, 0 without digits, held to the 32-bit range; otherwise 0.
    std::int32_t GetValueInt() const;
    //! tvFloat: the text as a number (EConvertError "'<text>' is not a valid floating point
    //! value" when it is none) in single precision; otherwise 0.
    float GetValueFloat() const;

    //! The separator that "." and "," become in tvFloat boxes.
    char Separator() const { return separator_; }

protected:
    //! Filters one typed character: characters outside the type's set become 0, Enter
    //! finishes the entry and selects the text (and goes no further: a dialog's default
    //! button never sees it).
    virtual void KeyPress(char& Key);
    virtual void DoEnter();
    virtual void DoExit();

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ApplyColors(platform::TColor background, platform::TColor text);
    bool Allowed(char c) const;

    TZtEditRules rules_;
    char separator_;
    TTypeValue typeValue_ = tvString;
    platform::TColor activeColor_ = platform::clWindow;
    platform::TColor activeFontColor_ = platform::clWindowText;
    platform::TColor savedColor_ = 0;
    platform::TColor savedFontColor_ = 0;
    bool focused_ = false;
    QString defaultValue_;
    bool signed_ = false;
    platform::TColor color_ = platform::clWindow;
    platform::TColor fontColor_ = platform::clWindowText;
    bool keepFocus_ = false;
};
