#pragma once
// The SPM0 format: a 512-byte header and one matrix of signed 16-bit samples.

#include <cstddef>
#include <cstdint>

#include "Fileformat.h"

#pragma pack(push, 1)
struct SPMHEAD {
    std::uint16_t FormatWord;  //!< 0
    std::int16_t mx;           //!< points per row
    std::uint16_t Reserved4;
    std::int16_t my;           //!< rows
    float Kx;                  //!< X step, nm per point
    float Ky;                  //!< Y step
    float Kz;                  //!< Z scale
    char ZUnit[4];
    char XYUnit[6];
    char Comment[2];
    std::int16_t Min;
    std::int16_t Max;
    std::uint8_t Reserved36[410];
    char Version[66];
};
#pragma pack(pop)
static_assert(sizeof(SPMHEAD) == 512);
static_assert(offsetof(SPMHEAD, ZUnit) == 20);
static_assert(offsetof(SPMHEAD, Comment) == 30);
static_assert(offsetof(SPMHEAD, Version) == 446);

extern "C" {
std::int32_t GetSPM0FileInfo(const char* path, ChannelSet* available, TFileHeader* header,
                             TChannelNameTable* names);
std::int32_t LoadSPM0File(const char* path, std::int32_t width, std::int32_t height,
                          TChannelHeader* const* headers, TFormatArrays* arrays,
                          ChannelSet* channels);
std::int32_t SaveSPM0File(const char* path, TFileHeader* header, TChannelHeader* const* headers,
                          TFormatArrays* arrays, ChannelSet* channels);
}
