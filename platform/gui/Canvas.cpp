#include "Canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/gui/Bitmap.h"
#include "platform/gui/Text1251.h"

namespace platform {

namespace {

// The dash patterns of one-pixel pens: lengths of drawn and left-out runs in turn.
struct Pattern {
    const int* Runs;
    int Count;
    int Period;
};

constexpr int kDash[] = {18, 6};
constexpr int kDot[] = {3, 3};
constexpr int kDashDot[] = {9, 6, 3, 6};
constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};

Pattern PatternOf(TPenStyle style)
{
    switch (style) {
    case psDash:
        return {kDash, 2, 24};
    case psDot:
        return {kDot, 2, 6};
    case psDashDot:
        return {kDashDot, 4, 24};
    case psDashDotDot:
        return {kDashDotDot, 6, 24};
    default:
        return {nullptr, 0, 0};
    }
}

// Whether step `k` of a styled line falls on a drawn run.
bool PatternOn(const Pattern& p, long long k)
{
    if (!p.Runs)
        return true;
    int pos = static_cast<int>(k % p.Period);
    for (int i = 0; i < p.Count; ++i) {
        if (pos < p.Runs[i])
            return i % 2 == 0;
        pos -= p.Runs[i];
    }
    return true;
}

// Calls plot(x, y, k) for each pixel k = 0, 1, ... of the line from (x0, y0) towards
// (x1, y1), leaving out (x1, y1), only for pixels inside `clip`. Returns the number of
// steps of the whole line.
template <typename Plot>
long long LinePixels(int x0, int y0, int x1, int y1, const QRect& clip, Plot&& plot)
{
    const long long dx = static_cast<long long>(x1) - x0;
    const long long dy = static_cast<long long>(y1) - y0;
    const long long adx = std::llabs(dx);
    const long long ady = std::llabs(dy);
    const bool xMajor = adx >= ady;
    const long long steps = xMajor ? adx : ady;
    if (steps == 0 || clip.isEmpty())
        return steps;
    const int sMajor = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int sMinor = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const long long major0 = xMajor ? x0 : y0;
    const long long minor0 = xMajor ? y0 : x0;
    const long long amin = xMajor ? ady : adx;
    // Only the steps whose major coordinate lies inside the clip are visited.
    const long long lo = xMajor ? clip.left() : clip.top();
    const long long hi = xMajor ? clip.right() : clip.bottom(); // inclusive
    long long kFirst, kLast; // inclusive range of k with lo <= major0 + sMajor*k <= hi
    if (sMajor > 0) {
        kFirst = lo - major0;
        kLast = hi - major0;
    } else {
        kFirst = major0 - hi;
        kLast = major0 - lo;
    }
    kFirst = std::max(kFirst, 0LL);
    kLast = std::min(kLast, steps - 1);
    if (kFirst > kLast)
        return steps;
    // The minor coordinate is the rounded exact value (halves rounded up):
    // (2 k amin + steps) / (2 steps), stepped from kFirst on by its quotient and remainder.
    const long long den = 2 * steps;
    const long long inc = 2 * amin; // at most den
    const __int128 first = static_cast<__int128>(2) * kFirst * amin + steps;
    long long quotient = static_cast<long long>(first / den);
    long long remainder = static_cast<long long>(first % den);
    for (long long k = kFirst; k <= kLast; ++k) {
        const long long major = major0 + sMajor * k;
        const long long minor = minor0 + sMinor * quotient;
        const long long x = xMajor ? major : minor;
        const long long y = xMajor ? minor : major;
        if (x >= clip.left() && x <= clip.right() && y >= clip.top() && y <= clip.bottom())
            plot(static_cast<int>(x), static_cast<int>(y), k);
        remainder += inc;
        if (remainder >= den) {
            remainder -= den;
            ++quotient;
        }
    }
    return steps;
}

int BytesPerPixel(const QImage& image)
{
    return image.format() == QImage::Format_BGR888 ? 3 : 4;
}

// Combines the colour `rgb` (0x00BBGGRR) with the pixel at p as the mode says.
inline void Apply(std::uint8_t* p, TColor rgb, TPenMode mode)
{
    const std::uint8_t b = static_cast<std::uint8_t>(GetBValue(rgb));
    const std::uint8_t g = static_cast<std::uint8_t>(GetGValue(rgb));
    const std::uint8_t r = static_cast<std::uint8_t>(GetRValue(rgb));
    switch (mode) {
    case pmCopy:
        p[0] = b;
        p[1] = g;
        p[2] = r;
        break;
    case pmNot:
        p[0] = ~p[0];
        p[1] = ~p[1];
        p[2] = ~p[2];
        break;
    case pmXor:
        p[0] ^= b;
        p[1] ^= g;
        p[2] ^= r;
        break;
    }
}

inline void SetOpaque(std::uint8_t* p, int bpp)
{
    if (bpp == 4)
        p[3] = 0xFF;
}

// The pixel rows of an image, their addresses taken once (for the image's own lock holder).
struct TPixels {
    explicit TPixels(QImage& image)
        : Bits(image.bits()), Stride(image.bytesPerLine()), Width(image.width()),
          Height(image.height()), Bpp(BytesPerPixel(image))
    {
    }
    std::uint8_t* Row(int y) const { return Bits + static_cast<std::ptrdiff_t>(y) * Stride; }
    std::uint8_t* At(int x, int y) const { return Row(y) + static_cast<std::ptrdiff_t>(x) * Bpp; }
    std::uint8_t* Bits;
    std::ptrdiff_t Stride;
    int Width;
    int Height;
    int Bpp;
};

// Sets the pixels x0 .. x1 − 1 of row y to the colour `rgb`, as Apply with pmCopy does.
void FillRun(const TPixels& image, int y, long long x0, long long x1, TColor rgb)
{
    x0 = std::max(x0, 0LL);
    x1 = std::min<long long>(x1, image.Width);
    if (y < 0 || y >= image.Height || x0 >= x1)
        return;
    std::uint8_t* row = image.Row(y);
    if (image.Bpp == 4) {
        const std::uint32_t pixel = 0xFF000000u | (std::uint32_t(GetRValue(rgb)) << 16) |
                                    (std::uint32_t(GetGValue(rgb)) << 8) | GetBValue(rgb);
        auto* p = reinterpret_cast<std::uint32_t*>(row);
        std::fill(p + x0, p + x1, pixel);
        return;
    }
    // Three-byte pixels: sixteen of them at a time as 48 bytes, then the rest.
    const std::uint8_t pixel[3] = {static_cast<std::uint8_t>(GetBValue(rgb)),
                                   static_cast<std::uint8_t>(GetGValue(rgb)),
                                   static_cast<std::uint8_t>(GetRValue(rgb))};
    std::uint8_t block[48];
    for (int i = 0; i < 48; ++i)
        block[i] = pixel[i % 3];
    std::uint8_t* p = row + x0 * 3;
    std::uint8_t* const end = row + x1 * 3;
    for (; end - p >= 48; p += 48)
        std::memcpy(p, block, 48);
    std::memcpy(p, block, static_cast<std::size_t>(end - p));
}

// Runs rows(first, last) over bands of the rows from..to − 1, on the machine's cores when
// the rows hold many bytes.
void ForRows(long long from, long long to, long long rowBytes,
             const std::function<void(long long, long long)>& rows)
{
    constexpr long long kBand = 32;
    constexpr long long kParallelBytes = 1 << 20;
    if (to <= from)
        return;
    if ((to - from) * rowBytes < kParallelBytes) {
        rows(from, to);
        return;
    }
    const long long bands = (to - from + kBand - 1) / kBand;
    ParallelBands(static_cast<std::size_t>(bands), [&](std::size_t b) {
        const long long first = from + static_cast<long long>(b) * kBand;
        rows(first, std::min(to, first + kBand));
    });
}

// Sets the pixels x0 .. x1 − 1 of the rows y0 .. y1 − 1 to the colour `rgb` (FillRun row by
// row), on the machine's cores when the rows hold many bytes.
void FillRows(const TPixels& image, int y0, int y1, long long x0, long long x1, TColor rgb)
{
    y0 = std::max(y0, 0);
    y1 = std::min(y1, image.Height);
    const long long rowBytes = std::max(0LL, std::min<long long>(x1, image.Width) - std::max(x0, 0LL)) * image.Bpp;
    ForRows(y0, y1, rowBytes, [&](long long first, long long last) {
        for (long long y = first; y < last; ++y)
            FillRun(image, static_cast<int>(y), x0, x1, rgb);
    });
}

// Pixels of one figure, each taken once: 1 pen, 2 the gaps of a styled pen on a solid
// brush, 3 the filling.
class Mask {
public:
    enum Code : std::uint8_t { None = 0, PenPixel = 1, Gap = 2, Fill = 3 };

