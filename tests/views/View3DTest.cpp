// The 3-D view's form on the offscreen platform, where no OpenGL widget can be shown: the
// refusal without OpenGL, and (with the check passed by the test) everything the form
// computes and keeps without drawing: extent, settings, skin, mouse, mesh cache, closing.
// Its pictures are tested under the virtual display (tests/gl).

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <functional>

#include "app/AppFixture.h"
#include "views/View3D.h"
#include "views/ViewLayout.h"
#include "components/OpenGLPanel.h"
#include "data/DataFixtures.h"
#include "data/ObjectSPM.h"
#include "tools/ToolsFixture.h"

using appfixture::MainWindowTest;
using namespace datafixtures;

namespace {

//! Replaces the view's OpenGL check while it lives.
class ScopedOpenGLCheck {
public:
    explicit ScopedOpenGLCheck(bool answer) : saved_(TView3DForm::OpenGLCheck)
    {
        TView3DForm::OpenGLCheck = [answer] { return answer; };
    }
    ~ScopedOpenGLCheck() { TView3DForm::OpenGLCheck = saved_; }

private:
    std::function<bool()> saved_;
};

class View3DTest : public MainWindowTest {
protected:
    //! A step of one w × h channel 0 (v = 3r + c) and a same-size channel 2.
    std::unique_ptr<TObjectSPM> MakeStep(int w, int h)
    {
        auto data = std::make_unique<TSurfaceData>("src.spm");
        data->Header.Width = std::uint16_t(w);
        data->Header.Height = std::uint16_t(h);
        AddChannel(*data, 0, w, h, [](int r, int c) { return 3 * r + c; });
        AddChannel(*data, 2, w, h, [](int r, int c) { return r - c; });
        auto step = std::make_unique<TObjectSPM>(nullptr, std::move(data));
        step->InitViewSettings();
        step->FileName = "scan.spm";
        return step;
    }
    static TView3DForm* ViewOf(TObjectSPM& step) { return dynamic_cast<TView3DForm*>(step.View3D); }
};

}  // namespace

TEST_F(View3DTest, WithoutOpenGLTheViewSaysSoAndLeavesNothingOpen)
{
    // The offscreen platform has no OpenGL widgets: the default check fails.
    auto step = MakeStep(8, 6);
    const std::int32_t uses = step->SurfaceData->LockCount;
    step->OpenWindow(1);
    EXPECT_EQ(step->View3D, nullptr);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{" << Ошибка инициализации видеорежима !!! >> "});
    EXPECT_EQ(step->SurfaceData->LockCount, uses);
    EXPECT_TRUE(main->MdiArea->subWindowList().isEmpty());
}

TEST_F(View3DTest, OpensWithTheStepsExtentSettingsAndCaption)
{
    ScopedOpenGLCheck check(true);
    auto step = MakeStep(256, 256);
    step->ViewSettings.LightOn = true;
    step->ViewSettings.AngleAlfa = 90;
    const std::int32_t uses = step->SurfaceData->LockCount;
    step->OpenWindow(1);
    TView3DForm* view = ViewOf(*step);
    ASSERT_TRUE(view);
    EXPECT_EQ(step->SurfaceData->LockCount, uses + 1);
    EXPECT_EQ(view->windowTitle().toStdString(), "View - scan.spm #1");
    EXPECT_EQ((std::array<int, 4>{view->LeftX, view->BottomY, view->RightX, view->TopY}),
              (std::array<int, 4>{-128, -128, 128, 128}));
    EXPECT_FLOAT_EQ(view->ViewHalfHeight, 192.0f);  // default Zoom3D 1.5
    EXPECT_EQ(view->LightRadius, 1280);
    EXPECT_EQ(view->LightPosition, (std::array<std::int32_t, 3>{0, 0, 1280}));
    EXPECT_EQ(view->RotX, -60);
    EXPECT_EQ(view->RotZ, 20);
    EXPECT_EQ(view->DrawType, step->ViewSettings.TypeDrawState);
    EXPECT_EQ(view->DrawStep, step->ViewSettings.StepState);
    // 256 × 2.5 nm = 0.64 µm; range 3 × 255 + 255 = 1020 counts at 0.5.
    EXPECT_EQ(view->InfoSize, "0.6 x 0.9 \xB5m");
    EXPECT_EQ(view->InfoAmplitude, "A = 510.0 ");
    // The panel itself reports that this platform gives it no context, and paints nothing.
    EXPECT_FALSE(view->OpenGLPanel->HasContext());
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"wglRenderingContext:0", "Open GL Context Create Failed"}));
    // A second request brings the same view to the front.
    step->OpenWindow(1);
    EXPECT_EQ(ViewOf(*step), view);
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 1);
    // The step number in the caption follows a refresh.
    step->StepNumber = 4;
    step->UpdateAll();
    EXPECT_EQ(view->windowTitle().toStdString(), "View - scan.spm #4");
}

