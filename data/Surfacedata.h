#pragma once
// A data set: up to 30 channels of one scan with the file header that came with them,
// the channel sets and the channel list, and the use count that swaps an idle set to a
// temporary file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Channels.h"
#include "Spmdata.h"

#pragma pack(push, 1)
//! The 224-byte file header of SPM1 files; only FormatVersion, Width, Height and
//! ChannelMask are interpreted, the rest is carried unchanged.
struct TFileHeader {
    std::uint16_t FormatVersion;    //!< 1 in SPM1 files, 0 for a set read from SPM0
    char Reserved2[32];
    char Reserved34[16];
    std::uint16_t Width;            //!< points per row of slots 0 to 19
    std::uint16_t Height;           //!< rows of slots 0 to 19
    std::uint8_t Reserved54[2];
    std::uint32_t Reserved56;       //!< 1 for a set read from SPM0
    std::uint32_t ChannelMask;      //!< bit i: channel i stored; bit 31: markers follow
    std::uint16_t Reserved64;
    std::uint8_t Reserved66[2];
    std::int32_t Rectangles[4][4];  //!< left, top, right, bottom
    std::uint8_t Reserved132[76];
    std::uint16_t Reserved208;
    std::uint8_t Reserved210[6];
    std::uint8_t Reserved216[8];
};
#pragma pack(pop)
static_assert(sizeof(TFileHeader) == 224);
static_assert(offsetof(TFileHeader, Width) == 50);
static_assert(offsetof(TFileHeader, Reserved56) == 56);
static_assert(offsetof(TFileHeader, ChannelMask) == 60);
static_assert(offsetof(TFileHeader, Rectangles) == 68);
static_assert(offsetof(TFileHeader, Reserved208) == 208);

constexpr std::uint32_t MarkersPresentBit = 0x80000000u;

//! Where one channel of a data set comes from.
struct TLocateData {
    std::string Path;            //!< source file; empty for a channel the program created
    std::int8_t Channel = 0;     //!< slot in the source file
    std::int32_t FormatIndex = 0;  //!< 0..2 format table slot, 3 imported bitmap
};

//! One entry of a data set's channel list: display name and source.
struct TChannelListEntry {
    std::string Name;
    TLocateData Locate;
};

class TSurfaceData {
public:
    explicit TSurfaceData(const std::string& sourceFile);
    ~TSurfaceData();
    TSurfaceData(const TSurfaceData&) = delete;
    TSurfaceData& operator=(const TSurfaceData&) = delete;

    //! Makes this set a deep copy of `source`; false (and nothing changed) when the
    //! source is swapped out.
    bool CopyFrom(TSurfaceData& source);
    //! Makes this set a copy of `source` cut to the inclusive rectangle (points of slots
    //! 0 to 19), clipped to the source; false when the source is swapped out or the
    //! clipped rectangle is empty.
    bool CropFrom(TSurfaceData& source, int left, int top, int right, int bottom);

    //! Announces a user; the first user of a swapped-out set reloads it.
    void Acquire();
    //! A user leaves; the last one sends the set to its swap file.
    void Release();

    //! The channel slots; fetch them again after every Acquire.
    std::array<std::unique_ptr<TSPMData>, ChannelCount>& GetChannels() { return Channels; }
    //! The channel of a slot, null when absent or the slot is outside 0..29.
    TSPMData* Channel(int slot) const;
    void DeleteChannel(int channel);

    float GetXStep() const;
    float GetYStep() const;
    char* GetXYUnit();

    //! Statistics of one channel, or of every present channel when channel is 255.
    void ComputeStatistics(int channel);
    TSPMData* FindChannel(const std::string& name) const;
    int IndexOfChannel(const std::string& name) const;

    std::array<std::unique_ptr<TSPMData>, ChannelCount> Channels;
    TFileHeader Header{};
    ChannelSet Present;
    ChannelSet Available;
    std::vector<TChannelListEntry> ChannelList;
    std::string SourceFile;
    std::string SwapFile;
    bool SwappedOut = false;
    std::int32_t LockCount = 1;
    //! Set once a failed swap-out has been reported: the set then stays in memory and
    //! later failures are not reported again.
    bool SwapFailureReported = false;
};

//! The file that reports name for a channel: its own source file, or, for a channel the
//! program made (which has none), the source file of the data set that holds it; `set` may
//! be null. The path as stored; reports show its file-name part.
std::string ChannelSourceFile(const TSPMData& channel, const TSurfaceData* set);

//! Deletes the swap files in the working folder (GlobalOptions.TempDir) that no running
//! program holds: those of runs that ended without deleting them. Called at start.
void RemoveLeftoverSwapFiles();
