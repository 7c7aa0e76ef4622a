#include "Spm0format.h"

#include "Samples.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "platform/core/Files.h"

static_assert(std::endian::native == std::endian::little,
              "SPM0 records are read and written in the machine's byte order");

namespace {

std::int32_t GetInfo(const char* path, ChannelSet* available, TFileHeader* header,
                     TChannelNameTable* names)
{
    available->Clear();
    platform::File file;
    if (const std::int32_t opened = OpenForReading(file, path); opened != fmtOk)
        return opened;
    SPMHEAD head;
    if (!file.ReadExact(&head, sizeof head))
        return fmtErrorRead;
    if (head.FormatWord != 0)
        return fmtErrorFormat;
    if (head.mx <= 0 || head.my <= 0)
        return fmtErrorFormat;

    header->FormatVersion = 0;
    header->Width = static_cast<std::uint16_t>(head.mx);
    header->Height = static_cast<std::uint16_t>(head.my);
    header->Reserved56 = 1;
    header->ChannelMask = 1;

    available->Include(UnstatedChannel);
    if (names)
        CopyText((*names)[0], sizeof(*names)[0], ChannelNames[0], sizeof ChannelNames[0]);
    return fmtOk;
}

std::int32_t Load(const char* path, std::int32_t width, std::int32_t height,
                  TChannelHeader* const* headers, TFormatArrays* arrays, ChannelSet* channels)
{
    const int c = NextChannel(NoChannel, *channels);
    if (c == NoChannel)
        return fmtNoChannel;
    channels->Clear();

    platform::File file;
    if (const std::int32_t opened = OpenForReading(file, path); opened != fmtOk)
        return opened;
    SPMHEAD head;
    if (!file.ReadExact(&head, sizeof head))
        return fmtErrorRead;

    if (head.mx <= 0 || head.my <= 0)
        return fmtErrorFormat;
    // Channel 0 and the user channels take the file's size; the others must match the set.
    if (c > 0 && c < FirstUserChannel && (head.mx != width || head.my != height))
        return fmtErrorFormat;

    TChannelHeader& h = *headers[c];
    h.Width = static_cast<std::uint16_t>(head.mx);
    h.Height = static_cast<std::uint16_t>(head.my);
    h.XStep = head.Kx;
    h.YStep = head.Ky;
    h.ZScale = head.Kz;
    CopyText(h.XYUnit, sizeof h.XYUnit, head.XYUnit, sizeof head.XYUnit);
    CopyText(h.ZUnit, sizeof h.ZUnit, head.ZUnit, sizeof head.ZUnit);
    CopyText(h.Comment, sizeof h.Comment, head.Comment, sizeof head.Comment);
    CopyText(h.Name, sizeof h.Name, ChannelNames[c], sizeof ChannelNames[c]);

    const std::int64_t count = std::int64_t{head.mx} * head.my;
    const std::int64_t size = file.Size();
    if (size < 0 || size - std::int64_t{sizeof head} < 2 * count)
        return fmtErrorRead;
    std::int32_t* values = arrays->AllocValues(c, count);
    if (!values)
        return fmtErrorMemory;
    if (!samples::Read16<std::int16_t>(file, values, count))
        return fmtErrorRead;

    channels->Include(c);
    return fmtOk;
}

std::int32_t Save(const char* path, TChannelHeader* const* headers, TFormatArrays* arrays,
                  ChannelSet* channels)
{
    const int c = NextChannel(NoChannel, *channels);
    if (c == NoChannel)
        return fmtNoChannel;
    const TChannelHeader* h = headers ? headers[c] : nullptr;
    if (!h)
        return fmtErrorMemory;
    const std::int64_t count = std::int64_t{h->Width} * h->Height;
    const std::int32_t* values = arrays ? arrays->Values[c] : nullptr;
    if (count > 0 && !values)
        return fmtErrorMemory;

    if (!samples::Offset16(values, count, samples::Reading16::LowBits))
        return fmtErrorRange;

    SPMHEAD head;
    std::memset(&head, 0, sizeof head);
    head.FormatWord = 0;
    head.mx = static_cast<std::int16_t>(h->Width);
    head.my = static_cast<std::int16_t>(h->Height);
    head.Kx = h->XStep;
    head.Ky = h->YStep;
    head.Kz = h->ZScale;
    std::memcpy(head.ZUnit, h->ZUnit, 4);
    std::memcpy(head.XYUnit, h->XYUnit, 4);

    platform::File file;
    if (!file.Open(path, platform::File::Mode::CreateReplace))
        return fmtErrorCreate;
    if (!file.Write(&head, sizeof head))
        return fmtErrorWrite;
    if (!samples::Write16(file, values, count, 0))
        return fmtErrorWrite;
    if (!file.Close())
        return fmtErrorWrite;
    return fmtOk;
}

} // namespace

//! Reads the 512-byte header into the file header (FormatVersion 0, Width, Height, mask 1);
//! the available set is {100}, names[0] the name of slot 0.
std::int32_t GetSPM0FileInfo(const char* path, ChannelSet* available, TFileHeader* header,
                             TChannelNameTable* names)
{
    return GuardStatus(fmtErrorRead, [&] { return GetInfo(path, available, header, names); });
}

//! Loads the file's matrix into the first requested channel (samples sign-extended);
//! 1 when the set names no channel, -6 when a channel 1 to 19 is not width × height.
std::int32_t LoadSPM0File(const char* path, std::int32_t width, std::int32_t height,
                          TChannelHeader* const* headers, TFormatArrays* arrays,
                          ChannelSet* channels)
{
    return GuardStatus(fmtErrorRead, [&] { return Load(path, width, height, headers, arrays, channels); });
}

//! Writes the first channel of the set: the header from its channel header and the low
//! 16 bits of each value; 1 when the set names no channel; -8, and no file touched, when
//! neither a signed nor an unsigned reading of the samples could give the values back.
std::int32_t SaveSPM0File(const char* path, TFileHeader*, TChannelHeader* const* headers,
                          TFormatArrays* arrays, ChannelSet* channels)
{
    return GuardStatus(fmtErrorWrite, [&] { return Save(path, headers, arrays, channels); });
}
