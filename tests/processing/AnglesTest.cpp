#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "platform/core/Parallel.h"
#include "processing/Angles.h"

using namespace processing;

namespace {

constexpr double Pi = 3.141592653589793;

struct Matrix {
    int Width = 0, Height = 0;
    std::vector<std::int32_t> Values;
};

Matrix Make(int width, int height, const std::function<std::int64_t(int row, int col)>& fill)
{
    Matrix m{width, height, std::vector<std::int32_t>(std::size_t(width) * height)};
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            m.Values[std::size_t(r) * width + c] = std::int32_t(fill(r, c));
    return m;
}

TAngleCounts Plain(const Matrix& m, const TAngleGrid& grid, const TAngleBinning& b,
                   TAngleRegion region = {})
{
    if (region.X2 == 0 && region.Y2 == 0)
        region = WholeRegion(m.Width, m.Height);
    TAngleCounts counts;
    EXPECT_TRUE(CountAngles(m.Values.data(), m.Width, m.Height, region, grid, b, counts));
    return counts;
}

int Only(const std::vector<std::uint32_t>& counters, std::uint32_t& count)
{
    int found = -1;
    for (std::size_t k = 0; k < counters.size(); ++k)
        if (counters[k] != 1) {
            EXPECT_EQ(found, -1) << "a second counter " << k << " holds " << counters[k];
            found = int(k);
            count = counters[k];
        }
    return found;
}

}  // namespace

// A plane rising by whole raw counts puts every counted point into one bar and one sector,
// at the angles of its slope (computed here from the plane, not from the stencil). The
// 300 × 300 plane counts 297² points in one counter, beyond 16 bits.
TEST(Angles, AConstantIntegerGradientFillsOneBarAndOneSector)
{
    struct Case {
        int width, height, a, b;  // z = a × column + b × row
        TAngleGrid grid;
        int bars, sectors;
    };
    const Case cases[] = {
        {12, 9, 3, 0, {2.0, 2.0, 1.0}, 400, 16},
        {10, 11, 0, -5, {1.0, 2.5, 0.5}, 90, 36},
        {300, 300, 7, 4, {10.0, 20.0, 0.25}, 500, 360},
        {8, 8, -2, 3, {1.0, 1.0, 1.0}, 4, 8},
    };
    for (const Case& k : cases) {
        const Matrix m = Make(k.width, k.height, [&](int r, int c) { return 1000 + k.a * c + k.b * r; });
        const TAngleBinning b{-1000000, 0.0, k.bars, k.sectors};
        const TAngleCounts counts = Plain(m, k.grid, b);
        const double sx = k.a * k.grid.ZScale / k.grid.XStep, sy = k.b * k.grid.ZScale / k.grid.YStep;
        const double tilt = std::atan(std::hypot(sx, sy));
        double direction = std::atan2(sy, -sx);  // the normal's direction in the plane
        if (direction < 0)
            direction += 2 * Pi;
        const double sw = 2 * Pi / k.sectors;
        const int sector = int(std::floor((direction + sw / 2) / sw)) % k.sectors;
        const std::uint32_t points = std::uint32_t((k.width - 3) * (k.height - 3));
        std::uint32_t count = 0;
        EXPECT_EQ(Only(counts.Tilt, count), int(tilt / (Pi / (2 * k.bars)))) << k.width;
        EXPECT_EQ(count, points + 1);
        EXPECT_EQ(Only(counts.Orientation, count), sector) << k.width;
        EXPECT_EQ(count, points + 1);
    }
}

