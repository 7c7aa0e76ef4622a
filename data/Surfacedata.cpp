#include "Surfacedata.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "ChannelStatistics.h"
#include "Fileformat.h"
#include "Options.h"
#include "Spm1format.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "platform/core/Parallel.h"

namespace {

// True when every channel of the set holds its matrix; otherwise one "Lock data" box.
bool AllChannelsInMemory(const TSurfaceData& data)
{
    bool ok = !data.SwappedOut;
    for (const auto& ch : data.Channels)
        if (ch && (ch->SwappedOut || !ch->Block))
            ok = false;
    if (!ok)
        platform::ShowError("Lock data");
    return ok;
}

void CopyStatistics(TSPMData& to, const TSPMData& from)
{
    to.Mean = from.Mean;
    to.Ra = from.Ra;
    to.Rq = from.Rq;
    to.Rsk = from.Rsk;
    to.Rku = from.Rku;
}

// The parts of a set that a copy and a crop take over unchanged.
void CopyDescription(TSurfaceData& to, const TSurfaceData& from)
{
    to.SwappedOut = from.SwappedOut;
    to.SourceFile = from.SourceFile;
    to.Header = from.Header;
    to.Present = from.Present;
    to.Available = from.Available;
    to.ChannelList = from.ChannelList;
}

// Copies the values of `from` into the new block of `to`; values `from` does not hold are 0.
void CopyWhole(const TSPMData& from, TSPMData& to)
{
    const std::size_t size = to.Block->Size();
    const std::size_t bytes =
        std::min({size, static_cast<std::size_t>(from.SampleCount()) * sizeof(std::int32_t),
                  from.Block->Size()});
    auto* target = static_cast<char*>(to.Block->Address());
    std::memcpy(target, from.Block->Address(), bytes);
    std::memset(target + bytes, 0, size - bytes);
}

//! Rows of the cut per piece of its copy.
constexpr int kCutBandRows = 64;

// Copies the rectangle of the size of `to` whose top left corner is (left, top) from `from`
// into the new block of `to`, in bands of rows side by side; rows and columns `from` does not
// hold are 0. Answers the range of the values written, taken row by row as they are written,
// and counts each row into `counts` while it is still in the caches.
TRawRange CutRows(const TSPMData& from, TSPMData& to, int left, int top, TRawCounts& counts)
{
    const int width = to.Header.Width, height = to.Header.Height;
    const int srcW = from.Header.Width, srcH = from.Header.Height;
    const int cols = std::max(0, std::min(width, srcW - left));
    const auto* source = static_cast<const std::int32_t*>(from.Block->Address());
    auto* target = static_cast<std::int32_t*>(to.Block->Address());
    const std::size_t bands = std::size_t((height + kCutBandRows - 1) / kCutBandRows);
    std::vector<TRawRange> ranges(bands);
    platform::ParallelBands(bands, [&](std::size_t band) {
        const int first = int(band) * kCutBandRows, last = std::min(height, first + kCutBandRows);
        TRawRange range;
        TRawCounts::TPiece tally(counts);
        for (int r = first; r < last; ++r) {
            std::int32_t* row = target + std::size_t(r) * width;
            const int held = top + r < srcH ? cols : 0;
            if (held > 0)
                std::memcpy(row, source + std::size_t(top + r) * srcW + left,
                            std::size_t(held) * sizeof(std::int32_t));
            std::fill(row + held, row + width, 0);
            const TRawRange rowRange = ComputeRawRangeHere(row, width);
            tally.Add(row, width, rowRange);
            range.Add(rowRange);
        }
        ranges[band] = range;
    });
    TRawRange all;
    for (const TRawRange& range : ranges)
        all.Add(range);
    return all;
}

using TChannelSlots = std::array<std::unique_ptr<TSPMData>, ChannelCount>;

// Makes a channel for each channel of `source`, of the size sizeOf(slot, source channel)
// gives as {width, height}, and fills the new channels side by side with fill(slot, source
// channel, new channel), which writes every value: the new blocks are not zero-filled
// first, so that the copy is the first to touch their memory. False, after the memory
// message, when memory runs short anywhere; the new channels are then dropped and nothing
// else changes.
template <typename SizeOf, typename Fill>
bool CopyChannels(const TSurfaceData& source, SizeOf sizeOf, Fill fill, TChannelSlots& copies)
{
    try {
        std::vector<int> slots;
        for (int i = 0; i < ChannelCount; ++i) {
            const TSPMData* src = source.Channels[i].get();
            if (!src)
                continue;
            const auto [width, height] = sizeOf(i, *src);
            TChannelHeader header{};
            header.Width = static_cast<std::uint16_t>(std::clamp(width, 0, 0xFFFF));
            header.Height = static_cast<std::uint16_t>(std::clamp(height, 0, 0xFFFF));
            const std::size_t bytes =
                std::size_t(header.Width) * header.Height * sizeof(std::int32_t);
            copies[i] = std::make_unique<TSPMData>(
                std::string(), header, i, platform::MemoryBlock::AllocateForOverwrite(bytes));
            if (!copies[i]->Block)
                throw std::bad_alloc();
            slots.push_back(i);
        }
        platform::ParallelFor(slots.size(), [&](std::size_t k) {
            const int i = slots[k];
            fill(i, *source.Channels[i], *copies[i]);
        });
    } catch (const std::bad_alloc&) {
        for (auto& copy : copies)
            copy.reset();
        platform::ShowError(LoadErrorText(fmtErrorMemory));
        return false;
    }
    return true;
}

}  // namespace

