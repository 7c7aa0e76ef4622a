// Travine on 1024 x 1024 channels:
// - the warp of both images with gap filling (the tables of the per-axis models, then every
//   row of both images gathered, its gaps filled in the same pass), on every core and on one,
//   against one single-threaded pass that reads and writes every point of both images; the
//   tables alone, and the warp followed by a separate filling, for comparison;
// - a crosshair move over the image charts of the real window, as the program handles the
//   mouse: the move event, the crosshair moved in both images, and what that leaves to
//   redraw drawn over the charts' kept pictures; against redrawing the whole of a chart of
//   the same size without picture and without series;
// - the picture of a corrected image rebuilt from its values, for comparison.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "BenchSupport.h"
#include "platform/charts/Chart.h"
#include "platform/core/Progress.h"
#include "platform/plugin/PlugInDialogs.h"
#include "plugins/FakePlugInHost.h"
#include "plugins/travine/Main.h"
#include "plugins/travine/Nonlinearity.h"
#include "plugins/travine/Warp.h"

namespace {

constexpr int Side = 1024;

std::vector<std::uint16_t> Image(std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint16_t> v(std::size_t(Side) * Side);
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x)
            v[std::size_t(y) * Side + x] =
                static_cast<std::uint16_t>((x * 13 + y * 7) % 30000 + rng() % 3000);
    return v;
}

struct Images {
    std::vector<std::uint16_t> Forward = Image(1);
    std::vector<std::uint16_t> Backward = Image(2);
    std::vector<std::uint16_t> ForwardOut = std::vector<std::uint16_t>(Forward.size());
    std::vector<std::uint16_t> BackwardOut = std::vector<std::uint16_t>(Forward.size());
    std::vector<std::uint8_t> Written;
};

Images& Data()
{
    static Images images;
    return images;
}

void BM_PassBothImages(benchmark::State& state)
{
    Images& d = Data();
    for (auto _ : state) {
        for (std::size_t i = 0; i < d.Forward.size(); ++i)
            d.ForwardOut[i] = static_cast<std::uint16_t>(d.Forward[i] + 1);
        for (std::size_t i = 0; i < d.Backward.size(); ++i)
            d.BackwardOut[i] = static_cast<std::uint16_t>(d.Backward[i] + 1);
        benchmark::DoNotOptimize(d.ForwardOut.data());
        benchmark::DoNotOptimize(d.BackwardOut.data());
    }
}

// As Apply does it once the exponents changed: the tables of the models, then each image
// warped with its gaps filled (on `threads` cores, 0: every core).
void WarpBothImages(benchmark::State& state, unsigned threads)
{
    Images& d = Data();
    // Models that leave about an eighth of the columns and a sixth of the rows to fill.
    const travine::TExponents e{1.6f, 1.3f, 1.2f, 1.8f};
    platform::NullProgress progress;
    for (auto _ : state) {
        const travine::TWarp warp(Side, Side, e, true, threads);
        warp.Apply(d.Forward.data(), d.ForwardOut.data(), nullptr, progress, threads);
        warp.Apply(d.Backward.data(), d.BackwardOut.data(), nullptr, progress, threads);
        benchmark::DoNotOptimize(d.ForwardOut.data());
        benchmark::DoNotOptimize(d.BackwardOut.data());
    }
}

void BM_WarpBothImages(benchmark::State& state)
{
    WarpBothImages(state, 0);
}

void BM_WarpBothImagesOneThread(benchmark::State& state)
{
    WarpBothImages(state, 1);
}

// The tables alone (the models on both axes and what the filling makes of them).
void BM_WarpTables(benchmark::State& state)
{
    const travine::TExponents e{1.6f, 1.3f, 1.2f, 1.8f};
    for (auto _ : state) {
        const travine::TWarp warp(Side, Side, e, true);
        benchmark::DoNotOptimize(&warp);
    }
}

// The warp and the filling as two calls over the whole image each, for comparison.
void BM_WarpThenFillBothImages(benchmark::State& state)
{
    Images& d = Data();
    const travine::TExponents e{1.6f, 1.3f, 1.2f, 1.8f};
    platform::NullProgress progress;
    for (auto _ : state) {
        travine::WarpImage(d.Forward.data(), Side, Side, e, d.ForwardOut.data(), d.Written,
                           progress);
        travine::FillGaps(d.ForwardOut.data(), d.Written, Side, Side, progress);
        travine::WarpImage(d.Backward.data(), Side, Side, e, d.BackwardOut.data(), d.Written,
                           progress);
        travine::FillGaps(d.BackwardOut.data(), d.Written, Side, Side, progress);
        benchmark::DoNotOptimize(d.ForwardOut.data());
    }
}

// The window on a host in memory with two 1024 x 1024 channels, shown, and an empty chart
// of the size of its image charts.
struct Window {
    Window()
    {
        for (int c = 0; c < 2; ++c) {
            plugintest::FakeChannel& ch = host.Channels[c];
            ch.Width = ch.Height = Side;
            const auto& image = c == 0 ? Data().Forward : Data().Backward;
            ch.Values.assign(image.begin(), image.end());
        }
        form = std::make_unique<travine::TFMain>(&host, 0, nullptr);
        form->show();
        QApplication::processEvents();
        empty.resize(form->ChartLeftI->size());
        empty.show();
        QApplication::processEvents();
    }
    plugintest::FakePlugInHost host;
    plugindialogs::TDialogScript dialogs;
    std::unique_ptr<travine::TFMain> form;
    charts::TChart empty;
};

std::unique_ptr<Window> theWindow;

Window& TheWindow()
{
    if (!theWindow)
        theWindow = std::make_unique<Window>();
    return *theWindow;
}

void BM_EmptyChartRepaint(benchmark::State& state)
{
    Window& w = TheWindow();
    for (auto _ : state)
        w.empty.viewport()->repaint();
}

void BM_CrosshairMove(benchmark::State& state)
{
    Window& w = TheWindow();
    QWidget* viewport = w.form->ChartLeftI->viewport();
    const QRect area = w.form->ChartLeftI->PlotArea();
    int step = 0;
    for (auto _ : state) {
        const QPointF at(area.left() + 1 + step % (area.width() - 2),
                         area.top() + 1 + (step * 7) % (area.height() - 2));
        ++step;
        QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        // The charts take the new crosshair, then draw what it changed.
        QApplication::processEvents();
        QApplication::processEvents();
    }
}

void BM_PictureOfAnImage(benchmark::State& state)
{
    Window& w = TheWindow();
    for (auto _ : state)
        w.form->Data_forward_nl.ReCalcBMP();
}

} // namespace

BENCHMARK(BM_PassBothImages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarpBothImages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarpBothImagesOneThread)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarpTables)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarpThenFillBothImages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmptyChartRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrosshairMove)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PictureOfAnImage)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int result =
        benchsupport::RunAndReport(argc, argv,
                                   {{"BM_WarpBothImages", "BM_PassBothImages", 4},
                                    {"BM_WarpBothImagesOneThread", "BM_PassBothImages", 0},
                                    {"BM_WarpTables", "BM_PassBothImages", 0},
                                    {"BM_WarpThenFillBothImages", "BM_PassBothImages", 0},
                                    {"BM_CrosshairMove", "BM_EmptyChartRepaint", 2},
                                    {"BM_PictureOfAnImage", "BM_PassBothImages", 0}});
    theWindow.reset();
    return result;
}
