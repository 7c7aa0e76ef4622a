#include "BmpDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <new>

namespace platform {

namespace {

constexpr std::uint32_t BiRgb = 0;
constexpr std::uint32_t BiRle8 = 1;
constexpr std::uint32_t BiRle4 = 2;
constexpr std::uint32_t BiBitfields = 3;
constexpr std::uint32_t BiAlphaBitfields = 6;

constexpr std::uint64_t FileHeaderBytes = 14;
constexpr std::uint32_t CoreHeaderBytes = 12;

// Little-endian fields at offsets that the caller has checked.
class Bytes {
public:
    explicit Bytes(std::span<const std::uint8_t> data) : data_(data) {}
    std::uint64_t Size() const { return data_.size(); }
    //! True when `count` bytes from `offset` lie inside the data.
    bool Has(std::uint64_t offset, std::uint64_t count) const
    {
        return offset <= data_.size() && count <= data_.size() - offset;
    }
    std::uint8_t U8(std::uint64_t at) const { return data_[at]; }
    std::uint16_t U16(std::uint64_t at) const
    {
        return static_cast<std::uint16_t>(data_[at] | (data_[at + 1] << 8));
    }
    std::uint32_t U32(std::uint64_t at) const
    {
        return data_[at] | (data_[at + 1] << 8) | (data_[at + 2] << 16) |
               (static_cast<std::uint32_t>(data_[at + 3]) << 24);
    }
    std::int32_t I32(std::uint64_t at) const { return static_cast<std::int32_t>(U32(at)); }
    const std::uint8_t* At(std::uint64_t at) const { return data_.data() + at; }

private:
    std::span<const std::uint8_t> data_;
};

// A colour as the decoded pixels hold it: blue, green, red, 0xFF.
using Colour = std::array<std::uint8_t, 4>;

// One colour component of a bit-field pixel: its bits scaled to 0..255.
class Component {
public:
    explicit Component(std::uint32_t mask)
        : mask_(mask), shift_(mask ? std::countr_zero(mask) : 0), largest_(mask ? mask >> shift_ : 0)
    {
    }
    std::uint8_t Of(std::uint32_t pixel) const
    {
        if (largest_ == 0)
            return 0;
        const std::uint64_t v = (pixel & mask_) >> shift_;
        return static_cast<std::uint8_t>((v * 255 + largest_ / 2) / largest_);
    }

private:
    std::uint32_t mask_;
    int shift_;
    std::uint32_t largest_;
};

struct Layout {
    std::int64_t width = 0;
    std::int64_t height = 0;  // rows, always positive
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = BiRgb;
    std::uint64_t pixelOffset = 0;
    std::array<Colour, 256> palette{};
    std::uint32_t masks[3] = {};  // red, green, blue
};

// The picture being decoded: rows counted as the file stores them.
class Target {
public:
    Target(const Layout& layout, std::vector<std::uint8_t>& pixels)
        : layout_(layout), pixels_(pixels)
    {
    }
    std::uint8_t* Pixel(std::int64_t fileRow, std::int64_t x)
    {
        const std::int64_t row = layout_.topDown ? fileRow : layout_.height - 1 - fileRow;
        return pixels_.data() + static_cast<std::size_t>((row * layout_.width + x) * 4);
    }
    void Put(std::int64_t fileRow, std::int64_t x, const Colour& c)
    {
        std::copy(c.begin(), c.end(), Pixel(fileRow, x));
    }

private:
    const Layout& layout_;
    std::vector<std::uint8_t>& pixels_;
};

BmpStatus ReadHeaders(const Bytes& in, Layout& layout)
{
    if (!in.Has(0, 2) || in.U8(0) != 'B' || in.U8(1) != 'M')
        return BmpStatus::NotBmp;
    if (!in.Has(0, FileHeaderBytes + 4))
        return BmpStatus::Truncated;
    layout.pixelOffset = in.U32(10);
    const std::uint32_t headerBytes = in.U32(14);
    const bool core = headerBytes == CoreHeaderBytes;
    if (!core && headerBytes != 40 && headerBytes != 52 && headerBytes != 56 && headerBytes != 64 &&
        headerBytes != 108 && headerBytes != 124)
        return BmpStatus::Unsupported;
    if (!in.Has(FileHeaderBytes, headerBytes))
        return BmpStatus::Truncated;

    std::uint32_t colours = 0;
    if (core) {
        layout.width = in.U16(18);
        layout.height = in.U16(20);
        layout.bits = in.U16(24);
    } else {
        layout.width = in.I32(18);
        const std::int64_t height = in.I32(22);
        layout.topDown = height < 0;
        layout.height = height < 0 ? -height : height;
        layout.bits = in.U16(28);
        layout.compression = in.U32(30);
        colours = in.U32(46);
    }
    if (layout.width <= 0 || layout.height <= 0)
        return BmpStatus::Corrupt;
    if (layout.width * layout.height > MaxBmpPixels)
        return BmpStatus::TooLarge;

    const int bits = layout.bits;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return BmpStatus::Unsupported;
    switch (layout.compression) {
    case BiRgb: break;
    case BiRle8:
        if (bits != 8)
            return BmpStatus::Unsupported;
        break;
    case BiRle4:
        if (bits != 4)
            return BmpStatus::Unsupported;
        break;
    case BiBitfields:
    case BiAlphaBitfields:
        // The 64-byte header of the other system numbers its compressions otherwise.
        if ((bits != 16 && bits != 32) || headerBytes == 64)
            return BmpStatus::Unsupported;
        break;
    default: return BmpStatus::Unsupported;
    }
    const bool rle = layout.compression == BiRle8 || layout.compression == BiRle4;
    if (rle && layout.topDown)
        return BmpStatus::Corrupt;

    // Masks follow a 40-byte header and lie inside the longer ones, at the same offset.
    std::uint64_t paletteAt = FileHeaderBytes + headerBytes;
    if (layout.compression == BiBitfields || layout.compression == BiAlphaBitfields) {
        if (!in.Has(FileHeaderBytes + 40, 12))
            return BmpStatus::Truncated;
        for (int k = 0; k < 3; ++k)
            layout.masks[k] = in.U32(FileHeaderBytes + 40 + 4 * k);
        if (headerBytes == 40)
            paletteAt += layout.compression == BiBitfields ? 12 : 16;
    } else if (bits == 16) {
        layout.masks[0] = 0x7C00;
        layout.masks[1] = 0x03E0;
        layout.masks[2] = 0x001F;
    } else if (bits == 32) {
        layout.masks[0] = 0x00FF0000;
        layout.masks[1] = 0x0000FF00;
        layout.masks[2] = 0x000000FF;
    }

    // A palette names at most 2^bits colours; indices beyond the colours stored are black.
    for (Colour& c : layout.palette)
        c = {0, 0, 0, 0xFF};
    if (bits <= 8) {
        const std::uint64_t possible = std::uint64_t{1} << bits;
        const std::uint64_t stored = core || colours == 0 ? possible : std::min<std::uint64_t>(colours, possible);
        const std::uint64_t entryBytes = core ? 3 : 4;
        if (!in.Has(paletteAt, stored * entryBytes))
            return BmpStatus::Truncated;
        for (std::uint64_t k = 0; k < stored; ++k) {
            const std::uint64_t at = paletteAt + k * entryBytes;
            layout.palette[k] = {in.U8(at), in.U8(at + 1), in.U8(at + 2), 0xFF};
        }
    }
    if (layout.pixelOffset < FileHeaderBytes + headerBytes)
        return BmpStatus::Corrupt;
    if (layout.pixelOffset >= in.Size())
        return BmpStatus::Truncated;
    return BmpStatus::Ok;
}

BmpStatus DecodeRows(const Bytes& in, const Layout& layout, Target& out)
{
    const std::uint64_t rowBits = static_cast<std::uint64_t>(layout.width) * layout.bits;
    const std::uint64_t stride = (rowBits + 31) / 32 * 4;
    // The last row may leave out its padding.
    const std::uint64_t needed = stride * static_cast<std::uint64_t>(layout.height - 1) + (rowBits + 7) / 8;
    if (!in.Has(layout.pixelOffset, needed))
        return BmpStatus::Truncated;
    const Component red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]);
    for (std::int64_t r = 0; r < layout.height; ++r) {
        const std::uint8_t* row = in.At(layout.pixelOffset + stride * static_cast<std::uint64_t>(r));
        for (std::int64_t x = 0; x < layout.width; ++x) {
            switch (layout.bits) {
            case 1: out.Put(r, x, layout.palette[(row[x / 8] >> (7 - x % 8)) & 1]); break;
            case 4: out.Put(r, x, layout.palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF]); break;
            case 8: out.Put(r, x, layout.palette[row[x]]); break;
            case 24: out.Put(r, x, {row[3 * x], row[3 * x + 1], row[3 * x + 2], 0xFF}); break;
            case 16: {
                const std::uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
                out.Put(r, x, {blue.Of(v), green.Of(v), red.Of(v), 0xFF});
                break;
            }
            default: {
                const std::uint8_t* p = row + 4 * x;
                const std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
                out.Put(r, x, {blue.Of(v), green.Of(v), red.Of(v), 0xFF});
                break;
            }
            }
        }
    }
    return BmpStatus::Ok;
}

