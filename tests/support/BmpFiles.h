#pragma once
// Hand-built BMP files for the tests and the fuzz corpus: every field as the file holds
// it, so that a test can make any file a writer would never make.

#include <cstdint>
#include <vector>

namespace bmpfiles {

//! What a BMP file holds, field by field.
struct Spec {
    std::int32_t Width = 1;
    std::int32_t Height = 1;  //!< negative: the top row comes first
    std::uint16_t Bits = 24;
    std::uint32_t Compression = 0;
    std::uint32_t HeaderBytes = 40;  //!< 12: the core header; 40 to 124: info headers
    std::vector<std::uint32_t> Palette = {};  //!< 0x00RRGGBB each
    std::vector<std::uint32_t> Masks = {};    //!< after a 40-byte header, inside a longer one
    std::vector<std::uint8_t> Pixels = {};    //!< padded rows, or an RLE stream, as stored
    std::int64_t PixelOffset = -1;       //!< the offset field; -1: where the pixels start
    std::uint32_t ColoursUsed = 0;
};

inline void PutLE(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

//! The bytes of the file: file header, info header (with its masks), palette, pixels.
inline std::vector<std::uint8_t> Build(const Spec& s)
{
    std::vector<std::uint8_t> info;
    if (s.HeaderBytes == 12) {
        PutLE(info, 12, 4);
        PutLE(info, static_cast<std::uint16_t>(s.Width), 2);
        PutLE(info, static_cast<std::uint16_t>(s.Height), 2);
        PutLE(info, 1, 2);
        PutLE(info, s.Bits, 2);
    } else {
        PutLE(info, s.HeaderBytes, 4);
        PutLE(info, static_cast<std::uint32_t>(s.Width), 4);
        PutLE(info, static_cast<std::uint32_t>(s.Height), 4);
        PutLE(info, 1, 2);
        PutLE(info, s.Bits, 2);
        PutLE(info, s.Compression, 4);
        PutLE(info, s.Pixels.size(), 4);
        PutLE(info, 2835, 4);
        PutLE(info, 2835, 4);
        PutLE(info, s.ColoursUsed, 4);
        PutLE(info, 0, 4);
        if (s.HeaderBytes > 40) {
            for (std::uint32_t m : s.Masks)
                PutLE(info, m, 4);
            info.resize(s.HeaderBytes, 0);
        } else {
            for (std::uint32_t m : s.Masks)
                PutLE(info, m, 4);
        }
    }
    for (std::uint32_t c : s.Palette) {
        PutLE(info, c & 0xFF, 1);
        PutLE(info, (c >> 8) & 0xFF, 1);
        PutLE(info, (c >> 16) & 0xFF, 1);
        if (s.HeaderBytes != 12)
            PutLE(info, 0, 1);
    }
    const std::uint64_t pixelsAt = 14 + info.size();
    std::vector<std::uint8_t> out{'B', 'M'};
    PutLE(out, pixelsAt + s.Pixels.size(), 4);
    PutLE(out, 0, 4);
    PutLE(out, s.PixelOffset < 0 ? pixelsAt : static_cast<std::uint64_t>(s.PixelOffset), 4);
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), s.Pixels.begin(), s.Pixels.end());
    return out;
}

//! Rows as an uncompressed file stores them: each padded with zeros to four bytes.
inline std::vector<std::uint8_t> Padded(const std::vector<std::vector<std::uint8_t>>& rows)
{
    std::vector<std::uint8_t> out;
    for (const auto& row : rows) {
        out.insert(out.end(), row.begin(), row.end());
        out.resize((out.size() + 3) / 4 * 4, 0);
    }
    return out;
}

}  // namespace bmpfiles
