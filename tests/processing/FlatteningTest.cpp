// The flattening fits and their subtraction: exact surfaces, noisy surfaces against a
// least-squares solve of the test's own, truncation, degenerate sizes, and the fast passes
// against their plain twins.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "processing/Flattening.h"
#include "support/TestSupport.h"

using namespace processing;
using testsupport::RandomValues;

namespace {

using Real = long double;
using Surface = std::function<Real(Real x, Real y)>;

std::vector<std::int32_t> Grid(int w, int h, const Surface& f)
{
    std::vector<std::int32_t> v;
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j)
            v.push_back(static_cast<std::int32_t>(f(j + 1, i + 1)));
    return v;
}

bool Close(Real actual, Real expected, Real relative = 1e-12L, Real absolute = 1e-12L)
{
    return std::fabs(actual - expected) <= relative * std::fabs(expected) + absolute;
}

std::string Show(const TFactors& f)
{
    return std::to_string(double(f.A)) + " " + std::to_string(double(f.B)) + " " +
           std::to_string(double(f.C)) + " " + std::to_string(double(f.D)) + " " +
           std::to_string(double(f.E)) + " " + std::to_string(double(f.F));
}

void ExpectFactors(const TFactors& actual, const TFactors& expected, Real relative,
                   Real absolute, const std::string& what)
{
    EXPECT_TRUE(Close(actual.A, expected.A, relative, absolute) &&
                Close(actual.B, expected.B, relative, absolute) &&
                Close(actual.C, expected.C, relative, absolute) &&
                Close(actual.D, expected.D, relative, absolute) &&
                Close(actual.E, expected.E, relative, absolute) &&
                Close(actual.F, expected.F, relative, absolute))
        << what << ": " << Show(actual) << " expected " << Show(expected);
}

// The basis functions of a model in the order of its factors.
std::vector<std::function<Real(Real, Real)>> Basis(TSurfaceModel model)
{
    using B = std::function<Real(Real, Real)>;
    const B one = [](Real, Real) { return 1.0L; };
    switch (model) {
    case TSurfaceModel::Plane:
        return {[](Real x, Real) { return x; }, [](Real, Real y) { return y; }, one};
    case TSurfaceModel::ParabolaX:
        return {[](Real x, Real) { return x * x; }, [](Real x, Real) { return x; }, one};
    case TSurfaceModel::ParabolaY:
        return {[](Real, Real y) { return y * y; }, [](Real, Real y) { return y; }, one};
    case TSurfaceModel::Paraboloid:
        return {[](Real x, Real) { return x * x; }, [](Real, Real y) { return y * y; },
                [](Real x, Real) { return x; },     [](Real, Real y) { return y; },
                [](Real x, Real y) { return x * y; }, one};
    }
    return {};
}

// The test's own least-squares solve: the normal equations of the model's basis,
// eliminated with partial pivoting in extended precision.
TFactors LeastSquares(TSurfaceModel model, const std::vector<std::int32_t>& v, int w, int h)
{
    const auto basis = Basis(model);
    const std::size_t n = basis.size();
    std::vector<std::vector<Real>> m(n, std::vector<Real>(n + 1, 0));
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) {
            const Real x = j + 1, y = i + 1, z = v[std::size_t(i * w + j)];
            for (std::size_t a = 0; a < n; ++a) {
                for (std::size_t b = 0; b < n; ++b)
                    m[a][b] += basis[a](x, y) * basis[b](x, y);
                m[a][n] += basis[a](x, y) * z;
            }
        }
    for (std::size_t k = 0; k < n; ++k) {
        std::size_t p = k;
        for (std::size_t r = k + 1; r < n; ++r)
            if (std::fabs(m[r][k]) > std::fabs(m[p][k]))
                p = r;
        std::swap(m[k], m[p]);
        for (std::size_t r = 0; r < n; ++r)
            if (r != k) {
                const Real q = m[r][k] / m[k][k];
                for (std::size_t c = k; c <= n; ++c)
                    m[r][c] -= q * m[k][c];
            }
    }
    Real f[6] = {0, 0, 0, 0, 0, 0};
    for (std::size_t k = 0; k < n; ++k)
        f[k] = m[k][n] / m[k][k];
    return {f[0], f[1], f[2], f[3], f[4], f[5]};
}

