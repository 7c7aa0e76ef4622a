// Where the child windows of the workspace open: every window at its default position lies
// wholly inside the visible workspace, beside the docked view-layout panel, in the cascade
// order; the surface information sits in the top-left corner with its whole form; a window
// larger than the workspace opens at the top-left corner.

#include <gtest/gtest.h>

#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <functional>
#include <string>
#include <vector>

#include "app/AppFixture.h"
#include "views/View2D.h"
#include "views/View3D.h"
#include "tools/AnalysisWindow.h"
#include "tools/ToolsFixture.h"

using namespace toolsfixture;

namespace {

//! Replaces the 3-D view's OpenGL check while it lives.
class ScopedOpenGLCheck {
public:
    ScopedOpenGLCheck() : saved_(TView3DForm::OpenGLCheck)
    {
        TView3DForm::OpenGLCheck = [] { return true; };
    }
    ~ScopedOpenGLCheck() { TView3DForm::OpenGLCheck = saved_; }

private:
    std::function<bool()> saved_;
};

class MdiPlacementTest : public appfixture::MainWindowTest {
protected:
    //! Gives the main window the size, opens a 64 × 48 scan (its 2-D view opens) and lets
    //! the layout settle.
    void Open(int width, int height)
    {
        main->resize(width, height);
        QApplication::processEvents();
        step =
            OpenInMain(*main, Step(
                                  64, 48, [](int r, int c) { return 3 * r + 2 * c; }, 10, 10, 1));
        QApplication::processEvents();
    }
    //! The subwindow of a step window.
    static QMdiSubWindow* FrameOf(TStepWindow* window)
    {
        if (auto* analysis = dynamic_cast<TAnalysisWindow*>(window))
            return analysis->Frame();
        if (auto* view = dynamic_cast<TView2DForm*>(window))
            return view->Frame();
        if (auto* view = dynamic_cast<TView3DForm*>(window))
            return view->Frame();
        return nullptr;
    }
    QRect Workspace() const { return QRect(QPoint(0, 0), main->Mdi()->viewport()->size()); }
    //! The subwindow's outline in the main window's coordinates.
    QRect InMain(QMdiSubWindow* frame) const
    {
        return QRect(frame->mapTo(main.get(), QPoint(0, 0)), frame->size());
    }

    ScopedOpenGLCheck openGL;
    TObjectSPM* step = nullptr;
};

} // namespace

// With the view-layout panel docked, the 2-D view, the heights, angle and 3-D windows open
// one cascade step after the other, each wholly in sight and clear of the panel; the
// surface information opens in the top-left corner, its frame holding its whole form.
TEST_F(MdiPlacementTest, WindowsOpenInsideTheVisibleWorkspaceInCascadeOrder)
{
    Open(1200, 900);
    ASSERT_TRUE(main->Panel2->isVisible());
    ASSERT_FALSE(main->Panel2->isFloating());
    const QRect panel = main->Panel2->geometry();
    step->OpenWindow(3);
    step->OpenWindow(4);
    step->OpenWindow(1);
    step->OpenWindow(5);
    QApplication::processEvents();

    struct Opened {
        const char* name;
        TStepWindow* window;
    };
    const std::vector<Opened> cascade = {{"2-D view", step->Views[0]},
                                         {"heights", step->HeightsWindow},
                                         {"angles", step->AngleWindow},
                                         {"3-D view", step->View3D}};
    std::vector<QPoint> places;
    for (const Opened& o : cascade) {
        QMdiSubWindow* frame = FrameOf(o.window);
        ASSERT_NE(frame, nullptr) << o.name;
        EXPECT_TRUE(frame->isVisible()) << o.name;
        EXPECT_TRUE(Workspace().contains(frame->geometry())) << o.name;
        EXPECT_FALSE(InMain(frame).intersects(panel)) << o.name;
        places.push_back(frame->pos());
    }
    // One step of the cascade: a title bar and a frame, down and to the right.
    const QPoint first = places[0];
    const QPoint step1 = places[1] - places[0];
    EXPECT_EQ(first, QPoint(0, 0));
    EXPECT_GT(step1.x(), 0);
    EXPECT_EQ(step1.x(), step1.y());
    for (std::size_t i = 0; i < places.size(); ++i)
        EXPECT_EQ(places[i], first + int(i) * step1) << cascade[i].name;

    QMdiSubWindow* info = FrameOf(step->InfoWindow);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->pos(), QPoint(0, 0));
    EXPECT_TRUE(Workspace().contains(info->geometry()));
    EXPECT_EQ(info->widget()->size(), QSize(492, 385));
    EXPECT_GT(info->height(), 385);
}

// A workspace smaller than a window: the window opens at its top-left corner.
TEST_F(MdiPlacementTest, AWindowLargerThanTheWorkspaceOpensAtItsTopLeftCorner)
{
    Open(640, 420);
    step->OpenWindow(3);
    QApplication::processEvents();
    QMdiSubWindow* heights = FrameOf(step->HeightsWindow);
    ASSERT_NE(heights, nullptr);
    ASSERT_GT(heights->width(), Workspace().width());
    EXPECT_EQ(heights->pos(), QPoint(0, 0));
}
