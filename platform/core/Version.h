#pragma once
// The program file's version.

#include <string>

namespace platform {

//! The program file's version text "1.0.0.N", N being the build number the build was
//! configured with; "" when the build carries no version.
std::string ProgramFileVersion();

}  // namespace platform