// trunc(z − background) by the test's own arithmetic; `near` is set where the residual lies
// so close to a whole number that the rounding of a sum may decide its truncation.
std::int32_t Residual(std::int32_t z, Real background, bool& near)
{
    const Real r = z - background;
    near = std::fabs(r - std::round(r)) < 1e-9L;
    return static_cast<std::int32_t>(std::trunc(r));
}

Real Background(TSurfaceModel model, const TFactors& f, Real x, Real y)
{
    const auto basis = Basis(model);
    const Real k[6] = {f.A, f.B, f.C, f.D, f.E, f.F};
    Real sum = 0;
    for (std::size_t a = 0; a < basis.size(); ++a)
        sum += k[a] * basis[a](x, y);
    return sum;
}

const TSurfaceModel AllModels[] = {TSurfaceModel::Plane, TSurfaceModel::ParabolaX,
                                   TSurfaceModel::ParabolaY, TSurfaceModel::Paraboloid};

} // namespace

// Surfaces that are exactly of a model's form give back their factors (for abscissae that
// start at 1) and flatten to zeros.
TEST(Flattening, ExactSurfacesGiveTheirFactorsAndFlattenToZero)
{
    struct Case {
        TSurfaceModel model;
        Surface surface;
        TFactors factors;
    };
    const Case cases[] = {
        {TSurfaceModel::Plane, [](Real x, Real y) { return 3 * x - 2 * y + 7; }, {3, -2, 7}},
        {TSurfaceModel::ParabolaX, [](Real x, Real) { return 2 * x * x - 5 * x + 11; }, {2, -5, 11}},
        {TSurfaceModel::ParabolaY, [](Real, Real y) { return -y * y + 40 * y - 3; }, {-1, 40, -3}},
        {TSurfaceModel::Paraboloid,
         [](Real x, Real y) { return x * x - 2 * y * y + 3 * x + 4 * y - x * y + 5; },
         {1, -2, 3, 4, -1, 5}},
    };
    for (const auto& c : cases)
        for (const auto& [w, h] : {std::pair{7, 5}, std::pair{3, 3}, std::pair{40, 23}}) {
            auto v = Grid(w, h, c.surface);
            const TFactors f = FitSurface(c.model, v.data(), w, h);
            ExpectFactors(f, c.factors, 1e-12L, 1e-9L,
                          "model " + std::to_string(int(c.model)) + " " + std::to_string(w) + "x" +
                              std::to_string(h));
            SubtractQuadric(QuadricOf(c.model, f), v.data(), w, h);
            for (std::int32_t z : v)
                ASSERT_EQ(z, 0) << "model " << int(c.model) << " " << w << "x" << h;
        }
}

// Noisy surfaces: the factors are those of an independent least-squares solve, and every
// flattened value is the truncated residual (exact, but for residuals within 1e-9 of a
// whole number, where it may be one either side).
TEST(Flattening, NoisySurfacesMatchAnIndependentLeastSquaresSolve)
{
    const int w = 11, h = 9;
    const auto noise = RandomValues(w * h, -500, 500, 7);
    const Surface tilted = [](Real x, Real y) { return 120 * x - 75 * y + 3000; };
    const Surface curved = [](Real x, Real y) { return 30 * x * x - 11 * y * y + 4 * x * y - 90 * x; };
    for (const Surface& surface : {tilted, curved})
        for (TSurfaceModel model : AllModels) {
            auto v = Grid(w, h, surface);
            for (std::size_t i = 0; i < v.size(); ++i)
                v[i] += noise[i];
            const TFactors expected = LeastSquares(model, v, w, h);
            const TFactors f = FitSurface(model, v.data(), w, h);
            ExpectFactors(f, expected, 1e-9L, 1e-9L, "model " + std::to_string(int(model)));
            auto flat = v;
            SubtractQuadric(QuadricOf(model, f), flat.data(), w, h);
            for (int i = 0; i < h; ++i)
                for (int j = 0; j < w; ++j) {
                    const std::size_t k = std::size_t(i * w + j);
                    bool near = false;
                    const std::int32_t want = Residual(v[k], Background(model, expected, j + 1, i + 1), near);
                    if (near) {
                        EXPECT_LE(std::abs(flat[k] - want), 1);
                    } else {
                        EXPECT_EQ(flat[k], want) << "model " << int(model) << " at " << j << "," << i;
                    }
                }
        }
}

