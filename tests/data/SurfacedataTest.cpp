#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

#include "data/Fileformat.h"
#include "data/Options.h"
#include "data/Surfacedata.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "platform/core/Parallel.h"
#include "data/DataFixtures.h"
#include "support/TestSupport.h"

namespace {

using namespace datafixtures;

class SurfaceDataSwap : public ::testing::Test {
protected:
    void SetUp() override { GlobalOptions.TempDir = temp.Path(); }
    void TearDown() override { GlobalOptions.TempDir.clear(); }
    testsupport::ScratchDir temp;
    platform::MessageRecorder messages;
};

}  // namespace

TEST_F(SurfaceDataSwap, ReleaseToZeroAndAcquireGiveBackEverythingInNewObjects)
{
    auto data = SmallSet();
    TSPMData* ch2 = data->Channels[2].get();
    ch2->Markers->Add(5, 1, 2, 3);
    ch2->BuildPalette();
    const auto before0 = Values(*data->Channels[0]);
    const auto before2 = Values(*ch2);
    const auto before20 = Values(*data->Channels[20]);
    const double rq2 = ch2->Rq, rku2 = ch2->Rku;
    const std::int32_t markers2 = ch2->Markers->GetCount();

    data->Release();
    ASSERT_TRUE(data->SwappedOut);
    EXPECT_EQ(data->LockCount, 0);
    ASSERT_EQ(temp.List().size(), 1u);
    EXPECT_EQ(temp.List()[0].substr(0, 3), "TMP");
    EXPECT_TRUE(data->Channels[0]->SwappedOut);
    EXPECT_FALSE(data->Channels[0]->Block);

    data->Release();  // already out: nothing, not even the count
    EXPECT_EQ(data->LockCount, 0);

    data->Acquire();
    ASSERT_FALSE(data->SwappedOut);
    EXPECT_EQ(data->LockCount, 1);
    EXPECT_TRUE(temp.List().empty());
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(Values(*data->Channels[0]), before0);
    EXPECT_EQ(Values(*data->Channels[2]), before2);
    EXPECT_EQ(Values(*data->Channels[20]), before20);
    EXPECT_EQ(data->Channels[20]->Header.Width, 5);
    EXPECT_EQ(data->Channels[2]->Rq, rq2);
    EXPECT_EQ(data->Channels[2]->Rku, rku2);
    EXPECT_EQ(data->Channels[2]->Markers->GetCount(), markers2);
    EXPECT_EQ(data->Channels[2]->SourceFile, "src.spm");
    EXPECT_EQ(data->Header.FormatVersion, 1);
    EXPECT_EQ(data->Header.ChannelMask, 0x80000000u | 1u | 4u | (1u << 20));
    EXPECT_EQ(std::memcmp(data->Header.Reserved2, "carried", 7), 0);
    EXPECT_TRUE(data->Present.Contains(MarkersChannel));

    data->Acquire();  // in memory: only counts
    EXPECT_EQ(data->LockCount, 2);
}

TEST_F(SurfaceDataSwap, CountsAboveOneOnlyCountAndDestructionRemovesThePendingSwapFile)
{
    auto data = SmallSet();
    data->Acquire();
    data->Release();
    EXPECT_FALSE(data->SwappedOut);
    EXPECT_TRUE(temp.List().empty());
    data->Release();
    EXPECT_TRUE(data->SwappedOut);
    EXPECT_EQ(temp.List().size(), 1u);
    data.reset();
    EXPECT_TRUE(temp.List().empty());
}

TEST_F(SurfaceDataSwap, AFailedSwapOutKeepsTheDataAndLeavesNoFile)
{
    auto data = SmallSet();
    GlobalOptions.TempDir = temp.File("no-such-folder/");
    data->Release();
    EXPECT_FALSE(data->SwappedOut);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"ошибка создания файла"});
    EXPECT_EQ(messages.Recorded()[0].Caption, "Error");
    EXPECT_EQ(Values(*data->Channels[0])[9], 101);
    // Every later release tries again; the user has been told once for this set, while
    // another set gets its own message once.
    auto other = SmallSet();
    other->Release();
    for (int k = 0; k < 3; ++k) {
        data->Acquire();
        data->Release();
        other->Acquire();
        other->Release();
    }
    EXPECT_FALSE(data->SwappedOut);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"ошибка создания файла", "ошибка создания файла"}));
    GlobalOptions.TempDir = temp.Path();
    data->Acquire();
    data->Release();
    EXPECT_TRUE(data->SwappedOut);
}

