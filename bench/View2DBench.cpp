// The 2-D view's costly drawing, on the offscreen platform with every core:
// - the zoom-1 picture of a 2048 × 2048 channel (the index image, then the view's picture:
//   background, frames, the image through the palette and the bar) against a memcpy of the
//   finished 32-bit picture;
// - the zoom-8 picture of a 512 × 512 channel (coarse grid, refinement, indexes in their
//   working rows, then the picture) against writing as many 32-bit pixels once;
// - both as whole redraws (Compose: also the axes labels and the control's repaint, the
//   screen copy of the picture), and the zoom run through the progress dialog as the user
//   starts it;
// - the shading of a 2048 × 2048 channel (angles, range, palette) against one pass over
//   its values, with the time per sample.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "BenchData.h"
#include "BenchQt.h"
#include "views/View2D.h"
#include "data/ObjectSPM.h"
#include "data/Surfacedata.h"
#include "platform/core/Progress.h"
#include "platform/gui/Bitmap.h"

namespace {

struct Fixture {
    explicit Fixture(int side)
        : step(benchdata::MakeStep(side)), view(std::make_unique<TView2DForm>(step.get(), 0))
    {
    }
    ~Fixture() { view.reset(); }
    std::unique_ptr<TObjectSPM> step;
    std::unique_ptr<TView2DForm> view;
};

Fixture& Big()
{
    static Fixture f(2048);
    return f;
}

Fixture& Zoomed()
{
    static Fixture f(512);
    return f;
}

Fixture& Zoom8()
{
    static Fixture* f = [] {
        auto* g = new Fixture(512);
        g->view->SetZoom(8); // through the progress dialog, once
        return g;
    }();
    return *f;
}

void BM_PictureMemcpy(benchmark::State& state)
{
    const platform::TBitmap* picture = Big().view->Image->Background();
    const std::size_t bytes = std::size_t(picture->BytesPerLine()) * picture->Height();
    std::vector<std::uint8_t> copy(bytes);
    for (auto _ : state) {
        std::memcpy(copy.data(), picture->ScanLine(0), bytes);
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
}

//! The picture only: the update bracket stays open, so the control does not repaint.
void BM_Zoom1Picture(benchmark::State& state)
{
    TView2DForm& view = *Big().view;
    view.Image->BeginUpdate();
    for (auto _ : state) {
        view.RenderImage();
        view.DrawPicture();
    }
    view.Image->EndUpdate();
}

void BM_Zoom1Redraw(benchmark::State& state)
{
    TView2DForm& view = *Big().view;
    for (auto _ : state) {
        view.RenderImage();
        view.Compose();
    }
}

void BM_Zoom8Pixels(benchmark::State& state)
{
    const std::size_t n = std::size_t(ZoomedSize(512, 8)) * std::size_t(ZoomedSize(512, 8));
    std::vector<std::uint32_t> pixels(n);
    std::uint32_t colour = 0xFF000000u;
    for (auto _ : state) {
        std::fill(pixels.begin(), pixels.end(), ++colour);
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}

//! The zoom worker's computation as the view runs it: its working rows, the refinement and
//! the indexes.
void Zoom8Indexes(TView2DForm& view)
{
    TSPMData& ch = *view.ChannelData;
    platform::NullProgress progress;
    ch.Lock();
    view.RowBuffers.Allocate(view.ZoomedWidth, ZoomWorkRows(512, 8));
    ZoomIndexesInBands(ch.Data, 512, 512, 8, ch.Header.Min, ch.RawPerColour, ch.ColourCount,
                       view.RowBuffers, view.ImageIndexes.data(), progress, 0);
    view.RowBuffers.Free();
    ch.Unlock();
}

void BM_Zoom8Picture(benchmark::State& state)
{
    TView2DForm& view = *Zoom8().view;
    view.Image->BeginUpdate();
    for (auto _ : state) {
        Zoom8Indexes(view);
        view.DrawPicture();
    }
    view.Image->EndUpdate();
}

void BM_Zoom8Redraw(benchmark::State& state)
{
    TView2DForm& view = *Zoom8().view;
    for (auto _ : state) {
        Zoom8Indexes(view);
        view.Compose();
    }
}

void BM_Zoom8ThroughTheDialog(benchmark::State& state)
{
    TView2DForm& view = *Zoomed().view;
    for (auto _ : state) {
        state.PauseTiming();
        view.SetZoom(1);
        state.ResumeTiming();
        view.SetZoom(8);
    }
    view.SetZoom(1);
}

void BM_OnePass2048(benchmark::State& state)
{
    TSPMData& ch = *Big().view->ChannelData;
    std::vector<std::int32_t> out(std::size_t(ch.SampleCount()));
    ch.Lock();
    for (auto _ : state) {
        std::memcpy(out.data(), ch.Data, out.size() * sizeof(std::int32_t));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    ch.Unlock();
}

void BM_Shading2048(benchmark::State& state)
{
    Fixture& f = Big();
    f.step->ViewSettings.LightOn = true;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        f.view->ComputeShading();
    const double ns =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    f.step->ViewSettings.LightOn = false;
    f.view->ShadedChannel.reset();
    const double samples = double(f.view->ChannelData->SampleCount());
    state.counters["ns_per_sample"] = ns / (samples * double(state.iterations()));
}

} // namespace

BENCHMARK(BM_PictureMemcpy)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_Zoom1Picture)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_Zoom1Redraw)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_Zoom8Pixels)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_Zoom8Picture)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_Zoom8Redraw)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_Zoom8ThroughTheDialog)->Unit(benchmark::kMillisecond)->Iterations(8)->UseRealTime();
BENCHMARK(BM_OnePass2048)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_Shading2048)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();

int main(int argc, char** argv)
{
    return benchsupport::RunQtBenchmarks(argc, argv,
                                         {{"BM_Zoom1Picture", "BM_PictureMemcpy", 3.0},
                                          {"BM_Zoom1Redraw", "BM_PictureMemcpy", 3.0},
                                          {"BM_Zoom8Picture", "BM_Zoom8Pixels", 4.0},
                                          {"BM_Zoom8Redraw", "BM_Zoom8Pixels", 4.0},
                                          {"BM_Zoom8ThroughTheDialog", "BM_Zoom8Pixels", 0.0},
                                          {"BM_Shading2048", "BM_OnePass2048", 0.0}});
}
