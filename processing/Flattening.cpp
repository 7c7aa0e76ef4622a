#include "processing/Flattening.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "platform/core/Parallel.h"
#include "processing/Passes.h"
#include "processing/RawValue.h"
#include "processing/SureRows.h"

namespace processing {

namespace {

using Int128 = __int128;
using Real = long double;

//! Rows per piece of a parallel pass.
constexpr int kBandRows = 16;

//! Bytes from which a pass that writes a matrix writes it past the caches.
constexpr std::size_t kStreamedBytes = std::size_t(32) << 20;

//! Sums over every point of the matrix that the fits are formed from.
struct TMoments {
    Real N = 0;
    Real z = 0, xz = 0, x2z = 0, yz = 0, y2z = 0, xyz = 0;
    Real x = 0, x2 = 0, x3 = 0, x4 = 0, y = 0, y2 = 0, y3 = 0, y4 = 0;
    Real xy = 0, x2y = 0, xy2 = 0, x3y = 0, xy3 = 0, x2y2 = 0;
};

bool Usable(const std::int32_t* values, int width, int height)
{
    return values && width > 0 && height > 0;
}

std::size_t Count(int width, int height)
{
    return std::size_t(width) * std::size_t(height);
}

//! Runs body(first row, end row) over bands of rows on `threads` threads, the bands taken
//! from the top down (or, `upward`, from the last up).
template <typename Body>
void ForRowBands(int width, int height, unsigned threads, const Body& body, bool upward = false)
{
    ForBandsOfRows(height, kBandRows, std::int64_t(width) * height, threads, body, upward);
}

// ---- Exact sums

//! Σz, Σx·z and Σx²·z over one row (x = column + 1), exact.
struct TRowSums {
    Int128 s0 = 0, s1 = 0, s2 = 0;
};

//! The sums of a row (Σx²·z only with `Squares`), by additions only. Eight lanes take the
//! columns j0 + 8m + l (lane l, step m) of a block of M steps, and each keeps running sums
//! S0 = Σz, S1 = ΣS0 and S2 = ΣS1: at the end of the block S1 = Σr·z and S2 = Σr(r + 1)/2·z
//! with r = M − m, below 2^59 for M ≤ 1024. With x = c − 8r, c = j0 + 1 + l + 8M:
//! Σx·z = c·S0 − 8·S1 and Σx²·z = c²·S0 − 16c·S1 + 64(2·S2 − S1).
template <bool Squares> MORVANE_CLONES TRowSums RowSums(const std::int32_t* row, int width)
{
    constexpr int lanes = 8, steps = 1024;
    TRowSums s;
    int j0 = 0;
    while (width - j0 >= lanes) {
        const int m = std::min(steps, (width - j0) / lanes);
        V4l a0 = {0, 0, 0, 0}, a1 = a0, a2 = a0, b0 = a0, b1 = a0, b2 = a0;
        const std::int32_t* p = row + j0;
#pragma GCC unroll 2
        for (int k = 0; k < m; ++k, p += lanes) {
            a0 += platform::LoadWide(p);
            b0 += platform::LoadWide(p + 4);
            a1 += a0;
            b1 += b0;
            if constexpr (Squares) {
                a2 += a1;
                b2 += b1;
            }
        }
        for (int l = 0; l < lanes; ++l) {
            const Int128 t0 = l < 4 ? a0[l] : b0[l - 4], t1 = l < 4 ? a1[l] : b1[l - 4];
            const Int128 c = j0 + 1 + l + Int128(lanes) * m;
            s.s0 += t0;
            s.s1 += c * t0 - 8 * t1;
            if constexpr (Squares) {
                const Int128 t2 = l < 4 ? a2[l] : b2[l - 4];
                s.s2 += c * c * t0 - 16 * c * t1 + 64 * (2 * t2 - t1);
            }
        }
        j0 += lanes * m;
    }
    for (; j0 < width; ++j0) {
        const Int128 x = j0 + 1, z = row[j0];
        s.s0 += z;
        s.s1 += x * z;
        s.s2 += x * x * z;
    }
    if constexpr (!Squares)
        s.s2 = 0;
    return s;
}

//! Σ t^p for t = 1 … n, p = 0 … 4, exact.
void PowerSums(int n, Int128 (&sums)[5])
{
    if (n >= 0 && n <= 1 << 20) {
        // The closed forms, whose products stay far inside 128 bits at these n.
        const Int128 t = n;
        sums[0] = t;
        sums[1] = t * (t + 1) / 2;
        sums[2] = t * (t + 1) * (2 * t + 1) / 6;
        sums[3] = sums[1] * sums[1];
        sums[4] = sums[2] * (3 * t * t + 3 * t - 1) / 5;
        return;
    }
    for (Int128& s : sums)
        s = 0;
    for (Int128 t = 1; t <= n; ++t) {
        Int128 power = 1;
        for (Int128& s : sums) {
            s += power;
            power *= t;
        }
    }
}

//! The sums of the fits; Σx²·z only with `squares` (0 else).
TMoments ExactMoments(const std::int32_t* values, int width, int height, bool squares,
                      unsigned threads)
{
    // Per band: Σz, Σx·z, Σx²·z, Σy·z, Σy²·z, Σx·y·z.
    struct TBand {
        Int128 z = 0, xz = 0, x2z = 0, yz = 0, y2z = 0, xyz = 0;
    };
    std::vector<TBand> bands(std::size_t((height + kBandRows - 1) / kBandRows));
    ForRowBands(width, height, threads, [&](int first, int last) {
        TBand& b = bands[std::size_t(first / kBandRows)];
        for (int i = first; i < last; ++i) {
            const std::int32_t* row = values + std::size_t(i) * std::size_t(width);
            const TRowSums r = squares ? RowSums<true>(row, width) : RowSums<false>(row, width);
            const Int128 y = i + 1;
            b.z += r.s0;
            b.xz += r.s1;
            b.x2z += r.s2;
            b.yz += y * r.s0;
            b.y2z += y * y * r.s0;
            b.xyz += y * r.s1;
        }
    });
    TBand all;
    for (const TBand& b : bands) {
        all.z += b.z;
        all.xz += b.xz;
        all.x2z += b.x2z;
        all.yz += b.yz;
        all.y2z += b.y2z;
        all.xyz += b.xyz;
    }
    // The abscissae of a full grid: Σ x^a·y^b = (Σ x^a)(Σ y^b).
    Int128 px[5], py[5];
    PowerSums(width, px);
    PowerSums(height, py);
    TMoments m;
    m.N = Real(Count(width, height));
    m.z = Real(all.z);
    m.xz = Real(all.xz);
    m.x2z = Real(all.x2z);
    m.yz = Real(all.yz);
    m.y2z = Real(all.y2z);
    m.xyz = Real(all.xyz);
    m.x = Real(px[1] * py[0]);
    m.x2 = Real(px[2] * py[0]);
    m.x3 = Real(px[3] * py[0]);
    m.x4 = Real(px[4] * py[0]);
    m.y = Real(px[0] * py[1]);
    m.y2 = Real(px[0] * py[2]);
    m.y3 = Real(px[0] * py[3]);
    m.y4 = Real(px[0] * py[4]);
    m.xy = Real(px[1] * py[1]);
    m.x2y = Real(px[2] * py[1]);
    m.xy2 = Real(px[1] * py[2]);
    m.x3y = Real(px[3] * py[1]);
    m.xy3 = Real(px[1] * py[3]);
    m.x2y2 = Real(px[2] * py[2]);
    return m;
}

TMoments PlainMoments(const std::int32_t* values, int width, int height)
{
    TMoments m;
    for (int i = 0; i < height; ++i) {
        const Real y = i + 1;
        for (int j = 0; j < width; ++j) {
            const Real x = j + 1;
            const Real z = values[std::size_t(i) * std::size_t(width) + std::size_t(j)];
            m.N += 1;
            m.z += z;
            m.xz += x * z;
            m.x2z += x * x * z;
            m.yz += y * z;
            m.y2z += y * y * z;
            m.xyz += x * y * z;
            m.x += x;
            m.x2 += x * x;
            m.x3 += x * x * x;
            m.x4 += x * x * x * x;
            m.y += y;
            m.y2 += y * y;
            m.y3 += y * y * y;
            m.y4 += y * y * y * y;
            m.xy += x * y;
            m.x2y += x * x * y;
            m.xy2 += x * y * y;
            m.x3y += x * x * x * y;
            m.xy3 += x * y * y * y;
            m.x2y2 += x * x * y * y;
        }
    }
    return m;
}

// ---- Factors from the sums

TFactors PlaneFactors(const TMoments& m, int width, int height)
{
    const Real xMean = Real(width + 1) / 2;
    const Real yMean = Real(height + 1) / 2;
    const Real vx = (Real(width) * width - 1) / 12;
    const Real vy = (Real(height) * height - 1) / 12;
    const Real mz = m.z / m.N, mxz = m.xz / m.N, myz = m.yz / m.N;
    TFactors f;
    // One column (or row) has no slope along it: the slope stays 0.
    f.A = vx != 0 ? (mxz - mz * xMean) / vx : 0;
    f.B = vy != 0 ? (myz - mz * yMean) / vy : 0;
    f.C = mz - f.A * xMean - f.B * yMean;
    return f;
}

//! Z = A·t² + B·t + C along one abscissa, from the sums Σt·z, Σt²·z, Σt … Σt⁴.
TFactors ParabolaFactors(const TMoments& m, Real tz, Real t2z, Real t, Real t2, Real t3, Real t4)
{
    const Real mz = m.z / m.N, mtz = tz / m.N, mt2z = t2z / m.N;
    const Real mt = t / m.N, mt2 = t2 / m.N, mt3 = t3 / m.N, mt4 = t4 / m.N;
    const Real vt = mt2 - mt * mt;
    const Real vtt = mt4 - mt2 * mt2;
    const Real ct = mt3 - mt * mt2;
    const Real czt = mtz - mz * mt;
    const Real cztt = mt2z - mz * mt2;
    const Real det = vt * vtt - ct * ct;
    TFactors f;
    if (det == 0)
        return f;
    f.B = (czt * vtt - cztt * ct) / det;
    if (vtt != 0) {
        f.A = (cztt - f.B * ct) / vtt;
        f.C = mz - f.A * mt2 - f.B * mt;
    }
    return f;
}

//! Relative size below which the paraboloid's determinant counts as vanished: what is left
//! of the products it is the difference of, beyond the rounding of the elimination.
constexpr Real kSingularTolerance = 1e-10L;

TFactors ParaboloidFactors(const TMoments& m, int width, int height)
{
    TFactors f;
    if (width < 3 || height < 3)
        return f;  // x² and x (or y² and y) cannot be told apart: no fit
    const Real n = m.N;
    // The terms x², y², x, y, xy: their means, the means of their products and with z.
    const Real mean[5] = {m.x2 / n, m.y2 / n, m.x / n, m.y / n, m.xy / n};
    const Real product[5][5] = {
        {m.x4, m.x2y2, m.x3, m.x2y, m.x3y},
        {m.x2y2, m.y4, m.xy2, m.y3, m.xy3},
        {m.x3, m.xy2, m.x2, m.xy, m.x2y},
        {m.x2y, m.y3, m.xy, m.y2, m.xy2},
        {m.x3y, m.xy3, m.x2y, m.xy2, m.x2y2},
    };
    const Real withZ[5] = {m.x2z, m.y2z, m.xz, m.yz, m.xyz};
    const Real mz = m.z / n;

    // The centred normal equations; stage[k] is the system after k eliminations.
    Real stage[5][5][6];
    for (int a = 0; a < 5; ++a) {
        for (int b = 0; b < 5; ++b)
            stage[0][a][b] = product[a][b] / n - mean[a] * mean[b];
        stage[0][a][5] = withZ[a] / n - mean[a] * mz;
    }
    Real scale = 0;  // the size of the products that the determinant is the difference of
    for (int k = 0; k < 4; ++k) {
        const auto& s = stage[k];
        auto& next = stage[k + 1];
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 6; ++c)
                next[r][c] = r > k ? s[r][c] * s[k][k] - s[k][c] * s[r][k] : s[r][c];
        if (k == 3)
            scale = std::fabs(s[4][4] * s[3][3]) + std::fabs(s[3][4] * s[4][3]);
    }
    const Real det = stage[4][4][4];
    if (det == 0 || std::fabs(det) <= kSingularTolerance * scale)
        return f;
    f.E = stage[4][4][5] / det;
    // Back-substitution from the xy equation as it stood after stages 3, 2, 1 and 0.
    Real solved[5] = {0, 0, 0, 0, f.E};
    for (int k = 3; k >= 0; --k) {
        const auto& row = stage[k][4];
        if (row[k] == 0)
            return {solved[0], solved[1], solved[2], solved[3], solved[4], 0};  // F not formed
        Real rest = row[5];
        for (int c = k + 1; c < 5; ++c)
            rest -= row[c] * solved[c];
        solved[k] = rest / row[k];
    }
    f.A = solved[0];
    f.B = solved[1];
    f.C = solved[2];
    f.D = solved[3];
    f.F = mz - f.A * mean[0] - f.B * mean[1] - f.C * mean[2] - f.D * mean[3] - f.E * mean[4];
    return f;
}

TFactors FactorsOf(TSurfaceModel model, const TMoments& m, int width, int height)
{
    switch (model) {
    case TSurfaceModel::Plane:
        return PlaneFactors(m, width, height);
    case TSurfaceModel::ParabolaX:
        return ParabolaFactors(m, m.xz, m.x2z, m.x, m.x2, m.x3, m.x4);
    case TSurfaceModel::ParabolaY:
        return ParabolaFactors(m, m.yz, m.y2z, m.y, m.y2, m.y3, m.y4);
    case TSurfaceModel::Paraboloid:
        return ParaboloidFactors(m, width, height);
    }
    return {};
}

// ---- Lines

struct TLine {
    Real a = 0, b = 0;
};

//! The line z = a·t + b through n points at t = 1 … n with the sums Σz and Σt·z.
TLine LineOf(Real sz, Real stz, int n)
{
    const Real tMean = (Real(n) + 1) * 0.5L;
    const Real v = (Real(n) * n - 1) * (1.0L / 12);
    TLine line;
    line.a = v != 0 ? (stz / n - tMean * sz / n) / v : 0;  // one point: no slope
    line.b = sz / n - tMean * line.a;
    return line;
}

std::int32_t Flattened(std::int32_t z, const TLine& line, Real t)
{
    return ToRawValue(Real(z) - line.a * t - line.b, z);
}

//! trunc(z − background) at (x, y), the terms subtracted in their order in extended
//! precision: the definition that every fast pass reproduces.
std::int32_t Residual(const TQuadric& q, std::int32_t z, Real x, Real y)
{
    return ToRawValue(Real(z) - q.Axx * (x * x) - q.Byy * (y * y) - q.Cx * x - q.Dy * y -
                          q.Exy * x * y - q.F,
                      z);
}

}  // namespace

