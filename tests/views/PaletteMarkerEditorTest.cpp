#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
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
#include "tools/ToolsFixture.h"

using namespace toolsfixture;
using platform::mbLeft;
using platform::mbRight;

namespace {

//! A 3-D view that counts its repaints.
class TRepaints : public TStepWindow {
public:
    explicit TRepaints(int& count) : count_(count) {}
    void Repaint() override { ++count_; }

private:
    int& count_;
};

struct TMarkerValues {
    std::int32_t Position, Red, Green, Blue;
};

class PaletteEditorTest : public appfixture::MainWindowTest {
protected:
    //! Opens a step of channel 0 from `fill` in the main window; the editor shows it.
    void Open(int width, int height, const datafixtures::Fill& fill)
    {
        step = OpenInMain(*main, Step(width, height, fill));
        step->View3D = new TRepaints(repaints);
        editor = ViewLayoutForm->tsPalette;
        QApplication::processEvents();
    }
    TSPMData& Channel() const { return *step->SurfaceData->Channel(0); }
    int Count() const { return Channel().Markers->GetCount(); }
    TMarkerValues Marker(int i) const
    {
        TMarkerValues m{};
        Channel().Markers->Get(i, m.Position, m.Red, m.Green, m.Blue);
        return m;
    }
    std::vector<std::int32_t> Positions() const
    {
        std::vector<std::int32_t> p;
        for (int i = 0; i < Count(); ++i)
            p.push_back(Marker(i).Position);
        return p;
    }
    platform::PaletteEntry Entry(int i) const { return Channel().Palette->Entry(i); }
    //! The 2-D view's pixel of the channel's point (row 0, column 0).
    platform::TColor FirstPixel() const
    {
        auto* view = dynamic_cast<TView2DForm*>(step->Views[0]);
        return view->Image->Background()->Canvas()->Pixels(view->ImageLeft, view->ImageTop);
    }
    void Click(int y, platform::TMouseButton button = mbLeft)
    {
        editor->imMarkersMouseDown(button, 5, y);
        editor->imMarkersMouseUp(button, 5, y);
    }
    void Type(QLineEdit* edit, const char* text)
    {
        edit->setText(text);
        edit->setModified(true);
    }

    platform::ColorDialogRecorder choices;
    TObjectSPM* step = nullptr;
    TPaletteMarkerEditor* editor = nullptr;
    int repaints = 0;
};

// Values 0..507: 508 colours on 200 rows (2.54 a row); the default markers at 0, 254 and
// 508 lie at rows 200, 100 and 0.
const datafixtures::Fill Ramp = [](int r, int c) { return r * 100 + c; };

}  // namespace

// A click within 5 pixels of a triangle selects that marker; farther away it adds one with
// the colour the palette shows there, and the palette does not change. A drag stops at the
// neighbouring marker.
TEST_F(PaletteEditorTest, TheMarkerColumnSelectsAddsAndDragsMarkers)
{
    Open(8, 6, Ramp);
    ASSERT_EQ(Positions(), (std::vector<std::int32_t>{0, 254, 508}));
    EXPECT_EQ(editor->CurrentMarker, 1);
    Click(198);
    EXPECT_EQ(editor->CurrentMarker, 0);
    Click(103);
    EXPECT_EQ(editor->CurrentMarker, 1);
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(repaints, 2);  // each release redraws the views

    const std::vector<platform::PaletteEntry> before = Channel().Palette->Entries();
    Click(150);  // position trunc(50 × 2.54) = 127
    ASSERT_EQ(Count(), 4);
    EXPECT_EQ(editor->CurrentMarker, 1);
    const TMarkerValues added = Marker(1);
    EXPECT_EQ(added.Position, 127);
    EXPECT_EQ(added.Red, before[127].peRed);
    EXPECT_EQ(added.Blue, before[127].peBlue);
    const std::vector<platform::PaletteEntry> after = Channel().Palette->Entries();
    for (std::size_t i = 0; i < before.size(); ++i)
        ASSERT_TRUE(before[i].peRed == after[i].peRed && before[i].peGreen == after[i].peGreen &&
                    before[i].peBlue == after[i].peBlue)
            << i;

    editor->imMarkersMouseDown(mbLeft, 5, 150);
    editor->imMarkersMouseMove(platform::ssLeft, 5, 10);  // far above marker 2 at 254
    EXPECT_EQ(Marker(1).Position, 254);
    editor->imMarkersMouseMove(platform::ssLeft, 5, 400);  // below the picture: clamped
    EXPECT_EQ(Marker(1).Position, 0);
    editor->imMarkersMouseUp(mbLeft, 5, 400);
    EXPECT_EQ(Positions(), (std::vector<std::int32_t>{0, 0, 254, 508}));
}

// New marker halfway to the next one (between the last two for the last marker); delete
// never removes the first or the last marker, a right click removes any other one, and two
// markers always stay.
TEST_F(PaletteEditorTest, NewAndDeleteKeepTheEndMarkersAndAtLeastTwo)
{
    Open(8, 6, Ramp);
    Click(1);  // the last marker's triangle
    ASSERT_EQ(editor->CurrentMarker, 2);
    editor->btNewClick();
    EXPECT_EQ(Positions(), (std::vector<std::int32_t>{0, 254, 381, 508}));
    EXPECT_EQ(editor->CurrentMarker, 2);

    for (const int y : {199, 1}) {  // first, then last
        Click(y);
        editor->btDeleteClick();
        EXPECT_EQ(Count(), 4);
    }
    Click(1, mbRight);  // a right click on the last marker deletes it
    EXPECT_EQ(Positions(), (std::vector<std::int32_t>{0, 254, 381}));
    Click(100);
    editor->btDeleteClick();
    EXPECT_EQ(Positions(), (std::vector<std::int32_t>{0, 381}));
    Click(50, mbRight);  // position 381: one of the last two
    EXPECT_EQ(Count(), 2);
    editor->btDeleteClick();
    EXPECT_EQ(Count(), 2);
}