// Flat: at level 0 no point lies above the minimum, so every counter stays at 1. With the
// level just below the top, only the points at the maximum count.
TEST(Angles, TheLevelDecidesWhichPointsCount)
{
    const TAngleGrid grid{1, 1, 0.5};
    const Matrix flat = Make(9, 7, [](int, int) { return 42; });
    const TAngleCounts none = Plain(flat, grid, {42, 0.0, 400, 16});
    EXPECT_EQ(none.Tilt, std::vector<std::uint32_t>(400, 1u));
    EXPECT_EQ(none.Orientation, std::vector<std::uint32_t>(16, 1u));

    // Two peaks of 10 on a floor of 0; level (10 − 1) × 0.5 = 4.5 counts the peaks only,
    // whose normals stand straight up: tilt bar 0 and no orientation.
    const Matrix peaks = Make(9, 7, [](int r, int c) { return (r == 2 && c == 2) || (r == 3 && c == 5) ? 10 : 0; });
    const TAngleCounts top = Plain(peaks, grid, {0, 4.5, 400, 16});
    EXPECT_EQ(top.Tilt[0], 3u);
    EXPECT_EQ(top.Orientation, std::vector<std::uint32_t>(16, 1u));
}

TEST(Angles, RefusesGridsWithoutStepsAndRegionsOutsideTheMatrix)
{
    const Matrix m = Make(6, 6, [](int r, int c) { return r * c; });
    const TAngleBinning b;
    struct Case {
        TAngleGrid grid;
        TAngleRegion region;
    };
    const Case refused[] = {
        {{0, 1, 1}, WholeRegion(6, 6)},
        {{1, 0, 1}, WholeRegion(6, 6)},
        {{1, 1, INFINITY}, WholeRegion(6, 6)},
        {{NAN, 1, 1}, WholeRegion(6, 6)},
        {{1, 1, 1}, {0, 0, 6, 5, 1}},
        {{1, 1, 1}, {3, 0, 2, 5, 1}},
        {{1, 1, 1}, {0, 0, 5, 5, 0}},
    };
    for (const Case& k : refused) {
        TAngleCounts counts;
        EXPECT_FALSE(CountAngles(m.Values.data(), 6, 6, k.region, k.grid, b, counts));
        EXPECT_EQ(counts.Tilt, std::vector<std::uint32_t>(400, 1u));
        TAngleField field;
        EXPECT_FALSE(field.Compute(m.Values.data(), 6, 6, k.region, k.grid));
        EXPECT_TRUE(field.Empty());
        counts.Tilt.assign(3, 7u);
        EXPECT_FALSE(field.Compute(m.Values.data(), 6, 6, k.region, k.grid, b, counts));
        EXPECT_TRUE(field.Empty());
        EXPECT_EQ(counts.Tilt, std::vector<std::uint32_t>(400, 1u));
    }
    // Too small for an interior: computed, nothing counted.
    const Matrix tiny = Make(3, 1, [](int, int) { return 5; });
    TAngleCounts counts;
    EXPECT_TRUE(CountAngles(tiny.Values.data(), 3, 1, WholeRegion(3, 1), {1, 1, 1}, {0, -1.0, 4, 8}, counts));
    EXPECT_EQ(counts.Tilt, std::vector<std::uint32_t>(4, 1u));
}

