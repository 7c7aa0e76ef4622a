#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <cstdio>
#include <cstring>
#include <tuple>

#include "app/LinkData.h"
#include "app/PlugInFixture.h"

using namespace plugintest;

namespace {

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::vector<std::string> Items(const QComboBox* box)
{
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i)
        items.push_back(box->itemText(i).toStdString());
    return items;
}

std::vector<std::int32_t> Values(TSPMData* ch)
{
    ch->Lock();
    std::vector<std::int32_t> v(ch->Data, ch->Data + ch->SampleCount());
    ch->Unlock();
    return v;
}

//! Every channel header of a step, to tell that a call changed nothing.
std::string Headers(const TObjectSPM* step)
{
    std::string bytes;
    for (int c = 0; c < ChannelCount; ++c)
        if (const TSPMData* ch = step->SurfaceData->Channel(c))
            bytes.append(reinterpret_cast<const char*>(&ch->Header), sizeof ch->Header);
    return bytes;
}

class HostTest : public PlugInTest {
protected:
    //! Starts a plug-in that keeps running on a freshly opened scan; its host interface.
    IPlugIn* StartHost()
    {
        StartWith({tpAskHost});
        step = OpenScan();
        before = Counts(step);
        Click(0);
        return Log().Host;
    }

    TObjectSPM* step = nullptr;
    std::vector<int> before;
};

}  // namespace