// Residuals are truncated toward zero: −2.7 becomes −2 and 2.7 becomes 2; values beyond
// the 32-bit range saturate, and a NaN background keeps the value. The truncation is that
// of extended precision, also where double would round onto the whole number.
TEST(Flattening, ResidualsAreTruncatedTowardZeroAndSaturate)
{
    struct Case {
        TQuadric background;
        std::int32_t z, expected;
    };
    const Real nan = std::numeric_limits<Real>::quiet_NaN();
    const Case cases[] = {
        {{0, 0, 0, 0, 0, 0.7L}, -2, -2},  // −2.7
        {{0, 0, 0, 0, 0, -0.7L}, 2, 2},   // 2.7
        {{0, 0, 0, 0, 0, 0.5L}, 0, 0},    // −0.5
        {{0, 0, 0, 0, 0, -1e30L}, 5, std::numeric_limits<std::int32_t>::max()},
        {{0, 0, 0, 0, 0, 1e30L}, 5, std::numeric_limits<std::int32_t>::min()},
        {{0, 0, 0, 0, 0, nan}, 5, 5},
        {{nan, 0, 0, 0, 0, 0}, -9, -9},
        // 5 − 1e−18 is 5 in double but stays below 5 in extended precision.
        {{0, 0, 0, 0, 0, 1e-18L}, 5, 4},
        {{0, 0, 0, 0, 0, -1e-18L}, -5, -4},
    };
    for (const auto& c : cases) {
        // A row of 300: a block of the fast pass and the values after it.
        std::vector<std::int32_t> fast(300, c.z), plain(300, c.z);
        SubtractQuadric(c.background, fast.data(), 300, 1);
        SubtractQuadricPlain(c.background, plain.data(), 300, 1);
        const std::vector<std::int32_t> expected(300, c.expected);
        EXPECT_EQ(fast, expected) << c.z << " " << double(c.background.F);
        EXPECT_EQ(plain, expected) << c.z << " " << double(c.background.F);
    }
}

// Values at and near the ends of the 32-bit range under backgrounds that keep one whole part
// over the whole row (between 0 and 1, between −1 and 0, and further out on either side,
// also on a parabola): the fast pass gives what its plain twin gives, saturating where the
// residual leaves the range. Each row of 1100 holds one such value in steps of 32 values of
// its first and second 512 columns and among its last values; the last two backgrounds
// change their whole part in the first 512 columns only.
TEST(Flattening, RangeEndsUnderABackgroundOfOneWholePartMatchThePlainTwin)
{
    constexpr std::int32_t least = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t most = std::numeric_limits<std::int32_t>::max();
    const std::int32_t ends[] = {least,        least + 1,   least + 2,   least + 3,
                                 least + 999,  least + 1000, least + 1001, -2,
                                 -1,           0,           1,           2,
                                 most - 1001,  most - 1000, most - 999,  most - 3,
                                 most - 2,     most - 1,    most};
    constexpr int w = 1100, h = int(std::size(ends));
    std::vector<std::int32_t> v = RandomValues(w * h, -1000, 1000, 7);
    for (int i = 0; i < h; ++i) {
        for (int column : {40, 600, 1098})
            v[std::size_t(i * w + column)] = ends[i];
    }
    for (const TQuadric& q : {TQuadric{0, 0, 1e-5L, 0, 0, 0.3L}, TQuadric{0, 0, 1e-5L, 0, 0, -0.3L},
                              TQuadric{0, 0, -1e-5L, 0, 0, 2.6L}, TQuadric{0, 0, 1e-5L, 0, 0, -2.6L},
                              TQuadric{0, 0, 0, 0, 0, 1000.5L}, TQuadric{0, 0, 0, 0, 0, -1000.5L},
                              TQuadric{1e-7L, 0, -1e-5L, 0, 0, 999.5L},
                              TQuadric{-1e-7L, 0, 1e-5L, 0, 0, -999.5L},
                              TQuadric{0, 0, 1.0L / 1024, 0, 0, 999.75L},
                              TQuadric{0, 0, -1.0L / 1024, 0, 0, -999.75L}}) {
        auto fast = v, slow = v;
        SubtractQuadric(q, fast.data(), w, h, 1);
        SubtractQuadricPlain(q, slow.data(), w, h);
        EXPECT_EQ(fast, slow) << double(q.F);
    }
}

