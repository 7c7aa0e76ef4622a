// The computations of the 2-D view: zoom refinement, palette indexes and bar rows, shading
// angles and the layout of the axes.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/core/Progress.h"
#include "processing/View2DMath.h"

namespace {

constexpr std::int32_t Unset = INT_MIN; // marks grid points that nothing has written

// The coarse grid of a channel (rows of values) at a zoom; every other point Unset.
TValueGrid Coarse(const std::vector<std::vector<int>>& channel, int zoom)
{
    const int h = int(channel.size());
    const int w = int(channel[0].size());
    TValueGrid g;
    EXPECT_TRUE(g.Allocate(int(ZoomedSize(w, zoom)), int(ZoomedSize(h, zoom))));
    for (int r = 0; r < g.Height(); ++r)
        for (int c = 0; c < g.Width(); ++c)
            g(r, c) = Unset;
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j)
            g(i * zoom, j * zoom) = channel[std::size_t(i)][std::size_t(j)];
    return g;
}

std::vector<std::vector<int>> Rows(const TValueGrid& g)
{
    std::vector<std::vector<int>> rows(std::size_t(g.Height()));
    for (int r = 0; r < g.Height(); ++r)
        for (int c = 0; c < g.Width(); ++c)
            rows[std::size_t(r)].push_back(g(r, c));
    return rows;
}

// A deterministic pseudo-random sequence.
struct Lcg {
    std::uint32_t state = 12345;
    int Next(int lo, int hi)
    {
        state = state * 1664525u + 1013904223u;
        return lo + int((state >> 8) % std::uint32_t(hi - lo + 1));
    }
};

// The label step as the step-by-step search finds it (the reference for the closed form).
double SearchedLabelStep(double extent, double pixels)
{
    const double px = pixels / extent;
    double m = 1;
    while (m < extent * 0.5 && m * px <= 20)
        m += 1;
    return m;
}

std::vector<TAxisItem> Texts(const std::vector<TAxisItem>& items)
{
    std::vector<TAxisItem> out;
    for (const auto& i : items)
        if (i.IsText)
            out.push_back(i);
    return out;
}

TAxisItem Text(int x, int y, const std::string& s, int size = 7, bool bold = false)
{
    return {true, x, y, 0, 0, s, size, bold};
}

bool HasText(const std::vector<TAxisItem>& items, const TAxisItem& t)
{
    return std::find(items.begin(), items.end(), t) != items.end();
}

// The axes input of a channel of w × h points shown in a view at zoom 1.
TAxesInput AxesOf(int w, int h, double xStep, double yStep, double zScale, int min, int max)
{
    TAxesInput in;
    in.ImageRight = 50 + w;
    in.ImageBottom = 30 + h;
    in.BarRight = w + 120 - 40;
    in.Width = w;
    in.Height = h;
    in.XStep = xStep;
    in.YStep = yStep;
    in.ZScale = zScale;
    in.Min = min;
    in.Max = max;
    in.ZUnit = "nm";
    return in;
}

} // namespace

TEST(View2DMath, ZoomedSizeIsSizeMinusOneTimesZoomPlusOne)
{
    struct Case {
        int size, zoom;
        std::int64_t expected;
    };
    const Case cases[] = {{8, 1, 8}, {8, 2, 15}, {8, 4, 29},        {8, 8, 57},
                          {1, 8, 1}, {0, 4, 0},  {65535, 8, 524273}};
    for (const Case& c : cases)
        EXPECT_EQ(ZoomedSize(c.size, c.zoom), c.expected) << c.size << " at " << c.zoom;
}

// Hand-computed: every new point is the rounded-down mean of the known points around it
// (corners for a cell centre; ends and the centres beside them for an edge midpoint).
TEST(View2DMath, RefineGridOfSmallGridsGivesTheHandComputedMeans)
{
    struct Case {
        std::vector<std::vector<int>> channel;
        int zoom;
        std::vector<std::vector<int>> expected;
    };
    const Case cases[] = {
        // 2 × 2 at zoom 2: centre (0+4+8+12)/4 = 6; top (0+6+4)/3 = 3; left (0+8+6)/3 = 4;
        // right (4+6+12)/3 = 7; bottom (6+8+12)/3 = 8.
        {{{0, 4}, {8, 12}}, 2, {{0, 3, 4}, {4, 6, 7}, {8, 8, 12}}},
        // 3 × 2 at zoom 2: centres 20 and 30; the middle edge (10+20+40+30)/4 = 25 has four
        // neighbours, the others three.
        {{{0, 10, 20}, {30, 40, 50}},
         2,
         {{0, 10, 10, 20, 20}, {16, 20, 25, 30, 33}, {30, 30, 40, 40, 50}}},
        // One row: only the bottom row's midpoints, from their two ends: (0+5)/2, (5+9)/2.
        {{{0, 5, 9}}, 2, {{0, 2, 5, 7, 9}}},
        // One column: only the right edge, from the points above and below.
        {{{1}, {4}}, 2, {{1}, {2}, {4}}},
    };
    for (const Case& c : cases) {
        TValueGrid g = Coarse(c.channel, c.zoom);
        ASSERT_TRUE(RefineGrid(g, c.zoom));
        EXPECT_EQ(Rows(g), c.expected);
    }
}

