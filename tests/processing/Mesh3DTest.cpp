// The 3-D view's computations without a graphics library: extent, zoom, light, view
// volume, texts, and the surface mesh seen through a vertex recorder.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <vector>

#include "platform/core/Parallel.h"
#include "processing/Mesh3D.h"

using namespace processing;

namespace {

//! One vertex with the state it was drawn in.
struct RecordedVertex {
    float x, y, z;
    std::array<float, 3> normal;
    bool skin;  // coloured by the skin, else by `role`
    TColourRole role;
    std::array<std::uint8_t, 3> rgb;
    bool operator==(const RecordedVertex&) const = default;
};

struct RecordedPrimitive {
    TPrimitive kind;
    bool filled;
    std::vector<RecordedVertex> vertices;
    bool operator==(const RecordedPrimitive&) const = default;
};

//! Records what immediate-mode drawing would draw: each primitive with the polygon mode,
//! colour and normal in force at each vertex.
class VertexRecorder final : public IVertexSink {
public:
    void PolygonFill(bool filled) override { filled_ = filled; }
    void Colour(TColourRole role) override
    {
        role_ = role;
        skin_ = false;
    }
    void Begin(TPrimitive kind) override { primitives.push_back({kind, filled_, {}}); }
    void Normal(float x, float y, float z) override { normal_ = {x, y, z}; }
    void SkinColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) override
    {
        rgb_ = {r, g, b};
        skin_ = true;
    }
    void Vertex(float x, float y, float z) override
    {
        primitives.back().vertices.push_back(
            {x, y, z, normal_, skin_, skin_ ? TColourRole::Skin : role_, skin_ ? rgb_ : std::array<std::uint8_t, 3>{}});
    }
    void End() override {}

    std::vector<RecordedPrimitive> primitives;

    //! The primitives drawn in one colour role.
    std::vector<const RecordedPrimitive*> With(TColourRole role) const
    {
        std::vector<const RecordedPrimitive*> out;
        for (const auto& p : primitives)
            if (!p.vertices.empty() && p.vertices.front().role == role)
                out.push_back(&p);
        return out;
    }

private:
    bool filled_ = true;
    TColourRole role_ = TColourRole::Background;
    std::array<float, 3> normal_{0, 0, 1};
    std::array<std::uint8_t, 3> rgb_{};
    bool skin_ = false;
};

//! A small scan: heights v(r, c) = 7r + 3c + base, a skin of the same size and a
//! palette of `colours` entries (entry i = (i, 2i, 3i) mod 256).
struct Fixture {
    Fixture(int w, int h, std::int32_t base = 0) : width(w), height(h)
    {
        heights.resize(std::size_t(w) * h);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                heights[std::size_t(r) * w + c] = base + 7 * r + 3 * c;
        skin = heights;
        palette.resize(10);
        for (int i = 0; i < 10; ++i)
            palette[i] = {std::uint8_t(i), std::uint8_t(2 * i), std::uint8_t(3 * i), 0};
    }
    TSurfaceInput Input(int type, int step, bool inside = true, bool lateral = false) const
    {
        TSurfaceInput in;
        in.Heights = heights.data();
        in.Width = width;
        in.Height = height;
        in.MinHeight = *std::min_element(heights.begin(), heights.end());
        in.Skin = skin.data();
        in.SkinMin = *std::min_element(skin.begin(), skin.end());
        in.RawPerColour = 10.0;
        in.Palette = palette.data();
        in.ColourCount = int(palette.size());
        in.DrawType = type;
        in.DrawStep = step;
        in.DrawInside = inside;
        in.DrawLateralFace = lateral;
        return in;
    }
    VertexRecorder Plain(const TSurfaceInput& in) const
    {
        VertexRecorder rec;
        DrawSurfacePlain(in, rec);
        return rec;
    }
    int width, height;
    std::vector<std::int32_t> heights, skin;
    std::vector<platform::PaletteEntry> palette;
};

}  // namespace

