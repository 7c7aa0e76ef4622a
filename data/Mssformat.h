#pragma once
// The read-only MSS format: two channels of unsigned 16-bit samples.

#include <cstdint>

#include "Fileformat.h"

extern "C" {
std::int32_t GetMSSFileInfo(const char* path, ChannelSet* available, TFileHeader* header,
                            TChannelNameTable* names);
std::int32_t LoadMSSFile(const char* path, std::int32_t width, std::int32_t height,
                         TChannelHeader* const* headers, TFormatArrays* arrays,
                         ChannelSet* channels);
//! Writes nothing and reports success.
std::int32_t SaveMSSFile(const char* path, TFileHeader* header, TChannelHeader* const* headers,
                         TFormatArrays* arrays, ChannelSet* channels);
}
