// The fast paths of the canvas against the plain drawing they replace: texts whose pixels
// the canvas keeps against Qt drawing them each time, lines stepped along against the
// rounding rule of every pixel, big (parallel, cache-bypassing) and scaled copies against
// pixel-by-pixel copies, and the workers that run the passes.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Colors.h"
#include "platform/gui/Text1251.h"

using namespace platform;

namespace {

// A picture of many colours, so that any pixel written shows.
void Pattern(TBitmap& b)
{
    for (int y = 0; y < b.Height(); ++y) {
        std::uint8_t* row = b.ScanLine(y);
        const int bpp = b.PixelFormat() == pf24bit ? 3 : 4;
        for (int x = 0; x < b.Width(); ++x) {
            std::uint8_t* p = row + x * bpp;
            p[0] = std::uint8_t(x * 7 + y);
            p[1] = std::uint8_t(y * 5);
            p[2] = std::uint8_t(x ^ y);
            if (bpp == 4)
                p[3] = 0xFF;
        }
    }
}

// The text drawn by Qt as the canvas draws it: the cell in the brush colour when the brush
// is solid, then the text in the font colour with its top-left corner at (x, y).
void QtText(QImage& image, const TCanvas& canvas, int x, int y, const std::string& text)
{
    const QFont font = canvas.QtFont();
    const QFontMetrics metrics(font);
    const QString q = FromCp1251(text);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    if (canvas.Brush.Style == bsSolid)
        p.fillRect(QRect(x, y, metrics.horizontalAdvance(q), metrics.height()),
                   ToQColor(canvas.Resolve(canvas.Brush.Color)));
    p.setFont(font);
    p.setPen(ToQColor(canvas.Resolve(canvas.Font.Color)));
    p.drawText(QPoint(x, y + metrics.ascent()), q);
}

} // namespace

// Every text twice (the second time from the kept pixels), in several fonts, both pixel
// formats, both brushes and clipped at every edge, gives exactly Qt's pixels.
TEST(CanvasPasses, TextsKeptOnceDrawAsQtDrawsThem)
{
    struct Font {
        const char* name;
        int points;
        std::uint8_t style;
    };
    const Font fonts[] = {{"Arial", 7, 0},
                          {"Arial", 8, fsBold},
                          {"MS Sans Serif", 8, 0},
                          {"Arial", 12, fsItalic},
                          {"Times New Roman", 10, fsUnderline | fsStrikeOut}};
    const std::string texts[] = {"0",
                                 "-12.5",
                                 "1234.5",
                                 "X, \xB5m",
                                 "Matrix size - 2048 x 2048",
                                 " ",
                                 "",
                                 "\xCF\xF0\xE8\xE2\xE5\xF2"};
    const std::pair<int, int> places[] = {{5, 5}, {-3, 2}, {120, 50}, {2, -6}, {150, 20}};
    for (const TPixelFormat format : {pf24bit, pf32bit}) {
        TBitmap bitmap;
        bitmap.SetPixelFormat(format);
        bitmap.SetSize(160, 60);
        Pattern(bitmap);
        QImage expected = bitmap.Image().copy();
        TCanvas* canvas = bitmap.Canvas();
        int n = 0;
        for (int round = 0; round < 2; ++round)
            for (const Font& f : fonts)
                for (const std::string& text : texts) {
                    const auto [x, y] = places[std::size_t(n++) % std::size(places)];
                    canvas->Font.Name = f.name;
                    canvas->Font.SetSize(f.points);
                    canvas->Font.Style = f.style;
                    canvas->Font.Color = n % 2 ? clBlack : RGB(200, 30, 60);
                    canvas->Brush.Style = n % 3 ? bsClear : bsSolid;
                    canvas->Brush.Color = clYellow;
                    QtText(expected, *canvas, x, y, text);
                    canvas->TextOut(x, y, text);
                    ASSERT_TRUE(bitmap.Image() == expected)
                        << f.name << " " << f.points << " '" << text << "' at " << x << "," << y
                        << " round " << round << " format " << format;
                    EXPECT_EQ(canvas->TextWidth(text),
                              QFontMetrics(canvas->QtFont()).horizontalAdvance(FromCp1251(text)));
                }
    }
}

