#pragma once
// Computed values become raw channel values by truncation toward zero. The conversion
// saturates at the ends of the 32-bit range and keeps the previous value for a NaN, so
// that no computation can write an undefined value into a channel.

#include <cstdint>

namespace processing {

//! `value` truncated toward zero to a raw value: values beyond the 32-bit range give
//! INT32_MIN or INT32_MAX; a NaN gives `previous` (the value the sample held before).
std::int32_t ToRawValue(double value, std::int32_t previous = 0);

//! The same for a value computed in extended precision: truncated as it stands, without
//! a rounding to double first (2.99999999999999999 gives 2, not 3).
std::int32_t ToRawValue(long double value, std::int32_t previous = 0);

}  // namespace processing
