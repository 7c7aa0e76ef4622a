#pragma once
// Quindle's run: one start computes the multifractal dimension of the channel it is given,
// behind its progress dialog, and shows the result window; everything happens inside
// _StartPlugIn, which always answers 1. Each start sets up its own state: nothing stays
// from one start to the next.

#include <cstdint>

class IPlugIn;

namespace quindle {

//! The body of `_StartPlugIn`: reads the channel through the host interface, refuses a
//! channel without a dimension with a message, runs the analysis behind the progress
//! dialog and shows the result window unless the user aborted. Any failure shows
//! "Exception in DLL module". Always 1.
std::int32_t StartPlugIn(IPlugIn* host, std::int32_t code, std::int32_t object,
                         std::int32_t channel);

//! The progress dialog's abort routine: the aborted work leaves nothing to undo.
void AbortCalculation();

//! The message of a channel without a dimension begins with this text.
inline constexpr const char* CannotBeComputed = "The multifractal dimension cannot be computed";

}  // namespace quindle