TEST_F(PlugInTest, AScriptedRunReadsAndWritesTheStepsData)
{
    StartWith({tpScripted});
    TObjectSPM* step = OpenScan();
    const auto before = Counts(step);
    TSPMData* ch0 = step->SurfaceData->Channel(0);
    long long sum = 0;
    for (std::int32_t v : Values(ch0))
        sum += v;
    const double rawPerColour = ch0->RawPerColour;
    Click(0);

    EXPECT_EQ(Script(), (std::vector<std::string>{
                            "size 8 6",
                            "sum " + std::to_string(sum),
                            "same matrix 1",
                            "steps 2.5 3.5 0.5",
                            "xy unit [nm]",
                            "z unit [vol]",
                            "loaded 1 1 0 0",
                            "selection 0 0 7 5",
                            "free 20",
                            "add 5 1",
                            "new step 1",
                            "free in new 20",
                            "add 0",
                            "extra 3 2",
                            "reserved 1",
                            "handles 1 1 1",
                            Format("raw per colour %.9g", rawPerColour),
                        }));
    EXPECT_EQ(Texts(), std::vector<std::string>{"start 5 0 0"});

    // Object 0 got its Z unit and nothing else; every lock and reference is given back.
    EXPECT_STREQ(ch0->Header.ZUnit, "vol");
    EXPECT_EQ(Counts(step), before);
    // The new step: the copy's topography as written, the added channel shown.
    TObjectFile* file = main->CurrentFile;
    ASSERT_EQ(file->Steps.size(), 2u);
    EXPECT_EQ(Items(main->cbObjectStep), (std::vector<std::string>{"1. Load", "2. Scripted"}));
    TObjectSPM* added = file->Steps[1].Step.get();
    std::vector<std::int32_t> written(48);
    for (int i = 0; i < 48; ++i)
        written[static_cast<std::size_t>(i)] = i - 500;
    TSPMData* copy0 = added->SurfaceData->Channel(0);
    ASSERT_TRUE(copy0);
    EXPECT_EQ(Values(copy0), written);
    EXPECT_EQ(copy0->Header.Min, -500);  // updated through UpdateChannel
    EXPECT_EQ(copy0->Header.Max, -453);
    TSPMData* extra = added->SurfaceData->Channel(20);
    ASSERT_TRUE(extra);
    EXPECT_EQ(Values(extra), (std::vector<std::int32_t>{0, 10, 20, 30, 40, 50}));
    EXPECT_EQ(extra->Header.Max, 50);
    EXPECT_EQ(extra->Header.XStep, 2.5f);
    EXPECT_EQ(extra->Header.ZScale, 1.0f);
    EXPECT_STREQ(extra->Header.XYUnit, "nm");
    EXPECT_STREQ(ChannelNames[20], "Extra");
    EXPECT_TRUE(added->Views[20]);
    std::vector<int> shown(31, -1);
    shown[0] = 0;
    shown[2] = 0;
    shown[20] = 0;
    shown[30] = 1;  // the view of channel 20 holds the new step now
    EXPECT_EQ(Counts(added), shown);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(HostTest, EveryOperationAnswersItsFailureValueForWhatItCannotReach)
{
    IPlugIn* host = StartHost();
    ASSERT_TRUE(host);
    // Object 1 is closed: a new step that the user closed, which the plug-in let go.
    ASSERT_EQ(host->NewStep(0, "Closed"), 1);
    main->CloseStep(main->CurrentFile->Steps[1].Step.get());
    ASSERT_EQ(main->CurrentFile->Steps.size(), 1u);
    messages.Clear();
    const std::string headers = Headers(step);

    struct Case {
        const char* what;
        std::int32_t object;
        std::int32_t channel;
    };
    const Case cases[] = {
        {"bad object", 5, 0},       {"negative object", -1, 0}, {"closed object", 1, 0},
        {"absent channel", 0, 5},   {"channel -1", 0, -1},      {"channel 30", 0, 30},
        {"markers member", 0, 101}, {"channel 255", 0, 255},
    };
    for (const Case& c : cases) {
        const std::int32_t o = c.object, ch = c.channel;
        EXPECT_EQ(host->LockData(o, ch), nullptr) << c.what;
        EXPECT_EQ(host->GetHeight(o, ch), 0) << c.what;
        EXPECT_EQ(host->GetWidth(o, ch), 0) << c.what;
        EXPECT_EQ(host->GetXStep(o, ch), 0.0) << c.what;
        EXPECT_EQ(host->GetYStep(o, ch), 0.0) << c.what;
        EXPECT_EQ(host->GetZScale(o, ch), 0.0) << c.what;
        EXPECT_EQ(host->GetRawPerColour(o, ch), 0.0) << c.what;
        EXPECT_EQ(host->GetXYUnit(o, ch), nullptr) << c.what;
        EXPECT_EQ(host->GetZUnit(o, ch), nullptr) << c.what;
        EXPECT_EQ(host->GetChannelPalette(o, ch), nullptr) << c.what;
        EXPECT_FALSE(host->IsChannelLoaded(o, ch)) << c.what;
        host->SetXStep(o, ch, 9);
        host->SetYStep(o, ch, 9);
        host->SetZScale(o, ch, 9);
        host->SetXYUnit(o, ch, "um");
        host->SetZUnit(o, ch, nullptr);
        host->UpdateChannel(o, ch);
        EXPECT_EQ(host->AddChannelLikeData(o, 0, "x"), 1) << c.what;
        if (o != 0) {
            const TPlugInRect r = host->GetSelection(o);
            EXPECT_EQ(std::vector<int>({r.Left, r.Top, r.Right, r.Bottom}), std::vector<int>(4, 0)) << c.what;
            EXPECT_EQ(host->NewStep(o, "x"), -1) << c.what;
            EXPECT_EQ(host->FindFreeUserChannel(o), -1) << c.what;
            EXPECT_EQ(host->AddChannel(o, 25, 4, 4, "x"), 1) << c.what;
            EXPECT_EQ(host->AddChannelLikeData(o, 25, "x"), 1) << c.what;
            host->UpdateChannelAndShow(o, 0);
            host->UpdateAll(o);
            host->DeleteChannel(o, 0);
            host->CloseObject(o);
        } else if (ch != 5) {
            host->UpdateChannelAndShow(o, ch == 255 ? -1 : ch);  // names no channel: no view, no box
            host->DeleteChannel(o, ch);
        }
        EXPECT_EQ(Headers(step), headers) << c.what;
        EXPECT_TRUE(messages.Texts().empty()) << c.what;
        EXPECT_EQ(main->CurrentFile->Steps.size(), 1u) << c.what;
    }
    // An absent channel's view is reported as the view command reports it.
    host->UpdateChannelAndShow(0, 5);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Data of Amplitude backward is not loaded"});
    // Sizes and slots that AddChannel refuses; a null text is empty.
    const std::tuple<int, int, int> refused[] = {{5, 8, 6},  {19, 8, 6}, {30, 4, 4},     {-1, 4, 4},
                                                 {25, 0, 4}, {25, 4, 0}, {25, 65536, 1}, {25, 1, -3}};
    for (auto [channel, width, height] : refused)
        EXPECT_EQ(host->AddChannel(0, channel, width, height, "x"), 1) << channel << " " << width << "x" << height;
    EXPECT_FALSE(host->IsChannelLoaded(0, 25));
    host->SetZUnit(0, 0, nullptr);
    EXPECT_STREQ(host->GetZUnit(0, 0), "");
    EXPECT_EQ(host->AddChannel(0, 29, 65535, 1, nullptr), 0);
    EXPECT_EQ(host->GetWidth(0, 29), 65535);
    messages.Clear();
    EXPECT_EQ(host->OpenFile(nullptr), -1);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"File not found"});
    EXPECT_EQ(host->GetReserved(), nullptr);
}