// Typed components within 0..255 recolour the current marker, the palette and the 2-D
// view's pixels at once; 256 or a non-number shows the limits and changes nothing.
TEST_F(PaletteEditorTest, TypedComponentsAndHeightsRecolourAndMoveTheCurrentMarker)
{
    Open(8, 6, Ramp);
    Click(198);
    ASSERT_EQ(editor->CurrentMarker, 0);
    EXPECT_EQ(FirstPixel(), platform::RGB(0, 0, 0));
    for (const char* bad : {"256", "x"}) {
        messages.Clear();
        Type(editor->edR, bad);
        editor->edRExit(editor->edR);
        ASSERT_EQ(messages.Count(), 1u);
        EXPECT_EQ(messages.Recorded()[0].Text, "Value limit 0 - 255");
        EXPECT_EQ(messages.Recorded()[0].Caption, "Error input");
    }
    EXPECT_EQ(Marker(0).Red, 0);
    Type(editor->edR, "255");
    editor->edRExit(editor->edR);
    EXPECT_EQ(Marker(0).Red, 255);
    EXPECT_EQ(Entry(0).peRed, 255);
    EXPECT_EQ(FirstPixel(), platform::RGB(255, 0, 0));

    // The height: raw value 100 above the minimum (Z scale 1) is position 100.
    messages.Clear();
    Click(103);
    Type(editor->edHeight, "100");
    editor->edHeightExit();
    EXPECT_EQ(Marker(1).Position, 100);
    for (const char* bad : {"600", "-1", "abc"}) {
        Type(editor->edHeight, bad);
        editor->edHeightExit();
    }
    ASSERT_EQ(messages.Count(), 3u);
    EXPECT_EQ(messages.Recorded()[0].Text, "Value limit 0.0 - 507.0");
    EXPECT_EQ(Marker(1).Position, 100);

    // The sample's colour dialog.
    choices.Choose(platform::RGB(1, 2, 3));
    editor->imSampleDblClick();
    EXPECT_EQ(editor->CurrentMarker, 1);
    EXPECT_EQ(Marker(1).Green, 2);
    EXPECT_EQ(Entry(100).peBlue, 3);
}

// A curve handle drags one component of its marker; a pixel off the curves grabs nothing.
TEST_F(PaletteEditorTest, CurveHandlesSetOneComponent)
{
    Open(8, 6, Ramp);
    // Marker 1's red handle: value 110 at x 55, position 254 at row 100.
    ASSERT_EQ(editor->imPalette->Background()->Canvas()->Pixels(55, 100), platform::clRed);
    editor->imPaletteMouseDown(mbLeft, 55, 100);
    EXPECT_EQ(editor->DragComponent, 0);
    EXPECT_TRUE(editor->CurveDragging);
    editor->imPaletteMouseMove(platform::ssLeft, 100, 100);
    EXPECT_EQ(Marker(1).Red, 200);
    EXPECT_EQ(Marker(1).Green, 120);
    EXPECT_EQ(Entry(254).peRed, 200);
    editor->imPaletteMouseMove(platform::ssLeft, 500, 100);
    EXPECT_EQ(Marker(1).Red, 254);  // x held to the picture: 2 × 127
    editor->imPaletteMouseUp(mbLeft, 500, 100);
    EXPECT_FALSE(editor->CurveDragging);
    EXPECT_EQ(repaints, 1);

    editor->imPaletteMouseDown(mbLeft, 120, 190);
    EXPECT_EQ(editor->DragComponent, -1);
    EXPECT_FALSE(editor->CurveDragging);
}

// Cut 5%: outliers at both ends and the values in the middle half move the markers to
// about a quarter, the middle and three quarters; a flat channel is harmless.
TEST_F(PaletteEditorTest, Cut5PercentStretchesTheMarkersOntoThePopulatedRange)
{
    Open(100, 10, [](int r, int c) {
        const int i = r * 100 + c;
        return i == 0 ? 0 : i == 999 ? 1000 : 250 + i % 500;
    });
    ASSERT_EQ(Channel().ColourCount, 1001);
    ASSERT_EQ(Positions(), (std::vector<std::int32_t>{0, 500, 1001}));
    EXPECT_EQ(editor->BinCounts[0], 1u);
    EXPECT_EQ(editor->BinCounts[50], 1u);
    editor->BBPaletteCut5pClick();
    const std::vector<std::int32_t> p = Positions();
    EXPECT_EQ(p[0], 240);
    EXPECT_EQ(p[1], 489);
    EXPECT_NEAR(p[2], 740, 1);
    EXPECT_EQ(Entry(240).peRed, 0);
    EXPECT_EQ(repaints, 1);

    main->sbCloseFileClick();
    Open(9, 7, [](int, int) { return 42; });
    EXPECT_EQ(editor->BinCounts[0], 63u);
    EXPECT_EQ(editor->BinWidth, 0.0);
    const std::vector<std::int32_t> flat = Positions();
    editor->BBPaletteCut5pClick();
    EXPECT_EQ(Positions(), flat);
}
