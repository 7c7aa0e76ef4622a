#pragma once
// Choosing two grid points on a 2-D view, as the profile window chooses the ends of its
// segment and the crop tool the corners of its rectangle: the mapping between grid points
// and view pixels, the check of a typed coordinate and the drag on the view.

#include <cstdint>
#include <vector>

#include "processing/Profile.h"

namespace processing {

//! Where a view draws the grid: grid point (c, r) has the pixel (Left + trunc((c + 0.5) ×
//! PixelsPerPointX), Top + trunc((r + 0.5) × PixelsPerPointY)).
struct TGridMapping {
    int Left = 0;
    int Top = 0;
    double PixelsPerPointX = 1;
    double PixelsPerPointY = 1;

    //! The pixel of a grid point (coordinates limited as PixelCoordinate does).
    TGridPoint PixelOf(int column, int row) const;
    //! The grid point under a pixel: (trunc((x − Left) / PixelsPerPointX), trunc((y − Top) /
    //! PixelsPerPointY)), not limited to any grid; (−1, −1) when a scale is not positive.
    TGridPoint PointUnder(int x, int y) const;
};

//! Which coordinate a box holds.
enum class TEndCoordinate { X1, Y1, X2, Y2 };

//! Whether v may become that coordinate of the two points: 0 ≤ v < width for x, 0 ≤ v <
//! height for y, and the changed point may not fall on the other one.
bool CoordinateAccepted(TEndCoordinate which, std::int64_t v, const TSegment& ends, int width,
                        int height);

//! The drag of the two points on a view of a grid of Width × Height points: a press near the
//! first point grabs it, else one near the second point grabs that, else a press on the grid
//! starts a new pair at the anchor; the moves then carry what was grabbed, limited to the
//! grid, never onto the other point.
class TEndsDrag {
public:
    //! A press over grid point (c, r): "near" is within 4 pixels, measured between grid
    //! points with the view's scales; the first point is tested first. A press off the grid
    //! and away from both points starts nothing.
    void Press(int c, int r, const TGridMapping& mapping, const TSegment& ends, int width,
               int height);
    //! A move over grid point (c, r) (not limited) while the left button is held: the ends
    //! after each change that the move makes, in order (moving the first point, moving the
    //! second, starting a new pair); each is to be bracketed by erasing and drawing the
    //! overlay. A point that would land on the other one stays. A new pair starts once the
    //! limited point differs from the anchor; the same drag then moves its second point.
    std::vector<TSegment> Move(int c, int r, TSegment ends, int width, int height);
    //! The release: nothing grabbed any more.
    void Release();

    bool Idle() const { return !GrabStart && !GrabEnd && !NewPair; }

    bool GrabStart = false;
    bool GrabEnd = false;
    bool NewPair = false;
    std::int32_t AnchorX = 0;
    std::int32_t AnchorY = 0;
};

}  // namespace processing
