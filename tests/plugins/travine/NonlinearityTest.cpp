// Travine's numerics: the models against powers computed here, the warp and the gap
// filling against hand-made fixtures, the import, and the coefficients against a plain
// Pearson computation written another way.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "TravineFixtures.h"
#include "plugins/travine/Nonlinearity.h"
#include "support/TestSupport.h"

using namespace travine;
using testsupport::Near;

namespace {

// The models written with pow, the guards as stated.
double F(int i, int N, double m, double n)
{
    double a = 1.0 - double(i) / N;
    if (a == 0)
        a = 1e-5;
    double g = 1.0 - std::pow(a, m);
    if (g == 0)
        g = 1e-5;
    return N * std::pow(g, n);
}
double B(int i, int N, double m, double n)
{
    double a = double(i) / N;
    if (a == 0)
        a = 1e-5;
    double g = 1.0 - std::pow(a, m);
    if (g == 0)
        g = 1e-5;
    return N - N * std::pow(g, n);
}

// Pearson's coefficient as n Σxy - Σx Σy over the square root of the two variances' terms.
std::optional<double> Pearson(const std::vector<double>& x, const std::vector<double>& y)
{
    const double n = double(x.size());
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        syy += y[i] * y[i];
        sxy += x[i] * y[i];
    }
    const double d = (n * sxx - sx * sx) * (n * syy - sy * sy);
    if (d <= 1e-9)
        return std::nullopt;
    return (n * sxy - sx * sy) / std::sqrt(d);
}

std::vector<std::uint16_t> Random(std::size_t n, std::uint32_t seed, int spread = 4000)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(0, spread);
    std::vector<std::uint16_t> v(n);
    for (auto& x : v)
        x = static_cast<std::uint16_t>(d(rng));
    return v;
}

struct Warped {
    std::vector<std::uint16_t> Values;
    std::vector<std::uint8_t> Written;
};

Warped WarpAndFill(const std::vector<std::uint16_t>& source, int mx, int my, const TExponents& e)
{
    Warped w;
    w.Values.assign(source.size(), 0xBEEF);
    platform::NullProgress progress;
    WarpImage(source.data(), mx, my, e, w.Values.data(), w.Written, progress);
    FillGaps(w.Values.data(), w.Written, mx, my, progress);
    return w;
}

} // namespace

TEST(Nonlinearity, ModelsAndTheirGuards)
{
    struct Case {
        int I;
        int N;
        float M;
        float Nexp;
    } cases[] = {
        {3, 10, 2.0f, 1.3f},  {0, 10, 2.0f, 1.3f}, // i = 0: the forward g is 0, taken as 0.00001
        {10, 10, 1.5f, 1.0f},                      // i = N: the base a is 0
        {1, 7, 1.0f, 1.0f},   {511, 1024, 1.37f, 1.91f}, {0, 1, 2.0f, 2.0f},
    };
    for (const Case& k : cases) {
        EXPECT_TRUE(Near(ForwardNonlinearity(k.I, k.N, k.M, k.Nexp), F(k.I, k.N, k.M, k.Nexp)))
            << k.I << " " << k.N;
        EXPECT_TRUE(Near(BackwardNonlinearity(k.I, k.N, k.M, k.Nexp), B(k.I, k.N, k.M, k.Nexp)))
            << k.I << " " << k.N;
    }
    // Exponents are single-precision: 1.3f is not 1.3.
    EXPECT_TRUE(Near(ForwardNonlinearity(3, 10, 2.0f, 1.3f), F(3, 10, 2.0, double(1.3f))));
    EXPECT_EQ(ForwardNonlinearity(0, 0, 1, 1), 0.0);
    EXPECT_EQ(BackwardNonlinearity(3, -2, 1, 1), 0.0);

    struct Round {
        double Value;
        int Pixel;
    } rounds[] = {{2.49, 2},
                  {2.5, 3},
                  {0.0, 0},
                  {-0.4, 0},
                  {-0.6, 0},
                  {-1.6, -1},
                  {std::numeric_limits<double>::quiet_NaN(), 0},
                  {1e300, 0}};
    for (const Round& r : rounds)
        EXPECT_EQ(RoundToPixel(r.Value), r.Pixel) << r.Value;
}

