#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>

#include "plugins/quindle/Multifractal.h"
#include "plugins/quindle/QuindleFixtures.h"
#include "support/TestSupport.h"

using namespace quindle;

namespace {

// Levels given directly, row by row.
TLevels Grid(const std::vector<std::vector<int>>& rows)
{
    TLevels levels;
    levels.Height = static_cast<std::int32_t>(rows.size());
    levels.Width = static_cast<std::int32_t>(rows[0].size());
    for (const auto& row : rows)
        for (int l : row)
            levels.Level.push_back(static_cast<std::uint8_t>(l));
    return levels;
}

bool RelativelyNear(double actual, double expected, double relative)
{
    return std::fabs(actual - expected) <= relative * std::fabs(expected);
}

}  // namespace

TEST(Levels, OfAKnownMatrix)
{
    // Minimum -10, maximum 245: the level is the value + 10. Mean 620 / 6 = 103;
    // deviations 103² + 93² + 3² + 152² + 152² + 103² = 76084, / 6 = 12680, sqrt 112.6.
    const std::vector<std::int32_t> values{-10, 0, 90, 245, 245, -10};
    TLevels levels;
    ASSERT_EQ(NormaliseLevels(values.data(), 3, 2, levels), TLevelsStatus::Ok);
    EXPECT_EQ(levels.Width, 3);
    EXPECT_EQ(levels.Height, 2);
    EXPECT_EQ(levels.Minimum, -10);
    EXPECT_EQ(levels.Maximum, 245);
    EXPECT_EQ(std::vector<std::uint8_t>(levels.Level.begin(), levels.Level.end()),
              (std::vector<std::uint8_t>{0, 10, 100, 255, 255, 0}));
    EXPECT_EQ(levels.At(2, 0), 100);
    EXPECT_EQ(levels.At(0, 1), 255);
    EXPECT_EQ(levels.Mean, 103);
    EXPECT_FLOAT_EQ(levels.Sigma, static_cast<float>(std::sqrt(12680.0)));
    EXPECT_EQ(levels.R, 112);
}

