#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Clipboard.h"

using namespace platform;

namespace {

TEST(Clipboard, CopiesThePicture)
{
    TBitmap bitmap;
    bitmap.SetSize(3, 2);
    bitmap.Canvas()->SetPixels(2, 1, RGB(10, 20, 30));
    ASSERT_TRUE(CopyToClipboard(bitmap));
    bitmap.Canvas()->SetPixels(2, 1, clBlack); // the clipboard keeps its own copy
    const QImage image = QGuiApplication::clipboard()->image();
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixelColor(2, 1), QColor(10, 20, 30));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 255, 255));
    TBitmap empty;
    EXPECT_FALSE(CopyToClipboard(empty));
}

} // namespace
