#include <gtest/gtest.h>

#include <QTreeWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "components/Ztservicefuncs.h"

using namespace platform;

namespace {

// A bitmap of one row (or one column) whose red, green and blue bytes are given per pixel.
void MakeRow(TBitmap& b, const std::vector<TColor>& pixels, bool column = false,
             TPixelFormat format = pf24bit)
{
    b.SetPixelFormat(format);
    const int n = static_cast<int>(pixels.size());
    b.SetSize(column ? 1 : n, column ? n : 1);
    for (int i = 0; i < n; ++i)
        b.Canvas()->SetPixels(column ? 0 : i, column ? i : 0, pixels[i]);
}

std::vector<TColor> Row(const TBitmap& b)
{
    std::vector<TColor> out;
    for (int x = 0; x < b.Width(); ++x)
        out.push_back(b.Canvas()->Pixels(x, 0));
    return out;
}

std::vector<TColor> Column(const TBitmap& b)
{
    std::vector<TColor> out;
    for (int y = 0; y < b.Height(); ++y)
        out.push_back(b.Canvas()->Pixels(0, y));
    return out;
}

TColor Grey(int v)
{
    return RGB(v, v, v);
}

TEST(DoBilinearInterpolation, EnlargesByInterpolatingEachByte)
{
    // Scale 2 about 0: destination column j samples source position j / 2.
    TBitmap source, dest;
    MakeRow(source, {RGB(0, 200, 10), RGB(100, 100, 10), RGB(200, 0, 10)});
    dest.SetSize(6, 1);
    ASSERT_TRUE(DoBilinearInterpolation(&source, &dest, 2.0, 2.0, 0, 0));
    const std::vector<TColor> expected = {RGB(0, 200, 10),  RGB(50, 150, 10), RGB(100, 100, 10),
                                          RGB(150, 50, 10), RGB(200, 0, 10),  RGB(200, 0, 10)};
    EXPECT_EQ(Row(dest), expected);
    EXPECT_EQ(dest.PixelFormat(), pf24bit);
    EXPECT_EQ(dest.Width(), 6);
}

TEST(DoBilinearInterpolation, TruncatesTowardZero)
{
    // Halfway between 0 and 1 is 0.5, stored as 0; between 0 and 255 is 127.5, stored as 127.
    TBitmap source, dest;
    MakeRow(source, {Grey(0), RGB(1, 255, 0)});
    dest.SetSize(4, 1);
    ASSERT_TRUE(DoBilinearInterpolation(&source, &dest, 2.0, 1.0, 0, 0));
    EXPECT_EQ(Row(dest),
              (std::vector<TColor>{Grey(0), RGB(0, 127, 0), RGB(1, 255, 0), RGB(1, 255, 0)}));
}

TEST(DoBilinearInterpolation, RowsCountFromTheBottomAsTheBitmapsStoreThem)
{
    // A column 0, 100, 200 from the top is stored 200, 100, 0 from the bottom; scaled by 2
    // about the bottom row it reads 200, 150, 100, 50, 0, 0 from the bottom up.
    TBitmap source, dest;
    MakeRow(source, {Grey(0), Grey(100), Grey(200)}, true);
    dest.SetSize(1, 6);
    ASSERT_TRUE(DoBilinearInterpolation(&source, &dest, 1.0, 2.0, 0, 0));
    EXPECT_EQ(Column(dest),
              (std::vector<TColor>{Grey(0), Grey(0), Grey(50), Grey(100), Grey(150), Grey(200)}));
}

TEST(DoBilinearInterpolation, ScalesAboutTheFixedPoint)
{
    TBitmap source, dest;
    MakeRow(source, {Grey(0), Grey(100), Grey(200)});
    dest.SetSize(6, 1);
    // Offset 1 at scale 2: column j samples (1 + j) / 2, so column 1 keeps source column 1.
    ASSERT_TRUE(DoBilinearInterpolation(&source, &dest, 2.0, 1.0, 1, 0));
    EXPECT_EQ(Row(dest), (std::vector<TColor>{Grey(50), Grey(100), Grey(150), Grey(200), Grey(200),
                                              Grey(200)}));

    // Reducing by 2 about column 2: column j samples 2 (j - 1); the position -2 left of the
    // picture takes its edge pixel.
    MakeRow(source, {Grey(0), Grey(50), Grey(100), Grey(150), Grey(200)});
    dest.SetSize(3, 1);
    ASSERT_TRUE(DoBilinearInterpolation(&source, &dest, 0.5, 1.0, 2, 0));
    EXPECT_EQ(Row(dest), (std::vector<TColor>{Grey(0), Grey(0), Grey(100)}));
}

TEST(DoBilinearInterpolation, BilinearInTwoDirections)
{
    // 2 x 2 greys 0, 40 (top) and 80, 120 (bottom) at scale 2: the middle pixel (1, 1) of a
    // 3 x 3 destination samples (0.5, 0.5) from the bottom row, the mean 60.
    TBitmap source, dest;
    source.SetPixelFormat(pf32bit);
    source.SetSize(2, 2);
    source.Canvas()->SetPixels(0, 0, Grey(0));
    source.Canvas()->SetPixels(1, 0, Grey(40));
    source.Canvas()->SetPixels(0, 1, Grey(80));
    source.Canvas()->SetPixels(1, 1, Grey(120));
    dest.SetSize(3, 3);
    ASSERT_TRUE(DoBilinearInterpolation(&source, &dest, 2.0, 2.0, 0, 0));
    EXPECT_EQ(dest.PixelFormat(), pf32bit);
    // Bottom row (storage row 0) samples source row 0 from the bottom: 80, 100, 120.
    EXPECT_EQ(dest.Canvas()->Pixels(0, 2), Grey(80));
    EXPECT_EQ(dest.Canvas()->Pixels(1, 2), Grey(100));
    EXPECT_EQ(dest.Canvas()->Pixels(2, 2), Grey(120));
    EXPECT_EQ(dest.Canvas()->Pixels(1, 1), Grey(60));
    EXPECT_EQ(dest.Canvas()->Pixels(0, 0), Grey(0));
    EXPECT_EQ(dest.ScanLine(1)[4 + 3], 0xFF); // the fourth byte stays opaque
}

TEST(DoBilinearInterpolation, RefusesWhatItCannotScale)
{
    TBitmap source, dest, empty, device;
    MakeRow(source, {Grey(10), Grey(20)});
    dest.SetPixelFormat(pf24bit);
    dest.SetSize(4, 1);
    dest.Canvas()->Brush.Color = clRed;
    dest.Canvas()->FillRect(Rect(0, 0, 4, 1));
    device.SetSize(2, 1); // device-dependent pixels
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(DoBilinearInterpolation(&source, &dest, 0.0, 1.0, 0, 0));
    EXPECT_FALSE(DoBilinearInterpolation(&source, &dest, 1.0, 0.0, 0, 0));
    EXPECT_FALSE(DoBilinearInterpolation(&source, &dest, nan, 1.0, 0, 0));
    EXPECT_FALSE(DoBilinearInterpolation(&empty, &dest, 1.0, 1.0, 0, 0));
    EXPECT_FALSE(DoBilinearInterpolation(&source, &empty, 1.0, 1.0, 0, 0));
    EXPECT_FALSE(DoBilinearInterpolation(&device, &dest, 1.0, 1.0, 0, 0));
    EXPECT_FALSE(DoBilinearInterpolation(nullptr, &dest, 1.0, 1.0, 0, 0));
    EXPECT_EQ(Row(dest), std::vector<TColor>(4, clRed));
}

TEST(DoBilinearInterpolation, ScalesABitmapIntoItself)
{
    TBitmap b;
    MakeRow(b, {Grey(0), Grey(100), Grey(200), Grey(0)});
    // Scale 2 about 0 on the same bitmap reads the original: positions 0, 0.5, 1, 1.5.
    ASSERT_TRUE(DoBilinearInterpolation(&b, &b, 2.0, 1.0, 0, 0));
    EXPECT_EQ(Row(b), (std::vector<TColor>{Grey(0), Grey(50), Grey(100), Grey(150)}));
}

// Copies between two bitmaps in both directions at once, by every road that locks both
// canvases, and copies of a bitmap into itself, end instead of locking each other out.
TEST(DoBilinearInterpolation, CopiesBetweenTwoBitmapsInBothDirectionsDoNotDeadlock)
{
    TBitmap a, b;
    MakeRow(a, {Grey(10), Grey(20), Grey(30), Grey(40)});
    MakeRow(b, {Grey(50), Grey(60), Grey(70), Grey(80)});
    const TRect all = Rect(0, 0, 4, 1);
    std::atomic<int> finished{0};
    const auto copies = [&](TBitmap& from, TBitmap& to) {
        for (int k = 0; k < 2000; ++k) {
            to.Assign(&from);
            to.Canvas()->CopyRect(all, from.Canvas(), all);
            DoBilinearInterpolation(&from, &to, 1.0, 1.0, 0, 0);
            DoBilinearInterpolation(&to, &to, 2.0, 1.0, 0, 0);
            to.Canvas()->CopyRect(Rect(1, 0, 4, 1), to.Canvas(), Rect(0, 0, 3, 1));
        }
        ++finished;
    };
    std::thread(copies, std::ref(a), std::ref(b)).detach();
    std::thread(copies, std::ref(b), std::ref(a)).detach();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (finished.load() < 2 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (finished.load() < 2) {
        ADD_FAILURE() << "the copies locked each other out";
        std::abort();  // the threads cannot be ended otherwise
    }
    EXPECT_EQ(a.Width(), 4);
}

// A bitmap that another thread keeps assigning pictures of other sizes and depths, as the
// source and then as the target of a scaling: each scaling sees one whole state of both
// bitmaps, never the sizes or depth of one state with the pixels of another.
TEST(DoBilinearInterpolation, ScalesWhileAnotherThreadAssignsEitherBitmap)
{
    TBitmap large, small;
    large.SetPixelFormat(pf24bit);
    large.SetSize(64, 48);
    small.SetPixelFormat(pf32bit);
    small.SetSize(3, 2);
    for (TBitmap* b : {&large, &small}) {
        b->Canvas()->Brush.Color = Grey(64);
        b->Canvas()->FillRect(Rect(0, 0, b->Width(), b->Height()));
    }
    for (const bool assignSource : {true, false}) {
        SCOPED_TRACE(assignSource ? "the source is assigned" : "the target is assigned");
        TBitmap source, dest;
        source.Assign(&large);
        dest.Assign(&large);
        TBitmap& assigned = assignSource ? source : dest;
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            for (int k = 0; !stop.load(); ++k)
                assigned.Assign(k % 2 ? &small : &large);
        });
        int scaled = 0;
        for (int k = 0; k < 2000; ++k)
            scaled += DoBilinearInterpolation(&source, &dest, 1.5, 1.5, 0, 0);
        stop = true;
        writer.join();
        EXPECT_EQ(scaled, 2000);
        // A picture of one grey scales to that grey (the weights may sum to just below 1).
        for (int y = 0; y < dest.Height(); ++y)
            for (int x = 0; x < dest.Width(); ++x) {
                const TColor c = dest.Canvas()->Pixels(x, y);
                ASSERT_GE(GetRValue(c), 63) << x << ", " << y;
                ASSERT_LE(GetRValue(c), 64) << x << ", " << y;
            }
    }
}

} // namespace