TEST(Nonlinearity, ForwardPixels)
{
    // Exponents 1: every index keeps its place (F(0) = N 0.00001 rounds to 0 below 50000).
    for (int N : {1, 2, 7, 1024, 49999}) {
        const auto pixels = ForwardPixels(N, 1, 1);
        for (int i = 0; i < N; ++i)
            ASSERT_EQ(pixels[std::size_t(i)], i) << N << " " << i;
    }
    // 60000 points: F(0) = 0.6 goes to pixel 1.
    EXPECT_EQ(ForwardPixels(60000, 1, 1)[0], 1);
    // m = 2, n = 1.3 over 7 points: F = 0.0, 1.25, 2.77, 4.19, 5.38, 6.27, 6.81; the last is
    // held to 6.
    EXPECT_EQ(ForwardPixels(7, 2.0f, 1.3f), (std::vector<int>{0, 1, 3, 4, 5, 6, 6}));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(ForwardPixels(7, 2.0f, 1.3f)[std::size_t(i)],
                  std::min(6, int(F(i, 7, 2.0, double(1.3f)) + 0.5)));
    EXPECT_TRUE(ForwardPixels(0, 1, 1).empty());
}

TEST(Nonlinearity, ExponentsOfOneGiveTheImageBackExactly)
{
    // Real zeros included (the minimum of an imported channel is 0): none is taken for a gap.
    for (auto [mx, my] : {std::pair{64, 48}, std::pair{1, 9}, std::pair{9, 1}, std::pair{1, 1}}) {
        auto source = Random(std::size_t(mx * my), 7, 3);
        source[0] = 0;
        const Warped w = WarpAndFill(source, mx, my, TExponents{});
        EXPECT_EQ(w.Values, source) << mx << "x" << my;
        EXPECT_EQ(w.Written, std::vector<std::uint8_t>(source.size(), 1));
    }
}

TEST(Nonlinearity, WarpAlongRowsAndAcrossThem)
{
    // 7 x 5, fast m = 2, n = 1.3: source columns go to 0, 1, 3, 4, 5, 6, 6. Column 2 gets
    // nothing and is filled from columns 1 and 3; column 6 keeps source column 6 (the later
    // one). Values 10 y + x, with real zeros in row 0.
    const int mx = 7;
    const int my = 5;
    std::vector<std::uint16_t> source(std::size_t(mx * my));
    for (int y = 0; y < my; ++y)
        for (int x = 0; x < mx; ++x)
            source[std::size_t(y * mx + x)] = std::uint16_t(10 * y + x);
    source[1] = 0; // (1, 0)
    source[3] = 0; // (3, 0)
    const int from[7] = {0, 1, -1, 2, 3, 4, 6};
    TExponents fast;
    fast.FastM = 2.0f;
    fast.FastN = 1.3f;
    const Warped w = WarpAndFill(source, mx, my, fast);
    for (int y = 0; y < my; ++y)
        for (int x = 0; x < mx; ++x) {
            const auto s = [&](int c) { return int(source[std::size_t(y * mx + c)]); };
            const int want = from[x] >= 0 ? s(from[x]) : (s(1) + s(2)) / 2;
            EXPECT_EQ(w.Values[std::size_t(y * mx + x)], want) << x << "," << y;
        }

    // The same model across the rows: row 2 is filled from rows 1 and 3.
    std::vector<std::uint16_t> tall(std::size_t(5 * 7));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 5; ++x)
            tall[std::size_t(y * 5 + x)] = std::uint16_t(100 * y + 3 * x);
    TExponents slow;
    slow.SlowM = 2.0f;
    slow.SlowN = 1.3f;
    const Warped t = WarpAndFill(tall, 5, 7, slow);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 5; ++x) {
            const auto s = [&](int r) { return int(tall[std::size_t(r * 5 + x)]); };
            const int want = from[y] >= 0 ? s(from[y]) : (s(1) + s(2)) / 2;
            EXPECT_EQ(t.Values[std::size_t(y * 5 + x)], want) << x << "," << y;
        }

    // The progress follows the rows.
    platform::ProgressRecorder progress;
    std::vector<std::uint16_t> target(source.size());
    std::vector<std::uint8_t> written;
    WarpImage(source.data(), mx, my, fast, target.data(), written, progress);
    EXPECT_EQ(progress.Values().Maximum, my);
    EXPECT_EQ(progress.Values().Position, my - 1);
}