// The kept-code binning gives the plain counters exactly, for rough and for smooth
// surfaces (whose slopes sit on bar and sector boundaries: 45°, 0°, 90° directions), with
// regions, sampling distances, levels and every bar and sector count that matters.
TEST(Angles, TheFieldBinsExactlyAsThePlainAnalysis)
{
    std::mt19937 rng(20261210);
    std::uniform_int_distribution<int> noise(-400, 400);
    const Matrix rough = Make(131, 97, [&](int, int) { return noise(rng); });
    const Matrix slope45 = Make(40, 30, [](int r, int c) { return 4 * c + 4 * r; });
    const Matrix ridges = Make(64, 48, [](int r, int c) { return ((c / 3) % 2) * 6 - ((r / 5) % 3) * 2; });
    const Matrix dome = Make(90, 70, [](int r, int c) {
        return std::int64_t(std::lround(300 * std::cos((c - 45) / 20.0) * std::cos((r - 35) / 17.0)));
    });
    // Tall enough for bands of rows wholly above and wholly below the level, and large
    // enough to run on several threads.
    // Rows of three and of five interior points: shorter than four points at a time, and
    // one point beyond them.
    const Matrix narrow = Make(5, 12, [&](int, int) { return noise(rng); });
    const Matrix five = Make(7, 12, [&](int, int) { return noise(rng); });
    const Matrix tilted = Make(300, 260, [&](int r, int c) { return 40 * r + ((r * 7 + c * 13) % 11) * 3 - c; });
    // Heights whose stencil sums leave 32 bits in the lower rows only (some bands of rows
    // small, some not, one with both), and heights over the whole 32-bit range.
    const Matrix steep = Make(75, 90, [&](int r, int) { return r < 40 ? noise(rng) : std::int64_t(noise(rng)) << 21; });
    std::uniform_int_distribution<std::int32_t> anyHeight(std::numeric_limits<std::int32_t>::min(),
                                                          std::numeric_limits<std::int32_t>::max());
    const Matrix wild = Make(41, 20, [&](int, int) { return anyHeight(rng); });
    struct Surface {
        const Matrix* m;
        TAngleGrid grid;
        TAngleRegion region;
    };
    const Surface surfaces[] = {
        {&rough, {1, 1, 0.01}, WholeRegion(131, 97)},
        {&rough, {3, 2, 1}, {5, 7, 120, 90, 2}},
        {&slope45, {1, 1, 0.25}, WholeRegion(40, 30)},
        {&slope45, {4, 4, 1}, WholeRegion(40, 30)},
        {&ridges, {1, 1, 1}, WholeRegion(64, 48)},
        {&narrow, {1, 2, 0.01}, WholeRegion(5, 12)},
        {&five, {2, 1, 0.01}, WholeRegion(7, 12)},
        {&dome, {5, 5, 0.2}, WholeRegion(90, 70)},
        {&dome, {-5, 5, 0.2}, {10, 10, 80, 60, 3}},
        {&tilted, {2, 3, 0.05}, WholeRegion(300, 260)},
        {&tilted, {2, 3, -0.05}, WholeRegion(300, 260)},
        {&steep, {1, 1, 1e-6}, WholeRegion(75, 90)},
        {&steep, {2, 1, 1e-6}, {3, 20, 70, 89, 2}},
        {&wild, {1, 1, 1e-9}, WholeRegion(41, 20)},
        // Scales far from 1 either way: within what the codes hold, then beyond it, binned
        // without the codes.
        {&rough, {1e40, 1e40, 1e-5}, WholeRegion(131, 97)},
        {&dome, {1e-40, 2e-40, 1e-5}, WholeRegion(90, 70)},
        {&rough, {1, 1, 1e-95}, WholeRegion(131, 97)},
        {&rough, {1e60, 2e60, 1e-20}, WholeRegion(131, 97)},
        {&dome, {1e-3, 1e-3, 1e85}, WholeRegion(90, 70)},
    };
    const int bars[] = {4, 7, 90, 400, 500};
    const int sectors[] = {8, 9, 16, 45, 360};
    for (const Surface& s : surfaces) {
        TAngleField field;
        ASSERT_TRUE(field.Compute(s.m->Values.data(), s.m->Width, s.m->Height, s.region, s.grid, 0));
        std::int32_t lo = 0, hi = 0;
        ASSERT_TRUE(FindAngleRange(s.m->Values.data(), s.m->Width, s.m->Height, s.region, lo, hi));
        for (int i = 0; i < 5; ++i)
            for (const double level : {-1.0, 0.0, (double(hi) - lo) * s.grid.ZScale * 0.5}) {
                const TAngleBinning b{lo, level, bars[i], sectors[(i * 3 + int(level > 0)) % 5]};
                TAngleCounts plain, fast;
                ASSERT_TRUE(CountAngles(s.m->Values.data(), s.m->Width, s.m->Height, s.region, s.grid, b, plain));
                field.Bin(s.m->Values.data(), b, fast, 0);
                EXPECT_EQ(fast.Tilt, plain.Tilt) << "bars " << b.Bars << " level " << level;
                EXPECT_EQ(fast.Orientation, plain.Orientation) << "sectors " << b.Sectors;
                // Computed and binned in one pass.
                TAngleField once;
                TAngleCounts first;
                ASSERT_TRUE(once.Compute(s.m->Values.data(), s.m->Width, s.m->Height, s.region, s.grid, b, first, 0));
                EXPECT_EQ(first.Tilt, plain.Tilt) << "bars " << b.Bars << " level " << level;
                EXPECT_EQ(first.Orientation, plain.Orientation) << "sectors " << b.Sectors;
            }
    }
}