// Lines (and styled ones) cover the pixels whose minor coordinate is the exact one rounded
// with halves up, from the start and without the end, also when they begin far outside.
TEST(CanvasPasses, LinesStepTheRoundedExactPixels)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(40, 30);
    TCanvas* canvas = bitmap.Canvas();
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> near(-30, 70);
    std::vector<std::pair<TPoint, TPoint>> lines;
    for (int i = 0; i < 400; ++i)
        lines.push_back({{near(rng), near(rng)}, {near(rng), near(rng)}});
    lines.push_back({{-1000000, 5}, {1000000, 25}});
    lines.push_back({{7, -900000}, {20, 800001}});
    for (const auto& [a, b] : lines) {
        canvas->Brush = TBrush{};
        canvas->FillRect(Rect(0, 0, 40, 30));
        canvas->Pen = TPen{};
        canvas->MoveTo(a.x, a.y);
        canvas->LineTo(b.x, b.y);
        std::set<std::pair<int, int>> drawn, expected;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                if (canvas->Pixels(x, y) != clWhite)
                    drawn.insert({x, y});
        const long long dx = b.x - a.x, dy = b.y - a.y;
        const long long adx = std::llabs(dx), ady = std::llabs(dy);
        const bool xMajor = adx >= ady;
        const long long steps = xMajor ? adx : ady, amin = xMajor ? ady : adx;
        const int sMajor = (xMajor ? dx : dy) < 0 ? -1 : 1;
        const int sMinor = (xMajor ? dy : dx) < 0 ? -1 : 1;
        for (long long k = 0; k < steps; ++k) {
            const long long major = (xMajor ? a.x : a.y) + sMajor * k;
            const long long minor =
                (xMajor ? a.y : a.x) + sMinor * ((2 * k * amin + steps) / (2 * steps));
            const long long x = xMajor ? major : minor, y = xMajor ? minor : major;
            if (x >= 0 && x < 40 && y >= 0 && y < 30)
                expected.insert({int(x), int(y)});
        }
        ASSERT_EQ(drawn, expected) << a.x << "," << a.y << " to " << b.x << "," << b.y;
    }
}

// A copy of millions of pixels (rows in parallel, past the caches) and a stretched one give
// what copying pixel by pixel (nearest source pixel) gives; so does a change of format.
TEST(CanvasPasses, BigAndStretchedCopiesAreThePixelsCopiedOneByOne)
{
    TBitmap source;
    source.SetPixelFormat(pf32bit);
    source.SetSize(2000, 1100);
    Pattern(source);
    auto pixel = [](const TBitmap& b, int x, int y) {
        const std::uint8_t* p = b.ScanLine(y) + x * (b.PixelFormat() == pf24bit ? 3 : 4);
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
    };
    struct Case {
        TPixelFormat format;
        TRect to;
    };
    const Case cases[] = {{pf32bit, Rect(3, -2, 2003, 1098)},
                          {pf24bit, Rect(-5, 4, 1995, 1104)},
                          {pf32bit, Rect(10, 7, 1510, 907)},
                          {pf32bit, Rect(-20, 0, 2400, 1300)}};
    for (const Case& c : cases) {
        TBitmap target;
        target.SetPixelFormat(c.format);
        target.SetSize(2000, 1100);
        Pattern(target);
        TBitmap before;
        before.Assign(&target);
        target.Canvas()->StretchDraw(c.to, &source);
        const long long tw = c.to.Width(), th = c.to.Height();
        int wrong = 0;
        for (int y = 0; y < 1100 && wrong < 5; ++y)
            for (int x = 0; x < 2000 && wrong < 5; ++x) {
                std::uint32_t want = pixel(before, x, y);
                if (x >= c.to.Left && x < c.to.Right && y >= c.to.Top && y < c.to.Bottom) {
                    const long long sx = (x - c.to.Left) * 2000 / tw;
                    const long long sy = (y - c.to.Top) * 1100 / th;
                    want = pixel(source, int(sx), int(sy));
                }
                if (pixel(target, x, y) != want) {
                    ++wrong;
                    ADD_FAILURE() << "pixel " << x << "," << y << " into " << c.to.Left << ","
                                  << c.to.Top;
                }
                if (c.format == pf32bit && target.ScanLine(y)[x * 4 + 3] != 0xFF) {
                    ++wrong;
                    ADD_FAILURE() << "fourth byte of " << x << "," << y;
                }
            }
    }
}

TEST(CanvasPasses, FillRectOfA32BitPictureSetsEveryByteOfThePixel)
{
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(9, 5);
    Pattern(b);
    b.Canvas()->Brush.Color = RGB(1, 2, 3);
    b.Canvas()->FillRect(Rect(2, 1, 7, 4));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) {
            const std::uint8_t* p = b.ScanLine(y) + x * 4;
            const bool inside = x >= 2 && x < 7 && y >= 1 && y < 4;
            EXPECT_EQ(p[3], 0xFF);
            if (inside)
                EXPECT_TRUE(p[0] == 3 && p[1] == 2 && p[2] == 1) << x << "," << y;
            else
                EXPECT_EQ(p[0], std::uint8_t(x * 7 + y)) << x << "," << y;
        }
}

