#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <stdexcept>

#include "plugins/FakePlugInHost.h"
#include "app/AppFixture.h"
#include "app/Pluginmanager.h"
#include "data/ObjectSPM.h"
#include "platform/charts/Chart.h"
#include "plugins/quindle/Dialogs.h"
#include "plugins/quindle/DimentionForm.h"
#include "plugins/quindle/Multifractal.h"
#include "plugins/quindle/Quindle.h"
#include "plugins/quindle/QuindleFixtures.h"

using namespace quindle;

namespace {

// The caption the result window must show for a channel, computed here from the numerics.
std::string ExpectedCaption(const std::vector<std::int32_t>& values, int w, int h, float dx, float dy)
{
    TLevels levels;
    EXPECT_EQ(NormaliseLevels(values.data(), w, h, levels), TLevelsStatus::Ok);
    platform::NullProgress progress;
    TDimension result;
    EXPECT_TRUE(ComputeLevelRatios(levels, dx, dy, progress, result));
    return DimensionCaption(result.D);
}

// What the result window showed.
struct Shown {
    std::string Caption;
    int Points = 0;
    int IdealPoints = 0;
    TReport Report;
    QWidget* Parent = nullptr;
};

class QuindleRun : public ::testing::Test {
protected:
    QuindleRun() { Channel(quindletest::Surface(48, 64), 48, 64); }

    plugintest::FakeChannel& Channel(std::vector<std::int32_t> values, int w, int h)
    {
        plugintest::FakeChannel& ch = host.Channels[3];
        ch = plugintest::FakeChannel{};
        ch.Values = std::move(values);
        ch.Width = w;
        ch.Height = h;
        ch.XStep = 1.5;
        ch.YStep = 2.5;
        ch.XYUnit = "nm";
        return ch;
    }

    //! The progress dialog runs for real; `whileShown` acts while it is shown.
    static TDialogScript::TStep ProgressStep(std::function<void(QDialog&)> whileShown = nullptr)
    {
        return [whileShown](QDialog& d) {
            if (whileShown)
                QTimer::singleShot(0, &d, [&d, whileShown] { whileShown(d); });
            return d.exec();
        };
    }
    //! The result window: what it shows is kept, and it is closed.
    TDialogScript::TStep ResultStep()
    {
        return [this](QDialog& d) {
            auto& form = dynamic_cast<TForm1&>(d);
            shown.push_back({form.LDim->text().toStdString(), form.Series1->Count(), form.Series2->Count(),
                             form.Report, form.parentWidget()});
            return int(mrAbort);
        };
    }
    void Progress() { dialogs.Then(ProgressStep()); }
    void Result() { dialogs.Then(ResultStep()); }
    std::int32_t Start() { return StartPlugIn(&host, 0, 0, 3); }

    plugintest::FakePlugInHost host;
    TDialogScript dialogs;
    std::vector<Shown> shown;
};

}  // namespace

TEST_F(QuindleRun, ComputesBehindTheProgressAndShowsTheResult)
{
    Progress();
    Result();
    EXPECT_EQ(Start(), 1);
    EXPECT_TRUE(dialogs.Messages().empty());
    EXPECT_EQ(dialogs.Windows(), (std::vector<std::string>{"Calculating...", "Multifractal dimension"}));
    ASSERT_EQ(shown.size(), 1u);
    const auto& ch = host.Channels[3];
    EXPECT_EQ(shown[0].Caption, ExpectedCaption(ch.Values, 48, 64, 1.5f, 2.5f));
    const auto ref = quindletest::ReferenceDimension(ch.Values, 48, 64, 1.5, 2.5);
    EXPECT_EQ(shown[0].Caption, DimensionCaption(static_cast<float>(ref.D)));
    EXPECT_EQ(shown[0].Points, ref.High - ref.Low + 1);
    EXPECT_EQ(shown[0].IdealPoints, 2);
    EXPECT_EQ(shown[0].Parent, &host.Window);
    const TReport& report = shown[0].Report;
    EXPECT_EQ(report.Height, 64);
    EXPECT_EQ(report.Width, 48);
    EXPECT_EQ(report.XStep, 1.5f);
    EXPECT_EQ(report.YStep, 2.5f);
    EXPECT_EQ(report.XYUnit, "nm");
    // The host is asked in this order; the steps from the worker.
    EXPECT_EQ(host.Calls(), (std::vector<std::string>{"GetXYUnit", "GetMainWindow", "LockData", "GetHeight",
                                                      "GetWidth", "GetXStep", "GetYStep"}));
}

TEST_F(QuindleRun, StartsTwiceWithTheSameResult)
{
    for (int i = 0; i < 2; ++i) {
        Progress();
        Result();
        EXPECT_EQ(Start(), 1);
    }
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].Caption, shown[1].Caption);
    EXPECT_EQ(shown[0].Points, shown[1].Points);
}

