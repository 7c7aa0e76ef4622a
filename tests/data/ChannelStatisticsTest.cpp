// The roughness statistics from exact integer sums against a two-pass reference in
// extended precision, over small ranges (the histogram) and wide ones, far from zero,
// with negative scales, on one thread and on all.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "data/ChannelStatistics.h"
#include "support/TestSupport.h"

using testsupport::Near;

namespace {

// The statistics as the roughness formulas define them, in two passes with extended sums.
TRoughness Reference(const std::vector<std::int32_t>& v, double zScale)
{
    using Real = long double;
    const Real n = Real(v.size());
    const Real z = zScale;
    Real sum = 0;
    for (std::int32_t x : v)
        sum += x * z;
    const Real mean = sum / n;
    Real a = 0, s2 = 0, s3 = 0, s4 = 0;
    for (std::int32_t x : v) {
        const Real d = x * z - mean;
        a += std::fabs(d);
        s2 += d * d;
        s3 += d * d * d;
        s4 += d * d * d * d;
    }
    TRoughness r;
    r.Mean = double(mean);
    r.Ra = double(a / n);
    const Real rq = std::sqrt(s2 / n);
    r.Rq = double(rq);
    if (rq != 0) {
        r.Rsk = double(s3 / (rq * rq * rq * n));
        r.Rku = double(s4 / (rq * rq * rq * rq * n));
    }
    return r;
}

// Values drawn from lo + span × u^power (u uniform): power 1 is even, higher powers skewed.
std::vector<std::int32_t> Draw(int count, std::int64_t lo, double span, double power, unsigned seed)
{
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<std::int32_t> v(static_cast<std::size_t>(count));
    for (auto& x : v)
        x = static_cast<std::int32_t>(lo + std::int64_t(std::floor(span * std::pow(u(rng), power))));
    return v;
}

void ExpectMatches(const std::vector<std::int32_t>& v, double zScale, const std::string& what)
{
    const TRoughness want = Reference(v, zScale);
    for (unsigned threads : {1u, 0u}) {
        const TRoughness got = ComputeRawStatistics(v.data(), std::int64_t(v.size()), zScale, threads);
        EXPECT_TRUE(Near(got.Mean, want.Mean)) << what << " Mean " << got.Mean << " " << want.Mean;
        EXPECT_TRUE(Near(got.Ra, want.Ra)) << what << " Ra " << got.Ra << " " << want.Ra;
        EXPECT_TRUE(Near(got.Rq, want.Rq)) << what << " Rq " << got.Rq << " " << want.Rq;
        EXPECT_TRUE(Near(got.Rsk, want.Rsk)) << what << " Rsk " << got.Rsk << " " << want.Rsk;
        EXPECT_TRUE(Near(got.Rku, want.Rku)) << what << " Rku " << got.Rku << " " << want.Rku;
    }
}

} // namespace

// Within 1e-12 of the reference, relative: ranges below 2^16 (counted in a histogram) and
// wider ones, values far from zero on either side, skewed and even distributions, scales
// of either sign, and matrices of one or several pieces.
TEST(ChannelStatistics, MatchTheExtendedTwoPassReference)
{
    struct Case {
        const char* what;
        int count;
        std::int64_t lo;
        double span, power;
        double zScale;
    };
    const Case cases[] = {
        {"16-bit skewed", 300 * 257, -1000, 4000, 3, 0.37},
        {"16-bit even, negative scale", 70000, 0, 65535, 1, -0.25},
        {"counted in one set a piece, several pieces", 1 << 20, -20000, 40000, 2, 0.3},
        {"near the top", 200 * 300, 2147480000, 3000, 2, 1.5},
        {"near the bottom", 4000, -2147483648LL, 60000, 4, 0.01},
        {"wide skewed", 1 << 18, -(1LL << 30), 2.0 * (1LL << 30), 3, 0.125},
        {"whole range", 100000, -2147483648LL, 4294967295.0, 2, 3.0},
        {"few values of a wide range", 100, -5, 1e6, 2, 1},
        {"one piece", 1000, 7, 20, 2, 0.5},
    };
    for (const auto& c : cases)
        ExpectMatches(Draw(c.count, c.lo, c.span, c.power, unsigned(c.count)), c.zScale, c.what);
}

