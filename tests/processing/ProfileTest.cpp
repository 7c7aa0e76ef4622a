#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "processing/Profile.h"

using namespace processing;

namespace {

// A matrix of `width` × `height` values from `f(row, col)`, with its smallest value as Min.
struct Matrix {
    Matrix(int width, int height, std::int32_t (*f)(int, int)) : w(width), h(height)
    {
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c)
                values.push_back(f(r, c));
        min = *std::min_element(values.begin(), values.end());
    }
    TMatrixView View() const { return {values.data(), w, h, min}; }
    // The value above Min with both indexes limited to the grid.
    double At(int r, int c) const
    {
        r = std::clamp(r, 0, h - 1);
        c = std::clamp(c, 0, w - 1);
        return double(values[std::size_t(r) * w + c]) - min;
    }
    int w, h;
    std::int32_t min;
    std::vector<std::int32_t> values;
};

std::int32_t Bumpy(int r, int c)
{
    return r * r * 10 + c * c * 3 - 7 * r * c - 50;
}

// The reference: point i of n lies at t = i / (n − 1) of the way from the start with the
// smaller column to the other end, and its value is the bilinear interpolation of the four
// grid points around it, with neighbours past the last row or column taken as the point
// itself.
std::vector<double> Oracle(const Matrix& m, TSegment s)
{
    if (s.X1 > s.X2)
        s = {s.X2, s.Y2, s.X1, s.Y1};
    const int n = std::max(std::abs(s.X2 - s.X1), std::abs(s.Y2 - s.Y1)) + 1;
    std::vector<double> out;
    for (int i = 0; i < n; ++i) {
        const double t = n > 1 ? double(i) / (n - 1) : 0;
        const double x = s.X1 + t * (s.X2 - s.X1);
        const double y = s.Y1 + t * (s.Y2 - s.Y1);
        const int c = int(std::floor(x)), r = int(std::floor(y));
        const double fx = x - c, fy = y - r;
        out.push_back((1 - fx) * (1 - fy) * m.At(r, c) + fx * (1 - fy) * m.At(r, c + 1) +
                      (1 - fx) * fy * m.At(r + 1, c) + fx * fy * m.At(r + 1, c + 1));
    }
    return out;
}

}  // namespace

TEST(SampleProfile, FollowsTheSegmentInEveryDirection)
{
    const Matrix m(9, 7, Bumpy);
    const struct {
        const char* Name;
        TSegment S;
    } cases[] = {
        {"horizontal", {1, 3, 7, 3}},
        {"vertical down", {4, 0, 4, 6}},
        {"vertical up", {2, 6, 2, 1}},
        {"45 degrees down", {0, 0, 6, 6}},
        {"45 degrees up", {1, 6, 7, 0}},
        {"shallow down", {0, 1, 8, 4}},
        {"shallow up", {0, 5, 8, 2}},
        {"steep down", {2, 0, 5, 6}},
        {"steep up", {3, 6, 5, 0}},
        {"right to left", {8, 2, 1, 5}},
        {"ending on the last row", {0, 2, 5, 6}},
        {"ending on the last column", {1, 0, 8, 3}},
        {"steep onto the last column", {6, 0, 8, 6}},
        {"one point", {3, 3, 3, 3}},
    };
    for (const auto& c : cases) {
        const std::vector<double> expected = Oracle(m, c.S);
        std::vector<float> samples(20, -1.f);
        const int n = SampleProfile(m.View(), c.S, samples.data(), int(samples.size()));
        ASSERT_EQ(n, int(expected.size())) << c.Name;
        EXPECT_EQ(n, ProfilePointCount(c.S)) << c.Name;
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(samples[std::size_t(i)], expected[std::size_t(i)],
                        1e-5 * (1 + std::fabs(expected[std::size_t(i)])))
                << c.Name << " point " << i;
        EXPECT_EQ(samples[std::size_t(n)], -1.f) << c.Name << ": nothing written past n";
    }
}

TEST(SampleProfile, GridRowsAndDiagonalsAreTheGridValuesThemselves)
{
    const Matrix m(9, 7, Bumpy);
    std::vector<float> samples(9);
    ASSERT_EQ(SampleProfile(m.View(), {0, 4, 8, 4}, samples.data(), 9), 9);
    for (int c = 0; c < 9; ++c)
        EXPECT_EQ(samples[std::size_t(c)], float(m.At(4, c)));
    ASSERT_EQ(SampleProfile(m.View(), {6, 0, 0, 6}, samples.data(), 9), 7);
    for (int i = 0; i < 7; ++i) // stored right to left: sampled from (0, 6) up to (6, 0)
        EXPECT_EQ(samples[std::size_t(i)], float(m.At(6 - i, i)));
}

