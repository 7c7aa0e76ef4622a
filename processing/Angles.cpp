#include "processing/Angles.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

#include <sys/mman.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/core/Kernels.h"
#include "platform/core/Parallel.h"
#include "processing/Passes.h"

namespace processing {

namespace {

constexpr double Pi = 3.141592653589793;
constexpr double TwoPi = 2 * Pi;
constexpr double HalfPi = Pi * 0.5;

// Codes: 65536 tilt cells, uniform in the sine of the tilt; 65535 orientation cells,
// uniform in the "diamond angle" of the direction (0 to 4 around the circle, monotone in
// the angle, with no arc function), and one code for "no orientation" (a normal standing
// straight up). Each cell stands for the range of angles between its edges.
constexpr int TiltCells = 65536;
constexpr int OrientationCells = 65535;
constexpr std::uint16_t NoOrientation = 65535;
// How far the key of a point (computed in double precision) may lie from the key of its
// exact normal: the cells are widened by this much before their edges are turned into
// angles.
constexpr double KeySlack = 1e-12;
// How far the angle that the plain computation gets may lie from the exact one: its arc
// cosine of a ratio next to ±1 errs by up to about 1.5e-8 rad.
constexpr double Guard = 1e-7;
// Rows per piece of work.
constexpr int Band = 32;
// Columns per segment of a band, whose height extremes are kept.
constexpr int SegmentColumns = 128;

bool RegionFits(int width, int height, const TAngleRegion& r)
{
    return r.S >= 1 && r.X1 >= 0 && r.Y1 >= 0 && r.X1 <= r.X2 && r.Y1 <= r.Y2 && r.X2 < width &&
           r.Y2 < height;
}

// The Sobel sums at row j, column i (64-bit: no raw values overflow them).
inline void SobelSums(const std::int32_t* v, int width, int j, int i, int s, std::int64_t& sx,
                      std::int64_t& sy)
{
    const std::int32_t* up = v + std::ptrdiff_t(j - s) * width;
    const std::int32_t* mid = v + std::ptrdiff_t(j) * width;
    const std::int32_t* down = v + std::ptrdiff_t(j + s) * width;
    sx = (2 * std::int64_t(mid[i + s]) + up[i + s] + down[i + s]) -
         (2 * std::int64_t(mid[i - s]) + up[i - s] + down[i - s]);
    sy = (2 * std::int64_t(down[i]) + down[i - s] + down[i + s]) -
         (2 * std::int64_t(up[i]) + up[i - s] + up[i + s]);
}

struct TGradient {
    double Gx, Gy;
};

inline TGradient GradientOf(std::int64_t sx, std::int64_t sy, const TAngleGrid& g, int s)
{
    return {-double(sx) * g.ZScale * g.YStep * double(s), double(sy) * g.XStep * g.ZScale * double(s)};
}

inline double VerticalOf(const TAngleGrid& g, int s)
{
    return -8 * g.XStep * g.YStep * double(s) * double(s);
}

// The tilt of a normal against the vertical as the analysis defines it, 0..π/2.
inline double TiltOf(const TGradient& g, double c)
{
    const double n = std::sqrt(g.Gx * g.Gx + g.Gy * g.Gy + c * c);
    double tilt = std::acos(std::clamp(c / n, -1.0, 1.0));
    if (tilt > HalfPi)
        tilt = Pi - tilt;
    return tilt;
}

// The bar of a tilt, clamped to the bars.
inline int TiltBarOf(double tilt, double barWidth, int bars)
{
    const double q = tilt / barWidth;
    if (!(q >= 0))
        return 0;
    return q >= double(bars - 1) ? bars - 1 : int(q);
}

inline int ExactTiltBar(const TGradient& g, double c, double barWidth, int bars)
{
    return TiltBarOf(TiltOf(g, c), barWidth, bars);
}

// The direction of a normal in the plane, 0..2π; -1 when it has none (m = 0).
inline double DirectionOf(const TGradient& g)
{
    const double m = std::sqrt(g.Gx * g.Gx + g.Gy * g.Gy);
    if (m == 0)
        return -1;
    double a = std::acos(std::clamp(g.Gx / m, -1.0, 1.0));
    if (g.Gy < 0)
        a = TwoPi - a;
    return a;
}

// The sector of a direction; -1 for none. A direction that lands on 2π counts in sector 0.
inline int SectorOf(double a, double sectorWidth, int sectors)
{
    if (a == -1)
        return -1;
    a = a + sectorWidth * 0.5;
    if (a > TwoPi)
        a = a - TwoPi;
    const double q = a / sectorWidth;
    if (!(q >= 0) || q >= double(sectors))
        return 0;
    return int(q);
}

// The sector of a normal's direction in the plane; -1 when it has none.
inline int ExactSector(const TGradient& g, double sectorWidth, int sectors)
{
    return SectorOf(DirectionOf(g), sectorWidth, sectors);
}

inline bool Counted(std::int32_t z, const TAngleBinning& b, double zScale)
{
    return double(std::int64_t(z) - b.Minimum) * zScale > b.Level;
}

// The arithmetic of the codes, on one point (double) or on four at once (V4d), with the
// same operations in the same order, so that both give the same codes.
inline double Pick(bool m, double a, double b)
{
    return m ? a : b;
}
MORVANE_INLINE inline platform::V4d Pick(platform::V4l m, platform::V4d a, platform::V4d b)
{
    return m ? a : b;
}
inline double Magnitude(double x)
{
    return std::fabs(x);
}
MORVANE_INLINE inline platform::V4d Magnitude(platform::V4d x)
{
    return platform::V4d(platform::V4l(x) & std::numeric_limits<std::int64_t>::max());
}
inline double Root(double x)
{
    return std::sqrt(x);
}
MORVANE_INLINE inline platform::V4d Root(platform::V4d x)
{
    return platform::V4d{std::sqrt(x[0]), std::sqrt(x[1]), std::sqrt(x[2]), std::sqrt(x[3])};
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"  // only ever inlined into CodeRow
// Eight lanes: the processors with 512-bit vectors take a row eight points at a time.
using V8d = double __attribute__((vector_size(64)));
using V8l = std::int64_t __attribute__((vector_size(64)));
using V8i = std::int32_t __attribute__((vector_size(32)));
using V8s = std::uint16_t __attribute__((vector_size(16)));
using V4s = std::uint16_t __attribute__((vector_size(8)));
MORVANE_INLINE inline V8d Pick(V8l m, V8d a, V8d b)
{
    return m ? a : b;
}
MORVANE_INLINE inline V8d Magnitude(V8d x)
{
    return V8d(V8l(x) & std::numeric_limits<std::int64_t>::max());
}
MORVANE_INLINE inline V8d Root(V8d x)
{
    return V8d{std::sqrt(x[0]), std::sqrt(x[1]), std::sqrt(x[2]), std::sqrt(x[3]),
               std::sqrt(x[4]), std::sqrt(x[5]), std::sqrt(x[6]), std::sqrt(x[7])};
}
MORVANE_INLINE inline V8d LoadEight(const std::int32_t* p)
{
    return V8d{double(p[0]), double(p[1]), double(p[2]), double(p[3]),
               double(p[4]), double(p[5]), double(p[6]), double(p[7])};
}
#pragma GCC diagnostic pop

// The tilt and orientation cells (before truncation) of the gradients of Sobel sums sx
// and sy: gradient x = −sx × kx, y = sy × ky. The selections are arithmetic, not
// branches: the directions of a rough surface would mispredict them. In three steps, so that
// a row can take the next points' first step while the division and the root of the last
// ones are under way.
template <class T>
struct TCellsStart {
    T Q, Across, Whole, R, Along, Base;
};
template <class T>
struct TCellsRoot {
    T Q, Tilt, Orientation;
};

template <class T>
MORVANE_INLINE inline TCellsStart<T> StartCells(T sx, T sy, double kx, double ky, double c2)
{
    const T zero{}, one = zero + 1.0;
    const T x = -sx * kx, y = sy * ky;
    const T q = x * x + y * y;
    const T ax = Magnitude(x), ay = Magnitude(y);
    const auto down = y < zero, differ = down != (x < zero);  // the signs of x and y differ
    const T other = Pick(differ, one, zero);
    const T sum = ax + ay;
    // One division for both keys: q / (q + c²) and (…) / sum share 1 / ((q + c²) × sum).
    const T whole = q + c2, across = Pick(sum > zero, sum, one);
    const T r = 1.0 / (whole * across);
    // The diamond angle is 2 × down + other + (other ? ay + (ax − ay) : ay) / sum: selected
    // rather than multiplied by 0 or 1, which gives the same.
    return {q, across, whole, r, Pick(differ, ay + (ax - ay), ay), Pick(down, zero + 2.0, zero) + other};
}

template <class T>
MORVANE_INLINE inline TCellsRoot<T> RootCells(const TCellsStart<T>& c)
{
    const T d = c.Base + c.Along * c.Whole * c.R;
    return {c.Q, Root(c.Q * c.Across * c.R), d * (OrientationCells / 4.0)};
}

template <class T>
MORVANE_INLINE inline void EndCells(const TCellsRoot<T>& c, T& tiltCell, T& orientationCell)
{
    const T zero{};
    const T tilt = c.Tilt * double(TiltCells);
    // Clamped to the cells (both keys are never negative: q ≥ 0, and ay + (ax − ay) ≥ 0 as
    // rounding keeps order); a normal standing straight up has no orientation.
    const T lastTilt = zero + double(TiltCells - 1), lastOrientation = zero + double(OrientationCells - 1);
    tiltCell = Pick(tilt < lastTilt, tilt, lastTilt);
    const T cell = Pick(c.Orientation < lastOrientation, c.Orientation, lastOrientation);
    orientationCell = Pick(c.Q == zero, zero + double(NoOrientation), cell);
}


// The codes of points of one row. `up`, `mid` and `down` point at column X1 of rows j − s,
// j and j + s; the point of column X1 + s + col gets tilts[col] and orientations[col]. The
// Sobel sums are exact in double (eight raw values stay far below 2^53), in any order.
struct TCodeRow {
    const std::int32_t* __restrict Up;
    const std::int32_t* __restrict Mid;
    const std::int32_t* __restrict Down;
    int S;
    double Kx, Ky, C2;
    std::uint16_t* __restrict Tilts;
    std::uint16_t* __restrict Orientations;
};

// The row of interior row `row` of region r (cols interior columns a row) whose codes go to
// tilts and orientations (the codes of the whole field).
TCodeRow CodeRowAt(const std::int32_t* values, int width, const TAngleRegion& r, const TAngleGrid& g, int cols,
                   int row, std::uint16_t* tilts, std::uint16_t* orientations)
{
    const int s = r.S;
    const double c = VerticalOf(g, s);
    const std::int32_t* mid = values + std::ptrdiff_t(r.Y1 + s + row) * width + r.X1;
    const std::size_t at = std::size_t(row) * std::size_t(cols);
    return {mid - std::ptrdiff_t(s) * width,
            mid,
            mid + std::ptrdiff_t(s) * width,
            s,
            g.ZScale * g.YStep * double(s),
            g.XStep * g.ZScale * double(s),
            c * c,
            tilts + at,
            orientations + at};
}

// The Sobel sums of the points from column `col`, as T (double or a vector of them) read
// by Load.
template <class T, T Load(const std::int32_t*)>
MORVANE_INLINE inline void SobelSums(const TCodeRow& r, int col, T& sx, T& sy)
{
    const int s = r.S, s2 = 2 * s;
    const T upLeft = Load(r.Up + col), upRight = Load(r.Up + col + s2);
    const T downLeft = Load(r.Down + col), downRight = Load(r.Down + col + s2);
    sx = (2 * Load(r.Mid + col + s2) + upRight + downRight) - (2 * Load(r.Mid + col) + upLeft + downLeft);
    sy = (2 * Load(r.Down + col + s) + downLeft + downRight) - (2 * Load(r.Up + col + s) + upLeft + upRight);
}

MORVANE_INLINE inline V8i LoadInts(const std::int32_t* p)
{
    V8i v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Built lane by lane: one widening instruction, where a conversion of the whole vector is
// made in halves.
MORVANE_INLINE inline V8d Widen(V8i v)
{
    return V8d{double(v[0]), double(v[1]), double(v[2]), double(v[3]),
               double(v[4]), double(v[5]), double(v[6]), double(v[7])};
}

// The Sobel sums of the points from column `col` as T: double or V4d (read by Load), or
// V8d. With Small every value the stencils read lies within ±2^27: the sums of eight points
// are then made in 32-bit integers, which hold them exactly, as double does, and are widened
// once.
template <class T, T Load(const std::int32_t*), bool Small = false>
MORVANE_INLINE inline void SumsOf(const TCodeRow& r, int col, T& sx, T& sy)
{
    if constexpr (Small) {
        V8i ix, iy;
        SobelSums<V8i, LoadInts>(r, col, ix, iy);
        sx = Widen(ix);
        sy = Widen(iy);
    } else {
        SobelSums<T, Load>(r, col, sx, sy);
    }
}

// Stores the codes of N points from column `col`.
template <class T, int N>
MORVANE_INLINE inline void StoreCodes(const TCodeRow& r, int col, const TCellsRoot<T>& cells)
{
    T tilt, orientation;
    EndCells(cells, tilt, orientation);
    if constexpr (N == 1) {
        r.Tilts[col] = std::uint16_t(std::int32_t(tilt));
        r.Orientations[col] = std::uint16_t(std::int32_t(orientation));
    } else {
        using VNi = std::conditional_t<N == 8, V8i, platform::V4i>;
        using VNs = std::conditional_t<N == 8, V8s, V4s>;
        const VNs tiltCode = __builtin_convertvector(__builtin_convertvector(tilt, VNi), VNs);
        const VNs orientationCode = __builtin_convertvector(__builtin_convertvector(orientation, VNi), VNs);
        std::memcpy(r.Tilts + col, &tiltCode, sizeof tiltCode);
        std::memcpy(r.Orientations + col, &orientationCode, sizeof orientationCode);
    }
}

// The codes of N points from column `col` (4: V4d, 1: double).
template <class T, int N, T Load(const std::int32_t*)>
MORVANE_INLINE inline void CodePoints(const TCodeRow& r, int col)
{
    T sx, sy;
    SumsOf<T, Load>(r, col, sx, sy);
    StoreCodes<T, N>(r, col, RootCells(StartCells(sx, sy, r.Kx, r.Ky, r.C2)));
}

inline double LoadOne(const std::int32_t* p)
{
    return double(*p);
}

// The codes of the n points of a row from column 0, eight at a time in three steps: the
// points of one step of eight start, those of the step before take their root, and those
// of the step before that are stored, so that none waits for the division or the root it
// needs. The last points again where n does not divide by eight. Fewer than eight points
// four or one at a time.
template <bool Small>
MORVANE_INLINE inline void CodePointsOfRow(const TCodeRow& row, int n)
{
    const TCodeRow r = row;  // held in registers: the codes it stores cannot change it
    if (n >= 8) {
        const auto start = [&](int col) MORVANE_INLINE {
            V8d sx, sy;
            SumsOf<V8d, LoadEight, Small>(r, col, sx, sy);
            return StartCells(sx, sy, r.Kx, r.Ky, r.C2);
        };
        const int steps = (n + 7) / 8;  // the last at n − 8
        const auto at = [&](int step) { return std::min(step * 8, n - 8); };
        TCellsStart<V8d> started = start(0);
        TCellsRoot<V8d> rooted = RootCells(started);
        if (steps > 1)
            started = start(at(1));
        for (int step = 2; step < steps; ++step) {
            const TCellsRoot<V8d> next = RootCells(started);
            started = start(at(step));
            StoreCodes<V8d, 8>(r, at(step - 2), rooted);
            rooted = next;
        }
        if (steps > 1) {
            StoreCodes<V8d, 8>(r, at(steps - 2), rooted);
            rooted = RootCells(started);
        }
        StoreCodes<V8d, 8>(r, at(steps - 1), rooted);
        return;
    }
    if (n >= 4) {
        CodePoints<platform::V4d, 4, platform::LoadDoubles>(r, 0);
        CodePoints<platform::V4d, 4, platform::LoadDoubles>(r, n - 4);
        return;
    }
    for (int col = 0; col < n; ++col)
        CodePoints<double, 1, LoadOne>(r, col);
}

// The divisions and roots of a point wait long for their operands: eight points a step keep
// more of them under way. Products are never fused with sums (the 512-bit processors could):
// the codes stay those of every other processor.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(MORVANE_NO_CLONES)
#define ANGLE_CLONES __attribute__((target_clones("avx512f", "avx2", "default"), optimize("fp-contract=off")))
#else
#define ANGLE_CLONES
#endif

// The codes of the n points of a row; `small` where every value its stencils read lies
// within ±2^27.
ANGLE_CLONES void CodeRow(const TCodeRow& r, int n, bool small)
{
    if (small)
        CodePointsOfRow<true>(r, n);
    else
        CodePointsOfRow<false>(r, n);
}

// The smallest and largest of n raw values.
MORVANE_CLONES void RowRange(const std::int32_t* __restrict v, int n, std::int32_t& lo, std::int32_t& hi)
{
    std::int32_t a = lo, b = hi;
    for (int i = 0; i < n; ++i) {
        a = std::min(a, v[i]);
        b = std::max(b, v[i]);
    }
    lo = a;
    hi = b;
}



// The direction of diamond angle d, as an angle 0..2π.
double AngleOfDiamond(double d)
{
    d = std::clamp(d, 0.0, 4.0);
    double x, y;
    if (d < 1) {
        x = 1 - d;
        y = d;
    } else if (d < 2) {
        x = 1 - d;
        y = 2 - d;
    } else if (d < 3) {
        x = d - 3;
        y = 2 - d;
    } else {
        x = d - 3;
        y = d - 4;
    }
    const double a = std::atan2(y, x);
    return a < 0 ? a + TwoPi : a;
}

// The lowest and highest angle that each code may stand for, computed once.
struct TCellEdges {
    std::vector<double> TiltLow, TiltHigh, OrientationLow, OrientationHigh;
    TCellEdges()
    {
        TiltLow.resize(TiltCells);
        TiltHigh.resize(TiltCells);
        for (int i = 0; i < TiltCells; ++i) {
            TiltLow[std::size_t(i)] = std::asin(std::clamp(double(i) / TiltCells - KeySlack, 0.0, 1.0));
            TiltHigh[std::size_t(i)] = std::asin(std::clamp(double(i + 1) / TiltCells + KeySlack, 0.0, 1.0));
        }
        OrientationLow.resize(OrientationCells);
        OrientationHigh.resize(OrientationCells);
        const double w = 4.0 / OrientationCells;
        for (int i = 0; i < OrientationCells; ++i) {
            // Unwrapped: the first cell may begin just below 0, the last end just above 2π.
            const double lo = i * w - KeySlack, hi = (i + 1) * w + KeySlack;
            OrientationLow[std::size_t(i)] = lo < 0 ? AngleOfDiamond(lo + 4) - TwoPi : AngleOfDiamond(lo);
            OrientationHigh[std::size_t(i)] = hi > 4 ? AngleOfDiamond(hi - 4) + TwoPi
                                              : hi == 4 ? TwoPi
                                                        : AngleOfDiamond(hi);
        }
    }
};

const TCellEdges& Edges()
{
    static const TCellEdges edges;
    return edges;
}

// For the tilt codes from..to the bar of all angles each code may stand for, -1 where a
// bar boundary lies within reach.
MORVANE_CLONES void FillTiltTable(int bars, std::size_t from, std::size_t to, std::int16_t* table)
{
    const TCellEdges& e = Edges();
    const double bw = HalfPi / bars;
    for (std::size_t i = from; i < to; ++i) {
        const double lo = std::floor((e.TiltLow[i] - Guard) / bw);
        const double hi = std::floor((e.TiltHigh[i] + Guard) / bw);
        const int a = int(std::clamp(lo, 0.0, double(bars - 1)));
        const int b = int(std::clamp(hi, 0.0, double(bars - 1)));
        table[i] = a == b ? std::int16_t(a) : std::int16_t(-1);
    }
}

// The same for the orientation codes and the sectors.
MORVANE_CLONES void FillOrientationTable(int sectors, std::size_t from, std::size_t to, std::int16_t* table)
{
    const TCellEdges& e = Edges();
    const double sw = TwoPi / sectors;
    for (std::size_t i = from; i < to; ++i) {
        const double lo = std::floor((e.OrientationLow[i] - Guard + sw * 0.5) / sw);
        const double hi = std::floor((e.OrientationHigh[i] + Guard + sw * 0.5) / sw);
        const int a = ((int(lo) % sectors) + sectors) % sectors;
        table[i] = lo == hi ? std::int16_t(a) : std::int16_t(-1);
    }
}

// Sets of counters each piece of binning work keeps: points falling into the same bar one
// after another then count into different sets and do not wait for each other.
constexpr int CounterSets = 4;  // BinChunk takes as many columns at a time
// Bands of rows per piece of binning work, at most.
constexpr std::size_t BinPieces = 64;

// Columns per chunk of a row that BinChunk takes.
constexpr int ChunkColumns = 1024;

// Where one piece of binning work counts: CounterSets counters for each bar, side by side,
// then CounterSets for each sector and the spare one.
struct TPieceCounters {
    std::uint32_t* Tilt;
    std::uint32_t* Orientation;
};

// Counts the codes of up to ChunkColumns points whose bar and sector the tables give, and
// lists the columns of the others (near a boundary) in `near`; with CheckLevel, only the
// points whose height counts. Tilt or Orientation alone counts that kind alone. Returns how
// many columns it listed. Kept apart from the exact binning so that the loop keeps its
// values in registers.
template <bool CheckLevel, TAngleKinds Kinds>
int BinChunk(const std::uint16_t* __restrict tiltCodes, const std::uint16_t* __restrict orientationCodes,
             const std::int32_t* __restrict z, int n,
             const std::int16_t* __restrict tilts, const std::int16_t* __restrict orientations,
             const TPieceCounters& counters, const TAngleBinning& b, double zs, int* __restrict near)
{
    std::uint32_t* const tiltCounters = counters.Tilt;
    std::uint32_t* const orientationCounters = counters.Orientation;
    constexpr bool tilt = Kinds != TAngleKinds::Orientation, orientation = Kinds != TAngleKinds::Tilt;
    int listed = 0;
    // The counter set of a point is its column's place among CounterSets: taken a set of
    // columns at a time, each place counts into a fixed set.
    const auto point = [&](int col, std::size_t set) MORVANE_INLINE {
        if constexpr (CheckLevel) {
            if (!Counted(z[col], b, zs))
                return;
        }
        const int bar = tilt ? tilts[tiltCodes[col]] : 0;
        const int sector = orientation ? orientations[orientationCodes[col]] : 0;
        if ((bar | sector) < 0) [[unlikely]] {
            near[listed++] = col;
            return;
        }
        if constexpr (tilt)
            ++tiltCounters[std::size_t(bar) * CounterSets + set];
        if constexpr (orientation)
            ++orientationCounters[std::size_t(sector) * CounterSets + set];
    };
    int col = 0;
    for (; col + CounterSets <= n; col += CounterSets) {
        point(col, 0);
        point(col + 1, 1);
        point(col + 2, 2);
        point(col + 3, 3);
    }
    for (; col < n; ++col)
        point(col, std::size_t(col) % CounterSets);
    return listed;
}

// Asks for the values that the stencils of the listed points (row j, columns `columns`
// counted from `values`) read, all at once, before they are binned one by one.
void FetchStencils(const std::int32_t* values, int width, int j, int s, const int* columns, int listed)
{
    for (int k = 0; k < listed; ++k) {
        const std::int32_t* at = values + std::ptrdiff_t(j - s) * width + columns[k];
        for (int r = 0; r < 3; ++r, at += std::ptrdiff_t(s) * width) {
            __builtin_prefetch(at);
            __builtin_prefetch(at + 2 * s);
        }
    }
}

// The raw heights that count at a binning, First..Last (none when First > Last): the
// count is monotone in the height, so they lie on one side of a threshold.
struct THeights {
    std::int64_t First, Last;
    bool Empty() const { return First > Last; }
    bool Holds(std::int64_t z) const { return z >= First && z <= Last; }
};

THeights CountedHeights(const TAngleBinning& b, double zs)
{
    constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
    const bool atLowest = Counted(lowest, b, zs), atHighest = Counted(highest, b, zs);
    if (atLowest == atHighest)
        return atLowest ? THeights{lowest, highest} : THeights{1, 0};
    // Between a height that counts and one that does not.
    std::int64_t in = atHighest ? highest : lowest, out = atHighest ? lowest : highest;
    while (std::abs(in - out) > 1) {
        const std::int64_t middle = out + (in - out) / 2;
        (Counted(std::int32_t(middle), b, zs) ? in : out) = middle;
    }
    return atHighest ? THeights{in, highest} : THeights{lowest, in};
}

// The heights that count at one of two binnings and not at the other: one run of heights,
// as both sets end at the same extreme. Empty when the change cannot be put so.
bool ChangedHeights(const THeights& before, const THeights& after, THeights& changed)
{
    if (before.Empty() || after.Empty())
        changed = before.Empty() ? after : before;
    else if (before.First == after.First)
        changed = {std::min(before.Last, after.Last) + 1, std::max(before.Last, after.Last)};
    else if (before.Last == after.Last)
        changed = {std::min(before.First, after.First), std::max(before.First, after.First) - 1};
    else
        return false;
    return true;
}

// Lists the columns of the points among up to SegmentColumns whose raw height lies in
// `heights` (not empty, within the 32-bit range) in `changed` (room for SegmentColumns + 8);
// returns how many. Without a branch on the heights, which the contours of a rough surface
// would mispredict.
int ListChangedPlain(const std::int32_t* __restrict z, int from, int n, std::uint32_t first, std::uint32_t span,
                     int* __restrict changed, int listed)
{
    for (int col = from; col < n; ++col) {
        changed[listed] = col;
        listed += int(std::uint32_t(z[col]) - first <= span);
    }
    return listed;
}

#if defined(__x86_64__)
// For each mask of eight lanes, the lanes that are set, in order.
struct TLanes {
    alignas(32) std::int32_t Of[256][8];
    TLanes()
    {
        for (int m = 0; m < 256; ++m) {
            int k = 0;
            for (int lane = 0; lane < 8; ++lane)
                if (m & (1 << lane))
                    Of[m][k++] = lane;
            while (k < 8)
                Of[m][k++] = 0;
        }
    }
};
const TLanes Lanes;

// Eight columns at a time: the marks of their heights pick the columns to store.
__attribute__((target("avx2,popcnt"))) int ListChangedAvx2(const std::int32_t* __restrict z, int n,
                                                           std::uint32_t first, std::uint32_t span,
                                                           int* __restrict changed)
{
    // d ≤ span unsigned, as signed numbers with their top bits flipped.
    const __m256i top = _mm256_set1_epi32(std::int32_t(0x80000000u));
    const __m256i low = _mm256_set1_epi32(std::int32_t(first));
    const __m256i limit = _mm256_set1_epi32(std::int32_t(span ^ 0x80000000u));
    __m256i cols = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i eight = _mm256_set1_epi32(8);
    int listed = 0, col = 0;
    for (; col + 8 <= n; col += 8) {
        const __m256i d = _mm256_xor_si256(
            _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(z + col)), low), top);
        const int beyond = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(d, limit)));
        const int mask = ~beyond & 0xFF;
        const __m256i lanes = _mm256_load_si256(reinterpret_cast<const __m256i*>(Lanes.Of[mask]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(changed + listed), _mm256_permutevar8x32_epi32(cols, lanes));
        listed += _mm_popcnt_u32(unsigned(mask));
        cols = _mm256_add_epi32(cols, eight);
    }
    return ListChangedPlain(z, col, n, first, span, changed, listed);
}
#endif

// Lists the columns among n of the points whose code is marked in `marks` (a bit for each of
// the 65536 codes) in `listed` (room for n); returns how many.
int ListMarkedPlain(const std::uint16_t* __restrict codes, int from, int n, const std::uint32_t* __restrict marks,
                    int* __restrict listed, int count)
{
    for (int col = from; col < n; ++col) {
        const std::uint32_t c = codes[col];
        listed[count] = col;
        count += int((marks[c / 32] >> (c % 32)) & 1u);
    }
    return count;
}

#if defined(__x86_64__)
// Sixteen codes at a time, their bits gathered: the marked ones are rare.
__attribute__((target("avx2"))) int ListMarkedAvx2(const std::uint16_t* __restrict codes, int n,
                                                  const std::uint32_t* __restrict marks, int* __restrict listed)
{
    const __m256i low5 = _mm256_set1_epi32(31);
    const __m256i one = _mm256_set1_epi32(1);
    int count = 0, col = 0;
    for (; col + 16 <= n; col += 16) {
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(codes + col));
        const __m256i first = _mm256_cvtepu16_epi32(_mm256_castsi256_si128(c));
        const __m256i second = _mm256_cvtepu16_epi32(_mm256_extracti128_si256(c, 1));
        const __m256i a = _mm256_srlv_epi32(
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(marks), _mm256_srli_epi32(first, 5), 4),
            _mm256_and_si256(first, low5));
        const __m256i b = _mm256_srlv_epi32(
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(marks), _mm256_srli_epi32(second, 5), 4),
            _mm256_and_si256(second, low5));
        if (!_mm256_testz_si256(_mm256_or_si256(a, b), one)) [[unlikely]]
            count = ListMarkedPlain(codes, col, col + 16, marks, listed, count);
    }
    return ListMarkedPlain(codes, col, n, marks, listed, count);
}
#endif

