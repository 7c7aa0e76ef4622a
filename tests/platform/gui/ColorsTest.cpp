#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QPalette>

#include "platform/gui/Colors.h"

using namespace platform;

namespace {

TEST(Colors, RedIsTheLowByte)
{
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x563412u);
    EXPECT_EQ(GetRValue(0x563412), 0x12);
    EXPECT_EQ(GetGValue(0x563412), 0x34);
    EXPECT_EQ(GetBValue(0x563412), 0x56);
    EXPECT_EQ(clRed, RGB(255, 0, 0));
    EXPECT_EQ(clGray, RGB(128, 128, 128));
    EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(FromQColor(QColor(1, 2, 3, 40)), RGB(1, 2, 3));
}

TEST(Colors, SystemColoursFollowTheApplicationPalette)
{
    const QPalette palette = QApplication::palette();
    EXPECT_EQ(ColorToRGB(clWindow), FromQColor(palette.color(QPalette::Active, QPalette::Base)));
    EXPECT_EQ(ColorToRGB(clWindowText),
              FromQColor(palette.color(QPalette::Active, QPalette::Text)));
    EXPECT_EQ(ColorToRGB(clBtnFace), FromQColor(palette.color(QPalette::Active, QPalette::Button)));
    EXPECT_EQ(ToQColor(clWindow), palette.color(QPalette::Active, QPalette::Base).toRgb());
    // Plain and palette-relative colours come back unchanged.
    EXPECT_EQ(ColorToRGB(0x00ABCDEF), 0x00ABCDEFu);
    EXPECT_EQ(ColorToRGB(PALETTEINDEX(7)), 0x01000007u);
    EXPECT_TRUE(IsSystemColor(clBtnShadow));
    EXPECT_FALSE(IsSystemColor(clWhite));
}

} // namespace
