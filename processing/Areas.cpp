#include "processing/Areas.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define MORVANE_AREA_WIDE 1
#endif

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
                                   const double* __restrict across, const double* __restrict down,
                                   int n, double dx2, double dy2, double* __restrict acrossBelow,
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

#if MORVANE_AREA_WIDE
// With AVX-512 the cells go eight at a time through a kernel of their own. The five square
// roots of a cell (three edges, two triangles) bound the pass on the square-root unit, while
// the multiply-add units beside it wait: one triangle's root is taken on these instead,
// proven to be the double nearest to the root (as the square-root instruction gives it) or
// else taken by that instruction.
#define MORVANE_AREA_WIDE_TARGET __attribute__((target("avx512f")))

//! The square roots of the lanes of x that `wanted` marks (the others are 0), each the same
//! to the last bit as std::sqrt. A root s from the reciprocal estimate refined by
//! multiply-adds is the nearest double to √x where |x − s²| < s·u·(1 − 2⁻¹²), u being the
//! spacing of the doubles just below s: then √x lies within u/2 of s. x − s² comes from one
//! fused multiply-add (off by a rounding at most, far inside the margin), s·u is exact; below
//! 2⁻⁹⁰⁰ (where s·u would lose bits), for 0, infinities, NaN, or when the test fails, the
//! lane takes the square-root instruction.
MORVANE_AREA_WIDE_TARGET MORVANE_INLINE inline __m512d CheckedRoot(__m512d x, __mmask8 wanted)
{
    const __m512d half = _mm512_set1_pd(0.5);
    const __m512d r = _mm512_maskz_rsqrt14_pd(0xff, x); // within 2⁻¹⁴
    __m512d g = _mm512_mul_pd(x, r), h = _mm512_mul_pd(half, r);
    __m512d e = _mm512_fnmadd_pd(g, h, half);
    g = _mm512_fmadd_pd(g, e, g); // within about 2⁻²⁸
    h = _mm512_fmadd_pd(h, e, h);
    e = _mm512_fnmadd_pd(g, h, half);
    g = _mm512_fmadd_pd(g, e, g); // within a few units of the last place
    const __m512d s = _mm512_fmadd_pd(_mm512_fnmadd_pd(g, g, x), h, g);
    const __m512d below =
        _mm512_castsi512_pd(_mm512_sub_epi64(_mm512_castpd_si512(s), _mm512_set1_epi64(1)));
    const __m512d bound =
        _mm512_mul_pd(_mm512_mul_pd(s, _mm512_sub_pd(s, below)), _mm512_set1_pd(1 - 0x1p-12));
    const __m512d residual = _mm512_castsi512_pd(_mm512_and_epi64(
        _mm512_castpd_si512(_mm512_fnmadd_pd(s, s, x)), _mm512_set1_epi64(0x7fffffffffffffff)));
    const __mmask8 sound = _mm512_cmp_pd_mask(residual, bound, _CMP_LT_OQ) &
                           _mm512_cmp_pd_mask(x, _mm512_set1_pd(0x1p-900), _CMP_GE_OQ);
    const __mmask8 rest = __mmask8(wanted & ~sound);
    const __m512d root = _mm512_maskz_mov_pd(wanted, s);
    return rest ? _mm512_mask_sqrt_pd(root, rest, x) : root;
}

//! The radicand of Heron's formula on eight triangles, in the operations and the order of
//! Heron.
MORVANE_AREA_WIDE_TARGET MORVANE_INLINE inline __m512d HeronRadicand8(__m512d a, __m512d b,
                                                                      __m512d c)
{
    const __m512d u = _mm512_mul_pd(_mm512_add_pd(_mm512_add_pd(a, b), c), _mm512_set1_pd(0.5));
    return _mm512_mul_pd(_mm512_mul_pd(_mm512_mul_pd(u, _mm512_sub_pd(u, a)), _mm512_sub_pd(u, b)),
                         _mm512_sub_pd(u, c));
}

//! The areas of eight triangles from their radicands, as Heron gives them: by CheckedRoot,
//! or by the square-root instruction.
MORVANE_AREA_WIDE_TARGET MORVANE_INLINE inline __m512d HeronRoot8(__m512d radicand, bool checked)
{
    const __mmask8 positive = _mm512_cmp_pd_mask(radicand, _mm512_setzero_pd(), _CMP_GT_OQ);
    return checked ? CheckedRoot(radicand, positive) : _mm512_maskz_sqrt_pd(positive, radicand);
}

//! An edge √(d² + s2) by the square-root instruction, rounded as the plain twin's.
MORVANE_AREA_WIDE_TARGET MORVANE_INLINE inline __m512d Edge8(__m512d d, __m512d s2)
{
    return _mm512_maskz_sqrt_pd(0xff, _mm512_add_pd(_mm512_mul_pd(d, d), s2));
}

//! Adds the areas of eight cells, from the radicands of their two triangles, to their sums.
//! One of the two roots is taken on the multiply-add units: these then carry as much of the
//! sweep as the square-root unit does.
MORVANE_AREA_WIDE_TARGET MORVANE_INLINE inline void AddCells8(double* sum, __m512d left,
                                                              __m512d right)
{
    _mm512_storeu_pd(
        sum, _mm512_add_pd(_mm512_loadu_pd(sum),
                           _mm512_add_pd(HeronRoot8(left, true), HeronRoot8(right, false))));
}

