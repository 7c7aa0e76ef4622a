#include "ChannelStatistics.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/core/Kernels.h"
#include "platform/core/Parallel.h"

namespace {

using Int128 = __int128;
using UInt128 = unsigned __int128;
using Real = long double;

//! Values per piece of the range pass and of the direct sums; a matrix of one piece stays
//! on the calling thread.
constexpr std::int64_t kPiece = 1 << 16;
//! Values per piece of the counting pass.
constexpr std::int64_t kCountPiece = 1 << 18;
//! Spans below this are counted, when there are at least kValuesPerCounter values for
//! every counter, and fewer than 2^32 values in all (the counters have 32 bits).
constexpr std::int64_t kCountedSpan = 1 << 16;
constexpr std::int64_t kValuesPerCounter = 16;
//! Spans up to this are counted in four interleaved sets of counters, so that runs of
//! equal values do not wait on their own increments.
constexpr std::int64_t kInterleavedSpan = 1 << 12;
//! Counters per piece of the summing of the counts.
constexpr std::int64_t kCounterPiece = 1 << 12;
//! Counters per block in which a piece of the summing adds up the counts of every set.
constexpr std::int64_t kCountBlock = 256;
//! Counters of the counts taken while writing that the calling thread sums alone.
constexpr std::int64_t kCalledCounters = 1 << 18;

//! A signed sum of 192 bits, two's complement: exact for any number of 128-bit terms that
//! a matrix can hold.
struct TWideSum {
    UInt128 Low = 0;
    std::int64_t High = 0;

    void Add(Int128 v)
    {
        const UInt128 u = UInt128(v);
        Low += u;
        High += std::int64_t(Low < u) - std::int64_t(v < 0);
    }
    void Add(const TWideSum& s)
    {
        Low += s.Low;
        High += s.High + std::int64_t(Low < s.Low);
    }
    //! The sum in extended precision (rounded once).
    Real Value() const
    {
        if (High < 0) {
            TWideSum negated;
            negated.Low = ~Low + 1;
            negated.High = ~High + std::int64_t(Low == 0);
            return -negated.Value();
        }
        return std::ldexp(Real(High), 128) + Real(Low);
    }
};

//! The sums that the statistics are formed from, of u = v − t for a whole pivot t, exact.
struct TSums {
    Int128 s1 = 0;           //!< Σu
    Int128 absolute = 0;     //!< Σ|u|
    std::int64_t above = 0;  //!< values with u > 0
    TWideSum s2, s3, s4;     //!< Σu², Σu³, Σu⁴

    void Add(const TSums& s)
    {
        s1 += s.s1;
        absolute += s.absolute;
        above += s.above;
        s2.Add(s.s2);
        s3.Add(s.s3);
        s4.Add(s.s4);
    }
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

//! The least and largest of 0 < n ≤ kPiece values, and their sum (no overflow: at most 2^16
//! values of 2^31), eight values at a time.
MORVANE_CLONES TRawRange RangePiece(const std::int32_t* x, std::int64_t n)
{
    using V8i = std::int32_t __attribute__((vector_size(32)));
    using platform::LoadWide;
    using platform::V4l;
    V8i lo = V8i{} + x[0], hi = lo;
    V4l sum0 = {0, 0, 0, 0}, sum1 = sum0;
    std::int64_t i = 0;
    for (; i + 8 <= n; i += 8) {
        V8i v;
        __builtin_memcpy(&v, x + i, sizeof v);
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
        sum0 += LoadWide(x + i);
        sum1 += LoadWide(x + i + 4);
    }
    TRawRange r{x[0], x[0], 0, n};
    for (int k = 0; k < 8; ++k) {
        r.Min = std::min(r.Min, lo[k]);
        r.Max = std::max(r.Max, hi[k]);
    }
    const V4l sum = sum0 + sum1;
    std::int64_t total = sum[0] + sum[1] + sum[2] + sum[3];
    for (; i < n; ++i) {
        r.Min = std::min(r.Min, x[i]);
        r.Max = std::max(r.Max, x[i]);
        total += x[i];
    }
    r.Sum = total;
    return r;
}

// ---- Counted: the values of a small span in a histogram

//! Sets of counters for the pieces of a counting pass: a piece takes a set no other piece
//! running at the time uses, and gives it back; every set is kept to the end of the pass.
class TCounterSets {
public:
    explicit TCounterSets(std::size_t size) : size_(size) {}