TEST(Mesh3DView, ExtentBaseAndHalfHeight)
{
    // 256² from the view's own example; odd, one-point and one-row sizes.
    const struct {
        int w, h;
        TModelExtent extent;
        int base;
    } cases[] = {{256, 256, {-128, -128, 128, 128}, 128},
                 {5, 3, {-2, -1, 2, 1}, 2},
                 {1, 1, {0, 0, 0, 0}, 1},
                 {1, 9, {0, -4, 0, 4}, 4},
                 {100, 2, {-50, -1, 50, 1}, 50}};
    for (const auto& c : cases) {
        EXPECT_EQ(ModelExtent(c.w, c.h), c.extent) << c.w << "x" << c.h;
        EXPECT_EQ(ViewBase(c.extent), c.base) << c.w << "x" << c.h;
    }
    EXPECT_FLOAT_EQ(ViewHalfHeight(ModelExtent(256, 256), 1.5f), 192.0f);
    EXPECT_FLOAT_EQ(ViewHalfHeight(ModelExtent(1, 1), 1.5f), 1.5f);
}

TEST(Mesh3DView, RightDragZoomsWithinItsLimits)
{
    const TModelExtent e = ModelExtent(256, 256);  // base 128
    const struct {
        int dy;
        float half, zoom;
        int bar;
    } cases[] = {
        {3, 193.0f, 193.0f / 128, 15},    // trunc(3 / 2) = 1
        {-3, 191.0f, 191.0f / 128, 14},   // trunc(−3 / 2) = −1
        {-10000, 25.6f, 0.2f, 2},         // up: held at 0.2
        {10000, 384.0f, 3.0f, 30},        // down: held at 3.0
    };
    for (const auto& c : cases) {
        const TZoomDrag z = DragZoom(e, 192.0f, c.dy);
        EXPECT_FLOAT_EQ(z.ViewHalfHeight, c.half) << c.dy;
        EXPECT_FLOAT_EQ(z.Zoom3D, c.zoom) << c.dy;
        EXPECT_EQ(ZoomBarPosition(z.Zoom3D), c.bar) << c.dy;
    }
    // A channel of one point zooms about base 1 and never divides by zero.
    const TZoomDrag one = DragZoom(ModelExtent(1, 1), 1.5f, 2);
    EXPECT_FLOAT_EQ(one.Zoom3D, 2.5f);
}

TEST(Mesh3DView, LightOnItsSphere)
{
    // Straight above at α = 90: the centre, height R, pointing down.
    const TLight3D above = PlaceLight(90, 0, 1280);
    EXPECT_EQ(above.Position, (std::array<std::int32_t, 3>{0, 0, 1280}));
    EXPECT_NEAR(above.SpotDirection[0], 0, 1e-15);
    EXPECT_NEAR(above.SpotDirection[1], 0, 1e-15);
    EXPECT_DOUBLE_EQ(above.SpotDirection[2], -1);
    // α = 30, φ = 90: cos 30 · 1000 = 866.03 across y, sin 30 · 1000 = 500 up.
    const TLight3D side = PlaceLight(30, 90, 1000);
    EXPECT_EQ(side.Position, (std::array<std::int32_t, 3>{0, 866, 499}));  // 500 − rounding, truncated
    EXPECT_NEAR(side.SpotDirection[1], -std::cos(M_PI / 6), 1e-12);
    EXPECT_NEAR(side.SpotDirection[2], -0.5, 1e-12);
}

TEST(Mesh3DView, ViewVolumeNeverEmpty)
{
    const TViewVolume v = ViewVolume(400, 200, 100.0f, 10, 5);
    EXPECT_DOUBLE_EQ(v.Left, -190);
    EXPECT_DOUBLE_EQ(v.Right, 210);
    EXPECT_DOUBLE_EQ(v.Bottom, -105);
    EXPECT_DOUBLE_EQ(v.Top, 95);
    EXPECT_DOUBLE_EQ(v.Near, -100);
    EXPECT_DOUBLE_EQ(v.Far, 100);
    // A zero height counts as 1; a zero half height and a zero width still give a volume.
    for (const TViewVolume& d : {ViewVolume(10, 0, 5.0f, 0, 0), ViewVolume(0, 0, 0.0f, 0, 0),
                                 ViewVolume(10, 10, std::numeric_limits<float>::quiet_NaN(), 0, 0)}) {
        EXPECT_LT(d.Left, d.Right);
        EXPECT_LT(d.Bottom, d.Top);
        EXPECT_LT(d.Near, d.Far);
    }
    EXPECT_DOUBLE_EQ(ViewVolume(10, 0, 5.0f, 0, 0).Right, 50);
}

