#include "View3D.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include <GL/gl.h>

#include "views/MdiChild.h"
#include "components/OpenGLPanel.h"
#include "data/ObjectSPM.h"
#include "data/Spmdata.h"
#include "data/Surfacedata.h"
#include "platform/core/Messages.h"

using processing::TColourRole;
using processing::TPrimitive;

namespace {

const char* const NoVideoModeText = " << Ошибка инициализации видеорежима !!! >> ";

//! A colour setting (red in the low byte) as the graphics library takes it.
void SetColour(std::uint32_t c)
{
    glColor3f(float((c & 0xFF) * 0.00392156862745098), float(((c >> 8) & 0xFF) * 0.00392156862745098),
              float(((c >> 16) & 0xFF) * 0.00392156862745098));
}

GLenum ModeOf(TPrimitive kind)
{
    switch (kind) {
    case TPrimitive::Points: return GL_POINTS;
    case TPrimitive::LineStrip: return GL_LINE_STRIP;
    case TPrimitive::Lines: return GL_LINES;
    case TPrimitive::QuadStrip: return GL_QUAD_STRIP;
    case TPrimitive::Quads: return GL_QUADS;
    }
    return GL_POINTS;
}

//! A 64-bit mix of the words that decide a mesh.
struct KeyHash {
    std::uint64_t h = 0xcbf29ce484222325ull;
    KeyHash& Add(std::uint64_t v)
    {
        h ^= v;
        h *= 0x100000001b3ull;
        h ^= h >> 31;
        return *this;
    }
};

//! The busy cursor over the program while it lives.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

bool DefaultOpenGLCheck()
{
    if (!OpenGLWidgetsSupported())
        return false;
    QSurfaceFormat format;
    const PIXELFORMATDESCRIPTOR pfd = PanelDescriptor({f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_OPENGL, f_PFD_DOUBLEBUFFER},
                                                      f_PFD_TYPE_RGBA, 24, 32);
    if (!SurfaceFormatOf(pfd, format))
        return false;
    QOffscreenSurface surface;
    surface.setFormat(format);
    surface.create();
    QOpenGLContext context;
    context.setFormat(format);
    QOpenGLContext* previous = QOpenGLContext::currentContext();
    QSurface* previousSurface = previous ? previous->surface() : nullptr;
    const bool ok = surface.isValid() && context.create() && context.makeCurrent(&surface);
    if (ok) {
        glEnable(GL_DEPTH_TEST);
        context.doneCurrent();
    }
    if (previous && previousSurface)
        previous->makeCurrent(previousSurface);
    return ok;
}

//! The panel's face of a font of the view settings: points at 96 pixels per inch become a
//! character height, in the Russian character set of the info texts.
TGLFont GLFontOf(const TFont& font)
{
    TGLFont face;
    face.Name = font.Name;
    face.Height = -static_cast<int>(std::lround(font.Size * 96.0 / 72.0));
    face.Bold = font.Bold;
    face.Italic = font.Italic;
    face.Charset = RUSSIAN_CHARSET;
    return face;
}

}  // namespace

std::function<bool()> TView3DForm::OpenGLCheck = DefaultOpenGLCheck;
std::function<void()> TView3DForm::MeshBuildStarts;