TEST_F(QuindleRun, ANullUnitIsEmpty)
{
    host.Channels[3].NullUnits = true;
    Progress();
    Result();
    EXPECT_EQ(Start(), 1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Report.XYUnit, "");
}

TEST_F(QuindleRun, RefusesAChannelWithoutADimension)
{
    const std::string cannot = CannotBeComputed;
    // Nearly flat: one point at each end of the range and every other one in the middle,
    // 200 x 200 points: sigma below one level, r = 0.
    std::vector<std::int32_t> middle(200 * 200, 127);
    middle[0] = 0;
    middle[1] = 255;
    struct Case {
        const char* What;
        std::function<void(plugintest::FakeChannel&)> Set;
        std::string Text;
        std::vector<std::string> Windows;
    } cases[] = {
        {"no matrix", [](auto& ch) { ch.NullMatrix = true; }, "Lock data", {}},
        {"no points", [](auto& ch) { ch.Width = ch.Height = 0; ch.Values.assign(1, 0); },
         cannot + ": the channel holds no values", {}},
        {"flat", [](auto& ch) { std::fill(ch.Values.begin(), ch.Values.end(), -7); },
         cannot + ": the channel is flat", {}},
        {"r = 0", [&](auto& ch) { ch.Values = middle; ch.Width = ch.Height = 200; },
         cannot + ": the heights vary by less than one level", {}},
        {"a single column: no area", [](auto& ch) { ch.Width = 1; ch.Height = 48; ch.Values.resize(48); },
         cannot + ": no level has both an area and a perimeter", {"Calculating..."}},
        {"steps of 0", [](auto& ch) { ch.XStep = 0; },
         cannot + ": no level has both an area and a perimeter", {"Calculating..."}},
    };
    for (const Case& c : cases) {
        Channel(quindletest::Surface(48, 64), 48, 64);
        c.Set(host.Channels[3]);
        TDialogScript script;
        script.Then(&TDialogScript::RunIt);
        EXPECT_EQ(StartPlugIn(&host, 0, 0, 3), 1) << c.What;
        ASSERT_EQ(script.Messages().size(), 1u) << c.What;
        EXPECT_EQ(script.Messages()[0].Text, c.Text) << c.What;
        EXPECT_EQ(script.Messages()[0].Caption, "Error") << c.What;
        EXPECT_EQ(script.Messages()[0].Icon, TMessageIcon::Error) << c.What;
        EXPECT_EQ(script.Windows(), c.Windows) << c.What;
    }
    // A channel the host does not have: no matrix.
    TDialogScript script;
    EXPECT_EQ(StartPlugIn(&host, 0, 0, 25), 1);
    EXPECT_EQ(script.Texts(), std::vector<std::string>{"Lock data"});
    EXPECT_EQ(StartPlugIn(nullptr, 0, 0, 0), 1);
}

TEST_F(QuindleRun, ClosingTheProgressAsksWhetherToAbort)
{
    // Yes: no result window; No: the work goes on to it. The answer is 1 either way.
    for (TMessageAnswer answer : {TMessageAnswer::Yes, TMessageAnswer::No}) {
        TDialogScript script;
        shown.clear();
        host.StepGate.Close();  // the worker waits in GetXStep until the question is answered
        script.Answer(answer);
        script.Then(ProgressStep([this](QDialog& d) {
            d.close();
            host.StepGate.Open();
        }));
        script.Then(ResultStep());
        EXPECT_EQ(Start(), 1);
        EXPECT_EQ(script.Texts(), std::vector<std::string>{"Do you want to abort process"});
        const bool yes = answer == TMessageAnswer::Yes;
        EXPECT_EQ(script.Windows().size(), yes ? 1u : 2u);
        ASSERT_EQ(shown.size(), yes ? 0u : 1u);
        if (!yes) {
            EXPECT_EQ(shown[0].Caption, ExpectedCaption(host.Channels[3].Values, 48, 64, 1.5f, 2.5f));
        }
    }
}

TEST_F(QuindleRun, ExceptionsAreShownAndTheAnswerIsStillOne)
{
    // In the worker: no result window.
    host.Channels[3].StepThrows = true;
    Progress();
    Result();
    EXPECT_EQ(Start(), 1);
    EXPECT_TRUE(shown.empty());
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].Text, "Exception in DLL module");
    EXPECT_EQ(dialogs.Messages()[0].Caption, "");
    EXPECT_EQ(dialogs.Messages()[0].Icon, TMessageIcon::None);

    // In a window of the run.
    host.Channels[3].StepThrows = false;
    Progress();
    dialogs.Then([](QDialog&) -> int { throw std::runtime_error("window"); });
    EXPECT_EQ(Start(), 1);
    EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{"Exception in DLL module", "Exception in DLL module"}));
}

// ---------------------------------------------------------------------------------------
// The library itself, run by the program's plug-in manager from the Functions menu.