// ---- Whole-matrix fits

TFactors FitSurface(TSurfaceModel model, const std::int32_t* values, int width, int height,
                    unsigned threads)
{
    if (!Usable(values, width, height))
        return {};
    const bool squares = model == TSurfaceModel::ParabolaX || model == TSurfaceModel::Paraboloid;
    return FactorsOf(model, ExactMoments(values, width, height, squares, threads), width, height);
}

TFactors FitSurfacePlain(TSurfaceModel model, const std::int32_t* values, int width, int height)
{
    if (!Usable(values, width, height))
        return {};
    return FactorsOf(model, PlainMoments(values, width, height), width, height);
}

TQuadric QuadricOf(TSurfaceModel model, const TFactors& f)
{
    TQuadric q;
    switch (model) {
    case TSurfaceModel::Plane:
        q.Cx = f.A;
        q.Dy = f.B;
        q.F = f.C;
        break;
    case TSurfaceModel::ParabolaX:
        q.Axx = f.A;
        q.Cx = f.B;
        q.F = f.C;
        break;
    case TSurfaceModel::ParabolaY:
        q.Byy = f.A;
        q.Dy = f.B;
        q.F = f.C;
        break;
    case TSurfaceModel::Paraboloid:
        q = {f.A, f.B, f.C, f.D, f.E, f.F};
        break;
    }
    return q;
}

