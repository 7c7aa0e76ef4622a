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

//! The five statistics of a channel.
struct TRoughness {
    double Mean = 0, Ra = 0, Rq = 0, Rsk = 0, Rku = 0;
};

//! The statistics of `count` raw values with the Z scale `zScale`. A constant matrix (Rq 0)
//! has Rsk and Rku 0; no values give all 0. `threads` 0 uses every core.
TRoughness ComputeRawStatistics(const std::int32_t* values, std::int64_t count, double zScale,
                                unsigned threads = 0);
