#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/DrawUtils.h"

using namespace platform;

namespace {

// Two white bitmaps with the same font: one for the helper, one for the expected picture.
class DrawUtilsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (TBitmap* b : {&actual, &expected}) {
            b->SetPixelFormat(pf24bit);
            b->SetSize(120, 60);
            b->Canvas()->Brush.Color = clWhite;
            b->Canvas()->FillRect(Rect(0, 0, 120, 60));
            b->Canvas()->Font.SetSize(9);
            b->Canvas()->Font.Color = clBlack;
            b->Canvas()->Brush.Style = bsClear;
        }
    }
    std::vector<TColor> Pixels(const TBitmap& b) const
    {
        std::vector<TColor> out;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x)
                out.push_back(b.Canvas()->Pixels(x, y));
        return out;
    }
    TBitmap actual, expected;
};

TEST_F(DrawUtilsTest, SingleLinesArePlacedByAlignmentAndLayout)
{
    // Hand placement in R = (10, 5, 110, 55) of a text w × h: left 10, centre 10 + (100 − w)
    // / 2, right 110 − w; top 5, middle 5 + (50 − h) / 2, bottom 55 − h.
    const TRect r = Rect(10, 5, 110, 55);
    const std::string text = "Ab1";
    const TSize s = expected.Canvas()->TextExtent(text);
    const struct {
        unsigned Flags;
        int X, Y;
    } cases[] = {
        {DT_SINGLELINE, 10, 5},
        {DT_SINGLELINE | DT_CENTER | DT_VCENTER, 10 + (100 - s.cx) / 2, 5 + (50 - s.cy) / 2},
        {DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, 110 - s.cx, 55 - s.cy},
        {DT_RIGHT | DT_BOTTOM, 110 - s.cx, 5}, // bottom needs a single line
    };
    for (const auto& c : cases) {
        SetUp();
        DrawText(actual.Canvas(), r, text, c.Flags);
        expected.Canvas()->TextOut(c.X, c.Y, text);
        EXPECT_EQ(Pixels(actual), Pixels(expected)) << c.Flags;
    }
}

TEST_F(DrawUtilsTest, LinesBreakAtLineBreaksAndBetweenWords)
{
    const int h = expected.Canvas()->TextHeight("a");
    const int narrow = expected.Canvas()->TextWidth("wide word") - 1;
    DrawText(actual.Canvas(), Rect(0, 0, narrow, 60), "wide word\r\nnext", DT_WORDBREAK);
    expected.Canvas()->TextOut(0, 0, "wide");
    expected.Canvas()->TextOut(0, h, "word");
    expected.Canvas()->TextOut(0, 2 * h, "next");
    EXPECT_EQ(Pixels(actual), Pixels(expected));
}

TEST_F(DrawUtilsTest, AcceleratorMarksAndTabs)
{
    const struct {
        std::string Text;
        unsigned Flags;
        std::string Shown;
    } cases[] = {
        {"&File", DT_SINGLELINE, "File"},
        {"R&&D", DT_SINGLELINE, "R&D"},
        {"&File", DT_SINGLELINE | DT_NOPREFIX, "&File"},
        {"ab\tc", DT_SINGLELINE | DT_EXPANDTABS, "ab      c"},
    };
    for (const auto& c : cases) {
        SetUp();
        DrawText(actual.Canvas(), Rect(0, 0, 120, 60), c.Text, c.Flags);
        expected.Canvas()->TextOut(0, 0, c.Shown);
        EXPECT_EQ(Pixels(actual), Pixels(expected)) << c.Text;
    }
}

TEST(Frame3D, EachLineDrawsTwoColoursAndMovesTheSidesIn)
{
    // A 6 × 5 bitmap, two lines: the outer ring, then the inner one; the top-right and
    // bottom-left corners of each ring take the bottom-right colour.
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(6, 5);
    b.Canvas()->Brush.Color = clWhite;
    b.Canvas()->FillRect(Rect(0, 0, 6, 5));
    TRect r = Rect(0, 0, 6, 5);
    Frame3D(b.Canvas(), r, clRed, clBlue, 2);
    EXPECT_EQ(r, Rect(2, 2, 4, 3));
    const char* expected[] = {
        "RRRRRB", "RRRRBB", "RRWWBB", "RBBBBB", "BBBBBB",
    };
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const TColor want = expected[y][x] == 'R'   ? clRed
                                : expected[y][x] == 'B' ? clBlue
                                                        : clWhite;
            EXPECT_EQ(b.Canvas()->Pixels(x, y), want) << x << "," << y;
        }
}

} // namespace
