#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"

using namespace platform;

namespace {

// A white 24-bit bitmap of the given size.
class CanvasTest : public ::testing::Test {
protected:
    void Make(int w, int h, TPixelFormat format = pf24bit)
    {
        bitmap.SetPixelFormat(format);
        bitmap.SetSize(w, h);
        canvas = bitmap.Canvas();
        canvas->Pen = TPen{};
        canvas->Brush = TBrush{};
        canvas->FillRect(Rect(0, 0, w, h));
    }
    void SetUp() override { Make(20, 20); }

    // The pixels that differ from white.
    std::set<std::pair<int, int>> Marked() const
    {
        std::set<std::pair<int, int>> out;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                if (canvas->Pixels(x, y) != clWhite)
                    out.insert({x, y});
        return out;
    }
    std::vector<TColor> Snapshot() const
    {
        std::vector<TColor> out;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                out.push_back(canvas->Pixels(x, y));
        return out;
    }
    // A picture of many colours, so that an inversion shows everywhere.
    void Paint()
    {
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                canvas->SetPixels(x, y, RGB(x * 12, y * 12, (x * y) & 0xFF));
    }

    TBitmap bitmap;
    TCanvas* canvas = nullptr;
};

TEST_F(CanvasTest, LineToLeavesOutItsEndPixel)
{
    // Expected pixels: every step of the major axis from the start, rounded exactly.
    const struct {
        TPoint From, To;
        std::set<std::pair<int, int>> Pixels;
    } cases[] = {
        {{2, 3}, {6, 3}, {{2, 3}, {3, 3}, {4, 3}, {5, 3}}},
        {{6, 3}, {2, 3}, {{6, 3}, {5, 3}, {4, 3}, {3, 3}}},
        {{4, 1}, {4, 4}, {{4, 1}, {4, 2}, {4, 3}}},
        {{1, 1}, {4, 4}, {{1, 1}, {2, 2}, {3, 3}}},
        {{0, 0}, {3, 1}, {{0, 0}, {1, 0}, {2, 1}}},
        {{0, 0}, {1, 3}, {{0, 0}, {0, 1}, {1, 2}}},
        {{5, 5}, {5, 5}, {}},
    };
    for (const auto& c : cases) {
        Make(20, 20);
        canvas->Pen.Color = clBlack;
        canvas->MoveTo(c.From.x, c.From.y);
        canvas->LineTo(c.To.x, c.To.y);
        EXPECT_EQ(Marked(), c.Pixels)
            << c.From.x << "," << c.From.y << " -> " << c.To.x << "," << c.To.y;
        EXPECT_EQ(canvas->PenPos(), c.To);
    }
}

TEST_F(CanvasTest, LinesBeyondTheBitmapAreClipped)
{
    canvas->Pen.Color = clBlack;
    canvas->MoveTo(-2000000000, 5);
    canvas->LineTo(2000000000, 5);
    EXPECT_EQ(Marked().size(), 20u);
    canvas->MoveTo(-5, -5);
    canvas->LineTo(-1, 30);
    EXPECT_EQ(Marked().size(), 20u);
}

TEST_F(CanvasTest, PolylineJoinsEachVertexOnce)
{
    canvas->Pen.Mode = pmNot;
    const TPoint outline[] = {{2, 2}, {8, 2}, {8, 6}, {2, 6}, {2, 2}};
    canvas->Polyline(outline);
    // Every pixel of the closed outline inverted exactly once: white became black.
    const auto marked = Marked();
    EXPECT_EQ(marked.size(), 2u * 6 + 2u * 4);
    for (const auto& [x, y] : marked)
        EXPECT_EQ(canvas->Pixels(x, y), clBlack);
    EXPECT_EQ(canvas->PenPos(), (TPoint{2, 2}));
}

TEST_F(CanvasTest, DrawingTwiceWithTheInvertingOrXorPenRestoresThePicture)
{
    const std::pair<TPenMode, int> pens[] = {{pmNot, 1}, {pmXor, 1}, {pmNot, 3}, {pmXor, 2}};
    for (const auto& [mode, width] : pens) {
        for (const TBrushStyle brush : {bsSolid, bsClear}) {
            for (const TPixelFormat format : {pf24bit, pf32bit}) {
                Make(20, 20, format);
                Paint();
                const auto before = Snapshot();
                canvas->Pen.Mode = mode;
                canvas->Pen.Width = width;
                canvas->Pen.Color = clFuchsia;
                canvas->Pen.Style = psSolid;
                canvas->Brush.Style = brush;
                canvas->Brush.Color = RGB(10, 200, 30);
                const TPoint figure[] = {{1, 1}, {15, 3}, {4, 17}, {18, 18}, {1, 1}};
                const TPoint star[] = {{10, 0}, {13, 19}, {0, 7}, {19, 7}, {6, 19}};
                for (int pass = 0; pass < 2; ++pass) {
                    canvas->MoveTo(0, 0);
                    canvas->LineTo(19, 11);
                    canvas->Polyline(figure);
                    canvas->Rectangle(3, 4, 12, 9);
                    canvas->Ellipse(-4, 6, 9, 15);
                    canvas->Ellipse(10, 10, 19, 19);
                    canvas->Polygon(star);
                    if (pass == 0) {
                        EXPECT_NE(Snapshot(), before);
                    }
                }
                EXPECT_EQ(Snapshot(), before)
                    << "mode " << mode << " width " << width << " brush " << brush;
            }
        }
    }
}

TEST_F(CanvasTest, InvertingFiguresInvertEachPixelOnce)
{
    canvas->Pen.Mode = pmNot;
    canvas->Brush.Style = bsSolid;
    canvas->Ellipse(2, 2, 13, 11);
    const auto marked = Marked();
    ASSERT_FALSE(marked.empty());
    // Outline and filling together cover each row of the ellipse without a gap: a pixel
    // inverted twice would show white inside.
    for (int y = 2; y < 11; ++y) {
        int first = -1, last = -1, count = 0;
        for (int x = 0; x < 20; ++x)
            if (marked.count({x, y})) {
                if (first < 0)
                    first = x;
                last = x;
                ++count;
            }
        ASSERT_GE(first, 2) << y;
        EXPECT_LE(last, 12) << y;
        EXPECT_EQ(count, last - first + 1) << y;
    }
    for (const auto& [x, y] : marked) {
        EXPECT_EQ(canvas->Pixels(x, y), clBlack);
        EXPECT_TRUE(x >= 2 && x < 13 && y >= 2 && y < 11);
    }
}

TEST_F(CanvasTest, RectangleOutlineFillingAndExclusiveEdges)
{
    canvas->Pen.Color = clRed;
    canvas->Brush.Color = clBlue;
    canvas->Rectangle(2, 3, 7, 6);
    EXPECT_EQ(canvas->Pixels(2, 3), clRed);
    EXPECT_EQ(canvas->Pixels(6, 3), clRed);
    EXPECT_EQ(canvas->Pixels(6, 5), clRed);
    EXPECT_EQ(canvas->Pixels(2, 5), clRed);
    EXPECT_EQ(canvas->Pixels(3, 4), clBlue);
    EXPECT_EQ(canvas->Pixels(5, 4), clBlue);
    EXPECT_EQ(canvas->Pixels(7, 3), clWhite);
    EXPECT_EQ(canvas->Pixels(2, 6), clWhite);
    EXPECT_EQ(Marked().size(), 15u);

    // Without a pen the filling is one pixel narrower and lower; a clear brush fills nothing.
    Make(20, 20);
    canvas->Pen.Style = psClear;
    canvas->Brush.Color = clBlue;
    canvas->Rectangle(2, 3, 7, 6);
    EXPECT_EQ(Marked().size(), 4u * 2u);
    EXPECT_EQ(canvas->Pixels(5, 4), clBlue);
    EXPECT_EQ(canvas->Pixels(6, 4), clWhite);
    Make(20, 20);
    canvas->Brush.Style = bsClear;
    canvas->Rectangle(2, 3, 7, 6);
    EXPECT_EQ(canvas->Pixels(3, 4), clWhite);
    EXPECT_EQ(Marked().size(), 12u);
}

TEST_F(CanvasTest, StyledPensLeaveGapsOrFillThemWithASolidBrush)
{
    canvas->Pen.Style = psDot; // three pixels on, three off
    canvas->Pen.Color = clBlack;
    canvas->Brush.Style = bsClear;
    canvas->MoveTo(0, 0);
    canvas->LineTo(12, 0);
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ(canvas->Pixels(x, 0), (x / 3) % 2 == 0 ? clBlack : clWhite) << x;
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = clYellow;
    canvas->MoveTo(0, 1);
    canvas->LineTo(12, 1);
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ(canvas->Pixels(x, 1), (x / 3) % 2 == 0 ? clBlack : clYellow) << x;
    canvas->Pen.Style = psClear;
    canvas->MoveTo(0, 2);
    canvas->LineTo(12, 2);
    EXPECT_EQ(canvas->Pixels(0, 2), clWhite);
}

TEST_F(CanvasTest, WidePensCoverTheirWidth)
{
    canvas->Pen.Width = 3;
    canvas->MoveTo(5, 10);
    canvas->LineTo(15, 10);
    EXPECT_EQ(canvas->Pixels(10, 9), clBlack);
    EXPECT_EQ(canvas->Pixels(10, 10), clBlack);
    EXPECT_EQ(canvas->Pixels(10, 11), clBlack);
    EXPECT_EQ(canvas->Pixels(10, 8), clWhite);
    EXPECT_EQ(canvas->Pixels(10, 12), clWhite);
}

TEST_F(CanvasTest, FillRectAndPixelsIgnoreThePenMode)
{
    canvas->Pen.Mode = pmNot;
    canvas->Brush.Color = clGreen;
    canvas->FillRect(Rect(1, 1, 4, 3));
    EXPECT_EQ(canvas->Pixels(1, 1), clGreen);
    EXPECT_EQ(canvas->Pixels(3, 2), clGreen);
    EXPECT_EQ(canvas->Pixels(4, 2), clWhite);
    EXPECT_EQ(canvas->Pixels(3, 3), clWhite);
    canvas->SetPixels(10, 10, clRed);
    EXPECT_EQ(canvas->Pixels(10, 10), clRed);
    EXPECT_EQ(canvas->Pixels(-1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas->Pixels(20, 0), 0xFFFFFFFFu);
    canvas->SetPixels(20, 20, clRed); // outside: nothing happens
    canvas->Brush.Style = bsClear;
    canvas->FillRect(Rect(0, 0, 20, 20));
    EXPECT_EQ(canvas->Pixels(0, 0), clWhite);
}

TEST_F(CanvasTest, PaletteRelativeColoursNameTheBitmapsPalette)
{
    LogPalette table;
    table.palNumEntries = 3;
    table.palPalEntry = {{1, 2, 3, 0}, {10, 20, 30, 0}, {100, 110, 120, 0}};
    canvas->SetPixels(0, 0, PALETTEINDEX(2));
    EXPECT_EQ(canvas->Pixels(0, 0), clBlack); // no palette yet
    bitmap.SetPalette(CreatePalette(table));
    canvas->SetPixels(0, 0, PALETTEINDEX(2));
    EXPECT_EQ(canvas->Pixels(0, 0), RGB(100, 110, 120));
    canvas->Pen.Color = PALETTEINDEX(1);
    canvas->MoveTo(0, 1);
    canvas->LineTo(2, 1);
    EXPECT_EQ(canvas->Pixels(1, 1), RGB(10, 20, 30));
}

TEST_F(CanvasTest, TextOutWritesInsideItsExtentAndMovesThePen)
{
    Make(120, 40);
    canvas->Font.SetSize(8);
    canvas->Font.Color = clBlack;
    canvas->Brush.Style = bsClear;
    const std::string text = "X, \xB5m";
    const TSize size = canvas->TextExtent(text);
    EXPECT_GT(size.cx, 0);
    EXPECT_GT(size.cy, 0);
    EXPECT_EQ(canvas->TextWidth(""), 0);
    EXPECT_GT(canvas->TextWidth("XX"), canvas->TextWidth("X"));
    EXPECT_GT(canvas->TextWidth("\xB5"), 0);
    canvas->TextOut(10, 5, text);
    const auto marked = Marked();
    ASSERT_FALSE(marked.empty());
    for (const auto& [x, y] : marked) {
        EXPECT_TRUE(x >= 10 && x < 10 + size.cx && y >= 5 && y < 5 + size.cy) << x << "," << y;
        EXPECT_EQ(canvas->Pixels(x, y), clBlack);
    }
    EXPECT_EQ(canvas->PenPos(), (TPoint{10 + size.cx, 5}));

    // A solid brush fills the text's cell.
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = clYellow;
    canvas->TextOut(10, 20, " ");
    EXPECT_EQ(canvas->Pixels(10, 20), clYellow);
    EXPECT_EQ(canvas->Pixels(10 + canvas->TextWidth(" ") - 1, 20 + size.cy - 1), clYellow);
    EXPECT_EQ(canvas->Pixels(10 + canvas->TextWidth(" "), 20), clWhite);
}

TEST_F(CanvasTest, TurnedTextLiesInItsCellTurnedAboutTheOrigin)
{
    // The cell (0 … cx, 0 … cy) of a text written at (X, Y), turned counter-clockwise on
    // the screen about (X, Y): 90 runs upwards with the cell right of X, 180 runs leftwards
    // above Y, 270 runs downwards left of X. The box is given in multiples of cx and cy.
    const struct {
        int Escapement;
        int LeftCy, LeftCx, TopCy, TopCx, RightCy, RightCx, BottomCy, BottomCx;
    } cases[] = {
        {900, 0, 0, 0, -1, 1, 0, 0, 0},
        {1800, 0, -1, -1, 0, 0, 0, 0, 0},
        {2700, -1, 0, 0, 0, 0, 0, 0, 1},
    };
    for (const auto& c : cases) {
        Make(120, 120);
        canvas->Font.SetSize(10);
        canvas->Font.Color = clBlack;
        canvas->Brush.Style = bsClear;
        canvas->Font.Escapement = c.Escapement;
        const TSize s = canvas->TextExtent("Wg");
        canvas->TextOut(60, 60, "Wg");
        const auto marked = Marked();
        ASSERT_FALSE(marked.empty()) << c.Escapement;
        const int left = 60 + c.LeftCy * s.cy + c.LeftCx * s.cx;
        const int top = 60 + c.TopCy * s.cy + c.TopCx * s.cx;
        const int right = 60 + c.RightCy * s.cy + c.RightCx * s.cx;
        const int bottom = 60 + c.BottomCy * s.cy + c.BottomCx * s.cx;
        // One pixel of slack for the turned raster.
        for (const auto& [x, y] : marked)
            EXPECT_TRUE(x >= left - 1 && x <= right && y >= top - 1 && y <= bottom)
                << c.Escapement << ": " << x << "," << y;
        EXPECT_EQ(canvas->PenPos(), (TPoint{60 + s.cx, 60})) << c.Escapement;
    }
}

TEST(Font, SizeInPointsAt96PixelsPerInch)
{
    TFont font;
    EXPECT_EQ(font.Height, -11);
    EXPECT_EQ(font.Size(), 8);
    font.SetSize(7);
    EXPECT_EQ(font.Height, -9);
    font.SetSize(10);
    EXPECT_EQ(font.Height, -13);
    EXPECT_EQ(font.Size(), 10);
}

TEST_F(CanvasTest, DrawStretchDrawAndCopyRect)
{
    TBitmap source;
    source.SetPixelFormat(pf32bit);
    source.SetSize(2, 1);
    source.Canvas()->SetPixels(0, 0, clRed);
    source.Canvas()->SetPixels(1, 0, clBlue);

    canvas->Draw(-1, 0, &source); // clipped at the left edge
    EXPECT_EQ(canvas->Pixels(0, 0), clBlue);
    EXPECT_EQ(canvas->Pixels(1, 0), clWhite);
    canvas->Draw(5, 5, &source);
    EXPECT_EQ(canvas->Pixels(5, 5), clRed);
    EXPECT_EQ(canvas->Pixels(6, 5), clBlue);

    canvas->StretchDraw(Rect(10, 10, 14, 12), &source); // each pixel twice in both directions
    for (int y = 10; y < 12; ++y)
        for (int x = 10; x < 14; ++x)
            EXPECT_EQ(canvas->Pixels(x, y), x < 12 ? clRed : clBlue) << x << "," << y;
    EXPECT_EQ(canvas->Pixels(14, 10), clWhite);

    // CopyRect of a part of this canvas onto itself.
    canvas->CopyRect(Rect(0, 15, 2, 16), canvas, Rect(5, 5, 7, 6));
    EXPECT_EQ(canvas->Pixels(0, 15), clRed);
    EXPECT_EQ(canvas->Pixels(1, 15), clBlue);
    // A source rectangle beyond the source copies only what the source holds.
    canvas->CopyRect(Rect(0, 18, 4, 19), source.Canvas(), Rect(0, 0, 4, 1));
    EXPECT_EQ(canvas->Pixels(1, 18), clBlue);
    EXPECT_EQ(canvas->Pixels(2, 18), clWhite);
}

TEST_F(CanvasTest, EveryDrawingOperationReportsOneChange)
{
    int changes = 0;
    int bitmapChanges = 0;
    canvas->OnChange = [&](TCanvas* sender) {
        EXPECT_EQ(sender, canvas);
        ++changes;
    };
    bitmap.OnChange = [&](TBitmap*) { ++bitmapChanges; };
    TBitmap other;
    other.SetSize(2, 2);
    const TPoint points[] = {{0, 0}, {5, 5}, {0, 9}};
    const std::pair<const char*, std::function<void()>> operations[] = {
        {"LineTo", [&] { canvas->LineTo(5, 5); }},
        {"Polyline", [&] { canvas->Polyline(points); }},
        {"Polygon", [&] { canvas->Polygon(points); }},
        {"Rectangle", [&] { canvas->Rectangle(0, 0, 5, 5); }},
        {"Ellipse", [&] { canvas->Ellipse(0, 0, 5, 5); }},
        {"FillRect", [&] { canvas->FillRect(Rect(0, 0, 3, 3)); }},
        {"TextOut", [&] { canvas->TextOut(0, 0, "a"); }},
        {"Draw", [&] { canvas->Draw(0, 0, &other); }},
        {"StretchDraw", [&] { canvas->StretchDraw(Rect(0, 0, 9, 9), &other); }},
        {"CopyRect", [&] { canvas->CopyRect(Rect(0, 0, 2, 2), other.Canvas(), Rect(0, 0, 2, 2)); }},
        {"SetPixels", [&] { canvas->SetPixels(1, 1, clRed); }},
    };
    for (const auto& [name, operation] : operations) {
        changes = bitmapChanges = 0;
        operation();
        EXPECT_EQ(changes, 1) << name;
        EXPECT_EQ(bitmapChanges, 1) << name;
    }
    changes = 0;
    canvas->MoveTo(3, 3);
    canvas->Pixels(1, 1);
    canvas->TextExtent("abc");
    EXPECT_EQ(changes, 0);
}

TEST_F(CanvasTest, LockHoldsOtherThreadsOut)
{
    canvas->Lock();
    canvas->Lock();
    EXPECT_EQ(canvas->LockCount(), 2);
    std::atomic<bool> otherGotIt{true};
    std::thread([&] { otherGotIt = canvas->TryLock(); }).join();
    EXPECT_FALSE(otherGotIt);
    canvas->Unlock();
    canvas->Unlock();
    EXPECT_EQ(canvas->LockCount(), 0);
    std::thread([&] {
        otherGotIt = canvas->TryLock();
        if (otherGotIt)
            canvas->Unlock();
    }).join();
    EXPECT_TRUE(otherGotIt);
}

} // namespace

// The ellipse's rows hold exactly the pixels whose centres lie in it, for boxes even and odd,
// thin, large, off the origin and shifted by fractions that put centres on the rim.
TEST(EllipseRowsTest, RowsHoldThePixelsInside)
{
    struct Box {
        int l, t, r, b;
    } boxes[] = {{0, 0, 1, 1},     {0, 0, 2, 1},     {0, 0, 5, 5},      {2, 2, 13, 11},   {-4, 6, 9, 15},
                 {10, 10, 19, 19}, {0, 0, 100, 100}, {0, 0, 101, 37},   {-50, -3, 1, 400}, {3, 7, 4, 60},
                 {0, 0, 240, 2},   {5, 5, 5, 9},     {7, 3, 1000, 999}, {-7, -7, 7, 7}};
    for (const Box& box : boxes) {
        SCOPED_TRACE(std::to_string(box.l) + "," + std::to_string(box.t) + "," + std::to_string(box.r) + "," +
                     std::to_string(box.b));
        const std::vector<TPixelSpan> rows = EllipseRows(box.l, box.t, box.r, box.b);
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(std::max(0, box.b - box.t)));
        for (int y = box.t; y < box.b; ++y) {
            const TPixelSpan row = rows[static_cast<std::size_t>(y - box.t)];
            for (int x = box.l - 2; x <= box.r + 1; ++x)
                ASSERT_EQ(x >= row.First && x <= row.Last, InsideEllipse(box.l, box.t, box.r, box.b, x, y))
                    << "pixel " << x << "," << y;
        }
    }
}

