// Arithmetic with a number and with a second channel: the table of operations, the
// refusals, the common top-left region, and the fast passes against their plain twins.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "processing/Arithmetic.h"
#include "support/TestSupport.h"

using namespace processing;
using Op = TArithmeticOperation;
using testsupport::RandomValues;

namespace {
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
} // namespace

// Each operation with a number: + and − take the number in physical units (divided by the
// Z scale), × and / as a plain factor, / through the float reciprocal; results truncate
// toward zero and saturate. Fast and plain agree on every case.
TEST(Arithmetic, NumberOperationsFollowTheTable)
{
    struct Case {
        Op op;
        float number, scale;
        std::vector<std::int32_t> in, out;
    };
    const Case cases[] = {
        {Op::Add, 1, 0.5f, {0, -7, 10}, {2, -5, 12}},
        {Op::Subtract, 1.5f, 0.5f, {0, 10, -1}, {-3, 7, -4}},
        {Op::Add, 1, 3, {0, -1, 5}, {0, 0, 5}},  // 0.333…: −0.666 and 5.333 truncate
        {Op::Multiply, 2, 0.5f, {3, -5, 0}, {6, -10, 0}},
        {Op::Divide, 2, 0.5f, {-5, 5, 7}, {-2, 2, 3}},
        {Op::Divide, 3, 1, {3, -9, 10}, {1, -3, 3}},  // 1/3 as a float is 0.33333334
        {Op::Multiply, 1e10f, 1, {1, -1, 0}, {kMax, kMin, 0}},
        {Op::Subtract, 1e10f, 1, {0}, {kMin}},
        // Refused: nothing changes.
        {Op::Divide, 0, 1, {4, -4}, {4, -4}},
        {Op::Add, 1, 0, {4, -4}, {4, -4}},
        {Op::Subtract, 1, 0, {4}, {4}},
        // × and / do not use the Z scale.
        {Op::Multiply, 3, 0, {4}, {12}},
    };
    for (const auto& c : cases) {
        auto fast = c.in, plain = c.in;
        ApplyNumber(fast.data(), std::int64_t(fast.size()), c.op, c.number, c.scale);
        ApplyNumberPlain(plain.data(), std::int64_t(plain.size()), c.op, c.number, c.scale);
        EXPECT_EQ(fast, c.out) << int(c.op) << " " << c.number << " " << c.scale;
        EXPECT_EQ(plain, c.out) << int(c.op) << " " << c.number << " " << c.scale;
    }
}

TEST(Arithmetic, RefusesDivisionByZeroAndAZeroScaleWhereTheyAreUsed)
{
    EXPECT_EQ(CheckNumberOperation(Op::Divide, 0, 1), TArithmeticRefusal::DivisionByZero);
    EXPECT_EQ(CheckNumberOperation(Op::Divide, 2, 0), TArithmeticRefusal::None);
    EXPECT_EQ(CheckNumberOperation(Op::Add, 0, 0), TArithmeticRefusal::ZeroScale);
    EXPECT_EQ(CheckNumberOperation(Op::Subtract, 5, 0), TArithmeticRefusal::ZeroScale);
    EXPECT_EQ(CheckNumberOperation(Op::Multiply, 0, 0), TArithmeticRefusal::None);
    EXPECT_EQ(CheckChannelOperation(0), TArithmeticRefusal::ZeroScale);
    EXPECT_EQ(CheckChannelOperation(0.5f), TArithmeticRefusal::None);
}

