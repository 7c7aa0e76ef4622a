#pragma once
// Data sets built in memory for the data tests.

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "data/Surfacedata.h"

namespace datafixtures {

using Fill = std::function<std::int32_t(int row, int col)>;

// Puts a channel of the given size with values from `fill` into a slot of the set.
inline TSPMData* AddChannel(TSurfaceData& data, int slot, int width, int height, const Fill& fill)
{
    auto ch = std::make_unique<TSPMData>(width, height, slot);
    ch->SourceFile = "src.spm";
    std::memcpy(ch->Header.Name, ChannelNames[slot], sizeof ch->Header.Name);
    ch->Header.XStep = 2.5f;
    ch->Header.YStep = 3.5f;
    ch->Header.ZScale = 0.5f;
    std::strcpy(ch->Header.XYUnit, "nm");
    ch->Lock();
    std::int32_t* v = ch->GetData();
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            v[std::size_t(r) * width + c] = fill(r, c);
    ch->Unlock();
    ch->ComputeRange();
    ch->DefaultPalette();
    ch->ComputeStatistics();
    data.Present.Include(slot);
    data.Available.Include(slot);
    data.ChannelList.push_back({ch->Name, {"src.spm", static_cast<std::int8_t>(slot), 1}});
    data.Channels[slot] = std::move(ch);
    return data.Channels[slot].get();
}

inline std::vector<std::int32_t> Values(TSPMData& ch)
{
    ch.Lock();
    const std::int32_t* p = ch.GetData();
    std::vector<std::int32_t> v(p, p + ch.SampleCount());
    ch.Unlock();
    return v;
}

// A set of 8 × 6 with channels 0 and 2 and a 5 × 3 user channel 20.
inline std::unique_ptr<TSurfaceData> SmallSet()
{
    auto data = std::make_unique<TSurfaceData>("src.spm");
    data->Header.FormatVersion = 1;
    data->Header.Width = 8;
    data->Header.Height = 6;
    std::memcpy(data->Header.Reserved2, "carried", 7);
    AddChannel(*data, 0, 8, 6, [](int r, int c) { return r * 100 + c; });
    // Values far outside 16 bits must survive a swap cycle.
    AddChannel(*data, 2, 8, 6, [](int r, int c) { return (r - 3) * 700000000 + c; });
    AddChannel(*data, 20, 5, 3, [](int r, int c) { return -r * c; });
    return data;
}

// SmallSet with channel 2 of (r - 3) × 7000 + c: every channel fits the 16-bit samples
// of SPM0 and SPM1 files, so that the set can be saved in either.
inline std::unique_ptr<TSurfaceData> SmallFileSet()
{
    auto data = SmallSet();
    AddChannel(*data, 2, 8, 6, [](int r, int c) { return (r - 3) * 7000 + c; });
    data->ChannelList.pop_back();  // the second entry of channel 2
    return data;
}

}  // namespace datafixtures