TView3DForm::TView3DForm(TObjectSPM* step, TViewSettings* settings, QMdiArea* area)
    : QWidget(nullptr), step_(step), area_(area)
{
    setObjectName("View3DForm");
    setFocusPolicy(Qt::StrongFocus);
    Settings = settings;

    OpenGLPanel = new TOpenGLPanel(this);
    OpenGLPanel->setObjectName("OpenGLPanel");
    OpenGLPanel->SetPFDFlags({f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_OPENGL, f_PFD_DOUBLEBUFFER});
    OpenGLPanel->Font3D_Enabled = true;
    OpenGLPanel->Font3D_Type = TGLFont{"Arial", -11, true, false, ANSI_CHARSET};
    OpenGLPanel->Font3D_FirstGylph = 32;
    OpenGLPanel->Font3D_NumGylph = 150;  // up to 0xB5, the "µ"
    OpenGLPanel->Font3D_Extrustion = 0.1f;
    OpenGLPanel->Font2D_Enabled = true;
    OpenGLPanel->Font2D_Type = TGLFont{"MS Sans Serif", -9, false, false, RUSSIAN_CHARSET};
    OpenGLPanel->Font2D_FirstGylph = 32;
    OpenGLPanel->Font2D_NumGylph = 150;
    OpenGLPanel->OnInit = [this](TOpenGLPanel*) { OpenGLPanelInit(); };
    OpenGLPanel->OnResize = [this](TOpenGLPanel*) { OpenGLPanelResize(); };
    OpenGLPanel->OnPaint = [this](TOpenGLPanel*) { OpenGLPanelPaint(); };
    OpenGLPanel->OnMouseDown = [this](TOpenGLPanel*, Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
        FormMouseDown(b, x, y);
    };
    OpenGLPanel->OnMouseMove = [this](TOpenGLPanel*, Qt::MouseButtons b, Qt::KeyboardModifiers, int x, int y) {
        FormMouseMove(b, x, y);
    };
    OpenGLPanel->OnMouseUp = [this](TOpenGLPanel*, Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
        FormMouseUp(b, x, y);
    };

    sbX = new QScrollBar(Qt::Horizontal, this);
    sbX->setObjectName("sbX");
    sbX->setFixedHeight(16);
    sbY = new QScrollBar(Qt::Vertical, this);
    sbY->setObjectName("sbY");
    sbY->setFixedWidth(17);
    for (QScrollBar* bar : {sbX, sbY}) {
        bar->setPageStep(10);
        bar->setSingleStep(1);
    }
    // The pan follows only at the end of a scroll: when the thumb is let go, or after a
    // click or key that moved the bar.
    connect(sbX, &QScrollBar::sliderReleased, this, &TView3DForm::sbXScroll);
    connect(sbY, &QScrollBar::sliderReleased, this, &TView3DForm::sbYScroll);
    connect(sbX, &QScrollBar::valueChanged, this, [this] {
        if (!sbX->isSliderDown())
            sbXScroll();
    });
    connect(sbY, &QScrollBar::valueChanged, this, [this] {
        if (!sbY->isSliderDown())
            sbYScroll();
    });

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(OpenGLPanel, 0, 0);
    grid->addWidget(sbY, 0, 1);
    grid->addWidget(sbX, 1, 0);

    FormCreate();
    // Without OpenGL the view never becomes a window: its creator frees it.
    if (!created_)
        return;
    mdi_ = std::make_unique<TMdiChild>(this, area_, [this] { FormActivate(); });
    if (QMdiSubWindow* frame = Frame())
        frame->resize(400, 400);
    else
        resize(400, 400);
}

TView3DForm::~TView3DForm()
{
    if (!closed_ && step_ && step_->View3D == this)
        step_->View3D = nullptr;
    TearDown();
    mdi_.reset();  // out of the subwindow, which goes
}

QMdiSubWindow* TView3DForm::Frame() const
{
    return mdi_ ? mdi_->Frame() : nullptr;
}

