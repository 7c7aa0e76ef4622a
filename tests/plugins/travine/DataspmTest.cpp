// The SPM0 matrix components' shared operations, for both signednesses: settings kept in
// the header image, the ramp colours, scan directions, memory, and SPM0 files written for
// and read from the program's own SPM0 functions.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "TravineFixtures.h"
#include "plugins/travine/Dataspm.h"
#include "plugins/travine/Dataspm16.h"
#include "support/TestSupport.h"

using namespace travine;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

// An SPM0 file of the program: channel 0 of w x h with the values, steps and units.
std::string ProgramFile(const testsupport::ScratchDir& dir, const char* name, int w, int h,
                        std::vector<std::int32_t> values)
{
    formattables::Tables t;
    TChannelHeader& c = t.headers[0];
    c.Width = static_cast<std::uint16_t>(w);
    c.Height = static_cast<std::uint16_t>(h);
    c.XStep = 1.5f;
    c.YStep = 2.5f;
    c.ZScale = 0.125f;
    std::strcpy(c.XYUnit, "nm");
    std::strcpy(c.ZUnit, "mV");
    t.arrays.Values[0] = values.data();
    ChannelSet set{0};
    const std::string path = dir.File(name);
    EXPECT_EQ(SaveSPM0File(path.c_str(), nullptr, t.table, &t.arrays, &set), fmtOk);
    return path;
}

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t from,
                                std::size_t n)
{
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(from + n)};
}

template <typename Sample> Sample ReadAt(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    Sample v;
    std::memcpy(&v, &bytes[offset], sizeof v);
    return v;
}

class Dataspm : public ::testing::Test {
protected:
    testsupport::ScratchDir dir;
    travinetest::Notices notices;
};

} // namespace

TEST_F(Dataspm, StartsEmptyAndActiveWithAWhiteOverBlackRamp)
{
    TDataspm16 c;
    EXPECT_TRUE(c.Activated);
    EXPECT_FALSE(c.HasBlock());
    EXPECT_EQ(c.DataLockate(), nullptr);
    EXPECT_EQ(c.Bitmap().Width, 0);
    EXPECT_EQ(c.Bitmap().Height, 0);
    EXPECT_EQ(c.ColorTop(), clWhite);
    EXPECT_EQ(c.ColorBottom(), clBlack);
    EXPECT_EQ(c.Range(), 1);
    const std::vector<std::uint8_t> zero(512, 0);
    EXPECT_EQ(std::memcmp(&c.Header(), zero.data(), 512), 0);
}

TEST_F(Dataspm, SettersKeepTheHeaderImageInStep)
{
    TDataspm16 c;
    c.SetKx(1.5f);
    c.SetKy(2.5f);
    c.SetKz(0.25f);
    c.Setmx(7);
    c.Setmy(3);
    c.SetMin(1);
    c.SetMax(40000);
    EXPECT_EQ(c.Header().mx, 7);
    EXPECT_EQ(c.Header().my, 3);
    EXPECT_EQ(c.Header().Kx, 1.5f);
    EXPECT_EQ(c.Header().Ky, 2.5f);
    EXPECT_EQ(c.Header().Kz, 0.25f);
    EXPECT_EQ(c.Header().Min, 1);
    EXPECT_EQ(c.Header().Max, 40000);
    EXPECT_EQ(c.Bitmap().Width, 7);
    EXPECT_EQ(c.Bitmap().Height, 3);

    // Texts are cut to their fields, each with its zero byte.
    struct Case {
        void (TDataspm16::*Set)(const std::string&);
        const std::string& (TDataspm16::*Get)() const;
        std::size_t Offset;
        std::size_t Field;
    } cases[] = {
        {&TDataspm16::SetZUnit, &TDataspm16::ZUnit, 20, 4},
        {&TDataspm16::SetXYUnit, &TDataspm16::XYUnit, 24, 6},
        {&TDataspm16::SetVersion, &TDataspm16::Version, 446, 66},
    };
    for (const Case& k : cases) {
        const std::string longText(100, 'u');
        (c.*k.Set)(longText);
        EXPECT_EQ((c.*k.Get)(), std::string(k.Field - 1, 'u'));
        const auto* head = reinterpret_cast<const char*>(&c.Header());
        EXPECT_EQ(std::string(head + k.Offset, k.Field - 1), std::string(k.Field - 1, 'u'));
        EXPECT_EQ(head[k.Offset + k.Field - 1], 0);
        (c.*k.Set)("ab");
        EXPECT_EQ((c.*k.Get)(), "ab");
        EXPECT_EQ(std::string(head + k.Offset, k.Field),
                  std::string("ab") + std::string(k.Field - 2, '\0'));
    }

    // The signed component takes a negative size as 0.
    TDataspm s;
    s.Setmx(-4);
    s.Setmy(5);
    EXPECT_EQ(s.mx(), 0);
    EXPECT_EQ(s.Header().mx, 0);
    EXPECT_EQ(s.Bitmap().Width, 0);
    EXPECT_EQ(s.my(), 5);
}

