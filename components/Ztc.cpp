#include "Ztc.h"

#include "components/ZtAxisImage.h"
#include "components/ZtBufferedImage.h"
#include "components/ZtChart.h"
#include "components/ZtColorButton.h"
#include "components/ZtEdit.h"
#include "components/ZtImage.h"
#include "components/ZtMatrixImage.h"
#include "components/ZtPaletteBar.h"
#include "components/ZtRotateLabel.h"
#include "components/ZtWinControlCapture.h"

namespace Ztc {

namespace {

template <typename T> QObject* Create(QWidget* owner)
{
    return new T(owner);
}

} // namespace

std::vector<TRegisteredClass> Register()
{
    const std::string page = "Zt Components";
    // The OpenGL panel and its off-screen twin belong to the library and the 3-D view; they
    // are listed by name here.
    return {
        {"TZtEdit", page, Create<TZtEdit>},
        {"TZtRotateLabel", page, Create<TZtRotateLabel>},
        {"TZtImage", page, Create<TZtImage>},
        {"TZtBufferedImage", page, Create<TZtBufferedImage>},
        {"TZtAxisImage", page, Create<TZtAxisImage>},
        {"TZtMatrixImage", page, Create<TZtMatrixImage>},
        {"TZtChart", page, Create<TZtChart>},
        {"TZtWinControlCapture", page, Create<TZtWinControlCapture>},
        {"TZtPaletteBar", page, Create<TZtPaletteBar>},
        {"TZtColorButton", page, Create<TZtColorButton>},
        {"TOpenGLPanel", page, nullptr},
        {"TZtOpenGL", page, nullptr},
    };
}

} // namespace Ztc
