// What only the unsigned component does: points and profile means, copies, the shifted
// save, adopted blocks and the picture rebuilt from the values.

#include <gtest/gtest.h>

#include "TravineFixtures.h"
#include "plugins/travine/Dataspm16.h"
#include "support/TestSupport.h"

using namespace travine;

TEST(Dataspm16, PointsAndProfileMeans)
{
    // 3 x 2:  1 2 3
    //         5 8 13
    TDataspm16 c;
    travinetest::Fill16(c, 3, 2, {1, 2, 3, 5, 8, 13});
    EXPECT_EQ(c.GetDataPoint(2, 1), 13);
    EXPECT_EQ(c.GetDataPoint(0, 1), 5);
    EXPECT_EQ(c.MeanProfX(0), 3.0);
    EXPECT_EQ(c.MeanProfX(2), 8.0);
    EXPECT_EQ(c.MeanProfY(1), 26.0 / 3);
    EXPECT_EQ(c.Mean(), 32.0 / 6);
    // Outside the matrix: 0.
    for (auto [x, y] : {std::pair{3, 0}, std::pair{0, 2}, std::pair{-1, 0}})
        EXPECT_EQ(c.GetDataPoint(x, y), 0) << x << "," << y;
    EXPECT_EQ(c.MeanProfX(3), 0.0);
    EXPECT_EQ(c.MeanProfY(-1), 0.0);

    c.FillMatrixBy(4);
    EXPECT_EQ(c.Block(), std::vector<std::uint16_t>(6, 4));
    c.Activated = false;
    EXPECT_EQ(c.GetDataPoint(0, 0), 0);
    EXPECT_EQ(c.MeanProfX(0), 0.0);
    EXPECT_EQ(c.MeanProfY(0), 0.0);
    c.FillMatrixBy(9);
    c.Activated = true;
    EXPECT_EQ(c.GetDataPoint(0, 0), 4);

    // Without a block nothing is read.
    TDataspm16 empty;
    empty.Setmx(3);
    empty.Setmy(2);
    EXPECT_EQ(empty.GetDataPoint(1, 1), 0);
    EXPECT_EQ(empty.MeanProfX(1), 0.0);
    empty.FillMatrixBy(3);
    EXPECT_FALSE(empty.HasBlock());
}

TEST(Dataspm16, AnAdoptedBlockOfAnotherSizeIsReadOnlyWhereItHoldsValues)
{
    TDataspm16 c;
    c.Setmx(3);
    c.Setmy(2);
    c.Set_hgData({7, 8, 9, 10}); // two values short
    EXPECT_TRUE(c.HasBlock());
    EXPECT_EQ(c.GetDataPoint(0, 1), 10);
    EXPECT_EQ(c.GetDataPoint(1, 1), 0);
    EXPECT_EQ(c.MeanProfY(1), 0.0);
    c.AddDataToMatrix(5, 2, 1, sd0);
    EXPECT_EQ(c.Block(), (std::vector<std::uint16_t>{7, 8, 9, 10}));
    c.ReCalcBMP();
    EXPECT_EQ(c.Bitmap().Width, 3);
}

TEST(Dataspm16, CopyTakesTheSettingsValuesAndMeanButNotTheTexts)
{
    TDataspm16 source;
    travinetest::Fill(source, 3, 2, {10, 20, 30, 40, 50, 60});
    source.SetMean(12.5); // a mean the filler stated, copied as it is
    source.SetKx(1.5f);
    source.SetKy(2.5f);
    source.SetKz(3.5f);
    source.SetMin(1);
    source.SetMax(59);
    source.SetColorTop(0x00FF00);
    source.SetZUnit("mV");
    source.SetXYUnit("nmnm");
    source.SetVersion("v1.2.3");
    source.iZero = 3;

    TDataspm16 copy;
    copy.SetZUnit("kg");
    travinetest::Fill(copy, 1, 1, {99});
    ASSERT_TRUE(copy.Copy(source));
    EXPECT_EQ(copy.Block(), source.Block());
    EXPECT_EQ(copy.mx(), 3);
    EXPECT_EQ(copy.my(), 2);
    EXPECT_EQ(copy.Kx(), 1.5f);
    EXPECT_EQ(copy.Kz(), 3.5f);
    EXPECT_EQ(copy.Min(), 1);
    EXPECT_EQ(copy.Max(), 59);
    EXPECT_EQ(copy.Range(), 58);
    EXPECT_EQ(copy.ColorTop(), 0x00FF00u);
    EXPECT_EQ(copy.Mean(), 12.5);
    EXPECT_EQ(copy.iZero, 3);
    EXPECT_FALSE(copy.Loaded());
    EXPECT_EQ(copy.FileName(), "");
    // The texts stay the copy's own; the header image loses the first four bytes of each.
    EXPECT_EQ(copy.ZUnit(), "kg");
    const auto* head = reinterpret_cast<const char*>(&copy.Header());
    EXPECT_EQ(std::string(head + 20, 4), std::string(4, '\0'));
    EXPECT_EQ(std::string(head + 24, 6), std::string(6, '\0'));
    EXPECT_EQ(std::string(head + 446, 7), std::string(4, '\0') + ".3" + std::string(1, '\0'));
    // The picture is painted through the copied ramp.
    ASSERT_EQ(copy.Bitmap().Width, 3);
    EXPECT_EQ(copy.Bitmap().Pixel(2, 1), PixelOf(source.RampColor(60)));

    // An inactive source makes an inactive copy without data.
    source.Activated = false;
    TDataspm16 none;
    EXPECT_FALSE(none.Copy(source));
    EXPECT_FALSE(none.HasBlock());
}

TEST(Dataspm16, SaveWithAShiftKeepsTheShiftedValues)
{
    testsupport::ScratchDir dir;
    struct Case {
        int Shift;
        std::vector<std::uint16_t> After;
    } cases[] = {
        {4, {0x0FFF, 0x0012, 0}},
        {0, {0xFFFF, 0x0123, 1}},
        {-3, {0xFFFF, 0x0123, 1}},
        {16, {0, 0, 0}},
    };
    for (const Case& k : cases) {
        TDataspm16 c;
        travinetest::Fill(c, 3, 1, {0xFFFF, 0x0123, 1});
        const std::string path = dir.File("shift" + std::to_string(k.Shift) + ".spm");
        ASSERT_TRUE(c.SaveData(path, k.Shift)) << k.Shift;
        EXPECT_EQ(c.Block(), k.After) << k.Shift;
        TDataspm16 back;
        ASSERT_TRUE(back.LoadData(path));
        EXPECT_EQ(back.Block(), k.After) << k.Shift;
    }
}

TEST(Dataspm16, ALargePictureHasTheColoursOfEveryPoint)
{
    // 300 x 300 points are painted through a colour table; every pixel must be the ramp
    // colour of its value, as a single point is painted.
    const int w = 300;
    const int h = 300;
    std::vector<std::uint16_t> values(static_cast<std::size_t>(w * h));
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::uint16_t>((i * 7919u) % 65536u);
    TDataspm16 c;
    c.SetColorTop(0x3080F0);
    c.SetColorBottom(0x102030);
    c.SetMin(1000);
    c.SetMax(50000);
    travinetest::Fill(c, w, h, values);
    c.ReCalcBMP();
    ASSERT_EQ(c.Bitmap().Width, w);
    ASSERT_EQ(c.Bitmap().Height, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint16_t v = values[static_cast<std::size_t>(y * w + x)];
            ASSERT_EQ(c.Bitmap().Pixel(x, y), PixelOf(c.RampColor(v))) << x << "," << y;
        }
}
