// One application object, the program's own, for every test of this program. The tests
// draw with OpenGL on the X display (Xvfb with Mesa's software renderer under
// scripts/test); without a display the application starts on the offscreen platform and
// every test skips.
#include <cstdlib>
#include <dlfcn.h>

#include "app/Application.h"
#include "gl/GLSupport.h"
#include "support/QtEnvironment.h"

namespace {
class GLEnvironment : public testsupport::QtEnvironment<TMorvaneApplication> {
public:
    void SetUp() override
    {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Mesa's software driver stays loaded to the end, so that the sanitizer's leak check
        // can name it in what it leaks (tests/sanitize/lsan.supp).
        dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
        testsupport::QtEnvironment<TMorvaneApplication>::SetUp();
    }
};
}  // namespace

[[maybe_unused]] static ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new GLEnvironment);
