#pragma once
// Channels for Quindle's tests, and the dimension computed independently of the plug-in's
// code: straight from the algorithm's statement, level by level and cell by cell, in
// doubles.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace quindletest {

//! A channel of width x height raw values: waves with a fixed pseudo-random noise, so that
//! every level band has areas, perimeters and plenty of equal neighbours.
inline std::vector<std::int32_t> Surface(int width, int height, std::uint32_t seed = 12345)
{
    std::vector<std::int32_t> values(static_cast<std::size_t>(width) * height);
    std::uint32_t state = seed;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>(state >> 25) - 64;
            const double wave = 1000 * std::sin(0.37 * x) * std::cos(0.23 * y) + 300 * std::sin(0.11 * (x + 2 * y));
            values[static_cast<std::size_t>(y) * width + x] = static_cast<std::int32_t>(std::lround(wave)) + noise;
        }
    return values;
}

struct Reference {
    int Mean = 0;
    int R = 0;
    int Low = 0;
    int High = 0;
    std::vector<double> S;      //!< per level 0..254
    std::vector<double> L;
    std::vector<double> Ratio;
    double D = 0;
};

//! The dimension as the algorithm states it, with every sum in doubles.
inline Reference ReferenceDimension(const std::vector<std::int32_t>& v, int w, int h, double dx, double dy)
{
    Reference ref;
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    std::vector<int> lev(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        lev[i] = static_cast<int>((std::int64_t(v[i]) - *lo) * 255 / (std::int64_t(*hi) - *lo));
    const std::int64_t n = static_cast<std::int64_t>(v.size());
    std::int64_t sum = 0;
    for (int l : lev)
        sum += l;
    ref.Mean = static_cast<int>(sum / n);
    std::int64_t dev = 0;
    for (int l : lev)
        dev += std::int64_t(l - ref.Mean) * (l - ref.Mean);
    ref.R = static_cast<int>(std::sqrt(static_cast<double>(dev / n)));
    ref.Low = std::max(0, ref.Mean - ref.R);
    ref.High = std::min(254, ref.Mean + ref.R);
    auto at = [&](int x, int y) { return lev[static_cast<std::size_t>(y) * w + x]; };
    ref.S.assign(255, 0);
    ref.L.assign(255, 0);
    ref.Ratio.assign(255, 0);
    double ratios = 0;
    for (int a = ref.Low; a <= ref.High; ++a) {
        double s = 0;
        double l = 0;
        for (int y = 0; y + 1 < h; ++y)
            for (int x = 0; x + 1 < w; ++x) {
                const int p = at(x, y), q = at(x + 1, y), r = at(x, y + 1), t = at(x + 1, y + 1);
                const int k = (p >= a) + (q >= a) + (r >= a) + (t >= a);
                if (k == 2) {
                    if ((p == a && q == a) || (r == a && t == a))
                        l += dx;
                    if ((p == a && r == a) || (q == a && t == a))
                        l += dy;
                } else if (k == 3) {
                    s += dx * dy * 0.5;
                    l += std::sqrt(dx * dx + dy * dy);
                } else if (k == 4) {
                    s += dx * dy;
                }
            }
        for (int x = 0; x + 1 < w; ++x) {
            l += (at(x, 0) == a && at(x + 1, 0) == a) ? dx : 0;
            l += (at(x, h - 1) == a && at(x + 1, h - 1) == a) ? dx : 0;
        }
        for (int y = 0; y + 1 < h; ++y) {
            l += (at(0, y) == a && at(0, y + 1) == a) ? dy : 0;
            l += (at(w - 1, y) == a && at(w - 1, y + 1) == a) ? dy : 0;
        }
        ref.S[a] = s;
        ref.L[a] = l;
        ref.Ratio[a] = (s == 0 || l == 0 || std::log(l) == 0) ? 0 : std::log(s) / std::log(l);
        ratios += ref.Ratio[a];
    }
    ref.D = 2 / (ratios / (2 * ref.R)) + 1;
    return ref;
}

}  // namespace quindletest
