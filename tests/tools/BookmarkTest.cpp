#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "components/ZtEdit.h"
#include "tools/Bookmark.h"
#include "tools/CalibrateLengthForm.h"
#include "tools/ViewToolFixture.h"
#include "tools/ToolWidgets.h"

using viewtools::Ramp;
using viewtools::Type;

namespace {



class BookmarkTest : public viewtools::ToolTest {
protected:
    // A 9 × 7 ramp profiled along row 3: samples 300 … 380 above Min 5, 61.25 pixels apart;
    // the graph area is 215 pixels high.
    TProfileForm* RowWindow()
    {
        MakeStep(OneChannel(9, 7, Ramp));
        TProfileForm* p = OpenProfile();
        if (p) {
            Type(p->y1Edit, "3");
            Type(p->y2Edit, "3");
        }
        return p;
    }
    static TMark* Mark(TProfileForm* p, int graph, int i) { return p->Bookmarks[std::size_t(graph)]->Items(i); }
};

}  // namespace

TEST_F(BookmarkTest, AMarkAtTheLastDroppedMarkerWithItsLabelsAndBox)
{
    TProfileForm* p = RowWindow();
    ASSERT_TRUE(p);
    p->LastMarker = 4;
    p->btBookmarkClick();
    ASSERT_EQ(p->Bookmarks[0]->Count(), 1);
    const TMark* m = Mark(p, 0, 0);
    EXPECT_EQ(m->XLabel, "x=10.0nm");
    EXPECT_EQ(m->ZLabel, "z=172.5"); // (340 + 5) × 0.5, no Z unit
    EXPECT_EQ(m->PointIndex, 4);
    EXPECT_EQ(m->BoxWidth, 7 * 8);
    EXPECT_EQ(m->BoxHeight, 5 + 2 * 11); // two lines of the 11-pixel font
    // The pin: x = 40 + 4 × 61.25; y = 195 − 340 × 155 / 380.
    EXPECT_EQ(m->PinX, 285);
    EXPECT_EQ(m->PinY, 56);
    EXPECT_EQ((std::vector<int>{m->BoxLeft, m->BoxTop, m->BoxRight, m->BoxBottom}),
              (std::vector<int>{295, 19, 351, 46}));
    EXPECT_EQ(p->Canvas->Pixels(296, 44), platform::clYellow);
    EXPECT_EQ(p->Canvas->Pixels(295, 44), platform::clBlack); // the box in the graph's colour
}

TEST_F(BookmarkTest, PressesHitTheFirstMadeRightClicksDeleteTheLastMade)
{
    TProfileForm* p = RowWindow();
    ASSERT_TRUE(p);
    p->LastMarker = 4;
    p->btBookmarkClick();
    p->btBookmarkClick();
    const TMark* first = Mark(p, 0, 0);
    TBookmarks& marks = *p->Bookmarks[0];
    EXPECT_TRUE(marks.HitTest(platform::mbLeft, 320, 30));
    EXPECT_EQ(marks.HitIndex, 0);
    EXPECT_FALSE(marks.HitTest(platform::mbLeft, 295, 30)); // on the edge: not inside
    // A right click on the box deletes the last one made.
    p->FormMouseDown(p->Image, platform::mbRight, platform::ssRight, 320, 30);
    EXPECT_TRUE(p->DraggingBookmark);
    p->FormMouseUp(p->Image, platform::mbRight, 0, 320, 30);
    ASSERT_EQ(marks.Count(), 1);
    EXPECT_EQ(Mark(p, 0, 0), first);
    EXPECT_FALSE(p->DraggingBookmark);
    EXPECT_FALSE(marks.DeleteAt(10, 10));
}

TEST_F(BookmarkTest, DraggedMarksStayInsideThePicture)
{
    TProfileForm* p = RowWindow();
    ASSERT_TRUE(p);
    p->LastMarker = 4;
    p->btBookmarkClick();
    const TMark* m = Mark(p, 0, 0);
    p->FormMouseDown(p->Image, platform::mbLeft, platform::ssLeft, 320, 30);
    p->FormMouseMove(p->Image, platform::ssLeft, 1320, -970);
    // The right edge at the picture's right edge, the top at its top.
    EXPECT_EQ(m->OffsetX, 570 - 285 - 56);
    EXPECT_EQ(m->OffsetY, 27 - 56);
    EXPECT_EQ(m->BoxRight, 570);
    EXPECT_EQ(m->BoxTop, 0);
    p->FormMouseMove(p->Image, platform::ssLeft, -3000, 3000);
    EXPECT_EQ(m->BoxLeft, 0);
    EXPECT_EQ(m->BoxBottom, 215);
    p->FormMouseUp(p->Image, platform::mbLeft, 0, 0, 0);
    EXPECT_FALSE(p->DraggingBookmark);
}