    std::uint32_t* Take()
    {
        {
            std::lock_guard hold(mutex_);
            if (!free_.empty()) {
                std::uint32_t* set = free_.back();
                free_.pop_back();
                return set;
            }
        }
        // A new set is made and zeroed outside the lock, so that the pieces that start
        // together do not wait on each other's sets.
        auto set = std::make_unique<std::uint32_t[]>(size_);  // zeroed
        std::uint32_t* taken = set.get();
        std::lock_guard hold(mutex_);
        sets_.push_back(std::move(set));
        return taken;
    }
    void Give(std::uint32_t* set)
    {
        std::lock_guard hold(mutex_);
        free_.push_back(set);
    }
    //! Every set; only once the pass has ended.
    const std::vector<std::unique_ptr<std::uint32_t[]>>& All() const { return sets_; }

private:
    std::size_t size_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<std::uint32_t[]>> sets_;
    std::vector<std::uint32_t*> free_;
};

//! Counts n values v into counters[v − min], in four interleaved sets (`stride` counters
//! apart) when `interleaved`.
void CountPiece(const std::int32_t* x, std::int64_t n, std::int32_t min, bool interleaved,
                std::size_t stride, std::uint32_t* counters)
{
    std::int64_t i = 0;
    if (interleaved)
        for (; i + 4 <= n; i += 4) {
            ++counters[std::uint32_t(x[i] - min)];
            ++counters[stride + std::uint32_t(x[i + 1] - min)];
            ++counters[2 * stride + std::uint32_t(x[i + 2] - min)];
            ++counters[3 * stride + std::uint32_t(x[i + 3] - min)];
        }
    for (; i < n; ++i)
        ++counters[std::uint32_t(x[i] - min)];
}

//! Whether values of the span max − min are counted rather than summed one by one, for
//! `count` values.
bool CountedSpan(std::int64_t span, std::int64_t count)
{
    return span >= 0 && span < kCountedSpan && count / kValuesPerCounter > span &&
           count < (std::int64_t(1) << 32);
}

//! The sums from the counts of v − min that `sets` hold (each of four interleaved sets of
//! span + 1 counters when `interleaved`), every one exact (|u| < 2^16, counts < 2^32).
TSums SumCounts(const TCounterSets& sets, std::int32_t min, std::int64_t span, bool interleaved,
                std::int64_t pivot, unsigned threads)
{
    const std::size_t stride = std::size_t(span) + 1;
    // The counters summed piece by piece of the span.
    std::vector<TSums> pieces(std::size_t((std::int64_t(stride) + kCounterPiece - 1) / kCounterPiece));
    ForPieces(std::int64_t(stride), kCounterPiece, threads,
              [&](std::size_t p, std::int64_t first, std::int64_t n) {
                  // Σc < 2^32 and |u| < 2^16: Σcu, Σc|u| and Σcu² fit in 64 bits, each
                  // cu² too, so that the higher powers take one wide product each.
                  std::int64_t s1 = 0, above = 0;
                  std::uint64_t absolute = 0, s2 = 0;
                  Int128 s3 = 0;
                  UInt128 s4 = 0;
                  std::uint32_t block[kCountBlock];
                  for (std::int64_t k0 = first; k0 < first + n; k0 += kCountBlock) {
                      const std::size_t m = std::size_t(std::min(kCountBlock, first + n - k0));
                      // The counts of every set, a block of counters at a time.
                      std::fill(block, block + m, 0u);
                      for (const auto& set : sets.All())
                          for (std::size_t t = 0; t < (interleaved ? 4u : 1u); ++t) {
                              const std::uint32_t* counts =
                                  set.get() + t * stride + std::size_t(k0);
                              for (std::size_t j = 0; j < m; ++j)
                                  block[j] += counts[j];
                          }
                      for (std::size_t j = 0; j < m; ++j) {
                          const std::uint64_t c = block[j];
                          if (c == 0)
                              continue;
                          const std::int64_t u = std::int64_t(min) + k0 + std::int64_t(j) - pivot;
                          const std::uint64_t a = std::uint64_t(u < 0 ? -u : u), q = a * a;
                          const std::uint64_t cq = c * q;
                          s1 += std::int64_t(c) * u;
                          absolute += c * a;
                          if (u > 0)
                              above += std::int64_t(c);
                          s2 += cq;
                          const Int128 cube = Int128(UInt128(cq) * a);
                          s3 += u < 0 ? -cube : cube;
                          s4 += UInt128(cq) * q;
                      }
                  }
                  TSums& s = pieces[p];
                  s.s1 = s1;
                  s.absolute = Int128(absolute);
                  s.above = above;
                  s.s2.Add(Int128(s2));
                  s.s3.Add(s3);
                  s.s4.Add(Int128(s4));
              });
    TSums all;
    for (const TSums& s : pieces)
        all.Add(s);
    return all;
}

//! The sums from counts of v − min, every one exact.
TSums CountedSums(const std::int32_t* v, std::int64_t count, std::int32_t min, std::int64_t span,
                  std::int64_t pivot, unsigned threads)
{
    const std::size_t stride = std::size_t(span) + 1;
    const bool interleaved = span < kInterleavedSpan;
    TCounterSets sets(interleaved ? 4 * stride : stride);
    ForPieces(count, kCountPiece, threads, [&](std::size_t, std::int64_t first, std::int64_t n) {
        std::uint32_t* counters = sets.Take();
        CountPiece(v + first, n, min, interleaved, stride, counters);
        sets.Give(counters);
    });
    return SumCounts(sets, min, span, interleaved, pivot, threads);
}

// ---- Direct: value by value

//! The sums of n ≤ kPiece values in 64- and 128-bit integers (|u| < 2^32, so u² < 2^64
//! and u⁴ < 2^128); Σu⁴ carries into a third word. The first powers go four at a time.
MORVANE_CLONES TSums DirectPiece(const std::int32_t* x, std::int64_t n, std::int64_t pivot)
{
    using platform::V4l;
    V4l s1 = {0, 0, 0, 0}, absolute = s1, above = s1;
    std::int64_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const V4l u = platform::LoadWide(x + i) - pivot;
        s1 += u;
        absolute += u < 0 ? -u : u;
        above -= u > 0;  // a true lane is −1
    }
    TSums s;
    s.s1 = s1[0] + s1[1] + s1[2] + s1[3];
    s.absolute = absolute[0] + absolute[1] + absolute[2] + absolute[3];
    s.above = above[0] + above[1] + above[2] + above[3];
    for (; i < n; ++i) {
        const std::int64_t u = x[i] - pivot;
        s.s1 += u;
        s.absolute += u < 0 ? -u : u;
        s.above += u > 0;
    }
    std::uint64_t s4High = 0;
    UInt128 s2 = 0, s4 = 0;
    Int128 s3 = 0;
    for (i = 0; i < n; ++i) {
        const std::int64_t u = x[i] - pivot, sign = u >> 63;
        const std::uint64_t a = std::uint64_t((u ^ sign) - sign), q = a * a;
        s2 += q;
        // u³ with the sign of u, without a branch: −c = (c ^ −1) + 1.
        s3 += (Int128(UInt128(q) * a) ^ sign) - sign;
        s4High += __builtin_add_overflow(s4, UInt128(q) * q, &s4);
    }
    s.s2.Add(Int128(s2));
    s.s3.Add(s3);
    s.s4.Low = s4;
    s.s4.High = std::int64_t(s4High);
    return s;
}

TSums DirectSums(const std::int32_t* v, std::int64_t count, std::int64_t pivot, unsigned threads)
{
    std::vector<TSums> pieces(std::size_t((count + kPiece - 1) / kPiece));
    ForPieces(count, kPiece, threads, [&](std::size_t p, std::int64_t first, std::int64_t n) {
        pieces[p] = DirectPiece(v + first, n, pivot);
    });
    TSums all;
    for (const TSums& s : pieces)
        all.Add(s);
    return all;
}

}  // namespace

