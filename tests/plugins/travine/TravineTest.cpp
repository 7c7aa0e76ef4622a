// Travine's run: the start's refusals, the modal window and its write-back on a host in
// memory, and the library itself run from the Functions menu by the program's plug-in
// manager on an opened scan.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <filesystem>
#include <stdexcept>

#include "TravineFixtures.h"
#include "app/AppFixture.h"
#include "app/Pluginmanager.h"
#include "data/ObjectFile.h"
#include "data/ObjectSPM.h"
#include "plugins/travine/Main.h"
#include "plugins/travine/Travine.h"

using namespace travine;
using plugindialogs::TDialogScript;

namespace {

class TravineRun : public ::testing::Test {
protected:
    TravineRun() { travinetest::TwoImages(host, 6, 4); }
    std::int32_t Start() { return StartPlugIn(&host, 0, 0, 3); }

    plugintest::FakePlugInHost host;
    TDialogScript dialogs;
};

} // namespace

TEST_F(TravineRun, AnObjectWithoutChannelsZeroAndOneIsRefused)
{
    for (int missing : {0, 1}) {
        plugintest::FakePlugInHost h;
        travinetest::TwoImages(h, 6, 4);
        h.Channels.erase(missing);
        TDialogScript script;
        EXPECT_EQ(StartPlugIn(&h, 0, 0, 0), 1);
        EXPECT_EQ(script.Texts(), std::vector<std::string>{DataAbsent});
        EXPECT_EQ(script.Messages()[0].Caption, "");
        EXPECT_TRUE(script.Windows().empty());
        EXPECT_EQ(h.Calls(), std::vector<std::string>(missing + 1, "IsChannelLoaded"));
    }
    // The text carries the Cyrillic small letter ie (U+0435) in "absеnt".
    EXPECT_EQ(std::string(DataAbsent), "Error! Data is abs\u0435nt");
    EXPECT_EQ(StartPlugIn(nullptr, 0, 0, 0), 1);
}

TEST_F(TravineRun, RunsTheWindowModallyAndWritesBackWhenItCloses)
{
    QWidget* parent = nullptr;
    dialogs.Then([&parent](QDialog& d) {
        auto& f = dynamic_cast<TFMain&>(d);
        parent = f.parentWidget();
        f.TBFS_m->setValue(150);
        f.BBApply->click();
        return int(plugindialogs::mrCancel);
    });
    EXPECT_EQ(Start(), 1);
    EXPECT_EQ(dialogs.Windows(), std::vector<std::string>{"Nonlinearity"});
    EXPECT_EQ(parent, &host.Window);
    ASSERT_EQ(host.NewStepNames, std::vector<std::string>{"Nonlinearity"});
    EXPECT_NE(host.NewSteps[0].at(0).Values, travinetest::Shifted(host.Channels[0]));
    const auto calls = host.Calls();
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 3),
              (std::vector<std::string>{"IsChannelLoaded", "IsChannelLoaded", "GetMainWindow"}));
    EXPECT_EQ(calls.back(), "UpdateChannelAndShow");

    // Closed at once: the channels come back shifted.
    TDialogScript again;
    EXPECT_EQ(Start(), 1);
    ASSERT_EQ(host.NewSteps.size(), 2u);
    EXPECT_EQ(host.NewSteps[1].at(1).Values, travinetest::Shifted(host.Channels[1]));
}

TEST_F(TravineRun, ARefusedImportShowsNoWindowAndWritesNothing)
{
    host.Channels[0].Values[5] = 1 << 20;
    EXPECT_EQ(Start(), 1);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{RangeTooWide});
    EXPECT_TRUE(dialogs.Windows().empty());
    EXPECT_TRUE(host.NewSteps.empty());
}

TEST_F(TravineRun, AnExceptionIsShownAndTheAnswerIsStillOne)
{
    dialogs.Then([](QDialog&) -> int { throw std::runtime_error("window"); });
    EXPECT_EQ(Start(), 1);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Exception in DLL module"});
    EXPECT_TRUE(host.NewSteps.empty());
}

// ---------------------------------------------------------------------------------------
// The library itself, run by the program's plug-in manager from the Functions menu.

