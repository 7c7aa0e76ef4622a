// Feeds arbitrary bytes to the SPM0 reader: info, then the load of channel 0; a file that
// loads is written again and must read back with the same header and values.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "data/Spm0format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::MemoryFile input("spm0-in");
    static fuzzsupport::MemoryFile output("spm0-out");
    input.Fill(data, size);

    ChannelSet available;
    TFileHeader header{};
    TChannelNameTable names{};
    if (GetSPM0FileInfo(input.Path(), &available, &header, &names) != fmtOk)
        return 0;
    // The one matrix of unstated kind is channel 0.
    ChannelSet channels{0, MarkersChannel};
    fuzzsupport::Tables t;
    if (LoadSPM0File(input.Path(), header.Width, header.Height, t.table, &t.arrays, &channels) !=
        fmtOk)
        return 0;
    fuzzsupport::CheckDelivered(t, channels);
    if (channels.Contains(MarkersChannel) || !channels.Contains(0))
        __builtin_trap();

    if (SaveSPM0File(output.Path(), &header, t.table, &t.arrays, &channels) != fmtOk)
        __builtin_trap();
    fuzzsupport::Tables back;
    ChannelSet again{0};
    if (LoadSPM0File(output.Path(), header.Width, header.Height, back.table, &back.arrays,
                     &again) != fmtOk)
        __builtin_trap();
    // The comment and the fifth character of the XY unit are not written; everything else
    // of the header comes back.
    t.headers[0].Comment[0] = t.headers[0].Comment[1] = 0;
    t.headers[0].XYUnit[4] = 0;
    fuzzsupport::CheckSame(t, back, ChannelSet{0}, false);
    return 0;
}
