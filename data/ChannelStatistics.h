#pragma once
// The roughness statistics of a matrix of raw values: mean, Ra (mean absolute deviation),
// Rq (root mean square deviation), Rsk (skewness) and Rku (kurtosis), of the physical
// values raw × Z scale.
//
// The raw integers are summed exactly: through a histogram of the values when their range
// is small, else in 64- and 128-bit integers around the integer part of the mean, with
// the higher powers in double; the moments are formed in extended precision at the end.
// The passes run on the machine's cores.

#include <cstdint>
#include <memory>

//! The five statistics of a channel.
struct TRoughness {
    double Mean = 0, Ra = 0, Rq = 0, Rsk = 0, Rku = 0;
};

//! The extremes and the sum of raw values, exact. Count 0: no values (the rest 0).
struct TRawRange {
    std::int32_t Min = 0, Max = 0;
    __int128 Sum = 0;
    std::int64_t Count = 0;

    //! Takes in the range of further values.
    void Add(const TRawRange& more);
};

//! The range of `count` raw values on up to `threads` threads (0: every core), eight values
//! at a time; the same on any number of threads.
TRawRange ComputeRawRange(const std::int32_t* values, std::int64_t count, unsigned threads = 0);

//! ComputeRawRange on the calling thread, for a pass that takes the range of each piece of
//! values it has just written.
TRawRange ComputeRawRangeHere(const std::int32_t* values, std::int64_t count);

//! The statistics of `count` raw values with the Z scale `zScale`. A constant matrix (Rq 0)
//! has Rsk and Rku 0; no values give all 0. `threads` 0 uses every core.
TRoughness ComputeRawStatistics(const std::int32_t* values, std::int64_t count, double zScale,
                                unsigned threads = 0);

//! ComputeRawStatistics of values whose range is known: `range` must be theirs (from
//! ComputeRawRange or the pass that wrote them); one pass over the values fewer.
TRoughness ComputeRawStatistics(const std::int32_t* values, std::int64_t count, double zScale,
                                const TRawRange& range, unsigned threads = 0);

//! Counts of raw values that the pass which writes them takes piece by piece, counted
//! against a bound known before the pass (that of the values it copies), so that their
//! statistics need no pass over the values of their own. A bound too wide to count, or a
//! piece with values outside it, leaves the counts unusable; the statistics then read the
//! values as ComputeRawStatistics does.
class TRawCounts {
    struct TState;

public:
    //! Counts for `count` values in low … high.
    TRawCounts(std::int32_t low, std::int32_t high, std::int64_t count);
    ~TRawCounts();
    TRawCounts(const TRawCounts&) = delete;
    TRawCounts& operator=(const TRawCounts&) = delete;

    //! Whether the counts are still taken (the bound is countable, every piece inside it).
    bool Usable() const;

    //! The counters of one piece of the pass, on one thread: taken when it starts, given
    //! back when it ends. Pieces may run side by side.
    class TPiece {
    public:
        explicit TPiece(TRawCounts& counts);
        ~TPiece();
        TPiece(const TPiece&) = delete;
        TPiece& operator=(const TPiece&) = delete;
        //! Counts n values whose range (from ComputeRawRangeHere) is `range`.
        void Add(const std::int32_t* values, std::int64_t n, const TRawRange& range);

    private:
        TState* state_;
        std::uint32_t* counters_;
        std::int64_t counted_ = 0;
    };

private:
    std::unique_ptr<TState> state_;
    friend TRoughness ComputeRawStatistics(const std::int32_t*, std::int64_t, double,
                                           const TRawRange&, const TRawCounts&, unsigned);
};

//! ComputeRawStatistics of values whose range is `range` and which `counts` counted as they
//! were written: from the counts without reading the values where the counts are usable
//! and of every value, else from the values. The same result either way. Counts of up to a
//! few hundred kilobytes are summed on the calling thread; `threads` is for larger ones and
//! for reading the values.
TRoughness ComputeRawStatistics(const std::int32_t* values, std::int64_t count, double zScale,
                                const TRawRange& range, const TRawCounts& counts,
                                unsigned threads = 0);
