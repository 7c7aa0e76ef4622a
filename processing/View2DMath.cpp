#include "processing/View2DMath.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <thread>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/core/Parallel.h"
#include "platform/core/Progress.h"
#include "platform/core/Text.h"


namespace {

//! The integer mean sum / n rounded down (n > 0).
std::int32_t FloorMean(std::int64_t sum, std::int64_t n)
{
    std::int64_t q = sum / n;
    if (sum % n != 0 && sum < 0)
        --q;
    return static_cast<std::int32_t>(q);
}

//! The mean of four values rounded down (a shift of the 64-bit sum).
inline std::int32_t Mean4(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d)
{
    return static_cast<std::int32_t>((a + b + c + d) >> 2);
}

//! Runs body(i) for i in 0..count-1 on `threads` threads (0: every core). The calling
//! thread polls `progress` after each of its items (after `report`), and once a poll asks
//! to stop no thread takes a further item. False when stopped.
bool RunItems(std::size_t count, unsigned threads, platform::IProgress* progress,
              const std::function<void(std::size_t)>& body,
              const std::function<void()>& report = {})
{
    std::atomic<bool> stop{false};
    const std::thread::id caller = std::this_thread::get_id();
    platform::ParallelBands(
        count,
        [&](std::size_t i) {
            if (stop.load(std::memory_order_relaxed))
                return;
            body(i);
            if (progress && std::this_thread::get_id() == caller) {
                if (report)
                    report();
                if (progress->StopRequested())
                    stop = true;
            }
        },
        threads);
    return !stop.load();
}

//! The angle of a facet lying flat (normal (0, 0, 1)) against the light.
std::int32_t FlatAngle(const TLightDirection& light)
{
    const double c = std::isnan(light.z) ? 1.0 : std::clamp(light.z, -1.0, 1.0);
    return static_cast<std::int32_t>(std::trunc(std::acos(c) * 1800 * 0.3183098861837907));
}

//! The facet normal (FacetNormal), inlined into the shading pass.
inline TPoint3F NormalOf(const TPoint3F& p0, const TPoint3F& p1, const TPoint3F& p2)
{
    const float ax = p1.x - p0.x, ay = p1.y - p0.y, az = p1.z - p0.z;
    const float bx = p2.x - p0.x, by = p2.y - p0.y, bz = p2.z - p0.z;
    return {-(ay * bz - az * by), -(bx * az - ax * bz), std::fabs(ax * by - bx * ay)};
}

//! The shading angle (ShadingAngle) with the flat facet's angle given.
inline std::int32_t AngleOf(const TPoint3F& normal, const TLightDirection& light, std::int32_t flat)
{
    const double nx = normal.x;
    const double ny = normal.y;
    const double nz = normal.z;
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 0) || !std::isfinite(length))
        return flat;
    const double c = (nx * light.x + ny * light.y + nz * light.z) / length;
    if (std::isnan(c))
        return flat;
    return static_cast<std::int32_t>(
        std::trunc(std::acos(std::clamp(c, -1.0, 1.0)) * 1800 * 0.3183098861837907));
}

// ---- Palette indexes

//! The palette index trunc((v − min) / step), clamped to 0 … top, of many values without a
//! division per value. The quotient is a step function of v: entry k begins at the least
//! x = v − min whose quotient (the very division the index is defined by) reaches k. Those
//! thresholds are found once; a value then takes its entry from a table of every x up to
//! the last threshold, or from an estimate x × (1 / step) put right by its neighbouring
//! thresholds (the estimate is off by far less than one entry).
class TIndexMap {
public:
    TIndexMap(std::int64_t min, double rawPerColour, int colourCount, std::int64_t count)
        : min_(min), step_(rawPerColour)
    {
        if (colourCount <= 0 || !(rawPerColour > 0))
            return; // every index 0
        const int top = std::min(colourCount, 0x10000) - 1;
        top_ = top;
        inverse_ = 1 / rawPerColour;
        if (top == 0)
            return;
        if (!std::isfinite(rawPerColour) || !std::isfinite(inverse_) || !(inverse_ > 0)) {
            mode_ = TMode::Divide;
            return;
        }
        // Differences v − min lie within ±2^33; a threshold beyond 2^34 is never reached.
        constexpr double far = 17179869184.0;
        constexpr double never = std::numeric_limits<double>::infinity();
        thresholds_.assign(std::size_t(top) + 2, never);
        thresholds_[0] = -never;
        for (int k = 1; k <= top; ++k) {
            double t = std::ceil(double(k) * rawPerColour);
            if (!(t < far))
                break; // this entry and every later one are never reached
            while (t > 1 && (t - 1) / rawPerColour >= k)
                t -= 1;
            while (t / rawPerColour < k)
                t += 1;
            thresholds_[std::size_t(k)] = t;
        }
        mode_ = TMode::Thresholds;
        // A table pays when it is small and there are many values.
        constexpr double tableLimit = 1 << 18;
        const double last = thresholds_[std::size_t(top)];
        if (last <= tableLimit && double(count) >= last) {
            const int n = static_cast<int>(last) + 1; // x = 0 … last; beyond it: top
            table_.resize(std::size_t(n));
            int k = 0;
            for (int x = 0; x < n; ++x) {
                while (k < top && thresholds_[std::size_t(k) + 1] <= x)
                    ++k;
                table_[std::size_t(x)] = static_cast<std::uint16_t>(k);
            }
            mode_ = TMode::Table;
        }
    }

