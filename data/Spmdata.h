#pragma once
// One channel of a scan: its header, its matrix of raw values, its palette and its
// roughness statistics.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Palette.h"
#include "platform/core/LogicalPalette.h"
#include "platform/core/Memory.h"

struct TRawRange;
class TRawCounts;
struct TRoughness;

#pragma pack(push, 1)
//! The 336-byte channel header, stored byte for byte in SPM1 files. Texts are
//! zero-terminated 8-bit strings.
struct TChannelHeader {
    char Name[32];                //!< empty: the slot's name from ChannelNames is shown
    std::uint8_t Reserved32[2];
    std::uint16_t Width;          //!< points per row
    std::uint16_t Height;         //!< rows
    std::uint8_t Reserved38[2];
    float XStep;                  //!< nm between points of a row
    float YStep;                  //!< nm between rows
    float ZScale;                 //!< physical value of one raw count
    std::uint8_t Reserved52[4];
    std::int32_t Min;             //!< smallest raw value
    std::int32_t Max;             //!< largest raw value
    std::uint8_t Reserved64[4];
    char XYUnit[6];
    char ZUnit[6];
    char Comment[256];
};
#pragma pack(pop)
static_assert(sizeof(TChannelHeader) == 336);
static_assert(offsetof(TChannelHeader, Width) == 34);
static_assert(offsetof(TChannelHeader, XStep) == 40);
static_assert(offsetof(TChannelHeader, Min) == 56);
static_assert(offsetof(TChannelHeader, XYUnit) == 68);
static_assert(offsetof(TChannelHeader, ZUnit) == 74);
static_assert(offsetof(TChannelHeader, Comment) == 80);

//! Copies a zero-terminated text of at most `sourceSize` bytes into a field of
//! `fieldSize` bytes, cut to fieldSize - 1 characters; the rest of the field is zeroed.
void CopyText(char* field, std::size_t fieldSize, const char* source, std::size_t sourceSize);

//! The text of a fixed field, up to its zero byte and never past the field.
std::string FieldText(const char* field, std::size_t fieldSize);

class TSPMData {
public:
    //! A channel with a copy of Width × Height samples (from the header) read by a loader.
    TSPMData(const std::string& sourceFile, const TChannelHeader& header, int channel,
             const std::int32_t* samples);
    //! A channel that takes over a block already holding its Width × Height values.
    TSPMData(const std::string& sourceFile, const TChannelHeader& header, int channel,
             std::unique_ptr<platform::MemoryBlock> block);
    //! A zero-filled channel of width × height; the rest of the header is zero.
    TSPMData(int width, int height, int channel);
    ~TSPMData();
    TSPMData(const TSPMData&) = delete;
    TSPMData& operator=(const TSPMData&) = delete;

    // Matrix access; every access is bracketed by Lock and Unlock.
    void Lock();
    void Unlock();
    //! The matrix (row-major), or null with "Lock data" when not locked or swapped out.
    std::int32_t* GetData();
    std::int32_t GetValue(int row, int column);
    std::int64_t GetValueAboveMin(int row, int column);
    void SetValue(int row, int column, std::int32_t value);

    char* ZUnit() { return Header.ZUnit; }
    char* XYUnit() { return Header.XYUnit; }
    std::string GetComment() const;

    //! Width × Height from the header.
    std::int64_t SampleCount() const;

    void ComputeRange();
    //! Max − Min as last computed.
    std::int64_t GetRange() const;
    void Normalize();
    //! Frees the matrix and the palette; only the data set's swap-out calls it.
    void FreeMatrix();

    void DefaultPalette();
    void BuildPalette();
    void RescalePalette();
    void UpdatePaletteRange(int first, int last);

    void ComputeStatistics();
    //! ComputeRange and ComputeStatistics in one: the extremes come from the pass that
    //! also sums the values, so the values are read once fewer.
    void ComputeRangeAndStatistics();
    //! The same for values whose range `range` the pass that wrote them took (their count
    //! must be the channel's; another range is not used), and, given, counted in `counts`.
    void ComputeRangeAndStatistics(const TRawRange& range, const TRawCounts* counts = nullptr);

    // Flattening: the fits with their confirmation dialog; defined with the dialog in
    // tools/Flat.cpp (the program's library). Each locks the matrix for its whole run and
    // answers false when the dialog was cancelled (the line fits have none).
    bool FlattenLineX();
    bool FlattenLineY();
    bool FlattenPlane();
    bool FlattenParabolaX();
    bool FlattenParabolaY();
    bool FlattenParaboloid();

    std::string Name;
    bool SwappedOut = false;
    bool HasPalette = false;
    std::string SourceFile;
    TChannelHeader Header{};
    std::int32_t* Data = nullptr;
    std::unique_ptr<platform::MemoryBlock> Block;
    bool Locked = false;
    std::int32_t ColourCount = 0;
    double RawPerColour = 0.0;
    std::unique_ptr<platform::LogPalette> PaletteTable;
    platform::HPALETTE Palette;
    std::unique_ptr<TPALETTEMARKER> Markers;
    std::int32_t MaxColours = 1000;
    double Mean = 0, Ra = 0, Rq = 0, Rsk = 0, Rku = 0;
    bool PaletteStale = true;
    std::int8_t Channel = 0;

private:
    //! One marker gathered from the three lists.
    struct MarkerColour {
        std::int32_t Position, Red, Green, Blue;
    };

    void SetNameFromHeader();
    void AllocateBlock();
    //! Number of int32 values the block holds (0 without a block).
    std::int64_t BlockValues() const;
    bool Accessible();
    //! True when a whole-matrix pass may run; otherwise one "Lock data" box.
    bool CanSweep();
    void ComputeColourCount();
    void SetStatistics(const TRoughness& r);
    void FreePalette();
    //! The markers in list order (at most Markers->Count of them).
    std::vector<MarkerColour> CollectMarkers() const;
    //! Palette entries that may be written: 0 to this − 1.
    std::int64_t WritableEntries() const;
    //! Entries from..to−1 (clipped) get the marker's colour.
    void FillConstant(std::int64_t from, std::int64_t to, const MarkerColour& m);
    //! Entries a.Position..b.Position−1 (clipped) interpolated from a towards b.
    void FillStretch(const MarkerColour& a, const MarkerColour& b);
    //! Steps from the colour count on: a new table from the markers, and its palette.
    void BuildFromMarkers();
};