namespace {

TEST(Ztservicefuncs, BytesAndColoursKeepTheLowEightBitsOfTheTruncatedValue)
{
    // 200 × 2 = 400 keeps 400 − 256 = 144; −1 × 1 keeps 255; 1.9 truncates to 1.
    std::uint8_t bytes[] = {200, 1, 1, 0};
    ScaleEachByte(bytes, 2, 2.0);
    EXPECT_EQ(bytes[0], 144);
    EXPECT_EQ(bytes[1], 2);
    ScaleEachByte(bytes + 2, 1, -1.0);
    EXPECT_EQ(bytes[2], 255);
    EXPECT_EQ(LowByte(1.9), 1);
    EXPECT_EQ(LowByte(-0.9), 0);
    EXPECT_EQ(LowByte(1e300), 0); // a multiple of 256 far beyond 32 bits
    EXPECT_EQ(LowByte(std::nan("")), 0);

    // Bytes lowest first: (255, 0, 0, 0) and (0, 255, 0, 0) halfway give (127, 127, 0, 0).
    EXPECT_EQ(InterpolationColorBytes(0x000000FF, 0x0000FF00, 0.5), 0x00007F7Fu);
    EXPECT_EQ(InterpolationColorBytes(0x12345678, 0x9ABCDEF0, 0.0), 0x12345678u);
    EXPECT_EQ(InterpolationColorBytes(0x12345678, 0x9ABCDEF0, 1.0), 0x9ABCDEF0u);
}

TEST(Ztservicefuncs, ConvertPhisicalValueChoosesTheSiPrefix)
{
    const struct {
        double Value;
        const char* Unit;
        double Converted;
        const char* NewUnit;
    } cases[] = {
        {12500, "nm", 12.5, "\xB5m"},
        {0.0042, "V", 4.2, "mV"},
        {5e21, "nm", 5000, "Gm"},   // stops at G
        {3, "\xB0", 3, "\xB0"},     // degrees are never prefixed
        {0, "V", 0, "nV"},          // zero ends at n
        {2e-12, "V", 0.002, "nV"},  // stops at n
        {999, "nm", 999, "nm"},
        {5000, "m", 5, ""},         // a lone m is the milli prefix of nothing
        {1500, "", 1.5, "K"},
        {-2500000, "KHz", -2.5, "GHz"},
    };
    for (const auto& c : cases) {
        double v = c.Value;
        std::string unit = c.Unit;
        ConvertPhisicalValue(v, unit);
        EXPECT_NEAR(v, c.Converted, 1e-9 * std::max(1.0, std::fabs(c.Converted))) << c.Value << c.Unit;
        EXPECT_EQ(unit, c.NewUnit) << c.Value << c.Unit;
    }
}

TEST(Ztservicefuncs, SelectRangeGivesBothValuesThePrefixOfTheLarger)
{
    double a = 150, b = 2500;
    std::string unit = "nm";
    SelectRange(a, b, unit);
    EXPECT_NEAR(a, 0.15, 1e-12);
    EXPECT_NEAR(b, 2.5, 1e-12);
    EXPECT_EQ(unit, "\xB5m");
    // Both below 1 in magnitude: no prefix suits them better, nothing changes.
    a = 0.5;
    b = -0.25;
    unit = "nm";
    SelectRange(a, b, unit);
    EXPECT_EQ(a, 0.5);
    EXPECT_EQ(b, -0.25);
    EXPECT_EQ(unit, "nm");
}

// An independent evaluation of a clamped B-spline curve: de Boor's algorithm on the knots
// 0 (K times), 1, 2, …, L, L (K times) with L = n − K + 1.
double DeBoor(const std::vector<double>& points, int k, double t)
{
    const int n = static_cast<int>(points.size());
    const int last = n - k + 1;
    std::vector<double> knots;
    for (int i = 0; i < k; ++i)
        knots.push_back(0);
    for (int i = 1; i < last; ++i)
        knots.push_back(i);
    for (int i = 0; i < k; ++i)
        knots.push_back(last);
    int span = k - 1;
    while (span + 1 < n && knots[span + 1] <= t)
        ++span;
    std::vector<double> d(points.begin() + span - k + 1, points.begin() + span + 1);
    for (int r = 1; r < k; ++r)
        for (int j = k - 1; j >= r; --j) {
            const int i = span - k + 1 + j;
            const double alpha = (t - knots[i]) / (knots[i + k - r] - knots[i]);
            d[j] = (1 - alpha) * d[j - 1] + alpha * d[j];
        }
    return d[k - 1];
}

TEST(Ztservicefuncs, BSplineKnotsAndPointCounts)
{
    float knots[8] = {};
    buildKnots(3, 4, knots);
    EXPECT_EQ(std::vector<float>(knots, knots + 8), (std::vector<float>{0, 0, 0, 1, 2, 3, 3, 3}));
    float untouched[4] = {9, 9, 9, 9};
    buildKnots(4, 2, untouched); // fewer points than the order needs
    EXPECT_EQ(untouched[0], 9);

    EXPECT_EQ(GetCountBSplinePoints(5, 3, 0.5), 7); // t = 0, 0.5, … 3
    const struct {
        int N, K;
        double Step;
    } none[] = {{0, 3, 0.5}, {5, 0, 0.5}, {2, 3, 0.5}, {5, 3, 0}, {5, 3, -1}, {5, 3, 1e-12}};
    for (const auto& c : none)
        EXPECT_EQ(GetCountBSplinePoints(c.N, c.K, c.Step), 0) << c.N << " " << c.K << " " << c.Step;
}

TEST(Ztservicefuncs, BSplineCurvesFollowDeBoorAndEndOnTheLastPoint)
{
    // A linear spline passes through its points and halves between them.
    const float x2[] = {0, 2, 4}, y2[] = {0, 4, 0};
    float ox[8] = {}, oy[8] = {};
    ASSERT_EQ(BuildBSplineCurve2d(3, 2, 0.5f, x2, y2, ox, oy), 5);
    EXPECT_EQ(std::vector<float>(ox, ox + 5), (std::vector<float>{0, 1, 2, 3, 4}));
    EXPECT_EQ(std::vector<float>(oy, oy + 5), (std::vector<float>{0, 2, 4, 2, 0}));

    // A cubic through six points at step 0.25 agrees with de Boor's algorithm and ends
    // exactly on the last point.
    const std::vector<double> px = {0, 1, 3, 4, 6, 9}, py = {5, -2, 7, 1, 0, 3};
    std::vector<float> fx(px.begin(), px.end()), fy(py.begin(), py.end());
    const int count = GetCountBSplinePoints(6, 4, 0.25);
    std::vector<float> outX(count), outY(count);
    const int made = BuildBSplineCurve2d(6, 4, 0.25f, fx.data(), fy.data(), outX.data(), outY.data());
    ASSERT_EQ(made, 13); // t = 0 … 3
    for (int i = 0; i < made; ++i) {
        EXPECT_NEAR(outX[i], DeBoor(px, 4, i * 0.25), 1e-5) << i;
        EXPECT_NEAR(outY[i], DeBoor(py, 4, i * 0.25), 1e-5) << i;
    }
    EXPECT_EQ(outX[made - 1], 9.0f);
    EXPECT_EQ(outY[made - 1], 3.0f);

    // Only the coordinates given both ways are computed; none given, no points.
    std::fill(outY.begin(), outY.end(), -1.0f);
    EXPECT_EQ(BuildBSplineCurve2d(6, 4, 0.25f, fx.data(), nullptr, outX.data(), outY.data()), 13);
    EXPECT_EQ(outY[0], -1.0f);
    EXPECT_EQ(BuildBSplineCurve2d(6, 4, 0.25f, nullptr, fy.data(), outX.data(), nullptr), 0);
    EXPECT_EQ(BuildBSplineCurve2d(3, 4, 0.25f, fx.data(), fy.data(), outX.data(), outY.data()), 0);
}

TEST(Ztservicefuncs, BSplineSurfaceLinesRunAlongTheRowsAndStayInsideV)
{
    // A 4 × 3 grid of heights (row v, column u): at v = 0 and at the last v knot the line is
    // the curve through the first and the last row; between them it blends the rows.
    const int nu = 4, nv = 3, k = 2;
    std::vector<float> z(nu * nv);
    for (int v = 0; v < nv; ++v)
        for (int u = 0; u < nu; ++u)
            z[u + nu * v] = static_cast<float>(10 * v + u * u);
    std::vector<float> out(16), curve(16);
    for (int v : {0, nv - 1}) {
        const int made = BuildBSplineCurve3d(nu, nv, k, 0.5f, static_cast<float>(v), nullptr, nullptr,
                                             z.data(), nullptr, nullptr, out.data());
        ASSERT_EQ(made, 7);
        BuildBSplineCurve2d(nu, k, 0.5f, nullptr, z.data() + nu * v, nullptr, curve.data());
        for (int i = 0; i < made; ++i)
            EXPECT_FLOAT_EQ(out[i], curve[i]) << v << " " << i;
    }
    // Halfway between rows 0 and 1 (linear in v): the mean of the two rows' curves.
    ASSERT_EQ(BuildBSplineCurve3d(nu, nv, k, 1.0f, 0.5f, nullptr, nullptr, z.data(), nullptr,
                                  nullptr, out.data()),
              4);
    EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 4), (std::vector<float>{5, 6, 9, 14}));
    // A v outside the surface gives no points (and reads nothing).
    for (float v : {-0.5f, 2.5f, std::nanf("")})
        EXPECT_EQ(BuildBSplineCurve3d(nu, nv, k, 0.5f, v, nullptr, nullptr, z.data(), nullptr,
                                      nullptr, out.data()),
                  0)
            << v;
}

