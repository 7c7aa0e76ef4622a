#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QSignalSpy>
#include <QTest>
#include <QValueAxis>
#include <cstring>
#include <sys/stat.h>
#include <limits>

#include "platform/charts/Chart.h"
#include "support/TestSupport.h"

using charts::TAxisKind;
using charts::TChart;
using charts::TChartAxis;
using charts::TSeriesKind;

namespace {

// The axis of Qt Charts drawn for one of the chart's axes.
QValueAxis* DrawnAxis(TChart& chart, Qt::Alignment alignment)
{
    for (QAbstractAxis* axis : chart.chart()->axes())
        if (axis->alignment() == alignment)
            return qobject_cast<QValueAxis*>(axis);
    return nullptr;
}

struct Range {
    double Minimum;
    double Maximum;
};

Range RangeOf(TChartAxis& axis)
{
    return {axis.Minimum(), axis.Maximum()};
}

} // namespace

TEST(Chart, AutomaticRangesFollowTheSeriesOfEachAxis)
{
    TChart chart;
    // Without series: 0..1 everywhere.
    EXPECT_EQ(RangeOf(chart.LeftAxis()).Minimum, 0);
    EXPECT_EQ(RangeOf(chart.LeftAxis()).Maximum, 1);

    auto& left = chart.AddSeries(TSeriesKind::Line, "left");
    auto& right = chart.AddSeries(TSeriesKind::Line, "right");
    right.SetVerticalAxis(TAxisKind::Right);
    right.SetHorizontalAxis(TAxisKind::Top);
    left.AddXY(-2, 10);
    left.AddXY(5, -4);
    left.AddXY(std::numeric_limits<double>::infinity(), 1000);
    right.AddXY(100, 7);
    right.AddXY(300, 7); // one value only: widened by one each way

    EXPECT_EQ(chart.BottomAxis().Minimum(), -2);
    EXPECT_EQ(chart.BottomAxis().Maximum(), 5);
    EXPECT_EQ(chart.LeftAxis().Minimum(), -4);
    EXPECT_EQ(chart.LeftAxis().Maximum(), 10);
    EXPECT_EQ(chart.TopAxis().Minimum(), 100);
    EXPECT_EQ(chart.TopAxis().Maximum(), 300);
    EXPECT_EQ(chart.RightAxis().Minimum(), 6);
    EXPECT_EQ(chart.RightAxis().Maximum(), 8);
    EXPECT_EQ(DrawnAxis(chart, Qt::AlignLeft)->min(), -4);
    EXPECT_EQ(DrawnAxis(chart, Qt::AlignRight)->max(), 8);

    // A range that is set stays; automatic scaling can be turned on again.
    chart.LeftAxis().SetMinMax(3, 1);
    left.AddXY(0, 99);
    EXPECT_FALSE(chart.LeftAxis().Automatic());
    EXPECT_EQ(chart.LeftAxis().Minimum(), 3);
    EXPECT_EQ(chart.LeftAxis().Maximum(), 3);
    chart.LeftAxis().SetMinMax(0, std::numeric_limits<double>::quiet_NaN()); // refused
    EXPECT_EQ(chart.LeftAxis().Minimum(), 3);
    chart.LeftAxis().SetAutomatic(true);
    EXPECT_EQ(chart.LeftAxis().Maximum(), 99);
    left.Clear();
    EXPECT_EQ(chart.LeftAxis().Minimum(), 0);
    EXPECT_EQ(chart.LeftAxis().Maximum(), 1);
}

TEST(Chart, AxesAreDrawnWhenInUse)
{
    TChart chart;
    chart.Refresh();
    auto shown = [&chart](Qt::Alignment a) { return DrawnAxis(chart, a)->isVisible(); };
    EXPECT_TRUE(shown(Qt::AlignLeft));
    EXPECT_TRUE(shown(Qt::AlignBottom));
    EXPECT_FALSE(shown(Qt::AlignRight));
    EXPECT_FALSE(shown(Qt::AlignTop));

    // An image chart: top and left axes only.
    auto& s = chart.AddSeries(TSeriesKind::FastLine);
    s.SetHorizontalAxis(TAxisKind::Top);
    chart.Refresh();
    EXPECT_TRUE(shown(Qt::AlignLeft));
    EXPECT_TRUE(shown(Qt::AlignTop));
    EXPECT_FALSE(shown(Qt::AlignBottom));
    chart.LeftAxis().SetVisible(false);
    chart.Refresh();
    EXPECT_FALSE(shown(Qt::AlignLeft));
}