TEST_F(Dataspm, RangeIsMaxMinusMinAndAtLeastOne)
{
    struct Case {
        int Min;
        int Max;
        int Range;
    };
    for (const Case& k : {Case{1, 1, 1}, Case{0, 0, 1}, Case{1, 300, 299}, Case{0, 65535, 65535}}) {
        TDataspm16 c;
        c.SetMin(static_cast<std::uint16_t>(k.Min));
        c.SetMax(static_cast<std::uint16_t>(k.Max));
        EXPECT_EQ(c.Range(), k.Range) << k.Min << ".." << k.Max;
    }
    for (const Case& k : {Case{-5, -5, 1}, Case{-32768, 32767, 65535}, Case{-10, 10, 20}}) {
        TDataspm c;
        c.SetMin(static_cast<std::int16_t>(k.Min));
        c.SetMax(static_cast<std::int16_t>(k.Max));
        EXPECT_EQ(c.Range(), k.Range) << k.Min << ".." << k.Max;
    }
}

TEST_F(Dataspm, RampColours)
{
    // White over black, Min 1 and Max 256: e = (v - 1) / 255 * 255 = v - 1, and each
    // channel is (255 + e) modulo 256, truncated.
    TDataspm16 c;
    TDataspm s;
    c.SetMin(1);
    c.SetMax(256);
    s.SetMin(1);
    s.SetMax(256);
    struct Case {
        int Value;
        TColor Unsigned; // a colour equal to ColorTop is painted in ColorBottom
        TColor Signed;
    } cases[] = {
        {1, clBlack, clWhite},     // e = 0
        {2, clBlack, clBlack},     // e = 1: 256 wraps to 0
        {3, 0x010101, 0x010101},   // e = 2: grey 1
        {256, 0xFEFEFE, 0xFEFEFE}, // e = 255: grey 254
        {0, 0xFEFEFE, 0xFEFEFE},   // e = -1: 254, the light grey of values below Min
    };
    for (const Case& k : cases) {
        EXPECT_EQ(c.RampColor(static_cast<std::uint16_t>(k.Value)), k.Unsigned) << k.Value;
        EXPECT_EQ(s.RampColor(static_cast<std::int16_t>(k.Value)), k.Signed) << k.Value;
    }

    // Red over blue: red steps +1, blue -1 per ramp unit; Min 0, Max 255: e = v.
    TDataspm16 rb;
    rb.SetColorTop(0x0000FF);
    rb.SetColorBottom(0xFF0000);
    rb.SetMax(255);
    EXPECT_EQ(rb.RampColor(0), 0xFF0000u); // the top colour itself: painted as the bottom
    // v = 10: red 265 -> 9, blue -10 -> 246.
    EXPECT_EQ(rb.RampColor(10), 9u + 246u * 65536u);

    // Painting a point: the picture's pixel in 0xFFRRGGBB.
    c.Setmx(2);
    c.Setmy(1);
    c.AddPointBMP(1, 0, 3);
    EXPECT_EQ(c.Bitmap().Pixel(1, 0), 0xFF010101u);
    c.AddPointBMP(2, 0, 3); // outside: nothing
    c.Activated = false;
    c.AddPointBMP(1, 0, 256);
    EXPECT_EQ(c.Bitmap().Pixel(1, 0), 0xFF010101u);

    // Min above the value: v = 0 with Min 1 and a range of 1000: e = -0.255, 254.745
    // gives 254.
    c.SetMax(1001);
    EXPECT_EQ(c.RampColor(0), 0xFEFEFEu);
}

