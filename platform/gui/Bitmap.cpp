#include "Bitmap.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/core/BmpDecoder.h"
#include "platform/core/Files.h"
#include "platform/core/Parallel.h"

namespace platform {

namespace {

constexpr int kDotsPerMeter = 3780; // 96 pixels per inch

void SetResolution(QImage& image)
{
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
}

template <typename T> void PutLE(std::vector<std::uint8_t>& out, T value)
{
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i)));
}

} // namespace

TBitmap::TBitmap() : canvas_(new TCanvas(*this)) {}

TBitmap::~TBitmap() = default;

QImage::Format TBitmap::QtFormat(TPixelFormat format)
{
    return format == pf24bit ? QImage::Format_BGR888 : QImage::Format_RGB32;
}

void TBitmap::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_)
        return;
    {
        std::lock_guard lock(canvas_->mutex_);
        QImage next;
        if (width > 0 && height > 0) {
            next = QImage(width, height, QtFormat(format_));
            if (next.isNull()) { // no memory for the picture: it stays as it was
                return;
            }
            SetResolution(next);
            const TBrush& brush = canvas_->Brush;
            const TColor fill = brush.Style == bsSolid ? canvas_->Resolve(brush.Color) : clBlack;
            next.fill(QColor(GetRValue(fill), GetGValue(fill), GetBValue(fill)));
            if (!image_.isNull()) {
                const int bpp = format_ == pf24bit ? 3 : 4;
                const int w = std::min(width, width_);
                const int h = std::min(height, height_);
                for (int y = 0; y < h; ++y)
                    std::memcpy(next.scanLine(y), image_.constScanLine(y),
                                static_cast<std::size_t>(w) * bpp);
            }
        }
        image_ = std::move(next);
        width_ = width;
        height_ = height;
    }
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == format_)
        return;
    {
        std::lock_guard lock(canvas_->mutex_);
        if (!image_.isNull() && QtFormat(format) != image_.format()) {
            QImage next = image_.convertToFormat(QtFormat(format));
            if (next.isNull())
                return;
            SetResolution(next);
            image_ = std::move(next);
        }
        format_ = format;
    }
    Changed();
}

int TBitmap::BitsPerPixel() const
{
    switch (format_) {
    case pf24bit:
        return 24;
    case pf32bit:
        return 32;
    default:
        return 0;
    }
}

int TBitmap::BytesPerLine() const
{
    const int bpp = format_ == pf24bit ? 3 : 4;
    return (width_ * bpp + 3) / 4 * 4;
}

std::uint8_t* TBitmap::ScanLine(int row)
{
    if (row < 0 || row >= height_ || image_.isNull())
        return nullptr;
    return image_.scanLine(row);
}

const std::uint8_t* TBitmap::ScanLine(int row) const
{
    if (row < 0 || row >= height_ || image_.isNull())
        return nullptr;
    return image_.constScanLine(row);
}

void TBitmap::Assign(const TBitmap* source)
{
    if (source == this)
        return;
    {
        // Both canvases in one step: a copy the other way round may run at the same time.
        const TCanvasPairLock lock(*canvas_, source ? *source->canvas_ : *canvas_);
        if (!source) {
            image_ = QImage();
            width_ = height_ = 0;
        } else {
            image_ = source->image_.copy(); // a copy of its own, not shared with the source
            width_ = source->width_;
            height_ = source->height_;
            format_ = source->format_;
            palette_ = source->palette_;
        }
    }
    Changed();
}

bool TBitmap::SaveToFile(const std::string& path) const
{
    std::vector<std::uint8_t> out;
    {
        std::lock_guard lock(canvas_->mutex_);
        if (Empty())
            return false;
        const int bits = format_ == pf32bit ? 32 : 24;
        const std::uint64_t stride = (static_cast<std::uint64_t>(width_) * bits / 8 + 3) / 4 * 4;
        const std::uint64_t pixelBytes = stride * static_cast<std::uint64_t>(height_);
        const std::uint64_t fileSize = 14 + 40 + pixelBytes;
        if (fileSize > 0xFFFFFFFFull)
            return false;
        out.reserve(static_cast<std::size_t>(fileSize));
        out.push_back('B');
        out.push_back('M');
        PutLE<std::uint32_t>(out, static_cast<std::uint32_t>(fileSize));
        PutLE<std::uint32_t>(out, 0);
        PutLE<std::uint32_t>(out, 14 + 40);
        PutLE<std::uint32_t>(out, 40);
        PutLE<std::int32_t>(out, width_);
        PutLE<std::int32_t>(out, height_); // positive: rows from the bottom up
        PutLE<std::uint16_t>(out, 1);
        PutLE<std::uint16_t>(out, static_cast<std::uint16_t>(bits));
        PutLE<std::uint32_t>(out, 0); // no compression
        PutLE<std::uint32_t>(out, static_cast<std::uint32_t>(pixelBytes));
        PutLE<std::int32_t>(out, 0);
        PutLE<std::int32_t>(out, 0);
        PutLE<std::uint32_t>(out, 0);
        PutLE<std::uint32_t>(out, 0);
        const int srcBpp = format_ == pf24bit ? 3 : 4;
        const int dstBpp = bits / 8;
        for (int y = height_ - 1; y >= 0; --y) {
            const std::uint8_t* row = image_.constScanLine(y);
            const std::size_t start = out.size();
            for (int x = 0; x < width_; ++x) {
                const std::uint8_t* p = row + static_cast<std::size_t>(x) * srcBpp;
                out.insert(out.end(), p, p + dstBpp);
            }
            out.resize(start + static_cast<std::size_t>(stride), 0);
        }
    }
    File file;
    if (!file.Open(path, File::Mode::CreateReplace))
        return false;
    const bool written = file.Write(out.data(), static_cast<std::int64_t>(out.size()));
    return file.Close() && written;
}

bool TBitmap::LoadFromFile(const std::string& path)
{
    BmpPicture picture;
    {
        std::vector<std::uint8_t> bytes;
        if (!ReadRegularFile(path, bytes, MaxBmpFileBytes) || DecodeBmp(bytes, picture) != BmpStatus::Ok)
            return false;
    }
    const TPixelFormat format = picture.BitCount == 32 ? pf32bit : pf24bit;
    QImage next(picture.Width, picture.Height, QtFormat(format));
    if (next.isNull())
        return false;
    // The decoded pixels are blue, green, red, 0xFF: the bytes of both formats' pixels.
    const int bpp = format == pf24bit ? 3 : 4;
    const std::size_t rowBytes = static_cast<std::size_t>(picture.Width) * 4;
    for (int y = 0; y < picture.Height; ++y) {
        const std::uint8_t* from = picture.Pixels.data() + rowBytes * static_cast<std::size_t>(y);
        std::uint8_t* to = next.scanLine(y);
        if (bpp == 4) {
            std::memcpy(to, from, rowBytes);
        } else {
            for (int x = 0; x < picture.Width; ++x)
                std::memcpy(to + 3 * static_cast<std::size_t>(x), from + 4 * static_cast<std::size_t>(x), 3);
        }
    }
    SetResolution(next);
    {
        std::lock_guard lock(canvas_->mutex_);
        width_ = next.width();
        height_ = next.height();
        format_ = format;
        image_ = std::move(next);
    }
    Changed();
    return true;
}

} // namespace platform
