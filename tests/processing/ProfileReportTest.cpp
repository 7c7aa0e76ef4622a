#include <gtest/gtest.h>

#include <string>

#include "processing/ProfileReport.h"

using namespace processing;

namespace {

TProfileGraphText Topography()
{
    TProfileGraphText g;
    g.FileName = "scan.spm";
    g.ChannelName = "Topography";
    g.XYUnit = "nm";
    g.ZUnit = "\xB5m";  // µm in Windows-1251
    g.MaxValue = 12.3456;
    g.Values = {1.5, -2.25, 12.3456};
    g.Q = {20.5, 1.25, -0.5, 3, 2, 4.0006, 1, 0.5, 7};
    return g;
}

TProfileGraphText Phase()
{
    TProfileGraphText g;
    g.FileName = "other.spm";
    g.ChannelName = "Phase";
    g.XYUnit = "nm";
    g.ZUnit = "deg";
    g.MaxValue = 90;
    g.Values = {10, 20.125, 90};
    g.Q = {30, 2, 0.25, 6, 5, 45, 0, 0, 0};
    return g;
}

const std::string Rule = "\n*****************************************************";

}  // namespace

TEST(ProfileReportText, OneGraph)
{
    const std::string expected =
        Rule + "\n Profile  [1;2] - [3;4] of file  scan.spm ()" + Rule +
        "\n  Length,nm  Topography            " + Rule +
        "\n0.00   \t1.50   \t"
        "\n2.50   \t-2.25  \t"
        "\n5.00   \t12.35  \t" +
        Rule +
        "\nA number of points: 3\nMax value: 12.346 \xB5m\nLegnth: 5.000 nm\nSurface legnth: "
        "20.500 nm\nAverage value: 4.001 \xB5m\nRa: 2.000\nRq: 3.000\nRsk: -0.500\nRku: "
        "1.250\nSm: 1.000\nR: 0.500\nS: 7.000\n" +
        Rule + Rule + "\n\n\n\n\n";
    EXPECT_EQ(ProfileReportText({1, 2, 3, 4}, 3, 2.5, Topography(), nullptr), expected);
}

TEST(ProfileReportText, TwoGraphsTheActiveOneFirst)
{
    const std::string expected =
        Rule + "\n Profile  [0;0] - [2;0] of file  other.spm (scan.spm)" + Rule +
        "\n  Length,nm       Phase  Topography" + Rule +
        "\n0.00   \t10.00  \t1.50   "
        "\n1.00   \t20.12  \t-2.25  "  // an exact half goes to even
        "\n2.00   \t90.00  \t12.35  " +
        Rule +
        "\nA number of points: 3\nMax value: 90.000 deg (12.346 \xB5m)\nLegnth: 2.000 "
        "nm\nSurface legnth: 30.000 nm (20.500 nm)\nAverage value: 45.000 deg (4.001 "
        "\xB5m)\nRa: 5.000 (2.000)\nRq: 6.000 (3.000)\nRsk: 0.250 (-0.500)\nRku: 2.000 "
        "(1.250)\nSm: 0.000 (1.000)\nR: 0.000 (0.500)\nS: 0.000 (7.000)\n" +
        Rule + Rule + "\n\n\n\n\n";
    const TProfileGraphText topography = Topography();
    EXPECT_EQ(ProfileReportText({0, 0, 2, 0}, 3, 1, Phase(), &topography), expected);
}

TEST(ProfileInfoText, TheInfoBoxOfOneGraph)
{
    EXPECT_EQ(ProfileInfoText({1, 2, 3, 4}, 3, 5, Topography()),
              "Profile of file: scan.spm\n[1;2] - [3;4]\nA number of points: 3\nMax value: 12.346 "
              "\xB5m\nLegnth: 5.000 nm\nSurface legnth: 20.500 nm\nAverage value: 4.001 "
              "\xB5m\nRa: 2.000\nRq: 3.000\nRsk: -0.500\nRku: 1.250\nSm: 1.000\nR: 0.500\nS: "
              "7.000\n");
}

TEST(ProfileStatusText, EachPartAppearsOnlyWithWhatItDescribes)
{
    TProfileStatus s;
    s.Segment = {1, 2, 30, 40};
    s.ChannelName = "Topography";
    s.XYUnit = "nm";
    s.ZUnit = "nm";
    s.X = 12.346;
    s.Z = -3.5;
    const std::string first = "[1;2] - [30;40]   View profile of Topography:  X=12.35 nm  Z=-3.50 nm";
    EXPECT_EQ(ProfileStatusText(s), first);

    s.OtherShown = true;
    s.OtherZ = 7;
    s.OtherZUnit = "deg";
    EXPECT_EQ(ProfileStatusText(s), first + " (7.00 deg)");

    s.MidLine1 = true;
    s.MidLine1Z = 1.5;
    s.MidLine1Unit = "nm";
    EXPECT_EQ(ProfileStatusText(s), first + " (7.00 deg)   Zmidline - 1: 1.50 nm ");
    s.MidLine2 = true;
    s.MidLine2Z = 22.125;
    s.MidLine2Unit = "deg";
    EXPECT_EQ(ProfileStatusText(s), first + " (7.00 deg)   Zmidline - 1: 1.50 nm  2:22.12 deg");
    s.MidLine1 = false;
    EXPECT_EQ(ProfileStatusText(s), first + " (7.00 deg)   Zmidline - 2:22.12 deg");

    s.AnyGraph = false;
    EXPECT_EQ(ProfileStatusText(s), "[1;2] - [30;40]       None");
}