TEST_F(Dataspm, ScanDirectionsOnASquareMatrixAndBoundsOnOthers)
{
    // Point x = 1, y = 2 of a 4 x 4 matrix, n = 4.
    const std::int64_t expected[8] = {
        2 * 4 + 1, // (y, x)
        1 * 4 + 1, // (n-1-y, x)
        2 * 4 + 2, // (y, n-1-x)
        1 * 4 + 2, // (n-1-y, n-1-x)
        1 * 4 + 2, // (x, y)
        2 * 4 + 2, // (n-1-x, y)
        1 * 4 + 1, // (x, n-1-y)
        2 * 4 + 1, // (n-1-x, n-1-y)
    };
    for (int d = 0; d < 8; ++d) {
        TDataspm16 c;
        travinetest::Fill(c, 4, 4, std::vector<std::uint16_t>(16, 0));
        c.AddDataToMatrix(77, 1, 2, static_cast<TScanDirection>(d));
        EXPECT_EQ(c.Position(1, 2, static_cast<TScanDirection>(d)), expected[d]) << d;
        std::vector<std::uint16_t> want(16, 0);
        want[static_cast<std::size_t>(expected[d])] = 77;
        EXPECT_EQ(c.Block(), want) << d;
    }
    // 4 wide and 2 high: rows counted from n - 1 = 3 fall outside and store nothing, as
    // do points outside the matrix in direction 0.
    TDataspm16 wide;
    travinetest::Fill(wide, 4, 2, std::vector<std::uint16_t>(8, 0));
    EXPECT_EQ(wide.Position(0, 0, sd1), -1);
    EXPECT_EQ(wide.Position(0, 0, sd5), -1);
    wide.AddDataToMatrix(5, 0, 0, sd1);
    wide.AddDataToMatrix(5, 4, 0, sd0);
    wide.AddDataToMatrix(5, 0, 2, sd0);
    wide.AddDataToMatrix(5, -1, 0, sd0);
    EXPECT_EQ(wide.Block(), std::vector<std::uint16_t>(8, 0));
    // Inactive: nothing.
    wide.Activated = false;
    wide.AddDataToMatrix(5, 0, 0, sd0);
    wide.Activated = true;
    EXPECT_EQ(wide.Block()[0], 0);

    // The picture redrawn under a direction shows at (x, y) the value stored for (x, y).
    TDataspm16 c;
    travinetest::Fill(c, 2, 2, {1, 2, 3, 4});
    c.SetMax(255);
    c.RedrawBMP(sd3); // (1 - y, 1 - x): pixel (0, 0) shows value 4
    EXPECT_EQ(c.Bitmap().Pixel(0, 0), PixelOf(c.RampColor(4)));
    EXPECT_EQ(c.Bitmap().Pixel(1, 0), PixelOf(c.RampColor(3)));
    EXPECT_EQ(c.Bitmap().Pixel(1, 1), PixelOf(c.RampColor(1)));
}

TEST_F(Dataspm, MemoryBlocks)
{
    TDataspm16 c;
    c.Notices = &notices;
    c.Setmx(3);
    c.Setmy(4);
    ASSERT_TRUE(c.SetDataBlock());
    EXPECT_EQ(c.Block(), std::vector<std::uint16_t>(12, 0));
    std::uint16_t* p = c.DataLockate();
    ASSERT_NE(p, nullptr);
    p[11] = 9;
    c.DataUnLockate();
    EXPECT_EQ(c.Block()[11], 9);

    // DataFree keeps the picture, UnData empties it.
    c.DataFree();
    EXPECT_FALSE(c.HasBlock());
    EXPECT_EQ(c.Bitmap().Width, 3);
    ASSERT_TRUE(c.SetDataBlock());
    c.UnData();
    EXPECT_FALSE(c.HasBlock());
    EXPECT_EQ(c.Bitmap().Width, 0);
    EXPECT_EQ(c.Bitmap().Height, 0);

    // Inactive: no block, no address, no message.
    c.Activated = false;
    EXPECT_FALSE(c.SetDataBlock());
    EXPECT_EQ(c.DataLockate(), nullptr);
    EXPECT_TRUE(notices.Messages.empty());

    // No memory: the message with the size in bytes, no block.
    c.Activated = true;
    SetBlockLimitForTesting(10);
    EXPECT_FALSE(c.SetDataBlock());
    SetBlockLimitForTesting(-1);
    EXPECT_FALSE(c.HasBlock());
    EXPECT_EQ(notices.Beeps, 1);
    ASSERT_EQ(notices.Messages.size(), 1u);
    EXPECT_EQ(notices.Messages[0].Text, "Desirable matrix dimension is 24 Bytes.The system has not "
                                        "enough free memory in this case.");
    EXPECT_EQ(notices.Messages[0].Caption, "");
    EXPECT_FALSE(notices.Messages[0].Hand);
}

