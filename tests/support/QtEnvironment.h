#pragma once
// One application object for every test of a test program (offscreen: QT_QPA_PLATFORM
// is set by CTest), with printf-style numbers on '.' as in the program (whose own
// application object sees to that itself). A test folder registers it once:
//   [[maybe_unused]] auto* const environment = testsupport::AddQtEnvironment<QApplication>();

#include <gtest/gtest.h>

#include <QApplication>
#include <type_traits>

#include "platform/gui/Numbers.h"

namespace testsupport {

template <typename Application>
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "tests";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance()) {
            app_ = new Application(argc, argv);
            if constexpr (std::is_same_v<Application, QApplication>)
                platform::KeepCNumericLocale();
        }
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};

template <typename Application>
::testing::Environment* AddQtEnvironment()
{
    return ::testing::AddGlobalTestEnvironment(new QtEnvironment<Application>);
}

}  // namespace testsupport
