#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "app/AppFixture.h"
#include "app/Progress.h"
#include "app/View2D.h"
#include "data/DataFixtures.h"
#include "data/Fileformat.h"
#include "data/ObjectFile.h"
#include "data/ObjectSPM.h"
#include "platform/core/Progress.h"
#include "platform/gui/Bitmap.h"

using appfixture::MainWindowTest;
using namespace datafixtures;

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

// The RGB colour of a palette entry of a channel.
platform::TColor EntryColour(const TSPMData& ch, int index)
{
    const platform::PaletteEntry e = ch.Palette->Entry(index);
    return platform::RGB(e.peRed, e.peGreen, e.peBlue);
}

platform::TColor PixelAt(TView2DForm& view, int x, int y)
{
    return view.ImageCanvas()->Pixels(x, y);
}

void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TView2DForm* ViewOf(TObjectSPM& step, int channel)
{
    return dynamic_cast<TView2DForm*>(step.Views[std::size_t(channel)]);
}

std::vector<std::int32_t> MarkerPositions(const TSPMData& ch)
{
    std::vector<std::int32_t> out;
    for (int i = 0; i < ch.Markers->GetCount(); ++i) {
        std::int32_t p, r, g, b;
        ch.Markers->Get(i, p, r, g, b);
        out.insert(out.end(), {p, r, g, b});
    }
    return out;
}

// Everything of a channel that shading must leave as it was.
struct ChannelState {
    std::vector<std::int32_t> values;
    std::int32_t min, max, colourCount;
    double rawPerColour;
    std::vector<std::int32_t> markers;
    std::vector<platform::PaletteEntry> palette;
    double mean, ra, rq, rsk, rku;

    explicit ChannelState(TSPMData& ch)
        : values(Values(ch)), min(ch.Header.Min), max(ch.Header.Max), colourCount(ch.ColourCount),
          rawPerColour(ch.RawPerColour), markers(MarkerPositions(ch)),
          palette(ch.Palette->Entries()), mean(ch.Mean), ra(ch.Ra), rq(ch.Rq), rsk(ch.Rsk),
          rku(ch.Rku)
    {
    }
    void ExpectSame(TSPMData& ch) const
    {
        EXPECT_EQ(Values(ch), values);
        EXPECT_EQ(ch.Header.Min, min);
        EXPECT_EQ(ch.Header.Max, max);
        EXPECT_EQ(ch.ColourCount, colourCount);
        EXPECT_EQ(ch.RawPerColour, rawPerColour);
        EXPECT_EQ(MarkerPositions(ch), markers);
        ASSERT_EQ(ch.Palette->Entries().size(), palette.size());
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const auto& a = ch.Palette->Entries()[i];
            EXPECT_TRUE(a.peRed == palette[i].peRed && a.peGreen == palette[i].peGreen &&
                        a.peBlue == palette[i].peBlue)
                << "entry " << i;
        }
        EXPECT_EQ(ch.Mean, mean);
        EXPECT_EQ(ch.Ra, ra);
        EXPECT_EQ(ch.Rq, rq);
        EXPECT_EQ(ch.Rsk, rsk);
        EXPECT_EQ(ch.Rku, rku);
    }
};

} // namespace

// ======================================================================================
// Computations

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

TEST(CopyChannel, CopiesHeaderValuesPaletteMarkersAndStatistics)
{
    auto data = SmallSet();
    TSPMData& source = *data->Channels[0];
    source.Markers->Add(100, 10, 20, 30);
    source.BuildPalette();
    std::unique_ptr<TSPMData> copy(CopyChannel(&source, nullptr));
    ASSERT_TRUE(copy);
    EXPECT_EQ(std::memcmp(&copy->Header, &source.Header, sizeof source.Header), 0);
    ChannelState(source).ExpectSame(*copy);
    EXPECT_EQ(copy->Channel, source.Channel);

    // Into an existing channel of the same size; refused for another size and for none.
    TSPMData same(8, 6, 0);
    EXPECT_EQ(CopyChannel(&source, &same), &same);
    EXPECT_EQ(Values(same), Values(source));
    TSPMData other(5, 3, 20);
    EXPECT_EQ(CopyChannel(&source, &other), nullptr);
    EXPECT_EQ(CopyChannel(nullptr, &same), nullptr);
}

// ======================================================================================
// The view

