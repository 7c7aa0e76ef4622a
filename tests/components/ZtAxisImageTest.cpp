#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ComponentFixtures.h"
#include "components/ZtAxisImage.h"
#include "platform/gui/Numbers.h"
#include "support/TestSupport.h"

using namespace platform;
using CountingFrame = componentfixtures::Counting<TZtAxisImage>;

namespace {

using TLabels = std::vector<TZtAxisImage::TZtChartLabelsInfo>;

class ZtAxisImageTest : public ::testing::Test {
protected:
    void TearDown() override { SetDecimalSeparator('.'); }

    // The frame composed into `picture`.
    void Compose() { frame.PrepareDisplayedBitmap(&picture); }
    TColor At(int x, int y) const { return picture.Canvas()->Pixels(x, y); }
    // A frame without bevel and margins whose axes draw their grid in red and ticks in
    // blue, the labels hidden, every side in the black border pen.
    void Bare()
    {
        frame.SetBevelOuter(bvNone);
        frame.SetLeftMargin(0);
        frame.SetTopMargin(0);
        frame.SetRightMargin(0);
        frame.SetBottomMargin(0);
        for (TZtChartAxis* a :
             {frame.LeftAxis(), frame.BottomAxis(), frame.TopAxis(), frame.RightAxis()}) {
            a->GridPen()->SetValue(TPen{clRed, 1, psSolid, pmCopy});
            a->Ticks()->Pen()->SetColor(clBlue);
            a->Ticks()->SetMinorTickCount(0);
            a->Labels()->SetVisible(false);
            a->SetAxisVisible(false);
        }
    }
    TLabels Labels(double min, double max, double frequency, int count, int precision,
                   bool round = true)
    {
        TZtChartAxis* axis = frame.LeftAxis();
        axis->SetMin(min);
        axis->SetMax(max);
        axis->SetFrequency(frequency);
        axis->SetCountLabels(count);
        axis->Labels()->SetPrecision(precision);
        axis->Labels()->SetRoundFirstLabel(round);
        TLabels list;
        int n = -1, w = -7, h = -7;
        frame.GetAxisLabelSizes(&picture, axis, list, n, w, h);
        EXPECT_EQ(n, static_cast<int>(list.size()));
        if (list.empty()) {
            EXPECT_EQ(w, -7); // left as the caller set them
            EXPECT_EQ(h, -7);
        }
        return list;
    }
    static std::vector<double> Values(const TLabels& list)
    {
        std::vector<double> out;
        for (const auto& l : list)
            out.push_back(l.Value);
        return out;
    }
    static std::vector<std::string> Texts(const TLabels& list)
    {
        std::vector<std::string> out;
        for (const auto& l : list)
            out.push_back(l.Text);
        return out;
    }

