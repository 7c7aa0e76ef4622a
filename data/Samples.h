#pragma once
// 16-bit samples as the SPM0, SPM1 and MSS files store them, moved between a file and
// 32-bit value arrays through one buffer of a fixed size.

#include <algorithm>
#include <cstdint>
#include <optional>
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

//! How a reader takes 16-bit samples back into values.
enum class Reading16 {
    //! SPM1: samples read signed; the writer lowers the values by an offset that is not
    //! stored, so a channel keeps its shape within any 65536 consecutive values.
    ShiftedSigned,
    //! SPM0: the values' low 16 bits, read signed by this program and unsigned by others
    //! (MSS scans hold 0..65535), so that either reading gives every value back.
    LowBits,
};

//! The offset the writer lowers `count` values by (0 for LowBits); nullopt when no
//! 16-bit reading can give the values back: for ShiftedSigned when they span more than
//! 65536 values, for LowBits when one lies outside -32768..65535 or negative values come
//! with values above 32767. ShiftedSigned keeps 0 for values within -32768..32767, takes
//! largest - 32767 when the largest exceeds 32767, and smallest + 32768 when only the
//! smallest lies below -32768.
inline std::optional<std::int64_t> Offset16(const std::int32_t* values, std::int64_t count,
                                            Reading16 reading)
{
    if (count <= 0)
        return 0;
    std::int32_t low = values[0];
    std::int32_t high = values[0];
    for (std::int64_t k = 1; k < count; ++k) {
        low = std::min(low, values[k]);
        high = std::max(high, values[k]);
    }
    if (reading == Reading16::LowBits) {
        const bool fits = low >= -32768 && high <= 65535 && !(low < 0 && high > 32767);
        return fits ? std::optional<std::int64_t>(0) : std::nullopt;
    }
    if (std::int64_t{high} - low > 65535)
        return std::nullopt;
    if (high > 32767)
        return std::int64_t{high} - 32767;
    if (low < -32768)
        return std::int64_t{low} + 32768;
    return 0;
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
