// A marker move in the palette editor on a 2048 × 2048 channel, as the user makes it: the
// drag (the palette re-interpolated around the marker, the editor's pictures) and the
// release (the channel's 2-D view redrawn), against the view's own redraw after a change
// of its palette's colours (the picture composed anew through the palette).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <memory>

#include "BenchData.h"
#include "BenchSupport.h"
#include "views/PaletteMarkerEditor.h"
#include "views/View2D.h"
#include "data/ObjectSPM.h"
#include "platform/core/Messages.h"

namespace {

constexpr int Side = 2048;

struct Fixture {
    Fixture()
    {
        step = benchdata::MakeStep(Side);
        view = new TView2DForm(step.get(), 0);
        step->Views[0] = view;
        step->CurrentView = view;
        editor = std::make_unique<TPaletteMarkerEditor>();
        editor->SetStep(step.get());
        editor->cbModeSurface->addItem("Topography", 0);
        editor->PaletteInit();
    }
    std::unique_ptr<TObjectSPM> step;  // owns the view
    TView2DForm* view;
    std::unique_ptr<TPaletteMarkerEditor> editor;
};

Fixture& F()
{
    static Fixture* f = new Fixture;
    return *f;
}

void BM_PaletteChangeRedraw(benchmark::State& state)
{
    Fixture& f = F();
    TSPMData& ch = *f.step->SurfaceData->Channel(0);
    int turn = 0;
    for (auto _ : state) {
        std::int32_t p, r, g, b;
        ch.Markers->Get(1, p, r, g, b);
        ch.Markers->Set(1, p, (++turn * 37) % 256, g, b);
        ch.UpdatePaletteRange(0, 2);
        f.view->Compose();
    }
}

void BM_MarkerMove(benchmark::State& state)
{
    Fixture& f = F();
    // One marker in the middle of the palette, dragged ten rows up and down again: the
    // press picks it, the drag moves it, the release redraws the view.
    int row = 100;
    f.editor->imMarkersMouseDown(platform::mbLeft, 5, row);
    f.editor->imMarkersMouseUp(platform::mbLeft, 5, row);
    const std::int32_t markers = f.step->SurfaceData->Channel(0)->Markers->GetCount();
    for (auto _ : state) {
        const int next = row == 100 ? 110 : 100;
        f.editor->imMarkersMouseDown(platform::mbLeft, 5, row);
        f.editor->imMarkersMouseMove(platform::ssLeft, 5, next);
        f.editor->imMarkersMouseUp(platform::mbLeft, 5, next);
        row = next;
    }
    state.counters["markers_added"] = double(f.step->SurfaceData->Channel(0)->Markers->GetCount() - markers);
}

}  // namespace

BENCHMARK(BM_PaletteChangeRedraw)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_MarkerMove)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::MessageRecorder quiet;
    return benchsupport::RunAndReport(argc, argv, {{"BM_MarkerMove", "BM_PaletteChangeRedraw", 1.5}});
}
