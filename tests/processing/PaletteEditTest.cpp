#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "processing/PaletteEdit.h"

using namespace processing;

TEST(PaletteEdit, RowsAndPositionsOfThePaletteStandingOnItsEnd)
{
    // 1000 colours on 200 rows: k = 5 entries a row, the bottom row 200 showing 0.
    EXPECT_DOUBLE_EQ(PaletteRow(0, 1000, 200), 200.0);
    EXPECT_DOUBLE_EQ(PaletteRow(1000, 1000, 200), 0.0);
    EXPECT_DOUBLE_EQ(PaletteRow(502, 1000, 200), 99.6);
    EXPECT_EQ(PalettePosition(200, 1000, 200), 0);
    EXPECT_EQ(PalettePosition(100, 1000, 200), 500);
    EXPECT_EQ(PalettePosition(0, 1000, 200), 1000);
    EXPECT_EQ(PalettePosition(117, 3, 200), 1);  // 83 × 0.015
    EXPECT_EQ(PaletteRow(5, 0, 200), 0.0);
    EXPECT_EQ(PalettePosition(5, 0, 200), 0);
}

// Cut 5%: the markers are stretched onto the populated bins; one dominant bin, or markers
// standing for one raw value, leave them.
TEST(PaletteEdit, CutMarkersStretchesOntoThePopulatedBins)
{
    struct Case {
        std::vector<std::uint32_t> counts;  // 50 bins
        double binWidth, rawPerColour;
        std::vector<std::int32_t> positions, expected;
        bool done;
    };
    std::vector<std::uint32_t> middle(50, 0u);
    for (int j = 12; j < 38; ++j)
        middle[std::size_t(j)] = 100;  // the values fill the middle half
    std::vector<std::uint32_t> dominant(50, 2u);
    dominant[20] = 1000;  // every other bin at or below 5 %
    std::vector<std::uint32_t> empty(50, 0u);
    const Case cases[] = {
        // Range 1000 in 500 colours of 2 raw units: a = 0, b = 1000, low = 240, high =
        // 740, s = 0.5: a quarter, the middle and three quarters, roughly.
        {middle, 20.0, 2.0, {0, 250, 500}, {120, 245, 370}, true},
        {dominant, 20.0, 1.0, {0, 500, 1001}, {0, 500, 1001}, true},
        {empty, 20.0, 1.0, {0, 500, 1001}, {0, 500, 1001}, true},
        {middle, 20.0, 1.0, {300, 300}, {300, 300}, false},
        {middle, 20.0, 0.0, {0, 10}, {0, 10}, false},
    };
    for (const Case& k : cases) {
        std::vector<std::int32_t> p = k.positions;
        std::uint32_t largest = 0;
        for (std::uint32_t c : k.counts)
            largest = std::max(largest, c);
        EXPECT_EQ(CutMarkers(k.counts, largest, k.binWidth, k.rawPerColour, p), k.done);
        EXPECT_EQ(p, k.expected);
    }
    int lo = 0, hi = 0;
    PopulatedBins(empty, 0, lo, hi);
    EXPECT_EQ(lo, 50);
    EXPECT_EQ(hi, 0);
}