// A thin solid pen draws the ellipse's pixels that have a side neighbour outside it, and the
// brush the others, on boxes within the bitmap and cut by its edges.
TEST_F(CanvasTest, EllipsesPaintTheirOutlineAndFillingPixelByPixel)
{
    const struct {
        int l, t, r, b;
    } boxes[] = {{2, 2, 13, 11}, {0, 0, 64, 48}, {-9, 5, 30, 60}, {40, -3, 41, 20}, {10, 10, 50, 12}};
    for (const auto& box : boxes) {
        SCOPED_TRACE(std::to_string(box.l) + "," + std::to_string(box.t) + "," + std::to_string(box.r) + "," +
                     std::to_string(box.b));
        Make(64, 48);
        canvas->Pen.Color = clBlack;
        canvas->Brush.Color = clRed;
        canvas->Brush.Style = bsSolid;
        canvas->Ellipse(box.l, box.t, box.r, box.b);
        auto inside = [&](int x, int y) { return InsideEllipse(box.l, box.t, box.r, box.b, x, y); };
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const bool in = inside(x, y);
                const bool rim = in && (!inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1));
                const TColor expected = rim ? clBlack : in ? clRed : clWhite;
                ASSERT_EQ(canvas->Pixels(x, y), expected) << "pixel " << x << "," << y;
            }
    }
}