TEST(Mesh3DView, TextsUseAPointAndOneDecimal)
{
    EXPECT_EQ(Fixed1(2.56), "2.6");
    EXPECT_EQ(Fixed1(-0.04), "-0.0");
    EXPECT_EQ(Fixed1(1e6), "1000000.0");
    // 256 × 10 nm = 2.56 µm; a range of 1000 counts at 0.5 nm.
    const TInfoLines info = InfoLines(256, 128, 10.0, 20.0, 1000, 0.5, "nm", 1.25, 3.5);
    EXPECT_EQ(info.Size, "2.6 x 2.6 \xB5m");
    EXPECT_EQ(info.Amplitude, "A = 500.0 nm");
    EXPECT_EQ(info.Roughness, "Ra = 1.2   Rq = 3.5");
    // X at W/2 and W in µm, Y likewise, Z at M/2 and M in Z units (not converted).
    const TAxisLabels labels = AxisLabels(100, 50, 300, 20.0, 40.0, 0.1);
    EXPECT_EQ(labels.X, (std::array<std::string, 2>{"1.0", "2.0"}));
    EXPECT_EQ(labels.Y, (std::array<std::string, 2>{"1.0", "2.0"}));
    EXPECT_EQ(labels.Z, (std::array<std::string, 2>{"15.0", "30.0"}));
}

TEST(Mesh3DSurface, MeshStopsOneStepBeforeTheLastColumn)
{
    // W = 100: step 1 reaches column 98, step 5 column 90 (x = LeftX + c, LeftX = −50).
    const Fixture f(100, 12);
    for (const auto& [step, lastColumn, strips] : {std::tuple{1, 98, 11}, std::tuple{5, 90, 2}}) {
        const VertexRecorder rec = f.Plain(f.Input(dtPolygon, step));
        float maxX = -1e9f;
        for (const auto* p : rec.With(TColourRole::Skin))
            for (const auto& v : p->vertices)
                maxX = std::max(maxX, v.x);
        EXPECT_EQ(maxX, float(-50 + lastColumn)) << "step " << step;
        EXPECT_EQ(int(rec.primitives.size()), strips) << "step " << step;
        EXPECT_EQ(rec.primitives.front().vertices.size(), std::size_t(2 * (lastColumn / step + 1)));
    }
}

