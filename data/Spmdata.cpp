#include "Spmdata.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "ChannelStatistics.h"
#include "Channels.h"
#include "platform/core/Messages.h"

namespace {

const char* const LockDataText = "Lock data";

//! A palette entry holds one byte per component: values outside 0..255 are clamped.
std::uint8_t ColourByte(std::int64_t value)
{
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255));
}

//! A position scaled by a ratio, truncated toward zero and kept inside 32 bits.
std::int32_t ScaledPosition(std::int32_t position, double ratio)
{
    const double scaled = std::trunc(double(position) * ratio);
    constexpr double lo = double(std::numeric_limits<std::int32_t>::min());
    constexpr double hi = double(std::numeric_limits<std::int32_t>::max());
    if (!(scaled >= lo))
        return std::numeric_limits<std::int32_t>::min();
    if (scaled > hi)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(scaled);
}

}  // namespace

// ---------------------------------------------------------------------------
// Fixed text fields

void CopyText(char* field, std::size_t fieldSize, const char* source, std::size_t sourceSize)
{
    if (!field || fieldSize == 0)
        return;
    std::size_t n = 0;
    if (source) {
        const void* zero = std::memchr(source, 0, sourceSize);
        n = zero ? std::size_t(static_cast<const char*>(zero) - source) : sourceSize;
    }
    n = std::min(n, fieldSize - 1);
    if (n > 0)
        std::memmove(field, source, n);
    std::memset(field + n, 0, fieldSize - n);
}

std::string FieldText(const char* field, std::size_t fieldSize)
{
    if (!field)
        return {};
    const void* zero = std::memchr(field, 0, fieldSize);
    const std::size_t n = zero ? std::size_t(static_cast<const char*>(zero) - field) : fieldSize;
    return std::string(field, n);
}

// ---------------------------------------------------------------------------
// Construction

TSPMData::TSPMData(const std::string& sourceFile, const TChannelHeader& header, int channel,
                   const std::int32_t* samples)
    : SourceFile(sourceFile), Header(header), Channel(static_cast<std::int8_t>(channel))
{
    SetNameFromHeader();
    AllocateBlock();
    if (Block && samples) {
        const std::int64_t n = SampleCount();
        auto* dst = static_cast<std::int32_t*>(Block->Lock());
        if (dst && n > 0)
            std::memcpy(dst, samples, std::size_t(n) * sizeof(std::int32_t));
        Block->Unlock();
    }
}

TSPMData::TSPMData(const std::string& sourceFile, const TChannelHeader& header, int channel,
                   std::unique_ptr<platform::MemoryBlock> block)
    : SourceFile(sourceFile), Header(header), Block(std::move(block)),
      Channel(static_cast<std::int8_t>(channel))
{
    SetNameFromHeader();
    // A block too small for the header's matrix is refused; the accessors then answer
    // "Lock data" instead of reading past it.
    if (Block && BlockValues() < SampleCount())
        Block.reset();
}

TSPMData::TSPMData(int width, int height, int channel) : Channel(static_cast<std::int8_t>(channel))
{
    Header.Width = static_cast<std::uint16_t>(std::clamp(width, 0, 0xFFFF));
    Header.Height = static_cast<std::uint16_t>(std::clamp(height, 0, 0xFFFF));
    SetNameFromHeader();
    AllocateBlock();
}

TSPMData::~TSPMData() = default;

void TSPMData::SetNameFromHeader()
{
    Name = FieldText(Header.Name, sizeof Header.Name);
    if (Name.empty() && Channel >= 0 && Channel < ChannelCount)
        Name = FieldText(ChannelNames[Channel], sizeof ChannelNames[Channel]);
}

void TSPMData::AllocateBlock()
{
    Block = platform::MemoryBlock::Allocate(std::size_t(SampleCount()) * sizeof(std::int32_t));
}

std::int64_t TSPMData::BlockValues() const
{
    return Block ? std::int64_t(Block->Size() / sizeof(std::int32_t)) : 0;
}

