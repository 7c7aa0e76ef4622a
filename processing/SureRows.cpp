#include "processing/SureRows.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace processing {

namespace {

//! SureAffineRow with the margin of every lane, (|z| + size) × kSureMargin at most.
template <bool Bounded>
MORVANE_INLINE inline void AffineRow(std::int32_t* values, int n, const double* p, const double* q,
                                     double t, double c, double size, V4d margin,
                                     std::vector<TUnsurePoint>& unsure)
{
    SureRow(
        values, n, unsure,
        [&](int j, V4i& raw) MORVANE_INLINE {
            V4d pv, qv;
            __builtin_memcpy(&pv, p + j, sizeof pv);
            __builtin_memcpy(&qv, q + j, sizeof qv);
            const V4d z = platform::LoadDoubles(values + j);
            return SureTruncations4<Bounded>(z - pv - qv * t - c, margin, raw, false);
        },
        [&](int j, std::int32_t& raw) MORVANE_INLINE {
            const double z = values[j];
            return SureRawValue(z - p[j] - q[j] * t - c, std::fabs(z) + size, raw);
        });
}

//! SureQuadraticRow with the margin of every lane; the linear rows (a = 0) without their
//! square terms.
//! The row's values are those of columns `start` … `start` + n − 1 (x = column + 1), and
//! the columns it lists are counted from `start`.
template <bool Quadratic, bool Bounded>
MORVANE_INLINE inline void QuadraticRow(std::int32_t* values, int n, double a, double b, double c,
                                        double size, V4d margin,
                                        std::vector<TUnsurePoint>& unsure, int start = 0)
{
    // The abscissae of the next block (of the next group, on a line); every one is whole, so
    // stepping them is exact.
    V4d x = V4d{1, 2, 3, 4} + double(start);
    // The background at the first block of a group, and what it gains d = 4, 8, 12 columns
    // on: d·b on a line, (2a·d)·x + (a·d² + b·d) on a parabola. A few roundings more than
    // the direct value, of terms at most twice the row's size: far inside the margin.
    V4d first = {};
    const V4d step[4] = {V4d{}, V4d{} + 4 * b, V4d{} + 8 * b, V4d{} + 12 * b};
    const V4d slope[4] = {V4d{}, V4d{} + 8 * a, V4d{} + 16 * a, V4d{} + 24 * a};
    const V4d rise[4] = {V4d{}, V4d{} + (16 * a + 4 * b), V4d{} + (64 * a + 8 * b),
                         V4d{} + (144 * a + 12 * b)};
    const std::size_t listed = unsure.size();
    SureRow(
        values, n, unsure,
        [&](int j, V4i& raw, int place) MORVANE_INLINE {
            const V4d z = platform::LoadDoubles(values + j);
            V4d background;
            if constexpr (Quadratic) {
                if (place > 0) {
                    background = first + (slope[place] * x + rise[place]);
                } else {
                    background = (a * x + b) * x + c;
                    first = background;
                    if (place < 0)
                        x += 4;
                }
                if (place == 3)
                    x += 16;
            } else if (place > 0) {
                background = first + step[place];
            } else {
                background = b * x + c;  // (0·x + b)·x + c, the same value
                first = background;
                x += place == 0 ? 16 : 4;
            }
            return SureTruncations4<Bounded>(z - background, margin, raw, false);
        },
        [&](int j, std::int32_t& raw) MORVANE_INLINE {
            const double z = values[j], xj = start + j + 1;
            return SureRawValue(z - ((a * xj + b) * xj + c), std::fabs(z) + size, raw);
        });
    if (start != 0)
        for (std::size_t k = listed; k < unsure.size(); ++k)
            unsure[k].Column += start;
}

//! The least and the greatest value of the background (a·x + b)·x + c (a line b·x + c unless
//! `Quadratic`) over the columns x0 … x1, in double: between the ends it moves one way, or on
//! a parabola also to its vertex, which the range then takes in. NaN where a factor is NaN.
template <bool Quadratic>
MORVANE_INLINE inline void BackgroundRange(double a, double b, double c, double x0, double x1,
                                           double& lo, double& hi)
{
    const auto background = [&](double x) MORVANE_INLINE {
        if constexpr (Quadratic)
            return (a * x + b) * x + c;
        else
            return b * x + c;
    };
    const double first = background(x0), last = background(x1);
    lo = std::min(first, last);
    hi = std::max(first, last);
    if constexpr (Quadratic) {
        // The vertex, where it lies inside the columns.
        const double vertex = background(std::min(std::max(-b / (2 * a), x0), x1));
        lo = std::min(lo, vertex);
        hi = std::max(hi, vertex);
    }
}

//! A background (a·x + b)·x + c (a line b·x + c unless `Quadratic`) whose values surely stay
//! inside the range, with the row's margin. Over a stretch of columns where the background
//! keeps one whole part W further than the margin from either end, z − (W + f) with
//! 0 < f < 1 truncates to k − 1 for k = z − W > 0 and to k else: the stretch is computed in
//! integers, eight values at a time. The other stretches (and the last values) take the
//! kernel in double. The values are those of columns `start` … `start` + n − 1, and the
//! columns listed are counted from `start`.
template <bool Quadratic>
MORVANE_INLINE inline void WholeRow(std::int32_t* values, int n, double a, double b, double c,
                                    double size, double margin, std::vector<TUnsurePoint>& unsure,
                                    int start)
{
    constexpr int stretch = 32;
    const V4d margins = V4d{} + margin;
    // Twice the margin: the ends take a few roundings of their own.
    const double m = 2 * margin;
    // The steepest step of the background from one column to the next: at an end.
    const double steepest =
        Quadratic ? std::max(std::fabs(2 * a * (start + 1) + b), std::fabs(2 * a * (start + n) + b))
                  : std::fabs(b);
    int j = 0;
    if (steepest * stretch < 1) {  // else every stretch spans a whole number
        using V8i = std::int32_t __attribute__((vector_size(32)));
        for (; j + stretch <= n; j += stretch) {
            double lo, hi;
            BackgroundRange<Quadratic>(a, b, c, start + j + 1, start + j + stretch, lo, hi);
            const double whole = std::floor(lo - m);
            if (whole == std::floor(hi + m)) {  // never for a NaN
                const V8i w = V8i{} + static_cast<std::int32_t>(whole);
                for (int k = 0; k < stretch; k += 8) {
                    V8i v;
                    __builtin_memcpy(&v, values + j + k, sizeof v);
                    v -= w;
                    v += (V8i)(v > 0);  // −1 where k > 0
                    __builtin_memcpy(values + j + k, &v, sizeof v);
                }
            } else {
                QuadraticRow<Quadratic, true>(values + j, stretch, a, b, c, size, margins,
                                              unsure, start + j);
            }
        }
    }
    if (j < n)
        QuadraticRow<Quadratic, true>(values + j, n - j, a, b, c, size, margins, unsure, start + j);
}

//! Writes eight values to `to`, past the caches where `Stream` (`to` then 32-byte aligned).
template <bool Stream>
MORVANE_INLINE inline void StoreEight(std::int32_t* to, const std::int32_t __attribute__((vector_size(32))) & v)
{
#if defined(__SSE2__)
    if constexpr (Stream) {
        using V4w = long long __attribute__((vector_size(16)));
        V4w halves[2];
        __builtin_memcpy(halves, &v, sizeof halves);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to), halves[0]);
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + 4), halves[1]);
        return;
    }
