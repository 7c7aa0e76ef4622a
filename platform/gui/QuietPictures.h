#pragma once
// Pictures read without Qt's image-format plug-ins. A picture read by file name makes Qt's
// image reader load every image-format plug-in (and the libraries they need) to ask whether
// it reads the file, even a PNG that Qt reads itself; at start that loading costs more
// than the rest of the main window's pictures together. The PNG pictures that a start
// shows are read here as PNG straight away, pixel for pixel what Qt reads.

#include <QIcon>
#include <QPixmap>
#include <QProxyStyle>
#include <QString>

namespace platform {

//! The PNG picture at `path` (a file or a resource); a null pixmap when it cannot be read.
QPixmap ReadPngPicture(const QString& path);

//! The application's style, whose horizontal tool-bar extension icon (the menu bar and every
//! tool bar make one at construction) is read by ReadPngPicture; everything else is the
//! style's own.
class TQuietPictureStyle : public QProxyStyle {
public:
    //! Takes over `base`.
    explicit TQuietPictureStyle(QStyle* base);

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;

private:
    // Read once: the menu bar and every tool bar share it.
    mutable QIcon extensionIcon_;
};

//! The style that paints: `style` itself, or the base of a TQuietPictureStyle.
const QStyle* PaintingStyle(const QStyle* style);

}  // namespace platform