    //! The values are known to lie within lo … hi: when these are few, every index is
    //! taken from a table of them, as it is now, without any clamping.
    void Span(std::int32_t lo, std::int32_t hi)
    {
        constexpr std::int64_t spanLimit = 1 << 18;
        if (mode_ == TMode::Zero || hi < lo || std::int64_t(hi) - lo >= spanLimit)
            return;
        std::vector<std::uint16_t> span(std::size_t(std::int64_t(hi) - lo + 1));
        std::vector<std::int32_t> all(span.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = static_cast<std::int32_t>(lo + std::int64_t(i));
        Map(all.data(), std::int64_t(all.size()), span.data());
        StreamFence();
        span_ = std::move(span);
        spanLo_ = lo;
        mode_ = TMode::Span;
    }

    //! The indexes of `count` values, written past the caches (the caller's memory fence
    //! follows from the end of the pass).
    void Map(const std::int32_t* values, std::int64_t count, std::uint16_t* indexes) const
    {
        if (count <= 0)
            return;
        switch (mode_) {
        case TMode::Zero:
            std::fill(indexes, indexes + count, std::uint16_t(0));
            return;
        case TMode::Span: {
            const std::uint16_t* span = span_.data();
            const std::uint32_t lo = std::uint32_t(spanLo_);
            const std::uint32_t last = std::uint32_t(span_.size() - 1);
            Store(values, count, indexes, [=](std::int32_t v) {
                return span[std::min(std::uint32_t(v) - lo, last)]; // (never beyond)
            });
            return;
        }
        case TMode::Table: {
            const std::int64_t last = std::int64_t(table_.size()) - 1;
            const std::uint16_t* table = table_.data();
            const std::int64_t min = min_;
            Store(values, count, indexes, [=](std::int32_t v) {
                std::int64_t x = std::int64_t(v) - min;
                x = x < 0 ? 0 : x;
                x = x > last ? last : x;
                return table[x];
            });
            return;
        }
        case TMode::Thresholds: {
            const double base = double(min_);
            const double* thresholds = thresholds_.data();
            const double inverse = inverse_, top = top_;
            Store(values, count, indexes, [=](std::int32_t v) {
                const double x = double(v) - base; // exact: an integer below 2^34
                double q = x * inverse;
                q = q > 0 ? q : 0;
                q = q < top ? q : top;
                int k = static_cast<int>(q);
                k -= x < thresholds[k];
                k += x >= thresholds[k + 1];
                return static_cast<std::uint16_t>(k);
            });
            return;
        }
        case TMode::Divide:
            for (std::int64_t i = 0; i < count; ++i) {
                double q = double(std::int64_t(values[i]) - min_) / step_;
                q = q > 0 ? q : 0; // below the minimum (and NaN) take entry 0
                q = q < top_ ? q : top_;
                indexes[i] = static_cast<std::uint16_t>(static_cast<std::int32_t>(q));
            }
            return;
        }
    }

private:
    enum class TMode { Zero, Span, Table, Thresholds, Divide };
    TMode mode_ = TMode::Zero;
    std::int64_t min_;
    double step_;
    double inverse_ = 0;
    double top_ = 0;
    //! thresholds_[k]: the least x with x / step ≥ k (k = 1 … top); −∞ before, +∞ after.
    std::vector<double> thresholds_;
    //! The index of every x = 0 … table_.size() − 1.
    std::vector<std::uint16_t> table_;
    //! The index of every value spanLo_ … spanLo_ + span_.size() − 1.
    std::vector<std::uint16_t> span_;
    std::int32_t spanLo_ = 0;

    template <typename Index>
    static void Store(const std::int32_t* values, std::int64_t count, std::uint16_t* out,
                      const Index& index)
    {
        std::int64_t i = 0;
#if defined(__SSE2__)
        for (; i < count && (reinterpret_cast<std::uintptr_t>(out + i) & 15) != 0; ++i)
            out[i] = index(values[i]);
        for (; i + 8 <= count; i += 8) {
            alignas(16) std::uint16_t block[8];
            for (int j = 0; j < 8; ++j)
                block[j] = index(values[i + j]);
            _mm_stream_si128(reinterpret_cast<__m128i*>(out + i),
                             _mm_load_si128(reinterpret_cast<const __m128i*>(block)));
        }
#endif
        for (; i < count; ++i)
            out[i] = index(values[i]);
    }
};

// ---- Refinement

//! The rows of a whole grid.
struct TGridRows {
    TValueGrid& Grid;
    std::int32_t* Row(int y) const { return Grid.Row(y); }
};

//! Rows of a window of the zoomed grid held in a ring: row y lives in slot y mod Slots.
struct TRingRows {
    std::int32_t* Base;
    std::size_t Width;
    int Slots;
    std::int32_t* Row(int y) const { return Base + std::size_t(y % Slots) * Width; }
};

//! AxialMean on the rows of a width × height grid.
template <typename Rows>
std::int32_t AxialMeanOf(const Rows& g, int width, int height, int row, int col, int h)
{
    std::int64_t sum = 0;
    int n = 0;
    if (row - h >= 0) {
        sum += g.Row(row - h)[col];
        ++n;
    }
    if (col - h >= 0) {
        sum += g.Row(row)[col - h];
        ++n;
    }
    if (row + h < height) {
        sum += g.Row(row + h)[col];
        ++n;
    }
    if (col + h < width) {
        sum += g.Row(row)[col + h];
        ++n;
    }
    return n ? FloorMean(sum, n) : g.Row(row)[col];
}

//! One band of one level of the refinement: the cells of rows r … r + s get their centres,
//! then their top and left edge midpoints, in the order of the row-by-row subdivision,
//! whose every point averages points already known. The centre above a top edge belongs
//! to the band above: it is the mean of that cell's corners, so the band computes it from
//! them itself, and a band never reads what another band of the level writes (only
//! points at multiples of s). Points with all four neighbours inside take the plain mean
//! of four (a shift rounds down); the rest go through AxialMean.
template <typename Rows> void RefineBand(const Rows& g, int W, int H, int r, int s)
{
    const int h = s / 2;
    std::int32_t* top = g.Row(r);
    std::int32_t* mid = g.Row(r + h);
    const std::int32_t* down = g.Row(r + s);
    const std::int32_t* upper = r > 0 ? g.Row(r - s) : nullptr;
    for (int c = 0; c < W - 1; c += s) {
        mid[c + h] = Mean4(top[c], top[c + s], down[c], down[c + s]);
        if (upper)
            top[c + h] = Mean4(Mean4(upper[c], upper[c + s], top[c], top[c + s]), top[c],
                               mid[c + h], top[c + s]);
        else
            top[c + h] = AxialMeanOf(g, W, H, r, c + h, h);
        mid[c] = c > 0 ? Mean4(top[c], mid[c - h], down[c], mid[c + h])
                       : AxialMeanOf(g, W, H, r + h, c, h);
    }
    mid[W - 1] = AxialMeanOf(g, W, H, r + h, W - 1, h);
}

//! RefineBand for values of a range below 2^29 (lifted by the least of them), whose sums of
//! four fit 32 bits: the centres, the top edges and the left edges of the band each in a
//! loop of their own, which gives the same points (a centre reads corners only, an edge
//! the corners and the centres beside it) in loops that the compiler can vectorise.
template <typename Rows> void RefineBandNarrow(const Rows& g, int W, int H, int r, int s)
{
    const int h = s / 2;
    std::int32_t* top = g.Row(r);
    std::int32_t* mid = g.Row(r + h);
    const std::int32_t* down = g.Row(r + s);
    const std::int32_t* upper = r > 0 ? g.Row(r - s) : nullptr;
    if (W < 2) {
        mid[0] = AxialMeanOf(g, W, H, r + h, 0, h);
        return;
    }
    if (s == 2) { // the last level, three quarters of all points
        const int n = (W - 1) / 2;
        for (int i = 0; i < n; ++i)
            mid[2 * i + 1] = (top[2 * i] + top[2 * i + 2] + down[2 * i] + down[2 * i + 2]) >> 2;
        if (upper) {
            for (int i = 0; i < n; ++i)
                top[2 * i + 1] =
                    (((upper[2 * i] + upper[2 * i + 2] + top[2 * i] + top[2 * i + 2]) >> 2) +
                     top[2 * i] + mid[2 * i + 1] + top[2 * i + 2]) >>
                    2;
        } else {
            for (int i = 0; i < n; ++i)
                top[2 * i + 1] = AxialMeanOf(g, W, H, r, 2 * i + 1, 1);
        }
        mid[0] = AxialMeanOf(g, W, H, r + 1, 0, 1);
        for (int i = 1; i < n; ++i)
            mid[2 * i] = (top[2 * i] + mid[2 * i - 1] + down[2 * i] + mid[2 * i + 1]) >> 2;
    } else {
        for (int c = 0; c < W - 1; c += s)
            mid[c + h] = (top[c] + top[c + s] + down[c] + down[c + s]) >> 2;
        for (int c = 0; c < W - 1; c += s)
            top[c + h] = upper ? (((upper[c] + upper[c + s] + top[c] + top[c + s]) >> 2) + top[c] +
                                  mid[c + h] + top[c + s]) >>
                                     2
                               : AxialMeanOf(g, W, H, r, c + h, h);
        mid[0] = AxialMeanOf(g, W, H, r + h, 0, h);
        for (int c = s; c < W - 1; c += s)
            mid[c] = (top[c] + mid[c - h] + down[c] + mid[c + h]) >> 2;
    }
    mid[W - 1] = AxialMeanOf(g, W, H, r + h, W - 1, h);
}

//! The edge midpoints of the bottom row at level s (after the last band of the level).
template <typename Rows> void RefineBottom(const Rows& g, int W, int H, int s)
{
    const int h = s / 2;
    std::int32_t* bottom = g.Row(H - 1);
    for (int c = 0; c < W - 1; c += s)
        bottom[c + h] = AxialMeanOf(g, W, H, H - 1, c + h, h);
}

//! log2 of a power of two.
int Levels(int zoom)
{
    int levels = 0;
    while ((1 << levels) < zoom)
        ++levels;
    return levels;
}

//! Channel row bands (of the zoomed rows between two channel rows) per piece of a banded zoom.
constexpr int kBandsPerPiece = 32;

//! The zoomed rows of the channel bands b0 … b1 − 1 (of `bands`), and the last zoomed row
//! when b1 is the last band, each handed to `takeRow` (row, zoomed row number) once final.
//!
//! The refinement runs on a window of the grid: the piece's bands with one more band above
//! and below where there is one, as if the window were the whole grid. Its own rows come out
//! as in the whole grid: a band reads, at each level, only its own rows, the middle rows of
//! the band above (which depend on nothing but that band's channel rows) and the first row
//! of the band below (which depends on the band itself and the one below it); what the
//! window's borders compute differently (the edge midpoints of its first and last rows)
//! never reaches them. Within the window the levels run as a pipeline down the bands: step
//! t refines band t at the first level, band t − 1 at the second, and so on, which keeps
//! every point's inputs computed before it and only a few bands of rows alive in the ring.
template <typename TakeRow>
void RefinePiece(const std::int32_t* values, int width, int zoom, int levels, int b0, int b1,
                 int bands, std::int32_t lift, bool narrow, const TRingRows& ring,
                 const TakeRow& takeRow, const std::atomic<bool>& stop)
{
    const int W = int(ZoomedSize(width, zoom));
    const std::int64_t lastRow = std::int64_t(bands) * zoom;
    if (zoom == 1) {
        for (int b = b0; b < b1 && !stop; ++b)
            takeRow(values + std::size_t(b) * std::size_t(width), std::int64_t(b));
        if (b1 == bands && !stop)
            takeRow(values + std::size_t(bands) * std::size_t(width), lastRow);
        return;
    }
    if (bands == 0) { // one channel row: only the row's own midpoints
        std::int32_t* row = ring.Row(0);
        for (int j = 0; j < width; ++j)
            row[std::size_t(j) * zoom] = values[j] - lift;
        for (int s = zoom; s > 1; s /= 2)
            RefineBottom(ring, W, 1, s);
        takeRow(row, 0);
        return;
    }
    const int w0 = std::max(0, b0 - 1);
    const int w1 = std::min(bands, b1 + 1);
    const int windowBands = w1 - w0;
    const int Hw = windowBands * zoom + 1;
    auto load = [&](int i) { // the channel row w0 + i at window row i × zoom
        std::int32_t* out = ring.Row(i * zoom);
        const std::int32_t* in = values + std::size_t(w0 + i) * std::size_t(width);
        for (int j = 0; j < width; ++j)
            out[std::size_t(j) * zoom] = in[j] - lift;
    };
    load(0);
    for (int t = 0; t < windowBands + levels - 1 && !stop; ++t) {
        if (t < windowBands)
            load(t + 1);
        for (int l = 0; l < levels; ++l) {
            const int j = t - l;
            if (j < 0 || j >= windowBands)
                continue;
            const int s = zoom >> l;
            for (int r = j * zoom; r < (j + 1) * zoom; r += s) {
                if (narrow)
                    RefineBandNarrow(ring, W, Hw, r, s);
                else
                    RefineBand(ring, W, Hw, r, s);
            }
            if (j == windowBands - 1)
                RefineBottom(ring, W, Hw, s);
        }
        const int done = t - (levels - 1); // the window band now final
        if (done < 0 || done >= windowBands)
            continue;
        const int band = w0 + done;
        if (band < b0 || band >= b1)
            continue;
        for (int k = 0; k < zoom && !stop; ++k)
            takeRow(ring.Row(done * zoom + k), std::int64_t(band) * zoom + k);
        if (band == bands - 1 && !stop)
            takeRow(ring.Row(Hw - 1), lastRow);
    }
}

} // namespace

