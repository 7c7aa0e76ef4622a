// The off-screen OpenGL component: its picture, its copies, and the same frame as the panel.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <GL/gl.h>

#include "components/OpenGLPanel.h"
#include "components/ZtOpenGL.h"
#include "gl/GLSupport.h"
#include "platform/core/Messages.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"

namespace {

//! A lit scene: a clear colour, a shaded triangle fan and a coloured quad, in a unit
//! projection; the same calls for the panel and the component.
void DrawScene()
{
    glClearColor(0.2f, 0.3f, 0.4f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    const GLfloat position[] = {0.3f, 0.5f, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glBegin(GL_TRIANGLE_FAN);
    glColor3f(0.9f, 0.6f, 0.1f);
    glNormal3f(0, 0, 1);
    glVertex3f(-0.2f, -0.1f, 0);
    for (int i = 0; i <= 8; ++i) {
        glNormal3f(0.1f * i, 0.05f * i, 1);
        glVertex3f(-0.9f + 0.2f * i, -0.9f + 0.15f * (i % 3), 0.1f * i);
    }
    glEnd();
    glDisable(GL_LIGHTING);
    glColor3f(1, 0, 0);
    glRectf(-1, 0.5f, -0.5f, 1);  // the top-left corner
    glDisable(GL_DEPTH_TEST);
}

}  // namespace

TEST(ZtOpenGLGL, PictureRowsBottomUpAndItsCopies)
{
    SKIP_WITHOUT_OPENGL();
    platform::MessageRecorder messages;
    TZtOpenGL gl;
    gl.OnPaint = [](TZtOpenGL*) { DrawScene(); };
    int inits = 0;
    gl.OnInit = [&](TZtOpenGL*) { ++inits; };
    gl.Resize(64, 48);
    ASSERT_TRUE(gl.HasContext());
    EXPECT_EQ(inits, 1);
    EXPECT_EQ(gl.PictureHeader().biWidth, 64);
    EXPECT_EQ(gl.PictureHeader().biHeight, 48);
    EXPECT_EQ(gl.PictureHeader().biBitCount, 32);
    EXPECT_EQ(gl.BytesPerLine(), 256);
    gl.Repaint();
    // The top-left red corner lies in the last stored row.
    const std::uint8_t* top = gl.PictureBits() + std::size_t(47) * 256;
    EXPECT_EQ((std::vector<int>{top[0], top[1], top[2]}), (std::vector<int>{0, 0, 255}));
    const std::uint8_t* bottom = gl.PictureBits();
    EXPECT_EQ(bottom[0], 102);  // the clear colour (0.2, 0.3, 0.4)
    EXPECT_NEAR(bottom[1], 76.5, 0.5);
    EXPECT_EQ(bottom[2], 51);

    // CopyTo gives the bitmap the picture's size; Draw with an empty rectangle copies it all.
    platform::TBitmap copy;
    copy.SetSize(5, 5);
    gl.CopyTo(&copy);
    EXPECT_EQ(copy.Width(), 64);
    EXPECT_EQ(copy.Height(), 48);
    EXPECT_EQ(copy.Image().pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
    QImage target(100, 100, QImage::Format_RGB32);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        gl.Draw(painter, QRect(10, 20, 0, 0));
    }
    EXPECT_EQ(target.pixel(10, 20) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(target.pixel(10 + 63, 20 + 47), copy.Image().pixel(63, 47));
    EXPECT_EQ(target.pixel(10 + 64, 20) & 0xFFFFFF, 0u);
    platform::TBitmap canvasTarget;
    canvasTarget.SetPixelFormat(platform::pf24bit);
    canvasTarget.SetSize(100, 100);
    gl.Draw(canvasTarget.Canvas(), QRect(10, 20, 0, 0));
    EXPECT_EQ(canvasTarget.Image().pixel(10, 20) & 0xFFFFFF, 0xFF0000u);

    // A second Resize replaces picture and context: one picture, of the new size.
    gl.Resize(32, 16);
    EXPECT_EQ(gl.PictureCount(), 1);
    EXPECT_EQ(gl.PictureHeader().biWidth, 32);
    EXPECT_EQ(inits, 2);
    gl.Repaint();
    gl.CopyTo(&copy);
    EXPECT_EQ(copy.Width(), 32);
    EXPECT_TRUE(messages.Texts().empty());
}

TEST(ZtOpenGLGL, WithoutOnPaintRepaintDoesNothing)
{
    SKIP_WITHOUT_OPENGL();
    TZtOpenGL gl;
    gl.Resize(8, 8);
    gl.Repaint();
    for (int i = 0; i < 8 * 8 * 4; ++i)
        ASSERT_EQ(gl.PictureBits()[i], 0) << i;
    // 24 bits per pixel: rows padded to four bytes.
    gl.cColorBits = 24;
    gl.Resize(5, 3);
    EXPECT_EQ(gl.BytesPerLine(), 16);
}

TEST(ZtOpenGLGL, SameSceneAsThePanelsFrame)
{
    SKIP_WITHOUT_OPENGL();
    TOpenGLPanel panel;
    panel.resize(96, 72);
    panel.OnPaint = [](TOpenGLPanel*) { DrawScene(); };
    ASSERT_TRUE(gltest::ShowAndWait(panel));
    const QImage shown = gltest::Capture(panel);

    TZtOpenGL gl;
    gl.OnPaint = [](TZtOpenGL*) { DrawScene(); };
    gl.Resize(96, 72);
    gl.Repaint();
    platform::TBitmap picture;
    gl.CopyTo(&picture);
    const QImage drawn = picture.Image().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), drawn.size());
    int differing = 0;
    for (int y = 0; y < 72; ++y)
        for (int x = 0; x < 96; ++x)
            differing += (shown.pixel(x, y) & 0xFFFFFF) != (drawn.pixel(x, y) & 0xFFFFFF);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(gltest::CountOtherThan(drawn, qRgb(51, 77, 102)), 500);
}
