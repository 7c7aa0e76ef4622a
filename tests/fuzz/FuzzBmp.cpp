// Feeds arbitrary bytes to the BMP reader, through the file reader that the bitmap import
// uses. A decoded picture must have exactly its pixels, each an opaque colour.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "platform/core/BmpDecoder.h"
#include "platform/core/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::MemoryFile input("bmp-in");
    input.Fill(data, size);

    std::vector<std::uint8_t> bytes;
    if (!platform::ReadRegularFile(input.Path(), bytes, platform::MaxBmpFileBytes) || bytes.size() != size)
        __builtin_trap();
    // Pictures up to 4 Mi pixels keep every run short; the limit itself is checked too.
    constexpr std::int64_t maxPixels = std::int64_t{1} << 22;
    platform::BmpPicture picture;
    if (platform::DecodeBmp(bytes, picture, maxPixels) != platform::BmpStatus::Ok)
        return 0;
    const std::int64_t pixels = std::int64_t{picture.Width} * picture.Height;
    if (picture.Width <= 0 || picture.Height <= 0 || pixels > maxPixels ||
        picture.Pixels.size() != static_cast<std::size_t>(pixels) * 4)
        __builtin_trap();
    for (std::size_t k = 3; k < picture.Pixels.size(); k += 4)
        if (picture.Pixels[k] != 0xFF)
            __builtin_trap();
    return 0;
}