TEST(Angles, RangeOfARegion)
{
    const Matrix m = Make(5, 4, [](int r, int c) { return r == 3 && c == 4 ? -50 : r * 10 + c; });
    std::int32_t lo = 0, hi = 0;
    ASSERT_TRUE(FindAngleRange(m.Values.data(), 5, 4, WholeRegion(5, 4), lo, hi));
    EXPECT_EQ(lo, -50);
    EXPECT_EQ(hi, 33);
    ASSERT_TRUE(FindAngleRange(m.Values.data(), 5, 4, {1, 1, 2, 2, 1}, lo, hi));
    EXPECT_EQ(lo, 11);
    EXPECT_EQ(hi, 22);
    EXPECT_FALSE(FindAngleRange(m.Values.data(), 5, 4, {0, 0, 5, 3, 1}, lo, hi));
}

// d = trunc((bar + 2) × 2 / bars × 90) for the highest bar above 4 holding at least 1 % of
// the most frequent bar, 4 when none does; at most 90.
TEST(Angles, FitVisibleDegreesAndTheMeanTilt)
{
    std::vector<std::uint32_t> tilt(400, 1u);
    tilt[20] = 1000;
    tilt[50] = 10;   // exactly 1 %
    tilt[60] = 9;    // below
    EXPECT_EQ(FitVisibleDegrees(tilt), int(52 * 2 / 400.0 * 90));  // 23
    tilt[50] = 9;
    EXPECT_EQ(FitVisibleDegrees(tilt), int(22 * 2 / 400.0 * 90));  // bar 20 itself: 9
    std::vector<std::uint32_t> flat(400, 1u);
    EXPECT_EQ(FitVisibleDegrees(flat), 90);                        // bar 399 holds as much as bar 0
    std::vector<std::uint32_t> low(400, 0u);
    low[0] = 1000;
    EXPECT_EQ(FitVisibleDegrees(low), 2);                          // none above 4 qualifies
    std::vector<std::uint32_t> wide(8, 1u);
    wide[7] = 5;
    EXPECT_EQ(FitVisibleDegrees(wide), 90);                        // (7 + 2) × 2 / 8 × 90 > 90

    std::vector<std::uint32_t> two(90, 1u);
    two[10] = 4;  // 3 points at 10.5°
    two[30] = 2;  // 1 point at 30.5°
    EXPECT_DOUBLE_EQ(MeanTiltDegrees(two), (3 * 10.5 + 30.5) / 4);
    EXPECT_EQ(MeanTiltDegrees(std::vector<std::uint32_t>(90, 1u)), 0.0);
}