void TView3DForm::FormCreate()
{
    if (step_) {
        DataSet = step_->SurfaceData.get();
        if (DataSet)
            DataSet->Acquire();
    }
    FetchChannels(false);
    if (DataSet && DataSet->Channel(0)) {
        Ra = DataSet->Channel(0)->Ra;
        Rq = DataSet->Channel(0)->Rq;
    }
    PanX = PanY = 0;
    const int width = HeightData ? HeightData->Header.Width : 0;
    const int height = HeightData ? HeightData->Header.Height : 0;
    const processing::TModelExtent extent = processing::ModelExtent(width, height);
    sbX->setRange(extent.LeftX, extent.RightX);
    sbY->setRange(extent.BottomY, extent.TopY);
    const bool bars = Settings && Settings->ShowScrollBars;
    sbX->setVisible(bars);
    sbY->setVisible(bars);
    if (Settings && Settings->InfoTextFont)
        OpenGLPanel->SetFont(GLFontOf(*Settings->InfoTextFont));

    if (!OpenGLCheck || !OpenGLCheck()) {
        platform::ShowMessage(NoVideoModeText, "Morvane");
        return;  // not created: the creator frees the view
    }
    created_ = true;

    RotX = -60;
    RotZ = 20;
    LeftX = extent.LeftX;
    RightX = extent.RightX;
    BottomY = extent.BottomY;
    TopY = extent.TopY;
    ZOffset = 0;
    LightRadius = 10 * RightX;
    LightAlfa = 30;
    LightFi = 0;
    if (Settings) {
        DrawType = Settings->TypeDrawState;
        DrawStep = Settings->StepState;
    }
    if (HeightData) {
        const processing::TInfoLines info = processing::InfoLines(
            width, height, HeightData->Header.XStep, HeightData->Header.YStep, HeightData->GetRange(),
            HeightData->Header.ZScale, FieldText(HeightData->Header.ZUnit, sizeof HeightData->Header.ZUnit), Ra, Rq);
        InfoSize = info.Size;
        InfoAmplitude = info.Amplitude;
        InfoRoughness = info.Roughness;
    }
    ApplySettings();
}

void TView3DForm::FetchChannels(bool resetSkin)
{
    TSPMData* const heights = HeightData;
    TSPMData* const skin = SkinData;
    HeightData = DataSet ? DataSet->Channel(0) : nullptr;
    SkinData = nullptr;
    if (DataSet && Settings) {
        const int slot = Settings->SkinChannel;
        TSPMData* candidate = DataSet->Present.Contains(slot) ? DataSet->Channel(slot) : nullptr;
        // A skin of another size than the heights would be read outside its matrix: it
        // counts as absent.
        if (candidate && HeightData &&
            (candidate->Header.Width != HeightData->Header.Width ||
             candidate->Header.Height != HeightData->Header.Height))
            candidate = nullptr;
        if (!candidate) {
            if (resetSkin)
                Settings->SkinChannel = 0;
            candidate = HeightData;
        }
        SkinData = candidate;
    }
    // A new channel may sit where a freed one was: the address alone does not tell.
    if (HeightData != heights)
        ++heightsVersion_;
    if (SkinData != skin)
        ++skinVersion_;
}

void TView3DForm::FetchDataSet()
{
    TSurfaceData* const current = step_ ? step_->SurfaceData.get() : nullptr;
    if (!step_ || current == DataSet)
        return;
    if (current)
        current->Acquire();
    if (DataSet)
        DataSet->Release();
    DataSet = current;
}

void TView3DForm::TearDown()
{
    if (tornDown_)
        return;
    tornDown_ = true;
    if (DataSet)
        DataSet->Release();
    DataSet = nullptr;
    HeightData = nullptr;
    SkinData = nullptr;
    for (TMeshCache& m : meshes_)
        m = TMeshCache{};
}

void TView3DForm::Show()
{
    if (mdi_)
        mdi_->Show();
    setFocus();
}

// -------------------------------------------------------------------------------------
// TStepWindow

void TView3DForm::Refresh()
{
    ++heightsVersion_;
    ++skinVersion_;
    FetchDataSet();
    FetchChannels(true);
    UpdateCaption();
    OpenGLPanel->Invalidate();
}

void TView3DForm::ChannelChanged(int channel)
{
    if (tornDown_)
        return;
    if (channel == 0)
        ++heightsVersion_;
    if (Settings && channel == Settings->SkinChannel)
        ++skinVersion_;
    FetchDataSet();
    FetchChannels(true);
    OpenGLPanel->Invalidate();
}