namespace {
// Swap files are named "TMP", a number and ".$$$".
const char* const SwapPrefix = "TMP";
const char* const SwapSuffix = ".$$$";
}  // namespace

void RemoveLeftoverSwapFiles()
{
    platform::RemoveUnownedNumberedFiles(GlobalOptions.TempDir, SwapPrefix, SwapSuffix);
}

TSurfaceData::TSurfaceData(const std::string& sourceFile) : SourceFile(sourceFile) {}

TSurfaceData::~TSurfaceData()
{
    for (auto& ch : Channels)
        ch.reset();
    if (SwappedOut && !SwapFile.empty())
        platform::DeleteNumberedFile(SwapFile);
}

TSPMData* TSurfaceData::Channel(int slot) const
{
    if (slot < 0 || slot >= ChannelCount)
        return nullptr;
    return Channels[slot].get();
}

bool TSurfaceData::CopyFrom(TSurfaceData& source)
{
    if (&source == this || !AllChannelsInMemory(source))
        return false;

    // Every new channel is made first, so that a shortage of memory changes nothing.
    TChannelSlots copies;
    const auto sameSize = [](int, const TSPMData& src) {
        return std::pair<int, int>(src.Header.Width, src.Header.Height);
    };
    const bool copied = CopyChannels(source, sameSize, [](int, TSPMData& src, TSPMData& dst) {
        dst.Header = src.Header;
        CopyWhole(src, dst);
        dst.HasPalette = src.HasPalette;
        if (src.HasPalette) {
            dst.ColourCount = src.ColourCount;
            dst.RawPerColour = src.RawPerColour;
            dst.Markers = src.Markers ? std::make_unique<TPALETTEMARKER>(*src.Markers)
                                      : std::make_unique<TPALETTEMARKER>();
            dst.BuildPalette();
        }
        CopyStatistics(dst, src);
    }, copies);
    if (!copied)
        return false;

    CopyDescription(*this, source);
    Channels = std::move(copies);
    return true;
}

bool TSurfaceData::CropFrom(TSurfaceData& source, int left, int top, int right, int bottom)
{
    if (&source == this || !AllChannelsInMemory(source))
        return false;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, static_cast<int>(source.Header.Width) - 1);
    bottom = std::min(bottom, static_cast<int>(source.Header.Height) - 1);
    if (left > right || top > bottom)
        return false;
    const int width = right - left + 1;
    const int height = bottom - top + 1;

    // Instrument channels are cut, user channels copied whole.
    TChannelSlots copies;
    const auto cutSize = [&](int j, const TSPMData& src) {
        return j < FirstUserChannel ? std::pair<int, int>(width, height)
                                    : std::pair<int, int>(src.Header.Width, src.Header.Height);
    };
    const bool cut = CopyChannels(source, cutSize, [&](int j, TSPMData& src, TSPMData& dst) {
        const std::uint16_t w = dst.Header.Width;
        const std::uint16_t h = dst.Header.Height;
        dst.Header = src.Header;
        dst.Header.Width = w;
        dst.Header.Height = h;
        if (j >= FirstUserChannel) {
            CopyWhole(src, dst);
            dst.ComputeRangeAndStatistics();
        } else {
            // Counted against the source's range, which holds every value of the cut
            // unless the source's extremes are stale or the cut has zeros beyond it.
            TRawCounts counts(src.Header.Min, src.Header.Max, dst.SampleCount());
            const TRawRange range = CutRows(src, dst, left, top, counts);
            dst.ComputeRangeAndStatistics(range, &counts);
        }
        dst.DefaultPalette();
    }, copies);
    if (!cut)
        return false;

    CopyDescription(*this, source);
    Header.Width = static_cast<std::uint16_t>(width);
    Header.Height = static_cast<std::uint16_t>(height);
    Channels = std::move(copies);
    return true;
}

