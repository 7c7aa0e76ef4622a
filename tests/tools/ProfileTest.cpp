#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <cstring>
#include <string>

#include "data/Fileformat.h"
#include "data/ObjectFile.h"
#include "platform/core/Text.h"
#include "processing/Profile.h"
#include "processing/Profilestatistic.h"
#include "support/TestSupport.h"
#include "tools/Profilestatistic.h"
#include "tools/Select.h"
#include "tools/ViewToolFixture.h"
#include "tools/ToolWidgets.h"
#include "tools/ViewTool.h"

using processing::TSegment;
using viewtools::FlushDeletes;
using viewtools::Ramp;
using viewtools::Type;
using toolsfixture::Items;

namespace {

std::vector<float> Samples(const TProfileForm* p, int g)
{
    const auto& b = p->Buffer[std::size_t(g)];
    return {b.begin(), b.begin() + p->PointCount};
}

void ExpectSamples(const std::vector<float>& actual, const std::vector<double>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-3) << "sample " << i;
}


class ProfileTest : public viewtools::ToolTest {
protected:
    // A step of a 9 × 7 ramp (values above Min: 100 r + 10 c) with its view, and a window.
    TProfileForm* RampWindow()
    {
        MakeStep(OneChannel(9, 7, Ramp));
        return OpenProfile();
    }
};

}  // namespace

TEST_F(ProfileTest, OpensOnTheCurrentChannelFromTheStepsSegment)
{
    TProfileForm* p = RampWindow();
    ASSERT_TRUE(p);
    EXPECT_STREQ(p->metaObject()->className(), "TProfileForm");
    ASSERT_TRUE(p->Frame());
    EXPECT_EQ(p->Frame()->windowTitle().toStdString(), "View Profile - src.spm #1");
    EXPECT_EQ(step->Profiles, std::vector<TStepWindow*>{p});
    EXPECT_EQ(p->size(), QSize(570, 330));
    EXPECT_EQ(p->Image->geometry(), QRect(0, 0, 570, 235));
    EXPECT_EQ(p->Segment(), (TSegment{0, 0, 8, 6}));
    EXPECT_EQ((std::vector<std::string>{p->x1Edit->Text(), p->y1Edit->Text(), p->x2Edit->Text(),
                                        p->y2Edit->Text()}),
              (std::vector<std::string>{"0", "0", "8", "6"}));
    EXPECT_EQ(p->PointCount, 9);
    EXPECT_EQ(p->BufferLength, 10);
    EXPECT_EQ(Items(p->cbFirstGraph), std::vector<std::string>{"Topography"});
    EXPECT_EQ(Items(p->cbSecondGraph), (std::vector<std::string>{"None", "Topography"}));
    EXPECT_EQ(p->cbSecondGraph->currentIndex(), 0);
    EXPECT_TRUE(p->rbActivate1->isEnabled());
    EXPECT_FALSE(p->rbActivate2->isEnabled());
    EXPECT_TRUE(p->GraphEnabled[0]);
    EXPECT_FALSE(p->GraphEnabled[1]);
    EXPECT_TRUE(p->PaneVisible());
    EXPECT_FALSE(p->btCoordinates->icon().pixmap(16).isNull());
    EXPECT_FALSE(p->SpeedButton1->icon().pixmap(16).isNull());
    EXPECT_EQ(p->btCoordinates->toolTip().toStdString(), "Select coordinates");
    EXPECT_EQ(p->SpeedButton1->toolTip().toStdString(), "Hide pane");
    // Active, it holds the view of its channel.
    EXPECT_TRUE(HoldsViewHooks(ViewOf(0), p));
    // The picture: white inside a black frame, with the status line at the bottom.
    EXPECT_EQ(p->Image->Background()->Width(), 570);
    EXPECT_EQ(p->Image->Background()->Height(), 235);
    EXPECT_EQ(p->Canvas->Pixels(1, 1), platform::clWhite);
    EXPECT_EQ(p->Canvas->Pixels(0, 0), platform::clBlack);
}

