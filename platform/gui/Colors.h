#pragma once
// Colours as the drawing code holds them: 0x00BBGGRR (red in the low byte), system
// colours that follow the application's palette, and palette-relative colours that name
// an entry of a bitmap's logical palette.

#include <cstdint>

class QColor;

namespace platform {

using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

//! High byte of a system colour; the low byte is the system colour's index.
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clBtnHighlight = clSystemColor | 20;

//! The colour of red, green and blue (each 0..255).
constexpr TColor RGB(int r, int g, int b)
{
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColor c)
{
    return static_cast<int>(c & 0xFF);
}
constexpr int GetGValue(TColor c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int GetBValue(TColor c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}

//! A palette-relative colour: entry `index` (low 16 bits) of the logical palette of the
//! bitmap that is drawn into.
constexpr TColor PALETTEINDEX(int index)
{
    return 0x01000000u | static_cast<std::uint16_t>(index);
}
constexpr bool IsPaletteIndex(TColor c)
{
    return (c >> 24) == 0x01;
}
constexpr bool IsSystemColor(TColor c)
{
    return (c & clSystemColor) == clSystemColor;
}

//! The RGB value of a colour: a system colour becomes the application palette's colour
//! of that role (the classic Windows colours while no application exists); every other
//! value comes back unchanged.
TColor ColorToRGB(TColor c);

//! The Qt colour of a colour (system colours resolved; palette-relative colours taken as
//! their low 24 bits).
QColor ToQColor(TColor c);
//! The colour of a Qt colour (alpha dropped).
TColor FromQColor(const QColor& c);

} // namespace platform