void TSurfaceData::Release()
{
    if (SwappedOut)
        return;
    const std::int32_t before = LockCount;
    LockCount = std::max(0, LockCount - 1);
    if (before > 1)
        return;

    // A set that cannot go to its swap file stays in memory; the user hears of it once.
    const auto reportFailure = [this](std::int32_t status) {
        if (!SwapFailureReported)
            platform::ShowError(LoadErrorText(status));
        SwapFailureReported = true;
    };
    SwapFile = platform::CreateNumberedFile(GlobalOptions.TempDir, SwapPrefix, SwapSuffix);
    if (SwapFile.empty()) {
        reportFailure(fmtErrorCreate);
        return;
    }
    const std::int32_t status = SaveWithFormat(SwapFileFormat(), SwapFile, this, &Present);
    if (status != fmtOk) {
        reportFailure(status);
        platform::DeleteNumberedFile(SwapFile);
        SwapFile.clear();
        return;
    }
    SwappedOut = true;
    for (auto& ch : Channels)
        if (ch)
            ch->FreeMatrix();
}

void TSurfaceData::Acquire()
{
    const std::int32_t before = LockCount++;
    if (before > 0 || !SwappedOut)
        return;

    ChannelSet channels = Present;
    std::int32_t status = LoadWithFormat(SwapFileFormat(), SwapFile, this, &channels);
    if (status == fmtOk) {
        // Every channel that went to the swap file must come back.
        for (int c = NextChannel(NoChannel, Present); c != NoChannel; c = NextChannel(c, Present))
            if (!channels.Contains(c) || !Channels[c] || Channels[c]->SwappedOut)
                status = fmtErrorFormat;
    }
    if (status != fmtOk) {
        platform::ShowError(LoadErrorText(status));
        return;
    }
    SwappedOut = false;
    platform::DeleteNumberedFile(SwapFile);
    SwapFile.clear();
}

void TSurfaceData::DeleteChannel(int channel)
{
    if (SwappedOut || channel < 0 || channel >= ChannelCount)
        return;
    Channels[channel].reset();
    Present.Exclude(channel);
}

float TSurfaceData::GetXStep() const
{
    const TSPMData* ch = Channels[0].get();
    return ch ? ch->Header.XStep : 0.0f;
}

float TSurfaceData::GetYStep() const
{
    const TSPMData* ch = Channels[0].get();
    return ch ? ch->Header.YStep : 0.0f;
}

char* TSurfaceData::GetXYUnit()
{
    static char none[6] = {};
    TSPMData* ch = Channels[0].get();
    return ch ? ch->XYUnit() : none;
}

void TSurfaceData::ComputeStatistics(int channel)
{
    if (channel != NoChannel && channel != -1) {
        if (TSPMData* ch = Channel(channel))
            ch->ComputeStatistics();
        return;
    }
    // Channels that hold their matrix are swept side by side; the others report on
    // this thread.
    std::vector<TSPMData*> ready;
    for (int c = NextChannel(NoChannel, Present); c != NoChannel; c = NextChannel(c, Present)) {
        TSPMData* ch = Channels[c].get();
        if (!ch)
            continue;
        if (ch->SwappedOut || !ch->Block)
            ch->ComputeStatistics();
        else
            ready.push_back(ch);
    }
    platform::ParallelFor(ready.size(), [&](std::size_t i) { ready[i]->ComputeStatistics(); });
}

TSPMData* TSurfaceData::FindChannel(const std::string& name) const
{
    const int i = IndexOfChannel(name);
    return i < 0 ? nullptr : Channels[i].get();
}

int TSurfaceData::IndexOfChannel(const std::string& name) const
{
    for (int i = 0; i < ChannelCount; ++i)
        if (Channels[i] && Channels[i]->Name == name)
            return i;
    return -1;
}

std::string ChannelSourceFile(const TSPMData& channel, const TSurfaceData* set)
{
    if (!channel.SourceFile.empty() || !set)
        return channel.SourceFile;
    return set->SourceFile;
}
