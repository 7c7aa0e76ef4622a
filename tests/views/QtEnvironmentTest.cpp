// One application object, the program's own, for every test of this program.
#include "app/Application.h"
#include "support/QtEnvironment.h"

[[maybe_unused]] static ::testing::Environment* const environment =
    testsupport::AddQtEnvironment<TMorvaneApplication>();
