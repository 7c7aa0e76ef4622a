// Kwt's analysis window on a host in memory: what it reads, what its charts show, the start
// frequency, the sweeps read again at every analysis, the table and the pictures.

#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "KwtFixtures.h"
#include "components/ZtEdit.h"
#include "platform/charts/Chart.h"
#include "plugins/kwt/KWTAnalysis.h"
#include "support/TestSupport.h"

using namespace kwt;
using plugindialogs::TDialogScript;

namespace {

class KwtWindow : public ::testing::Test {
protected:
    KwtWindow() { kwttest::Sweeps(host, 40, {20, 5, 39, 0}); }

    static std::vector<double> Xs(const charts::TChartSeries& s)
    {
        std::vector<double> v;
        for (int i = 0; i < s.Count(); ++i)
            v.push_back(s.X(i));
        return v;
    }
    static std::vector<double> Ys(const charts::TChartSeries& s)
    {
        std::vector<double> v;
        for (int i = 0; i < s.Count(); ++i)
            v.push_back(s.Y(i));
        return v;
    }
    static void Enter(TFKWTAnalysis& w, const char* text)
    {
        w.EDStartFreq->SetText(text);
        QTest::keyClick(w.EDStartFreq, Qt::Key_Return);
    }

    plugintest::FakePlugInHost host;
    TDialogScript dialogs;
    testsupport::ScratchDir dir;
};

} // namespace

TEST_F(KwtWindow, AnalysesEverySweepOfItsChannel)
{
    TFKWTAnalysis w(&host, 3);
    EXPECT_EQ(host.Calls(),
              (std::vector<std::string>{"GetHeight", "GetXStep", "GetYStep", "GetZScale",
                                        "IsChannelLoaded", "GetZScale", "GetWidth", "LockData",
                                        "LockData", "GetHeight", "GetWidth", "GetHeight"}));
    EXPECT_EQ(w.windowTitle(), "Dynamic force spectroscopy analysis");
    EXPECT_EQ(w.size(), QSize(544, 427));
    EXPECT_EQ(w.minimumSize(), QSize(400, 230));
    EXPECT_TRUE(w.PhaseLoaded());
    EXPECT_EQ(w.EDStartFreq->text(), "0");
    EXPECT_EQ(w.EDStartFreq->TypeValue(), tvDecimal);
    // The charts as the user sees them.
    EXPECT_EQ(w.Chart->BottomAxis().Title(), "Distance, nm");
    EXPECT_EQ(w.Chart->LeftAxis().Title(), "Frequency resonance (FR), kHz");
    EXPECT_EQ(w.Chart->RightAxis().Title(), "Quality (Q)");
    EXPECT_FALSE(w.Chart->RightAxis().GridVisible());
    EXPECT_EQ(w.Chart1->LeftAxis().Title(), "Amplitude (A)");
    EXPECT_EQ(w.Chart1->RightAxis().Title(), QString::fromUtf8("Phase (Ph), \u00B0"));
    EXPECT_EQ(w.Series1->Title(), "FR");
    EXPECT_EQ(w.Series2->Title(), "Q");
    EXPECT_EQ(w.LineSeries1->Title(), "A");
    EXPECT_EQ(w.LineSeries2->Title(), "Ph");
    EXPECT_EQ(w.Series1->Color(), QColor(Qt::red));
    EXPECT_EQ(w.Series2->Color(), QColor(Qt::green));
    EXPECT_EQ(w.Series2->VerticalAxis(), charts::TAxisKind::Right);
    EXPECT_EQ(w.LineSeries2->VerticalAxis(), charts::TAxisKind::Right);

    // Peaks at 20, 5, 39 and 0, 50 Hz apart from 0 Hz; each has one neighbour of 800 on
    // either side inside the sweep, above the 70 % level: 100 Hz wide (50 at the ends).
    const std::vector<double> distance = {0, 2.5, 5, 7.5};
    EXPECT_EQ(Xs(*w.Series1), distance);
    EXPECT_EQ(Xs(*w.LineSeries2), distance);
    const int peaks[4] = {20, 5, 39, 0};
    ASSERT_EQ(w.Series1->Count(), 4);
    for (int s = 0; s < 4; ++s)
        EXPECT_DOUBLE_EQ(w.Series1->Y(s), peaks[s] * 0.05) << s;
    EXPECT_EQ(Ys(*w.Series2), (std::vector<double>{1000.0 / 100, 250.0 / 100, 1950.0 / 50, 0}));
    EXPECT_EQ(Ys(*w.LineSeries1), (std::vector<double>{500, 500.5, 501, 501.5}));
    const std::vector<double> ph = {static_cast<float>(-300 * 0.1), static_cast<float>(-299 * 0.1),
                                    static_cast<float>(-298 * 0.1), static_cast<float>(-297 * 0.1)};
    EXPECT_EQ(Ys(*w.LineSeries2), ph);
}

