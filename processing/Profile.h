#pragma once
// The numerics of the profile window: sampling a channel along a segment of grid points,
// the least-squares line of a graph, removing and restoring its tilt, the tick step of the
// distance axis, the form of the height labels and the grid points of the markers.
// Plain functions on plain buffers; the profile window and the tests call them directly.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace processing {

//! A channel's matrix as the sampler reads it: Height rows of Width raw values (row-major)
//! and the raw value that counts as 0 (the channel's Min).
struct TMatrixView {
    const std::int32_t* Values = nullptr;  //!< null: every value reads as Min
    int Width = 0;
    int Height = 0;
    std::int32_t Min = 0;
};

//! The two ends of a segment of grid points, (X1, Y1) to (X2, Y2) (column, row).
struct TSegment {
    std::int32_t X1 = 0;
    std::int32_t Y1 = 0;
    std::int32_t X2 = 0;
    std::int32_t Y2 = 0;
    bool operator==(const TSegment&) const = default;
};

//! The segment with its ends exchanged when X1 > X2, so that sampling starts at the end
//! with the smaller column ((X1, Y1) when both columns are equal).
TSegment SamplingOrder(const TSegment& s);

//! The number of samples of the segment: the larger of |X2 − X1| and |Y2 − Y1|, plus 1
//! (64-bit, so that no pair of 32-bit ends overflows it).
std::int64_t ProfilePointCount(const TSegment& s);

//! The segment with both ends limited to columns 0 … width − 1 and rows 0 … height − 1.
//! When the limited ends fall on one point of a grid that has more than one, the grid's
//! diagonal (0, 0)–(width − 1, height − 1) is taken instead. A grid without points gives
//! (0, 0)–(0, 0).
TSegment FitSegment(const TSegment& s, int width, int height);

//! Samples the matrix along the segment into `samples` (values above Min, linearly
//! interpolated in extended precision, stored as floats) and returns their number n:
//! - one sample per column when the segment is at least as wide as high (45° included),
//!   interpolated between a row and the one below it;
//! - one sample per row otherwise, interpolated between a column and the one right of it;
//! - the last sample is the end point itself.
//! The ends are taken in SamplingOrder. A neighbour beyond the last row or column is the
//! point itself, and every read is limited to the matrix, so that a channel smaller than
//! the segment is never read outside its grid (its edge values continue). Returns 0 and
//! writes nothing when n exceeds `capacity` or the matrix has no points.
int SampleProfile(const TMatrixView& matrix, const TSegment& segment, float* samples,
                  int capacity);

//! The least-squares line of a graph over the abscissae 1 … n (sample i at i + 1).
struct TProfileLine {
    double Slope = 0;
    double Intercept = 0;
};
//! The line of n samples: Slope = (Σ(i + 1) s_i / n − h · mean) / ((n² − 1) / 12) with
//! h = (n + 1) / 2, Intercept = mean − h · Slope. One sample: slope 0 through it; none: 0, 0.
TProfileLine FitProfileLine(const float* samples, int n);

//! The smallest and largest of n samples; (0, 0) for none.
struct TProfileRange {
    double Min = 0;
    double Max = 0;
};
TProfileRange ProfileRange(const float* samples, int n);

//! Removes a graph's tilt: sample i becomes s_i − i × slope.
void EliminateTilt(float* samples, int n, double slope);

//! The distance between the ticks of the distance axis, in micrometres: the first multiple
//! of 0.5 whose ticks lie more than 20 pixels apart, except that it stops growing once it
//! reaches half the length. `length` is the axis length in micrometres, drawn over
//! `pixels` pixels. 0 (no ticks) when either is not positive and finite.
double ProfileTickStep(double length, double pixels);

//! The three height labels of a graph's axis (bottom, middle, top), in one form chosen by
//! the largest magnitude m of the three: above 1000 whole hundreds, above 100 whole tens,
//! above 10 whole numbers (each "%d" of the truncated value), else "%4.1f".
std::array<std::string, 3> HeightLabels(double bottom, double middle, double top);

//! A pixel coordinate of a computed position: truncated toward zero and limited to
//! −32768 … 32767 (0 for a NaN), so that far-off points of a picture stay drawable.
int PixelCoordinate(double position);

//! The grid point that marker m of n samples stands on, found along the segment from its
//! sampling start (xs, ys) towards its other end (xe, ye): (trunc(m (xe − xs) / (n − 1) +
//! xs), trunc(m (ye − ys) / (n − 1) + ys)); the start for fewer than two samples.
struct TGridPoint {
    std::int32_t Column = 0;
    std::int32_t Row = 0;
    bool operator==(const TGridPoint&) const = default;
};
TGridPoint MarkerGridPoint(int marker, int n, const TSegment& sampling);

//! Whether a marker at point m of n samples gets its square on the 2-D view: not at the
//! first two and last two points (1 < m < n − 2).
bool MarkerSquareShown(int marker, int n);

//! Where a bookmark's box lies relative to its pin (the box's bottom-left corner).
struct TBoxOffset {
    int X = 0;
    int Y = 0;
    bool operator==(const TBoxOffset&) const = default;
};
//! The offset after moving the box by (dx, dy), kept inside a picture of width × height:
//! first its right edge, then its left, then its bottom, then its top is brought inside, so
//! that the left and top edges win for a box larger than the picture.
TBoxOffset MoveBoxInside(TBoxOffset offset, int dx, int dy, int pinX, int pinY, int boxWidth,
                         int boxHeight, int width, int height);

//! The mean spacing of marks at the given point indexes as a fraction of the n points of a
//! profile: (last − first) / (k − 1) / n over the indexes in ascending order, whatever order
//! the marks were made in; 0 for fewer than two marks or no points.
double MarkSpacingFraction(std::vector<int> indexes, int n);

}  // namespace processing
