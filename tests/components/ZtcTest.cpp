#include <gtest/gtest.h>

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "components/Ztc.h"

namespace {

TEST(Ztc, RegisterListsTheLibrarysControlsOnOnePage)
{
    const auto table = Ztc::Register();
    std::vector<std::string> names;
    for (const auto& entry : table) {
        names.push_back(entry.Name);
        EXPECT_EQ(entry.Page, "Zt Components") << entry.Name;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"TZtEdit", "TZtRotateLabel", "TZtImage",
                                               "TZtBufferedImage", "TZtAxisImage", "TZtMatrixImage",
                                               "TZtChart", "TZtWinControlCapture", "TZtPaletteBar",
                                               "TZtColorButton", "TOpenGLPanel", "TZtOpenGL"}));
    // Each control this program builds can be created by its entry, on an owner.
    QWidget owner;
    for (const auto& entry : table) {
        if (!entry.Create)
            continue;
        QObject* made = entry.Create(&owner);
        ASSERT_NE(made, nullptr) << entry.Name;
        EXPECT_EQ(std::string(made->metaObject()->className()), entry.Name);
        EXPECT_EQ(made->parent(), &owner) << entry.Name;
    }
}

} // namespace
