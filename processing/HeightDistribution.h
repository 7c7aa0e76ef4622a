#pragma once
// The height distribution of a channel: a histogram of its raw values in bars of equal
// width above the minimum, the bearing ratio at the lower edge of every bar, the cuts at a
// marker height ("Save Tops", "Save Valleys") and the text report of the distribution.

#include <cstdint>
#include <string>
#include <vector>

namespace processing {

//! The most bars a distribution has.
constexpr int kMaxHeightBars = 100;

//! The distribution of `Total` values in `Bars` bars of `Step` raw units above `Min`.
struct THeightDistribution {
    int Bars = 0;
    std::int64_t Total = 0;
    double Step = 0;
    std::int32_t Min = 0;
    //! Bars + 1 counters: values in bar i, 0 … Bars − 1; the counter of index Bars (the
    //! values at the top edge) is 0, those values belong to no bar.
    std::vector<std::uint32_t> Counts;
    //! Bars + 1 shares: BearingRatio[i] of the values at or above the lower edge of bar i;
    //! 1 at 0, BearingRatio[i − 1] − Counts[i − 1] / Total up to Bars − 1, and 0 at Bars.
    std::vector<float> BearingRatio;
    //! The largest count of bars 0 … Bars − 1.
    std::uint32_t MaxCount = 0;
};

//! Counts `count` values into bars + 1 counters of 32 bits: value z goes to
//! trunc((z − min) / step), held to 0 … bars (a value below the minimum to 0), so that
//! counter `bars` takes the values at the top edge (with step = range / bars, the maximum
//! itself). A step that is not positive (a flat channel) puts every value into bar 0.
//! `counts` holds bars + 1 entries (bars 1 … kMaxHeightBars) and is cleared first; with no
//! values it stays cleared. `threads` 0 uses every core.
void CountHeights(const std::int32_t* values, std::int64_t count, std::int32_t min, double step,
                  int bars, std::uint32_t* counts, unsigned threads = 0);
//! The plain twin of CountHeights: one value after the other, one thread.
void CountHeightsPlain(const std::int32_t* values, std::int64_t count, std::int32_t min,
                       double step, int bars, std::uint32_t* counts);

//! The histogram, bearing ratio and largest count of `count` values; `bars` is held to
//! 1 … kMaxHeightBars. The values at the top edge belong to no bar: Counts[Bars] is 0.
THeightDistribution ComputeHeightDistribution(const std::int32_t* values, std::int64_t count,
                                              std::int32_t min, double step, int bars,
                                              unsigned threads = 0);

//! The raw height of marker k: trunc(k × step + min), saturating.
std::int32_t MarkerHeight(int k, double step, std::int32_t min);

//! "Save Tops": every value below `level` becomes `level`.
void RaiseBelow(std::int32_t* values, std::int64_t count, std::int32_t level);
//! "Save Valleys": every value above `level` becomes `level`.
void LowerAbove(std::int32_t* values, std::int64_t count, std::int32_t level);

//! The text report of a distribution (8-bit text, lines begun with "\n"): the title with
//! the file's name and the channel's name, a rule of 35 asterisks, the column header, a
//! rule, one row per index 0 … Bars (height (i × step + min) × zScale, i / Bars, the
//! share of bar i and its bearing ratio, both in per cent) and a closing rule. Numbers
//! are written with '.' whatever the locale.
std::string HeightsReportText(const std::string& fileName, const std::string& channelName,
                              const THeightDistribution& distribution, double zScale);

}  // namespace processing