TEST_F(ProfileTest, SamplesTheSegmentAsTheBoxesSetIt)
{
    TProfileForm* p = RampWindow();
    ASSERT_TRUE(p);
    Type(p->y1Edit, "3");
    Type(p->y2Edit, "3");
    EXPECT_EQ(p->Segment(), (TSegment{0, 3, 8, 3}));
    EXPECT_EQ(Samples(p, 0), (std::vector<float>{300, 310, 320, 330, 340, 350, 360, 370, 380}));
    EXPECT_DOUBLE_EQ(p->LengthPerPoint, 2.5);
    // A column from the bottom up: one sample per row, the last on the end point.
    Type(p->x1Edit, "4");
    Type(p->y1Edit, "6");
    Type(p->x2Edit, "4");
    Type(p->y2Edit, "0");
    EXPECT_EQ(p->Segment(), (TSegment{4, 6, 4, 0}));
    EXPECT_EQ(Samples(p, 0), (std::vector<float>{640, 540, 440, 340, 240, 140, 40}));
    EXPECT_DOUBLE_EQ(p->LengthPerPoint, 3.5);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(ProfileTest, RefusesCoordinatesOffTheGridOrOntoTheOtherEnd)
{
    TProfileForm* p = RampWindow();
    ASSERT_TRUE(p);
    Type(p->y1Edit, "6"); // (0, 6) – (8, 6): a flat segment on the last row
    ASSERT_EQ(p->Segment(), (TSegment{0, 6, 8, 6}));
    const struct {
        TToolEdit* Box;
        const char* Text;
        const char* Message;
    } refused[] = {
        {p->x1Edit, "9", "Value limit 0 - 8"},
        {p->y2Edit, "7", "Value limit 0 - 6"},
        {p->x1Edit, "8", "Value limit 0 - 8"}, // onto the end
        {p->x2Edit, "0", "Value limit 0 - 8"}, // onto the start
        {p->x1Edit, "", "'' is not a valid integer value"},
    };
    for (const auto& r : refused) {
        messages.Clear();
        const std::string before = r.Box->Text();
        Type(r.Box, r.Text);
        ASSERT_EQ(messages.Texts(), std::vector<std::string>{r.Message}) << r.Text;
        EXPECT_EQ(messages.Recorded()[0].Caption, std::string(r.Message[0] == 'V' ? "Error input" : "Error"));
        EXPECT_EQ(r.Box->Text(), before) << "the box shows the coordinate again";
        EXPECT_FALSE(r.Box->Modified());
        EXPECT_EQ(p->focusWidget(), r.Box) << "the box keeps the focus";
        EXPECT_EQ(p->Segment(), (TSegment{0, 6, 8, 6}));
    }
    // An unchanged box does nothing at all.
    messages.Clear();
    p->x1Edit->OnExit(p->x1Edit);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(ProfileTest, BoxesTakeOnlyDigitsAndEnterMovesOn)
{
    TProfileForm* p = RampWindow();
    ASSERT_TRUE(p);
    p->x2Edit->clear();
    QTest::keyClicks(p->x2Edit, "1a-2.3 4");
    EXPECT_EQ(p->x2Edit->Text(), "1234"); // only digits
    QTest::keyClicks(p->x2Edit, "5");
    EXPECT_EQ(p->x2Edit->Text(), "1234"); // and four of them at most
    QTest::keyClick(p->x2Edit, Qt::Key_Backspace);
    EXPECT_EQ(p->x2Edit->Text(), "123");
    p->x2Edit->setFocus();
    QTest::keyClick(p->x2Edit, Qt::Key_Return);
    EXPECT_NE(p->focusWidget(), p->x2Edit);
    EXPECT_EQ(p->focusWidget(), p->y2Edit);
}

TEST_F(ProfileTest, ASegmentStoredForAnotherGridIsBroughtOntoTheWindowsChannel)
{
    auto data = OneChannel(40, 30, Ramp);
    datafixtures::AddChannel(*data, 20, 6, 4, [](int r, int c) { return r * 6 + c; });
    MakeStep(std::move(data));
    step->ShowChannelView(20);
    ASSERT_EQ(step->CurrentChannel(), 20);
    TProfileForm* p = OpenProfile();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Segment(), (TSegment{0, 0, 5, 3}));
    EXPECT_EQ(p->BufferLength, 7);
    EXPECT_EQ(p->PointCount, 6);
    // Graph 2 on channel 0, which is larger: its samples come from its own grid.
    p->cbSecondGraph->setCurrentIndex(1);
    p->cbFirstGraphChange(p->cbSecondGraph);
    EXPECT_TRUE(p->GraphEnabled[1]);
    ExpectSamples(Samples(p, 1), {0, 70, 140, 210, 280, 350});
}

TEST_F(ProfileTest, ChoosingTheFirstGraphsChannelForTheSecondStepsBack)
{
    auto data = OneChannel(9, 7, Ramp);
    datafixtures::AddChannel(*data, 2, 9, 7, [](int r, int c) { return -r * c; });
    MakeStep(std::move(data));
    TProfileForm* p = OpenProfile();
    ASSERT_TRUE(p);
    EXPECT_EQ(Items(p->cbSecondGraph), (std::vector<std::string>{"None", "Topography", "Phase"}));
    p->cbSecondGraph->setCurrentIndex(2);
    p->cbFirstGraphChange(p->cbSecondGraph);
    EXPECT_TRUE(p->GraphEnabled[1]);
    EXPECT_EQ(p->ActiveGraph, 1);
    EXPECT_TRUE(p->rbActivate2->isChecked());
    EXPECT_EQ(p->GraphChannel[1], step->SurfaceData->Channel(2));

    // "Topography" is graph 1's: the chooser steps back to "None", which switches graph 2
    // off and makes graph 1 active.
    p->cbSecondGraph->setCurrentIndex(1);
    p->cbFirstGraphChange(p->cbSecondGraph);
    EXPECT_EQ(p->cbSecondGraph->currentIndex(), 0);
    EXPECT_FALSE(p->GraphEnabled[1]);
    EXPECT_FALSE(p->rbActivate2->isEnabled());
    EXPECT_EQ(p->ActiveGraph, 0);
    EXPECT_TRUE(p->rbActivate1->isChecked());
}

TEST_F(ProfileTest, TiltEliminationRoundTripsExactlyAndFollowsAChannelChange)
{
    auto data = OneChannel(40, 30, [](int r, int c) { return 7 * c + (c * c) % 13 + 3 * r; });
    datafixtures::AddChannel(*data, 2, 40, 30, [](int r, int c) { return -11 * c + (r * c) % 7; });
    MakeStep(std::move(data));
    TProfileForm* p = OpenProfile();
    ASSERT_TRUE(p);
    const std::vector<float> sampled = Samples(p, 0);
    const double slope = p->Slope[0];
    ASSERT_GT(slope, 1);

    p->cbEliminateTilt1->setChecked(true);
    p->cbEliminateTilt1Click(p->cbEliminateTilt1);
    EXPECT_EQ(p->Slope[0], 0);
    EXPECT_EQ(p->SavedSlope[0], slope);
    for (int i = 0; i < p->PointCount; ++i)
        EXPECT_FLOAT_EQ(p->Buffer[0][std::size_t(i)], float(sampled[std::size_t(i)] - i * slope));

    p->cbEliminateTilt1->setChecked(false);
    p->cbEliminateTilt1Click(p->cbEliminateTilt1);
    EXPECT_EQ(Samples(p, 0), sampled) << "the graph comes back exactly";
    EXPECT_EQ(p->Slope[0], slope);

    // With the box on, another channel has its own tilt removed, and switching the box off
    // then gives that channel's samples, not a mixture with the first channel's slope.
    p->cbEliminateTilt1->setChecked(true);
    p->cbEliminateTilt1Click(p->cbEliminateTilt1);
    p->cbSecondGraph->setCurrentIndex(2);
    p->cbFirstGraphChange(p->cbSecondGraph);
    p->cbFirstGraph->setCurrentIndex(1);
    p->cbSecondGraph->setCurrentIndex(0);
    p->cbFirstGraphChange(p->cbSecondGraph);
    p->cbFirstGraphChange(p->cbFirstGraph);
    ASSERT_EQ(p->GraphChannel[0], step->SurfaceData->Channel(2));
    EXPECT_EQ(p->Slope[0], 0);
    p->cbEliminateTilt1->setChecked(false);
    p->cbEliminateTilt1Click(p->cbEliminateTilt1);
    std::vector<float> phase(std::size_t(p->BufferLength));
    TSPMData& ch = *step->SurfaceData->Channel(2);
    ch.Lock();
    const int n = processing::SampleProfile({ch.GetData(), 40, 30, ch.Header.Min}, p->Segment(),
                                            phase.data(), p->BufferLength);
    ch.Unlock();
    phase.resize(std::size_t(n));
    EXPECT_EQ(Samples(p, 0), phase);
}

TEST_F(ProfileTest, MarkersStatusLineAndTwoMarkersOnOnePoint)
{
    TProfileForm* p = RampWindow();
    ASSERT_TRUE(p);
    Type(p->y1Edit, "3");
    Type(p->y2Edit, "3");
    // Drag marker 1 from its foot on the axis to point 4 (x = 40 + 4 × 490 / 8).
    const int axis = p->Image->height() - p->StatusHeight - p->MarginBottom;
    p->FormMouseDown(p->Image, platform::mbLeft, platform::ssLeft, 40, axis + 2);
    EXPECT_TRUE(p->DraggingMarker1);
    p->FormMouseMove(p->Image, platform::ssLeft, 40 + 4 * 490 / 8 + 10, axis);
    p->FormMouseUp(p->Image, platform::mbLeft, 0, 0, 0);
    EXPECT_EQ(p->Marker1, 4);
    EXPECT_EQ(p->LastMarker, 4);
    // Beyond the last point the marker stops there.
    p->FormMouseDown(p->Image, platform::mbLeft, platform::ssLeft, int(40 + 4 * 61.25), axis);
    p->FormMouseMove(p->Image, platform::ssLeft, 5000, axis);
    p->FormMouseUp(p->Image, platform::mbLeft, 0, 0, 0);
    EXPECT_EQ(p->Marker1, 8);

    EXPECT_EQ(p->StatusLineText(),
              "[0;3] - [8;3]   View profile of Topography:  X=20.00 nm  Z=192.50 ");

    // Two markers: the distance between them and the difference of their samples in whole
    // raw counts; on one point both are 0.
    p->rbTwoMarkers->setChecked(true);
    p->rbTwoMarkersClick();
    EXPECT_TRUE(p->TwoMarkers);
    p->Marker2 = 2;
    EXPECT_EQ(p->StatusLineText(),
              "[0;3] - [8;3]   View profile of Topography:  X=15.00 nm  Z=30.00 ");
    p->Marker2 = 8;
    EXPECT_EQ(p->StatusLineText(),
              "[0;3] - [8;3]   View profile of Topography:  X=0.00 nm  Z=0.00 ");
    // The middle line's height at the start joins the line.
    p->cbShowMidLine1->setChecked(true);
    p->cbNormalize1Click();
    EXPECT_EQ(p->StatusLineText(), "[0;3] - [8;3]   View profile of Topography:  X=0.00 nm  "
                                   "Z=0.00    Zmidline - 1:147.50  ");
}

TEST_F(ProfileTest, NormalizingShowsValuesAboveTheGraphsMinimum)
{
    TProfileForm* p = RampWindow();
    ASSERT_TRUE(p);
    Type(p->y1Edit, "3");
    Type(p->y2Edit, "3");
    EXPECT_EQ(p->Offset[0], 5.f); // the channel's Min: shown values are raw values
    EXPECT_EQ(p->GraphValue(0, 2), 320);
    EXPECT_EQ(p->GraphSpan(0), 380.f);
    p->cbNormalize1->setChecked(true);
    p->cbNormalize1Click();
    EXPECT_EQ(p->Offset[0], -300.f);
    EXPECT_EQ(p->GraphValue(0, 2), 20);
    EXPECT_EQ(p->GraphSpan(0), 80.f);
}

TEST_F(ProfileTest, AFlatGraphSpansOneAndASinglePointProfileDividesByNothing)
{
    MakeStep(OneChannel(1, 1, [](int, int) { return 42; }));
    TProfileForm* p = OpenProfile();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->PointCount, 1);
    EXPECT_EQ(p->PixelsPerPoint, 0);
    EXPECT_EQ(p->LengthPerPoint, 0);
    EXPECT_EQ(p->Slope[0], 0);
    EXPECT_EQ(p->GraphSpan(0), 1.f);
    p->btInfoClick();
    ASSERT_EQ(messages.Count(), 1u);
    const std::string info = messages.Recorded()[0].Text;
    EXPECT_NE(info.find("A number of points: 1\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Ra: 0.000\nRq: 0.000\nRsk: 0.000\nRku: 0.000"), std::string::npos) << info;
    EXPECT_EQ(info.find("nan"), std::string::npos) << info;
    p->btBookmarkClick();
    p->FormMouseDown(p->Image, platform::mbLeft, platform::ssLeft, 45, 200);
    p->FormMouseMove(p->Image, platform::ssLeft, 300, 200);
    p->FormMouseUp(p->Image, platform::mbLeft, 0, 300, 200);
    EXPECT_EQ(p->Marker1, 0);
}