    Mask(const QRect& box) : box_(box)
    {
        if (!box_.isEmpty())
            cells_.assign(static_cast<std::size_t>(box_.width()) * box_.height(), None);
    }
    const QRect& Box() const { return box_; }
    bool Empty() const { return box_.isEmpty(); }
    void Set(int x, int y, Code code)
    {
        if (!box_.contains(x, y))
            return;
        auto& c = cells_[Index(x, y)];
        if (c == None)
            c = code;
    }
    // Set for the pixels first..last of row y.
    void SetRun(int y, int first, int last, Code code)
    {
        if (y < box_.top() || y > box_.bottom())
            return;
        first = std::max(first, box_.left());
        last = std::min(last, box_.right());
        if (first > last)
            return;
        std::uint8_t* cell = &cells_[Index(first, y)];
        for (int x = first; x <= last; ++x, ++cell)
            if (*cell == None)
                *cell = code;
    }
    Code At(int x, int y) const { return static_cast<Code>(cells_[Index(x, y)]); }
    void AddRect(const QRect& r, Code code)
    {
        const QRect area = r & box_;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                Set(x, y, code);
    }

    // Adds every pixel that Qt's aliased painting covers.
    template <typename Paint> void AddPainted(Code code, Paint&& paint)
    {
        if (Empty())
            return;
        QImage cover(box_.size(), QImage::Format_ARGB32_Premultiplied);
        cover.fill(Qt::transparent);
        {
            QPainter p(&cover);
            p.setRenderHint(QPainter::Antialiasing, false);
            p.translate(-box_.left(), -box_.top());
            paint(p);
        }
        for (int y = 0; y < box_.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(cover.constScanLine(y));
            for (int x = 0; x < box_.width(); ++x)
                if (qAlpha(row[x]) != 0)
                    Set(box_.left() + x, box_.top() + y, code);
        }
    }

private:
    std::size_t Index(int x, int y) const
    {
        return static_cast<std::size_t>(y - box_.top()) * box_.width() + (x - box_.left());
    }
    QRect box_;
    std::vector<std::uint8_t> cells_;
};

// The box of the points widened by `margin`, clipped to the image.
QRect BoxOf(std::span<const TPoint> points, int margin, const QRect& bounds)
{
    if (points.empty())
        return {};
    long long l = points[0].x, t = points[0].y, r = l, b = t;
    for (const auto& p : points) {
        l = std::min<long long>(l, p.x);
        t = std::min<long long>(t, p.y);
        r = std::max<long long>(r, p.x);
        b = std::max<long long>(b, p.y);
    }
    l = std::max<long long>(l - margin, bounds.left());
    t = std::max<long long>(t - margin, bounds.top());
    r = std::min<long long>(r + margin, bounds.right());
    b = std::min<long long>(b + margin, bounds.bottom());
    if (l > r || t > b)
        return {};
    return QRect(QPoint(static_cast<int>(l), static_cast<int>(t)),
                 QPoint(static_cast<int>(r), static_cast<int>(b)));
}

QPointF Centre(const TPoint& p)
{
    return QPointF(p.x + 0.5, p.y + 0.5);
}

// Coordinates of figures are held to a range in which their arithmetic cannot overflow;
// every picture lies far inside it.
constexpr int kFar = 1 << 29;
int Held(int v)
{
    return std::clamp(v, -kFar, kFar);
}

// The box of a filled figure between two corners, held to the safe range and put in
// order; without a pen the filled area is one pixel narrower and lower.
struct FigureBox {
    int l, t, r, b;
};

FigureBox OrderedBox(int X1, int Y1, int X2, int Y2, bool noPen)
{
    X1 = Held(X1);
    Y1 = Held(Y1);
    X2 = Held(X2);
    Y2 = Held(Y2);
    FigureBox box{std::min(X1, X2), std::min(Y1, Y2), std::max(X1, X2), std::max(Y1, Y2)};
    if (noPen) {
        --box.r;
        --box.b;
    }
    return box;
}

QFont QtFontOf(const TFont& font)
{
    QFont f(FromCp1251(font.Name));
    const int h = font.Height == 0 ? 11 : std::abs(font.Height);
    f.setPixelSize(std::max(h, 1));
    f.setBold(font.Style & fsBold);
    f.setItalic(font.Style & fsItalic);
    f.setUnderline(font.Style & fsUnderline);
    f.setStrikeOut(font.Style & fsStrikeOut);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

// Texts longer than this are measured and drawn by Qt every time.
constexpr std::size_t kLongestKeptText = 256;
constexpr std::size_t kKeptTextsPerFont = 4096;
constexpr std::size_t kKeptFonts = 8;

} // namespace

struct TCanvas::TTextEntry {
    int Width = 0;
    //! The text's pixels are known: Qt drew it once into a box with Pad pixels around.
    bool Known = false;
    int Pad = 0;
    //! The drawn pixels: Left .. Right − 1 of box row Row.
    struct TRun {
        int Row, Left, Right;
    };
    std::vector<TRun> Runs;
};

struct TCanvas::TFontEntry {
    explicit TFontEntry(const TFont& font)
        : Name(font.Name), Height(font.Height), Style(font.Style), Font(QtFontOf(font)),
          Metrics(Font)
    {
    }
    bool Is(const TFont& font) const
    {
        return font.Height == Height && font.Style == Style && font.Name == Name;
    }
    std::string Name;
    int Height;
    std::uint8_t Style;
    QFont Font;
    QFontMetrics Metrics;
    std::unordered_map<std::string, TTextEntry> Texts;
};

struct TCanvas::TTextCache {
    std::vector<std::unique_ptr<TFontEntry>> Fonts; // the latest used first
};

TCanvas::TCanvas(TBitmap& owner) : owner_(owner), texts_(std::make_unique<TTextCache>()) {}

TCanvas::~TCanvas() = default;

TCanvas::TFontEntry& TCanvas::CurrentFont() const
{
    auto& fonts = texts_->Fonts;
    for (std::size_t i = 0; i < fonts.size(); ++i)
        if (fonts[i]->Is(Font)) {
            if (i > 0)
                std::swap(fonts[i], fonts[0]);
            return *fonts[0];
        }
    if (fonts.size() >= kKeptFonts)
        fonts.pop_back();
    fonts.insert(fonts.begin(), std::make_unique<TFontEntry>(Font));
    return *fonts[0];
}

const TCanvas::TTextEntry& TCanvas::TextOf(TFontEntry& font, const std::string& text) const
{
    if (const auto found = font.Texts.find(text); found != font.Texts.end())
        return found->second;
    if (font.Texts.size() >= kKeptTextsPerFont)
        font.Texts.clear();
    TTextEntry entry;
    const QString q = FromCp1251(text);
    entry.Width = font.Metrics.horizontalAdvance(q);
    if (text.size() <= kLongestKeptText) {
        // Qt draws the text once on a transparent box; its pixels are kept when every one
        // is fully drawn or untouched (aliased text) and none reaches the box's border.
        const int height = font.Metrics.height();
        const int pad = std::max(height, 8);
        QImage box(entry.Width + 2 * pad, height + 2 * pad, QImage::Format_ARGB32_Premultiplied);
        if (!box.isNull()) {
            box.fill(0);
            {
                QPainter p(&box);
                p.setRenderHint(QPainter::Antialiasing, false);
                p.setRenderHint(QPainter::TextAntialiasing, false);
                p.setFont(font.Font);
                p.setPen(QColor(0, 0, 0));
                p.drawText(QPoint(pad, pad + font.Metrics.ascent()), q);
            }
            bool known = true;
            for (int y = 0; y < box.height() && known; ++y) {
                const auto* row = reinterpret_cast<const QRgb*>(box.constScanLine(y));
                for (int x = 0; x < box.width(); ++x) {
                    const int a = qAlpha(row[x]);
                    if (a == 0)
                        continue;
                    if (a != 255 || x == 0 || y == 0 || x == box.width() - 1 ||
                        y == box.height() - 1) {
                        known = false;
                        break;
                    }
                    if (!entry.Runs.empty() && entry.Runs.back().Row == y &&
                        entry.Runs.back().Right == x)
                        ++entry.Runs.back().Right;
                    else
                        entry.Runs.push_back({y, x, x + 1});
                }
            }
            entry.Known = known;
            entry.Pad = pad;
            if (!known)
                entry.Runs.clear();
        }
    }
    return font.Texts.emplace(text, std::move(entry)).first->second;
}

int TFont::Size() const
{
    // Points at 96 pixels per inch, rounded as the class library does.
    const int h = Height < 0 ? -Height : Height;
    return (h * 72 + 48) / 96;
}

void TFont::SetSize(int points)
{
    Height = -((points * 96 + 36) / 72);
}

QImage& TCanvas::Image() const
{
    return owner_.image_;
}

void TCanvas::Changed()
{
    if (OnChange)
        OnChange(this);
    owner_.Changed();
}

void TCanvas::Lock()
{
    mutex_.lock();
    ++lockCount_;
}

void TCanvas::Unlock()
{
    if (lockCount_.load() <= 0)
        return;
    --lockCount_;
    mutex_.unlock();
}

TCanvasPairLock::TCanvasPairLock(const TCanvas& first, const TCanvas& second)
    : first_(first), second_(second)
{
    if (&first == &second)
        first.mutex_.lock();
    else
        std::lock(first.mutex_, second.mutex_);
}

TCanvasPairLock::~TCanvasPairLock()
{
    first_.mutex_.unlock();
    if (&first_ != &second_)
        second_.mutex_.unlock();
}

bool TCanvas::TryLock()
{
    if (!mutex_.try_lock())
        return false;
    ++lockCount_;
    return true;
}

TColor TCanvas::Resolve(TColor c) const
{
    if (IsPaletteIndex(c)) {
        const auto& palette = owner_.Palette();
        if (!palette)
            return clBlack;
        const PaletteEntry e = palette->Entry(static_cast<int>(c & 0xFFFF));
        return RGB(e.peRed, e.peGreen, e.peBlue);
    }
    return ColorToRGB(c) & 0xFFFFFF;
}

QFont TCanvas::QtFont() const
{
    return QtFontOf(Font);
}

void TCanvas::MoveTo(int X, int Y)
{
    penPos_ = {X, Y};
}

void TCanvas::LineTo(int X, int Y)
{
    const TPoint from = penPos_;
    penPos_ = {X, Y};
    const TPoint points[] = {from, {X, Y}};
    Polyline(points);
}

void TCanvas::Polyline(std::span<const TPoint> Points)
{
    {
        std::lock_guard lock(mutex_);
        QImage& image = Image();
        if (Points.size() >= 2 && Pen.Style != psClear && !image.isNull()) {
            const QRect bounds = image.rect();
            const TColor pen = Resolve(Pen.Color);
            if (Pen.Width <= 1) {
                // Segments one by one, as separate lines from the pen's position.
                const TPixels pixels(image);
                const int bpp = pixels.Bpp;
                const Pattern pattern = PatternOf(Pen.Style);
                const bool opaque = Brush.Style == bsSolid;
                const TColor gap = Resolve(Brush.Color);
                long long offset = 0;
                for (std::size_t i = 1; i < Points.size(); ++i) {
                    const TPoint a = Points[i - 1], b = Points[i];
                    offset +=
                        LinePixels(a.x, a.y, b.x, b.y, bounds, [&](int x, int y, long long k) {
                            const bool on = PatternOn(pattern, offset + k);
                            if (!on && !opaque)
                                return;
                            std::uint8_t* p = pixels.At(x, y);
                            Apply(p, on ? pen : gap, Pen.Mode);
                            SetOpaque(p, bpp);
                        });
                }
            } else {
                Mask mask(BoxOf(Points, Pen.Width, bounds));
                const int width = Pen.Width;
                mask.AddPainted(Mask::PenPixel, [&](QPainter& p) {
                    p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                    QPolygonF line;
                    for (const auto& pt : Points)
                        line << Centre(pt);
                    p.drawPolyline(line);
                });
                const TPixels pixels(image);
                const int bpp = pixels.Bpp;
                const QRect& box = mask.Box();
                for (int y = box.top(); y <= box.bottom() && !mask.Empty(); ++y)
                    for (int x = box.left(); x <= box.right(); ++x)
                        if (mask.At(x, y) != Mask::None) {
                            std::uint8_t* p = pixels.At(x, y);
                            Apply(p, pen, Pen.Mode);
                            SetOpaque(p, bpp);
                        }
            }
        }
        if (!Points.empty())
            penPos_ = Points.back();
    }
    Changed();
}

namespace {

// Draws a figure's mask onto the image: pen, gaps (brush colour) and filling.
void ApplyMask(QImage& image, const Mask& mask, TColor pen, TColor gap, TColor fill, TPenMode mode)
{
    if (mask.Empty())
        return;
    const TPixels pixels(image);
    const int bpp = pixels.Bpp;
    const QRect& box = mask.Box();
    for (int y = box.top(); y <= box.bottom(); ++y) {
        std::uint8_t* row = pixels.Row(y);
        for (int x = box.left(); x <= box.right(); ++x) {
            const auto code = mask.At(x, y);
            if (code == Mask::None)
                continue;
            std::uint8_t* p = row + static_cast<std::size_t>(x) * bpp;
            Apply(p, code == Mask::PenPixel ? pen : code == Mask::Gap ? gap : fill, mode);
            SetOpaque(p, bpp);
        }
    }
}

// Adds the one-pixel outline through the points (closed when `close`) to the mask.
void AddThinOutline(Mask& mask, std::span<const TPoint> points, bool close, TPenStyle style,
                    bool opaque)
{
    const Pattern pattern = PatternOf(style);
    long long offset = 0;
    const std::size_t n = points.size();
    const std::size_t segments = close ? n : n - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        const TPoint a = points[i], b = points[(i + 1) % n];
        offset += LinePixels(a.x, a.y, b.x, b.y, mask.Box(), [&](int x, int y, long long k) {
            const bool on = PatternOn(pattern, offset + k);
            if (on)
                mask.Set(x, y, Mask::PenPixel);
            else if (opaque)
                mask.Set(x, y, Mask::Gap);
        });
    }
}

} // namespace

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2)
{
    {
        std::lock_guard lock(mutex_);
        QImage& image = Image();
        const auto [l, t, r, b] = OrderedBox(X1, Y1, X2, Y2, Pen.Style == psClear);
        const bool plainPen = Pen.Mode == pmCopy && Pen.Width <= 1 &&
                              (Pen.Style == psSolid || Pen.Style == psClear);
        if (!image.isNull() && r > l && b > t && plainPen) {
            // Copied colours: each pixel may be written more than once, so the filling goes
            // in by rows and the one-pixel outline over it.
            const TPixels pixels(image);
            if (Brush.Style == bsSolid) {
                const TColor fill = Resolve(Brush.Color);
                FillRows(pixels, t, b, l, r, fill);
            }
            // The outline of a one-pixel box has no length.
            if (Pen.Style == psSolid && (r - l > 1 || b - t > 1)) {
                const TColor pen = Resolve(Pen.Color);
                FillRun(pixels, t, l, r, pen);
                FillRun(pixels, b - 1, l, r, pen);
                for (int y = std::max(t, 0); y < std::min(b, pixels.Height); ++y) {
                    FillRun(pixels, y, l, l + 1, pen);
                    FillRun(pixels, y, r - 1, r, pen);
                }
            }
        } else if (!image.isNull() && r > l && b > t) {
            const TPoint corners[] = {{l, t}, {r - 1, t}, {r - 1, b - 1}, {l, b - 1}};
            const int margin = Pen.Style == psClear ? 0 : std::max(Pen.Width, 1);
            Mask mask(BoxOf(corners, margin, image.rect()));
            const bool opaque = Brush.Style == bsSolid;
            if (Pen.Style != psClear) {
                if (Pen.Width <= 1) {
                    AddThinOutline(mask, corners, true, Pen.Style, opaque);
                } else {
                    const int width = Pen.Width;
                    mask.AddPainted(Mask::PenPixel, [&](QPainter& p) {
                        p.setPen(
                            QPen(Qt::black, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
                        p.setBrush(Qt::NoBrush);
                        p.drawRect(QRectF(Centre(corners[0]), Centre(corners[2])));
                    });
                }
            }
            if (opaque)
                mask.AddRect(QRect(QPoint(l, t), QPoint(r - 1, b - 1)), Mask::Fill);
            ApplyMask(image, mask, Resolve(Pen.Color), Resolve(Brush.Color), Resolve(Brush.Color),
                      Pen.Mode);
        }
    }
    Changed();
}

namespace {

// Adds the pixels of the ellipse inscribed in the pixel rectangle l..r-1, t..b-1 (those
// whose centres lie inside it): with `outline` its outline (the pixels with a side
// neighbour outside), with `fill` all of them as filling.
// `rows` are EllipseRows(l, t, r, b).
void AddEllipse(Mask& mask, const std::vector<TPixelSpan>& rows, int l, int t, int r, int b, bool outline,
                TPenStyle style, bool opaque, bool fill)
{
    const double cx = (static_cast<double>(l) + r) / 2;
    const double cy = (static_cast<double>(t) + b) / 2;
    const TPixelSpan none;
    const QRect area = mask.Box();
    struct Edge {
        int X, Y;
        double Angle;
    };
    std::vector<Edge> edges;
    for (int y = std::max(area.top(), t); y <= std::min(area.bottom(), b - 1); ++y) {
        const TPixelSpan& row = rows[static_cast<std::size_t>(y - t)];
        if (fill)
            mask.SetRun(y, row.First, row.Last, Mask::Fill);
        if (!outline)
            continue;
        // The row's pixels whose four neighbours all lie inside: neither end, and within the
        // rows above and below.
        const TPixelSpan& above = y > t ? rows[static_cast<std::size_t>(y - 1 - t)] : none;
        const TPixelSpan& below = y + 1 < b ? rows[static_cast<std::size_t>(y + 1 - t)] : none;
        const int innerFirst = std::max({row.First + 1, above.First, below.First});
        const int innerLast = std::min({row.Last - 1, above.Last, below.Last});
        const bool hasInner = (above.First <= above.Last) && (below.First <= below.Last) && innerFirst <= innerLast;
        for (int x = std::max(area.left(), row.First); x <= std::min(area.right(), row.Last); ++x) {
            if (hasInner && x >= innerFirst && x <= innerLast) {
                x = innerLast;
                continue;
            }
            edges.push_back({x, y, std::atan2(y + 0.5 - cy, x + 0.5 - cx)});
        }
    }
    if (!outline)
        return;
    // A styled pen counts its pattern around the ellipse.
    const Pattern pattern = PatternOf(style);
    if (pattern.Runs)
        std::sort(edges.begin(), edges.end(),
                  [](const Edge& a, const Edge& b) { return a.Angle < b.Angle; });
    long long k = 0;
    for (const auto& e : edges) {
        const bool on = PatternOn(pattern, k++);
        if (on)
            mask.Set(e.X, e.Y, Mask::PenPixel);
        else if (opaque)
            mask.Set(e.X, e.Y, Mask::Gap);
    }
}

} // namespace

bool InsideEllipse(int l, int t, int r, int b, int x, int y)
{
    if (x < l || x >= r || y < t || y >= b)
        return false;
    const double cx = (static_cast<double>(l) + r) / 2;
    const double cy = (static_cast<double>(t) + b) / 2;
    const double ax = (static_cast<double>(r) - l) / 2;
    const double ay = (static_cast<double>(b) - t) / 2;
    const double u = (x + 0.5 - cx) / ax;
    const double v = (y + 0.5 - cy) / ay;
    return u * u + v * v <= 1.0;
}

std::vector<TPixelSpan> EllipseRows(int l, int t, int r, int b)
{
    std::vector<TPixelSpan> rows(static_cast<std::size_t>(std::max(0, b - t)));
    if (r <= l)
        return rows;
    // Along a row the test grows with the distance from the centre (every step of it rounds
    // monotonically), so a row's pixels are one run around the pixel nearest the centre:
    // found there, its ends are searched for on either side.
    const int middle = static_cast<int>(std::floor((static_cast<double>(l) + r - 1) / 2));
    for (int y = t; y < b; ++y) {
        int seed = middle;
        if (!InsideEllipse(l, t, r, b, seed, y) && !InsideEllipse(l, t, r, b, ++seed, y))
            continue;
        int lo = l, hi = seed;  // the first inside pixel lies in lo..hi
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (InsideEllipse(l, t, r, b, mid, y))
                hi = mid;
            else
                lo = mid + 1;
        }
        TPixelSpan& row = rows[static_cast<std::size_t>(y - t)];
        row.First = lo;
        lo = seed, hi = r - 1;  // the last one in lo..hi
        while (lo < hi) {
            const int mid = hi - (hi - lo) / 2;
            if (InsideEllipse(l, t, r, b, mid, y))
                lo = mid;
            else
                hi = mid - 1;
        }
        row.Last = lo;
    }
    return rows;
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2)
{
    {
        std::lock_guard lock(mutex_);
        QImage& image = Image();
        const auto [l, t, r, b] = OrderedBox(X1, Y1, X2, Y2, Pen.Style == psClear);
        if (!image.isNull() && r > l && b > t) {
            const TPoint corners[] = {{l, t}, {r - 1, b - 1}};
            const bool opaque = Brush.Style == bsSolid;
            if (Pen.Style == psClear || Pen.Width <= 1) {
                Mask mask(BoxOf(corners, 0, image.rect()));
                // The outline goes in first so that the filling keeps off it.
                const std::vector<TPixelSpan> rows = EllipseRows(l, t, r, b);
                AddEllipse(mask, rows, l, t, r, b, Pen.Style != psClear, Pen.Style, opaque, false);
                if (opaque)
                    AddEllipse(mask, rows, l, t, r, b, false, Pen.Style, opaque, true);
                ApplyMask(image, mask, Resolve(Pen.Color), Resolve(Brush.Color),
                          Resolve(Brush.Color), Pen.Mode);
            } else {
                Mask mask(BoxOf(corners, Pen.Width, image.rect()));
                const int width = Pen.Width;
                // The wide pen centred on the ellipse through the centres of the outermost pixels.
                const QRectF shape(Centre(corners[0]), Centre(corners[1]));
                mask.AddPainted(Mask::PenPixel, [&](QPainter& p) {
                    p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                    p.setBrush(Qt::NoBrush);
                    p.drawEllipse(shape);
                });
                if (opaque)
                    AddEllipse(mask, EllipseRows(l, t, r, b), l, t, r, b, false, Pen.Style, opaque, true);
                ApplyMask(image, mask, Resolve(Pen.Color), Resolve(Brush.Color),
                          Resolve(Brush.Color), Pen.Mode);
            }
        }
    }
    Changed();
}

void TCanvas::Polygon(std::span<const TPoint> Points)
{
    {
        std::lock_guard lock(mutex_);
        QImage& image = Image();
        if (Points.size() >= 2 && !image.isNull()) {
            const int margin = Pen.Style == psClear ? 0 : std::max(Pen.Width, 1);
            Mask mask(BoxOf(Points, margin, image.rect()));
            const bool opaque = Brush.Style == bsSolid;
            if (Pen.Style != psClear) {
                if (Pen.Width <= 1) {
                    AddThinOutline(mask, Points, true, Pen.Style, opaque);
                } else {
                    const int width = Pen.Width;
                    mask.AddPainted(Mask::PenPixel, [&](QPainter& p) {
                        p.setPen(
                            QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                        QPolygonF shape;
                        for (const auto& pt : Points)
                            shape << Centre(pt);
                        p.drawPolygon(shape);
                    });
                }
            }
            if (opaque)
                mask.AddPainted(Mask::Fill, [&](QPainter& p) {
                    QPolygonF shape;
                    for (const auto& pt : Points)
                        shape << Centre(pt);
                    p.setPen(Qt::NoPen);
                    p.setBrush(Qt::black);
                    p.drawPolygon(shape, Qt::OddEvenFill);
                });
            ApplyMask(image, mask, Resolve(Pen.Color), Resolve(Brush.Color), Resolve(Brush.Color),
                      Pen.Mode);
        }
    }
    Changed();
}

void TCanvas::FillRect(const TRect& R)
{
    {
        std::lock_guard lock(mutex_);
        QImage& image = Image();
        if (Brush.Style == bsSolid && !image.isNull()) {
            const QRect area = QRect(QPoint(Held(R.Left), Held(R.Top)),
                                     QPoint(Held(R.Right) - 1, Held(R.Bottom) - 1)) &
                               image.rect();
            if (R.Right > R.Left && R.Bottom > R.Top && !area.isEmpty()) {
                const TColor fill = Resolve(Brush.Color);
                const TPixels pixels(image);
                FillRows(pixels, area.top(), area.bottom() + 1, area.left(),
                         static_cast<long long>(area.right()) + 1, fill);
            }
        }
    }
    Changed();
}

TSize TCanvas::TextExtent(const std::string& Text) const
{
    std::lock_guard lock(mutex_);
    TFontEntry& font = CurrentFont();
    return {TextOf(font, Text).Width, font.Metrics.height()};
}

void TCanvas::TextOut(int X, int Y, const std::string& Text)
{
    {
        std::lock_guard lock(mutex_);
        TFontEntry& font = CurrentFont();
        const TTextEntry& entry = TextOf(font, Text);
        const int width = entry.Width;
        const int height = font.Metrics.height();
        QImage& image = Image();
        const int turn = Font.Escapement % 3600;
        if (!image.isNull() && turn != 0) {
            // Turned text: Qt draws it about the top-left corner of its box.
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setRenderHint(QPainter::TextAntialiasing, false);
            p.translate(X, Y);
            p.rotate(-turn / 10.0);
            if (Brush.Style == bsSolid)
                p.fillRect(QRect(0, 0, width, height), ToQColor(Resolve(Brush.Color)));
            p.setFont(font.Font);
            p.setPen(ToQColor(Resolve(Font.Color)));
            p.drawText(QPoint(0, font.Metrics.ascent()), FromCp1251(Text));
        } else if (!image.isNull() && entry.Known) {
            // The pixels Qt drew for the text, moved to (X, Y).
            const TPixels pixels(image);
            if (Brush.Style == bsSolid) {
                const TColor fill = Resolve(Brush.Color);
                for (long long y = std::max(0LL, static_cast<long long>(Y)),
                               end = std::min<long long>(static_cast<long long>(Y) + height,
                                                         image.height());
                     y < end; ++y)
                    FillRun(pixels, static_cast<int>(y), X, static_cast<long long>(X) + width,
                            fill);
            }
            const TColor ink = Resolve(Font.Color);
            const long long left = static_cast<long long>(X) - entry.Pad;
            const long long top = static_cast<long long>(Y) - entry.Pad;
            for (const auto& run : entry.Runs) {
                const long long y = top + run.Row;
                if (y >= 0 && y < image.height())
                    FillRun(pixels, static_cast<int>(y), left + run.Left, left + run.Right, ink);
            }
        } else if (!image.isNull()) {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setRenderHint(QPainter::TextAntialiasing, false);
            if (Brush.Style == bsSolid)
                p.fillRect(QRect(X, Y, width, height), ToQColor(Resolve(Brush.Color)));
            p.setFont(font.Font);
            p.setPen(ToQColor(Resolve(Font.Color)));
            p.drawText(QPoint(X, Y + font.Metrics.ascent()), FromCp1251(Text));
        }
        penPos_ = {static_cast<int>(
                       std::clamp<long long>(static_cast<long long>(X) + width, INT_MIN, INT_MAX)),
                   Y};
    }
    Changed();
}

namespace {

// Unscaled copies of at least this many bytes bypass the caches.
constexpr long long kStreamedBytes = 8 << 20;

// Copies n bytes past the caches (the copy of a big picture would only push everything
// else out of them); the caller fences (StreamFence) before others read the bytes.
void StreamCopy(std::uint8_t* d, const std::uint8_t* s, std::size_t n)
{
#if defined(__SSE2__)
    std::size_t head = (16 - (reinterpret_cast<std::uintptr_t>(d) & 15)) & 15;
    head = std::min(head, n);
    std::memcpy(d, s, head);
    d += head;
    s += head;
    n -= head;
    for (; n >= 64; n -= 64, d += 64, s += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 32));
        const __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 48));
        _mm_stream_si128(reinterpret_cast<__m128i*>(d), a);
        _mm_stream_si128(reinterpret_cast<__m128i*>(d + 16), b);
        _mm_stream_si128(reinterpret_cast<__m128i*>(d + 32), c);
        _mm_stream_si128(reinterpret_cast<__m128i*>(d + 48), e);
    }
    for (; n >= 16; n -= 16, d += 16, s += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(d),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
#endif
    std::memcpy(d, s, n);
}

