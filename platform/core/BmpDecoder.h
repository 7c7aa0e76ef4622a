#pragma once
// BMP pictures decoded from the bytes of a file that may be cut short, overrun its rows
// or lie about its sizes: every offset, size and count is checked against the bytes
// before it is used, and every pixel of a decoded picture is defined.

#include <cstdint>
#include <span>
#include <vector>

namespace platform {

//! A decoded picture: Width x Height pixels, the top row first, four bytes per pixel
//! (blue, green, red, 0xFF).
struct BmpPicture {
    int Width = 0;
    int Height = 0;
    int BitCount = 0;  //!< bits per pixel in the file: 1, 4, 8, 16, 24 or 32
    std::vector<std::uint8_t> Pixels;
};

enum class BmpStatus {
    Ok,
    NotBmp,       //!< no "BM" signature
    Unsupported,  //!< a header, bit count or compression this reader does not decode
    Truncated,    //!< the file ends before its headers, palette or pixels do
    Corrupt,      //!< sizes or an RLE stream that no picture can have
    TooLarge,     //!< more than MaxBmpPixels pixels, or no memory for them
};

//! The most pixels a picture may have (256 MiB once decoded).
constexpr std::int64_t MaxBmpPixels = std::int64_t{1} << 26;
//! The largest BMP file read whole.
constexpr std::uint64_t MaxBmpFileBytes = std::uint64_t{1} << 30;

//! Decodes the BMP file held in `file`: the core header (12 bytes) and the info headers
//! of 40 to 124 bytes; 1, 4 and 8 bits with a palette, uncompressed or (8 and 4 bits)
//! run-length encoded; 16 and 32 bits uncompressed or with bit-field masks; 24 bits.
//! Pixels that an RLE stream skips on purpose (a delta, an end of line or of the picture)
//! take the palette's first colour; a stream that ends before the picture does, or a run
//! that leaves its row or the picture, refuses the file; such a stream is found before
//! any memory is taken for the picture. A picture of more than `maxPixels` pixels (at
//! most MaxBmpPixels) is TooLarge. `picture` is changed only on Ok. Never throws.
BmpStatus DecodeBmp(std::span<const std::uint8_t> file, BmpPicture& picture,
                    std::int64_t maxPixels = MaxBmpPixels);

}  // namespace platform