    TZtAxisImage frame;
    TBitmap picture;
};

TEST_F(ZtAxisImageTest, ANewFrameShowsItsBevelAndWorkArea)
{
    // 400 × 250: raised bevel (1 pixel, then 1 more) and margins 3, 7, 2, 3.
    EXPECT_EQ(frame.width(), 400);
    EXPECT_EQ(frame.height(), 250);
    Compose();
    EXPECT_EQ(frame.WorkRect(), Rect(5, 9, 396, 245));
    EXPECT_EQ(frame.GraphRect(), Rect(6, 10, 395, 244));
    ASSERT_EQ(picture.Width(), 400);
    EXPECT_EQ(At(0, 100), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(100, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(At(399, 100), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(100, 249), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(2, 100), ColorToRGB(clWindow)); // the margin shows Color
    // The work area's outline (5, 9) … (394, 243) and the frame's sides at 395 and 244.
    EXPECT_EQ(At(5, 100), clBlack);
    EXPECT_EQ(At(100, 9), clBlack);
    EXPECT_EQ(At(394, 100), clBlack);
    EXPECT_EQ(At(395, 100), clBlack);
    EXPECT_EQ(At(100, 243), clBlack);
    EXPECT_EQ(At(100, 244), clBlack);
    EXPECT_EQ(At(396, 100), ColorToRGB(clWindow));
    EXPECT_EQ(At(100, 100), ColorToRGB(clBtnFace));

    frame.SetBevelOuter(bvLowered);
    frame.SetBevelInner(bvRaised);
    frame.SetBevelWidth(2);
    Compose();
    EXPECT_EQ(At(1, 100), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(3, 100), ColorToRGB(clBtnHighlight));
    // 2 + 2 bevel lines, 2 more, then the margins.
    EXPECT_EQ(frame.WorkRect(), Rect(6 + 3, 6 + 7, 400 - 6 - 2, 250 - 6 - 3));
}

TEST_F(ZtAxisImageTest, LabelValuesAndTexts)
{
    EXPECT_EQ(Values(Labels(0, 100, 10, 0, 0)),
              (std::vector<double>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    // Five labels with automatic precision: step 0.25, two decimals.
    EXPECT_EQ(Texts(Labels(0, 1, 10, 5, -1)),
              (std::vector<std::string>{"0.00", "0.25", "0.50", "0.75", "1.00"}));
    SetDecimalSeparator(',');
    EXPECT_EQ(Texts(Labels(0, 1, 10, 5, -1))[1], "0,25");
    SetDecimalSeparator('.');
    // A step of 0.3 at precision 0 cuts to 0 and becomes 1.
    EXPECT_EQ(Values(Labels(0, 1, 0.3, 0, 0)), (std::vector<double>{0, 1}));
    // The first label rounded up to a multiple of the step, or Min itself.
    const TLabels rounded = Labels(0.3, 3, 1, 0, 0, true);
    EXPECT_EQ(Values(rounded), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(Texts(rounded), (std::vector<std::string>{"1", "2", "3"}));
    const TLabels plain = Labels(0.3, 3, 1, 0, 0, false);
    ASSERT_EQ(plain.size(), 3u);
    EXPECT_DOUBLE_EQ(plain[2].Value, 2.3);
    EXPECT_EQ(Texts(plain), (std::vector<std::string>{"0", "1", "2"}));
    // Nothing from Min above Max, or without a step.
    EXPECT_TRUE(Labels(5, 1, 1, 0, 0).empty());
    EXPECT_TRUE(Labels(0, 100, 0, 5, 0).empty());
    // One label asks for no step: the first value alone.
    EXPECT_EQ(Values(Labels(2, 8, 1, 1, 0)), (std::vector<double>{2}));
    // Equal neighbouring texts (more digits than the format keeps) give one label.
    EXPECT_EQ(Values(Labels(12345670, 12345680, 1, 0, 0)),
              (std::vector<double>{12345670, 12345675}));
    // A step beyond 32 bits is cut in doubles: 3e9, not a wrapped negative step.
    EXPECT_EQ(Values(Labels(0, 1e10, 3e9, 0, 0)), (std::vector<double>{0, 3e9, 6e9, 9e9}));
}

TEST_F(ZtAxisImageTest, LabelSizesAreTheTurnedTextSizes)
{
    frame.LeftAxis()->Labels()->SetAngle(90);
    const TLabels list = Labels(0, 100, 50, 0, 0);
    TCanvas* c = picture.Canvas();
    c->Font = frame.LeftAxis()->Labels()->Font()->Value();
    ASSERT_EQ(list.size(), 3u);
    const TSize e = c->TextExtent("100");
    EXPECT_EQ(list[2].Size, (TSize{e.cy, e.cx}));
}

TEST_F(ZtAxisImageTest, AHugeNumberOfLabelsIsCapped)
{
    // A step of 1 over a range of a billion would measure a billion texts.
    EXPECT_EQ(Labels(0, 1e9, 1, 0, 0).size(), 10000u);
}

TEST_F(ZtAxisImageTest, CalcPrecision)
{
    const struct {
        double Value;
        int Expected;
    } cases[] = {{3, 0},
                 {0.25, 2},
                 {0.1, 1},
                 {-0.5, 1},
                 {1.0 / 3, 5},
                 {1e-9, 5},
                 {123.456, 3},
                 {1e12, 0},
                 // beyond 32 bits a product never counts as whole
                 {1099511627776.5, 5}};
    for (const auto& c : cases)
        EXPECT_EQ(TZtAxisImage::CalcPrecision(c.Value, 5), c.Expected) << c.Value;
    EXPECT_EQ(TZtAxisImage::CalcPrecision(0.125, 2), 2);
}

TEST_F(ZtAxisImageTest, VerticalAxisGridAndTicksByDirection)
{
    // Left axis 0 … 100 at 40 (labels 0, 40, 80), labels hidden, outer ticks of 5: the graph
    // is (6, 1, 399, 249), 248 high, k = 2.48. Positions q = v k + 1 from the bottom, rows
    // trunc(249 − q): 248, 148, 49. Turned over (Frequency −40) they count down from the
    // top: rows trunc(1 + v k − 1): 0, 99, 198.
    Bare();
    TZtChartAxis* axis = frame.LeftAxis();
    axis->SetVisible(true);
    axis->SetFrequency(40);
    Compose();
    EXPECT_EQ(frame.GraphRect(), Rect(6, 1, 399, 249));
    for (int y : {248, 148, 49}) {
        EXPECT_EQ(At(200, y), clRed) << y;
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(At(x, y), clBlue) << x << "," << y;
        EXPECT_EQ(At(5, y), clBlack) << y; // the frame's left side
    }
    EXPECT_EQ(At(200, 147), ColorToRGB(clBtnFace));
    EXPECT_EQ(At(2, 147), ColorToRGB(clWindow));

    axis->SetFrequency(-40);
    Compose();
    for (int y : {99, 198})
        EXPECT_EQ(At(200, y), clRed) << y;
    EXPECT_EQ(At(2, 0), clBlue); // Min on the frame's top side, its tick outside it
    EXPECT_EQ(At(200, 148), ColorToRGB(clBtnFace));
}

TEST_F(ZtAxisImageTest, MinorTicksLieBetweenLabelsAndOneOnTheEarlierLabel)
{
    // Between the labels at rows 248 and 148 (q 1 and 100.2) the minor ticks lie at
    // trunc(249 − (1 + 99.2 j / 5)): 248, 228, 208, 188, 168, three pixels long (x 2 … 4).
    Bare();
    TZtChartAxis* axis = frame.LeftAxis();
    axis->SetVisible(true);
    axis->SetFrequency(40);
    axis->Ticks()->SetMinorTickCount(4);
    Compose();
    std::vector<int> minor;
    for (int y = 149; y < 248; ++y)
        if (At(3, y) == clBlue) {
            minor.push_back(y);
            EXPECT_EQ(At(1, y), ColorToRGB(clWindow)) << y; // shorter than a major tick
        }
    EXPECT_EQ(minor, (std::vector<int>{168, 188, 208, 228}));
    EXPECT_EQ(At(3, 248), clBlue);
    // Inner ticks point into the graph and take no room.
    axis->Ticks()->SetType(cttInner);
    Compose();
    EXPECT_EQ(frame.GraphRect().Left, 1);
    for (int x = 1; x <= 5; ++x)
        EXPECT_EQ(At(x, 148), clBlue) << x; // from Line 0 + 5 back to the frame's side
    EXPECT_EQ(At(0, 148), clBlack);
}

TEST_F(ZtAxisImageTest, HorizontalAxesRunFromTheLeftColumnToTheRightColumn)
{
    // Bottom axis 0 … 100 at 50, outer ticks of 5: graph (1, 1, 399, 244), 398 wide,
    // k = 397 / 100; columns trunc(1 + v k): 1, 199, 398 (the graph's right column). Ticks
    // run from row 248 up to the tick line 243; the frame's bottom side covers row 244.
    Bare();
    TZtChartAxis* axis = frame.BottomAxis();
    axis->SetVisible(true);
    axis->SetFrequency(50);
    Compose();
    EXPECT_EQ(frame.GraphRect(), Rect(1, 1, 399, 244));
    for (int x : {1, 199, 398}) {
        EXPECT_EQ(At(x, 100), clRed) << x;
        for (int y = 245; y <= 248; ++y)
            EXPECT_EQ(At(x, y), clBlue) << x << "," << y;
        EXPECT_EQ(At(x, 244), clBlack) << x;
        EXPECT_EQ(At(x, 249), ColorToRGB(clWindow)) << x;
    }
    EXPECT_EQ(At(200, 100), ColorToRGB(clBtnFace));
    // The top axis mirrors it: ticks above the graph, turned over by a negative step.
    axis->SetVisible(false);
    frame.TopAxis()->SetVisible(true);
    frame.TopAxis()->SetFrequency(-50);
    Compose();
    EXPECT_EQ(frame.GraphRect(), Rect(1, 6, 399, 249));
    for (int x : {398, 199, 1})
        EXPECT_EQ(At(x, 100), clRed) << x; // Min on the right: trunc(398 − v k)
    EXPECT_EQ(At(398, 2), clBlue);
}

TEST_F(ZtAxisImageTest, LabelsAndTitlesTakeTheirRoom)
{
    // A visible left axis with labels 0, 50, 100 takes indent 2, the widest label and the
    // tick length; its title at 90 degrees takes its turned width and indent 3 more.
    TZtChartAxis* axis = frame.LeftAxis();
    axis->SetVisible(true);
    axis->SetFrequency(50);
    TCanvas* c = picture.Canvas();
    c->Font = axis->Labels()->Font()->Value();
    const int widest = c->TextWidth("100");
    Compose();
    EXPECT_EQ(frame.GraphRect().Left, 5 + 2 + widest + 5 + 1);

    axis->Title()->SetText("Y");
    frame.Title()->SetText("Title");
    c->Font = axis->Title()->Font()->Value();
    const int titleWidth = c->TextHeight("Y");
    c->Font = frame.Title()->Font()->Value();
    const int titleHeight = c->TextHeight("Title");
    Compose();
    EXPECT_EQ(frame.WorkRect(), Rect(5 + titleWidth + 3, 9 + titleHeight + 3, 396, 245));
    EXPECT_EQ(frame.GraphRect().Left, 5 + titleWidth + 3 + 2 + widest + 5 + 1);
    // The title is written in its font's colour (blue) somewhere in its strip.
    bool blue = false;
    for (int y = 9; y < 9 + titleHeight; ++y)
        for (int x = 5; x < 396; ++x)
            blue = blue || At(x, y) == clBlue;
    EXPECT_TRUE(blue);

    // An axis without a step still takes its label indent and tick room.
    axis->SetFrequency(0);
    axis->Title()->SetText("");
    frame.Title()->SetVisible(false);
    Compose();
    EXPECT_EQ(frame.GraphRect().Left, 5 + 2 + 5 + 1);
}

TEST_F(ZtAxisImageTest, VisibleAxesDrawTheirSideWithTheAxisPen)
{
    Bare();
    frame.LeftAxis()->SetVisible(true);
    frame.LeftAxis()->SetAxisVisible(true);
    frame.LeftAxis()->AxisPen()->SetValue(TPen{clGreen, 1, psSolid, pmCopy});
    frame.LeftAxis()->SetFrequency(0);
    Compose();
    const TRect g = frame.GraphRect();
    EXPECT_EQ(At(g.Left - 1, 100), clGreen);
    EXPECT_EQ(At(g.Right, 100), clBlack);
}

TEST_F(ZtAxisImageTest, TheWorkAreaTakesTheBrushOrTheBackgroundColourOrTheBackground)
{
    frame.Brush()->SetColor(clYellow);
    Compose();
    EXPECT_EQ(At(100, 100), clYellow);
    frame.Brush()->SetStyle(bsClear);
    frame.SetBackgroundColor(clAqua);
    Compose();
    EXPECT_EQ(At(100, 100), clAqua);
    // With a Background it shows tiled through the work area.
    TBitmap* back = frame.Background();
    back->SetPixelFormat(pf24bit);
    back->SetSize(10, 10);
    back->Canvas()->Brush.Color = clFuchsia;
    back->Canvas()->FillRect(Rect(0, 0, 10, 10));
    Compose();
    EXPECT_EQ(frame.BackDrawMode(), bdmTiled);
    EXPECT_EQ(At(100, 100), clFuchsia);
}

TEST(ZtAxisImage, GraphicBitmapShowsTheWorkAreaThroughItsTransparentColour)
{
    CountingFrame frame;
    frame.Load();
    frame.Brush()->SetColor(clYellow);
    auto graphic = std::make_shared<TBitmap>();
    graphic->SetPixelFormat(pf24bit);
    graphic->SetSize(2, 2);
    graphic->Canvas()->SetPixels(0, 0, clWhite);
    graphic->Canvas()->SetPixels(1, 0, clRed);
    graphic->Canvas()->SetPixels(0, 1, clGreen);
    graphic->Canvas()->SetPixels(1, 1, clWhite);
    frame.Paints = 0;
    frame.SetGraphicBitmap(graphic);
    EXPECT_EQ(frame.Paints, 1);
    // The handler draws into the bitmap while the frame composes: no second composition.
    int prepared = 0;
    frame.OnPrepareGraphicBitmap = [&](QObject* sender) {
        EXPECT_EQ(sender, &frame);
        ++prepared;
        graphic->Canvas()->SetPixels(1, 1, clBlue);
    };
    frame.Paints = 0;
    frame.Display();
    EXPECT_EQ(prepared, 1);
    EXPECT_EQ(frame.Paints, 1);
    // The graph (6, 10, 395, 244) holds the 2 × 2 picture stretched: 389 × 234.
    TCanvas* c = frame.Canvas();
    EXPECT_EQ(c->Pixels(50, 50), clYellow); // white shows the brush
    EXPECT_EQ(c->Pixels(300, 50), clRed);
    EXPECT_EQ(c->Pixels(50, 200), clGreen);
    EXPECT_EQ(c->Pixels(300, 200), clBlue);
    // Drawing into it outside a composition repaints the frame.
    frame.OnPrepareGraphicBitmap = nullptr;
    frame.Paints = 0;
    graphic->Canvas()->SetPixels(0, 0, clBlack);
    EXPECT_EQ(frame.Paints, 1);
    // The frame only watches the bitmap: once it is gone the frame draws its work area.
    graphic.reset();
    EXPECT_EQ(frame.GraphicBitmap(), nullptr);
    frame.Display();
    EXPECT_EQ(frame.Canvas()->Pixels(50, 50), clYellow);
    EXPECT_EQ(frame.Canvas()->Pixels(300, 50), clYellow);
}

TEST(ZtAxisImage, BrushAndBorderPenAreAdoptedOnce)
{
    CountingFrame frame;
    frame.Load();
    frame.SetBrush(nullptr);
    frame.SetBrush(std::unique_ptr<TBrushObject>(frame.Brush())); // its own brush again
    frame.SetBorderPen(std::unique_ptr<TPenObject>(frame.BorderPen()));
    EXPECT_EQ(frame.Paints, 0);
    auto brush = std::make_unique<TBrushObject>(TBrush{clLime, bsSolid});
    TBrushObject* adopted = brush.get();
    frame.SetBrush(std::move(brush));
    EXPECT_EQ(frame.Brush(), adopted);
    EXPECT_EQ(frame.Paints, 1);
    EXPECT_EQ(frame.Canvas()->Pixels(100, 100), clLime);
    adopted->SetColor(clRed); // bound to the frame
    EXPECT_EQ(frame.Paints, 2);
    frame.SetBorderPen(std::make_unique<TPenObject>(TPen{clBlue, 3, psSolid, pmCopy}));
    EXPECT_EQ(frame.Paints, 3);
    EXPECT_EQ(frame.Canvas()->Pixels(6, 100), clBlue); // a pen 3 wide: the outline covers 5 … 7
}

TEST(ZtAxisImage, SavesItsLastPicture)
{
    testsupport::ScratchDir dir;
    TZtAxisImage frame;
    TBitmap copy;
    EXPECT_FALSE(frame.SaveToBitmapFile(dir.File("none.bmp"))); // nothing composed yet
    frame.Display();
    frame.SaveToBitmap(&copy);
    EXPECT_EQ(copy.Width(), 400);
    EXPECT_EQ(copy.Canvas()->Pixels(0, 100), ColorToRGB(clBtnHighlight));
    frame.SaveToBitmap(nullptr);
    ASSERT_TRUE(frame.SaveToBitmapFile(dir.File("frame.bmp")));
    TBitmap read;
    ASSERT_TRUE(read.LoadFromFile(dir.File("frame.bmp")));
    EXPECT_EQ(read.Width(), 400);
    EXPECT_EQ(read.Height(), 250);
    EXPECT_EQ(read.Canvas()->Pixels(399, 100), ColorToRGB(clBtnShadow));
}

} // namespace