namespace {

class View2DTest : public MainWindowTest {
protected:
    static std::unique_ptr<TObjectSPM> MakeStep(std::unique_ptr<TSurfaceData> data)
    {
        return std::make_unique<TObjectSPM>(nullptr, std::move(data));
    }
    // A set of one w × h channel 0 with values from `fill`.
    static std::unique_ptr<TSurfaceData> OneChannel(int w, int h, const Fill& fill)
    {
        auto data = std::make_unique<TSurfaceData>("src.spm");
        data->Header.FormatVersion = 1;
        data->Header.Width = static_cast<std::uint16_t>(w);
        data->Header.Height = static_cast<std::uint16_t>(h);
        AddChannel(*data, 0, w, h, fill);
        return data;
    }
    QMdiSubWindow* ActiveFrame() const { return main->MdiArea->activeSubWindow(); }
};

} // namespace

// SmallSet's channel 0 is 8 × 6 with values r × 100 + c: range 507, 508 colours, one raw
// count per colour, so a value's palette entry is the value itself.
TEST_F(View2DTest, ShowsTheChannelAtItsNaturalSizeInItsPaletteColours)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    TSPMData& ch = *step->SurfaceData->Channel(0);
    EXPECT_STREQ(view->metaObject()->className(), "TView2DForm");
    EXPECT_EQ(view->width(), 8 + 120);
    EXPECT_EQ(view->height(), 6 + 60);
    EXPECT_EQ(view->Image->width(), 128);
    EXPECT_EQ(view->ImageCanvas()->Bitmap()->Width(), 128);
    EXPECT_EQ(view->ImageCanvas()->Bitmap()->Height(), 66);
    EXPECT_EQ((std::vector<int>{view->ImageLeft, view->ImageTop, view->ImageRight,
                                view->ImageBottom, view->BarLeft, view->BarRight}),
              (std::vector<int>{50, 30, 58, 36, 73, 88}));
    EXPECT_EQ(view->PixelsPerPointX, 1.0);
    EXPECT_EQ(view->PixelsPerPointY, 1.0);
    EXPECT_EQ(view->Zoom(), 1);
    EXPECT_EQ(view->windowTitle().toStdString(), "View Topography -  #1");

    for (int i : {0, 2, 5})
        for (int j : {0, 3, 7})
            EXPECT_EQ(PixelAt(*view, 50 + j, 30 + i), EntryColour(ch, i * 100 + j))
                << i << "," << j;
    // The bar: 254 rows (508 colours), stretched over the 6 image rows, highest at the top.
    EXPECT_EQ(view->BarIndexes.size(), 254u);
    EXPECT_EQ(PixelAt(*view, 73, 30), EntryColour(ch, 507));
    EXPECT_EQ(PixelAt(*view, 87, 35), EntryColour(ch, 85)); // row 5 × 254 / 6 = 211
    // One-pixel black frames, the background colour between them.
    EXPECT_EQ(PixelAt(*view, 49, 29), platform::clBlack);
    EXPECT_EQ(PixelAt(*view, 58, 36), platform::clBlack);
    EXPECT_EQ(PixelAt(*view, 72, 36), platform::clBlack);
    EXPECT_EQ(PixelAt(*view, 63, 33), platform::clWhite);

    // A changed palette colour needs only a redraw.
    platform::PaletteEntry red{255, 0, 0, 1};
    ch.Palette->SetEntries(203, 1, &red);
    view->Compose();
    EXPECT_EQ(PixelAt(*view, 53, 32), platform::clRed);
}