int ListMarked(const std::uint16_t* __restrict codes, int n, const std::uint32_t* __restrict marks,
               int* __restrict listed)
{
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        return ListMarkedAvx2(codes, n, marks, listed);
#endif
    return ListMarkedPlain(codes, 0, n, marks, listed, 0);
}

int ListChanged(const std::int32_t* __restrict z, int n, const THeights& heights, int* __restrict changed)
{
    const std::uint32_t first = std::uint32_t(std::int32_t(heights.First));
    const std::uint32_t span = std::uint32_t(heights.Last - heights.First);
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    if (avx2)
        return ListChangedAvx2(z, n, first, span, changed);
#endif
    return ListChangedPlain(z, 0, n, first, span, changed, 0);
}

// Hands each listed point (columns `changed`, n of them) whose bar and sector the tables
// give to add(k, col, bar, sector), and lists the columns of the others (near a boundary)
// in `near`; returns how many it listed there.
template <typename Add>
MORVANE_INLINE inline int AddOrListNear(const std::uint16_t* __restrict tiltCodes,
                                        const std::uint16_t* __restrict orientationCodes,
                                        const int* __restrict changed, int n,
                                        const std::int16_t* __restrict tilts,
                                        const std::int16_t* __restrict orientations, int* __restrict near,
                                        const Add& add)
{
    int listed = 0;
    for (int k = 0; k < n; ++k) {
        const int col = changed[k];
        const int bar = tilts[tiltCodes[col]];
        const int sector = orientations[orientationCodes[col]];
        if ((bar | sector) < 0) [[unlikely]] {
            near[listed++] = col;
            continue;
        }
        add(k, col, bar, sector);
    }
    return listed;
}

