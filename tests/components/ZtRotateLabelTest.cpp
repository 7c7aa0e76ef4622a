#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <vector>

#include "components/ZtRotateLabel.h"
#include "components/Ztservicefuncs.h"

using namespace platform;

namespace {

// Shows what the label puts on the screen.
class Probe : public TZtRotateLabel {
public:
    using TZtRotateLabel::ShownImage;
};

// The label's picture next to one drawn by hand on a white sheet of the same size.
class ZtRotateLabelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        label.SetAutoSize(false);
        label.resize(60, 30);
        label.SetColor(clWhite);
        label.SetCaption("Wj");
        label.Font()->SetSize(12);
        label.Font()->SetColor(clBlack);
        expected.SetPixelFormat(pf24bit);
        expected.SetSize(60, 30);
        expected.Canvas()->Brush = TBrush{clWhite, bsSolid};
        expected.Canvas()->FillRect(Rect(0, 0, 60, 30));
        expected.Canvas()->Font = label.Font()->Value();
        expected.Canvas()->Brush.Style = bsClear;
    }
    void Write(int dx, int dy, TColor colour, unsigned flags = DT_EXPANDTABS)
    {
        expected.Canvas()->Font.Color = colour;
        DrawText(expected.Canvas(), Rect(dx, dy, 60 + dx, 30 + dy), label.Caption(), flags);
    }
    void ExpectSame()
    {
        label.Display();
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 60; ++x)
                ASSERT_EQ(label.Canvas()->Pixels(x, y), expected.Canvas()->Pixels(x, y))
                    << x << "," << y;
    }
    Probe label;
    TBitmap expected;
};

TEST_F(ZtRotateLabelTest, ARaisedLabelDrawsShadowHighlightThenFace)
{
    Write(1, 1, ColorToRGB(clBtnShadow));
    Write(-1, -1, ColorToRGB(clBtnHighlight));
    Write(0, 0, clBlack);
    ExpectSame();
}

TEST_F(ZtRotateLabelTest, RecessedFlatAndDisabledLabels)
{
    label.SetTextStyle(tsRecessed);
    Write(1, 1, ColorToRGB(clBtnHighlight));
    Write(-1, -1, ColorToRGB(clBtnShadow));
    Write(0, 0, clBlack);
    ExpectSame();

    SetUp();
    label.SetTextStyle(tsNone);
    label.setEnabled(false);
    Write(0, 0, ColorToRGB(clGrayText));
    ExpectSame();

    // Without ShowAccelChar an ampersand is shown as it is.
    SetUp();
    label.setEnabled(true);
    label.SetTextStyle(tsNone);
    label.SetCaption("&A");
    label.SetShowAccelChar(false);
    Write(0, 0, clBlack, DT_EXPANDTABS | DT_NOPREFIX);
    ExpectSame();
}

TEST_F(ZtRotateLabelTest, AnglesAreKeptInOneTurn)
{
    const struct {
        int Given, Stored;
    } cases[] = {{-30, 330}, {725, 5}, {360, 360}, {-720, 0}};
    for (const auto& c : cases) {
        label.SetEscapement(c.Given);
        EXPECT_EQ(label.Angle(), c.Stored) << c.Given;
    }
}

TEST_F(ZtRotateLabelTest, AutoSizeTakesTheTurnedCaption)
{
    TCanvas* c = expected.Canvas();
    const TSize e = c->TextExtent("Wj");
    label.SetAutoSize(true);
    EXPECT_EQ(label.width(), e.cx);
    EXPECT_EQ(label.height(), e.cy);
    label.SetEscapement(90);
    EXPECT_EQ(label.width(), e.cy);
    EXPECT_EQ(label.height(), e.cx);
    // The turned caption runs upwards inside the label.
    label.SetTextStyle(tsNone);
    label.Display();
    int inked = 0;
    for (int y = 0; y < label.height(); ++y)
        for (int x = 0; x < label.width(); ++x)
            inked += label.Canvas()->Pixels(x, y) == clBlack;
    EXPECT_GT(inked, 0);
}

TEST_F(ZtRotateLabelTest, TurnedCaptionsArePlacedByAlignmentAndLayout)
{
    // Centred in the label at 90 degrees: the text starts half the free room in and tw down.
    label.SetTextStyle(tsNone);
    label.SetEscapement(90);
    label.SetAlignment(taCenter);
    label.SetLayout(tlCenter);
    label.resize(60, 60);
    expected.SetSize(60, 60);
    expected.Canvas()->Brush.Style = bsSolid;
    expected.Canvas()->FillRect(Rect(0, 0, 60, 60));
    expected.Canvas()->Brush.Style = bsClear;
    const TSize e = expected.Canvas()->TextExtent("Wj");
    DrawAngleText(expected.Canvas(), TPoint{(60 - e.cy) / 2, e.cx + (60 - e.cx) / 2}, 90, "Wj");
    label.Display();
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(label.Canvas()->Pixels(x, y), expected.Canvas()->Pixels(x, y))
                << x << "," << y;
}

TEST_F(ZtRotateLabelTest, ATransparentLabelShowsOnlyItsText)
{
    label.SetTransparent(true);
    label.SetTextStyle(tsNone);
    label.Display();
    const QImage shown = label.ShownImage();
    int opaque = 0, clear = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            const bool ink =
                label.Canvas()->Pixels(x, y) == clBlack && qAlpha(shown.pixel(x, y)) == 255;
            opaque += ink;
            clear += qAlpha(shown.pixel(x, y)) == 0;
        }
    EXPECT_GT(opaque, 0);
    EXPECT_EQ(opaque + clear, 60 * 30);
}

} // namespace
