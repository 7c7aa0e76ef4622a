// The 3-D view on the screen, driven by real input: every change shows at once without a
// resize, values changed in place reach the surface, a replaced skin is never read after it
// went, and the axes, labels, info lines and light land where they belong.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QMdiSubWindow>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <cstring>
#include <vector>

#include "app/AppFixture.h"
#include "app/View3D.h"
#include "app/ViewLayout.h"
#include "components/OpenGLPanel.h"
#include "data/ObjectSPM.h"
#include "data/Spmdata.h"
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
    TView3DForm::MeshBuildStarts = [&] {
        const QCursor* cursor = QApplication::overrideCursor();
        seen.push_back(cursor ? cursor->shape() : Qt::ArrowCursor);
    };
    TView3DForm* view = OpenDome();
    ASSERT_TRUE(view);
    ASSERT_FALSE(seen.empty());
    for (Qt::CursorShape shape : seen)
        EXPECT_EQ(shape, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A build that runs out of memory draws nothing and leaves the cursor as it was.
    platform::FailParallelItemForTesting(0);
    step->UpdateChannel(0);
    gltest::Shown(*Surface(*view));
    platform::FailParallelItemForTesting(SIZE_MAX);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    TView3DForm::MeshBuildStarts = nullptr;
}