TEST_F(BookmarkTest, NormalizingRelabelsZAndSegmentChangesClearEverything)
{
    TProfileForm* p = RowWindow();
    ASSERT_TRUE(p);
    p->LastMarker = 4;
    p->btBookmarkClick();
    p->cbNormalize1->setChecked(true);
    p->cbNormalize1Click();
    const TMark* m = Mark(p, 0, 0);
    EXPECT_EQ(m->ZLabel, "z=20.0"); // (340 − 300) × 0.5
    EXPECT_EQ(m->XLabel, "x=10.0nm");
    EXPECT_EQ(m->BoxWidth, 56);

    // A shorter segment: the marks go and the last dropped marker is limited to it.
    p->LastMarker = 8;
    Type(p->x2Edit, "4");
    EXPECT_EQ(p->Bookmarks[0]->Count(), 0);
    EXPECT_EQ(p->PointCount, 5);
    EXPECT_EQ(p->LastMarker, 4);
    p->btBookmarkClick();
    EXPECT_EQ(Mark(p, 0, 0)->PointIndex, 4);
}

TEST_F(BookmarkTest, CalibrationFromMarksTenPointsApartOnAHundredAndOnePoints)
{
    MakeStep(OneChannel(101, 3, Ramp));
    TProfileForm* p = OpenProfile();
    ASSERT_TRUE(p);
    Type(p->y1Edit, "1");
    Type(p->y2Edit, "1");
    ASSERT_EQ(p->PointCount, 101);
    // Made out of order: the spacing is the same.
    for (int i : {40, 10, 30, 20}) {
        p->LastMarker = i;
        p->btBookmarkClick();
    }
    modals.Then(toolsfixture::As<TFCalibrateLength>([](TFCalibrateLength& dialog) {
        TFCalibrateLength* d = &dialog;
        EXPECT_EQ(d->size(), QSize(254, 101));
        EXPECT_DOUBLE_EQ(d->Fraction, 30.0 / 3 / 101);
        EXPECT_TRUE(d->STProfileLength->text().isEmpty());
        EXPECT_EQ(d->EDPointsDistance->Text().toStdString(), "0");
        d->EDPointsDistance->clear();
        QTest::keyClicks(d->EDPointsDistance, "100");
        QTest::keyClick(d->EDPointsDistance, Qt::Key_Return);
        EXPECT_EQ(d->STProfileLength->text().toStdString(), "1010.0");
        EXPECT_EQ(d->result(), QDialog::Rejected) << "Enter enters the distance; it does not close";
        d->BitBtn1->click();
    }));
    p->btnCalibrateClick();
    EXPECT_EQ(modals.Titles(), std::vector<std::string>{"Calculate range"});
    EXPECT_EQ(modals.Left(), 0u);
}

TEST_F(BookmarkTest, CalibrationNeedsTwoMarksAtTwoPoints)
{
    TProfileForm* p = RowWindow();
    ASSERT_TRUE(p);
    p->LastMarker = 3;
    p->btBookmarkClick();
    p->btnCalibrateClick(); // one mark: nothing opens
    EXPECT_TRUE(modals.Titles().empty());

    p->btBookmarkClick(); // two marks on one point: a fraction of 0 shows nothing
    modals.Then(toolsfixture::As<TFCalibrateLength>([](TFCalibrateLength& dialog) {
        TFCalibrateLength* d = &dialog;
        EXPECT_EQ(d->Fraction, 0);
        d->EDPointsDistance->SetText("100");
        d->EDPointsDistanceEnterValue(d->EDPointsDistance);
        EXPECT_TRUE(d->STProfileLength->text().isEmpty());
    }));
    p->btnCalibrateClick();
    EXPECT_EQ(modals.Titles().size(), 1u);
}