bool TValueGrid::Allocate(int width, int height)
{
    Free();
    if (width <= 0 || height <= 0)
        return false;
    const std::uint64_t n = std::uint64_t(width) * std::uint64_t(height);
    if (n > std::numeric_limits<std::size_t>::max() / sizeof(std::int32_t))
        return false;
    values_.reset(new (std::nothrow) std::int32_t[std::size_t(n)]);
    if (!values_)
        return false;
    width_ = width;
    height_ = height;
    return true;
}

void TValueGrid::Free()
{
    values_.reset();
    width_ = height_ = 0;
}

std::int64_t ZoomedSize(int size, int zoom)
{
    if (size <= 0)
        return 0;
    return std::int64_t(size - 1) * zoom + 1;
}

std::int32_t DiagonalMean(const TValueGrid& g, int row, int col, int h)
{
    const std::int64_t sum = std::int64_t(g(row - h, col - h)) + g(row - h, col + h) +
                             g(row + h, col - h) + g(row + h, col + h);
    return FloorMean(sum, 4);
}

std::int32_t AxialMean(const TValueGrid& g, int row, int col, int h)
{
    std::int64_t sum = 0;
    int n = 0;
    if (row - h >= 0) {
        sum += g(row - h, col);
        ++n;
    }
    if (col - h >= 0) {
        sum += g(row, col - h);
        ++n;
    }
    if (row + h < g.Height()) {
        sum += g(row + h, col);
        ++n;
    }
    if (col + h < g.Width()) {
        sum += g(row, col + h);
        ++n;
    }
    return n ? FloorMean(sum, n) : g(row, col);
}

