#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <cmath>
#include <functional>

#include "app/AppFixture.h"
#include "data/ObjectFile.h"
#include "data/Surfacedata.h"
#include "tools/InfoSPM.h"
#include "tools/ToolsFixture.h"

using namespace toolsfixture;

namespace {

TInfoSPMForm* OpenInfo(TObjectSPM& step)
{
    auto* window = new TInfoSPMForm(&step);
    step.InfoWindow = window;
    return window;
}

std::string Text(const QLabel* label)
{
    return label->text().toStdString();
}

}  // namespace

// A flat 3 × 2 channel with steps 2 and 3: every label, and the report, appended twice,
// byte for byte.
TEST(InfoSPM, FillsEveryLabelAndAppendsTheReport)
{
    auto step = Step(3, 2, [](int, int) { return 10; }, 2, 3, 0.5f, "scan note");
    TInfoSPMForm* window = OpenInfo(*step);
    EXPECT_EQ(Text(window->lbFileName), "/data/scan.spm");
    EXPECT_EQ(Text(window->lbNote), "scan note");
    EXPECT_EQ(Text(window->lbSurfaceAreaX), "4.00 nm");
    EXPECT_EQ(Text(window->lbMinHeight), "5.00 nm");
    EXPECT_EQ(Text(window->lbAverageValue), "5.000 nm");
    EXPECT_EQ(Text(window->lbMatrixMemory), "0.012 Kb");
    EXPECT_EQ(Text(window->lbMatrixStepY), "3.00 nm");
    EXPECT_EQ(Text(window->lbNominalSquare), "12.000 sq.nm");
    EXPECT_EQ(Text(window->lbFullSquare), "12.000 sq.nm");
    EXPECT_EQ(Text(window->lbRatio), "1.000000");
    EXPECT_TRUE(window->lbMatrixSize->isHidden());
    EXPECT_DOUBLE_EQ(window->FullSquare(), 12.0);

    testsupport::ScratchDir dir;
    const std::string path = dir.File("info.txt");
    WriteInfoReport(window, path);
    WriteInfoReport(window, path);
    EXPECT_EQ(Read(path), Golden("info_report.txt") + Golden("info_report.txt"));
    WriteInfoReport(window, dir.File("no/such/folder.txt"));  // nothing, no message
}

// The notes' fixtures: 256² memory; a row ramp's full area; a 1-wide channel has no area
// and its ratio is 0, never a division by zero.
TEST(InfoSPM, MemoryFullAreaAndTheRatioOfAChannelWithoutCells)
{
    auto big = Step(256, 256, [](int r, int c) { return r ^ c; });
    TInfoSPMForm* a = OpenInfo(*big);
    EXPECT_EQ(Text(a->lbMatrixMemory), "131.072 Kb");
    EXPECT_EQ(Text(a->lbMatrixSize), "256 x 256 points");

    auto ramp = Step(7, 5, [](int r, int) { return 4 * r; }, 1.5f, 2.0f, 0.5f);
    TInfoSPMForm* b = OpenInfo(*ramp);
    EXPECT_NEAR(b->FullSquare(), 6 * 1.5 * 4 * std::sqrt(8.0), 1e-9);

    auto thin = Step(1, 9, [](int r, int) { return r * r; });
    TInfoSPMForm* c = OpenInfo(*thin);
    EXPECT_EQ(Text(c->lbFullSquare), "0.000 sq.nm");
    EXPECT_EQ(Text(c->lbNominalSquare), "0.000 sq.nm");
    EXPECT_EQ(Text(c->lbRatio), "0.000000");
}

// The window holds the data set while it lives and clears its slot when it closes, by Esc
// or by its OK button.
TEST(InfoSPM, HoldsTheDataSetAndClearsItsSlotOnClose)
{
    const std::function<void(TInfoSPMForm*)> closers[] = {
        [](TInfoSPMForm* w) { w->FormKeyDown(Qt::Key_Escape, Qt::NoModifier); },
        [](TInfoSPMForm* w) { w->ButtonOK->click(); },
    };
    for (const auto& close : closers) {
        auto step = Step(4, 4, [](int r, int c) { return r + c; });
        const int before = step->SurfaceData->LockCount;
        TInfoSPMForm* window = OpenInfo(*step);
        EXPECT_EQ(step->SurfaceData->LockCount, before + 1);
        EXPECT_NE(window->findChild<QLabel*>("lbStandartDev"), nullptr);
        close(window);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(step->InfoWindow, nullptr);
        EXPECT_EQ(step->SurfaceData->LockCount, before);
    }
}

using InfoSPMMainTest = appfixture::MainWindowTest;

// The tool button opens the window for the current step, a second click focuses it, and
// Save with the text entry appends its report.
TEST_F(InfoSPMMainTest, TheInfoCommandOpensTheWindowAndSaveAppendsItsReport)
{
    TObjectSPM* s = OpenInMain(*main, Step(3, 2, [](int, int) { return 10; }, 2, 3, 0.5f, "scan note"));

    main->StatisticBtn->click();
    auto* window = dynamic_cast<TInfoSPMForm*>(s->InfoWindow);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle().toStdString(), "Surface Info - scan.spm #1");
    main->StatisticBtn->click();
    EXPECT_EQ(s->InfoWindow, window);

    window->Focus();
    QApplication::processEvents();
    const std::string path = dir.File("report.txt");
    dialogs.Choose(path, 4);  // SPM, SPM 2001, then the text entry
    main->SaveClick();
    EXPECT_EQ(Read(path), Golden("info_report.txt"));
}

// A step the program made: its channels have no source file, and the report names the file
// of its data set.
TEST_F(InfoSPMMainTest, TheReportOfADerivedStepNamesItsDataSetsFile)
{
    TObjectSPM* derived = OpenDerivedStep(
        *main, dialogs,
        WriteScan(dir.File("k.spm"), 4, 3, {{0, [](int r, int c) { return r * c; }}}));
    ASSERT_TRUE(derived);
    EXPECT_TRUE(derived->SurfaceData->Channel(0)->SourceFile.empty());
    main->StatisticBtn->click();
    ASSERT_NE(derived->InfoWindow, nullptr);
    dialogs.Choose(dir.File("i.txt"), 3);
    main->Save->trigger();
    const std::string text = Read(dir.File("i.txt"));
    EXPECT_EQ(text.rfind("\n Information  -  k.spm\n", 0), 0u) << text;
}