TEST_F(View3DTest, AbsentOrMisfittingSkinFallsBackToChannelZero)
{
    ScopedOpenGLCheck check(true);
    auto step = MakeStep(8, 6);
    AddChannel(*step->SurfaceData, 20, 5, 3, [](int, int) { return 1; });
    step->OpenWindow(1);
    TView3DForm* view = ViewOf(*step);
    ASSERT_TRUE(view);
    TSurfaceData& data = *step->SurfaceData;
    const struct {
        int skin;
        int kept;
        TSPMData* used;
    } cases[] = {
        {2, 2, data.Channel(2)},   // present and of the same size
        {7, 0, data.Channel(0)},   // not present
        {-1, 0, data.Channel(0)},  // no channel at all
        {20, 0, data.Channel(0)},  // another size: its matrix would be read outside
    };
    for (const auto& c : cases) {
        step->ViewSettings.SkinChannel = c.skin;
        view->ApplySettings();
        EXPECT_EQ(step->ViewSettings.SkinChannel, c.kept) << c.skin;
        EXPECT_EQ(view->SkinData, c.used) << c.skin;
        EXPECT_EQ(view->HeightData, data.Channel(0));
    }
}

TEST_F(View3DTest, MouseTurnsAndZoomsHidingTheAxesOnlyWhileTurning)
{
    ScopedOpenGLCheck check(true);
    auto step = MakeStep(256, 256);
    TViewSettings& s = step->ViewSettings;
    s.DrawAxis = true;
    s.TypeDrawMove = 1;
    s.StepMove = 5;
    step->OpenWindow(1);
    TView3DForm* view = ViewOf(*step);
    ASSERT_TRUE(view);

    // Left drag: turns by half the distance (truncated), the axes hidden until the release,
    // the moving draw type and step meanwhile.
    view->FormMouseDown(Qt::LeftButton, 100, 100);
    EXPECT_FALSE(s.DrawAxis);
    EXPECT_EQ(view->DrawType, 1);
    EXPECT_EQ(view->DrawStep, 5);
    view->FormMouseMove(Qt::LeftButton, 107, 95);
    EXPECT_EQ(view->RotZ, 20 + 3);
    EXPECT_EQ(view->RotX, -60 - 2);
    view->FormMouseUp(Qt::LeftButton, 107, 95);
    EXPECT_TRUE(s.DrawAxis);
    EXPECT_EQ(view->DrawType, s.TypeDrawState);
    EXPECT_EQ(view->DrawStep, s.StepState);

    // Right drag: zooms and leaves the axes as they were; far up stops at 0.2, far down at 3.
    view->FormMouseDown(Qt::RightButton, 0, 500);
    EXPECT_TRUE(s.DrawAxis);
    view->FormMouseMove(Qt::RightButton, 0, 503);
    EXPECT_FLOAT_EQ(view->ViewHalfHeight, 193.0f);
    view->FormMouseMove(Qt::RightButton, 0, -5000);
    EXPECT_FLOAT_EQ(s.Zoom3D, 0.2f);
    EXPECT_FLOAT_EQ(view->ViewHalfHeight, 128 * 0.2f);
    view->FormMouseMove(Qt::RightButton, 0, 20000);
    EXPECT_FLOAT_EQ(s.Zoom3D, 3.0f);
    view->FormMouseUp(Qt::RightButton, 0, 20000);
    EXPECT_TRUE(s.DrawAxis);
    EXPECT_EQ(view->RotZ, 23);
}