// A white 24-bit canvas of w × h for the drawing functions.
struct Sheet {
    Sheet(int w, int h)
    {
        Bitmap.SetPixelFormat(pf24bit);
        Bitmap.SetSize(w, h);
        Bitmap.Canvas()->Brush.Color = clWhite;
        Bitmap.Canvas()->FillRect(Rect(0, 0, w, h));
    }
    TColor At(int x, int y) const { return Bitmap.Canvas()->Pixels(x, y); }
    TBitmap Bitmap;
};

TEST(Ztservicefuncs, StripyLineAlternatesPiecesOfTheStripe)
{
    // From (0, 0) to (10, 0) at 3: pieces end at 0, 3, 6, 9 and 10 in Color1 (nothing),
    // Color2, Color1, Color2, Color1; a line leaves out its end pixel.
    Sheet s(12, 3);
    s.Bitmap.Canvas()->Pen = TPen{clGreen, 4, psDot, pmCopy};
    DrawStripyLine(s.Bitmap.Canvas(), 0, 1, 10, 1, 1, 3, clRed, clBlue);
    const std::vector<TColor> expected = {clBlue, clBlue, clBlue, clRed, clRed, clRed,
                                          clBlue, clBlue, clBlue, clRed, clWhite};
    for (int x = 0; x < 11; ++x)
        EXPECT_EQ(s.At(x, 1), expected[x]) << x;
    EXPECT_EQ(s.Bitmap.Canvas()->Pen.Width, 4); // the pen comes back as it was
    EXPECT_EQ(s.Bitmap.Canvas()->Pen.Style, psDot);

    // A stripe of 0 or less, or a line of no length, is one piece of Color1.
    for (int stripe : {0, -3}) {
        Sheet t(12, 3);
        DrawStripyLine(t.Bitmap.Canvas(), 0, 1, 10, 1, 1, stripe, clRed, clBlue);
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(t.At(x, 1), clRed) << stripe << " " << x;
    }
    Sheet u(4, 4);
    DrawStripyLine(u.Bitmap.Canvas(), 2, 2, 2, 2, 1, 3, clRed, clBlue);
    EXPECT_EQ(u.At(2, 2), clWhite);
}