TEST_F(Dataspm, SavedFilesAreSpm0FilesOfTheProgram)
{
    // Unsigned values: the program reads them as signed, so 40000 comes back as -25536.
    TDataspm16 c;
    travinetest::Fill(c, 3, 2, {0, 1, 32767, 32768, 40000, 65535});
    c.SetKx(1.5f);
    c.SetKy(2.5f);
    c.SetKz(0.125f);
    c.SetZUnit("mV");
    c.SetXYUnit("nm");
    c.SetVersion("Travine");
    c.SetMin(1);
    c.SetMax(65535);
    const std::string path = dir.File("u.spm");
    ASSERT_TRUE(c.SaveData(path));

    const auto bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 512u + 12u);
    EXPECT_EQ(ReadAt<std::uint16_t>(bytes, 0), 0);
    EXPECT_EQ(ReadAt<std::uint16_t>(bytes, 32), 1);
    EXPECT_EQ(ReadAt<std::uint16_t>(bytes, 34), 65535);
    EXPECT_EQ(Slice(bytes, 446, 8),
              (std::vector<std::uint8_t>{'T', 'r', 'a', 'v', 'i', 'n', 'e', 0}));
    EXPECT_EQ(bytes[30], 0); // no comment

    travinetest::ProgramRead read;
    travinetest::ReadWithProgram(path, read);
    ASSERT_EQ(read.Status, fmtOk);
    EXPECT_EQ(read.Values(), (std::vector<std::int32_t>{0, 1, 32767, -32768, -25536, -1}));
    EXPECT_EQ(read.Header().Width, 3);
    EXPECT_EQ(read.Header().Height, 2);
    EXPECT_EQ(read.Header().XStep, 1.5f);
    EXPECT_EQ(read.Header().YStep, 2.5f);
    EXPECT_EQ(read.Header().ZScale, 0.125f);
    EXPECT_STREQ(read.Header().XYUnit, "nm");
    EXPECT_STREQ(read.Header().ZUnit, "mV");

    // Signed values come back as they are.
    TDataspm s;
    travinetest::Fill(s, 2, 2, {-32768, -1, 0, 32767});
    const std::string spath = dir.File("s.spm");
    ASSERT_TRUE(s.SaveData(spath));
    travinetest::ProgramRead sread;
    travinetest::ReadWithProgram(spath, sread);
    ASSERT_EQ(sread.Status, fmtOk);
    EXPECT_EQ(sread.Values(), (std::vector<std::int32_t>{-32768, -1, 0, 32767}));
}

