#pragma once
// The computations of the 2-D view that need no window: the zoom refinement of a value
// grid, palette indexes and palette-bar rows, shading angles of facets and the label step
// of the axes. Everything here is plain code on plain buffers; the view and the tests call
// it directly.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "processing/Passes.h"

namespace platform {
class IProgress;
}

//! A grid of Height rows of Width signed 32-bit values (row-major), the zoomed values
//! while a zoom is computed. Its memory is not initialised.
class TValueGrid {
public:
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return !values_; }
    //! Makes room for width × height values; false (and the grid empty) when the sizes are
    //! not positive or the memory cannot be had.
    bool Allocate(int width, int height);
    void Free();
    std::int32_t& operator()(int row, int col) { return values_[Offset(row, col)]; }
    std::int32_t operator()(int row, int col) const { return values_[Offset(row, col)]; }
    std::int32_t* Row(int row) { return values_.get() + Offset(row, 0); }
    const std::int32_t* Row(int row) const { return values_.get() + Offset(row, 0); }

private:
    std::size_t Offset(int row, int col) const
    {
        return std::size_t(row) * std::size_t(width_) + std::size_t(col);
    }
    std::unique_ptr<std::int32_t[]> values_;
    int width_ = 0;
    int height_ = 0;
};

//! The zoomed size of `size` points at zoom z: (size − 1) × z + 1 (64-bit; 0 for no points).
std::int64_t ZoomedSize(int size, int zoom);

//! The mean of the four corners of the cell centred at (row, col) with half-size h, rounded
//! down. Sums are 64-bit.
std::int32_t DiagonalMean(const TValueGrid& g, int row, int col, int h);
//! The mean of those of (row − h, col), (row, col − h), (row + h, col), (row, col + h) that
//! lie inside the grid, rounded down (a point with no neighbour inside keeps its value).
std::int32_t AxialMean(const TValueGrid& g, int row, int col, int h);

//! Midpoint subdivision: the points at multiples of s (a power of two) are known; fills
//! every other point with averages of points already known (cell centres from their
//! corners, edge midpoints from their ends and the centres beside them), level by level
//! down to spacing 1. Means are rounded down, which for values above a minimum (never
//! negative) is the truncating integer mean. (Width − 1) and (Height − 1) must be
//! multiples of s. Polls `progress` between rows (null: never stops) on the calling thread;
//! `threads` 0 uses every core. False when stopped or when the grid does not fit s.
bool RefineGrid(TValueGrid& g, int s, platform::IProgress* progress = nullptr,
                unsigned threads = 1);

//! The palette entry of a value v above the channel's minimum: trunc(v / rawPerColour),
//! clamped to 0 … colourCount − 1 (0 without colours or with a step that is not positive).
std::uint16_t PaletteIndex(std::int64_t valueAboveMin, double rawPerColour, int colourCount);

//! Palette indexes of `count` raw values; `threads` 0 uses every core.
void ComputeIndexes(const std::int32_t* values, std::int64_t count, std::int32_t min,
                    double rawPerColour, int colourCount, std::uint16_t* indexes,
                    unsigned threads = 0);

//! The zoomed palette picture of a channel of width × height raw values at zoom 2, 4 or 8:
//! the coarse grid, its refinement and the indexes of every zoomed point, as the zoom
//! worker computes them behind the progress dialog. `grid` must hold the zoomed size and
//! `indexes` as many entries. Progress: range 0..2 at 1, then 2, then one step of the
//! zoomed width per index row. False when stopped.
bool ZoomIndexes(const std::int32_t* values, int width, int height, int zoom, std::int32_t min,
                 double rawPerColour, int colourCount, TValueGrid& grid, std::uint16_t* indexes,
                 platform::IProgress& progress, unsigned threads = 0);

//! Rows of working memory (of the zoomed width) for ZoomIndexesInBands on a channel of
//! `height` rows at zoom z (a power of two) with up to `threads` workers (0: every core): a
//! ring of (log2 z + 1) × z + 1 rows, or of the zoomed height when that is less, for each
//! worker, and at most one worker per 32 channel rows; 1 at zoom 1.
int ZoomWorkRows(int height, int zoom, unsigned threads = 0);

//! The memory, in bytes, that the zoomed picture of a width × height channel at zoom z
//! needs while it is built: one palette index (2 bytes) per zoomed point and, above zoom 1,
//! the working rows of ZoomIndexesInBands (4 bytes per value) for up to `threads` workers
//! (0: every core). 0 for no points.
std::int64_t ZoomMemoryBytes(int width, int height, int zoom, unsigned threads = 0);