void TView3DForm::ApplySettings()
{
    // The mesh follows what it is built from (channels, type, step, skin colours, faces);
    // a change of light, scales or zoom alone builds nothing.
    FetchChannels(true);
    if (!Settings)
        return;
    const processing::TModelExtent extent{LeftX, BottomY, RightX, TopY};
    ViewHalfHeight = processing::ViewHalfHeight(extent, Settings->Zoom3D);
    ModelScaleZ = float(Settings->ScaleZ);
    ModelScaleXY = float(Settings->ScaleXY);
    if (Settings->LightOn) {
        LightAlfa = Settings->AngleAlfa;
        LightFi = Settings->AngleFi;
        const processing::TLight3D light = processing::PlaceLight(LightAlfa, LightFi, LightRadius);
        LightPosition = light.Position;
        SpotDirection = light.SpotDirection;
    }
    sbX->setVisible(Settings->ShowScrollBars);
    sbY->setVisible(Settings->ShowScrollBars);
    UpdateProjection();
}

void TView3DForm::Repaint()
{
    OpenGLPanel->Invalidate();
}

void TView3DForm::SetDrawType(int drawType)
{
    DrawType = std::clamp(drawType, 0, 5);
}

void TView3DForm::SetDrawStep(int drawStep)
{
    DrawStep = std::clamp(drawStep, 1, 10);
}

void TView3DForm::ShowScrollBars(bool visible)
{
    sbX->setVisible(visible);
    sbY->setVisible(visible);
}

void TView3DForm::Focus()
{
    if (mdi_)
        mdi_->Focus();
    setFocus();
}

void TView3DForm::CloseWindow()
{
    if (mdi_)
        mdi_->Close();
    else
        close();
}

void TView3DForm::Detach()
{
    step_ = nullptr;
    Settings = nullptr;
    DataSet = nullptr;
    HeightData = nullptr;
    SkinData = nullptr;
    tornDown_ = true;
}

void TView3DForm::SetCaption(const std::string& caption)
{
    if (mdi_)
        mdi_->SetCaption(caption);
    else
        setWindowTitle(QString::fromUtf8(caption.c_str()));
}

void TView3DForm::UpdateCaption()
{
    if (step_ && mdi_)
        mdi_->RenumberCaption(step_->StepNumber);
}

void TView3DForm::SaveImage(const std::string& fileName)
{
    if (!OpenGLPanel->SaveOpenGLPanelToFile(fileName))
        platform::ShowError("Error write file");
}

// -------------------------------------------------------------------------------------
// Handlers

void TView3DForm::FormActivate()
{
    if (closed_ || !step_)
        return;
    step_->BuildViewMenu();
}

void TView3DForm::FormKeyDown(int key)
{
    if (key == Qt::Key_Escape)
        CloseWindow();
}

void TView3DForm::keyPressEvent(QKeyEvent* event)
{
    FormKeyDown(event->key());
    event->accept();
}

void TView3DForm::closeEvent(QCloseEvent* event)
{
    if (!closed_) {
        closed_ = true;
        if (step_ && step_->View3D == this)
            step_->View3D = nullptr;
        TearDown();
        step_ = nullptr;
        Settings = nullptr;
        if (mdi_)
            mdi_->FormClosed();
    }
    event->accept();
}

void TView3DForm::FormMouseDown(Qt::MouseButton button, int x, int y)
{
    if (!Settings)
        return;
    if (button == Qt::LeftButton) {
        LastMouseX = x;
        LastMouseY = y;
        SavedDrawAxis = Settings->DrawAxis;
        Settings->DrawAxis = false;  // the axes hide while the model turns
        leftPress_ = true;
    } else if (button == Qt::RightButton) {
        ZoomMouseY = y;
    }
    DrawType = Settings->TypeDrawMove;
    DrawStep = Settings->StepMove;
}

