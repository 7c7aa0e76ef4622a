// One application object, the program's own, for every test of this program (offscreen: QT_QPA_PLATFORM is set by CTest).
#include <gtest/gtest.h>

#include <QApplication>

#include "app/Application.h"

namespace {
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            app_ = new TMorvaneApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);
}  // namespace
