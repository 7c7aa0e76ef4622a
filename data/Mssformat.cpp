#include "Mssformat.h"

#include "Samples.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "platform/core/Files.h"

static_assert(std::endian::native == std::endian::little,
              "MSS fields are read in the machine's byte order");

namespace {

constexpr std::int64_t HeightOffset = 4;
constexpr std::int64_t WidthOffset = 6;
constexpr std::int64_t ZScaleOffset = 192;
constexpr std::int64_t SamplesOffset = 232;


// The file's 64-bit Z scale as a 32-bit float: clamped to the float range, NaN kept.
float ToFloat(double value)
{
    if (std::isnan(value))
        return static_cast<float>(value);
    return static_cast<float>(std::clamp(value, -double{FLT_MAX}, double{FLT_MAX}));
}

// Reads the height at offset 4 and the width at offset 6.
bool ReadSize(platform::File& file, std::uint16_t& width, std::uint16_t& height)
{
    return file.Seek(HeightOffset) && file.ReadExact(&height, sizeof height) &&
           file.Seek(WidthOffset) && file.ReadExact(&width, sizeof width);
}


std::int32_t GetInfo(const char* path, ChannelSet* available, TFileHeader* header,
                     TChannelNameTable* names)
{
    available->Clear();
    platform::File file;
    if (const std::int32_t opened = OpenForReading(file, path); opened != fmtOk)
        return opened;
    std::uint16_t width = 0, height = 0;
    if (!ReadSize(file, width, height))
        return fmtErrorRead;
    if (width == 0 || height == 0)
        return fmtErrorFormat;
    header->Height = height;
    header->Width = width;

    available->Include(0);
    available->Include(4);
    if (names) {
        CopyText((*names)[0], sizeof(*names)[0], "Topography", sizeof "Topography");
        CopyText((*names)[4], sizeof(*names)[4], "Frequency", sizeof "Frequency");
    }
    return fmtOk;
}

std::int32_t Load(const char* path, std::int32_t width, std::int32_t height,
                  TChannelHeader* const* headers, TFormatArrays* arrays, ChannelSet* channels)
{
    const ChannelSet request = *channels;
    channels->Clear();
    // The answer reaches the caller only when the whole load succeeded.
    ChannelSet answer;

    platform::File file;
    if (const std::int32_t opened = OpenForReading(file, path); opened != fmtOk)
        return opened;
    std::uint16_t fileWidth = 0, fileHeight = 0;
    if (!ReadSize(file, fileWidth, fileHeight))
        return fmtErrorRead;
    double zScale = 0;
    if (!file.Seek(ZScaleOffset) || !file.ReadExact(&zScale, sizeof zScale))
        return fmtErrorRead;
    if (fileWidth == 0 || fileHeight == 0 || fileWidth != width || fileHeight != height)
        return fmtErrorFormat;

    TChannelHeader& topography = *headers[0];
    TChannelHeader& frequency = *headers[4];
    topography.Height = fileHeight;
    topography.Width = fileWidth;
    for (TChannelHeader* h : {&topography, &frequency}) {
        h->XStep = 1.0f;
        h->YStep = 1.0f;
        h->ZScale = ToFloat(zScale);
    }
    frequency.Width = static_cast<std::uint16_t>(width);
    frequency.Height = static_cast<std::uint16_t>(height);

    // Both channels have the same size; the frequency block follows the topography block.
    const std::int64_t count = std::int64_t{fileWidth} * fileHeight;
    const bool wantFrequency = request.Contains(4);
    const std::int64_t size = file.Size();
    if (size < 0 || size - SamplesOffset < 2 * count * (wantFrequency ? 2 : 1))
        return fmtErrorRead;

    if (!file.Seek(SamplesOffset))
        return fmtErrorRead;

    if (request.Contains(0)) {
        std::int32_t* values = arrays->AllocValues(0, count);
        if (!values)
            return fmtErrorMemory;
        if (!samples::Read16<std::uint16_t>(file, values, count))
            return fmtErrorRead;
        answer.Include(0);
        CopyText(topography.Name, sizeof topography.Name, "Topography", sizeof "Topography");
    } else if (!file.Skip(2 * count)) {
        return fmtErrorRead;
    }

    if (wantFrequency) {
        std::int32_t* values = arrays->AllocValues(4, count);
        if (!values)
            return fmtErrorMemory;
        if (!samples::Read16<std::uint16_t>(file, values, count))
            return fmtErrorRead;
        answer.Include(4);
        CopyText(frequency.Name, sizeof frequency.Name, "Frequency", sizeof "Frequency");
    }
    *channels = answer;
    return fmtOk;
}

} // namespace

//! Reads the size of an MSS file into the header's Height and Width; the available set is
//! {0, 4}, named "Topography" and "Frequency".
std::int32_t GetMSSFileInfo(const char* path, ChannelSet* available, TFileHeader* header,
                            TChannelNameTable* names)
{
    return GuardStatus(fmtErrorRead, [&] { return GetInfo(path, available, header, names); });
}

//! Loads channel 0 and/or 4 (unsigned 16-bit samples, zero-extended) of a file whose size
//! is width × height; steps 1.0, the file's Z scale; no markers.
std::int32_t LoadMSSFile(const char* path, std::int32_t width, std::int32_t height,
                         TChannelHeader* const* headers, TFormatArrays* arrays,
                         ChannelSet* channels)
{
    return GuardStatus(fmtErrorRead, [&] { return Load(path, width, height, headers, arrays, channels); });
}

//! Writes nothing and reports success (the format is read only).
std::int32_t SaveMSSFile(const char*, TFileHeader*, TChannelHeader* const*, TFormatArrays*,
                         ChannelSet*)
{
    return fmtOk;
}
