// One QApplication for every test of a program that runs its windows without the main
// window (and so without the program's own application object).
#include "support/QtEnvironment.h"

[[maybe_unused]] static ::testing::Environment* const environment =
    testsupport::AddQtEnvironment<QApplication>();