// Adds `step` to the counters of the listed points whose bar and sector the tables give, and
// lists the others in `near` (AddOrListNear).
int CountListed(const std::uint16_t* __restrict tiltCodes, const std::uint16_t* __restrict orientationCodes,
                const int* __restrict changed, int n,
                const std::int16_t* __restrict tilts, const std::int16_t* __restrict orientations,
                std::uint32_t* __restrict tiltCounters, std::uint32_t* __restrict orientationCounters,
                std::uint32_t step, int* __restrict near)
{
    return AddOrListNear(tiltCodes, orientationCodes, changed, n, tilts, orientations, near,
                         [&](int k, int, int bar, int sector) {
                             const std::size_t set = std::size_t(k) % CounterSets;
                             tiltCounters[std::size_t(bar) * CounterSets + set] += step;
                             orientationCounters[std::size_t(sector) * CounterSets + set] += step;
                         });
}

// Adds one to the counters of the raw heights of the listed points whose bar and sector the
// tables give: `per` counters for each height from `low` up, the bars, then the sectors and
// the spare one. Lists the others in `near` (AddOrListNear).
int CountListedByHeight(const std::uint16_t* __restrict tiltCodes, const std::uint16_t* __restrict orientationCodes,
                        const std::int32_t* __restrict z, const int* __restrict changed, int n,
                        const std::int16_t* __restrict tilts, const std::int16_t* __restrict orientations,
                        std::uint32_t* __restrict table, std::size_t per, std::size_t bars, std::int64_t low,
                        int* __restrict near)
{
    return AddOrListNear(tiltCodes, orientationCodes, changed, n, tilts, orientations, near,
                         [&](int, int col, int bar, int sector) {
                             std::uint32_t* const at = table + std::size_t(z[col] - low) * per;
                             ++at[bar];
                             ++at[bars + std::size_t(sector)];
                         });
}