std::int64_t TSPMData::SampleCount() const
{
    return std::int64_t(Header.Width) * std::int64_t(Header.Height);
}

// ---------------------------------------------------------------------------
// Matrix access

void TSPMData::Lock()
{
    if (SwappedOut)
        return;
    void* p = Block ? Block->Lock() : nullptr;
    Data = static_cast<std::int32_t*>(p);
    if (p)
        Locked = true;
}

void TSPMData::Unlock()
{
    if (SwappedOut)
        return;
    Locked = Block ? Block->Unlock() : false;
    if (!Locked)
        Data = nullptr;
}

bool TSPMData::Accessible()
{
    if (Locked && !SwappedOut && Data)
        return true;
    platform::ShowError(LockDataText);
    return false;
}

bool TSPMData::CanSweep()
{
    if (!SwappedOut && Block && BlockValues() >= SampleCount())
        return true;
    platform::ShowError(LockDataText);
    return false;
}

std::int32_t* TSPMData::GetData()
{
    return Accessible() ? Data : nullptr;
}

std::int32_t TSPMData::GetValue(int row, int column)
{
    if (!Accessible())
        return 0;
    // Row and column are the caller's to keep inside the matrix; only an index outside
    // the block is refused (it reads 0).
    const std::int64_t i = std::int64_t(row) * Header.Width + column;
    return i >= 0 && i < BlockValues() ? Data[i] : 0;
}

std::int64_t TSPMData::GetValueAboveMin(int row, int column)
{
    if (!Accessible())
        return 0;
    const std::int64_t i = std::int64_t(row) * Header.Width + column;
    const std::int64_t v = i >= 0 && i < BlockValues() ? Data[i] : 0;
    return v - Header.Min;
}

void TSPMData::SetValue(int row, int column, std::int32_t value)
{
    if (!Accessible())
        return;
    const std::int64_t i = std::int64_t(row) * Header.Width + column;
    if (i >= 0 && i < BlockValues())
        Data[i] = value;
}

std::string TSPMData::GetComment() const
{
    return FieldText(Header.Comment, sizeof Header.Comment);
}

// ---------------------------------------------------------------------------
// Range and values

void TSPMData::ComputeRange()
{
    if (SwappedOut || !CanSweep())
        return;
    Lock();
    const std::int64_t n = SampleCount();
    if (n > 0 && Data) {
        const TRawRange range = ComputeRawRange(Data, n);
        Header.Min = range.Min;
        Header.Max = range.Max;
    }
    Unlock();
}

std::int64_t TSPMData::GetRange() const
{
    return std::int64_t(Header.Max) - std::int64_t(Header.Min);
}

void TSPMData::Normalize()
{
    if (SwappedOut || !CanSweep())
        return;
    ComputeRange();
    Lock();
    const std::int64_t n = SampleCount();
    std::int32_t* v = Data;
    // Subtraction modulo 2^32: a range wider than 31 bits wraps as 32-bit arithmetic does.
    const std::uint32_t min = static_cast<std::uint32_t>(Header.Min);
    if (v)
        for (std::int64_t i = 0; i < n; ++i)
            v[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(v[i]) - min);
    Header.Max = static_cast<std::int32_t>(static_cast<std::uint32_t>(Header.Max) - min);
    Header.Min = 0;
    Unlock();
}

void TSPMData::FreeMatrix()
{
    Block.reset();
    Data = nullptr;
    Locked = false;
    FreePalette();
    SwappedOut = true;
}

// ---------------------------------------------------------------------------
// Statistics

void TSPMData::ComputeStatistics()
{
    // Every check that may show a box comes before the sweep: a sound channel never
    // calls the message service here (data sets run channels on worker threads).
    if (!CanSweep())
        return;
    Lock();
    SetStatistics(ComputeRawStatistics(Data, Data ? SampleCount() : 0, Header.ZScale));
    Unlock();
}