bool RefineGrid(TValueGrid& g, int s, platform::IProgress* progress, unsigned threads)
{
    if (g.Empty() || s < 1 || (s & (s - 1)) != 0)
        return false;
    const int W = g.Width();
    const int H = g.Height();
    threads = ThreadsFor(std::int64_t(W) * H, threads);
    const TGridRows rows{g};
    for (; s > 1; s /= 2) {
        if ((W - 1) % s != 0 || (H - 1) % s != 0)
            return false;
        const std::size_t bands = std::size_t((H - 1) / s); // rows r = 0, s, 2s, … < H − 1
        const bool done = RunItems(bands, threads, progress,
                                   [&](std::size_t b) { RefineBand(rows, W, H, int(b) * s, s); });
        if (!done)
            return false;
        RefineBottom(rows, W, H, s);
    }
    return true;
}

std::uint16_t PaletteIndex(std::int64_t valueAboveMin, double rawPerColour, int colourCount)
{
    if (colourCount <= 0 || !(rawPerColour > 0))
        return 0;
    const int top = std::min(colourCount, 0x10000) - 1;
    const double q = double(valueAboveMin) / rawPerColour;
    if (!(q >= 0))
        return 0;
    if (q >= double(top))
        return static_cast<std::uint16_t>(top);
    return static_cast<std::uint16_t>(static_cast<std::int64_t>(q));
}