void TRawRange::Add(const TRawRange& more)
{
    if (more.Count == 0)
        return;
    if (Count == 0) {
        *this = more;
        return;
    }
    Min = std::min(Min, more.Min);
    Max = std::max(Max, more.Max);
    Sum += more.Sum;
    Count += more.Count;
}

TRawRange ComputeRawRange(const std::int32_t* values, std::int64_t count, unsigned threads)
{
    if (!values || count <= 0)
        return {};
    std::vector<TRawRange> pieces(std::size_t((count + kPiece - 1) / kPiece));
    ForPieces(count, kPiece, threads, [&](std::size_t p, std::int64_t first, std::int64_t n) {
        pieces[p] = RangePiece(values + first, n);
    });
    TRawRange all;
    for (const TRawRange& piece : pieces)
        all.Add(piece);
    return all;
}

TRawRange ComputeRawRangeHere(const std::int32_t* values, std::int64_t count)
{
    TRawRange all;
    if (!values)
        return all;
    for (std::int64_t first = 0; first < count; first += kPiece)
        all.Add(RangePiece(values + first, std::min(kPiece, count - first)));
    return all;
}

TRoughness ComputeRawStatistics(const std::int32_t* values, std::int64_t count, double zScale,
                                unsigned threads)
{
    if (!values || count <= 0)
        return {};
    return ComputeRawStatistics(values, count, zScale, ComputeRawRange(values, count, threads),
                                threads);
}

