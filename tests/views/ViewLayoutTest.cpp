#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <functional>
#include <memory>
#include <vector>

#include "app/AppFixture.h"
#include "views/PaletteMarkerEditor.h"
#include "views/View2D.h"
#include "views/ViewLayout.h"
#include "components/ZtImage.h"
#include "data/Surfacedata.h"
#include "platform/core/Dialogs.h"
#include "platform/gui/Bitmap.h"
#include "tools/AnalysisWindow.h"
#include "tools/ToolsFixture.h"

using namespace toolsfixture;

namespace {

//! What a step's window was asked to do.
struct TCalls {
    int Refresh = 0, ApplySettings = 0, Repaint = 0, DrawType = -1, DrawStep = -1, ScrollBars = -1;
};

//! A window that counts the requests: a 3-D view, or a 2-D view of a channel slot.
class TFakeWindow : public TStepWindow {
public:
    explicit TFakeWindow(std::shared_ptr<TCalls> calls) : calls_(std::move(calls)) {}
    void Refresh() override { ++calls_->Refresh; }
    void ApplySettings() override { ++calls_->ApplySettings; }
    void Repaint() override { ++calls_->Repaint; }
    void SetDrawType(int t) override { calls_->DrawType = t; }
    void SetDrawStep(int s) override { calls_->DrawStep = s; }
    void ShowScrollBars(bool v) override { calls_->ScrollBars = v; }

private:
    std::shared_ptr<TCalls> calls_;
};

class ViewLayoutTest : public appfixture::MainWindowTest {
protected:
    ViewLayoutTest()
    {
        step = OpenInMain(*main, Step(40, 30, [](int r, int c) { return 5 * r + 3 * c; }, 10, 10, 1));
        layout = ViewLayoutForm;
        step->View3D = new TFakeWindow(view3D);
        step->Views[7] = new TFakeWindow(view7);  // a second "2-D view", in a slot of its own
        QApplication::processEvents();
    }
    TView2DForm* View0() const { return dynamic_cast<TView2DForm*>(step->Views[0]); }

    platform::ColorDialogRecorder choices;
    TObjectSPM* step = nullptr;
    TViewLayoutForm* layout = nullptr;
    std::shared_ptr<TCalls> view3D = std::make_shared<TCalls>();
    std::shared_ptr<TCalls> view7 = std::make_shared<TCalls>();
};

}  // namespace

// The window is docked in the main window, follows the current step, and is disabled once
// the last file has closed.
TEST_F(ViewLayoutTest, IsDockedFollowsTheCurrentStepAndIsDisabledWithoutAFile)
{
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(main->Panel2->widget(), layout);
    EXPECT_TRUE(layout->isVisible());
    EXPECT_EQ(layout->AttachedStep(), step);
    EXPECT_TRUE(layout->PageControl->isEnabled());
    EXPECT_EQ(layout->PageControl->count(), 5);
    EXPECT_EQ(layout->tbZoom->value(), 15);  // Zoom3D 1.5
    EXPECT_EQ(layout->cbTypeDrawState->currentIndex(), 5);
    EXPECT_EQ(layout->CBSkins->count(), 1);
    EXPECT_EQ(layout->tsPalette->cbModeSurface->currentText().toStdString(), "Topography");

    main->sbCloseFileClick();
    EXPECT_EQ(layout->AttachedStep(), nullptr);
    EXPECT_EQ(layout->Settings, nullptr);
    EXPECT_FALSE(layout->PageControl->isEnabled());
}

// Esc hides the window with its dock; the tool button and the "&View layout" item show it.
TEST_F(ViewLayoutTest, EscHidesItAndTheViewLayoutCommandsShowItAgain)
{
    for (auto show : {std::function<void()>([&] { main->ViewLayoutMenu->trigger(); }),
                      std::function<void()>([&] { main->SetupSurfaceBtn->click(); })}) {
        layout->FormKeyDown(Qt::Key_Escape);
        EXPECT_FALSE(main->Panel2->isVisible());
        EXPECT_FALSE(layout->isVisible());
        show();
        EXPECT_TRUE(main->Panel2->isVisible());
        EXPECT_TRUE(layout->isVisible());
    }
}