void TView3DForm::FormMouseMove(Qt::MouseButtons buttons, int x, int y)
{
    if (!Settings)
        return;
    if (buttons & Qt::LeftButton) {
        RotZ += (x - LastMouseX) / 2;
        RotX += (y - LastMouseY) / 2;
        OpenGLPanel->Invalidate();
        LastMouseX = x;
        LastMouseY = y;
    }
    if (buttons & Qt::RightButton) {
        const processing::TZoomDrag zoom =
            processing::DragZoom({LeftX, BottomY, RightX, TopY}, ViewHalfHeight, y - ZoomMouseY);
        ViewHalfHeight = zoom.ViewHalfHeight;
        Settings->Zoom3D = zoom.Zoom3D;
        if (step_)
            DocumentHost().Zoom3DChanged(step_);
        UpdateProjection();
        ZoomMouseY = y;
    }
}

void TView3DForm::FormMouseUp(Qt::MouseButton button, int, int)
{
    if (!Settings)
        return;
    DrawType = Settings->TypeDrawState;
    DrawStep = Settings->StepState;
    if (button == Qt::LeftButton && leftPress_) {
        Settings->DrawAxis = SavedDrawAxis;
        leftPress_ = false;
    }
    OpenGLPanel->Invalidate();
}

void TView3DForm::sbXScroll()
{
    PanX = sbX->value();
    UpdateProjection();
}

void TView3DForm::sbYScroll()
{
    PanY = sbY->value();
    UpdateProjection();
}

void TView3DForm::UpdateProjection()
{
    // Before the panel's window exists there is no context: its first resize sets it.
    if (!OpenGLPanel->HasContext())
        return;
    if (OpenGLPanel->MakeOpenGLPanelCurrent()) {
        OpenGLPanelResize();
        OpenGLPanel->MakeOpenGLPanelNotCurrent();
    }
}

void TView3DForm::OpenGLPanelInit() { glEnable(GL_DEPTH_TEST); }

void TView3DForm::OpenGLPanelResize()
{
    // The form's client area, scroll bars included; a height of 0 counts as 1.
    const double ratio = OpenGLPanel->devicePixelRatioF();
    const int w = std::max(1, int(width() * ratio));
    const int h = std::max(1, int(height() * ratio));
    QPalette palette = this->palette();
    if (Settings)
        palette.setColor(QPalette::Window, QColor(Settings->Color3D & 0xFF, (Settings->Color3D >> 8) & 0xFF,
                                                  (Settings->Color3D >> 16) & 0xFF));
    setPalette(palette);
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const processing::TViewVolume v = processing::ViewVolume(w, h, ViewHalfHeight, PanX, PanY);
    glOrtho(v.Left, v.Right, v.Bottom, v.Top, v.Near, v.Far);
    glMatrixMode(GL_MODELVIEW);
    OpenGLPanel->Invalidate();
}

void TView3DForm::OpenGLPanelPaint()
{
    // The widget sets its own viewport before every paint; the view's is the form's area.
    const double ratio = OpenGLPanel->devicePixelRatioF();
    glViewport(0, 0, std::max(1, int(width() * ratio)), std::max(1, int(height() * ratio)));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RenderScene();
}

// -------------------------------------------------------------------------------------
// Drawing

