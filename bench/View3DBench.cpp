// One frame of the 3-D view (lit surface in the default draw type, axes, info lines) of a
// 512² and a 1024² channel, against a bare frame that draws the same quad strips, normals
// and colours from client vertex arrays with the same light and nothing else. Runs on the
// X display; without one it starts itself again under xvfb-run (Mesa's software renderer).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <unistd.h>
#include <vector>

#include <GL/gl.h>

#include "BenchSupport.h"
#include "views/View3D.h"
#include "components/OpenGLPanel.h"
#include "data/ObjectSPM.h"
#include "data/Spmdata.h"
#include "data/Surfacedata.h"

namespace {

//! A smooth surface of n × n points with ripples (fixed, no randomness needed).
std::unique_ptr<TSurfaceData> Surface(int n)
{
    auto data = std::make_unique<TSurfaceData>("bench.spm");
    data->Header.Width = std::uint16_t(n);
    data->Header.Height = std::uint16_t(n);
    auto ch = std::make_unique<TSPMData>(n, n, 0);
    ch->Header.XStep = ch->Header.YStep = 10.0f;
    ch->Header.ZScale = 0.1f;
    ch->Lock();
    std::int32_t* v = ch->GetData();
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            v[std::size_t(r) * n + c] =
                std::int32_t(n / 4 * (std::sin(r * 0.05) * std::cos(c * 0.07)) + n / 16 * std::sin((r + c) * 0.3));
    ch->Unlock();
    ch->ComputeRange();
    ch->DefaultPalette();
    ch->ComputeStatistics();
    data->Present.Include(0);
    data->Available.Include(0);
    data->Channels[0] = std::move(ch);
    return data;
}

//! A step with its 3-D view on screen: lit, with axes, in the default still type and step.
struct Scene {
    explicit Scene(int n) : step(nullptr, Surface(n))
    {
        step.InitViewSettings();
        step.ViewSettings.LightOn = true;
        step.ViewSettings.DrawAxis = true;
        view = std::make_unique<TView3DForm>(&step, &step.ViewSettings);
        view->show();
        (void)QTest::qWaitForWindowExposed(view.get());
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        BuildBare(n);
    }
    ~Scene()
    {
        view.reset();
    }

    //! The bare frame's own arrays: one quad strip per row pair, as the surface's mesh.
    void BuildBare(int n)
    {
        TSPMData& ch = *step.SurfaceData->Channel(0);
        ch.Lock();
        const std::int32_t* v = ch.GetData();
        const int half = n / 2;
        for (int r = 0; r + 1 < n; ++r) {
            first.push_back(GLint(xyz.size() / 3));
            for (int c = 0; c + 1 < n; ++c) {
                const float z0 = float(v[std::size_t(r) * n + c]);
                const float zx = float(v[std::size_t(r) * n + c + 1]) - z0;
                const float zy = float(v[std::size_t(r + 1) * n + c]) - z0;
                const float normal[3] = {-zx, zy, 1};
                for (int k = 0; k < 2; ++k) {
                    xyz.insert(xyz.end(), {float(c - half), float(half - r - k), float(v[std::size_t(r + k) * n + c])});
                    normals.insert(normals.end(), normal, normal + 3);
                    colours.insert(colours.end(), {200, 120, 40});
                }
            }
            count.push_back(GLsizei(xyz.size() / 3) - first.back());
        }
        ch.Unlock();
    }

    void ViewFrame()
    {
        view->OpenGLPanel->MakeOpenGLPanelCurrent();
        view->OpenGLPanelPaint();
        glFinish();
        view->OpenGLPanel->MakeOpenGLPanelNotCurrent();
    }

    void BareFrame()
    {
        view->OpenGLPanel->MakeOpenGLPanelCurrent();
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(float(view->RotX), 1, 0, 0);
        glRotatef(float(view->RotZ), 0, 0, 1);
        view->SetupLight();  // the very light of the view's frame
        glScalef(view->ModelScaleXY, view->ModelScaleXY, view->ModelScaleZ);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, xyz.data());
        glNormalPointer(GL_FLOAT, 0, normals.data());
        glColorPointer(3, GL_UNSIGNED_BYTE, 0, colours.data());
        for (std::size_t i = 0; i < first.size(); ++i)
            glDrawArrays(GL_QUAD_STRIP, first[i], count[i]);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glFinish();
        view->OpenGLPanel->MakeOpenGLPanelNotCurrent();
    }

    TObjectSPM step;
    std::unique_ptr<TView3DForm> view;
    std::vector<float> xyz, normals;
    std::vector<std::uint8_t> colours;
    std::vector<GLint> first;
    std::vector<GLsizei> count;
};

//! The scenes, made on first use and gone before the application.
std::unique_ptr<Scene> scenes[2];

Scene& SceneOf(int n)
{
    auto& s = scenes[n == 512 ? 0 : 1];
    if (!s)
        s = std::make_unique<Scene>(n);
    return *s;
}

void ViewFrames(benchmark::State& state, int n)
{
    Scene& scene = SceneOf(n);
    scene.ViewFrame();  // the mesh is built once, before the frames
    const int builds = scene.view->MeshBuilds();
    for (auto _ : state)
        scene.ViewFrame();
    state.counters["rebuilds"] = scene.view->MeshBuilds() - builds;
}

void BareFrames(benchmark::State& state, int n)
{
    Scene& scene = SceneOf(n);
    scene.BareFrame();  // the renderer's first use of this state, before the frames
    for (auto _ : state)
        scene.BareFrame();
}

void BM_BareFrame512(benchmark::State& state) { BareFrames(state, 512); }
void BM_View3D512(benchmark::State& state) { ViewFrames(state, 512); }
void BM_BareFrame1024(benchmark::State& state) { BareFrames(state, 1024); }
void BM_View3D1024(benchmark::State& state) { ViewFrames(state, 1024); }

BENCHMARK(BM_BareFrame512)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_View3D512)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_BareFrame1024)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_View3D1024)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    const char* display = std::getenv("DISPLAY");
    if ((!display || !*display) && !std::getenv("MORVANE_BENCH_XVFB")) {
        // No display: the same program again on a virtual one.
        setenv("MORVANE_BENCH_XVFB", "1", 1);
        std::vector<char*> args{const_cast<char*>("xvfb-run"), const_cast<char*>("-a"), const_cast<char*>("-s"),
                                const_cast<char*>("-screen 0 1280x1024x24")};
        for (int i = 0; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        execvp("xvfb-run", args.data());
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    const int status = benchsupport::RunAndReport(argc, argv,
                                                  {{"BM_View3D512", "BM_BareFrame512", 1.2},
                                                   {"BM_View3D1024", "BM_BareFrame1024", 1.2}});
    for (auto& s : scenes)
        s.reset();
    return status;
}
