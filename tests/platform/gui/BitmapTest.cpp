#include <gtest/gtest.h>

#include <cstdint>
#include <malloc.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "support/BmpFiles.h"
#include "support/TestSupport.h"

using namespace platform;
using testsupport::ReadBytes;
using testsupport::ScratchDir;
using testsupport::WriteBytes;

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// A 3 x 2 picture with a distinct colour in every pixel.
void Fill(TBitmap& bitmap, TPixelFormat format)
{
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            bitmap.Canvas()->SetPixels(x, y, RGB(10 + x, 20 + y, 30 + x + y));
}

void ExpectPicture(const TBitmap& bitmap)
{
    ASSERT_EQ(bitmap.Width(), 3);
    ASSERT_EQ(bitmap.Height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(bitmap.Canvas()->Pixels(x, y), RGB(10 + x, 20 + y, 30 + x + y))
                << x << "," << y;
}

TEST(Bitmap, StartsEmptyInTheDeviceFormat)
{
    TBitmap bitmap;
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.PixelFormat(), pfDevice);
    EXPECT_EQ(bitmap.BitsPerPixel(), 0);
    EXPECT_EQ(bitmap.ScanLine(0), nullptr);
    bitmap.SetWidth(5);
    EXPECT_TRUE(bitmap.Empty());
    bitmap.SetHeight(-3);
    EXPECT_EQ(bitmap.Height(), 0);
}

TEST(Bitmap, ResizingKeepsThePixelsAndFillsWithTheBrush)
{
    TBitmap bitmap;
    bitmap.Canvas()->Brush.Color = clBlue;
    bitmap.SetSize(2, 2);
    EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), clBlue);
    bitmap.Canvas()->SetPixels(1, 1, clRed);
    bitmap.Canvas()->Brush.Color = clGreen;
    bitmap.SetSize(4, 3);
    EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), clRed);
    EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), clBlue);
    EXPECT_EQ(bitmap.Canvas()->Pixels(3, 2), clGreen);
    bitmap.SetSize(1, 1);
    EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), clBlue);
}

TEST(Bitmap, RowsHoldBlueGreenRedAlignedToFourBytes)
{
    for (const auto& [format, bpp, stride] :
         {std::tuple{pf24bit, 3, 16}, std::tuple{pf32bit, 4, 20}}) {
        TBitmap bitmap;
        bitmap.SetPixelFormat(format);
        bitmap.SetSize(5, 2);
        EXPECT_EQ(bitmap.BitsPerPixel(), bpp * 8);
        EXPECT_EQ(bitmap.BytesPerLine(), stride);
        bitmap.Canvas()->SetPixels(2, 1, RGB(1, 2, 3));
        const std::uint8_t* row = bitmap.ScanLine(1);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row[2 * bpp + 0], 3);
        EXPECT_EQ(row[2 * bpp + 1], 2);
        EXPECT_EQ(row[2 * bpp + 2], 1);
        bitmap.ScanLine(0)[0] = 200; // blue of pixel (0, 0)
        EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), RGB(255, 255, 200));
        EXPECT_EQ(bitmap.ScanLine(2), nullptr);
        EXPECT_EQ(bitmap.ScanLine(-1), nullptr);
    }
}

TEST(Bitmap, PixelFormatChangesKeepThePicture)
{
    TBitmap bitmap;
    Fill(bitmap, pf24bit);
    bitmap.SetPixelFormat(pf32bit);
    ExpectPicture(bitmap);
    bitmap.SetPixelFormat(pfDevice);
    ExpectPicture(bitmap);
    bitmap.SetPixelFormat(pf24bit);
    ExpectPicture(bitmap);
}

TEST(Bitmap, AssignMakesAnIndependentCopy)
{
    TBitmap source;
    Fill(source, pf32bit);
    TBitmap copy;
    copy.Assign(&source);
    EXPECT_EQ(copy.PixelFormat(), pf32bit);
    ExpectPicture(copy);
    copy.Canvas()->SetPixels(0, 0, clBlack);
    ExpectPicture(source);
    copy.Assign(nullptr);
    EXPECT_TRUE(copy.Empty());
}

TEST(Bitmap, ChangesAreReported)
{
    TBitmap bitmap;
    int changes = 0;
    bitmap.OnChange = [&](TBitmap* sender) {
        EXPECT_EQ(sender, &bitmap);
        ++changes;
    };
    bitmap.SetSize(2, 2);
    bitmap.SetSize(2, 2); // unchanged: nothing
    bitmap.SetPixelFormat(pf24bit);
    TBitmap other;
    other.SetSize(1, 1);
    bitmap.Assign(&other);
    bitmap.Canvas()->SetPixels(0, 0, clRed);
    EXPECT_EQ(changes, 4);
}

TEST(Bitmap, SavedFilesAreBottomUpBmpOfThePixelFormat)
{
    ScratchDir dir;
    const struct {
        TPixelFormat Format;
        int Bits;
        TPixelFormat Loaded;
    } cases[] = {{pf24bit, 24, pf24bit}, {pf32bit, 32, pf32bit}, {pfDevice, 24, pf24bit}};
    for (const auto& c : cases) {
        TBitmap bitmap;
        Fill(bitmap, c.Format);
        const std::string path = dir.File("picture.bmp");
        ASSERT_TRUE(bitmap.SaveToFile(path));
        const auto bytes = ReadBytes(path);
        const std::size_t stride = (3 * c.Bits / 8 + 3) / 4 * 4;
        ASSERT_EQ(bytes.size(), 54 + 2 * stride);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(U32(bytes, 2), bytes.size());
        EXPECT_EQ(U32(bytes, 10), 54u);
        EXPECT_EQ(U32(bytes, 18), 3u);
        EXPECT_EQ(U32(bytes, 22), 2u);
        EXPECT_EQ(bytes[28], c.Bits);
        // The first stored row is the bottom row (y = 1): pixel (0, 1) = B 31, G 21, R 10.
        EXPECT_EQ(bytes[54], 31);
        EXPECT_EQ(bytes[55], 21);
        EXPECT_EQ(bytes[56], 10);

        TBitmap loaded;
        ASSERT_TRUE(loaded.LoadFromFile(path));
        EXPECT_EQ(loaded.PixelFormat(), c.Loaded);
        ExpectPicture(loaded);
    }
}

