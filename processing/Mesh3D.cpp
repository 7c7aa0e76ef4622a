#include "processing/Mesh3D.h"

#include "processing/Passes.h"
#include "processing/View2DMath.h"
#include "platform/core/Parallel.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <new>

namespace processing {

// ---------------------------------------------------------------------------------------
// The view

TModelExtent ModelExtent(int width, int height)
{
    const std::int32_t w = std::max(width, 0) / 2;
    const std::int32_t h = std::max(height, 0) / 2;
    return {-w, -h, w, h};
}

int ViewBase(const TModelExtent& extent) { return std::max({extent.RightX, extent.TopY, 1}); }

float ViewHalfHeight(const TModelExtent& extent, float zoom)
{
    return float(ViewBase(extent)) * zoom;
}

TZoomDrag DragZoom(const TModelExtent& extent, float viewHalfHeight, int dy)
{
    const float base = float(ViewBase(extent));
    TZoomDrag r;
    r.ViewHalfHeight = viewHalfHeight + float(dy / 2);
    r.Zoom3D = r.ViewHalfHeight / base;
    if (!(r.Zoom3D >= MinZoom3D) || r.Zoom3D > MaxZoom3D) {
        r.Zoom3D = r.Zoom3D > MaxZoom3D ? MaxZoom3D : MinZoom3D;
        r.ViewHalfHeight = base * r.Zoom3D;
    }
    return r;
}

int ZoomBarPosition(float zoom) { return static_cast<int>(std::trunc(double(zoom) * 10.0)); }

TLight3D PlaceLight(int alfa, int fi, int radius)
{
    const double a = alfa * 3.141592653589793 * 0.005555555555555556;
    const double f = fi * 3.141592653589793 * 0.005555555555555556;
    const double r = radius;
    TLight3D light;
    light.Position = {static_cast<std::int32_t>(std::trunc(std::cos(a) * r * std::cos(f))),
                      static_cast<std::int32_t>(std::trunc(std::cos(a) * r * std::sin(f))),
                      static_cast<std::int32_t>(std::trunc(std::sin(a) * r))};
    light.SpotDirection = {-std::cos(a) * std::cos(f), -std::cos(a) * std::sin(f), -std::sin(a)};
    return light;
}

TViewVolume ViewVolume(int width, int height, float viewHalfHeight, int panX, int panY)
{
    const double w = std::max(width, 0);
    const double h = height > 0 ? height : 1;
    const double half = std::isfinite(viewHalfHeight) && viewHalfHeight > 0 ? viewHalfHeight : 1.0;
    // A client area of no width still gets a volume of some width.
    const double aspect = w > 0 ? w / h : 1.0 / h;
    TViewVolume v;
    v.Left = -aspect * half + panX;
    v.Right = aspect * half + panX;
    v.Bottom = -half - panY;
    v.Top = half - panY;
    v.Near = -half;
    v.Far = half;
    return v;
}

// ---------------------------------------------------------------------------------------
// Texts

std::string Fixed1(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    if (result.ec != std::errc())
        return "0.0";
    return std::string(buffer, result.ptr);
}

TInfoLines InfoLines(int width, int height, double xStep, double yStep, std::int64_t range,
                     double zScale, const std::string& zUnit, double ra, double rq)
{
    TInfoLines lines;
    lines.Size = Fixed1(width * xStep * 0.001) + " x " + Fixed1(height * yStep * 0.001) + " \xB5m";
    lines.Amplitude = "A = " + Fixed1(double(range) * zScale) + " " + zUnit;
    lines.Roughness = "Ra = " + Fixed1(ra) + "   Rq = " + Fixed1(rq);
    return lines;
}

TAxisLabels AxisLabels(int width, int height, std::int32_t maxValue, double xStep, double yStep,
                       double zScale)
{
    TAxisLabels labels;
    for (int k = 1; k <= 2; ++k) {
        labels.X[k - 1] = Fixed1(width * 0.5 * k * xStep * 0.001);
        labels.Y[k - 1] = Fixed1(height * 0.5 * k * yStep * 0.001);
        labels.Z[k - 1] = Fixed1(maxValue * 0.5 * k * zScale);
    }
    return labels;
}

// ---------------------------------------------------------------------------------------
// The surface

std::int64_t TSurfaceMesh::VertexCount() const
{
    std::int64_t n = 0;
    for (const TMeshPass& p : Passes)
        n += p.VertexCount();
    return n;
}

namespace {

//! The values the surface is drawn with: positions, facet normals and skin colours of the
//! grid points, in the draw type and step of the input. The vertex-by-vertex emission and
//! the direct build of the arrays both take them from here, so that they agree bit for bit.
class SurfaceGeometry {
public:
    explicit SurfaceGeometry(const TSurfaceInput& in)
        : in_(in), extent_(ModelExtent(in.Width, in.Height)), type_(std::clamp(in.DrawType, 0, 5)),
          step_(std::max(in.DrawStep, 1))
    {
    }