#endif
    __builtin_memcpy(to, &v, sizeof v);
}

//! Every z of the values (of columns `start` on) becomes z − w − 1 where z > w and z − w
//! else, in integers, 32 values a step. With `Checked` (w other than 0 or −1) a value for
//! which that might leave the 32-bit range is listed with its old value, with the others of
//! its step. With `Stream` the steps from the first whole cache line on are written past
//! the caches (the caller fences).
template <bool Checked, bool Stream>
MORVANE_INLINE inline void OneWholePartPass(std::int32_t* values, int n, std::int32_t w,
                                            std::vector<TUnsurePoint>& unsure, int start)
{
    using V8i = std::int32_t __attribute__((vector_size(32)));
    using V8u = std::uint32_t __attribute__((vector_size(32)));
    // z − w stays inside for z ≥ INT32_MIN + w, z − (w + 1) for z ≤ INT32_MAX + w + 1.
    constexpr std::int32_t least = INT32_MIN, most = INT32_MAX;
    const std::int32_t lowest = w > 0 ? least + w : least;
    const std::int32_t highest = w < 0 ? most + w + 1 : most;
    const V8i wv = V8i{} + w;
    // z − w − 1 where z > w, z − w else (wrapping arithmetic, whose results stay inside).
    const auto result = [&](V8i z) MORVANE_INLINE {
        return (V8i)((V8u)z - (V8u)wv + (V8u)(z > wv));
    };
    constexpr int step = 32;
    int j = 0;
    if constexpr (Stream) {
        // The values before the first whole cache line take ordinary stores.
        const int head = int((64 - (reinterpret_cast<std::uintptr_t>(values) & 63)) & 63);
        if (head % 4 != 0 || head > n)
            return OneWholePartPass<Checked, false>(values, n, w, unsure, start);
        OneWholePartPass<Checked, false>(values, head / 4, w, unsure, start);
        j = head / 4;
    }
    for (; j + step <= n; j += step) {
        if constexpr (Checked) {
            V8i z0, z1, z2, z3;
            __builtin_memcpy(&z0, values + j, sizeof z0);
            __builtin_memcpy(&z1, values + j + 8, sizeof z1);
            __builtin_memcpy(&z2, values + j + 16, sizeof z2);
            __builtin_memcpy(&z3, values + j + 24, sizeof z3);
            const V8i out = (z0 < lowest) | (z0 > highest) | (z1 < lowest) | (z1 > highest) |
                            (z2 < lowest) | (z2 > highest) | (z3 < lowest) | (z3 > highest);
            std::uint64_t words[4];
            __builtin_memcpy(words, &out, sizeof words);
            if ((words[0] | words[1] | words[2] | words[3]) != 0) {
                for (int k = 0; k < step; ++k)
                    unsure.push_back({start + j + k, values[j + k]});
                continue;
            }
            z0 = result(z0);
            z1 = result(z1);
            z2 = result(z2);
            z3 = result(z3);
            StoreEight<Stream>(values + j, z0);
            StoreEight<Stream>(values + j + 8, z1);
            StoreEight<Stream>(values + j + 16, z2);
            StoreEight<Stream>(values + j + 24, z3);
        } else {
            for (int k = 0; k < step; k += 8) {
                V8i z;
                __builtin_memcpy(&z, values + j + k, sizeof z);
                StoreEight<Stream>(values + j + k, result(z));
            }
        }
    }
    for (; j < n; ++j) {
        const std::int32_t z = values[j];
        if (Checked && (z < lowest || z > highest))
            unsure.push_back({start + j, z});
        else
            values[j] = static_cast<std::int32_t>(std::uint32_t(z) - std::uint32_t(w) -
                                                  std::uint32_t(z > w));
    }
}

