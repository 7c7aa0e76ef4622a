#pragma once
// The tables the format tests and fuzz targets hand to format functions.

#include <cstdint>
#include <vector>

#include "data/Fileformat.h"

namespace formattables {

//! The members of a set, for readable comparisons.
inline std::vector<int> Members(const ChannelSet& set)
{
    std::vector<int> m;
    for (int n = 0; n <= MarkersChannel; ++n)
        if (set.Contains(n))
            m.push_back(n);
    return m;
}

//! 30 zeroed channel headers and the arrays a loader fills or a writer reads.
struct Tables {
    TChannelHeaders tables;
    TChannelHeader (&headers)[ChannelCount] = tables.Headers;
    TChannelHeader** table = tables.Table;
    TFormatArrays arrays;

    std::int64_t Samples(int c) const { return std::int64_t{headers[c].Width} * headers[c].Height; }
    std::vector<std::int32_t> Values(int c) const
    {
        return {arrays.Values[c], arrays.Values[c] + Samples(c)};
    }
    std::vector<MarkerRecord> Markers(int c) const
    {
        return {arrays.Markers[c], arrays.Markers[c] + arrays.Counts[c]};
    }
};

}  // namespace formattables
