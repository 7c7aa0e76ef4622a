// Kwt's run: windows of every start kept in the main window's workspace and closed by the
// stop, on a host in memory; and the library itself started from the Functions menu by the
// program's plug-in manager, with a step closed under its windows.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QXYSeries>
#include <filesystem>

#include "KwtFixtures.h"
#include "app/AppFixture.h"
#include "app/Pluginmanager.h"
#include "components/ZtEdit.h"
#include "data/ObjectFile.h"
#include "data/ObjectSPM.h"
#include "platform/charts/Chart.h"
#include "plugins/kwt/KWTAnalysis.h"
#include "plugins/kwt/Kwt.h"

using namespace kwt;
using plugindialogs::TDialogScript;

namespace {

class KwtRun : public ::testing::Test {
protected:
    KwtRun() : workspace(new QMdiArea(&host.Window))
    {
        kwttest::Sweeps(host, 40, {20, 5, 39});
        host.Window.show();
    }
    ~KwtRun() override { StopPlugIn(); }

    std::vector<TFKWTAnalysis*> Windows() const
    {
        std::vector<TFKWTAnalysis*> windows;
        for (QMdiSubWindow* child : workspace->subWindowList())
            windows.push_back(qobject_cast<TFKWTAnalysis*>(child->widget()));
        return windows;
    }

    plugintest::FakePlugInHost host;
    QMdiArea* workspace;
    TDialogScript dialogs;
};

} // namespace

TEST_F(KwtRun, EveryStartOpensOneMoreWindowUntilTheStop)
{
    EXPECT_EQ(StartPlugIn(&host, 7, 0, 3), 0);
    const std::size_t first = host.Calls().size();
    // A second start on another channel; the application object was taken by the first
    // start of the library, never again.
    kwttest::Sweeps(host, 30, {3, 4});
    host.Channels[5] = host.Channels[3];
    kwttest::Sweeps(host, 40, {20, 5, 39});
    EXPECT_EQ(StartPlugIn(&host, 7, 0, 5), 0);
    const auto calls = host.Calls();
    EXPECT_EQ(std::count(calls.begin() + static_cast<std::ptrdiff_t>(first), calls.end(),
                         "GetApplication"),
              0);
    EXPECT_EQ(calls[first], "GetMainWindow");
    ASSERT_EQ(AnalysisWindowCount(), 2);
    const auto windows = Windows();
    ASSERT_EQ(windows.size(), 2u);
    ASSERT_TRUE(windows[0] && windows[1]);
    EXPECT_EQ(windows[0]->Series1->Count(), 3);
    EXPECT_EQ(windows[1]->Series1->Count(), 2);
    EXPECT_TRUE(workspace->subWindowList()[0]->isVisible());

    // Each keeps analysing its own channel.
    windows[1]->EDStartFreq->SetText("1000");
    QTest::keyClick(windows[1]->EDStartFreq, Qt::Key_Return);
    EXPECT_EQ(windows[1]->Series1->Count(), 2);
    EXPECT_DOUBLE_EQ(windows[1]->Series1->Y(0), 1 + 3 * 0.05);
    EXPECT_EQ(windows[0]->StartFrequency(), 0);

    // Closing one leaves the other; the stop deletes the rest.
    workspace->subWindowList()[0]->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(AnalysisWindowCount(), 1);
    EXPECT_EQ(workspace->subWindowList().size(), 1);
    StopPlugIn();
    EXPECT_EQ(AnalysisWindowCount(), 0);
    EXPECT_TRUE(workspace->subWindowList().isEmpty());
    EXPECT_EQ(DeleteData(0, -1), 0);
}

TEST_F(KwtRun, WithoutAWorkspaceTheWindowStandsAboveTheMainWindow)
{
    plugintest::FakePlugInHost plain;
    kwttest::Sweeps(plain, 10, {4});
    EXPECT_EQ(StartPlugIn(&plain, 0, 0, 3), 0);
    ASSERT_EQ(AnalysisWindowCount(), 1);
    auto* window = plain.Window.findChild<TFKWTAnalysis*>();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isWindow());
    window->close();
    QApplication::processEvents();
    EXPECT_EQ(AnalysisWindowCount(), 0);
}

TEST_F(KwtRun, AnExceptionIsShownAndTheAnswerIsStillZero)
{
    host.Channels[3].StepThrows = true;
    EXPECT_EQ(StartPlugIn(&host, 0, 0, 3), 0);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Exception in DLL module"});
    EXPECT_EQ(AnalysisWindowCount(), 0);
    EXPECT_EQ(StartPlugIn(nullptr, 0, 0, 3), 0);
}