//! NextRow and CellAreas in one sweep, eight cells at a time: the vertical edges and the
//! lower heights of a block come with its cells (the ones they share with the block before
//! are shifted in from it); the cells left over go to NextRow and CellAreas. The triangles'
//! roots of each eight cells are taken while the next eight cells' edges are, so that the
//! two chains of dependent operations overlap and the square-root unit and the multiply-add
//! units both stay busy.
MORVANE_AREA_WIDE_TARGET void RowWide(const double* __restrict upper,
                                      const std::int32_t* __restrict raw, int n, double zScale,
                                      double dx2, double dy2, const double* __restrict across,
                                      double* __restrict lower, double* __restrict down,
                                      double* __restrict acrossBelow, double* __restrict columns)
{
    NextRow(upper, raw, 1, zScale, dy2, lower, down);
    const __m512d scale = _mm512_set1_pd(zScale);
    const __m512d x2 = _mm512_set1_pd(dx2), y2 = _mm512_set1_pd(dy2);
    // Lane 7: the lower height and the vertical edge of column j.
    __m512d zBefore = _mm512_set1_pd(lower[0]), downBefore = _mm512_set1_pd(down[0]);
    // The radicands of the two triangles of cells j − 8 .. j − 1.
    __m512d left = _mm512_setzero_pd(), right = _mm512_setzero_pd();
    int j = 0;
    for (; j + 9 <= n; j += 8) {
        // Columns j + 1 .. j + 8 of the lower row, and their vertical edges.
        const __m512d z11 = _mm512_mul_pd(
            _mm512_maskz_cvtepi32_pd(
                0xff, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(raw + j + 1))),
            scale);
        const __m512d dz = _mm512_sub_pd(z11, _mm512_loadu_pd(upper + j + 1));
        const __m512d downAfter = Edge8(dz, y2);
        _mm512_storeu_pd(lower + j + 1, z11);
        _mm512_storeu_pd(down + j + 1, downAfter);
        const __m512d z10 = _mm512_castsi512_pd(_mm512_maskz_alignr_epi64(
            0xff, _mm512_castpd_si512(z11), _mm512_castpd_si512(zBefore), 7));
        const __m512d a = _mm512_castsi512_pd(_mm512_maskz_alignr_epi64(
            0xff, _mm512_castpd_si512(downAfter), _mm512_castpd_si512(downBefore), 7));
        const __m512d b = Edge8(_mm512_sub_pd(z11, z10), x2);
        const __m512d d = _mm512_sub_pd(z11, _mm512_loadu_pd(upper + j));
        const __m512d t =
            _mm512_maskz_sqrt_pd(0xff, _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(d, d), x2), y2));
        _mm512_storeu_pd(acrossBelow + j, b);
        const __m512d nextLeft = HeronRadicand8(a, b, t);
        const __m512d nextRight = HeronRadicand8(t, _mm512_loadu_pd(across + j), downAfter);
        if (j > 0)
            AddCells8(columns + j - 8, left, right);
        left = nextLeft;
        right = nextRight;
        zBefore = z11;
        downBefore = downAfter;
    }
    if (j > 0)
        AddCells8(columns + j - 8, left, right);
    if (j + 1 < n) {
        NextRow(upper + j + 1, raw + j + 1, n - j - 1, zScale, dy2, lower + j + 1, down + j + 1);
        CellAreas(upper + j, lower + j, across + j, down + j, n - j, dx2, dy2, acrossBelow + j,
                  columns + j);
    }
}

//! Whether the processor runs RowWide.
bool WideCells()
{
    static const bool wide = __builtin_cpu_supports("avx512f");
    return wide;
}
#endif

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
            const std::int32_t* raw = at + std::ptrdiff_t(i + 1) * width;
#if MORVANE_AREA_WIDE
            if (WideCells()) {
                RowWide(rows.upper.data(), raw, n, zScale, dx2, dy2, rows.across.data(),
                        rows.lower.data(), rows.down.data(), rows.acrossBelow.data(),
                        rows.columns.data());
            } else
#endif
            {
                NextRow(rows.upper.data(), raw, n, zScale, dy2, rows.lower.data(),
                        rows.down.data());
                CellAreas(rows.upper.data(), rows.lower.data(), rows.across.data(),
                          rows.down.data(), n, dx2, dy2, rows.acrossBelow.data(),
                          rows.columns.data());
            }
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

#if MORVANE_AREA_WIDE
namespace {
MORVANE_AREA_WIDE_TARGET void CheckedRoots(const double* x, std::size_t n, double* roots)
{
    for (std::size_t i = 0; i < n; i += 8) {
        const __mmask8 lanes = __mmask8(n - i >= 8 ? 0xff : (1u << (n - i)) - 1);
        _mm512_mask_storeu_pd(roots + i, lanes,
                              CheckedRoot(_mm512_maskz_loadu_pd(lanes, x + i), lanes));
    }
}
} // namespace
#endif

void AreaRootsForTesting(const double* x, std::size_t n, double* roots)
{
#if MORVANE_AREA_WIDE
    if (WideCells())
        return CheckedRoots(x, n, roots);
#endif
    for (std::size_t i = 0; i < n; ++i)
        roots[i] = std::sqrt(x[i]);
}

double AreaRatio(double nominal, double full)
{
    return full != 0 ? nominal / full : 0.0;
}

}  // namespace processing
