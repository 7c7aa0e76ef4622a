#include "ZtMatrixImage.h"

#include <algorithm>
#include <cstddef>

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
    std::int64_t low = 0, high = 0;
    if (!OnGetValueColor) {
        const auto [lo, hi] = std::minmax_element(data, data + count);
        low = *lo;
        high = *hi;
    }
    // Greys in doubles: the difference of two 32-bit values needs 33 bits.
    const double range = static_cast<double>(high - low);
    std::uint8_t r = 0, g = 0, b = 0;
    data_->Canvas()->Lock();
    for (int y = 0; y < rows; ++y) {
        std::uint8_t* row = data_->ScanLine(LeftTopZero ? y : rows - 1 - y);
        const T* values = data + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < cols; ++x) {
            const int v = static_cast<int>(values[x]);
            if (OnGetValueColor) {
                OnGetValueColor(this, x, y, v, r, g, b);
            } else {
                const int grey =
                    high > low ? static_cast<int>(static_cast<double>(v - low) * 255.0 / range) : 128;
                r = g = b = static_cast<std::uint8_t>(grey);
            }
            std::uint8_t* p = row + static_cast<std::size_t>(x) * 3;
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
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
        const bool bilinear = UseBilinearInterpolation && dw > 1 && dh > 1 &&
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
