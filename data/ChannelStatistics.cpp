#include "ChannelStatistics.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/core/Kernels.h"
#include "platform/core/Parallel.h"

namespace {

using Int128 = __int128;
using Real = long double;

//! Values per piece of a pass; a matrix of one piece stays on the calling thread.
constexpr std::int64_t kPiece = 1 << 16;
//! Values per piece of the histogram pass (each piece counts into counters of its own).
constexpr std::int64_t kHistogramPiece = 1 << 20;
//! Ranges below this are counted in a histogram.
constexpr std::int64_t kHistogramRange = 1 << 16;

//! The sums that the statistics are formed from, of u = v − t for a whole pivot t.
struct TSums {
    Int128 s1 = 0;         //!< Σu
    Int128 absolute = 0;   //!< Σ|u|
    std::int64_t above = 0;  //!< values with u > 0
    Real s2 = 0, s3 = 0, s4 = 0;  //!< Σu², Σu³, Σu⁴
};

struct TRange {
    std::int32_t min = 0, max = 0;
    Int128 sum = 0;
};

template <typename Body>
void ForPieces(std::int64_t count, std::int64_t piece, unsigned threads, const Body& body)
{
    const std::int64_t pieces = (count + piece - 1) / piece;
    platform::ParallelBands(
        std::size_t(pieces),
        [&](std::size_t p) {
            const std::int64_t first = std::int64_t(p) * piece;
            body(std::size_t(p), first, std::min(piece, count - first));
        },
        threads);
}

//! The least and largest of n ≤ kPiece values, and their sum (no overflow: at most 2^16
//! values of 2^31).
MORVANE_CLONES TRange RangePiece(const std::int32_t* x, std::int64_t n)
{
    std::int32_t lo = x[0], hi = x[0];
    std::int64_t sum = 0;
    for (std::int64_t i = 0; i < n; ++i) {
        lo = std::min(lo, x[i]);
        hi = std::max(hi, x[i]);
        sum += x[i];
    }
    return {lo, hi, sum};
}

TRange RangeAndSum(const std::int32_t* v, std::int64_t count, unsigned threads)
{
    std::vector<TRange> pieces(std::size_t((count + kPiece - 1) / kPiece));
    ForPieces(count, kPiece, threads, [&](std::size_t p, std::int64_t first, std::int64_t n) {
        pieces[p] = RangePiece(v + first, n);
    });
    TRange all = pieces[0];
    for (std::size_t p = 1; p < pieces.size(); ++p) {
        all.min = std::min(all.min, pieces[p].min);
        all.max = std::max(all.max, pieces[p].max);
        all.sum += pieces[p].sum;
    }
    return all;
}

//! The sums from a histogram of v − min, every one exact (|u| < 2^16, counts < 2^32).
TSums HistogramSums(const std::int32_t* v, std::int64_t count, std::int32_t min, std::int64_t range,
                    std::int64_t pivot, unsigned threads)
{
    std::vector<std::uint32_t> bins(std::size_t(range) + 1, 0);
    std::mutex merge;
    ForPieces(count, kHistogramPiece, threads, [&](std::size_t, std::int64_t first, std::int64_t n) {
        std::vector<std::uint32_t> local(std::size_t(range) + 1, 0);
        const std::int32_t* x = v + first;
        for (std::int64_t i = 0; i < n; ++i)
            ++local[std::size_t(std::int64_t(x[i]) - min)];
        std::lock_guard hold(merge);
        for (std::size_t k = 0; k < local.size(); ++k)
            bins[k] += local[k];
    });
    TSums s;
    Int128 s2 = 0, s3 = 0, s4 = 0;
    for (std::int64_t k = 0; k <= range; ++k) {
        const Int128 c = bins[std::size_t(k)];
        if (c == 0)
            continue;
        const Int128 u = std::int64_t(min) + k - pivot;
        const Int128 u2 = u * u;
        s.s1 += c * u;
        s.absolute += c * (u < 0 ? -u : u);
        if (u > 0)
            s.above += std::int64_t(c);
        s2 += c * u2;
        s3 += c * u2 * u;
        s4 += c * (u2 * u2);
    }
    s.s2 = Real(s2);
    s.s3 = Real(s3);
    s.s4 = Real(s4);
    return s;
}

//! The sums of n ≤ kPiece values: the first powers exact (2^16 values of at most 2^32),
//! the higher ones in double, four lanes at a time and by blocks.
MORVANE_CLONES TSums DirectPiece(const std::int32_t* x, std::int64_t n, std::int64_t pivot)
{
    using platform::V4d;
    using platform::V4i;
    using platform::V4l;
    V4l s1 = {0, 0, 0, 0}, absolute = s1, above = s1;
    Real s2 = 0, s3 = 0, s4 = 0;
    std::int64_t i = 0;
    for (std::int64_t b = 0; b + 4 <= n; b = i) {
        const std::int64_t end = std::min(n, b + 4096) & ~std::int64_t(3);
        V4d b2 = {0, 0, 0, 0}, b3 = b2, b4 = b2;
        for (i = b; i < end; i += 4) {
            V4i v;
            __builtin_memcpy(&v, x + i, sizeof v);
            const V4l u = __builtin_convertvector(v, V4l) - pivot;
            s1 += u;
            absolute += u < 0 ? -u : u;
            above -= u > 0;  // a true lane is −1
            const V4d d = __builtin_convertvector(u, V4d), d2 = d * d;
            b2 += d2;
            b3 += d2 * d;
            b4 += d2 * d2;
        }
        s2 += Real(b2[0]) + b2[1] + b2[2] + b2[3];
        s3 += Real(b3[0]) + b3[1] + b3[2] + b3[3];
        s4 += Real(b4[0]) + b4[1] + b4[2] + b4[3];
    }
    TSums s;
    s.s1 = s1[0] + s1[1] + s1[2] + s1[3];
    s.absolute = absolute[0] + absolute[1] + absolute[2] + absolute[3];
    s.above = above[0] + above[1] + above[2] + above[3];
    for (; i < n; ++i) {
        const std::int64_t u = std::int64_t(x[i]) - pivot;
        s.s1 += u;
        s.absolute += u < 0 ? -u : u;
        s.above += u > 0;
        const double d = double(u), d2 = d * d;
        s2 += d2;
        s3 += d2 * d;
        s4 += d2 * d2;
    }
    s.s2 = s2;
    s.s3 = s3;
    s.s4 = s4;
    return s;
}

//! The sums value by value, piece by piece.
TSums DirectSums(const std::int32_t* v, std::int64_t count, std::int64_t pivot, unsigned threads)
{
    std::vector<TSums> pieces(std::size_t((count + kPiece - 1) / kPiece));
    ForPieces(count, kPiece, threads, [&](std::size_t p, std::int64_t first, std::int64_t n) {
        pieces[p] = DirectPiece(v + first, n, pivot);
    });
    TSums all;
    for (const TSums& s : pieces) {
        all.s1 += s.s1;
        all.absolute += s.absolute;
        all.above += s.above;
        all.s2 += s.s2;
        all.s3 += s.s3;
        all.s4 += s.s4;
    }
    return all;
}

}  // namespace

