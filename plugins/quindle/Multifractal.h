#pragma once
// The multifractal dimension of one channel, and the texts of its result.
//
// The channel's raw values become levels 0..255 (NormaliseLevels). Around the mean level
// a band of levels is analysed: for each level a, the cells of four neighbouring points
// with three or four corners at or above a give the area S of the part of the surface at
// or above a, and the cells' edges at exactly a give its perimeter L (ClusterAreaPerimeter).
// The ratios ln S / ln L of the band give the dimension D (ComputeLevelRatios).
//
// Everything here is plain code without a window: the plug-in's worker runs it behind its
// progress dialog, and the tests run it directly.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Progress.h"
#include "platform/core/UnsetVector.h"

namespace quindle {

//! Levels run from 0 (the channel's minimum) to 255 (its maximum).
inline constexpr int LevelCount = 256;
//! The area-perimeter table has an entry for the levels 0..254; the maximum has none.
inline constexpr int TableSize = 255;

//! The levels of a channel: Height rows of Width levels, with their statistics.
struct TLevels {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t Minimum = 0;  //!< raw minimum of the channel
    std::int32_t Maximum = 0;  //!< raw maximum of the channel
    platform::TUnsetVector<std::uint8_t> Level;  //!< point (x, y) at y * Width + x
    std::int32_t Mean = 0;  //!< mean level, truncated
    float Sigma = 0;        //!< standard deviation of the levels
    std::int32_t R = 0;     //!< integer part of Sigma

    int At(int x, int y) const { return Level[static_cast<std::size_t>(y) * Width + x]; }
};

enum class TLevelsStatus {
    Ok,
    NoData,  //!< no matrix, or no point in it
    Flat,    //!< every point has the same value
};

//! Turns the channel's raw values (Height rows of Width values, point (x, y) at
//! y * width + x) into levels: level = ((v - minimum) * 255) / (maximum - minimum), the
//! quotient truncated, so that the minimum gets 0 and the maximum 255. The mean level and
//! sigma follow from 64-bit sums, as integer divisions by the number of points. Works on
//! up to `threads` threads (0: one per core) with the same result. Nothing is kept unless
//! the answer is Ok.
TLevelsStatus NormaliseLevels(const std::int32_t* data, std::int32_t width, std::int32_t height,
                              TLevels& levels, unsigned threads = 0);
//! The level of one raw value, in 64-bit integers (the plain form of the conversion that
//! NormaliseLevels makes; `maximum` above `minimum`).
int LevelOf(std::int32_t value, std::int32_t minimum, std::int32_t maximum);

//! The analysed levels, mean - r .. mean + r kept within 0..254, and the divisor of the
//! ratio sum: 2r, whether the band was cut or not.
struct TBand {
    int Low = 0;
    int High = -1;
    int Divisor = 0;
};
TBand AnalysedBand(const TLevels& levels);

//! What one level's area and perimeter are made of: the cells with four and with three
//! corners at or above the level, and the X and Y steps of the perimeter (edges of
//! two-corner cells and of the borders whose two points lie exactly at the level).
struct TLevelCounts {
    std::int64_t Full = 0;
    std::int64_t Three = 0;
    std::int64_t EdgesX = 0;
    std::int64_t EdgesY = 0;

    bool operator==(const TLevelCounts&) const = default;
};
using TCountTable = std::array<TLevelCounts, TableSize>;

//! The counts of one level 0..254, visiting every cell for that level (the plain form).
TLevelCounts CountLevel(const TLevels& levels, int level);
//! The counts of every level 0..254 in one pass over the cells, on up to `threads`
//! threads (0: one per core). Equal to CountLevel of each level, whatever the threads.
TCountTable CountAllLevels(const TLevels& levels, unsigned threads = 0);

//! Area S (square nanometres) and perimeter L (nanometres) of one level.
struct TAreaPerimeter {
    float S = 0;
    float L = 0;
};
//! S = |full cells * dx * dy + three-corner cells * dx * dy / 2| and L = |edges along X *
//! dx + edges along Y * dy + three-corner cells * sqrt(dx^2 + dy^2)|, summed in doubles.
TAreaPerimeter AreaPerimeter(const TLevelCounts& counts, float dx, float dy);
//! The area and perimeter of one level 0..254 with the X step dx and the Y step dy (nm).
TAreaPerimeter ClusterAreaPerimeter(const TLevels& levels, int level, float dx, float dy);

//! ln S / ln L, or 0 when S or L is 0 or ln L is 0 (L of exactly 1 nm).
float LevelRatio(const TAreaPerimeter& level);

//! The result of the analysis.
struct TDimension {
    TBand Band;
    std::array<TAreaPerimeter, TableSize> Table{};
    std::array<float, TableSize> Ratio{};
    double RatioSum = 0;  //!< the band's ratios summed and divided by 2r
    float D = 0;          //!< 2 / RatioSum + 1

    //! False when the ratio sum is 0 or D is not finite: the dimension cannot be computed.
    bool Defined() const;
};

//! The analysis behind the progress dialog: for each level of the band, from the lowest,
//! it polls for a stop (and returns false at once when asked), computes the level's area,
//! perimeter and ratio, and moves the progress to the level. Then, unless a stop is asked,
//! it sums the ratios and computes D. The levels must have come from NormaliseLevels.
bool ComputeLevelRatios(const TLevels& levels, float dx, float dy, platform::IProgress& progress,
                        TDimension& result, unsigned threads = 0);

//! A point of the result's plot.
struct TPlotPoint {
    double X = 0;
    double Y = 0;
};
//! The plot of a defined result. Points: with k = (D - 1) / 2, each level of the band gives
//! (k ln(S / 10^6), ln(L / 1000)) (square micrometres and micrometres), in level order,
//! leaving out points that are not finite. The ideal line: from the highest level's point
//! to (X of the lowest level, Y of the highest + k X(lowest) slope), where slope is the
//! largest Y over the largest X among the finite values; no line when the slope is not
//! finite, and neither of its points when it is not finite.
struct TPlot {
    std::vector<TPlotPoint> Points;
    std::vector<TPlotPoint> IdealLine;
};
TPlot PlotPoints(const TDimension& result);

//! " Multifractal dimension D = " with D in the fixed format (precision 5, 2 decimals).
std::string DimensionCaption(float d);

//! What the text report states.
struct TReport {
    std::int32_t Height = 0;
    std::int32_t Width = 0;
    float XStep = 0;
    float YStep = 0;
    std::string XYUnit;  //!< the channel's 8-bit unit text, written as it is
    float D = 0;
};
//! The report's bytes: eight lines, each ending with "\n".
std::string ReportText(const TReport& report);
//! Appends the report to a file, creating it when missing; false when it cannot be
//! opened or written.
bool AppendReport(const std::string& path, const TReport& report);
//! The name with `extension` (".bmp") appended when its last part has no '.'.
std::string WithDefaultExtension(const std::string& name, const std::string& extension);

}  // namespace quindle