TEST_F(View2DTest, ZoomFollowsTheSizeRuleKeepsThePointsAndIgnoresOtherValues)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    TSPMData& ch = *step->SurfaceData->Channel(0);
    int composed = 0;
    view->OnOverlayPaint = [&](TView2DForm* sender) {
        EXPECT_EQ(sender, view);
        ++composed;
    };
    for (int ignored : {3, 0, -1, 16, 1}) {
        view->SetZoom(ignored);
        EXPECT_EQ(view->Zoom(), 1);
    }
    EXPECT_EQ(composed, 0); // nothing drawn

    view->SetZoom(4); // the work finishes on its own; the dialog closes with OK
    EXPECT_EQ(composed, 1);
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(view->Zoom(), 4);
    EXPECT_EQ(view->ZoomedWidth, 29);
    EXPECT_EQ(view->ZoomedHeight, 21);
    EXPECT_EQ(view->width(), 149);
    EXPECT_EQ(view->height(), 81);
    EXPECT_EQ(view->ImageRight, 79);
    EXPECT_EQ(view->ImageBottom, 51);
    EXPECT_EQ(view->PixelsPerPointX, 29.0 / 8);
    EXPECT_EQ(view->PixelsPerPointY, 21.0 / 6);
    EXPECT_TRUE(view->RowBuffers.Empty());
    EXPECT_EQ(view->ProgressDialog, nullptr);
    for (int i : {0, 3, 5})
        for (int j : {0, 4, 7})
            EXPECT_EQ(PixelAt(*view, 50 + 4 * j, 30 + 4 * i), EntryColour(ch, i * 100 + j));
    // The first cell's centre: (0 + 1 + 100 + 101) / 4 = 50 (hand-computed).
    EXPECT_EQ(PixelAt(*view, 52, 32), EntryColour(ch, 50));

    view->SetZoom(4);
    EXPECT_EQ(composed, 1);
    // Back at zoom 1 the image is W × H again.
    view->SetZoom(1);
    EXPECT_EQ(view->width(), 128);
    EXPECT_EQ(view->height(), 66);
    EXPECT_EQ(PixelAt(*view, 51, 30), EntryColour(ch, 1));
    // Zoom 4 again, and a colour change at zoom 4: the zoomed points stay right.
    view->SetZoom(4);
    EXPECT_EQ(PixelAt(*view, 52, 32), EntryColour(ch, 50));
    EXPECT_EQ(PixelAt(*view, 50 + 28, 30 + 20), EntryColour(ch, 507));
    platform::PaletteEntry red{255, 0, 0, 1};
    ch.Palette->SetEntries(50, 1, &red);
    view->Refresh();
    EXPECT_EQ(PixelAt(*view, 52, 32), platform::clRed);
    EXPECT_EQ(PixelAt(*view, 50 + 28, 30 + 20), EntryColour(ch, 507));
}

// A zoom-8 view larger than the workspace: the workspace shows scroll bars, and scrolled
// to their ends they bring the view's far corner into sight.
TEST_F(View2DTest, TheWorkspaceScrollsToAZoom8ViewLargerThanItself)
{
    main->resize(500, 400);
    auto step = MakeStep(OneChannel(60, 50, [](int r, int c) { return r * 3 + c; }));
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    QMdiArea* area = main->MdiArea;
    QApplication::processEvents();
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
    view->SetZoom(8);
    ASSERT_EQ(view->size(), QSize(473 + 120, 393 + 60));
    QApplication::processEvents();
    QScrollBar* h = area->horizontalScrollBar();
    QScrollBar* v = area->verticalScrollBar();
    ASSERT_TRUE(h->isVisible());
    ASSERT_TRUE(v->isVisible());
    h->setValue(h->maximum());
    v->setValue(v->maximum());
    QApplication::processEvents();
    const QRect frame = ActiveFrame()->geometry();
    EXPECT_LE(frame.right(), area->viewport()->width() - 1);
    EXPECT_LE(frame.bottom(), area->viewport()->height() - 1);
    EXPECT_LT(frame.left(), 0); // scrolled: the view's left part is out of sight now
}

TEST_F(View2DTest, ACancelledZoomShowsZoom1WithTheControlsAt100)
{
    auto step = MakeStep(OneChannel(300, 300, [](int r, int c) { return (r * 7 + c * 3) % 1000; }));
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    main->N800->setChecked(true);
    main->cbZoom2D->setCurrentIndex(3);
    messages.Answer(platform::MessageResult::Yes);
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<TProgressForm*>(QApplication::activeModalWidget())) {
            EXPECT_EQ(dialog, view->ProgressDialog);
            QTest::mouseClick(dialog->btCancel, Qt::LeftButton);
            clicked = true;
        }
    });
    view->SetZoom(8);
    ASSERT_TRUE(clicked);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Do you want to abort process"});
    EXPECT_EQ(view->Zoom(), 1);
    EXPECT_EQ(view->width(), 420);
    EXPECT_TRUE(main->N100->isChecked());
    EXPECT_EQ(main->cbZoom2D->currentIndex(), 0);
    EXPECT_TRUE(view->RowBuffers.Empty());
    TSPMData& ch = *step->SurfaceData->Channel(0);
    EXPECT_EQ(
        PixelAt(*view, 50 + 10, 30 + 20),
        EntryColour(ch, PaletteIndex((20 * 7 + 10 * 3) % 1000, ch.RawPerColour, ch.ColourCount)));
}