// Light bars: a change is taken only when it differs from the stored angle; with the light
// off nothing renders, even with automatic applying, and Apply renders all the same.
TEST_F(ViewLayoutTest, LightBarsStoreTheAnglesAndRenderOnlyWithTheLightOn)
{
    TViewSettings& s = step->ViewSettings;
    ASSERT_EQ(s.AngleFi, 0);
    layout->tbAngleAlfa->setValue(0);
    EXPECT_EQ(s.AngleAlfa, 0);
    EXPECT_EQ(layout->eAngleAlfa->text().toStdString(), "0");
    layout->tbAngleFi->setValue(135);
    EXPECT_EQ(s.AngleFi, 135);
    EXPECT_EQ(layout->eAngleFi->text().toStdString(), "135");
    EXPECT_EQ(view7->Refresh, 0);
    EXPECT_EQ(view3D->ApplySettings, 0);
    layout->btApply->click();
    EXPECT_EQ(view7->Refresh, 1);
    EXPECT_EQ(view3D->ApplySettings, 1);

    // The light on: the 2-D view shows shading, and bar moves render at once.
    layout->cbLight->setChecked(true);
    EXPECT_TRUE(s.LightOn);
    EXPECT_TRUE(View0()->Shading());
    EXPECT_EQ(view7->Refresh, 2);
    layout->tbAngleAlfa->setValue(45);
    EXPECT_EQ(view7->Refresh, 3);
    layout->cbAutoApply->setChecked(false);
    layout->tbAngleAlfa->setValue(60);
    EXPECT_EQ(s.AngleAlfa, 60);
    EXPECT_EQ(view7->Refresh, 3);
    layout->cbLight->setChecked(false);
    EXPECT_FALSE(View0()->Shading());
}

// The angle edits take integers within their limits; anything else shows the limits and
// puts the stored angle back.
TEST_F(ViewLayoutTest, AngleEditsRefuseValuesOutsideTheirLimits)
{
    TViewSettings& s = step->ViewSettings;
    struct Case {
        QLineEdit* edit;
        const char* text;
        const char* message;  // "" when accepted
        int* angle;
        int stored;
    };
    const Case cases[] = {
        {layout->eAngleFi, "400", "Value limit 0 - 360", &s.AngleFi, 0},
        {layout->eAngleFi, "abc", "Value limit 0 - 360", &s.AngleFi, 0},
        {layout->eAngleFi, "360", "", &s.AngleFi, 360},
        {layout->eAngleAlfa, "91", "Value limit 0 - 90", &s.AngleAlfa, 30},
        {layout->eAngleAlfa, "90", "", &s.AngleAlfa, 90},
    };
    for (const Case& k : cases) {
        messages.Clear();
        k.edit->setText(k.text);
        k.edit == layout->eAngleFi ? layout->eAngleFiExit() : layout->eAngleAlfaExit();
        EXPECT_EQ(*k.angle, k.stored) << k.text;
        EXPECT_EQ(k.edit->text().toStdString(), std::to_string(k.stored));
        if (*k.message) {
            ASSERT_EQ(messages.Count(), 1u) << k.text;
            EXPECT_EQ(messages.Recorded()[0].Text, k.message);
            EXPECT_EQ(messages.Recorded()[0].Caption, "Error input");
        } else {
            EXPECT_EQ(messages.Count(), 0u) << k.text;
        }
    }
}

// The scale bars: distance 0.2 to 3.0, XY 1.0 at 10, Z the base at 49; each hands the
// settings to the 3-D view. The still type clamps the moving type.
TEST_F(ViewLayoutTest, ScaleBarsAndDrawTypesReachThe3DView)
{
    TViewSettings& s = step->ViewSettings;
    layout->tbZoom->setValue(2);
    EXPECT_FLOAT_EQ(s.Zoom3D, 0.2f);
    layout->tbZoom->setValue(30);
    EXPECT_FLOAT_EQ(s.Zoom3D, 3.0f);
    layout->tbScaleXY->setValue(50);
    layout->tbScaleXY->setValue(10);
    EXPECT_DOUBLE_EQ(s.ScaleXY, 1.0);
    layout->tbScaleZ->setValue(98);
    layout->tbScaleZ->setValue(49);
    const double base = 15.0 / (5 * 29 + 3 * 39);  // half the height over the range
    EXPECT_DOUBLE_EQ(layout->ScaleZBase(), base);
    EXPECT_NEAR(s.ScaleZ, base, 1e-15);
    EXPECT_EQ(view3D->ApplySettings, 6);

    ASSERT_EQ(s.TypeDrawMove, 5);
    layout->cbTypeDrawState->setCurrentIndex(3);  // "Grid" while moving is "Polygon"
    layout->cbTypeDrawStateChange();
    EXPECT_EQ(s.TypeDrawState, 3);
    EXPECT_EQ(s.TypeDrawMove, 3);
    EXPECT_EQ(layout->cbTypeDrawMove->currentIndex(), 3);
    EXPECT_EQ(view3D->DrawType, 3);
    layout->cbTypeDrawMove->setCurrentIndex(5);
    layout->cbTypeDrawMoveChange();
    EXPECT_EQ(s.TypeDrawMove, 5);
    layout->cbStepState->setCurrentIndex(3);
    layout->cbStepStateChange();
    EXPECT_EQ(s.StepState, 4);
    EXPECT_EQ(view3D->DrawStep, 4);
    layout->cbScrollBar->setChecked(true);
    EXPECT_TRUE(s.ShowScrollBars);
    EXPECT_EQ(view3D->ScrollBars, 1);
    layout->cbDrawAxis->setChecked(true);
    EXPECT_TRUE(s.DrawAxis);
    EXPECT_EQ(view3D->Repaint, 4);
}

