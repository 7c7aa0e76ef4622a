#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/FormatTables.h"
#include "data/Spm0format.h"
#include "platform/core/Files.h"
#include "support/TestSupport.h"

using testsupport::Put;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

using formattables::Members;
using formattables::Tables;

namespace {

// An SPM0 file: the header as given, then the samples as stored.
std::vector<std::uint8_t> Spm0Bytes(const SPMHEAD& head, const std::vector<std::uint16_t>& samples)
{
    std::vector<std::uint8_t> bytes;
    Put(bytes, head);
    for (std::uint16_t s : samples)
        Put(bytes, s);
    return bytes;
}

SPMHEAD Head(std::int16_t mx, std::int16_t my)
{
    SPMHEAD head;
    std::memset(&head, 0, sizeof head);
    head.mx = mx;
    head.my = my;
    head.Kx = 2.5f;
    head.Ky = 4.0f;
    head.Kz = 0.125f;
    std::memcpy(head.ZUnit, "nm", 2);
    std::memcpy(head.XYUnit, "um", 2);
    return head;
}

class Spm0 : public ::testing::Test {
protected:
    std::string Write(const std::vector<std::uint8_t>& bytes, const char* name = "in.spm")
    {
        const std::string path = dir.File(name);
        WriteBytes(path, bytes);
        return path;
    }

    std::int32_t Load(const std::string& path, int width, int height, ChannelSet request)
    {
        answer = request;
        return LoadSPM0File(path.c_str(), width, height, t.table, &t.arrays, &answer);
    }

    testsupport::ScratchDir dir;
    Tables t;
    ChannelSet answer;
};

} // namespace

TEST_F(Spm0, InfoDescribesOneMatrixOfUnstatedKind)
{
    const std::string path = Write(Spm0Bytes(Head(4, 3), std::vector<std::uint16_t>(12)));
    ChannelSet available{5, 7};
    TFileHeader header{};
    TChannelNameTable names{};
    ASSERT_EQ(GetSPM0FileInfo(path.c_str(), &available, &header, &names), fmtOk);
    EXPECT_EQ(Members(available), std::vector<int>{UnstatedChannel});
    EXPECT_EQ(header.FormatVersion, 0);
    EXPECT_EQ(header.Width, 4);
    EXPECT_EQ(header.Height, 3);
    EXPECT_EQ(header.Reserved56, 1u);
    EXPECT_EQ(header.ChannelMask, 1u);
    EXPECT_STREQ(names[0], "Topography");
}

TEST_F(Spm0, InfoRefusesWhatIsNoUsableSpm0Header)
{
    struct Case {
        const char* what;
        std::uint16_t formatWord;
        std::int16_t mx, my;
        std::size_t keep; // bytes of the file kept
        std::int32_t status;
    };
    const Case cases[] = {
        {"first word 1 (an SPM1 file)", 1, 4, 3, 536, fmtErrorFormat},
        {"no points per row", 0, 0, 3, 512, fmtErrorFormat},
        {"negative row count", 0, 4, -3, 512, fmtErrorFormat},
        {"header cut short", 0, 4, 3, 511, fmtErrorRead},
        {"empty file", 0, 4, 3, 0, fmtErrorRead},
    };
    for (const Case& c : cases) {
        SPMHEAD head = Head(c.mx, c.my);
        head.FormatWord = c.formatWord;
        auto bytes = Spm0Bytes(head, std::vector<std::uint16_t>(12));
        bytes.resize(c.keep);
        const std::string path = Write(bytes);
        ChannelSet available{0};
        TFileHeader header{};
        TChannelNameTable names{};
        EXPECT_EQ(GetSPM0FileInfo(path.c_str(), &available, &header, &names), c.status) << c.what;
        EXPECT_TRUE(available.Empty()) << c.what;
    }
    ChannelSet available;
    TFileHeader header{};
    TChannelNameTable names{};
    EXPECT_EQ(GetSPM0FileInfo(dir.File("missing.spm").c_str(), &available, &header, &names),
              fmtErrorOpen);
}

