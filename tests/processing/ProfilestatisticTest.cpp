#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "processing/Profilestatistic.h"

namespace {

TProfileStatistic Computed(const std::vector<double>& z, double step)
{
    TProfileStatistic s;
    s.SetData(z.data());
    s.Count = int(z.size());
    s.Step = step;
    s.Calculate();
    return s;
}

}  // namespace

// Eight heights around a horizontal mean line at 0 (both halves have the mean 0):
//   z = 4, -5, 2, -1 | 9, -5, -2, -2
// Runs above the line: {0: 4}, {2: 2}, {4: 9}; below: {1: 5}, {3: 1}, {5..7: 5, 2, 2}.
// Upward crossings: between points 1 and 2 at x = 12/7, between 3 and 4 at x = 3.1.
TEST(TProfileStatistic, RunsCrossingsAndPeaksOfAProfileAroundAFlatLine)
{
    const std::vector<double> z = {4, -5, 2, -1, 9, -5, -2, -2};
    const TProfileStatistic s = Computed(z, 2);
    EXPECT_EQ(s.Count, 8);
    EXPECT_DOUBLE_EQ(s.Slope, 0);
    EXPECT_DOUBLE_EQ(s.Intercept, 0);
    EXPECT_DOUBLE_EQ(s.NormalSlope, 0);
    EXPECT_DOUBLE_EQ(s.Mean, 0);
    EXPECT_DOUBLE_EQ(s.Ra, 30.0 / 8);
    // Peaks: maxima 4, 2, 9 -> (2 + 4 + 9) / 4 = 3.75; valleys: 5, 1, 5 -> 11 / 4.
    EXPECT_DOUBLE_EQ(s.Rq, 3.75 + 2.75);
    const double sm = (3.1 - 12.0 / 7) * 2 / 2;
    EXPECT_NEAR(s.Sm, sm, 1e-12);
    EXPECT_NEAR(s.R, sm * sm / (30.0 / 8), 1e-12);
    EXPECT_DOUBLE_EQ(s.S, 4); // peaks at 0, 2 and 4, two points (4 nm) apart on the line
}

TEST(TProfileStatistic, AnOddCountUsesTheLastHeightOnlyForTheLastCrossing)
{
    // A ninth height: the line, Ra and Rq come from the first eight; the crossing between
    // points 7 and 8 (at x = 716 / 102) still counts.
    const std::vector<double> z = {4, -5, 2, -1, 9, -5, -2, -2, 100};
    const TProfileStatistic s = Computed(z, 2);
    EXPECT_EQ(s.Count, 8);
    EXPECT_DOUBLE_EQ(s.Ra, 30.0 / 8);
    EXPECT_DOUBLE_EQ(s.Rq, 6.5);
    const double x1 = 12.0 / 7, x2 = 3.1, x3 = 716.0 / 102;
    EXPECT_NEAR(s.Sm, ((x2 - x1) * 2 + (x3 - x2) * 2) / 3, 1e-12);
}

TEST(TProfileStatistic, TheMeanLineRunsThroughTheMeansOfTheTwoHalves)
{
    // First half mean 1 at index trunc(12 / 4) = 3, second half mean 7 six points on.
    const std::vector<double> z = {1, 0, 2, 1, 0, 2, 7, 6, 8, 7, 6, 8};
    const TProfileStatistic s = Computed(z, 1);
    EXPECT_DOUBLE_EQ(s.Slope, 1);
    EXPECT_DOUBLE_EQ(s.Intercept, -2);
    EXPECT_DOUBLE_EQ(s.NormalSlope, -1);
    EXPECT_DOUBLE_EQ(s.Mean, 4);
    // Distances perpendicular to the line: |z_i − (i − 2)| / √2.
    double ra = 0;
    for (int i = 0; i < 12; ++i)
        ra += std::fabs(z[std::size_t(i)] - (i - 2)) / std::sqrt(2.0);
    EXPECT_NEAR(s.Ra, ra / 12, 1e-12);
}