void TSPMData::ComputeRangeAndStatistics()
{
    if (!CanSweep())
        return;
    Lock();
    const std::int64_t n = Data ? SampleCount() : 0;
    const TRawRange range = ComputeRawRange(Data, n);
    if (range.Count > 0) {
        Header.Min = range.Min;
        Header.Max = range.Max;
    }
    SetStatistics(ComputeRawStatistics(Data, n, Header.ZScale, range));
    Unlock();
}

void TSPMData::ComputeRangeAndStatistics(const TRawRange& range, const TRawCounts* counts)
{
    if (range.Count == 0 || range.Count != SampleCount()) {
        ComputeRangeAndStatistics(); // not the values' range: taken afresh
        return;
    }
    if (!CanSweep())
        return;
    Lock();
    if (Data) {
        Header.Min = range.Min;
        Header.Max = range.Max;
        SetStatistics(counts ? ComputeRawStatistics(Data, SampleCount(), Header.ZScale, range, *counts)
                             : ComputeRawStatistics(Data, SampleCount(), Header.ZScale, range));
    }
    Unlock();
}

void TSPMData::SetStatistics(const TRoughness& r)
{
    Mean = r.Mean;
    Ra = r.Ra;
    Rq = r.Rq;
    Rsk = r.Rsk;
    Rku = r.Rku;
}

// ---------------------------------------------------------------------------
// Palette

void TSPMData::ComputeColourCount()
{
    const std::int64_t range = GetRange();
    std::int64_t count = range <= MaxColours ? range + 1 : std::int64_t(MaxColours);
    // The table's entry count is 16-bit; at least one colour always exists.
    count = std::clamp<std::int64_t>(count, 1, 0xFFFF);
    ColourCount = static_cast<std::int32_t>(count);
    RawPerColour = double(range + 1) / double(ColourCount);
}

void TSPMData::FreePalette()
{
    PaletteTable.reset();
    Markers.reset();
}

std::vector<TSPMData::MarkerColour> TSPMData::CollectMarkers() const
{
    std::vector<MarkerColour> out;
    if (!Markers || Markers->Count <= 0)
        return out;
    out.reserve(std::size_t(Markers->Count));
    const TPALETTENODE* r = Markers->Red.Head;
    const TPALETTENODE* g = Markers->Green.Head;
    const TPALETTENODE* b = Markers->Blue.Head;
    for (std::int32_t i = 0; i < Markers->Count && r && g && b; ++i) {
        out.push_back({r->Position, r->Value, g->Value, b->Value});
        r = r->Next;
        g = g->Next;
        b = b->Next;
    }
    return out;
}

std::int64_t TSPMData::WritableEntries() const
{
    if (!PaletteTable)
        return 0;
    return std::min<std::int64_t>(ColourCount, std::int64_t(PaletteTable->palPalEntry.size()));
}

void TSPMData::FillConstant(std::int64_t from, std::int64_t to, const MarkerColour& m)
{
    const std::int64_t lo = std::max<std::int64_t>(from, 0);
    const std::int64_t hi = std::min(to, WritableEntries());
    const platform::PaletteEntry e{ColourByte(m.Red), ColourByte(m.Green), ColourByte(m.Blue), 1};
    for (std::int64_t p = lo; p < hi; ++p)
        PaletteTable->palPalEntry[std::size_t(p)] = e;
}

void TSPMData::FillStretch(const MarkerColour& a, const MarkerColour& b)
{
    const std::int64_t pa = a.Position;
    const std::int64_t pb = b.Position;
    if (pb <= pa)
        return;
    const double span = double(pb - pa);
    const double slopeR = double(std::int64_t(b.Red) - a.Red) / span;
    const double slopeG = double(std::int64_t(b.Green) - a.Green) / span;
    const double slopeB = double(std::int64_t(b.Blue) - a.Blue) / span;
    const std::int64_t lo = std::max<std::int64_t>(pa, 0);
    const std::int64_t hi = std::min(pb, WritableEntries());
    for (std::int64_t p = lo; p < hi; ++p) {
        const double t = double(p - pa);
        platform::PaletteEntry& e = PaletteTable->palPalEntry[std::size_t(p)];
        e.peRed = ColourByte(std::int64_t(t * slopeR + double(a.Red)));
        e.peGreen = ColourByte(std::int64_t(t * slopeG + double(a.Green)));
        e.peBlue = ColourByte(std::int64_t(t * slopeB + double(a.Blue)));
        e.peFlags = 1;
    }
}

