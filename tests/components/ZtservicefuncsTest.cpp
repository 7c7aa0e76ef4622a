#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "components/Ztservicefuncs.h"

using namespace platform;

namespace {

// A bitmap of one row (or one column) whose red, green and blue bytes are given per pixel.
void MakeRow(TBitmap& b, const std::vector<TColor>& pixels, bool column = false,
             TPixelFormat format = pf24bit)
{
    b.SetPixelFormat(format);
    const int n = static_cast<int>(pixels.size());
    b.SetSize(column ? 1 : n, column ? n : 1);
    for (int i = 0; i < n; ++i)
        b.Canvas()->SetPixels(column ? 0 : i, column ? i : 0, pixels[i]);
}

std::vector<TColor> Row(const TBitmap& b)
{
    std::vector<TColor> out;
    for (int x = 0; x < b.Width(); ++x)
        out.push_back(b.Canvas()->Pixels(x, 0));
    return out;
}

std::vector<TColor> Column(const TBitmap& b)
{
    std::vector<TColor> out;
    for (int y = 0; y < b.Height(); ++y)
        out.push_back(b.Canvas()->Pixels(0, y));
    return out;
}

TColor Grey(int v)
{
    return RGB(v, v, v);
}

TEST(DoBilinearInterpolation, EnlargesByInterpolatingEachByte)
{
    // Scale 2 about 0: destination column j samples source position j / 2.
    TBitmap source, dest;
    MakeRow(source, {RGB(0, 200, 10), RGB(100, 100, 10), RGB(200, 0, 10)});
    dest.SetSize(6, 1);
    ASSERT_TRUE(DoBilinearInterpolation(&source, &dest, 2.0, 2.0, 0, 0));
    const std::vector<TColor> expected = {RGB(0, 200, 10),  RGB(50, 150, 10), RGB(100, 100, 10),
                                          RGB(150, 50, 10), RGB(200, 0, 10),  RGB(200, 0, 10)};
    EXPECT_EQ(Row(dest), expected);
    EXPECT_EQ(dest.PixelFormat(), pf24bit);
    EXPECT_EQ(dest.Width(), 6);
}

TEST(DoBilinearInterpolation, TruncatesTowardZero)
{
    // Halfway between 0 and 1 is 0.5, stored as 0; between 0 and 255 is 127.5, stored as 127.
    TBitmap source, dest;
    MakeRow(source, {Grey(0), RGB(1, 255, 0)});
    dest.SetSize(4, 1);
    ASSERT_TRUE(DoBilinearInterpolation(&source, &dest, 2.0, 1.0, 0, 0));
    EXPECT_EQ(Row(dest),
              (std::vector<TColor>{Grey(0), RGB(0, 127, 0), RGB(1, 255, 0), RGB(1, 255, 0)}));
}

TEST(DoBilinearInterpolation, RowsCountFromTheBottomAsTheBitmapsStoreThem)
{
    // A column 0, 100, 200 from the top is stored 200, 100, 0 from the bottom; scaled by 2
    // about the bottom row it reads 200, 150, 100, 50, 0, 0 from the bottom up.
    TBitmap source, dest;
    MakeRow(source, {Grey(0), Grey(100), Grey(200)}, true);
    dest.SetSize(1, 6);
    ASSERT_TRUE(DoBilinearInterpolation(&source, &dest, 1.0, 2.0, 0, 0));
    EXPECT_EQ(Column(dest),
              (std::vector<TColor>{Grey(0), Grey(0), Grey(50), Grey(100), Grey(150), Grey(200)}));
}

TEST(DoBilinearInterpolation, ScalesAboutTheFixedPoint)
{
    TBitmap source, dest;
    MakeRow(source, {Grey(0), Grey(100), Grey(200)});
    dest.SetSize(6, 1);
    // Offset 1 at scale 2: column j samples (1 + j) / 2, so column 1 keeps source column 1.
    ASSERT_TRUE(DoBilinearInterpolation(&source, &dest, 2.0, 1.0, 1, 0));
    EXPECT_EQ(Row(dest), (std::vector<TColor>{Grey(50), Grey(100), Grey(150), Grey(200), Grey(200),
                                              Grey(200)}));

    // Reducing by 2 about column 2: column j samples 2 (j - 1); the position -2 left of the
    // picture takes its edge pixel.
    MakeRow(source, {Grey(0), Grey(50), Grey(100), Grey(150), Grey(200)});
    dest.SetSize(3, 1);
    ASSERT_TRUE(DoBilinearInterpolation(&source, &dest, 0.5, 1.0, 2, 0));
    EXPECT_EQ(Row(dest), (std::vector<TColor>{Grey(0), Grey(0), Grey(100)}));
}

TEST(DoBilinearInterpolation, BilinearInTwoDirections)
{
    // 2 x 2 greys 0, 40 (top) and 80, 120 (bottom) at scale 2: the middle pixel (1, 1) of a
    // 3 x 3 destination samples (0.5, 0.5) from the bottom row, the mean 60.
    TBitmap source, dest;
    source.SetPixelFormat(pf32bit);
    source.SetSize(2, 2);
    source.Canvas()->SetPixels(0, 0, Grey(0));
    source.Canvas()->SetPixels(1, 0, Grey(40));
    source.Canvas()->SetPixels(0, 1, Grey(80));
    source.Canvas()->SetPixels(1, 1, Grey(120));
    dest.SetSize(3, 3);
    ASSERT_TRUE(DoBilinearInterpolation(&source, &dest, 2.0, 2.0, 0, 0));
    EXPECT_EQ(dest.PixelFormat(), pf32bit);
    // Bottom row (storage row 0) samples source row 0 from the bottom: 80, 100, 120.
    EXPECT_EQ(dest.Canvas()->Pixels(0, 2), Grey(80));
    EXPECT_EQ(dest.Canvas()->Pixels(1, 2), Grey(100));
    EXPECT_EQ(dest.Canvas()->Pixels(2, 2), Grey(120));
    EXPECT_EQ(dest.Canvas()->Pixels(1, 1), Grey(60));
    EXPECT_EQ(dest.Canvas()->Pixels(0, 0), Grey(0));
    EXPECT_EQ(dest.ScanLine(1)[4 + 3], 0xFF); // the fourth byte stays opaque
}

TEST(DoBilinearInterpolation, RefusesWhatItCannotScale)
{
    TBitmap source, dest, empty, device;
    MakeRow(source, {Grey(10), Grey(20)});
    dest.SetPixelFormat(pf24bit);
    dest.SetSize(4, 1);
    dest.Canvas()->Brush.Color = clRed;
    dest.Canvas()->FillRect(Rect(0, 0, 4, 1));
    device.SetSize(2, 1); // device-dependent pixels
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(DoBilinearInterpolation(&source, &dest, 0.0, 1.0, 0, 0));
    EXPECT_FALSE(DoBilinearInterpolation(&source, &dest, 1.0, 0.0, 0, 0));
    EXPECT_FALSE(DoBilinearInterpolation(&source, &dest, nan, 1.0, 0, 0));
    EXPECT_FALSE(DoBilinearInterpolation(&empty, &dest, 1.0, 1.0, 0, 0));
    EXPECT_FALSE(DoBilinearInterpolation(&source, &empty, 1.0, 1.0, 0, 0));
    EXPECT_FALSE(DoBilinearInterpolation(&device, &dest, 1.0, 1.0, 0, 0));
    EXPECT_FALSE(DoBilinearInterpolation(nullptr, &dest, 1.0, 1.0, 0, 0));
    EXPECT_EQ(Row(dest), std::vector<TColor>(4, clRed));
}

TEST(DoBilinearInterpolation, ScalesABitmapIntoItself)
{
    TBitmap b;
    MakeRow(b, {Grey(0), Grey(100), Grey(200), Grey(0)});
    // Scale 2 about 0 on the same bitmap reads the original: positions 0, 0.5, 1, 1.5.
    ASSERT_TRUE(DoBilinearInterpolation(&b, &b, 2.0, 1.0, 0, 0));
    EXPECT_EQ(Row(b), (std::vector<TColor>{Grey(0), Grey(50), Grey(100), Grey(150)}));
}

} // namespace