// A matrix larger than the caches is written past them: rows of an odd width start at every
// alignment, and the values at the ends of the range, the backgrounds of whole part 0, of
// another whole part and of one that changes along the rows, on all cores, equal the plain twin.
TEST(Flattening, MatricesLargerThanTheCachesMatchThePlainTwin)
{
    constexpr int w = 4099, h = 2100;  // over 32 MB
    std::vector<std::int32_t> v = RandomValues(w * h, -1000, 1000, 11);
    const std::int32_t ends[] = {std::numeric_limits<std::int32_t>::min(), -1, 0, 1,
                                 std::numeric_limits<std::int32_t>::max()};
    for (int i = 0; i < h; i += 97)
        for (int column : {0, 5, 70, 2000, w - 1})
            v[std::size_t(i) * w + std::size_t(column)] = ends[(i + column) % 5];
    for (const TQuadric& q : {TQuadric{0, 0, 1e-9L, 1e-9L, 0, 0.25L},
                              TQuadric{0, 0, 0, 0, 0, -700.5L},
                              TQuadric{0, 0, 1e-3L, -2e-3L, 0, 3.5L},
                              TQuadric{1e-8L, 1e-8L, 0, 0, 0, -0.5L}}) {
        auto fast = v, slow = v;
        SubtractQuadric(q, fast.data(), w, h, 0);
        SubtractQuadricPlain(q, slow.data(), w, h);
        EXPECT_EQ(fast, slow) << double(q.F);
    }
}

// Each row (column) loses its own line: the result is the truncated residual of the line
// computed here by the textbook formula, and every row (column) then has a mean within
// one raw unit of 0.
TEST(Flattening, LinesFlattenEveryRowOrColumnOnItsOwn)
{
    const int w = 13, h = 6;
    const auto noise = RandomValues(w * h, -40, 40, 11);
    std::vector<std::int32_t> v(std::size_t(w * h));
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j)
            v[std::size_t(i * w + j)] = (i + 1) * 37 * (j + 1) - 500 * i + noise[std::size_t(i * w + j)];

    // Along rows (alongX) or columns: the line of each through its n points at t = 1 … n.
    for (bool alongX : {true, false}) {
        const int lines = alongX ? h : w, n = alongX ? w : h;
        auto at = [&](int line, int t) -> std::size_t {
            return alongX ? std::size_t(line * w + t) : std::size_t(t * w + line);
        };
        auto flat = v;
        if (alongX)
            FlattenLinesX(flat.data(), w, h);
        else
            FlattenLinesY(flat.data(), w, h);
        for (int line = 0; line < lines; ++line) {
            Real tMean = 0, zMean = 0;
            for (int t = 0; t < n; ++t) {
                tMean += t + 1;
                zMean += v[at(line, t)];
            }
            tMean /= n;
            zMean /= n;
            Real stz = 0, stt = 0;
            for (int t = 0; t < n; ++t) {
                stz += (t + 1 - tMean) * (v[at(line, t)] - zMean);
                stt += (t + 1 - tMean) * (t + 1 - tMean);
            }
            const Real a = stz / stt, b = zMean - a * tMean;
            Real mean = 0;
            for (int t = 0; t < n; ++t) {
                bool near = false;
                const std::int32_t want = Residual(v[at(line, t)], a * (t + 1) + b, near);
                if (near) {
                    EXPECT_LE(std::abs(flat[at(line, t)] - want), 1);
                } else {
                    EXPECT_EQ(flat[at(line, t)], want) << (alongX ? "row " : "column ") << line;
                }
                mean += flat[at(line, t)];
            }
            EXPECT_LT(std::fabs(mean / n), 1) << (alongX ? "row " : "column ") << line;
        }
    }
}