TEST_F(Spm0, LoadsSamplesSignExtendedWithTheHeaderFields)
{
    // 3 × 2; 40000 as an unsigned 16-bit sample is -25536 when read signed (40000 - 65536).
    const std::vector<std::uint16_t> stored = {0, 1, 0xFFFF, 32767, 0x8000, 40000};
    SPMHEAD head = Head(3, 2);
    std::memcpy(head.Comment, "x", 1);
    const std::string path = Write(Spm0Bytes(head, stored));

    ASSERT_EQ(Load(path, 3, 2, {0, MarkersChannel}), fmtOk);
    EXPECT_EQ(Members(answer), std::vector<int>{0});
    const TChannelHeader& h = t.headers[0];
    EXPECT_EQ(h.Width, 3);
    EXPECT_EQ(h.Height, 2);
    EXPECT_EQ(h.XStep, 2.5f);
    EXPECT_EQ(h.YStep, 4.0f);
    EXPECT_EQ(h.ZScale, 0.125f);
    EXPECT_STREQ(h.ZUnit, "nm");
    EXPECT_STREQ(h.XYUnit, "um");
    EXPECT_STREQ(h.Comment, "x");
    EXPECT_STREQ(h.Name, "Topography");
    EXPECT_EQ(t.Values(0), (std::vector<std::int32_t>{0, 1, -1, 32767, -32768, -25536}));
    EXPECT_EQ(t.arrays.ValueCount(0), 6);
}

TEST_F(Spm0, TextsStayInsideTheirFields)
{
    // Every text field full, none terminated: ZUnit runs into XYUnit, XYUnit into the
    // comment, the comment into Min/Max.
    SPMHEAD head = Head(1, 1);
    std::memcpy(head.ZUnit, "abcd", 4);
    std::memcpy(head.XYUnit, "efghij", 6);
    std::memcpy(head.Comment, "kl", 2);
    head.Min = 0x6d6d;
    head.Max = 0x6d6d;
    const std::string path = Write(Spm0Bytes(head, {7}));
    ASSERT_EQ(Load(path, 1, 1, {0}), fmtOk);
    EXPECT_STREQ(t.headers[0].ZUnit, "abcd");
    EXPECT_STREQ(t.headers[0].XYUnit, "efghi"); // 5 characters and the zero
    EXPECT_STREQ(t.headers[0].Comment, "kl");
}

TEST_F(Spm0, ChannelSizeRules)
{
    // The file is 4 × 3; the data set's size is given to the loader.
    const std::string path = Write(Spm0Bytes(Head(4, 3), std::vector<std::uint16_t>(12, 5)));
    struct Case {
        int channel, width, height;
        std::int32_t status;
    };
    const Case cases[] = {
        {3, 4, 3, fmtOk},                             // an instrument channel of the set's size
        {3, 5, 3, fmtErrorFormat},                    // another width
        {3, 4, 2, fmtErrorFormat},                    // another height
        {19, 0, 0, fmtErrorFormat}, {0, 9, 9, fmtOk}, // channel 0 takes the file's size
        {25, 2, 2, fmtOk},                            // so does a user channel
    };
    for (const Case& c : cases) {
        Tables fresh;
        ChannelSet request{c.channel};
        EXPECT_EQ(
            LoadSPM0File(path.c_str(), c.width, c.height, fresh.table, &fresh.arrays, &request),
            c.status)
            << "channel " << c.channel;
        if (c.status == fmtOk) {
            EXPECT_EQ(Members(request), std::vector<int>{c.channel});
            EXPECT_EQ(fresh.headers[c.channel].Width, 4);
            EXPECT_EQ(fresh.headers[c.channel].Height, 3);
            EXPECT_EQ(fresh.Values(c.channel), std::vector<std::int32_t>(12, 5));
        } else {
            EXPECT_TRUE(request.Empty());
            EXPECT_EQ(fresh.arrays.Values[c.channel], nullptr);
        }
    }
}

TEST_F(Spm0, OnlyTheFirstRequestedChannelIsLoaded)
{
    const std::string path = Write(Spm0Bytes(Head(2, 1), {1, 2}));
    ASSERT_EQ(Load(path, 2, 1, {4, 2, 22}), fmtOk);
    EXPECT_EQ(Members(answer), std::vector<int>{2});
    EXPECT_EQ(t.arrays.Values[4], nullptr);
    EXPECT_EQ(t.arrays.Values[22], nullptr);
    // No channel at all: status 1, nothing opened.
    EXPECT_EQ(Load(dir.File("missing.spm"), 2, 1, {MarkersChannel}), fmtNoChannel);
    EXPECT_EQ(Load(dir.File("missing.spm"), 2, 1, {0}), fmtErrorOpen);
}