void SubtractQuadric(const TQuadric& q, std::int32_t* values, int width, int height,
                     unsigned threads)
{
    if (!Usable(values, width, height))
        return;
    // Along a row the background is Axx·x² + (Cx + Exy·y)·x + (Byy·y² + Dy·y + F).
    const double a = double(q.Axx);
    const Real n = width;
    // A matrix larger than the caches goes back to memory anyway: written past them, its
    // values do not first evict the lines that the pass still has to read.
    const bool stream = Count(width, height) * sizeof(std::int32_t) >= kStreamedBytes;
    // From the last rows up: the fit has just read the matrix from the top down, so that its
    // last rows are still in the caches (and the next pass from the top finds the first ones).
    ForRowBands(width, height, threads, [&](int first, int last) {
        std::vector<TUnsurePoint> unsure;
        for (int i = first; i < last; ++i) {
            const Real y = i + 1;
            // The sizes of the six terms at the row's last column.
            const double size = double(std::fabs(q.Axx) * (n * n) + std::fabs(q.Cx) * n +
                                       std::fabs(q.Exy) * n * y + std::fabs(q.Byy) * (y * y) +
                                       std::fabs(q.Dy) * y + std::fabs(q.F));
            std::int32_t* row = values + std::size_t(i) * std::size_t(width);
            unsure.clear();
            SureQuadraticRow(row, width, a, double(q.Cx + q.Exy * y),
                             double(q.Byy * (y * y) + q.Dy * y + q.F), size, unsure, stream);
            for (const TUnsurePoint& u : unsure)
                row[u.Column] = Residual(q, u.Value, Real(u.Column + 1), y);
        }
        if (stream)
            StreamFence();
    }, true);
}

