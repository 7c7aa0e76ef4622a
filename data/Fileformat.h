#pragma once
// The table of file formats and the dispatch between it and the data model.

#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "Channels.h"
#include "Spmdata.h"
#include "Surfacedata.h"

//! Status codes of the format functions; the absolute value indexes the message tables.
enum : std::int32_t {
    fmtOk = 0,
    fmtNoChannel = 1,
    fmtErrorCreate = -2,
    fmtErrorOpen = -3,
    fmtErrorRead = -4,
    fmtErrorWrite = -5,
    fmtErrorFormat = -6,
    fmtErrorMemory = -7,
    //! A writer's refusal: a channel's values do not fit the format's 16-bit samples.
    fmtErrorRange = -8,
};

extern const char* const FormatErrorTexts[8];
extern const char* const LoadErrorTexts[8];
//! Runs the body of a format function and turns an exception into its status: a failed
//! allocation -7, anything else `onError` (-4 while reading, -5 while writing).
template <typename Body>
std::int32_t GuardStatus(std::int32_t onError, Body&& body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return -7;
    } catch (...) {
        return onError;
    }
}

//! The FormatErrorTexts / LoadErrorTexts entry of a status; "" for a status outside the
//! tables (FormatErrorText has a text of its own for fmtErrorRange).
const char* FormatErrorText(std::int32_t status);
const char* LoadErrorText(std::int32_t status);

namespace platform {
class File;
}
//! Opens a scan file for reading: fmtOk, fmtErrorRead when the path names no regular file
//! (a folder, FIFO or device is refused without waiting on it), fmtErrorOpen when the file
//! cannot be opened.
std::int32_t OpenForReading(platform::File& file, const char* path);

// MarkerRecord, one palette marker as stored in SPM1 files, lives with the markers
// (Palette.h).

//! Room for names of channels 0..31 that an info function writes, 32 bytes each.
using TChannelNameTable = char[32][32];

//! The value, marker-count and marker tables a format function reads or fills.
//! Loaders ask for a channel's value array and marker buffer once they know its size
//! from the file, so every array is exactly as large as the channel it holds; the
//! arrays a loader fills are kept here until the dispatcher takes them over.
class TFormatArrays {
public:
    std::int32_t* Values[ChannelCount] = {};
    std::int32_t Counts[ChannelCount] = {};
    MarkerRecord* Markers[ChannelCount] = {};

    //! A zero-filled array of `count` values for channel c (replacing any earlier one);
    //! null when count is negative or the memory cannot be had.
    std::int32_t* AllocValues(int c, std::int64_t count);
    //! A buffer of `count` marker records for channel c; null as above.
    MarkerRecord* AllocMarkers(int c, std::int64_t count);
    //! Hands over the block behind Values[c] (null when the array was not allocated here).
    std::unique_ptr<platform::MemoryBlock> TakeValues(int c);
    //! Number of values allocated for channel c by AllocValues (0 when none).
    std::int64_t ValueCount(int c) const;

private:
    std::unique_ptr<platform::MemoryBlock> valueBlocks_[ChannelCount];
    std::vector<MarkerRecord> markerStore_[ChannelCount];
};

//! 30 zeroed channel headers with the table of pointers to them that format functions take.
struct TChannelHeaders {
    TChannelHeader Headers[ChannelCount] = {};
    TChannelHeader* Table[ChannelCount];
    TChannelHeaders()
    {
        for (int c = 0; c < ChannelCount; ++c)
            Table[c] = &Headers[c];
    }
    TChannelHeaders(const TChannelHeaders&) = delete;
    TChannelHeaders& operator=(const TChannelHeaders&) = delete;
};

extern "C" {
typedef std::int32_t (*TGetInfoProc)(const char* path, ChannelSet* available,
                                     TFileHeader* header, TChannelNameTable* names);
typedef std::int32_t (*TLoadProc)(const char* path, std::int32_t width, std::int32_t height,
                                  TChannelHeader* const* headers, TFormatArrays* arrays,
                                  ChannelSet* channels);
typedef std::int32_t (*TSaveProc)(const char* path, TFileHeader* header,
                                  TChannelHeader* const* headers, TFormatArrays* arrays,
                                  ChannelSet* channels);
}

class TFileFormat {
public:
    //! A built-in format with its three functions.
    TFileFormat(TGetInfoProc getInfo, TSaveProc save, TLoadProc load, std::string filter,
                std::string extension, std::uint8_t multiMatrix);
    //! A format named by a description file; nothing is read or written through it.
    TFileFormat(std::string libraryPath, std::string description, std::uint8_t multiMatrix,
                std::string extension);

    std::uint8_t Kind;  //!< 0 built-in, 1 from a description file
    std::string LibraryPath;
    std::string FilterText;
    std::string Extension;
    TGetInfoProc GetInfoProc = nullptr;
    TSaveProc SaveProc = nullptr;
    TLoadProc LoadProc = nullptr;
    std::uint8_t MultiMatrix;
};

constexpr int MaxFileFormats = 10;
extern std::array<std::unique_ptr<TFileFormat>, MaxFileFormats> FileFormats;
extern int FileFormatCount;

//! Places the built-in formats in slots 0 (SPM0), 1 (SPM1) and 2 (MSS); count 3.
void RegisterBuiltInFormats();
//! Deletes every entry of the table; count 0.
void ClearFileFormats();

//! The entry's info function; 0 without doing anything for a description-file entry.
std::int32_t CallGetInfo(TFileFormat* format, const std::string& path, ChannelSet* available,
                         TChannelNameTable* names, TFileHeader* header);
//! Fills the set's header, Available and ChannelList from its SourceFile.
std::int32_t ReadInfoWithFormat(TFileFormat* format, int formatIndex, TSurfaceData* data);
//! Loads the channels of the set from `path` into the data set; `channels` becomes the
//! answer (the channels loaded, with 101 when markers came).
std::int32_t LoadWithFormat(TFileFormat* format, const std::string& path, TSurfaceData* data,
                            ChannelSet* channels);
//! Writes the channels of the set; empty slots leave the set and 101 joins it.
std::int32_t SaveWithFormat(TFileFormat* format, const std::string& path, TSurfaceData* data,
                            ChannelSet* channels);
//! The FormatErrorTexts message of a status, caption "Error".
void ShowFormatError(TFileFormat* format, std::int32_t status);
//! The kind of an SPM file from its first 16-bit word: 0 SPM0, 1 SPM1; -1 after telling the
//! user why it cannot be opened ("File not found", "Error read file", "Error format file").
int ReadSPMKind(const std::string& path);
