#include "processing/PaletteEdit.h"

#include <cmath>
#include <cstddef>

namespace processing {

double PaletteRow(double position, int colourCount, int height)
{
    if (colourCount <= 0 || height <= 0)
        return 0.0;
    const double k = double(colourCount) / height;
    return height - position / k;
}

std::int32_t PalettePosition(int y, int colourCount, int height)
{
    if (colourCount <= 0 || height <= 0)
        return 0;
    const double k = double(colourCount) / height;
    return std::int32_t(double(height - y) * k);
}

void PopulatedBins(const std::vector<std::uint32_t>& counts, std::uint32_t largest, int& lo, int& hi)
{
    const int bins = int(counts.size());
    const std::uint32_t t = std::uint32_t(double(largest) * 0.05);
    lo = bins;
    for (int j = 0; j < bins; ++j)
        if (counts[std::size_t(j)] > t) {
            lo = j;
            break;
        }
    hi = 0;
    for (int j = bins - 1; j >= 1; --j)
        if (counts[std::size_t(j)] > t) {
            hi = j;
            break;
        }
}

bool CutMarkers(const std::vector<std::uint32_t>& counts, std::uint32_t largest, double binWidth,
                double rawPerColour, std::vector<std::int32_t>& positions)
{
    if (positions.empty() || !(rawPerColour > 0))
        return false;
    int lo = 0, hi = 0;
    PopulatedBins(counts, largest, lo, hi);
    const std::int64_t a = std::int64_t(positions.front() * rawPerColour);
    const std::int64_t b = std::int64_t(positions.back() * rawPerColour);
    if (b == a)
        return false;
    const std::int64_t low = std::int64_t(lo * binWidth);
    const std::int64_t high = std::int64_t(hi * binWidth);
    const double s = double(high - low) / double(b - a);
    if (lo < hi)
        for (std::int32_t& p : positions) {
            const double raw = std::trunc((p * rawPerColour - double(a)) * s + double(low));
            p = std::int32_t(std::trunc(raw / rawPerColour));
        }
    return true;
}

}  // namespace processing
