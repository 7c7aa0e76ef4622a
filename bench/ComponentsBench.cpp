// The component library's costly drawing, on the offscreen platform:
// - a line chart of 100 000 points redrawn into a 1000 × 600 frame (the whole composition:
//   frame, axes with labels, the series clipped to the graph) against drawing the same
//   polyline directly on a canvas of the graph's size;
// - a 1024 × 1024 matrix image (bilinear off) built from its values and composed in its frame's
//   buffer (bevel, work area, the picture copied into the graph) against the 2-D view's picture
//   of a 1024 × 1024 channel (indexes and palette picture); in both the controls' copy to the
//   screen is left out.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "BenchData.h"
#include "BenchQt.h"
#include "views/View2D.h"
#include "components/ZtChart.h"
#include "components/ZtMatrixImage.h"
#include "components/Ztservicefuncs.h"

namespace {

constexpr int kPoints = 100000;
constexpr int kSide = 1024;

//! A loaded chart of 1000 × 600 with both axes shown and one series of kPoints points of a
//! noisy wave (fixed seed).
struct ChartFixture {
    ChartFixture()
    {
        chart.resize(1000, 600);
        chart.LeftAxis()->SetVisible(true);
        chart.BottomAxis()->SetVisible(true);
        chart.BottomAxis()->SetMax(kPoints);
        chart.BottomAxis()->SetFrequency(10000);
        series = chart.LineSeries()->Add();
        std::mt19937 rng(12345);
        for (int i = 0; i < kPoints; ++i)
            series->AddXY(i,
                          50 + 40 * std::sin(i * 0.001) + static_cast<double>(rng() % 1000) / 100);
        chart.Loaded();
        chart.Display();
    }
    TZtChart chart;
    TZtLineSeries* series = nullptr;
};

ChartFixture& Chart()
{
    static ChartFixture f;
    return f;
}

void BM_ChartRedraw(benchmark::State& state)
{
    TZtChart& chart = Chart().chart;
    for (auto _ : state)
        chart.Display();
}

//! The same points as pixels of the graph, drawn as one polyline on a canvas of its size.
void BM_ChartPolyline(benchmark::State& state)
{
    ChartFixture& f = Chart();
    const platform::TRect g = f.chart.GraphRect();
    platform::TBitmap canvas;
    canvas.SetPixelFormat(platform::pf24bit);
    canvas.SetSize(g.Width(), g.Height());
    std::vector<platform::TPoint> points;
    const double kx = g.Width() / double(kPoints);
    const double ky = g.Height() / 100.0;
    for (auto it = f.series->begin(); it != f.series->end(); ++it)
        points.push_back({TruncPixel(it->x * kx), TruncPixel(g.Height() - it->y * ky)});
    canvas.Canvas()->Pen.Color = platform::clRed;
    for (auto _ : state)
        canvas.Canvas()->Polyline(points);
}

//! A matrix image whose graph is kSide × kSide, and the values it shows.
struct MatrixFixture {
    MatrixFixture()
    {
        image.SetBevelOuter(bvNone);
        image.SetLeftMargin(0);
        image.SetTopMargin(0);
        image.SetRightMargin(0);
        image.SetBottomMargin(0);
        image.resize(kSide + 2, kSide + 2);
        std::mt19937 rng(12345);
        values.resize(std::size_t(kSide) * kSide);
        for (int r = 0; r < kSide; ++r)
            for (int c = 0; c < kSide; ++c)
                values[std::size_t(r) * kSide + c] = (r * 13 + c * 7) % 20000 + int(rng() % 5000);
    }
    TZtMatrixImage image;
    std::vector<std::int32_t> values;
};

void BM_MatrixImage1024(benchmark::State& state)
{
    static MatrixFixture f;
    platform::TBitmap buffer;
    buffer.SetPixelFormat(platform::pf24bit);
    f.image.BeginUpdate(); // no repaint of the control
    for (auto _ : state) {
        f.image.SetNewData(f.values.data(), kSide, kSide);
        f.image.PrepareDisplayedBitmap(&buffer);
    }
    f.image.EndUpdate();
    if (f.image.GraphRect().Width() != kSide || f.image.GraphRect().Height() != kSide)
        state.SkipWithError("the graph is not 1024 × 1024");
}

//! The 2-D view's picture of a 1024 × 1024 channel: the index image, then the picture.
void BM_View2DPicture1024(benchmark::State& state)
{
    static std::unique_ptr<TObjectSPM> step = benchdata::MakeStep(kSide);
    static std::unique_ptr<TView2DForm> view = std::make_unique<TView2DForm>(step.get(), 0);
    view->Image->BeginUpdate();
    for (auto _ : state) {
        view->RenderImage();
        view->DrawPicture();
    }
    view->Image->EndUpdate();
}

} // namespace

BENCHMARK(BM_ChartPolyline)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_ChartRedraw)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_View2DPicture1024)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_MatrixImage1024)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();

int main(int argc, char** argv)
{
    return benchsupport::RunQtBenchmarks(argc, argv,
                                         {{"BM_ChartRedraw", "BM_ChartPolyline", 3.0},
                                          {"BM_MatrixImage1024", "BM_View2DPicture1024", 2.0}});
}
