#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "processing/RawValue.h"

using processing::ToRawValue;

TEST(ToRawValue, TruncatesTowardZeroSaturatesAndKeepsThePreviousValueForNaN)
{
    constexpr std::int32_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t hi = std::numeric_limits<std::int32_t>::max();
    struct Case {
        double value;
        std::int32_t previous, expected;
    };
    const Case cases[] = {
        {2.9, 0, 2},
        {-2.9, 0, -2},
        {-0.5, 7, 0},
        {2147483647.9, 0, hi},
        {2147483648.0, 0, hi},
        {1e300, 0, hi},
        {INFINITY, 0, hi},
        {-2147483648.9, 0, lo},
        {-1e300, 0, lo},
        {-INFINITY, 0, lo},
        {NAN, 1234, 1234},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToRawValue(c.value, c.previous), c.expected) << c.value;
}

// A value in extended precision just below an integer is truncated as it stands: rounding
// it to double first would give the integer itself.
TEST(ToRawValue, TruncatesExtendedValuesWithoutRoundingThemToDouble)
{
    const long double below3 = 3.0L - 1.0L / (1ull << 60);
    ASSERT_EQ(static_cast<double>(below3), 3.0);
    EXPECT_EQ(ToRawValue(below3), 2);
    EXPECT_EQ(ToRawValue(-below3), -2);
    EXPECT_EQ(ToRawValue(2147483647.5L), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ToRawValue(-2147483648.5L), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ToRawValue(static_cast<long double>(NAN), 9), 9);
}