TEST_F(Dataspm, LoadsWhatTheProgramWrote)
{
    const std::string path = ProgramFile(dir, "p.spm", 3, 2, {-3, 0, 5, 32767, -32768, 100});

    TDataspm s;
    ASSERT_TRUE(s.LoadData(path));
    EXPECT_TRUE(s.Loaded());
    EXPECT_EQ(s.mx(), 3);
    EXPECT_EQ(s.my(), 2);
    EXPECT_EQ(s.Kx(), 1.5f);
    EXPECT_EQ(s.Ky(), 2.5f);
    EXPECT_EQ(s.Kz(), 0.125f);
    EXPECT_EQ(s.Block(), (std::vector<std::int16_t>{-3, 0, 5, 32767, -32768, 100}));
    EXPECT_EQ(s.Min(), -32768);
    EXPECT_EQ(s.Max(), 32767);
    EXPECT_EQ(s.Range(), 65535);
    EXPECT_EQ(s.BlockSize(), 12);
    EXPECT_EQ(s.FileName(), path);

    TDataspm16 c;
    ASSERT_TRUE(c.LoadData(path));
    EXPECT_EQ(c.Block(), (std::vector<std::uint16_t>{65533, 0, 5, 32767, 32768, 100}));
    EXPECT_EQ(c.Min(), 0);
    EXPECT_EQ(c.Max(), 65533);
    EXPECT_EQ(c.Mean(), (65533.0 + 0 + 5 + 32767 + 32768 + 100) / 6);
    // Only mx, my and the three scales are taken from the file's header.
    EXPECT_EQ(c.Header().Min, 0);
    EXPECT_EQ(c.Header().Max, 0);
    EXPECT_EQ(c.ZUnit(), "");
    // The picture shows every value through the ramp of the new range.
    ASSERT_EQ(c.Bitmap().Width, 3);
    ASSERT_EQ(c.Bitmap().Height, 2);
    EXPECT_EQ(c.Bitmap().Pixel(2, 1), PixelOf(c.RampColor(100)));
    EXPECT_EQ(c.Bitmap().Pixel(0, 0), PixelOf(c.RampColor(65533)));

    // 100 x 100 values: a block of 20000 bytes.
    TDataspm16 big;
    ASSERT_TRUE(
        big.LoadData(ProgramFile(dir, "big.spm", 100, 100, std::vector<std::int32_t>(10000, 7))));
    EXPECT_EQ(big.mx(), 100);
    EXPECT_EQ(big.my(), 100);
    EXPECT_EQ(big.BlockSize(), 20000);
    EXPECT_EQ(big.Mean(), 7.0);

    // A file opened read-only is still read.
    const std::string locked = ProgramFile(dir, "ro.spm", 2, 1, {4, 5});
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    TDataspm16 ro;
    EXPECT_TRUE(ro.LoadData(locked));
    EXPECT_EQ(ro.Block(), (std::vector<std::uint16_t>{4, 5}));
}

TEST_F(Dataspm, AnEmptyMatrixLoadsWithMeanZero)
{
    std::vector<std::uint8_t> bytes(512, 0);
    bytes[6] = 5; // 0 x 5
    const std::string path = dir.File("empty.spm");
    WriteBytes(path, bytes);
    TDataspm16 c;
    EXPECT_TRUE(c.LoadData(path));
    EXPECT_TRUE(c.Loaded());
    EXPECT_EQ(c.Mean(), 0.0);
    EXPECT_EQ(c.Min(), 0);
    EXPECT_EQ(c.Max(), 0);
    EXPECT_TRUE(c.Block().empty());
    EXPECT_EQ(c.Bitmap().Width, 0);
}