TEST_F(ProfileTest, InfoBoxShowsTheActiveGraphsStatistics)
{
    TProfileForm* p = RampWindow();
    ASSERT_TRUE(p);
    Type(p->y1Edit, "3");
    Type(p->y2Edit, "3");
    p->btInfoClick();
    ASSERT_EQ(messages.Count(), 1u);
    const auto box = messages.Recorded()[0];
    EXPECT_EQ(box.Caption, "Profile information");
    EXPECT_EQ(box.Icon, platform::MessageIcon::Information);
    // Heights 0.5 × (v + 5): a straight rise of 5 per point over 2.5 nm.
    EXPECT_EQ(box.Text.substr(0, box.Text.find("\nSurface")),
              "Profile of file: src.spm\n[0;3] - [8;3]\nA number of points: 9\nMax value: 192.500 \n"
              "Legnth: 20.000 nm");
    EXPECT_NE(box.Text.find(platform::FormatText("Surface legnth: %.3f nm", 8 * std::hypot(2.5, 5))),
              std::string::npos);
    EXPECT_DOUBLE_EQ(p->SurfaceLength, 8 * std::hypot(2.5, 5));
}

TEST_F(ProfileTest, DraggingOnTheViewMovesTheSegmentAndTheOverlayErasesCleanly)
{
    MakeStep(OneChannel(40, 30, Ramp));
    TView2DForm* view = ViewOf(0);
    const auto clean = viewtools::Pixels(*view->Image->Background());
    TProfileForm* p = OpenProfile();
    ASSERT_TRUE(p);
    EXPECT_NE(viewtools::Pixels(*view->Image->Background()), clean);
    TZtImage* image = view->Image;

    // The end (39, 29) is grabbed and dragged; every step resamples.
    QTest::mousePress(image, Qt::LeftButton, {}, PixelOf(view, 38, 28));
    QTest::mouseMove(image, PixelOf(view, 20, 10));
    QTest::mouseRelease(image, Qt::LeftButton, {}, PixelOf(view, 20, 10));
    EXPECT_EQ(p->Segment(), (TSegment{0, 0, 20, 10}));
    EXPECT_EQ(p->x2Edit->Text(), "20");
    EXPECT_EQ(p->PointCount, 21);
    EXPECT_EQ(p->Buffer[0][20], float(Ramp(10, 20) - 5));

    // A new segment: its first move leaves the grid, so its end is on the grid's edge.
    QTest::mousePress(image, Qt::LeftButton, {}, PixelOf(view, 30, 5));
    QTest::mouseMove(image, PixelOf(view, 60, -20));
    QTest::mouseRelease(image, Qt::LeftButton, {}, PixelOf(view, 60, -20));
    EXPECT_EQ(p->Segment(), (TSegment{30, 5, 39, 0}));
    EXPECT_EQ(p->PointCount, 10);

    // Marker squares on the view come and go with the box, exactly.
    const auto withSegment = viewtools::Pixels(*image->Background());
    p->Marker1 = 4;
    p->CBShowMarkersOn2D->setChecked(true);
    p->CBShowMarkersOn2DClick();
    EXPECT_NE(viewtools::Pixels(*image->Background()), withSegment);
    p->CBShowMarkersOn2D->setChecked(false);
    p->CBShowMarkersOn2DClick();
    EXPECT_EQ(viewtools::Pixels(*image->Background()), withSegment);

    // A new compose of the view draws the segment again.
    view->Compose();
    EXPECT_EQ(viewtools::Pixels(*image->Background()), withSegment);

    // Hiding the pane erases the segment, lets the view go and stores the segment.
    p->btOKClick();
    EXPECT_EQ(viewtools::Pixels(*image->Background()), clean);
    EXPECT_FALSE(HoldsViewHooks(view, p));
    EXPECT_EQ(step->ProfileSegment, (TRect32{30, 5, 39, 0}));
}