// Run-length encoded pixels: pairs (count, colour) and escapes (0, 0) end of line, (0, 1)
// end of picture, (0, 2, dx, dy) delta, (0, n) n literal pixels padded to a 16-bit word.
// Without `out` the stream is only checked, so that a broken one costs no picture.
BmpStatus DecodeRle(const Bytes& in, const Layout& layout, Target* out)
{
    const bool four = layout.compression == BiRle4;
    const auto colourAt = [&](std::uint8_t byte, std::int64_t k) -> const Colour& {
        return layout.palette[four ? (k % 2 ? byte & 0xF : byte >> 4) : byte];
    };
    std::uint64_t at = layout.pixelOffset;
    std::int64_t x = 0;
    std::int64_t y = 0;
    for (;;) {
        if (!in.Has(at, 2)) {
            // A stream may leave out its end mark once the picture is complete.
            const bool complete = y >= layout.height || (y == layout.height - 1 && x >= layout.width);
            return complete ? BmpStatus::Ok : BmpStatus::Truncated;
        }
        const std::uint8_t count = in.U8(at);
        const std::uint8_t value = in.U8(at + 1);
        at += 2;
        if (count > 0) {
            if (y >= layout.height || x + count > layout.width)
                return BmpStatus::Corrupt;
            for (std::int64_t k = 0; out && k < count; ++k)
                out->Put(y, x + k, colourAt(value, k));
            x += count;
            continue;
        }
        switch (value) {
        case 0:
            x = 0;
            ++y;
            break;
        case 1: return BmpStatus::Ok;
        case 2: {
            if (!in.Has(at, 2))
                return BmpStatus::Truncated;
            x += in.U8(at);
            y += in.U8(at + 1);
            at += 2;
            if (x > layout.width || y > layout.height)
                return BmpStatus::Corrupt;
            break;
        }
        default: {
            const std::uint64_t bytes = four ? (value + 1) / 2 : value;
            if (!in.Has(at, bytes))
                return BmpStatus::Truncated;
            if (y >= layout.height || x + value > layout.width)
                return BmpStatus::Corrupt;
            for (std::int64_t k = 0; out && k < value; ++k)
                out->Put(y, x + k, colourAt(in.U8(at + (four ? k / 2 : k)), k));
            x += value;
            at += bytes + (bytes & 1);
            break;
        }
        }
    }
}

}  // namespace