    bool Drawable() const { return in_.Heights && in_.Width > 0 && in_.Height > 0; }
    bool Skinned() const { return (type_ == dtColorGrid || type_ == dtPolygon) && in_.Skin; }
    //! Polygon mode of the mesh: the colour grid without "draw inside" shows it as lines.
    bool MeshFilled() const { return !(type_ == dtColorGrid && !in_.DrawInside); }
    bool HasOverlay() const { return type_ != dtPolygon && (type_ != dtColorGrid || in_.DrawInside); }
    //! The rows r = 0, s, 2s, … < H − s and the columns c likewise < W − s of the mesh.
    int MeshRows() const { return Steps(in_.Height); }
    int MeshColumns() const { return Steps(in_.Width); }
    //! The overlay's primitive, and whether it takes the point below with every point.
    TPrimitive OverlayKind() const
    {
        static constexpr TPrimitive kinds[] = {TPrimitive::Points, TPrimitive::LineStrip, TPrimitive::Lines,
                                               TPrimitive::QuadStrip, TPrimitive::QuadStrip};
        return kinds[std::min(type_, 4)];
    }
    bool OverlayPairs() const { return type_ >= dtLinesY; }

    std::int32_t V(int r, int c) const
    {
        return in_.Heights[std::size_t(r) * std::size_t(in_.Width) + std::size_t(c)];
    }
    //! A height as drawn: v − Z offset (+ lift), in 64 bits before it becomes a float.
    float Z(int r, int c, int lift = 0) const { return float(std::int64_t(V(r, c)) - in_.ZOffset + lift); }
    float X(int c) const { return float(std::int64_t(extent_.LeftX) + c); }
    float Y(int r) const { return float(std::int64_t(extent_.TopY) - r); }
    //! The normal of the mesh's facet at (r, c), from p(r, c) as the facet's points take it:
    //! floats of the raw heights.
    TPoint3F Normal(int r, int c) const
    {
        const int s = step_;
        return FacetNormal({X(c), Y(r), float(V(r, c))}, {X(c + s), Y(r), float(V(r, c + s))},
                           {X(c), Y(r + s), float(V(r + s, c))});
    }
    platform::PaletteEntry Skin(int r, int c) const
    {
        const std::int64_t above =
            std::int64_t(in_.Skin[std::size_t(r) * std::size_t(in_.Width) + std::size_t(c)]) - in_.SkinMin;
        const int entry = PaletteIndex(above, in_.RawPerColour, in_.ColourCount);
        return in_.Palette && in_.ColourCount > 0 ? in_.Palette[entry] : platform::PaletteEntry{};
    }

    const TSurfaceInput& Input() const { return in_; }
    const TModelExtent& Extent() const { return extent_; }
    int Type() const { return type_; }
    int Step() const { return step_; }

private:
    int Steps(int n) const { return n > step_ ? (n - step_ + step_ - 1) / step_ : 0; }

    const TSurfaceInput& in_;
    TModelExtent extent_;
    int type_;
    int step_;
};

//! The emission of the surface in the order of the drawing steps.
class SurfaceWriter {
public:
    SurfaceWriter(const TSurfaceInput& in, IVertexSink& sink) : g_(in), sink_(sink) {}

    void Write()
    {
        if (!g_.Drawable())
            return;
        sink_.PolygonFill(g_.MeshFilled());
        sink_.Colour(TColourRole::Background);
        Mesh(g_.Skinned());
        if (g_.HasOverlay())
            Overlay();
        if (g_.Input().DrawLateralFace)
            LateralFaces();
    }

