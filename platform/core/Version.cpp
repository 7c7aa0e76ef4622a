#include "Version.h"

#ifndef MORVANE_FILE_VERSION
#define MORVANE_FILE_VERSION ""
#endif

namespace platform {

std::string ProgramFileVersion() { return MORVANE_FILE_VERSION; }

}  // namespace platform