//! The same indexes, progress and stops as ZoomIndexes, without a zoomed grid of the whole
//! picture: each worker refines pieces of bands of channel rows in a ring of rows of its
//! own and takes the indexes of every zoomed row as soon as it is final, while the row is
//! still in the cache. `rings` must be ZoomedSize(width, zoom) wide and hold the ring of
//! one worker at least (ZoomWorkRows with one thread); the workers are at most `threads`
//! (0: every core) and as many as it holds rings for. Its contents are scratch. The
//! calling thread reports the rows done and polls for a stop after each row it finishes.
//! False when stopped or when the zoom is no power of two.
bool ZoomIndexesInBands(const std::int32_t* values, int width, int height, int zoom,
                        std::int32_t min, double rawPerColour, int colourCount, TValueGrid& rings,
                        std::uint16_t* indexes, platform::IProgress& progress,
                        unsigned threads = 0);

//! Rows of the palette bar bitmap: one per colour up to 500 colours, then one per two or
//! three colours (colourCount / ((colourCount − 1) / 500 + 1)); 0 without colours.
int PaletteBarRows(int colourCount);
//! The palette entry of bar row y (0 at the top): trunc(colourCount − y × k − 1) with
//! k = colourCount / rows, clamped to the palette.
int PaletteBarColour(int colourCount, int rows, int y);

//! A point or vector of single-precision floats.
struct TPoint3F {
    float x = 0;
    float y = 0;
    float z = 0;
};

//! The normal of the facet through p0, p1, p2: with a = p1 − p0 and b = p2 − p0,
//! (−(a.y b.z − a.z b.y), −(b.x a.z − a.x b.z), |a.x b.y − b.x a.y|).
TPoint3F FacetNormal(const TPoint3F& p0, const TPoint3F& p1, const TPoint3F& p2);

//! A unit light direction.
struct TLightDirection {
    double x = 0;
    double y = 0;
    double z = 0;
};

//! The light of tilt alfa and polar angle fi (degrees):
//! (cos(−α) cos(−φ), cos(−α) sin(−φ), sin(−α)).
TLightDirection LightDirection(int alfa, int fi);

//! The angle between a facet normal and the light in tenths of a degree (0 … 1800),
//! truncated. A normal of zero or non-finite length has no angle and gets that of a flat
//! facet (normal (0, 0, 1)); a cosine pushed past ±1 by rounding is taken as ±1.
std::int32_t ShadingAngle(const TPoint3F& normal, const TLightDirection& light);

//! The shading angles of a height matrix: the facet (i, j), (i, j + 1), (i + 1, j) of every
//! point but the last row and column (x = j × xStep, y = i × yStep, z = height × zScale,
//! in floats); the last column repeats the one before it, the last row the one above it.
//! A matrix of one row or one column has no facets and shows as flat. `threads` 0 uses
//! every core. `angles` may not alias `heights`.
void ShadeMatrix(const std::int32_t* heights, int width, int height, float xStep, float yStep,
                 float zScale, const TLightDirection& light, std::int32_t* angles,
                 unsigned threads = 0);

//! The label step of an axis of `extent` units drawn over `pixels` pixels: the smallest
//! whole m ≥ 1 whose labels lie more than 20 pixels apart, but at most the first m that
//! reaches half the extent. 0 (no ticks) when the extent or the pixel count is not
//! positive and finite.
double AxisLabelStep(double extent, double pixels);

//! Decimals of the Z labels: 1 below a physical range of 20, else 0.
int ZDecimals(double physicalRange);

//! What the axes of a view are drawn from: the picture's geometry and the channel.
struct TAxesInput {
    int ImageLeft = 50;
    int ImageTop = 30;
    int ImageRight = 0;
    int ImageBottom = 0;
    int BarRight = 0;
    int Width = 0;     //!< points per row
    int Height = 0;    //!< rows
    double XStep = 0;  //!< nm between points
    double YStep = 0;  //!< nm between rows
    double ZScale = 0; //!< physical value of one raw count
    std::int32_t Min = 0;
    std::int32_t Max = 0;
    std::string ZUnit; //!< Windows-1251
};

//! One drawing step of the axes: a line from (X1, Y1) to (X2, Y2) without its end pixel,
//! or a text (Windows-1251) with its top-left corner at (X1, Y1) in Arial of Size points.
struct TAxisItem {
    bool IsText = false;
    int X1 = 0;
    int Y1 = 0;
    int X2 = 0;
    int Y2 = 0;
    std::string Text;
    int Size = 7;
    bool Bold = false;
    bool operator==(const TAxisItem&) const = default;
};

//! The axes in drawing order: the Z scale right of the bar, the X axis above the image,
//! the Y axis left of it, the matrix size below and the captions. Label steps come from
//! AxisLabelStep, so any extent gives a bounded number of ticks, and an axis whose extent
//! is not positive and finite gets its line but no ticks.
std::vector<TAxisItem> LayoutAxes(const TAxesInput& in);