TEST_F(ProfileTest, OneToolAtATimeHoldsTheView)
{
    step.reset();
    TObjectSPM* s = OpenFile(OneChannel(40, 30, Ramp));
    ASSERT_TRUE(s);
    TView2DForm* view = ViewOf(*s, 0);
    const auto clean = viewtools::Pixels(*view->Image->Background());
    TProfileForm* p = OpenProfile(*s);
    ASSERT_TRUE(p);
    ASSERT_TRUE(HoldsViewHooks(view, p));

    // The crop tool takes the view: the profile erases its segment and hides its pane.
    main->RectBtnClick();
    auto* crop = dynamic_cast<TSelectForm*>(s->CropTool);
    ASSERT_TRUE(crop);
    EXPECT_FALSE(p->PaneVisible());
    EXPECT_TRUE(HoldsViewHooks(view, crop));

    // Activating the profile window closes the crop tool without a new step.
    main->MdiArea->setActiveSubWindow(nullptr);
    main->MdiArea->setActiveSubWindow(p->Frame());
    EXPECT_EQ(s->CropTool, nullptr);
    EXPECT_EQ(crop->Result, 2);
    EXPECT_TRUE(HoldsViewHooks(view, p));
    FlushDeletes();
    EXPECT_EQ(main->cbObjectFile->count(), 1);
    EXPECT_EQ(viewtools::Pixels(*view->Image->Background()), clean);

    // With its pane hidden the window keeps its hooks until the crop tool binds its own.
    main->RectBtnClick();
    crop = dynamic_cast<TSelectForm*>(s->CropTool);
    ASSERT_TRUE(crop);
    EXPECT_TRUE(HoldsViewHooks(view, crop));
    crop->btCancelClick();
    FlushDeletes();
    EXPECT_FALSE(view->OnToolChange);
    EXPECT_EQ(viewtools::Pixels(*view->Image->Background()), clean);

    // "Select coordinates" shows the pane and takes the view again.
    p->btCoordinatesClick();
    EXPECT_TRUE(p->PaneVisible());
    EXPECT_TRUE(HoldsViewHooks(view, p));
    EXPECT_NE(viewtools::Pixels(*view->Image->Background()), clean);
}