namespace {

TEST(CanvasPasses, CopiedRectanglesMatchTheFigureMaskOnBlack)
{
    // On a black picture a figure drawn with the xor pen (through the figure's mask, each
    // pixel once) shows exactly the colours a copying pen writes: the rows written directly
    // must give the same pixels, clipped boxes, thin boxes and swapped corners included.
    std::mt19937 rng(7);
    for (const TPixelFormat format : {pf24bit, pf32bit}) {
        for (int i = 0; i < 300; ++i) {
            const int x1 = int(rng() % 50) - 10, y1 = int(rng() % 40) - 10;
            const int x2 = int(rng() % 50) - 10, y2 = int(rng() % 40) - 10;
            const TPenStyle pen = rng() % 3 == 0 ? psClear : psSolid;
            const TBrushStyle brush = rng() % 3 == 0 ? bsClear : bsSolid;
            TBitmap fast, plain;
            for (TBitmap* b : {&fast, &plain}) {
                b->SetPixelFormat(format);
                b->SetSize(30, 20);
                b->Canvas()->Brush = TBrush{clBlack, bsSolid};
                b->Canvas()->FillRect(Rect(0, 0, 30, 20));
                b->Canvas()->Pen = TPen{RGB(200, 10, 30), 1, pen, pmCopy};
                b->Canvas()->Brush = TBrush{RGB(5, 90, 250), brush};
            }
            plain.Canvas()->Pen.Mode = pmXor;
            fast.Canvas()->Rectangle(x1, y1, x2, y2);
            plain.Canvas()->Rectangle(x1, y1, x2, y2);
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 30; ++x)
                    ASSERT_EQ(fast.Canvas()->Pixels(x, y), plain.Canvas()->Pixels(x, y))
                        << x1 << "," << y1 << "," << x2 << "," << y2 << " pen " << pen << " brush "
                        << brush << " at " << x << "," << y;
        }
    }
}

} // namespace

namespace {

TEST(CanvasPasses, ThreeByteRunsMatchFourBytePixels)
{
    // Runs of three-byte pixels are filled sixteen pixels at a time; every span, clipped or
    // not, must hold the colours that four-byte pixels (filled one by one) hold.
    std::mt19937 rng(5);
    TBitmap narrow, wide;
    narrow.SetPixelFormat(pf24bit);
    wide.SetPixelFormat(pf32bit);
    for (TBitmap* b : {&narrow, &wide}) {
        b->SetSize(101, 7);
        Pattern(*b);
    }
    for (int i = 0; i < 200; ++i) {
        const int x1 = int(rng() % 130) - 15, x2 = int(rng() % 130) - 15;
        const int y = int(rng() % 7);
        const TColor colour = RGB(int(rng() % 256), int(rng() % 256), int(rng() % 256));
        for (TBitmap* b : {&narrow, &wide}) {
            b->Canvas()->Brush = TBrush{colour, bsSolid};
            b->Canvas()->FillRect(Rect(std::min(x1, x2), y, std::max(x1, x2), y + 1));
        }
    }
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 101; ++x)
            ASSERT_EQ(narrow.Canvas()->Pixels(x, y), wide.Canvas()->Pixels(x, y)) << x << "," << y;
}

} // namespace

namespace {

TEST(CanvasPasses, BigFillsInBandsSetExactlyTheirPixels)
{
    // Fills of more than a megabyte run in bands of rows on the workers: a clipped FillRect
    // and a framed Rectangle each touch exactly their pixels, in both pixel formats.
    for (const TPixelFormat format : {pf24bit, pf32bit}) {
        TBitmap b;
        b.SetPixelFormat(format);
        b.SetSize(1200, 700);
        Pattern(b);
        TBitmap before;
        before.Assign(&b);
        TCanvas* c = b.Canvas();
        c->Brush = TBrush{RGB(9, 80, 200), bsSolid};
        c->FillRect(Rect(-3, 5, 1100, 705));
        c->Pen = TPen{RGB(250, 1, 2), 1, psSolid, pmCopy};
        c->Brush = TBrush{RGB(30, 31, 32), bsSolid};
        c->Rectangle(40, -6, 1210, 650);
        for (int y = 0; y < 700; ++y)
            for (int x = 0; x < 1200; ++x) {
                TColor want = before.Canvas()->Pixels(x, y);
                if (x < 1100 && y >= 5)
                    want = RGB(9, 80, 200);
                if (x >= 40 && y < 650)
                    want = x == 40 || x == 1209 || y == 649 ? RGB(250, 1, 2) : RGB(30, 31, 32);
                ASSERT_EQ(c->Pixels(x, y), want) << format << " at " << x << "," << y;
            }
    }
}

} // namespace