// Counters of the height counts at most (4 bytes each), and the counters that the pieces
// counting a run of heights may take together.
constexpr std::size_t HeightCounters = std::size_t(1) << 22;
constexpr std::size_t HeightScratch = std::size_t(1) << 22;

bool BinningUsable(const TAngleBinning& b)
{
    return b.Bars >= 1 && b.Sectors >= 1 && b.Bars <= 0x7FFF && b.Sectors <= 0x7FFF;
}

void StartCounters(const TAngleBinning& b, TAngleCounts& counts)
{
    counts.Tilt.assign(std::size_t(std::max(b.Bars, 0)), 1u);
    counts.Orientation.assign(std::size_t(std::max(b.Sectors, 0)), 1u);
}

// Memory in pieces of 2 MiB, which the system may give as huge pages: far fewer page
// faults on the first pass, which several cores would otherwise wait for in turn.
constexpr std::size_t HugePiece = std::size_t(2) << 20;

std::size_t HugeBytes(std::size_t bytes)
{
    return (std::max<std::size_t>(bytes, 1) + HugePiece - 1) / HugePiece * HugePiece;
}

//! `bytes` rounded up by HugeBytes; null without memory. Freed with std::free.
void* AllocateHuge(std::size_t bytes)
{
    void* p = std::aligned_alloc(HugePiece, HugeBytes(bytes));
#ifdef MADV_HUGEPAGE
    if (p)
        ::madvise(p, HugeBytes(bytes), MADV_HUGEPAGE);
#endif
    return p;
}

}  // namespace

TAngleRegion WholeRegion(int width, int height)
{
    return {0, 0, width - 1, height - 1, 1};
}

bool AngleGridUsable(const TAngleGrid& g)
{
    return std::isfinite(g.XStep) && std::isfinite(g.YStep) && std::isfinite(g.ZScale) &&
           g.XStep != 0 && g.YStep != 0;
}

bool FindAngleRange(const std::int32_t* values, int width, int height, const TAngleRegion& r,
                    std::int32_t& minimum, std::int32_t& maximum)
{
    if (!values || !RegionFits(width, height, r))
        return false;
    const std::int32_t first = values[std::ptrdiff_t(r.Y1) * width + r.X1];
    std::int32_t lo = first, hi = first;
    for (int j = r.Y1; j <= r.Y2; ++j) {
        const std::int32_t* row = values + std::ptrdiff_t(j) * width;
        for (int i = r.X1; i <= r.X2; ++i) {
            lo = std::min(lo, row[i]);
            hi = std::max(hi, row[i]);
        }
    }
    minimum = lo;
    maximum = hi;
    return true;
}

bool CountAngles(const std::int32_t* values, int width, int height, const TAngleRegion& r,
                 const TAngleGrid& grid, const TAngleBinning& b, TAngleCounts& counts)
{
    StartCounters(b, counts);
    if (!values || !RegionFits(width, height, r) || !AngleGridUsable(grid) || !BinningUsable(b))
        return false;
    const int s = r.S;
    const double c = VerticalOf(grid, s);
    const double bw = Pi / (2.0 * b.Bars);
    const double sw = TwoPi / b.Sectors;
    for (int j = r.Y1 + s; j < r.Y2 - s; ++j)
        for (int i = r.X1 + s; i < r.X2 - s; ++i) {
            if (!Counted(values[std::ptrdiff_t(j) * width + i], b, grid.ZScale))
                continue;
            std::int64_t sx, sy;
            SobelSums(values, width, j, i, s, sx, sy);
            const TGradient g = GradientOf(sx, sy, grid, s);
            ++counts.Tilt[std::size_t(ExactTiltBar(g, c, bw, b.Bars))];
            const int sector = ExactSector(g, sw, b.Sectors);
            if (sector >= 0)
                ++counts.Orientation[std::size_t(sector)];
        }
    return true;
}

void TAngleField::FreeCodes::operator()(void* p) const
{
    std::free(p);
}

void TAngleField::Clear()
{
    lastKept_ = false;
    tiltCodeCounts_.Kept = orientationCodeCounts_.Kept = false;
    heightCounts_ = {};
    tiltNear_ = {};
    orientationNear_ = {};
    codes_.reset();
    capacity_ = 0;
    rows_ = cols_ = 0;
    exactOnly_ = false;
}

bool TAngleField::Allocate(std::size_t n)
{
    const std::size_t bytes = HugeBytes(std::max<std::size_t>(n, 1) * 2 * sizeof(std::uint16_t));
    if (codes_ && capacity_ >= bytes)
        return true;
    codes_.reset();
    capacity_ = 0;
    void* p = AllocateHuge(bytes);
    if (!p)
        return false;
    codes_.reset(static_cast<std::uint16_t*>(p));
    capacity_ = bytes;
    return true;
}

