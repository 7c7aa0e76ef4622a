#include "ZtEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPalette>
#include <cmath>
#include <exception>
#include <limits>

#include "platform/core/Messages.h"
#include "platform/gui/Numbers.h"
#include "platform/gui/Text1251.h"

using namespace platform;

namespace {

constexpr char kTab = 9;
constexpr char kEnter = 13;
constexpr char kEsc = 27;
constexpr char kBackspace = 8;

// The character that a key event types, as the 8-bit character of a character message;
// false for keys that type none (moving, deleting, function keys, Alt combinations).
bool CharOf(const QKeyEvent* event, char& out)
{
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event->key();
    if (mods & (Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (mods == Qt::ControlModifier) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z) {
            out = static_cast<char>(key - Qt::Key_A + 1); // Ctrl+A = 1 ... Ctrl+Z = 26
            return true;
        }
        if (key == Qt::Key_Backspace) {
            out = 127;
            return true;
        }
        return false;
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        out = kEnter;
        return true;
    case Qt::Key_Backspace:
        out = kBackspace;
        return true;
    case Qt::Key_Escape:
        out = kEsc;
        return true;
    case Qt::Key_Tab:
        out = kTab;
        return true;
    default:
        break;
    }
    const QString text = event->text();
    if (text.size() != 1 || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F)
        return false;
    const int byte = ToCp1251Byte(text.at(0).unicode());
    if (byte < 0)
        return false;
    out = static_cast<char>(byte);
    return true;
}

// The C library's strtol with base 16 on a 32-bit long: leading white space, a sign, an
// optional 0x prefix, hexadecimal digits up to the first other character; no digits give
// 0, values beyond the range give its nearer end.
std::int32_t HexToInt32(const std::string& text)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const auto digit = platform::HexDigit;
    if (i + 2 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        digit(text[i + 2]) >= 0)
        i += 2;
    std::int64_t value = 0;
    bool any = false;
    for (; i < n && digit(text[i]) >= 0; ++i) {
        any = true;
        if (value <= (std::int64_t{1} << 40))
            value = value * 16 + digit(text[i]);
    }
    if (!any)
        return 0;
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

int QtKeyOf(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z')
        return Qt::Key_A + (u - 'a');
    if (u >= 0x20 && u < 0x7F)
        return u;
    return Qt::Key_unknown;
}

} // namespace

TZtEdit::TZtEdit(QWidget* owner, TZtEditRules rules)
    : QLineEdit(owner), rules_(rules), separator_(SystemDecimalSeparator())
{
    SetDecimalSeparator(separator_);
}

void TZtEdit::SetTypeValue(TTypeValue value)
{
    if (value == typeValue_)
        return;
    typeValue_ = value;
    SetText(QString());
}

void TZtEdit::SetSigned(bool value)
{
    if (value == signed_)
        return;
    signed_ = value;
    SetText(QString());
}

void TZtEdit::SetActiveColor(TColor value)
{
    activeColor_ = value;
    if (focused_)
        SetColor(value);
}

void TZtEdit::SetActiveFontColor(TColor value)
{
    activeFontColor_ = value;
    if (focused_)
        SetFontColor(value);
}

void TZtEdit::SetColor(TColor value)
{
    color_ = value;
    ApplyColors(color_, fontColor_);
}

void TZtEdit::SetFontColor(TColor value)
{
    fontColor_ = value;
    ApplyColors(color_, fontColor_);
}

void TZtEdit::ApplyColors(TColor background, TColor text)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, ToQColor(background));
    p.setColor(QPalette::Text, ToQColor(text));
    setPalette(p);
}

void TZtEdit::SetText(const QString& value)
{
    if (text() != value)
        setText(value);
}

bool TZtEdit::Allowed(char c) const
{
    if ((c >= '0' && c <= '9') || c == kTab || c == kEnter || c == kEsc || c == kBackspace)
        return true;
    if (c == '-' && signed_)
        return true;
    switch (typeValue_) {
    case tvHexadecimal:
        return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    case tvFloat:
        return c == separator_ || (rules_ == TZtEditRules::Program && (c == 'e' || c == 'E'));
    default:
        return false;
    }
}

void TZtEdit::KeyPress(char& Key)
{
    if (typeValue_ != tvString) {
        if (rules_ == TZtEditRules::Program && (Key == '.' || Key == ','))
            Key = separator_;
        if (!Allowed(Key))
            Key = 0;
    }
    if (Key == kEnter) {
        DoEnterValue();
        selectAll();
    }
    if (OnKeyPress)
        OnKeyPress(this, Key);
}

void TZtEdit::DoEnterValue()
{
    if (Text().isEmpty() && typeValue_ != tvString)
        SetText(defaultValue_);
    if (rules_ == TZtEditRules::KwtPlugIn) {
        if (OnEnterValue)
            OnEnterValue(this);
        return;
    }
    if (OnEnterValue && Modified()) {
        OnEnterValue(this);
        SetModified(true);
    }
}

std::int32_t TZtEdit::GetValueInt() const
{
    switch (typeValue_) {
    case tvDecimal:
        return StrToInt(Text().toStdString());
    case tvHexadecimal:
        return HexToInt32(Text().toStdString());
    default:
        return 0;
    }
}

float TZtEdit::GetValueFloat() const
{
    if (typeValue_ != tvFloat)
        return 0;
    const double value = StrToFloat(Text().toStdString());
    if (std::fabs(value) > std::numeric_limits<float>::max())
        return value < 0 ? -std::numeric_limits<float>::infinity()
                         : std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

void TZtEdit::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
    focused_ = true;
    savedColor_ = color_;
    savedFontColor_ = fontColor_;
    SetColor(activeColor_);
    SetFontColor(activeFontColor_);
}

void TZtEdit::DoExit()
{
    if (OnExit)
        OnExit(this);
    DoEnterValue();
    focused_ = false;
    SetColor(savedColor_);
    SetFontColor(savedFontColor_);
}

void TZtEdit::keyPressEvent(QKeyEvent* event)
{
    char key = 0;
    if (!CharOf(event, key)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const char typed = key;
    try {
        KeyPress(key);
    } catch (const std::exception& e) {
        // What a handler throws is shown; the key goes no further.
        event->accept();
        ShowError(e.what());
        return;
    }
    if (key == 0) {
        event->accept();
        return;
    }
    if (key == kEnter) {
        // Enter finishes the entry here and goes no further: the dialog's default button
        // does not see it.
        QLineEdit::keyPressEvent(event);
        event->accept();
        return;
    }
    if (key == typed) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent changed(QEvent::KeyPress, QtKeyOf(key), event->modifiers() & Qt::ShiftModifier,
                      FromCp1251(std::string(1, key)));
    QLineEdit::keyPressEvent(&changed);
    event->setAccepted(changed.isAccepted());
}

void TZtEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // The box is entered once; the window coming back to the front, or the focus kept
    // after a failed exit, is no new entry.
    if (focused_)
        return;
    try {
        DoEnter();
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void TZtEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Another window coming to the front, or a pop-up menu, does not leave the box.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    if (!focused_)
        return;
    try {
        DoExit();
    } catch (const std::exception& e) {
        // A failed exit keeps the focus in the box, and the error is shown.
        setFocus(Qt::OtherFocusReason);
        ShowError(e.what());
    }
}
