#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "data/DataFixtures.h"
#include "data/FakeHost.h"
#include "data/Fileformat.h"
#include "data/ObjectSPM.h"
#include "data/Options.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "support/TestSupport.h"

using namespace datafixtures;
using fakes::FakeHost;
using fakes::FakeWindow;

namespace {

class Step : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterBuiltInFormats();
        GlobalOptions.TempDir = temp.Path();
        fakes::Log().clear();
    }
    void TearDown() override
    {
        platform::SetWriteLimitForTesting(-1);
        GlobalOptions.TempDir.clear();
        ClearFileFormats();
    }

    // An SPM1 file of 256 × 128 whose channel 0 spans `range` counts, with channel 2 when asked.
    std::string MakeFile(int range, bool withPhase, const char* name = "scan.spm")
    {
        TSurfaceData data("");
        data.Header.Width = 256;
        data.Header.Height = 128;
        AddChannel(data, 0, 256, 128, [range](int r, int c) { return (r * 256 + c) % (range + 1); });
        if (withPhase)
            AddChannel(data, 2, 256, 128, [](int r, int c) { return r - c; });
        ChannelSet channels = data.Present;
        const std::string path = dir.File(name);
        EXPECT_EQ(SaveWithFormat(FileFormats[1].get(), path, &data, &channels), fmtOk);
        return path;
    }

    testsupport::ScratchDir dir;
    testsupport::ScratchDir temp;
    platform::MessageRecorder messages;
    FakeHost host;
};

}  // namespace

