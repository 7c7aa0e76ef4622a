#include "Colors.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

namespace platform {

namespace {

struct SystemColour {
    int Index;
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
    TColor Classic; // the classic Windows colour, used while no application exists
};

constexpr SystemColour kSystemColours[] = {
    {5, QPalette::Active, QPalette::Base, RGB(255, 255, 255)},
    {8, QPalette::Active, QPalette::Text, RGB(0, 0, 0)},
    {13, QPalette::Active, QPalette::Highlight, RGB(10, 36, 106)},
    {14, QPalette::Active, QPalette::HighlightedText, RGB(255, 255, 255)},
    {15, QPalette::Active, QPalette::Button, RGB(212, 208, 200)},
    {16, QPalette::Active, QPalette::Dark, RGB(128, 128, 128)},
    {17, QPalette::Disabled, QPalette::Text, RGB(128, 128, 128)},
    {18, QPalette::Active, QPalette::ButtonText, RGB(0, 0, 0)},
    {20, QPalette::Active, QPalette::Light, RGB(255, 255, 255)},
};

} // namespace

TColor ColorToRGB(TColor c)
{
    if (!IsSystemColor(c))
        return c;
    const int index = static_cast<int>(c & 0xFF);
    for (const auto& s : kSystemColours) {
        if (s.Index != index)
            continue;
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return FromQColor(QGuiApplication::palette().color(s.Group, s.Role));
        return s.Classic;
    }
    return clBlack;
}

QColor ToQColor(TColor c)
{
    const TColor rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& c)
{
    const QColor rgb = c.toRgb();
    return RGB(rgb.red(), rgb.green(), rgb.blue());
}

} // namespace platform