TEST_F(Dataspm, AFailedLoadShowsItsMessageAndLeavesNoDataAndNoPicture)
{
    const std::string good = ProgramFile(dir, "good.spm", 4, 3, std::vector<std::int32_t>(12, 9));
    auto whole = ReadBytes(good);
    const std::string shortHead = dir.File("head.spm");
    WriteBytes(shortHead, {whole.begin(), whole.begin() + 100});
    const std::string shortData = dir.File("data.spm");
    WriteBytes(shortData, {whole.begin(), whole.end() - 2});
    // A header that promises 65535 x 65535 values in a file of a few bytes.
    auto huge = whole;
    huge[2] = huge[3] = huge[6] = huge[7] = 0xFF;
    const std::string hugePath = dir.File("huge.spm");
    WriteBytes(hugePath, huge);
    // Only regular files are read: a FIFO (which must not block the load) and a folder
    // are read errors.
    const std::string fifo = dir.File("fifo.spm"), folder = dir.File("folder.spm");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);

    struct Case {
        const char* What;
        std::string Path;
        std::int64_t Limit;
        std::string Text;
        std::string Caption;
        bool KeepsData; // a file that cannot be opened changes nothing
    } cases[] = {
        {"no file", dir.File("none.spm"), -1,
         "I can't open the file: " + dir.File("none.spm") + "!\r\n", "FILE OPEN ERROR", true},
        {"short header", shortHead, -1, "The loaded data are wrong!", "DATA READ ERROR", false},
        {"short data", shortData, -1, "The loaded data are wrong!", "DATA READ ERROR", false},
        {"sizes beyond the file", hugePath, -1, "The loaded data are wrong!", "DATA READ ERROR",
         false},
        {"no memory", good, 16, "Too few free memory for data loading!", "FILE LOAD ERROR", false},
        {"FIFO", fifo, -1, "The loaded data are wrong!", "DATA READ ERROR", false},
        {"folder", folder, -1, "The loaded data are wrong!", "DATA READ ERROR", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.What);
        // A component that held data before.
        TDataspm16 c;
        travinetest::Fill(c, 2, 2, {1, 2, 3, 4});
        c.ReCalcBMP();
        travinetest::Notices seen;
        c.Notices = &seen;
        SetBlockLimitForTesting(k.Limit);
        EXPECT_TRUE(testsupport::EndsWithoutWaitingOn({fifo}, [&] { EXPECT_FALSE(c.LoadData(k.Path)); }));
        SetBlockLimitForTesting(-1);
        EXPECT_FALSE(c.Loaded()) << k.What;
        EXPECT_EQ(c.HasBlock(), k.KeepsData) << k.What;
        EXPECT_EQ(c.Bitmap().Width, k.KeepsData ? 2 : 0) << k.What;
        EXPECT_EQ(c.Bitmap().Height, k.KeepsData ? 2 : 0) << k.What;
        EXPECT_EQ(c.Bitmap().Pixels.size(), k.KeepsData ? 4u : 0u) << k.What;
        EXPECT_EQ(c.BlockSize(), 0) << k.What; // no file load gave the old block
        EXPECT_EQ(seen.Beeps, 1) << k.What;
        ASSERT_EQ(seen.Messages.size(), 1u) << k.What;
        EXPECT_EQ(seen.Messages[0].Text, k.Text) << k.What;
        EXPECT_EQ(seen.Messages[0].Caption, k.Caption) << k.What;
        EXPECT_TRUE(seen.Messages[0].Hand) << k.What;
    }

    // No name, or an inactive component: false without a message.
    TDataspm16 c;
    c.Notices = &notices;
    EXPECT_FALSE(c.LoadData(""));
    c.Activated = false;
    EXPECT_FALSE(c.LoadData(good));
    EXPECT_TRUE(notices.Messages.empty());
    EXPECT_EQ(c.mx(), 0);
}

TEST_F(Dataspm, SaveFailuresAndAnInactiveComponent)
{
    TDataspm16 c;
    c.Notices = &notices;
    travinetest::Fill(c, 2, 2, {1, 2, 3, 4});

    const std::string noFolder = dir.File("no/such/folder.spm");
    EXPECT_FALSE(c.SaveData(noFolder));
    EXPECT_FALSE(c.SaveData("/dev/full"));
    // A header that promises more values than the block holds.
    c.Setmy(3);
    EXPECT_FALSE(c.SaveData(dir.File("more.spm")));
    EXPECT_EQ(notices.Beeps, 3);
    ASSERT_EQ(notices.Messages.size(), 3u);
    EXPECT_EQ(notices.Messages[0].Text, "I can't create the file: " + noFolder + "!\r\n");
    EXPECT_EQ(notices.Messages[1].Text, "I can't write SPMHEAD to file: /dev/full!\r\n");
    EXPECT_EQ(notices.Messages[2].Text,
              "I can't write DATA to file: " + dir.File("more.spm") + "!\r\n");
    for (const auto& m : notices.Messages) {
        EXPECT_EQ(m.Caption, "");
        EXPECT_FALSE(m.Hand);
    }

    // Inactive: no file, no message.
    c.Setmy(2);
    c.Activated = false;
    EXPECT_FALSE(c.SaveData(dir.File("inactive.spm")));
    EXPECT_EQ(notices.Messages.size(), 3u);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"more.spm"});
}

TEST_F(Dataspm, TheFileNameIsCutTo127Characters)
{
    const std::string path = ProgramFile(dir, "n.spm", 1, 1, {1});
    // The same file through a long path of "./" parts.
    std::string longPath = dir.Path();
    while (longPath.size() < 200)
        longPath += "./";
    longPath += "n.spm";
    TDataspm16 c;
    ASSERT_TRUE(c.LoadData(longPath));
    EXPECT_EQ(c.FileName(), longPath.substr(0, 127));
}