// One field re-binned through a run of settings, where each step changes only the bars,
// only the sectors or only the level, counts as a fresh field and as the plain analysis.
// A kept field re-bins one change after another (the bars alone, the sectors alone, the
// level alone, several at once, none) as a fresh computation and the plain analysis count,
// whichever way the heights are scaled.
TEST(Angles, ReBinningOneFieldEqualsAFreshComputation)
{
    std::mt19937 rng(7013);
    std::uniform_int_distribution<int> noise(-60, 60);
    const Matrix m = Make(257, 203, [&](int r, int c) {
        return std::int64_t(std::lround(900 * std::sin(r / 23.0) * std::cos(c / 31.0))) + noise(rng);
    });
    const TAngleRegion region = WholeRegion(m.Width, m.Height);
    std::int32_t lo = 0, hi = 0;
    ASSERT_TRUE(FindAngleRange(m.Values.data(), m.Width, m.Height, region, lo, hi));
    for (const double zs : {0.07, -0.07, 0.0}) {
        const TAngleGrid grid{4, 3, zs};
        const double top = (hi - lo) * std::fabs(zs);
        const double sign = zs < 0 ? -1 : 1;  // heights below the minimum count when scaled down
        const TAngleBinning steps[] = {
            {lo, 0.0, 400, 16},          {lo, 0.0, 90, 16},          {lo, 0.0, 90, 360},
            {lo, top * 0.3, 90, 360},    {lo, top * 0.3, 500, 360},  {lo, top * 0.3, 500, 8},
            {lo, top * 0.9, 500, 8},     {lo, top * 0.4, 500, 8},    {lo, top * 0.9, 4, 9},
            {lo, top * 0.9, 4, 9},       {lo, -1.0, 4, 9},           {lo, top, 400, 16},
            {lo, 0.0, 400, 16},          {lo, std::nan(""), 400, 16}, {lo, top * 0.5, 400, 16},
            {lo, -sign * top * 0.2, 400, 16}, {lo + 50, -sign * top * 0.2, 400, 16}, {lo + 50, 0.0, 400, 16},
            // Back and forth at one level, and back to a level left before.
            {lo + 50, 0.0, 90, 16},      {lo + 50, top * 0.5, 90, 16}, {lo + 50, 0.0, 90, 16},
            {lo + 50, 0.0, 400, 16},     {lo + 50, 0.0, 400, 360},   {lo + 50, 0.0, 400, 16},
            {lo + 50, 0.0, 90, 16},
        };
        TAngleField kept;
        ASSERT_TRUE(kept.Compute(m.Values.data(), m.Width, m.Height, region, grid, 0));
        for (const TAngleBinning& b : steps) {
            TAngleCounts again, fresh;
            kept.Bin(m.Values.data(), b, again, 0);
            TAngleField field;
            ASSERT_TRUE(field.Compute(m.Values.data(), m.Width, m.Height, region, grid, b, fresh, 1));
            const TAngleCounts plain = Plain(m, grid, b);
            EXPECT_EQ(again.Tilt, fresh.Tilt) << "bars " << b.Bars << " level " << b.Level << " scale " << zs;
            EXPECT_EQ(again.Orientation, fresh.Orientation) << "sectors " << b.Sectors << " level " << b.Level;
            EXPECT_EQ(again.Tilt, plain.Tilt) << "bars " << b.Bars << " level " << b.Level << " scale " << zs;
            EXPECT_EQ(again.Orientation, plain.Orientation) << "sectors " << b.Sectors << " level " << b.Level;
        }
        // The same field computed again for other heights keeps nothing of the first.
        Matrix other = m;
        for (std::int32_t& v : other.Values)
            v = v / 2 + 17;
        ASSERT_TRUE(kept.Compute(other.Values.data(), m.Width, m.Height, region, grid, 0));
        for (const TAngleBinning& b : {TAngleBinning{lo + 50, 0.0, 90, 16}, TAngleBinning{lo + 50, 0.0, 400, 16},
                                       TAngleBinning{lo + 50, 0.0, 400, 360}}) {
            TAngleCounts again;
            kept.Bin(other.Values.data(), b, again, 0);
            const TAngleCounts plain = Plain(other, grid, b);
            EXPECT_EQ(again.Tilt, plain.Tilt) << "bars " << b.Bars << " scale " << zs;
            EXPECT_EQ(again.Orientation, plain.Orientation) << "sectors " << b.Sectors << " scale " << zs;
        }
    }
}

// A piece of work that fails leaves no field with codes half made: the field is empty, and
// the next computation counts as the plain analysis.
TEST(Angles, AFailingPieceOfWorkLeavesTheFieldEmpty)
{
    const Matrix m = Make(300, 260, [](int r, int c) { return 40 * r + ((r * 7 + c * 13) % 11) * 3 - c; });
    const TAngleGrid grid{2, 3, 0.05};
    const TAngleRegion region = WholeRegion(300, 260);
    const TAngleBinning b{-100000, 0.0, 90, 16};
    for (const bool together : {false, true}) {
        TAngleField field;
        TAngleCounts counts;
        platform::FailParallelItemForTesting(2);
        if (together)
            EXPECT_THROW(field.Compute(m.Values.data(), 300, 260, region, grid, b, counts, 0), std::bad_alloc);
        else
            EXPECT_THROW(field.Compute(m.Values.data(), 300, 260, region, grid, 0), std::bad_alloc);
        platform::FailParallelItemForTesting(SIZE_MAX);
        EXPECT_TRUE(field.Empty());
        ASSERT_TRUE(field.Compute(m.Values.data(), 300, 260, region, grid, b, counts, 1));
        EXPECT_EQ(counts.Tilt, Plain(m, grid, b).Tilt);
    }
}

