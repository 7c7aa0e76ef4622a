// The 3-D view on the screen, driven by real input: every change shows at once without a
// resize, values changed in place reach the surface, a replaced skin is never read after it
// went, and the axes, labels, info lines and light land where they belong.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QMdiSubWindow>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "app/AppFixture.h"
#include "views/View3D.h"
#include "views/ViewLayout.h"
#include "components/OpenGLPanel.h"
#include "data/ObjectSPM.h"
#include "data/Spmdata.h"
#include "processing/Mesh3D.h"
#include "gl/GLSupport.h"
#include "platform/core/Parallel.h"
#include "tools/ToolsFixture.h"

using appfixture::MainWindowTest;

namespace {

class View3DScreenTest : public MainWindowTest {
protected:
    //! A 120 × 100 dome as a file's step in the main window, its 3-D view opened with the
    //! tool button and shown.
    TView3DForm* OpenDome(int width = 120, int height = 100)
    {
        step = toolsfixture::OpenInMain(*main, toolsfixture::Step(width, height, [=](int r, int c) {
            const int dr = r - height / 2, dc = c - width / 2;
            return 3000 - (dr * dr + dc * dc) / 2;
        }));
        QTest::mouseClick(main->View3DBtn, Qt::LeftButton);
        auto* view = dynamic_cast<TView3DForm*>(step->View3D);
        if (view && view->Frame()) {
            view->Frame()->move(0, 0);  // wholly in sight, clear of the docked window
            gltest::ShowAndWait(*view->Frame());
        }
        return view;
    }
    //! The GL surface, where the mouse goes.
    static QWidget* Surface(TView3DForm& view) { return view.OpenGLPanel->Surface(); }
    //! A drag with the button held, in four moves.
    static void Drag(QWidget* target, Qt::MouseButton button, QPoint from, QPoint by)
    {
        QTest::mousePress(target, button, Qt::NoModifier, from);
        for (int i = 1; i <= 4; ++i) {
            const QPointF at = from + by * i / 4;
            QMouseEvent move(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, button, Qt::NoModifier);
            QApplication::sendEvent(target, &move);
            QApplication::processEvents();
        }
        QTest::mouseRelease(target, button, Qt::NoModifier, from + by);
    }
    //! Brings a page of the view-layout window up by a click on its tab.
    static void ClickTab(TViewLayoutForm& layout, const QString& text)
    {
        QTabBar* bar = layout.PageControl->tabBar();
        for (int i = 0; i < bar->count(); ++i)
            if (bar->tabText(i) == text)
                QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(i).center());
        QApplication::processEvents();
    }
    //! The screen's picture equals what the view paints now, and differs from `before`.
    static void ExpectShownAndChanged(TView3DForm& view, const QImage& before, QImage& shown, const char* what)
    {
        shown = gltest::Shown(*Surface(view));
        EXPECT_NE(shown, before) << what << ": the picture on the screen did not change";
        const QImage fresh = gltest::Capture(*view.OpenGLPanel);
        EXPECT_EQ(shown, fresh) << what << ": the screen shows an old picture";
    }

    TObjectSPM* step = nullptr;
};

}  // namespace

