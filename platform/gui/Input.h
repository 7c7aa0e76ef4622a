#pragma once
// Mouse and keyboard event types of the controls: the buttons, the shift state and the
// reassignable event handlers that forms and tools bind to a control.

#include <Qt>
#include <cstdint>
#include <functional>

class QObject;

namespace platform {

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftFlag : std::uint8_t {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};

//! The keys and mouse buttons held during an event.
class TShiftState {
public:
    constexpr TShiftState() = default;
    constexpr TShiftState(std::uint8_t flags) : flags_(flags) {}
    constexpr bool Contains(TShiftFlag flag) const { return (flags_ & flag) != 0; }
    constexpr TShiftState& operator<<(TShiftFlag flag)
    {
        flags_ |= flag;
        return *this;
    }
    constexpr std::uint8_t Flags() const { return flags_; }
    constexpr bool operator==(const TShiftState&) const = default;

private:
    std::uint8_t flags_ = 0;
};

//! The shift state of Qt's modifiers and held mouse buttons.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
//! The button of a Qt mouse button; false for buttons other than left, right and middle.
bool MouseButtonOf(Qt::MouseButton button, TMouseButton& result);

//! An event that names only its sender.
using TNotifyEvent = std::function<void(QObject* Sender)>;
//! A button pressed or released at (X, Y), client coordinates.
using TMouseEvent =
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
//! The mouse moved to (X, Y), client coordinates.
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;
//! A typed character (8-bit, Windows-1251); setting Key to 0 swallows it.
using TKeyPressEvent = std::function<void(QObject* Sender, char& Key)>;

} // namespace platform
