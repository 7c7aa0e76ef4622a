#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ComponentFixtures.h"
#include "components/ZtChart.h"

using namespace platform;
using CountingChart = componentfixtures::Counting<TZtChart>;

namespace {

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.what();
    }
    return "";
}

TEST(ZtLineSeries, OnePointPerKeyInKeyOrder)
{
    TZtChart chart;
    TZtLineSeries* s = chart.LineSeries()->Add();
    s->AddXY(1, 5);
    s->AddXY(1, 7);
    s->AddXY(-2, 3);
    s->AddXY(std::nan(""), 1); // no place in the order: dropped
    ASSERT_EQ(s->GetCount(), 2);
    EXPECT_EQ(s->GetData(0), (TDPoint{-2, 3}));
    EXPECT_EQ(s->GetData(1), (TDPoint{1, 5}));
    for (int index : {-1, 2})
        EXPECT_EQ(ErrorOf([&] { s->GetData(index); }), "Series index out of range") << index;
    EXPECT_FALSE(s->Delete(2));
    EXPECT_FALSE(s->Delete(-1));
    EXPECT_TRUE(s->Delete(0));
    EXPECT_EQ(s->GetData(0), (TDPoint{1, 5}));
    EXPECT_EQ(s->Name, "LineSeries1");
    EXPECT_EQ(chart.LineSeries()->Add()->GetDisplayName(), "LineSeries2");
}

TEST(ZtLineSeries, SearchesAndDeletesByKey)
{
    TZtChart chart;
    TZtLineSeries* s = chart.LineSeries()->Add();
    for (double x : {1, 3, 5, 7})
        s->AddXY(x, 10 * x);
    TDPoint found{-1, -1};
    ASSERT_TRUE(s->GetLowerBound({3, 0}, found));
    EXPECT_EQ(found, (TDPoint{3, 30}));
    ASSERT_TRUE(s->GetLowerBound({4, 0}, found));
    EXPECT_EQ(found, (TDPoint{5, 50}));
    ASSERT_TRUE(s->GetUpperBound({3, 0}, found));
    EXPECT_EQ(found, (TDPoint{5, 50}));
    found = {-1, -1};
    EXPECT_FALSE(s->GetUpperBound({7, 0}, found));
    EXPECT_FALSE(s->GetLowerBound({8, 0}, found));
    EXPECT_EQ(found, (TDPoint{-1, -1})); // untouched
    TZtLineSeries::iterator at;
    EXPECT_TRUE(s->Find({5, 99}, at));
    EXPECT_EQ(at->y, 50);
    EXPECT_FALSE(s->Find({4, 0}, at));
    EXPECT_EQ(at, s->end());

    int changes = 0;
    s->OnChange = [&](const void*) { ++changes; };
    EXPECT_TRUE(s->Delete(TDPoint{3, 0}));
    EXPECT_FALSE(s->Delete(TDPoint{4, 0}));
    ASSERT_TRUE(s->GetLowerBound({5, 0}, at));
    s->Delete(at);
    EXPECT_EQ(s->GetCount(), 2);
    s->Delete(s->begin(), s->end());
    EXPECT_EQ(s->GetCount(), 0);
    s->AddXY(1, 1);
    s->Clear();
    EXPECT_EQ(changes, 6); // every change of the points, also one that removed nothing
}

TEST(ZtLineSeries, ExtremesInChartOrientationCachedBetweenChanges)
{
    CountingChart chart;
    TZtLineSeries* yx = chart.LineSeries()->Add();
    TZtLineSeries* xy = chart.LineSeries()->Add();
    xy->SetTypeDependence(tdXY); // set up before the chart is loaded
    chart.Load();
    TDPoint min{-1, -1}, max{-1, -1};
    EXPECT_FALSE(yx->SearchMinMax(min, max));
    EXPECT_EQ(min, (TDPoint{-1, -1}));
    for (const TDPoint p : {TDPoint{0, 5}, TDPoint{10, -3}, TDPoint{4, 8}})
        yx->AddXY(p.x, p.y);
    ASSERT_TRUE(yx->SearchMinMax(min, max));
    EXPECT_EQ(min, (TDPoint{0, -3}));
    EXPECT_EQ(max, (TDPoint{10, 8}));
    yx->AddXY(-1, 20);
    ASSERT_TRUE(yx->SearchMinMax(min, max));
    EXPECT_EQ(min, (TDPoint{-1, -3}));
    EXPECT_EQ(max, (TDPoint{10, 20}));

    // x depends on y: stored as (y, x), keyed by y; the extremes come back as (x, y).
    xy->AddXY(2, 10);
    EXPECT_EQ(xy->GetData(0), (TDPoint{10, 2}));
    ASSERT_TRUE(xy->SearchMinMax(min, max));
    EXPECT_EQ(min, (TDPoint{2, 10}));
    EXPECT_EQ(max, (TDPoint{2, 10}));
    // Once the chart is loaded a series keeps its dependence.
    TZtLineSeries* late = chart.LineSeries()->Add();
    late->SetTypeDependence(tdXY);
    EXPECT_EQ(late->TypeDependence(), tdYX);
}

