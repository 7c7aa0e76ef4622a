#pragma once
// The SPM1 format ("SPM format 2001"): file header, channel headers, 16-bit samples per
// channel and optional palette markers. Swap files use the same layout with 32-bit
// samples, so that a swap cycle gives back every value unchanged.

#include <cstdint>

#include "Fileformat.h"

extern "C" {
std::int32_t GetSPM1FileInfo(const char* path, ChannelSet* available, TFileHeader* header,
                             TChannelNameTable* names);
std::int32_t LoadSPM1File(const char* path, std::int32_t width, std::int32_t height,
                          TChannelHeader* const* headers, TFormatArrays* arrays,
                          ChannelSet* channels);
std::int32_t SaveSPM1File(const char* path, TFileHeader* header, TChannelHeader* const* headers,
                          TFormatArrays* arrays, ChannelSet* channels);
//! Swap files: the SPM1 layout with signed 32-bit samples and no offset.
std::int32_t LoadSwapFile(const char* path, std::int32_t width, std::int32_t height,
                          TChannelHeader* const* headers, TFormatArrays* arrays,
                          ChannelSet* channels);
std::int32_t SaveSwapFile(const char* path, TFileHeader* header, TChannelHeader* const* headers,
                          TFormatArrays* arrays, ChannelSet* channels);
}

//! The format entry the data sets swap through (not part of the format table).
TFileFormat* SwapFileFormat();