TEST_F(View2DTest, AZoomWhoseBuffersCannotBeHadIsReportedAndFallsBackToZoom1)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    const std::int64_t saved = TView2DForm::MaxZoomedPoints;
    TView2DForm::MaxZoomedPoints = 100; // zoom 1 (48 points) fits, zoom 2 (165) does not
    main->N200->setChecked(true);
    view->SetZoom(2);
    TView2DForm::MaxZoomedPoints = saved;
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error memory allocate"});
    EXPECT_EQ(view->Zoom(), 1);
    EXPECT_EQ(view->width(), 128);
    EXPECT_TRUE(main->N100->isChecked());
    EXPECT_EQ(main->cbZoom2D->currentIndex(), 0);
    EXPECT_EQ(PixelAt(*view, 57, 35), EntryColour(*step->SurfaceData->Channel(0), 507));
}

// Shading lives in the view's own channel: the data set keeps its heights for saving,
// copying and every other reader, and turning the light off has nothing to put back.
TEST_F(View2DTest, ShadingNeverReachesTheDataAndTurningItOffRestoresNothingStale)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    TSPMData& ch = *step->SurfaceData->Channel(0);
    const ChannelState before(ch);
    ASSERT_EQ(step->SaveToFile(dir.File("before.spm"), true), fmtOk);

    step->ViewSettings.LightOn = true;
    view->Refresh();
    ASSERT_TRUE(view->Shading());
    EXPECT_EQ(view->UnshadedChannel(), &ch);
    TSPMData* shown = view->ShownChannel();
    ASSERT_NE(shown, &ch);
    before.ExpectSame(ch);
    // The picture shows the angles in the shading channel's own palette.
    EXPECT_EQ(shown->Header.Width, 8);
    EXPECT_EQ(shown->ColourCount, shown->Header.Max - shown->Header.Min + 1);
    const int angle = Values(*shown)[0];
    EXPECT_EQ(PixelAt(*view, 50, 30),
              EntryColour(*shown, PaletteIndex(angle - shown->Header.Min, shown->RawPerColour,
                                               shown->ColourCount)));
    // Saving and copying the step read the heights.
    ASSERT_EQ(step->SaveToFile(dir.File("during.spm"), true), fmtOk);
    EXPECT_EQ(testsupport::ReadBytes(dir.File("during.spm")),
              testsupport::ReadBytes(dir.File("before.spm")));
    TObjectSPM copy(nullptr, "Copy", 2, *step);
    EXPECT_EQ(Values(*copy.SurfaceData->Channel(0)), before.values);

    // Light off: the channel is as it was, exactly.
    step->ViewSettings.LightOn = false;
    view->Refresh();
    EXPECT_FALSE(view->Shading());
    EXPECT_EQ(view->ShownChannel(), &ch);
    before.ExpectSame(ch);
    EXPECT_EQ(PixelAt(*view, 50 + 7, 30 + 5), EntryColour(ch, 507));

    // Values changed while the light is on are kept when it goes off.
    step->ViewSettings.LightOn = true;
    view->Refresh();
    ch.Lock();
    ch.SetValue(0, 0, 999);
    ch.Unlock();
    view->Refresh();
    step->ViewSettings.LightOn = false;
    view->Refresh();
    EXPECT_EQ(Values(ch)[0], 999);
}

TEST_F(View2DTest, AFlatSurfaceUnderA30DegreeLightShowsAngle1200)
{
    auto step = MakeStep(OneChannel(6, 4, [](int, int) { return 5; }));
    step->ViewSettings.LightOn = true;
    step->ViewSettings.AngleAlfa = 30;
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view && view->Shading());
    EXPECT_EQ(Values(*view->ShownChannel()), std::vector<std::int32_t>(24, 1200));
    EXPECT_EQ(view->ShownChannel()->Header.Min, 1200);
    EXPECT_EQ(view->ShownChannel()->Header.Max, 1200);
    EXPECT_EQ(Values(*view->UnshadedChannel()), std::vector<std::int32_t>(24, 5));
    // One row of points has no facets: it shows flat as well, nothing read past it.
    auto thin = MakeStep(OneChannel(5, 1, [](int, int c) { return c * 1000; }));
    thin->ViewSettings.LightOn = true;
    thin->ShowChannelView(0);
    ASSERT_TRUE(ViewOf(*thin, 0));
    EXPECT_EQ(Values(*ViewOf(*thin, 0)->ShownChannel()), std::vector<std::int32_t>(5, 1200));
}

