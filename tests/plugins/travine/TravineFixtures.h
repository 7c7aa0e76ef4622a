#pragma once
// What Travine's tests share: a recorder of the components' messages, components filled
// from a table of values, and the program's own SPM0 reader and writer called on a file.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "data/FormatTables.h"
#include "data/Spm0format.h"
#include "plugins/travine/Dataspm16.h"

namespace travinetest {

//! Records what a component beeped and showed.
class Notices : public travine::IDataspmNotices {
public:
    struct Shown {
        std::string Text;
        std::string Caption;
        bool Hand;
    };
    void Beep() override { ++Beeps; }
    void Message(const std::string& text, const std::string& caption, bool hand) override
    {
        Messages.push_back({text, caption, hand});
    }
    int Beeps = 0;
    std::vector<Shown> Messages;
};

//! A component of mx x my holding the values (row after row).
template <typename Component>
void Fill(Component& c, int mx, int my, const std::vector<typename Component::TSample>& values)
{
    c.Setmx(static_cast<typename Component::TSample>(mx));
    c.Setmy(static_cast<typename Component::TSample>(my));
    EXPECT_TRUE(c.SetDataBlock());
    for (int y = 0; y < my; ++y)
        for (int x = 0; x < mx; ++x)
            c.AddDataToMatrix(values[static_cast<std::size_t>(y * mx + x)], x, y, travine::sd0);
}

//! A TDataspm16 of mx x my holding the values, with their mean.
inline void Fill16(travine::TDataspm16& c, int mx, int my, const std::vector<std::uint16_t>& values)
{
    Fill(c, mx, my, values);
    c.SetMean(c.ValuesMean());
}

//! The program's SPM0 reader on a file: channel 0's header and values (status in `status`).
struct ProgramRead {
    formattables::Tables t;
    std::int32_t Status = 0;
    const TChannelHeader& Header() const { return t.headers[0]; }
    std::vector<std::int32_t> Values() const { return t.Values(0); }
};

inline void ReadWithProgram(const std::string& path, ProgramRead& read)
{
    ChannelSet available;
    TFileHeader header{};
    TChannelNameTable names{};
    read.Status = GetSPM0FileInfo(path.c_str(), &available, &header, &names);
    if (read.Status != fmtOk)
        return;
    ChannelSet channels{0};
    read.Status = LoadSPM0File(path.c_str(), header.Width, header.Height, read.t.table,
                               &read.t.arrays, &channels);
}

} // namespace travinetest

#include <QApplication>

#include "plugins/FakePlugInHost.h"

namespace travinetest {

//! A host whose object 0 holds channels 0 and 1 of mx x my: forward raw values
//! f(x, y) = base + 7 x + 100 y and backward ones the same pattern shifted by one column,
//! both with their minimum at (0, 0).
inline void TwoImages(plugintest::FakePlugInHost& host, int mx, int my, std::int32_t base = -500)
{
    for (int c = 0; c < 2; ++c) {
        plugintest::FakeChannel& ch = host.Channels[c];
        ch = plugintest::FakeChannel{};
        ch.Width = mx;
        ch.Height = my;
        ch.XStep = 1.5;
        ch.YStep = 2.5;
        ch.ZScale = 0.25;
        ch.Values.resize(static_cast<std::size_t>(mx) * my);
        for (int y = 0; y < my; ++y)
            for (int x = 0; x < mx; ++x)
                ch.Values[static_cast<std::size_t>(y) * mx + x] =
                    base + 7 * (c == 0 ? x : (x + 1) % mx) + 100 * y;
    }
    host.AllowNewStep = true;
}

//! The raw values of a channel shifted to a minimum of 0, as the plug-in takes them in.
inline std::vector<std::int32_t> Shifted(const plugintest::FakeChannel& ch)
{
    const std::int32_t lo = *std::min_element(ch.Values.begin(), ch.Values.end());
    std::vector<std::int32_t> v;
    for (std::int32_t r : ch.Values)
        v.push_back(r - lo);
    return v;
}

//! A component's values as raw channel values.
inline std::vector<std::int32_t> Raw(const travine::TDataspm16& c)
{
    return {c.Block().begin(), c.Block().end()};
}

} // namespace travinetest