void SubtractQuadricPlain(const TQuadric& q, std::int32_t* values, int width, int height)
{
    if (!Usable(values, width, height))
        return;
    for (int i = 0; i < height; ++i) {
        const Real y = i + 1;
        for (int j = 0; j < width; ++j) {
            const Real x = j + 1;
            std::int32_t& z = values[std::size_t(i) * std::size_t(width) + std::size_t(j)];
            z = Residual(q, z, x, y);
        }
    }
}

// ---- Lines

void FlattenLinesX(std::int32_t* values, int width, int height, unsigned threads)
{
    if (!Usable(values, width, height))
        return;
    ForRowBands(width, height, threads, [&](int first, int last) {
        std::vector<TUnsurePoint> unsure;
        for (int i = first; i < last; ++i) {
            std::int32_t* row = values + std::size_t(i) * std::size_t(width);
            const TRowSums s = RowSums<false>(row, width);
            const TLine line = LineOf(Real(s.s0), Real(s.s1), width);
            const double a = double(line.a), b = double(line.b);
            unsure.clear();
            SureQuadraticRow(row, width, 0, a, b, std::fabs(a) * width + std::fabs(b), unsure);
            for (const TUnsurePoint& u : unsure)
                row[u.Column] = Flattened(u.Value, line, Real(u.Column + 1));
        }
    });
}

