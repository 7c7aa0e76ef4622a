#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "data/FormatTables.h"
#include "data/Spm1format.h"
#include "platform/core/Files.h"
#include "support/TestSupport.h"

using testsupport::Put;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

// Found by the comparisons of std::vector<MarkerRecord> (global, as MarkerRecord is).
static bool operator==(const MarkerRecord& a, const MarkerRecord& b)
{
    return a.Position == b.Position && a.Red == b.Red && a.Green == b.Green && a.Blue == b.Blue;
}

using formattables::Members;
using formattables::Tables;

namespace {

TChannelHeader ChannelHeader(int width, int height, const char* name)
{
    TChannelHeader h{};
    h.Width = static_cast<std::uint16_t>(width);
    h.Height = static_cast<std::uint16_t>(height);
    h.XStep = 1.25f;
    h.YStep = 2.5f;
    h.ZScale = 0.5f;
    h.Min = -3;
    h.Max = 9;
    std::strcpy(h.Name, name);
    std::strcpy(h.XYUnit, "nm");
    std::strcpy(h.ZUnit, "V");
    std::strcpy(h.Comment, "scan");
    return h;
}

// One stored channel of a hand-built file; samples as they stand in the file.
struct Stored {
    int slot;
    TChannelHeader header;
    std::vector<std::int32_t> samples;
    std::vector<MarkerRecord> markers;
};

TFileHeader FileHeader(int width, int height)
{
    TFileHeader h{};
    h.FormatVersion = 1;
    h.Width = static_cast<std::uint16_t>(width);
    h.Height = static_cast<std::uint16_t>(height);
    std::memcpy(h.Reserved2, "carried along", 13);
    h.Rectangles[1][2] = 77;
    h.Reserved216[7] = 0xAB;
    return h;
}

// The bytes of a file in the SPM1 layout: samples of `sampleBytes` bytes (2 for SPM1,
// 4 for swap files); the mask is made from the channels, bit 31 when `markers`.
std::vector<std::uint8_t> FileBytes(TFileHeader header, const std::vector<Stored>& channels,
                                    bool markers, int sampleBytes = 2)
{
    header.ChannelMask = markers ? MarkersPresentBit : 0;
    for (const Stored& s : channels)
        header.ChannelMask |= 1u << s.slot;
    std::vector<std::uint8_t> bytes;
    Put(bytes, header);
    for (const Stored& s : channels)
        Put(bytes, s.header);
    for (const Stored& s : channels)
        for (std::int32_t v : s.samples) {
            if (sampleBytes == 2)
                Put(bytes, static_cast<std::int16_t>(v));
            else
                Put(bytes, v);
        }
    if (markers)
        for (const Stored& s : channels) {
            Put(bytes, static_cast<std::int32_t>(s.markers.size()));
            for (const MarkerRecord& m : s.markers)
                Put(bytes, m);
        }
    return bytes;
}

// Channels 0 and 1 of 2 × 2 and a 3 × 1 user channel 20, each with markers.
std::vector<Stored> ThreeChannels()
{
    return {
        {0, ChannelHeader(2, 2, "Topography"), {1, -2, 3, -4}, {{0, 0, 0, 0}, {9, 255, 128, 1}}},
        {1, ChannelHeader(2, 2, "Back"), {100, 200, -300, 32767}, {{4, 10, 20, 30}}},
        {20,
         ChannelHeader(3, 1, "Tip"),
         {-32768, 0, 5},
         {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 9, 9, 9}}},
    };
}

class Spm1 : public ::testing::Test {
protected:
    std::string Write(const std::vector<std::uint8_t>& bytes, const char* name = "in.spm")
    {
        const std::string path = dir.File(name);
        WriteBytes(path, bytes);
        return path;
    }

    // Fills `t` for a writer from the channels: headers, values and markers.
    static void Offer(Tables& t, std::vector<Stored>& channels)
    {
        for (Stored& s : channels) {
            t.headers[s.slot] = s.header;
            t.arrays.Values[s.slot] = s.samples.data();
            t.arrays.Counts[s.slot] = static_cast<std::int32_t>(s.markers.size());
            t.arrays.Markers[s.slot] = s.markers.data();
        }
    }