TEST(Nonlinearity, WarpAndGapFillingAgreeWithTheirPlainTwins)
{
    // Random sizes and exponents (gaps and collisions on both axes), and random masks for
    // the filling alone; the last sizes are large enough to be taken in several bands of
    // rows and columns.
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> exponent(1.0f, 2.0f);
    platform::NullProgress progress;
    for (int k = 0; k < 44; ++k) {
        const bool large = k >= 40;
        const int mx = large ? 130 + static_cast<int>(rng() % 400) : 1 + static_cast<int>(rng() % 60);
        const int my = large ? 130 + static_cast<int>(rng() % 300) : 1 + static_cast<int>(rng() % 40);
        const TExponents e{exponent(rng), exponent(rng), exponent(rng), exponent(rng)};
        const auto source = Random(std::size_t(mx * my), rng(), 9);
        std::vector<std::uint16_t> fast(source.size(), 7), plain(source.size(), 7);
        std::vector<std::uint8_t> fastWritten, plainWritten;
        WarpImage(source.data(), mx, my, e, fast.data(), fastWritten, progress);
        WarpImagePlain(source.data(), mx, my, e, plain.data(), plainWritten);
        ASSERT_EQ(fast, plain) << k;
        ASSERT_EQ(fastWritten, plainWritten) << k;
        FillGaps(fast.data(), fastWritten, mx, my, progress);
        FillGapsPlain(plain.data(), plainWritten, mx, my);
        ASSERT_EQ(fast, plain) << k;
        ASSERT_EQ(fastWritten, plainWritten) << k;

        std::vector<std::uint8_t> mask(source.size());
        for (auto& m : mask)
            m = rng() % 3 != 0;
        auto a = source;
        auto b = source;
        auto ma = mask;
        auto mb = mask;
        FillGaps(a.data(), ma, mx, my, progress);
        FillGapsPlain(b.data(), mb, mx, my);
        ASSERT_EQ(a, b) << k;
        ASSERT_EQ(ma, mb) << k;
    }
}