TEST_F(ProfileTest, WithItsPaneHiddenTheWindowHoldsTheViewButDrawsAndDragsNothing)
{
    step.reset();
    TObjectSPM* s = OpenFile(OneChannel(40, 30, Ramp));
    ASSERT_TRUE(s);
    TView2DForm* view = ViewOf(*s, 0);
    TZtImage* image = view->Image;
    const auto clean = viewtools::Pixels(*image->Background());
    TProfileForm* p = OpenProfile(*s);
    ASSERT_TRUE(p);
    p->btOKClick(); // "Hide pane"
    main->MdiArea->setActiveSubWindow(nullptr);
    main->MdiArea->setActiveSubWindow(p->Frame());
    ASSERT_FALSE(p->PaneVisible());
    ASSERT_TRUE(HoldsViewHooks(view, p));
    const TSegment before = p->Segment();

    // A press on an end and one away from both, each dragged: nothing moves.
    const QPoint drags[][2] = {{PixelOf(view, 39, 29), PixelOf(view, 20, 10)},
                               {PixelOf(view, 10, 10), PixelOf(view, 15, 12)}};
    for (const auto& d : drags) {
        QTest::mousePress(image, Qt::LeftButton, {}, d[0]);
        QTest::mouseMove(image, d[1]);
        QTest::mouseRelease(image, Qt::LeftButton, {}, d[1]);
        EXPECT_EQ(p->Segment(), before);
        EXPECT_EQ(viewtools::Pixels(*image->Background()), clean);
    }
    // The view's repaint draws no segment either.
    view->Compose();
    EXPECT_EQ(viewtools::Pixels(*image->Background()), clean);
}

