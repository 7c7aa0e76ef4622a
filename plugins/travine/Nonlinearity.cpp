#include "Nonlinearity.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/core/Parallel.h"
#include "plugins/travine/Warp.h"

namespace travine {

namespace {

// The passes over a matrix run in at most this many bands on the machine's cores, none
// narrower than kBandWidth points (or rows).
constexpr std::size_t kBands = 8;
constexpr std::size_t kBandWidth = 64;

// A base of exactly 0 would have no logarithm.
constexpr double kZeroBase = 0.00001;

double Power(double base, float exponent)
{
    return std::exp(static_cast<double>(exponent) * std::log(base));
}

// The sums of one Pearson coefficient.
struct TSums {
    double Product = 0;
    double First = 0;
    double Second = 0;

    void Add(double a, double b)
    {
        Product += a * b;
        First += a * a;
        Second += b * b;
    }
    std::optional<double> Coefficient() const
    {
        const double d = std::sqrt(First * Second);
        if (!(d > 0) || !std::isfinite(d))
            return std::nullopt;
        return Product / d;
    }
};

} // namespace

double ForwardNonlinearity(int i, int N, float m, float n)
{
    if (N < 1)
        return 0;
    double a = 1.0 - static_cast<double>(i) / N;
    if (a == 0)
        a = kZeroBase;
    double g = 1.0 - Power(a, m);
    if (g == 0)
        g = kZeroBase;
    return N * Power(g, n);
}

double BackwardNonlinearity(int i, int N, float m, float n)
{
    if (N < 1)
        return 0;
    double a = static_cast<double>(i) / N;
    if (a == 0)
        a = kZeroBase;
    double g = 1.0 - Power(a, m);
    if (g == 0)
        g = kZeroBase;
    return N - N * Power(g, n);
}

int RoundToPixel(double value)
{
    const double v = value + 0.5;
    if (!std::isfinite(v) || v >= static_cast<double>(std::numeric_limits<int>::max()) ||
        v <= static_cast<double>(std::numeric_limits<int>::min()))
        return 0;
    return static_cast<int>(v);
}

int ForwardPixel(int i, int N, float m, float n)
{
    return std::clamp(RoundToPixel(ForwardNonlinearity(i, N, m, n)), 0, std::max(N - 1, 0));
}

std::vector<int> ForwardPixels(int N, float m, float n)
{
    std::vector<int> pixels(static_cast<std::size_t>(std::max(N, 0)));
    for (int i = 0; i < N; ++i)
        pixels[static_cast<std::size_t>(i)] = ForwardPixel(i, N, m, n);
    return pixels;
}

TImportCheck CheckChannel(const std::int32_t* raw, int w, int h)
{
    if (!raw || w <= 0 || h <= 0)
        return TImportCheck::Absent;
    const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    const auto [lo, hi] = std::minmax_element(raw, raw + count);
    return std::int64_t{*hi} - *lo > 65535 ? TImportCheck::TooWide : TImportCheck::Ok;
}

bool ImportChannel(const std::int32_t* raw, int w, int h, double xStep, double yStep, double zScale,
                   TDataspm16& target)
{
    target.Setmx(static_cast<std::uint16_t>(w));
    target.Setmy(static_cast<std::uint16_t>(h));
    target.SetKx(static_cast<float>(xStep));
    target.SetKy(static_cast<float>(yStep));
    target.SetKz(static_cast<float>(zScale));
    target.UnData();
    if (!raw || w <= 0 || h <= 0 || !target.NewDataBlock())
        return false;
    const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    const std::int32_t lo = *std::min_element(raw, raw + count);
    const std::int32_t hi = *std::max_element(raw, raw + count);
    std::uint16_t* values = target.DataLockate();
    // The difference taken in 64 bits, stored modulo 65536 (CheckChannel keeps it in range).
    for (std::size_t i = 0; i < count; ++i)
        values[i] = static_cast<std::uint16_t>(std::int64_t{raw[i]} - lo);
    target.DataUnLockate();
    target.SetMean(target.ValuesMean());
    target.SetMin(1);
    target.SetMax(static_cast<std::uint16_t>(std::int64_t{hi} - lo));
    target.ReCalcBMP();
    return true;
}

namespace {

// One point from its two neighbours a and b across its column or row (b may stand for a).
struct TFill {
    std::uint16_t* Target;
    std::uint8_t* Written;
    void operator()(std::size_t point, std::size_t a, std::size_t b) const
    {
        if (Written[point] || !Written[a])
            return;
        const int first = Target[a];
        const int second = Written[b] ? Target[b] : first;
        Target[point] = static_cast<std::uint16_t>((first + second) / 2);
        Written[point] = 1;
    }
};

bool Fillable(const std::vector<std::uint8_t>& written, int mx, int my)
{
    return mx > 0 && my > 0 &&
           written.size() >= static_cast<std::size_t>(mx) * static_cast<std::size_t>(my);
}

// One row of the row pass without branches (the same decisions as the point by point
// fill): each point of `to` from the rows `a` and `b` beside it (b may be a).
void FillRowFast(std::uint16_t* __restrict to, std::uint8_t* __restrict toMarks,
                 const std::uint16_t* __restrict a, const std::uint8_t* __restrict aMarks,
                 const std::uint16_t* __restrict b, const std::uint8_t* __restrict bMarks,
                 std::size_t n)
{
    // Every value loaded and selected by masks, so that the loop has no control flow.
    for (std::size_t x = 0; x < n; ++x) {
        const std::uint16_t first = a[x];
        const std::uint16_t other = b[x];
        const std::uint16_t old = to[x];
        const std::uint16_t bMask = static_cast<std::uint16_t>(-static_cast<int>(bMarks[x] != 0));
        const std::uint16_t take =
            static_cast<std::uint16_t>(-static_cast<int>((toMarks[x] == 0) & (aMarks[x] != 0)));
        const std::uint16_t second = static_cast<std::uint16_t>((other & bMask) | (first & ~bMask));
        const std::uint16_t mean = static_cast<std::uint16_t>((static_cast<unsigned>(first) + second) >> 1);
        to[x] = static_cast<std::uint16_t>((mean & take) | (old & ~take));
        toMarks[x] = static_cast<std::uint8_t>(toMarks[x] | aMarks[x]);
    }
}

// The rows that the row pass fills: those whose point in column 0 is empty when the pass
// begins (filling a row changes no other row's points).
std::vector<int> RowsToFill(const std::uint8_t* marks, int mx, int my)
{
    std::vector<int> rows;
    for (int r = 0; r < my; ++r)
        if (!marks[static_cast<std::size_t>(r) * static_cast<std::size_t>(mx)])
            rows.push_back(r);
    return rows;
}

// The row pass: every row whose point in column 0 is still empty, in ascending order; each
// of its points from the rows before and after it. `fast` takes a row at a time without
// branches, in bands of columns on the machine's cores (the columns do not depend on each
// other there).
void FillRows(std::uint16_t* target, std::vector<std::uint8_t>& written, int mx, int my,
              platform::IProgress* progress, bool fast)
{
    if (my <= 1)
        return;
    const std::size_t w = static_cast<std::size_t>(mx);
    std::uint8_t* marks = written.data();
    const std::vector<int> rows = RowsToFill(marks, mx, my);
    if (fast) {
        const std::size_t bands = std::min<std::size_t>(kBands, (w + kBandWidth - 1) / kBandWidth);
        platform::ParallelBands(bands, [&](std::size_t band) {
            const std::size_t x0 = w * band / bands;
            const std::size_t n = w * (band + 1) / bands - x0;
            for (const int r : rows) {
                const std::size_t row = static_cast<std::size_t>(r) * w + x0;
                const std::size_t a = static_cast<std::size_t>(FirstNeighbour(r)) * w + x0;
                const std::size_t b = static_cast<std::size_t>(SecondNeighbour(r, my)) * w + x0;
                FillRowFast(target + row, marks + row, target + a, marks + a, target + b, marks + b, n);
            }
        });
        if (progress)
            progress->SetPosition(my - 1);
        return;
    }
    const TFill fill{target, marks};
    for (const int r : rows) {
        const std::size_t row = static_cast<std::size_t>(r) * w;
        const std::size_t a = static_cast<std::size_t>(FirstNeighbour(r)) * w;
        const std::size_t b = static_cast<std::size_t>(SecondNeighbour(r, my)) * w;
        for (std::size_t x = 0; x < w; ++x)
            fill(row + x, a + x, b + x);
        if (progress)
            progress->SetPosition(r);
    }
}

} // namespace

void WarpImage(const std::uint16_t* source, int mx, int my, const TExponents& e,
               std::uint16_t* target, std::vector<std::uint8_t>& written,
               platform::IProgress& progress)
{
    TWarp(mx, my, e, false).Apply(source, target, &written, progress);
}

void WarpImagePlain(const std::uint16_t* source, int mx, int my, const TExponents& e,
                    std::uint16_t* target, std::vector<std::uint8_t>& written)
{
    const std::size_t w = static_cast<std::size_t>(std::max(mx, 0));
    const std::size_t h = static_cast<std::size_t>(std::max(my, 0));
    std::fill(target, target + w * h, std::uint16_t{0});
    written.assign(w * h, 0);
    for (int y = 0; y < my; ++y)
        for (int x = 0; x < mx; ++x) {
            const int tx =
                std::min(RoundToPixel(ForwardNonlinearity(x, mx, e.FastM, e.FastN)), mx - 1);
            const int ty =
                std::min(RoundToPixel(ForwardNonlinearity(y, my, e.SlowM, e.SlowN)), my - 1);
            const std::size_t at = static_cast<std::size_t>(ty) * w + static_cast<std::size_t>(tx);
            target[at] = source[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)];
            written[at] = 1;
        }
}

