#include "Multifractal.h"

#include "platform/core/Files.h"
#include "platform/core/Kernels.h"
#include "platform/core/Parallel.h"
#include "platform/gui/Numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>

namespace quindle {

namespace {

// The passes over the channel and over the cells split the rows into bands of at least
// this many points, enough for a band to pay for handing it to one of the program's kept
// workers (platform::ParallelBands). The bands do not depend on the number of threads, and
// every band's share is a whole number added to the others, so the result is the same on
// any number of threads.
constexpr std::size_t BandPoints = std::size_t{1} << 16;

struct TBands {
    std::size_t Rows = 0;
    std::size_t Count = 1;

    std::size_t Begin(std::size_t band) const { return Rows * band / Count; }
    std::size_t End(std::size_t band) const { return Rows * (band + 1) / Count; }
};

TBands BandsOf(std::size_t rows, std::size_t pointsPerRow)
{
    const std::size_t rowsPerBand = std::max<std::size_t>(1, BandPoints / std::max<std::size_t>(1, pointsPerRow));
    return {rows, std::max<std::size_t>(1, rows / rowsPerBand)};
}

// The smallest and the largest of n > 0 values.
MORVANE_CLONES void RangeOf(const std::int32_t* __restrict v, std::size_t n, std::int32_t& low, std::int32_t& high)
{
    std::int32_t lo = v[0];
    std::int32_t hi = v[0];
    for (std::size_t i = 0; i < n; ++i) {
        lo = v[i] < lo ? v[i] : lo;
        hi = v[i] > hi ? v[i] : hi;
    }
    low = lo;
    high = hi;
}

// The level as (v - minimum) * (255 / range) in doubles: the error stays below 1e-13,
// while a quotient that is not a whole number lies at least 1 / range >= 2.3e-10 below the
// next one. Adding 2^-40 before truncating gives the integer quotient of LevelOf for every
// value, whole quotients included.
MORVANE_INLINE inline void ScaleToLevels(const std::int32_t* __restrict data, std::int32_t* __restrict levels,
                                         std::size_t n, double low, double scale)
{
    constexpr double Nudge = 1.0 / (1ull << 40);
    for (std::size_t k = 0; k < n; ++k)
        levels[k] = static_cast<std::int32_t>((double(data[k]) - low) * scale + Nudge);
}

// Levels of `n` values, with the sums of the levels and of their squares. Pieces of 1024
// points keep the sums in 32 bits (1024 * 255^2 < 2^31), and the loops simple enough for
// the compiler to turn them into vector code.
MORVANE_CLONES void LevelsOfPart(const std::int32_t* data, std::uint8_t* level, std::size_t n, double low,
                                 double scale, std::int64_t& sum, std::int64_t& squares)
{
    std::int32_t l[1024];
    sum = 0;
    squares = 0;
    for (std::size_t piece = 0; piece < n; piece += 1024) {
        const std::size_t m = std::min<std::size_t>(1024, n - piece);
        ScaleToLevels(data + piece, l, m, low, scale);
        std::int32_t pieceSum = 0;
        std::int32_t pieceSquares = 0;
        for (std::size_t k = 0; k < m; ++k) {
            level[piece + k] = static_cast<std::uint8_t>(l[k]);
            pieceSum += l[k];
            pieceSquares += l[k] * l[k];
        }
        sum += pieceSum;
        squares += pieceSquares;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Levels

int LevelOf(std::int32_t value, std::int32_t minimum, std::int32_t maximum)
{
    const std::int64_t range = std::int64_t(maximum) - minimum;
    return static_cast<int>((std::int64_t(value) - minimum) * 255 / range);
}

TLevelsStatus NormaliseLevels(const std::int32_t* data, std::int32_t width, std::int32_t height,
                              TLevels& levels, unsigned threads)
{
    if (!data || width <= 0 || height <= 0)
        return TLevelsStatus::NoData;
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t count = w * static_cast<std::size_t>(height);
    const TBands bands = BandsOf(static_cast<std::size_t>(height), w);

    std::vector<std::pair<std::int32_t, std::int32_t>> extremes(bands.Count);
    platform::ParallelBands(bands.Count, [&](std::size_t band) {
        const std::size_t begin = bands.Begin(band) * w;
        RangeOf(data + begin, bands.End(band) * w - begin, extremes[band].first, extremes[band].second);
    }, threads);
    std::int32_t minimum = extremes[0].first;
    std::int32_t maximum = extremes[0].second;
    for (const auto& [low, high] : extremes) {
        minimum = std::min(minimum, low);
        maximum = std::max(maximum, high);
    }
    if (minimum == maximum)
        return TLevelsStatus::Flat;

    TLevels out;
    out.Width = width;
    out.Height = height;
    out.Minimum = minimum;
    out.Maximum = maximum;
    out.Level.resize(count);
    const double low = minimum;
    const double scale = 255.0 / (double(maximum) - low);
    std::vector<std::pair<std::int64_t, std::int64_t>> sums(bands.Count);
    std::uint8_t* const level = out.Level.data();
    platform::ParallelBands(bands.Count, [&](std::size_t band) {
        const std::size_t begin = bands.Begin(band) * w;
        LevelsOfPart(data + begin, level + begin, bands.End(band) * w - begin, low, scale, sums[band].first,
                     sums[band].second);
    }, threads);
    std::int64_t sum = 0;
    std::int64_t square = 0;
    for (const auto& [s, q] : sums) {
        sum += s;
        square += q;
    }
    const auto n = static_cast<std::int64_t>(count);
    const std::int64_t mean = sum / n;
    // The sum of (level - mean)^2, exactly, from the sums of the levels and their squares.
    const std::int64_t deviations = square - 2 * mean * sum + n * mean * mean;
    out.Mean = static_cast<std::int32_t>(mean);
    out.Sigma = static_cast<float>(std::sqrt(static_cast<double>(deviations / n)));
    out.R = static_cast<std::int32_t>(out.Sigma);
    levels = std::move(out);
    return TLevelsStatus::Ok;
}

TBand AnalysedBand(const TLevels& levels)
{
    TBand band;
    band.Low = std::max(0, levels.Mean - levels.R);
    band.High = std::min(TableSize - 1, levels.Mean + levels.R);
    band.Divisor = 2 * levels.R;
    return band;
}

// ---------------------------------------------------------------------------------------
// Counting cells and edges

TLevelCounts CountLevel(const TLevels& levels, int a)
{
    TLevelCounts c;
    const int w = levels.Width;
    const int h = levels.Height;
    for (int y = 0; y + 1 < h; ++y) {
        for (int x = 0; x + 1 < w; ++x) {
            const int p = levels.At(x, y);
            const int q = levels.At(x + 1, y);
            const int r = levels.At(x, y + 1);
            const int t = levels.At(x + 1, y + 1);
            const int k = (p >= a) + (q >= a) + (r >= a) + (t >= a);
            if (k == 2) {
                if ((p == a && q == a) || (r == a && t == a))
                    ++c.EdgesX;
                if ((p == a && r == a) || (q == a && t == a))
                    ++c.EdgesY;
            } else if (k == 3) {
                ++c.Three;
            } else if (k == 4) {
                ++c.Full;
            }
        }
    }
    for (int x = 0; x + 1 < w; ++x) {
        if (levels.At(x, 0) == a && levels.At(x + 1, 0) == a)
            ++c.EdgesX;
        if (levels.At(x, h - 1) == a && levels.At(x + 1, h - 1) == a)
            ++c.EdgesX;
    }
    for (int y = 0; y + 1 < h; ++y) {
        if (levels.At(0, y) == a && levels.At(0, y + 1) == a)
            ++c.EdgesY;
        if (levels.At(w - 1, y) == a && levels.At(w - 1, y + 1) == a)
            ++c.EdgesY;
    }
    return c;
}


namespace {

// Per level value: cells whose smallest corner, and whose second smallest corner, has that
// level; and the X and Y edges that count at that level.
struct THistograms {
    std::array<std::int64_t, LevelCount> Smallest{};
    std::array<std::int64_t, LevelCount> Second{};
    std::array<std::int64_t, LevelCount> EdgesX{};
    std::array<std::int64_t, LevelCount> EdgesY{};

    void Add(const THistograms& other)
    {
        for (int v = 0; v < LevelCount; ++v) {
            Smallest[v] += other.Smallest[v];
            Second[v] += other.Second[v];
            EdgesX[v] += other.EdgesX[v];
            EdgesY[v] += other.EdgesY[v];
        }
    }
};

// A cell has at most one edge (see CellRow): its slot is the level of an X edge, LevelCount
// plus the level of a Y edge, or NoEdge.
constexpr int NoEdge = 2 * LevelCount;
static_assert(LevelCount == 256, "a slot is the level in its low byte and the kind in its high byte");

// The same counts in 32 bits, in four copies taken in turn along the row, so that
// neighbouring cells of one level, and the many cells without an edge, do not wait for
// each other's count.
struct TCounters {
    std::array<std::array<std::uint32_t, LevelCount>, 4> Smallest{};
    std::array<std::array<std::uint32_t, LevelCount>, 4> Second{};
    std::array<std::array<std::uint32_t, NoEdge + 1>, 4> Edges{};

    void MoveTo(THistograms& h)
    {
        for (int v = 0; v < LevelCount; ++v) {
            for (int k = 0; k < 4; ++k) {
                h.Smallest[v] += Smallest[k][v];
                h.Second[v] += Second[k][v];
                h.EdgesX[v] += Edges[k][v];
                h.EdgesY[v] += Edges[k][LevelCount + v];
            }
        }
        *this = TCounters{};
    }
};

// A cell has k corners at or above level a: four while a is at most its smallest corner,
// three or more while a is at most its second smallest. A cell adds an X edge at level a
// when it has exactly two corners at or above a and those are the two of its top or of its
// bottom side, both at exactly a: so only at the level of an equal side whose other side
// lies wholly below it. Likewise for Y edges with the left and right sides. Such a side
// lies above both corners of the opposite side, so the four cases exclude each other: a
// cell has one edge at most. The slot is built with masks, which vector code takes where
// it would not take branches. (Level 255 has no table entry: its edges are counted and
// never read.)
MORVANE_CLONES void CellRow(const std::uint8_t* __restrict top, const std::uint8_t* __restrict bottom,
                            std::size_t cells, std::uint8_t* __restrict smallest, std::uint8_t* __restrict second,
                            std::uint16_t* __restrict edge)
{
    for (std::size_t x = 0; x < cells; ++x) {
        const std::uint8_t p = top[x];
        const std::uint8_t q = top[x + 1];
        const std::uint8_t r = bottom[x];
        const std::uint8_t t = bottom[x + 1];
        const std::uint8_t lowTop = std::min(p, q);
        const std::uint8_t highTop = std::max(p, q);
        const std::uint8_t lowBottom = std::min(r, t);
        const std::uint8_t highBottom = std::max(r, t);
        smallest[x] = std::min(lowTop, lowBottom);
        second[x] = std::min(std::max(lowTop, lowBottom), std::min(highTop, highBottom));
        const std::uint8_t highLeft = std::max(p, r);
        const std::uint8_t highRight = std::max(q, t);
        // Masks of bytes, and the slot put together from the level and the kind (X, Y or
        // none) only at the end, so that the vector code works on bytes throughout.
        const auto topX = static_cast<std::uint8_t>(-static_cast<int>((p == q) & (highBottom < p)));
        const auto bottomX = static_cast<std::uint8_t>(-static_cast<int>((r == t) & (highTop < r)));
        const auto leftY = static_cast<std::uint8_t>(-static_cast<int>((p == r) & (highRight < p)));
        const auto rightY = static_cast<std::uint8_t>(-static_cast<int>((q == t) & (highLeft < q)));
        const auto level = static_cast<std::uint8_t>((p & (topX | leftY)) | (r & bottomX) | (q & rightY));
        const auto isY = static_cast<std::uint8_t>((leftY | rightY) & 1);
        const auto isNone = static_cast<std::uint8_t>(~(topX | bottomX | leftY | rightY) & 2);
        edge[x] = static_cast<std::uint16_t>(level | (isY | isNone) << 8);
    }
}

// Counts the cells of the rows firstRow..endRow-1 into h: one row of cells at a time, first
// the corner levels and edge slot of every cell (vector code), then the counts.
void CountCells(const TLevels& levels, std::size_t firstRow, std::size_t endRow, THistograms& h)
{
    const std::size_t w = static_cast<std::size_t>(levels.Width);
    if (w < 2 || firstRow >= endRow)
        return;
    const std::size_t cells = w - 1;
    std::vector<std::uint8_t> smallest(cells), second(cells);
    std::vector<std::uint16_t> edge(cells);
    auto counters = std::make_unique<TCounters>();
    // The 32-bit counters are moved on before they could overflow: a row adds at most
    // `cells` to any of them.
    const std::size_t rowsPerFlush = std::max<std::size_t>(1, std::size_t{0xFFFFFFFFu} / cells);
    for (std::size_t y = firstRow; y < endRow; ++y) {
        const std::uint8_t* top = levels.Level.data() + y * w;
        CellRow(top, top + w, cells, smallest.data(), second.data(), edge.data());
        TCounters& c = *counters;
        std::size_t x = 0;
        for (; x + 4 <= cells; x += 4)
            for (int k = 0; k < 4; ++k) {
                ++c.Smallest[k][smallest[x + k]];
                ++c.Second[k][second[x + k]];
                ++c.Edges[k][edge[x + k]];
            }
        for (; x < cells; ++x) {
            ++c.Smallest[0][smallest[x]];
            ++c.Second[0][second[x]];
            ++c.Edges[0][edge[x]];
        }
        if ((y - firstRow + 1) % rowsPerFlush == 0)
            c.MoveTo(h);
    }
    counters->MoveTo(h);
}

void CountBorders(const TLevels& levels, THistograms& h)
{
    const int w = levels.Width;
    const int last = levels.Height - 1;
    for (int x = 0; x + 1 < w; ++x) {
        if (levels.At(x, 0) == levels.At(x + 1, 0))
            ++h.EdgesX[levels.At(x, 0)];
        if (levels.At(x, last) == levels.At(x + 1, last))
            ++h.EdgesX[levels.At(x, last)];
    }
    for (int y = 0; y < last; ++y) {
        if (levels.At(0, y) == levels.At(0, y + 1))
            ++h.EdgesY[levels.At(0, y)];
        if (levels.At(w - 1, y) == levels.At(w - 1, y + 1))
            ++h.EdgesY[levels.At(w - 1, y)];
    }
}

}  // namespace

TCountTable CountAllLevels(const TLevels& levels, unsigned threads)
{
    const std::size_t cellRows = static_cast<std::size_t>(std::max(0, levels.Height - 1));
    const TBands bands = BandsOf(cellRows, static_cast<std::size_t>(std::max(1, levels.Width - 1)));
    // Each band counts on its own and adds its counts to the whole; whole numbers, so the
    // order in which the bands end does not matter.
    THistograms all;
    std::mutex adding;
    platform::ParallelBands(bands.Count, [&](std::size_t band) {
        THistograms part;
        CountCells(levels, bands.Begin(band), bands.End(band), part);
        std::lock_guard lock(adding);
        all.Add(part);
    }, threads);
    CountBorders(levels, all);

    TCountTable table;
    std::int64_t fourOrMore = all.Smallest[LevelCount - 1];
    std::int64_t threeOrMore = all.Second[LevelCount - 1];
    for (int a = LevelCount - 2; a >= 0; --a) {
        fourOrMore += all.Smallest[a];
        threeOrMore += all.Second[a];
        table[a] = {fourOrMore, threeOrMore - fourOrMore, all.EdgesX[a], all.EdgesY[a]};
    }
    return table;
}

// ---------------------------------------------------------------------------------------
// Area, perimeter, ratios and the dimension

TAreaPerimeter AreaPerimeter(const TLevelCounts& counts, float dx, float dy)
{
    const double x = dx;
    const double y = dy;
    const double cell = x * y;
    const double diagonal = std::sqrt(x * x + y * y);
    const double s = double(counts.Full) * cell + double(counts.Three) * (cell * 0.5);
    const double l = double(counts.EdgesX) * x + double(counts.EdgesY) * y + double(counts.Three) * diagonal;
    return {static_cast<float>(std::fabs(s)), static_cast<float>(std::fabs(l))};
}

TAreaPerimeter ClusterAreaPerimeter(const TLevels& levels, int level, float dx, float dy)
{
    return AreaPerimeter(CountLevel(levels, level), dx, dy);
}

float LevelRatio(const TAreaPerimeter& level)
{
    if (level.S == 0 || level.L == 0)
        return 0;
    const double logL = std::log(double(level.L));
    if (logL == 0)
        return 0;
    return static_cast<float>(std::log(double(level.S)) / logL);
}

bool TDimension::Defined() const
{
    return RatioSum != 0 && std::isfinite(RatioSum) && std::isfinite(D);
}

bool ComputeLevelRatios(const TLevels& levels, float dx, float dy, platform::IProgress& progress,
                        TDimension& result, unsigned threads)
{
    result = TDimension{};
    result.Band = AnalysedBand(levels);
    // Every level is counted in one pass, made when the first level is due.
    std::optional<TCountTable> counts;
    for (int a = result.Band.Low; a <= result.Band.High; ++a) {
        if (progress.StopRequested())
            return false;
        if (!counts)
            counts = CountAllLevels(levels, threads);
        result.Table[a] = AreaPerimeter((*counts)[a], dx, dy);
        result.Ratio[a] = LevelRatio(result.Table[a]);
        progress.SetPosition(a);
    }
    if (progress.StopRequested())
        return false;
    double sum = 0;
    for (int a = result.Band.Low; a <= result.Band.High; ++a)
        sum += result.Ratio[a];
    if (result.Band.Divisor != 0 && sum != 0) {
        result.RatioSum = sum / result.Band.Divisor;
        result.D = static_cast<float>(2.0 / result.RatioSum + 1.0);
    }
    return true;
}

TPlot PlotPoints(const TDimension& result)
{
    TPlot plot;
    if (!result.Defined() || result.Band.Low > result.Band.High)
        return plot;
    const double k = (double(result.D) - 1) * 0.5;
    auto point = [&](int a) {
        return TPlotPoint{k * std::log(double(result.Table[a].S) * 0.000001),
                          std::log(double(result.Table[a].L) * 0.001)};
    };
    auto finite = [](const TPlotPoint& p) { return std::isfinite(p.X) && std::isfinite(p.Y); };
    std::optional<double> xMax;
    std::optional<double> yMax;
    for (int a = result.Band.Low; a <= result.Band.High; ++a) {
        const TPlotPoint p = point(a);
        if (finite(p))
            plot.Points.push_back(p);
        if (std::isfinite(p.X))
            xMax = xMax ? std::max(*xMax, p.X) : p.X;
        if (std::isfinite(p.Y))
            yMax = yMax ? std::max(*yMax, p.Y) : p.Y;
    }
    if (!xMax || !yMax)
        return plot;
    const double slope = *yMax / *xMax;
    if (!std::isfinite(slope))
        return plot;
    const TPlotPoint high = point(result.Band.High);
    const TPlotPoint low = point(result.Band.Low);
    for (const TPlotPoint& p : {high, TPlotPoint{low.X, high.Y + k * low.X * slope}})
        if (finite(p))
            plot.IdealLine.push_back(p);
    return plot;
}

// ---------------------------------------------------------------------------------------
// Texts

std::string DimensionCaption(float d)
{
    return " Multifractal dimension D = " + platform::FloatToStrF(d, platform::ffFixed, 5, 2) + " ";
}

std::string ReportText(const TReport& report)
{
    char line[256];
    std::string text = "***********************************\n";
    text += "Filename - \n";
    std::snprintf(line, sizeof line, "Matrix size - %d X %d points\n", report.Height, report.Width);
    text += line;
    std::snprintf(line, sizeof line, "Step on X direction - %.2f ", double(report.XStep));
    text += line + report.XYUnit + "\n";
    std::snprintf(line, sizeof line, "Step on Y direction - %.2f ", double(report.YStep));
    text += line + report.XYUnit + "\n";
    text += "------------------------------------\n";
    std::snprintf(line, sizeof line, "Multifractal dimension -  %.2f \n", double(report.D));
    text += line;
    text += "***********************************\n";
    return text;
}

bool AppendReport(const std::string& path, const TReport& report)
{
    return platform::AppendToFile(path, ReportText(report));
}

std::string WithDefaultExtension(const std::string& name, const std::string& extension)
{
    const std::size_t slash = name.find_last_of('/');
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return name;
    return name + extension;
}

}  // namespace quindle