TEST_F(View3DScreenTest, EveryChangeShowsAtOnceWithoutAResize)
{
    SKIP_WITHOUT_OPENGL();
    TView3DForm* view = OpenDome();
    ASSERT_TRUE(view);
    ASSERT_TRUE(view->OpenGLPanel->HasContext());
    const QSize size = view->Frame()->size();
    QWidget* surface = Surface(*view);
    QImage shown = gltest::Shown(*surface), before;
    EXPECT_EQ(shown, gltest::Capture(*view->OpenGLPanel));

    // Two turns, one after the other.
    for (const char* turn : {"first turn", "second turn"}) {
        before = shown;
        Drag(surface, Qt::LeftButton, QPoint(60, 60), QPoint(60, 24));
        ExpectShownAndChanged(*view, before, shown, turn);
    }
    // A zoom with the right button.
    before = shown;
    Drag(surface, Qt::RightButton, QPoint(60, 60), QPoint(0, 80));
    ExpectShownAndChanged(*view, before, shown, "right-button zoom");

    // The view-layout window's distance bar, moved with the keyboard.
    TViewLayoutForm* layout = ViewLayoutForm;
    ASSERT_TRUE(layout);
    ClickTab(*layout, "3D View");
    const float zoom = step->ViewSettings.Zoom3D;
    layout->tbZoom->setFocus();
    before = shown;
    QTest::keyClick(layout->tbZoom, Qt::Key_PageDown);
    EXPECT_NE(step->ViewSettings.Zoom3D, zoom);
    ExpectShownAndChanged(*view, before, shown, "distance bar");

    // The still draw type, chosen in its box with the keyboard: polygon to colour grid.
    ClickTab(*layout, "Show");
    layout->cbTypeDrawState->setFocus();
    before = shown;
    QTest::keyClick(layout->cbTypeDrawState, Qt::Key_Up);
    EXPECT_EQ(step->ViewSettings.TypeDrawState, 4);
    ExpectShownAndChanged(*view, before, shown, "draw type");

    // The mesh step likewise.
    layout->cbStepState->setFocus();
    before = shown;
    QTest::keyClick(layout->cbStepState, Qt::Key_Down);
    EXPECT_EQ(step->ViewSettings.StepState, 2);
    ExpectShownAndChanged(*view, before, shown, "mesh step");

    EXPECT_EQ(view->Frame()->size(), size);  // nothing of this resized the window
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(View3DScreenTest, ValuesChangedInPlaceReachTheSurface)
{
    SKIP_WITHOUT_OPENGL();
    TView3DForm* view = OpenDome();
    ASSERT_TRUE(view);
    const QImage before = gltest::Shown(*Surface(*view));
    TSPMData* heights = step->SurfaceData->Channel(0);
    ASSERT_EQ(view->Mesh().Passes.at(0).Vertices.at(2), 3000.0f - (50 * 50 + 60 * 60) / 2);

    // What a plug-in does: new values in place, then UpdateChannel.
    heights->Lock();
    std::int32_t* v = heights->GetData();
    for (int r = 0; r < 100; ++r)
        for (int c = 0; c < 120; ++c)
            v[r * 120 + c] = 40 * r - 10 * c;
    heights->Unlock();
    step->UpdateChannel(0);
    QImage shown;
    ExpectShownAndChanged(*view, before, shown, "heights changed in place");
    // The first quad strip starts at (0, 0) and (1, 0) with the new heights.
    const processing::TMeshPass& mesh = view->Mesh().Passes.at(0);
    EXPECT_EQ(mesh.Vertices.at(2), 0.0f);
    EXPECT_EQ(mesh.Vertices.at(5), 40.0f);

    // A turn and a resize keep the new surface.
    Drag(Surface(*view), Qt::LeftButton, QPoint(60, 60), QPoint(40, 0));
    view->Frame()->resize(view->Frame()->size() + QSize(20, 10));
    gltest::Shown(*Surface(*view));
    EXPECT_EQ(view->Mesh().Passes.at(0).Vertices.at(5), 40.0f);

    // A channel the view does not show builds nothing.
    const int builds = view->MeshBuilds();
    step->UpdateChannel(5);
    gltest::Capture(*view->OpenGLPanel);
    EXPECT_EQ(view->MeshBuilds(), builds);
}

TEST_F(View3DScreenTest, AReplacedSkinIsTakenFromTheDataSetAgain)
{
    SKIP_WITHOUT_OPENGL();
    // Channel 2 colours the dome: a plug-in's channel, filled and updated.
    step = toolsfixture::OpenInMain(*main, toolsfixture::Step(120, 100, [](int r, int c) { return 20 * r + c; }));
    auto fill = [this](int slot, int width, int height, int k) {
        TSPMData* ch = step->SurfaceData->Channel(slot);
        ch->Lock();
        for (int i = 0; i < width * height; ++i)
            ch->GetData()[i] = (i * k) % 1000;
        ch->Unlock();
        step->UpdateChannel(slot);
    };
    ASSERT_TRUE(step->AddChannelLikeData(2, "deg", 1, 1, 1, "Phase"));
    fill(2, 120, 100, 7);
    step->ViewSettings.SkinChannel = 2;
    step->ViewSettings.TypeDrawState = processing::dtPolygon;
    QTest::mouseClick(main->View3DBtn, Qt::LeftButton);
    auto* view = dynamic_cast<TView3DForm*>(step->View3D);
    ASSERT_TRUE(view && view->Frame());
    view->Frame()->move(0, 0);
    gltest::ShowAndWait(*view->Frame());
    ASSERT_EQ(view->SkinData, step->SurfaceData->Channel(2));
    const auto colours = view->Mesh().Passes.at(0).Colours;
    QImage shown = gltest::Shown(*Surface(*view));

    // The plug-in replaces the skin: the old channel object is freed at once. A paint in
    // between (a progress window lets the events run) reads only what the set holds.
    ASSERT_TRUE(step->AddChannelLikeData(2, "deg", 1, 1, 1, "Phase"));
    gltest::Capture(*view->OpenGLPanel);
    gltest::Shown(*Surface(*view));
    EXPECT_EQ(view->SkinData, step->SurfaceData->Channel(2));
    const QImage before = shown;
    fill(2, 120, 100, 13);
    ExpectShownAndChanged(*view, before, shown, "a replaced skin");
    EXPECT_EQ(view->SkinData, step->SurfaceData->Channel(2));
    EXPECT_NE(view->Mesh().Passes.at(0).Colours, colours);
    EXPECT_EQ(step->ViewSettings.SkinChannel, 2);

    // A skin of another size, and a skin that is gone, count as absent: channel 0 colours.
    ASSERT_TRUE(step->AddChannel(21, 10, 10, 1, 1, 1, "deg", "Small"));
    step->ViewSettings.SkinChannel = 21;
    fill(21, 10, 10, 3);
    EXPECT_EQ(step->ViewSettings.SkinChannel, 0);
    EXPECT_EQ(view->SkinData, view->HeightData);
    gltest::Shown(*Surface(*view));
    step->ViewSettings.SkinChannel = 2;
    view->ApplySettings();
    EXPECT_EQ(view->SkinData, step->SurfaceData->Channel(2));
    step->DeleteChannel(2);
    gltest::Capture(*view->OpenGLPanel);  // before the update too
    step->UpdateChannel(2);
    EXPECT_EQ(step->ViewSettings.SkinChannel, 0);
    EXPECT_EQ(view->SkinData, view->HeightData);
    gltest::Shown(*Surface(*view));
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(View3DScreenTest, TheBusyCursorShowsWhileTheMeshIsBuilt)
{
    SKIP_WITHOUT_OPENGL();
    std::vector<Qt::CursorShape> seen;
    bool failNext = false;
    TView3DForm::MeshBuildStarts = [&] {
        const QCursor* cursor = QApplication::overrideCursor();
        seen.push_back(cursor ? cursor->shape() : Qt::ArrowCursor);
        if (std::exchange(failNext, false))
            platform::FailParallelItemForTesting(0);  // the build's first band
    };
    TView3DForm* view = OpenDome(300, 300);  // large enough for the workers
    ASSERT_TRUE(view);
    ASSERT_FALSE(seen.empty());
    for (Qt::CursorShape shape : seen)
        EXPECT_EQ(shape, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A build that runs out of memory draws nothing and leaves the cursor as it was.
    failNext = true;
    step->UpdateChannel(0);
    gltest::Shown(*Surface(*view));
    platform::FailParallelItemForTesting(SIZE_MAX);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(view->Mesh().Passes.empty());
    // The next change of the values builds it whole again.
    step->UpdateChannel(0);
    EXPECT_EQ(view->Mesh().VertexCount(), std::int64_t(299) * 299 * 2);
    TView3DForm::MeshBuildStarts = nullptr;
}

namespace {

//! Where a point of the model (grid units and raw heights, before the scales) shows in the
//! view's surface: the view's scales, turns and volume, as the graphics library applies them.
QPointF Project(const TView3DForm& view, double x, double y, double z)
{
    const double pi = 3.141592653589793;
    x *= view.ModelScaleXY;
    y *= view.ModelScaleXY;
    z *= view.ModelScaleZ;
    const double a = view.RotZ * pi / 180, b = view.RotX * pi / 180;
    const double x1 = x * std::cos(a) - y * std::sin(a), y1 = x * std::sin(a) + y * std::cos(a);
    const double y2 = y1 * std::cos(b) - z * std::sin(b);
    const int w = view.width(), h = view.height();
    const processing::TViewVolume v = processing::ViewVolume(w, h, view.ViewHalfHeight, view.PanX, view.PanY);
    return {(x1 - v.Left) / (v.Right - v.Left) * w, h - (y2 - v.Bottom) / (v.Top - v.Bottom) * h};
}

//! Pixels of the colour within the box of half size `half` around the point.
int CountNear(const QImage& image, QPointF at, int half, QRgb colour)
{
    int n = 0;
    for (int y = int(at.y()) - half; y <= int(at.y()) + half; ++y)
        for (int x = int(at.x()) - half; x <= int(at.x()) + half; ++x)
            n += image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}

}  // namespace

TEST_F(View3DScreenTest, AxesLabelsAndInfoLinesAreDrawnWhereTheyBelong)
{
    SKIP_WITHOUT_OPENGL();
    step = toolsfixture::OpenInMain(*main, toolsfixture::Step(120, 100, [](int r, int c) {
        return 3000 - ((r - 50) * (r - 50) + (c - 60) * (c - 60)) / 2;
    }, 10, 10, 1));
    TViewSettings& s = step->ViewSettings;
    s.TypeDrawState = processing::dtGrid;  // white, with a black grid: no red, no blue
    s.Color3D = 0xFFFFFF;
    s.ColorGrid = 0x000000;
    s.ColorAxis = 0xFF0000;             // blue (red in the low byte)
    s.InfoTextFont->Color = 0x0000FF;   // red
    s.DrawAxis = true;
    QTest::mouseClick(main->View3DBtn, Qt::LeftButton);
    auto* view = dynamic_cast<TView3DForm*>(step->View3D);
    ASSERT_TRUE(view && view->Frame());
    view->Frame()->move(0, 0);
    gltest::ShowAndWait(*view->Frame());
    const QImage shown = gltest::Shown(*Surface(*view));
    const QRgb blue = qRgb(0, 0, 255), red = qRgb(255, 0, 0);

    // The three info lines: red text in bands above raster rows 15, 30 and 45 at the left,
    // and no red anywhere else.
    int elsewhere = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            elsewhere += (shown.pixel(x, y) & 0xFFFFFF) == (red & 0xFFFFFF) && (y > 50 || x > 200);
    EXPECT_EQ(elsewhere, 0);
    for (int line : {15, 30, 45}) {
        int n = 0;
        for (int y = line - 12; y <= line + 2; ++y)
            for (int x = 0; x < 200; ++x)
                n += (shown.pixel(x, y) & 0xFFFFFF) == (red & 0xFFFFFF);
        EXPECT_GT(n, 30) << "info line at " << line;
    }

    // The axes from just outside the corner: blue near their far ends.
    const double W = 120, H = 100, M = 3000;
    const double ox = view->LeftX - 5, oy = view->BottomY - 5, oz = -5;
    const QPointF tips[] = {Project(*view, ox + (W / 10 + W) * 0.95, oy, oz),
                            Project(*view, ox, oy + (H / 10 + H) * 0.95, oz),
                            Project(*view, ox, oy, oz + (M / 10 + M) * 0.95)};
    for (const QPointF& tip : tips)
        EXPECT_GT(CountNear(shown, tip, 3, blue), 0) << "axis end at " << tip.x() << ", " << tip.y();

    // Their labels, ten times the font's size, centred where the drawing puts them: "0.0"
    // before the origin, the two marks and "µm" along each axis.
    ASSERT_TRUE(view->OpenGLPanel->MakeOpenGLPanelCurrent());
    auto size = [&](const std::string& text) {
        double d[3] = {0, 0, 0};
        view->OpenGLPanel->Get3DTextSize(text, d);
        return std::array<double, 3>{d[0], d[1], d[2]};
    };
    const processing::TAxisLabels labels = processing::AxisLabels(120, 100, 3000, 10, 10, 1);
    const double k = 10 / view->ModelScaleXY, kz = 10 / view->ModelScaleZ;
    struct Label {
        std::string text;
        QPointF at;
    };
    std::vector<Label> expected;
    const double h0 = size("0.0")[1];
    expected.push_back({"0.0", Project(*view, ox - k * h0, oy - k * h0, oz - kz * h0)});
    for (int i = 0; i < 2; ++i) {
        const auto x = size(labels.X[i]), y = size(labels.Y[i]);
        expected.push_back({labels.X[i], Project(*view, ox + (i + 1) * (W / 2), oy + k * (-x[0] / 2 - 1), oz)});
        expected.push_back({labels.Y[i], Project(*view, ox + k * (-y[0] / 2), oy + (i + 1) * (H / 2), oz)});
    }
    const auto mu = size("\xB5m");
    expected.push_back({"X µm", Project(*view, ox + W + W / 10, oy + k * (-mu[0] / 2), oz)});
    expected.push_back({"Y µm", Project(*view, ox + k * (-mu[0] / 2 - 1), oy + H + H / 10, oz)});
    view->OpenGLPanel->MakeOpenGLPanelNotCurrent();
    for (const Label& label : expected)
        EXPECT_GT(CountNear(shown, label.at, 8, blue), 3) << "label " << label.text << " at " << label.at.x()
                                                         << ", " << label.at.y();

    // A left-button drag hides the axes and their labels while it lasts.
    QWidget* surface = Surface(*view);
    QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    QMouseEvent move(QEvent::MouseMove, QPointF(61, 60), surface->mapToGlobal(QPointF(61, 60)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(surface, &move);
    EXPECT_EQ(gltest::CountOtherThan(gltest::Shown(*surface), blue), shown.width() * shown.height());
    QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, QPoint(61, 60));
}

TEST_F(View3DScreenTest, MovingTheLightChangesTheShadingAndNothingElse)
{
    SKIP_WITHOUT_OPENGL();
    TView3DForm* view = OpenDome();
    ASSERT_TRUE(view);
    TViewLayoutForm* layout = ViewLayoutForm;
    ASSERT_TRUE(layout);
    ClickTab(*layout, "General");
    QTest::mouseClick(layout->cbLight, Qt::LeftButton, Qt::NoModifier, QPoint(5, layout->cbLight->height() / 2));
    ASSERT_TRUE(step->ViewSettings.LightOn);
    QWidget* surface = Surface(*view);
    const QImage lit = gltest::Shown(*surface);
    const QRgb white = qRgb(255, 255, 255);

    // The polar angle a quarter round: the light bar moved with the keyboard.
    layout->tbAngleFi->setFocus();
    QTest::keyClick(layout->tbAngleFi, Qt::Key_PageUp);
    QTest::keyClick(layout->tbAngleFi, Qt::Key_PageUp);
    ASSERT_EQ(step->ViewSettings.AngleFi, 90);
    const QImage turned = gltest::Shown(*surface);
    EXPECT_EQ(turned, gltest::Capture(*view->OpenGLPanel));
    int shaded = 0, outline = 0, changed = 0;
    for (int y = 50; y < lit.height(); ++y)  // below the info lines
        for (int x = 0; x < lit.width(); ++x) {
            const bool a = (lit.pixel(x, y) & 0xFFFFFF) != (white & 0xFFFFFF);
            const bool b = (turned.pixel(x, y) & 0xFFFFFF) != (white & 0xFFFFFF);
            outline += a != b;
            shaded += a;
            changed += a && b && lit.pixel(x, y) != turned.pixel(x, y);
        }
    EXPECT_GT(shaded, lit.width() * lit.height() / 10);
    // The surface keeps its place and outline; its shades change over much of it.
    EXPECT_LE(outline, shaded / 100);
    EXPECT_GT(changed, shaded / 4);
}
