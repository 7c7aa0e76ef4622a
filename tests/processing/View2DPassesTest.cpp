// The fast passes of the 2-D view's computations against the plain ones they replace: the
// zoom refined in bands against the zoom of a whole grid, and the bulk palette indexes
// against the index of one value.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "platform/core/Progress.h"
#include "processing/View2DMath.h"
#include "support/TestSupport.h"

using testsupport::RandomValues;

namespace {

struct ProgressStep {
    int Minimum, Maximum, Position;
    bool operator==(const ProgressStep&) const = default;
};

std::vector<ProgressStep> Steps(const platform::ProgressRecorder& progress)
{
    std::vector<ProgressStep> out;
    for (const auto& v : progress.History())
        out.push_back({v.Minimum, v.Maximum, v.Position});
    return out;
}

} // namespace

// Every case is refined both ways from the same values; the indexes (one raw count per
// colour where the range allows it, so that they show the refined values themselves) and,
// on one thread, the progress must agree. Heights above 33 rows give several pieces of
// bands with their borrowed bands above and below; a range of 2^29 and more takes the
// 64-bit refinement.
TEST(View2DPasses, ZoomInBandsMatchesTheZoomOfTheWholeGrid)
{
    struct Case {
        int w, h, zoom;
        std::int64_t lo, hi;
        unsigned threads;
    };
    const Case cases[] = {
        {7, 5, 2, 0, 1000, 1},
        {1, 9, 4, 0, 100, 1},
        {9, 1, 8, 0, 100, 1},
        {1, 1, 2, 0, 10, 1},
        {6, 40, 1, 0, 500, 1},
        {13, 70, 2, -500, 4000, 1},
        {13, 70, 2, -500, 4000, 0},
        {5, 97, 8, -3, 60000, 0},
        {33, 41, 4, INT_MAX - 65000, INT_MAX, 0},
        {6, 66, 8, INT_MIN, INT_MAX, 1},
        {6, 66, 8, INT_MIN, INT_MAX, 0},
        {20, 35, 16, 0, 50000, 0},
        {300, 80, 8, 100, 20000, 0},
    };
    std::uint32_t seed = 1;
    for (const Case& c : cases) {
        const auto values = RandomValues(c.w * c.h, c.lo, c.hi, seed++);
        const std::int64_t range = c.hi - c.lo;
        // Some values below the minimum and the top colours clamped.
        const std::int32_t min = static_cast<std::int32_t>(c.lo + range / 10);
        const int colours = range < 60000 ? int(range) : 60000;
        const double perColour = range < 60000 ? 1.0 : double(range) / 59000;
        const int zw = int(ZoomedSize(c.w, c.zoom));
        const int zh = int(ZoomedSize(c.h, c.zoom));

        TValueGrid grid;
        ASSERT_TRUE(grid.Allocate(zw, zh));
        std::vector<std::uint16_t> expected(std::size_t(zw) * zh, 0xFFFF);
        platform::ProgressRecorder whole;
        ASSERT_TRUE(ZoomIndexes(values.data(), c.w, c.h, c.zoom, min, perColour, colours, grid,
                                expected.data(), whole, c.threads));

        TValueGrid rings;
        ASSERT_TRUE(rings.Allocate(zw, ZoomWorkRows(c.h, c.zoom, c.threads)));
        std::vector<std::uint16_t> banded(expected.size(), 0xFFFF);
        platform::ProgressRecorder bands;
        ASSERT_TRUE(ZoomIndexesInBands(values.data(), c.w, c.h, c.zoom, min, perColour, colours,
                                       rings, banded.data(), bands, c.threads));
        EXPECT_EQ(banded, expected) << c.w << " x " << c.h << " at " << c.zoom;
        if (c.threads == 1) {
            EXPECT_EQ(Steps(bands), Steps(whole)) << c.w << " x " << c.h << " at " << c.zoom;
        }
    }
}