// A set whose reload from its swap file failed holds shells: the updates and the deletion
// answer as for what they cannot reach, with no box, and the channels stay listed.
TEST_F(HostTest, UpdatesAndDeletionOnASetWhoseReloadFailedAnswerWithoutABox)
{
    IPlugIn* host = StartHost();
    ASSERT_EQ(host->NewStep(0, "Out"), 1);
    TObjectSPM* out = main->CurrentFile->Steps[1].Step.get();
    TSurfaceData& data = *out->SurfaceData;
    data.Release();
    ASSERT_TRUE(data.SwappedOut);
    testsupport::WriteBytes(data.SwapFile, {1, 0, 0});  // damaged behind our back
    data.Acquire();
    ASSERT_TRUE(data.SwappedOut);
    messages.Clear();
    const std::size_t listed = data.ChannelList.size();
    const ChannelSet present = data.Present;

    host->UpdateAll(1);
    host->UpdateChannel(1, 0);
    host->UpdateChannel(1, 255);
    host->UpdateChannelAndShow(1, 0);
    host->DeleteChannel(1, 0);
    host->DeleteChannel(1, 2);
    out->DeleteChannel(0);  // the step's own deletion, refused by the set
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(data.ChannelList.size(), listed);
    EXPECT_TRUE(data.Present == present);
    EXPECT_EQ(main->CurrentFile->Steps.size(), 2u);
}

TEST_F(HostTest, LockingThriceLocksOnceAndTheEndUnlocks)
{
    IPlugIn* host = StartHost();
    std::int32_t* first = host->LockData(0, 2);
    ASSERT_TRUE(first);
    EXPECT_EQ(host->LockData(0, 2), first);
    EXPECT_EQ(host->LockData(0, 2), first);
    auto locked = before;
    locked[2] = 1;
    ++locked.back();
    EXPECT_EQ(Counts(step), locked);
    first[0] = 4242;  // written in place
    EXPECT_EQ(Values(step->SurfaceData->Channel(2))[0], 4242);
    EXPECT_EQ(host->RequestStop(), 1);
    QApplication::processEvents();
    EXPECT_EQ(Counts(step), before);
}

TEST_F(HostTest, NewStepsFollowTheFilesStepCounter)
{
    IPlugIn* host = StartHost();
    main->CurrentFile->StepCounter = 4;
    EXPECT_EQ(host->NewStep(0, "Plugged"), 1);
    EXPECT_EQ(host->NewStep(1, "Again"), 2);
    EXPECT_EQ(Items(main->cbObjectStep), (std::vector<std::string>{"1. Load", "5. Plugged", "6. Again"}));
    EXPECT_EQ(main->CurrentFile->CurrentStep, main->CurrentFile->Steps[2].Step.get());
    EXPECT_EQ(main->CurrentFile->Steps[2].Step->StepNumber, 6);
    // Another file's new step does not enter the chooser of the current one.
    OpenScan("other.spm");
    EXPECT_EQ(host->NewStep(0, "Elsewhere"), 3);
    EXPECT_EQ(Items(main->cbObjectStep), std::vector<std::string>{"1. Load"});
}

