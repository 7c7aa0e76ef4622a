#pragma once
// 16-bit samples as the SPM0, SPM1 and MSS files store them, moved between a file and
// 32-bit value arrays through one buffer of a fixed size.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/core/Files.h"

namespace samples {

//! Samples moved per read or write: 1 MiB of 16-bit values.
constexpr std::int64_t ChunkSamples = std::int64_t{1} << 19;

//! Reads `count` 16-bit samples of type Sample (std::int16_t: sign-extended;
//! std::uint16_t: zero-extended) into `values`; false when the file ends first.
template <typename Sample>
bool Read16(platform::File& file, std::int32_t* values, std::int64_t count)
{
    static_assert(sizeof(Sample) == 2);
    std::vector<Sample> buffer(static_cast<std::size_t>(std::min(count, ChunkSamples)));
    for (std::int64_t done = 0; done < count;) {
        const std::int64_t n = std::min(count - done, ChunkSamples);
        if (!file.ReadExact(buffer.data(), n * 2))
            return false;
        const Sample* src = buffer.data();
        std::int32_t* dst = values + done;
        for (std::int64_t k = 0; k < n; ++k)
            dst[k] = src[k];
        done += n;
    }
    return true;
}

//! Writes `count` values as 16-bit samples: each value lowered by `offset` and taken
//! modulo 65536; false when a write fails.
inline bool Write16(platform::File& file, const std::int32_t* values, std::int64_t count,
                    std::int64_t offset)
{
    std::vector<std::int16_t> buffer(static_cast<std::size_t>(std::min(count, ChunkSamples)));
    for (std::int64_t done = 0; done < count;) {
        const std::int64_t n = std::min(count - done, ChunkSamples);
        const std::int32_t* src = values + done;
        std::int16_t* dst = buffer.data();
        for (std::int64_t k = 0; k < n; ++k)
            dst[k] = static_cast<std::int16_t>(static_cast<std::uint16_t>(std::int64_t{src[k]} - offset));
        if (!file.Write(buffer.data(), n * 2))
            return false;
        done += n;
    }
    return true;
}

}  // namespace samples
