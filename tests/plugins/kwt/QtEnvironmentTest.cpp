// One QApplication for every test of this program.
#include "support/QtEnvironment.h"

[[maybe_unused]] static ::testing::Environment* const environment =
    testsupport::AddQtEnvironment<QApplication>();