TEST_F(View3DTest, MeshIsBuiltOncePerDataTypeStepAndSkinColours)
{
    ScopedOpenGLCheck check(true);
    auto step = MakeStep(16, 12);
    step->OpenWindow(1);
    TView3DForm* view = ViewOf(*step);
    ASSERT_TRUE(view);
    const std::int64_t vertices = view->Mesh().VertexCount();
    EXPECT_EQ(vertices, 11 * 15 * 2);  // the default polygon at step 1
    const int builds = view->MeshBuilds();
    // Turning and zooming build nothing.
    view->FormMouseDown(Qt::LeftButton, 0, 0);
    view->FormMouseMove(Qt::LeftButton, 40, 40);
    view->FormMouseUp(Qt::LeftButton, 40, 40);
    view->Mesh();
    EXPECT_EQ(view->MeshBuilds(), builds);
    // A changed skin colour, a refresh and a new draw type each build it once more.
    TSPMData& skin = *step->SurfaceData->Channel(0);
    skin.PaletteTable->palPalEntry[0] = {1, 2, 3, 0};
    view->Mesh();
    EXPECT_EQ(view->MeshBuilds(), builds + 1);
    view->Refresh();
    view->Mesh();
    view->Mesh();
    EXPECT_EQ(view->MeshBuilds(), builds + 2);
    step->ViewSettings.LightOn = true;
    step->ViewSettings.Zoom3D = 2.5f;
    view->ApplySettings();
    view->Mesh();
    EXPECT_EQ(view->MeshBuilds(), builds + 2);
    step->ViewSettings.TypeDrawState = 3;
    view->ApplySettings();
    EXPECT_EQ(view->Mesh().VertexCount(), 11 * 15 * 2 + 11 * 15 * 2);  // mesh and grid
    EXPECT_EQ(view->MeshBuilds(), builds + 3);
}

