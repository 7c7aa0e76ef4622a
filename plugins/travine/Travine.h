#pragma once
// Travine's run: one start shows the nonlinearity window modally over the program's main
// window and writes both corrected images back as a new step when it closes; everything
// happens inside _StartPlugIn, which always answers 1.

#include <cstdint>

class IPlugIn;

namespace travine {

//! The body of `_StartPlugIn`: refuses an object without channels 0 and 1 ("Error! Data is
//! absеnt"), or whose channels cannot be taken in, with a message; otherwise runs the
//! window and the write-back. Any failure shows "Exception in DLL module". Always 1.
std::int32_t StartPlugIn(IPlugIn* host, std::int32_t code, std::int32_t object,
                         std::int32_t channel);

} // namespace travine
