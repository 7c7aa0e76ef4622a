#pragma once
// Sweeps for Kwt's tests: a host in memory whose channel 3 holds rows of frequency sweeps
// with their peaks where the test puts them, and channel 4 a phase of the same size.

#include <QMdiArea>
#include <cstdint>
#include <vector>

#include "plugins/FakePlugInHost.h"

namespace kwttest {

//! `peaks.size()` sweeps of `width` points, 50 Hz and 2.5 nm apart: a flat 10 with a peak
//! of 1000 + s at peaks[s] flanked by 800 on either side; the phase -300 + s at the peak.
inline void Sweeps(plugintest::FakePlugInHost& host, int width, const std::vector<int>& peaks,
                   bool phase = true)
{
    const int rows = static_cast<int>(peaks.size());
    plugintest::FakeChannel& a = host.Channels[3];
    a = plugintest::FakeChannel{};
    a.Width = width;
    a.Height = rows;
    a.XStep = 50;
    a.YStep = 2.5;
    a.ZScale = 0.5;
    a.Values.assign(static_cast<std::size_t>(width) * rows, 10);
    for (int s = 0; s < rows; ++s) {
        const std::size_t at =
            static_cast<std::size_t>(s) * width + peaks[static_cast<std::size_t>(s)];
        a.Values[at] = 1000 + s;
        if (peaks[static_cast<std::size_t>(s)] > 0)
            a.Values[at - 1] = 800;
        if (peaks[static_cast<std::size_t>(s)] + 1 < width)
            a.Values[at + 1] = 800;
    }
    host.Channels.erase(4);
    if (!phase)
        return;
    plugintest::FakeChannel& p = host.Channels[4];
    p = a;
    p.ZScale = 0.1;
    std::fill(p.Values.begin(), p.Values.end(), 0);
    for (int s = 0; s < rows; ++s)
        p.Values[static_cast<std::size_t>(s) * width + peaks[static_cast<std::size_t>(s)]] =
            -300 + s;
}

} // namespace kwttest