TEST(SampleProfile, NeverReadsOrWritesOutsideItsBuffers)
{
    // A 3 × 2 channel sampled along a segment of a larger grid: every read is limited to
    // the channel, so its edge values continue.
    const Matrix small(3, 2, Bumpy);
    std::vector<float> samples(11, -1.f);
    ASSERT_EQ(SampleProfile(small.View(), {0, 0, 9, 5}, samples.data(), 11), 10);
    EXPECT_EQ(samples[9], float(small.At(1, 2)));
    EXPECT_EQ(samples[10], -1.f);
    // A segment that needs more samples than the buffer holds writes nothing.
    std::vector<float> tiny(4, -1.f);
    EXPECT_EQ(SampleProfile(small.View(), {0, 0, 9, 0}, tiny.data(), 4), 0);
    EXPECT_EQ(tiny, std::vector<float>(4, -1.f));
    EXPECT_EQ(SampleProfile(TMatrixView{nullptr, 0, 0, 0}, {0, 0, 1, 0}, tiny.data(), 4), 0);
}

TEST(FitSegment, KeepsTheEndsOnTheGridAndNeverMakesOnePointOfMany)
{
    EXPECT_EQ(FitSegment({0, 0, 255, 255}, 64, 32), (TSegment{0, 0, 63, 31}));
    EXPECT_EQ(FitSegment({-5, 3, 10, -2}, 20, 20), (TSegment{0, 3, 10, 0}));
    // Both ends past the grid's corner: the grid's diagonal instead of a single point.
    EXPECT_EQ(FitSegment({50, 50, 60, 60}, 10, 8), (TSegment{0, 0, 9, 7}));
    EXPECT_EQ(FitSegment({3, 0, 7, 0}, 1, 1), (TSegment{0, 0, 0, 0}));
    EXPECT_EQ(FitSegment({3, 0, 7, 0}, 0, 5), (TSegment{}));
}