void StreamFence()
{
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// Copies the source rectangle `from` of `src` into the rectangle `to` of `dst`, scaled to
// the nearest pixel when the sizes differ; only pixels inside both images are touched.
void CopyPixels(const QImage& src, const TRect& from, QImage& dst, const TRect& to)
{
    const long long fw = static_cast<long long>(from.Right) - from.Left;
    const long long fh = static_cast<long long>(from.Bottom) - from.Top;
    const long long tw = static_cast<long long>(to.Right) - to.Left;
    const long long th = static_cast<long long>(to.Bottom) - to.Top;
    if (src.isNull() || dst.isNull() || fw <= 0 || fh <= 0 || tw <= 0 || th <= 0)
        return;
    const int sbpp = BytesPerPixel(src);
    const int dbpp = BytesPerPixel(dst);
    const long long x0 = std::max<long long>(to.Left, 0),
                    x1 = std::min<long long>(to.Right, dst.width());
    const long long y0 = std::max<long long>(to.Top, 0),
                    y1 = std::min<long long>(to.Bottom, dst.height());
    // Row addresses taken here, on the calling thread.
    const std::uint8_t* const sbits = src.constBits();
    const long long sstride = src.bytesPerLine();
    std::uint8_t* const dbits = dst.bits();
    const long long dstride = dst.bytesPerLine();
    auto copyPixel = [&](const std::uint8_t* s, std::uint8_t* d) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        SetOpaque(d, dbpp);
    };
    if (fw == tw && fh == th) {
        // Unscaled: whole row segments, limited to the pixels inside the source.
        const long long dx = static_cast<long long>(from.Left) - to.Left;
        const long long dy = static_cast<long long>(from.Top) - to.Top;
        const long long xs = std::max(x0, -dx), xe = std::min(x1, src.width() - dx);
        const long long ys = std::max(y0, -dy), ye = std::min(y1, src.height() - dy);
        if (xs >= xe)
            return;
        const long long rowBytes = (xe - xs) * dbpp;
        const bool stream = sbpp == dbpp && (ye - ys) * rowBytes >= kStreamedBytes;
        ForRows(ys, ye, rowBytes, [&](long long first, long long last) {
            for (long long y = first; y < last; ++y) {
                const std::uint8_t* srow = sbits + (y + dy) * sstride;
                std::uint8_t* drow = dbits + y * dstride;
                if (stream) {
                    StreamCopy(drow + xs * dbpp, srow + (xs + dx) * sbpp,
                               static_cast<std::size_t>(rowBytes));
                } else if (sbpp == dbpp) {
                    std::memmove(drow + xs * dbpp, srow + (xs + dx) * sbpp,
                                 static_cast<std::size_t>(rowBytes));
                } else {
                    for (long long x = xs; x < xe; ++x)
                        copyPixel(srow + (x + dx) * sbpp, drow + x * dbpp);
                }
            }
            if (stream)
                StreamFence();
        });
        return;
    }
    if (x0 >= x1)
        return;
    // The source column of every destination column, once (−1: outside the source).
    std::vector<long long> columns(static_cast<std::size_t>(x1 - x0));
    for (long long x = x0; x < x1; ++x) {
        const long long sx =
            from.Left + static_cast<long long>(static_cast<__int128>(x - to.Left) * fw / tw);
        columns[static_cast<std::size_t>(x - x0)] = sx >= 0 && sx < src.width() ? sx : -1;
    }
    ForRows(y0, y1, (x1 - x0) * dbpp, [&](long long first, long long last) {
        for (long long y = first; y < last; ++y) {
            const long long sy =
                from.Top + static_cast<long long>(static_cast<__int128>(y - to.Top) * fh / th);
            if (sy < 0 || sy >= src.height())
                continue;
            const std::uint8_t* srow = sbits + sy * sstride;
            std::uint8_t* drow = dbits + y * dstride;
            for (long long x = x0; x < x1; ++x) {
                const long long sx = columns[static_cast<std::size_t>(x - x0)];
                if (sx >= 0)
                    copyPixel(srow + sx * sbpp, drow + x * dbpp);
            }
        }
    });
}

} // namespace