//! Values (of columns `start` … `start` + n − 1) over which the background keeps one whole
//! part W further than the margin of every 32-bit value from either end: z − (W + f)
//! truncates as in WholeRow, so that they are computed in integers in one pass, with no
//! bound of the values found first. Whether they were taken (else they are as they were).
template <bool Quadratic>
MORVANE_INLINE inline bool OneWholePart(std::int32_t* values, int n, double a, double b,
                                        double c, double size, std::vector<TUnsurePoint>& unsure,
                                        int start, bool stream)
{
    double lo, hi;
    BackgroundRange<Quadratic>(a, b, c, start + 1, start + n, lo, hi);
    // Twice the margin of the largest magnitude a raw value has.
    const double m = 2 * (2147483648.0 + size) * kSureMargin;
    const double whole = std::floor(lo - m);
    if (!(whole == std::floor(hi + m) && std::fabs(whole) < 1 << 30))  // never for a NaN
        return false;
    const auto w = static_cast<std::int32_t>(whole);
    if (w == 0 || w == -1) {
        if (stream)
            OneWholePartPass<false, true>(values, n, w, unsure, start);
        else
            OneWholePartPass<false, false>(values, n, w, unsure, start);
    } else if (stream) {
        OneWholePartPass<true, true>(values, n, w, unsure, start);
    } else {
        OneWholePartPass<true, false>(values, n, w, unsure, start);
    }
    return true;
}

