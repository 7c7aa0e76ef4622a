#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <string>
#include <vector>

#include "data/ObjectFile.h"
#include "tools/Select.h"
#include "tools/ViewToolFixture.h"
#include "tools/ToolWidgets.h"
#include "tools/ViewTool.h"

using processing::TSegment;
using viewtools::FlushDeletes;
using viewtools::Ramp;
using viewtools::Type;
using viewtools::Pixels;

namespace {



class SelectTest : public viewtools::ToolTest {
protected:
    // Opens a 40 × 30 ramp through the main window and the Cut command on it.
    TSelectForm* CutOnRamp()
    {
        source = OpenFile(OneChannel(40, 30, Ramp));
        if (!source)
            return nullptr;
        view = ViewOf(*source, 0);
        clean = Pixels(*view->Image->Background());
        main->RectBtnClick();
        return dynamic_cast<TSelectForm*>(source->CropTool);
    }
    std::vector<std::string> StepNames() const { return toolsfixture::Items(main->cbObjectStep); }

    TObjectSPM* source = nullptr;
    TView2DForm* view = nullptr;
    std::vector<platform::TColor> clean;
};

}  // namespace

TEST_F(SelectTest, CutOpensTheToolAndTypedCornersCutANewStep)
{
    TSelectForm* tool = CutOnRamp();
    ASSERT_TRUE(tool);
    EXPECT_EQ(tool->windowTitle().toStdString(), "Select");
    EXPECT_EQ(tool->size(), QSize(145, 99));
    EXPECT_EQ(tool->Mode, 2);
    EXPECT_EQ(tool->ToolMode(), 2);
    EXPECT_EQ(tool->Corners(), (TSegment{0, 0, 39, 29}));
    EXPECT_EQ(tool->LimitWidth, 40);
    EXPECT_EQ(tool->LimitHeight, 30);
    EXPECT_EQ(tool->pos(), view->mapToGlobal(QPoint(view->width(), 0)));
    EXPECT_EQ(tool->View, view);
    EXPECT_TRUE(HoldsViewHooks(view, tool));
    EXPECT_EQ(tool->focusWidget(), tool->x1Edit);
    EXPECT_NE(Pixels(*view->Image->Background()), clean) << "the rectangle is drawn";

    Type(tool->x1Edit, "24");
    Type(tool->y1Edit, "19");
    Type(tool->x2Edit, "5");
    Type(tool->y2Edit, "8");
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(tool->Corners(), (TSegment{24, 19, 5, 8}));
    tool->btOKClick();
    EXPECT_EQ(tool->Result, 1);
    EXPECT_EQ(source->CropTool, nullptr);
    EXPECT_EQ(source->Selection, (TRect32{5, 8, 24, 19}));
    EXPECT_EQ(StepNames(), (std::vector<std::string>{"1. Load", "2. Copy rectangle [5;8]-[24;19]"}));
    TObjectSPM* cut = main->CurrentStep();
    ASSERT_NE(cut, source);
    TSPMData* ch = cut->SurfaceData->Channel(0);
    ASSERT_TRUE(ch);
    EXPECT_EQ(ch->Header.Width, 20);
    EXPECT_EQ(ch->Header.Height, 12);
    const std::vector<std::int32_t> values = datafixtures::Values(*ch);
    EXPECT_EQ(values.front(), Ramp(8, 5));
    EXPECT_EQ(values.back(), Ramp(19, 24));
    EXPECT_EQ(cut->ProfileSegment, (TRect32{0, 0, 19, 11}));
    FlushDeletes();
    EXPECT_FALSE(HoldsViewHooks(view, tool));
    EXPECT_EQ(Pixels(*view->Image->Background()), clean) << "the rectangle is gone";
}

TEST_F(SelectTest, RefusesCornersOffTheGridOntoTheOtherCornerOrNotWhole)
{
    TSelectForm* tool = CutOnRamp();
    ASSERT_TRUE(tool);
    Type(tool->y1Edit, "29"); // (0, 29) – (39, 29): both corners on the last row
    ASSERT_EQ(tool->Corners(), (TSegment{0, 29, 39, 29}));
    const struct {
        TToolEdit* Box;
        const char* Text;
        const char* Message;
    } refused[] = {
        {tool->x2Edit, "40", "Value limit 0 - 39"},
        {tool->y2Edit, "30", "Value limit 0 - 29"},
        {tool->x2Edit, "0", "Value limit 0 - 39"},  // onto the first corner
        {tool->x1Edit, "39", "Value limit 0 - 39"}, // onto the second
        {tool->x1Edit, "1.5", "Value limit 0 - 39"},
        {tool->y1Edit, "", "Value limit 0 - 29"},
    };
    for (const auto& r : refused) {
        messages.Clear();
        const std::string before = r.Box->Text();
        Type(r.Box, r.Text);
        ASSERT_EQ(messages.Texts(), std::vector<std::string>{r.Message}) << r.Text;
        EXPECT_EQ(messages.Recorded()[0].Caption, "Error input");
        EXPECT_EQ(r.Box->Text(), before);
        EXPECT_EQ(tool->focusWidget(), r.Box);
        EXPECT_EQ(tool->Corners(), (TSegment{0, 29, 39, 29}));
    }
    // Another row makes the same column fine.
    messages.Clear();
    Type(tool->y1Edit, "3");
    Type(tool->x2Edit, "0");
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(tool->Corners(), (TSegment{0, 3, 0, 29}));
}