TEST_F(HostTest, FindsTheFirstFreeUserChannel)
{
    IPlugIn* host = StartHost();
    EXPECT_EQ(host->FindFreeUserChannel(0), 20);
    ASSERT_EQ(host->AddChannel(0, 20, 2, 2, ""), 0);
    ASSERT_EQ(host->AddChannel(0, 21, 2, 2, ""), 0);
    EXPECT_EQ(host->FindFreeUserChannel(0), 22);
    for (int c = 22; c < 30; ++c)
        ASSERT_EQ(host->AddChannelLikeData(0, c, ""), 0);
    EXPECT_EQ(host->FindFreeUserChannel(0), -1);
    EXPECT_EQ(host->GetWidth(0, 29), 8);
}

TEST_F(HostTest, OpensFilesAsObjectsOfItsOwn)
{
    IPlugIn* host = StartHost();
    auto data = datafixtures::SmallFileSet();
    datafixtures::AddChannel(*data, 1, 8, 6, [](int r, int c) { return r - c; });
    ChannelSet three{0, 1, 2};
    const std::string path = dir.File("three.spm");
    ASSERT_EQ(SaveWithFormat(FileFormats[1].get(), path, data.get(), &three), fmtOk);
    const std::size_t dialogsSoFar = modals.Titles().size();
    EXPECT_EQ(host->OpenFile(("+" + path).c_str()), 1);
    EXPECT_EQ(modals.Titles().size(), dialogsSoFar);  // no link-data dialog
    EXPECT_TRUE(host->IsChannelLoaded(1, 0));
    EXPECT_FALSE(host->IsChannelLoaded(1, 1));
    EXPECT_TRUE(host->IsChannelLoaded(1, 2));
    EXPECT_EQ(host->OpenFile(path.c_str()), 2);
    EXPECT_EQ(modals.Titles().size(), dialogsSoFar + 1);
    EXPECT_EQ(modals.Titles().back(), "Link data");
    EXPECT_TRUE(host->IsChannelLoaded(2, 1));
    ASSERT_EQ(main->PlugInSteps.size(), 2u);
    EXPECT_EQ(Items(main->cbObjectFile).size(), 1u);  // in no chooser
    EXPECT_EQ(main->PlugInSteps[0]->Owner, nullptr);
    EXPECT_EQ(host->NewStep(1, "x"), -1);  // it belongs to no file

    // Failures are told before -1.
    testsupport::WriteBytes(dir.File("bad.spm"), {7, 0, 0, 0});
    for (const std::string& p : {dir.File("none.spm"), dir.File("bad.spm")})
        EXPECT_EQ(host->OpenFile(p.c_str()), -1);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"File not found", "Error format file"}));

    // Shown, then closed: its view goes with it; an object's index is never reused.
    host->UpdateChannelAndShow(1, 2);
    EXPECT_TRUE(main->PlugInSteps[0]->Views[2]);
    host->CloseObject(1);
    EXPECT_EQ(main->PlugInSteps.size(), 1u);
    EXPECT_TRUE(host->IsChannelLoaded(1, 1));  // the third file moved down
    EXPECT_FALSE(host->IsChannelLoaded(2, 0));
    dialogs.Cancel();
    EXPECT_EQ(host->OpenFileDialog(), -1);
    dialogs.Choose(path, 4);
    EXPECT_EQ(host->OpenFileDialog(), 3);
    EXPECT_EQ(dialogs.Requests().back().FilterIndex, 1);
}

namespace {

//! Two copies of the test plug-in that keep running and answer _DeleteData with `answer`.
class TwoPlugInsTest : public PlugInTest {
protected:
    void SetUp() override
    {
        Install("a.inf", FunctionsInf("A.dll", {tpAskHost}), "A.so");
        Install("b.inf", FunctionsInf("B.dll", {tpAskHost}), "B.so");
        Restart();
        Log().Answer = [this](IPlugIn* h, const std::string& event, std::int32_t, std::int32_t) {
            if (event.rfind("start", 0) == 0)
                hosts.push_back(h);
            return event == "delete" ? answer : 0;
        };
    }

    std::vector<IPlugIn*> hosts;
    std::int32_t answer = 0;
};

}  // namespace