TEST(FitProfileLine, IsTheLeastSquaresLineOverAbscissaeFromOne)
{
    // Exactly on a line: s = 2 + 0.5 x at x = i + 1.
    std::vector<float> line;
    for (int i = 0; i < 9; ++i)
        line.push_back(2 + 0.5f * (i + 1));
    const TProfileLine exact = FitProfileLine(line.data(), 9);
    EXPECT_NEAR(exact.Slope, 0.5, 1e-12);
    EXPECT_NEAR(exact.Intercept, 2, 1e-12);

    // Scattered values against the normal equations solved in the test.
    const std::vector<float> s = {3, -1, 4, 1, -5, 9, 2, 6};
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const double n = double(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double x = double(i) + 1;
        sx += x, sy += s[i], sxx += x * x, sxy += x * s[i];
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const TProfileLine fit = FitProfileLine(s.data(), int(s.size()));
    EXPECT_NEAR(fit.Slope, slope, 1e-12);
    EXPECT_NEAR(fit.Intercept, (sy - slope * sx) / n, 1e-12);

    // One sample has no slope (no division by n² − 1 = 0); none has nothing.
    const float one = 7;
    EXPECT_EQ(FitProfileLine(&one, 1).Slope, 0);
    EXPECT_EQ(FitProfileLine(&one, 1).Intercept, 7);
    EXPECT_EQ(FitProfileLine(nullptr, 0).Slope, 0);
}

TEST(ProfileTickStep, GrowsByHalvesUntilTicksAreApartOrHalfTheLengthIsReached)
{
    EXPECT_DOUBLE_EQ(ProfileTickStep(100, 490), 4.5);
    EXPECT_DOUBLE_EQ(ProfileTickStep(0.8, 490), 0.5);
    EXPECT_EQ(ProfileTickStep(0, 490), 0);
    EXPECT_EQ(ProfileTickStep(NAN, 490), 0);
    EXPECT_EQ(ProfileTickStep(5, 0), 0);
    // Against the growth step by step, over lengths from 0.01 µm to 10 mm.
    for (double length = 0.01; length < 1e4; length *= 1.37)
        for (double pixels : {10.0, 117.0, 490.0, 1900.0}) {
            const double k = pixels / length;
            double t = 0.5;
            while (length * 0.5 > t && t * k <= 20)
                t += 0.5;
            EXPECT_EQ(ProfileTickStep(length, pixels), t) << length << " µm on " << pixels;
        }
    // A length whose step-by-step growth would take years ends at once.
    const double far = ProfileTickStep(1e30, 490);
    EXPECT_NEAR(far * (490 / 1e30), 20, 1e-9); // ticks just about 20 pixels apart
    EXPECT_LT(far, 1e30);
}

TEST(HeightLabels, OneFormForAllThreeChosenByTheLargestMagnitude)
{
    using L = std::array<std::string, 3>;
    EXPECT_EQ(HeightLabels(0, 617.25, 1234.5), (L{"0", "600", "1200"}));
    EXPECT_EQ(HeightLabels(-1550, 0, 20), (L{"-1500", "0", "0"}));
    EXPECT_EQ(HeightLabels(0, 400.5, 801), (L{"0", "400", "800"}));
    EXPECT_EQ(HeightLabels(0, 6.15, 12.3), (L{"0", "6", "12"}));
    EXPECT_EQ(HeightLabels(0, 3.63, 7.26), (L{" 0.0", " 3.6", " 7.3"}));
    EXPECT_EQ(HeightLabels(0, 0, 10), (L{" 0.0", " 0.0", "10.0"}));
    EXPECT_EQ(HeightLabels(0, 0, 1e30)[2], "2147483647"); // held to the 32-bit range
}

TEST(PixelCoordinate, TruncatesAndStaysDrawable)
{
    EXPECT_EQ(PixelCoordinate(12.9), 12);
    EXPECT_EQ(PixelCoordinate(-12.9), -12);
    EXPECT_EQ(PixelCoordinate(1e12), 32767);
    EXPECT_EQ(PixelCoordinate(-INFINITY), -32768);
    EXPECT_EQ(PixelCoordinate(NAN), 0);
}

TEST(Markers, GridPointsAlongTheSegmentAndWhichGetASquare)
{
    const TSegment s{0, 0, 10, 5};
    EXPECT_EQ(MarkerGridPoint(4, 11, s), (TGridPoint{4, 2}));
    EXPECT_EQ(MarkerGridPoint(10, 11, s), (TGridPoint{10, 5}));
    EXPECT_EQ(MarkerGridPoint(3, 7, {2, 6, 5, 0}), (TGridPoint{3, 3}));
    EXPECT_EQ(MarkerGridPoint(0, 1, {4, 4, 4, 4}), (TGridPoint{4, 4}));
    std::vector<int> shown;
    for (int m = 0; m < 10; ++m)
        if (MarkerSquareShown(m, 10))
            shown.push_back(m);
    EXPECT_EQ(shown, (std::vector<int>{2, 3, 4, 5, 6, 7}));
}

TEST(MoveBoxInside, KeepsTheBoxInThePictureWithLeftAndTopWinning)
{
    const struct {
        const char* Name;
        TBoxOffset Offset;
        int Dx, Dy, PinX, PinY, BoxW, BoxH, W, H;
        TBoxOffset Expected;
    } cases[] = {
        {"free", {10, -10}, 5, -5, 100, 100, 60, 27, 570, 215, {15, -15}},
        {"at the top", {0, 0}, 10, -10, 100, 5, 60, 27, 570, 215, {10, 22}},
        {"at the right edge", {0, 0}, 10, -10, 540, 100, 60, 27, 570, 215, {-30, -10}},
        {"below the picture", {0, 0}, 0, 300, 100, 100, 60, 27, 570, 215, {0, 115}},
        {"left of the picture", {0, 0}, -200, 0, 100, 100, 60, 27, 570, 215, {-100, 0}},
        {"larger than the picture", {0, 0}, 10, -10, 10, 5, 70, 40, 50, 30, {-10, 35}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MoveBoxInside(c.Offset, c.Dx, c.Dy, c.PinX, c.PinY, c.BoxW, c.BoxH, c.W, c.H),
                  c.Expected)
            << c.Name;
}

TEST(MarkSpacingFraction, MeanSpacingOfTheMarksAsAFractionOfThePoints)
{
    EXPECT_DOUBLE_EQ(MarkSpacingFraction({10, 20, 30, 40}, 101), 30.0 / 3 / 101);
    EXPECT_DOUBLE_EQ(100 / MarkSpacingFraction({10, 20, 30, 40}, 101), 1010.0);
    // Made right to left or in any order: the same spacing, never a negative one.
    EXPECT_DOUBLE_EQ(MarkSpacingFraction({40, 10, 30, 20}, 101), 30.0 / 3 / 101);
    EXPECT_EQ(MarkSpacingFraction({12}, 101), 0);
    EXPECT_EQ(MarkSpacingFraction({7, 7}, 101), 0);
    EXPECT_EQ(MarkSpacingFraction({1, 5}, 0), 0);
}