bool TAngleField::Start(const std::int32_t* values, int width, int height, const TAngleRegion& r,
                        const TAngleGrid& grid)
{
    if (!values || !RegionFits(width, height, r) || !AngleGridUsable(grid)) {
        Clear();
        return false;
    }
    lastKept_ = false;
    tiltCodeCounts_.Kept = orientationCodeCounts_.Kept = heightCounts_.Kept = false;
    tiltNear_.Kept = orientationNear_.Kept = false;
    region_ = r;
    grid_ = grid;
    width_ = width;
    height_ = height;
    rows_ = std::max(0, r.Y2 - r.Y1 - 2 * r.S);
    cols_ = std::max(0, r.X2 - r.X1 - 2 * r.S);
    if (!Allocate(std::size_t(rows_) * std::size_t(cols_))) {
        Clear();
        return false;
    }
    const int s = r.S;
    const double c = VerticalOf(grid, s);
    const double kx = grid.ZScale * grid.YStep * double(s), ky = grid.XStep * grid.ZScale * double(s);
    // Gradients beyond what the codes' arithmetic holds: every point is binned exactly. The
    // keys' product (q + c²) × (|x| + |y|) stays a normal number when the gradients, c and
    // the smallest step of a gradient (one raw count) lie within 1e±90.
    const double largest = 8 * 4294967296.0 * std::fabs(grid.ZScale) *
                           std::max(std::fabs(grid.XStep), std::fabs(grid.YStep)) * s;
    const bool tinySteps = grid.ZScale != 0 && !(std::min(std::fabs(kx), std::fabs(ky)) > 1e-90);
    exactOnly_ = !(largest < 1e90) || !(std::fabs(c) < 1e90) || !(std::fabs(c) > 1e-90) || tinySteps;
    const std::size_t bands = std::size_t((rows_ + Band - 1) / Band);
    bandLow_.assign(bands, 0);
    bandHigh_.assign(bands, 0);
    segments_ = std::size_t((cols_ + SegmentColumns - 1) / SegmentColumns);
    segmentLow_.assign(bands * segments_, 0);
    segmentHigh_.assign(bands * segments_, 0);
    return true;
}

bool TAngleField::SmallStencils(const std::int32_t* values, std::size_t band) const
{
    const int s = region_.S;
    const int first = int(band) * Band;
    const int last = std::min(rows_, first + Band);
    const auto row = [&](int j) { return values + std::ptrdiff_t(region_.Y1 + j) * width_ + region_.X1; };
    // The band's points, then the rows above and below them and the columns beside them.
    std::int32_t lo = bandLow_[band], hi = bandHigh_[band];
    for (int k = 0; k < s; ++k) {
        RowRange(row(first + k), cols_ + 2 * s, lo, hi);
        RowRange(row(s + last + k), cols_ + 2 * s, lo, hi);
    }
    for (int k = first; k < last; ++k) {
        RowRange(row(s + k), s, lo, hi);
        RowRange(row(s + k) + s + cols_, s, lo, hi);
    }
    constexpr std::int32_t limit = std::int32_t(1) << 27;
    return lo >= -limit && hi <= limit;
}

void TAngleField::CodeBand(const std::int32_t* values, std::size_t band)
{
    const int s = region_.S;
    const int first = int(band) * Band;
    const int last = std::min(rows_, first + Band);
    std::int32_t* const segmentLow = segmentLow_.data() + band * segments_;
    std::int32_t* const segmentHigh = segmentHigh_.data() + band * segments_;
    std::fill(segmentLow, segmentLow + segments_, std::numeric_limits<std::int32_t>::max());
    std::fill(segmentHigh, segmentHigh + segments_, std::numeric_limits<std::int32_t>::min());
    for (int row = first; row < last; ++row) {
        const std::int32_t* z = values + std::ptrdiff_t(region_.Y1 + s + row) * width_ + region_.X1 + s;
        for (std::size_t g = 0; g < segments_; ++g) {
            const int from = int(g) * SegmentColumns;
            RowRange(z + from, std::min(SegmentColumns, cols_ - from), segmentLow[g], segmentHigh[g]);
        }
    }
    bandLow_[band] = segments_ ? *std::min_element(segmentLow, segmentLow + segments_)
                               : std::numeric_limits<std::int32_t>::max();
    bandHigh_[band] = segments_ ? *std::max_element(segmentHigh, segmentHigh + segments_)
                                : std::numeric_limits<std::int32_t>::min();
    const bool small = SmallStencils(values, band);
    for (int row = first; row < last; ++row)
        CodeRow(CodeRowAt(values, width_, region_, grid_, cols_, row, TiltCodes(), OrientationCodes()), cols_, small);
}

bool TAngleField::Compute(const std::int32_t* values, int width, int height, const TAngleRegion& r,
                          const TAngleGrid& grid, unsigned threads)
{
    if (!Start(values, width, height, r, grid))
        return false;
    if (exactOnly_)
        return true;
    try {
        platform::ParallelBands(
            bandLow_.size(), [&](std::size_t band) { CodeBand(values, band); },
            ThreadsFor(std::int64_t(rows_) * cols_, threads));
    } catch (...) {
        Clear();  // no field with codes left unmade
        throw;
    }
    return true;
}

bool TAngleField::Compute(const std::int32_t* values, int width, int height, const TAngleRegion& r,
                          const TAngleGrid& grid, const TAngleBinning& b, TAngleCounts& counts, unsigned threads)
{
    StartCounters(b, counts);
    if (!BinningUsable(b))
        return Compute(values, width, height, r, grid, threads);
    if (!Start(values, width, height, r, grid))
        return false;
    if (exactOnly_) {
        CountAngles(values, width_, height_, region_, grid_, b, counts);
        return true;
    }
    // Each band is binned right after its codes are made, while they are still at hand.
    try {
        Count(values, b, counts, threads, [&](std::size_t band) { CodeBand(values, band); });
    } catch (...) {
        Clear();
        StartCounters(b, counts);
        throw;
    }
    last_ = b;
    lastCounts_ = counts;
    lastKept_ = true;
    return true;
}

void TAngleField::PrepareTables(int bars, int sectors) const
{
    const bool tilt = bars != tableBars_, orientation = sectors != tableSectors_;
    if (!tilt && !orientation)
        return;
    tableBars_ = tableSectors_ = 0;  // until both are whole again
    // The code of a normal without orientation counts in a spare counter after the sectors.
    tiltTable_.resize(TiltCells);
    orientationTable_.resize(OrientationCells + 1);
    orientationTable_[OrientationCells] = std::int16_t(sectors);
    constexpr std::size_t chunks = 32;
    platform::ParallelBands(
        chunks,
        [&](std::size_t k) {
            if (tilt)
                FillTiltTable(bars, k * TiltCells / chunks, (k + 1) * TiltCells / chunks, tiltTable_.data());
            if (orientation)
                FillOrientationTable(sectors, k * OrientationCells / chunks, (k + 1) * OrientationCells / chunks,
                                     orientationTable_.data());
        },
        0);
    tableBars_ = bars;
    tableSectors_ = sectors;
}

void TAngleField::Bin(const std::int32_t* values, const TAngleBinning& b, TAngleCounts& counts,
                      unsigned threads) const
{
    StartCounters(b, counts);
    if (!values || Empty() || !BinningUsable(b))
        return;
    if (exactOnly_) {
        CountAngles(values, width_, height_, region_, grid_, b, counts);
        return;
    }
    // The window changes one of bars, sectors and level at a time: what did not change is
    // taken from the last binning. Levels are compared as bits, so that one that is not a
    // number counts as a change.
    const bool sameBars = lastKept_ && b.Bars == last_.Bars, sameSectors = lastKept_ && b.Sectors == last_.Sectors;
    const bool sameLevel = lastKept_ && b.Minimum == last_.Minimum &&
                           std::memcmp(&b.Level, &last_.Level, sizeof b.Level) == 0;
    lastKept_ = false;  // until the counters are whole again
    if (sameBars && sameSectors && sameLevel) {
        counts = lastCounts_;
    } else if (sameBars && sameSectors && CountFromHeights(values, b, counts, threads)) {
        // A change of level (or of the minimum) alone: from the counts of each height.
    } else if (sameBars && sameSectors && b.Minimum == last_.Minimum) {
        CountLevelChange(values, b, counts, threads);
    } else if (sameLevel && sameSectors) {
        CountOneKind(values, b, counts, threads, TAngleKinds::Tilt);
        counts.Orientation = lastCounts_.Orientation;
    } else if (sameLevel && sameBars) {
        CountOneKind(values, b, counts, threads, TAngleKinds::Orientation);
        counts.Tilt = lastCounts_.Tilt;
    } else {
        Count(values, b, counts, threads, nullptr);
    }
    last_ = b;
    lastCounts_ = counts;
    lastKept_ = true;
}

void TAngleField::ExactBins(const std::int32_t* values, int j, int col, const TAngleBinning& b, int& bar,
                            int& sector) const
{
    const int s = region_.S;
    std::int64_t sx, sy;
    SobelSums(values, width_, j, region_.X1 + s + col, s, sx, sy);
    const TGradient g = GradientOf(sx, sy, grid_, s);
    if (bar < 0)
        bar = ExactTiltBar(g, VerticalOf(grid_, s), Pi / (2.0 * b.Bars), b.Bars);
    if (sector < 0) {
        sector = ExactSector(g, TwoPi / b.Sectors, b.Sectors);
        if (sector < 0)
            sector = b.Sectors;  // the spare counter
    }
}

std::pair<std::size_t, std::size_t> TAngleField::StartPieces(const TAngleBinning& b) const
{
    PrepareTables(b.Bars, b.Sectors);
    const std::size_t pieces = std::min(bandLow_.size(), BinPieces);
    const std::size_t piece = CounterSets * (std::size_t(b.Bars) + std::size_t(b.Sectors) + 1);
    if (partial_.size() < pieces * piece)
        partial_.resize(pieces * piece);
    return {pieces, piece};
}