TEST(Bitmap, BadFilesAreRefusedAndChangeNothing)
{
    ScratchDir dir;
    TBitmap bitmap;
    Fill(bitmap, pf24bit);
    ASSERT_TRUE(bitmap.SaveToFile(dir.File("good.bmp")));
    auto truncated = ReadBytes(dir.File("good.bmp"));
    truncated.resize(40);
    WriteBytes(dir.File("truncated.bmp"), truncated);
    WriteBytes(dir.File("text.bmp"), {'h', 'e', 'l', 'l', 'o'});
    std::vector<std::uint8_t> huge = ReadBytes(dir.File("good.bmp"));
    huge[18] = 0xFF; // width 0x7FFFFF03 ...
    huge[21] = 0x7F;
    huge[22] = 0xFF; // ... by height 0x7FFFFF02
    huge[25] = 0x7F;
    WriteBytes(dir.File("huge.bmp"), huge);
    for (const char* name : {"missing.bmp", "truncated.bmp", "text.bmp", "huge.bmp"}) {
        EXPECT_FALSE(bitmap.LoadFromFile(dir.File(name))) << name;
        ExpectPicture(bitmap);
    }
    TBitmap empty;
    EXPECT_FALSE(empty.SaveToFile(dir.File("empty.bmp")));
    EXPECT_FALSE(bitmap.SaveToFile(dir.File("no/such/folder.bmp")));
}

// Only whole pictures from regular files load: a file cut inside its pixels, one whose
// pixels lie past its end, RLE streams that end early or overrun a row, a FIFO (which must
// not block) and a folder are refused and change nothing.
TEST(Bitmap, LoadsOnlyWholePicturesFromRegularFiles)
{
    ScratchDir dir;
    TBitmap bitmap;
    Fill(bitmap, pf24bit);
    const std::vector<std::uint32_t> palette = {0x102030, 0x405060};
    const bmpfiles::Spec rle{.Width = 4, .Height = 2, .Bits = 8, .Compression = 1, .Palette = palette,
                             .ColoursUsed = 2};
    auto cut = bmpfiles::Build({.Width = 4, .Height = 4, .Bits = 24, .Pixels = std::vector<std::uint8_t>(48, 7)});
    cut.resize(cut.size() - 20);
    auto ended = rle;
    ended.Pixels = {4, 1, 0, 0, 2, 1};
    auto overrun = rle;
    overrun.Pixels = {4, 1, 0, 0, 6, 1, 0, 1};
    WriteBytes(dir.File("cut.bmp"), cut);
    WriteBytes(dir.File("past.bmp"), bmpfiles::Build({.Width = 1, .Height = 1, .Bits = 24,
                                                      .Pixels = {1, 2, 3, 0}, .PixelOffset = 4096}));
    WriteBytes(dir.File("ended.bmp"), bmpfiles::Build(ended));
    WriteBytes(dir.File("overrun.bmp"), bmpfiles::Build(overrun));
    ASSERT_EQ(::mkfifo(dir.File("fifo.bmp").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(dir.File("folder.bmp").c_str(), 0700), 0);
    for (const char* name : {"cut.bmp", "past.bmp", "ended.bmp", "overrun.bmp", "fifo.bmp", "folder.bmp"}) {
        EXPECT_FALSE(bitmap.LoadFromFile(dir.File(name))) << name;
        ExpectPicture(bitmap);
    }
}

// Pixels that an RLE stream skips on purpose take the palette's first colour, whatever the
// memory held before: loads with the heap filled with two patterns give the same picture.
TEST(Bitmap, SkippedRlePixelsAreDefined)
{
    ScratchDir dir;
    // 3 x 2: bottom row a run of two of colour 1, then a delta to the top row's third
    // pixel, one literal pixel of colour 1 (padded), end.
    WriteBytes(dir.File("rle.bmp"),
               bmpfiles::Build({.Width = 3, .Height = 2, .Bits = 8, .Compression = 1,
                                .Palette = {0x102030, 0x405060}, .Pixels = {2, 1, 0, 2, 0, 1, 1, 1, 0, 1},
                                .ColoursUsed = 2}));
    const TColor first = RGB(0x10, 0x20, 0x30), second = RGB(0x40, 0x50, 0x60);
    const std::vector<TColor> expected = {first, first, second, second, second, first};
    for (int pattern : {0x55, 0xAA}) {
#ifdef M_PERTURB
        mallopt(M_PERTURB, pattern);
#endif
        TBitmap bitmap;
        ASSERT_TRUE(bitmap.LoadFromFile(dir.File("rle.bmp")));
        EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
        std::vector<TColor> pixels;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                pixels.push_back(bitmap.Canvas()->Pixels(x, y));
        EXPECT_EQ(pixels, expected) << pattern;
    }
#ifdef M_PERTURB
    mallopt(M_PERTURB, 0);
#endif
}

} // namespace