TEST(ZtChart, AutoScaleTakesTheExtremesOfEverySeries)
{
    CountingChart chart;
    TZtLineSeries* a = chart.LineSeries()->Add();
    TZtLineSeries* b = chart.LineSeries()->Add();
    chart.LineSeries()->Add(); // empty: ignored
    a->AddXY(0, 1);
    a->AddXY(10, 2);
    b->AddXY(5, -4);
    b->AddXY(20, 3);
    chart.DoAutoScale();
    EXPECT_EQ(chart.BottomAxis()->Max(), 100); // neither axis scales itself yet
    chart.BottomAxis()->SetAutoScale(true);
    chart.DoAutoScale();
    EXPECT_EQ(chart.BottomAxis()->Min(), 0);
    EXPECT_EQ(chart.BottomAxis()->Max(), 20);
    EXPECT_EQ(chart.LeftAxis()->Max(), 100);
    chart.LeftAxis()->SetAutoScale(true);
    chart.Load();
    chart.Display(); // scaled before the composition, without a second one
    EXPECT_EQ(chart.Paints, 1);
    EXPECT_EQ(chart.LeftAxis()->Min(), -4);
    EXPECT_EQ(chart.LeftAxis()->Max(), 3);
    EXPECT_EQ(chart.TopAxis()->Max(), 100);
}

TEST(ZtChart, ChangesOfASeriesRepaintWhileAutoUpdateIsOn)
{
    CountingChart chart;
    TZtLineSeries* s = chart.LineSeries()->Add();
    chart.Load();
    s->AddXY(1, 1);
    EXPECT_EQ(chart.Paints, 1);
    s->SetAutoUpdate(false);
    s->AddXY(2, 2);
    s->Pen()->SetColor(clBlue);
    EXPECT_EQ(chart.Paints, 1);
    s->SetAutoUpdate(true); // one change passed on
    EXPECT_EQ(chart.Paints, 2);
    s->SetShapeSize(-3);
    EXPECT_EQ(s->ShapeSize(), 0);
    EXPECT_EQ(chart.Paints, 3);
}

// A chart without bevel, margins or visible axes whose graph is (10, 1, 210, 99).
class ConvertingChart : public ::testing::Test {
protected:
    void SetUp() override
    {
        chart.SetBevelOuter(bvNone);
        chart.SetLeftMargin(9);
        chart.SetTopMargin(0);
        chart.SetRightMargin(0);
        chart.SetBottomMargin(0);
        chart.resize(211, 100);
    }
    TZtChart chart;
};

