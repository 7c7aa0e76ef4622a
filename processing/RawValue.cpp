#include "processing/RawValue.h"

#include <cmath>
#include <limits>

namespace processing {

std::int32_t ToRawValue(long double value, std::int32_t previous)
{
    if (std::isnan(value))
        return previous;
    // Compare against the ends as they are: both are exact, and a truncated value at
    // INT32_MAX + 0.5 still fits.
    constexpr long double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr long double highest = std::numeric_limits<std::int32_t>::max();
    if (value <= lowest)
        return std::numeric_limits<std::int32_t>::min();
    if (value >= highest)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);  // truncation toward zero
}

std::int32_t ToRawValue(double value, std::int32_t previous)
{
    // Every double is exact as a long double, so both conversions give the same raw value.
    return ToRawValue(static_cast<long double>(value), previous);
}

}  // namespace processing