TEST(Ztservicefuncs, StripyCurveCarriesTheStripeRoundACorner)
{
    // Stripe 3 along (0, 0) → (4, 0) → (4, 10), worked out by hand: the first segment
    // draws x 0-2 in Color2 and 3 in Color1, one pixel short of its stripe; that stripe goes
    // on two pixels down the second segment, then Color2, Color1 and a last Color2 piece.
    Sheet s(6, 12);
    const TDPoint points[] = {{0, 0}, {4, 0}, {4, 10}};
    DrawStripyCurve(s.Bitmap.Canvas(), 3, points, 1, 3, clRed, clBlue);
    const std::vector<std::pair<TPoint, TColor>> expected = {
        {{0, 0}, clBlue}, {{1, 0}, clBlue}, {{2, 0}, clBlue}, {{3, 0}, clRed},
        {{4, 0}, clRed},  {{4, 1}, clRed},  {{4, 2}, clBlue}, {{4, 3}, clBlue},
        {{4, 4}, clBlue}, {{4, 5}, clRed},  {{4, 6}, clRed},  {{4, 7}, clRed},
        {{4, 8}, clBlue}, {{4, 9}, clBlue}, {{4, 10}, clWhite}};
    for (const auto& [p, colour] : expected)
        EXPECT_EQ(s.At(p.x, p.y), colour) << p.x << "," << p.y;
}

