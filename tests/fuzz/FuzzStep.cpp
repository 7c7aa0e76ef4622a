// Opens arbitrary bytes into a step as each built-in format, as the open command does
// without its windows: the format, the channels' markers, palettes, ranges and statistics.
// A step that opens must hold consistent channels; its data set is swapped out and in and
// saved and opened again, and must come back with the same markers.

#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "data/ObjectSPM.h"
#include "data/Options.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"

namespace {

// Answers every box with its first button and shows nothing.
class Silent : public platform::IMessageService {
public:
    platform::MessageResult Show(const std::string&, const std::string&, platform::MessageIcon,
                                 platform::MessageButtons buttons) override
    {
        return platform::FirstButton(buttons);
    }
};

using MarkerList = std::vector<MarkerRecord>;

// The markers by index; stops the run when the three lists disagree with each other, with
// the marker count or with their own links.
MarkerList MarkersOf(const TSPMData& ch)
{
    if (!ch.Markers || ch.Markers->GetCount() <= 0)
        __builtin_trap();
    const TPALETTEMARKER& m = *ch.Markers;
    for (const TPALETTE* list : {&m.Red, &m.Green, &m.Blue}) {
        std::int32_t n = 0;
        const TPALETTENODE* last = nullptr;
        for (const TPALETTENODE* node = list->Head; node; node = node->Next, ++n)
            last = node;
        if (n != m.Count || list->Count != m.Count || list->Tail != last)
            __builtin_trap();
    }
    MarkerList out(std::size_t(m.GetCount()));
    for (std::int32_t k = 0; k < m.GetCount(); ++k) {
        MarkerRecord& r = out[std::size_t(k)];
        std::int32_t p = 0, v = 0;
        if (!m.Get(k, r.Position, r.Red, r.Green, r.Blue) || !m.Green.Get(k, p, v) || p != r.Position ||
            !m.Blue.Get(k, p, v) || p != r.Position)
            __builtin_trap();
    }
    return out;
}

bool Same(const MarkerList& a, const MarkerList& b)
{
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(MarkerRecord)) == 0);
}

// Stops the run unless every present channel has its values, its range and a palette
// built from its markers.
void CheckChannels(TSurfaceData& data)
{
    if (!data.Channel(0))
        __builtin_trap();
    for (int c = 0; c < ChannelCount; ++c) {
        TSPMData* ch = data.Channel(c);
        if (!ch)
            continue;
        if (!data.Present.Contains(c) || ch->SwappedOut || !ch->Block ||
            ch->Block->Size() / 4 < std::size_t(ch->SampleCount()) || ch->SampleCount() <= 0)
            __builtin_trap();
        ch->Lock();
        const std::int32_t* v = ch->GetData();
        std::int32_t lo = v[0], hi = v[0];
        for (std::int64_t i = 1; i < ch->SampleCount(); ++i) {
            lo = std::min(lo, v[i]);
            hi = std::max(hi, v[i]);
        }
        ch->Unlock();
        // A range of exactly MaxColours gives one colour more.
        if (ch->Header.Min != lo || ch->Header.Max != hi || !ch->HasPalette || ch->PaletteStale ||
            !ch->PaletteTable || !ch->Palette || ch->ColourCount < 1 ||
            ch->ColourCount > ch->MaxColours + 1 || ch->PaletteTable->palNumEntries != ch->ColourCount ||
            ch->PaletteTable->palPalEntry.size() != std::size_t(ch->ColourCount) + 1)
            __builtin_trap();
        MarkersOf(*ch);
    }
}

std::vector<MarkerList> AllMarkers(TSurfaceData& data)
{
    std::vector<MarkerList> out(ChannelCount);
    for (int c = 0; c < ChannelCount; ++c)
        if (const TSPMData* ch = data.Channel(c))
            out[std::size_t(c)] = MarkersOf(*ch);
    return out;
}

struct Setup {
    Setup()
    {
        platform::SetMessageService(&silent);
        RegisterBuiltInFormats();
        // Swap files and saves go to memory where the system has a memory file system:
        // a save syncs its file before it commits it.
        char shm[] = "/dev/shm/morvane-fuzz-step-XXXXXX";
        char tmp[] = "/tmp/morvane-fuzz-step-XXXXXX";
        const char* made = mkdtemp(shm);
        if (!made)
            made = mkdtemp(tmp);
        if (!made)
            std::abort();
        folder = made;
        GlobalOptions.TempDir = folder + "/";
    }
    ~Setup() { ::rmdir(folder.c_str()); }
    Setup(const Setup&) = delete;
    Setup& operator=(const Setup&) = delete;
    Silent silent;
    std::string folder;
};

void OpenAs(int format, const char* path, const Setup& setup)
{
    auto step = std::make_unique<TObjectSPM>(nullptr, format, path);
    if (!step->SurfaceData)
        return;
    TSurfaceData& data = *step->SurfaceData;
    CheckChannels(data);
    const std::vector<MarkerList> markers = AllMarkers(data);

    // Out to the swap file and back.
    data.Release();
    if (!data.SwappedOut)
        __builtin_trap();
    data.Acquire();
    if (data.SwappedOut)
        __builtin_trap();
    CheckChannels(data);
    const std::vector<MarkerList> back = AllMarkers(data);
    for (int c = 0; c < ChannelCount; ++c)
        if (!Same(markers[std::size_t(c)], back[std::size_t(c)]))
            __builtin_trap();

    // Saved as SPM1 (when the values fit its samples) and opened again.
    const std::string saved = setup.folder + "/saved.spm";
    if (step->SaveToFile(saved, true) != fmtOk)
        return;
    auto again = std::make_unique<TObjectSPM>(nullptr, 1, saved);
    if (!again->SurfaceData)
        __builtin_trap();
    CheckChannels(*again->SurfaceData);
    const std::vector<MarkerList> reopened = AllMarkers(*again->SurfaceData);
    for (int c = 0; c < ChannelCount; ++c)
        if (!Same(markers[std::size_t(c)], reopened[std::size_t(c)]))
            __builtin_trap();
    platform::DeleteFile(saved);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    static fuzzsupport::MemoryFile input("step-in");
    input.Fill(data, size);
    for (int format = 0; format < 3; ++format)
        OpenAs(format, input.Path(), setup);
    return 0;
}
