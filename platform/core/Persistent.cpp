#include "Persistent.h"

namespace platform {

void AssignError(const std::string& className)
{
    throw Exception("Can'not assign to " + className);
}

} // namespace platform
