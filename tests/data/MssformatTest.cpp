#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "data/FormatTables.h"
#include "data/Mssformat.h"
#include "platform/core/Files.h"
#include "support/TestSupport.h"

using testsupport::WriteBytes;

using formattables::Members;
using formattables::Tables;

namespace {

// An MSS file: height at 4, width at 6, the Z scale at 192, junk elsewhere in the first
// 232 bytes, then the topography and the frequency blocks.
std::vector<std::uint8_t> MssBytes(std::uint16_t width, std::uint16_t height, double zScale,
                                   const std::vector<std::uint16_t>& topography,
                                   const std::vector<std::uint16_t>& frequency)
{
    std::vector<std::uint8_t> bytes(232, 0x5A);
    std::memcpy(&bytes[4], &height, 2);
    std::memcpy(&bytes[6], &width, 2);
    std::memcpy(&bytes[192], &zScale, 8);
    for (const auto* block : {&topography, &frequency})
        for (std::uint16_t s : *block)
            testsupport::Put(bytes, s);
    return bytes;
}

// 3 × 2; 65535 must come back as 65535 (zero-extended).
const std::vector<std::uint16_t> Topo = {0, 1, 2, 32768, 65535, 7};
const std::vector<std::uint16_t> Freq = {10, 20, 30, 40, 50, 60000};

class Mss : public ::testing::Test {
protected:
    std::string Write(const std::vector<std::uint8_t>& bytes)
    {
        const std::string path = dir.File("in.afm");
        WriteBytes(path, bytes);
        return path;
    }

    testsupport::ScratchDir dir;
};

std::vector<std::int32_t> Widened(const std::vector<std::uint16_t>& v)
{
    return {v.begin(), v.end()};
}

} // namespace

TEST_F(Mss, InfoSetsOnlyTheSize)
{
    const std::string path = Write(MssBytes(3, 2, 0.25, Topo, Freq));
    TFileHeader header;
    std::memset(&header, 0x11, sizeof header);
    TFileHeader expected = header;
    expected.Width = 3;
    expected.Height = 2;
    ChannelSet available{9};
    TChannelNameTable names{};
    ASSERT_EQ(GetMSSFileInfo(path.c_str(), &available, &header, &names), fmtOk);
    EXPECT_EQ(std::memcmp(&header, &expected, sizeof header), 0);
    EXPECT_EQ(Members(available), (std::vector<int>{0, 4}));
    EXPECT_STREQ(names[0], "Topography");
    EXPECT_STREQ(names[4], "Frequency");
}

TEST_F(Mss, DeliversBothChannels)
{
    const std::string path = Write(MssBytes(3, 2, 0.25, Topo, Freq));
    Tables t;
    ChannelSet request{0, 4, MarkersChannel};
    ASSERT_EQ(LoadMSSFile(path.c_str(), 3, 2, t.table, &t.arrays, &request), fmtOk);
    EXPECT_EQ(Members(request), (std::vector<int>{0, 4})); // no markers
    for (int c : {0, 4}) {
        EXPECT_EQ(t.headers[c].Width, 3) << c;
        EXPECT_EQ(t.headers[c].Height, 2) << c;
        EXPECT_EQ(t.headers[c].XStep, 1.0f) << c;
        EXPECT_EQ(t.headers[c].YStep, 1.0f) << c;
        EXPECT_EQ(t.headers[c].ZScale, 0.25f) << c;
    }
    EXPECT_STREQ(t.headers[0].Name, "Topography");
    EXPECT_STREQ(t.headers[4].Name, "Frequency");
    EXPECT_EQ(t.Values(0), Widened(Topo));
    EXPECT_EQ(t.Values(4), Widened(Freq));
}

TEST_F(Mss, FrequencyAloneSkipsTheTopography)
{
    const std::string path = Write(MssBytes(3, 2, 1.0, Topo, Freq));
    Tables t;
    ChannelSet request{4};
    ASSERT_EQ(LoadMSSFile(path.c_str(), 3, 2, t.table, &t.arrays, &request), fmtOk);
    EXPECT_EQ(Members(request), std::vector<int>{4});
    EXPECT_EQ(t.arrays.Values[0], nullptr);
    EXPECT_STREQ(t.headers[0].Name, "");
    EXPECT_EQ(t.Values(4), Widened(Freq));
}

