#include "processing/Areas.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "platform/core/Kernels.h"
#include "platform/core/Parallel.h"
#include "processing/Passes.h"

namespace processing {

namespace {

//! Rows of cells per band of the full area: a fixed number, so that the bands, and the
//! order their sums are added in, are the same on any number of threads.
constexpr int kAreaBandRows = 32;

// The kernels of the full area are built for AVX-512 too: the pass is bound by the
// throughput of the square roots, which the 512-bit units raise. The file is compiled
// without contracting products and sums into fused operations (which AVX-512 brings), so
// that every clone rounds each operation as the plain twin does.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(MORVANE_NO_CLONES)
#define MORVANE_AREA_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define MORVANE_AREA_CLONES
#endif

//! HeronArea, inlined into the row kernels (the same operations in the same order).
MORVANE_INLINE inline double Heron(double a, double b, double c)
{
    const double u = (a + b + c) / 2;
    const double radicand = u * (u - a) * (u - b) * (u - c);
    return radicand > 0 ? std::sqrt(radicand) : 0.0;
}

//! The scratch rows of one band of the full area.
struct TAreaRows {
    std::vector<double> upper, lower; //!< the heights of the cells' upper and lower rows
    std::vector<double> across;       //!< the upper and the lower horizontal edges
    std::vector<double> acrossBelow;
    std::vector<double> down;    //!< the vertical edges, one per column
    std::vector<double> columns; //!< the areas of the band's cells, column by column