void TSPMData::BuildFromMarkers()
{
    ComputeColourCount();
    std::vector<MarkerColour> markers = CollectMarkers();
    if (markers.empty()) {
        // Without any marker the default ones stand in.
        Markers = std::make_unique<TPALETTEMARKER>(ColourCount);
        markers = CollectMarkers();
    }

    auto table = std::make_unique<platform::LogPalette>();
    table->palVersion = 0x300;
    table->palNumEntries = static_cast<std::uint16_t>(ColourCount);
    table->palPalEntry.assign(std::size_t(ColourCount) + 1, platform::PaletteEntry{});
    PaletteTable = std::move(table);

    FillConstant(0, markers.front().Position, markers.front());
    for (std::size_t j = 0; j + 1 < markers.size(); ++j)
        FillStretch(markers[j], markers[j + 1]);
    FillConstant(markers.back().Position, ColourCount, markers.back());
    for (std::int32_t i = 0; i < ColourCount; ++i)
        PaletteTable->palPalEntry[std::size_t(i)].peFlags = 1;

    Palette = platform::CreatePalette(*PaletteTable);
    PaletteStale = false;
}

void TSPMData::DefaultPalette()
{
    if (SwappedOut)
        return;
    if (HasPalette)
        FreePalette();
    HasPalette = true;
    ComputeColourCount();
    Markers = std::make_unique<TPALETTEMARKER>(ColourCount);
    BuildFromMarkers();
}

void TSPMData::BuildPalette()
{
    if (SwappedOut)
        return;
    if (HasPalette)
        PaletteTable.reset();
    HasPalette = true;
    BuildFromMarkers();
}

void TSPMData::RescalePalette()
{
    if (!HasPalette || SwappedOut)
        return;
    const std::int32_t old = ColourCount;
    ComputeColourCount();
    if (old > 0) {
        const double ratio = double(ColourCount) / double(old);
        if (ratio == 1.0)
            return;
        if (Markers)
            for (TPALETTE* list : {&Markers->Red, &Markers->Green, &Markers->Blue})
                for (TPALETTENODE* node = list->Head; node; node = node->Next)
                    node->Position = ScaledPosition(node->Position, ratio);
    }
    if (!PaletteTable || PaletteTable->palNumEntries < ColourCount)
        PaletteStale = true;
}

void TSPMData::UpdatePaletteRange(int first, int last)
{
    if (SwappedOut)
        return;
    const std::vector<MarkerColour> markers = CollectMarkers();
    if (PaletteStale || !PaletteTable || !Palette || markers.empty()) {
        BuildPalette();
        return;
    }
    const int n = static_cast<int>(markers.size());
    const bool fromStart = first < 0;
    const bool toEnd = last < 0 || last >= n;
    if (last < 0 || last >= n)
        last = n - 1;
    if (first < 0 || first >= n)
        first = 0;

    std::int64_t start = markers[std::size_t(first)].Position;
    if (fromStart) {
        start = 0;
        FillConstant(0, markers[std::size_t(first)].Position, markers[std::size_t(first)]);
    }
    for (int j = first + 1; j <= last; ++j)
        FillStretch(markers[std::size_t(j - 1)], markers[std::size_t(j)]);
    std::int64_t end = markers[std::size_t(last)].Position;
    if (toEnd) {
        end = ColourCount;
        FillConstant(markers[std::size_t(last)].Position, ColourCount, markers[std::size_t(last)]);
    }

    const std::int64_t limit = WritableEntries();
    start = std::clamp<std::int64_t>(start, 0, limit);
    end = std::clamp<std::int64_t>(end, 0, limit);
    if (end > start)
        Palette->SetEntries(static_cast<int>(start), static_cast<int>(end - start),
                            &PaletteTable->palPalEntry[std::size_t(start)]);
}