TEST_F(Spm0, LoadRefusesBrokenFilesBeforeAllocating)
{
    // A valid 4 × 3 file is 512 + 24 bytes.
    const auto whole = Spm0Bytes(Head(4, 3), std::vector<std::uint16_t>(12, 9));
    struct Case {
        const char* what;
        std::size_t keep;
        std::int16_t mx, my;
        std::int32_t status;
    };
    const Case cases[] = {
        {"empty", 0, 4, 3, fmtErrorRead},
        {"inside the header", 300, 4, 3, fmtErrorRead},
        {"header only", 512, 4, 3, fmtErrorRead},
        {"one byte of samples short", 535, 4, 3, fmtErrorRead},
        {"one row short", 528, 4, 3, fmtErrorRead},
        {"zero points per row", 536, 0, 3, fmtErrorFormat},
        {"negative rows", 536, 4, -1, fmtErrorFormat},
        {"rows beyond the file", 536, 4, 32767, fmtErrorRead},
        {"whole file", 536, 4, 3, fmtOk},
    };
    for (const Case& c : cases) {
        auto bytes = whole;
        std::memcpy(bytes.data() + 2, &c.mx, 2);
        std::memcpy(bytes.data() + 6, &c.my, 2);
        bytes.resize(c.keep);
        Tables fresh;
        ChannelSet request{0};
        const std::string path = Write(bytes);
        EXPECT_EQ(LoadSPM0File(path.c_str(), 4, 3, fresh.table, &fresh.arrays, &request), c.status)
            << c.what;
        if (c.status != fmtOk) {
            EXPECT_EQ(fresh.arrays.Values[0], nullptr) << c.what;
            EXPECT_TRUE(request.Empty()) << c.what;
        }
    }
}