// A change of level alone counts as the plain analysis whether the heights span few raw
// values (counted from the counts of each height) or very many (the points between the two
// levels looked at one by one), across changes of the minimum, of the bars and sectors in
// between, levels beyond every height and one that is not a number, and after the field is
// computed again for other heights.
TEST(Angles, AChangeOfLevelCountsAsThePlainAnalysisForAnySpanOfHeights)
{
    std::mt19937 rng(2412);
    std::uniform_int_distribution<int> noise(-50, 50);
    const auto surface = [&](std::int64_t scale, std::int64_t shift) {
        return Make(203, 151, [&, scale, shift](int r, int c) {
            return (std::int64_t(std::lround(800 * std::sin(r / 19.0) * std::cos(c / 27.0))) + noise(rng)) * scale +
                   shift;
        });
    };
    const Matrix few = surface(1, 0), many = surface(60000, 0), moved = surface(1, 123);
    const Matrix extremes = Make(203, 151, [&](int r, int c) {
        return (r * 7 + c * 13) % 5 == 0 ? std::int64_t(INT32_MIN) : (r + c) % 9 == 0 ? INT32_MAX : noise(rng) * 1000;
    });
    for (const Matrix* m : {&few, &many, &extremes})
        for (const double zs : {0.5, -0.5}) {
            const TAngleGrid grid{3, 4, zs / double(m == &many ? 60000 : 1)};
            const TAngleRegion region = WholeRegion(m->Width, m->Height);
            std::int32_t lo = 0, hi = 0;
            ASSERT_TRUE(FindAngleRange(m->Values.data(), m->Width, m->Height, region, lo, hi));
            const double top = (double(hi) - lo) * std::fabs(grid.ZScale), sign = zs < 0 ? -1 : 1;
            const TAngleBinning steps[] = {
                {lo, top * 0.5, 500, 360},  {lo, top * 0.55, 500, 360}, {lo, top * 0.45, 500, 360},
                {lo, top * 0.55, 500, 360}, {lo, -1.0, 500, 360},       {lo, top * 2, 500, 360},
                {lo, top * 0.3, 500, 360},  {lo + 40, top * 0.3, 500, 360}, {lo + 40, sign * top * 0.3, 500, 360},
                {lo, std::nan(""), 500, 360}, {lo, top * 0.6, 500, 360}, {lo, top * 0.6, 7, 360},
                {lo, top * 0.2, 7, 360},    {lo, top * 0.2, 7, 9},      {lo, top * 0.7, 7, 9},
                {lo, top * 0.5, 500, 360},  {lo, top * 0.25, 500, 360},
            };
            TAngleField field;
            ASSERT_TRUE(field.Compute(m->Values.data(), m->Width, m->Height, region, grid, 0));
            for (const TAngleBinning& b : steps) {
                TAngleCounts counts;
                field.Bin(m->Values.data(), b, counts, 0);
                const TAngleCounts plain = Plain(*m, grid, b);
                EXPECT_EQ(counts.Tilt, plain.Tilt) << "level " << b.Level << " bars " << b.Bars << " scale " << zs;
                EXPECT_EQ(counts.Orientation, plain.Orientation) << "level " << b.Level << " scale " << zs;
            }
            if (m != &few)
                continue;
            // Computed again for the same heights moved up: nothing of the first is kept.
            ASSERT_TRUE(field.Compute(moved.Values.data(), m->Width, m->Height, region, grid, 0));
            for (const double level : {top * 0.5, top * 0.4}) {
                const TAngleBinning b{lo, level, 500, 360};
                TAngleCounts counts;
                field.Bin(moved.Values.data(), b, counts, 0);
                const TAngleCounts plain = Plain(moved, grid, b);
                EXPECT_EQ(counts.Tilt, plain.Tilt) << "level " << level << " scale " << zs;
                EXPECT_EQ(counts.Orientation, plain.Orientation) << "level " << level << " scale " << zs;
            }
        }
}

