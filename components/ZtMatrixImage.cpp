#include "ZtMatrixImage.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/core/Kernels.h"
#include "platform/core/Parallel.h"

#include "components/Ztservicefuncs.h"

using namespace platform;

namespace {

// The smallest and the largest of n ≥ 1 values.
template <typename T> MORVANE_INLINE inline void ExtremesOf(const T* p, std::size_t n, T& lo, T& hi)
{
    T l = p[0], h = p[0];
    for (std::size_t i = 0; i < n; ++i) {
        const T v = p[i];
        l = v < l ? v : l;
        h = v > h ? v : h;
    }
    lo = l;
    hi = h;
}

MORVANE_CLONES void Extremes(const std::int32_t* p, std::size_t n, std::int32_t& lo, std::int32_t& hi)
{
    ExtremesOf(p, n, lo, hi);
}

MORVANE_CLONES void Extremes(const std::int16_t* p, std::size_t n, std::int16_t& lo, std::int16_t& hi)
{
    ExtremesOf(p, n, lo, hi);
}

MORVANE_CLONES void Extremes(const std::uint16_t* p, std::size_t n, std::uint16_t& lo,
                             std::uint16_t& hi)
{
    ExtremesOf(p, n, lo, hi);
}

// The grey of every value low .. high (low < high, a difference that fits an int) as a
// pixel word, 0x010101 × GreyOf. GreyOf rises with the value (the product by 255 is exact
// and the division rounds monotonically), so each grey g holds a run of values whose first
// one lies next to ⌈g × (high − low) / 255⌉: found there by GreyOf itself, then filled.
std::vector<std::uint32_t> GreyTable(std::int64_t low, std::int64_t high)
{
    const std::int64_t range = high - low;
    std::vector<std::uint32_t> table(static_cast<std::size_t>(range) + 1);
    auto grey = [&](std::int64_t d) { return TZtMatrixImage::GreyOf(low + d, low, high); };
    std::int64_t from = 0;
    for (int g = 0; g < 256; ++g) {
        // The first value of grey g + 1 (past the table for the last grey).
        std::int64_t to = range + 1;
        if (g < 255) {
            to = ((g + 1) * range + 254) / 255;
            while (to > 0 && grey(to - 1) > g)
                --to;
            while (to <= range && grey(to) <= g)
                ++to;
        }
        to = std::max(to, from);
        std::fill(table.begin() + from, table.begin() + to, static_cast<std::uint32_t>(g) * 0x010101u);
        from = to;
    }
    return table;
}

} // namespace

TZtMatrixImage::TZtMatrixImage(QWidget* owner)
    : TZtAxisImage(owner), data_(std::make_unique<TBitmap>()), scaled_(std::make_unique<TBitmap>())
{
    data_->SetPixelFormat(pf24bit);
    scaled_->SetPixelFormat(pf24bit);
    for (TZtChartAxis* axis : {LeftAxis(), BottomAxis(), TopAxis(), RightAxis()})
        axis->SetGridVisible(false);
}

TZtMatrixImage::~TZtMatrixImage()
{
    MarkDestroying();
}

void TZtMatrixImage::SetNewData(const std::int32_t* Data, int Cols, int Rows)
{
    Build(Data, Cols, Rows);
}

void TZtMatrixImage::SetNewData(const std::int16_t* Data, int Cols, int Rows)
{
    Build(Data, Cols, Rows);
}

void TZtMatrixImage::SetNewData(const std::uint16_t* Data, int Cols, int Rows)
{
    Build(Data, Cols, Rows);
}

int TZtMatrixImage::GreyOf(std::int64_t Value, std::int64_t Low, std::int64_t High)
{
    // In doubles: the difference of two 32-bit values needs 33 bits.
    if (High <= Low)
        return 128;
    return static_cast<int>(static_cast<double>(Value - Low) * 255.0 /
                            static_cast<double>(High - Low));
}

