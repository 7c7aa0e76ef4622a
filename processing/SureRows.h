#pragma once
// Rows of raw values computed in double where extended precision is the definition.
//
// A pass whose result is defined by arithmetic in extended precision, truncated to a raw
// value, may compute it in double, several values at a time, wherever the double result
// surely truncates the same way: when it lies further from every whole number than the
// rounding of either computation can move it. The few values that lie closer (and those
// outside the 32-bit range, and NaN) are listed with their old value and computed again
// by the definition. The fast passes so give exactly what their plain twins give.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "platform/core/Kernels.h"

namespace processing {

using platform::V4d;
using platform::V4i;
using platform::V4l;

//! A value computed in double from terms whose sizes add up to S counts as sure when it
//! lies more than S × kSureMargin from every whole number: far more than the rounding of
//! a few operations in double or extended precision.
constexpr double kSureMargin = 1.0 / (1ull << 40);

//! The truncation of `value` (computed in double from terms whose sizes add up to `size`)
//! into `raw`, and whether it is surely that of the same computation in extended
//! precision: inside the 32-bit range and, unless `exact` (the double computation had no
//! rounding), further than size × kSureMargin from every whole number. `raw` holds a
//! clamped guess when the answer is no.
MORVANE_INLINE inline bool SureRawValue(double value, double size, std::int32_t& raw, bool exact = false)
{
    constexpr double lo = -2147483647.0, hi = 2147483647.0;
    const double held = std::min(std::max(lo, value), hi);  // a NaN becomes lo
    raw = static_cast<std::int32_t>(held);
    const double fraction = std::fabs(held - static_cast<double>(raw));
    const double margin = size * kSureMargin;
    return (held == value) & (exact | ((fraction > margin) & (fraction < 1.0 - margin)));
}

//! A value that a fast row could not vouch for: its column and the value it had.
struct TUnsurePoint {
    int Column;
    std::int32_t Value;
};

//! Every value z of the row becomes trunc(z − (p[j] + q[j] × t + c)) where the double
//! computation vouches for it, `size` bounding |p[j]| + |q[j] × t| + |c| over the row. The
//! others are appended to `unsure` (their place holds a guess) for the caller to compute
//! by the definition.
void SureAffineRow(std::int32_t* values, int n, const double* p, const double* q, double t,
                   double c, double size, std::vector<TUnsurePoint>& unsure);

//! Every value z of the row becomes trunc(z − ((a·x + b)·x + c)) at x = column + 1 where
//! the double computation vouches for it, `size` bounding the sum of the sizes of the terms
//! that the background a·x² + b·x + c is defined from, over the row. The others are
//! appended to `unsure` (their place holds a guess) for the caller to compute by the
//! definition. With `stream` most values are written past the caches, for a matrix larger
//! than they hold; the caller then fences (StreamFence) before others read them.
void SureQuadraticRow(std::int32_t* values, int n, double a, double b, double c, double size,
                      std::vector<TUnsurePoint>& unsure, bool stream = false);

//! The largest |v[j]| of n values (0 for none).
double LargestMagnitude(const double* v, std::size_t n);

//! The largest |z| of n raw values (0 for none).
double LargestRawMagnitude(const std::int32_t* z, int n);

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"  // only ever inlined into the kernels

//! |v| lane by lane (the sign bit cleared).
MORVANE_INLINE inline V4d Magnitudes(V4d v)
{
    return (V4d)((V4l)v & 0x7fffffffffffffffLL);
}

//! The truncations of four values r into `raw`, and the lanes that are sure (−1): inside
//! the 32-bit range and, unless `exact` (r had no rounding), such that every value within
//! the lane's `margin` of r truncates alike. The others hold a guess. `Bounded`: every r
//! is known to lie well inside the range (and none is NaN), so that no lane is held to it.
template <bool Bounded>
MORVANE_INLINE inline V4i SureTruncations4(V4d r, V4d margin, V4i& raw, bool exact)
{
    if constexpr (Bounded) {
        if (exact) {
            raw = __builtin_convertvector(r, V4i);
            return V4i{-1, -1, -1, -1};
        }
        // Truncation never decreases: r − margin and r + margin truncating alike vouch for
        // every value between them.
        raw = __builtin_convertvector(r - margin, V4i);
        return raw == __builtin_convertvector(r + margin, V4i);
    } else {
        // Held a little inside the range, so that the held values and those within a margin
        // of at most 1 of them convert. A margin of at least 2^−20 sets the held ones (whole
        // numbers, NaN among them) apart, where doubles lie 2^−22 apart; one of 1 (or NaN)
        // leaves no lane sure.
        const V4d lo = {-2147483646.0, -2147483646.0, -2147483646.0, -2147483646.0};
        const V4d hi = -lo;
        V4d held = r > lo ? r : lo;  // a NaN becomes lo
        held = held < hi ? held : hi;
        if (exact) {
            raw = __builtin_convertvector(held, V4i);
            return __builtin_convertvector(held == r, V4i);
        }
        constexpr double least = 1.0 / (1 << 20);
        V4d m = margin < 1.0 ? margin : 1.0;  // a NaN margin becomes 1
        m = m > least ? m : least;
        raw = __builtin_convertvector(held - m, V4i);
        return raw == __builtin_convertvector(held + m, V4i);
    }
}

//! Whether values z − b or z + b with |z| ≤ zSize and |b| ≤ bSize, b computed in double
//! from terms of that size, surely lie inside the 32-bit range (neither size NaN).
inline bool SurelyBounded(double zSize, double bSize)
{
    return zSize + bSize * (1 + 1.0 / (1 << 20)) < 2147483646.0;
}

//! Whether every lane of a mask is set.
MORVANE_INLINE inline bool AllLanes(V4i mask)
{
#if defined(__SSE2__)
    // The sign bits in one instruction (every lane of a mask is 0 or −1).
    using V16c = char __attribute__((vector_size(16)));
    return __builtin_ia32_pmovmskb128((V16c)mask) == 0xffff;
#else
    std::int64_t halves[2];
    __builtin_memcpy(halves, &mask, sizeof halves);
    return (halves[0] & halves[1]) == -1;
#endif
}

//! Runs `kernel`(first, raw[, place]) over the row's blocks of four values, first = 0, 4, 8, …
//! in this order, each call computing the results of values first … first + 3 into raw and
//! answering their sure lanes (−1), and `scalar`(j, raw) over the values of a block that
//! is not sure throughout and over the last values, answering whether raw is sure. `place`
//! (a constant once inlined) is the block's place 0 … 3 in a group of four blocks, −1 for
//! the blocks after the last group. The row takes the results; the values that are not
//! sure are listed with their old value.
template <typename Kernel, typename Scalar>
MORVANE_INLINE inline void SureRow(std::int32_t* values, int n, std::vector<TUnsurePoint>& unsure,
                                   Kernel&& kernel, Scalar&& scalar)
{
    const auto scalarRow = [&](int from, int to) MORVANE_INLINE {
        for (int j = from; j < to; ++j) {
            const std::int32_t old = values[j];
            if (!scalar(j, values[j]))
                unsure.push_back({j, old});
        }
    };
    // A kernel may leave out `place`.
    const auto block = [&](int first, V4i& raw, int place) MORVANE_INLINE {
        if constexpr (std::is_invocable_v<Kernel&, int, V4i&, int>)
            return kernel(first, raw, place);
        else
            return kernel(first, raw);
    };
    // Groups of 16 values: their results wait in registers until the group is known to be
    // sure (one test per group); a group that is not goes value by value.
    constexpr int group = 16;
    int j = 0;
    for (; j + group <= n; j += group) {
        // One statement each: the kernels may step along the row, so they run in order.
        V4i raw0, raw1, raw2, raw3;
        V4i all = block(j, raw0, 0);
        all &= block(j + 4, raw1, 1);
        all &= block(j + 8, raw2, 2);
        all &= block(j + 12, raw3, 3);
        if (__builtin_expect(AllLanes(all), 1)) {
            __builtin_memcpy(values + j, &raw0, sizeof raw0);
            __builtin_memcpy(values + j + 4, &raw1, sizeof raw1);
            __builtin_memcpy(values + j + 8, &raw2, sizeof raw2);
            __builtin_memcpy(values + j + 12, &raw3, sizeof raw3);
        } else {
            scalarRow(j, j + group);
        }
    }
    for (; j + 4 <= n; j += 4) {
        V4i raw;
        if (AllLanes(block(j, raw, -1)))
            __builtin_memcpy(values + j, &raw, sizeof raw);
        else
            scalarRow(j, j + 4);
    }
    scalarRow(j, n);
}

#pragma GCC diagnostic pop

}  // namespace processing