namespace {

// Plays the user of the plug-in's real window: Apply, then close; message boxes are
// answered with OK.
class User : public QObject {
public:
    User() { qApp->installEventFilter(this); }
    ~User() override { qApp->removeEventFilter(this); }
    std::vector<std::string> Windows;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* window = qobject_cast<QWidget*>(object);
        if (event->type() != QEvent::Show || !window || !window->isWindow())
            return false;
        if (auto* box = qobject_cast<QMessageBox*>(window)) {
            Windows.push_back(box->text().toStdString());
            QTimer::singleShot(0, box, [box] { box->button(QMessageBox::Ok)->click(); });
        } else if (window->windowTitle() == "Nonlinearity") {
            Windows.push_back("Nonlinearity");
            QTimer::singleShot(0, window, [window] {
                window->findChild<QPushButton*>("BBApply")->click();
                window->close();
            });
        }
        return false;
    }
};

class TravinePlugIn : public appfixture::MainWindowTest {
protected:
    TravinePlugIn()
    {
        InstallPlugIn(MORVANE_TRAVINE_PLUGIN, MORVANE_TRAVINE_INF, "Travine");
    }

    //! Opens a scan of 40 x 30 with the given channels (forward and backward topography
    //! with real minima in row 0, and a phase); its step is current.
    void OpenScan(ChannelSet channels)
    {
        TSurfaceData data("travine.spm");
        data.Header.FormatVersion = 1;
        data.Header.Width = 40;
        data.Header.Height = 30;
        datafixtures::AddChannel(data, 0, 40, 30,
                                 [](int r, int c) { return 20 * r + 3 * c - 700; });
        datafixtures::AddChannel(data, 1, 40, 30,
                                 [](int r, int c) { return 20 * r + 3 * ((c + 5) % 40) - 700; });
        datafixtures::AddChannel(data, 2, 40, 30, [](int r, int c) { return r * c; });
        const std::string path = dir.File("travine.spm");
        EXPECT_EQ(SaveWithFormat(FileFormats[1].get(), path, &data, &channels), fmtOk);
        dialogs.Choose(path, 1);
        main->OpenClick();
    }

    QAction* MenuItem() const { return PlugInMenuItem("Nonlinearity correction"); }

    static std::vector<std::int32_t> Shifted(TSPMData& ch)
    {
        auto v = datafixtures::Values(ch);
        const std::int32_t lo = *std::min_element(v.begin(), v.end());
        for (auto& x : v)
            x -= lo;
        return v;
    }
};

} // namespace

TEST_F(TravinePlugIn, CorrectsFromTheFunctionsMenuIntoANewStep)
{
    OpenScan({0, 1, 2});
    ASSERT_TRUE(MenuItem());
    TObjectFile* file = main->CurrentFile;
    TObjectSPM* source = main->CurrentStep();
    TSurfaceData* sourceData = source->SurfaceData.get();
    const int lockBefore = sourceData->Channel(0)->Block->LockCount();
    User user;
    MenuItem()->trigger();
    EXPECT_EQ(user.Windows, std::vector<std::string>{"Nonlinearity"});
    EXPECT_TRUE(messages.Texts().empty());
    // Finished at once: nothing of it runs on, nothing stays locked.
    EXPECT_TRUE(main->PlugInManager->Running.empty());
    EXPECT_EQ(sourceData->Channel(0)->Block->LockCount(), lockBefore);

    // Exactly one new step, current, with the corrected channels: exponents of 1 give the
    // channels back shifted to a minimum of 0; the other channels are the source's.
    ASSERT_EQ(file->Steps.size(), 2u);
    EXPECT_EQ(file->Steps[1].Text, "2. Nonlinearity");
    TObjectSPM* step = main->CurrentStep();
    ASSERT_EQ(step, file->Steps[1].Step.get());
    TSurfaceData* data = step->SurfaceData.get();
    EXPECT_EQ(datafixtures::Values(*data->Channel(0)), Shifted(*sourceData->Channel(0)));
    EXPECT_EQ(datafixtures::Values(*data->Channel(1)), Shifted(*sourceData->Channel(1)));
    EXPECT_EQ(datafixtures::Values(*data->Channel(2)),
              datafixtures::Values(*sourceData->Channel(2)));
    // Its channels were updated: the range is the new one.
    EXPECT_EQ(data->Channel(0)->Header.Min, 0);
}

TEST_F(TravinePlugIn, AScanWithoutTheBackwardImageIsRefused)
{
    OpenScan({0, 2});
    ASSERT_TRUE(MenuItem());
    User user;
    MenuItem()->trigger();
    EXPECT_EQ(user.Windows, std::vector<std::string>{DataAbsent});
    EXPECT_EQ(main->CurrentFile->Steps.size(), 1u);
    EXPECT_TRUE(main->PlugInManager->Running.empty());
}
