#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "components/ZtPaletteBar.h"

using namespace platform;

namespace {

class ZtPaletteBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Graph (6, 10, 65, 110): 59 wide and 100 high. Red follows the position.
        bar.resize(70, 116);
        bar.OnGetBarColor = [this](QObject* sender, double position, std::uint8_t& r,
                                   std::uint8_t& g, std::uint8_t& b) {
            EXPECT_EQ(sender, &bar);
            positions.push_back(position);
            r = static_cast<std::uint8_t>(position * 255);
            g = 0;
            b = 1;
        };
    }
    TZtPaletteBar bar;
    std::vector<double> positions;
};

TEST_F(ZtPaletteBarTest, AVerticalBarRunsFromTheBottomRowUp)
{
    EXPECT_EQ(bar.Orientation(), pboVertical);
    bar.Display();
    ASSERT_EQ(bar.GraphRect(), Rect(6, 10, 65, 110));
    ASSERT_EQ(positions.size(), 100u);
    EXPECT_EQ(positions[0], 0.0);
    EXPECT_EQ(positions[1], 1.0 / 99);
    EXPECT_EQ(positions[99], 1.0);
    TCanvas* c = bar.Canvas();
    for (int x : {6, 64}) {
        EXPECT_EQ(c->Pixels(x, 109), RGB(0, 0, 1)) << x;
        EXPECT_EQ(c->Pixels(x, 10), RGB(255, 0, 1)) << x;
        EXPECT_EQ(c->Pixels(x, 60), RGB(static_cast<int>(49.0 / 99 * 255), 0, 1)) << x;
    }
}

TEST_F(ZtPaletteBarTest, AHorizontalBarRunsFromTheLeftColumn)
{
    int paints = 0;
    bar.OnPaint = [&](QObject*) { ++paints; };
    bar.SetOrientation(pboHorizontal); // repaints at once, the axes as they were
    EXPECT_EQ(paints, 1);
    EXPECT_FALSE(bar.RightAxis()->Visible());
    EXPECT_FALSE(bar.BottomAxis()->Visible());
    ASSERT_EQ(positions.size(), 59u);
    EXPECT_EQ(positions[58], 1.0);
    TCanvas* c = bar.Canvas();
    EXPECT_EQ(c->Pixels(6, 50), RGB(0, 0, 1));
    EXPECT_EQ(c->Pixels(64, 50), RGB(255, 0, 1));
    bar.SetOrientation(pboHorizontal);
    EXPECT_EQ(paints, 1);
}

TEST_F(ZtPaletteBarTest, OnePixelBarsAndBarsWithoutAColourEvent)
{
    // A bar one pixel high asks for position 0 only.
    bar.resize(70, 17);
    bar.Display();
    EXPECT_EQ(positions, std::vector<double>{0.0});
    bar.OnGetBarColor = nullptr;
    bar.resize(70, 116);
    bar.Display();
    EXPECT_EQ(bar.Canvas()->Pixels(30, 60), ColorToRGB(clBtnFace));
}

TEST_F(ZtPaletteBarTest, InTheDesignerTheOrientationChoosesTheScaleAxis)
{
    bar.SetDesigning(true);
    bar.SetOrientation(pboHorizontal);
    EXPECT_TRUE(bar.BottomAxis()->Visible());
    EXPECT_FALSE(bar.RightAxis()->Visible());
    bar.SetOrientation(pboVertical);
    EXPECT_TRUE(bar.RightAxis()->Visible());
    EXPECT_FALSE(bar.BottomAxis()->Visible());
}

} // namespace
