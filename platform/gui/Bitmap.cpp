#include "Bitmap.h"

#include <QImageReader>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

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

// The bit count of a BMP file's header; 0 when it is no BMP file.
int BmpBitCount(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 30> h{};
    if (!in.read(reinterpret_cast<char*>(h.data()), h.size()))
        return 0;
    if (h[0] != 'B' || h[1] != 'M')
        return 0;
    const std::uint32_t headerSize =
        h[14] | (h[15] << 8) | (h[16] << 16) | (static_cast<std::uint32_t>(h[17]) << 24);
    if (headerSize == 12) // the old core header: the bit count is at offset 24
        return h[24] | (h[25] << 8);
    return h[28] | (h[29] << 8);
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
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    file.close();
    return static_cast<bool>(file);
}

bool TBitmap::LoadFromFile(const std::string& path)
{
    const int bits = BmpBitCount(path);
    if (bits == 0)
        return false;
    QImageReader reader(QString::fromStdString(path), "bmp");
    reader.setAutoTransform(false);
    QImage read = reader.read();
    if (read.isNull())
        return false;
    const TPixelFormat format = bits == 32 ? pf32bit : pf24bit;
    QImage next = read.convertToFormat(QtFormat(format));
    if (next.isNull())
        return false;
    if (format == pf32bit) {
        // The fourth byte of every pixel is 0xFF, whatever the file held there.
        for (int y = 0; y < next.height(); ++y) {
            auto* row = next.scanLine(y);
            for (int x = 0; x < next.width(); ++x)
                row[4 * x + 3] = 0xFF;
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