namespace {

//! The pivot of values of the range `range`: their mean rounded down, so that the
//! deviations u − m1 of u = v − pivot have 0 ≤ m1 < 1.
std::int64_t PivotOf(const TRawRange& range)
{
    Int128 pivot = range.Sum / range.Count;
    if (range.Sum % range.Count != 0 && range.Sum < 0)
        --pivot;
    return std::int64_t(pivot);
}

//! The statistics of `count` values from their exact sums around the pivot.
TRoughness StatisticsOf(const TSums& s, std::int64_t count, double zScale, TRoughness r)
{
    const Real n = Real(count);
    const Real z = zScale;
    const Real m1 = Real(s.s1) / n;
    const Real a2 = s.s2.Value() / n, a3 = s.s3.Value() / n, a4 = s.s4.Value() / n;
    const Real mu2 = std::max<Real>(a2 - m1 * m1, 0);
    const Real mu3 = a3 - 3 * m1 * a2 + 2 * m1 * m1 * m1;
    const Real mu4 = a4 - 4 * m1 * a3 + 6 * m1 * m1 * a2 - 3 * m1 * m1 * m1 * m1;
    // Σ|u − m1|: u > 0 lie above m1, the others at or below it.
    const Real below = n - Real(s.above);
    const Real absolute = Real(s.absolute) + m1 * (below - Real(s.above));

    r.Ra = double(std::fabs(z) * absolute / n);
    r.Rq = double(std::fabs(z) * std::sqrt(mu2));
    if (r.Rq != 0 && mu2 > 0) {
        r.Rsk = double((z < 0 ? -1 : 1) * mu3 / (mu2 * std::sqrt(mu2)));
        r.Rku = double(mu4 / (mu2 * mu2));
    }
    return r;
}

//! The mean of values of the range `range` in its place of the statistics.
TRoughness MeanOf(const TRawRange& range, double zScale)
{
    TRoughness r;
    r.Mean = double(Real(zScale) * (Real(range.Sum) / Real(range.Count)));
    return r;
}

}  // namespace

