// Feeds arbitrary bytes to the SPM1 reader and to the swap-file reader (same layout,
// 32-bit samples). A file that loads is written again in both layouts and must read back
// with the same headers, values and markers.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "data/Spm1format.h"

namespace {

// Writes what `t` holds with `save` and checks that `load` gives it back unchanged.
void RoundTrip(const fuzzsupport::Tables& t, TFileHeader header, ChannelSet channels,
               TSaveProc save, TLoadProc load, fuzzsupport::MemoryFile& file)
{
    // Only what was delivered is written.
    fuzzsupport::Tables copy;
    for (int c = 0; c < ChannelCount; ++c) {
        copy.headers[c] = t.headers[c];
        copy.arrays.Values[c] = t.arrays.Values[c];
        copy.arrays.Counts[c] = t.arrays.Counts[c];
        copy.arrays.Markers[c] = t.arrays.Markers[c];
    }
    if (save(file.Path(), &header, copy.table, &copy.arrays, &channels) != fmtOk)
        __builtin_trap();
    fuzzsupport::Tables back;
    ChannelSet again = channels;
    if (load(file.Path(), header.Width, header.Height, back.table, &back.arrays, &again) != fmtOk)
        __builtin_trap();
    if (!(again == channels))
        __builtin_trap();
    fuzzsupport::CheckSame(t, back, channels, channels.Contains(MarkersChannel));
}

void LoadAndCheck(const char* path, const TFileHeader& header, const ChannelSet& available,
                  TLoadProc load, fuzzsupport::MemoryFile& out)
{
    fuzzsupport::Tables t;
    ChannelSet channels = available;
    if (load(path, header.Width, header.Height, t.table, &t.arrays, &channels) != fmtOk)
        return;
    fuzzsupport::CheckDelivered(t, channels);
    RoundTrip(t, header, channels, SaveSwapFile, LoadSwapFile, out);
    // 16-bit samples within -32768..32767 are stored without an offset.
    if (load == LoadSPM1File)
        RoundTrip(t, header, channels, SaveSPM1File, LoadSPM1File, out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::MemoryFile input("spm1-in");
    static fuzzsupport::MemoryFile output("spm1-out");
    input.Fill(data, size);

    ChannelSet available;
    TFileHeader header{};
    TChannelNameTable names{};
    if (GetSPM1FileInfo(input.Path(), &available, &header, &names) != fmtOk)
        return 0;
    for (int c = 0; c < ChannelCount; ++c)
        if (std::memchr(names[c], 0, sizeof names[c]) == nullptr)
            __builtin_trap();
    LoadAndCheck(input.Path(), header, available, LoadSPM1File, output);
    LoadAndCheck(input.Path(), header, available, LoadSwapFile, output);
    return 0;
}
