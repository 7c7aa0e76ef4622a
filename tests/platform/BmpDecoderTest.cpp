#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/BmpDecoder.h"
#include "support/BmpFiles.h"

using bmpfiles::Build;
using bmpfiles::Padded;
using bmpfiles::Spec;
using platform::BmpPicture;
using platform::BmpStatus;
using platform::DecodeBmp;

namespace {

const std::vector<std::uint32_t> Palette8 = {0x000010, 0x202020, 0x404040, 0x606060,
                                             0x808080, 0xA0A0A0, 0xC0C0C0, 0xE0E0E0};

// The picture's pixels as 0xRRGGBB, row by row from the top; every fourth byte must be 0xFF.
std::vector<std::uint32_t> Colours(const BmpPicture& p)
{
    std::vector<std::uint32_t> out;
    for (std::size_t k = 0; k + 3 < p.Pixels.size(); k += 4) {
        EXPECT_EQ(p.Pixels[k + 3], 0xFF);
        out.push_back(p.Pixels[k + 2] << 16 | p.Pixels[k + 1] << 8 | p.Pixels[k]);
    }
    return out;
}

std::uint32_t Grey(int i) { return Palette8[i]; }

}  // namespace

// Each kind of file the reader decodes, with its pixels worked out by hand from the bytes
// (rows stored bottom-up unless the height is negative).
TEST(DecodeBmp, DecodesEveryKindExactly)
{
    struct Case {
        const char* what;
        Spec spec;
        int width, height, bits;
        std::vector<std::uint32_t> pixels;
    };
    const Case cases[] = {
        {"24 bits, bottom-up",
         {.Width = 2, .Height = 2, .Bits = 24,
          .Pixels = Padded({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}})},
         2, 2, 24, {0x090807, 0x0C0B0A, 0x030201, 0x060504}},
        {"8 bits, top-down, an index beyond the palette is black",
         {.Width = 3, .Height = -1, .Bits = 8, .Palette = {0x112233, 0x445566},
          .Pixels = Padded({{1, 0, 200}}), .ColoursUsed = 2},
         3, 1, 8, {0x445566, 0x112233, 0x000000}},
        {"4 bits, odd width",
         {.Width = 3, .Height = 1, .Bits = 4, .Palette = Palette8, .Pixels = Padded({{0x71, 0x30}}),
          .ColoursUsed = 8},
         3, 1, 4, {Grey(7), Grey(1), Grey(3)}},
        {"1 bit, core header with three-byte palette entries",
         {.Width = 10, .Height = 1, .Bits = 1, .HeaderBytes = 12, .Palette = {0x000000, 0xFFFFFF},
          .Pixels = Padded({{0xA5, 0x40}})},
         10, 1, 1,
         {0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0, 0xFFFFFF, 0, 0xFFFFFF}},
        {"16 bits 5-5-5, scaled to 0..255",
         {.Width = 2, .Height = 1, .Bits = 16, .Pixels = Padded({{0xFF, 0x7F, 0x10, 0x42}})},
         2, 1, 16, {0xFFFFFF, 0x848484}},
        {"16 bits 5-6-5 bit fields",
         {.Width = 3, .Height = 1, .Bits = 16, .Compression = 3, .Masks = {0xF800, 0x07E0, 0x001F},
          .Pixels = Padded({{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00}})},
         3, 1, 16, {0xFF0000, 0x00FF00, 0x0000FF}},
        {"32 bits in a 108-byte header, the fourth byte ignored",
         {.Width = 2, .Height = 1, .Bits = 32, .HeaderBytes = 108, .Pixels = {1, 2, 3, 0, 4, 5, 6, 77}},
         2, 1, 32, {0x030201, 0x060504}},
        {"32 bits with bit fields inside a 56-byte header",
         {.Width = 1, .Height = 1, .Bits = 32, .Compression = 3, .HeaderBytes = 56,
          .Masks = {0x000000FF, 0x0000FF00, 0x00FF0000}, .Pixels = {1, 2, 3, 4}},
         1, 1, 32, {0x010203}},
        // Row 0 (bottom): run of 3 x colour 1, end of line; delta (2, 1) to row 2, four
        // literal pixels, end. Row 1 and the skipped pixels take colour 0.
        {"RLE8 with an end of line and a delta",
         {.Width = 6, .Height = 3, .Bits = 8, .Compression = 1, .Palette = Palette8,
          .Pixels = {3, 1, 0, 0, 0, 2, 2, 1, 0, 4, 4, 5, 6, 7, 0, 1}, .ColoursUsed = 8},
         6, 3, 8,
         {Grey(0), Grey(0), Grey(4), Grey(5), Grey(6), Grey(7),
          Grey(0), Grey(0), Grey(0), Grey(0), Grey(0), Grey(0),
          Grey(1), Grey(1), Grey(1), Grey(0), Grey(0), Grey(0)}},
        // A run alternating two colours, then three literal pixels padded to a word.
        {"RLE4 with runs and an odd literal",
         {.Width = 5, .Height = 2, .Bits = 4, .Compression = 2, .Palette = Palette8,
          .Pixels = {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 2, 0x67, 0, 1}, .ColoursUsed = 8},
         5, 2, 4,
         {Grey(3), Grey(4), Grey(5), Grey(6), Grey(7), Grey(1), Grey(2), Grey(1), Grey(2), Grey(1)}},
        {"RLE8 complete without its end mark",
         {.Width = 2, .Height = 1, .Bits = 8, .Compression = 1, .Palette = Palette8, .Pixels = {2, 3},
          .ColoursUsed = 8},
         2, 1, 8, {Grey(3), Grey(3)}},
    };
    for (const Case& c : cases) {
        BmpPicture picture;
        ASSERT_EQ(DecodeBmp(Build(c.spec), picture), BmpStatus::Ok) << c.what;
        EXPECT_EQ(picture.Width, c.width) << c.what;
        EXPECT_EQ(picture.Height, c.height) << c.what;
        EXPECT_EQ(picture.BitCount, c.bits) << c.what;
        EXPECT_EQ(Colours(picture), c.pixels) << c.what;
    }
}

