#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <filesystem>

#include "app/PlugInFixture.h"
#include "data/Fileformat.h"
#include "platform/core/IniFile.h"
#include "platform/core/Modules.h"
#include "support/TestSupport.h"

using namespace plugintest;
namespace fs = std::filesystem;

// The test plug-in reports here (tests/plugins/TestPlugInHook.h); the executable exports it.
extern "C" __attribute__((used, visibility("default"))) std::int32_t
MorvaneTestPlugInEvent(IPlugIn* host, const char* event, std::int32_t object, std::int32_t channel)
{
    const std::string text = event ? event : "";
    if (text.rfind("start", 0) == 0)
        Log().Host = host;
    Log().Events.push_back({text, object, channel});
    return Log().Answer ? Log().Answer(host, text, object, channel) : 0;
}

namespace {

std::vector<std::string> MenuLayout(const QMenu* menu)
{
    std::vector<std::string> lines;
    for (const QAction* a : menu->actions()) {
        if (a->menu()) {
            lines.push_back("[" + a->text().toStdString() + "|" + a->statusTip().toStdString() + "]");
            for (const std::string& inner : MenuLayout(a->menu()))
                lines.push_back("  " + inner);
        } else {
            lines.push_back(a->text().toStdString() + "|" + a->statusTip().toStdString() + "|" +
                            std::to_string(a->data().toInt()));
        }
    }
    return lines;
}

}  // namespace

TEST_F(PlugInTest, BuildsTheFunctionsMenuFromTheDescriptionFilesInSortedOrder)
{
    Install("b.inf", "[PlugIn]\nType=1\nFile=Test.dll\nAmountFuncs=2\nSubMenu=yes\nName=Tools\n"
                     "Description=All tools\n[Function1]\nName=Rough\nHint=Roughness\nCode=7\n"
                     "[Function2]\nName=Fine\nCode=8\n");
    Install("A.INF", "[plugin]\ntype=1\nfile=\"Test.dll\"\namountfuncs=1\nSubMenu=Yes\nName=Ignored\n"
                     "[function1]\nname=  First  \nhint=H\ncode=$10\n");
    Install("c.inf", "[PlugIn]\nType=7\nFile=Test.dll\nAmountFuncs=1\n[Function1]\nName=Never\n");
    Install("d.inf", FunctionsInf("Missing.dll", {1}));
    Install("e.inf", "[PlugIn]\nType=1\nFile=Test.dll\nAmountFuncs=3\n[Function1]\nName=One\nCode=1\n");
    Install("notes.txt", FunctionsInf("Test.dll", {1}));
    fs::create_directory(PlugInsDir() + "folder.inf");
    Restart();

    EXPECT_TRUE(main->PlugInsMenu->menuAction()->isVisible());
    EXPECT_EQ(MenuLayout(main->PlugInsMenu), (std::vector<std::string>{
                                                 "First|H|0",
                                                 "[Tools|All tools]",
                                                 "  Rough|Roughness|1",
                                                 "  Fine||2",
                                                 "One||3",
                                                 "||4",
                                                 "||5",
                                             }));
    ASSERT_EQ(Manager().Functions.size(), 6u);
    const TPlugInInfo& first = *Manager().Functions[0];
    EXPECT_EQ(first.InfFile, "A.INF");
    EXPECT_EQ(first.LibraryPath, PlugInsDir() + "Test.so");  // ".dll" stands for ".so"
    EXPECT_EQ(first.Code, 16);
    std::vector<int> codes;
    for (const auto& f : Manager().Functions)
        codes.push_back(f->Code);
    EXPECT_EQ(codes, (std::vector<int>{16, 7, 8, 1, 0, 0}));
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(FileFormatCount, 3);
}

TEST_F(PlugInTest, OneUnusableDescriptionFileShowsTheMenuEmpty)
{
    Install("seven.inf", "[PlugIn]\nType=7\nFile=Test.dll\n");
    Restart();
    EXPECT_TRUE(main->PlugInsMenu->menuAction()->isVisible());
    EXPECT_TRUE(main->PlugInsMenu->actions().isEmpty());
    EXPECT_TRUE(messages.Texts().empty());
}

// Description files that cannot be read (a link that leads nowhere, a link to a FIFO, which
// must not block the scan, a file too large) are skipped without a box, as unusable ones are.
TEST_F(PlugInTest, UnreadableDescriptionFilesAreSkippedSilentlyAndTheOthersStillWork)
{
    Install("good.inf", FunctionsInf("Test.dll", {tpFinish}));
    fs::create_symlink(PlugInsDir() + "nowhere", PlugInsDir() + "broken.inf");
    ASSERT_EQ(::mkfifo((PlugInsDir() + "pipe").c_str(), 0600), 0);
    fs::create_symlink(PlugInsDir() + "pipe", PlugInsDir() + "pipe.inf");
    Install("huge.inf", "[PlugIn]\nType=1\nFile=Test.dll\nAmountFuncs=1\n" +
                            std::string(std::size_t(platform::TIniFile::MaxFileBytes), ';'));
    EXPECT_TRUE(testsupport::EndsWithoutWaitingOn({PlugInsDir() + "pipe"}, [&] { Restart(); }));
    EXPECT_TRUE(messages.Recorded().empty());
    EXPECT_EQ(Manager().Functions.size(), 1u);
    OpenScan();
    Click(0);
    EXPECT_EQ(Texts(), std::vector<std::string>{"start 1 0 0"});
}