TEST(Chart, PixelsAndAxisValuesConvertBothWays)
{
    TChart chart;
    chart.resize(400, 300);
    chart.AddSeries(TSeriesKind::Line).SetHorizontalAxis(TAxisKind::Top);
    chart.TopAxis().SetMinMax(0, 200);
    chart.LeftAxis().SetMinMax(0, 100);
    chart.LeftAxis().SetInverted(true); // 0 at the top, as an image's rows
    chart.BottomAxis().SetMinMax(-1, 1);
    const QRect area = chart.PlotArea();
    ASSERT_GT(area.width(), 100);
    ASSERT_GT(area.height(), 100);
    ASSERT_TRUE(QRect(0, 0, 400, 300).contains(area));

    EXPECT_NEAR(chart.TopAxis().CalcPosPoint(area.left()), 0, 1.0);
    EXPECT_NEAR(chart.TopAxis().CalcPosPoint(area.right()), 200, 1.0);
    EXPECT_NEAR(chart.LeftAxis().CalcPosPoint(area.top()), 0, 1.0);
    EXPECT_NEAR(chart.LeftAxis().CalcPosPoint(area.bottom()), 100, 1.0);
    chart.LeftAxis().SetInverted(false);
    EXPECT_NEAR(chart.LeftAxis().CalcPosPoint(area.top()), 100, 1.0);
    EXPECT_NEAR(chart.LeftAxis().CalcPosPoint(area.bottom()), 0, 1.0);
    for (double v : {0.0, 37.5, 100.0, 150.0}) {
        const int pixel = chart.TopAxis().CalcPosValue(v);
        EXPECT_NEAR(chart.TopAxis().CalcPosPoint(pixel), v, 0.5) << v;
        const int row = chart.LeftAxis().CalcPosValue(v);
        EXPECT_NEAR(chart.LeftAxis().CalcPosPoint(row), v, 0.5) << v;
    }
    // Outside the plot area the line goes on.
    EXPECT_GT(chart.TopAxis().CalcPosPoint(area.right() + 50), 200);
    // An axis set to no length is drawn, and converts, one unit long.
    chart.TopAxis().SetMinMax(5, 5);
    EXPECT_EQ(chart.TopAxis().Maximum(), 5);
    const QRect narrow = chart.PlotArea();
    EXPECT_NEAR(chart.TopAxis().CalcPosPoint(narrow.left()), 5, 0.02);
    EXPECT_NEAR(chart.TopAxis().CalcPosPoint(narrow.right()), 6, 0.02);
    EXPECT_NEAR(chart.TopAxis().CalcPosValue(6), narrow.right(), 1);
}

TEST(Chart, LabelValueGroupsThousandsAndKeepsThreeDecimals)
{
    const std::pair<double, const char*> cases[] = {
        {0, "0"},           {7, "7"},
        {-7, "-7"},         {1234.5, "1,234.5"},
        {-0.125, "-0.125"}, {0.0004, "0"},
        {-0.0004, "0"},     {999.9996, "1,000"},
        {1e6, "1,000,000"}, {123456.25, "123,456.25"},
        {100, "100"},       {2.0005, "2.001"},
    };
    for (auto [value, text] : cases)
        EXPECT_EQ(TChartAxis::LabelValue(value).toStdString(), text) << value;
    EXPECT_EQ(TChartAxis::LabelValue(std::numeric_limits<double>::infinity()), "INF");
}

