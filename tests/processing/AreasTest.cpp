#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "processing/Areas.h"
#include "support/TestSupport.h"

using namespace processing;
using testsupport::Near;

namespace {

std::vector<std::int32_t> Grid(int width, int height, std::int32_t (*fill)(int row, int col))
{
    std::vector<std::int32_t> v(std::size_t(width) * height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            v[std::size_t(r) * width + c] = fill(r, c);
    return v;
}

}  // namespace

TEST(Areas, NominalAndFullAreaOfFlatRampAndThinSurfaces)
{
    // Flat, 11 × 21 values with steps 2 and 3: 10 × 20 × 2 × 3 on both counts.
    const auto flat = Grid(11, 21, [](int, int) { return 17; });
    EXPECT_EQ(NominalArea(11, 21, 2, 3), 1200.0);
    EXPECT_TRUE(Near(FullArea(flat.data(), 11, 21, 2, 3, 0.7), 1200.0));
    EXPECT_TRUE(Near(AreaRatio(1200.0, FullArea(flat.data(), 11, 21, 2, 3, 0.7)), 1.0));

    // Rising by 4 raw counts (2 after scaling) from row to row: every cell is a slanted
    // rectangle dx × √(dy² + Δz²).
    const auto ramp = Grid(7, 5, [](int r, int) { return 4 * r - 9; });
    EXPECT_TRUE(Near(FullArea(ramp.data(), 7, 5, 1.5, 2.0, 0.5), 6 * 1.5 * 4 * std::sqrt(8.0)));
    const auto columns = Grid(5, 7, [](int, int c) { return 3 * c; });
    EXPECT_TRUE(Near(FullArea(columns.data(), 5, 7, 4.0, 1.0, 1.0), 4 * 5.0 * 6 * 1.0));

    // One value wide or high: no cells.
    const auto thin = Grid(1, 9, [](int r, int) { return r * r; });
    EXPECT_EQ(NominalArea(1, 9, 2, 3), 0.0);
    EXPECT_EQ(FullArea(thin.data(), 1, 9, 2, 3, 1), 0.0);
    EXPECT_EQ(FullArea(thin.data(), 9, 1, 2, 3, 1), 0.0);
    EXPECT_EQ(AreaRatio(0.0, 0.0), 0.0);
    EXPECT_EQ(AreaRatio(5.0, 0.0), 0.0);
}

TEST(Areas, HeronOfATriangleAndOfANeedleThatRoundingBends)
{
    EXPECT_TRUE(Near(HeronArea(3, 4, 5), 6.0));
    EXPECT_TRUE(Near(HeronArea(2, 2, 2), std::sqrt(3.0)));
    // 1 + 1 < 2.0000000000000004: the radicand comes out below 0, the area is 0, not NaN.
    EXPECT_EQ(HeronArea(1.0, 1.0, 2.0000000000000004), 0.0);
}

// The fast pass against its plain twin: within 1e-12 (only the order of the additions
// differs) on shapes with and without whole blocks of columns and bands of rows, and the
// same to the last bit on any number of threads (the last two shapes are big enough to be
// shared among threads).
TEST(Areas, FullAreaMatchesItsPlainTwinOnAnyNumberOfThreads)
{
    struct Case {
        int width, height;
        double dx, dy, z;
    };
    const Case cases[] = {{2, 2, 1, 1, 1},
                          {3, 200, 0.5, 2, 0.01},
                          {301, 7, 1, 1, 3},
                          {257, 131, 2.5, 0.75, 0.2},
                          {64, 65, 1e-3, 1e-3, 1e-4},
                          {333, 229, 1.5, 2.5, 0.05},
                          {258, 40, 1, 2, 0.3},
                          {70000, 2, 1, 1, 0.5},
                          // Triangles too small and too big for the roots off the
                          // square-root instruction: these are left to it.
                          {90, 11, 1e-76, 2e-76, 3e-81},
                          {90, 11, 1e+70, 2e+70, 3e+65}};
    std::mt19937 rng(77);
    for (const auto& c : cases) {
        std::vector<std::int32_t> v(std::size_t(c.width) * c.height);
        for (auto& x : v)
            x = std::int32_t(rng() % 200001) - 100000;
        const double plain = FullAreaPlain(v.data(), c.width, c.height, c.dx, c.dy, c.z);
        const double fast = FullArea(v.data(), c.width, c.height, c.dx, c.dy, c.z, 1);
        EXPECT_TRUE(Near(fast, plain))
            << c.width << "x" << c.height << ": " << fast << " " << plain;
        for (unsigned threads : {2u, 3u, 8u, 0u})
            EXPECT_EQ(FullArea(v.data(), c.width, c.height, c.dx, c.dy, c.z, threads), fast)
                << c.width << "x" << c.height << " on " << threads;
    }
    EXPECT_EQ(FullAreaPlain(nullptr, 5, 5, 1, 1, 1), 0.0);
    EXPECT_EQ(FullArea(nullptr, 5, 5, 1, 1, 1), 0.0);
}

// A single cell is summed the same way by both, so its two triangles must agree to the last
// bit: no clone of the fast pass may round an edge or a triangle differently (as a fused
// multiply-add would), whatever the heights and steps.
TEST(Areas, OneCellIsTheSameToTheLastBitAsThePlainTwin)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<std::int32_t> value(-(1 << 30), 1 << 30);
    std::uniform_real_distribution<double> step(1e-4, 50.0);
    for (int k = 0; k < 2000; ++k) {
        const std::int32_t v[4] = {value(rng), value(rng), value(rng), value(rng)};
        const double dx = step(rng), dy = step(rng), z = step(rng) * 1e-3;
        ASSERT_EQ(FullArea(v, 2, 2, dx, dy, z), FullAreaPlain(v, 2, 2, dx, dy, z))
            << v[0] << " " << v[1] << " " << v[2] << " " << v[3] << " " << dx << " " << dy;
    }
}

