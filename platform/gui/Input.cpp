#include "Input.h"

namespace platform {

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState s;
    if (modifiers & Qt::ShiftModifier)
        s << ssShift;
    if (modifiers & Qt::AltModifier)
        s << ssAlt;
    if (modifiers & Qt::ControlModifier)
        s << ssCtrl;
    if (buttons & Qt::LeftButton)
        s << ssLeft;
    if (buttons & Qt::RightButton)
        s << ssRight;
    if (buttons & Qt::MiddleButton)
        s << ssMiddle;
    return s;
}

bool MouseButtonOf(Qt::MouseButton button, TMouseButton& result)
{
    switch (button) {
    case Qt::LeftButton:
        result = mbLeft;
        return true;
    case Qt::RightButton:
        result = mbRight;
        return true;
    case Qt::MiddleButton:
        result = mbMiddle;
        return true;
    default:
        return false;
    }
}

} // namespace platform