// Colours: the 2-D background reaches the 2-D views' pictures; the lateral-face and axis
// colours and the font repaint the 3-D view only while it draws them; a cancelled dialog
// changes nothing. The font object is shared with the steps that share it.
TEST_F(ViewLayoutTest, ColourAndFontDialogsChangeTheSettingsAndTheViews)
{
    TViewSettings& s = step->ViewSettings;
    choices.Choose(platform::RGB(10, 200, 30));
    layout->btColor2DClick();
    EXPECT_EQ(s.Color2D, platform::RGB(10, 200, 30));
    EXPECT_EQ(View0()->BackgroundColor, platform::RGB(10, 200, 30));
    EXPECT_EQ(View0()->Image->Background()->Canvas()->Pixels(2, 2), platform::RGB(10, 200, 30));
    EXPECT_EQ(layout->bkImage2D->Background()->Canvas()->Pixels(10, 7), platform::RGB(10, 200, 30));
    EXPECT_TRUE(choices.Requests()[0].FullOpen);

    choices.Cancel();
    layout->btColor3DClick();
    EXPECT_EQ(s.Color3D, 0xFFFFFFu);
    EXPECT_EQ(view3D->Repaint, 0);
    choices.Choose(0x123456);
    layout->btColorLateralFaceClick();
    EXPECT_EQ(s.ColorLateralFace, 0x123456u);
    EXPECT_EQ(view3D->Repaint, 0);  // lateral faces are not drawn
    s.DrawLateralFace = true;
    choices.Choose(0x654321);
    layout->bkImage2D->OnDblClick(layout->bkImage2D);  // the swatch runs the button's handler
    choices.Choose(0x111111);
    layout->btColorLateralFaceClick();
    EXPECT_EQ(view3D->Repaint, 1);
    choices.Choose(0x222222);
    layout->btColorAxisClick();
    EXPECT_EQ(view3D->Repaint, 1);

    const std::shared_ptr<TFont> shared = s.InfoTextFont;
    platform::FontDialogRequest arial{"Arial", 12, platform::clRed, true, false, false, false};
    choices.ChooseFont(arial);
    layout->btFontInfoTextClick();
    EXPECT_EQ(shared->Name, "Arial");
    EXPECT_EQ(shared->Size, 12);
    EXPECT_EQ(shared->Color, platform::clRed);
    EXPECT_TRUE(shared->Bold);
    EXPECT_EQ(view3D->Repaint, 2);  // info text is drawn by default
    EXPECT_EQ(layout->ImageInfoText->Background()->Canvas()->Pixels(10, 7), platform::clRed);
}

// Attaching fills the pages without the handlers rendering anything; a distance that moves
// the bar is reduced to the bar's steps and handed to the 3-D view once.
TEST_F(ViewLayoutTest, FillingThePagesRendersNothingAndReducesValuesToTheBarSteps)
{
    layout->AttachObject(nullptr);
    step->ViewSettings.LightOn = true;
    step->ViewSettings.AngleFi = 90;
    step->ViewSettings.Zoom3D = 2.05f;
    layout->AttachObject(step);
    EXPECT_TRUE(layout->cbLight->isChecked());
    EXPECT_EQ(layout->tbAngleFi->value(), 90);
    EXPECT_EQ(view7->Refresh, 0);
    EXPECT_FALSE(View0()->Shading());
    EXPECT_FLOAT_EQ(step->ViewSettings.Zoom3D, 2.0f);
    EXPECT_EQ(view3D->ApplySettings, 1);
    layout->AttachObject(step);
    EXPECT_EQ(view3D->ApplySettings, 1);
}