TEST_F(PlugInTest, CapsTheNumberOfMenuFunctions)
{
    Install("many.inf", "[PlugIn]\nType=1\nFile=Test.dll\nAmountFuncs=2000000000\n");
    Restart();
    EXPECT_EQ(Manager().Functions.size(), std::size_t(TPlugInManager::MaxFunctions));
    EXPECT_EQ(main->PlugInsMenu->actions().size(), TPlugInManager::MaxFunctions);
}

TEST_F(PlugInTest, TypeZeroFilesAddFormatsToBothDialogsUntilTheTableIsFull)
{
    for (int i = 0; i < 8; ++i)
        Install("f" + std::to_string(i) + ".inf",
                "[PlugIn]\nType=0\nFile=Test.dll\nDescription=Format " + std::to_string(i) +
                    "\nExt=*.f" + std::to_string(i) + "\nSomeMatrix=" + std::to_string(i % 2) + "\n");
    Restart();
    ASSERT_EQ(FileFormatCount, MaxFileFormats);
    EXPECT_EQ(FileFormats[3]->Kind, 1);
    EXPECT_EQ(FileFormats[3]->LibraryPath, PlugInsDir() + "Test.so");
    EXPECT_EQ(FileFormats[3]->FilterText, "Format 0");
    EXPECT_EQ(FileFormats[9]->Extension, "*.f6");
    EXPECT_EQ(FileFormats[4]->MultiMatrix, 1);
    EXPECT_FALSE(FileFormats[9]->GetInfoProc);  // no library is loaded for a format
    const auto filters = platform::SplitFilter(main->OpenDialog.Filter);
    ASSERT_EQ(filters.size(), 11u);
    EXPECT_EQ(filters[4], (std::pair<std::string, std::string>{"Format 0", "*.f0"}));
    EXPECT_EQ(filters[10], (std::pair<std::string, std::string>{"Format 6", "*.f6"}));
    EXPECT_TRUE(main->PlugInsMenu->actions().isEmpty());

    OpenScan();
    dialogs.Cancel();
    main->SaveClick();
    const auto save = platform::SplitFilter(dialogs.Requests().back().Filter);
    ASSERT_GE(save.size(), 9u);
    EXPECT_EQ(save[2], (std::pair<std::string, std::string>{"Format 0", "*.f0"}));
    EXPECT_EQ(save[8], (std::pair<std::string, std::string>{"Format 6", "*.f6"}));
}

TEST_F(PlugInTest, OnlyANameEndingExactlyInDotSoIsStarted)
{
    Install("lib.inf", FunctionsInf("Tool.dll", {tpFinish}), "Tool.so");
    Install("pkg.inf", FunctionsInf("Tool.DLL", {tpFinish}), "Tool.DLL");
    Restart();
    TObjectSPM* step = OpenScan();
    const auto before = Counts(step);
    Click(0);  // lib.inf: Tool.so
    EXPECT_EQ(Texts(), std::vector<std::string>{"start 1 0 0"});
    Click(1);  // pkg.inf: loaded as a package, bound, never started
    EXPECT_EQ(Texts(), std::vector<std::string>{"start 1 0 0"});
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_FALSE(platform::ModuleLoaded(PlugInsDir() + "Tool.DLL"));
    EXPECT_EQ(Counts(step), before);
}

TEST_F(PlugInTest, AFinishedPlugInIsUnloadedBeforeTheClickReturns)
{
    StartWith({tpFinish});
    TObjectSPM* step = OpenScan();
    const auto before = Counts(step);
    Click(0);
    EXPECT_EQ(Texts(), std::vector<std::string>{"start 1 0 0"});  // and no stop
    EXPECT_FALSE(platform::ModuleLoaded(PlugInsDir() + "Test.so"));
    EXPECT_TRUE(Manager().Running.empty());
    EXPECT_EQ(Counts(step), before);
}

TEST_F(PlugInTest, LoadFailuresAreToldAndLeaveNothingLoaded)
{
    Install("nodelete.inf", FunctionsInf("NoDelete.dll", {tpKeepRunning}), "NoDelete.so",
            MORVANE_TEST_PLUGIN_NO_DELETE);
    Install("vanished.inf", FunctionsInf("Vanished.dll", {tpKeepRunning}), "Vanished.so");
    Install("zgood.inf", FunctionsInf("Test.dll", {tpFinish}));
    Restart();
    fs::remove(PlugInsDir() + "Vanished.so");
    TObjectSPM* step = OpenScan();
    const auto before = Counts(step);
    Click(0);
    Click(1);
    const auto boxes = messages.Recorded();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].Text, "Couldn't find one or more function in plugin");
    EXPECT_EQ(boxes[1].Text, "Couldn't find the Plugin!");
    for (const auto& box : boxes) {
        EXPECT_EQ(box.Caption, "Morvane");
        EXPECT_EQ(box.Icon, platform::MessageIcon::None);
        EXPECT_EQ(box.Buttons, platform::MessageButtons::Ok);
    }
    EXPECT_TRUE(Texts().empty());
    EXPECT_FALSE(platform::ModuleLoaded(PlugInsDir() + "NoDelete.so"));
    EXPECT_TRUE(Manager().Running.empty());
    EXPECT_EQ(Counts(step), before);
    Click(2);  // the others still work
    EXPECT_EQ(Texts(), std::vector<std::string>{"start 1 0 0"});
}