void ComputeIndexes(const std::int32_t* values, std::int64_t count, std::int32_t min,
                    double rawPerColour, int colourCount, std::uint16_t* indexes, unsigned threads)
{
    if (count <= 0 || !values || !indexes)
        return;
    const TIndexMap map(min, rawPerColour, colourCount, count);
    constexpr std::int64_t chunk = std::int64_t(1) << 16;
    const std::int64_t chunks = (count + chunk - 1) / chunk;
    platform::ParallelBands(
        std::size_t(chunks),
        [&](std::size_t k) {
            const std::int64_t from = std::int64_t(k) * chunk;
            map.Map(values + from, std::min(count, from + chunk) - from, indexes + from);
            StreamFence();
        },
        ThreadsFor(count, threads));
}

bool ZoomIndexes(const std::int32_t* values, int width, int height, int zoom, std::int32_t min,
                 double rawPerColour, int colourCount, TValueGrid& grid, std::uint16_t* indexes,
                 platform::IProgress& progress, unsigned threads)
{
    if (!values || !indexes || width <= 0 || height <= 0 || zoom < 1 ||
        grid.Width() != ZoomedSize(width, zoom) || grid.Height() != ZoomedSize(height, zoom))
        return false;
    progress.SetRange(0, 2);
    progress.SetPosition(1);
    // The coarse grid: the channel's points at every zoom-th row and column.
    for (int i = 0; i < height; ++i) {
        std::int32_t* out = grid.Row(i * zoom);
        const std::int32_t* in = values + std::size_t(i) * std::size_t(width);
        for (int j = 0; j < width; ++j)
            out[std::size_t(j) * zoom] = in[j];
    }
    progress.SetPosition(2);
    if (progress.StopRequested())
        return false;
    if (!RefineGrid(grid, zoom, &progress, threads))
        return false;

    const int W = grid.Width();
    const int H = grid.Height();
    const std::int64_t total = std::int64_t(W) * H;
    // One step per picture point, or per row when the points do not fit the bar's range.
    const bool byPoints = total <= std::numeric_limits<int>::max();
    progress.SetPosition(0);
    progress.SetRange(0, byPoints ? int(total) : H);
    const TIndexMap map(min, rawPerColour, colourCount, total);
    std::atomic<std::int64_t> rowsDone{0};
    return RunItems(
        std::size_t(H), ThreadsFor(total, threads), &progress,
        [&](std::size_t y) {
            map.Map(grid.Row(int(y)), W, indexes + std::size_t(y) * std::size_t(W));
            StreamFence();
            ++rowsDone;
        },
        [&] {
            const std::int64_t rows = rowsDone.load();
            progress.SetPosition(int(byPoints ? rows * W : rows));
        });
}

