#pragma once
// The 3-D view: the MDI child window that shows the heights of a step's channel 0 as a lit
// OpenGL surface in one of six draw types, optionally coloured by the palette of another
// channel (the skin), with lateral faces, labelled axes and three info lines. The left
// button turns the model (the axes hide meanwhile), the right button zooms it, the scroll
// bars move it; while a button is held it draws the coarser moving mesh.
//
// The surface is built (processing/Mesh3D.h) into vertex arrays once per data change, draw
// type and step, and drawn from them on every frame: turning the view rebuilds nothing.

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "views/SavableWindow.h"
#include "data/DocumentHost.h"
#include "processing/Mesh3D.h"

class QMdiArea;
class QMdiSubWindow;
class QScrollBar;
class TObjectSPM;
class TMdiChild;
class TOpenGLPanel;
class TSPMData;
class TSurfaceData;
struct TViewSettings;

class TView3DForm : public QWidget, public TStepWindow, public TSavableWindow {
    Q_OBJECT
public:
    //! The view of the step with its settings: acquires the step's data set (held until the
    //! view closes or is destroyed) and runs FormCreate. With an MDI area the view lives in a
    //! subwindow of it (Show() shows it); without one it is a plain hidden widget.
    TView3DForm(TObjectSPM* step, TViewSettings* settings, QMdiArea* area = nullptr);
    ~TView3DForm() override;

    //! False when creation found no OpenGL for the view (reported): the caller frees it.
    bool Created() const { return created_; }
    //! Shows the view (its subwindow) and activates it.
    void Show();

    // TStepWindow.
    //! Re-reads the data set, heights and skin (resetting an absent skin), renews the step
    //! number in the caption and repaints.
    void Refresh() override;
    //! Takes the channels from the data set again; the surface is built anew when the
    //! channel is the heights or the skin, or when either was replaced.
    void ChannelChanged(int channel) override;
    //! Takes over the step's view settings and repaints.
    void ApplySettings() override;
    //! Paints again: colours, draw flags and the info text's colour are read at every paint.
    void Repaint() override;
    //! The still draw type (0 to 5) and mesh step (1 to 10) the view-layout window chose.
    void SetDrawType(int drawType) override;
    void SetDrawStep(int drawStep) override;
    void ShowScrollBars(bool visible) override;
    void Focus() override;
    void CloseWindow() override;
    void Detach() override;
    void SetCaption(const std::string& caption) override;

    // TSavableWindow.
    void SavePicture(const std::string& path) override { SaveImage(path); }

    //! Writes the panel's picture as a BMP file; a failed write is reported.
    void SaveImage(const std::string& fileName);

    // Drawing, inside the panel's paint.
    void RenderScene();
    void DrawModel();
    void DrawSurface();
    void DrawAxes();
    void SetupLight();

    // Handlers.
    void FormActivate();
    void FormKeyDown(int key);
    void FormMouseDown(Qt::MouseButton button, int x, int y);
    void FormMouseMove(Qt::MouseButtons buttons, int x, int y);
    void FormMouseUp(Qt::MouseButton button, int x, int y);
    void sbXScroll();
    void sbYScroll();
    void OpenGLPanelInit();
    void OpenGLPanelPaint();
    void OpenGLPanelResize();

    //! The OpenGL check of creation: true when a double-buffered RGBA context with a depth
    //! buffer can be made and made current for a view's window. Tests replace it.
    static std::function<bool()> OpenGLCheck;
    //! Called as a mesh build starts, with the busy cursor shown; tests watch it.
    static std::function<void()> MeshBuildStarts;

    //! The still surface's mesh (built on demand); for tests and benchmarks.
    const processing::TSurfaceMesh& Mesh();
    //! How many times a mesh was built.
    int MeshBuilds() const { return meshBuilds_; }
    //! The step, null once detached.
    TObjectSPM* Step() const { return step_; }
    QMdiSubWindow* Frame() const;

    // Components.
    TOpenGLPanel* OpenGLPanel;
    QScrollBar* sbX;
    QScrollBar* sbY;

    // Fields.
    std::int32_t PanX = 0;
    std::int32_t PanY = 0;
    bool SavedDrawAxis = false;
    std::string InfoSize, InfoAmplitude, InfoRoughness;  //!< Windows-1251
    TSurfaceData* DataSet = nullptr;  //!< one reference held by the view
    TSPMData* HeightData = nullptr;
    TSPMData* SkinData = nullptr;
    std::array<std::int32_t, 3> LightPosition{};
    std::int32_t LightRadius = 0;
    std::int32_t LightFi = 0;
    std::int32_t LightAlfa = 30;
    std::array<double, 3> SpotDirection{};
    double Ra = 0;
    double Rq = 0;
    std::int32_t DrawType = 5;
    std::int32_t DrawStep = 1;
    float ModelScaleZ = 1;
    float ModelScaleXY = 1;
    float ViewHalfHeight = 1;
    std::int32_t LeftX = 0, BottomY = 0, RightX = 0, TopY = 0;
    std::int32_t ZOffset = 0;
    std::int32_t RotX = -60;
    std::int32_t RotZ = 20;
    std::int32_t LastMouseX = 0, LastMouseY = 0, ZoomMouseY = 0;
    TViewSettings* Settings = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    //! The heights and skin channels of the data set; with `resetSkin` an absent skin (or one
    //! of another size than the heights) sets SkinChannel to 0. A channel object other than
    //! the one held before renews that channel's version, so that no mesh of it stays.
    void FetchChannels(bool resetSkin);
    //! The step's data set again, when the step holds another one now.
    void FetchDataSet();
    //! Releases the data set and forgets the channels; once.
    void TearDown();
    //! Sets the projection anew with the panel's context current.
    void UpdateProjection();
    //! The mesh for the draw type and step in use, built when the data, type, step or skin
    //! colours changed.
    const processing::TSurfaceMesh& MeshFor(int type, int step);
    void DrawMesh(const processing::TSurfaceMesh& mesh);
    //! One axis label in its own matrix; `zStyle` places it as the Z labels are placed.
    void AxisLabel(const std::string& text, float mx, float my, float mz, bool zStyle, bool moveByHeight = false);
    void UpdateCaption();

    struct TMeshCache {
        processing::TSurfaceMesh Mesh;
        std::uint64_t Key = 0;
        bool Valid = false;
    };
    std::array<TMeshCache, 2> meshes_;  //!< the still and the moving mesh
    std::uint64_t heightsVersion_ = 1;  //!< renewed when the heights' values or object change
    std::uint64_t skinVersion_ = 1;     //!< the same for the skin
    int meshBuilds_ = 0;
    TObjectSPM* step_ = nullptr;
    QMdiArea* area_ = nullptr;
    std::unique_ptr<TMdiChild> mdi_;  //!< the subwindow, once OpenGL was found
    Qt::MouseButtons pressed_;
    bool leftPress_ = false;
    bool created_ = false;
    bool tornDown_ = false;
    bool closed_ = false;
};

//! Creates the 3-D view of the step in the MDI area, shows and activates it; null (and
//! nothing left open) when the view found no OpenGL.
TStepWindow* NewView3D(TObjectSPM* step, QMdiArea* area);