void FillGaps(std::uint16_t* target, std::vector<std::uint8_t>& written, int mx, int my,
              platform::IProgress& progress)
{
    progress.SetRange(0, my);
    if (!Fillable(written, mx, my))
        return;
    const std::size_t w = static_cast<std::size_t>(mx);
    if (mx > 1) {
        // The empty columns are known before the pass: filling one column never touches
        // another's point in row 0. A point depends only on points of its own row, so the
        // rows may be taken one after the other, each column in ascending order.
        std::vector<int> empty;
        for (int c = 0; c < mx; ++c)
            if (!written[static_cast<std::size_t>(c)])
                empty.push_back(c);
        const TFill fill{target, written.data()};
        const std::size_t h = static_cast<std::size_t>(my);
        const std::size_t bands = std::min<std::size_t>(kBands, (h + kBandWidth - 1) / kBandWidth);
        if (!empty.empty())
            platform::ParallelBands(bands, [&](std::size_t band) {
                for (std::size_t y = h * band / bands; y < h * (band + 1) / bands; ++y) {
                    const std::size_t row = y * w;
                    for (const int c : empty)
                        fill(row + static_cast<std::size_t>(c),
                             row + static_cast<std::size_t>(FirstNeighbour(c)),
                             row + static_cast<std::size_t>(SecondNeighbour(c, mx)));
                }
            });
    }
    FillRows(target, written, mx, my, &progress, true);
}