// Choosing a skin stores its slot.
TEST_F(ViewLayoutTest, TheSkinChooserStoresTheChannelSlot)
{
    TSurfaceData* data = step->SurfaceData.get();
    datafixtures::AddChannel(*data, 2, 40, 30, [](int r, int c) { return r * c; });
    layout->AttachObject(step);
    ASSERT_EQ(layout->CBSkins->count(), 2);
    layout->CBSkins->setCurrentIndex(1);
    layout->CBSkinsChange();
    EXPECT_EQ(step->ViewSettings.SkinChannel, 2);
    EXPECT_EQ(view3D->ApplySettings, 1);
}

// A step that no window holds lies in its swap file: attaching the window to it reads the
// scale bar's base from the channel's header and leaves the step's scales as they were.
TEST_F(ViewLayoutTest, AStepInItsSwapFileKeepsItsScales)
{
    TObjectSPM* second = main->CurrentFile->AddStep("Copy");
    ASSERT_NE(second, nullptr);
    second->ViewSettings.ScaleZ = 0.0125;
    second->SurfaceData->Release();  // the creator's reference: nothing holds the set now
    ASSERT_TRUE(second->SurfaceData->SwappedOut);
    layout->AttachObject(second);
    // Base 15 / 262 (half the height over the range); the bar shows trunc(49 × 0.0125 /
    // base) = 10, which stands for 10 × 2 / 98 × base.
    EXPECT_EQ(layout->tbScaleZ->value(), 10);
    EXPECT_NEAR(second->ViewSettings.ScaleZ, 10 * 2 / 98.0 * (15.0 / 262), 1e-15);
    EXPECT_EQ(layout->tsPalette->cbModeSurface->count(), 1);
    EXPECT_TRUE(second->SurfaceData->SwappedOut);
}

namespace {

//! A left click in the middle of a subwindow's title bar, as the user brings it to the front.
void ClickTitle(QMdiSubWindow* frame)
{
    const int title = frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frame);
    QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(frame->width() / 2, title / 2));
    QApplication::processEvents();
}

}  // namespace

// Clicking between two windows of the step fills the pages again each time; the Z-scale bar
// keeps every position the user gave it (its scale being that position's).
TEST_F(ViewLayoutTest, TheZScaleBarKeepsEveryPositionOverActivations)
{
    step->OpenWindow(3);  // a heights window: a second window of the step to click
    ASSERT_NE(step->HeightsWindow, nullptr);
    auto* heights = dynamic_cast<TAnalysisWindow*>(step->HeightsWindow);
    ASSERT_NE(heights, nullptr);
    ASSERT_NE(View0(), nullptr);
    QMdiSubWindow* frames[2] = {View0()->Frame(), heights->Frame()};
    ASSERT_TRUE(frames[0] && frames[1]);
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));

    layout->PageControl->setCurrentWidget(layout->TS3D);
    layout->tbScaleZ->setFocus();
    QTest::keyClick(layout->tbScaleZ, Qt::Key_Home);
    const double base = layout->ScaleZBase();
    ASSERT_GT(base, 0.0);
    std::vector<int> lost;
    for (int p = layout->tbScaleZ->minimum(); p <= layout->tbScaleZ->maximum(); ++p) {
        ASSERT_EQ(layout->tbScaleZ->value(), p);
        const double scale = step->ViewSettings.ScaleZ;
        EXPECT_EQ(scale, p * 2 / 98.0 * base);
        for (int activation = 0; activation < 3; ++activation) {
            QMdiSubWindow* next = frames[activation % 2];
            ClickTitle(next);
            ASSERT_EQ(main->MdiArea->activeSubWindow(), next);
        }
        if (layout->tbScaleZ->value() != p || step->ViewSettings.ScaleZ != scale)
            lost.push_back(p);
        layout->tbScaleZ->setValue(p);  // back where the user left it, should it have moved
        layout->tbScaleZ->setFocus();
        QTest::keyClick(layout->tbScaleZ, Qt::Key_Right);
    }
    EXPECT_TRUE(lost.empty()) << lost.size() << " positions moved, the first " << lost.front();
}
