#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <sys/stat.h>

#include "data/DataFixtures.h"
#include "data/Fileformat.h"
#include "data/FormatTables.h"
#include "data/Options.h"
#include "data/Spm1format.h"
#include "platform/core/Messages.h"
#include "platform/core/Parallel.h"
#include "support/TestSupport.h"

using namespace datafixtures;

namespace {

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { RegisterBuiltInFormats(); }
    void TearDown() override { ClearFileFormats(); }

    // Writes the set through a format slot and answers the path.
    std::string Save(TSurfaceData& data, int slot, ChannelSet channels, const char* name)
    {
        const std::string path = dir.File(name);
        EXPECT_EQ(SaveWithFormat(FileFormats[slot].get(), path, &data, &channels), fmtOk);
        return path;
    }

    // A fresh data set that reads the file's info and then the channels it offers.
    std::unique_ptr<TSurfaceData> Open(const std::string& path, int slot, std::int32_t* status)
    {
        auto data = std::make_unique<TSurfaceData>(path);
        *status = ReadInfoWithFormat(FileFormats[slot].get(), slot, data.get());
        if (*status != fmtOk)
            return data;
        ChannelSet channels = data->Available;
        channels.Exclude(MarkersChannel);
        *status = LoadWithFormat(FileFormats[slot].get(), path, data.get(), &channels);
        data->Present = channels;
        return data;
    }

    testsupport::ScratchDir dir;
    platform::MessageRecorder messages;
};

}  // namespace

TEST(FormatTable, PlacesTheBuiltInFormats)
{
    RegisterBuiltInFormats();
    ASSERT_EQ(FileFormatCount, 3);
    EXPECT_EQ(FileFormats[0]->FilterText, "SPM format (*.spm;*.ppm)|*.spm;*.ppm");
    EXPECT_EQ(FileFormats[1]->FilterText, "SPM format 2001 (*.spm)|*.spm");
    EXPECT_EQ(FileFormats[2]->FilterText, "MSS format (*.afm)|*.afm");
    EXPECT_EQ(FileFormats[0]->Extension, ".spm");
    EXPECT_EQ(FileFormats[2]->Extension, ".afm");
    EXPECT_EQ(FileFormats[0]->MultiMatrix, 0);
    EXPECT_EQ(FileFormats[1]->MultiMatrix, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(FileFormats[i]->Kind, 0);
        EXPECT_TRUE(FileFormats[i]->GetInfoProc && FileFormats[i]->LoadProc && FileFormats[i]->SaveProc);
    }
    EXPECT_FALSE(FileFormats[3]);
    ClearFileFormats();
    EXPECT_EQ(FileFormatCount, 0);
    EXPECT_FALSE(FileFormats[0]);
}

TEST(FormatTable, MessageTablesFollowTheStatus)
{
    struct Row { std::int32_t status; const char* english; const char* second; };
    const Row rows[] = {
        {0, "", "нет ошибок"},
        {1, "No file", "отсутствие файла"},
        {-2, "Error create file", "ошибка создания файла"},
        {-3, "Error open file", "ошибка открытия файла"},
        {-4, "Error read file", "ошибка чтения"},
        {-5, "Error write file", "ошибка записи"},
        {-6, "Invalid format file", "ошибка формата"},
        {-7, "Error memory allocate", "ошибка работы с памятью"},
        {-8, "Values out of the format's range", ""},
        {-9, "", ""},
        {INT32_MIN, "", ""},
    };
    for (const Row& r : rows) {
        EXPECT_STREQ(FormatErrorText(r.status), r.english) << r.status;
        EXPECT_STREQ(LoadErrorText(r.status), r.second) << r.status;
    }
    platform::MessageRecorder messages;
    ShowFormatError(nullptr, fmtErrorFormat);
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Recorded()[0].Text, "Invalid format file");
    EXPECT_EQ(messages.Recorded()[0].Caption, "Error");
    EXPECT_EQ(messages.Recorded()[0].Icon, platform::MessageIcon::Error);
}