void TView3DForm::RenderScene()
{
    const std::uint32_t background = Settings ? Settings->Color3D : 0xFFFFFF;
    glClearColor(float((background & 0xFF) * 0.00392156862745098),
                 float(((background >> 8) & 0xFF) * 0.00392156862745098),
                 float(((background >> 16) & 0xFF) * 0.00392156862745098), 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (!Settings)
        return;
    DrawModel();
    if (Settings->DrawInfoText) {
        if (Settings->LightOn)
            glDisable(GL_LIGHTING);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0, OpenGLPanel->width(), OpenGLPanel->height(), 0, 1, -1);
        glMatrixMode(GL_MODELVIEW);
        SetColour(Settings->InfoTextFont ? Settings->InfoTextFont->Color : 0);
        const std::pair<int, const std::string*> lines[] = {{15, &InfoSize}, {30, &InfoAmplitude}, {45, &InfoRoughness}};
        for (const auto& [y, text] : lines) {
            glRasterPos2i(0, y);
            OpenGLPanel->Draw2DText(*text);
        }
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        if (Settings->LightOn)
            glEnable(GL_LIGHTING);
    }
}

void TView3DForm::DrawModel()
{
    glPushMatrix();
    glRotatef(float(RotX), 1, 0, 0);
    glRotatef(float(RotZ), 0, 0, 1);
    if (Settings->LightOn)
        SetupLight();
    else
        glDisable(GL_LIGHTING);
    glScalef(ModelScaleXY, ModelScaleXY, ModelScaleZ);
    DrawSurface();
    if (Settings->DrawAxis)
        DrawAxes();
    glPopMatrix();
}

void TView3DForm::SetupLight()
{
    const GLfloat diffuse[] = {0.9f, 0.9f, 0.9f, 1.0f};
    const GLfloat specular[] = {0.5f, 0.5f, 0.5f, 1.0f};
    glEnable(GL_NORMALIZE);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    const GLint position[] = {LightPosition[0], LightPosition[1], LightPosition[2], 1};
    glLightiv(GL_LIGHT0, GL_POSITION, position);
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 90.0f);
    const GLfloat direction[] = {float(SpotDirection[0]), float(SpotDirection[1]), float(SpotDirection[2])};
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, direction);
    glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 128.0f);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glShadeModel(GL_SMOOTH);
}

const processing::TSurfaceMesh& TView3DForm::Mesh()
{
    return MeshFor(Settings ? Settings->TypeDrawState : DrawType, Settings ? Settings->StepState : DrawStep);
}

