#include "processing/GridSelection.h"

#include <algorithm>
#include <cmath>

#include "processing/RawValue.h"

namespace processing {

TGridPoint TGridMapping::PixelOf(int column, int row) const
{
    return {PixelCoordinate(Left + std::trunc((column + 0.5) * PixelsPerPointX)),
            PixelCoordinate(Top + std::trunc((row + 0.5) * PixelsPerPointY))};
}

TGridPoint TGridMapping::PointUnder(int x, int y) const
{
    if (!(PixelsPerPointX > 0) || !(PixelsPerPointY > 0))
        return {-1, -1};
    return {ToRawValue((double(x) - Left) / PixelsPerPointX),
            ToRawValue((double(y) - Top) / PixelsPerPointY)};
}

bool CoordinateAccepted(TEndCoordinate which, std::int64_t v, const TSegment& e, int width,
                        int height)
{
    const bool isX = which == TEndCoordinate::X1 || which == TEndCoordinate::X2;
    if (v < 0 || v >= (isX ? width : height))
        return false;
    switch (which) {
    case TEndCoordinate::X1: return e.X2 != v || e.Y1 != e.Y2;
    case TEndCoordinate::Y1: return e.Y2 != v || e.X1 != e.X2;
    case TEndCoordinate::X2: return e.X1 != v || e.Y1 != e.Y2;
    case TEndCoordinate::Y2: return e.Y1 != v || e.X1 != e.X2;
    }
    return false;
}

namespace {

bool Near(int c, int r, std::int32_t x, std::int32_t y, const TGridMapping& m)
{
    const double dx = m.PixelsPerPointX * (double(c) - x);
    const double dy = m.PixelsPerPointY * (double(r) - y);
    return dx * dx + dy * dy <= 16;
}

}  // namespace

void TEndsDrag::Press(int c, int r, const TGridMapping& mapping, const TSegment& ends, int width,
                      int height)
{
    if (Near(c, r, ends.X1, ends.Y1, mapping))
        GrabStart = true;
    else if (Near(c, r, ends.X2, ends.Y2, mapping))
        GrabEnd = true;
    else if (0 <= c && c < width && 0 <= r && r < height) {
        NewPair = true;
        AnchorX = c;
        AnchorY = r;
    }
}

std::vector<TSegment> TEndsDrag::Move(int c, int r, TSegment ends, int width, int height)
{
    std::vector<TSegment> steps;
    if (width < 1 || height < 1)
        return steps;
    const std::int32_t col = std::clamp(c, 0, width - 1);
    const std::int32_t row = std::clamp(r, 0, height - 1);
    if (GrabStart) {
        if (col != ends.X2 || row != ends.Y2) {
            ends.X1 = col;
            ends.Y1 = row;
        }
        steps.push_back(ends);
    }
    if (GrabEnd) {
        if (col != ends.X1 || row != ends.Y1) {
            ends.X2 = col;
            ends.Y2 = row;
        }
        steps.push_back(ends);
    }
    if (NewPair && (col != AnchorX || row != AnchorY)) {
        ends = {AnchorX, AnchorY, col, row};
        steps.push_back(ends);
        NewPair = false;
        GrabEnd = true;
    }
    return steps;
}

void TEndsDrag::Release()
{
    GrabStart = GrabEnd = NewPair = false;
}

}  // namespace processing
