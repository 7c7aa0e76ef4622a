#include <gtest/gtest.h>

#include <vector>

#include "components/ZtBufferedImage.h"

using namespace platform;

namespace {

// A background whose pixel (x, y) has the colour RGB(x, y, 7).
void Pattern(TBitmap& b, int w, int h, TPixelFormat format = pf24bit)
{
    b.SetPixelFormat(format);
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Canvas()->SetPixels(x, y, RGB(x, y, 7));
}

class ZtBufferedImageTest : public ::testing::Test {
protected:
    void SetUp() override { image.SetColor(clFuchsia); }
    TZtBufferedImage image;
    TBitmap buffer;
};

TEST_F(ZtBufferedImageTest, SimpleModeTakesTheBackgroundsSize)
{
    image.resize(100, 100);
    Pattern(*image.Background(), 30, 20);
    image.PrepareDisplayedBitmap(&buffer);
    ASSERT_EQ(buffer.Width(), 30);
    ASSERT_EQ(buffer.Height(), 20);
    EXPECT_EQ(buffer.Canvas()->Pixels(29, 19), RGB(29, 19, 7));
    image.Background()->SetSize(0, 0);
    image.PrepareDisplayedBitmap(&buffer);
    EXPECT_TRUE(buffer.Empty());
}

TEST_F(ZtBufferedImageTest, CentredModePlacesTheBackgroundInTheMiddle)
{
    // Half the control minus half the background, each halved toward zero.
    const struct {
        int ControlW, ControlH, BackW, BackH, X, Y;
    } cases[] = {{101, 101, 50, 30, 25, 35}, {100, 100, 300, 300, -100, -100}};
    for (const auto& c : cases) {
        image.resize(c.ControlW, c.ControlH);
        image.SetBackDrawMode(bdmCentered);
        Pattern(*image.Background(), c.BackW, c.BackH);
        image.PrepareDisplayedBitmap(&buffer);
        ASSERT_EQ(buffer.Width(), c.ControlW);
        // The buffer pixel (px, py) shows background pixel (px - X, py - Y).
        const int px = std::max(c.X, 0), py = std::max(c.Y, 0);
        EXPECT_EQ(buffer.Canvas()->Pixels(px, py), RGB(px - c.X, py - c.Y, 7));
        if (c.X > 0) {
            EXPECT_EQ(buffer.Canvas()->Pixels(c.X - 1, c.Y), clFuchsia);
            EXPECT_EQ(buffer.Canvas()->Pixels(c.X + c.BackW, c.Y), clFuchsia);
        }
    }
}

TEST_F(ZtBufferedImageTest, TiledModeRepeatsTheBackground)
{
    image.resize(100, 90);
    image.SetBackDrawMode(bdmTiled);
    Pattern(*image.Background(), 40, 40);
    image.PrepareDisplayedBitmap(&buffer);
    ASSERT_EQ(buffer.Width(), 100);
    ASSERT_EQ(buffer.Height(), 90);
    for (int y : {0, 40, 80})
        for (int x : {0, 40, 80})
            EXPECT_EQ(buffer.Canvas()->Pixels(x + 3, y + 5), RGB(3, 5, 7)) << x << "," << y;
    EXPECT_EQ(buffer.Canvas()->Pixels(99, 89), RGB(19, 9, 7));
}

TEST_F(ZtBufferedImageTest, StretchedModeScalesBilinearlyWithTheDivisorSizeMinusOne)
{
    // A 2 x 2 background in a 4 x 4 control: scale 4 / (2 - 1) = 4, so the columns sample
    // 0, 0.25, 0.5, 0.75 of the way between the two source columns.
    image.resize(4, 4);
    image.SetBackDrawMode(bdmStretched);
    TBitmap* back = image.Background();
    back->SetPixelFormat(pf24bit);
    back->SetSize(2, 2);
    for (int y = 0; y < 2; ++y) {
        back->Canvas()->SetPixels(0, y, RGB(0, 0, 0));
        back->Canvas()->SetPixels(1, y, RGB(200, 0, 0));
    }
    image.PrepareDisplayedBitmap(&buffer);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(buffer.Canvas()->Pixels(x, 3), RGB(50 * x, 0, 0)) << x;
}

TEST_F(ZtBufferedImageTest, StretchedModeFallsBackToPlainStretching)
{
    // A device-dependent background, and one a single pixel high, are stretched plainly.
    image.resize(4, 2);
    image.SetBackDrawMode(bdmStretched);
    for (const auto& [format, h] : {std::pair{pfDevice, 2}, std::pair{pf24bit, 1}}) {
        TBitmap* back = image.Background();
        back->SetPixelFormat(format);
        back->SetSize(2, h);
        for (int y = 0; y < h; ++y) {
            back->Canvas()->SetPixels(0, y, clBlack);
            back->Canvas()->SetPixels(1, y, clRed);
        }
        image.PrepareDisplayedBitmap(&buffer);
        const std::vector<TColor> row = {
            buffer.Canvas()->Pixels(0, 1), buffer.Canvas()->Pixels(1, 1),
            buffer.Canvas()->Pixels(2, 1), buffer.Canvas()->Pixels(3, 1)};
        EXPECT_EQ(row, (std::vector<TColor>{clBlack, clBlack, clRed, clRed})) << format;
    }
}

TEST_F(ZtBufferedImageTest, BackgroundBufferingReusesTheStretchedPictureWhileTheSizeStays)
{
    // The bottom-left pixel of the buffer samples the bottom-left pixel of the background
    // exactly (rows are scaled about the bottom row).
    image.resize(4, 4);
    image.SetBackDrawMode(bdmStretched);
    image.SetBackgroundBuffering(true);
    Pattern(*image.Background(), 2, 2);
    image.PrepareDisplayedBitmap(&buffer);
    EXPECT_EQ(buffer.Canvas()->Pixels(0, 3), RGB(0, 1, 7));
    image.Background()->Canvas()->SetPixels(0, 1, clWhite);
    image.PrepareDisplayedBitmap(&buffer);
    EXPECT_EQ(buffer.Canvas()->Pixels(0, 3), RGB(0, 1, 7)); // the cache, not the changed picture
    image.SetBackgroundBuffering(false);
    image.PrepareDisplayedBitmap(&buffer);
    EXPECT_EQ(buffer.Canvas()->Pixels(0, 3), clWhite);
    // A new size scales again.
    image.SetBackgroundBuffering(true);
    image.PrepareDisplayedBitmap(&buffer);
    image.Background()->Canvas()->SetPixels(0, 1, clBlack);
    image.resize(6, 6);
    image.PrepareDisplayedBitmap(&buffer);
    EXPECT_EQ(buffer.Canvas()->Pixels(0, 5), clBlack);
}

TEST_F(ZtBufferedImageTest, PaintComposesThenDrawsOverTheBufferThenShowsIt)
{
    image.resize(30, 20);
    Pattern(*image.Background(), 30, 20);
    std::vector<std::string> order;
    image.OnDrawBuffer = [&](QObject* sender, TCanvas* canvas) {
        EXPECT_EQ(sender, &image);
        // The background is in the buffer already; the overlay goes over it.
        EXPECT_EQ(canvas->Pixels(4, 4), RGB(4, 4, 7));
        canvas->Pen.Color = clRed;
        canvas->MoveTo(0, 10);
        canvas->LineTo(30, 10);
        order.push_back("draw buffer");
    };
    image.OnPaint = [&](QObject*) {
        EXPECT_EQ(image.Canvas()->Pixels(5, 10), clRed);
        order.push_back("paint");
    };
    image.Display();
    EXPECT_EQ(order, (std::vector<std::string>{"draw buffer", "paint"}));
    EXPECT_EQ(image.Canvas()->Pixels(5, 5), RGB(5, 5, 7));
    // The overlay lives in the buffer only: Background is unchanged.
    EXPECT_EQ(image.Background()->Canvas()->Pixels(5, 10), RGB(5, 10, 7));
}

} // namespace