TEST_F(ProfileTest, AProfileOfAnotherChannelLeavesTheCropToolOpen)
{
    step.reset();
    auto data = OneChannel(20, 10, Ramp);
    datafixtures::AddChannel(*data, 2, 20, 10, [](int r, int c) { return r + c; });
    TObjectSPM* s = OpenFile(std::move(data));
    ASSERT_TRUE(s);
    main->RectBtnClick();
    auto* crop = dynamic_cast<TSelectForm*>(s->CropTool);
    ASSERT_TRUE(crop);
    s->ShowChannelView(2);
    TProfileForm* p = OpenProfile(*s);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Channel, 2);
    EXPECT_EQ(s->CropTool, crop);
    EXPECT_TRUE(HoldsViewHooks(ViewOf(*s, 0), crop));
    EXPECT_TRUE(HoldsViewHooks(ViewOf(*s, 2), p));
}

TEST_F(ProfileTest, EveryWindowOfTheStepFollowsAChangeOfItsChannels)
{
    auto data = OneChannel(9, 7, Ramp);
    datafixtures::AddChannel(*data, 20, 9, 7, [](int r, int c) { return r - c; });
    MakeStep(std::move(data));
    TProfileForm* first = OpenProfile();
    TProfileForm* second = OpenProfile();
    ASSERT_TRUE(first && second);
    for (TProfileForm* p : {first, second}) {
        p->cbSecondGraph->setCurrentIndex(2);
        p->cbFirstGraphChange(p->cbSecondGraph);
        ASSERT_TRUE(p->GraphEnabled[1]);
        p->LastMarker = 5;
        p->btBookmarkClick();
    }
    EXPECT_EQ(step->ActiveProfile, second);

    // The user channel goes: both windows drop their graph 2 (no freed channel is kept).
    step->DeleteChannel(20);
    step->UpdateAll();
    for (TProfileForm* p : {first, second}) {
        EXPECT_FALSE(p->GraphEnabled[1]);
        EXPECT_EQ(p->GraphChannel[1], nullptr);
        EXPECT_EQ(Items(p->cbSecondGraph), (std::vector<std::string>{"None", "Topography"}));
        EXPECT_EQ(p->ActiveGraph, 0);
        EXPECT_EQ(p->Bookmarks[1]->Count(), 0);
        EXPECT_EQ(p->GraphChannel[0], step->SurfaceData->Channel(0));
        p->Update(); // samples again without touching what went
    }
    // A new step number shows in every caption.
    step->StepNumber = 4;
    step->UpdateChannel(0);
    EXPECT_EQ(first->Frame()->windowTitle().toStdString(), "View Profile - src.spm #4");
    EXPECT_EQ(second->Frame()->windowTitle().toStdString(), "View Profile - src.spm #4");
}