    void LateralFaces()
    {
        const TSurfaceInput& in = g_.Input();
        const int s = g_.Step(), W = in.Width, H = in.Height;
        const float m = float(std::int64_t(in.MinHeight) - in.ZOffset);
        const TModelExtent& e = g_.Extent();
        const float top = float(e.TopY), bottom = float(e.BottomY);
        const float left = float(e.LeftX), right = float(e.RightX);
        sink_.Colour(TColourRole::LateralFace);
        // Front and back edges along x, left and right edges along y.
        const struct {
            float nx, ny;
            bool alongX;
            int fixed;  // the row or column the heights come from
            float at;   // the face's y (along x) or x (along y)
        } faces[] = {{0, 1, true, 0, top},
                     {0, -1, true, H - 1, bottom},
                     {-1, 0, false, 0, left},
                     {1, 0, false, W - 1, right}};
        for (const auto& f : faces) {
            sink_.Begin(TPrimitive::QuadStrip);
            sink_.Normal(f.nx, f.ny, 0);
            for (int i = 0; i < (f.alongX ? W : H); i += s) {
                const float x = f.alongX ? g_.X(i) : f.at;
                const float y = f.alongX ? f.at : g_.Y(i);
                sink_.Vertex(x, y, f.alongX ? g_.Z(f.fixed, i) : g_.Z(i, f.fixed));
                sink_.Vertex(x, y, m);
            }
            sink_.End();
        }
        sink_.Colour(TColourRole::Bottom);
        sink_.Begin(TPrimitive::Quads);
        sink_.Vertex(left, bottom, m);
        sink_.Vertex(right, bottom, m);
        sink_.Vertex(right, top, m);
        sink_.Vertex(left, top, m);
        sink_.End();
    }

private:
    void SkinAt(int r, int c)
    {
        const platform::PaletteEntry e = g_.Skin(r, c);
        sink_.SkinColour(e.peRed, e.peGreen, e.peBlue);
    }

    void Mesh(bool skin)
    {
        const int s = g_.Step(), rows = g_.MeshRows(), columns = g_.MeshColumns();
        for (int i = 0; i < rows; ++i) {
            const int r = i * s;
            sink_.Begin(TPrimitive::QuadStrip);
            for (int j = 0; j < columns; ++j) {
                const int c = j * s;
                const TPoint3F n = g_.Normal(r, c);
                sink_.Normal(n.x, n.y, n.z);
                if (skin)
                    SkinAt(r, c);
                sink_.Vertex(g_.X(c), g_.Y(r), g_.Z(r, c));
                sink_.Normal(n.x, n.y, n.z);
                if (skin)
                    SkinAt(r + s, c);
                sink_.Vertex(g_.X(c), g_.Y(r + s), g_.Z(r + s, c));
            }
            sink_.End();
        }
    }

    void Overlay()
    {
        const int s = g_.Step(), rows = g_.MeshRows(), columns = g_.MeshColumns();
        const bool pairs = g_.OverlayPairs();
        sink_.PolygonFill(false);
        sink_.Colour(TColourRole::Grid);
        for (int i = 0; i < rows; ++i) {
            const int r = i * s;
            sink_.Begin(g_.OverlayKind());
            for (int j = 0; j < columns; ++j) {
                const int c = j * s;
                sink_.Vertex(g_.X(c), g_.Y(r), g_.Z(r, c, 10));
                if (pairs)
                    sink_.Vertex(g_.X(c), g_.Y(r + s), g_.Z(r + s, c, 10));
            }
            sink_.End();
        }
    }

    SurfaceGeometry g_;
    IVertexSink& sink_;
};

//! Collects an emission into vertex arrays: a new pass at every change of polygon mode or
//! colour, a run for every primitive, the normal in force stored with every vertex.
class MeshCollector final : public IVertexSink {
public:
    explicit MeshCollector(TSurfaceMesh& mesh) : mesh_(mesh) {}
    //! Goes on after passes built elsewhere, in the polygon mode and normal they left.
    MeshCollector(TSurfaceMesh& mesh, bool filled, const std::array<float, 3>& normal)
        : mesh_(mesh), filled_(filled), normal_(normal)
    {
    }