namespace {

//! The rows of one worker's ring: every row alive at once (a few bands), or the whole
//! zoomed height when that is less.
int RingRows(int height, int zoom)
{
    if (zoom <= 1 || (zoom & (zoom - 1)) != 0 || height <= 0)
        return 1;
    return int(std::min<std::int64_t>((Levels(zoom) + 1) * zoom + 1, ZoomedSize(height, zoom)));
}

//! The pieces of channel bands that a banded zoom is cut into.
int Pieces(int height)
{
    const int bands = height - 1;
    return bands > 0 ? (bands + kBandsPerPiece - 1) / kBandsPerPiece : 1;
}

} // namespace

int ZoomWorkRows(int height, int zoom, unsigned threads)
{
    const unsigned cores = threads ? threads : platform::CoreCount();
    const unsigned workers = std::min(cores, unsigned(std::max(1, Pieces(height))));
    return RingRows(height, zoom) * int(workers);
}

std::int64_t ZoomMemoryBytes(int width, int height, int zoom, unsigned threads)
{
    const std::int64_t zoomedWidth = ZoomedSize(width, zoom);
    const std::int64_t points = zoomedWidth * ZoomedSize(height, zoom);
    if (points <= 0)
        return 0;
    const std::int64_t rows = zoom > 1 ? ZoomWorkRows(height, zoom, threads) : 0;
    return points * std::int64_t(sizeof(std::uint16_t)) + rows * zoomedWidth * std::int64_t(sizeof(std::int32_t));
}

bool ZoomIndexesInBands(const std::int32_t* values, int width, int height, int zoom,
                        std::int32_t min, double rawPerColour, int colourCount, TValueGrid& rings,
                        std::uint16_t* indexes, platform::IProgress& progress, unsigned threads)
{
    const int ringRows = RingRows(height, zoom);
    if (!values || !indexes || width <= 0 || height <= 0 || zoom < 1 ||
        rings.Width() != ZoomedSize(width, zoom) || rings.Height() < ringRows)
        return false;
    progress.SetRange(0, 2);
    progress.SetPosition(1);
    progress.SetPosition(2);
    if (progress.StopRequested())
        return false;
    if ((zoom & (zoom - 1)) != 0)
        return false;

    const int W = rings.Width();
    const std::int64_t H = ZoomedSize(height, zoom);
    const std::int64_t total = std::int64_t(W) * H;
    const bool byPoints = total <= std::numeric_limits<int>::max();
    progress.SetPosition(0);
    progress.SetRange(0, byPoints ? int(total) : int(H));
    // Values of a range below 2^29 are refined lifted by their least, in 32 bits: the
    // means of lifted values are the lifted means (they are rounded down).
    const std::size_t n = std::size_t(width) * std::size_t(height);
    const auto [lo, hi] = std::minmax_element(values, values + n);
    const bool narrow = zoom > 1 && std::int64_t(*hi) - *lo < (std::int64_t(1) << 29);
    const std::int32_t lift = narrow ? *lo : 0;
    TIndexMap map(std::int64_t(min) - lift, rawPerColour, colourCount, total);
    // Every zoomed value is a mean of channel values: within their range.
    map.Span(*lo - lift, *hi - lift);

    const int bands = height - 1;
    const int pieces = Pieces(height);
    unsigned workers = threads ? threads : platform::CoreCount();
    workers = ThreadsFor(total, workers);
    workers = std::min({workers, unsigned(pieces), unsigned(rings.Height() / ringRows)});
    const int levels = Levels(zoom);

    std::atomic<int> nextPiece{0};
    std::atomic<std::int64_t> rowsDone{0};
    std::atomic<bool> stop{false};
    const std::thread::id caller = std::this_thread::get_id();
    auto takeRow = [&](const std::int32_t* row, std::int64_t y) {
        map.Map(row, W, indexes + std::size_t(y) * std::size_t(W));
        StreamFence();
        const std::int64_t done = ++rowsDone;
        if (std::this_thread::get_id() == caller) {
            progress.SetPosition(int(byPoints ? done * W : done));
            if (progress.StopRequested())
                stop = true;
        }
    };
    platform::ParallelBands(
        workers,
        [&](std::size_t k) {
            const TRingRows ring{rings.Row(int(k) * ringRows), std::size_t(W), ringRows};
            for (int piece = nextPiece++; piece < pieces && !stop; piece = nextPiece++) {
                const int b0 = piece * kBandsPerPiece;
                RefinePiece(values, width, zoom, levels, b0, std::min(bands, b0 + kBandsPerPiece),
                            bands, lift, narrow, ring, takeRow, stop);
            }
        },
        workers);
    return !stop.load();
}

