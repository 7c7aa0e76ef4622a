#pragma once
// The data set the benchmarks open and swap: 4 channels of 4096 × 4096, fixed seed.

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "data/Fileformat.h"
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

//! Writes MakeSet's data set as an SPM1 file `name` in the scratch folder; its path.
std::string WriteSpm1File(const std::string& name);

}  // namespace benchdata