TEST(FormatTable, ADescriptionFileEntryReadsAndWritesNothing)
{
    TFileFormat entry("lib.so", "Other format", 1, "*.oth");
    EXPECT_EQ(entry.Kind, 1);
    EXPECT_EQ(entry.FilterText, "Other format");
    ChannelSet available{3};
    TFileHeader header{};
    header.Width = 77;
    TChannelNameTable names{};
    std::strcpy(names[0], "kept");
    EXPECT_EQ(CallGetInfo(&entry, "/no/such/file", &available, &names, &header), fmtOk);
    EXPECT_EQ(available, ChannelSet{3});
    EXPECT_EQ(header.Width, 77);
    EXPECT_STREQ(names[0], "kept");

    auto data = SmallSet();
    ChannelSet channels{0};
    EXPECT_EQ(LoadWithFormat(&entry, "/no/such/file", data.get(), &channels), fmtOk);
    EXPECT_TRUE(data->Channels[0]);
    testsupport::ScratchDir dir;
    ChannelSet save{0};
    EXPECT_EQ(SaveWithFormat(&entry, dir.File("x"), data.get(), &save), fmtOk);
    EXPECT_TRUE(dir.List().empty());
}

TEST_F(Dispatch, AnSpm0FileOffersOneTopographyChannel)
{
    auto data = SmallFileSet();
    const std::string path = Save(*data, 0, {2}, "one.spm");
    std::int32_t status;
    auto opened = Open(path, 0, &status);
    ASSERT_EQ(status, fmtOk);
    EXPECT_EQ(opened->Available, ChannelSet{0});
    ASSERT_EQ(opened->ChannelList.size(), 1u);
    EXPECT_EQ(opened->ChannelList[0].Name, "Topography");
    EXPECT_EQ(opened->ChannelList[0].Locate.Path, path);
    EXPECT_EQ(opened->ChannelList[0].Locate.Channel, 0);
    EXPECT_EQ(opened->ChannelList[0].Locate.FormatIndex, 0);
    ASSERT_TRUE(opened->Channels[0]);
    EXPECT_EQ(opened->Channels[0]->Name, "Topography");
    // SPM0 keeps no markers: the loaded channel has the default three.
    EXPECT_EQ(opened->Channels[0]->Markers->GetCount(), 3);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(Dispatch, SavingNamesAnEmptySlotDropsItAndAsksForMarkers)
{
    auto data = SmallSet();
    ChannelSet channels{0, 7};
    ASSERT_EQ(SaveWithFormat(FileFormats[1].get(), dir.File("a.spm"), data.get(), &channels), fmtOk);
    EXPECT_EQ(channels, (ChannelSet{0, MarkersChannel}));
    EXPECT_EQ(data->Header.ChannelMask, 0x80000001u);
}

TEST_F(Dispatch, Spm1RoundTripKeepsMarkersUserChannelsAndEveryMarker)
{
    auto data = SmallFileSet();
    TSPMData* ch0 = data->Channels[0].get();
    // More markers than the old fixed buffer of 50 could hold.
    for (int k = 0; k < 60; ++k)
        ch0->Markers->Add(k % 40, k, 2 * k % 256, 255 - k);
    ch0->BuildPalette();
    // Channel 2 keeps no markers at all: it must come back with the default palette.
    data->Channels[2]->Markers = std::make_unique<TPALETTEMARKER>();
    const std::string path = Save(*data, 1, {0, 2, 20}, "all.spm");

    std::int32_t status;
    auto opened = Open(path, 1, &status);
    ASSERT_EQ(status, fmtOk);
    EXPECT_EQ(opened->Available, (ChannelSet{0, 2, 20, MarkersChannel}));
    ASSERT_TRUE(opened->Channels[0] && opened->Channels[2] && opened->Channels[20]);
    EXPECT_EQ(opened->Channels[0]->Markers->GetCount(), 63);
    EXPECT_EQ(opened->Channels[2]->Markers->GetCount(), 3);
    EXPECT_TRUE(opened->Channels[2]->HasPalette);
    EXPECT_EQ(opened->Channels[20]->Header.Width, 5);
    EXPECT_EQ(opened->Channels[20]->Header.Height, 3);
    EXPECT_EQ(Values(*opened->Channels[20]), Values(*data->Channels[20]));
    EXPECT_EQ(Values(*opened->Channels[0]), Values(*data->Channels[0]));
    EXPECT_EQ(opened->Channels[0]->Header.Min, 0);
    EXPECT_EQ(opened->Channels[0]->Header.Max, 507);
    EXPECT_EQ(opened->Channels[0]->SourceFile, path);
    EXPECT_EQ(opened->ChannelList.size(), 3u);
}

TEST_F(Dispatch, AnUnreadableFileShowsTheEnglishTextAndKeepsTheChannelList)
{
    std::vector<std::uint8_t> spm1Word(512, 0);
    spm1Word[0] = 1;  // an SPM1 file offered as SPM0
    testsupport::WriteBytes(dir.File("bad.spm"), spm1Word);
    TSurfaceData data(dir.File("bad.spm"));
    data.ChannelList.push_back({"kept", {}});
    EXPECT_EQ(ReadInfoWithFormat(FileFormats[0].get(), 0, &data), fmtErrorFormat);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Invalid format file"});
    ASSERT_EQ(data.ChannelList.size(), 1u);
    EXPECT_EQ(data.ChannelList[0].Name, "kept");

    TSurfaceData missing(dir.File("none.spm"));
    EXPECT_EQ(ReadInfoWithFormat(FileFormats[1].get(), 1, &missing), fmtErrorOpen);
    EXPECT_EQ(messages.Texts().back(), "Error open file");
}

// Every reader takes regular files only: a FIFO named as a scan of each kind (which must not
// block the reader), a folder and a device are read errors, with nothing loaded and the
// channel list kept.
TEST_F(Dispatch, ScansThatAreNoRegularFilesAreReadErrorsWithoutWaiting)
{
    ASSERT_EQ(::mkdir(dir.File("fifo").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0700), 0);
    std::vector<std::string> fifos;
    for (const char* name : {"x.spm", "x.ppm", "x.afm"}) {
        fifos.push_back(dir.File("fifo/") + name);
        ASSERT_EQ(::mkfifo(fifos.back().c_str(), 0600), 0);
        ASSERT_EQ(::mkdir((dir.File("folder/") + name).c_str(), 0700), 0);
    }
    struct Case {
        int slot;
        const char* name;
    };
    const Case cases[] = {{0, "x.spm"}, {0, "x.ppm"}, {1, "x.spm"}, {2, "x.afm"}};
    std::vector<std::pair<int, std::string>> files;
    for (const Case& c : cases)
        for (const char* kind : {"fifo/", "folder/"})
            files.emplace_back(c.slot, dir.File(kind) + c.name);
    files.emplace_back(1, "/dev/null");
    const bool inTime = testsupport::EndsWithoutWaitingOn(fifos, [&] {
        for (const auto& [slot, path] : files) {
            messages.Clear();
            TFileFormat& format = *FileFormats[slot];
            ChannelSet available{3};
            TFileHeader header{};
            TChannelNameTable names{};
            EXPECT_EQ(format.GetInfoProc(path.c_str(), &available, &header, &names), fmtErrorRead) << path;
            EXPECT_TRUE(available.Empty()) << path;
            formattables::Tables t;
            ChannelSet request{0, 4, MarkersChannel};
            EXPECT_EQ(format.LoadProc(path.c_str(), 8, 6, t.table, &t.arrays, &request), fmtErrorRead) << path;
            EXPECT_TRUE(request.Empty()) << path;

            TSurfaceData data(path);
            data.ChannelList.push_back({"kept", {}});
            EXPECT_EQ(ReadInfoWithFormat(&format, slot, &data), fmtErrorRead) << path;
            EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error read file"}) << path;
            ASSERT_EQ(data.ChannelList.size(), 1u) << path;
        }
    });
    EXPECT_TRUE(inTime) << "a reader waited on a FIFO";
}

TEST_F(Dispatch, AFailedLoadTouchesNoSlot)
{
    auto data = SmallFileSet();
    const std::string path = Save(*data, 1, {0, 2}, "cut.spm");
    auto bytes = testsupport::ReadBytes(path);
    bytes.resize(224 + 2 * 336 + 2 * 8 * 6 + 10);  // the second channel's samples cut short
    testsupport::WriteBytes(path, bytes);
    TSPMData* before = data->Channels[0].get();
    ChannelSet channels{0, 2};
    EXPECT_EQ(LoadWithFormat(FileFormats[1].get(), path, data.get(), &channels), fmtErrorRead);
    EXPECT_EQ(data->Channels[0].get(), before);
    EXPECT_FALSE(channels.Contains(0));
}

TEST_F(Dispatch, AnAllocationFailureWhileChannelsAreBuiltAnswersMinus7AndTouchesNoSlot)
{
    auto data = SmallFileSet();
    const std::string path = Save(*data, 1, {0, 2, 20}, "all.spm");
    TSPMData* before[] = {data->Channels[0].get(), data->Channels[2].get(), data->Channels[20].get()};
    ChannelSet channels{0, 2, 20};
    platform::FailParallelItemForTesting(2);
    EXPECT_EQ(LoadWithFormat(FileFormats[1].get(), path, data.get(), &channels), fmtErrorMemory);
    platform::FailParallelItemForTesting(SIZE_MAX);
    EXPECT_EQ(channels, ChannelSet{});
    EXPECT_EQ(data->Channels[0].get(), before[0]);
    EXPECT_EQ(data->Channels[2].get(), before[1]);
    EXPECT_EQ(data->Channels[20].get(), before[2]);
}

TEST_F(Dispatch, MssStillOpensThroughItsSlotWithDescriptionFileEntriesInstalled)
{
    FileFormats[3] = std::make_unique<TFileFormat>("x.so", "X files", 0, "*.x");
    FileFormatCount = 4;
    std::vector<std::uint8_t> mss(232, 0);
    mss[4] = 2;  // height
    mss[6] = 3;  // width
    const double z = 0.25;
    std::memcpy(&mss[192], &z, 8);
    for (int i = 0; i < 12; ++i)
        testsupport::Put<std::uint16_t>(mss, static_cast<std::uint16_t>(60000 + i));
    testsupport::WriteBytes(dir.File("a.afm"), mss);
    std::int32_t status;
    auto opened = Open(dir.File("a.afm"), 2, &status);
    ASSERT_EQ(status, fmtOk);
    EXPECT_EQ(opened->Available, (ChannelSet{0, 4}));
    ASSERT_EQ(opened->ChannelList.size(), 2u);
    EXPECT_EQ(opened->ChannelList[0].Name, "Topography");
    EXPECT_EQ(opened->ChannelList[1].Name, "Frequency");
    ASSERT_TRUE(opened->Channels[4]);
    EXPECT_EQ(Values(*opened->Channels[0])[0], 60000);
    EXPECT_EQ(Values(*opened->Channels[4])[5], 60011);
    EXPECT_EQ(opened->Channels[4]->Header.ZScale, 0.25f);
}

namespace {

using MarkerList = std::vector<std::array<std::int32_t, 4>>;  // position, red, green, blue

MarkerList ListOf(const TPALETTEMARKER& markers)
{
    MarkerList out(std::size_t(markers.GetCount()));
    for (std::int32_t k = 0; k < markers.GetCount(); ++k)
        markers.Get(k, out[std::size_t(k)][0], out[std::size_t(k)][1], out[std::size_t(k)][2],
                    out[std::size_t(k)][3]);
    return out;
}

// Markers that stand in the lists exactly in the given order, whatever their positions.
std::unique_ptr<TPALETTEMARKER> InOrder(const MarkerList& list)
{
    auto markers = std::make_unique<TPALETTEMARKER>();
    for (const auto& m : list) {
        markers->Red.InsertAfter(markers->Count - 1, m[0], m[1]);
        markers->Green.InsertAfter(markers->Count - 1, m[0], m[2]);
        markers->Blue.InsertAfter(markers->Count - 1, m[0], m[3]);
        ++markers->Count;
    }
    return markers;
}

}  // namespace

TEST_F(Dispatch, LoadedMarkersAreThoseThatAddingThemInFileOrderGives)
{
    std::mt19937 rng(99);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int set = 0; set < 60; ++set) {
        // Any order a file may hold: ascending, with equal positions, or none at all.
        MarkerList stored(std::size_t(pick(1, 40)));
        const bool ascending = set % 3 == 0;
        for (std::size_t k = 0; k < stored.size(); ++k)
            stored[k] = {ascending ? static_cast<std::int32_t>(k / 2) * 7 : pick(-3, 30), pick(0, 255),
                         pick(0, 255), pick(0, 255)};
        auto data = SmallFileSet();
        data->Channels[0]->Markers = InOrder(stored);
        const std::string path = Save(*data, 1, {0}, "order.spm");

        TPALETTEMARKER added;
        for (const auto& m : stored)
            added.Add(m[0], m[1], m[2], m[3]);
        std::int32_t status;
        auto opened = Open(path, 1, &status);
        ASSERT_EQ(status, fmtOk);
        ASSERT_TRUE(opened->Channels[0] && opened->Channels[0]->Markers);
        EXPECT_EQ(ListOf(*opened->Channels[0]->Markers), ListOf(added)) << "set " << set;
        if (ascending)
            EXPECT_EQ(ListOf(added), stored);
    }
}

