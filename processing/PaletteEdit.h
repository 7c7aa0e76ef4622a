#pragma once
// The numerics of the palette-marker editor: where a palette position lies in a picture of
// the palette standing on its end, and the stretch of the markers onto the populated part
// of a channel's value range ("Cut 5%").

#include <cstdint>
#include <vector>

namespace processing {

//! The row (from the top, fractional) of palette position p in a picture `height` rows
//! high that shows colourCount entries from the bottom (0) to the top (colourCount):
//! height − p / (colourCount / height). 0 without colours.
double PaletteRow(double position, int colourCount, int height);

//! The palette position that row y shows: trunc((height − y) × colourCount / height).
std::int32_t PalettePosition(int y, int colourCount, int height);

//! The first bin whose count exceeds 5 % of the largest (`bins` when none) and the last
//! one from the top down to bin 1 (0 when none), in lo and hi.
void PopulatedBins(const std::vector<std::uint32_t>& counts, std::uint32_t largest, int& lo, int& hi);

//! Stretches the marker positions linearly so that the first lands at the lower edge of the
//! first populated bin and the last at the lower edge of the last populated bin (bins of
//! binWidth raw units; rawPerColour raw units per palette entry). False when the first and
//! the last marker stand for the same raw value, or rawPerColour is not positive: nothing
//! is then to be done. The positions change only when the populated bins lie apart
//! (lo < hi).
bool CutMarkers(const std::vector<std::uint32_t>& counts, std::uint32_t largest, double binWidth,
                double rawPerColour, std::vector<std::int32_t>& positions);

}  // namespace processing