    testsupport::ScratchDir dir;
};

} // namespace

TEST_F(Spm1, WritesTheFileExactly)
{
    // Channels 0 and 2 of 2 × 1 with markers. Channel 2's largest value 40000 gives the
    // offset 40000 - 32767 = 7233, so 40000 is stored as 32767 and 0 as -7233.
    std::vector<Stored> channels = {
        {0, ChannelHeader(2, 1, "Topography"), {1, -2}, {{0, 10, 20, 30}}},
        {2, ChannelHeader(2, 1, "Phase"), {40000, 0}, {}},
    };
    Tables t;
    Offer(t, channels);
    TFileHeader header = FileHeader(2, 1);
    header.FormatVersion = 0;
    header.ChannelMask = 0x12345678;
    const TFileHeader before = header;
    ChannelSet set{0, 2, MarkersChannel};
    const std::string path = dir.File("out.spm");
    ASSERT_EQ(SaveSPM1File(path.c_str(), &header, t.table, &t.arrays, &set), fmtOk);
    EXPECT_EQ(header.FormatVersion, 1);
    EXPECT_EQ(header.ChannelMask, 0x80000005u);

    std::vector<std::uint8_t> expected;
    Put(expected, before);
    expected[0] = 1; // FormatVersion
    expected[1] = 0;
    const std::uint8_t mask[4] = {0x05, 0x00, 0x00, 0x80};
    std::memcpy(&expected[60], mask, 4);
    Put(expected, channels[0].header); // channel headers byte for byte
    Put(expected, channels[1].header);
    for (std::int16_t s : {1, -2, 32767, -7233})
        Put(expected, s);
    for (std::int32_t v : {1, 0, 10, 20, 30, 0}) // count, record, count
        Put(expected, v);
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST_F(Spm1, OffsetRuleOfTheStoredSamples)
{
    // Each row is one channel; expected values hand-computed from the offset rule:
    // largest - 32767 when the largest exceeds 32767, else smallest + 32768 when the
    // smallest is below -32768, else 0; sample = value - offset. A channel spanning more
    // than 65536 values is refused (empty readBack) and the file already there stays.
    struct Case {
        const char* what;
        std::vector<std::int32_t> values, readBack;
    };
    const Case cases[] = {
        {"16-bit values stay", {-32768, 0, 32767}, {-32768, 0, 32767}},
        {"largest 40000, offset 7233", {40000, 0, 39999, -25535}, {32767, -7233, 32766, -32768}},
        {"largest INT32_MAX, offset 0x7FFF8000",
         {INT32_MAX, INT32_MAX - 1, INT32_MAX - 65535},
         {32767, 32766, -32768}},
        {"smallest -40000 with largest 0, offset -7232", {-40000, 0, -1}, {-32768, 7232, 7231}},
        {"all below -32768, offset -37232", {-70000, -10000}, {-32768, 27232}},
        {"INT32_MIN, offset INT32_MIN + 32768", {INT32_MIN, INT32_MIN + 65535}, {-32768, 32767}},
        {"100000 with -70000 spans 170001 values", {100000, -70000}, {}},
        {"40000 with -25536 spans 65537 values", {40000, -25536}, {}},
        {"INT32_MIN with 5", {INT32_MIN, 5}, {}},
    };
    const std::vector<std::uint8_t> old = {1, 2, 3};
    for (const Case& c : cases) {
        const int n = static_cast<int>(c.values.size());
        std::vector<Stored> channels = {{0, ChannelHeader(1, 1, "t"), {0}, {}},
                                        {21, ChannelHeader(n, 1, "u"), c.values, {}}};
        Tables t;
        Offer(t, channels);
        TFileHeader header = FileHeader(1, 1);
        ChannelSet set{0, 21};
        const std::string path = Write(old, "offset.spm");
        if (c.readBack.empty()) {
            EXPECT_EQ(SaveSPM1File(path.c_str(), &header, t.table, &t.arrays, &set), fmtErrorRange) << c.what;
            EXPECT_EQ(ReadBytes(path), old) << c.what;
            continue;
        }
        ASSERT_EQ(SaveSPM1File(path.c_str(), &header, t.table, &t.arrays, &set), fmtOk) << c.what;

        Tables back;
        ChannelSet request{0, 21};
        ASSERT_EQ(LoadSPM1File(path.c_str(), 1, 1, back.table, &back.arrays, &request), fmtOk);
        EXPECT_EQ(back.Values(21), c.readBack) << c.what;
        EXPECT_EQ(back.Values(0), std::vector<std::int32_t>{0}) << c.what;
        // The header is stored as the channel holds it.
        EXPECT_EQ(back.headers[21].Min, -3);
        EXPECT_EQ(back.headers[21].Max, 9);
    }
}

TEST_F(Spm1, LoadsTheRequestedChannelAndReadsEveryHeader)
{
    const std::string path = Write(FileBytes(FileHeader(2, 2), ThreeChannels(), true));
    Tables t;
    ChannelSet request{1, MarkersChannel};
    ASSERT_EQ(LoadSPM1File(path.c_str(), 2, 2, t.table, &t.arrays, &request), fmtOk);
    EXPECT_EQ(Members(request), (std::vector<int>{1, MarkersChannel}));

    for (const Stored& s : ThreeChannels()) {
        EXPECT_EQ(std::memcmp(&t.headers[s.slot], &s.header, sizeof s.header), 0) << s.slot;
        EXPECT_EQ(t.arrays.Counts[s.slot], static_cast<std::int32_t>(s.markers.size())) << s.slot;
    }
    EXPECT_EQ(t.Values(1), ThreeChannels()[1].samples);
    EXPECT_EQ(t.Markers(1), ThreeChannels()[1].markers);
    EXPECT_EQ(t.arrays.Values[0], nullptr);
    EXPECT_EQ(t.arrays.Values[20], nullptr);
    EXPECT_EQ(t.arrays.Markers[0], nullptr);
    EXPECT_EQ(t.arrays.Markers[20], nullptr);
}

TEST_F(Spm1, ChannelsOfAnotherSizeAreLeftOut)
{
    // The set is 3 × 3: channels 0 and 1 (2 × 2) are skipped without an error; the user
    // channel has a size of its own and loads.
    const std::string path = Write(FileBytes(FileHeader(2, 2), ThreeChannels(), true));
    Tables t;
    ChannelSet request{0, 1, 20, MarkersChannel};
    ASSERT_EQ(LoadSPM1File(path.c_str(), 3, 3, t.table, &t.arrays, &request), fmtOk);
    EXPECT_EQ(Members(request), (std::vector<int>{20, MarkersChannel}));
    EXPECT_EQ(t.arrays.Values[0], nullptr);
    EXPECT_EQ(t.arrays.Values[1], nullptr);
    EXPECT_EQ(t.Values(20), ThreeChannels()[2].samples);
    EXPECT_EQ(t.Markers(20), ThreeChannels()[2].markers);
}

TEST_F(Spm1, FileWithoutMarkerBitAnswersWithoutMarkers)
{
    const std::string path = Write(FileBytes(FileHeader(2, 2), ThreeChannels(), false));
    Tables t;
    ChannelSet request{0, 1, 20, MarkersChannel};
    ASSERT_EQ(LoadSPM1File(path.c_str(), 2, 2, t.table, &t.arrays, &request), fmtOk);
    EXPECT_EQ(Members(request), (std::vector<int>{0, 1, 20}));
    for (int c : {0, 1, 20}) {
        EXPECT_EQ(t.arrays.Counts[c], 0);
        EXPECT_EQ(t.arrays.Markers[c], nullptr);
    }
    EXPECT_EQ(t.Values(0), ThreeChannels()[0].samples);
    EXPECT_EQ(t.Values(20), ThreeChannels()[2].samples);
}

TEST_F(Spm1, InfoNamesTheStoredChannels)
{
    auto channels = ThreeChannels();
    // A name filling all 32 bytes is cut to 31 characters.
    std::memset(channels[2].header.Name, 'n', sizeof channels[2].header.Name);
    const std::string path = Write(FileBytes(FileHeader(2, 2), channels, true));
    ChannelSet available{7};
    TFileHeader header{};
    TChannelNameTable names{};
    ASSERT_EQ(GetSPM1FileInfo(path.c_str(), &available, &header, &names), fmtOk);
    EXPECT_EQ(Members(available), (std::vector<int>{0, 1, 20, MarkersChannel}));
    EXPECT_STREQ(names[0], "Topography");
    EXPECT_STREQ(names[1], "Back");
    EXPECT_EQ(std::string(names[20]), std::string(31, 'n'));
    EXPECT_STREQ(names[2], "");
    TFileHeader expected = FileHeader(2, 2);
    expected.ChannelMask = 0x80100003u;
    EXPECT_EQ(std::memcmp(&header, &expected, sizeof header), 0);
}

TEST_F(Spm1, InfoRefusals)
{
    struct Case {
        const char* what;
        std::uint16_t version;
        int fileWidth, fileHeight;
        std::vector<Stored> channels;
        std::int32_t status;
    };
    const Case cases[] = {
        {"version 2", 2, 2, 2, ThreeChannels(), fmtErrorFormat},
        {"version 0", 0, 2, 2, ThreeChannels(), fmtErrorFormat},
        {"channel of width 0", 1, 2, 2, {{1, ChannelHeader(0, 2, "a"), {}, {}}}, fmtErrorFormat},
        {"user channel of height 0",
         1,
         2,
         2,
         {{20, ChannelHeader(3, 0, "a"), {}, {}}},
         fmtErrorFormat},
        {"channel 0 but no set width",
         1,
         0,
         2,
         {{0, ChannelHeader(2, 2, "a"), {0, 0, 0, 0}, {}}},
         fmtErrorFormat},
        {"channel 19 but no set height",
         1,
         2,
         0,
         {{19, ChannelHeader(2, 2, "a"), {0, 0, 0, 0}, {}}},
         fmtErrorFormat},
        {"only a user channel, no set size",
         1,
         0,
         0,
         {{20, ChannelHeader(1, 1, "a"), {7}, {}}},
         fmtOk},
    };
    for (const Case& c : cases) {
        TFileHeader fh = FileHeader(c.fileWidth, c.fileHeight);
        fh.FormatVersion = c.version;
        const std::string path = Write(FileBytes(fh, c.channels, false));
        ChannelSet available{3};
        TFileHeader header{};
        TChannelNameTable names{};
        EXPECT_EQ(GetSPM1FileInfo(path.c_str(), &available, &header, &names), c.status) << c.what;
        if (c.status != fmtOk) {
            EXPECT_TRUE(available.Empty()) << c.what;
        }
    }
    ChannelSet available;
    TFileHeader header{};
    TChannelNameTable names{};
    EXPECT_EQ(GetSPM1FileInfo(dir.File("missing.spm").c_str(), &available, &header, &names),
              fmtErrorOpen);
    Tables t;
    ChannelSet request{0};
    EXPECT_EQ(LoadSPM1File(dir.File("missing.spm").c_str(), 2, 2, t.table, &t.arrays, &request),
              fmtErrorOpen);
}

TEST_F(Spm1, FilesCutShortAtEveryBoundary)
{
    // Channels 0 (2 × 2) and 20 (3 × 1) with 2 and 1 markers: headers end at
    // 224 + 2 × 336 = 896, samples at 896 + 8 + 6 = 910, channel 0's markers at
    // 910 + 4 + 32 = 946, the file at 946 + 4 + 16 = 966.
    const std::vector<Stored> channels = {
        {0, ChannelHeader(2, 2, "a"), {1, 2, 3, 4}, {{0, 1, 1, 1}, {5, 2, 2, 2}}},
        {20, ChannelHeader(3, 1, "b"), {5, 6, 7}, {{3, 3, 3, 3}}},
    };
    const auto whole = FileBytes(FileHeader(2, 2), channels, true);
    ASSERT_EQ(whole.size(), 966u);
    struct Case {
        std::size_t keep;
        std::int32_t info, withMarkers, withoutMarkers;
    };
    const Case cases[] = {
        {0, fmtErrorRead, fmtErrorRead, fmtErrorRead},
        {223, fmtErrorRead, fmtErrorRead, fmtErrorRead},
        {224, fmtErrorRead, fmtErrorRead, fmtErrorRead},
        {559, fmtErrorRead, fmtErrorRead, fmtErrorRead},
        {560, fmtErrorRead, fmtErrorRead, fmtErrorRead},
        {895, fmtErrorRead, fmtErrorRead, fmtErrorRead},
        {896, fmtOk, fmtErrorRead, fmtErrorRead},
        {903, fmtOk, fmtErrorRead, fmtErrorRead},
        {904, fmtOk, fmtErrorRead, fmtErrorRead},
        {909, fmtOk, fmtErrorRead, fmtErrorRead},
        {910, fmtOk, fmtErrorRead, fmtOk},   // no marker count
        {912, fmtOk, fmtErrorRead, fmtOk},   // half a count
        {914, fmtOk, fmtErrorFormat, fmtOk}, // records promised beyond the end
        {945, fmtOk, fmtErrorFormat, fmtOk},
        {946, fmtOk, fmtErrorRead, fmtOk}, // second count missing
        {950, fmtOk, fmtErrorFormat, fmtOk},
        {965, fmtOk, fmtErrorFormat, fmtOk},
        {966, fmtOk, fmtOk, fmtOk},
    };
    for (const Case& c : cases) {
        auto bytes = whole;
        bytes.resize(c.keep);
        const std::string path = Write(bytes);
        ChannelSet available;
        TFileHeader header{};
        TChannelNameTable names{};
        EXPECT_EQ(GetSPM1FileInfo(path.c_str(), &available, &header, &names), c.info) << c.keep;

        for (bool markers : {true, false}) {
            Tables t;
            ChannelSet request{0, 20};
            if (markers)
                request.Include(MarkersChannel);
            const std::int32_t expected = markers ? c.withMarkers : c.withoutMarkers;
            EXPECT_EQ(LoadSPM1File(path.c_str(), 2, 2, t.table, &t.arrays, &request), expected)
                << c.keep << (markers ? " with markers" : " without markers");
            if (c.keep < 910) {
                // Short samples are found before any array is allocated.
                EXPECT_EQ(t.arrays.Values[0], nullptr) << c.keep;
                EXPECT_EQ(t.arrays.Values[20], nullptr) << c.keep;
            }
            if (expected != fmtOk) {
                EXPECT_TRUE(request.Empty()) << c.keep; // a failed load answers nothing
            } else {
                EXPECT_EQ(t.Values(0), channels[0].samples) << c.keep;
                EXPECT_EQ(t.Values(20), channels[1].samples) << c.keep;
            }
        }
    }
}

TEST_F(Spm1, MarkerCountsThatCannotBeTrue)
{
    for (std::int32_t count : {-1, INT32_MIN, 1000, INT32_MAX}) {
        std::vector<Stored> channels = {{0, ChannelHeader(1, 1, "a"), {3}, {}}};
        auto bytes = FileBytes(FileHeader(1, 1), channels, true);
        std::memcpy(&bytes[bytes.size() - 4], &count, 4);
        const std::string path = Write(bytes);
        Tables t;
        ChannelSet request{0, MarkersChannel};
        EXPECT_EQ(LoadSPM1File(path.c_str(), 1, 1, t.table, &t.arrays, &request), fmtErrorFormat)
            << count;
        EXPECT_EQ(t.arrays.Markers[0], nullptr) << count;
    }
}

TEST_F(Spm1, EveryMarkerIsKept)
{
    // More markers than the 50 records a fixed buffer would hold.
    std::vector<MarkerRecord> markers;
    for (int i = 0; i < 60; ++i)
        markers.push_back({i * 3, i, 255 - i, i / 2});
    std::vector<Stored> channels = {{0, ChannelHeader(2, 1, "a"), {1, 2}, markers}};
    Tables t;
    Offer(t, channels);
    TFileHeader header = FileHeader(2, 1);
    ChannelSet set{0, MarkersChannel};
    const std::string path = dir.File("markers.spm");
    ASSERT_EQ(SaveSPM1File(path.c_str(), &header, t.table, &t.arrays, &set), fmtOk);

    Tables back;
    ChannelSet request{0, MarkersChannel};
    ASSERT_EQ(LoadSPM1File(path.c_str(), 2, 1, back.table, &back.arrays, &request), fmtOk);
    EXPECT_EQ(back.arrays.Counts[0], 60);
    EXPECT_EQ(back.Markers(0), markers);
}

TEST_F(Spm1, ReadWriteReadKeepsTheFileByteForByte)
{
    const auto original = FileBytes(FileHeader(2, 2), ThreeChannels(), true);
    const std::string in = Write(original);
    ChannelSet available;
    TFileHeader header{};
    TChannelNameTable names{};
    ASSERT_EQ(GetSPM1FileInfo(in.c_str(), &available, &header, &names), fmtOk);
    Tables t;
    ChannelSet channels = available;
    ASSERT_EQ(LoadSPM1File(in.c_str(), header.Width, header.Height, t.table, &t.arrays, &channels),
              fmtOk);
    ASSERT_EQ(Members(channels), (std::vector<int>{0, 1, 20, MarkersChannel}));

    const std::string out = dir.File("again.spm");
    ASSERT_EQ(SaveSPM1File(out.c_str(), &header, t.table, &t.arrays, &channels), fmtOk);
    EXPECT_EQ(ReadBytes(out), original);
}

TEST_F(Spm1, LargeChannelsPassThroughSeveralBuffers)
{
    // 1024 × 520 samples: more than one 1 MiB buffer of 16-bit samples.
    const int w = 1024, h = 520;
    std::vector<std::int32_t> values(std::size_t(w) * h);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::int32_t>((i * 7919) % 65536) - 32768;
    std::vector<Stored> channels = {{0, ChannelHeader(2, 1, "a"), {8, 9}, {}},
                                    {25, ChannelHeader(w, h, "big"), values, {}}};
    Tables t;
    Offer(t, channels);
    TFileHeader header = FileHeader(2, 1);
    ChannelSet set{0, 25};
    const std::string path = dir.File("big.spm");
    ASSERT_EQ(SaveSPM1File(path.c_str(), &header, t.table, &t.arrays, &set), fmtOk);
    EXPECT_EQ(ReadBytes(path), FileBytes(FileHeader(2, 1), channels, false));

    Tables back;
    ChannelSet request{0, 25};
    ASSERT_EQ(LoadSPM1File(path.c_str(), 2, 1, back.table, &back.arrays, &request), fmtOk);
    EXPECT_EQ(back.Values(25), values);
    EXPECT_EQ(back.Values(0), (std::vector<std::int32_t>{8, 9}));
}

TEST_F(Spm1, SaveFailures)
{
    std::vector<Stored> channels = ThreeChannels();
    Tables t;
    Offer(t, channels);
    ChannelSet set{0, 1, 20, MarkersChannel};
    TFileHeader header = FileHeader(2, 2);
    EXPECT_EQ(
        SaveSPM1File(dir.File("no/such/folder.spm").c_str(), &header, t.table, &t.arrays, &set),
        fmtErrorCreate);
    // Failing in the file header, a channel header, the samples and the marker block.
    const std::int64_t size = static_cast<std::int64_t>(FileBytes(header, channels, true).size());
    for (std::int64_t limit :
         {std::int64_t{100}, std::int64_t{224 + 400}, std::int64_t{224 + 3 * 336 + 3}, size - 1}) {
        platform::SetWriteLimitForTesting(limit);
        EXPECT_EQ(SaveSPM1File(dir.File("short.spm").c_str(), &header, t.table, &t.arrays, &set),
                  fmtErrorWrite)
            << limit;
        platform::SetWriteLimitForTesting(-1);
    }
}

TEST(SwapFile, FormatEntry)
{
    TFileFormat* f = SwapFileFormat();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f, SwapFileFormat());
    EXPECT_EQ(f->Kind, 0);
    EXPECT_EQ(f->GetInfoProc, &GetSPM1FileInfo);
    EXPECT_EQ(f->SaveProc, &SaveSwapFile);
    EXPECT_EQ(f->LoadProc, &LoadSwapFile);
    EXPECT_EQ(f->FilterText, "");
    EXPECT_EQ(f->Extension, ".$$$");
    EXPECT_EQ(f->MultiMatrix, 1);
}

