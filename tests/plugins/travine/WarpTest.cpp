// The warp with its gaps filled in one pass against the warp and the filling point by point,
// for every way of computing the rows and on one thread and many.

#include <gtest/gtest.h>

#include <random>

#include "plugins/travine/Nonlinearity.h"
#include "plugins/travine/Warp.h"

using namespace travine;

namespace {

struct Result {
    std::vector<std::uint16_t> Values;
    std::vector<std::uint8_t> Written;
};

Result Plain(const std::vector<std::uint16_t>& source, int mx, int my, const TExponents& e, bool fill)
{
    Result r{std::vector<std::uint16_t>(source.size(), 7), {}};
    WarpImagePlain(source.data(), mx, my, e, r.Values.data(), r.Written);
    if (fill)
        FillGapsPlain(r.Values.data(), r.Written, mx, my);
    return r;
}

} // namespace

TEST(Warp, AgreesWithTheWarpAndTheFillingPointByPoint)
{
    // Exponents well outside the window's 1..2 as well: those leave runs of empty columns
    // and rows (filled from points filled before them), an empty row 0, and blocks of
    // columns whose sources lie too far apart for one window. The large sizes take several
    // bands of rows.
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> usual(1.0f, 2.0f);
    std::uniform_real_distribution<float> wide(0.2f, 5.0f);
    const TWarp::TKernel kernels[] = {TWarp::TKernel::Best, TWarp::TKernel::Avx512, TWarp::TKernel::Avx2,
                                      TWarp::TKernel::Ssse3, TWarp::TKernel::Scalar};
    platform::NullProgress progress;
    for (int k = 0; k < 60; ++k) {
        const bool large = k % 4 == 3;
        const int mx = large ? 200 + int(rng() % 700) : 1 + int(rng() % 70);
        const int my = large ? 200 + int(rng() % 500) : 1 + int(rng() % 50);
        auto& d = k % 2 ? wide : usual;
        const TExponents e{d(rng), d(rng), d(rng), d(rng)};
        std::vector<std::uint16_t> source(std::size_t(mx) * std::size_t(my));
        for (auto& v : source)
            v = static_cast<std::uint16_t>(rng() % 5 == 0 ? 0 : rng());
        for (const bool fill : {false, true}) {
            const Result want = Plain(source, mx, my, e, fill);
            const TWarp warp(mx, my, e, fill);
            for (const TWarp::TKernel kernel : kernels)
                for (const unsigned threads : {1u, 0u}) {
                    Result got{std::vector<std::uint16_t>(source.size(), 7), {}};
                    warp.Apply(source.data(), got.Values.data(), &got.Written, progress, threads,
                               kernel);
                    ASSERT_EQ(got.Values, want.Values)
                        << k << " " << mx << "x" << my << " fill " << fill << " kernel "
                        << int(kernel) << " threads " << threads;
                    ASSERT_EQ(got.Written, want.Written) << k;
                }
        }
    }
}

TEST(Warp, TablesFitTheirSizeExponentsAndFilling)
{
    const TExponents e{1.5f, 1.2f, 1.0f, 1.7f};
    const TWarp warp(64, 32, e, true);
    EXPECT_TRUE(warp.Fits(64, 32, e, true));
    EXPECT_FALSE(warp.Fits(64, 32, e, false));
    EXPECT_FALSE(warp.Fits(32, 64, e, true));
    TExponents other = e;
    other.SlowN = 1.71f;
    EXPECT_FALSE(warp.Fits(64, 32, other, true));

    // An empty image: nothing is read or written, the progress still gets its range.
    platform::ProgressRecorder recorder;
    std::vector<std::uint8_t> written{1, 2, 3};
    TWarp(0, 5, e, true).Apply(nullptr, nullptr, &written, recorder);
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(recorder.Values().Maximum, 5);
}