std::uint32_t* TAngleField::ClearedCounters(std::size_t p, std::size_t piece) const
{
    std::uint32_t* const counters = partial_.data() + p * piece;
    std::fill(counters, counters + piece, 0u);
    return counters;
}

void TAngleField::AddPieces(const TAngleBinning& b, std::size_t pieces, TAngleCounts& counts, TAngleKinds kinds) const
{
    const std::size_t piece = CounterSets * (std::size_t(b.Bars) + std::size_t(b.Sectors) + 1);
    for (std::size_t p = 0; p < pieces; ++p) {
        const std::uint32_t* tiltCounters = partial_.data() + p * piece;
        const std::uint32_t* orientationCounters = tiltCounters + CounterSets * std::size_t(b.Bars);
        for (std::size_t k = 0; k < CounterSets; ++k) {
            if (kinds != TAngleKinds::Orientation)
                for (std::size_t i = 0; i < std::size_t(b.Bars); ++i)
                    counts.Tilt[i] += tiltCounters[i * CounterSets + k];
            if (kinds != TAngleKinds::Tilt)
                for (std::size_t i = 0; i < std::size_t(b.Sectors); ++i)
                    counts.Orientation[i] += orientationCounters[i * CounterSets + k];
        }
    }
}

void TAngleField::Count(const std::int32_t* values, const TAngleBinning& b, TAngleCounts& counts, unsigned threads,
                        const std::function<void(std::size_t band)>& before, TAngleKinds kinds) const
{
    const int s = region_.S;
    const double zs = grid_.ZScale;
    const std::size_t bands = bandLow_.size();
    const auto [pieces, piece] = StartPieces(b);
    const std::int16_t* tilts = tiltTable_.data();
    const std::int16_t* orientations = orientationTable_.data();
    const bool tilt = kinds != TAngleKinds::Orientation, orientation = kinds != TAngleKinds::Tilt;
    using TChunk = int (*)(const std::uint16_t*, const std::uint16_t*, const std::int32_t*, int, const std::int16_t*, const std::int16_t*,
                           const TPieceCounters&, const TAngleBinning&, double, int*);
    constexpr TChunk chunks[2][3] = {
        {BinChunk<false, TAngleKinds::Both>, BinChunk<false, TAngleKinds::Tilt>,
         BinChunk<false, TAngleKinds::Orientation>},
        {BinChunk<true, TAngleKinds::Both>, BinChunk<true, TAngleKinds::Tilt>, BinChunk<true, TAngleKinds::Orientation>},
    };
    const TChunk* chunkOf = chunks[0] + int(kinds);
    const TChunk* levelChunkOf = chunks[1] + int(kinds);
    // Each piece of work takes bands one at a time until none is left, so that threads that
    // start late or run slowly (the machine's other work) take fewer; pieces that start
    // when all are taken count nothing. The counters are sums: who counts which band does
    // not change them.
    std::atomic<std::size_t> next{0};
    platform::ParallelBands(
        pieces,
        [&](std::size_t p) {
            std::uint32_t* const counters = ClearedCounters(p, piece);
            const TPieceCounters sets{counters, counters + CounterSets * std::size_t(b.Bars)};
            int near[ChunkColumns];
            for (std::size_t band = next++; band < bands; band = next++) {
                if (before)
                    before(band);
                // The level decides per point only in a band that it cuts through: the
                // count is monotone in the height, so a band is wholly counted or wholly
                // not when its extremes agree.
                const bool low = Counted(bandLow_[band], b, zs), high = Counted(bandHigh_[band], b, zs);
                if (!low && !high)
                    continue;
                const TChunk chunk = low && high ? *chunkOf : *levelChunkOf;
                const int first = int(band) * Band;
                const int last = std::min(rows_, first + Band);
                for (int row = first; row < last; ++row) {
                    const int j = region_.Y1 + s + row;
                    const std::int32_t* z = values + std::ptrdiff_t(j) * width_ + region_.X1 + s;
                    const std::uint16_t* tiltCodes = TiltCodes() + std::size_t(row) * std::size_t(cols_);
                    const std::uint16_t* orientationCodes = OrientationCodes() + std::size_t(row) * std::size_t(cols_);
                    for (int from = 0; from < cols_; from += ChunkColumns) {
                        const int n = std::min(ChunkColumns, cols_ - from);
                        const int listed = chunk(tiltCodes + from, orientationCodes + from, z + from, n, tilts,
                                                 orientations, sets, b, zs, near);
                        // Near a boundary: bin exactly as the plain analysis does, with the
                        // values of all the chunk's points fetched at once.
                        FetchStencils(values + region_.X1 + from, width_, j, s, near, listed);
                        for (int k = 0; k < listed; ++k) {
                            const int col = from + near[k];
                            int bar = tilt ? tilts[tiltCodes[col]] : 0;
                            int sector = orientation ? orientations[orientationCodes[col]] : 0;
                            ExactBins(values, j, col, b, bar, sector);
                            ++sets.Tilt[std::size_t(bar) * CounterSets];
                            ++sets.Orientation[std::size_t(sector) * CounterSets];
                        }
                    }
                }
            }
        },
        ThreadsFor(std::int64_t(rows_) * cols_, threads));
    AddPieces(b, pieces, counts, kinds);
}