    explicit TAreaRows(int width)
        : upper(std::size_t(width)), lower(std::size_t(width)), across(std::size_t(width)),
          acrossBelow(std::size_t(width)), down(std::size_t(width)), columns(std::size_t(width))
    {
    }
};

MORVANE_AREA_CLONES void Heights(const std::int32_t* __restrict raw, int n, double zScale,
                            double* __restrict z)
{
    for (int j = 0; j < n; ++j)
        z[j] = raw[j] * zScale;
}

//! The horizontal edges of a row of heights: n − 1 of them.
MORVANE_AREA_CLONES void AcrossEdges(const double* __restrict z, int n, double dx2,
                                double* __restrict edge)
{
    for (int j = 0; j + 1 < n; ++j)
        edge[j] = std::sqrt((z[j + 1] - z[j]) * (z[j + 1] - z[j]) + dx2);
}

//! The heights of the next row of raw values, and the vertical edges from the row above.
MORVANE_AREA_CLONES void NextRow(const double* __restrict upper, const std::int32_t* __restrict raw,
                            int n, double zScale, double dy2, double* __restrict lower,
                            double* __restrict edge)
{
    for (int j = 0; j < n; ++j) {
        const double z = raw[j] * zScale;
        lower[j] = z;
        edge[j] = std::sqrt((z - upper[j]) * (z - upper[j]) + dy2);
    }
}

//! The n − 1 cells between two rows: the lower horizontal edges, the diagonals, and both
//! triangles of each cell, added to the sum of its column.
MORVANE_AREA_CLONES void CellAreas(const double* __restrict upper, const double* __restrict lower,
                              const double* __restrict across, const double* __restrict down, int n,
                              double dx2, double dy2, double* __restrict acrossBelow,
                              double* __restrict columns)
{
    for (int j = 0; j + 1 < n; ++j) {
        const double z00 = upper[j], z10 = lower[j], z11 = lower[j + 1];
        const double a = down[j];
        const double b = std::sqrt((z11 - z10) * (z11 - z10) + dx2);
        const double t = std::sqrt((z11 - z00) * (z11 - z00) + dx2 + dy2);
        acrossBelow[j] = b;
        columns[j] += Heron(a, b, t) + Heron(t, across[j], down[j + 1]);
    }
}

//! The sum of n values, four running sums at a time.
MORVANE_AREA_CLONES double RowSum(const double* v, int n)
{
    platform::V4d lanes = {0, 0, 0, 0};
    int j = 0;
    for (; j + 4 <= n; j += 4) {
        platform::V4d x;
        __builtin_memcpy(&x, v + j, sizeof x);
        lanes += x;
    }
    double sum = (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
    for (; j < n; ++j)
        sum += v[j];
    return sum;
}

//! Columns of cells per tile of a band: the scratch rows of a tile stay in the first-level
//! cache while its rows are swept.
constexpr int kAreaTileCells = 256;

//! The area of the cells of rows first..last − 1 (each between row i and row i + 1), tile
//! by tile of columns; each column's sum takes its cells in the order of the rows.
double AreaBand(const std::int32_t* values, int width, int first, int last, double dx2, double dy2,
                double zScale)
{
    TAreaRows rows(std::min(width, kAreaTileCells + 1));
    std::vector<double> columns(std::size_t(width - 1));
    for (int left = 0; left + 1 < width; left += kAreaTileCells) {
        const int n = std::min(kAreaTileCells + 1, width - left); // values of the tile's rows
        std::fill(rows.columns.begin(), rows.columns.end(), 0.0);
        const std::int32_t* at = values + left;
        Heights(at + std::ptrdiff_t(first) * width, n, zScale, rows.upper.data());
        AcrossEdges(rows.upper.data(), n, dx2, rows.across.data());
        for (int i = first; i < last; ++i) {
            NextRow(rows.upper.data(), at + std::ptrdiff_t(i + 1) * width, n, zScale, dy2,
                    rows.lower.data(), rows.down.data());
            CellAreas(rows.upper.data(), rows.lower.data(), rows.across.data(), rows.down.data(),
                      n, dx2, dy2, rows.acrossBelow.data(), rows.columns.data());
            // The lower row of these cells is the upper row of the next.
            rows.upper.swap(rows.lower);
            rows.across.swap(rows.acrossBelow);
        }
        std::copy(rows.columns.begin(), rows.columns.begin() + (n - 1), columns.begin() + left);
    }
    return RowSum(columns.data(), width - 1);
}

} // namespace

double NominalArea(int width, int height, double xStep, double yStep)
{
    if (width < 2 || height < 2)
        return 0.0;
    return double(width - 1) * double(height - 1) * xStep * yStep;
}

double HeronArea(double a, double b, double c)
{
    return Heron(a, b, c);
}

double FullArea(const std::int32_t* values, int width, int height, double xStep, double yStep,
                double zScale, unsigned threads)
{
    if (!values || width < 2 || height < 2)
        return 0.0;
    const double dx2 = xStep * xStep, dy2 = yStep * yStep;
    const int cellRows = height - 1;
    const std::size_t bands = std::size_t((cellRows + kAreaBandRows - 1) / kAreaBandRows);
    std::vector<double> sums(bands);
    platform::ParallelBands(
        bands,
        [&](std::size_t band) {
            const int first = int(band) * kAreaBandRows;
            sums[band] = AreaBand(values, width, first, std::min(first + kAreaBandRows, cellRows),
                                  dx2, dy2, zScale);
        },
        ThreadsFor(std::int64_t(width) * height, threads));
    double sum = 0;
    for (const double s : sums)
        sum += s;
    return sum;
}

double FullAreaPlain(const std::int32_t* values, int width, int height, double xStep, double yStep,
                     double zScale)
{
    if (!values || width < 2 || height < 2)
        return 0.0;
    const double dx2 = xStep * xStep, dy2 = yStep * yStep;
    double sum = 0;
    for (int i = 0; i + 1 < height; ++i) {
        const std::int32_t* upper = values + std::ptrdiff_t(i) * width;
        const std::int32_t* lower = upper + width;
        for (int j = 0; j + 1 < width; ++j) {
            const double z00 = upper[j] * zScale, z01 = upper[j + 1] * zScale;
            const double z10 = lower[j] * zScale, z11 = lower[j + 1] * zScale;
            const double a = std::sqrt((z10 - z00) * (z10 - z00) + dy2);
            const double b = std::sqrt((z11 - z10) * (z11 - z10) + dx2);
            const double t = std::sqrt((z11 - z00) * (z11 - z00) + dx2 + dy2);
            const double p = std::sqrt((z01 - z00) * (z01 - z00) + dx2);
            const double q = std::sqrt((z11 - z01) * (z11 - z01) + dy2);
            sum += HeronArea(a, b, t);
            sum += HeronArea(t, p, q);
        }
    }
    return sum;
}

double AreaRatio(double nominal, double full)
{
    return full != 0 ? nominal / full : 0.0;
}

}  // namespace processing