TEST_F(Spm0, WritesTheHeaderAndLow16BitsExactly)
{
    // Channel 2 of 3 × 2; the file carries its size, steps, scale and the first four
    // bytes of each unit field; everything else of the 512 bytes is zero.
    TChannelHeader& h = t.headers[2];
    h.Width = 3;
    h.Height = 2;
    h.XStep = 1.5f;
    h.YStep = 2.5f;
    h.ZScale = 0.75f;
    std::memcpy(h.ZUnit, "mV\0\0yy", 6);
    std::memcpy(h.XYUnit, "nmxyzw", 6);
    std::strcpy(h.Comment, "never stored");
    std::strcpy(h.Name, "Phase");
    h.Min = -40000;
    h.Max = 70000;
    // Low 16 bits: 40000 is stored as 40000 - 65536 = -25536.
    std::vector<std::int32_t> values = {0, 1, 32767, 65535, 40000, 4464};
    t.arrays.Values[2] = values.data();
    ChannelSet set{2, 5, MarkersChannel};
    const std::string path = dir.File("out.spm");
    ASSERT_EQ(SaveSPM0File(path.c_str(), nullptr, t.table, &t.arrays, &set), fmtOk);

    std::vector<std::uint8_t> expected(512, 0);
    expected[2] = 3; // mx
    expected[6] = 2; // my
    const float kx = 1.5f, ky = 2.5f, kz = 0.75f;
    std::memcpy(&expected[8], &kx, 4);
    std::memcpy(&expected[12], &ky, 4);
    std::memcpy(&expected[16], &kz, 4);
    std::memcpy(&expected[20], "mV\0\0", 4);
    std::memcpy(&expected[24], "nmxy", 4);
    for (std::int16_t s : {0, 1, 32767, -1, -25536, 4464})
        Put(expected, s);
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST_F(Spm0, ValuesThatNo16BitReadingGivesBackAreRefused)
{
    // Samples are the low 16 bits: values within -32768..32767 read back as they were,
    // values within 0..65535 read back unsigned (as MSS scans hold them) and signed as
    // value - 65536. Anything else, or negative values with values above 32767, is
    // refused and the file already there stays.
    struct Case {
        const char* what;
        std::vector<std::int32_t> values;
        bool saved;
    };
    const Case cases[] = {
        {"signed 16-bit values", {-32768, -1, 0, 32767}, true},
        {"unsigned 16-bit values", {0, 32768, 40000, 65535}, true},
        {"above 65535", {0, 65536}, false},
        {"below -32768", {-32769, 0}, false},
        {"negative with above 32767", {-1, 32768}, false},
    };
    const std::vector<std::uint8_t> old = {9, 8, 7};
    for (const Case& c : cases) {
        t.headers[0].Width = static_cast<std::uint16_t>(c.values.size());
        t.headers[0].Height = 1;
        std::vector<std::int32_t> values = c.values;
        t.arrays.Values[0] = values.data();
        ChannelSet set{0};
        const std::string path = Write(old, "range.spm");
        if (!c.saved) {
            EXPECT_EQ(SaveSPM0File(path.c_str(), nullptr, t.table, &t.arrays, &set), fmtErrorRange) << c.what;
            EXPECT_EQ(ReadBytes(path), old) << c.what;
            continue;
        }
        ASSERT_EQ(SaveSPM0File(path.c_str(), nullptr, t.table, &t.arrays, &set), fmtOk) << c.what;
        Tables back;
        ChannelSet request{0};
        ASSERT_EQ(LoadSPM0File(path.c_str(), 0, 0, back.table, &back.arrays, &request), fmtOk) << c.what;
        const std::vector<std::int32_t> read = back.Values(0);
        ASSERT_EQ(read.size(), c.values.size());
        for (std::size_t k = 0; k < read.size(); ++k) {
            EXPECT_EQ(static_cast<std::uint16_t>(read[k]), static_cast<std::uint16_t>(c.values[k])) << c.what;
            EXPECT_TRUE(read[k] == c.values[k] || read[k] + 65536 == c.values[k]) << c.what << " " << k;
        }
    }
}

TEST_F(Spm0, SaveFailures)
{
    t.headers[0].Width = 2;
    t.headers[0].Height = 2;
    std::vector<std::int32_t> values = {1, 2, 3, 4};
    t.arrays.Values[0] = values.data();

    ChannelSet none{MarkersChannel};
    EXPECT_EQ(SaveSPM0File(dir.File("none.spm").c_str(), nullptr, t.table, &t.arrays, &none),
              fmtNoChannel);
    EXPECT_FALSE(platform::FileExists(dir.File("none.spm")));

    ChannelSet set{0};
    EXPECT_EQ(
        SaveSPM0File(dir.File("no/such/folder.spm").c_str(), nullptr, t.table, &t.arrays, &set),
        fmtErrorCreate);

    // The header is written, the samples are not; and a header that cannot be written.
    for (std::int64_t limit : {512, 100}) {
        platform::SetWriteLimitForTesting(limit);
        EXPECT_EQ(SaveSPM0File(dir.File("short.spm").c_str(), nullptr, t.table, &t.arrays, &set),
                  fmtErrorWrite)
            << limit;
        platform::SetWriteLimitForTesting(-1);
    }
}

TEST_F(Spm0, RoundTripGivesChannelZeroWithTheSameValues)
{
    // Channel 2 saved, then read as the file's only matrix: channel 0, named by slot 0.
    TChannelHeader& h = t.headers[2];
    h.Width = 5;
    h.Height = 4;
    h.XStep = 10.0f;
    h.YStep = 20.0f;
    h.ZScale = 0.5f;
    std::strcpy(h.ZUnit, "deg");
    std::strcpy(h.XYUnit, "nm");
    std::strcpy(h.Comment, "lost");
    std::vector<std::int32_t> values(20);
    for (int i = 0; i < 20; ++i)
        values[i] = (i - 10) * 3000;
    t.arrays.Values[2] = values.data();
    ChannelSet set{2};
    const std::string path = dir.File("trip.spm");
    ASSERT_EQ(SaveSPM0File(path.c_str(), nullptr, t.table, &t.arrays, &set), fmtOk);
    EXPECT_EQ(ReadBytes(path).size(), 512u + 40u);

    ChannelSet available;
    TFileHeader header{};
    TChannelNameTable names{};
    ASSERT_EQ(GetSPM0FileInfo(path.c_str(), &available, &header, &names), fmtOk);
    Tables back;
    ChannelSet request{0, MarkersChannel};
    ASSERT_EQ(
        LoadSPM0File(path.c_str(), header.Width, header.Height, back.table, &back.arrays, &request),
        fmtOk);
    EXPECT_EQ(Members(request), std::vector<int>{0});
    const TChannelHeader& r = back.headers[0];
    EXPECT_EQ(r.Width, 5);
    EXPECT_EQ(r.Height, 4);
    EXPECT_EQ(r.XStep, 10.0f);
    EXPECT_EQ(r.YStep, 20.0f);
    EXPECT_EQ(r.ZScale, 0.5f);
    EXPECT_STREQ(r.ZUnit, "deg");
    EXPECT_STREQ(r.XYUnit, "nm");
    EXPECT_STREQ(r.Comment, "");
    EXPECT_STREQ(r.Name, "Topography");
    EXPECT_EQ(back.Values(0), values);
}