// ---------------------------------------------------------------------------------------
// The library itself, run by the program's plug-in manager from the Functions menu.

namespace {

class KwtPlugIn : public appfixture::MainWindowTest {
protected:
    KwtPlugIn()
    {
        InstallPlugIn(MORVANE_KWT_PLUGIN, MORVANE_KWT_INF, "Kwt");
        // Six sweeps of 50 points in channel 0, the phase in channel 4.
        TSurfaceData data("kwt.spm");
        data.Header.FormatVersion = 1;
        data.Header.Width = 50;
        data.Header.Height = 6;
        datafixtures::AddChannel(data, 0, 50, 6,
                                 [](int r, int c) { return c == 10 + r ? 900 : 10; });
        datafixtures::AddChannel(data, 4, 50, 6, [](int r, int c) { return r * 100 + c; });
        ChannelSet channels{0, 4};
        const std::string path = dir.File("kwt.spm");
        EXPECT_EQ(SaveWithFormat(FileFormats[1].get(), path, &data, &channels), fmtOk);
        dialogs.Choose(path, 1);
        main->OpenClick();
    }

    QAction* MenuItem() const { return PlugInMenuItem("Dynamic force spectroscopy"); }
    //! The analysis windows in the main window's workspace.
    std::vector<QMdiSubWindow*> AnalysisWindows() const
    {
        std::vector<QMdiSubWindow*> windows;
        for (QMdiSubWindow* child : main->Mdi()->subWindowList())
            if (child->widget() &&
                child->widget()->windowTitle() == "Dynamic force spectroscopy analysis")
                windows.push_back(child);
        return windows;
    }
    //! The number of points drawn by a series of a window's chart (the library's chart
    //! class is its own: it is reached as Qt's chart view).
    static int Points(QMdiSubWindow* window, const char* chart, int series)
    {
        QApplication::processEvents();
        auto* view = window->widget()->findChild<QChartView*>(chart);
        if (!view || series >= view->chart()->series().size())
            return -1;
        return static_cast<int>(static_cast<QXYSeries*>(view->chart()->series()[series])->count());
    }
};

} // namespace

TEST_F(KwtPlugIn, WindowsOfEveryStartStayUntilTheProgramCloses)
{
    ASSERT_TRUE(MenuItem());
    MenuItem()->trigger();
    MenuItem()->trigger();
    EXPECT_EQ(main->PlugInManager->Running.size(), 2u);
    auto windows = AnalysisWindows();
    ASSERT_EQ(windows.size(), 2u);
    for (QMdiSubWindow* w : windows) {
        EXPECT_EQ(Points(w, "Chart", 0), 6);  // FR
        EXPECT_EQ(Points(w, "Chart1", 1), 6); // Ph
    }
    EXPECT_TRUE(messages.Texts().empty());

    // Closing one leaves the other.
    windows[0]->close();
    QApplication::processEvents();
    EXPECT_EQ(AnalysisWindows().size(), 1u);

    // Closing the step under the window: the plug-in carries on, and its next analysis
    // finds no sweeps.
    TObjectSPM* step = main->CurrentStep();
    ASSERT_TRUE(step);
    main->CloseStep(step);
    QApplication::processEvents();
    ASSERT_EQ(AnalysisWindows().size(), 1u);
    auto* box = AnalysisWindows()[0]->widget()->findChild<QLineEdit*>("EDStartFreq");
    ASSERT_TRUE(box);
    box->setText("5");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(Points(AnalysisWindows()[0], "Chart", 0), 0);

    // The program closes: the plug-in's windows go with it.
    main.reset();
    QApplication::processEvents();
}

// The plug-in's windows open in the program's cascade, each wholly inside the visible
// workspace beside the docked view-layout panel.
TEST_F(KwtPlugIn, WindowsOpenInsideTheVisibleWorkspace)
{
    ASSERT_TRUE(MenuItem());
    main->resize(1200, 900);
    QApplication::processEvents();
    MenuItem()->trigger();
    MenuItem()->trigger();
    QApplication::processEvents();
    const auto windows = AnalysisWindows();
    ASSERT_EQ(windows.size(), 2u);
    const QRect workspace(QPoint(0, 0), main->Mdi()->viewport()->size());
    for (QMdiSubWindow* w : windows) {
        EXPECT_TRUE(workspace.contains(w->geometry()))
            << w->geometry().x() << "," << w->geometry().y() << " " << w->width() << "x" << w->height();
        EXPECT_EQ(w->x(), w->y());
    }
    EXPECT_GT(windows[1]->x(), windows[0]->x());
}