BmpStatus DecodeBmp(std::span<const std::uint8_t> file, BmpPicture& picture, std::int64_t maxPixels)
{
    const Bytes in(file);
    Layout layout;
    if (const BmpStatus status = ReadHeaders(in, layout); status != BmpStatus::Ok)
        return status;
    if (layout.width * layout.height > maxPixels)
        return BmpStatus::TooLarge;
    const bool rle = layout.compression == BiRle8 || layout.compression == BiRle4;
    if (rle) {
        if (const BmpStatus status = DecodeRle(in, layout, nullptr); status != BmpStatus::Ok)
            return status;
    }
    std::vector<std::uint8_t> pixels;
    try {
        pixels.resize(static_cast<std::size_t>(layout.width * layout.height * 4));
    } catch (const std::bad_alloc&) {
        return BmpStatus::TooLarge;
    }
    Target out(layout, pixels);
    if (rle) {
        // Pixels the stream skips take the palette's first colour.
        for (std::size_t k = 0; k < pixels.size(); k += 4)
            std::copy(layout.palette[0].begin(), layout.palette[0].end(), pixels.begin() + k);
    }
    const BmpStatus status = rle ? DecodeRle(in, layout, &out) : DecodeRows(in, layout, out);
    if (status != BmpStatus::Ok)
        return status;
    picture.Width = static_cast<int>(layout.width);
    picture.Height = static_cast<int>(layout.height);
    picture.BitCount = layout.bits;
    picture.Pixels = std::move(pixels);
    return BmpStatus::Ok;
}

}  // namespace platform
