// The heights window through the main window: its charts' numbers, the three boxes with
// their refusals, the marker and its readings, "Save Tops" and "Save Valleys", the picture
// and the report, a flat channel, the keys and its life with its step.

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <set>

#include "views/View2D.h"
#include "components/ZtImage.h"
#include "platform/gui/Bitmap.h"
#include "tools/Heights.h"
#include "tools/ToolsFixture.h"

using namespace toolsfixture;

namespace {

// 40 values over 8 × 5: 0 four times, 25 eight times, 50 twelve times, 75 six times and
// 100 ten times (range 100; Z scale 0.5, so 0 … 50 nm).
std::int32_t Known(int r, int c)
{
    const int k = r * 8 + c;
    return k < 4 ? 0 : k < 12 ? 25 : k < 24 ? 50 : k < 30 ? 75 : 100;
}

class HeightsTest : public appfixture::MainWindowTest {
protected:
    // Opens the scan and its heights window (through the View menu's action).
    void Open(const Fill& fill = Known, float zScale = 0.5f)
    {
        dialogs.Choose(WriteScan(dir.File("k.spm"), 8, 5, {{0, fill}, {2, fill}}, 1, zScale), 1);
        main->OpenClick();
        ASSERT_NE(main->CurrentFile, nullptr);
        step = main->CurrentStep();
        main->AHeightsDistribution->trigger();
        form = dynamic_cast<THeightsForm*>(step->HeightsWindow);
        ASSERT_NE(form, nullptr);
    }
    // Types into a box and leaves it with Enter.
    void Enter(QLineEdit* box, const char* text)
    {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    std::vector<std::uint32_t> Counts() const { return form->Distribution.Counts; }

    TObjectSPM* step = nullptr;
    THeightsForm* form = nullptr;
};

} // namespace

// The defaults: a hundred bars of range / 100 (each value on the lower edge of its bar, the
// maximum in no bar), the marker at the top and its readings, and the channel's statistics.
TEST_F(HeightsTest, OpensWithAHundredBarsAndTheMarkerAtTheTop)
{
    Open();
    EXPECT_EQ(form->windowTitle(), "Height analysis - k.spm(Topography) #1");
    EXPECT_EQ(form->edNumberHistBars->text(), "100");
    EXPECT_EQ(form->edStepBar->text(), "1.00");
    EXPECT_EQ(form->edPos->text(), "0");
    EXPECT_EQ(form->tbMarker->maximum(), 100);
    EXPECT_EQ(form->tbMarker->value(), 0);
    EXPECT_EQ(form->MarkerIndex(), 100);
    const auto counts = Counts();
    EXPECT_EQ(counts[0], 4u);
    EXPECT_EQ(counts[25], 8u);
    EXPECT_EQ(counts[50], 12u);
    EXPECT_EQ(counts[75], 6u);
    EXPECT_EQ(counts[100], 0u);
    EXPECT_EQ(form->Distribution.MaxCount, 12u);
    EXPECT_EQ(form->MarkerInfo[0],
              "Height: 0nm;   Relative height: 1.00;   Height distribution: 0.00%;   Bearing ratio: 0.00%");
    // Mean (0·4 + 25·8 + 50·12 + 75·6 + 100·10) / 40 × 0.5 = 28.125 (printed to even).
    EXPECT_EQ(form->MarkerInfo[1].rfind("Hmean=28.12   Ra=", 0), 0u) << form->MarkerInfo[1];
    // The data set is held while the window lives; a second opening brings it to the front.
    EXPECT_EQ(step->SurfaceData->LockCount, 2);
    main->AHeightsDistribution->trigger();
    EXPECT_EQ(step->HeightsWindow, form);
    EXPECT_TRUE(messages.Texts().empty());
}

// The bar count and the step: accepted values redraw the charts; refused ones say why,
// put the old text back and (for a value out of range) keep the focus.
TEST_F(HeightsTest, BarCountAndStepBoxesAcceptTheirRangesAndRefuseTheRest)
{
    Open();
    form->show();
    QApplication::setActiveWindow(form);
    Enter(form->edNumberHistBars, "3");
    EXPECT_EQ(form->Bars(), 3);
    EXPECT_EQ(form->edStepBar->text(), "33.30");
    EXPECT_EQ(form->tbMarker->maximum(), 3);
    EXPECT_EQ(Counts(), (std::vector<std::uint32_t>{12, 12, 6, 0}));  // 100 lies on index 3

    Enter(form->edStepBar, "25.9");  // truncated to 25: four bars
    EXPECT_EQ(form->Step, 25);
    EXPECT_EQ(form->Bars(), 4);
    EXPECT_EQ(form->edNumberHistBars->text(), "4");
    EXPECT_EQ(form->edStepBar->text(), "25.00");
    EXPECT_EQ(Counts(), (std::vector<std::uint32_t>{4, 8, 12, 6, 0}));
    EXPECT_TRUE(messages.Texts().empty());

    struct Case {
        QLineEdit* box;
        const char* typed;
        const char* message;
        const char* restored;
        bool focusKept;
    };
    const Case cases[] = {
        {form->edNumberHistBars, "101", "Value must be > 2 and <= 100", "4", true},
        {form->edNumberHistBars, "2", "Value must be > 2 and <= 100", "4", true},
        {form->edNumberHistBars, "x", "Value must be integer", "4", false},
        {form->edStepBar, "1", "Value must be > 1.0 and <= 33.3", "25.00", true},  // range × 0.01
        {form->edStepBar, "34", "Value must be > 1.0 and <= 33.3", "25.00", true},
        {form->edStepBar, "abc", "Value must be integer", "25.00", false},
    };
    for (const auto& c : cases) {
        messages.Clear();
        Enter(c.box, c.typed);
        ASSERT_EQ(messages.Texts(), std::vector<std::string>{c.message}) << c.typed;
        EXPECT_EQ(messages.Recorded()[0].Caption, "Input error");
        EXPECT_EQ(messages.Recorded()[0].Icon, platform::MessageIcon::Error);
        EXPECT_EQ(c.box->text(), c.restored) << c.typed;
        EXPECT_EQ(QApplication::focusWidget() == c.box, c.focusKept) << c.typed;
        EXPECT_EQ(form->Bars(), 4);
    }
}

// The marker: its position gives the height in edPos and the readings; a typed height in
// physical units moves it to its bar; heights outside the channel are refused.
TEST_F(HeightsTest, TheMarkerShowsItsBarAndFollowsATypedHeight)
{
    Open();
    form->show();
    QApplication::setActiveWindow(form);
    Enter(form->edNumberHistBars, "4");
    form->tbMarker->setValue(1);  // k = 3: the bar of 75
    EXPECT_EQ(form->edPos->text(), "37.5");
    EXPECT_EQ(form->MarkerInfo[0],
              "Height: 37.5nm;   Relative height: 0.75;   Height distribution: 15.00%;   Bearing ratio: 40.00%");

    Enter(form->edPos, "25.7");  // 25 nm = raw 50: the bar of 50, position 4 − 2
    EXPECT_EQ(form->tbMarker->value(), 2);
    EXPECT_EQ(form->edPos->text(), "25.0");
    EXPECT_TRUE(messages.Texts().empty());

    Enter(form->edPos, "51");
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Value must be > 0.0 0 and <= 50.0"});
    EXPECT_EQ(form->edPos->text(), "25.0");
    messages.Clear();
    Enter(form->edPos, "high");
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Value must be float"});
    EXPECT_EQ(form->tbMarker->value(), 2);
}

// "Save Valleys" at the bar of 50 lowers everything above 50 into a new step whose maximum
// is 50; "Save Tops" raises what lies below; at the ends of the track bar each does nothing.
TEST_F(HeightsTest, SaveTopsAndValleysCutTheChannelIntoNewSteps)
{
    Open();
    TObjectFile* file = main->CurrentFile;
    form->tbMarker->setValue(0);
    form->btSaveTops->click();  // the marker at the top
    form->tbMarker->setValue(100);
    form->btSaveValleys->click();  // the marker at the bottom
    EXPECT_EQ(file->Steps.size(), 1u);

    form->tbMarker->setValue(50);  // k = 50: raw 50
    form->btSaveValleys->click();
    form->btSaveTops->click();
    EXPECT_EQ(Items(main->cbObjectStep),
              (std::vector<std::string>{"1. Load", "2. Save Valleys (<50)", "3. Save tops (>50)"}));
    TSPMData* valleys = file->Steps[1].Step->SurfaceData->Channel(0);
    TSPMData* tops = file->Steps[2].Step->SurfaceData->Channel(0);
    EXPECT_EQ(valleys->Header.Max, 50);
    EXPECT_EQ(valleys->Header.Min, 0);
    EXPECT_EQ(tops->Header.Min, 50);
    for (std::int32_t z : Values(*valleys))
        EXPECT_LE(z, 50);
    const auto t = Values(*tops);
    EXPECT_EQ(std::count(t.begin(), t.end(), 50), 24);  // 0, 25 and 50 all become 50
    // The cut steps carry the default palette and statistics of their values, and show
    // their 2-D views; the tops step's heights window sees its new mean.
    EXPECT_NE(dynamic_cast<TView2DForm*>(file->Steps[2].Step->Views[0]), nullptr);
    EXPECT_EQ(tops->Markers->GetCount(), 3);
    file->Steps[2].Step->OpenWindow(3);
    auto* second = dynamic_cast<THeightsForm*>(file->Steps[2].Step->HeightsWindow);
    ASSERT_NE(second, nullptr);
    // (50·24 + 75·6 + 100·10) / 40 × 0.5 = 33.125 (printed to even).
    EXPECT_EQ(second->MarkerInfo[1].rfind("Hmean=33.12", 0), 0u) << second->MarkerInfo[1];
    EXPECT_TRUE(messages.Texts().empty());
}

// The text table is appended (N + 1 rows, the last at the maximum with RH 1.00, HD 0.00 and
// BR 0.00); a file that cannot be written gets nothing and nothing is said. The picture is
// the window's image as a bitmap. The Save command offers both while the window is active.
TEST_F(HeightsTest, ReportAndPictureAreSavedThroughTheSaveCommand)
{
    Open();
    form->show();
    QApplication::setActiveWindow(form);
    Enter(form->edNumberHistBars, "4");
    form->SaveReport(dir.File("r.txt"));
    form->SaveReport(dir.File("r.txt"));
    const auto bytes = testsupport::ReadBytes(dir.File("r.txt"));
    const std::string text(bytes.begin(), bytes.end());
    const std::string one =
        "\n Height analysis of file k.spm for Topography"
        "\n***********************************"
        "\n Height,nm  RH    HD,%    BR,%  "
        "\n***********************************"
        "\n     0.00  0.00   10.00  100.00 "
        "\n    12.50  0.25   20.00   90.00 "
        "\n    25.00  0.50   30.00   70.00 "
        "\n    37.50  0.75   15.00   40.00 "
        "\n    50.00  1.00    0.00    0.00 "
        "\n***********************************";
    EXPECT_EQ(text, one + one);
    form->SaveReport(dir.File("no/such/r.txt"));
    EXPECT_TRUE(messages.Texts().empty());

    form->SavePicture(dir.File("h.bmp"));
    platform::TBitmap picture;
    ASSERT_TRUE(picture.LoadFromFile(dir.File("h.bmp")));
    EXPECT_EQ(picture.Width(), form->Image->width());  // 512, or wider for the readings
    EXPECT_GE(picture.Width(), 512);
    EXPECT_EQ(picture.Height(), 285);

    form->Focus();  // the active child
    dialogs.Choose(dir.File("s.txt"), 4);
    main->SaveClick();
    const auto request = dialogs.Requests().back();
    EXPECT_EQ(request.Filter,
              "SPM file (*.spm)|*.spm|SPM file 2001 (*.spm)|*.spm|Bitmap file (*.bmp)|*.bmp|Text file (*.txt)|*.txt");
    const auto saved = testsupport::ReadBytes(dir.File("s.txt"));
    EXPECT_EQ(std::string(saved.begin(), saved.end()), one);
}

// A step the program made: its channels have no source file, and the report names the file
// of its data set.
TEST_F(HeightsTest, TheReportOfADerivedStepNamesItsDataSetsFile)
{
    TObjectSPM* derived =
        OpenDerivedStep(*main, dialogs, WriteScan(dir.File("k.spm"), 8, 5, {{0, Known}}));
    ASSERT_TRUE(derived);
    ASSERT_TRUE(derived->SurfaceData->Channel(0));
    EXPECT_TRUE(derived->SurfaceData->Channel(0)->SourceFile.empty());
    main->AHeightsDistribution->trigger();
    ASSERT_NE(derived->HeightsWindow, nullptr);
    dialogs.Choose(dir.File("h"), 4);
    main->Save->trigger();
    const std::string text = Read(dir.File("h.txt"));
    EXPECT_EQ(text.rfind("\n Height analysis of file k.spm for Topography\n", 0), 0u) << text;
}

// A flat channel: every value in bar 0, every step refused, and a typed height (the one
// height there is) leaves the marker where it is.
TEST_F(HeightsTest, AFlatChannelCountsEverythingInBarZero)
{
    Open([](int, int) { return 7; }, 1.0f);
    EXPECT_EQ(Counts()[0], 40u);
    EXPECT_EQ(form->Distribution.BearingRatio[0], 1.0f);
    EXPECT_EQ(form->Distribution.BearingRatio[1], 0.0f);
    form->show();
    QApplication::setActiveWindow(form);
    Enter(form->edStepBar, "1");
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Value must be > 0.0 and <= 0.0"});
    messages.Clear();
    Enter(form->edPos, "7");
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(form->tbMarker->value(), 0);
    EXPECT_EQ(form->edPos->text(), "7.0");
}

// Ctrl+C copies the picture; Esc closes the window, which clears the step's slot and gives
// back its data-set reference; a step that goes takes its window with it.
TEST_F(HeightsTest, KeysCopyAndCloseAndTheStepTakesItsWindowAlong)
{
    Open();
    form->show();
    QApplication::setActiveWindow(form);
    QTest::keyClick(form->edPos, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(form->Image->width(), 285));
    QTest::keyClick(form->btClose, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(step->HeightsWindow, nullptr);
    EXPECT_EQ(step->SurfaceData->LockCount, 1);

    main->AHeightsDistribution->trigger();
    ASSERT_NE(step->HeightsWindow, nullptr);
    main->sbCloseFileClick();  // the step goes with its window
    QApplication::processEvents();
    EXPECT_TRUE(main->Mdi()->subWindowList().isEmpty());
}

// The readings under the charts fit in the window at every marker position, even with long
// heights: the text printed at x 40 ends inside the picture's band, the picture inside the
// window and the window inside its frame.
TEST_F(HeightsTest, TheReadingsFitInsideTheWindowAtEveryMarkerPosition)
{
    Open([](int r, int c) { return (r * 8 + c) * 1500 - 30000; }, 0.5f);  // −15000.0 … 14250.0 nm
    form->show();
    QApplication::setActiveWindow(form);
    ASSERT_NE(form->Frame(), nullptr);
    EXPECT_EQ(form->Frame()->widget()->size(), form->size());
    EXPECT_LE(form->Image->width(), form->width());
    platform::TCanvas* canvas = form->Image->Background()->Canvas();
    const int band = form->Image->Background()->Width() - 5;
    form->tbMarker->setFocus();
    QTest::keyClick(form->tbMarker, Qt::Key_Home);
    std::set<int> visited;
    for (int moves = 0; moves <= form->tbMarker->maximum(); ++moves) {
        visited.insert(form->tbMarker->value());
        SCOPED_TRACE(form->MarkerInfo[0]);
        EXPECT_LE(40 + canvas->TextWidth(form->MarkerInfo[0]), band);
        EXPECT_LE(40 + canvas->TextWidth(form->MarkerInfo[1]), band);
        QTest::keyClick(form->tbMarker, Qt::Key_Down);
    }
    EXPECT_EQ(int(visited.size()), form->tbMarker->maximum() + 1);
}
