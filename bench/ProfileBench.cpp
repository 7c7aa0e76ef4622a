// Dragging a profile's segment on the 2-D view of a 4096 × 4096 channel, on the offscreen
// platform: one mouse move over the view while an end is grabbed (the overlay erased, two
// 4096-point graphs sampled again, the profile picture redrawn with its axes, graphs and
// status line, the overlay drawn again), against the same overlay's erasing and drawing
// alone (each shows the view's picture once, as every overlay change does). The move has to
// keep up with the mouse: at most 3 times the overlay's own cost.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <memory>
#include <random>

#include "BenchSupport.h"
#include "views/View2D.h"
#include "data/ObjectSPM.h"
#include "data/Surfacedata.h"
#include "platform/core/Messages.h"
#include "tools/Profile.h"

namespace {

constexpr int Side = 4096;

//! A side × side channel of a rough surface (fixed seed) in a slot of the set.
void AddRough(TSurfaceData& data, int slot, unsigned seed)
{
    auto ch = std::make_unique<TSPMData>(Side, Side, slot);
    ch->Header.XStep = ch->Header.YStep = 10.0f;
    ch->Header.ZScale = 0.1f;
    std::mt19937 rng(seed);
    ch->Lock();
    std::int32_t* v = ch->GetData();
    for (int r = 0; r < Side; ++r)
        for (int c = 0; c < Side; ++c)
            v[std::size_t(r) * Side + c] = (r * 13 + c * 7) % 20000 + static_cast<std::int32_t>(rng() % 5000);
    ch->Unlock();
    ch->ComputeRange();
    ch->DefaultPalette();
    data.Channels[std::size_t(slot)] = std::move(ch);
    data.Present.Include(slot);
    data.ChannelList.push_back({slot == 0 ? "Topography" : "Phase", {"bench.spm", std::int8_t(slot), 1}});
}

//! A step with two channels, its view of channel 0 and a profile window with both graphs,
//! the window holding the view with its coordinates pane open.
struct Fixture {
    Fixture()
    {
        auto data = std::make_unique<TSurfaceData>("bench.spm");
        data->Header.FormatVersion = 1;
        data->Header.Width = Side;
        data->Header.Height = Side;
        AddRough(*data, 0, 12345);
        AddRough(*data, 2, 54321);
        step = std::make_unique<TObjectSPM>(nullptr, std::move(data));
        view = new TView2DForm(step.get(), 0); // the step owns its views
        step->Views[0] = view;
        step->CurrentView = view;
        view->show();
        profile = new TProfileForm(step.get(), 0, 0, 0, Side - 1, Side - 1);
        step->Profiles.push_back(profile);
        profile->show();
        profile->FormActivate();
        profile->cbSecondGraph->setCurrentIndex(2);
        profile->cbFirstGraphChange(profile->cbSecondGraph);
        QApplication::processEvents();
        // The end of the segment is grabbed, as by a press on it.
        const auto end = MappingOfView().PixelOf(Side - 1, Side - 1);
        view->Image->OnMouseDown(view->Image, platform::mbLeft, platform::ssLeft, end.Column, end.Row);
    }
    processing::TGridMapping MappingOfView() const
    {
        return {view->ImageLeft, view->ImageTop, view->PixelsPerPointX, view->PixelsPerPointY};
    }
    std::unique_ptr<TObjectSPM> step;
    TView2DForm* view = nullptr;
    TProfileForm* profile = nullptr;
};

//! Made on first use and deleted before the application goes (its windows need it).
std::unique_ptr<Fixture> shared;

Fixture& Shared()
{
    if (!shared)
        shared = std::make_unique<Fixture>();
    return *shared;
}

void BM_OverlayAlone(benchmark::State& state)
{
    Fixture& f = Shared();
    for (auto _ : state) {
        f.profile->DrawSegmentOnView();
        f.profile->DrawSegmentOnView();
    }
}

void BM_MouseMove(benchmark::State& state)
{
    Fixture& f = Shared();
    const processing::TGridMapping m = f.MappingOfView();
    int k = 0;
    for (auto _ : state) {
        // The end goes back and forth between two rows: 4096 points every time.
        const auto to = m.PixelOf(Side - 1, (k++ & 1) ? Side - 1 : Side - 200);
        f.view->Image->OnMouseMove(f.view->Image, platform::ssLeft, to.Column, to.Row);
    }
    if (f.profile->PointCount != Side)
        state.SkipWithError("the profile is not 4096 points long");
}

}  // namespace

BENCHMARK(BM_OverlayAlone)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_MouseMove)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::MessageRecorder quiet;
    const int result =
        benchsupport::RunAndReport(argc, argv, {{"BM_MouseMove", "BM_OverlayAlone", 3.0}});
    shared.reset();
    return result;
}
