#pragma once
// The drawing surface of a bitmap, with the pen, brush and font of the class library's
// canvas: lines leave out their end pixel, right and bottom edges of rectangles are
// exclusive, the pen mode (copy, inverting, xor) applies to outlines and fillings alike
// and touches every pixel of one figure once, so that drawing a figure twice with the
// inverting or the xor pen restores the picture. Every drawing operation reports itself
// through OnChange afterwards.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/gui/Colors.h"

class QFont;
class QImage;

namespace platform {

class TBitmap;

struct TPoint {
    int x = 0;
    int y = 0;
    constexpr bool operator==(const TPoint&) const = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    constexpr bool operator==(const TSize&) const = default;
};

//! A rectangle whose right and bottom edges lie outside it.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool operator==(const TRect&) const = default;
};

constexpr TRect Rect(int left, int top, int right, int bottom)
{
    return {left, top, right, bottom};
}

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
//! How the pen and the filling of figures combine with the pixels: copy the colour,
//! invert the pixel (the colour is not used), or xor the colour into it.
enum TPenMode { pmCopy, pmNot, pmXor };
enum TBrushStyle { bsSolid, bsClear };

enum TFontStyle : std::uint8_t {
    fsBold = 0x01,
    fsItalic = 0x02,
    fsUnderline = 0x04,
    fsStrikeOut = 0x08
};

struct TPen {
    TColor Color = clBlack;
    //! Pixels; 0 and 1 draw one-pixel lines.
    int Width = 1;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

struct TFont {
    //! The face name, Windows-1251.
    std::string Name = "MS Sans Serif";
    //! Negative: the character height in pixels; positive: the cell height in pixels.
    int Height = -11;
    TColor Color = clWindowText;
    //! TFontStyle flags.
    std::uint8_t Style = 0;
    //! The angle of the text's baseline in tenths of a degree, counter-clockwise; TextOut
    //! turns the text about its top-left corner (X, Y).
    int Escapement = 0;
    //! The size in points at 96 pixels per inch.
    int Size() const;
    void SetSize(int points);
};

//! Whether pixel (x, y) lies in the ellipse inscribed in the pixel rectangle l..r-1, t..b-1:
//! its centre lies inside it (or on it).
bool InsideEllipse(int l, int t, int r, int b, int x, int y);

//! The pixels of that ellipse row by row: for each row t..b-1 in turn, the first and the last
//! of its pixels (first > last where a row has none); exactly the pixels InsideEllipse names.
struct TPixelSpan {
    int First = 0, Last = -1;
};
std::vector<TPixelSpan> EllipseRows(int l, int t, int r, int b);

class TCanvas {
public:
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    ~TCanvas();

    TPen Pen;
    TBrush Brush;
    TFont Font;
    //! Fired after every drawing operation (on the thread that drew).
    std::function<void(TCanvas* Sender)> OnChange;

    //! The bitmap drawn into.
    TBitmap* Bitmap() const { return &owner_; }

    TPoint PenPos() const { return penPos_; }
    void SetPenPos(TPoint p) { penPos_ = p; }
    //! Moves the pen without drawing (no change is reported).
    void MoveTo(int X, int Y);
    //! A line from the pen position to (X, Y), leaving out (X, Y); the pen moves there.
    void LineTo(int X, int Y);
    //! Lines through the points, as MoveTo to the first and LineTo to each further one.
    void Polyline(std::span<const TPoint> Points);
    //! The closed figure through the points, filled with the brush (alternate filling).
    void Polygon(std::span<const TPoint> Points);
    //! Outline with the pen, inside filled with the brush; (X2, Y2) lies outside.
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    //! The ellipse inscribed in the rectangle, outline with the pen, inside with the brush.
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    //! Fills the rectangle with the brush (the pen mode does not apply).
    void FillRect(const TRect& R);
    //! Writes the text (Windows-1251) with its top-left corner at (X, Y) in the font's
    //! colour, on the brush colour when the brush is solid, turned by the font's Escapement
    //! about (X, Y); the pen moves to X plus the text's width.
    //! The pixels Qt draws for a text are kept per font and put down again the next time.
    void TextOut(int X, int Y, const std::string& Text);
    //! The width and height in pixels of the text in the current font, unturned.
    TSize TextExtent(const std::string& Text) const;
    int TextWidth(const std::string& Text) const { return TextExtent(Text).cx; }
    int TextHeight(const std::string& Text) const { return TextExtent(Text).cy; }
    //! Copies the whole bitmap with its top-left corner at (X, Y).
    void Draw(int X, int Y, const TBitmap* Graphic);
    //! Copies the whole bitmap scaled into the rectangle (nearest pixel).
    void StretchDraw(const TRect& R, const TBitmap* Graphic);
    //! Copies the source rectangle of another canvas into the destination rectangle,
    //! scaled (nearest pixel) when the sizes differ.
    void CopyRect(const TRect& Dest, TCanvas* Source, const TRect& SourceRect);
    //! The colour of a pixel; 0xFFFFFFFF outside the bitmap.
    TColor Pixels(int X, int Y) const;
    //! Sets one pixel (the pen mode does not apply); outside the bitmap nothing happens.
    void SetPixels(int X, int Y, TColor Color);

    //! Holds the canvas (and its bitmap's pixels) for the calling thread; nests.
    void Lock();
    void Unlock();
    bool TryLock();
    int LockCount() const { return lockCount_.load(); }

    //! The Qt font of the current font.
    QFont QtFont() const;
    //! The RGB value that a colour gives on this canvas (palette entries resolved through
    //! the bitmap's palette, system colours through the application's).
    TColor Resolve(TColor c) const;

private:
    friend class TBitmap;
    friend class TCanvasPairLock;
    struct TTextCache;
    struct TFontEntry;
    struct TTextEntry;
    explicit TCanvas(TBitmap& owner);
    void Changed();
    QImage& Image() const;
    //! The Qt font, its metrics and the texts drawn in it, for the current font (held lock).
    TFontEntry& CurrentFont() const;
    //! The width and the pixels of a text in a font, measured and drawn once (held lock).
    const TTextEntry& TextOf(TFontEntry& font, const std::string& text) const;

    TBitmap& owner_;
    TPoint penPos_;
    std::unique_ptr<TTextCache> texts_;
    mutable std::recursive_mutex mutex_;
    std::atomic<int> lockCount_{0};
};

//! Holds two canvases (and their bitmaps' pixels) for the calling thread in one step, in
//! an order that cannot deadlock against another thread taking the same two the other way
//! round; the same canvas twice is held once. Released on destruction.
class TCanvasPairLock {
public:
    TCanvasPairLock(const TCanvas& first, const TCanvas& second);
    ~TCanvasPairLock();
    TCanvasPairLock(const TCanvasPairLock&) = delete;
    TCanvasPairLock& operator=(const TCanvasPairLock&) = delete;

private:
    const TCanvas& first_;
    const TCanvas& second_;
};

} // namespace platform
