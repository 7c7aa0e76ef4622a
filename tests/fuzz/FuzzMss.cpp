// Feeds arbitrary bytes to the MSS reader: info, then the load of both channels.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "data/Mssformat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::MemoryFile input("mss-in");
    input.Fill(data, size);

    ChannelSet available;
    TFileHeader header{};
    TChannelNameTable names{};
    if (GetMSSFileInfo(input.Path(), &available, &header, &names) != fmtOk)
        return 0;
    ChannelSet channels = available;
    channels.Include(MarkersChannel);
    fuzzsupport::Tables t;
    if (LoadMSSFile(input.Path(), header.Width, header.Height, t.table, &t.arrays, &channels) !=
        fmtOk)
        return 0;
    fuzzsupport::CheckDelivered(t, channels);
    if (channels.Contains(MarkersChannel) || !channels.Contains(0) || !channels.Contains(4))
        __builtin_trap();
    for (int c : {0, 4})
        for (std::int64_t k = 0; k < t.Samples(c); ++k)
            if (t.arrays.Values[c][k] < 0 || t.arrays.Values[c][k] > 65535)
                __builtin_trap();
    return 0;
}
