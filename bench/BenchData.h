#pragma once
// The data the benchmarks open, swap and show: 4 channels of 4096 × 4096, and a step of one
// rough channel; fixed seeds.

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "data/Fileformat.h"
#include "data/ObjectSPM.h"
#include "data/Surfacedata.h"

namespace benchdata {

constexpr int Side = 4096;
constexpr int Channels = 4;
constexpr std::int64_t DataSetBytes = std::int64_t{Channels} * Side * Side * 4;

//! A set of Channels channels of Side × Side with values in the 16-bit range.
inline std::unique_ptr<TSurfaceData> MakeSet(const std::string& source)
{
    auto data = std::make_unique<TSurfaceData>(source);
    data->Header.FormatVersion = 1;
    data->Header.Width = Side;
    data->Header.Height = Side;
    std::mt19937 rng(12345);
    for (int c = 0; c < Channels; ++c) {
        auto ch = std::make_unique<TSPMData>(Side, Side, c);
        ch->Header.XStep = ch->Header.YStep = 1.0f;
        ch->Header.ZScale = 0.1f;
        ch->Lock();
        std::int32_t* v = ch->GetData();
        for (std::int64_t i = 0; i < std::int64_t{Side} * Side; ++i)
            v[i] = static_cast<std::int32_t>(rng() % 60000) - 30000;
        ch->Unlock();
        ch->ComputeRange();
        ch->DefaultPalette();
        data->Channels[c] = std::move(ch);
        data->Present.Include(c);
    }
    return data;
}

//! A step with one side × side channel 0 of a rough surface (fixed seed), 1000 colours.
inline std::unique_ptr<TObjectSPM> MakeStep(int side)
{
    auto data = std::make_unique<TSurfaceData>("bench.spm");
    data->Header.FormatVersion = 1;
    data->Header.Width = static_cast<std::uint16_t>(side);
    data->Header.Height = static_cast<std::uint16_t>(side);
    auto ch = std::make_unique<TSPMData>(side, side, 0);
    ch->Header.XStep = ch->Header.YStep = 10.0f;
    ch->Header.ZScale = 0.1f;
    std::mt19937 rng(12345);
    ch->Lock();
    std::int32_t* v = ch->GetData();
    for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c)
            v[std::size_t(r) * side + c] =
                (r * 13 + c * 7) % 20000 + static_cast<std::int32_t>(rng() % 5000);
    ch->Unlock();
    ch->ComputeRange();
    ch->DefaultPalette();
    data->Channels[0] = std::move(ch);
    data->Present.Include(0);
    data->ChannelList.push_back({"Topography", {"bench.spm", 0, 1}});
    return std::make_unique<TObjectSPM>(nullptr, std::move(data));
}

//! Writes MakeSet's data set as an SPM1 file `name` in the scratch folder; its path.
std::string WriteSpm1File(const std::string& name);

//! A new data set with the info and every channel of the SPM1 file at `path`, as opening
//! it reads them; null when either read fails.
std::unique_ptr<TSurfaceData> LoadSpm1File(const std::string& path);

}  // namespace benchdata