// With a second channel: q = second × s2 / s1 over the rows and columns both have (each
// matrix from its own top-left corner); the rest stays; z / 0 keeps z.
TEST(Arithmetic, ChannelOperationsWorkOnTheCommonTopLeftRegion)
{
    // First 3 × 2 (scale 0.5), second 2 × 3 (scale 1): q = 2 × second on 2 × 2 points.
    const std::vector<std::int32_t> first{10, 20, 30,  //
                                          -40, 50, 60};
    const std::vector<std::int32_t> second{1, 2,  //
                                           0, -3,  //
                                           7, 7};
    struct Case {
        Op op;
        std::vector<std::int32_t> out;
    };
    const Case cases[] = {
        {Op::Add, {12, 24, 30, -40, 44, 60}},
        {Op::Subtract, {8, 16, 30, -40, 56, 60}},
        {Op::Multiply, {20, 80, 30, 0, -300, 60}},
        {Op::Divide, {5, 5, 30, -40, -8, 60}},  // −40 / 0 keeps −40; 50 / −6 = −8.33
    };
    for (const auto& c : cases) {
        auto fast = first, plain = first;
        ApplyChannel(fast.data(), 3, 2, 0.5f, second.data(), 2, 3, 1.0f, c.op);
        ApplyChannelPlain(plain.data(), 3, 2, 0.5f, second.data(), 2, 3, 1.0f, c.op);
        EXPECT_EQ(fast, c.out) << int(c.op);
        EXPECT_EQ(plain, c.out) << int(c.op);
    }
    // q = 1 × 1 / 1e18: 5 − q stays below 5 in extended precision although double rounds
    // it onto 5.
    std::vector<std::int32_t> near(300, 5), nearPlain(300, 5);
    const std::vector<std::int32_t> ones(300, 1);
    ApplyChannel(near.data(), 300, 1, 1e18f, ones.data(), 300, 1, 1.0f, Op::Subtract);
    ApplyChannelPlain(nearPlain.data(), 300, 1, 1e18f, ones.data(), 300, 1, 1.0f, Op::Subtract);
    EXPECT_EQ(near, std::vector<std::int32_t>(300, 4));
    EXPECT_EQ(nearPlain, std::vector<std::int32_t>(300, 4));

    // A first channel of Z scale 0 is refused: nothing changes.
    auto refused = first;
    ApplyChannel(refused.data(), 3, 2, 0.0f, second.data(), 2, 3, 1.0f, Op::Add);
    EXPECT_EQ(refused, first);
}

// The fast passes on every core against the plain ones, for every operation, with scales
// that make the operand fractional, whole (sums without rounding in double) or tiny, and
// with values that put many results on whole numbers.
TEST(Arithmetic, FastPassesMatchTheirPlainTwins)
{
    const int w = 301, h = 257, w2 = 280, h2 = 290;
    const auto a = RandomValues(w * h, -(1 << 30), 1 << 30, 5);
    const auto b = RandomValues(w2 * h2, -3000, 3000, 6);
    const auto small = RandomValues(w * h, -40, 40, 8);
    for (const auto& [s1, s2] : {std::pair{0.3f, 0.7f}, std::pair{0.5f, 0.5f}, std::pair{0.5f, 0.25f},
                                 std::pair{3.0f, 1e-10f}, std::pair{1e-20f, 1e20f}})
        for (Op op : {Op::Add, Op::Subtract, Op::Multiply, Op::Divide})
            for (const auto* first : {&a, &small})
                for (unsigned threads : {1u, 0u}) {
                    auto fast = *first, plain = *first;
                    ApplyChannel(fast.data(), w, h, s1, b.data(), w2, h2, s2, op, threads);
                    ApplyChannelPlain(plain.data(), w, h, s1, b.data(), w2, h2, s2, op);
                    EXPECT_EQ(fast, plain) << int(op) << " " << s1 << " " << s2;
                }
    for (Op op : {Op::Add, Op::Subtract, Op::Multiply, Op::Divide})
        for (unsigned threads : {1u, 0u}) {
            auto fast = a, plain = a;
            ApplyNumber(fast.data(), std::int64_t(fast.size()), op, 7, 0.3f, threads);
            ApplyNumberPlain(plain.data(), std::int64_t(plain.size()), op, 7, 0.3f);
            EXPECT_EQ(fast, plain) << int(op);
        }
}