// A matrix one or two points wide or high: what it does not determine stays 0. A line on
// one point has no slope (the value flattens to 0); the plane keeps the other slope; the
// parabolas on one or two points along their axis, and the paraboloid on fewer than three
// columns or rows, get no factors at all and leave the values as they are.
TEST(Flattening, DegenerateSizesLeaveUndeterminedFactorsAtZero)
{
    const Surface surface = [](Real x, Real y) { return 5 * x * x + 3 * y * y + 7 * x - 2 * y + 100; };
    // 5 × 2 with noise: the paraboloid's determinant is 0 only in exact arithmetic.
    const auto noise = RandomValues(10, -1000, 1000, 3);
    for (const auto& [w, h] : {std::pair{1, 6}, std::pair{2, 6}, std::pair{6, 1}, std::pair{6, 2},
                              std::pair{1, 1}, std::pair{2, 2}, std::pair{5, 2}, std::pair{2, 5}}) {
        auto v = Grid(w, h, surface);
        if (w * h == 10)
            for (std::size_t i = 0; i < v.size(); ++i)
                v[i] += noise[i];
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        const TFactors plane = FitSurface(TSurfaceModel::Plane, v.data(), w, h);
        if (w == 1) {
            EXPECT_EQ(plane.A, 0) << size;
        }
        if (h == 1) {
            EXPECT_EQ(plane.B, 0) << size;
        }
        EXPECT_TRUE(std::isfinite(double(plane.C))) << size;
        if (w <= 2) {
            EXPECT_EQ(FitSurface(TSurfaceModel::ParabolaX, v.data(), w, h), TFactors{}) << size;
        }
        if (h <= 2) {
            EXPECT_EQ(FitSurface(TSurfaceModel::ParabolaY, v.data(), w, h), TFactors{}) << size;
        }
        EXPECT_EQ(FitSurface(TSurfaceModel::Paraboloid, v.data(), w, h), TFactors{}) << size;
        EXPECT_EQ(FitSurfacePlain(TSurfaceModel::Paraboloid, v.data(), w, h), TFactors{}) << size;

        auto flat = v;
        SubtractQuadric(QuadricOf(TSurfaceModel::Paraboloid, TFactors{}), flat.data(), w, h);
        EXPECT_EQ(flat, v) << size;
        if (w == 1) {
            FlattenLinesX(flat.data(), w, h);
            EXPECT_EQ(flat, std::vector<std::int32_t>(v.size(), 0)) << size;
        }
    }
}

// Large full grids keep a determined paraboloid: the determinant stands well clear of the
// tolerance however wide or high the grid.
TEST(Flattening, ParaboloidOfLongAndLargeGridsIsDetermined)
{
    const Surface surface = [](Real x, Real y) { return x * x - 2 * y * y + 3 * x - 5 * y + x * y; };
    for (const auto& [w, h] : {std::pair{3, 2000}, std::pair{2000, 3}, std::pair{700, 650}}) {
        const auto v = Grid(w, h, surface);
        ExpectFactors(FitSurface(TSurfaceModel::Paraboloid, v.data(), w, h), {1, -2, 3, -5, 1, 0},
                      1e-9L, 1e-6L, std::to_string(w) + "x" + std::to_string(h));
    }
}