// Files that are cut short, overrun their rows or lie about their sizes are refused and
// leave the picture as it was.
TEST(DecodeBmp, RefusesWhatTheFileDoesNotHold)
{
    const Spec rle8{.Width = 4, .Height = 2, .Bits = 8, .Compression = 1, .Palette = Palette8, .ColoursUsed = 8};
    const Spec rle4{.Width = 4, .Height = 1, .Bits = 4, .Compression = 2, .Palette = Palette8, .ColoursUsed = 8};
    const auto with = [](Spec s, std::vector<std::uint8_t> pixels) {
        s.Pixels = std::move(pixels);
        return s;
    };
    const Spec rgb{.Width = 2, .Height = 2, .Bits = 24, .Pixels = Padded({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 1, 2, 3}})};
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        BmpStatus status;
    };
    std::vector<Case> cases = {
        {"no signature", {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0}, BmpStatus::NotBmp},
        {"empty", {}, BmpStatus::NotBmp},
        {"pixel offset past the end", Build({.Width = 2, .Height = 2, .Bits = 24, .Pixels = rgb.Pixels,
                                            .PixelOffset = 100000}),
         BmpStatus::Truncated},
        {"pixel offset inside the header", Build({.Width = 1, .Height = 1, .Bits = 24,
                                                 .Pixels = {1, 2, 3, 0}, .PixelOffset = 20}),
         BmpStatus::Corrupt},
        {"RLE8 stream ends inside the picture", Build(with(rle8, {4, 1, 0, 0, 2, 2})), BmpStatus::Truncated},
        {"RLE8 literal cut short", Build(with(rle8, {0, 4, 1, 2})), BmpStatus::Truncated},
        {"RLE8 delta cut short", Build(with(rle8, {0, 2, 1})), BmpStatus::Truncated},
        {"RLE8 run overruns its row", Build(with(rle8, {5, 1, 0, 1})), BmpStatus::Corrupt},
        {"RLE8 literal overruns its row", Build(with(rle8, {2, 1, 0, 3, 1, 2, 3, 0, 0, 1})), BmpStatus::Corrupt},
        {"RLE8 delta leaves the picture", Build(with(rle8, {0, 2, 5, 0, 0, 1})), BmpStatus::Corrupt},
        {"RLE8 pixels below the last row", Build(with(rle8, {0, 0, 0, 0, 1, 1, 0, 1})), BmpStatus::Corrupt},
        {"RLE4 stream ends inside the picture", Build(with(rle4, {3, 0x12})), BmpStatus::Truncated},
        {"RLE4 run overruns its row", Build(with(rle4, {6, 0x12, 0, 1})), BmpStatus::Corrupt},
        {"RLE4 literal overruns its row", Build(with(rle4, {0, 5, 0x12, 0x34, 0x50, 0, 0, 1})), BmpStatus::Corrupt},
        {"RLE written top-down", Build({.Width = 1, .Height = -1, .Bits = 8, .Compression = 1,
                                        .Palette = Palette8, .Pixels = {1, 1, 0, 1}}),
         BmpStatus::Corrupt},
        {"zero width", Build({.Width = 0, .Height = 1, .Bits = 24, .Pixels = {0, 0, 0, 0}}), BmpStatus::Corrupt},
        {"zero height", Build({.Width = 1, .Height = 0, .Bits = 24, .Pixels = {0, 0, 0, 0}}), BmpStatus::Corrupt},
        {"negative width", Build({.Width = -4, .Height = 1, .Bits = 24, .Pixels = {0, 0, 0, 0}}), BmpStatus::Corrupt},
        {"2^31 rows of 2^31 pixels", Build({.Width = INT32_MAX, .Height = INT32_MIN, .Bits = 1,
                                           .Palette = {0, 0}, .Pixels = {0, 0, 0, 0}}),
         BmpStatus::TooLarge},
        {"2 bits per pixel", Build({.Width = 1, .Height = 1, .Bits = 2, .Pixels = {0, 0, 0, 0}}),
         BmpStatus::Unsupported},
        {"JPEG compression", Build({.Width = 1, .Height = 1, .Bits = 24, .Compression = 4, .Pixels = {0, 0, 0, 0}}),
         BmpStatus::Unsupported},
        {"RLE8 at 4 bits", Build({.Width = 1, .Height = 1, .Bits = 4, .Compression = 1, .Palette = Palette8,
                                  .Pixels = {1, 1, 0, 1}}),
         BmpStatus::Unsupported},
        {"bit fields at 24 bits", Build({.Width = 1, .Height = 1, .Bits = 24, .Compression = 3,
                                         .Masks = {1, 2, 4}, .Pixels = {0, 0, 0, 0}}),
         BmpStatus::Unsupported},
        {"a 20-byte header", Build({.Width = 1, .Height = 1, .Bits = 24, .HeaderBytes = 20, .Pixels = {0, 0, 0, 0}}),
         BmpStatus::Unsupported},
    };
    // A palette that ends early: 8 colours promised, the file ends after 5.
    auto palette = Build({.Width = 1, .Height = 1, .Bits = 8, .Palette = Palette8, .ColoursUsed = 8});
    palette.resize(14 + 40 + 5 * 4);
    cases.push_back({"palette cut short", palette, BmpStatus::Truncated});

    for (const Case& c : cases) {
        BmpPicture picture;
        picture.Width = 77;
        EXPECT_EQ(DecodeBmp(c.bytes, picture), c.status) << c.what;
        EXPECT_EQ(picture.Width, 77) << c.what;
        EXPECT_TRUE(picture.Pixels.empty()) << c.what;
    }
    // A caller's smaller limit counts pixels as the largest one does.
    const auto square = Build({.Width = 4, .Height = 4, .Bits = 24, .Pixels = std::vector<std::uint8_t>(48, 1)});
    BmpPicture picture;
    EXPECT_EQ(DecodeBmp(square, picture, 15), BmpStatus::TooLarge);
    EXPECT_EQ(DecodeBmp(square, picture, 16), BmpStatus::Ok);
}