// Small cases by hand: {0, 0, 0, 4} gives deviations (−1, −1, −1, 3); a constant or single
// value has no spread, so no skew or kurtosis; no values give zeros.
TEST(ChannelStatistics, SmallCasesAndNoSpread)
{
    const std::vector<std::int32_t> four{0, 0, 0, 4};
    const TRoughness r = ComputeRawStatistics(four.data(), 4, 1.0);
    EXPECT_TRUE(Near(r.Mean, 1.0));
    EXPECT_TRUE(Near(r.Ra, 1.5));
    EXPECT_TRUE(Near(r.Rq, std::sqrt(3.0)));
    EXPECT_TRUE(Near(r.Rsk, 2 / std::sqrt(3.0)));
    EXPECT_TRUE(Near(r.Rku, 7.0 / 3));

    const std::vector<std::int32_t> flat(100000, -123456789);
    const TRoughness f = ComputeRawStatistics(flat.data(), std::int64_t(flat.size()), 2.0);
    EXPECT_TRUE(Near(f.Mean, -246913578.0));
    EXPECT_EQ(f.Ra, 0);
    EXPECT_EQ(f.Rq, 0);
    EXPECT_EQ(f.Rsk, 0);
    EXPECT_EQ(f.Rku, 0);

    const std::int32_t one = 5;
    const TRoughness single = ComputeRawStatistics(&one, 1, 0.5);
    EXPECT_TRUE(Near(single.Mean, 2.5));
    EXPECT_EQ(single.Rq, 0);
    EXPECT_EQ(single.Rsk, 0);

    const TRoughness none = ComputeRawStatistics(nullptr, 10, 1.0);
    EXPECT_EQ(none.Mean, 0);
    EXPECT_EQ(ComputeRawStatistics(four.data(), 0, 1.0).Rq, 0);
}

// The range pass against a plain loop, on any number of threads and gathered piece by piece;
// statistics from a known range are those that find it themselves, exactly.
TEST(ChannelStatistics, RangeOnceGivesTheSameExtremesSumAndStatistics)
{
    for (const auto& v : {Draw(300000, -(1LL << 31), 4294967295.0, 2, 3),
                          Draw(70001, -30000, 60000, 1, 4), Draw(13, 100, 10, 1, 5)}) {
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        __int128 sum = 0;
        for (std::int32_t x : v)
            sum += x;
        const std::int64_t n = std::int64_t(v.size());
        for (unsigned threads : {1u, 3u, 0u}) {
            const TRawRange r = ComputeRawRange(v.data(), n, threads);
            EXPECT_EQ(r.Min, *lo);
            EXPECT_EQ(r.Max, *hi);
            EXPECT_TRUE(r.Sum == sum);
            EXPECT_EQ(r.Count, n);
        }
        // Pieces of odd sizes, as a copy takes them.
        TRawRange pieces;
        for (std::int64_t first = 0; first < n; first += 997)
            pieces.Add(
                ComputeRawRangeHere(v.data() + first, std::min<std::int64_t>(997, n - first)));
        EXPECT_EQ(pieces.Min, *lo);
        EXPECT_EQ(pieces.Max, *hi);
        EXPECT_TRUE(pieces.Sum == sum);

        const TRoughness a = ComputeRawStatistics(v.data(), n, 0.3);
        const TRoughness b = ComputeRawStatistics(v.data(), n, 0.3, pieces);
        EXPECT_EQ(a.Mean, b.Mean);
        EXPECT_EQ(a.Ra, b.Ra);
        EXPECT_EQ(a.Rq, b.Rq);
        EXPECT_EQ(a.Rsk, b.Rsk);
        EXPECT_EQ(a.Rku, b.Rku);
    }
    EXPECT_EQ(ComputeRawRange(nullptr, 5).Count, 0);
    EXPECT_EQ(ComputeRawRangeHere(nullptr, 5).Count, 0);
}