//! SureQuadraticRow over the values of columns `start` … `start` + n − 1 (the columns listed
//! counted from 0): in one integer pass where the background keeps one whole part over
//! them all, else with the margin of their own largest value.
template <bool Quadratic>
MORVANE_INLINE inline void QuadraticPiece(std::int32_t* values, int n, double a, double b,
                                          double c, double size,
                                          std::vector<TUnsurePoint>& unsure, int start,
                                          bool stream)
{
    if (OneWholePart<Quadratic>(values, n, a, b, c, size, unsure, start, stream))
        return;
    const double zSize = LargestRawMagnitude(values, n);
    const double margin = (zSize + size) * kSureMargin;
    if (SurelyBounded(zSize, size))
        WholeRow<Quadratic>(values, n, a, b, c, size, margin, unsure, start);
    else
        QuadraticRow<Quadratic, false>(values, n, a, b, c, size, V4d{} + margin, unsure, start);
}

//! SureQuadraticRow: the whole row as one piece where it keeps one whole part, else in
//! pieces of 512 values, so that only those around a change of the whole part take a
//! bound of their values and the stretches.
template <bool Quadratic>
MORVANE_INLINE inline void QuadraticPieces(std::int32_t* values, int n, double a, double b,
                                           double c, double size,
                                           std::vector<TUnsurePoint>& unsure, bool stream)
{
    constexpr int piece = 512;
    if (n > piece && OneWholePart<Quadratic>(values, n, a, b, c, size, unsure, 0, stream))
        return;
    for (int j = 0; j < n; j += piece)
        QuadraticPiece<Quadratic>(values + j, std::min(piece, n - j), a, b, c, size, unsure, j,
                                  stream);
}

}  // namespace

MORVANE_CLONES
void SureAffineRow(std::int32_t* values, int n, const double* p, const double* q, double t,
                   double c, double size, std::vector<TUnsurePoint>& unsure)
{
    // |z| is at most the row's largest.
    const double zSize = LargestRawMagnitude(values, n);
    const V4d margin = V4d{} + (zSize + size) * kSureMargin;
    if (SurelyBounded(zSize, size))
        AffineRow<true>(values, n, p, q, t, c, size, margin, unsure);
    else
        AffineRow<false>(values, n, p, q, t, c, size, margin, unsure);
}

MORVANE_CLONES
void SureQuadraticRow(std::int32_t* values, int n, double a, double b, double c, double size,
                      std::vector<TUnsurePoint>& unsure, bool stream)
{
    if (a == 0)
        QuadraticPieces<false>(values, n, a, b, c, size, unsure, stream);
    else
        QuadraticPieces<true>(values, n, a, b, c, size, unsure, stream);
}

double LargestMagnitude(const double* v, std::size_t n)
{
    double largest = 0;
    for (std::size_t i = 0; i < n; ++i)
        largest = std::max(largest, std::fabs(v[i]));
    return largest;
}

MORVANE_CLONES
double LargestRawMagnitude(const std::int32_t* z, int n)
{
    // Blocks of 32 values into eight lanes of four running extremes each, then the rest.
    using V8i = std::int32_t __attribute__((vector_size(32)));
    V8i lo[4] = {}, hi[4] = {};
    int j = 0;
    for (; j + 32 <= n; j += 32) {
        for (int k = 0; k < 4; ++k) {
            V8i v;
            __builtin_memcpy(&v, z + j + 8 * k, sizeof v);
            lo[k] = lo[k] < v ? lo[k] : v;
            hi[k] = hi[k] > v ? hi[k] : v;
        }
    }
    for (int k = 1; k < 4; ++k) {
        lo[0] = lo[0] < lo[k] ? lo[0] : lo[k];
        hi[0] = hi[0] > hi[k] ? hi[0] : hi[k];
    }
    std::int32_t least = 0, most = 0;
    for (int l = 0; l < 8; ++l) {
        least = std::min(least, lo[0][l]);
        most = std::max(most, hi[0][l]);
    }
    for (; j < n; ++j) {
        least = std::min(least, z[j]);
        most = std::max(most, z[j]);
    }
    return std::max(-double(least), double(most));
}

}  // namespace processing
