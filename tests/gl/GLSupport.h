#pragma once
// Helpers of the OpenGL tests: skipping where no OpenGL widget can be shown, waiting for
// a widget's first frame, and looking at pictures.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "components/OpenGLPanel.h"
#include "platform/gui/Bitmap.h"

//! Skips the test on platforms without OpenGL widgets (no display). Where the test script
//! provides a display (MORVANE_REQUIRE_OPENGL set), a missing OpenGL is a failure instead:
//! the OpenGL tests must not pass by being skipped.
#define SKIP_WITHOUT_OPENGL()                                                              \
    do {                                                                                   \
        if (!OpenGLWidgetsSupported()) {                                                   \
            if (qEnvironmentVariableIsSet("MORVANE_REQUIRE_OPENGL"))                       \
                FAIL() << "no OpenGL widgets on the display the test script provides";     \
            GTEST_SKIP() << "no OpenGL widgets on this platform (no display)";             \
        }                                                                                  \
    } while (0)

namespace gltest {

//! Shows the widget and lets it draw its first frames.
inline bool ShowAndWait(QWidget& w)
{
    w.show();
    const bool exposed = QTest::qWaitForWindowExposed(w.window());
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    return exposed;
}

//! The panel's picture as an RGB32 image.
inline QImage Capture(TOpenGLPanel& panel)
{
    platform::TBitmap bitmap;
    panel.CapturePicture(bitmap);
    return bitmap.Image().convertToFormat(QImage::Format_RGB32);
}

//! What the display shows of the widget once the events of the moment have run: the
//! window as composed on the screen, not a fresh paint (grabbing an OpenGL widget's
//! framebuffer paints it first, and so would hide a picture that is never asked for).
inline QImage Shown(QWidget& w)
{
    for (int i = 0; i < 4; ++i) {
        QApplication::processEvents();
        QTest::qWait(15);
    }
    QWidget* top = w.window();
    const QPoint at = w.mapTo(top, QPoint(0, 0));
    const QPixmap grabbed = top->screen()->grabWindow(top->winId(), at.x(), at.y(), w.width(), w.height());
    return grabbed.toImage().convertToFormat(QImage::Format_RGB32);
}

//! Pixels that differ from the colour.
inline int CountOtherThan(const QImage& image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF);
    return n;
}

}  // namespace gltest