void TCanvas::Draw(int X, int Y, const TBitmap* Graphic)
{
    if (Graphic && !Graphic->Empty())
        CopyRect(Rect(X, Y, X + Graphic->Width(), Y + Graphic->Height()), Graphic->Canvas(),
                 Rect(0, 0, Graphic->Width(), Graphic->Height()));
    else
        Changed();
}

void TCanvas::StretchDraw(const TRect& R, const TBitmap* Graphic)
{
    if (Graphic && !Graphic->Empty())
        CopyRect(R, Graphic->Canvas(), Rect(0, 0, Graphic->Width(), Graphic->Height()));
    else
        Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Source, const TRect& SourceRect)
{
    if (Source) {
        const TCanvasPairLock lock(*this, *Source);
        QImage& dst = Image();
        if (Source == this) {
            const QImage copy = dst.copy();
            CopyPixels(copy, SourceRect, dst, Dest);
        } else {
            CopyPixels(Source->Image(), SourceRect, dst, Dest);
        }
    }
    Changed();
}

TColor TCanvas::Pixels(int X, int Y) const
{
    std::lock_guard lock(mutex_);
    const QImage& image = Image();
    if (image.isNull() || !image.rect().contains(X, Y))
        return 0xFFFFFFFF;
    const std::uint8_t* p =
        image.constScanLine(Y) + static_cast<std::size_t>(X) * BytesPerPixel(image);
    return RGB(p[2], p[1], p[0]);
}

void TCanvas::SetPixels(int X, int Y, TColor Color)
{
    {
        std::lock_guard lock(mutex_);
        QImage& image = Image();
        if (!image.isNull() && image.rect().contains(X, Y)) {
            const int bpp = BytesPerPixel(image);
            std::uint8_t* p = image.scanLine(Y) + static_cast<std::size_t>(X) * bpp;
            Apply(p, Resolve(Color), pmCopy);
            SetOpaque(p, bpp);
        }
    }
    Changed();
}

} // namespace platform