    void PolygonFill(bool filled) override
    {
        filled_ = filled;
        pass_ = nullptr;
    }
    void Colour(TColourRole role) override
    {
        role_ = role;
        skin_ = false;
        pass_ = nullptr;
    }
    void Begin(TPrimitive kind) override
    {
        if (!pass_) {
            pass_ = &mesh_.Passes.emplace_back();
            pass_->Filled = filled_;
            pass_->Colour = role_;
        }
        pass_->Runs.push_back({kind, std::int32_t(pass_->VertexCount()), 0});
    }
    void Normal(float x, float y, float z) override { normal_ = {x, y, z}; }
    void SkinColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) override
    {
        colour_ = {r, g, b};
        skin_ = true;
    }
    void Vertex(float x, float y, float z) override
    {
        pass_->Vertices.insert(pass_->Vertices.end(), {x, y, z});
        pass_->Normals.insert(pass_->Normals.end(), normal_.begin(), normal_.end());
        if (skin_) {
            pass_->Colour = TColourRole::Skin;
            pass_->Colours.insert(pass_->Colours.end(), colour_.begin(), colour_.end());
        }
        ++pass_->Runs.back().Count;
    }
    void End() override
    {
        if (pass_ && !pass_->Runs.empty() && pass_->Runs.back().Count == 0)
            pass_->Runs.pop_back();
    }
    void Finish()
    {
        std::erase_if(mesh_.Passes, [](const TMeshPass& p) { return p.Runs.empty(); });
        mesh_.FinalNormal = normal_;
    }

private:
    TSurfaceMesh& mesh_;
    TMeshPass* pass_ = nullptr;
    bool filled_ = true;
    TColourRole role_ = TColourRole::Background;
    std::array<float, 3> normal_{0, 0, 1};
    std::array<std::uint8_t, 3> colour_{};
    bool skin_ = false;
};

}  // namespace

void DrawSurfacePlain(const TSurfaceInput& in, IVertexSink& sink)
{
    SurfaceWriter(in, sink).Write();
}

TSurfaceMesh CollectSurface(const TSurfaceInput& in)
{
    TSurfaceMesh mesh;
    MeshCollector collector(mesh);
    DrawSurfacePlain(in, collector);
    collector.Finish();
    return mesh;
}

namespace {

//! Rows of the mesh in one piece of work of the parallel build.
constexpr int kMeshBandRows = 8;

//! A pass of `runs` runs of `perRun` vertices each, its arrays sized for them.
TMeshPass& AddUniformPass(TSurfaceMesh& mesh, bool filled, TColourRole colour, TPrimitive kind, int runs,
                          int perRun, bool colours)
{
    const std::int64_t vertices = std::int64_t(runs) * perRun;
    // Runs address their vertices with 32-bit numbers.
    if (vertices > std::numeric_limits<std::int32_t>::max())
        throw std::bad_alloc();
    TMeshPass& pass = mesh.Passes.emplace_back();
    pass.Filled = filled;
    pass.Colour = colour;
    pass.Vertices.resize(std::size_t(vertices) * 3);
    pass.Normals.resize(std::size_t(vertices) * 3);
    if (colours)
        pass.Colours.resize(std::size_t(vertices) * 3);
    pass.Runs.resize(std::size_t(runs));
    for (int i = 0; i < runs; ++i)
        pass.Runs[std::size_t(i)] = {kind, std::int32_t(std::int64_t(i) * perRun), perRun};
    return pass;
}

}  // namespace