TEST(Mesh3DSurface, MeshVerticesNormalsAndSkin)
{
    const Fixture f(4, 3, 5);  // v = 5 + 7r + 3c, extent (−2, −1, 2, 1)
    const VertexRecorder rec = f.Plain(f.Input(dtPolygon, 1));
    ASSERT_EQ(rec.primitives.size(), 2u);
    const RecordedPrimitive& strip = rec.primitives[0];
    EXPECT_EQ(strip.kind, TPrimitive::QuadStrip);
    EXPECT_TRUE(strip.filled);
    ASSERT_EQ(strip.vertices.size(), 6u);
    // (r, c) = (0, 1) and (1, 1): x = −1, y = 1 and 0, z = v.
    EXPECT_EQ(strip.vertices[2].x, -1.0f);
    EXPECT_EQ(strip.vertices[2].y, 1.0f);
    EXPECT_EQ(strip.vertices[2].z, 8.0f);
    EXPECT_EQ(strip.vertices[3].y, 0.0f);
    EXPECT_EQ(strip.vertices[3].z, 15.0f);
    // The plane z = 3x − 7y + const: a = (1, 0, 3), b = (0, −1, 7) → (−(0·7 − 3·(−1)), −(0·3 − 1·7), |1·(−1)|).
    for (const auto& v : strip.vertices)
        EXPECT_EQ(v.normal, (std::array<float, 3>{-3, 7, 1}));
    // Skin entry trunc((v − min) / 10): (0, 1) → 3 / 10 = 0, (1, 1) → 10 / 10 = 1.
    EXPECT_EQ(strip.vertices[2].rgb, (std::array<std::uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(strip.vertices[3].rgb, (std::array<std::uint8_t, 3>{1, 2, 3}));
}

TEST(Mesh3DSurface, DrawTypesAndDrawInside)
{
    const Fixture f(6, 5);
    struct Case {
        int type;
        bool inside;
        bool meshFilled, meshSkin;
        int gridPrimitives;
        TPrimitive gridKind;
        std::size_t gridVerticesPerRow;
    };
    const Case cases[] = {
        {dtPoints, true, true, false, 4, TPrimitive::Points, 5},
        {dtLinesX, true, true, false, 4, TPrimitive::LineStrip, 5},
        {dtLinesY, true, true, false, 4, TPrimitive::Lines, 10},
        {dtGrid, true, true, false, 4, TPrimitive::QuadStrip, 10},
        // Colour grid without "draw inside": the skin-coloured mesh as lines only.
        {dtColorGrid, false, false, true, 0, TPrimitive::QuadStrip, 0},
        // With it: a filled skin-coloured surface and the grid above it.
        {dtColorGrid, true, true, true, 4, TPrimitive::QuadStrip, 10},
        // Polygon: only the skin-coloured surface, whatever "draw inside" says.
        {dtPolygon, true, true, true, 0, TPrimitive::QuadStrip, 0},
        {dtPolygon, false, true, true, 0, TPrimitive::QuadStrip, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " inside " << c.inside);
        const VertexRecorder rec = f.Plain(f.Input(c.type, 1, c.inside));
        const auto mesh = rec.With(c.meshSkin ? TColourRole::Skin : TColourRole::Background);
        ASSERT_EQ(mesh.size(), 4u);
        EXPECT_EQ(mesh[0]->filled, c.meshFilled);
        const auto grid = rec.With(TColourRole::Grid);
        ASSERT_EQ(int(grid.size()), c.gridPrimitives);
        EXPECT_EQ(rec.primitives.size(), mesh.size() + grid.size());
        for (const auto* g : grid) {
            EXPECT_EQ(g->kind, c.gridKind);
            EXPECT_FALSE(g->filled);
            ASSERT_EQ(g->vertices.size(), c.gridVerticesPerRow);
        }
        if (!grid.empty()) {
            // 10 raw units above the surface: (0, 0) has v = 0.
            EXPECT_EQ(grid[0]->vertices[0].z, 10.0f);
            EXPECT_EQ(grid[0]->vertices[0].x, -3.0f);
        }
    }
}

TEST(Mesh3DSurface, LateralFacesAndFloor)
{
    const Fixture f(5, 4, -20);  // v = −20 + 7r + 3c: min −20, extent (−2, −2, 2, 2)
    const VertexRecorder rec = f.Plain(f.Input(dtPolygon, 2, true, true));
    const auto faces = rec.With(TColourRole::LateralFace);
    ASSERT_EQ(faces.size(), 4u);
    // Every edge stepped by 2 over all columns (0, 2, 4) or rows (0, 2).
    EXPECT_EQ(faces[0]->vertices.size(), 6u);
    EXPECT_EQ(faces[2]->vertices.size(), 4u);
    // Front: y = TopY, heights of row 0 and the floor; normal (0, 1, 0).
    EXPECT_EQ(faces[0]->vertices[2].x, 0.0f);
    EXPECT_EQ(faces[0]->vertices[2].y, 2.0f);
    EXPECT_EQ(faces[0]->vertices[2].z, -14.0f);
    EXPECT_EQ(faces[0]->vertices[3].z, -20.0f);
    EXPECT_EQ(faces[0]->vertices[0].normal, (std::array<float, 3>{0, 1, 0}));
    // Back: y = BottomY with the last row's heights; right: x = RightX with the last column's.
    EXPECT_EQ(faces[1]->vertices[0].y, -2.0f);
    EXPECT_EQ(faces[1]->vertices[0].z, 1.0f);
    EXPECT_EQ(faces[3]->vertices[2].x, 2.0f);
    EXPECT_EQ(faces[3]->vertices[2].z, -20.0f + 14 + 12);
    EXPECT_EQ(faces[3]->vertices[0].normal, (std::array<float, 3>{1, 0, 0}));
    // The bottom: one quad at the floor over the extent, filled like the polygon mesh.
    const auto bottom = rec.With(TColourRole::Bottom);
    ASSERT_EQ(bottom.size(), 1u);
    EXPECT_EQ(bottom[0]->kind, TPrimitive::Quads);
    EXPECT_TRUE(bottom[0]->filled);
    ASSERT_EQ(bottom[0]->vertices.size(), 4u);
    EXPECT_EQ(bottom[0]->vertices[2].x, 2.0f);
    EXPECT_EQ(bottom[0]->vertices[2].y, 2.0f);
    EXPECT_EQ(bottom[0]->vertices[2].z, -20.0f);
}

TEST(Mesh3DSurface, SkinIndexesStayInThePalette)
{
    // Skin values below the skin's minimum and far above its last colour take the end
    // entries; a palette without colours gives black.
    Fixture f(3, 2);
    f.skin = {-50, 0, 10, 10000, 95, 20};
    TSurfaceInput in = f.Input(dtPolygon, 1);
    in.SkinMin = 0;
    VertexRecorder rec = f.Plain(in);
    ASSERT_EQ(rec.primitives.size(), 1u);
    const auto& v = rec.primitives[0].vertices;  // (0,0), (1,0), (0,1), (1,1)
    EXPECT_EQ(v[0].rgb, (std::array<std::uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(v[1].rgb, (std::array<std::uint8_t, 3>{9, 18, 27}));
    EXPECT_EQ(v[2].rgb, (std::array<std::uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(v[3].rgb, (std::array<std::uint8_t, 3>{9, 18, 27}));
    in.ColourCount = 0;
    rec = f.Plain(in);
    for (const auto& x : rec.primitives[0].vertices)
        EXPECT_EQ(x.rgb, (std::array<std::uint8_t, 3>{0, 0, 0}));
}

TEST(Mesh3DSurface, WideValuesDoNotWrap)
{
    // Heights beyond 16 bits and at the ends of 32 bits keep their values, the overlay's
    // lift included; a wide channel keeps its x.
    Fixture f(40000, 2);
    f.heights.assign(f.heights.size(), 100000);
    f.heights[1] = std::numeric_limits<std::int32_t>::max();
    const VertexRecorder rec = f.Plain(f.Input(dtGrid, 1));
    const auto mesh = rec.With(TColourRole::Background);
    const auto grid = rec.With(TColourRole::Grid);
    ASSERT_EQ(mesh.size(), 1u);
    ASSERT_EQ(grid.size(), 1u);
    EXPECT_EQ(mesh[0]->vertices[0].z, 100000.0f);
    EXPECT_EQ(mesh[0]->vertices[0].x, -20000.0f);
    EXPECT_EQ(mesh[0]->vertices.back().x, float(-20000 + 39998));
    EXPECT_EQ(grid[0]->vertices[2].z, float(std::int64_t(std::numeric_limits<std::int32_t>::max()) + 10));
    EXPECT_GT(grid[0]->vertices[2].z, 0.0f);
}

TEST(Mesh3DSurface, DegenerateSizesDrawNothingWrong)
{
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{1, 7}, std::pair{7, 1}, std::pair{2, 2}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        const Fixture f(w, h);
        for (int type = 0; type <= 5; ++type) {
            const VertexRecorder rec = f.Plain(f.Input(type, 3, true, true));
            for (const auto& p : rec.primitives)
                for (const auto& v : p.vertices) {
                    EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
                    EXPECT_TRUE(std::isfinite(v.normal[0]) && std::isfinite(v.normal[2]));
                }
            // No mesh or grid: a step of 3 needs four rows and columns.
            EXPECT_TRUE(rec.With(TColourRole::Skin).empty());
            EXPECT_TRUE(rec.With(TColourRole::Grid).empty());
        }
    }
    // No heights at all, or a step below 1 (taken as 1), or a type outside 0 … 5 (held).
    Fixture f(3, 3);
    TSurfaceInput in = f.Input(dtPolygon, 1);
    in.Heights = nullptr;
    EXPECT_TRUE(f.Plain(in).primitives.empty());
    EXPECT_EQ(f.Plain(f.Input(dtPolygon, 0)).primitives.size(), 2u);
    EXPECT_EQ(f.Plain(f.Input(9, 1)).primitives, f.Plain(f.Input(dtPolygon, 1)).primitives);
}

TEST(Mesh3DSurface, ArraysDrawWhatThePlainSurfaceDraws)
{
    // The cached arrays, replayed, give every vertex with the same state as the plain
    // vertex-by-vertex surface.
    const Fixture f(9, 7, -3);
    for (int type = 0; type <= 5; ++type)
        for (int step : {1, 2, 3})
            for (bool inside : {false, true})
                for (bool lateral : {false, true}) {
                    SCOPED_TRACE(testing::Message() << "type " << type << " step " << step << " inside "
                                                    << inside << " lateral " << lateral);
                    const TSurfaceInput in = f.Input(type, step, inside, lateral);
                    const TSurfaceMesh mesh = BuildSurface(in);
                    VertexRecorder replayed;
                    ReplayMesh(mesh, replayed);
                    const VertexRecorder plain = f.Plain(in);
                    EXPECT_EQ(replayed.primitives, plain.primitives);
                    std::int64_t n = 0;
                    for (const auto& p : plain.primitives)
                        n += std::int64_t(p.vertices.size());
                    EXPECT_EQ(mesh.VertexCount(), n);
                    if (!plain.primitives.empty()) {
                        EXPECT_EQ(mesh.FinalNormal, plain.primitives.back().vertices.back().normal);
                    }
                }
}

namespace {

//! Every array of two meshes equal byte for byte, and the runs, modes and colours alike.
void ExpectSameBytes(const TSurfaceMesh& a, const TSurfaceMesh& b)
{
    ASSERT_EQ(a.Passes.size(), b.Passes.size());
    EXPECT_EQ(std::memcmp(a.FinalNormal.data(), b.FinalNormal.data(), sizeof a.FinalNormal), 0);
    for (std::size_t i = 0; i < a.Passes.size(); ++i) {
        const TMeshPass& p = a.Passes[i];
        const TMeshPass& q = b.Passes[i];
        EXPECT_EQ(p.Filled, q.Filled) << "pass " << i;
        EXPECT_EQ(p.Colour, q.Colour) << "pass " << i;
        ASSERT_EQ(p.Runs.size(), q.Runs.size()) << "pass " << i;
        for (std::size_t k = 0; k < p.Runs.size(); ++k) {
            EXPECT_EQ(p.Runs[k].Kind, q.Runs[k].Kind);
            EXPECT_EQ(p.Runs[k].First, q.Runs[k].First);
            EXPECT_EQ(p.Runs[k].Count, q.Runs[k].Count);
        }
        auto same = [](const auto& x, const auto& y) {
            return x.size() == y.size() &&
                   (x.empty() || std::memcmp(x.data(), y.data(), x.size() * sizeof x[0]) == 0);
        };
        EXPECT_TRUE(same(p.Vertices, q.Vertices)) << "pass " << i;
        EXPECT_TRUE(same(p.Normals, q.Normals)) << "pass " << i;
        EXPECT_TRUE(same(p.Colours, q.Colours)) << "pass " << i;
        EXPECT_EQ(std::memcmp(p.Normal.data(), q.Normal.data(), sizeof p.Normal), 0);
    }
}

}  // namespace

TEST(Mesh3DSurface, TheBuildInBandsIsThePlainBuildByteForByte)
{
    // Rippled heights (normals differ from facet to facet), some beyond what a float holds
    // exactly, a skin that walks through the palette; sizes from one point to some that
    // are split over several threads, with band edges inside and at the end of the rows.
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{2, 3}, std::pair{9, 7}, std::pair{300, 257},
                               std::pair{513, 200}}) {
        Fixture f(w, h);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) {
                const std::size_t i = std::size_t(r) * w + c;
                f.heights[i] = std::int32_t(std::lround(900 * std::sin(r * 0.37) * std::cos(c * 0.21))) +
                               ((r * 131 + c * 71) % 17) * ((r + c) % 5 == 0 ? 40000003 : 1);
                f.skin[i] = (r * 31 + c * 7) % 97;
            }
        for (int step : {1, 2, 5, 10})
            for (int type = 0; type <= 5; ++type)
                for (const auto& [inside, lateral] : {std::pair{true, false}, std::pair{false, true}}) {
                    TSurfaceInput in = f.Input(type, step, inside, lateral);
                    in.ZOffset = -3;
                    const TSurfaceMesh plain = CollectSurface(in);
                    for (unsigned threads : {1u, 3u, 8u}) {
                        SCOPED_TRACE(testing::Message() << w << "x" << h << " step " << step << " type " << type
                                                        << " inside " << inside << " threads " << threads);
                        ExpectSameBytes(BuildSurface(in, threads), plain);
                    }
                }
    }
}

TEST(Mesh3DSurface, AFailedBandFailsTheWholeBuild)
{
    // Memory that runs out in one band reaches the caller; no half-built mesh comes back.
    Fixture f(300, 257);
    platform::FailParallelItemForTesting(3);
    EXPECT_THROW(BuildSurface(f.Input(dtPolygon, 1), 4), std::bad_alloc);
    platform::FailParallelItemForTesting(SIZE_MAX);
    EXPECT_EQ(BuildSurface(f.Input(dtPolygon, 1), 4).VertexCount(), CollectSurface(f.Input(dtPolygon, 1)).VertexCount());
}