TEST_F(ConvertingChart, ValuesAndGraphPointsByTheLastDrawing)
{
    TDPoint v;
    EXPECT_FALSE(chart.GraphPointToValue({110, 50}, v)); // not drawn: no scale yet
    EXPECT_EQ(v, (TDPoint{0, 0}));
    chart.Display();
    ASSERT_EQ(chart.GraphRect(), Rect(10, 1, 210, 99));
    // Bottom axis 0 … 100 over 200 pixels from 10; left axis 0 … 100 over 98 from 99 up.
    TPoint p;
    EXPECT_TRUE(chart.ValueToGraphPoint({50, 50}, p));
    EXPECT_EQ(p, (TPoint{110, 50}));
    const struct {
        TDPoint Value;
        TPoint Point;
        bool Inside;
    } edges[] = {
        {{0, 50}, {10, 50}, false}, // on the graph's left edge: not strictly inside
        {{100, 50}, {210, 50}, false}, {{0.5, 50}, {11, 50}, true},
        {{50, 100}, {110, 1}, false},  {{50, 1.1}, {110, 97}, true},
    };
    for (const auto& e : edges) {
        EXPECT_EQ(chart.ValueToGraphPoint(e.Value, p), e.Inside) << e.Value.x << "," << e.Value.y;
        EXPECT_EQ(p, e.Point) << e.Value.x << "," << e.Value.y;
    }
    // Values far beyond the axes give pixels held far outside the picture, not overflows.
    EXPECT_FALSE(chart.ValueToGraphPoint({1e300, -1e300}, p));
    EXPECT_EQ(p, (TPoint{1 << 29, 1 << 29}));
    ASSERT_TRUE(chart.GraphPointToValue({110, 50}, v));
    EXPECT_DOUBLE_EQ(v.x, 50);
    EXPECT_DOUBLE_EQ(v.y, 49 / 0.98);
    EXPECT_FALSE(chart.GraphPointToValue({10, 50}, v));
    EXPECT_DOUBLE_EQ(v.x, 0); // written also when outside
}

TEST_F(ConvertingChart, SeriesAreDrawnClippedToTheGraph)
{
    // A red line at y 50 from x −50 to 150 covers the graph's row trunc(98 − 49) = 49 from its
    // left to its right column, and nothing beyond; every point is reported as drawn.
    TZtLineSeries* s = chart.LineSeries()->Add();
    s->AddXY(-50, 50);
    s->AddXY(150, 50);
    s->AddXY(50, 50);
    TZtLineSeries* far = chart.LineSeries()->Add(); // drawn without overflowing a pixel
    far->AddXY(-1e300, 1e300);
    far->AddXY(1e300, std::numeric_limits<double>::infinity());
    std::vector<std::pair<int, TPoint>> drawn;
    s->OnDrawPoint = [&](TZtLineSeries* sender, TCanvas*, TRect rect, int index, TDPoint value,
                         TPoint point) {
        EXPECT_EQ(sender, s);
        EXPECT_EQ(rect, Rect(0, 0, 200, 98));
        EXPECT_EQ(value.y, 50);
        drawn.push_back({index, point});
    };
    chart.Display();
    const int row = 1 + 49;
    TCanvas* c = chart.Canvas();
    for (int x = 10; x < 210; ++x)
        ASSERT_EQ(c->Pixels(x, row), clRed) << x;
    EXPECT_NE(c->Pixels(9, row), clRed);
    EXPECT_NE(c->Pixels(210, row), clRed);
    EXPECT_EQ(drawn, (std::vector<std::pair<int, TPoint>>{
                         {0, {-100, 49}}, {1, {100, 49}}, {2, {300, 49}}}));
    EXPECT_DOUBLE_EQ(s->ScaleX(), 2.0);
    EXPECT_DOUBLE_EQ(chart.ScaleY(), 0.98);
}

// The pixels of a 24 × 24 white sheet.
struct Sheet {
    Sheet()
    {
        Bitmap.SetPixelFormat(pf24bit);
        Bitmap.SetSize(24, 24);
        Bitmap.Canvas()->Brush.Color = clWhite;
        Bitmap.Canvas()->FillRect(Rect(0, 0, 24, 24));
        Bitmap.Canvas()->Pen = TPen{clBlack, 1, psSolid, pmCopy};
        Bitmap.Canvas()->Brush = TBrush{clRed, bsSolid};
    }
    std::vector<TColor> Pixels() const
    {
        std::vector<TColor> out;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x)
                out.push_back(Bitmap.Canvas()->Pixels(x, y));
        return out;
    }
    TBitmap Bitmap;
};