void TAngleField::CountOneKind(const std::int32_t* values, const TAngleBinning& b, TAngleCounts& counts,
                                unsigned threads, TAngleKinds kind) const
{
    constexpr std::size_t codes = 65536;
    constexpr std::uint32_t Absent = ~std::uint32_t(0);
    // Points kept near boundaries at most, for each kind (16 bytes each): one in eight of
    // the field's, half as much memory as their codes.
    const std::size_t NearLimit = std::size_t(rows_) * std::size_t(cols_) / 8;
    const int s = region_.S;
    const double zs = grid_.ZScale;
    const std::size_t bands = bandLow_.size();
    const bool tilt = kind == TAngleKinds::Tilt;
    const auto [pieces, piece] = StartPieces(b);
    const std::int16_t* table = tilt ? tiltTable_.data() : orientationTable_.data();
    const std::uint16_t* kept = tilt ? TiltCodes() : OrientationCodes();
    TCodeCounts& held = tilt ? tiltCodeCounts_ : orientationCodeCounts_;
    TNearPoints& cache = tilt ? tiltNear_ : orientationNear_;
    if (!cache.Kept) {
        cache.First.assign(codes, Absent);
        cache.Count.assign(codes, 0);
        cache.Points.clear();
        cache.Kept = true;
    }
    const bool make = !held.Kept || held.Minimum != b.Minimum || std::memcmp(&held.Level, &b.Level, sizeof b.Level) != 0;
    held.Kept = false;  // until they are whole again
    // The codes near a boundary, of all when the code counts are to be made, else of those
    // that counted points hold; marked where their points are not kept yet.
    nearCodes_.assign(codes / 32, 0);
    neededCodes_.clear();
    bool missing = false;
    for (std::size_t code = 0; code < codes; ++code)
        if (table[code] < 0 && (make || held.Of[code] != 0)) {
            neededCodes_.push_back(std::uint16_t(code));
            if (cache.First[code] == Absent) {
                nearCodes_[code / 32] |= std::uint32_t(1) << (code % 32);
                missing = true;
            }
        }
    const std::uint32_t* near = nearCodes_.data();
    // Points are kept with positions of 32 bits, and as many as the limit takes.
    const bool keepable = std::uint64_t(rows_) * std::uint64_t(cols_) <= Absent;
    // Pieces that make the code counts have their own: as many as the pieces of binning
    // would take too much memory.
    const std::size_t makers = std::min<std::size_t>(pieces, 8);
    if (make)
        pieceCodeCounts_.assign(makers * codes, 0);
    // One pass over the codes: it makes the code counts and finds the points of the codes
    // not kept yet; `collect` keeps their positions, else they are binned at once.
    const auto pass = [&](bool counting, bool collect, std::size_t work) {
        if (collect) {
            // Every list cleared: those of pieces beyond `work` are read with the others.
            pieceFound_.resize(std::max(pieceFound_.size(), work));
            for (std::vector<std::uint32_t>& found : pieceFound_)
                found.clear();
        }
        const std::size_t room = (NearLimit - std::min(NearLimit, cache.Points.size())) / std::max<std::size_t>(work, 1);
        std::vector<char> full(work, 0);
        platform::ParallelBands(
            work,
            [&](std::size_t p) {
                std::uint32_t* const counters = ClearedCounters(p, piece);
                std::uint32_t* const bins = tilt ? counters : counters + CounterSets * std::size_t(b.Bars);
                std::uint32_t* const made = counting ? pieceCodeCounts_.data() + p * codes : nullptr;
                std::vector<std::uint32_t>* const found = collect ? &pieceFound_[p] : nullptr;
                int listed[ChunkColumns];
                // The points near a boundary are binned exactly some points after they are
                // found, so that the values of their stencils, far apart in the matrix, have
                // arrived.
                constexpr std::size_t ahead = 16;
                std::pair<int, int> pending[ahead];  // row j, column
                std::size_t settled = 0;
                const auto settle = [&](const std::pair<int, int>& at) {
                    int bar = tilt ? -1 : 0, sector = tilt ? 0 : -1;
                    ExactBins(values, at.first, at.second, b, bar, sector);
                    ++bins[std::size_t(tilt ? bar : sector) * CounterSets];
                };
                for (std::size_t band = p * bands / work; band < (p + 1) * bands / work; ++band) {
                    const bool low = Counted(bandLow_[band], b, zs), high = Counted(bandHigh_[band], b, zs);
                    // The kept points of a code are all of them, whatever the level.
                    if (!low && !high && !collect)
                        continue;
                    const int first = int(band) * Band;
                    const int last = std::min(rows_, first + Band);
                    for (int row = first; row < last; ++row) {
                        const int j = region_.Y1 + s + row;
                        const std::int32_t* z = values + std::ptrdiff_t(j) * width_ + region_.X1 + s;
                        const std::uint16_t* code = kept + std::size_t(row) * std::size_t(cols_);
                        if (made) {
                            if (low && high)
                                for (int col = 0; col < cols_; ++col)
                                    ++made[code[col]];
                            else if (low || high)
                                for (int col = 0; col < cols_; ++col)
                                    made[code[col]] += Counted(z[col], b, zs) ? 1u : 0u;
                        }
                        if (!missing)
                            continue;
                        for (int from = 0; from < cols_; from += ChunkColumns) {
                            const int n = std::min(ChunkColumns, cols_ - from);
                            const int count = ListMarked(code + from, n, near, listed);
                            for (int k = 0; k < count; ++k) {
                                const int col = from + listed[k];
                                if (found) {
                                    if (found->size() < room)
                                        found->push_back(std::uint32_t(row) * std::uint32_t(cols_) + std::uint32_t(col));
                                    else
                                        full[p] = 1;
                                    continue;
                                }
                                if (!(low && high) && !Counted(z[col], b, zs))
                                    continue;
                                FetchStencils(values + region_.X1, width_, j, s, &col, 1);
                                if (settled >= ahead)
                                    settle(pending[settled % ahead]);
                                pending[settled++ % ahead] = {j, col};
                            }
                        }
                    }
                }
                for (std::size_t k = settled > ahead ? settled - ahead : 0; k < settled; ++k)
                    settle(pending[k % ahead]);
            },
            ThreadsFor(std::int64_t(rows_) * cols_, threads));
        return std::find(full.begin(), full.end(), char(1)) == full.end();
    };
    bool counted = false;  // the points of the missing codes binned by the pass
    bool forget = false;   // the kept points given up after this binning
    if (make || missing) {
        const std::size_t work = make ? makers : pieces;
        if (!pass(make, keepable, work)) {
            // Too many to keep: they are binned one by one, and the kept ones are given up
            // after this binning, to make room for the next.
            pass(false, false, pieces);
            counted = forget = true;
            AddPieces(b, pieces, counts, kind);
        } else if (!keepable) {
            counted = true;
            AddPieces(b, work, counts, kind);
        }
    }
    if (make) {
        held.Of.assign(codes, 0);
        for (std::size_t p = 0; p < makers; ++p) {
            const std::uint32_t* made = pieceCodeCounts_.data() + p * codes;
            for (std::size_t code = 0; code < codes; ++code)
                held.Of[code] += made[code];
        }
        held.Minimum = b.Minimum;
        held.Level = b.Level;
    }
    held.Kept = true;
    if (missing && !counted) {
        // The found points grouped by code after those kept already, with their exact
        // angles, worked out on every core.
        cache.Kept = false;  // until the angles are whole
        const std::size_t start = cache.Points.size();
        std::size_t total = start;
        for (const std::vector<std::uint32_t>& found : pieceFound_)
            for (const std::uint32_t at : found)
                ++cache.Count[kept[at]];
        for (const std::uint16_t code : neededCodes_)
            if (cache.First[code] == Absent) {
                cache.First[code] = std::uint32_t(total);
                total += cache.Count[code];
            }
        cache.Points.resize(total);
        {
            std::vector<std::uint32_t> fill(codes, 0);
            for (const std::vector<std::uint32_t>& found : pieceFound_)
                for (const std::uint32_t at : found) {
                    const std::uint16_t code = kept[at];
                    cache.Points[cache.First[code] + fill[code]++].At = at;
                }
        }
        const double c = VerticalOf(grid_, s);
        const std::size_t added = total - start;
        constexpr std::size_t slices = 64;
        platform::ParallelBands(
            slices,
            [&](std::size_t k) {
                const std::size_t from = start + k * added / slices, to = start + (k + 1) * added / slices;
                constexpr std::size_t ahead = 16;
                const auto fetch = [&](std::size_t i) {
                    const int row = int(cache.Points[i].At / std::uint32_t(cols_));
                    const int col = int(cache.Points[i].At % std::uint32_t(cols_));
                    FetchStencils(values + region_.X1, width_, region_.Y1 + s + row, s, &col, 1);
                };
                for (std::size_t i = from; i < std::min(to, from + ahead); ++i)
                    fetch(i);
                for (std::size_t i = from; i < to; ++i) {
                    if (i + ahead < to)
                        fetch(i + ahead);
                    TNearPoint& point = cache.Points[i];
                    const int row = int(point.At / std::uint32_t(cols_));
                    const int col = int(point.At % std::uint32_t(cols_));
                    const int j = region_.Y1 + s + row;
                    std::int64_t sx, sy;
                    SobelSums(values, width_, j, region_.X1 + s + col, s, sx, sy);
                    const TGradient g = GradientOf(sx, sy, grid_, s);
                    point.Z = values[std::ptrdiff_t(j) * width_ + region_.X1 + s + col];
                    point.Angle = tilt ? TiltOf(g, c) : DirectionOf(g);
                }
            },
            ThreadsFor(std::int64_t(added) * 64, threads));
        cache.Kept = true;
    }
    {
        // The kept points of the codes near a boundary, binned from their angles, the codes
        // shared out among the pieces by how many points they keep.
        std::size_t keptPoints = 0;
        for (const std::uint16_t code : neededCodes_)
            if (cache.First[code] != Absent)
                keptPoints += cache.Count[code];
        const bool all = !bands || (Counted(*std::min_element(bandLow_.begin(), bandLow_.end()), b, zs) &&
                                    Counted(*std::max_element(bandHigh_.begin(), bandHigh_.end()), b, zs));
        const double width = tilt ? Pi / (2.0 * b.Bars) : TwoPi / b.Sectors;
        const std::size_t work = keptPoints < 8192 ? 1 : pieces;
        platform::ParallelBands(
            work,
            [&](std::size_t p) {
                std::uint32_t* const counters = ClearedCounters(p, piece);
                std::uint32_t* const bins = tilt ? counters : counters + CounterSets * std::size_t(b.Bars);
                const std::size_t from = p * keptPoints / work, to = (p + 1) * keptPoints / work;
                std::size_t before = 0;  // kept points of the codes before this one
                for (const std::uint16_t code : neededCodes_) {
                    if (cache.First[code] == Absent)
                        continue;
                    const std::size_t n = cache.Count[code];
                    const std::size_t a = std::max(from, before), e = std::min(to, before + n);
                    const TNearPoint* points = cache.Points.data() + cache.First[code];
                    for (std::size_t i = a; i < e; ++i) {
                        const TNearPoint& point = points[i - before];
                        if (!all && !Counted(point.Z, b, zs))
                            continue;
                        int bin;
                        if (tilt) {
                            bin = TiltBarOf(point.Angle, width, b.Bars);
                        } else {
                            bin = SectorOf(point.Angle, width, b.Sectors);
                            if (bin < 0)
                                bin = b.Sectors;  // the spare counter
                        }
                        ++bins[std::size_t(bin) * CounterSets + i % CounterSets];
                    }
                    before += n;
                    if (before >= to)
                        break;
                }
            },
            ThreadsFor(std::int64_t(keptPoints) * 64, threads));
        AddPieces(b, work, counts, kind);
    }
    if (forget)
        cache.Kept = false;
    // Every code away from a boundary counts its points in its bin; the code of a normal
    // without orientation has the spare counter after the sectors.
    std::vector<std::uint32_t>& out = tilt ? counts.Tilt : counts.Orientation;
    const std::size_t binsOf = out.size();
    for (std::size_t code = 0; code < codes; ++code) {
        const int bin = table[code];
        if (bin >= 0 && std::size_t(bin) < binsOf)
            out[std::size_t(bin)] += held.Of[code];
    }
}

template <typename Meets, typename Row>
void TAngleField::ForMeetingRows(const std::int32_t* values, std::size_t band, const Meets& meets,
                                 const Row& row) const
{
    if (!meets(bandLow_[band], bandHigh_[band]))
        return;
    const int s = region_.S;
    const int top = int(band) * Band;
    const int bottom = std::min(rows_, top + Band);
    for (std::size_t g = 0; g < segments_; ++g) {
        if (!meets(segmentLow_[band * segments_ + g], segmentHigh_[band * segments_ + g]))
            continue;
        const int from = int(g) * SegmentColumns;
        const int n = std::min(SegmentColumns, cols_ - from);
        for (int i = top; i < bottom; ++i) {
            const int j = region_.Y1 + s + i;
            row(j, values + std::ptrdiff_t(j) * width_ + region_.X1 + s,
                TiltCodes() + std::size_t(i) * std::size_t(cols_),
                OrientationCodes() + std::size_t(i) * std::size_t(cols_), from, n);
        }
    }
}