TEST(SurfaceData, AnAllocationFailureInsideACopyOrCropAnswersWithTheMemoryMessage)
{
    platform::MessageRecorder messages;
    auto src = SmallSet();
    TSurfaceData copy("");
    // The second channel's share of each pass fails while the others run.
    platform::FailParallelItemForTesting(1);
    EXPECT_FALSE(copy.CopyFrom(*src));
    platform::FailParallelItemForTesting(1);
    EXPECT_FALSE(copy.CropFrom(*src, 0, 0, 3, 3));
    platform::FailParallelItemForTesting(SIZE_MAX);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{LoadErrorText(fmtErrorMemory), LoadErrorText(fmtErrorMemory)}));
    for (const auto& ch : copy.Channels)
        EXPECT_FALSE(ch);
    EXPECT_EQ(copy.Header.Width, 0);
    // The source is whole, and a copy without the failure succeeds.
    ASSERT_TRUE(copy.CopyFrom(*src));
    EXPECT_EQ(Values(*copy.Channels[2]), Values(*src->Channels[2]));
}

// The clean-up of leftovers passes over the swap files of this very run.
TEST_F(SurfaceDataSwap, TheLeftoverCleanUpKeepsTheSwapFilesOfTheRunningProgram)
{
    auto data = SmallSet();
    const auto before = Values(*data->Channels[0]);
    data->Release();
    ASSERT_TRUE(data->SwappedOut);
    testsupport::WriteBytes(temp.File("TMP60000.$$$"), {1, 2, 3});  // an ended run's
    RemoveLeftoverSwapFiles();
    ASSERT_EQ(temp.List(), std::vector<std::string>{platform::ExtractFileName(data->SwapFile)});
    data->Acquire();
    ASSERT_FALSE(data->SwappedOut);
    EXPECT_EQ(Values(*data->Channels[0]), before);
    EXPECT_TRUE(temp.List().empty());
    EXPECT_TRUE(messages.Texts().empty());
}

// A swap file damaged behind the program's back, or put back as a FIFO (which must not
// block the reload) or a folder, is a read error that leaves the set out.
TEST_F(SurfaceDataSwap, AReloadFailureLeavesTheSetOut)
{
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> damages = {
        {"damaged", [](const std::string& path) { testsupport::WriteBytes(path, {1, 0, 0}); }},
        {"FIFO", [](const std::string& path) { ::unlink(path.c_str()); ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); }},
        {"folder", [](const std::string& path) { ::unlink(path.c_str()); ASSERT_EQ(::mkdir(path.c_str(), 0700), 0); }},
    };
    for (const auto& [name, damage] : damages) {
        messages.Clear();
        auto data = SmallSet();
        data->Release();
        ASSERT_TRUE(data->SwappedOut) << name;
        const std::string swap = data->SwapFile;
        damage(swap);
        EXPECT_TRUE(testsupport::EndsWithoutWaitingOn({swap}, [&] { data->Acquire(); })) << name;
        EXPECT_TRUE(data->SwappedOut) << name;
        EXPECT_EQ(data->LockCount, 1) << name;
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{"ошибка чтения"}) << name;
        data.reset();
        ::rmdir(swap.c_str());
        ::unlink(swap.c_str());
    }
}