TEST(ZtLineSeries, MarkerGeometry)
{
    // Markers centred on (10, 10), worked out by hand: size 5 spans 8 … 13, size 4 spans
    // 8 … 12 (right and bottom edges exclusive); the even diagonal cross starts at 9.
    using Draw = std::function<void(TCanvas*)>;
    auto line = [](int ax, int ay, int bx, int by) {
        return [=](TCanvas* c) {
            c->MoveTo(ax, ay);
            c->LineTo(bx, by);
        };
    };
    auto poly = [](std::vector<TPoint> p) { return [=](TCanvas* c) { c->Polygon(p); }; };
    const struct {
        TZtTypePoints Type;
        int Size;
        std::vector<Draw> Expected;
    } cases[] = {
        {tpSquare, 5, {[](TCanvas* c) { c->Rectangle(8, 8, 13, 13); }}},
        {tpSquare, 4, {[](TCanvas* c) { c->Rectangle(8, 8, 12, 12); }}},
        {tpCircle, 5, {[](TCanvas* c) { c->Ellipse(8, 8, 13, 13); }}},
        {tpCircle, 4, {[](TCanvas* c) { c->Ellipse(8, 8, 12, 12); }}},
        {tpTriangle, 5, {poly({{10, 8}, {8, 13}, {13, 13}})}},
        {tpTriangle, 4, {poly({{10, 8}, {8, 12}, {12, 12}})}},
        {tpDownTriangle, 5, {poly({{10, 13}, {8, 8}, {13, 8}})}},
        {tpDownTriangle, 4, {poly({{10, 12}, {8, 8}, {12, 8}})}},
        {tpCross, 5, {line(10, 8, 10, 13), line(8, 10, 13, 10)}},
        {tpCross, 4, {line(10, 8, 10, 12), line(8, 10, 12, 10)}},
        {tpDiagonalCross, 5, {line(8, 8, 13, 13), line(8, 13, 13, 8)}},
        {tpDiagonalCross, 4, {line(9, 9, 12, 12), line(9, 12, 12, 9)}},
        {tpStar,
         5,
         {line(8, 8, 13, 13), line(8, 13, 13, 8), line(10, 8, 10, 13), line(8, 10, 13, 10)}},
        {tpStar,
         4,
         {line(9, 9, 12, 12), line(9, 12, 12, 9), line(10, 8, 10, 12), line(9, 10, 12, 10)}},
        {tpDiamond, 5, {poly({{10, 8}, {12, 10}, {10, 12}, {8, 10}})}},
        {tpDiamond, 4, {poly({{10, 8}, {12, 10}, {10, 12}, {8, 10}})}},
        {tpNone, 5, {}},
    };
    TZtChart chart;
    TZtLineSeries* s = chart.LineSeries()->Add();
    for (const auto& c : cases) {
        s->SetTypePoints(c.Type);
        s->SetShapeSize(c.Size);
        Sheet actual, expected;
        s->DrawShapePoint(actual.Bitmap.Canvas(), 10, 10);
        for (const Draw& d : c.Expected)
            d(expected.Bitmap.Canvas());
        EXPECT_EQ(actual.Pixels(), expected.Pixels()) << int(c.Type) << " size " << c.Size;
    }
}

TEST(ZtLineSeries, PaintDrawsMarkersOnlyWithASize)
{
    // One point in the middle of a 24 × 24 rectangle (axes 0 … 100): pixel (12, 12).
    TZtChart chart;
    TZtLineSeries* s = chart.LineSeries()->Add();
    s->AddXY(50, 50);
    s->SetTypePoints(tpSquare);
    s->ShapeBrush()->SetColor(clBlue);
    Sheet sheet;
    s->Paint(sheet.Bitmap.Canvas(), Rect(0, 0, 24, 24));
    EXPECT_EQ(sheet.Bitmap.Canvas()->Pixels(12, 12), clBlue);
    EXPECT_EQ(sheet.Bitmap.Canvas()->Pixels(10, 10), clBlack); // the marker's outline
    s->SetShapeSize(-3);
    Sheet bare;
    s->Paint(bare.Bitmap.Canvas(), Rect(0, 0, 24, 24));
    EXPECT_EQ(bare.Pixels(), Sheet().Pixels());
}