TEST_F(TwoPlugInsTest, ClosingObjectsShiftsLaterOnesAndTellsTheOtherPlugIns)
{
    OpenScan();
    Click(0);
    ASSERT_EQ(hosts.size(), 1u);
    IPlugIn* a = hosts[0];
    ASSERT_EQ(a->NewStep(0, "A"), 1);
    ASSERT_EQ(a->NewStep(0, "B"), 2);
    ASSERT_EQ(main->CurrentStep(), main->CurrentFile->Steps[2].Step.get());
    Click(1);  // the second plug-in starts on step B
    ASSERT_EQ(hosts.size(), 2u);
    IPlugIn* b = hosts[1];
    std::int32_t* matrixOfB = b->LockData(0, 0);
    ASSERT_TRUE(matrixOfB);

    a->CloseObject(1);
    EXPECT_EQ(Items(main->cbObjectStep), (std::vector<std::string>{"1. Load", "3. B"}));
    EXPECT_EQ(a->LockData(1, 0), matrixOfB);  // index 2 moved down to 1
    EXPECT_FALSE(a->IsChannelLoaded(2, 0));
    a->CloseObject(1);  // step B: the other plug-in hears of it, the caller does not
    EXPECT_EQ(Texts(), (std::vector<std::string>{"start 6 0 0", "start 6 0 0", "delete 0 -1"}));
    EXPECT_EQ(b->GetWidth(0, 0), 0);
    ASSERT_EQ(main->CurrentFile->Steps.size(), 1u);

    a->CloseObject(0);  // the file's last step closes the file
    EXPECT_TRUE(main->Files().empty());
    EXPECT_EQ(main->CurrentFile, nullptr);
    EXPECT_FALSE(a->IsChannelLoaded(0, 0));
    main->close();
    EXPECT_EQ(Texts().size(), 5u);  // both stopped
}

TEST_F(TwoPlugInsTest, APlugInHearsWhenAChannelItLockedIsReplacedOrDropped)
{
    TObjectSPM* step = OpenScan();
    const auto before = Counts(step);
    Click(0);
    Click(1);
    ASSERT_EQ(hosts.size(), 2u);
    IPlugIn* a = hosts[0];
    IPlugIn* b = hosts[1];
    ASSERT_EQ(a->AddChannel(0, 20, 2, 2, ""), 0);
    std::int32_t* old = b->LockData(0, 20);
    ASSERT_TRUE(old);

    // Replaced by the other plug-in: told, and the new channel is locked afresh.
    ASSERT_EQ(a->AddChannel(0, 20, 3, 3, ""), 0);
    EXPECT_EQ(Texts().back(), "delete 0 20");
    std::int32_t* fresh = b->LockData(0, 20);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(step->SurfaceData->Channel(20)->Block->LockCount(), 1);
    // Replaced by itself: no word, and its lock went with the old channel.
    ASSERT_EQ(b->AddChannel(0, 20, 4, 4, ""), 0);
    EXPECT_EQ(Texts().back(), "delete 0 20");
    EXPECT_EQ(Texts().size(), 3u);
    EXPECT_EQ(step->SurfaceData->Channel(20)->Block->LockCount(), 0);
    ASSERT_TRUE(b->LockData(0, 20));
    // Deleted by the other: told; deleted by itself: unlocked first.
    a->DeleteChannel(0, 20);
    EXPECT_EQ(Texts().size(), 4u);
    EXPECT_FALSE(b->IsChannelLoaded(0, 20));

    // A data link drops channel 2, which the second plug-in locked; it asks to go.
    ASSERT_TRUE(b->LockData(0, 2));
    answer = 1;
    modals.Then([](QDialog& d) {
        auto& form = static_cast<TLinkDataForm&>(d);
        for (int i = 0; i < form.clbData->count(); ++i)
            if (form.LinkList[static_cast<std::size_t>(i)].Locate.Channel == 2)
                form.clbData->item(i)->setCheckState(Qt::Unchecked);
        form.btOK->click();
    });
    main->ADataLinkExecute();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"start 6 0 0", "start 6 0 0", "delete 0 20", "delete 0 20",
                                                 "delete 0 2", "stop 0 0"}));
    EXPECT_EQ(Manager().Running.size(), 1u);
    EXPECT_FALSE(a->IsChannelLoaded(0, 2));
    main->close();
    auto after = before;
    after[2] = -1;  // channel 2 is gone
    EXPECT_EQ(Counts(step), after);
}