int PaletteBarRows(int colourCount)
{
    if (colourCount <= 0)
        return 0;
    return colourCount / ((colourCount - 1) / 500 + 1);
}

int PaletteBarColour(int colourCount, int rows, int y)
{
    if (colourCount <= 0 || rows <= 0)
        return 0;
    const double k = double(colourCount) / double(rows);
    const double v = std::trunc(double(colourCount) - double(y) * k - 1);
    return static_cast<int>(std::clamp(v, 0.0, double(colourCount - 1)));
}

TPoint3F FacetNormal(const TPoint3F& p0, const TPoint3F& p1, const TPoint3F& p2)
{
    return NormalOf(p0, p1, p2);
}

TLightDirection LightDirection(int alfa, int fi)
{
    const double a = alfa * 3.141592653589793 * 0.005555555555555556;
    const double f = fi * 3.141592653589793 * 0.005555555555555556;
    return {std::cos(-a) * std::cos(-f), std::cos(-a) * std::sin(-f), std::sin(-a)};
}

std::int32_t ShadingAngle(const TPoint3F& normal, const TLightDirection& light)
{
    return AngleOf(normal, light, FlatAngle(light));
}

void ShadeMatrix(const std::int32_t* heights, int width, int height, float xStep, float yStep,
                 float zScale, const TLightDirection& light, std::int32_t* angles, unsigned threads)
{
    if (!heights || !angles || width <= 0 || height <= 0)
        return;
    const std::size_t w = std::size_t(width);
    if (width < 2 || height < 2) {
        std::fill(angles, angles + w * std::size_t(height), FlatAngle(light));
        return;
    }
    constexpr int band = 16;
    const int bands = (height - 1 + band - 1) / band;
    const std::int32_t flat = FlatAngle(light);
    platform::ParallelBands(
        std::size_t(bands),
        [&](std::size_t b) {
            const int first = int(b) * band;
            const int last = std::min(height - 1, first + band);
            for (int i = first; i < last; ++i) {
                const std::int32_t* r0 = heights + std::size_t(i) * w;
                const std::int32_t* r1 = r0 + w;
                std::int32_t* out = angles + std::size_t(i) * w;
                const float y0 = float(i) * yStep;
                const float y1 = float(i + 1) * yStep;
                for (int j = 0; j < width - 1; ++j) {
                    const TPoint3F p0{float(j) * xStep, y0, float(r0[j]) * zScale};
                    const TPoint3F p1{float(j + 1) * xStep, y0, float(r0[j + 1]) * zScale};
                    const TPoint3F p2{float(j) * xStep, y1, float(r1[j]) * zScale};
                    out[j] = AngleOf(NormalOf(p0, p1, p2), light, flat);
                }
                out[width - 1] = out[width - 2];
            }
        },
        ThreadsFor(std::int64_t(width) * height, threads));
    std::memcpy(angles + std::size_t(height - 1) * w, angles + std::size_t(height - 2) * w,
                w * sizeof(std::int32_t));
}

double AxisLabelStep(double extent, double pixels)
{
    if (!(extent > 0) || !std::isfinite(extent) || !(pixels > 0) || !std::isfinite(pixels))
        return 0;
    const double px = pixels / extent;
    // The labels stop at the first m that reaches half the extent or whose labels lie
    // more than 20 pixels apart; both tests only grow with m.
    auto stops = [&](double m) { return !(m < extent * 0.5 && m * px <= 20); };
    const double apart = std::isfinite(px) ? std::floor(20 / px) + 1 : 1;
    const double half = std::max(1.0, std::ceil(extent * 0.5));
    double m = std::max(1.0, std::min(apart, half));
    if (m < 4503599627370496.0) { // whole numbers below 2^52 step by one exactly
        for (int k = 0; k < 4 && m > 1 && stops(m - 1); ++k)
            m -= 1;
        for (int k = 0; k < 4 && !stops(m); ++k)
            m += 1;
    }
    return m;
}