TEST_F(ProfileTest, EscClosesTheWindowAndTheNextOneStartsFromItsSegment)
{
    TProfileForm* p = RampWindow();
    ASSERT_TRUE(p);
    Type(p->x1Edit, "2");
    Type(p->y2Edit, "4");
    QTest::keyClick(p->cbFirstGraph, Qt::Key_Escape);
    EXPECT_TRUE(step->Profiles.empty());
    EXPECT_EQ(step->ProfileSegment, (TRect32{2, 0, 8, 4}));
    FlushDeletes();
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 1); // the view alone
    EXPECT_FALSE(ViewOf(0)->OnToolChange);
    TProfileForm* next = OpenProfile();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->Segment(), (TSegment{2, 0, 8, 4}));
    // "&Close" closes as well; a step going deletes the windows it still has.
    next->btCloseClick();
    FlushDeletes();
    EXPECT_TRUE(step->Profiles.empty());
    OpenProfile();
    OpenProfile();
    EXPECT_EQ(step->Profiles.size(), 2u);
    step.reset();
    FlushDeletes();
    EXPECT_TRUE(main->MdiArea->subWindowList().isEmpty());
}

TEST_F(ProfileTest, SavesItsPictureAndCopiesIt)
{
    TProfileForm* p = RampWindow();
    ASSERT_TRUE(p);
    const std::string path = dir.File("profile.bmp");
    SaveProfilePicture(p, path);
    platform::TBitmap saved;
    ASSERT_TRUE(saved.LoadFromFile(path));
    EXPECT_EQ(viewtools::Pixels(saved), viewtools::Pixels(*p->Image->Background()));
    SaveProfilePicture(p, dir.File("missing/folder/profile.bmp"));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error write file"});
    QTest::keyClick(p->cbFirstGraph, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(570, 235));
}

namespace {

std::string Golden(const std::string& name)
{
    const auto bytes = testsupport::ReadBytes(std::string(MORVANE_TESTS_DIR) + "tools/golden/" + name);
    return {bytes.begin(), bytes.end()};
}

std::string FileText(const std::string& path)
{
    const auto bytes = testsupport::ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

}  // namespace

TEST_F(ProfileTest, ReportsOneAndTwoGraphsAsTheGoldenFilesHaveThem)
{
    auto data = OneChannel(5, 4, [](int r, int c) { return 40 * r + 7 * c * c; });
    std::strcpy(data->Channel(0)->Header.ZUnit, "nm");
    TSPMData* phase = datafixtures::AddChannel(*data, 2, 5, 4, [](int r, int c) { return (r * c) % 5 - 2 * c; });
    std::strcpy(phase->Header.ZUnit, "deg");
    phase->SourceFile = "/elsewhere/phase.spm";
    MakeStep(std::move(data));
    TProfileForm* p = OpenProfile();
    ASSERT_TRUE(p);
    Type(p->y1Edit, "1");
    Type(p->y2Edit, "3");
    ASSERT_EQ(p->Segment(), (TSegment{0, 1, 4, 3}));

    const std::string one = dir.File("one.txt");
    WriteProfileReport(p, one);
    EXPECT_EQ(FileText(one), Golden("profile-one-graph.txt"));
    const double topographyRa = p->Ra;

    p->cbSecondGraph->setCurrentIndex(2);
    p->cbFirstGraphChange(p->cbSecondGraph);
    ASSERT_EQ(p->ActiveGraph, 1);
    const std::string two = dir.File("two.txt");
    WriteProfileReport(p, two);
    EXPECT_EQ(FileText(two), Golden("profile-two-graphs.txt"));
    EXPECT_EQ(p->ActiveGraph, 1);
    EXPECT_EQ(p->Ra, topographyRa) << "the fields keep the other graph's values";

    // Reports are appended.
    WriteProfileReport(p, two);
    EXPECT_EQ(FileText(two), Golden("profile-two-graphs.txt") + Golden("profile-two-graphs.txt"));
    EXPECT_TRUE(messages.Texts().empty());
    WriteProfileReport(p, dir.File("no/such/folder/report.txt"));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error write file"});
}

// A step the program made holds channels without a source file of their own: its profile
// report and profile information name the file of its data set, as its title does.
TEST_F(ProfileTest, TheReportAndInformationOfADerivedStepNameItsDataSetsFile)
{
    TObjectSPM* s = toolsfixture::OpenDerivedStep(
        *main, dialogs, toolsfixture::WriteScan(dir.File("tilt.spm"), 5, 4, {{0, Ramp}}));
    ASSERT_TRUE(s);
    ASSERT_TRUE(s->SurfaceData->Channel(0));
    EXPECT_TRUE(s->SurfaceData->Channel(0)->SourceFile.empty());
    main->AProfile->trigger();
    auto* p = dynamic_cast<TProfileForm*>(s->ActiveProfile);
    ASSERT_TRUE(p);
    Type(p->y1Edit, "1");
    Type(p->y2Edit, "1");

    dialogs.Choose(dir.File("report"), 4);
    QTest::mouseClick(main->SaveBtn, Qt::LeftButton);
    const std::string report = FileText(dir.File("report.txt"));
    EXPECT_NE(report.find("\n Profile  [0;1] - [4;1] of file  tilt.spm ()"), std::string::npos)
        << report;
    QTest::mouseClick(p->btInfo, Qt::LeftButton);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Recorded()[0].Text.rfind("Profile of file: tilt.spm\n[0;1] - [4;1]\n", 0),
              0u)
        << messages.Recorded()[0].Text;
}