void FillGapsPlain(std::uint16_t* target, std::vector<std::uint8_t>& written, int mx, int my)
{
    if (!Fillable(written, mx, my))
        return;
    const std::size_t w = static_cast<std::size_t>(mx);
    const TFill fill{target, written.data()};
    if (mx > 1)
        for (int c = 0; c < mx; ++c) {
            if (written[static_cast<std::size_t>(c)])
                continue;
            for (int y = 0; y < my; ++y) {
                const std::size_t row = static_cast<std::size_t>(y) * w;
                fill(row + static_cast<std::size_t>(c),
                     row + static_cast<std::size_t>(FirstNeighbour(c)),
                     row + static_cast<std::size_t>(SecondNeighbour(c, mx)));
            }
        }
    FillRows(target, written, mx, my, nullptr, false);
}

std::optional<double> ProfileCorrelation(const double* s, const double* t, std::size_t n)
{
    if (n == 0)
        return std::nullopt;
    double ms = 0;
    double mt = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ms += s[i];
        mt += t[i];
    }
    ms /= static_cast<double>(n);
    mt /= static_cast<double>(n);
    TSums sums;
    for (std::size_t i = 0; i < n; ++i)
        sums.Add(s[i] - ms, t[i] - mt);
    return sums.Coefficient();
}

std::optional<double> MatrixCorrelation(const TDataspm16& p, const TDataspm16& q,
                                        platform::IProgress& progress)
{
    const int mx = p.mx();
    const int my = p.my();
    progress.SetRange(0, my);
    const std::size_t count = static_cast<std::size_t>(mx) * static_cast<std::size_t>(my);
    if (q.mx() != mx || q.my() != my || count == 0 || p.Block().size() < count ||
        q.Block().size() < count)
        return std::nullopt;
    const std::uint16_t* a = p.Block().data();
    const std::uint16_t* b = q.Block().data();
    const double ma = p.Mean();
    const double mb = q.Mean();
    TSums sums;
    for (int y = 0; y < my; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(mx);
        for (std::size_t x = 0; x < static_cast<std::size_t>(mx); ++x)
            sums.Add(a[row + x] - ma, b[row + x] - mb);
        progress.SetPosition(y);
    }
    return sums.Coefficient();
}

TProfileCoefficients ProfilesCorrelation(const TDataspm16& f, const TDataspm16& b,
                                         platform::IProgress& progress)
{
    TProfileCoefficients result;
    const int mx = std::min(f.mx(), b.mx());
    const int my = std::min(f.my(), b.my());
    // The sums run on from column to column (and from row to row).
    TSums columns;
    progress.SetRange(0, mx);
    for (int x = 0; x < mx; ++x) {
        const double mf = f.MeanProfX(x);
        const double mb = b.MeanProfX(x);
        for (int y = 0; y < my; ++y)
            columns.Add(f.GetDataPoint(x, y) - mf, b.GetDataPoint(x, y) - mb);
        result.Columns.push_back(columns.Coefficient());
        progress.SetPosition(x);
    }
    TSums rows;
    progress.SetRange(0, my);
    for (int y = 0; y < my; ++y) {
        const double mf = f.MeanProfY(y);
        const double mb = b.MeanProfY(y);
        for (int x = 0; x < mx; ++x)
            rows.Add(f.GetDataPoint(x, y) - mf, b.GetDataPoint(x, y) - mb);
        result.Rows.push_back(rows.Coefficient());
        progress.SetPosition(y);
    }
    return result;
}

} // namespace travine