TEST_F(View2DTest, StepsOpenFocusActivateAndCloseTheirRealViews)
{
    auto step = MakeStep(SmallSet());
    TSurfaceData& data = *step->SurfaceData;
    EXPECT_EQ(data.LockCount, 1);
    step->ShowChannelView(NoChannel); // the first present channel without a view: 0
    step->ShowChannelView(NoChannel); // then 2
    step->ShowChannelView(NoChannel); // then 20
    step->ShowChannelView(NoChannel); // none left: nothing
    TView2DForm* v0 = ViewOf(*step, 0);
    TView2DForm* v2 = ViewOf(*step, 2);
    TView2DForm* v20 = ViewOf(*step, 20);
    ASSERT_TRUE(v0 && v2 && v20);
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 3);
    EXPECT_EQ(data.LockCount, 4); // one reference per view
    EXPECT_EQ(step->CurrentView, v20);
    EXPECT_EQ(ActiveFrame(), v20->Frame());
    EXPECT_EQ(v20->width(), 5 + 120);
    EXPECT_EQ(step->CurrentChannel(), 20);

    // Opening an open channel focuses its view; activation makes it current and fills
    // the main window's view menu with the present channels.
    step->ShowChannelView(0);
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 3);
    EXPECT_EQ(ActiveFrame(), v0->Frame());
    EXPECT_EQ(step->CurrentView, v0);
    EXPECT_EQ(main->PopupMenu2DBtn->actions().size(), 3);
    v2->SetZoom(2);
    main->MdiArea->setActiveSubWindow(v2->Frame());
    EXPECT_EQ(step->CurrentView, v2);
    EXPECT_TRUE(main->N200->isChecked());
    EXPECT_EQ(main->cbZoom2D->currentIndex(), 1);

    // Closing the current view while another child stays active makes the lowest
    // channel's view current; its subwindow and its data-set reference go.
    main->MdiArea->setActiveSubWindow(v20->Frame());
    step->CurrentView = v2;
    v2->CloseWindow();
    EXPECT_EQ(step->Views[2], nullptr);
    EXPECT_EQ(step->CurrentView, v0);
    EXPECT_EQ(data.LockCount, 3);
    FlushDeletes();
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 2);

    // Esc closes a view too; the child that the area activates next becomes current.
    QTest::keyClick(v20, Qt::Key_Escape);
    EXPECT_EQ(step->Views[20], nullptr);
    EXPECT_EQ(step->CurrentView, v0);
    EXPECT_EQ(ActiveFrame(), v0->Frame());
    FlushDeletes();
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 1);
    EXPECT_EQ(data.LockCount, 2);

    // A channel that goes from the set closes its view at the next update, shading or not.
    step->ViewSettings.LightOn = true;
    v0->Refresh();
    ASSERT_TRUE(v0->Shading());
    step->DeleteChannel(0);
    step->UpdateAll();
    EXPECT_EQ(step->Views[0], nullptr);
    EXPECT_EQ(step->CurrentView, nullptr);
    FlushDeletes();
    EXPECT_TRUE(main->MdiArea->subWindowList().isEmpty());
    EXPECT_EQ(data.LockCount, 1);
}

TEST_F(View2DTest, DestroyingAStepRemovesItsViewsAndTheirSubwindowsAtOnce)
{
    auto other = MakeStep(SmallSet());
    other->ShowChannelView(2);
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    step->ShowChannelView(2);
    ASSERT_EQ(main->MdiArea->subWindowList().size(), 3);
    step.reset();
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 1);
    EXPECT_EQ(main->MdiArea->subWindowList()[0], ViewOf(*other, 2)->Frame());
    // The activation the area passes on to the remaining view reaches it from the loop.
    other->CurrentView = nullptr;
    FlushDeletes();
    EXPECT_EQ(other->CurrentView, other->Views[2]);
    EXPECT_EQ(other->SurfaceData->LockCount, 2);
}

