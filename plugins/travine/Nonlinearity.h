#pragma once
// Travine's numerics, without Qt: the power-law models of the scanner's position along
// each axis, the import of a host channel into a matrix component, the warp that re-samples
// an image with the forward model, the filling of the points the warp left empty, and the
// Pearson coefficients that compare the corrected forward and backward images.
//
// Points are (x, y), x along a row and y the row; a matrix is row after row, mx values
// per row.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/core/Progress.h"
#include "plugins/travine/Dataspm16.h"

namespace travine {

//! The four exponents of the models, each 1.00 to 2.00.
struct TExponents {
    float FastM = 1; //!< along a row (x)
    float FastN = 1;
    float SlowM = 1; //!< across the rows (y)
    float SlowN = 1;
};

//! The forward model at index i of an axis of N points: N (1 - (1 - i/N)^m)^n, where a
//! base of exactly 0 is taken as 0.00001. 0 for N below 1.
double ForwardNonlinearity(int i, int N, float m, float n);
//! The backward model: N - N (1 - (i/N)^m)^n, with the same guard. 0 for N below 1.
double BackwardNonlinearity(int i, int N, float m, float n);
//! The nearest pixel of a position: the integer part of (value + 0.5); 0 for a value that
//! is not finite.
int RoundToPixel(double value);
//! The target index of index i of an axis of N points under the forward model: its nearest
//! pixel, held to 0..N-1.
int ForwardPixel(int i, int N, float m, float n);
//! ForwardPixel of every index 0..N-1.
std::vector<int> ForwardPixels(int N, float m, float n);

//! The neighbours that the filling takes for index i of an axis of n points: the one
//! before (after, for the first) and the one after (before, for the last).
inline int FirstNeighbour(int i)
{
    return i == 0 ? i + 1 : i - 1;
}
inline int SecondNeighbour(int i, int n)
{
    return i + 1 >= n ? i - 1 : i + 1;
}

//! How a host channel can be taken in.
enum class TImportCheck {
    Ok,
    Absent,  //!< no matrix, or no points
    TooWide, //!< the raw values span more than 65535
};
//! Whether a channel of w x h raw values can be imported (`raw` may be null).
TImportCheck CheckChannel(const std::int32_t* raw, int w, int h);

//! The channel's settings and values into the component: mx, my, Kx, Ky, Kz; every value
//! as (raw - minimum) in 16 bits; the mean of those; Min 1 and Max the raw range; the
//! picture painted. The channel must pass CheckChannel. False when the block cannot be
//! had (the component is then left without data; the message is the caller's).
bool ImportChannel(const std::int32_t* raw, int w, int h, double xStep, double yStep, double zScale,
                   TDataspm16& target);

//! Re-samples `source` (mx x my) into `target` of the same size with the forward model:
//! point (x, y) goes to (fast pixel of x, slow pixel of y), a later point overwriting an
//! earlier one. The target starts at 0; `written` (mx x my) marks the points that received
//! a value. Bands of rows run on the machine's cores; the progress (range 0..my) is set
//! from the calling thread alone, to my - 1 once every row is done.
void WarpImage(const std::uint16_t* source, int mx, int my, const TExponents& exponents,
               std::uint16_t* target, std::vector<std::uint8_t>& written,
               platform::IProgress& progress);
//! WarpImage point by point, as the warp is stated (the plain twin of WarpImage, which
//! gathers every target point from the last source point that lands on it).
void WarpImagePlain(const std::uint16_t* source, int mx, int my, const TExponents& exponents,
                    std::uint16_t* target, std::vector<std::uint8_t>& written);

//! Fills the points of `target` that `written` leaves empty from their neighbours, first
//! the columns whose point in row 0 is empty (in ascending order), then the rows whose
//! point in column 0 is still empty: a point takes the integer mean of its two neighbours
//! across the column (or row), the one outside the matrix replaced by the other, an empty
//! second one by the first; it stays empty when its first neighbour is. Filled points count
//! as written for the later ones. An axis of one point is not filled along. Bands of rows
//! (then of columns) run on the machine's cores; the progress (range 0..my) is set from
//! the calling thread alone.
void FillGaps(std::uint16_t* target, std::vector<std::uint8_t>& written, int mx, int my,
              platform::IProgress& progress);
//! FillGaps column by column, as it is stated (the plain twin of FillGaps, which fills the
//! empty columns row by row: a point depends only on points of its own row there).
void FillGapsPlain(std::uint16_t* target, std::vector<std::uint8_t>& written, int mx, int my);

//! Pearson's coefficient of the first n values of s and t, each centred on its own mean;
//! none when n is 0 or a denominator is 0.
std::optional<double> ProfileCorrelation(const double* s, const double* t, std::size_t n);

//! The coefficient of two images of one size, each centred on its stored mean (Mean());
//! none when they differ in size, hold no values or a denominator is 0. The progress runs
//! 0..my.
std::optional<double> MatrixCorrelation(const TDataspm16& p, const TDataspm16& q,
                                        platform::IProgress& progress);

//! The cumulative coefficients of the columns and of the rows of two images of one size:
//! entry x covers the columns 0..x, each centred on its own mean (MeanProfX), and entry y
//! the rows 0..y (MeanProfY); an entry is none where its denominator is 0.
struct TProfileCoefficients {
    std::vector<std::optional<double>> Columns;
    std::vector<std::optional<double>> Rows;
};
TProfileCoefficients ProfilesCorrelation(const TDataspm16& f, const TDataspm16& b,
                                         platform::IProgress& progress);

} // namespace travine