// Counts taken piece by piece against a bound, as a copy takes them, give exactly the
// statistics that read the values; a piece beyond the bound, or a bound too wide to count,
// leaves the counts unused and the result the same.
TEST(ChannelStatistics, CountsTakenWhileWritingGiveTheSameStatistics)
{
    const auto narrow = Draw(50000, 1000, 900, 1, 7);    // four sets of counters
    const auto medium = Draw(200000, -9000, 11000, 2, 8); // one set
    struct Case {
        const std::vector<std::int32_t>* values;
        std::int64_t below, above;  // the bound: the least value − below … the largest + above
        bool usable;
        const char* what;
    };
    const Case cases[] = {
        {&narrow, 0, 0, true, "the values' own range"},
        {&narrow, 100, 200, true, "a wider bound"},
        {&medium, 0, 3, true, "a medium span"},
        {&narrow, -1, 0, false, "a value below the bound"},
        {&narrow, 0, -1, false, "a value above it"},
        {&medium, 100000, 100000, false, "a bound too wide to count"},
    };
    for (const Case& c : cases) {
        const std::vector<std::int32_t>& v = *c.values;
        const std::int64_t n = std::int64_t(v.size());
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        TRawCounts counts(std::int32_t(*lo - c.below), std::int32_t(*hi + c.above), n);
        TRawRange range;
        {
            TRawCounts::TPiece first(counts), second(counts);  // two pieces side by side
            for (std::int64_t at = 0, k = 0; at < n; at += 1237, ++k) {
                const std::int64_t m = std::min<std::int64_t>(1237, n - at);
                const TRawRange piece = ComputeRawRangeHere(v.data() + at, m);
                (k % 2 ? second : first).Add(v.data() + at, m, piece);
                range.Add(piece);
            }
        }
        EXPECT_EQ(counts.Usable(), c.usable) << c.what;
        const TRoughness a = ComputeRawStatistics(v.data(), n, -0.7);
        const TRoughness b = ComputeRawStatistics(v.data(), n, -0.7, range, counts);
        EXPECT_EQ(a.Mean, b.Mean) << c.what;
        EXPECT_EQ(a.Ra, b.Ra) << c.what;
        EXPECT_EQ(a.Rq, b.Rq) << c.what;
        EXPECT_EQ(a.Rsk, b.Rsk) << c.what;
        EXPECT_EQ(a.Rku, b.Rku) << c.what;
        // Counts of more values than the statistics are asked for are not used.
        const TRawRange fewer = ComputeRawRange(v.data(), n - 1);
        EXPECT_EQ(ComputeRawStatistics(v.data(), n - 1, 1.0, fewer, counts).Rku,
                  ComputeRawStatistics(v.data(), n - 1, 1.0).Rku)
            << c.what;
    }
}

// A piece that is handed a range not of its own values counts nothing; counts that miss
// those values are not used, and the statistics read the values instead.
TEST(ChannelStatistics, CountsThatMissAPieceAreNotUsed)
{
    const auto v = Draw(60000, -300, 800, 1, 11);
    const std::int64_t n = std::int64_t(v.size()), half = n / 2;
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    TRawCounts counts(*lo, *hi, n);
    const TRawRange first = ComputeRawRangeHere(v.data(), half);
    const TRawRange wrong = ComputeRawRangeHere(v.data() + half, n - half - 1);
    {
        TRawCounts::TPiece piece(counts);
        piece.Add(v.data(), half, first);
        piece.Add(v.data() + half, n - half, wrong);  // one value short: not counted
    }
    const TRawRange range = ComputeRawRange(v.data(), n);
    const TRoughness a = ComputeRawStatistics(v.data(), n, 0.4);
    const TRoughness b = ComputeRawStatistics(v.data(), n, 0.4, range, counts);
    EXPECT_EQ(a.Mean, b.Mean);
    EXPECT_EQ(a.Ra, b.Ra);
    EXPECT_EQ(a.Rq, b.Rq);
    EXPECT_EQ(a.Rsk, b.Rsk);
    EXPECT_EQ(a.Rku, b.Rku);
}