TEST_F(Step, ALoadedStepHasItsRectanglesAndDefaultViewSettings)
{
    TObjectSPM step(nullptr, 1, MakeFile(1000, true));
    ASSERT_TRUE(step.Loaded());
    EXPECT_EQ(host.linkDialogs, 1);
    EXPECT_EQ(step.FileName, "scan.spm");
    EXPECT_EQ(step.StepNumber, 1);
    EXPECT_TRUE(step.StepName.empty());
    EXPECT_EQ(step.ProfileSegment, (TRect32{0, 0, 255, 127}));
    EXPECT_EQ(step.Selection, step.ProfileSegment);
    ASSERT_TRUE(step.Channel0 && step.Channel2);
    const TViewSettings& v = step.ViewSettings;
    EXPECT_TRUE(testsupport::Near(v.ScaleZ, 0.064));  // min(128, 64) / 1000
    EXPECT_TRUE(v.PhaseAvailable);
    EXPECT_FALSE(v.ApplyPhase);
    EXPECT_FALSE(v.LightOn);
    EXPECT_TRUE(v.DrawInside);
    EXPECT_TRUE(v.DrawInfoText);
    EXPECT_EQ(v.AngleAlfa, 30);
    EXPECT_EQ(v.AngleFi, 0);
    EXPECT_EQ(v.ScaleXY, 1.0);
    EXPECT_EQ(v.Zoom3D, 1.5f);
    EXPECT_EQ(v.TypeDrawState, 5);
    EXPECT_EQ(v.TypeDrawMove, 5);
    EXPECT_EQ(v.StepMove, 5);
    EXPECT_EQ(v.StepState, 1);
    EXPECT_EQ(v.Color3D, 0xFFFFFFu);
    EXPECT_EQ(v.Color2D, 0xFFFFFFu);
    EXPECT_EQ(v.ColorGrid, 0u);
    EXPECT_EQ(v.ColorLateralFace, 0x808080u);
    EXPECT_EQ(v.ColorAxis, 0u);
    ASSERT_TRUE(v.InfoTextFont);
    EXPECT_EQ(v.InfoTextFont->Color, 0u);
    EXPECT_GT(step.Channel0->Rq, 0.0);  // statistics are computed
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(Step, AFlatChannelGivesScaleZ64AndNoPhaseMeansNoApplyPhase)
{
    TObjectSPM step(nullptr, ChannelSet{0, 2}, 1, MakeFile(0, false));
    ASSERT_TRUE(step.Loaded());
    EXPECT_EQ(host.linkDialogs, 0);  // the requested-channels constructor shows no dialog
    EXPECT_EQ(step.ViewSettings.ScaleZ, 64.0);
    EXPECT_FALSE(step.ViewSettings.PhaseAvailable);
}

TEST_F(Step, FilesThatCannotMakeAStepAreRefusedWithBothMessages)
{
    struct Case { const char* name; std::vector<std::uint8_t> bytes; std::vector<std::string> texts; };
    // Only channel 2 stored: no channel 0.
    TSurfaceData phaseOnly("");
    phaseOnly.Header.Width = 4;
    phaseOnly.Header.Height = 2;
    AddChannel(phaseOnly, 2, 4, 2, [](int, int c) { return c; });
    ChannelSet two{2};
    ASSERT_EQ(SaveWithFormat(FileFormats[1].get(), dir.File("phase.spm"), &phaseOnly, &two), fmtOk);
    auto truncated = testsupport::ReadBytes(MakeFile(10, false, "full.spm"));
    truncated.resize(224 + 336 + 100);
    std::vector<std::uint8_t> version2(224 + 336, 0);
    version2[0] = 2;
    const Case cases[] = {
        {"v2.spm", version2, {"Invalid format file", "ошибка формата"}},
        {"cut.spm", truncated, {"ошибка чтения"}},
        {"phase.spm", testsupport::ReadBytes(dir.File("phase.spm")), {"Invalid format file", "ошибка формата"}},
    };
    for (const Case& c : cases) {
        messages.Clear();
        testsupport::WriteBytes(dir.File(c.name), c.bytes);
        TObjectSPM step(nullptr, 1, dir.File(c.name));
        EXPECT_FALSE(step.Loaded()) << c.name;
        EXPECT_EQ(messages.Texts(), c.texts) << c.name;
        EXPECT_EQ(testsupport::ReadBytes(dir.File(c.name)), c.bytes) << c.name;  // untouched
    }
    messages.Clear();
    TObjectSPM missing(nullptr, 0, dir.File("none.spm"));
    EXPECT_FALSE(missing.Loaded());
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Error open file", "ошибка открытия файла"}));
}

TEST_F(Step, ALinkChoiceThatDropsChannel0IsRefused)
{
    host.dropChannel = 0;
    TObjectSPM step(nullptr, 1, MakeFile(10, true));
    EXPECT_FALSE(step.Loaded());
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Invalid format file", "ошибка формата"}));
}

TEST_F(Step, ACopySharesNothingButItsSettingsAndLeavesTheSourceCountAsItWas)
{
    TObjectSPM source(nullptr, 1, MakeFile(1000, true));
    source.ViewSettings.AngleAlfa = 45;
    const int count = source.SurfaceData->LockCount;
    TObjectSPM copy(nullptr, "Flatten", 2, source);
    ASSERT_TRUE(copy.Loaded());
    EXPECT_EQ(source.SurfaceData->LockCount, count);
    EXPECT_EQ(copy.StepName, "Flatten");
    EXPECT_EQ(copy.StepNumber, 2);
    EXPECT_EQ(copy.FileName, "scan.spm");
    EXPECT_EQ(copy.ViewSettings.AngleAlfa, 45);
    EXPECT_EQ(copy.ViewSettings.InfoTextFont, source.ViewSettings.InfoTextFont);
    for (int c = 0; c < ChannelCount; ++c) {
        if (copy.SurfaceData->Channels[c]) {
            EXPECT_NE(copy.SurfaceData->Channels[c].get(), source.SurfaceData->Channels[c].get());
        }
    }
    EXPECT_EQ(Values(*copy.Channel0), Values(*source.Channel0));
    EXPECT_EQ(copy.SurfaceData->LockCount, 1);  // the creator's count
}

TEST_F(Step, ACopyOfASwappedOutStepBringsItBackFirst)
{
    TObjectSPM source(nullptr, 1, MakeFile(1000, true));
    const auto values = Values(*source.Channel0);
    source.SurfaceData->Release();
    ASSERT_TRUE(source.SurfaceData->SwappedOut);
    TObjectSPM copy(nullptr, "Copy", 2, source);
    ASSERT_TRUE(copy.Loaded());
    EXPECT_EQ(Values(*copy.SurfaceData->Channels[0]), values);
    EXPECT_TRUE(source.SurfaceData->SwappedOut);  // released again afterwards
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(Step, ACutStartsItsProfileSegmentAtTheOrigin)
{
    TObjectSPM source(nullptr, 1, MakeFile(1000, true));
    TObjectSPM cut(nullptr, "Copy rectangle [10;20]-[109;69]", 2, 10, 20, 109, 69, source);
    ASSERT_TRUE(cut.Loaded());
    EXPECT_EQ(cut.ProfileSegment, (TRect32{0, 0, 99, 49}));
    EXPECT_EQ(cut.Selection, cut.ProfileSegment);
    EXPECT_EQ(cut.SurfaceData->Header.Width, 100);
}

TEST_F(Step, AddChannelChecksSlotAndSize)
{
    TObjectSPM step(nullptr, 1, MakeFile(10, false));
    std::strcpy(step.Channel0->Header.XYUnit, "nm");
    struct Case { int slot, width, height; bool ok; };
    const Case cases[] = {
        {3, 100, 128, false}, {3, 256, 128, true}, {25, 17, 5, true}, {30, 256, 128, false},
        {-1, 256, 128, false}, {25, 0, 5, false}, {25, 65536, 5, false}, {25, 5, -2, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(step.AddChannel(c.slot, c.width, c.height, 1.5, 2.5, 0.25, "mV", ""), c.ok)
            << c.slot << " " << c.width << "x" << c.height;
    TSPMData* user = step.SurfaceData->Channel(25);
    ASSERT_TRUE(user);
    EXPECT_EQ(user->Header.Width, 17);
    EXPECT_EQ(user->Header.XStep, 1.5f);
    EXPECT_EQ(user->Header.ZScale, 0.25f);
    EXPECT_STREQ(user->Header.XYUnit, "nm");
    EXPECT_STREQ(user->Header.ZUnit, "mV");
    EXPECT_TRUE(step.SurfaceData->Present.Contains(25));
    EXPECT_FALSE(step.SurfaceData->Present.Contains(30));
    ASSERT_TRUE(step.AddChannel(26, 4, 4, 1, 1, 1, "abcdefgh", ""));
    EXPECT_STREQ(step.SurfaceData->Channel(26)->Header.ZUnit, "abcde");
    const auto& last = step.SurfaceData->ChannelList.back();
    EXPECT_EQ(last.Locate.Channel, 26);
    EXPECT_EQ(last.Locate.FormatIndex, 1);
    EXPECT_TRUE(last.Locate.Path.empty());
}

TEST_F(Step, NamedChannelsWriteTheirSlotNameAndReplacingKeepsTheListLength)
{
    char saved19[32], saved25[32];
    std::memcpy(saved19, ChannelNames[19], 32);
    std::memcpy(saved25, ChannelNames[25], 32);
    TObjectSPM step(nullptr, 1, MakeFile(10, false));
    ASSERT_TRUE(step.AddChannelLikeData(19, "nm", 1, 1, 1, "Mine"));
    EXPECT_STREQ(ChannelNames[19], "Mine");
    EXPECT_STREQ(ChannelNames[20], "Tip");
    EXPECT_EQ(step.SurfaceData->Channel(19)->Name, "Mine");
    EXPECT_STREQ(step.SurfaceData->Channel(19)->Header.Name, "Mine");
    const std::size_t entries = step.SurfaceData->ChannelList.size();
    ASSERT_TRUE(step.AddChannelLikeData(0, "nm", 1, 1, 1, "Height"));
    EXPECT_EQ(step.SurfaceData->ChannelList.size(), entries);
    EXPECT_EQ(step.SurfaceData->ChannelList[0].Name, "Height");
    EXPECT_EQ(step.SurfaceData->ChannelList[0].Locate.FormatIndex, 1);
    std::memcpy(ChannelNames[19], saved19, 32);
    std::memcpy(ChannelNames[25], saved25, 32);
    SetChannelName(0, "Topography");
}

TEST_F(Step, DeletingAChannelAndUpdatingClosesItsView)
{
    TObjectSPM step(nullptr, 1, MakeFile(10, true));
    step.ShowChannelView(0);
    step.ShowChannelView(2);
    auto* view2 = host.created.at(1);
    step.DeleteChannel(2);
    EXPECT_EQ(step.SurfaceData->ChannelList.size(), 1u);
    EXPECT_FALSE(step.Channel2);
    step.UpdateAll();
    EXPECT_TRUE(view2->closed);
    EXPECT_EQ(step.Views[2], nullptr);
    EXPECT_EQ(step.CurrentView, host.created.at(0));
    EXPECT_GE(host.created.at(0)->refreshes, 1);
    delete view2;  // the real view deletes itself when closed
}

TEST_F(Step, UpdateRefreshesWindowsAndClosesAnalysisWindows)
{
    TObjectSPM step(nullptr, 1, MakeFile(10, true));
    auto* view3d = new FakeWindow(&step, "3d", 0, false);
    auto* info = new FakeWindow(&step, "info", 0, false);
    auto* profile = new FakeWindow(&step, "profile", 0, false);
    step.View3D = view3d;
    step.InfoWindow = info;
    step.ActiveProfile = profile;
    step.Profiles.push_back(profile);
    step.UpdateChannel(0);
    step.UpdateChannel(2);
    // The 3-D view hears which channels changed; nothing else of it is rebuilt.
    EXPECT_EQ(view3d->refreshes, 0);
    EXPECT_EQ(view3d->changed, (std::vector<int>{0, 2}));
    EXPECT_EQ(profile->refreshes, 2);
    EXPECT_TRUE(info->closed);
    EXPECT_EQ(step.InfoWindow, nullptr);
    delete info;
    step.UpdateAll();
    EXPECT_EQ(view3d->refreshes, 1);
    EXPECT_EQ(profile->refreshes, 3);
}

TEST_F(Step, ViewsOpenOnceFocusAfterwardsAndNameMissingChannels)
{
    TObjectSPM step(nullptr, 1, MakeFile(10, true));
    step.ShowChannelView(NoChannel);
    ASSERT_EQ(host.created.size(), 1u);
    EXPECT_EQ(host.created[0]->Channel(), 0);
    EXPECT_EQ(host.created[0]->caption, "View Topography - scan.spm #1");
    step.ShowChannelView(NoChannel);
    ASSERT_EQ(host.created.size(), 2u);
    EXPECT_EQ(host.created[1]->Channel(), 2);
    step.ShowChannelView(NoChannel);  // every channel has its view: nothing
    step.ShowChannelView(0);
    EXPECT_EQ(host.created.size(), 2u);
    EXPECT_EQ(host.created[0]->focuses, 1);
    EXPECT_EQ(step.CurrentChannel(), 2);
    step.ShowChannelView(4);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Data of Amplitude is not loaded"});
    EXPECT_EQ(messages.Recorded()[0].Icon, platform::MessageIcon::Information);
    // Closing the current view makes the lowest open one current.
    step.ChannelViewClosed(host.created[1]);
    EXPECT_EQ(step.CurrentView, host.created[0]);
    EXPECT_EQ(step.CurrentChannel(), 0);
    delete host.created[1];
}

// An imported bitmap's step is named by its full path, which may be long.
TEST_F(Step, AViewCaptionKeepsItsStepNumberWhateverTheFileNameLength)
{
    TObjectSPM step(nullptr, 1, MakeFile(10, true));
    step.FileName = "/" + std::string(450, 'd') + "/picture.bmp";
    step.ShowChannelView(0);
    ASSERT_EQ(host.created.size(), 1u);
    EXPECT_EQ(host.created[0]->caption, "View Topography - " + step.FileName + " #1");
}

TEST_F(Step, SaveWritesSpm1OrTheCurrentChannelAsSpm0)
{
    TObjectSPM step(nullptr, 1, MakeFile(10, true));
    ASSERT_EQ(step.SaveToFile(dir.File("all.spm"), true), fmtOk);
    ChannelSet present = step.SurfaceData->Present;
    ASSERT_EQ(SaveWithFormat(FileFormats[1].get(), dir.File("direct.spm"), step.SurfaceData.get(), &present), fmtOk);
    EXPECT_EQ(testsupport::ReadBytes(dir.File("all.spm")), testsupport::ReadBytes(dir.File("direct.spm")));

    ASSERT_EQ(step.SaveToFile(dir.File("zero.spm"), false), fmtOk);  // no view: channel 0
    ChannelSet zero{0};
    ASSERT_EQ(SaveWithFormat(FileFormats[0].get(), dir.File("direct0.spm"), step.SurfaceData.get(), &zero), fmtOk);
    EXPECT_EQ(testsupport::ReadBytes(dir.File("zero.spm")), testsupport::ReadBytes(dir.File("direct0.spm")));

    step.ShowChannelView(2);
    ASSERT_EQ(step.SaveToFile(dir.File("two.spm"), false), fmtOk);
    ChannelSet two{2};
    ASSERT_EQ(SaveWithFormat(FileFormats[0].get(), dir.File("direct2.spm"), step.SurfaceData.get(), &two), fmtOk);
    EXPECT_EQ(testsupport::ReadBytes(dir.File("two.spm")), testsupport::ReadBytes(dir.File("direct2.spm")));
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(Step, AFailedSaveKeepsTheOldFileAndSaysSo)
{
    TObjectSPM step(nullptr, 1, MakeFile(10, true));
    const std::vector<std::uint8_t> old{1, 2, 3, 4};
    testsupport::WriteBytes(dir.File("keep.spm"), old);
    const auto before = dir.List();
    platform::SetWriteLimitForTesting(1000);  // the disk fills up after 1000 bytes
    EXPECT_EQ(step.SaveToFile(dir.File("keep.spm"), true), fmtErrorWrite);
    platform::SetWriteLimitForTesting(-1);
    EXPECT_EQ(testsupport::ReadBytes(dir.File("keep.spm")), old);
    EXPECT_EQ(dir.List(), before);  // no half-written file left
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error write file"});
    EXPECT_EQ(messages.Recorded()[0].Caption, "Error");

    messages.Clear();
    EXPECT_EQ(step.SaveToFile(dir.File("missing/x.spm"), true), fmtErrorCreate);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error create file"});
}

TEST_F(Step, AChannelTheFormatCannotHoldIsNamedAndNothingIsWritten)
{
    TObjectSPM step(nullptr, 1, MakeFile(10, true));
    const auto set = [&](int c, std::int32_t first, std::int32_t second) {
        TSPMData& ch = *step.SurfaceData->Channels[c];
        ch.Lock();
        ch.GetData()[0] = first;
        ch.GetData()[1] = second;
        ch.Unlock();
    };
    const std::vector<std::uint8_t> old{1, 2, 3, 4};
    testsupport::WriteBytes(dir.File("keep.spm"), old);
    const auto before = dir.List();
    const auto refusal = [](const std::string& name) {
        return "\"" + name +
               "\" spans more than the format holds: its values do not fit 16-bit samples. It can "
               "be brought into range by dividing it with Arithmetic; the file was not written.";
    };

    // Channel 2 spans 170001 values: SPM1 refuses it, the SPM0 file of channel 0 is written.
    set(2, 100000, -70000);
    EXPECT_EQ(step.SaveToFile(dir.File("keep.spm"), true), fmtErrorRange);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{refusal("Phase")});
    EXPECT_EQ(testsupport::ReadBytes(dir.File("keep.spm")), old);
    EXPECT_EQ(dir.List(), before);
    messages.Clear();
    EXPECT_EQ(step.SaveToFile(dir.File("zero.spm"), false), fmtOk);

    // Channel 0 holds -1 and 40000: no 16-bit reading of SPM0 gives both back, while SPM1
    // stores them with the offset 7233.
    set(2, 0, 0);
    set(0, -1, 40000);
    EXPECT_EQ(step.SaveToFile(dir.File("keep.spm"), false), fmtErrorRange);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{refusal("Topography")});
    EXPECT_EQ(testsupport::ReadBytes(dir.File("keep.spm")), old);
    messages.Clear();
    ASSERT_EQ(step.SaveToFile(dir.File("keep.spm"), true), fmtOk);
    TObjectSPM back(nullptr, ChannelSet{0}, 1, dir.File("keep.spm"));
    ASSERT_TRUE(back.Loaded());
    const auto values = Values(*back.SurfaceData->Channels[0]);
    EXPECT_EQ(values[0], -1 - 7233);
    EXPECT_EQ(values[1], 32767);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(Step, SavingOverAFileKeepsItsPermissionsLinksAndReadOnlyState)
{
    TObjectSPM step(nullptr, 1, MakeFile(10, true));
    const auto isSpm1 = [](const std::string& path) {
        const auto bytes = testsupport::ReadBytes(path);
        return bytes.size() > 2 && bytes[0] == 1 && bytes[1] == 0;
    };
    const auto mode = [](const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_mode & 07777;
    };
    const std::vector<std::uint8_t> old{1, 2, 3, 4};
    // Numbered files made before and after the saves follow each other: the saves take no
    // number of the swap files' counter.
    const std::string first = platform::CreateNumberedFile(temp.Path(), "TMP", ".$$$");

    // The permission bits stay.
    testsupport::WriteBytes(dir.File("shared.spm"), old);
    ::chmod(dir.File("shared.spm").c_str(), 0604);
    ASSERT_EQ(step.SaveToFile(dir.File("shared.spm"), true), fmtOk);
    EXPECT_TRUE(isSpm1(dir.File("shared.spm")));
    EXPECT_EQ(mode(dir.File("shared.spm")), 0604u);

    // A link is written through: it stays a link, its target gets the file; also a
    // target that does not exist yet.
    ASSERT_TRUE(platform::CreateFolder(dir.File("real")));
    testsupport::WriteBytes(dir.File("real/target.spm"), old);
    ASSERT_EQ(::symlink("real/target.spm", dir.File("link.spm").c_str()), 0);
    ASSERT_EQ(::symlink("real/new.spm", dir.File("dangling.spm").c_str()), 0);
    for (const char* name : {"link.spm", "dangling.spm"}) {
        ASSERT_EQ(step.SaveToFile(dir.File(name), true), fmtOk) << name;
        struct stat st {};
        ASSERT_EQ(::lstat(dir.File(name).c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << name;
    }
    EXPECT_TRUE(isSpm1(dir.File("real/target.spm")));
    EXPECT_TRUE(isSpm1(dir.File("real/new.spm")));

    // A read-only file is refused as a direct write would be, and stays as it was.
    testsupport::WriteBytes(dir.File("locked.spm"), old);
    ::chmod(dir.File("locked.spm").c_str(), 0444);
    EXPECT_EQ(step.SaveToFile(dir.File("locked.spm"), true), fmtErrorCreate);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error create file"});
    EXPECT_EQ(testsupport::ReadBytes(dir.File("locked.spm")), old);
    messages.Clear();

    // The longest name the system allows saves: the temporary's name is short.
    const std::string longName = std::string(251, 'n') + ".spm";
    ASSERT_EQ(step.SaveToFile(dir.File(longName), true), fmtOk);
    EXPECT_TRUE(isSpm1(dir.File(longName)));

    const std::string second = platform::CreateNumberedFile(temp.Path(), "TMP", ".$$$");
    const auto number = [](const std::string& path) {
        const auto at = path.rfind("TMP") + 3;
        return std::stoi(path.substr(at, path.size() - at - 4));
    };
    EXPECT_EQ(number(second), number(first) % 65535 + 1);
    // Nothing but the files saved is left behind.
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"dangling.spm", "link.spm", "locked.spm", longName,
                                                    "real", "scan.spm", "shared.spm"}));
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(Step, DestructionGoesInItsOrder)
{
    auto step = std::make_unique<TObjectSPM>(nullptr, 1, MakeFile(10, true));
    step->ShowChannelView(0);
    step->CropTool = new FakeWindow(step.get(), "crop", 0, false);
    auto* profile = new FakeWindow(step.get(), "profile", 0, true);
    step->Profiles.push_back(profile);
    step->ActiveProfile = profile;
    step->View3D = new FakeWindow(step.get(), "3d", 0, true);
    step->HeightsWindow = new FakeWindow(step.get(), "heights", 0, true);
    step->SurfaceData->Release();  // the creator's count: the windows hold the set now
    fakes::Log().clear();
    step.reset();
    EXPECT_EQ(fakes::Log(), (std::vector<std::string>{
                                "delete crop", "delete profile", "delete view 0", "detach 3d",
                                "delete 3d after data", "detach heights", "delete heights after data"}));
    EXPECT_TRUE(temp.List().empty());  // nothing was swapped out on the way
}

TEST(ValueLimit, ShowsTheLimits)
{
    platform::MessageRecorder messages;
    ShowValueLimitError(1, 255);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Recorded()[0].Text, "Value limit 1 - 255");
    EXPECT_EQ(messages.Recorded()[0].Caption, "Error input");
    EXPECT_EQ(messages.Recorded()[0].Icon, platform::MessageIcon::Error);
}

TEST_F(Step, ZoomCommandsReachTheCurrentViewAndTheMenuListsPresentChannels)
{
    TObjectSPM step(nullptr, 1, MakeFile(10, true));
    step.ZoomClick(TObjectSPM::TZoomSender::ZoomBox, 2);  // no view: nothing
    EXPECT_EQ(host.zoomIndex, -1);
    step.ShowChannelView(2);
    step.ZoomClick(TObjectSPM::TZoomSender::ZoomBox, 2);  // "400%"
    EXPECT_EQ(host.created[0]->zoom, 4);
    EXPECT_EQ(host.zoomIndex, 2);
    step.ZoomClick(TObjectSPM::TZoomSender::MenuItem, 8);
    EXPECT_EQ(host.created[0]->zoom, 8);
    EXPECT_EQ(host.zoomIndex, 3);
    step.BuildViewMenu();
    EXPECT_EQ(host.menuStep, &step);
    ASSERT_EQ(host.menu.size(), 2u);
    EXPECT_EQ(host.menu[1].second, 2);
    EXPECT_EQ(host.zoomIndex, 3);  // the current view's zoom
    step.OpenWindow(7);  // above 5: nothing
    step.OpenWindow(0);  // as ShowChannelView(255): channel 0's view
    ASSERT_EQ(host.created.size(), 2u);
    EXPECT_EQ(host.created[1]->Channel(), 0);
}
