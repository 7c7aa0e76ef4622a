#include "processing/RawValue.h"

#include <cmath>
#include <limits>

namespace processing {

std::int32_t ToRawValue(double value, std::int32_t previous)
{
    if (std::isnan(value))
        return previous;
    // Compare against the ends as doubles: both are exact, and a truncated value at
    // INT32_MAX + 0.5 still fits.
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    if (value <= lowest)
        return std::numeric_limits<std::int32_t>::min();
    if (value >= highest)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);  // truncation toward zero
}

}  // namespace processing