TEST(Ztservicefuncs, TurnedTextSizesAndOrigins)
{
    // Hand values for a text 40 × 10: the bounding box and the start of the text within it.
    // Floors of negative products round away from zero: at 135 degrees
    // |floor(−28.28)| + |floor(7.07)| = 29 + 7.
    const struct {
        int Angle;
        TSize Size;
        TPoint Origin;
    } cases[] = {
        {0, {40, 10}, {0, 0}},
        {45, {35, 35}, {0, 28}},   // 40 cos 45 = 28.28, 10 sin 45 = 7.07
        {90, {10, 40}, {0, 40}},
        {135, {36, 36}, {28, 35}},
        {180, {40, 10}, {40, 10}},
        {225, {37, 37}, {35, 7}},
        {270, {11, 41}, {10, 0}},  // cos 270° is not exactly 0: one pixel more
        {315, {36, 36}, {7, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RotatedTextSize(c.Angle, 40, 10), c.Size) << c.Angle;
        EXPECT_EQ(RotatedTextOrigin(c.Angle, 40, 10), c.Origin) << c.Angle;
    }
}

TEST(Ztservicefuncs, TextPlacedInARectangleByAlignmentAndLayout)
{
    Sheet s(200, 100);
    TCanvas* c = s.Bitmap.Canvas();
    c->Font.SetSize(10);
    const TSize e = c->TextExtent("Label");
    TSize size;
    CalcTextSize(c, size, 90, "Label");
    EXPECT_EQ(size, (TSize{e.cy, e.cx}));

    // At 90 degrees the text runs upwards: it starts tw below the top of its box.
    const TRect r = Rect(10, 20, 110, 90);
    const struct {
        TAlignment Align;
        TTextLayout Layout;
        TPoint Pos;
    } cases[] = {
        {taLeftJustify, tlTop, {10, 20 + e.cx}},
        {taCenter, tlCenter, {10 + (100 - e.cy) / 2, 20 + e.cx + (70 - e.cx) / 2}},
        {taRightJustify, tlBottom, {110 - e.cy, 90}},
    };
    for (const auto& k : cases) {
        TPoint pos{-1, -1};
        CalcTextPos(c, r, pos, 90, "Label", k.Align, k.Layout);
        EXPECT_EQ(pos, k.Pos) << k.Align << " " << k.Layout;
    }

    // Angle 0 is one formatted line in the rectangle, the incoming point unused.
    Sheet t(200, 100), u(200, 100);
    for (Sheet* sheet : {&t, &u})
        sheet->Bitmap.Canvas()->Font.SetSize(10);
    DrawTitleText(t.Bitmap.Canvas(), r, TPoint{500, 500}, 0, "Label", taCenter, tlCenter);
    DrawText(u.Bitmap.Canvas(), r, "Label", DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(t.At(x, y), u.At(x, y)) << x << "," << y;

    // Turned text is written from CalcTextPos's point; the canvas keeps its font.
    DrawTitleText(c, r, TPoint{0, 0}, 90, "Label", taLeftJustify, tlTop);
    EXPECT_EQ(c->Font.Escapement, 0);
    int inked = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (s.At(x, y) != clWhite) {
                ++inked;
                EXPECT_TRUE(x >= 9 && x <= 10 + e.cy && y >= 19 && y <= 20 + e.cx) << x << "," << y;
            }
    EXPECT_GT(inked, 0);
}

TEST(Ztservicefuncs, ParseTreePathFindsOrCreatesTheNodes)
{
    QTreeWidget tree;
    QTreeWidgetItem* b = ParseTreePath(&tree, "a/b", "/");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->text(0), "b");
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    EXPECT_EQ(tree.topLevelItem(0)->text(0), "a");
    EXPECT_EQ(b->parent(), tree.topLevelItem(0));
    // Again, and with an empty part: the same node, nothing new.
    EXPECT_EQ(ParseTreePath(&tree, "a/b", "/"), b);
    EXPECT_EQ(ParseTreePath(&tree, "a//b", "/"), b);
    EXPECT_EQ(tree.topLevelItem(0)->childCount(), 1);
    // A new branch under an existing node; texts are Windows-1251.
    QTreeWidgetItem* c = ParseTreePath(&tree, "a::\xB5m", "::");
    EXPECT_EQ(c->parent(), tree.topLevelItem(0));
    EXPECT_EQ(c->text(0), QString::fromUtf8("µm"));
    EXPECT_EQ(ParseTreePath(&tree, "//", "/"), nullptr);
    EXPECT_EQ(ParseTreePath(&tree, "x", "")->text(0), "x"); // no separator: one part
    EXPECT_EQ(tree.topLevelItemCount(), 2);
}

} // namespace
