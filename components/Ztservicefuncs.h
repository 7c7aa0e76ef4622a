#pragma once
// Drawing service functions of the component library.

#include "platform/gui/Bitmap.h"

//! Scales the pixels of Source into the whole of Dest by bilinear interpolation about the
//! fixed point (OffsetX, OffsetY): destination pixel (j, i) takes source position
//! ((ScaleX - 1) * OffsetX + j) / ScaleX, ((ScaleY - 1) * OffsetY + i) / ScaleY, held to the
//! source's pixels. Rows count in the bitmaps' storage order, from the bottom up. Every byte
//! of a pixel is interpolated on its own and truncated. Dest keeps its size and takes
//! Source's pixel format. False, and Dest's pixels unchanged, for a zero or non-finite
//! scale, an empty bitmap, or a source that offers no device-independent pixels.
bool DoBilinearInterpolation(platform::TBitmap* Source, platform::TBitmap* Dest, double ScaleX,
                             double ScaleY, int OffsetX, int OffsetY);
