#include "Spm1format.h"

#include "Samples.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "platform/core/Files.h"

static_assert(std::endian::native == std::endian::little,
              "SPM1 records are read and written in the machine's byte order");

namespace {

// SPM1 files store 16-bit samples lowered by an offset; swap files store the values whole.
enum class Samples { Bits16, Bits32 };

constexpr std::int64_t SampleBytes(Samples kind)
{
    return kind == Samples::Bits16 ? 2 : 4;
}

bool StoredChannel(std::uint32_t mask, int c)
{
    return (mask >> c) & 1u;
}

// Reads `count` samples of the given kind into `values` (16-bit ones sign-extended).
bool ReadSamples(platform::File& file, Samples kind, std::int32_t* values, std::int64_t count)
{
    if (kind == Samples::Bits32)
        return file.ReadExact(values, count * 4);
    return samples::Read16<std::int16_t>(file, values, count);
}

// Writes `count` values as samples of the given kind; 16-bit samples are the values
// lowered by the channel's offset.
bool WriteSamples(platform::File& file, Samples kind, const std::int32_t* values, std::int64_t count,
                  std::int64_t offset)
{
    if (count == 0)
        return true;
    if (kind == Samples::Bits32)
        return file.Write(values, count * 4);
    return samples::Write16(file, values, count, offset);
}

std::int32_t GetInfo(const char* path, ChannelSet* available, TFileHeader* header,
                     TChannelNameTable* names)
{
    available->Clear();
    platform::File file;
    if (const std::int32_t opened = OpenForReading(file, path); opened != fmtOk)
        return opened;
    TFileHeader fileHeader;
    if (!file.ReadExact(&fileHeader, sizeof fileHeader))
        return fmtErrorRead;
    *header = fileHeader;
    if (header->FormatVersion != 1)
        return fmtErrorFormat;

    ChannelSet found;
    for (int i = 0; i < ChannelCount; ++i) {
        if (!StoredChannel(fileHeader.ChannelMask, i))
            continue;
        TChannelHeader channel;
        if (!file.ReadExact(&channel, sizeof channel))
            return fmtErrorRead;
        if (channel.Width == 0 || channel.Height == 0)
            return fmtErrorFormat;
        // Channels 0 to 19 have the set's size, which must then be a real one.
        if (i < FirstUserChannel && (fileHeader.Width == 0 || fileHeader.Height == 0))
            return fmtErrorFormat;
        found.Include(i);
        if (names)
            CopyText((*names)[i], sizeof(*names)[i], channel.Name, sizeof channel.Name);
    }
    if (fileHeader.ChannelMask & MarkersPresentBit)
        found.Include(MarkersChannel);
    *available = found;
    return fmtOk;
}

std::int32_t Load(Samples kind, const char* path, std::int32_t width, std::int32_t height,
                  TChannelHeader* const* headers, TFormatArrays* arrays, ChannelSet* channels)
{
    ChannelSet request = *channels;
    channels->Clear();
    // The answer reaches the caller only when the whole load succeeded.
    ChannelSet answer;

    platform::File file;
    if (const std::int32_t opened = OpenForReading(file, path); opened != fmtOk)
        return opened;
    const std::int64_t fileSize = file.Size();
    if (fileSize < 0)
        return fmtErrorRead;
    TFileHeader fileHeader;
    if (!file.ReadExact(&fileHeader, sizeof fileHeader))
        return fmtErrorRead;
    const std::uint32_t mask = fileHeader.ChannelMask;

    // Every stored channel's header goes to the caller, asked for or not.
    TChannelHeader* stored[ChannelCount] = {};
    TChannelHeader spare[ChannelCount];
    std::int64_t sampleBytes = 0;
    for (int i = 0; i < ChannelCount; ++i) {
        if (!StoredChannel(mask, i))
            continue;
        stored[i] = headers && headers[i] ? headers[i] : &spare[i];
        if (!file.ReadExact(stored[i], sizeof(TChannelHeader)))
            return fmtErrorRead;
        if (stored[i]->Width == 0 || stored[i]->Height == 0)
            return fmtErrorFormat;
        const std::int64_t count = std::int64_t{stored[i]->Width} * stored[i]->Height;
        sampleBytes += count * SampleBytes(kind);
    }
    // The samples the headers promise must all be there before anything is allocated.
    if (fileSize - file.Position() < sampleBytes)
        return fmtErrorRead;

    for (int i = 0; i < ChannelCount; ++i) {
        if (!stored[i])
            continue;
        const TChannelHeader& h = *stored[i];
        const std::int64_t count = std::int64_t{h.Width} * h.Height;
        const bool wanted = request.Contains(i) &&
                            (i >= FirstUserChannel || (h.Width == width && h.Height == height));
        if (!wanted) {
            if (!file.Skip(count * SampleBytes(kind)))
                return fmtErrorRead;
            continue;
        }
        std::int32_t* values = arrays->AllocValues(i, count);
        if (!values)
            return fmtErrorMemory;
        if (!ReadSamples(file, kind, values, count))
            return fmtErrorRead;
        answer.Include(i);
    }

    if (!(mask & MarkersPresentBit))
        request.Exclude(MarkersChannel);
    if (request.Contains(MarkersChannel)) {
        for (int i = 0; i < ChannelCount; ++i) {
            if (!stored[i])
                continue;
            std::int32_t count = 0;
            if (!file.ReadExact(&count, sizeof count))
                return fmtErrorRead;
            const std::int64_t bytes = std::int64_t{count} * std::int64_t{sizeof(MarkerRecord)};
            if (count < 0 || bytes > fileSize - file.Position())
                return fmtErrorFormat;
            arrays->Counts[i] = count;
            if (request.Contains(i)) {
                MarkerRecord* records = arrays->AllocMarkers(i, count);
                if (!records)
                    return fmtErrorMemory;
                if (!file.ReadExact(records, bytes))
                    return fmtErrorRead;
            } else if (!file.Skip(bytes)) {
                return fmtErrorRead;
            }
        }
        answer.Include(MarkersChannel);
    }
    *channels = answer;
    return fmtOk;
}

std::int32_t Save(Samples kind, const char* path, TFileHeader* header,
                  TChannelHeader* const* headers, TFormatArrays* arrays, ChannelSet* channels)
{
    const bool withMarkers = channels->Contains(MarkersChannel);
    std::uint32_t mask = withMarkers ? MarkersPresentBit : 0u;
    // A channel needs its header and, when it has samples, its values; markers need records.
    for (int c = NextChannel(NoChannel, *channels); c != NoChannel; c = NextChannel(c, *channels)) {
        mask |= 1u << c;
        if (!headers || !headers[c] || !arrays)
            return fmtErrorMemory;
        const std::int64_t count = std::int64_t{headers[c]->Width} * headers[c]->Height;
        if (count > 0 && !arrays->Values[c])
            return fmtErrorMemory;
        if (withMarkers &&
            (arrays->Counts[c] < 0 || (arrays->Counts[c] > 0 && !arrays->Markers[c])))
            return fmtErrorMemory;
    }
    // Every channel must fit its samples before anything is written.
    std::int64_t offsets[ChannelCount] = {};
    if (kind == Samples::Bits16) {
        for (int c = NextChannel(NoChannel, *channels); c != NoChannel; c = NextChannel(c, *channels)) {
            const std::int64_t count = std::int64_t{headers[c]->Width} * headers[c]->Height;
            const auto offset = samples::Offset16(arrays->Values[c], count, samples::Reading16::ShiftedSigned);
            if (!offset)
                return fmtErrorRange;
            offsets[c] = *offset;
        }
    }
    header->ChannelMask = mask;

    platform::File file;
    if (!file.Open(path, platform::File::Mode::CreateReplace))
        return fmtErrorCreate;
    header->FormatVersion = 1;
    if (!file.Write(header, sizeof *header))
        return fmtErrorWrite;

    for (int c = NextChannel(NoChannel, *channels); c != NoChannel; c = NextChannel(c, *channels))
        if (!file.Write(headers[c], sizeof(TChannelHeader)))
            return fmtErrorWrite;
    for (int c = NextChannel(NoChannel, *channels); c != NoChannel; c = NextChannel(c, *channels)) {
        const std::int64_t count = std::int64_t{headers[c]->Width} * headers[c]->Height;
        if (!WriteSamples(file, kind, arrays->Values[c], count, offsets[c]))
            return fmtErrorWrite;
    }
    if (withMarkers) {
        for (int c = NextChannel(NoChannel, *channels); c != NoChannel;
             c = NextChannel(c, *channels)) {
            const std::int32_t count = arrays->Counts[c];
            if (!file.Write(&count, sizeof count))
                return fmtErrorWrite;
            if (count > 0 && !file.Write(arrays->Markers[c],
                                         std::int64_t{count} * std::int64_t{sizeof(MarkerRecord)}))
                return fmtErrorWrite;
        }
    }
    if (!file.Close())
        return fmtErrorWrite;
    return fmtOk;
}

std::int32_t GuardedLoad(Samples kind, const char* path, std::int32_t width, std::int32_t height,
                         TChannelHeader* const* headers, TFormatArrays* arrays,
                         ChannelSet* channels)
{
    return GuardStatus(fmtErrorRead, [&] { return Load(kind, path, width, height, headers, arrays, channels); });
}

std::int32_t GuardedSave(Samples kind, const char* path, TFileHeader* header,
                         TChannelHeader* const* headers, TFormatArrays* arrays,
                         ChannelSet* channels)
{
    return GuardStatus(fmtErrorWrite, [&] { return Save(kind, path, header, headers, arrays, channels); });
}

} // namespace

