// The 3-D view drawing for real: a surface in every draw type, the axes, and the whole road
// from opening a scan to saving the turned picture.

#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <set>

#include "app/AppFixture.h"
#include "views/View3D.h"
#include "components/OpenGLPanel.h"
#include "data/DataFixtures.h"
#include "data/ObjectFile.h"
#include "data/ObjectSPM.h"
#include "gl/GLSupport.h"
#include "platform/gui/Bitmap.h"

using appfixture::MainWindowTest;
using namespace datafixtures;

namespace {

class View3DGLTest : public MainWindowTest {
protected:
    //! A 48 × 40 dome (channel 0) and a tilted skin (channel 2).
    static std::unique_ptr<TSurfaceData> Dome()
    {
        auto data = std::make_unique<TSurfaceData>("dome.spm");
        data->Header.FormatVersion = 1;
        data->Header.Width = 48;
        data->Header.Height = 40;
        AddChannel(*data, 0, 48, 40, [](int r, int c) {
            return int(2000 - 2 * ((r - 20) * (r - 20) + (c - 24) * (c - 24)));
        });
        AddChannel(*data, 2, 48, 40, [](int r, int c) { return r * 48 + c; });
        return data;
    }
    TView3DForm* Open(TObjectSPM& step)
    {
        step.OpenWindow(1);
        auto* view = dynamic_cast<TView3DForm*>(step.View3D);
        if (view && view->Frame())
            gltest::ShowAndWait(*view->Frame());
        return view;
    }
};

}  // namespace

TEST_F(View3DGLTest, EveryDrawTypeDrawsItsOwnPictureOfTheSurface)
{
    SKIP_WITHOUT_OPENGL();
    TObjectSPM step(nullptr, Dome());
    step.InitViewSettings();
    TViewSettings& s = step.ViewSettings;
    s.Color3D = 0xFFFFFF;
    s.SkinChannel = 2;
    s.LightOn = true;
    s.DrawLateralFace = true;
    s.DrawAxis = true;
    TView3DForm* view = Open(step);
    ASSERT_TRUE(view);
    ASSERT_TRUE(view->OpenGLPanel->HasContext());
    std::set<std::vector<QRgb>> pictures;
    for (int type = 0; type <= 5; ++type) {
        s.TypeDrawState = type;
        view->ApplySettings();
        view->FormMouseUp(Qt::NoButton, 0, 0);  // the still type and step
        const QImage picture = gltest::Capture(*view->OpenGLPanel);
        const int drawn = gltest::CountOtherThan(picture, qRgb(255, 255, 255));
        EXPECT_GT(drawn, picture.width() * picture.height() / 20) << "type " << type;
        std::vector<QRgb> pixels;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                pixels.push_back(picture.pixel(x, y));
        pictures.insert(pixels);
    }
    EXPECT_EQ(pictures.size(), 6u);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(View3DGLTest, ADegenerateChannelDrawsNothingWrong)
{
    SKIP_WITHOUT_OPENGL();
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{1, 9}, std::pair{9, 1}}) {
        auto data = std::make_unique<TSurfaceData>("thin.spm");
        AddChannel(*data, 0, w, h, [](int r, int c) { return r + c; });
        TObjectSPM step(nullptr, std::move(data));
        step.InitViewSettings();
        step.ViewSettings.DrawAxis = true;
        step.ViewSettings.DrawLateralFace = true;
        TView3DForm* view = Open(step);
        ASSERT_TRUE(view);
        EXPECT_GT(view->ViewHalfHeight, 0.0f);
        const QImage picture = gltest::Capture(*view->OpenGLPanel);
        EXPECT_FALSE(picture.isNull());
        EXPECT_TRUE(messages.Texts().empty()) << w << "x" << h;
    }
}

TEST_F(View3DGLTest, OpenTurnAndSaveThroughTheMainWindow)
{
    SKIP_WITHOUT_OPENGL();
    // A scan on disk, opened as a user opens it.
    {
        TObjectSPM source(nullptr, Dome());
        ASSERT_EQ(source.SaveToFile(dir.File("dome.spm"), true), 0);
    }
    dialogs.Choose(dir.File("dome.spm"), 1);
    main->OpenClick();
    TObjectSPM* step = main->CurrentStep();
    ASSERT_TRUE(step);
    ASSERT_TRUE(main->View3DBtn->isEnabled());

    QTest::mouseClick(main->View3DBtn, Qt::LeftButton);
    auto* view = dynamic_cast<TView3DForm*>(step->View3D);
    ASSERT_TRUE(view);
    ASSERT_TRUE(gltest::ShowAndWait(*view->Frame()));
    EXPECT_EQ(main->MdiArea->activeSubWindow(), view->Frame());
    const QImage before = gltest::Capture(*view->OpenGLPanel);

    // Turn it with the left button held.
    const int builds = view->MeshBuilds();
    QWidget* target = view->OpenGLPanel;
    QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    for (int i = 1; i <= 4; ++i) {
        QMouseEvent move(QEvent::MouseMove, QPointF(50 + 15 * i, 50 + 5 * i), target->mapToGlobal(QPointF(50 + 15 * i, 50 + 5 * i)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QApplication::processEvents();
    }
    QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, QPoint(110, 70));
    QApplication::processEvents();
    // Each move turns by half its own distance, truncated: 4 × trunc(15 / 2), 4 × trunc(5 / 2).
    EXPECT_EQ(view->RotZ, 20 + 28);
    EXPECT_EQ(view->RotX, -60 + 8);
    // The moving mesh once, the still one kept: no rebuild per frame.
    EXPECT_LE(view->MeshBuilds(), builds + 1);
    const QImage after = gltest::Capture(*view->OpenGLPanel);
    EXPECT_NE(before, after);

    // Save from the tool bar offers the scan's name as a bitmap; the picture of the panel is
    // saved as a BMP file of its size.
    dialogs.Choose(dir.File("turned"), 3);
    QTest::mouseClick(main->SaveBtn, Qt::LeftButton);
    ASSERT_FALSE(dialogs.Requests().empty());
    EXPECT_EQ(dialogs.Requests().back().FileName, "dome.bmp");
    EXPECT_EQ(dialogs.Requests().back().FilterIndex, 3);
    platform::TBitmap saved;
    ASSERT_TRUE(saved.LoadFromFile(dir.File("turned.bmp")));
    EXPECT_EQ(saved.Width(), view->OpenGLPanel->width());
    EXPECT_EQ(saved.Height(), view->OpenGLPanel->height());
    EXPECT_GT(gltest::CountOtherThan(saved.Image().convertToFormat(QImage::Format_RGB32), qRgb(255, 255, 255)), 100);
}
