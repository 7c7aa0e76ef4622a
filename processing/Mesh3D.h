#pragma once
// The computations of the 3-D view that need no graphics library: the model's extent, the
// view volume and its zoom, the light's place, the info and axis texts, and the surface
// mesh in the six draw types.
//
// The mesh is built once per data change, draw type and step into vertex arrays (floats,
// so that heights and axis ends beyond 16 bits keep their values); the view draws the
// arrays on every frame. DrawSurfacePlain emits the same surface vertex by vertex, in the
// order the view's drawing steps name, and is the twin that the arrays are compared with.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/LogicalPalette.h"
#include "platform/core/UnsetVector.h"

namespace processing {

//! The model coordinates of the corners of a channel of width × height points: grid point
//! (row r, column c) lies at x = LeftX + c, y = TopY − r.
struct TModelExtent {
    std::int32_t LeftX = 0;   //!< −trunc(width / 2)
    std::int32_t BottomY = 0; //!< −trunc(height / 2)
    std::int32_t RightX = 0;  //!< trunc(width / 2)
    std::int32_t TopY = 0;    //!< trunc(height / 2)
    bool operator==(const TModelExtent&) const = default;
};
TModelExtent ModelExtent(int width, int height);

//! What the zoom multiplies into the view's half height: the larger of RightX and TopY, at
//! least 1, so that a channel of one point or one row still has a view volume.
int ViewBase(const TModelExtent& extent);

constexpr float MinZoom3D = 0.2f;
constexpr float MaxZoom3D = 3.0f;

//! The half height of the view volume in model units at a zoom: base × zoom.
float ViewHalfHeight(const TModelExtent& extent, float zoom);

//! The view after a right-button drag by dy pixels (down: positive): the half height grows by
//! trunc(dy / 2), the zoom follows as half height / base and is held to 0.2 … 3.0, where the
//! half height is set from the held zoom again.
struct TZoomDrag {
    float ViewHalfHeight = 0;
    float Zoom3D = 0;
};
TZoomDrag DragZoom(const TModelExtent& extent, float viewHalfHeight, int dy);

//! The position of the view-layout window's zoom bar for a zoom: trunc(zoom × 10).
int ZoomBarPosition(float zoom);

//! The spot light at tilt alfa and polar angle fi (degrees) on a sphere of the radius:
//! position (trunc(cos α R cos φ), trunc(cos α R sin φ), trunc(sin α R)), pointing at the
//! centre.
struct TLight3D {
    std::array<std::int32_t, 3> Position{};
    std::array<double, 3> SpotDirection{};
};
TLight3D PlaceLight(int alfa, int fi, int radius);

//! The orthographic view volume of a client area of width × height pixels (a height of 0
//! counts as 1): the half height up and down, as much more sideways as the area is wider,
//! moved by the pan, and as deep as it is high. A half height that is not positive and
//! finite counts as 1, so that the volume is never empty.
struct TViewVolume {
    double Left = 0, Right = 0, Bottom = 0, Top = 0, Near = 0, Far = 0;
};
TViewVolume ViewVolume(int width, int height, float viewHalfHeight, int panX, int panY);

//! A number as the 3-D view's labels write it ("%.1f", always with a '.').
std::string Fixed1(double value);

//! The three info lines (Windows-1251 texts): "%.1f x %.1f µm" of the scan's size, "A =
//! %.1f %s" of the physical amplitude with the Z unit, and "Ra = %.1f   Rq = %.1f".
struct TInfoLines {
    std::string Size, Amplitude, Roughness;
};
TInfoLines InfoLines(int width, int height, double xStep, double yStep, std::int64_t range,
                     double zScale, const std::string& zUnit, double ra, double rq);

//! The label texts of the axes: X at W / 2 and W, Y at H / 2 and H (micrometres from the
//! steps in nm) and Z at M / 2 and M (physical heights), where "/" truncates.
struct TAxisLabels {
    std::array<std::string, 2> X, Y, Z;
};
TAxisLabels AxisLabels(int width, int height, std::int32_t maxValue, double xStep, double yStep,
                       double zScale);

// ---------------------------------------------------------------------------------------
// The surface

enum class TPrimitive : std::uint8_t { Points, LineStrip, Lines, QuadStrip, Quads };

//! Which colour a part of the surface takes: a colour of the view settings, the dark bottom,
//! or the skin's colour of each vertex.
enum class TColourRole : std::uint8_t { Background, Grid, LateralFace, Bottom, Skin };

//! The draw types of the view settings.
enum TDrawType : int { dtPoints, dtLinesX, dtLinesY, dtGrid, dtColorGrid, dtPolygon };

//! What the surface is built from. Heights and Skin are row-major matrices of Width × Height
//! raw values; Skin is read (types 4 and 5 only) when not null, through its palette.
struct TSurfaceInput {
    const std::int32_t* Heights = nullptr;
    int Width = 0;
    int Height = 0;
    std::int32_t MinHeight = 0;      //!< the floor of the lateral faces
    std::int32_t ZOffset = 0;        //!< subtracted from every height
    const std::int32_t* Skin = nullptr;
    std::int32_t SkinMin = 0;
    double RawPerColour = 0;
    const platform::PaletteEntry* Palette = nullptr;
    int ColourCount = 0;             //!< entries of Palette that may be read
    int DrawType = dtPolygon;        //!< 0 to 5; others are held to that range
    int DrawStep = 1;                //!< at least 1
    bool DrawInside = true;
    bool DrawLateralFace = false;
};

//! The mesh's arrays: sizing an array leaves its new values unset, for the build writes
//! every one of them on the workers.
template <typename T> using TMeshArray = platform::TUnsetVector<T>;

//! One run of vertices drawn as one primitive.
struct TMeshRun {
    TPrimitive Kind = TPrimitive::Points;
    std::int32_t First = 0;
    std::int32_t Count = 0;
};

//! Vertices drawn in one polygon mode and one colour role: x, y, z per vertex; a normal per
//! vertex, or one normal for all of them; RGB bytes per vertex for the skin.
struct TMeshPass {
    bool Filled = true;              //!< front and back faces filled, else drawn as lines
    TColourRole Colour = TColourRole::Background;
    TMeshArray<float> Vertices;
    TMeshArray<float> Normals;       //!< empty: Normal holds for every vertex
    std::array<float, 3> Normal{0, 0, 1};
    TMeshArray<std::uint8_t> Colours; //!< empty unless Colour is Skin
    std::vector<TMeshRun> Runs;
    std::int64_t VertexCount() const { return std::int64_t(Vertices.size() / 3); }
};

struct TSurfaceMesh {
    std::vector<TMeshPass> Passes;
    //! The normal in force after the surface (what the axes are drawn with).
    std::array<float, 3> FinalNormal{0, 0, 1};
    std::int64_t VertexCount() const;
};

//! The surface as vertex arrays, from the input's extent (ModelExtent of its size): the
//! mesh and its overlay are written in bands of rows on up to `threads` threads (0: every
//! core), array for array and byte for byte what CollectSurface gives. Throws
//! std::bad_alloc when the arrays cannot be had.
TSurfaceMesh BuildSurface(const TSurfaceInput& in, unsigned threads = 0);
//! The surface as vertex arrays collected from DrawSurfacePlain's emission, on the calling
//! thread: the reference the parallel build is held to.
TSurfaceMesh CollectSurface(const TSurfaceInput& in);

//! Receives a surface vertex by vertex, as immediate-mode drawing would.
class IVertexSink {
public:
    virtual ~IVertexSink() = default;
    virtual void PolygonFill(bool filled) = 0;
    virtual void Colour(TColourRole role) = 0;
    virtual void Begin(TPrimitive kind) = 0;
    virtual void Normal(float x, float y, float z) = 0;
    virtual void SkinColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) = 0;
    virtual void Vertex(float x, float y, float z) = 0;
    virtual void End() = 0;
};

//! Emits the surface vertex by vertex, in the order of the drawing steps (mesh, wire
//! overlay, lateral faces); the plain twin of BuildSurface.
void DrawSurfacePlain(const TSurfaceInput& in, IVertexSink& sink);
//! Emits a built mesh through the sink, pass by pass and run by run.
void ReplayMesh(const TSurfaceMesh& mesh, IVertexSink& sink);

}  // namespace processing
