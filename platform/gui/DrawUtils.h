#pragma once
// Drawing helpers of the platform and the class library on a canvas: formatted text in a
// rectangle (with the platform's flags), and the three-dimensional frame.

#include <cstdint>
#include <string>

#include "platform/gui/Canvas.h"

namespace platform {

//! Horizontal placement of a text.
enum TAlignment : std::uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
//! Vertical placement of a text.
enum TTextLayout : std::uint8_t { tlTop = 0, tlCenter = 1, tlBottom = 2 };

//! Flags of DrawText.
enum : unsigned {
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOPREFIX = 0x800,
};

//! The flag of DrawText for an alignment: DT_LEFT, DT_RIGHT or DT_CENTER.
unsigned AlignmentFlag(TAlignment Align);
//! The flag of DrawText for a layout: 0, DT_VCENTER or DT_BOTTOM.
unsigned LayoutFlag(TTextLayout Layout);

//! Writes Text (Windows-1251) into R with the canvas's font and brush: lines split at line
//! breaks (one line with DT_SINGLELINE) and, with DT_WORDBREAK, between words where a line
//! would be wider than R; each line placed left, centred or right in R; a single line also
//! at the top, the middle (DT_VCENTER) or the bottom (DT_BOTTOM); tabs expanded to every
//! eighth character with DT_EXPANDTABS; "&" marks an accelerator (left out, "&&" gives
//! "&") unless DT_NOPREFIX. Nothing is clipped to R.
void DrawText(TCanvas* Canvas, const TRect& R, const std::string& Text, unsigned Flags);

//! Draws Width one-pixel frames from the outside of Rect inwards, each with its left and
//! top edges in TopColor and its right and bottom edges in BottomColor, and moves Rect's
//! four sides inwards by Width. Leaves the pen one pixel wide in BottomColor.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

} // namespace platform