bool TAngleField::CountHeights(const std::int32_t* values, const TAngleBinning& b, std::int64_t first,
                                std::int64_t last, unsigned threads) const
{
    THeightCounts& made = heightCounts_;
    const std::size_t bands = bandLow_.size();
    const std::size_t bars = std::size_t(b.Bars), per = bars + std::size_t(b.Sectors) + 1;
    const std::size_t entries = std::size_t(last - first + 1) * per;
    // Each piece counts into rows of its own, summed after.
    const std::size_t pieces = std::max<std::size_t>(1, std::min({bands, std::size_t(16), HeightScratch / entries}));
    const std::size_t bytes = pieces * entries * sizeof(std::uint32_t);
    if (made.ScratchBytes < bytes) {
        made.Scratch.reset(static_cast<std::uint32_t*>(AllocateHuge(bytes)));
        made.ScratchBytes = made.Scratch ? HugeBytes(bytes) : 0;
        if (!made.Scratch)
            return false;
    }
    const std::int16_t* tilts = tiltTable_.data();
    const std::int16_t* orientations = orientationTable_.data();
    const THeights heights{first, last};
    const auto meets = [&](std::int32_t low, std::int32_t high) {
        return low <= high && high >= first && low <= last;
    };
    platform::ParallelBands(
        pieces,
        [&](std::size_t p) {
            std::uint32_t* const table = made.Scratch.get() + p * entries;
            std::fill(table, table + entries, 0u);
            int changed[SegmentColumns + 8];
            int near[SegmentColumns];
            // Every so many bands, so that each piece meets as many changed heights.
            for (std::size_t band = p; band < bands; band += pieces)
                ForMeetingRows(values, band, meets,
                               [&](int j, const std::int32_t* z, const std::uint16_t* tiltCodes,
                                   const std::uint16_t* orientationCodes, int from, int n) {
                                   const int count = ListChanged(z + from, n, heights, changed);
                                   const int listed = CountListedByHeight(
                                       tiltCodes + from, orientationCodes + from, z + from, changed, count,
                                       tilts, orientations, table, per, bars, first, near);
                                   for (int k = 0; k < listed; ++k) {
                                       const int col = from + near[k];
                                       int bar = tilts[tiltCodes[col]];
                                       int sector = orientations[orientationCodes[col]];
                                       ExactBins(values, j, col, b, bar, sector);
                                       std::uint32_t* const at = table + std::size_t(z[col] - first) * per;
                                       ++at[bar];
                                       ++at[bars + std::size_t(sector)];
                                   }
                               });
        },
        ThreadsFor(std::int64_t(rows_) * cols_, threads));
    std::uint32_t* const rows = made.Rows.get() + std::size_t(first - made.Low) * per;
    constexpr std::size_t slices = 32;
    platform::ParallelBands(
        slices,
        [&](std::size_t k) {
            const std::size_t from = k * entries / slices, to = (k + 1) * entries / slices;
            std::copy(made.Scratch.get() + from, made.Scratch.get() + to, rows + from);
            for (std::size_t q = 1; q < pieces; ++q) {
                const std::uint32_t* other = made.Scratch.get() + q * entries;
                for (std::size_t i = from; i < to; ++i)
                    rows[i] += other[i];
            }
        },
        ThreadsFor(std::int64_t(entries * pieces), threads));
    return true;
}

bool TAngleField::CountFromHeights(const std::int32_t* values, const TAngleBinning& b, TAngleCounts& counts,
                                   unsigned threads) const
{
    THeightCounts& made = heightCounts_;
    const double zs = grid_.ZScale;
    const THeights counted = CountedHeights(b, zs);
    THeights changes;
    if (!ChangedHeights(CountedHeights(last_, zs), counted, changes))
        return false;
    const std::size_t bars = std::size_t(b.Bars), per = bars + std::size_t(b.Sectors) + 1;
    if (!made.Kept || made.Bars != b.Bars || made.Sectors != b.Sectors) {
        made.Kept = false;
        std::int32_t low = std::numeric_limits<std::int32_t>::max();
        std::int32_t high = std::numeric_limits<std::int32_t>::min();
        for (std::size_t band = 0; band < bandLow_.size(); ++band) {
            low = std::min(low, bandLow_[band]);
            high = std::max(high, bandHigh_[band]);
        }
        const std::size_t heights = low <= high ? std::size_t(std::int64_t(high) - low + 1) : 1;
        if (heights > HeightCounters / per)
            return false;
        // Left unset: only the rows of the heights counted so far are read.
        const std::size_t bytes = heights * per * sizeof(std::uint32_t);
        if (made.RowsBytes < bytes) {
            made.Rows.reset(static_cast<std::uint32_t*>(AllocateHuge(bytes)));
            made.RowsBytes = made.Rows ? HugeBytes(bytes) : 0;
            if (!made.Rows)
                return false;
        }
        made.Low = low;
        made.High = high;
        made.First = 1;
        made.Last = 0;
        made.Bars = b.Bars;
        made.Sectors = b.Sectors;
        made.Kept = true;
    }
    const std::int64_t first = std::max<std::int64_t>(changes.First, made.Low);
    const std::int64_t last = std::min<std::int64_t>(changes.Last, made.High);
    if (changes.Empty() || first > last) {
        counts = lastCounts_;
        return true;
    }
    PrepareTables(b.Bars, b.Sectors);
    // The heights counted so far grow by the changed ones; where these lie apart from them,
    // they start again.
    if (made.First <= made.Last && (last + 1 < made.First || first > made.Last + 1)) {
        made.First = 1;
        made.Last = 0;
    }
    if (made.First > made.Last) {
        if (!CountHeights(values, b, first, last, threads))
            return false;
        made.First = first;
        made.Last = last;
    } else {
        if (first < made.First) {
            if (!CountHeights(values, b, first, made.First - 1, threads))
                return false;
            made.First = first;
        }
        if (last > made.Last) {
            if (!CountHeights(values, b, made.Last + 1, last, threads))
                return false;
            made.Last = last;
        }
    }
    // Every changed point counts at the new level, or every one stops counting there: one
    // more, or one less (the counters wrap below 0 and come right once added).
    const std::uint32_t step = counted.Holds(changes.First) ? 1u : ~0u;
    counts = lastCounts_;
    for (std::int64_t h = first; h <= last; ++h) {
        const std::uint32_t* const row = made.Rows.get() + std::size_t(h - made.Low) * per;
        for (std::size_t i = 0; i < bars; ++i)
            counts.Tilt[i] += step * row[i];
        for (std::size_t i = 0; i < std::size_t(b.Sectors); ++i)
            counts.Orientation[i] += step * row[bars + i];
    }
    return true;
}

void TAngleField::CountLevelChange(const std::int32_t* values, const TAngleBinning& b, TAngleCounts& counts,
                                   unsigned threads) const
{
    const double zs = grid_.ZScale;
    const std::size_t bands = bandLow_.size();
    const auto [pieces, piece] = StartPieces(b);
    const THeights counted = CountedHeights(b, zs);
    THeights changes;
    if (!ChangedHeights(CountedHeights(last_, zs), counted, changes)) {
        Count(values, b, counts, threads, nullptr);
        return;
    }
    if (changes.Empty()) {
        counts = lastCounts_;
        return;
    }
    // Every changed point counts at the new level, or every one stops counting there.
    const std::uint32_t step = counted.Holds(changes.First) ? 1u : ~0u;  // +1 or -1
    const std::int16_t* tilts = tiltTable_.data();
    const std::int16_t* orientations = orientationTable_.data();
    const auto meets = [&](std::int32_t low, std::int32_t high) {
        return low <= high && high >= changes.First && low <= changes.Last;
    };
    platform::ParallelBands(
        pieces,
        [&](std::size_t p) {
            // A point that stops counting takes one off its counters: they wrap below 0 here
            // and come right once added to the last binning's.
            std::uint32_t* const counters = ClearedCounters(p, piece);
            std::uint32_t* const tiltCounters = counters;
            std::uint32_t* const orientationCounters = counters + CounterSets * std::size_t(b.Bars);
            int changed[SegmentColumns + 8];
            int near[SegmentColumns];
            for (std::size_t band = p * bands / pieces; band < (p + 1) * bands / pieces; ++band)
                ForMeetingRows(values, band, meets,
                               [&](int j, const std::int32_t* z, const std::uint16_t* tiltCodes,
                                   const std::uint16_t* orientationCodes, int from, int n) {
                                   const int count = ListChanged(z + from, n, changes, changed);
                                   const int listed =
                                       CountListed(tiltCodes + from, orientationCodes + from, changed, count, tilts,
                                                   orientations, tiltCounters, orientationCounters, step, near);
                                   for (int k = 0; k < listed; ++k) {
                                       const int col = from + near[k];
                                       int bar = tilts[tiltCodes[col]];
                                       int sector = orientations[orientationCodes[col]];
                                       ExactBins(values, j, col, b, bar, sector);
                                       tiltCounters[std::size_t(bar) * CounterSets] += step;
                                       orientationCounters[std::size_t(sector) * CounterSets] += step;
                                   }
                               });
        },
        ThreadsFor(std::int64_t(rows_) * cols_, threads));
    counts = lastCounts_;
    AddPieces(b, pieces, counts, TAngleKinds::Both);
}

int MostFrequent(const std::vector<std::uint32_t>& counters)
{
    if (counters.empty())
        return 0;
    return int(std::max_element(counters.begin(), counters.end()) - counters.begin());
}

int FitVisibleDegrees(const std::vector<std::uint32_t>& tilt)
{
    const int bars = int(tilt.size());
    if (bars == 0)
        return 90;
    const double top = tilt[std::size_t(MostFrequent(tilt))];
    int index = 4;
    for (int k = bars - 1; k > 4; --k)
        if (top > 0 && double(tilt[std::size_t(k)]) / top >= 0.01) {
            index = k;
            break;
        }
    const int d = int(double(index + 2) * 2.0 / double(bars) * 90.0);
    return std::min(d, 90);
}

double MeanTiltDegrees(const std::vector<std::uint32_t>& tilt)
{
    const int bars = int(tilt.size());
    double points = 0, sum = 0;
    for (int k = 0; k < bars; ++k) {
        const double counted = tilt[std::size_t(k)] > 0 ? double(tilt[std::size_t(k)] - 1) : 0.0;
        points += counted;
        sum += counted * (k + 0.5) * 90.0 / bars;
    }
    return points > 0 ? sum / points : 0.0;
}

}  // namespace processing