// Cut at every length, a file is refused or, when only the padding of its last row or
// the end mark of its RLE stream was lost, decodes to the picture of the whole file.
TEST(DecodeBmp, FilesCutAtEveryLength)
{
    const std::vector<Spec> specs = {
        {.Width = 3, .Height = 2, .Bits = 24, .Pixels = Padded({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {9, 8, 7, 6, 5, 4, 3, 2, 1}})},
        {.Width = 5, .Height = 1, .Bits = 4, .Palette = Palette8, .Pixels = Padded({{0x12, 0x34, 0x50}}), .ColoursUsed = 8},
        {.Width = 6, .Height = 3, .Bits = 8, .Compression = 1, .Palette = Palette8,
         .Pixels = {3, 1, 0, 0, 0, 2, 2, 1, 0, 4, 4, 5, 6, 7, 0, 1}, .ColoursUsed = 8},
        {.Width = 5, .Height = 2, .Bits = 4, .Compression = 2, .Palette = Palette8,
         .Pixels = {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 2, 0x67, 0, 1}, .ColoursUsed = 8},
    };
    for (const Spec& spec : specs) {
        const auto whole = Build(spec);
        BmpPicture full;
        ASSERT_EQ(DecodeBmp(whole, full), BmpStatus::Ok);
        int decoded = 0;
        for (std::size_t n = 0; n < whole.size(); ++n) {
            BmpPicture cut;
            const std::vector<std::uint8_t> bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
            if (DecodeBmp(bytes, cut) == BmpStatus::Ok) {
                ++decoded;
                EXPECT_EQ(cut.Pixels, full.Pixels) << spec.Bits << " bits cut at " << n;
            }
        }
        EXPECT_LE(decoded, 3) << spec.Bits << " bits";
    }
}