// Hand-computed from the zoom-2 case above: at zoom 4 the first level gives the same
// points at spacing 2, the next one fills in between: (1, 1) = (0 + 3 + 4 + 6) / 4 = 3.
TEST(View2DMath, RefineGridAtZoom4FillsEveryPointLevelByLevel)
{
    TValueGrid g = Coarse({{0, 4}, {8, 12}}, 4);
    ASSERT_TRUE(RefineGrid(g, 4));
    for (const auto& row : Rows(g))
        for (int v : row)
            EXPECT_NE(v, Unset);
    EXPECT_EQ(g(2, 2), 6);
    EXPECT_EQ(g(0, 2), 3);
    EXPECT_EQ(g(4, 2), 8);
    EXPECT_EQ(g(1, 1), 3);
    EXPECT_EQ(g(0, 4), 4);
    EXPECT_EQ(g(4, 4), 12);
}

// Means round down, so refining raw values equals refining the values above the minimum
// (which never go negative and so truncate to the same means) plus the minimum; and the
// pass on every core gives the very points of the pass on one thread.
TEST(View2DMath, RefineGridIsTheSameForRawValuesAndOnAllCores)
{
    Lcg random;
    std::vector<std::vector<int>> channel(40, std::vector<int>(40));
    int min = INT_MAX;
    for (auto& row : channel)
        for (int& v : row) {
            v = random.Next(-100000, 100000);
            min = std::min(min, v);
        }
    std::vector<std::vector<int>> above = channel;
    for (auto& row : above)
        for (int& v : row)
            v -= min;

    TValueGrid raw = Coarse(channel, 8);
    TValueGrid lifted = Coarse(above, 8);
    TValueGrid parallel = Coarse(channel, 8);
    ASSERT_TRUE(RefineGrid(raw, 8, nullptr, 1));
    ASSERT_TRUE(RefineGrid(lifted, 8, nullptr, 1));
    ASSERT_TRUE(RefineGrid(parallel, 8, nullptr, 0));
    bool same = true, sameParallel = true;
    for (int r = 0; r < raw.Height(); ++r)
        for (int c = 0; c < raw.Width(); ++c) {
            same = same && raw(r, c) == lifted(r, c) + min;
            sameParallel = sameParallel && raw(r, c) == parallel(r, c);
        }
    EXPECT_TRUE(same);
    EXPECT_TRUE(sameParallel);
}

TEST(View2DMath, RefineGridStopsWhenAskedAndRefusesGridsThatDoNotFitTheSpacing)
{
    TValueGrid g = Coarse({{0, 4, 8}, {8, 12, 16}, {1, 2, 3}}, 4);
    platform::ProgressRecorder stop;
    stop.StopAtPoll(1);
    EXPECT_FALSE(RefineGrid(g, 4, &stop));
    EXPECT_EQ(stop.Polls(), 1u);

    TValueGrid odd;
    ASSERT_TRUE(odd.Allocate(4, 3)); // width − 1 = 3 is no multiple of 2
    EXPECT_FALSE(RefineGrid(odd, 2));
    TValueGrid fits = Coarse({{0, 4}, {8, 12}}, 2);
    EXPECT_FALSE(RefineGrid(fits, 3)); // no power of two
    EXPECT_TRUE(RefineGrid(fits, 1));  // spacing 1: nothing to do
    TValueGrid empty;
    EXPECT_FALSE(RefineGrid(empty, 2));
}