TEST_F(View2DTest, AToolHoldingTheViewIsToldFirstOnCloseWhileEverythingStillExists)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    QWidget tool, next;
    std::vector<QWidget*> told;
    bool aliveWhenTold = false;
    view->OnToolChange = [&](QWidget* window) {
        told.push_back(window);
        if (window)
            return;
        // Erasing an overlay on the picture still works, and the view still holds its data.
        platform::TCanvas* c = view->ImageCanvas();
        c->Pen.Mode = platform::pmNot;
        c->MoveTo(50, 31);
        c->LineTo(58, 31);
        c->Pen.Mode = platform::pmCopy;
        view->Image->Display();
        aliveWhenTold = view->DataSet == step->SurfaceData.get() && view->ChannelData &&
                        !view->ImageIndexes.empty() && step->SurfaceData->LockCount == 2;
        view->OnToolChange = nullptr; // the tool releases the view
    };
    view->NotifyToolChange(&next);
    EXPECT_EQ(told, std::vector<QWidget*>{&next});
    // Point-to-pixel mapping as the tools read it.
    EXPECT_EQ(view->ImageLeft + int((3 + 0.5) * view->PixelsPerPointX), 53);
    EXPECT_EQ(view->ImageCanvas(), view->Image->Background()->Canvas());

    view->CloseWindow();
    EXPECT_EQ(told, (std::vector<QWidget*>{&next, nullptr}));
    EXPECT_TRUE(aliveWhenTold);
    EXPECT_EQ(step->SurfaceData->LockCount, 1);
    FlushDeletes();
}

TEST_F(View2DTest, CtrlCCopiesThePictureWhateverTheOtherShiftKeys)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    QClipboard* clipboard = QApplication::clipboard();
    for (Qt::KeyboardModifiers mods :
         {Qt::KeyboardModifiers(Qt::ControlModifier),
          Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier)}) {
        clipboard->clear();
        QTest::keyClick(view, Qt::Key_C, mods);
        const QImage copied = clipboard->image();
        EXPECT_EQ(copied.size(), QSize(128, 66));
        EXPECT_EQ(copied.pixelColor(53, 32),
                  platform::ToQColor(EntryColour(*step->SurfaceData->Channel(0), 203)));
    }
    clipboard->clear();
    QTest::keyClick(view, Qt::Key_C);
    EXPECT_TRUE(clipboard->image().isNull());
}

TEST_F(View2DTest, AFailedPictureSaveIsReported)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    ViewOf(*step, 0)->SaveImage(dir.File("missing-folder/pic.bmp"));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error write file"});
}

// Opening a file through the main window shows its 2-D view; zoomed to 4 and saved as a
// bitmap through File > Save, the picture holds the channel in its palette's colours.
TEST_F(View2DTest, OpensAFileZoomsItsViewAndSavesThePictureThroughTheMainWindow)
{
    auto data = SmallSet();
    ChannelSet channels{0, 2};
    const std::string path = dir.File("scan.spm");
    ASSERT_EQ(SaveWithFormat(FileFormats[1].get(), path, data.get(), &channels), fmtOk);
    dialogs.Choose(path, 1);
    main->OpenClick();
    ASSERT_TRUE(main->CurrentStep());
    TObjectSPM* step = main->CurrentStep();
    QMdiSubWindow* active = ActiveFrame();
    ASSERT_TRUE(active);
    auto* view = qobject_cast<TView2DForm*>(active->widget());
    ASSERT_TRUE(view);
    EXPECT_EQ(step->Views[0], view);
    EXPECT_EQ(active->windowTitle().toStdString(), "View Topography - scan.spm #1");
    EXPECT_EQ(view->size(), QSize(128, 66));
    EXPECT_FALSE(step->SurfaceData->SwappedOut); // the view holds it

    main->N400->trigger();
    EXPECT_EQ(view->Zoom(), 4);
    EXPECT_EQ(view->size(), QSize(149, 81));
    EXPECT_TRUE(main->N400->isChecked());

    const std::string picture = dir.File("picture.bmp");
    dialogs.Choose(picture, 3); // after the two SPM entries, the bitmap entry
    main->SaveClick();
    EXPECT_TRUE(messages.Texts().empty());
    platform::TBitmap saved;
    ASSERT_TRUE(saved.LoadFromFile(picture));
    EXPECT_EQ(saved.Width(), 149);
    EXPECT_EQ(saved.Height(), 81);
    TSPMData& ch = *step->SurfaceData->Channel(0);
    for (int i : {0, 2, 5})
        for (int j : {0, 6, 7})
            EXPECT_EQ(saved.Canvas()->Pixels(50 + 4 * j, 30 + 4 * i), EntryColour(ch, i * 100 + j));
    EXPECT_EQ(saved.Canvas()->Pixels(49, 29), platform::clBlack);

    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(step->Views[0], nullptr);
    FlushDeletes();
    EXPECT_TRUE(main->MdiArea->subWindowList().isEmpty());
    EXPECT_TRUE(step->SurfaceData->SwappedOut); // the last reference went with the view
}
