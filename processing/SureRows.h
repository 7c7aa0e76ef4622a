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

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"  // only ever inlined into the kernels

//! The truncations of four values r computed in double from terms whose sizes add up to
//! `size` (with |z| added lane by lane), as SureRawValue: stores them at `out` and answers
//! the lanes that are sure (−1) and those that are not (0).
MORVANE_INLINE inline V4l SureRawValues4(V4d r, V4d size, std::int32_t* out, bool exact)
{
    const V4d lo = {-2147483647.0, -2147483647.0, -2147483647.0, -2147483647.0};
    const V4d hi = -lo;
    V4d held = r > lo ? r : lo;  // a NaN becomes lo
    held = held < hi ? held : hi;
    const V4i raw = __builtin_convertvector(held, V4i);
    __builtin_memcpy(out, &raw, sizeof raw);
    if (exact)
        return held == r;
    const V4d diff = held - __builtin_convertvector(raw, V4d);
    const V4d fraction = diff < 0 ? -diff : diff;
    const V4d margin = size * kSureMargin;
    return (held == r) & (fraction > margin) & (fraction < 1.0 - margin);
}

//! Runs `kernel`(first, out, ok) over blocks of a row of n values, each call computing the
//! results of values first … first + 3 into out[] and their sure lanes into ok, and
//! `scalar`(j, raw) over the last values, answering whether raw is sure. The row takes the
//! results block by block; the values of unsure lanes are listed with their old value.
template <typename Kernel, typename Scalar>
MORVANE_INLINE inline void SureRow(std::int32_t* values, int n, std::vector<TUnsurePoint>& unsure,
                    const Kernel& kernel, const Scalar& scalar)
{
    // Blocks of 256 values: their results wait in `out` until the block is known to be
    // sure (one test per block), so that the old values are still there when it is not.
    constexpr int block = 256;
    alignas(32) std::int32_t out[block];
    alignas(32) std::int64_t okLanes[block];
    int j = 0;
    for (; j + block <= n; j += block) {
        V4l all = {-1, -1, -1, -1};
        for (int b = 0; b < block; b += 4) {
            const V4l ok = kernel(j + b, out + b);
            __builtin_memcpy(okLanes + b, &ok, sizeof ok);
            all &= ok;
        }
        if (!(all[0] & all[1] & all[2] & all[3]))
            for (int k = 0; k < block; ++k)
                if (!okLanes[k])
                    unsure.push_back({j + k, values[j + k]});
        __builtin_memcpy(values + j, out, sizeof out);
    }
    for (; j < n; ++j) {
        const std::int32_t old = values[j];
        if (!scalar(j, values[j]))
            unsure.push_back({j, old});
    }
}

#pragma GCC diagnostic pop

//! The largest |v[j]| of n values (0 for none).
double LargestMagnitude(const double* v, std::size_t n);

}  // namespace processing