TEST_F(ProfileTest, EndToEndOpenDragAndSaveTheReportThroughTheMainWindow)
{
    auto data = OneChannel(5, 4, [](int r, int c) { return 40 * r + 7 * c * c; });
    std::strcpy(data->Channel(0)->Header.ZUnit, "nm");
    TObjectSPM* s = OpenFile(std::move(data), "src.spm");
    ASSERT_TRUE(s);
    main->AProfile->trigger();
    auto* p = dynamic_cast<TProfileForm*>(s->ActiveProfile);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Frame()->windowTitle().toStdString(), "View Profile - src.spm #1");
    EXPECT_EQ(p->Segment(), (TSegment{0, 0, 4, 3}));

    // The start is grabbed on the view (it is tested before the end, 5 pixels away) and
    // dragged one row down.
    TView2DForm* view = ViewOf(*s, 0);
    QTest::mousePress(view->Image, Qt::LeftButton, {}, PixelOf(view, 0, 0));
    QTest::mouseMove(view->Image, PixelOf(view, 0, 1));
    QTest::mouseRelease(view->Image, Qt::LeftButton, {}, PixelOf(view, 0, 1));
    EXPECT_EQ(p->Segment(), (TSegment{0, 1, 4, 3}));
    ExpectSamples(Samples(p, 0), {40, 67, 108, 163, 232});

    main->MdiArea->setActiveSubWindow(p->Frame());
    const std::string report = dir.File("report");
    dialogs.Choose(report, 4); // after the SPM and bitmap entries: the text entry
    main->SaveClick();
    ASSERT_FALSE(dialogs.Requests().empty());
    EXPECT_EQ(dialogs.Requests().back().FilterIndex, 4) << "the text entry is preselected";
    EXPECT_EQ(FileText(report + ".txt"), Golden("profile-one-graph.txt"));
    dialogs.Choose(dir.File("picture"), 3);
    main->SaveClick();
    platform::TBitmap picture;
    ASSERT_TRUE(picture.LoadFromFile(dir.File("picture.bmp")));
    EXPECT_EQ(picture.Width(), 570);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(ProfileTest, ASwatchDoubleClickedChoosesTheGraphsColourAndAClickMakesItActive)
{
    auto data = OneChannel(9, 7, Ramp);
    datafixtures::AddChannel(*data, 2, 9, 7, [](int r, int c) { return r * c; });
    MakeStep(std::move(data));
    TProfileForm* p = OpenProfile();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->TopographyImage->Background()->Canvas()->Pixels(5, 5), platform::clBlack);
    EXPECT_EQ(p->PhaseImage->Background()->Canvas()->Pixels(5, 5), platform::clBlue);

    platform::ColorDialogRecorder colours;
    colours.Choose(platform::RGB(0, 160, 0));
    colours.Cancel();
    p->PhaseImageDblClick(p->PhaseImage);
    EXPECT_EQ(p->GraphColor[1], platform::RGB(0, 160, 0));
    EXPECT_EQ(p->PhaseImage->Background()->Canvas()->Pixels(5, 5), platform::RGB(0, 160, 0));
    p->PhaseImageDblClick(p->PhaseImage); // cancelled: nothing changes
    EXPECT_EQ(p->GraphColor[1], platform::RGB(0, 160, 0));
    const auto asked = colours.Requests();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].Color, platform::clBlue); // the dialog starts from graph 2's colour

    // A click on the swatch of a graph that is off does nothing; once on, it activates it.
    p->PhaseImageMouseUp(p->PhaseImage, platform::mbLeft, 0, 1, 1);
    EXPECT_EQ(p->ActiveGraph, 0);
    p->cbSecondGraph->setCurrentIndex(2);
    p->cbFirstGraphChange(p->cbSecondGraph);
    p->TopographyImage->OnMouseUp(p->TopographyImage, platform::mbLeft, 0, 1, 1);
    EXPECT_EQ(p->ActiveGraph, 0);
    EXPECT_TRUE(p->rbActivate1->isChecked());
    p->PhaseImage->OnMouseUp(p->PhaseImage, platform::mbLeft, 0, 1, 1);
    EXPECT_EQ(p->ActiveGraph, 1);
    // The right button on the picture switches to the other graph.
    p->FormMouseUp(p->Image, platform::mbRight, 0, 300, 100);
    EXPECT_EQ(p->ActiveGraph, 0);
}
