#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QStyleFactory>
#include <QStyleOption>
#include <memory>

#include "platform/gui/QuietPictures.h"

using namespace platform;

namespace {

const QString StylePictures = QStringLiteral(":/qt-project.org/styles/commonstyle/images/");

}  // namespace

TEST(QuietPicturesTest, PngPicturesReadAsByName)
{
    for (const char* name : {"fusion_groupbox.png", "toolbar-ext-h-8.png", "toolbar-ext-h-32.png"}) {
        SCOPED_TRACE(name);
        const QPixmap byName(StylePictures + QLatin1String(name));
        const QPixmap read = ReadPngPicture(StylePictures + QLatin1String(name));
        ASSERT_FALSE(byName.isNull());
        EXPECT_EQ(read.toImage(), byName.toImage());
    }
    EXPECT_TRUE(ReadPngPicture(StylePictures + QStringLiteral("no-such-picture.png")).isNull());
}

TEST(QuietPicturesTest, StandardIconsAreTheStylesOwn)
{
    std::unique_ptr<QStyle> plain(QStyleFactory::create("fusion"));
    TQuietPictureStyle quiet(QStyleFactory::create("fusion"));
    EXPECT_EQ(PaintingStyle(&quiet)->name(), plain->name());
    EXPECT_EQ(PaintingStyle(plain.get()), plain.get());
    QStyleOption leftToRight, rightToLeft;
    rightToLeft.direction = Qt::RightToLeft;
    for (const QStyle::StandardPixmap icon :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton,
          QStyle::SP_TitleBarCloseButton}) {
        for (const QStyleOption* option : std::initializer_list<const QStyleOption*>{nullptr, &leftToRight, &rightToLeft}) {
            SCOPED_TRACE(std::to_string(int(icon)) + (option == &rightToLeft ? " right to left" : ""));
            const QIcon theirs = plain->standardIcon(icon, option);
            const QIcon mine = quiet.standardIcon(icon, option);
            ASSERT_FALSE(theirs.isNull());
            EXPECT_FALSE(mine.isNull());
            EXPECT_EQ(mine.availableSizes(), theirs.availableSizes());
            for (const QSize size : {QSize(8, 8), QSize(12, 12), QSize(16, 16), QSize(24, 24), QSize(32, 32), QSize(48, 48)})
                for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active})
                    EXPECT_EQ(mine.pixmap(size, mode).toImage(), theirs.pixmap(size, mode).toImage());
        }
    }
}