// The fast passes (exact sums, every core) against their plain twins (extended sums point
// by point): the same factors and the same values, on one thread and on all, for sizes
// that make several bands, blocks and strips with a partial last one.
TEST(Flattening, FastPassesMatchTheirPlainTwins)
{
    for (const auto& [w, h] : {std::pair{257, 131}, std::pair{70, 300}, std::pair{1, 40}, std::pair{40, 1},
                               std::pair{1100, 5}}) {
        const auto v = RandomValues(w * h, -(1 << 20), 1 << 20, std::uint32_t(w * 31 + h));
        for (TSurfaceModel model : AllModels) {
            const TFactors plain = FitSurfacePlain(model, v.data(), w, h);
            for (unsigned threads : {1u, 0u}) {
                EXPECT_EQ(FitSurface(model, v.data(), w, h, threads), plain)
                    << int(model) << " " << w << "x" << h;
                // Factors that make every term count; a plane; a plane whose background
                // is often whole, so that many values are left to the definition; gentle
                // slopes, whose background keeps its whole part over long stretches of a
                // row and crosses whole numbers (exactly, at every 64th column, for the
                // last) here and there; gentle paraboloids, one with every term and one
                // whose rows dip to exactly 3 at column 112, inside a stretch whose ends
                // both lie above 3; a slope that keeps one whole part over the first 512
                // columns and reaches exactly 1 at column 1024.
                for (const TQuadric& q : {TQuadric{0.125L, -3.3L, 17.9L, -0.4L, 0.031L, 12345.6L},
                                          TQuadric{0, 0, 17.9L, -0.4L, 0, 12345.6L},
                                          TQuadric{0, 0, 0.5L, 0.25L, 0, 3},
                                          TQuadric{0, 0, 0.003L, 0.0007L, -0.00002L, -7.49L},
                                          TQuadric{0, 0, -1.0L / 64, 0, 0, 3},
                                          TQuadric{1e-6L, -2e-7L, -0.0002L, 0.00003L, 1e-6L, 2.5L},
                                          TQuadric{1.0L / 65536, 0, -7.0L / 2048, 0, 0,
                                                   3 + 112.0L * 112 / 65536},
                                          TQuadric{0, 0, 1.0L / 2048, 0, 0, 0.5L}}) {
                    auto fast = v, slow = v;
                    SubtractQuadric(q, fast.data(), w, h, threads);
                    SubtractQuadricPlain(q, slow.data(), w, h);
                    EXPECT_EQ(fast, slow) << w << "x" << h << " " << double(q.Axx);
                }
            }
        }
        for (unsigned threads : {1u, 0u}) {
            auto fast = v, slow = v;
            FlattenLinesX(fast.data(), w, h, threads);
            FlattenLinesXPlain(slow.data(), w, h);
            EXPECT_EQ(fast, slow) << "lines on x " << w << "x" << h;
            fast = v;
            slow = v;
            FlattenLinesY(fast.data(), w, h, threads);
            FlattenLinesYPlain(slow.data(), w, h);
            EXPECT_EQ(fast, slow) << "lines on y " << w << "x" << h;
        }
    }
}

// Nothing to fit: no values, or sizes that are not positive.
TEST(Flattening, NoValuesGiveZeroFactorsAndTouchNothing)
{
    std::int32_t z = 42;
    for (TSurfaceModel model : AllModels) {
        EXPECT_EQ(FitSurface(model, nullptr, 3, 3), TFactors{});
        EXPECT_EQ(FitSurface(model, &z, 0, 1), TFactors{});
        EXPECT_EQ(FitSurfacePlain(model, &z, 1, -1), TFactors{});
    }
    SubtractQuadric({0, 0, 0, 0, 0, 1}, &z, 0, 1);
    FlattenLinesX(&z, 1, 0);
    FlattenLinesY(nullptr, 1, 1);
    EXPECT_EQ(z, 42);
}