TRoughness ComputeRawStatistics(const std::int32_t* values, std::int64_t count, double zScale,
                                const TRawRange& range, unsigned threads)
{
    if (!values || count <= 0 || range.Count != count)
        return {};
    const TRoughness r = MeanOf(range, zScale);
    if (range.Min == range.Max)
        return r;  // no spread
    const std::int64_t pivot = PivotOf(range);
    const std::int64_t span = std::int64_t(range.Max) - range.Min;
    const TSums s = CountedSpan(span, count)
                        ? CountedSums(values, count, range.Min, span, pivot, threads)
                        : DirectSums(values, count, pivot, threads);
    return StatisticsOf(s, count, zScale, r);
}

// ---- Counts taken by the pass that writes the values

struct TRawCounts::TState {
    TState(std::int32_t low, std::int64_t span, std::int64_t count)
        : Low(low), Span(span), Count(count), Interleaved(span < kInterleavedSpan),
          Stride(std::size_t(span) + 1), Sets(Interleaved ? 4 * Stride : Stride)
    {
    }
    std::int32_t Low;
    std::int64_t Span, Count;
    bool Interleaved;
    std::size_t Stride;
    TCounterSets Sets;
    std::atomic<bool> Usable{true};
    //! Values counted by the pieces that have ended.
    std::atomic<std::int64_t> Counted{0};
};

TRawCounts::TRawCounts(std::int32_t low, std::int32_t high, std::int64_t count)
{
    const std::int64_t span = std::int64_t(high) - low;
    if (count > 0 && CountedSpan(span, count))
        state_ = std::make_unique<TState>(low, span, count);
}

TRawCounts::~TRawCounts() = default;

bool TRawCounts::Usable() const { return state_ && state_->Usable.load(); }

TRawCounts::TPiece::TPiece(TRawCounts& counts)
    : state_(counts.Usable() ? counts.state_.get() : nullptr),
      counters_(state_ ? state_->Sets.Take() : nullptr)
{
}

TRawCounts::TPiece::~TPiece()
{
    if (counters_) {
        state_->Counted.fetch_add(counted_);
        state_->Sets.Give(counters_);
    }
}

void TRawCounts::TPiece::Add(const std::int32_t* values, std::int64_t n, const TRawRange& range)
{
    if (!counters_ || !values || n <= 0 || range.Count != n)
        return;
    if (range.Min < state_->Low || std::int64_t(range.Max) - state_->Low > state_->Span) {
        state_->Usable.store(false);  // outside the bound: the counts are not used
        return;
    }
    CountPiece(values, n, state_->Low, state_->Interleaved, state_->Stride, counters_);
    counted_ += n;
}

TRoughness ComputeRawStatistics(const std::int32_t* values, std::int64_t count, double zScale,
                                const TRawRange& range, const TRawCounts& counts, unsigned threads)
{
    const TRawCounts::TState* state = counts.Usable() ? counts.state_.get() : nullptr;
    // Counts that missed a piece (one handed a range not of its values) are not used either.
    if (!state || state->Count != count || state->Counted.load() != count ||
        range.Count != count || range.Min < state->Low ||
        std::int64_t(range.Max) - state->Low > state->Span)
        return ComputeRawStatistics(values, count, zScale, range, threads);
    if (!values || count <= 0)
        return {};
    const TRoughness r = MeanOf(range, zScale);
    if (range.Min == range.Max)
        return r;  // no spread
    // Counts of a few hundred kilobytes are summed on the calling thread: it reads them in
    // less time than handing pieces to the workers and waiting for the last one takes.
    const std::int64_t counters = std::int64_t(state->Stride) * (state->Interleaved ? 4 : 1) *
                                  std::int64_t(state->Sets.All().size());
    return StatisticsOf(SumCounts(state->Sets, state->Low, state->Span, state->Interleaved,
                                  PivotOf(range), counters <= kCalledCounters ? 1 : threads),
                        count, zScale, r);
}