namespace {

// Plays the user of the plug-in's real windows: it closes the progress dialog when told
// to, answers the abort question, notes the result window's caption and closes it.
class User : public QObject {
public:
    explicit User(bool abort, QMessageBox::StandardButton answer) : abort_(abort), answer_(answer)
    {
        qApp->installEventFilter(this);
    }
    ~User() override { qApp->removeEventFilter(this); }

    std::vector<std::string> Windows;
    std::vector<std::string> Captions;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* window = qobject_cast<QWidget*>(object);
        if (event->type() != QEvent::Show || !window || !window->isWindow())
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(window)) {
            Windows.push_back(box->text().toStdString());
            QTimer::singleShot(0, box, [box, this] { box->button(answer_)->click(); });
        } else if (window->windowTitle() == "Calculating...") {
            Windows.push_back("Calculating...");
            if (abort_)
                QTimer::singleShot(0, window, [window] { window->close(); });
        } else if (window->windowTitle() == "Multifractal dimension") {
            Windows.push_back("Multifractal dimension");
            QTimer::singleShot(0, window, [window, this] {
                Captions.push_back(window->findChild<QLabel*>("LDim")->text().toStdString());
                window->findChild<QPushButton*>("BitBtn1")->click();
            });
        }
        return false;
    }

private:
    bool abort_;
    QMessageBox::StandardButton answer_;
};

class QuindlePlugIn : public appfixture::MainWindowTest {
protected:
    QuindlePlugIn()
    {
        InstallPlugIn(MORVANE_QUINDLE_PLUGIN, MORVANE_QUINDLE_INF, "Quindle");
        // A scan of 96 x 64 with the test surface in channel 0.
        TSurfaceData data("quindle.spm");
        data.Header.FormatVersion = 1;
        data.Header.Width = 96;
        data.Header.Height = 64;
        const auto values = quindletest::Surface(96, 64);
        datafixtures::AddChannel(data, 0, 96, 64, [&values](int r, int c) { return values[r * 96 + c]; });
        ChannelSet channels{0};
        const std::string path = dir.File("quindle.spm");
        EXPECT_EQ(SaveWithFormat(FileFormats[1].get(), path, &data, &channels), fmtOk);
        dialogs.Choose(path, 1);
        main->OpenClick();
    }

    QAction* MenuItem() const { return PlugInMenuItem("Multifractal dimension"); }

    //! The caption the result window must show for the opened channel.
    std::string Expected() const
    {
        TSPMData* ch = main->CurrentStep()->SurfaceData->Channel(0);
        const auto values = datafixtures::Values(*ch);
        return ExpectedCaption(values, 96, 64, ch->Header.XStep, ch->Header.YStep);
    }

    //! Lock count of channel 0 and the data set's count.
    std::pair<int, int> Counts() const
    {
        const TSurfaceData* data = main->CurrentStep()->SurfaceData.get();
        return {data->Channel(0)->Block->LockCount(), data->LockCount};
    }
};

}  // namespace

TEST_F(QuindlePlugIn, RunsFromTheFunctionsMenuToItsResult)
{
    ASSERT_TRUE(main->CurrentStep());
    ASSERT_TRUE(MenuItem());
    EXPECT_TRUE(main->PlugInsMenu->menuAction()->isVisible());
    const auto before = Counts();
    User user(false, QMessageBox::No);
    MenuItem()->trigger();
    EXPECT_EQ(user.Windows, (std::vector<std::string>{"Calculating...", "Multifractal dimension"}));
    ASSERT_EQ(user.Captions.size(), 1u);
    EXPECT_EQ(user.Captions[0], Expected());
    // Finished at once: nothing of it runs on, nothing stays locked.
    EXPECT_TRUE(main->PlugInManager->Running.empty());
    EXPECT_EQ(Counts(), before);
    EXPECT_TRUE(messages.Texts().empty());

    // Started again from a fresh start: the same result.
    MenuItem()->trigger();
    ASSERT_EQ(user.Captions.size(), 2u);
    EXPECT_EQ(user.Captions[1], user.Captions[0]);
    EXPECT_EQ(Counts(), before);
}

TEST_F(QuindlePlugIn, AbortedWithYesOrContinuedWithNo)
{
    const auto before = Counts();
    {
        User user(true, QMessageBox::Yes);
        MenuItem()->trigger();
        EXPECT_EQ(user.Windows, (std::vector<std::string>{"Calculating...", "Do you want to abort process"}));
        EXPECT_TRUE(user.Captions.empty());
    }
    {
        User user(true, QMessageBox::No);
        MenuItem()->trigger();
        EXPECT_EQ(user.Windows, (std::vector<std::string>{"Calculating...", "Do you want to abort process",
                                                          "Multifractal dimension"}));
        ASSERT_EQ(user.Captions.size(), 1u);
        EXPECT_EQ(user.Captions[0], Expected());
    }
    EXPECT_TRUE(main->PlugInManager->Running.empty());
    EXPECT_EQ(Counts(), before);
}