TEST(Chart, SeriesAreDrawnWithTheirStyleAndWithoutPointsThatAreNotFinite)
{
    TChart chart;
    auto& s = chart.AddSeries(TSeriesKind::FastLine, "hidden");
    s.SetShowInLegend(false);
    s.SetColor(Qt::green);
    s.SetLineWidth(4);
    s.AddXY(0, 1);
    s.AddXY(1, std::numeric_limits<double>::quiet_NaN());
    s.AddXY(2, 3, "", Qt::blue);
    auto& ideal = chart.AddSeries(TSeriesKind::Line, "Ideal line");
    ideal.SetMarksVisible(true);
    chart.resize(400, 300);
    chart.PlotArea(); // drawn and laid out
    const auto drawn = chart.chart()->series();
    ASSERT_EQ(drawn.size(), 2);
    auto* line = qobject_cast<QLineSeries*>(drawn[0]);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->count(), 2);
    EXPECT_EQ(line->at(1), QPointF(2, 3));
    EXPECT_EQ(line->pen().color(), QColor(Qt::green));
    EXPECT_EQ(line->pen().width(), 4);
    EXPECT_EQ(
        line->pointConfiguration(1).value(QXYSeries::PointConfiguration::Color).value<QColor>(),
        QColor(Qt::blue));
    EXPECT_FALSE(chart.chart()->legend()->markers(line).at(0)->isVisible());
    auto* second = qobject_cast<QLineSeries*>(drawn[1]);
    EXPECT_TRUE(chart.chart()->legend()->markers(second).at(0)->isVisible());
    EXPECT_EQ(second->name(), "Ideal line");
    EXPECT_TRUE(second->pointLabelsVisible());
}

TEST(Chart, SavesItsPictureAsABitmapWithTheBackgroundPictureInsideTheAxes)
{
    testsupport::ScratchDir dir;
    TChart chart;
    chart.resize(320, 240);
    chart.SetLegendVisible(false);
    chart.SetColor(QColor(0, 0, 255));
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 255, 0));
    picture.setPixel(0, 1, qRgb(255, 255, 0));
    picture.setPixel(1, 1, qRgb(255, 255, 255));
    chart.SetBackImage(picture);
    chart.LeftAxis().SetGridVisible(false);
    chart.BottomAxis().SetGridVisible(false);
    const std::string path = dir.File("chart.bmp");
    ASSERT_TRUE(chart.SaveToBitmapFile(QString::fromStdString(path)));

    const auto bytes = testsupport::ReadBytes(path);
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bits = 0;
    std::memcpy(&width, &bytes[18], 4);
    std::memcpy(&height, &bytes[22], 4);
    std::memcpy(&bits, &bytes[28], 2);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(std::abs(height), 240);
    EXPECT_EQ(bits, 24);

    const QImage saved(QString::fromStdString(path));
    ASSERT_EQ(saved.size(), QSize(320, 240));
    const QRect area = chart.PlotArea();
    const QPoint inset(area.width() / 8, area.height() / 8);
    EXPECT_EQ(saved.pixel(area.topLeft() + inset), qRgb(255, 0, 0));
    EXPECT_EQ(saved.pixel(area.topRight() + QPoint(-inset.x(), inset.y())), qRgb(0, 255, 0));
    EXPECT_EQ(saved.pixel(area.bottomLeft() + QPoint(inset.x(), -inset.y())), qRgb(255, 255, 0));
    EXPECT_EQ(saved.pixel(area.bottomRight() - inset), qRgb(255, 255, 255));
    EXPECT_EQ(saved.pixel(2, 2), qRgb(0, 0, 255)); // the panel around the plot

    // Without the picture the back colour shows inside the axes.
    chart.SetBackImage(QImage());
    chart.SetBackColor(QColor(0, 128, 0));
    ASSERT_TRUE(chart.SaveToBitmapFile(QString::fromStdString(path)));
    EXPECT_EQ(QImage(QString::fromStdString(path)).pixel(area.center()), qRgb(0, 128, 0));

    EXPECT_FALSE(chart.SaveToBitmapFile(QString::fromStdString(dir.File("missing/chart.bmp"))));

    // A FIFO named as the picture is refused at once, for the chart and a plain image.
    ASSERT_EQ(::mkfifo(dir.File("fifo.bmp").c_str(), 0600), 0);
    const QString fifo = QString::fromStdString(dir.File("fifo.bmp"));
    EXPECT_TRUE(testsupport::EndsWithoutWaitingOn({dir.File("fifo.bmp")}, [&] {
        EXPECT_FALSE(chart.SaveToBitmapFile(fifo));
        EXPECT_FALSE(charts::SaveImageAsBmp(saved, fifo));
    }));
}