void FlattenLinesXPlain(std::int32_t* values, int width, int height)
{
    if (!Usable(values, width, height))
        return;
    for (int i = 0; i < height; ++i) {
        std::int32_t* row = values + std::size_t(i) * std::size_t(width);
        Real sz = 0, sxz = 0;
        for (int j = 0; j < width; ++j) {
            sz += row[j];
            sxz += Real(j + 1) * row[j];
        }
        const TLine line = LineOf(sz, sxz, width);
        for (int j = 0; j < width; ++j)
            row[j] = Flattened(row[j], line, Real(j + 1));
    }
}

void FlattenLinesY(std::int32_t* values, int width, int height, unsigned threads)
{
    if (!Usable(values, width, height))
        return;
    // The sums of every column, gathered over strips of columns; within a block of 64 rows
    // y = y0 + k, and Σz, Σk·z of the block fit 64 bits.
    constexpr int strip = 256;
    const int strips = (width + strip - 1) / strip;
    std::vector<TLine> lines(static_cast<std::size_t>(width));
    platform::ParallelBands(
        std::size_t(strips),
        [&](std::size_t s) {
            const int j0 = int(s) * strip;
            const int n = std::min(strip, width - j0);
            std::vector<Int128> s0(static_cast<std::size_t>(n), 0), s1(static_cast<std::size_t>(n), 0);
            std::vector<std::int64_t> b0(static_cast<std::size_t>(n)), b1(static_cast<std::size_t>(n));
            for (int i0 = 0; i0 < height; i0 += 64) {
                std::fill(b0.begin(), b0.end(), 0);
                std::fill(b1.begin(), b1.end(), 0);
                const int rows = std::min(64, height - i0);
                for (int k = 0; k < rows; ++k) {
                    const std::int32_t* row = values + std::size_t(i0 + k) * std::size_t(width) + j0;
                    for (int c = 0; c < n; ++c) {
                        b0[std::size_t(c)] += row[c];
                        b1[std::size_t(c)] += std::int64_t(k) * row[c];
                    }
                }
                const Int128 y0 = i0 + 1;
                for (int c = 0; c < n; ++c) {
                    s0[std::size_t(c)] += b0[std::size_t(c)];
                    s1[std::size_t(c)] += y0 * b0[std::size_t(c)] + b1[std::size_t(c)];
                }
            }
            for (int c = 0; c < n; ++c)
                lines[std::size_t(j0 + c)] = LineOf(Real(s0[std::size_t(c)]), Real(s1[std::size_t(c)]), height);
        },
        ThreadsFor(std::int64_t(width) * height, threads));
    std::vector<double> slopes(lines.size()), intercepts(lines.size());
    for (std::size_t j = 0; j < lines.size(); ++j) {
        slopes[j] = double(lines[j].a);
        intercepts[j] = double(lines[j].b);
    }
    const double interceptSizes = LargestMagnitude(intercepts.data(), intercepts.size());
    const double slopeSizes = LargestMagnitude(slopes.data(), slopes.size());
    ForRowBands(width, height, threads, [&](int first, int last) {
        std::vector<TUnsurePoint> unsure;
        for (int i = first; i < last; ++i) {
            std::int32_t* row = values + std::size_t(i) * std::size_t(width);
            unsure.clear();
            SureAffineRow(row, width, intercepts.data(), slopes.data(), double(i + 1), 0,
                          interceptSizes + slopeSizes * (i + 1), unsure);
            for (const TUnsurePoint& u : unsure)
                row[u.Column] = Flattened(u.Value, lines[std::size_t(u.Column)], Real(i + 1));
        }
    });
}

void FlattenLinesYPlain(std::int32_t* values, int width, int height)
{
    if (!Usable(values, width, height))
        return;
    for (int j = 0; j < width; ++j) {
        Real sz = 0, syz = 0;
        for (int i = 0; i < height; ++i) {
            const std::int32_t z = values[std::size_t(i) * std::size_t(width) + std::size_t(j)];
            sz += z;
            syz += Real(i + 1) * z;
        }
        const TLine line = LineOf(sz, syz, height);
        for (int i = 0; i < height; ++i) {
            std::int32_t& z = values[std::size_t(i) * std::size_t(width) + std::size_t(j)];
            z = Flattened(z, line, Real(i + 1));
        }
    }
}

}  // namespace processing