TEST(SurfaceData, CopyIsDeepAndNamesChannelsBySlot)
{
    platform::MessageRecorder messages;
    auto src = SmallSet();
    std::strcpy(src->Channels[0]->Header.Name, "Custom");
    src->Channels[0]->Name = "Custom";
    src->Channels[0]->Markers->Add(7, 9, 9, 9);
    src->Channels[0]->BuildPalette();
    TSurfaceData copy("");
    ASSERT_TRUE(copy.CopyFrom(*src));
    EXPECT_EQ(copy.Channels[0]->Name, "Topography");
    EXPECT_STREQ(copy.Channels[0]->Header.Name, "Custom");
    EXPECT_NE(copy.Channels[0].get(), src->Channels[0].get());
    EXPECT_EQ(Values(*copy.Channels[2]), Values(*src->Channels[2]));
    EXPECT_EQ(copy.Channels[0]->Markers->GetCount(), 4);
    EXPECT_EQ(copy.Channels[0]->Mean, src->Channels[0]->Mean);
    EXPECT_EQ(copy.ChannelList.size(), 3u);
    EXPECT_EQ(copy.ChannelList[2].Locate.Channel, 20);
    EXPECT_EQ(copy.SourceFile, "src.spm");
    EXPECT_EQ(copy.Header.Width, 8);
    // The copy is independent of its source.
    src->Channels[0]->Lock();
    src->Channels[0]->SetValue(0, 0, 777);
    src->Channels[0]->Unlock();
    EXPECT_EQ(Values(*copy.Channels[0])[0], 0);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST(SurfaceData, CropCutsInstrumentChannelsAndKeepsUserChannelsWhole)
{
    auto src = std::make_unique<TSurfaceData>("big.spm");
    src->Header.Width = 256;
    src->Header.Height = 256;
    AddChannel(*src, 0, 256, 256, [](int r, int c) { return r * 1000 + c; });
    AddChannel(*src, 20, 64, 64, [](int r, int c) { return r + c; });
    TSurfaceData cut("");
    ASSERT_TRUE(cut.CropFrom(*src, 10, 20, 109, 69));
    EXPECT_EQ(cut.Header.Width, 100);
    EXPECT_EQ(cut.Header.Height, 50);
    TSPMData& c0 = *cut.Channels[0];
    EXPECT_EQ(c0.Header.Width, 100);
    EXPECT_EQ(c0.Header.Height, 50);
    EXPECT_EQ(c0.Header.XStep, 2.5f);
    const auto v = Values(c0);
    EXPECT_EQ(v[0], 20 * 1000 + 10);
    EXPECT_EQ(v[49 * 100 + 99], 69 * 1000 + 109);
    EXPECT_EQ(c0.Header.Min, 20010);
    EXPECT_EQ(c0.Header.Max, 69109);
    EXPECT_EQ(cut.Channels[20]->Header.Width, 64);
    EXPECT_EQ(Values(*cut.Channels[20]), Values(*src->Channels[20]));
}

TEST(SurfaceData, CropClipsItsRectangleToTheSourceAndRefusesAnEmptyOne)
{
    auto src = SmallSet();
    TSurfaceData cut("");
    ASSERT_TRUE(cut.CropFrom(*src, -5, 4, 100, 100));
    EXPECT_EQ(cut.Header.Width, 8);
    EXPECT_EQ(cut.Header.Height, 2);
    EXPECT_EQ(Values(*cut.Channels[0])[0], 400);
    TSurfaceData none("");
    EXPECT_FALSE(none.CropFrom(*src, 20, 20, 30, 30));
    EXPECT_FALSE(none.Channels[0]);
}

TEST(SurfaceData, CopyOrCropOfASwappedOutSetIsRefusedWithOneMessage)
{
    testsupport::ScratchDir temp;
    GlobalOptions.TempDir = temp.Path();
    platform::MessageRecorder messages;
    auto src = SmallSet();
    src->Release();
    ASSERT_TRUE(src->SwappedOut);
    TSurfaceData copy("");
    EXPECT_FALSE(copy.CopyFrom(*src));
    EXPECT_FALSE(copy.CropFrom(*src, 0, 0, 3, 3));
    EXPECT_FALSE(copy.Channels[0]);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Lock data", "Lock data"}));
    // Channel operations on the shells refuse once each, never per sample.
    messages.Clear();
    src->ComputeStatistics(NoChannel);
    EXPECT_LE(messages.Count(), 3u);
    src->DeleteChannel(0);  // nothing while out
    EXPECT_TRUE(src->Channels[0]);
    GlobalOptions.TempDir.clear();
}

TEST(SurfaceData, FindsChannelsByExactNameAndAnswersSteps)
{
    auto data = SmallSet();
    EXPECT_EQ(data->IndexOfChannel("Phase"), 2);
    EXPECT_EQ(data->IndexOfChannel("phase"), -1);
    EXPECT_EQ(data->FindChannel("Tip"), data->Channels[20].get());
    EXPECT_EQ(data->FindChannel("Nothing"), nullptr);
    EXPECT_EQ(data->GetXStep(), 2.5f);
    EXPECT_EQ(data->GetYStep(), 3.5f);
    EXPECT_STREQ(data->GetXYUnit(), "nm");
    data->DeleteChannel(2);
    EXPECT_FALSE(data->Channels[2]);
    EXPECT_FALSE(data->Present.Contains(2));
    data->DeleteChannel(0);
    EXPECT_EQ(data->GetXStep(), 0.0f);  // no channel 0: no step, no crash
}

TEST(SurfaceData, StatisticsOfEveryChannelMatchOneByOne)
{
    auto a = SmallSet();
    auto b = SmallSet();
    for (auto* d : {a.get(), b.get()})
        for (auto& ch : d->Channels)
            if (ch)
                ch->Mean = ch->Rq = -1;
    a->ComputeStatistics(NoChannel);
    for (int c : {0, 2, 20})
        b->ComputeStatistics(c);
    for (int c : {0, 2, 20}) {
        EXPECT_EQ(a->Channels[c]->Mean, b->Channels[c]->Mean) << c;
        EXPECT_EQ(a->Channels[c]->Rq, b->Channels[c]->Rq) << c;
        EXPECT_NE(a->Channels[c]->Rq, -1) << c;
    }
}

// The file reports name: a channel's own source file, the data set's for a channel the
// program made, nothing without either.
TEST(ChannelSourceFile, IsTheChannelsOwnElseTheDataSetsFile)
{
    TSurfaceData set("/data/scan.spm");
    TSPMData loaded(2, 2, 0);
    loaded.SourceFile = "/other/first.spm";
    TSPMData made(2, 2, 0);
    EXPECT_EQ(ChannelSourceFile(loaded, &set), "/other/first.spm");
    EXPECT_EQ(ChannelSourceFile(made, &set), "/data/scan.spm");
    EXPECT_EQ(ChannelSourceFile(made, nullptr), "");
    TSurfaceData unnamed("");
    EXPECT_EQ(ChannelSourceFile(made, &unnamed), "");
}

// A cut of a channel smaller than the set keeps zeros where the channel holds nothing; every
// cut channel, of several bands of rows, gets the range and the statistics that computing
// them afresh gives, exactly.
TEST(SurfaceData, CropTakesTheRangeAndStatisticsOfItsCutAsAFreshPassDoes)
{
    auto src = std::make_unique<TSurfaceData>("big.spm");
    src->Header.Width = 300;
    src->Header.Height = 260;
    AddChannel(*src, 0, 300, 260,
               [](int r, int c) { return (r * 7919 + c * 104729) % 90001 - 45000; });
    AddChannel(*src, 1, 150, 100, [](int r, int c) { return 5 + r * 3 + c; });
    // Spans that are counted, with the extremes of the source as they are and stale.
    AddChannel(*src, 2, 300, 260, [](int r, int c) { return (r * 31 + c * 17) % 1500 - 700; });
    AddChannel(*src, 3, 300, 260, [](int r, int c) { return (r * 13 + c * 7) % 900 + r / 9; });
    src->Channels[3]->Header.Max -= 40;
    TSurfaceData cut("");
    ASSERT_TRUE(cut.CropFrom(*src, 120, 40, 279, 239));
    ASSERT_EQ(cut.Header.Width, 160);
    ASSERT_EQ(cut.Header.Height, 200);

    const auto small = Values(*cut.Channels[1]);
    ASSERT_EQ(small.size(), 160u * 200u);
    EXPECT_EQ(small[0], 5 + 40 * 3 + 120);
    EXPECT_EQ(small[29], 5 + 40 * 3 + 149);
    EXPECT_EQ(small[30], 0);                    // past the channel's last column
    EXPECT_EQ(small[std::size_t(60) * 160], 0); // past its last row
    EXPECT_EQ(cut.Channels[1]->Header.Min, 0);
    EXPECT_EQ(cut.Channels[1]->Header.Max, 5 + 99 * 3 + 149);

    for (int slot : {0, 1, 2, 3}) {
        TSPMData& got = *cut.Channels[slot];
        TSPMData fresh(got.Header.Width, got.Header.Height, slot);
        fresh.Header.ZScale = got.Header.ZScale;
        fresh.Lock();
        const auto values = Values(got);
        std::memcpy(fresh.GetData(), values.data(), values.size() * sizeof(std::int32_t));
        fresh.Unlock();
        fresh.ComputeRange();
        fresh.ComputeStatistics();
        EXPECT_EQ(got.Header.Min, fresh.Header.Min) << slot;
        EXPECT_EQ(got.Header.Max, fresh.Header.Max) << slot;
        EXPECT_EQ(got.Mean, fresh.Mean) << slot;
        EXPECT_EQ(got.Ra, fresh.Ra) << slot;
        EXPECT_EQ(got.Rq, fresh.Rq) << slot;
        EXPECT_EQ(got.Rsk, fresh.Rsk) << slot;
        EXPECT_EQ(got.Rku, fresh.Rku) << slot;
        EXPECT_TRUE(got.HasPalette) << slot;
    }
}