TEST_F(Dispatch, MarkerListsOfAnySizeAreLoadedSavedAndSwappedInTheirOrder)
{
    GlobalOptions.TempDir = dir.Path();
    std::mt19937 rng(5);
    for (const std::size_t count : {std::size_t{1}, std::size_t{2}, std::size_t{65536}}) {
        // Ascending positions, many of them equal, with colours of their own.
        MarkerList list(count);
        std::int32_t position = static_cast<std::int32_t>(rng() % 5);
        for (auto& m : list) {
            position += static_cast<std::int32_t>(rng() % 3 == 0);
            m = {position, std::int32_t(rng() % 256), std::int32_t(rng() % 256), std::int32_t(rng() % 256)};
        }
        auto data = SmallFileSet();
        data->Channels[0]->Markers = InOrder(list);
        data->Channels[0]->BuildPalette();
        const std::string path = Save(*data, 1, {0, 2}, "many.spm");

        std::int32_t status;
        auto opened = Open(path, 1, &status);
        ASSERT_EQ(status, fmtOk);
        EXPECT_EQ(ListOf(*opened->Channels[0]->Markers), list) << count;
        const auto& entries = opened->Channels[0]->PaletteTable->palPalEntry;
        const auto& built = data->Channels[0]->PaletteTable->palPalEntry;
        ASSERT_EQ(entries.size(), built.size());
        EXPECT_EQ(std::memcmp(entries.data(), built.data(), entries.size() * sizeof entries[0]), 0);

        // Saved again: the same bytes.
        const std::string again = Save(*opened, 1, {0, 2}, "again.spm");
        EXPECT_EQ(testsupport::ReadBytes(again), testsupport::ReadBytes(path)) << count;

        opened->Release();
        ASSERT_TRUE(opened->SwappedOut);
        opened->Acquire();
        ASSERT_FALSE(opened->SwappedOut);
        EXPECT_EQ(ListOf(*opened->Channels[0]->Markers), list) << count;
        EXPECT_EQ(ListOf(*opened->Channels[2]->Markers), ListOf(*data->Channels[2]->Markers));
    }
    EXPECT_TRUE(messages.Texts().empty());
    GlobalOptions.TempDir.clear();
}
