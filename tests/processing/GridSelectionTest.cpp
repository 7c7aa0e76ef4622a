#include <gtest/gtest.h>

#include <vector>

#include "processing/GridSelection.h"

using namespace processing;

TEST(GridMapping, PixelsOfPointsAndPointsUnderPixels)
{
    const TGridMapping m{50, 30, 2.5, 4};
    EXPECT_EQ(m.PixelOf(0, 0), (TGridPoint{51, 32}));
    EXPECT_EQ(m.PixelOf(3, 2), (TGridPoint{58, 40}));
    EXPECT_EQ(m.PointUnder(58, 40), (TGridPoint{3, 2}));
    EXPECT_EQ(m.PointUnder(50, 30), (TGridPoint{0, 0}));
    // Truncation toward zero: a pixel just left of the picture still names column 0, one
    // further left a negative column.
    EXPECT_EQ(m.PointUnder(49, 29), (TGridPoint{0, 0}));
    EXPECT_EQ(m.PointUnder(47, 25), (TGridPoint{-1, -1}));
    EXPECT_EQ((TGridMapping{0, 0, 0, 1}).PointUnder(5, 5), (TGridPoint{-1, -1}));
}

TEST(CoordinateAccepted, RangeAndTheRuleThatTheEndsNeverCoincide)
{
    using E = TEndCoordinate;
    const TSegment flat{2, 5, 9, 5};  // both ends on row 5
    const TSegment upright{4, 1, 4, 7}; // both ends in column 4
    const struct {
        E Which;
        long long V;
        TSegment Ends;
        bool Accepted;
    } cases[] = {
        {E::X1, 0, flat, true},
        {E::X1, 15, flat, true},
        {E::X1, 16, flat, false},   // width 16
        {E::X1, -1, flat, false},
        {E::Y2, 11, flat, true},
        {E::Y2, 12, flat, false},   // height 12
        {E::X1, 9, flat, false},    // onto the end
        {E::X2, 2, flat, false},    // onto the start
        {E::X1, 9, upright, true},  // other rows: no coincidence
        {E::Y1, 7, upright, false},
        {E::Y2, 1, upright, false},
        {E::Y1, 7, flat, true},
        {E::X2, 4, upright, true},
        {E::X2, 1LL << 40, flat, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CoordinateAccepted(c.Which, c.V, c.Ends, 16, 12), c.Accepted)
            << int(c.Which) << " = " << c.V;
}

TEST(EndsDrag, PressGrabsTheStartFirstThenTheEndThenStartsANewPairOnTheGrid)
{
    const TGridMapping m{50, 30, 2, 2}; // 2 pixels per point: 4 pixels are 2 points
    const TSegment ends{5, 5, 7, 5};
    const int w = 20, h = 10;
    struct Case {
        int C, R;
        bool Start, End, New;
    };
    const Case cases[] = {
        {6, 5, true, false, false},  // within reach of both: the start wins
        {5, 7, true, false, false},  // exactly 4 pixels away
        {7, 7, false, true, false},
        {5, 8, false, false, true},  // 6 pixels away: a new pair
        {-1, 0, false, false, false}, // off the grid
        {20, 3, false, false, false},
    };
    for (const auto& c : cases) {
        TEndsDrag drag;
        drag.Press(c.C, c.R, m, ends, w, h);
        EXPECT_EQ(drag.GrabStart, c.Start) << c.C << "," << c.R;
        EXPECT_EQ(drag.GrabEnd, c.End) << c.C << "," << c.R;
        EXPECT_EQ(drag.NewPair, c.New) << c.C << "," << c.R;
    }
}

TEST(EndsDrag, MovesAreLimitedToTheGridAndNeverPutOneEndOnTheOther)
{
    const TGridMapping m{0, 0, 1, 1};
    const int w = 20, h = 10;
    TSegment ends{5, 5, 9, 2};

    TEndsDrag drag;
    drag.Press(5, 5, m, ends, w, h);
    ASSERT_TRUE(drag.GrabStart);
    auto steps = drag.Move(-4, 30, ends, w, h); // far outside: the grid's corner
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0], (TSegment{0, 9, 9, 2}));
    ends = steps[0];
    steps = drag.Move(9, 2, ends, w, h); // onto the end: stays, still one step
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0], ends);
    drag.Release();
    EXPECT_TRUE(drag.Idle());
    EXPECT_TRUE(drag.Move(3, 3, ends, w, h).empty());

    // A new pair: pending until the pointer leaves the anchor, then its second point follows.
    drag.Press(15, 7, m, ends, w, h);
    ASSERT_TRUE(drag.NewPair);
    EXPECT_TRUE(drag.Move(15, 7, ends, w, h).empty());
    steps = drag.Move(40, -3, ends, w, h); // first move leaves the grid: its edge
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0], (TSegment{15, 7, 19, 0}));
    EXPECT_FALSE(drag.NewPair);
    EXPECT_TRUE(drag.GrabEnd);
    steps = drag.Move(16, 8, steps[0], w, h);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0], (TSegment{15, 7, 16, 8}));
}

TEST(EndsDrag, ANewPairNeverStartsAsOnePoint)
{
    // From an anchor on the last column, a first move further right is limited back onto
    // the anchor: the pair waits instead of becoming a single point.
    const TGridMapping m{0, 0, 1, 1};
    TEndsDrag drag;
    const TSegment ends{0, 0, 3, 0};
    drag.Press(19, 9, m, ends, 20, 10);
    ASSERT_TRUE(drag.NewPair);
    EXPECT_TRUE(drag.Move(25, 12, ends, 20, 10).empty());
    EXPECT_TRUE(drag.NewPair);
    const auto steps = drag.Move(18, 9, ends, 20, 10);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0], (TSegment{19, 9, 18, 9}));
}