TEST(TProfileStatistic, DegenerateProfiles)
{
    // Flat: every distance 0; nothing crosses; one run of peaks.
    const TProfileStatistic flat = Computed(std::vector<double>(10, 5.0), 3);
    EXPECT_EQ(flat.Ra, 0);
    EXPECT_EQ(flat.Rq, 0);
    EXPECT_EQ(flat.Sm, 0);
    EXPECT_EQ(flat.R, 0); // not Sm² / 0
    EXPECT_EQ(flat.S, 0);
    EXPECT_EQ(flat.Mean, 5);

    // One upward crossing: Sm = 0 (no distance, divided by one); one run of peaks: S = 0.
    const TProfileStatistic one = Computed({-1, 1, 1, -1}, 3);
    EXPECT_EQ(one.Sm, 0);
    EXPECT_EQ(one.S, 0);

    // One height: nothing to halve, every result 0 (no 0 / 0).
    const TProfileStatistic single = Computed({7}, 3);
    EXPECT_EQ(single.Count, 0);
    EXPECT_EQ(single.Mean, 0);
    EXPECT_EQ(single.Ra, 0);
    EXPECT_EQ(single.Slope, 0);

    // Without data nothing happens at all.
    TProfileStatistic none;
    none.Count = 5;
    none.Calculate();
    EXPECT_EQ(none.Count, 5);
}

TEST(ProfileQuantities, WindowValuesOnARampWithAFractionalOffset)
{
    // Samples 0, 2, …, 14 with offset 0.5 and Z scale 2: the statistics see 2 × s (the
    // offset cut to 0), a line of slope 4 lying 2 below the points (L(i) = 4i − 2).
    // Ra = 2/√17; Rq = (2/√17) / 2; Mean = 14. The moments use u = 2s + 1:
    // u − Mean = −13, −9, −5, −1, 3, 7, 11, 15, so Σd³ = 2024 and Σd⁴ = 103496.
    // Each step of the developed length is √(3² + 4²) = 5.
    const std::vector<float> samples = {0, 2, 4, 6, 8, 10, 12, 14};
    TProfileStatistic statistic;
    const TProfileQuantities q = ProfileQuantities(statistic, samples.data(), 8, 0.5, 2, 3);
    const double rq = 1 / std::sqrt(17.0);
    EXPECT_NEAR(q.Ra, 2 * rq, 1e-12);
    EXPECT_NEAR(q.Rq, rq, 1e-12);
    EXPECT_DOUBLE_EQ(q.Mean, 14);
    EXPECT_NEAR(q.Rsk, 2024 / (8 * rq * rq * rq), 1e-6);
    EXPECT_NEAR(q.Rku, 103496 / (8 * rq * rq * rq * rq), 1e-6);
    EXPECT_DOUBLE_EQ(q.SurfaceLength, 35);
    EXPECT_EQ(q.Sm, 0); // every rise equals the line's slope: no crossing
    EXPECT_EQ(statistic.Data, nullptr); // the heights went with the call
}

TEST(ProfileQuantities, FlatAndTinyProfilesGiveZerosInsteadOfDivisionsByZero)
{
    TProfileStatistic statistic;
    const std::vector<float> flat(6, 3.f);
    const TProfileQuantities q = ProfileQuantities(statistic, flat.data(), 6, 10, 0.5, 2);
    EXPECT_EQ(q.Ra, 0);
    EXPECT_EQ(q.Rq, 0);
    EXPECT_EQ(q.Rsk, 0);
    EXPECT_EQ(q.Rku, 0);
    EXPECT_EQ(q.R, 0);
    EXPECT_DOUBLE_EQ(q.SurfaceLength, 10);
    const TProfileQuantities one = ProfileQuantities(statistic, flat.data(), 1, 10, 0.5, 2);
    EXPECT_EQ(one.Mean, 0);
    EXPECT_EQ(one.SurfaceLength, 0);
}