// The zoom work: 0..2 at 1, 2 after the coarse grid, then 0..W×H moving by W per row, and
// indexes of the refined values (hand values of the 3 × 2 case, one raw count per colour).
TEST(View2DMath, ZoomIndexesReportsItsProgressAndStopsWhenAsked)
{
    const std::int32_t values[] = {0, 10, 20, 30, 40, 50};
    TValueGrid grid;
    ASSERT_TRUE(grid.Allocate(5, 3));
    std::vector<std::uint16_t> indexes(15, 0xFFFF);
    platform::ProgressRecorder progress;
    ASSERT_TRUE(ZoomIndexes(values, 3, 2, 2, 0, 1.0, 51, grid, indexes.data(), progress, 1));
    EXPECT_EQ(indexes, (std::vector<std::uint16_t>{0, 10, 10, 20, 20, 16, 20, 25, 30, 33, 30, 30,
                                                   40, 40, 50}));
    std::vector<std::vector<int>> history;
    for (const auto& v : progress.History())
        history.push_back({v.Minimum, v.Maximum, v.Position});
    EXPECT_EQ(history, (std::vector<std::vector<int>>{{0, 2, 0},
                                                      {0, 2, 1},
                                                      {0, 2, 2},
                                                      {0, 2, 0},
                                                      {0, 15, 0},
                                                      {0, 15, 5},
                                                      {0, 15, 10},
                                                      {0, 15, 15}}));

    // A stop after the coarse grid leaves the indexes unwritten.
    std::vector<std::uint16_t> untouched(15, 0xFFFF);
    platform::ProgressRecorder stop;
    stop.StopAtPoll(1);
    EXPECT_FALSE(ZoomIndexes(values, 3, 2, 2, 0, 1.0, 51, grid, untouched.data(), stop, 1));
    EXPECT_EQ(untouched, std::vector<std::uint16_t>(15, 0xFFFF));
    // A grid of another size is refused.
    TValueGrid wrong;
    ASSERT_TRUE(wrong.Allocate(4, 3));
    platform::NullProgress none;
    EXPECT_FALSE(ZoomIndexes(values, 3, 2, 2, 0, 1.0, 51, wrong, untouched.data(), none, 1));
}

TEST(View2DMath, PaletteIndexIsTruncatedAndClampedToThePalette)
{
    struct Case {
        std::int64_t v;
        double perColour;
        int colours;
        int expected;
    };
    const Case cases[] = {
        {0, 1, 10, 0},
        {9, 1, 10, 9},
        {7, 2.5, 10, 2},
        {10, 1, 10, 9},
        {1000000000000, 1, 1001, 1000},
        {-5, 1, 10, 0},
        {5, 0, 10, 0},
        {5, -1, 10, 0},
        {5, std::nan(""), 10, 0},
        {5, 1, 0, 0},
        {3, 1, 1, 0},
        {70000, 1, 70000, 65535},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PaletteIndex(c.v, c.perColour, c.colours), c.expected)
            << c.v << " / " << c.perColour;
    // The bulk pass agrees, with values below the minimum at entry 0.
    const std::int32_t values[] = {-20, -10, -9, 0, 15, 100, INT_MAX};
    std::uint16_t indexes[7];
    ComputeIndexes(values, 7, -10, 2.5, 10, indexes, 1);
    EXPECT_EQ(std::vector<std::uint16_t>(indexes, indexes + 7),
              (std::vector<std::uint16_t>{0, 0, 0, 4, 9, 9, 9}));
}

