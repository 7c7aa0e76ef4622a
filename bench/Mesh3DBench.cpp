// The 3-D view's surface mesh of a 2048 × 2048 channel (the default still draw type: a
// filled, skin-coloured surface at step 1) on every core, against one single-threaded pass
// that writes the same vertex, normal and colour arrays from the heights with a plain
// difference normal and a colour from the height, and nothing else. Also on one thread,
// and as the vertex-by-vertex collection the view used before, for comparison.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "BenchSupport.h"
#include "platform/core/LogicalPalette.h"
#include "processing/Mesh3D.h"

namespace {

constexpr int Side = 2048;

struct Surface {
    std::vector<std::int32_t> heights;
    std::vector<platform::PaletteEntry> palette;
    processing::TSurfaceInput in;
};

//! Ripples of some hundred counts, the palette of 256 greys.
const Surface& Scan()
{
    static const Surface s = [] {
        Surface s;
        s.heights.resize(std::size_t(Side) * Side);
        for (int r = 0; r < Side; ++r)
            for (int c = 0; c < Side; ++c)
                s.heights[std::size_t(r) * Side + c] =
                    std::int32_t(500 + 400 * std::sin(r * 0.05) * std::cos(c * 0.07) + 60 * std::sin((r + c) * 0.3));
        for (int i = 0; i < 256; ++i)
            s.palette.push_back({std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
        processing::TSurfaceInput& in = s.in;
        in.Heights = s.heights.data();
        in.Width = in.Height = Side;
        in.MinHeight = 0;
        in.Skin = s.heights.data();
        in.SkinMin = 0;
        in.RawPerColour = 1000.0 / 256;
        in.Palette = s.palette.data();
        in.ColourCount = 256;
        in.DrawType = processing::dtPolygon;
        in.DrawStep = 1;
        return s;
    }();
    return s;
}

//! The baseline's arrays: two vertices per grid point of the mesh, as the view's.
//! Arrays of the mesh's own kind, so that both sides size them alike.
struct BareArrays {
    processing::TMeshArray<float> xyz, normals;
    processing::TMeshArray<std::uint8_t> colours;
};

BareArrays BarePass(const std::int32_t* v)
{
    const int n = Side - 1;
    const std::size_t vertices = std::size_t(n) * n * 2;
    BareArrays a;
    a.xyz.resize(vertices * 3);
    a.normals.resize(vertices * 3);
    a.colours.resize(vertices * 3);
    const int half = Side / 2;
    std::size_t k = 0;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            const std::int32_t z0 = v[std::size_t(r) * Side + c];
            const float zx = float(v[std::size_t(r) * Side + c + 1] - z0);
            const float zy = float(v[std::size_t(r + 1) * Side + c] - z0);
            for (int i = 0; i < 2; ++i, k += 3) {
                const std::int32_t z = v[std::size_t(r + i) * Side + c];
                a.xyz[k] = float(c - half);
                a.xyz[k + 1] = float(half - r - i);
                a.xyz[k + 2] = float(z);
                a.normals[k] = -zx;
                a.normals[k + 1] = zy;
                a.normals[k + 2] = 1;
                const std::uint8_t grey = std::uint8_t(z >> 2);
                a.colours[k] = a.colours[k + 1] = a.colours[k + 2] = grey;
            }
        }
    return a;
}

void BM_BareMeshArrays(benchmark::State& state)
{
    const Surface& s = Scan();
    for (auto _ : state) {
        BareArrays a = BarePass(s.heights.data());
        benchmark::DoNotOptimize(a.xyz.data());
    }
}

void BM_Mesh3D(benchmark::State& state)
{
    const Surface& s = Scan();
    for (auto _ : state) {
        processing::TSurfaceMesh mesh = processing::BuildSurface(s.in);
        benchmark::DoNotOptimize(mesh.Passes.data());
    }
}

void BM_Mesh3DOneThread(benchmark::State& state)
{
    const Surface& s = Scan();
    for (auto _ : state) {
        processing::TSurfaceMesh mesh = processing::BuildSurface(s.in, 1);
        benchmark::DoNotOptimize(mesh.Passes.data());
    }
}

void BM_Mesh3DCollected(benchmark::State& state)
{
    const Surface& s = Scan();
    for (auto _ : state) {
        processing::TSurfaceMesh mesh = processing::CollectSurface(s.in);
        benchmark::DoNotOptimize(mesh.Passes.data());
    }
}

BENCHMARK(BM_BareMeshArrays)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Mesh3D)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Mesh3DOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Mesh3DCollected)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

int main(int argc, char** argv)
{
    return benchsupport::RunAndReport(argc, argv,
                                      {{"BM_Mesh3D", "BM_BareMeshArrays", 2.0},
                                       {"BM_Mesh3DOneThread", "BM_BareMeshArrays", 0},
                                       {"BM_Mesh3DCollected", "BM_BareMeshArrays", 0}});
}