TEST_F(View3DTest, ClosingReleasesTheDataSetAndTheStepsSlot)
{
    ScopedOpenGLCheck check(true);
    auto step = MakeStep(8, 6);
    const std::int32_t uses = step->SurfaceData->LockCount;
    step->OpenWindow(1);
    TView3DForm* view = ViewOf(*step);
    ASSERT_TRUE(view);
    QTest::keyClick(view, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(step->View3D, nullptr);
    EXPECT_EQ(step->SurfaceData->LockCount, uses);
    EXPECT_TRUE(main->MdiArea->subWindowList().isEmpty());

    // A step that goes takes its view with it.
    step->OpenWindow(1);
    ASSERT_TRUE(ViewOf(*step));
    step.reset();
    QApplication::processEvents();
    EXPECT_TRUE(main->MdiArea->subWindowList().isEmpty());
}

// The view-layout window and the 3-D view of the step it shows: a right-button drag moves the
// distance bar to trunc(Zoom3D × 10) and keeps its own finer zoom; the bar, the draw type,
// the mesh step and the scroll-bar box reach the view.
TEST_F(View3DTest, TheViewLayoutWindowFollowsAndDrivesTheView)
{
    ScopedOpenGLCheck check(true);
    TObjectSPM* step = toolsfixture::OpenInMain(*main, toolsfixture::Step(256, 256, [](int r, int c) { return r + c; }));
    step->OpenWindow(1);
    TView3DForm* view = ViewOf(*step);
    ASSERT_TRUE(view);
    QApplication::processEvents();
    TViewLayoutForm* layout = ViewLayoutForm;
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->AttachedStep(), step);
    TViewSettings& s = step->ViewSettings;
    ASSERT_EQ(layout->tbZoom->value(), 15);

    view->FormMouseDown(Qt::RightButton, 0, 100);
    view->FormMouseMove(Qt::RightButton, 0, 150);  // 192 + 25: Zoom3D 217 / 128
    EXPECT_FLOAT_EQ(view->ViewHalfHeight, 217.0f);
    EXPECT_FLOAT_EQ(s.Zoom3D, 217.0f / 128);
    EXPECT_EQ(layout->tbZoom->value(), 16);
    view->FormMouseMove(Qt::RightButton, 0, 153);  // one raw step more: not rounded to the bar
    EXPECT_FLOAT_EQ(view->ViewHalfHeight, 218.0f);
    view->FormMouseMove(Qt::RightButton, 0, -5000);
    EXPECT_EQ(layout->tbZoom->value(), 2);
    view->FormMouseUp(Qt::RightButton, 0, -5000);

    layout->tbZoom->setValue(10);
    EXPECT_FLOAT_EQ(view->ViewHalfHeight, 128.0f);
    layout->cbTypeDrawState->setCurrentIndex(3);
    layout->cbTypeDrawStateChange();
    EXPECT_EQ(view->DrawType, 3);
    layout->cbStepState->setCurrentIndex(3);
    layout->cbStepStateChange();
    EXPECT_EQ(view->DrawStep, 4);
    layout->cbScrollBar->setChecked(!s.ShowScrollBars);
    EXPECT_EQ(view->sbX->isVisibleTo(view), s.ShowScrollBars);
    EXPECT_EQ(view->sbY->isVisibleTo(view), s.ShowScrollBars);

    // A view-layout window that shows another step keeps its bar.
    TObjectSPM* other = toolsfixture::OpenInMain(*main, toolsfixture::Step(8, 8, [](int r, int c) { return r * c; }));
    layout->AttachObject(other);
    const int shown = layout->tbZoom->value();
    view->FormMouseDown(Qt::RightButton, 0, 0);
    view->FormMouseMove(Qt::RightButton, 0, 60);
    view->FormMouseUp(Qt::RightButton, 0, 60);
    EXPECT_FLOAT_EQ(s.Zoom3D, (128 + 30) / 128.0f);
    EXPECT_EQ(layout->tbZoom->value(), shown);
    EXPECT_FLOAT_EQ(other->ViewSettings.Zoom3D, 1.5f);
}

TEST_F(View3DTest, ScrollBarsPanAtTheEndOfAScrollOnly)
{
    ScopedOpenGLCheck check(true);
    auto step = MakeStep(7, 5);
    step->OpenWindow(1);
    TView3DForm* view = ViewOf(*step);
    ASSERT_TRUE(view);
    EXPECT_EQ((std::array<int, 4>{view->sbX->minimum(), view->sbX->maximum(), view->sbY->minimum(),
                                  view->sbY->maximum()}),
              (std::array<int, 4>{-3, 3, -2, 2}));
    // A click or key that moves a bar pans at once.
    view->sbX->setValue(2);
    view->sbY->setValue(-1);
    EXPECT_EQ(view->PanX, 2);
    EXPECT_EQ(view->PanY, -1);
    // While the thumb is held the view keeps its pan; letting it go pans to where it stands.
    view->sbX->setSliderDown(true);
    view->sbX->setValue(-3);
    EXPECT_EQ(view->PanX, 2);
    view->sbX->setSliderDown(false);
    EXPECT_EQ(view->PanX, -3);
    // Past either end the bar stays at its end.
    view->sbY->setValue(40);
    EXPECT_EQ(view->PanY, 2);
}