TEST_F(Mss, RefusesWrongSizesAndShortFiles)
{
    const auto whole = MssBytes(3, 2, 1.0, Topo, Freq); // 232 + 12 + 12 = 256 bytes
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        int width, height;
        ChannelSet request;
        std::int32_t status;
    };
    auto cut = [&](std::size_t keep) {
        return std::vector<std::uint8_t>(whole.begin(), whole.begin() + keep);
    };
    const Case cases[] = {
        {"set of another width", whole, 4, 2, {0, 4}, fmtErrorFormat},
        {"set of another height", whole, 3, 1, {0}, fmtErrorFormat},
        {"zero size", MssBytes(0, 2, 1.0, {}, {}), 0, 2, {0}, fmtErrorFormat},
        {"no height field", cut(5), 3, 2, {0}, fmtErrorRead},
        {"no width field", cut(7), 3, 2, {0}, fmtErrorRead},
        {"no Z scale", cut(199), 3, 2, {0}, fmtErrorRead},
        {"no samples", cut(232), 3, 2, {0}, fmtErrorRead},
        {"topography one byte short", cut(243), 3, 2, {0}, fmtErrorRead},
        {"topography only, asked for it", cut(244), 3, 2, {0}, fmtOk},
        {"topography only, asked for frequency", cut(244), 3, 2, {0, 4}, fmtErrorRead},
        {"frequency one byte short", cut(255), 3, 2, {4}, fmtErrorRead},
    };
    for (const Case& c : cases) {
        const std::string path = Write(c.bytes);
        Tables t;
        ChannelSet request = c.request;
        EXPECT_EQ(LoadMSSFile(path.c_str(), c.width, c.height, t.table, &t.arrays, &request),
                  c.status)
            << c.what;
        if (c.status != fmtOk) {
            EXPECT_TRUE(request.Empty()) << c.what;
            EXPECT_EQ(t.arrays.Values[0], nullptr) << c.what;
            EXPECT_EQ(t.arrays.Values[4], nullptr) << c.what;
        }
    }

    const std::string path = Write(MssBytes(3, 0, 1.0, {}, {}));
    ChannelSet available;
    TFileHeader header{};
    TChannelNameTable names{};
    EXPECT_EQ(GetMSSFileInfo(path.c_str(), &available, &header, &names), fmtErrorFormat);
    const std::string shortFile = Write(cut(6));
    EXPECT_EQ(GetMSSFileInfo(shortFile.c_str(), &available, &header, &names), fmtErrorRead);
    EXPECT_EQ(GetMSSFileInfo(dir.File("missing.afm").c_str(), &available, &header, &names),
              fmtErrorOpen);
    Tables t;
    ChannelSet request{0};
    EXPECT_EQ(LoadMSSFile(dir.File("missing.afm").c_str(), 3, 2, t.table, &t.arrays, &request),
              fmtErrorOpen);
}

TEST_F(Mss, ZScaleBecomesAFloatSafely)
{
    struct Case {
        double stored;
        float expected;
    };
    const Case cases[] = {
        {0.5, 0.5f},
        {-2.0, -2.0f},
        {1e300, FLT_MAX},
        {-1e300, -FLT_MAX},
        {std::numeric_limits<double>::infinity(), FLT_MAX},
        {-std::numeric_limits<double>::infinity(), -FLT_MAX},
    };
    for (const Case& c : cases) {
        const std::string path = Write(MssBytes(1, 1, c.stored, {1}, {2}));
        Tables t;
        ChannelSet request{0};
        ASSERT_EQ(LoadMSSFile(path.c_str(), 1, 1, t.table, &t.arrays, &request), fmtOk);
        EXPECT_EQ(t.headers[0].ZScale, c.expected) << c.stored;
        EXPECT_EQ(t.headers[4].ZScale, c.expected) << c.stored;
    }
    const std::string path = Write(MssBytes(1, 1, std::nan(""), {1}, {2}));
    Tables t;
    ChannelSet request{0};
    ASSERT_EQ(LoadMSSFile(path.c_str(), 1, 1, t.table, &t.arrays, &request), fmtOk);
    EXPECT_TRUE(std::isnan(t.headers[0].ZScale));
}

TEST_F(Mss, SaveWritesNothing)
{
    Tables t;
    TFileHeader header{};
    ChannelSet set{0, 4};
    const std::string path = dir.File("out.afm");
    EXPECT_EQ(SaveMSSFile(path.c_str(), &header, t.table, &t.arrays, &set), fmtOk);
    EXPECT_FALSE(platform::FileExists(path));
}