TSurfaceMesh BuildSurface(const TSurfaceInput& in, unsigned threads)
{
    TSurfaceMesh mesh;
    const SurfaceGeometry g(in);
    if (!g.Drawable())
        return mesh;
    const int s = g.Step(), rows = g.MeshRows(), columns = g.MeshColumns();
    const std::int64_t points = std::int64_t(rows) * columns;
    bool filled = g.MeshFilled();
    std::array<float, 3> normal{0, 0, 1};

    if (points > 0) {
        const bool skin = g.Skinned();
        TMeshPass& pass = AddUniformPass(mesh, filled, skin ? TColourRole::Skin : TColourRole::Background,
                                         TPrimitive::QuadStrip, rows, 2 * columns, skin);
        float* xyz = pass.Vertices.data();
        float* normals = pass.Normals.data();
        std::uint8_t* rgb = pass.Colours.data();
        ForBandsOfRows(rows, kMeshBandRows, points, threads, [&](int firstRow, int endRow) {
            for (int i = firstRow; i < endRow; ++i) {
                const int r = i * s;
                std::size_t k = std::size_t(i) * std::size_t(columns) * 6;
                for (int j = 0; j < columns; ++j, k += 6) {
                    const int c = j * s;
                    const TPoint3F n = g.Normal(r, c);
                    const float x = g.X(c);
                    xyz[k] = x;
                    xyz[k + 1] = g.Y(r);
                    xyz[k + 2] = g.Z(r, c);
                    xyz[k + 3] = x;
                    xyz[k + 4] = g.Y(r + s);
                    xyz[k + 5] = g.Z(r + s, c);
                    normals[k] = normals[k + 3] = n.x;
                    normals[k + 1] = normals[k + 4] = n.y;
                    normals[k + 2] = normals[k + 5] = n.z;
                    if (skin) {
                        const platform::PaletteEntry a = g.Skin(r, c), b = g.Skin(r + s, c);
                        rgb[k] = a.peRed;
                        rgb[k + 1] = a.peGreen;
                        rgb[k + 2] = a.peBlue;
                        rgb[k + 3] = b.peRed;
                        rgb[k + 4] = b.peGreen;
                        rgb[k + 5] = b.peBlue;
                    }
                }
            }
        });
        // The normal in force after the mesh: its last facet's.
        const TPoint3F last = g.Normal((rows - 1) * s, (columns - 1) * s);
        normal = {last.x, last.y, last.z};
    }

    if (g.HasOverlay()) {
        filled = false;
        if (points > 0) {
            const bool pairs = g.OverlayPairs();
            const int perRow = pairs ? 2 * columns : columns;
            TMeshPass& pass =
                AddUniformPass(mesh, false, TColourRole::Grid, g.OverlayKind(), rows, perRow, false);
            float* xyz = pass.Vertices.data();
            float* normals = pass.Normals.data();
            ForBandsOfRows(rows, kMeshBandRows, points, threads, [&](int firstRow, int endRow) {
                for (int i = firstRow; i < endRow; ++i) {
                    const int r = i * s;
                    std::size_t k = std::size_t(i) * std::size_t(perRow) * 3;
                    for (int j = 0; j < columns; ++j) {
                        const int c = j * s;
                        const float x = g.X(c);
                        xyz[k] = x;
                        xyz[k + 1] = g.Y(r);
                        xyz[k + 2] = g.Z(r, c, 10);
                        std::copy(normal.begin(), normal.end(), normals + k);
                        k += 3;
                        if (pairs) {
                            xyz[k] = x;
                            xyz[k + 1] = g.Y(r + s);
                            xyz[k + 2] = g.Z(r + s, c, 10);
                            std::copy(normal.begin(), normal.end(), normals + k);
                            k += 3;
                        }
                    }
                }
            });
        }
    }

    // The faces and the floor are a few strips along the edges: drawn as the plain surface
    // draws them, in the state the mesh and overlay left.
    MeshCollector collector(mesh, filled, normal);
    if (in.DrawLateralFace)
        SurfaceWriter(in, collector).LateralFaces();
    collector.Finish();
    return mesh;
}

void ReplayMesh(const TSurfaceMesh& mesh, IVertexSink& sink)
{
    for (const TMeshPass& pass : mesh.Passes) {
        sink.PolygonFill(pass.Filled);
        sink.Colour(pass.Colour == TColourRole::Skin ? TColourRole::Background : pass.Colour);
        const bool skin = !pass.Colours.empty();
        const bool normals = !pass.Normals.empty();
        if (!normals)
            sink.Normal(pass.Normal[0], pass.Normal[1], pass.Normal[2]);
        for (const TMeshRun& run : pass.Runs) {
            sink.Begin(run.Kind);
            for (std::int32_t i = run.First; i < run.First + run.Count; ++i) {
                const std::size_t k = std::size_t(i) * 3;
                if (normals)
                    sink.Normal(pass.Normals[k], pass.Normals[k + 1], pass.Normals[k + 2]);
                if (skin)
                    sink.SkinColour(pass.Colours[k], pass.Colours[k + 1], pass.Colours[k + 2]);
                sink.Vertex(pass.Vertices[k], pass.Vertices[k + 1], pass.Vertices[k + 2]);
            }
            sink.End();
        }
    }
}

}  // namespace processing