TEST_F(PlugInTest, ARunningPlugInIsStoppedBeforeAnyFileWhenTheProgramCloses)
{
    StartWith({tpKeepRunning});
    TObjectSPM* step = OpenScan();
    const auto before = Counts(step);
    Click(0);
    ASSERT_EQ(Manager().Running.size(), 1u);
    EXPECT_TRUE(platform::ModuleLoaded(PlugInsDir() + "Test.so"));
    auto held = before;
    ++held.back();
    EXPECT_EQ(Counts(step), held);  // the plug-in holds the step's data set

    std::size_t filesAtStop = 0;
    Log().Answer = [&](IPlugIn*, const std::string& event, std::int32_t, std::int32_t) {
        if (event == "stop")
            filesAtStop = main->Files().size();
        return 0;
    };
    main->close();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"start 2 0 0", "stop 0 0"}));
    EXPECT_EQ(filesAtStop, 1u);
    EXPECT_EQ(Counts(step), before);
    EXPECT_FALSE(platform::ModuleLoaded(PlugInsDir() + "Test.so"));
    main->SendWindowMessage(WM_USER);  // no manager any more: ignored
}

TEST_F(PlugInTest, TwoStopRequestsRemoveThePlugInOnce)
{
    StartWith({tpStopTwice});
    TObjectSPM* step = OpenScan();
    const auto before = Counts(step);
    Click(0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"start 4 0 0", "requested 1 1"}));
    ASSERT_EQ(Manager().Running.size(), 1u);  // removed later, from the message loop
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"start 4 0 0", "requested 1 1", "stop 0 0"}));
    EXPECT_TRUE(Manager().Running.empty());
    EXPECT_TRUE(Manager().Pending.empty());
    EXPECT_EQ(Counts(step), before);
}

TEST_F(PlugInTest, StopRequestsOfTwoPlugInsAreBothCarriedOut)
{
    Install("a.inf", FunctionsInf("A.dll", {tpAskHost}), "A.so");
    Install("b.inf", FunctionsInf("B.dll", {tpAskHost}), "B.so");
    Restart();
    std::vector<IPlugIn*> hosts;
    Log().Answer = [&](IPlugIn* host, const std::string& event, std::int32_t, std::int32_t) {
        if (event.rfind("start", 0) == 0)
            hosts.push_back(host);
        return 0;
    };
    TObjectSPM* step = OpenScan();
    const auto before = Counts(step);
    Click(0);
    Click(1);
    ASSERT_EQ(hosts.size(), 2u);
    EXPECT_EQ(hosts[0]->RequestStop(), 1);
    EXPECT_EQ(hosts[1]->RequestStop(), 1);  // does not displace the first request
    QApplication::processEvents();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"start 6 0 0", "start 6 0 0", "stop 0 0", "stop 0 0"}));
    EXPECT_TRUE(Manager().Running.empty());
    EXPECT_EQ(Counts(step), before);
}

TEST_F(PlugInTest, ClosingAStepThatAPlugInUsesAsksItFirst)
{
    struct Case {
        int code;
        std::vector<std::string> events;
        std::size_t running;
    };
    const Case cases[] = {
        {tpKeepRunning, {"start 2 0 0", "delete 0 -1"}, 1},
        {tpRemoveOnDelete, {"start 3 0 0", "delete 0 -1", "stop 0 0"}, 0},
    };
    for (const Case& c : cases) {
        StartWith({c.code});  // stops the plug-in of the case before
        Log() = Reports{};
        TObjectSPM* step = OpenScan();
        Click(0);
        bool viewOpenWhenAsked = false;
        Log().Answer = [&](IPlugIn*, const std::string& event, std::int32_t, std::int32_t) {
            if (event == "delete")
                viewOpenWhenAsked = step->Views[0] != nullptr;
            return 0;
        };
        main->sbCloseFileClick();
        EXPECT_EQ(Texts(), c.events) << c.code;
        EXPECT_TRUE(viewOpenWhenAsked) << c.code;
        ASSERT_EQ(Manager().Running.size(), c.running) << c.code;
        if (c.running) {
            // It carries on without that object: every call with it fails.
            IPlugIn* host = Log().Host;
            EXPECT_EQ(host->GetWidth(0, 0), 0);
            EXPECT_EQ(host->LockData(0, 0), nullptr);
            EXPECT_EQ(host->NewStep(0, "x"), -1);
        }
    }
}
