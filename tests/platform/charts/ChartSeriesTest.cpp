#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/charts/ChartSeries.h"

using charts::TAxisKind;
using charts::TChartSeries;
using charts::TSeriesKind;

namespace {

std::vector<double> Xs(const TChartSeries& s)
{
    std::vector<double> xs;
    for (int i = 0; i < s.Count(); ++i)
        xs.push_back(s.X(i));
    return xs;
}

std::vector<QString> Labels(const TChartSeries& s)
{
    std::vector<QString> labels;
    for (int i = 0; i < s.Count(); ++i)
        labels.push_back(s.Point(i).Label);
    return labels;
}

}  // namespace

TEST(ChartSeries, SortedSeriesInsertsAfterEqualAndSmallerX)
{
    TChartSeries s(TSeriesKind::FastLine, "s");
    s.SetSorted(true);
    // The answer is the index the point took.
    EXPECT_EQ(s.AddXY(3, 30, "a"), 0);
    EXPECT_EQ(s.AddXY(1, 10, "b"), 0);
    EXPECT_EQ(s.AddXY(2, 20, "c"), 1);
    EXPECT_EQ(s.AddXY(1, 11, "d"), 1);
    EXPECT_EQ(s.AddXY(-5, 0, "e"), 0);
    EXPECT_EQ(Xs(s), (std::vector<double>{-5, 1, 1, 2, 3}));
    EXPECT_EQ(Labels(s), (std::vector<QString>{"e", "b", "d", "c", "a"}));
    EXPECT_EQ(s.Y(2), 11);
}

TEST(ChartSeries, UnsortedKeepsOrderUntilSortedStably)
{
    TChartSeries s(TSeriesKind::Line, "s");
    for (auto [x, label] : {std::pair{2.0, "a"}, {1.0, "b"}, {2.0, "c"}, {0.0, "d"}})
        s.AddXY(x, 0, label);
    EXPECT_EQ(Xs(s), (std::vector<double>{2, 1, 2, 0}));
    s.SetSorted(true);
    EXPECT_EQ(Xs(s), (std::vector<double>{0, 1, 2, 2}));
    EXPECT_EQ(Labels(s), (std::vector<QString>{"d", "b", "a", "c"}));
}

TEST(ChartSeries, PointsChangeInPlaceAndIndexesOutsideAreIgnored)
{
    TChartSeries s(TSeriesKind::Line, "s");
    s.SetSorted(true);
    s.AddXY(1, 1);
    s.AddXY(2, 2, "", Qt::blue);
    int changes = 0;
    s.OnChange = [&changes] { ++changes; };
    s.SetX(1, -7);  // not sorted again
    s.SetY(0, 5);
    s.SetX(2, 9);
    s.SetY(-1, 9);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(Xs(s), (std::vector<double>{1, -7}));
    EXPECT_EQ(s.Y(0), 5);
    EXPECT_EQ(s.Point(1).Color, QColor(Qt::blue));
    EXPECT_FALSE(s.Point(0).Color.isValid());
    EXPECT_EQ(s.X(2), 0);
    EXPECT_EQ(s.Y(-1), 0);
    s.Clear();
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(changes, 3);
}

TEST(ChartSeries, RangesLeaveOutPointsThatAreNotFinite)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    TChartSeries s(TSeriesKind::Line, "s");
    s.SetSorted(true);
    double low = 0;
    double high = 0;
    EXPECT_FALSE(s.XRange(low, high));
    s.AddXY(nan, 1);
    s.AddXY(-inf, 2);
    s.AddXY(3, nan);
    EXPECT_FALSE(s.YRange(low, high));
    s.AddXY(4, -2);
    s.AddXY(-1, 6);
    ASSERT_TRUE(s.XRange(low, high));
    EXPECT_EQ(low, -1);
    EXPECT_EQ(high, 4);
    ASSERT_TRUE(s.YRange(low, high));
    EXPECT_EQ(low, -2);
    EXPECT_EQ(high, 6);
    EXPECT_TRUE(std::isnan(s.X(s.Count() - 1)));  // a NaN X goes to the end
}

TEST(ChartSeries, StyleLimits)
{
    TChartSeries line(TSeriesKind::Line, "Ideal line");
    TChartSeries fast(TSeriesKind::FastLine, "");
    EXPECT_EQ(line.Title(), "Ideal line");
    EXPECT_EQ(line.Color(), QColor(Qt::red));
    EXPECT_EQ(line.LineWidth(), 1);
    EXPECT_TRUE(line.ShowInLegend());
    for (auto [asked, kept] : {std::pair{0, 1}, {1, 1}, {7, 7}, {10, 10}, {11, 10}, {-3, 1}}) {
        line.SetLineWidth(asked);
        EXPECT_EQ(line.LineWidth(), kept) << asked;
    }
    line.SetPointsVisible(true);
    fast.SetPointsVisible(true);
    EXPECT_TRUE(line.PointsVisible());
    EXPECT_FALSE(fast.PointsVisible());
    line.SetVerticalAxis(TAxisKind::Right);
    line.SetVerticalAxis(TAxisKind::Top);  // not a vertical axis
    line.SetHorizontalAxis(TAxisKind::Top);
    line.SetHorizontalAxis(TAxisKind::Left);
    EXPECT_EQ(line.VerticalAxis(), TAxisKind::Right);
    EXPECT_EQ(line.HorizontalAxis(), TAxisKind::Top);
}