TRoughness ComputeRawStatistics(const std::int32_t* values, std::int64_t count, double zScale,
                                unsigned threads)
{
    TRoughness r;
    if (!values || count <= 0)
        return r;
    const TRange range = RangeAndSum(values, count, threads);
    // The pivot: the mean rounded down, so that the deviations u − m1 have 0 ≤ m1 < 1.
    Int128 pivot = range.sum / count;
    if (range.sum % count != 0 && range.sum < 0)
        --pivot;
    const std::int64_t span = std::int64_t(range.max) - range.min;
    const TSums s = span < kHistogramRange && span < count
                        ? HistogramSums(values, count, range.min, span, std::int64_t(pivot), threads)
                        : DirectSums(values, count, std::int64_t(pivot), threads);

    const Real n = Real(count);
    const Real m1 = Real(s.s1) / n;
    const Real a2 = s.s2 / n, a3 = s.s3 / n, a4 = s.s4 / n;
    const Real mu2 = std::max<Real>(a2 - m1 * m1, 0);
    const Real mu3 = a3 - 3 * m1 * a2 + 2 * m1 * m1 * m1;
    const Real mu4 = a4 - 4 * m1 * a3 + 6 * m1 * m1 * a2 - 3 * m1 * m1 * m1 * m1;
    // Σ|u − m1|: u > 0 lie above m1, the others at or below it.
    const Real below = n - Real(s.above);
    const Real absolute = Real(s.absolute) + m1 * (below - Real(s.above));

    const Real z = zScale;
    r.Mean = double(z * (Real(range.sum) / n));
    r.Ra = double(std::fabs(z) * absolute / n);
    r.Rq = double(std::fabs(z) * std::sqrt(mu2));
    if (r.Rq != 0 && mu2 > 0) {
        r.Rsk = double((z < 0 ? -1 : 1) * mu3 / (mu2 * std::sqrt(mu2)));
        r.Rku = double(mu4 / (mu2 * mu2));
    }
    return r;
}