// The roots that the kernel takes of its triangles off the square-root instruction must be
// that instruction's to the last bit: in every range of magnitudes, next to the squares of
// doubles and next to the squares of the midpoints between them (where a root a little off
// rounds the other way), and for the values it must leave to the instruction.
TEST(Areas, RootsOfTheTrianglesAreTheSameToTheLastBitAsStdSqrt)
{
    std::vector<double> x = {0.0,
                             -0.0,
                             -1.0,
                             1.0,
                             4.0,
                             2.0,
                             0.5,
                             0x1p-1074,
                             0x1p-1022,
                             0x1p-900,
                             0x1.fffffffffffffp-901,
                             0x1p+1023,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> mantissa(1.0, 2.0);
    std::uniform_int_distribution<int> exponent(-1000, 1000);
    for (int k = 0; k < 200000; ++k)
        x.push_back(std::ldexp(mantissa(rng), exponent(rng)));
    std::uniform_int_distribution<int> narrow(-300, 300);
    for (int k = 0; k < 20000; ++k) {
        const double s = std::ldexp(mantissa(rng), narrow(rng));
        const double ulp = std::nextafter(s, 2 * s) - s;
        // s² and (s + ulp/2)², each with its neighbours.
        for (const double centre :
             {s * s, (s + ulp / 2) * (s + ulp / 2), std::ldexp(1.0, narrow(rng))})
            for (double at = std::nextafter(std::nextafter(centre, 0.0), 0.0), step = 0; step < 5;
                 ++step, at = std::nextafter(at, 2 * at + 1))
                x.push_back(at);
    }
    std::vector<double> roots(x.size() + 3);
    // Whole blocks of lanes and a part of one.
    for (const std::size_t n : {x.size(), std::size_t(5)}) {
        AreaRootsForTesting(x.data(), n, roots.data());
        for (std::size_t i = 0; i < n; ++i) {
            const double expected = std::sqrt(x[i]);
            if (std::isnan(expected))
                ASSERT_TRUE(std::isnan(roots[i])) << x[i];
            else
                ASSERT_EQ(std::memcmp(&roots[i], &expected, sizeof expected), 0)
                    << std::hexfloat << x[i] << ": " << roots[i] << " " << expected;
        }
    }
}