const processing::TSurfaceMesh& TView3DForm::MeshFor(int type, int step)
{
    type = std::clamp(type, 0, 5);
    step = std::max(step, 1);
    // The channels as the data set holds them now: a plug-in may have replaced one since the
    // view last heard of the set, and the one it held is gone.
    FetchChannels(false);
    const bool skinned = type == processing::dtColorGrid || type == processing::dtPolygon;
    KeyHash key;
    key.Add(heightsVersion_).Add(reinterpret_cast<std::uintptr_t>(HeightData)).Add(std::uint64_t(type))
        .Add(std::uint64_t(step)).Add(std::uint64_t(std::uint32_t(ZOffset)));
    if (Settings)
        key.Add(Settings->DrawInside).Add(Settings->DrawLateralFace);
    // The skin's colours: the palette editor changes them and only repaints.
    const platform::LogPalette* table = skinned && SkinData ? SkinData->PaletteTable.get() : nullptr;
    const int colours = table ? std::min<int>(SkinData->ColourCount, int(table->palPalEntry.size())) : 0;
    if (skinned && SkinData) {
        key.Add(skinVersion_).Add(reinterpret_cast<std::uintptr_t>(SkinData)).Add(std::uint64_t(SkinData->Header.Min));
        std::uint64_t perColour = 0;
        std::memcpy(&perColour, &SkinData->RawPerColour, sizeof perColour);
        key.Add(perColour).Add(std::uint64_t(colours));
        for (int i = 0; i < colours; ++i) {
            const platform::PaletteEntry& e = table->palPalEntry[std::size_t(i)];
            key.Add(std::uint64_t(e.peRed) | std::uint64_t(e.peGreen) << 8 | std::uint64_t(e.peBlue) << 16);
        }
    }
    const bool moving = Settings && (type != Settings->TypeDrawState || step != Settings->StepState);
    TMeshCache& cache = meshes_[moving ? 1 : 0];
    if (cache.Valid && cache.Key == key.h)
        return cache.Mesh;

    cache.Mesh = {};
    cache.Valid = true;
    cache.Key = key.h;
    if (!HeightData)
        return cache.Mesh;
    ++meshBuilds_;
    const bool sameSkin = SkinData == HeightData;
    HeightData->Lock();
    if (skinned && SkinData && !sameSkin)
        SkinData->Lock();
    processing::TSurfaceInput in;
    in.Heights = HeightData->Data;
    in.Width = HeightData->Header.Width;
    in.Height = HeightData->Header.Height;
    in.MinHeight = HeightData->Header.Min;
    in.ZOffset = ZOffset;
    if (skinned && SkinData) {
        in.Skin = SkinData->Data;
        in.SkinMin = SkinData->Header.Min;
        in.RawPerColour = SkinData->RawPerColour;
        in.Palette = table ? table->palPalEntry.data() : nullptr;
        in.ColourCount = colours;
    }
    in.DrawType = type;
    in.DrawStep = step;
    in.DrawInside = Settings ? Settings->DrawInside : true;
    in.DrawLateralFace = Settings && Settings->DrawLateralFace;
    // A matrix that is not there (swapped out) or holds fewer values than its size says is
    // not drawn.
    const std::int64_t need = std::int64_t(in.Width) * in.Height;
    const bool heightsOk = in.Heights && HeightData->SampleCount() >= need;
    if (in.Skin && !(SkinData->SampleCount() >= need))
        in.Skin = nullptr;
    if (heightsOk) {
        // A large scan takes a while: the busy cursor shows it, on every core.
        TBusyCursor busy;
        try {
            if (MeshBuildStarts)
                MeshBuildStarts();
            cache.Mesh = processing::BuildSurface(in);
        } catch (const std::bad_alloc&) {
            cache.Mesh = {};  // too large to hold: nothing is drawn, and nothing is tried again
        }
    }
    if (skinned && SkinData && !sameSkin)
        SkinData->Unlock();
    HeightData->Unlock();
    return cache.Mesh;
}

void TView3DForm::DrawMesh(const processing::TSurfaceMesh& mesh)
{
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    for (const processing::TMeshPass& pass : mesh.Passes) {
        glPolygonMode(GL_FRONT_AND_BACK, pass.Filled ? GL_FILL : GL_LINE);
        switch (pass.Colour) {
        case TColourRole::Background:
        case TColourRole::Skin: SetColour(Settings->Color3D); break;
        case TColourRole::Grid: SetColour(Settings->ColorGrid); break;
        case TColourRole::LateralFace: SetColour(Settings->ColorLateralFace); break;
        case TColourRole::Bottom: glColor3f(0.1f, 0.1f, 0.1f); break;
        }
        const bool colours = !pass.Colours.empty();
        if (colours) {
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(3, GL_UNSIGNED_BYTE, 0, pass.Colours.data());
        }
        glVertexPointer(3, GL_FLOAT, 0, pass.Vertices.data());
        glNormalPointer(GL_FLOAT, 0, pass.Normals.data());
        for (const processing::TMeshRun& run : pass.Runs)
            glDrawArrays(ModeOf(run.Kind), run.First, run.Count);
        if (colours)
            glDisableClientState(GL_COLOR_ARRAY);
    }
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    // After drawn arrays the current normal is undefined: the one the surface left.
    glNormal3f(mesh.FinalNormal[0], mesh.FinalNormal[1], mesh.FinalNormal[2]);
}

void TView3DForm::DrawSurface()
{
    // Back faces filled first, as the mesh's own mode then says.
    glPolygonMode(GL_BACK, GL_FILL);
    DrawMesh(MeshFor(DrawType, DrawStep));
}