TEST_F(KwtWindow, APhaseOnlyFromAChannelFourOfTheSameSize)
{
    struct Case {
        const char* What;
        std::function<void(plugintest::FakePlugInHost&)> Set;
        bool Loaded;
    } cases[] = {
        {"no channel 4", [](auto& h) { h.Channels.erase(4); }, false},
        {"narrower", [](auto& h) { h.Channels[4].Width = 39; }, true},
        {"fewer rows", [](auto& h) { h.Channels[4].Height = 3; }, true},
        {"no matrix", [](auto& h) { h.Channels[4].NullMatrix = true; }, true},
    };
    for (const Case& k : cases) {
        plugintest::FakePlugInHost h;
        kwttest::Sweeps(h, 40, {20, 5, 39, 0});
        k.Set(h);
        TFKWTAnalysis w(&h, 3);
        EXPECT_EQ(w.PhaseLoaded(), k.Loaded) << k.What;
        EXPECT_EQ(w.LineSeries2->Count(), 0) << k.What;
        EXPECT_EQ(w.Series1->Count(), 4) << k.What;
        EXPECT_EQ(w.Series2->Count(), 4) << k.What;
        EXPECT_EQ(w.LineSeries1->Count(), 4) << k.What;
        for (const TResonance& r : w.Results())
            EXPECT_EQ(r.Ph, 0.0f) << k.What;
    }
}

TEST_F(KwtWindow, StartFrequency)
{
    TFKWTAnalysis w(&host, 3);
    // 10000 Hz, 50 Hz per point, the peak at 20: 11 kHz.
    Enter(w, "10000");
    EXPECT_EQ(w.StartFrequency(), 10000);
    EXPECT_DOUBLE_EQ(w.Series1->Y(0), 11.0);
    EXPECT_FLOAT_EQ(static_cast<float>(w.Series2->Y(0)), (1000.0f + 10000) / 100);
    // Enter again in an unchanged box, and leaving it: the analysis runs every time.
    const auto calls = host.Calls().size();
    QTest::keyClick(w.EDStartFreq, Qt::Key_Return);
    EXPECT_GT(host.Calls().size(), calls);

    // A text that is no integer: the message, and the old value comes back.
    Enter(w, "");
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"'' is not a valid integer value"});
    EXPECT_EQ(w.StartFrequency(), 10000);
    EXPECT_EQ(w.EDStartFreq->text(), "10000");
    Enter(w, "99999999999");
    EXPECT_EQ(dialogs.Texts().back(), "'99999999999' is not a valid integer value");
    EXPECT_EQ(w.StartFrequency(), 10000);
}

TEST_F(KwtWindow, TheSweepsAreReadAgainAtEveryAnalysis)
{
    TFKWTAnalysis w(&host, 3);
    ASSERT_EQ(w.Series1->Count(), 4);
    // Two rows now (a data link changed the channel).
    kwttest::Sweeps(host, 30, {10, 11});
    Enter(w, "0");
    EXPECT_EQ(w.Series1->Count(), 2);
    EXPECT_EQ(w.LineSeries2->Count(), 2);
    EXPECT_DOUBLE_EQ(w.Series1->Y(1), 11 * 0.05);
    // The step is gone: the host answers no matrix and no width; the charts stay empty.
    host.Channels.clear();
    Enter(w, "0");
    EXPECT_EQ(w.Series1->Count(), 0);
    EXPECT_EQ(w.LineSeries1->Count(), 0);
    EXPECT_TRUE(w.Results().empty());
}

TEST_F(KwtWindow, SavesTheTableInPlaceOfTheFile)
{
    TFKWTAnalysis w(&host, 3);
    Enter(w, "10000");
    const std::string path = dir.File("table.txt");
    testsupport::WriteBytes(path, std::vector<std::uint8_t>(5000, 'x'));
    dialogs.ChooseFile(path);
    w.BBSaveToText->click();
    ASSERT_EQ(dialogs.SaveRequests().size(), 1u);
    EXPECT_EQ(dialogs.SaveRequests()[0].DefaultExt, "txt");
    EXPECT_EQ(dialogs.SaveRequests()[0].Filter, "Text file (*.txt)|*.txt");
    EXPECT_TRUE(dialogs.SaveRequests()[0].OverwritePrompt);
    const std::string table = ResultsTable(w.Results(), w.Settings());
    const auto bytes = testsupport::ReadBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), table);
    // The first sweep: 0 nm, 11000 Hz.
    EXPECT_NE(table.find("\n" + std::string(12, ' ') + "0" + std::string(7, ' ') + "11000"),
              std::string::npos);

    // A file that cannot be written: the message, nothing written.
    dialogs.ChooseFile(dir.File("none/table.txt"));
    w.BBSaveToText->click();
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Error write file"});
    EXPECT_EQ(dir.List(), std::vector<std::string>{"table.txt"});
}

TEST_F(KwtWindow, SavesEachChartThroughItsOwnDialog)
{
    TFKWTAnalysis w(&host, 3);
    w.show();
    // The first is cancelled: the second is asked all the same.
    dialogs.CancelFile();
    dialogs.ChooseFile(dir.File("second.bmp"));
    w.BBSaveToBitmap->click();
    ASSERT_EQ(dialogs.SaveRequests().size(), 2u);
    EXPECT_EQ(dialogs.SaveRequests()[0].Title, "Save 1th diagram...");
    EXPECT_EQ(dialogs.SaveRequests()[1].Title, "Save 2th diagram...");
    EXPECT_EQ(dialogs.SaveRequests()[1].DefaultExt, "bmp");
    EXPECT_EQ(dialogs.SaveRequests()[1].Filter, "Windows bitmap file (*.bmp)|*.bmp");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"second.bmp"});
    const QImage picture(QString::fromStdString(dir.File("second.bmp")));
    EXPECT_EQ(picture.size(), w.Chart1->size());

    dialogs.ChooseFile(dir.File("first.bmp"));
    dialogs.ChooseFile(dir.File("none/second.bmp"));
    w.BBSaveToBitmap->click();
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"first.bmp", "second.bmp"}));
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Error write file"});
}