TEST(Chart, ReportsMouseMovesAndButtonsInItsPixels)
{
    TChart chart;
    chart.resize(200, 150);
    chart.show();
    QSignalSpy moves(&chart, &TChart::MouseMove);
    QSignalSpy downs(&chart, &TChart::MouseDown);
    QTest::mouseMove(chart.viewport(), QPoint(40, 30));
    QTest::mousePress(chart.viewport(), Qt::RightButton, Qt::ShiftModifier, QPoint(50, 60));
    ASSERT_GE(moves.count(), 1);
    EXPECT_EQ(moves.last().at(1).toInt(), 40);
    EXPECT_EQ(moves.last().at(2).toInt(), 30);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs[0].at(0).value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(downs[0].at(1).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
    EXPECT_EQ(downs[0].at(2).toInt(), 50);
    EXPECT_EQ(downs[0].at(3).toInt(), 60);
}

TEST(Chart, OverlaysAreDrawnOverAKeptPictureOfTheRest)
{
    TChart chart;
    chart.resize(320, 240);
    chart.LeftAxis().SetGridVisible(false);
    chart.BottomAxis().SetGridVisible(false);
    chart.LeftAxis().SetMinMax(0, 1);
    chart.BottomAxis().SetMinMax(0, 1);
    auto& plain = chart.AddSeries(TSeriesKind::FastLine, "plain");
    plain.SetColor(QColor(0, 0, 255));
    plain.SetLineWidth(4);
    plain.AddXY(0, 0.5);
    plain.AddXY(1, 0.5);
    auto& overlay = chart.AddSeries(TSeriesKind::FastLine, "overlay");
    overlay.SetColor(QColor(255, 0, 0));
    overlay.SetLineWidth(2);
    overlay.SetOverlay(true);
    overlay.AddXY(0.75, 0);
    overlay.AddXY(0.75, 1);
    chart.show();
    QApplication::processEvents();

    const auto picture = [&chart] {
        QApplication::processEvents();
        return chart.grab().toImage();
    };
    const auto at = [&chart](double x, double y) {
        return QPoint(chart.BottomAxis().CalcPosValue(x), chart.LeftAxis().CalcPosValue(y));
    };
    QImage image = picture();
    EXPECT_EQ(image.pixel(at(0.75, 0.25)), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(at(0.25, 0.5)), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(at(0.25, 0.25)), qRgb(255, 255, 255));
    // The overlay is no series of the chart library and has no legend entry.
    ASSERT_EQ(chart.chart()->series().size(), 2);
    EXPECT_EQ(static_cast<QLineSeries*>(chart.chart()->series()[1])->count(), 0);
    int shown = 0;
    for (QLegendMarker* marker : chart.chart()->legend()->markers())
        shown += marker->isVisible();
    EXPECT_EQ(shown, 1);

    // Moved: drawn where it goes, gone where it was.
    overlay.SetX(0, 0.25);
    overlay.SetX(1, 0.25);
    image = picture();
    EXPECT_EQ(image.pixel(at(0.25, 0.25)), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(at(0.75, 0.25)), qRgb(255, 255, 255));

    // A change of the rest of the chart shows at once, the overlay still over it.
    plain.SetY(0, 0.25);
    plain.SetY(1, 0.25);
    image = picture();
    EXPECT_EQ(image.pixel(at(0.5, 0.25)), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(at(0.5, 0.5)), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(at(0.25, 0.75)), qRgb(255, 0, 0));

    // The overlay follows a new range of its axis.
    chart.BottomAxis().SetMinMax(0, 0.5);
    image = picture();
    EXPECT_EQ(image.pixel(at(0.25, 0.75)), qRgb(255, 0, 0));

    // No longer an overlay: an ordinary series again.
    overlay.SetOverlay(false);
    QApplication::processEvents();
    EXPECT_EQ(static_cast<QLineSeries*>(chart.chart()->series()[1])->count(), 2);
    EXPECT_EQ(picture().pixel(at(0.25, 0.75)), qRgb(255, 0, 0));
}
