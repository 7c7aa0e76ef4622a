#include "platform/gui/QuietPictures.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QStyleOption>

namespace platform {

QPixmap ReadPngPicture(const QString& path)
{
    QImageReader reader(path, "png");
    // Without the format named and its detection off, the reader asks every plug-in first.
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

TQuietPictureStyle::TQuietPictureStyle(QStyle* base) : QProxyStyle(base) {}

QIcon TQuietPictureStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    const bool rightToLeft = option ? option->direction == Qt::RightToLeft : QGuiApplication::isRightToLeft();
    // The style's own pictures of the horizontal extension button, left to right, when no
    // icon theme may stand in for them.
    if (icon == SP_ToolBarHorizontalExtensionButton && !rightToLeft && QIcon::themeName().isEmpty()) {
        if (!extensionIcon_.isNull())
            return extensionIcon_;
        const QString stem = QStringLiteral(":/qt-project.org/styles/commonstyle/images/toolbar-ext-h-");
        QIcon pictures;
        bool whole = true;
        for (const char* size : {"8", "16", "32"}) {
            const QPixmap picture = ReadPngPicture(stem + QLatin1String(size) + QStringLiteral(".png"));
            whole = whole && !picture.isNull();
            if (whole)
                pictures.addPixmap(picture);
        }
        if (whole) {
            extensionIcon_ = pictures;
            return pictures;
        }
    }
    return QProxyStyle::standardIcon(icon, option, widget);
}

const QStyle* PaintingStyle(const QStyle* style)
{
    if (const auto* quiet = dynamic_cast<const TQuietPictureStyle*>(style))
        return quiet->baseStyle();
    return style;
}

}  // namespace platform
