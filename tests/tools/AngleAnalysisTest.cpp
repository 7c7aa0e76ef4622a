#include <gtest/gtest.h>

#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "app/AppFixture.h"
#include "components/ZtImage.h"
#include "data/ObjectFile.h"
#include "data/Surfacedata.h"
#include "platform/core/Messages.h"
#include "platform/gui/Bitmap.h"
#include "tools/AngleAnalysisImpl.h"
#include "tools/ToolsFixture.h"

using namespace toolsfixture;

namespace {

TAngleAnalysis* OpenAngles(TObjectSPM& step)
{
    auto* window = new TAngleAnalysis(&step);
    step.AngleWindow = window;
    window->show();
    QApplication::processEvents();
    return window;
}

void Type(QLineEdit* box, const char* text)
{
    box->setText(text);
    box->setModified(true);
}

std::uint32_t Sum(const std::vector<std::uint32_t>& v)
{
    std::uint32_t s = 0;
    for (std::uint32_t x : v)
        s += x;
    return s;
}

}  // namespace

// A plane rising by 3 raw counts a column over steps of 2: slope 1.5, tilt atan 1.5 =
// 56.31°, bar 250 of 400 (centre 56.36°); the normals lean towards −x: sector 8 of 16,
// 180°. Every bar holds at least 1 % of the top one, so the visible angle is fitted to 90°.
TEST(AngleAnalysis, AConstantGradientShowsOneBarAndOneSectorAtTheirCentres)
{
    auto step = Step(12, 9, [](int, int c) { return 3 * c; }, 2, 2, 1);
    TAngleAnalysis* w = OpenAngles(*step);
    ASSERT_TRUE(w->Computed());
    EXPECT_EQ(w->Level, 0.0);
    EXPECT_EQ(w->MostFrequentBar, 250);
    EXPECT_EQ(w->Counts.Tilt[250], 1u + 9 * 6);
    EXPECT_EQ(w->MostFrequentSector, 8);
    EXPECT_EQ(w->Label1->text().toStdString(),
              "Middle : 56.36\u00B0\u00B10.23\u00B0\nMost frequent : 56.36\u00B0\u00B10.11\u00B0");
    EXPECT_EQ(w->Label2->text().toStdString(), "Most frequent : 180.00\u00B0\u00B111.25\u00B0");
    EXPECT_EQ(w->TrackBar->value(), 5);
    EXPECT_EQ(w->lbMax->text().toStdString(), "33.0");
    EXPECT_EQ(w->lbMin->text().toStdString(), "0.0");
    EXPECT_EQ(w->Label6->text().toStdString(), "Angle analysis for height diapasone from 0.0 to 33.0");
}

// Moving the level bar to its top counts only the points at the maximum (here none are
// interior: every counter stays at 1); back at its bottom, every interior point counts.
TEST(AngleAnalysis, TheLevelBarSelectsThePointsAboveIt)
{
    auto step = Step(12, 9, [](int r, int c) { return r == 4 && c == 5 ? 100 : 3 * c; }, 2, 2, 1);
    TAngleAnalysis* w = OpenAngles(*step);
    w->tbLevel->setValue(w->tbLevel->minimum());
    EXPECT_DOUBLE_EQ(w->Level, 99.0);
    EXPECT_EQ(Sum(w->Counts.Tilt), 400u + 1);  // the one point at 100
    w->tbLevel->setValue(w->tbLevel->maximum());
    EXPECT_EQ(w->Level, 0.0);
    EXPECT_EQ(Sum(w->Counts.Tilt), 400u + 9 * 6);
}

// Out-of-range or non-numeric counts show the limits and keep the previous count; a valid
// count re-bins without refitting the visible angle.
TEST(AngleAnalysis, CountBoxesRefuseValuesOutsideTheirLimits)
{
    platform::MessageRecorder messages;
    auto step = Step(12, 9, [](int, int c) { return 3 * c; }, 2, 2, 1);
    TAngleAnalysis* w = OpenAngles(*step);
    struct Case {
        QLineEdit* box;
        const char* text;
        const char* message;
        const char* restored;
    };
    const Case refused[] = {
        {w->edCountBars, "3", "Value limit 4 - 500", "400"},
        {w->edCountBars, "501", "Value limit 4 - 500", "400"},
        {w->edCountBars, "abc", "Value limit 4 - 500", "400"},
        {w->edCountSectors, "361", "Value limit 8 - 360", "16"},
        {w->edCountSectors, "7", "Value limit 8 - 360", "16"},
    };
    for (const Case& k : refused) {
        messages.Clear();
        Type(k.box, k.text);
        k.box == w->edCountBars ? w->edCountBarsExit() : w->edCountSectorsExit();
        ASSERT_EQ(messages.Count(), 1u) << k.text;
        EXPECT_EQ(messages.Recorded()[0].Text, k.message);
        EXPECT_EQ(messages.Recorded()[0].Caption, "Error input");
        EXPECT_EQ(k.box->text().toStdString(), k.restored);
    }
    EXPECT_EQ(w->Bars, 400);
    EXPECT_EQ(w->Sectors, 16);

    w->TrackBar->setValue(50);  // 45° visible
    messages.Clear();
    Type(w->edCountBars, "90");
    w->edCountBarsExit();
    Type(w->edCountSectors, "360");
    w->edCountSectorsExit();
    EXPECT_EQ(messages.Count(), 0u);
    EXPECT_EQ(w->Counts.Tilt.size(), 90u);
    EXPECT_EQ(w->Counts.Orientation.size(), 360u);
    EXPECT_EQ(w->Counts.Tilt[56], 1u + 54);  // atan 1.5 in bars of 1°
    EXPECT_EQ(w->TrackBar->value(), 50);
    w->edCountBarsExit();  // unchanged since: nothing
    EXPECT_EQ(messages.Count(), 0u);
}