template <typename T> void TZtMatrixImage::Build(const T* data, int cols, int rows)
{
    cols = std::max(cols, 0);
    rows = std::max(rows, 0);
    data_->SetSize(cols, rows);
    // No data, or no memory for the picture: nothing to show and nothing repainted.
    if (!data || data_->Empty() || data_->Width() != cols || data_->Height() != rows)
        return;
    const std::size_t width = static_cast<std::size_t>(cols);
    const std::size_t count = width * static_cast<std::size_t>(rows);
    // Row addresses from the calling thread; picture row y holds matrix row y or rows − 1 − y.
    data_->Canvas()->Lock();
    std::uint8_t* const top = data_->ScanLine(0);
    const std::ptrdiff_t stride = data_->BytesPerLine();
    auto rowOf = [&](int y) { return top + stride * (LeftTopZero ? y : rows - 1 - y); };
    if (OnGetValueColor) {
        // The handler runs on this thread, cell by cell; the colour it leaves carries on.
        std::uint8_t r = 0, g = 0, b = 0;
        for (int y = 0; y < rows; ++y) {
            std::uint8_t* row = rowOf(y);
            const T* values = data + static_cast<std::size_t>(y) * width;
            for (int x = 0; x < cols; ++x) {
                OnGetValueColor(this, x, y, static_cast<int>(values[x]), r, g, b);
                std::uint8_t* p = row + static_cast<std::size_t>(x) * 3;
                p[0] = b;
                p[1] = g;
                p[2] = r;
            }
        }
    } else {
        // The extremes, band by band on the workers.
        constexpr int kBand = 32;
        const std::size_t bands = static_cast<std::size_t>((rows + kBand - 1) / kBand);
        std::vector<T> lows(bands), highs(bands);
        ParallelBands(bands, [&](std::size_t band) {
            const std::size_t first = band * kBand * width;
            const std::size_t last = std::min(count, first + kBand * width);
            Extremes(data + first, last - first, lows[band], highs[band]);
        });
        const std::int64_t low = *std::min_element(lows.begin(), lows.end());
        const std::int64_t high = *std::max_element(highs.begin(), highs.end());
        // Fewer values than cells: each grey worked out once, as three bytes of a word.
        std::vector<std::uint32_t> table;
        if (high > low &&
            static_cast<std::uint64_t>(high - low) < std::min<std::uint64_t>(count, 1 << 16))
            table = GreyTable(low, high);
        ParallelBands(bands, [&](std::size_t band) {
            // Locals: the stores through bytes could reach anything held by reference.
            const std::uint32_t* const words = table.empty() ? nullptr : table.data();
            const std::int64_t lo = low, hi = high;
            const int n = cols;
            const int first = static_cast<int>(band) * kBand;
            for (int y = first; y < std::min(rows, first + kBand); ++y) {
                std::uint8_t* p = rowOf(y);
                const T* values = data + static_cast<std::size_t>(y) * width;
                // Each pixel as a word whose fourth byte the next pixel writes over; the
                // row's last pixel as its three bytes.
                std::uint32_t w = 0;
                if (words) {
                    for (int x = 0; x + 1 < n; ++x, p += 3) {
                        w = words[static_cast<std::size_t>(std::int64_t{values[x]} - lo)];
                        std::memcpy(p, &w, 4);
                    }
                    w = words[static_cast<std::size_t>(std::int64_t{values[n - 1]} - lo)];
                } else {
                    for (int x = 0; x + 1 < n; ++x, p += 3) {
                        w = static_cast<std::uint32_t>(GreyOf(values[x], lo, hi)) * 0x010101u;
                        std::memcpy(p, &w, 4);
                    }
                    w = static_cast<std::uint32_t>(GreyOf(values[n - 1], lo, hi)) * 0x010101u;
                }
                std::memcpy(p, &w, 3);
            }
        });
    }
    data_->Canvas()->Unlock();
    cached_ = {};
    Change(this);
}

void TZtMatrixImage::DrawGraphic(TBitmap* Bitmap)
{
    const TRect g = GraphRect();
    const TRect r = Rect(0, 0, g.Width(), g.Height());
    if (!Bitmap || r.Right <= 0 || r.Bottom <= 0)
        return;
    if (r != cached_) {
        scaled_->SetSize(r.Right, r.Bottom);
        const int dw = data_->Width();
        const int dh = data_->Height();
        const bool bilinear =
            UseBilinearInterpolation && dw > 1 && dh > 1 &&
            DoBilinearInterpolation(data_.get(), scaled_.get(),
                                    static_cast<double>(r.Right) / (dw - 1),
                                    static_cast<double>(r.Bottom) / (dh - 1), 0, 0);
        if (!bilinear)
            scaled_->Canvas()->StretchDraw(r, data_.get());
        cached_ = r;
    }
    Bitmap->Canvas()->Draw(g.Left, g.Top, scaled_.get());
}

void TZtMatrixImage::PointD2G(double X, double Y, int& GX, int& GY) const
{
    const TRect g = GraphRect();
    if (data_->Empty()) {
        GX = g.Left;
        GY = g.Top;
        return;
    }
    GX = TruncPixel(X * g.Width() / data_->Width() + g.Left);
    GY = TruncPixel(Y * g.Height() / data_->Height() + g.Top);
}

bool TZtMatrixImage::PointG2D(int GX, int GY, double& X, double& Y) const
{
    const TRect g = GraphRect();
    if (g.Width() <= 0 || g.Height() <= 0) {
        X = Y = 0;
        return false;
    }
    const int dw = data_->Width();
    const int dh = data_->Height();
    X = static_cast<double>(GX - g.Left) * dw / g.Width();
    Y = static_cast<double>(GY - g.Top) * dh / g.Height();
    return X >= 0 && X < dw && Y >= 0 && Y < dh;
}