TEST(Levels, TruncateInSixtyFourBitsOverTheWholeRange)
{
    // (v - min) * 255 overflows 32 bits for ranges above 8,421,504.
    const std::int32_t lo = INT_MIN;
    const std::int32_t hi = INT_MAX;
    EXPECT_EQ(LevelOf(lo, lo, hi), 0);
    EXPECT_EQ(LevelOf(hi, lo, hi), 255);
    EXPECT_EQ(LevelOf(0, lo, hi), 127);  // 2^31 * 255 / (2^32 - 1) = 127.5...
    EXPECT_EQ(LevelOf(-1, lo, hi), 127);
    EXPECT_EQ(LevelOf(8, 3, 8), 255);
    EXPECT_EQ(LevelOf(4, 3, 8), 51);  // exactly 255 / 5
    EXPECT_EQ(LevelOf(5, 3, 9), 85);  // 2 * 255 / 6 = 85 exactly

    // The conversion over a whole channel agrees with the plain one on every value:
    // extremes, exact multiples and random values of several ranges.
    std::mt19937 random(7);
    for (auto [low, high] : {std::pair{INT_MIN, INT_MAX}, {-3, 8421505}, {0, 255}, {-1000, 999}, {5, 6}}) {
        std::uniform_int_distribution<std::int32_t> pick(low, high);
        std::vector<std::int32_t> values{low, high};
        const std::int64_t range = std::int64_t(high) - low;
        for (int k = 1; k < 255; ++k)  // the values that fall exactly on a level
            if (range * k % 255 == 0)
                values.push_back(static_cast<std::int32_t>(low + range * k / 255));
        for (int i = 0; i < 2000; ++i)
            values.push_back(pick(random));
        TLevels levels;
        ASSERT_EQ(NormaliseLevels(values.data(), static_cast<std::int32_t>(values.size()), 1, levels),
                  TLevelsStatus::Ok);
        for (std::size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(levels.Level[i], LevelOf(values[i], low, high)) << values[i] << " in " << low << ".." << high;
    }
}

TEST(Levels, SumsDoNotOverflowOnALargeTwoValuedChannel)
{
    // 1024 x 1024, half at the minimum and half at the maximum: the squared deviations
    // add up to about 1.7e10, far beyond 32 bits.
    std::vector<std::int32_t> values(1024 * 1024, -5);
    std::fill(values.begin(), values.begin() + values.size() / 2, 70000000);
    TLevels levels;
    ASSERT_EQ(NormaliseLevels(values.data(), 1024, 1024, levels), TLevelsStatus::Ok);
    EXPECT_EQ(levels.Mean, 127);
    // (127² + 128²) / 2 = 16256.5, truncated to 16256 before the square root.
    EXPECT_FLOAT_EQ(levels.Sigma, static_cast<float>(std::sqrt(16256.0)));
    EXPECT_EQ(levels.R, 127);
}

TEST(Levels, RefusesWhatCannotBeTurnedIntoLevels)
{
    const std::vector<std::int32_t> flat(12, 42);
    const std::int32_t one = 5;
    struct Case {
        const std::int32_t* Data;
        std::int32_t Width;
        std::int32_t Height;
        TLevelsStatus Status;
    } cases[] = {
        {nullptr, 3, 4, TLevelsStatus::NoData}, {flat.data(), 0, 4, TLevelsStatus::NoData},
        {flat.data(), 3, 0, TLevelsStatus::NoData}, {flat.data(), -3, -4, TLevelsStatus::NoData},
        {flat.data(), 3, 4, TLevelsStatus::Flat},   {&one, 1, 1, TLevelsStatus::Flat},
    };
    for (const Case& c : cases) {
        TLevels levels;
        levels.Mean = 77;
        EXPECT_EQ(NormaliseLevels(c.Data, c.Width, c.Height, levels), c.Status) << c.Width << "x" << c.Height;
        EXPECT_EQ(levels.Mean, 77);  // nothing kept
    }
}

TEST(Band, IsKeptWithinTheTableAndDividedByTwoR)
{
    struct Case {
        int Mean, R, Low, High, Divisor;
    } cases[] = {
        {100, 12, 88, 112, 24},  // 25 levels, divided by 24
        {25, 76, 0, 101, 152},   // skewed down: cut at 0
        {250, 10, 240, 254, 20}, // cut below the maximum's level 255
        {127, 127, 0, 254, 254},
    };
    for (const Case& c : cases) {
        TLevels levels;
        levels.Mean = c.Mean;
        levels.R = c.R;
        const TBand band = AnalysedBand(levels);
        EXPECT_EQ(band.Low, c.Low) << c.Mean << " " << c.R;
        EXPECT_EQ(band.High, c.High) << c.Mean << " " << c.R;
        EXPECT_EQ(band.Divisor, c.Divisor) << c.Mean << " " << c.R;
    }
}

TEST(ClusterCounts, OnHandDrawnGrids)
{
    struct Case {
        const char* What;
        std::vector<std::vector<int>> Rows;
        int Level;
        TLevelCounts Counts;  // full, three, edges along X, edges along Y
    } cases[] = {
        {"a side along X at the level, and the top border", {{5, 5}, {0, 0}}, 5, {0, 0, 2, 0}},
        {"a side along Y at the level, and the left border", {{5, 0}, {5, 0}}, 5, {0, 0, 0, 2}},
        {"corners touching diagonally", {{5, 0}, {0, 5}}, 5, {0, 0, 0, 0}},
        {"two corners above the level add no length", {{9, 9}, {0, 0}}, 5, {0, 0, 0, 0}},
        {"three corners", {{5, 6}, {7, 0}}, 5, {0, 1, 0, 0}},
        {"four corners, all borders at the level", {{5, 5}, {5, 5}}, 5, {1, 0, 2, 2}},
        {"four corners above the level", {{6, 9}, {8, 7}}, 5, {1, 0, 0, 0}},
        {"a level above every corner", {{6, 9}, {8, 7}}, 10, {0, 0, 0, 0}},
        {"a hole: four sides inside, twelve border steps, four corner cells",
         {{10, 10, 10, 10}, {10, 0, 0, 10}, {10, 0, 0, 10}, {10, 10, 10, 10}}, 10, {0, 4, 8, 8}},
        {"one row: its border counts as top and as bottom", {{5, 5, 5}}, 5, {0, 0, 4, 0}},
        {"one column: its border counts as left and as right", {{5}, {5}, {3}}, 5, {0, 0, 0, 2}},
        {"a step on the right border", {{1, 2, 7}, {1, 2, 7}}, 7, {0, 0, 0, 2}},
    };
    for (const Case& c : cases) {
        const TLevels levels = Grid(c.Rows);
        EXPECT_EQ(CountLevel(levels, c.Level), c.Counts) << c.What;
        EXPECT_EQ(CountAllLevels(levels, 1)[c.Level], c.Counts) << c.What;
    }
}

TEST(ClusterCounts, OnePassEqualsLevelByLevelOnEveryShapeAndThreadCount)
{
    std::mt19937 random(3);
    // 300 x 500 is split into bands of rows: no cell is lost or counted twice where they meet.
    for (auto [w, h] : {std::pair{37, 23}, {23, 37}, {1, 19}, {19, 1}, {2, 2}, {64, 300}, {3, 40000}, {300, 500}}) {
        // Few distinct levels make many equal neighbours; 254 and 255 are the last levels
        // with and without a table entry.
        const std::uint8_t choices[] = {0, 1, 40, 80, 120, 200, 254, 255};
        std::uniform_int_distribution<int> pick(0, 7);
        std::vector<std::uint8_t> raw(static_cast<std::size_t>(w) * h);
        for (auto& l : raw)
            l = choices[pick(random)];
        TLevels levels;
        levels.Width = w;
        levels.Height = h;
        levels.Level.assign(raw.begin(), raw.end());
        const TCountTable single = CountAllLevels(levels, 1);
        for (int a = 0; a < TableSize; ++a)
            ASSERT_EQ(single[a], CountLevel(levels, a)) << w << "x" << h << " level " << a;
        for (unsigned threads : {2u, 3u, 8u, 0u})
            ASSERT_EQ(CountAllLevels(levels, threads), single) << w << "x" << h << " threads " << threads;
    }
}

TEST(AreaPerimeter, FromCountsAndSteps)
{
    const TLevelCounts counts{2, 1, 3, 4};
    // S = 2 * 1.5 * 2.5 + 1.5 * 2.5 / 2; L = 3 * 1.5 + 4 * 2.5 + sqrt(1.5² + 2.5²).
    const double s = 2 * 3.75 + 1.875;
    const double l = 4.5 + 10 + std::sqrt(8.5);
    for (auto [dx, dy] : {std::pair{1.5f, 2.5f}, {-1.5f, 2.5f}}) {
        const TAreaPerimeter ap = AreaPerimeter(counts, dx, dy);
        EXPECT_FLOAT_EQ(ap.S, static_cast<float>(s));  // an absolute value
        if (dx > 0) {
            EXPECT_FLOAT_EQ(ap.L, static_cast<float>(l));
        } else {
            EXPECT_FLOAT_EQ(ap.L, static_cast<float>(std::fabs(-4.5 + 10 + std::sqrt(8.5))));
        }
    }
}

TEST(LevelRatio, IsZeroWithoutALogarithm)
{
    const double e = std::exp(1.0);
    struct Case {
        float S, L, Ratio;
    } cases[] = {
        {0, 5, 0},
        {5, 0, 0},
        {5, 1, 0},  // ln L = 0
        {static_cast<float>(e * e), static_cast<float>(e), 2},
        {100, 10, 2},
        {0.5f, 10, static_cast<float>(std::log(0.5) / std::log(10))},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(LevelRatio({c.S, c.L}), c.Ratio) << c.S << " " << c.L;
}

TEST(Dimension, MatchesTheAlgorithmOnNonSquareChannelsWithOtherXAndYSteps)
{
    for (auto [w, h, dx, dy] : {std::tuple{48, 64, 1.5f, 2.5f}, {64, 48, 2.5f, 1.5f}, {97, 31, 10.0f, 0.75f}}) {
        const auto values = quindletest::Surface(w, h);
        const auto ref = quindletest::ReferenceDimension(values, w, h, dx, dy);
        TLevels levels;
        ASSERT_EQ(NormaliseLevels(values.data(), w, h, levels), TLevelsStatus::Ok);
        EXPECT_EQ(levels.Mean, ref.Mean);
        EXPECT_EQ(levels.R, ref.R);
        ASSERT_GT(ref.R, 5);
        platform::ProgressRecorder progress;
        TDimension result;
        ASSERT_TRUE(ComputeLevelRatios(levels, dx, dy, progress, result));
        EXPECT_EQ(result.Band.Low, ref.Low);
        EXPECT_EQ(result.Band.High, ref.High);
        for (int a = ref.Low; a <= ref.High; ++a) {
            EXPECT_TRUE(RelativelyNear(result.Table[a].S, ref.S[a], 1e-6)) << a << ": " << result.Table[a].S << " " << ref.S[a];
            EXPECT_TRUE(RelativelyNear(result.Table[a].L, ref.L[a], 1e-6)) << a << ": " << result.Table[a].L << " " << ref.L[a];
            EXPECT_TRUE(RelativelyNear(result.Ratio[a], ref.Ratio[a], 1e-6)) << a;
        }
        EXPECT_TRUE(result.Defined());
        EXPECT_TRUE(RelativelyNear(result.D, ref.D, 1e-5)) << result.D << " " << ref.D;
    }
}

TEST(Dimension, IsBitIdenticalOnAnyNumberOfThreads)
{
    // Large enough for several parts of points and of cell rows.
    const auto values = quindletest::Surface(600, 400, 5);
    TLevels one;
    ASSERT_EQ(NormaliseLevels(values.data(), 600, 400, one, 1), TLevelsStatus::Ok);
    platform::NullProgress progress;
    TDimension alone;
    ASSERT_TRUE(ComputeLevelRatios(one, 0.7f, 1.3f, progress, alone, 1));
    for (unsigned threads : {2u, 3u, 8u, 0u}) {
        TLevels many;
        ASSERT_EQ(NormaliseLevels(values.data(), 600, 400, many, threads), TLevelsStatus::Ok);
        EXPECT_EQ(many.Level, one.Level) << threads;
        EXPECT_EQ(many.Mean, one.Mean);
        EXPECT_EQ(many.R, one.R);
        TDimension together;
        ASSERT_TRUE(ComputeLevelRatios(many, 0.7f, 1.3f, progress, together, threads));
        EXPECT_EQ(std::memcmp(&together.Table, &alone.Table, sizeof alone.Table), 0) << threads;
        EXPECT_EQ(std::memcmp(&together.Ratio, &alone.Ratio, sizeof alone.Ratio), 0) << threads;
        EXPECT_EQ(std::memcmp(&together.D, &alone.D, sizeof alone.D), 0) << threads;
    }
}

TEST(Dimension, LevelsWithoutAreaStillCountInTheDivisor)
{
    // Mean 1, r = 1: levels 0..2, divided by 2. Level 0: one full cell but no perimeter
    // (ratio 0); level 1: a three-corner cell; level 2: a side and a border along X, no
    // area (ratio 0).
    TLevels levels = Grid({{0, 1}, {2, 2}});
    levels.Mean = 1;
    levels.R = 1;
    platform::ProgressRecorder progress;
    TDimension result;
    ASSERT_TRUE(ComputeLevelRatios(levels, 10, 10, progress, result));
    EXPECT_FLOAT_EQ(result.Table[0].S, 100);
    EXPECT_FLOAT_EQ(result.Table[0].L, 0);
    EXPECT_FLOAT_EQ(result.Table[2].S, 0);
    EXPECT_FLOAT_EQ(result.Table[2].L, 20);
    const double ratio = std::log(50.0) / std::log(std::sqrt(200.0));
    EXPECT_FLOAT_EQ(result.Ratio[1], static_cast<float>(ratio));
    EXPECT_EQ(result.Ratio[0], 0);
    EXPECT_EQ(result.Ratio[2], 0);
    EXPECT_DOUBLE_EQ(result.RatioSum, double(static_cast<float>(ratio)) / 2);
    EXPECT_FLOAT_EQ(result.D, static_cast<float>(2 / (ratio / 2) + 1));
}

TEST(Dimension, PollsBeforeEveryLevelAndMovesTheProgressToIt)
{
    const auto values = quindletest::Surface(40, 30);
    TLevels levels;
    ASSERT_EQ(NormaliseLevels(values.data(), 40, 30, levels), TLevelsStatus::Ok);
    const TBand band = AnalysedBand(levels);
    const int count = band.High - band.Low + 1;
    {
        platform::ProgressRecorder progress;
        progress.SetRange(0, band.High + 1);
        TDimension result;
        ASSERT_TRUE(ComputeLevelRatios(levels, 1, 1, progress, result));
        EXPECT_EQ(progress.Polls(), static_cast<std::size_t>(count + 1));
        const auto history = progress.History();
        ASSERT_EQ(history.size(), static_cast<std::size_t>(count + 1));
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(history[i + 1].Position, band.Low + i);
    }
    for (std::size_t stopAt : {std::size_t{1}, std::size_t{3}, static_cast<std::size_t>(count + 1)}) {
        platform::ProgressRecorder progress;
        progress.StopAtPoll(stopAt);
        TDimension result;
        EXPECT_FALSE(ComputeLevelRatios(levels, 1, 1, progress, result));
        EXPECT_EQ(progress.Polls(), stopAt);
        EXPECT_EQ(progress.History().size(), stopAt - 1);  // the levels done
        EXPECT_FALSE(result.Defined());
        EXPECT_EQ(result.D, 0);
    }
}

TEST(Dimension, IsUndefinedWithoutAnyRatio)
{
    // A single column has no cells: no level has an area.
    const std::vector<std::int32_t> column{0, 50, 100, 150, 200, 255, 10, 20};
    TLevels levels;
    ASSERT_EQ(NormaliseLevels(column.data(), 1, 8, levels), TLevelsStatus::Ok);
    ASSERT_GT(levels.R, 0);
    platform::ProgressRecorder progress;
    TDimension result;
    ASSERT_TRUE(ComputeLevelRatios(levels, 1, 1, progress, result));
    EXPECT_EQ(result.RatioSum, 0);
    EXPECT_FALSE(result.Defined());
    EXPECT_TRUE(PlotPoints(result).Points.empty());
    // Steps that are not numbers give no dimension either.
    const auto values = quindletest::Surface(20, 20);
    ASSERT_EQ(NormaliseLevels(values.data(), 20, 20, levels), TLevelsStatus::Ok);
    ASSERT_TRUE(ComputeLevelRatios(levels, std::numeric_limits<float>::quiet_NaN(), 1, progress, result));
    EXPECT_FALSE(result.Defined());
}

TEST(Plot, PointsAndIdealLineLeaveOutWhatIsNotFinite)
{
    const double e = std::exp(1.0);
    // D = 3: k = 1. Level a has X = ln(S / 10^6), Y = ln(L / 1000).
    auto dimension = [&](double s0, double l0) {
        TDimension d;
        d.Band = {0, 2, 2};
        d.D = 3;
        d.RatioSum = 1;
        d.Table[0] = {static_cast<float>(s0), static_cast<float>(l0)};
        d.Table[1] = {1e6f, static_cast<float>(e * 1000)};                    // (0, 1)
        d.Table[2] = {static_cast<float>(e * e * 1e6), static_cast<float>(e * e * e * 1000)};  // (2, 3)
        return d;
    };
    auto near = [](const TPlotPoint& p, double x, double y) {
        return std::fabs(p.X - x) < 1e-6 && std::fabs(p.Y - y) < 1e-6;
    };

    // Every value finite: slope = 3 / 2; the line runs from (2, 3) to (-1, 3 - 1 * 1.5).
    TPlot plot = PlotPoints(dimension(std::exp(-1.0) * 1e6, std::exp(0.5) * 1000));
    ASSERT_EQ(plot.Points.size(), 3u);
    EXPECT_TRUE(near(plot.Points[0], -1, 0.5));
    EXPECT_TRUE(near(plot.Points[2], 2, 3));
    ASSERT_EQ(plot.IdealLine.size(), 2u);
    EXPECT_TRUE(near(plot.IdealLine[0], 2, 3));
    EXPECT_TRUE(near(plot.IdealLine[1], -1, 1.5));

    // No area at the lowest level: its point and the line's second point are left out.
    plot = PlotPoints(dimension(0, 1000));
    ASSERT_EQ(plot.Points.size(), 2u);
    EXPECT_TRUE(near(plot.Points[0], 0, 1));
    ASSERT_EQ(plot.IdealLine.size(), 1u);
    EXPECT_TRUE(near(plot.IdealLine[0], 2, 3));

    // The largest X is 0: no slope, no line.
    TDimension flat = dimension(std::exp(-1.0) * 1e6, 1000);
    flat.Table[2] = {static_cast<float>(std::exp(-2.0) * 1e6), 1000};
    plot = PlotPoints(flat);
    EXPECT_EQ(plot.Points.size(), 3u);
    EXPECT_TRUE(plot.IdealLine.empty());
}

TEST(Texts, DimensionCaptionRoundsDecimallyToTwoDecimals)
{
    // The fixed format rounds the decimal digits: 2.345f (2.3450000286...) gives 2.35, while
    // the float nearest 2.344996 gives 2.34.
    const std::pair<float, const char*> cases[] = {
        {2.344996f, " Multifractal dimension D = 2.34 "},
        {2.345f, " Multifractal dimension D = 2.35 "},
        {1.0f, " Multifractal dimension D = 1.00 "},
        {123456.7f, " Multifractal dimension D = 1.2346E5 "},
    };
    for (auto [d, caption] : cases)
        EXPECT_EQ(DimensionCaption(d), caption) << d;
}

TEST(Texts, ReportBytesAreAppendedAsTheGoldenFile)
{
    testsupport::ScratchDir dir;
    // 256 rows of 512 points; the unit is the file's 8-bit text "µm" (0xB5 'm').
    const TReport report{256, 512, 1.5f, 2.345f, "\xB5m", 2.344996f};
    const auto golden = testsupport::ReadBytes(QUINDLE_TEST_DATA "report.txt");
    ASSERT_FALSE(golden.empty());
    const std::string text = ReportText(report);
    EXPECT_EQ(std::vector<std::uint8_t>(text.begin(), text.end()), golden);

    const std::string path = dir.File("report.txt");
    ASSERT_TRUE(AppendReport(path, report));
    ASSERT_TRUE(AppendReport(path, report));
    std::vector<std::uint8_t> twice = golden;
    twice.insert(twice.end(), golden.begin(), golden.end());
    EXPECT_EQ(testsupport::ReadBytes(path), twice);

    EXPECT_FALSE(AppendReport(dir.File("missing/report.txt"), report));
    EXPECT_FALSE(AppendReport(dir.Path(), report));  // a folder
}

TEST(Texts, DefaultExtensionOnlyForANameWithout)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"plot", ".bmp", "plot.bmp"},          {"plot.txt", ".bmp", "plot.txt"},
        {"/a.b/plot", ".txt", "/a.b/plot.txt"}, {"plot.", ".txt", "plot."},
        {"x.bmp.old", ".txt", "x.bmp.old"},     {"/tmp/x/report", ".txt", "/tmp/x/report.txt"},
    };
    for (auto [name, extension, expected] : cases)
        EXPECT_EQ(WithDefaultExtension(name, extension), expected) << name;
}