TEST(View2DMath, PaletteBarHasOneRowPerColourUpTo500ThenOnePerTwoOrThree)
{
    struct Case {
        int colours, rows;
    };
    const Case cases[] = {{1, 1}, {2, 2}, {500, 500}, {501, 250}, {1000, 500}, {1001, 333}, {0, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(PaletteBarRows(c.colours), c.rows) << c.colours;
    // The highest colour at the top, the lowest at the bottom: trunc(n − y × n / rows − 1).
    EXPECT_EQ(PaletteBarColour(500, 500, 0), 499);
    EXPECT_EQ(PaletteBarColour(500, 500, 499), 0);
    EXPECT_EQ(PaletteBarColour(1001, 333, 0), 1000);
    EXPECT_EQ(PaletteBarColour(1001, 333, 332), 2); // 1001 − 332 × 1001 / 333 − 1 = 2.006
    EXPECT_EQ(PaletteBarColour(508, 254, 211), 85);
    EXPECT_EQ(PaletteBarColour(0, 0, 0), 0);
}

TEST(View2DMath, FacetNormalAndShadingAngles)
{
    // Hand-computed: a = (1, 0, 2), b = (0, 3, 0): (−(0 − 6), −(0 − 0), |3 − 0|) = (6, 0, 3).
    const TPoint3F n = FacetNormal({0, 0, 0}, {1, 0, 2}, {0, 3, 0});
    EXPECT_EQ(n.x, 6.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 3.0f);
    // The z component is taken positive whatever the order of the points.
    EXPECT_EQ(FacetNormal({0, 0, 0}, {0, 3, 0}, {1, 0, 0}).z, 3.0f);

    // A flat facet at a tilt of 30°: acos(−0.5) = 120° → 1200, at any polar angle.
    for (int fi : {0, 90, 200})
        EXPECT_EQ(ShadingAngle({0, 0, 8.75f}, LightDirection(30, fi)), 1200) << fi;
    // Light along x (tilt 0): a 45° slope facing it gives 45°, one facing away 135°.
    EXPECT_EQ(ShadingAngle({1, 0, 1}, LightDirection(0, 0)), 450);
    EXPECT_EQ(ShadingAngle({-1, 0, 1}, LightDirection(0, 0)), 1350);
    // A cosine at 1 or pushed past it by rounding is taken as 1; no length, or a non-finite
    // one, gives the flat facet's angle.
    EXPECT_EQ(ShadingAngle({3, 4, 0}, {0.6, 0.8, 0}), 0);
    EXPECT_EQ(ShadingAngle({1e-30f, 1e-30f, 0}, {std::sqrt(0.5), std::sqrt(0.5), 0}), 0);
    EXPECT_EQ(ShadingAngle({0, 0, 0}, LightDirection(30, 0)), 1200);
    EXPECT_EQ(ShadingAngle({std::nanf(""), 0, 1}, LightDirection(30, 0)), 1200);
    EXPECT_EQ(ShadingAngle({std::numeric_limits<float>::infinity(), 0, 1}, LightDirection(60, 0)),
              1500);
}

TEST(View2DMath, ShadeMatrixRepeatsItsLastRowAndColumnAndShowsThinMatricesFlat)
{
    // Heights 0, 1, 3 along every row, unit steps, light along x: the slopes 1 and 2 give
    // acos(1/√2) = 45° and acos(2/√5) = 26.565° (hand-computed); the last column repeats
    // the one before it and the last row the one above it.
    const std::int32_t heights[] = {0, 1, 3, 0, 1, 3, 0, 1, 3};
    std::int32_t angles[9];
    ShadeMatrix(heights, 3, 3, 1, 1, 1, LightDirection(0, 0), angles, 1);
    EXPECT_EQ(std::vector<std::int32_t>(angles, angles + 9),
              (std::vector<std::int32_t>{450, 265, 265, 450, 265, 265, 450, 265, 265}));

    // No facets (one row, one column) or facets whose normal has no length (both steps 0,
    // or one step 0 on level ground): flat, 1200 at 30°, and nothing outside the matrix is
    // read (the sanitizers would tell).
    struct Case {
        int w, h;
        float xStep, yStep;
        int slope;
    };
    const Case cases[] = {{4, 1, 1, 1, 7}, {1, 4, 1, 1, 7}, {1, 1, 1, 1, 7},
                          {3, 3, 0, 0, 7}, {3, 3, 0, 1, 0}, {3, 3, 1, 0, 0}};
    for (const Case& c : cases) {
        std::vector<std::int32_t> in(std::size_t(c.w * c.h));
        for (std::size_t i = 0; i < in.size(); ++i)
            in[i] = std::int32_t(i) * c.slope;
        std::vector<std::int32_t> out(in.size(), -1);
        ShadeMatrix(in.data(), c.w, c.h, c.xStep, c.yStep, 1, LightDirection(30, 0), out.data(), 1);
        EXPECT_EQ(out, std::vector<std::int32_t>(in.size(), 1200)) << c.w << " x " << c.h;
    }
}

TEST(View2DMath, AxisLabelStepInClosedFormMatchesTheStepByStepSearch)
{
    // Hand-computed: 10 µm over 200 pixels (20 per µm): m = 2 is the first beyond 20
    // pixels; 0.5 µm: 1 already reaches half the width; 1000 µm over 100 pixels: 201.
    EXPECT_EQ(AxisLabelStep(10, 200), 2);
    EXPECT_EQ(AxisLabelStep(0.5, 57), 1);
    EXPECT_EQ(AxisLabelStep(1000, 100), 201);
    EXPECT_EQ(AxisLabelStep(3, 10), 2); // capped at the first m ≥ half the extent
    for (double extent :
         {0.001, 0.02, 0.9, 1.0, 1.5, 2.0, 7.3, 20.0, 40.0, 41.0, 99.9, 512.0, 1234.5, 65535.0})
        for (double pixels : {1.0, 7.0, 20.0, 57.0, 400.0, 1000.0, 4089.0})
            EXPECT_EQ(AxisLabelStep(extent, pixels), SearchedLabelStep(extent, pixels))
                << extent << " over " << pixels;
    // A huge extent read from a file is answered at once; nothing to label gives 0.
    const double huge = AxisLabelStep(1e30, 400);
    EXPECT_TRUE(huge >= 5e28 && huge <= 5e28 * 1.0000001); // 20 pixels: 20 / (400 / 1e30)
    for (double bad : {0.0, -3.0, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_EQ(AxisLabelStep(bad, 400), 0) << bad;
    EXPECT_EQ(AxisLabelStep(10, 0), 0);
}

TEST(View2DMath, ZLabelsHaveOneDecimalBelowARangeOf20)
{
    // 199 counts of 0.1 is a range of 19.9; 200 counts reach 20.
    const auto below = Texts(LayoutAxes(AxesOf(8, 20, 2.5, 3.5, 0.1, 0, 199)));
    const auto at = Texts(LayoutAxes(AxesOf(8, 20, 2.5, 3.5, 0.1, 0, 200)));
    // Bottom label at (BarRight + 15, ImageBottom − 7), top label at (…, ImageTop − 7).
    EXPECT_TRUE(HasText(below, Text(103, 43, "0.0")));
    EXPECT_TRUE(HasText(below, Text(103, 23, "19.9")));
    EXPECT_TRUE(HasText(at, Text(103, 43, "0")));
    EXPECT_TRUE(HasText(at, Text(103, 23, "20")));
    EXPECT_EQ(ZDecimals(19.999), 1);
    EXPECT_EQ(ZDecimals(20), 0);
}

TEST(View2DMath, AxesOfANarrowChannelAndOfStepsThatCannotBeLabelled)
{
    // 8 points of 100 nm: 0.8 µm wide, 6 of 50 nm: 0.3 µm high. Only the tick at 0, so
    // the far ends get "%.1f" of the extent.
    const auto items = LayoutAxes(AxesOf(8, 6, 100, 50, 0.5, 0, 507));
    const auto texts = Texts(items);
    EXPECT_TRUE(HasText(texts, Text(48, 10, "0")));   // trunc(50 + 0 − 2 × 1), top − 20
    EXPECT_TRUE(HasText(texts, Text(52, 10, "0.8"))); // ImageRight − 2 × 3
    EXPECT_TRUE(HasText(texts, Text(31, 23, "0")));   // 50 − 4 − 15, 30 − 7
    EXPECT_TRUE(HasText(texts, Text(23, 29, "0.3"))); // 50 − 12 − 15, ImageBottom − 7
    // Captions, with the halvings as integer divisions.
    EXPECT_TRUE(HasText(texts, Text(54 - 2 * 19, 46, "Matrix size - 8 x 6", 8)));
    EXPECT_TRUE(HasText(texts, Text(44, 0, "X, \xB5m", 8, true)));
    EXPECT_TRUE(HasText(texts, Text(0, 29, "Y, \xB5m", 8, true)));
    EXPECT_TRUE(HasText(texts, Text(88, 5, "Z, nm", 8, true)));

    // A wide channel gets its labels every m µm, at most one per 20 pixels: 400 points of
    // 100 nm = 40 µm over 400 pixels (10 per µm): every 3 µm, 14 labels (0 … 39).
    const auto wide = LayoutAxes(AxesOf(400, 6, 100, 50, 0.5, 0, 507));
    int xLabels = 0;
    for (const auto& t : Texts(wide))
        xLabels += t.Y1 == 10 ? 1 : 0;
    EXPECT_EQ(xLabels, 14);
    EXPECT_TRUE(HasText(Texts(wide), Text(50 + 30 - 2, 10, "3")));

    // Steps read from a file that no axis can show: huge gives a handful of ticks at
    // once; zero, negative or not finite gives the axis line and no tick.
    for (double step : {3e38, 1e30})
        EXPECT_LE(LayoutAxes(AxesOf(8, 6, step, step, 0.5, 0, 507)).size(), 40u);
    for (double step : {0.0, -5.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        const auto none = LayoutAxes(AxesOf(8, 6, step, step, 0.5, 0, 507));
        int ticks = 0;
        for (const auto& i : none)
            ticks += (!i.IsText && (i.Y1 == 20 || i.X1 == 40)) ? 1 : 0; // X and Y tick lines
        EXPECT_EQ(ticks, 0) << step;
    }
}
