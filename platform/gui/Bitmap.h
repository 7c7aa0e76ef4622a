#pragma once
// The class library's bitmap on a QImage: a picture of width x height pixels with a
// canvas to draw on, direct access to its rows, an optional logical palette for
// palette-relative colours, BMP files, and a change notification.

#include <QImage>

#include "platform/core/Parallel.h"
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/core/LogicalPalette.h"
#include "platform/gui/Canvas.h"

namespace platform {

//! pfDevice: the screen's format; its pixels are held as 32 bits but are not offered as a
//! device-independent picture (BitsPerPixel() is 0). pf24bit and pf32bit: device-
//! independent rows of B, G, R (and a fourth byte, 0xFF) per pixel.
enum TPixelFormat { pfDevice, pf24bit, pf32bit };

class TBitmap {
public:
    TBitmap();
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    //! True when the width or the height is 0.
    bool Empty() const { return width_ <= 0 || height_ <= 0; }
    //! Changes the size; the pixels kept stay at the top left, new ones take the canvas's
    //! brush colour (black with a clear brush). Negative sizes count as 0.
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }
    void SetSize(int width, int height);

    TPixelFormat PixelFormat() const { return format_; }
    //! Changes the pixel format, keeping the picture.
    void SetPixelFormat(TPixelFormat format);
    //! Bits per pixel of the device-independent pixel rows: 24 or 32; 0 for pfDevice.
    int BitsPerPixel() const;
    //! Bytes from one row to the next (a multiple of 4).
    int BytesPerLine() const;
    //! The pixels of row `row` (0 = top): B, G, R (, 0xFF) per pixel, valid until the next
    //! change of size or format; nullptr outside the bitmap. Writing through it reports no
    //! change; hold the canvas's lock while another thread may use the bitmap.
    std::uint8_t* ScanLine(int row);
    const std::uint8_t* ScanLine(int row) const;

    //! The bitmap's canvas (owned by the bitmap).
    TCanvas* Canvas() const { return canvas_.get(); }

    //! Becomes a copy of the source's size, format, pixels and palette; nullptr empties it.
    void Assign(const TBitmap* source);

    //! Writes a BMP file (24 bits per pixel, 32 for pf32bit); false when the bitmap is
    //! empty or the file cannot be written.
    bool SaveToFile(const std::string& path) const;
    //! Reads a BMP file (pf32bit for a 32-bit file, pf24bit for every other depth); false,
    //! and the bitmap unchanged, when the path names no regular file (a FIFO is never
    //! waited on) or the file is no whole BMP picture: every pixel comes from the file.
    bool LoadFromFile(const std::string& path);

    //! The logical palette that palette-relative colours name (shared, never owned alone).
    const HPALETTE& Palette() const { return palette_; }
    void SetPalette(HPALETTE palette) { palette_ = std::move(palette); }

    //! Fired after every change of the picture: drawing through the canvas, size, format,
    //! Assign and LoadFromFile.
    std::function<void(TBitmap* Sender)> OnChange;

    //! The pixels as a Qt image (null while empty); for showing and copying.
    const QImage& Image() const { return image_; }

private:
    friend class TCanvas;
    void Changed();
    static QImage::Format QtFormat(TPixelFormat format);

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = pfDevice;
    QImage image_;
    HPALETTE palette_;
    std::unique_ptr<TCanvas> canvas_;
};


} // namespace platform