//! Reads the file header and the names of the stored channels; the available set gets
//! every stored channel and 101 when the file carries palette markers.
std::int32_t GetSPM1FileInfo(const char* path, ChannelSet* available, TFileHeader* header,
                             TChannelNameTable* names)
{
    return GuardStatus(fmtErrorRead, [&] { return GetInfo(path, available, header, names); });
}

//! Loads the requested channels (16-bit samples, sign-extended) and, with 101, the markers;
//! channels 0 to 19 of another size than width × height are left out.
std::int32_t LoadSPM1File(const char* path, std::int32_t width, std::int32_t height,
                          TChannelHeader* const* headers, TFormatArrays* arrays,
                          ChannelSet* channels)
{
    return GuardedLoad(Samples::Bits16, path, width, height, headers, arrays, channels);
}

//! Writes the channels of the set as 16-bit samples and, with 101, their markers; sets the
//! header's FormatVersion to 1 and its ChannelMask to the channels written. -8, and no
//! file touched, when a channel's values span more than 65536 values.
std::int32_t SaveSPM1File(const char* path, TFileHeader* header, TChannelHeader* const* headers,
                          TFormatArrays* arrays, ChannelSet* channels)
{
    return GuardedSave(Samples::Bits16, path, header, headers, arrays, channels);
}

//! As LoadSPM1File, for a file with 32-bit samples that are the values themselves.
std::int32_t LoadSwapFile(const char* path, std::int32_t width, std::int32_t height,
                          TChannelHeader* const* headers, TFormatArrays* arrays,
                          ChannelSet* channels)
{
    return GuardedLoad(Samples::Bits32, path, width, height, headers, arrays, channels);
}

//! As SaveSPM1File, with every value written whole as a 32-bit sample.
std::int32_t SaveSwapFile(const char* path, TFileHeader* header, TChannelHeader* const* headers,
                          TFormatArrays* arrays, ChannelSet* channels)
{
    return GuardedSave(Samples::Bits32, path, header, headers, arrays, channels);
}

//! The swap-file entry: the SPM1 info function with the 32-bit loader and writer.
TFileFormat* SwapFileFormat()
{
    static TFileFormat format(GetSPM1FileInfo, SaveSwapFile, LoadSwapFile, "", ".$$$", 1);
    return &format;
}