void TView3DForm::AxisLabel(const std::string& text, float mx, float my, float mz, bool zStyle, bool moveByHeight)
{
    double size[3] = {0, 0, 0};
    OpenGLPanel->Get3DTextSize(text, size);
    const double w = size[0], h = size[1], d = size[2];
    glPushMatrix();
    glScalef(10.0f / ModelScaleXY, 10.0f / ModelScaleXY, 10.0f / ModelScaleZ);
    if (moveByHeight)
        glTranslated(-h, -h, -h);
    else
        glTranslatef(mx, my, mz);
    glRotatef(float(-RotZ), 0, 0, 1);
    glRotatef(float(-RotX), 1, 0, 0);
    if (zStyle)
        glTranslated(-w - 1, -h / 2, -d / 2);
    else
        glTranslated(-w / 2, -h / 2, -d / 2);
    OpenGLPanel->Draw3DText(text);
    glPopMatrix();
}

void TView3DForm::DrawAxes()
{
    if (!HeightData)
        return;
    const std::int64_t W = HeightData->Header.Width, H = HeightData->Header.Height, M = HeightData->Header.Max;
    const processing::TAxisLabels labels = processing::AxisLabels(
        int(W), int(H), std::int32_t(M), HeightData->Header.XStep, HeightData->Header.YStep, HeightData->Header.ZScale);
    const std::string micrometres = "\xB5m";
    auto labelWidth = [this](const std::string& text) {
        double size[3] = {0, 0, 0};
        OpenGLPanel->Get3DTextSize(text, size);
        return float(size[0]);
    };
    SetColour(Settings->ColorAxis);
    glTranslatef(float(std::int64_t(LeftX) - 5), float(std::int64_t(BottomY) - 5), float(-std::int64_t(ZOffset) - 5));
    glBegin(GL_LINES);
    glVertex3f(0, 0, 0);
    glVertex3f(float(W / 10 + W), 0, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(0, float(H / 10 + H), 0);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 0, float(M / 10 + M));
    glEnd();
    AxisLabel("0.0", 0, 0, 0, false, true);
    const float tick = std::trunc(-5.0f / ModelScaleXY);

    glPushMatrix();
    for (const std::string& text : labels.X) {
        glTranslatef(float(W / 2), 0, 0);
        glBegin(GL_LINE_STRIP);
        glVertex3f(0, 0, 0);
        glVertex3f(0, tick, 0);
        glEnd();
        AxisLabel(text, 0, -labelWidth(text) / 2 - 1, 0, false);
    }
    glTranslatef(float(W / 10), 0, 0);
    AxisLabel(micrometres, 0, -labelWidth(micrometres) / 2, 0, false);
    glPopMatrix();

    glPushMatrix();
    for (const std::string& text : labels.Y) {
        glTranslatef(0, float(H / 2), 0);
        glBegin(GL_LINE_STRIP);
        glVertex3f(0, 0, 0);
        glVertex3f(tick, 0, 0);
        glEnd();
        AxisLabel(text, -labelWidth(text) / 2, 0, 0, false);
    }
    glTranslatef(0, float(H / 10), 0);
    AxisLabel(micrometres, -labelWidth(micrometres) / 2 - 1, 0, 0, false);
    glPopMatrix();

    glPushMatrix();
    for (const std::string& text : labels.Z) {
        glTranslatef(0, 0, float(M / 2));
        glBegin(GL_LINE_STRIP);
        glVertex3f(5, 0, 0);
        glVertex3f(0, 0, 0);
        glEnd();
        AxisLabel(text, 0, 0, 0, true);
    }
    glTranslatef(0, 0, float(M / 10));
    AxisLabel(micrometres, 0, 0, 0, true);
    glPopMatrix();
}

TStepWindow* NewView3D(TObjectSPM* step, QMdiArea* area)
{
    auto* view = new TView3DForm(step, step ? &step->ViewSettings : nullptr, area);
    if (!view->Created()) {
        delete view;
        return nullptr;
    }
    view->Show();
    return view;
}