// The report of 4 bars and 8 sectors, byte for byte; a 1-wide channel has an area of 0 and
// prints 0 per cent.
TEST(AngleAnalysis, ReportOfTheCountersAndOfAChannelWithoutArea)
{
    auto step = Step(6, 6, [](int, int c) { return 3 * c; });
    TAngleAnalysis* w = OpenAngles(*step);
    Type(w->edCountBars, "4");
    w->edCountBarsExit();
    Type(w->edCountSectors, "8");
    w->edCountSectorsExit();
    testsupport::ScratchDir dir;
    const std::string path = dir.File("angles.txt");
    EXPECT_TRUE(WriteAngleReport(w, path));
    EXPECT_EQ(Read(path), Golden("angle_report.txt"));
    EXPECT_FALSE(WriteAngleReport(w, dir.File("no/such/folder.txt")));

    auto thin = Step(1, 8, [](int r, int) { return r; });
    TAngleAnalysis* t = OpenAngles(*thin);
    const std::string report = AngleReport(t->Counts, 0.0);
    EXPECT_NE(report.find("\n   0.00    0.00\n"), std::string::npos);
    EXPECT_EQ(report.find("inf"), std::string::npos);

    EXPECT_EQ(SaveAnglePicture(w, dir.File("angles.bmp")), 1);
    platform::TBitmap picture;
    ASSERT_TRUE(picture.LoadFromFile(dir.File("angles.bmp")));
    EXPECT_EQ(picture.Width(), w->ImageAngle->width());
}

// The charts: the most frequent bar reaches the top of the tilt chart in teal (one pixel
// wide at least, though 400 bars share fewer pixels); a flat channel counts nothing, so
// its rose is the regular polygon on the inscribed circle: teal inside, white outside.
TEST(AngleAnalysis, ChartsShowTheBarsAndTheRose)
{
    auto step = Step(12, 9, [](int, int c) { return 3 * c; }, 2, 2, 1);
    TAngleAnalysis* w = OpenAngles(*step);
    platform::TCanvas* c = w->ImageAngle->Background()->Canvas();
    const int h = w->ImageAngle->height() - 40;
    const int width = w->ImageAngle->width() - 40 - 30 - h;
    ASSERT_GE(h, 50);
    ASSERT_GE(width, 50);
    const int x = 20 + int(250 / (400.0 / width));  // bar 250 of 400 visible bars
    EXPECT_EQ(c->Pixels(x, 20 + h - 2), platform::clTeal);
    const int top = int(1 / (55.0 / h));  // (largest − counter + 1) / (largest / H)
    EXPECT_EQ(c->Pixels(x, 20 + top), platform::clTeal);
    EXPECT_EQ(c->Pixels(x + 8, 20 + top), platform::clWhite);

    auto flat = Step(12, 9, [](int, int) { return 7; }, 2, 2, 1);
    TAngleAnalysis* f = OpenAngles(*flat);
    platform::TCanvas* d = f->ImageAngle->Background()->Canvas();
    const int fh = f->ImageAngle->height() - 40;
    const int x0 = 20 + (f->ImageAngle->width() - 40 - 30 - fh) + 30, mid = fh / 2;
    EXPECT_EQ(d->Pixels(x0 + mid + fh / 8, 20 + mid + fh / 16), platform::clTeal);
    EXPECT_EQ(d->Pixels(x0 + 3, 20 + mid - fh / 4), platform::clWhite);
}

using AngleAnalysisMainTest = appfixture::MainWindowTest;

// A channel with a zero step is refused with a message and no window opens; the tool
// button opens the window of a usable step with its caption.
TEST_F(AngleAnalysisMainTest, TheAngleCommandOpensTheWindowOrRefusesAZeroStep)
{
    for (const float xStep : {0.0f, 2.0f}) {
        TObjectSPM* s = OpenInMain(*main, Step(12, 9, [](int, int c) { return 3 * c; }, xStep, 2, 1));
        messages.Clear();
        main->HistogramBtn->click();
        if (xStep == 0) {
            EXPECT_EQ(s->AngleWindow, nullptr);
            ASSERT_EQ(messages.Count(), 1u);
            EXPECT_EQ(messages.Recorded()[0].Caption, "Error");
        } else {
            ASSERT_NE(s->AngleWindow, nullptr);
            auto* w = dynamic_cast<TAngleAnalysis*>(s->AngleWindow);
            EXPECT_EQ(w->windowTitle().toStdString(), "Angular analysis - scan.spm(Topography) #1");
            EXPECT_EQ(messages.Count(), 0u);
        }
    }
}

// The window sees Ctrl+C before a count box does: in either box it puts the window's
// picture on the clipboard, as it does from anywhere else in the window.
TEST(AngleAnalysis, CtrlCInEachCountBoxCopiesThePicture)
{
    auto step = Step(12, 9, [](int, int c) { return 3 * c; }, 2, 2, 1);
    TAngleAnalysis* w = OpenAngles(*step);
    QApplication::setActiveWindow(w);
    const QImage picture = w->ImageAngle->Background()->Image().convertToFormat(QImage::Format_RGB888);
    ASSERT_FALSE(picture.isNull());
    for (QLineEdit* box : {w->edCountBars, w->edCountSectors}) {
        QApplication::clipboard()->clear();
        box->setFocus();
        box->selectAll();  // a box would copy its own text
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888), picture)
            << box->objectName().toStdString();
        EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
    }
}
