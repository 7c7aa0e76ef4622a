// The OpenGL panel with a real context: its events, fonts, text, saving and swapping.

#include <gtest/gtest.h>

#include <QFile>
#include <QOpenGLContext>
#include <QPrinter>
#include <string>

#include <GL/gl.h>

#include "components/OpenGLPanel.h"
#include "components/ZtOpenGL.h"
#include "gl/GLSupport.h"
#include "platform/core/Messages.h"
#include "platform/gui/Bitmap.h"
#include "support/TestSupport.h"

namespace {

//! A panel of 160 × 120 that clears to `clear` and then runs `draw` in a pixel projection
//! (x right, y down).
struct PaintedPanel {
    PaintedPanel()
    {
        panel.resize(160, 120);
        panel.OnPaint = [this](TOpenGLPanel*) {
            ++paints;
            contextInPaint = QOpenGLContext::currentContext() == panel.Context();
            glClearColor(qRed(clear) / 255.0f, qGreen(clear) / 255.0f, qBlue(clear) / 255.0f, 1);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(0, 160, 120, 0, -100, 100);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            if (draw)
                draw();
        };
    }
    platform::MessageRecorder messages;
    TOpenGLPanel panel;
    QRgb clear = qRgb(255, 255, 255);
    std::function<void()> draw;
    int paints = 0;
    bool contextInPaint = false;
};

}  // namespace

TEST(OpenGLPanelGL, InitRunsOnceWithBothFontsAndEventsRunWithTheContext)
{
    SKIP_WITHOUT_OPENGL();
    PaintedPanel p;
    int inits = 0, resizes = 0;
    std::string order;
    bool fontsAtInit = false, contextAtResize = false;
    p.panel.Font3D_Enabled = true;
    // The owner's last word before the context: what it sets there holds.
    p.panel.OnPreInit = [&](TOpenGLPanel* sender) {
        order += "p";
        sender->Font2D_Enabled = true;
    };
    p.panel.OnInit = [&](TOpenGLPanel* sender) {
        order += "i";
        ++inits;
        fontsAtInit = sender->Font3D() && sender->Font2D() &&
                      QOpenGLContext::currentContext() == sender->Context();
    };
    p.panel.OnResize = [&](TOpenGLPanel* sender) {
        ++resizes;
        contextAtResize = QOpenGLContext::currentContext() == sender->Context();
    };
    ASSERT_TRUE(gltest::ShowAndWait(p.panel));
    p.panel.resize(200, 150);
    QApplication::processEvents();
    p.panel.Paint();
    EXPECT_EQ(inits, 1);
    EXPECT_EQ(order, "pi");
    EXPECT_TRUE(fontsAtInit);
    EXPECT_GE(resizes, 1);
    EXPECT_TRUE(contextAtResize);
    EXPECT_GE(p.paints, 1);
    EXPECT_TRUE(p.contextInPaint);
    EXPECT_TRUE(p.panel.DoubleBuffered());
    EXPECT_GE(p.panel.Descriptor().cDepthBits, 24);  // 32 asked; 24 or more is taken
    EXPECT_TRUE(p.messages.Texts().empty());
    // The fonts' metrics are the face's: digits advance, and a text is as wide as its parts.
    double one[3] = {}, two[3] = {};
    p.panel.Get3DTextSize("1", one);
    p.panel.Get3DTextSize("11", two);
    EXPECT_GT(one[0], 0.1);
    EXPECT_LT(one[0], 1.0);
    EXPECT_NEAR(one[2], 0.1, 1e-6);
    EXPECT_NEAR(two[0], one[0] + p.panel.Font3D()->Metrics['1' - 32].gmfCellIncX, 1e-6);
}

TEST(OpenGLPanelGL, WithoutOnInitNoFontIsBuilt)
{
    SKIP_WITHOUT_OPENGL();
    PaintedPanel p;
    p.panel.Font3D_Enabled = p.panel.Font2D_Enabled = true;
    ASSERT_TRUE(gltest::ShowAndWait(p.panel));
    EXPECT_TRUE(p.panel.HasContext());
    EXPECT_EQ(p.panel.Font3D(), nullptr);
    EXPECT_EQ(p.panel.Font2D(), nullptr);
}

TEST(OpenGLPanelGL, TextChangesPixelsOnlyWhenItsCharactersAreInTheFont)
{
    SKIP_WITHOUT_OPENGL();
    const struct {
        int glyphs;
        bool drawn;
    } cases[] = {{150, true}, {96, false}};  // "µ" is 0xB5: within 32 + 150 − 1 only
    for (const auto& c : cases) {
        PaintedPanel p;
        p.panel.Font2D_Enabled = p.panel.Font3D_Enabled = true;
        p.panel.Font2D_NumGylph = p.panel.Font3D_NumGylph = c.glyphs;
        p.panel.Font2D_Type = TGLFont{"DejaVu Sans", -12, false, false, RUSSIAN_CHARSET};
        p.panel.OnInit = [](TOpenGLPanel*) {};
        p.draw = [&p] {
            glColor3f(0, 0, 0);
            glRasterPos2i(10, 30);
            p.panel.Draw2DText("1 \xB5m");
            // 3-D text 40 pixels high, facing the viewer.
            glTranslatef(10, 100, 0);
            glScalef(40, -40, 1);
            p.panel.Draw3DText("2 \xB5m");
        };
        ASSERT_TRUE(gltest::ShowAndWait(p.panel));
        const QImage picture = gltest::Capture(p.panel);
        const int text2D = gltest::CountOtherThan(picture.copy(0, 0, 160, 40), qRgb(255, 255, 255));
        const int text3D = gltest::CountOtherThan(picture.copy(0, 50, 160, 70), qRgb(255, 255, 255));
        if (c.drawn) {
            EXPECT_GT(text2D, 10) << c.glyphs;
            EXPECT_GT(text3D, 100) << c.glyphs;
        } else {
            EXPECT_EQ(text2D, 0) << c.glyphs;
            EXPECT_EQ(text3D, 0) << c.glyphs;
        }
    }
}

