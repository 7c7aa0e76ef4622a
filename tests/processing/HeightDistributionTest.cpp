// The height distribution: a histogram of a known distribution with its bearing ratio and
// report (under the C library's number format, which the program keeps), a flat channel,
// counts beyond 16 bits, the cuts at a marker, and the fast count against its plain twin.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "processing/HeightDistribution.h"
#include "support/TestSupport.h"

using namespace processing;
using testsupport::RandomValues;

namespace {

// 40 values: 0 four times, 10 eight times, 20 twelve times, 30 six times and 40 ten times.
std::vector<std::int32_t> KnownDistribution()
{
    std::vector<std::int32_t> v;
    for (const auto& [value, times] : {std::pair{20, 12}, std::pair{0, 4}, std::pair{40, 10},
                                       std::pair{10, 8}, std::pair{30, 6}})
        v.insert(v.end(), std::size_t(times), value);
    return v;
}

std::string Golden(const std::string& name)
{
    // The folder comes from the build: __FILE__ may be relative to wherever it was compiled.
    const auto bytes = testsupport::ReadBytes(std::string(MORVANE_PROCESSING_GOLDEN) + name);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

// Four bars of 10 over a range of 40: the values at the maximum fall on index 4 and count
// in no bar; the bearing ratio is what lies at or above each lower edge.
TEST(HeightDistribution, KnownDistributionGivesItsBarsAndBearingRatio)
{
    const auto v = KnownDistribution();
    const THeightDistribution d = ComputeHeightDistribution(v.data(), std::int64_t(v.size()), 0, 10, 4);
    EXPECT_EQ(d.Counts, (std::vector<std::uint32_t>{4, 8, 12, 6, 0}));
    EXPECT_EQ(d.MaxCount, 12u);
    EXPECT_EQ(d.Total, 40);
    const std::vector<float> ratio{1, 0.9f, 0.7f, 0.4f, 0};
    ASSERT_EQ(d.BearingRatio.size(), ratio.size());
    for (std::size_t i = 0; i < ratio.size(); ++i)
        EXPECT_NEAR(d.BearingRatio[i], ratio[i], 1e-6) << i;

    // The default hundred bars of range / 100: each value on the lower edge of its own bar.
    const THeightDistribution hundred = ComputeHeightDistribution(v.data(), 40, 0, 0.4, 100);
    EXPECT_EQ(hundred.Counts[0], 4u);
    EXPECT_EQ(hundred.Counts[25], 8u);
    EXPECT_EQ(hundred.Counts[50], 12u);
    EXPECT_EQ(hundred.Counts[75], 6u);
    EXPECT_EQ(hundred.Counts[100], 0u);
    EXPECT_NEAR(hundred.BearingRatio[99], 0.25, 1e-6);  // what remains of the others
}

// The report appended to a file, byte for byte (lines begun with "\n"): 35 asterisks in
// each rule, N + 1 rows, the last with RH 1.00, HD 0.00 and BR 0.00; numbers with '.'.
TEST(HeightDistribution, ReportMatchesTheGoldenFile)
{
    const auto v = KnownDistribution();
    const THeightDistribution d = ComputeHeightDistribution(v.data(), std::int64_t(v.size()), 0, 10, 4);
    EXPECT_EQ(HeightsReportText("scan.spm", "Topography", d, 0.5), Golden("heights-report.txt"));
}

// A flat channel (range 0, step 0) puts every value into bar 0: bearing ratio 1 there and
// 0 above, its report rows all at the one height.
TEST(HeightDistribution, FlatChannelPutsEveryValueInBarZero)
{
    const std::vector<std::int32_t> v(12, -7);
    const THeightDistribution d = ComputeHeightDistribution(v.data(), 12, -7, 0, 100);
    EXPECT_EQ(d.Counts[0], 12u);
    EXPECT_EQ(d.MaxCount, 12u);
    for (int i = 1; i <= 100; ++i) {
        EXPECT_EQ(d.Counts[std::size_t(i)], 0u) << i;
        EXPECT_EQ(d.BearingRatio[std::size_t(i)], 0.0f) << i;
    }
    EXPECT_EQ(d.BearingRatio[0], 1.0f);
    const std::string report = HeightsReportText("f", "c", d, 2.0);
    EXPECT_NE(report.find("\n   -14.00  0.00  100.00  100.00 "), std::string::npos);
    EXPECT_NE(report.find("\n   -14.00  1.00    0.00    0.00 "), std::string::npos);
}

// Bars hold far more than 65535 values; values outside the range (a stale minimum) are
// kept inside the counters.
TEST(HeightDistribution, CountsAreThirtyTwoBitsAndIndexesStayInTheBars)
{
    std::vector<std::int32_t> v(300 * 300, 5);
    v[0] = -1000;          // below the minimum: bar 0
    v[1] = 1 << 30;        // far above the maximum: index N, no bar
    const THeightDistribution d = ComputeHeightDistribution(v.data(), std::int64_t(v.size()), 0, 2, 3);
    EXPECT_EQ(d.Counts, (std::vector<std::uint32_t>{1, 0, 89998, 0}));
    EXPECT_EQ(d.MaxCount, 89998u);
}

// The fast count on every core against the plain one, for bar counts and steps that leave
// values on the edges of bars.
TEST(HeightDistribution, FastCountMatchesThePlainOne)
{
    const auto v = RandomValues(1000 * 300 + 7, -50000, 50000, 17);
    for (const auto& [bars, step] : {std::pair{100, 1000.0}, std::pair{37, 100000.0 / 37},
                                     std::pair{3, 100000.0 / 3}, std::pair{100, 0.0}})
        for (unsigned threads : {1u, 0u}) {
            std::vector<std::uint32_t> fast(std::size_t(bars) + 1), plain(std::size_t(bars) + 1);
            CountHeights(v.data(), std::int64_t(v.size()), -50000, step, bars, fast.data(), threads);
            CountHeightsPlain(v.data(), std::int64_t(v.size()), -50000, step, bars, plain.data());
            EXPECT_EQ(fast, plain) << bars << " " << step;
        }
}

// The counters on their own (the palette editor's histogram): the values at the top edge
// stay in the counter after the bars.
namespace {
std::vector<std::uint32_t> Counted(const std::int32_t* values, std::int64_t count, std::int32_t min,
                                   double step, int bars, unsigned threads = 0)
{
    std::vector<std::uint32_t> counts(std::size_t(bars) + 1, 7u);
    CountHeights(values, count, min, step, bars, counts.data(), threads);
    return counts;
}
} // namespace

// Values 0..99 in 50 bins of 2 (range 100 / 50): two a bin; the maximum 100 in the counter
// after them. Values outside the range go to the end counters.
TEST(CountHeights, CountsBinsOfEqualWidthWithTheMaximumInTheLastCounter)
{
    std::vector<std::int32_t> v;
    for (int i = 0; i <= 100; ++i)
        v.push_back(i - 20);
    v.push_back(-25);  // below the minimum
    v.push_back(500);  // above the top
    const auto h = Counted(v.data(), std::int64_t(v.size()), -20, 100 / 50.0, 50, 3);
    ASSERT_EQ(h.size(), 51u);
    EXPECT_EQ(h[0], 3u);
    for (int k = 1; k < 50; ++k)
        EXPECT_EQ(h[std::size_t(k)], 2u) << k;
    EXPECT_EQ(h[50], 2u);
}

TEST(CountHeights, AFlatChannelFillsBinZeroAndLargeCountsNeedMoreThan16Bits)
{
    const std::vector<std::int32_t> flat(70000, 9);
    const auto h = Counted(flat.data(), std::int64_t(flat.size()), 9, 0.0, 50);
    EXPECT_EQ(h[0], 70000u);
    EXPECT_EQ(h[50], 0u);
    std::vector<std::int32_t> two(700000, 0);
    for (std::size_t i = 0; i < two.size(); i += 2)
        two[i] = 10;
    const auto g = Counted(two.data(), std::int64_t(two.size()), 0, 10 / 50.0, 50);
    EXPECT_EQ(g[0], 350000u);
    EXPECT_EQ(g[50], 350000u);
    EXPECT_EQ(Counted(nullptr, 5, 0, 1.0, 4), std::vector<std::uint32_t>(5, 0u));
}

// "Save Tops" raises what lies below the marker, "Save Valleys" lowers what lies above;
// the marker's raw height is trunc(k × step + min).
TEST(HeightDistribution, CutsAtTheMarkerHeight)
{
    EXPECT_EQ(MarkerHeight(3, 2.5, -10), -2);   // −2.5 truncates toward zero
    EXPECT_EQ(MarkerHeight(40, 0.99, 7), 46);   // 46.6
    EXPECT_EQ(MarkerHeight(100, 1e9, 0), 2147483647);

    std::vector<std::int32_t> tops{-5, 0, 3, 9}, valleys = tops;
    RaiseBelow(tops.data(), 4, 3);
    LowerAbove(valleys.data(), 4, 3);
    EXPECT_EQ(tops, (std::vector<std::int32_t>{3, 3, 3, 9}));
    EXPECT_EQ(valleys, (std::vector<std::int32_t>{-5, 0, 3, 3}));
}