int ZDecimals(double physicalRange)
{
    return physicalRange < 20 ? 1 : 0;
}

namespace {

using platform::FormatText;

int Len(const std::string& s)
{
    return static_cast<int>(s.size());
}

//! An axis position made a pixel coordinate (truncated toward zero, kept in int range).
int Pixel(double v)
{
    if (!(v > -1e9))
        return -1000000000;
    if (v > 1e9)
        return 1000000000;
    return static_cast<int>(std::trunc(v));
}

} // namespace

std::vector<TAxisItem> LayoutAxes(const TAxesInput& in)
{
    std::vector<TAxisItem> out;
    auto line = [&](int x1, int y1, int x2, int y2) {
        out.push_back({false, x1, y1, x2, y2, {}, 7, false});
    };
    auto text = [&](int x, int y, std::string s, int size = 7, bool bold = false) {
        out.push_back({true, x, y, 0, 0, std::move(s), size, bold});
    };
    constexpr int fontSize = 7; // the font's size in points, used as a pixel offset
    const int left = in.ImageLeft, top = in.ImageTop, right = in.ImageRight,
              bottom = in.ImageBottom;

    // Z scale right of the bar.
    const int zx = in.BarRight + 5;
    const double range = double(std::int64_t(in.Max) - std::int64_t(in.Min));
    const int decimals = ZDecimals(range * in.ZScale);
    line(zx, top, zx, bottom);
    const double span = bottom - 30;
    for (int y = bottom; y >= 40; y -= 20) {
        line(zx, y, zx + 5, y);
        const double value =
            span > 0 ? (range / span * (bottom - y) + in.Min) * in.ZScale : in.Min * in.ZScale;
        text(zx + 10, y - fontSize, FormatText("%.*f", decimals, value));
    }
    line(zx, top, zx + 5, top);
    text(zx + 10, top - fontSize, FormatText("%.*f", decimals, double(in.Max) * in.ZScale));

    constexpr int maxTicks = 100000; // a guard only: the label step bounds the count
    // X axis above the image, in micrometres.
    const double wx = double(in.Width) * in.XStep * 0.001;
    line(left, top - 5, right, top - 5);
    if (const double m = AxisLabelStep(wx, right - left); m > 0) {
        const double px = (right - left) / wx;
        int ticks = 0;
        for (int k = 0; k < maxTicks; ++k) {
            const double v = k * m;
            if (!(v < wx))
                break;
            const int x = Pixel(left + v * px);
            line(x, top - 10, x, top - 5);
            std::string label = FormatText("%.0f", v);
            const int x0 = Pixel(left + v * px - 2 * Len(label));
            text(x0, top - 20, std::move(label));
            ++ticks;
        }
        if (ticks == 1) {
            line(right, top - 10, right, top - 5);
            std::string label = FormatText("%.1f", wx);
            const int x0 = right - 2 * Len(label);
            text(x0, top - 20, std::move(label));
        }
    }
    // Y axis left of the image, values growing downwards from the top row.
    const double hy = double(in.Height) * in.YStep * 0.001;
    line(left - 5, top, left - 5, bottom);
    if (const double m = AxisLabelStep(hy, bottom - top); m > 0) {
        const double py = (bottom - top) / hy;
        int ticks = 0;
        for (int k = 0; k < maxTicks; ++k) {
            const double v = k * m;
            if (!(v < hy))
                break;
            const int y = Pixel(top + v * py);
            line(left - 10, y, left - 5, y);
            std::string label = FormatText("%.0f", v);
            const int x0 = left - 4 * Len(label) - 15;
            text(x0, Pixel(top + v * py - fontSize), std::move(label));
            ++ticks;
        }
        if (ticks == 1) {
            line(left - 10, bottom, left - 5, bottom);
            std::string label = FormatText("%.1f", hy);
            const int x0 = left - 4 * Len(label) - 15;
            text(x0, bottom - fontSize, std::move(label));
        }
    }

    // The matrix size and the captions; the halvings are integer divisions.
    std::string size = FormatText("Matrix size - %d x %d", in.Width, in.Height);
    const int sx = (right - left) / 2 + left - 2 * Len(size);
    text(sx, bottom + 10, std::move(size), 8);
    text((right - left) / 2 + left - 10, top - 30, "X, \xB5m", 8, true);
    text(left - 50, (bottom - top) / 2 + top - 4, "Y, \xB5m", 8, true);
    text(in.BarRight, top - 25, "Z, " + in.ZUnit, 8, true);
    return out;
}