TEST(ZtLineSeries, AssignCopiesTheLookNotTheNameOrPoints)
{
    TZtChart chart;
    TZtLineSeries* a = chart.LineSeries()->Add();
    TZtLineSeries* b = chart.LineSeries()->Add();
    a->SetAutoUpdate(false);
    a->SetTypePoints(tpStar);
    a->SetShapeSize(9);
    a->Pen()->SetColor(clGreen);
    a->ShapePen()->SetWidth(2);
    a->ShapeBrush()->SetColor(clBlue);
    a->AddXY(1, 1);
    a->Name = "first";
    b->Assign(a);
    EXPECT_FALSE(b->AutoUpdate());
    EXPECT_EQ(b->TypePoints(), tpStar);
    EXPECT_EQ(b->ShapeSize(), 9);
    EXPECT_EQ(b->Pen()->Color(), clGreen);
    EXPECT_EQ(b->ShapePen()->Width(), 2);
    EXPECT_EQ(b->ShapeBrush()->Color(), clBlue);
    EXPECT_EQ(b->GetCount(), 0);
    EXPECT_EQ(b->Name, "LineSeries2");
    EXPECT_EQ(ErrorOf([&] { b->Assign(chart.BottomAxis()); }), "Can'not assign to TZtLineSeries");
    EXPECT_EQ(ErrorOf([&] { b->Assign(nullptr); }), "Can'not assign to TZtLineSeries");
    // A copy joins the same collection with the same look.
    auto* c = new TZtLineSeries(a);
    EXPECT_EQ(c->Collection(), chart.LineSeries());
    EXPECT_EQ(chart.LineSeries()->Count(), 3);
    EXPECT_EQ(c->TypePoints(), tpStar);
    EXPECT_EQ(c->GetCount(), 0);
    // SetItem copies into the series held; deleting a series takes it out.
    chart.LineSeries()->SetItem(1, c);
    delete c;
    EXPECT_EQ(chart.LineSeries()->Count(), 2);
    chart.LineSeries()->Delete(0);
    EXPECT_EQ(chart.LineSeries()->GetItem(0), b);
    EXPECT_EQ(chart.LineSeries()->GetItem(1), nullptr);
}

TEST(ZtChart, InTheDesignerSeriesShowSamplePoints)
{
    CountingChart chart;
    chart.SetDesigning(true);
    TZtLineSeries* s = chart.LineSeries()->Add();
    EXPECT_GT(s->GetCount(), 0);
    EXPECT_LE(s->GetCount(), 20);
    for (auto it = s->begin(); it != s->end(); ++it) {
        EXPECT_GE(it->x, 0);
        EXPECT_LE(it->x, 100);
        EXPECT_GE(it->y, 0);
        EXPECT_LE(it->y, 100);
    }
    // Added in the designer, the dependence may still change.
    s->SetTypeDependence(tdXY);
    EXPECT_EQ(s->TypeDependence(), tdXY);
    const int before = s->GetCount();
    chart.Load();
    EXPECT_GT(s->GetCount(), before);
    // Taking a series out in the designer repaints.
    delete s;
    EXPECT_EQ(chart.Paints, 1);
}

} // namespace

namespace {

TEST(ZtLineSeries, APlainPolylineDrawsWhatLineByLineDrawingDraws)
{
    // With nothing between the lines the series is drawn as one polyline; with a draw-point
    // handler that draws nothing it goes line by line. Both must give the same pixels, also
    // with an inverting pen that shows every pixel written twice.
    std::mt19937 rng(3);
    for (const TPenMode mode : {pmCopy, pmNot}) {
        TZtChart chart;
        TZtLineSeries* s = chart.LineSeries()->Add();
        s->Pen()->SetMode(mode);
        double y = 50;
        for (int i = 0; i < 3000; ++i) {
            y += double(int(rng() % 21) - 10) / 3;
            s->AddXY(i / 30.0 + double(rng() % 100) / 1e4, y);
        }
        TBitmap batched, lines;
        for (TBitmap* b : {&batched, &lines}) {
            b->SetPixelFormat(pf24bit);
            b->SetSize(120, 90);
            b->Canvas()->Brush = TBrush{clWhite, bsSolid};
            b->Canvas()->FillRect(Rect(0, 0, 120, 90));
        }
        s->Paint(batched.Canvas(), Rect(0, 0, 120, 90));
        s->OnDrawPoint = [](TZtLineSeries*, TCanvas*, TRect, int, TDPoint, TPoint) {};
        s->Paint(lines.Canvas(), Rect(0, 0, 120, 90));
        int drawn = 0;
        for (int py = 0; py < 90; ++py)
            for (int px = 0; px < 120; ++px) {
                ASSERT_EQ(batched.Canvas()->Pixels(px, py), lines.Canvas()->Pixels(px, py))
                    << mode << " at " << px << "," << py;
                drawn += batched.Canvas()->Pixels(px, py) != clWhite;
            }
        EXPECT_GT(drawn, 100);
        EXPECT_EQ(batched.Canvas()->PenPos(), lines.Canvas()->PenPos());
    }
}

} // namespace