TEST(Nonlinearity, GapFillingRules)
{
    // Rows of a 4 x 2 target; '.' marks a point the warp did not write.
    struct Case {
        const char* What;
        int Mx;
        int My;
        std::vector<int> Values; // -1: not written
        std::vector<int> After;  // -1: still empty
    } cases[] = {
        {"first column from its right neighbour",
         4,
         2,
         {-1, 6, 7, 8, -1, 2, 3, 4},
         {6, 6, 7, 8, 2, 2, 3, 4}},
        {"last column from its left neighbour",
         4,
         2,
         {1, 2, 3, -1, 5, 6, 7, -1},
         {1, 2, 3, 3, 5, 6, 7, 7}},
        {"integer mean", 3, 1, {3, -1, 4}, {3, 3, 4}},
        {"an empty second neighbour stands back for the first", 4, 1, {6, -1, -1, 9}, {6, 6, 7, 9}},
        {"an empty first neighbour leaves the point", 3, 1, {-1, -1, 4}, {-1, -1, 4}},
        {"a written zero is no gap", 3, 2, {0, 0, 0, 9, 9, 9}, {0, 0, 0, 9, 9, 9}},
        {"rows after columns", 3, 3, {1, -1, 3, -1, -1, -1, 7, -1, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"a point written in an empty column stays",
         3,
         2,
         {1, -1, 3, 5, 42, 7},
         {1, 2, 3, 5, 42, 7}},
        {"one column: only rows", 1, 3, {4, -1, 8}, {4, 6, 8}},
        {"one row: only columns", 3, 1, {-1, 5, -1}, {5, 5, 5}},
        {"one point", 1, 1, {-1}, {-1}},
    };
    for (const Case& k : cases) {
        std::vector<std::uint16_t> t;
        std::vector<std::uint8_t> written;
        for (int v : k.Values) {
            t.push_back(std::uint16_t(v < 0 ? 0 : v));
            written.push_back(v >= 0);
        }
        platform::NullProgress progress;
        FillGaps(t.data(), written, k.Mx, k.My, progress);
        for (std::size_t i = 0; i < t.size(); ++i) {
            EXPECT_EQ(bool(written[i]), k.After[i] >= 0) << k.What << " " << i;
            if (k.After[i] >= 0) {
                EXPECT_EQ(t[i], k.After[i]) << k.What << " " << i;
            }
        }
    }
}

TEST(Nonlinearity, ChannelChecksAndImport)
{
    const std::int32_t wide[] = {std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()};
    const std::int32_t edge[] = {-65535, 0};
    const std::int32_t over[] = {-65536, 0};
    EXPECT_EQ(CheckChannel(nullptr, 2, 1), TImportCheck::Absent);
    EXPECT_EQ(CheckChannel(edge, 0, 1), TImportCheck::Absent);
    EXPECT_EQ(CheckChannel(edge, 2, 0), TImportCheck::Absent);
    EXPECT_EQ(CheckChannel(edge, 2, 1), TImportCheck::Ok);
    EXPECT_EQ(CheckChannel(over, 2, 1), TImportCheck::TooWide);
    EXPECT_EQ(CheckChannel(wide, 2, 1), TImportCheck::TooWide);

    // Values shifted to a minimum of 0; Min 1, Max the raw range; the mean of the shifted
    // values; the picture painted.
    const std::vector<std::int32_t> raw = {-100, 0, 400, 65435, -100, 7};
    TDataspm16 c;
    ASSERT_TRUE(ImportChannel(raw.data(), 3, 2, 1.5, 2.5, 0.1, c));
    EXPECT_EQ(c.Block(), (std::vector<std::uint16_t>{0, 100, 500, 65535, 0, 107}));
    EXPECT_EQ(c.mx(), 3);
    EXPECT_EQ(c.my(), 2);
    EXPECT_EQ(c.Kx(), 1.5f);
    EXPECT_EQ(c.Ky(), 2.5f);
    EXPECT_EQ(c.Kz(), 0.1f);
    EXPECT_EQ(c.Min(), 1);
    EXPECT_EQ(c.Max(), 65535);
    EXPECT_EQ(c.Mean(), (100.0 + 500 + 65535 + 107) / 6);
    ASSERT_EQ(c.Bitmap().Width, 3);
    EXPECT_EQ(c.Bitmap().Pixel(0, 0), PixelOf(c.RampColor(0)));
    EXPECT_EQ(c.Bitmap().Pixel(1, 1), PixelOf(0xFEFEFE)); // 0 below Min 1: light grey

    // No memory: no data, and no message of the component's own.
    travinetest::Notices notices;
    TDataspm16 d;
    d.Notices = &notices;
    SetBlockLimitForTesting(8);
    EXPECT_FALSE(ImportChannel(raw.data(), 3, 2, 1, 1, 1, d));
    SetBlockLimitForTesting(-1);
    EXPECT_FALSE(d.HasBlock());
    EXPECT_TRUE(notices.Messages.empty());
}

TEST(Nonlinearity, CorrelationsArePearsonsCoefficient)
{
    // Profiles.
    const auto a = Random(50, 1);
    const auto b = Random(50, 2);
    std::vector<double> s(a.begin(), a.end());
    std::vector<double> t(b.begin(), b.end());
    for (std::size_t i = 0; i < t.size(); ++i)
        t[i] += 0.5 * s[i]; // some correlation
    const auto r = ProfileCorrelation(s.data(), t.data(), s.size());
    ASSERT_TRUE(r);
    EXPECT_TRUE(Near(*r, *Pearson(s, t), 1e-9));
    const std::vector<double> flat(50, 3.0);
    EXPECT_FALSE(ProfileCorrelation(s.data(), flat.data(), 50));
    EXPECT_FALSE(ProfileCorrelation(s.data(), t.data(), 0));
    EXPECT_TRUE(Near(*ProfileCorrelation(s.data(), s.data(), 50), 1.0, 1e-12));

    // Images, each centred on its own mean.
    const int mx = 13;
    const int my = 9;
    auto fv = Random(std::size_t(mx * my), 3);
    auto bv = Random(std::size_t(mx * my), 4);
    for (std::size_t i = 0; i < bv.size(); ++i)
        bv[i] = std::uint16_t(bv[i] / 2 + fv[i] / 2);
    TDataspm16 f;
    TDataspm16 g;
    travinetest::Fill16(f, mx, my, fv);
    travinetest::Fill16(g, mx, my, bv);
    platform::ProgressRecorder progress;
    const auto m = MatrixCorrelation(f, g, progress);
    ASSERT_TRUE(m);
    EXPECT_TRUE(Near(*m, *Pearson({fv.begin(), fv.end()}, {bv.begin(), bv.end()}), 1e-9));
    EXPECT_EQ(progress.Values().Maximum, my);

    TDataspm16 flatImage;
    travinetest::Fill16(flatImage, mx, my, std::vector<std::uint16_t>(fv.size(), 5));
    EXPECT_FALSE(MatrixCorrelation(f, flatImage, progress));
    TDataspm16 other;
    travinetest::Fill16(other, mx - 1, my,
                        std::vector<std::uint16_t>(std::size_t((mx - 1) * my), 5));
    EXPECT_FALSE(MatrixCorrelation(f, other, progress));
    TDataspm16 empty;
    EXPECT_FALSE(MatrixCorrelation(empty, empty, progress));

    // Cumulative coefficients: the entry of column x is the coefficient of the columns
    // 0..x laid end to end, each centred on its own mean.
    const TProfileCoefficients pc = ProfilesCorrelation(f, g, progress);
    ASSERT_EQ(pc.Columns.size(), std::size_t(mx));
    ASSERT_EQ(pc.Rows.size(), std::size_t(my));
    std::vector<double> cf, cg;
    for (int x = 0; x < mx; ++x) {
        double mf = 0, mg = 0;
        for (int y = 0; y < my; ++y) {
            mf += fv[std::size_t(y * mx + x)];
            mg += bv[std::size_t(y * mx + x)];
        }
        mf /= my;
        mg /= my;
        for (int y = 0; y < my; ++y) {
            cf.push_back(fv[std::size_t(y * mx + x)] - mf);
            cg.push_back(bv[std::size_t(y * mx + x)] - mg);
        }
        ASSERT_TRUE(pc.Columns[std::size_t(x)]) << x;
        EXPECT_TRUE(Near(*pc.Columns[std::size_t(x)], *Pearson(cf, cg), 1e-9)) << x;
    }
    std::vector<double> rf, rg;
    for (int y = 0; y < my; ++y) {
        double mf = 0, mg = 0;
        for (int x = 0; x < mx; ++x) {
            mf += fv[std::size_t(y * mx + x)];
            mg += bv[std::size_t(y * mx + x)];
        }
        mf /= mx;
        mg /= mx;
        for (int x = 0; x < mx; ++x) {
            rf.push_back(fv[std::size_t(y * mx + x)] - mf);
            rg.push_back(bv[std::size_t(y * mx + x)] - mg);
        }
        ASSERT_TRUE(pc.Rows[std::size_t(y)]) << y;
        EXPECT_TRUE(Near(*pc.Rows[std::size_t(y)], *Pearson(rf, rg), 1e-9)) << y;
    }

    // A flat first column has no coefficient; later columns do.
    auto fv2 = fv;
    for (int y = 0; y < my; ++y)
        fv2[std::size_t(y * mx)] = 9;
    TDataspm16 f2;
    travinetest::Fill16(f2, mx, my, fv2);
    const auto pc2 = ProfilesCorrelation(f2, g, progress);
    EXPECT_FALSE(pc2.Columns[0]);
    EXPECT_TRUE(pc2.Columns[1]);
}