TEST_F(Spm1, SwapFilesKeepEveryValue)
{
    // Same layout with whole 32-bit samples and no offset.
    std::vector<Stored> channels = {
        {0, ChannelHeader(3, 2, "a"), {INT32_MIN, INT32_MAX, 40000, 0, -7, 65536}, {{1, 2, 3, 4}}},
        {22, ChannelHeader(2, 1, "b"), {-70000, 123456789}, {}},
    };
    Tables t;
    Offer(t, channels);
    TFileHeader header = FileHeader(3, 2);
    ChannelSet set{0, 22, MarkersChannel};
    const std::string path = dir.File("TMP1.$$$");
    ASSERT_EQ(SaveSwapFile(path.c_str(), &header, t.table, &t.arrays, &set), fmtOk);
    EXPECT_EQ(header.FormatVersion, 1);
    EXPECT_EQ(header.ChannelMask, 0x80400001u);
    EXPECT_EQ(ReadBytes(path), FileBytes(FileHeader(3, 2), channels, true, 4));

    ChannelSet available;
    TFileHeader info{};
    TChannelNameTable names{};
    ASSERT_EQ(GetSPM1FileInfo(path.c_str(), &available, &info, &names), fmtOk);
    EXPECT_EQ(Members(available), (std::vector<int>{0, 22, MarkersChannel}));

    Tables back;
    ChannelSet request{0, 22, MarkersChannel};
    ASSERT_EQ(LoadSwapFile(path.c_str(), 3, 2, back.table, &back.arrays, &request), fmtOk);
    EXPECT_EQ(Members(request), (std::vector<int>{0, 22, MarkersChannel}));
    EXPECT_EQ(back.Values(0), channels[0].samples);
    EXPECT_EQ(back.Values(22), channels[1].samples);
    EXPECT_EQ(back.Markers(0), channels[0].markers);
    EXPECT_EQ(back.arrays.Counts[22], 0);

    // A swap file short by one byte of its 32-bit samples is refused before allocating.
    auto bytes = ReadBytes(path);
    bytes.resize(224 + 2 * 336 + 4 * 8 - 1);
    const std::string cut = Write(bytes, "TMP2.$$$");
    Tables none;
    ChannelSet again{0, 22};
    EXPECT_EQ(LoadSwapFile(cut.c_str(), 3, 2, none.table, &none.arrays, &again), fmtErrorRead);
    EXPECT_EQ(none.arrays.Values[0], nullptr);
}

TEST_F(Spm1, LargeSwapChannelsRoundTrip)
{
    const int w = 700, h = 800;
    std::vector<std::int32_t> values(std::size_t(w) * h);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::int32_t>(i * 2654435761u);
    std::vector<Stored> channels = {{29, ChannelHeader(w, h, "big"), values, {}}};
    Tables t;
    Offer(t, channels);
    TFileHeader header = FileHeader(0, 0);
    ChannelSet set{29};
    const std::string path = dir.File("TMP3.$$$");
    ASSERT_EQ(SaveSwapFile(path.c_str(), &header, t.table, &t.arrays, &set), fmtOk);
    Tables back;
    ChannelSet request{29};
    ASSERT_EQ(LoadSwapFile(path.c_str(), 0, 0, back.table, &back.arrays, &request), fmtOk);
    EXPECT_EQ(back.Values(29), values);
}