// A change of bars or of sectors alone bins the points near a boundary exactly, both where
// they are few and where they are too many to keep: on a plane every normal is the same,
// and its direction (45°) lies on a boundary of 4 and of 12 sectors, its tilt on one of 2
// and of 6 bars.
TEST(Angles, AChangeOfBarsOrSectorsBinsPointsOnABoundaryExactly)
{
    std::mt19937 rng(24);
    std::uniform_int_distribution<int> noise(-3, 3);
    const Matrix plane = Make(60, 50, [](int r, int c) { return 5 * c + 5 * r; });
    const Matrix rough = Make(90, 80, [&](int r, int c) { return 5 * c + 5 * r + noise(rng); });
    for (const Matrix* m : {&plane, &rough}) {
        // Sobel sums of 40 in x and y: at steps of 0.1 the plane rises at 45° in a direction of 45°.
        const TAngleGrid grid{0.1, 0.1, 0.02 * std::sqrt(0.5)};
        const TAngleRegion region = WholeRegion(m->Width, m->Height);
        TAngleField field;
        ASSERT_TRUE(field.Compute(m->Values.data(), m->Width, m->Height, region, grid, 0));
        const TAngleBinning steps[] = {
            {0, -1.0, 400, 16}, {0, -1.0, 400, 4}, {0, -1.0, 400, 12}, {0, -1.0, 400, 4}, {0, -1.0, 2, 4},
            {0, -1.0, 6, 4},    {0, -1.0, 2, 4},   {0, 20.0, 2, 4},    {0, 20.0, 6, 4},   {0, 20.0, 6, 12},
        };
        for (const TAngleBinning& b : steps) {
            TAngleCounts counts;
            field.Bin(m->Values.data(), b, counts, 0);
            const TAngleCounts plain = Plain(*m, grid, b);
            EXPECT_EQ(counts.Tilt, plain.Tilt) << "bars " << b.Bars << " level " << b.Level;
            EXPECT_EQ(counts.Orientation, plain.Orientation) << "sectors " << b.Sectors << " level " << b.Level;
        }
    }
}

// Points near a boundary kept by one change of sectors (or bars) serve the next ones, at
// other levels too, on a field of more bands of rows than the pieces that count per code.
TEST(Angles, PointsKeptNearABoundaryServeLaterChanges)
{
    std::mt19937 rng(2424);
    std::uniform_int_distribution<int> noise(-300, 300);
    const Matrix m = Make(120, 420, [&](int r, int) { return r * 3 + noise(rng); });
    const TAngleGrid grid{1, 1, 0.01};
    const TAngleRegion region = WholeRegion(m.Width, m.Height);
    TAngleField field;
    ASSERT_TRUE(field.Compute(m.Values.data(), m.Width, m.Height, region, grid, 0));
    const std::int32_t lo = -400;
    const TAngleBinning steps[] = {
        {lo, 2.0, 400, 16}, {lo, 2.0, 400, 360}, {lo, 2.0, 400, 16},  {lo, 2.0, 400, 45},  {lo, 2.0, 400, 360},
        {lo, 9.0, 400, 360}, {lo, 9.0, 400, 9},  {lo, 9.0, 400, 45},  {lo, 9.0, 400, 360}, {lo, 2.0, 400, 360},
        {lo, 2.0, 400, 9},  {lo, 2.0, 90, 9},    {lo, 2.0, 400, 9},   {lo, 9.0, 400, 9},   {lo, 9.0, 90, 9},
        {lo, 9.0, 7, 9},    {lo, 2.0, 7, 9},     {lo, 2.0, 90, 9},
    };
    for (const TAngleBinning& b : steps) {
        TAngleCounts counts;
        field.Bin(m.Values.data(), b, counts, 0);
        const TAngleCounts plain = Plain(m, grid, b);
        EXPECT_EQ(counts.Tilt, plain.Tilt) << "bars " << b.Bars << " level " << b.Level;
        EXPECT_EQ(counts.Orientation, plain.Orientation) << "sectors " << b.Sectors << " level " << b.Level;
    }
}
