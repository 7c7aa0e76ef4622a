#include "processing/HeightDistribution.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <mutex>

#include "platform/core/Parallel.h"
#include "processing/Passes.h"
#include "processing/RawValue.h"
#include "processing/SureRows.h"

namespace processing {

namespace {

//! Values per piece of a parallel pass.
constexpr std::int64_t kPiece = 1 << 16;

//! The bar of one value: trunc((z − min) / step) held to 0 … bars; bar 0 for a step that
//! is not positive.
inline int BarOf(std::int32_t z, std::int32_t min, double step, int bars)
{
    if (!(step > 0))
        return 0;
    const double q = double(std::int64_t(z) - min) / step;
    if (!(q > 0))
        return 0;  // below the minimum, and NaN
    return q < bars ? int(q) : bars;
}

//! Counts values into four interleaved sets of counters (a run of equal bars then does not
//! wait on its own increments) and adds them to `counts`. The bars of a block of values
//! are found four at a time first, by the very division BarOf makes.
MORVANE_CLONES void CountInto(const std::int32_t* values, std::int64_t n, std::int32_t min,
                              double step, int bars, std::uint32_t* counts)
{
    std::array<std::array<std::uint32_t, kMaxHeightBars + 1>, 4> local{};
    constexpr int block = 256;
    alignas(32) std::int32_t index[block];
    std::int64_t i = 0;
    if (step > 0) {
        const double base = min, top = bars;
        for (; i + block <= n; i += block) {
            for (int b = 0; b < block; b += 4) {
                V4i z;
                __builtin_memcpy(&z, values + i + b, sizeof z);
                V4d q = (__builtin_convertvector(z, V4d) - base) / step;
                q = q > 0 ? q : 0;  // below the minimum, and NaN
                q = q < top ? q : top;
                const V4i k = __builtin_convertvector(q, V4i);
                __builtin_memcpy(index + b, &k, sizeof k);
            }
            for (int b = 0; b < block; b += 4) {
                ++local[0][std::size_t(index[b])];
                ++local[1][std::size_t(index[b + 1])];
                ++local[2][std::size_t(index[b + 2])];
                ++local[3][std::size_t(index[b + 3])];
            }
        }
    }
    for (; i < n; ++i)
        ++local[0][std::size_t(BarOf(values[i], min, step, bars))];
    for (int b = 0; b <= bars; ++b)
        counts[b] += local[0][std::size_t(b)] + local[1][std::size_t(b)] + local[2][std::size_t(b)] +
                     local[3][std::size_t(b)];
}

//! Clears the counters when they are usable; true when there are values to count.
bool Start(const std::int32_t* values, std::int64_t count, int bars, std::uint32_t* counts)
{
    if (!counts || bars < 1 || bars > kMaxHeightBars)
        return false;
    std::fill(counts, counts + bars + 1, 0u);
    return values && count > 0;
}

}  // namespace

void CountHeights(const std::int32_t* values, std::int64_t count, std::int32_t min, double step,
                  int bars, std::uint32_t* counts, unsigned threads)
{
    if (!Start(values, count, bars, counts))
        return;
    std::mutex merge;
    const std::int64_t pieces = (count + kPiece - 1) / kPiece;
    platform::ParallelBands(
        std::size_t(pieces),
        [&](std::size_t p) {
            const std::int64_t first = std::int64_t(p) * kPiece;
            std::array<std::uint32_t, kMaxHeightBars + 1> piece{};
            CountInto(values + first, std::min(kPiece, count - first), min, step, bars, piece.data());
            std::lock_guard hold(merge);
            for (int b = 0; b <= bars; ++b)
                counts[b] += piece[std::size_t(b)];
        },
        ThreadsFor(count, threads));
}

void CountHeightsPlain(const std::int32_t* values, std::int64_t count, std::int32_t min,
                       double step, int bars, std::uint32_t* counts)
{
    if (!Start(values, count, bars, counts))
        return;
    for (std::int64_t i = 0; i < count; ++i) {
        int index = 0;
        if (step > 0) {
            const double q = std::trunc(double(std::int64_t(values[i]) - min) / step);
            index = q > 0 ? int(std::min(q, double(bars))) : 0;
        }
        ++counts[index];
    }
}

THeightDistribution ComputeHeightDistribution(const std::int32_t* values, std::int64_t count,
                                              std::int32_t min, double step, int bars,
                                              unsigned threads)
{
    THeightDistribution d;
    d.Bars = std::clamp(bars, 1, kMaxHeightBars);
    d.Total = std::max<std::int64_t>(count, 0);
    d.Step = step;
    d.Min = min;
    d.Counts.assign(std::size_t(d.Bars) + 1, 0);
    d.BearingRatio.assign(std::size_t(d.Bars) + 1, 0);
    CountHeights(values, d.Total, min, step, d.Bars, d.Counts.data(), threads);
    d.Counts[std::size_t(d.Bars)] = 0;  // the values at the top edge belong to no bar
    d.MaxCount = *std::max_element(d.Counts.begin(), d.Counts.end() - 1);
    d.BearingRatio[0] = 1;
    const double total = d.Total > 0 ? double(d.Total) : 1;
    for (int i = 1; i < d.Bars; ++i)
        d.BearingRatio[std::size_t(i)] =
            float(double(d.BearingRatio[std::size_t(i) - 1]) - d.Counts[std::size_t(i) - 1] / total);
    d.BearingRatio[std::size_t(d.Bars)] = 0;
    return d;
}

std::int32_t MarkerHeight(int k, double step, std::int32_t min)
{
    return ToRawValue(double(k) * step + double(min));
}

void RaiseBelow(std::int32_t* values, std::int64_t count, std::int32_t level)
{
    for (std::int64_t i = 0; values && i < count; ++i)
        values[i] = std::max(values[i], level);
}

void LowerAbove(std::int32_t* values, std::int64_t count, std::int32_t level)
{
    for (std::int64_t i = 0; values && i < count; ++i)
        values[i] = std::min(values[i], level);
}

std::string HeightsReportText(const std::string& fileName, const std::string& channelName,
                              const THeightDistribution& d, double zScale)
{
    const std::string rule = "\n" + std::string(35, '*');
    std::string out = "\n Height analysis of file " + fileName + " for " + channelName;
    out += rule + "\n Height,nm  RH    HD,%    BR,%  " + rule;
    const double total = d.Total > 0 ? double(d.Total) : 1;
    const int bars = std::min<int>(d.Bars, int(d.Counts.size()) - 1);
    for (int i = 0; i <= bars && bars > 0; ++i) {
        char row[160];
        std::snprintf(row, sizeof row, "\n %8.2f  %4.2f  %6.2f  %6.2f ",
                      (i * d.Step + d.Min) * zScale, double(i) / bars,
                      d.Counts[std::size_t(i)] * 100.0 / total,
                      double(d.BearingRatio[std::size_t(i)]) * 100);
        out += row;
    }
    return out + rule;
}

}  // namespace processing
