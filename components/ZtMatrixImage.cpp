#include "ZtMatrixImage.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/core/Parallel.h"

#include "components/Ztservicefuncs.h"

using namespace platform;

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
        // The extremes in one pass, four running pairs at a time (no chain of comparisons).
        T lo[4] = {data[0], data[0], data[0], data[0]};
        T hi[4] = {data[0], data[0], data[0], data[0]};
        std::size_t i = 0;
        for (; i + 4 <= count; i += 4)
            for (int k = 0; k < 4; ++k) {
                const T v = data[i + static_cast<std::size_t>(k)];
                lo[k] = v < lo[k] ? v : lo[k];
                hi[k] = v > hi[k] ? v : hi[k];
            }
        for (; i < count; ++i) {
            lo[0] = data[i] < lo[0] ? data[i] : lo[0];
            hi[0] = data[i] > hi[0] ? data[i] : hi[0];
        }
        const std::int64_t low = *std::min_element(lo, lo + 4);
        const std::int64_t high = *std::max_element(hi, hi + 4);
        // Fewer values than cells: each grey worked out once.
        std::vector<std::uint8_t> table;
        if (high > low &&
            static_cast<std::uint64_t>(high - low) < std::min<std::uint64_t>(count, 1 << 16)) {
            table.resize(static_cast<std::size_t>(high - low) + 1);
            for (std::size_t d = 0; d < table.size(); ++d)
                table[d] = static_cast<std::uint8_t>(
                    GreyOf(low + static_cast<std::int64_t>(d), low, high));
        }
        const auto greyOf = [&](std::int64_t v) {
            return table.empty() ? static_cast<std::uint32_t>(GreyOf(v, low, high))
                                 : std::uint32_t{table[static_cast<std::size_t>(v - low)]};
        };
        constexpr int kBand = 32;
        ParallelBands(static_cast<std::size_t>((rows + kBand - 1) / kBand), [&](std::size_t band) {
            const int first = static_cast<int>(band) * kBand;
            for (int y = first; y < std::min(rows, first + kBand); ++y) {
                std::uint8_t* p = rowOf(y);
                const T* values = data + static_cast<std::size_t>(y) * width;
                int x = 0;
                // Four grey pixels are twelve bytes: three words.
                for (; x + 4 <= cols; x += 4, p += 12) {
                    const std::uint32_t a = greyOf(values[x]), b = greyOf(values[x + 1]);
                    const std::uint32_t c = greyOf(values[x + 2]), d = greyOf(values[x + 3]);
                    const std::uint32_t words[3] = {a | a << 8 | a << 16 | b << 24,
                                                    b | b << 8 | c << 16 | c << 24,
                                                    c | d << 8 | d << 16 | d << 24};
                    std::memcpy(p, words, 12);
                }
                for (; x < cols; ++x, p += 3)
                    p[0] = p[1] = p[2] = static_cast<std::uint8_t>(greyOf(values[x]));
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