TEST(View2DPasses, ZoomInBandsStopsWhenAskedAndRefusesWhatItCannotDo)
{
    const auto values = RandomValues(40 * 50, 0, 3000, 7);
    const int zw = int(ZoomedSize(40, 4));
    const int zh = int(ZoomedSize(50, 4));
    TValueGrid rings;
    ASSERT_TRUE(rings.Allocate(zw, ZoomWorkRows(50, 4, 1)));
    // A stop after the coarse step leaves the indexes unwritten; one during the rows stops.
    std::vector<std::uint16_t> untouched(std::size_t(zw) * zh, 0xFFFF);
    platform::ProgressRecorder first;
    first.StopAtPoll(1);
    EXPECT_FALSE(ZoomIndexesInBands(values.data(), 40, 50, 4, 0, 1.0, 3001, rings, untouched.data(),
                                    first, 1));
    EXPECT_EQ(untouched, std::vector<std::uint16_t>(untouched.size(), 0xFFFF));
    std::vector<std::uint16_t> indexes(untouched.size());
    platform::ProgressRecorder later;
    later.StopAtPoll(10);
    EXPECT_FALSE(ZoomIndexesInBands(values.data(), 40, 50, 4, 0, 1.0, 3001, rings, indexes.data(),
                                    later, 1));
    EXPECT_EQ(later.Polls(), 10u);

    platform::NullProgress none;
    TValueGrid narrow; // rings of another width, or too few rows
    ASSERT_TRUE(narrow.Allocate(zw - 1, ZoomWorkRows(50, 4, 1)));
    EXPECT_FALSE(ZoomIndexesInBands(values.data(), 40, 50, 4, 0, 1.0, 3001, narrow, indexes.data(),
                                    none, 1));
    TValueGrid low;
    ASSERT_TRUE(low.Allocate(zw, ZoomWorkRows(50, 4, 1) - 1));
    EXPECT_FALSE(
        ZoomIndexesInBands(values.data(), 40, 50, 4, 0, 1.0, 3001, low, indexes.data(), none, 1));
    TValueGrid three;
    ASSERT_TRUE(three.Allocate(int(ZoomedSize(40, 3)), 40));
    EXPECT_FALSE(
        ZoomIndexesInBands(values.data(), 40, 50, 3, 0, 1.0, 3001, three, indexes.data(), none, 1));
    // (log2 z + 1) × z + 1 rows per worker, no more than the zoomed height, one worker per
    // 32 channel rows at most.
    EXPECT_EQ(ZoomWorkRows(50, 1, 1), 1);
    EXPECT_EQ(ZoomWorkRows(50, 2, 1), 5);
    EXPECT_EQ(ZoomWorkRows(50, 8, 1), 33);
    EXPECT_EQ(ZoomWorkRows(50, 8, 3), 66);   // 49 bands: two pieces
    EXPECT_EQ(ZoomWorkRows(3, 8, 4), 17);    // the whole zoomed height, one piece
    EXPECT_EQ(ZoomWorkRows(1000, 4, 4), 52); // 4 × (3 × 4 + 1)
}

// The bulk pass takes, by table, by thresholds or by division, the index that PaletteIndex
// gives one value: values of every range, around every entry's first value (where the
// rounding of the quotient decides), for steps whole, fractional, huge, tiny and infinite.
TEST(View2DPasses, BulkIndexesAreThoseOfOneValueAtATime)
{
    const double inf = std::numeric_limits<double>::infinity();
    // 49 and 1.1: x × (1 / step) falls below the entry that x / step reaches (49 / 49).
    const double steps[] = {1,   2.5, 24.977, 1.0 / 3, 0.3, 49, 1.1, 1e-3,        7e5,
                            1e9, 3e9, 1e300,  1e-310,  inf, 0,  -1,  std::nan("")};
    const int colourCounts[] = {0, 1, 2, 508, 1001, 65536, 70000};
    const std::int32_t mins[] = {0, -100, 17, INT_MIN, INT_MAX};
    std::uint32_t seed = 11;
    for (const std::int32_t min : mins)
        for (const double step : steps)
            for (const int colours : colourCounts)
                for (const bool many : {false, true}) {
                    std::vector<std::int32_t> values =
                        RandomValues(many ? 60000 : 40, INT_MIN, INT_MAX, seed++);
                    auto add = [&](double v) {
                        if (v >= INT_MIN && v <= INT_MAX)
                            values.push_back(static_cast<std::int32_t>(v));
                    };
                    for (int d = -3; d < (many ? 3000 : 30); ++d)
                        add(double(min) + d);
                    const int top = std::min(colours, 0x10000) - 1;
                    for (int k = 0; k < top && k < (many ? 2000 : 200); ++k)
                        for (int d = -1; d <= 1; ++d) {
                            add(std::floor(double(min) + k * step) + d);
                            add(std::floor(double(min) + (top - k) * step) + d);
                        }
                    std::vector<std::uint16_t> bulk(values.size());
                    ComputeIndexes(values.data(), std::int64_t(values.size()), min, step, colours,
                                   bulk.data(), 0);
                    int wrong = 0;
                    for (std::size_t i = 0; i < values.size() && wrong < 5; ++i) {
                        const std::uint16_t one =
                            PaletteIndex(std::int64_t(values[i]) - min, step, colours);
                        if (bulk[i] != one) {
                            ++wrong;
                            ADD_FAILURE() << values[i] << " above " << min << " / " << step
                                          << " of " << colours << ": " << bulk[i] << " not " << one;
                        }
                    }
                }
}