TEST_F(SelectTest, ANewRectangleDraggedUpAndLeftCutsAsItsOrderedTwin)
{
    TSelectForm* tool = CutOnRamp();
    ASSERT_TRUE(tool);
    TZtImage* image = view->Image;
    // A press away from both corners starts a new rectangle; its first move leaves the grid
    // on the left and above, which puts the second corner on the grid's edge.
    QTest::mousePress(image, Qt::LeftButton, {}, PixelOf(view, 30, 20));
    QTest::mouseMove(image, PixelOf(view, -5, -7));
    EXPECT_EQ(tool->Corners(), (TSegment{30, 20, 0, 0}));
    QTest::mouseMove(image, PixelOf(view, 12, 9));
    QTest::mouseRelease(image, Qt::LeftButton, {}, PixelOf(view, 12, 9));
    EXPECT_EQ(tool->Corners(), (TSegment{30, 20, 12, 9}));
    EXPECT_EQ((std::vector<std::string>{tool->x1Edit->Text(), tool->y1Edit->Text(),
                                        tool->x2Edit->Text(), tool->y2Edit->Text()}),
              (std::vector<std::string>{"30", "20", "12", "9"}));
    // A press within 4 pixels of a corner moves that corner.
    QTest::mousePress(image, Qt::LeftButton, {}, PixelOf(view, 12, 9) + QPoint(2, -2));
    QTest::mouseMove(image, PixelOf(view, 10, 9));
    QTest::mouseRelease(image, Qt::LeftButton, {}, PixelOf(view, 10, 9));
    EXPECT_EQ(tool->Corners(), (TSegment{30, 20, 10, 9}));
    // Moves without the button do nothing.
    QTest::mouseMove(image, PixelOf(view, 2, 2));
    EXPECT_EQ(tool->Corners(), (TSegment{30, 20, 10, 9}));

    tool->btOKClick();
    EXPECT_EQ(StepNames().back(), "2. Copy rectangle [10;9]-[30;20]");
    EXPECT_EQ(main->CurrentStep()->SurfaceData->Channel(0)->Header.Width, 21);
}

TEST_F(SelectTest, CancelEscAndTheViewsEndCloseTheToolWithoutAStep)
{
    TSelectForm* tool = CutOnRamp();
    ASSERT_TRUE(tool);
    main->RectBtnClick(); // a second Cut focuses the open tool
    EXPECT_EQ(source->CropTool, tool);
    tool->btCancelClick();
    EXPECT_EQ(tool->Result, 2);
    EXPECT_EQ(source->CropTool, nullptr);
    FlushDeletes();
    EXPECT_EQ(Pixels(*view->Image->Background()), clean);
    EXPECT_FALSE(view->OnToolChange);
    EXPECT_FALSE(view->Image->OnMouseDown);

    main->RectBtnClick();
    tool = dynamic_cast<TSelectForm*>(source->CropTool);
    ASSERT_TRUE(tool);
    QTest::keyClick(tool->x2Edit, Qt::Key_Escape);
    EXPECT_EQ(source->CropTool, nullptr);
    FlushDeletes();
    EXPECT_EQ(Pixels(*view->Image->Background()), clean);

    main->RectBtnClick();
    tool = dynamic_cast<TSelectForm*>(source->CropTool);
    ASSERT_TRUE(tool);
    view->CloseWindow(); // the view goes: the tool lets it go and cancels
    EXPECT_EQ(source->CropTool, nullptr);
    EXPECT_EQ(tool->Result, 2);
    FlushDeletes();
    EXPECT_EQ(StepNames(), std::vector<std::string>{"1. Load"});
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(SelectTest, ClosingTheFileWithTheToolOpenLeavesNothingBound)
{
    TSelectForm* tool = CutOnRamp();
    ASSERT_TRUE(tool);
    main->sbCloseFileClick();
    FlushDeletes();
    EXPECT_TRUE(main->MdiArea->subWindowList().isEmpty());
    EXPECT_EQ(main->CurrentStep(), nullptr);
}
