#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "components/ZtMatrixImage.h"

using namespace platform;

namespace {

TColor Grey(int v)
{
    return RGB(v, v, v);
}

class ZtMatrixImageTest : public ::testing::Test {
protected:
    TColor Cell(int x, int y) const { return image.GetDataBitmap()->Canvas()->Pixels(x, y); }
    std::vector<TColor> Cells() const
    {
        std::vector<TColor> out;
        for (int y = 0; y < image.GetDataBitmap()->Height(); ++y)
            for (int x = 0; x < image.GetDataBitmap()->Width(); ++x)
                out.push_back(Cell(x, y));
        return out;
    }
    TZtMatrixImage image;
};

TEST_F(ZtMatrixImageTest, GreysRunFromTheSmallestToTheLargestValue)
{
    // trunc((v − 0) × 255 / 30): 0, 85, 170, 255; row 0 on top, or at the bottom.
    const std::int32_t ints[] = {0, 10, 20, 30};
    image.SetNewData(ints, 2, 2);
    EXPECT_EQ(Cells(), (std::vector<TColor>{Grey(0), Grey(85), Grey(170), Grey(255)}));
    image.LeftTopZero = false;
    image.SetNewData(ints, 2, 2);
    EXPECT_EQ(Cells(), (std::vector<TColor>{Grey(170), Grey(255), Grey(0), Grey(85)}));
    // The element type does not change the greys.
    image.LeftTopZero = true;
    const std::int16_t shorts[] = {0, 10, 20, 30};
    image.SetNewData(shorts, 2, 2);
    EXPECT_EQ(Cells(), (std::vector<TColor>{Grey(0), Grey(85), Grey(170), Grey(255)}));
    const std::uint16_t words[] = {0, 10, 20, 30};
    image.SetNewData(words, 2, 2);
    EXPECT_EQ(Cells(), (std::vector<TColor>{Grey(0), Grey(85), Grey(170), Grey(255)}));
}

TEST_F(ZtMatrixImageTest, WideAndFlatRangesHaveDefinedGreys)
{
    // The full 32-bit range: 2^31 × 255 / (2^32 − 1) = 127.5… for 0.
    const std::int32_t wide[] = {INT_MIN, 0, INT_MAX};
    image.SetNewData(wide, 3, 1);
    EXPECT_EQ(Cells(), (std::vector<TColor>{Grey(0), Grey(127), Grey(255)}));
    const std::int32_t flat[] = {7, 7, 7, 7};
    image.SetNewData(flat, 4, 1);
    EXPECT_EQ(Cells(), std::vector<TColor>(4, Grey(128)));
}

TEST_F(ZtMatrixImageTest, TheColourEventColoursEachCell)
{
    // Short −1 and unsigned 65535 are the same bits, widened differently.
    std::vector<int> values;
    image.OnGetValueColor = [&](QObject* sender, int x, int y, int v, std::uint8_t& r,
                                std::uint8_t& g, std::uint8_t& b) {
        EXPECT_EQ(sender, &image);
        values.push_back(v);
        r = static_cast<std::uint8_t>(50 * x);
        g = static_cast<std::uint8_t>(100 * y);
        b = static_cast<std::uint8_t>(v & 0xFF);
    };
    const std::int16_t shorts[] = {-1, 2, 3, 4, 5, 6};
    image.SetNewData(shorts, 3, 2);
    EXPECT_EQ(values, (std::vector<int>{-1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Cell(2, 0), RGB(100, 0, 3));
    EXPECT_EQ(Cell(1, 1), RGB(50, 100, 5));
    values.clear();
    const std::uint16_t words[] = {65535};
    image.SetNewData(words, 1, 1);
    EXPECT_EQ(values, (std::vector<int>{65535}));
}

TEST_F(ZtMatrixImageTest, NoDataNoPicture)
{
    int paints = 0;
    image.OnPaint = [&](QObject*) { ++paints; };
    image.Loaded();
    image.SetAutoRefresh(true);
    paints = 0;
    const std::int32_t one[] = {1};
    image.SetNewData(static_cast<const std::int32_t*>(nullptr), 2, 2);
    image.SetNewData(one, 0, 1);
    image.SetNewData(one, -5, -5);
    EXPECT_EQ(paints, 0);
    EXPECT_TRUE(image.GetDataBitmap()->Empty());
    image.SetNewData(one, 1, 1);
    EXPECT_EQ(paints, 1);
}

TEST_F(ZtMatrixImageTest, DrawsTheScaledDataInTheGraphAndKeepsTheScaling)
{
    // Graph (6, 10, 395, 244): 389 × 234. Plain stretching to the nearest cell.
    for (TZtChartAxis* axis :
         {image.LeftAxis(), image.BottomAxis(), image.TopAxis(), image.RightAxis()})
        EXPECT_FALSE(axis->GridVisible());
    const std::int32_t ints[] = {0, 10, 20, 30};
    image.SetNewData(ints, 2, 2);
    image.Display();
    TCanvas* c = image.Canvas();
    EXPECT_EQ(c->Pixels(6, 10), Grey(0));
    EXPECT_EQ(c->Pixels(394, 10), Grey(85));
    EXPECT_EQ(c->Pixels(6, 243), Grey(170));
    EXPECT_EQ(c->Pixels(394, 243), Grey(255));
    // Drawing into the data bitmap shows only after DataBitmapChanged.
    image.GetDataBitmap()->Canvas()->SetPixels(0, 0, clRed);
    image.Display();
    EXPECT_EQ(c->Pixels(6, 10), Grey(0));
    image.DataBitmapChanged();
    image.Display();
    EXPECT_EQ(c->Pixels(6, 10), clRed);
    // New data scales again.
    image.SetNewData(ints, 2, 2);
    image.Display();
    EXPECT_EQ(c->Pixels(6, 10), Grey(0));
}

TEST_F(ZtMatrixImageTest, BilinearScalingBlendsTheCells)
{
    // Columns 0 and 255 scaled by 389 / (2 − 1): destination column j samples j / 389, so
    // the picture's column j is trunc(255 j / 389).
    image.UseBilinearInterpolation = true;
    const std::int32_t ramp[] = {0, 1, 0, 1};
    image.SetNewData(ramp, 2, 2);
    image.Display();
    TCanvas* c = image.Canvas();
    for (int j : {0, 100, 194, 388})
        EXPECT_EQ(c->Pixels(6 + j, 100), Grey(255 * j / 389)) << j;
}

TEST_F(ZtMatrixImageTest, CellsAndGraphPixels)
{
    double x = -1, y = -1;
    EXPECT_FALSE(image.PointG2D(10, 10, x, y)); // nothing drawn: an empty graph
    EXPECT_EQ(x, 0);
    const std::int32_t ints[] = {0, 10, 20, 30};
    image.SetNewData(ints, 2, 2);
    image.Display();
    int gx = 0, gy = 0;
    image.PointD2G(1, 1, gx, gy);
    EXPECT_EQ(gx, 6 + 389 / 2);
    EXPECT_EQ(gy, 10 + 234 / 2);
    EXPECT_TRUE(image.PointG2D(6, 10, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_TRUE(image.PointG2D(394, 243, x, y));
    EXPECT_FALSE(image.PointG2D(395, 100, x, y)); // just right of the graph
    EXPECT_DOUBLE_EQ(x, 389.0 * 2 / 389);
    EXPECT_FALSE(image.PointG2D(5, 100, x, y));
}

} // namespace

namespace {

TEST_F(ZtMatrixImageTest, GreysFromTheTableMatchTheFormula)
{
    // A small range over many cells takes its greys from a table; a wide one works each out.
    // Both must give GreyOf of every cell.
    std::mt19937 rng(11);
    // Ranges around the grey steps (fewer values than greys, one per grey, many per grey).
    for (const int range : {300, 1 << 20, 2, 200, 255, 256, 257, 1000, 4000}) {
        const int cols = 97, rows = 61;
        std::vector<std::int32_t> values(std::size_t(cols) * rows);
        for (auto& v : values)
            v = -1000 + int(rng() % std::uint32_t(range));
        image.SetNewData(values.data(), cols, rows);
        const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < cols; ++x)
                ASSERT_EQ(Cell(x, y),
                          Grey(TZtMatrixImage::GreyOf(values[std::size_t(y) * cols + x], *lo, *hi)))
                    << range << " at " << x << "," << y;
    }
}

} // namespace

namespace {

TEST_F(ZtMatrixImageTest, GreysOfEveryElementTypeMatchTheFormulaWithRowsEitherWay)
{
    // Every value of a short range, cells in odd rows of odd width, picture row 0 on either
    // side: each pixel is GreyOf of its cell, the row ends included.
    std::mt19937 rng(5);
    const int cols = 33, rows = 35;
    std::vector<std::int16_t> shorts(std::size_t(cols) * rows);
    std::vector<std::uint16_t> words(shorts.size());
    for (std::size_t i = 0; i < shorts.size(); ++i) {
        shorts[i] = std::int16_t(-700 + int(rng() % 1001));
        words[i] = std::uint16_t(60000 + rng() % 999);
    }
    for (const bool topZero : {true, false}) {
        image.LeftTopZero = topZero;
        auto check = [&](const auto& values) {
            image.SetNewData(values.data(), cols, rows);
            const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < cols; ++x) {
                    const int row = topZero ? y : rows - 1 - y;
                    ASSERT_EQ(Cell(x, row),
                              Grey(TZtMatrixImage::GreyOf(values[std::size_t(y) * cols + x], *lo, *hi)))
                        << topZero << " at " << x << "," << y;
                }
        };
        check(shorts);
        check(words);
    }
}

} // namespace