TEST(OpenGLPanelGL, SavedPictureHasThePanelsSizeAndPicture)
{
    SKIP_WITHOUT_OPENGL();
    testsupport::ScratchDir dir;
    PaintedPanel p;
    p.clear = qRgb(200, 30, 60);
    p.draw = [] {
        glColor3f(0, 0, 1);
        glRecti(0, 0, 40, 20);  // the top-left corner
    };
    ASSERT_TRUE(gltest::ShowAndWait(p.panel));
    ASSERT_TRUE(p.panel.SaveOpenGLPanelToFile(dir.File("panel.bmp")));
    platform::TBitmap saved;
    ASSERT_TRUE(saved.LoadFromFile(dir.File("panel.bmp")));
    EXPECT_EQ(saved.Width(), 160);
    EXPECT_EQ(saved.Height(), 120);
    const QImage image = saved.Image().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image.pixel(5, 5) & 0xFFFFFF, qRgb(0, 0, 255) & 0xFFFFFFu);
    EXPECT_EQ(image.pixel(100, 100) & 0xFFFFFF, qRgb(200, 30, 60) & 0xFFFFFFu);
    // A file that cannot be written is answered with false.
    EXPECT_FALSE(p.panel.SaveOpenGLPanelToFile(dir.File("no/such/folder.bmp")));
}

TEST(OpenGLPanelGL, ManualSwapShowsOnlyWhatTheOwnerSwaps)
{
    SKIP_WITHOUT_OPENGL();
    PaintedPanel p;
    p.panel.GLSwapBuffers = Manual;
    p.clear = qRgb(0, 255, 0);
    ASSERT_TRUE(gltest::ShowAndWait(p.panel));
    EXPECT_GE(p.paints, 1);
    EXPECT_NE(gltest::Capture(p.panel).pixel(80, 60) & 0xFFFFFF, 0x00FF00u);  // painted, never swapped
    p.panel.SwapBuffers();
    QApplication::processEvents();
    EXPECT_EQ(gltest::Capture(p.panel).pixel(80, 60) & 0xFFFFFF, 0x00FF00u);
    p.clear = qRgb(0, 0, 255);
    p.panel.Paint();
    EXPECT_EQ(gltest::Capture(p.panel).pixel(80, 60) & 0xFFFFFF, 0x00FF00u);
    p.panel.SwapBuffers();
    QApplication::processEvents();
    EXPECT_EQ(gltest::Capture(p.panel).pixel(80, 60) & 0xFFFFFF, 0x0000FFu);

    // Auto swaps at every paint.
    PaintedPanel a;
    a.clear = qRgb(0, 255, 0);
    ASSERT_TRUE(gltest::ShowAndWait(a.panel));
    EXPECT_EQ(gltest::Capture(a.panel).pixel(80, 60) & 0xFFFFFF, 0x00FF00u);
}

TEST(OpenGLPanelGL, ExtensionsAndFontListsBelongToTheirContext)
{
    SKIP_WITHOUT_OPENGL();
    PaintedPanel p;
    ASSERT_TRUE(gltest::ShowAndWait(p.panel));
    ASSERT_TRUE(p.panel.MakeOpenGLPanelCurrent());
    EXPECT_TRUE(p.panel.QueryOpenGLExtention("GL_ARB_multitexture"));
    EXPECT_FALSE(p.panel.QueryOpenGLExtention("GL_ARB_multi"));
    TGLFont face;
    std::unique_ptr<OpenGLFont2D> font = p.panel.Create2DFont(&face, 32, 96);
    ASSERT_TRUE(font);
    const GLuint base = font->Base;
    EXPECT_TRUE(glIsList(base));

    // Deleted while another context is current: the lists go in their own context, and the
    // other context stays current.
    TZtOpenGL other;
    other.Resize(8, 8);
    ASSERT_TRUE(other.MakeOpenGLCurrent());
    font.reset();
    EXPECT_EQ(QOpenGLContext::currentContext(), other.Context());
    other.MakeOpenGLNotCurrent();
    ASSERT_TRUE(p.panel.MakeOpenGLPanelCurrent());
    EXPECT_FALSE(glIsList(base));
    p.panel.MakeOpenGLPanelNotCurrent();
}

TEST(OpenGLPanelGL, PrintsItsPictureToThePrinter)
{
    SKIP_WITHOUT_OPENGL();
    PaintedPanel p;
    p.clear = qRgb(0, 0, 255);
    ASSERT_TRUE(gltest::ShowAndWait(p.panel));
    testsupport::ScratchDir dir;
    const std::string path = dir.File("panel.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    ASSERT_TRUE(p.panel.PrintOpenGLPanel(&printer));
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_TRUE(bytes.contains("/Image"));  // the panel's picture, not an empty page
    EXPECT_TRUE(p.messages.Texts().empty());
}
