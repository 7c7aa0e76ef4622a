// What the OpenGL components compute without a context: pixel-format flags and
// descriptors, the palette of 8-bit formats, glyph ranges, 3-D text sizes from metrics, the
// extension list, the print rectangle and BMP textures.

#include <gtest/gtest.h>

#include <QImage>
#include <QSurfaceFormat>
#include <vector>

#include <GL/gl.h>

#include "components/OpenGLHelpers.h"
#include "components/OpenGLPanel.h"
#include "components/ZtOpenGL.h"
#include "platform/core/Messages.h"
#include "platform/gui/Bitmap.h"
#include "support/TestSupport.h"

TEST(OpenGLHelpers, PanelFlagsKeepOneOfGdiAndDoubleBuffer)
{
    const TPFDFlags defaults{f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_OPENGL, f_PFD_DOUBLEBUFFER};
    EXPECT_EQ(TOpenGLPanel().PFDFlags, defaults);
    const PIXELFORMATDESCRIPTOR pfd = PanelDescriptor(defaults, 0, 32, 32);
    EXPECT_EQ(pfd.dwFlags, 0x25u);
    EXPECT_EQ(pfd.cColorBits, 32);
    EXPECT_EQ(pfd.cDepthBits, 32);
    EXPECT_EQ(pfd.nSize, 40);
    EXPECT_EQ(pfd.nVersion, 1);

    const struct {
        TPFDFlags old, requested, stored;
    } cases[] = {
        // Both given: the one newly added wins.
        {defaults, {f_PFD_SUPPORT_GDI, f_PFD_DOUBLEBUFFER}, {f_PFD_SUPPORT_GDI}},
        {{f_PFD_SUPPORT_GDI}, {f_PFD_SUPPORT_GDI, f_PFD_DOUBLEBUFFER}, {f_PFD_DOUBLEBUFFER}},
        // Neither: removing one adds the other.
        {defaults, {f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_OPENGL}, {f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_OPENGL, f_PFD_SUPPORT_GDI}},
        {{f_PFD_SUPPORT_GDI}, {}, {f_PFD_DOUBLEBUFFER}},
        // One of them: stored as given.
        {defaults, {f_PFD_STEREO, f_PFD_SUPPORT_GDI}, {f_PFD_STEREO, f_PFD_SUPPORT_GDI}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApplyPFDFlags(c.old, c.requested), c.stored) << c.requested.Raw();
    TOpenGLPanel panel;
    panel.SetPFDFlags({f_PFD_SUPPORT_GDI, f_PFD_DOUBLEBUFFER});
    EXPECT_EQ(panel.PFDFlags, (TPFDFlags{f_PFD_SUPPORT_GDI}));

    // Double buffering follows the absence of GDI support, not the element itself.
    EXPECT_EQ(PanelDescriptor({f_PFD_SUPPORT_GDI, f_PFD_DOUBLEBUFFER}, 0, 8, 8).dwFlags, 0x10u);
    EXPECT_EQ(PanelDescriptor({f_PFD_DRAW_TO_BITMAP, f_PFD_GENERIC_ACCELERATED, f_PFD_GENERIC_FORMAT,
                               f_PFD_NEED_PALETTE, f_PFD_NEED_SYSTEM_PALETTE, f_PFD_STEREO,
                               f_PFD_SWAP_LAYER_BUFFERS},
                              1, 8, 16)
                  .dwFlags,
              0x8u | 0x1000 | 0x40 | 0x80 | 0x100 | 0x2 | 0x800 | 0x1);

    // The off-screen component starts with no extras: 0x38.
    EXPECT_EQ(TZtOpenGL().PFDFlags, ztopengl::TPFDFlags{});
    EXPECT_EQ(OffscreenDescriptor({}, 0, 32, 32).dwFlags, 0x38u);
    EXPECT_EQ(OffscreenDescriptor({ztopengl::f_PFD_STEREO, ztopengl::f_PFD_NEED_PALETTE}, 0, 32, 32).dwFlags,
              0x38u | 0x2 | 0x80);
}

TEST(OpenGLHelpers, SurfaceFormatsFromDescriptors)
{
    QSurfaceFormat f;
    ASSERT_TRUE(SurfaceFormatOf(PanelDescriptor({f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_OPENGL, f_PFD_DOUBLEBUFFER}, 0, 32, 32), f));
    EXPECT_EQ(f.profile(), QSurfaceFormat::CompatibilityProfile);
    EXPECT_EQ(f.swapBehavior(), QSurfaceFormat::DoubleBuffer);
    EXPECT_EQ(f.redBufferSize(), 8);
    EXPECT_EQ(f.depthBufferSize(), 24);  // 32 bits asked: 24 is what the drivers give and is taken
    ASSERT_TRUE(SurfaceFormatOf(PanelDescriptor({f_PFD_SUPPORT_OPENGL, f_PFD_SUPPORT_GDI}, 0, 16, 16), f));
    EXPECT_EQ(f.swapBehavior(), QSurfaceFormat::SingleBuffer);
    EXPECT_EQ(f.depthBufferSize(), 16);
    // Colour index and a format without OpenGL cannot be had.
    EXPECT_FALSE(SurfaceFormatOf(PanelDescriptor({f_PFD_SUPPORT_OPENGL}, 1, 8, 16), f));
    EXPECT_FALSE(SurfaceFormatOf(PanelDescriptor({f_PFD_DRAW_TO_WINDOW}, 0, 32, 16), f));
}

TEST(OpenGLHelpers, PaletteOfAn8BitFormat)
{
    // 3 red bits at 0, 3 green bits at 3, 2 blue bits at 6.
    PIXELFORMATDESCRIPTOR pfd;
    pfd.cColorBits = 8;
    pfd.cRedBits = 3;
    pfd.cRedShift = 0;
    pfd.cGreenBits = 3;
    pfd.cGreenShift = 3;
    pfd.cBlueBits = 2;
    pfd.cBlueShift = 6;
    const platform::LogPalette table = PaletteOfDescriptor(pfd);
    EXPECT_EQ(table.palVersion, 0x300);
    ASSERT_EQ(table.palNumEntries, 256);
    const auto rgb = [&](int i) {
        const auto& e = table.palPalEntry[std::size_t(i)];
        return std::vector<int>{e.peRed, e.peGreen, e.peBlue, e.peFlags};
    };
    EXPECT_EQ(rgb(255), (std::vector<int>{255, 255, 255, 0}));
    EXPECT_EQ(rgb(5), (std::vector<int>{182, 0, 0, 0}));  // 5 × 255 / 7
    EXPECT_EQ(rgb(0x48), (std::vector<int>{0, 36, 85, 0}));  // green 1 → 36, blue 1 → 85
    // A channel without bits stays 0.
    pfd.cBlueBits = 0;
    EXPECT_EQ(PaletteOfDescriptor(pfd).palPalEntry[255].peBlue, 0);
}

TEST(OpenGLHelpers, GlyphRangesAndTextSizes)
{
    // 150 glyphs from 32 reach 0xB5; the default 96 do not, and then nothing of the text
    // is drawn.
    const OpenGLFont2D wide(32, 150, 1), narrow(32, 96, 1);
    EXPECT_TRUE(wide.Covers("1 \xB5m"));
    EXPECT_FALSE(narrow.Covers("1 \xB5m"));
    EXPECT_TRUE(narrow.Covers("~ "));
    EXPECT_FALSE(narrow.Covers(std::string(1, '\x1F')));
    EXPECT_TRUE(narrow.Covers("\x7F"));  // 32 + 96 − 1
    EXPECT_FALSE(narrow.Covers("\x80"));

    OpenGLFont3D font(48, 3, 1, 0.25f);  // '0', '1', '2'
    font.Metrics[0] = {0.5f, 0.7f, 0.05f, 0.7f, 0.55f, 0};
    font.Metrics[1] = {0.3f, 0.72f, 0.1f, 0.72f, 0.55f, 0};
    font.Metrics[2] = {0.45f, 0.71f, 0.04f, 0.71f, 0.56f, 0};
    double size[3] = {9, 9, 9};
    Get3DTextSize(&font, "1", size);  // one character: its black box and the extrusion
    EXPECT_FLOAT_EQ(float(size[0]), 0.3f);
    EXPECT_FLOAT_EQ(float(size[1]), 0.72f);
    EXPECT_FLOAT_EQ(float(size[2]), 0.25f);
    Get3DTextSize(&font, "012", size);  // advances of all but the last, the last's box
    EXPECT_NEAR(size[0], 0.55 + 0.55 + 0.45, 1e-6);
    EXPECT_NEAR(size[1], 0.71, 1e-6);
    Get3DTextSize(&font, "0x2", size);  // a character outside the font
    EXPECT_EQ((std::vector<double>{size[0], size[1], size[2]}), (std::vector<double>{0, 0, 0}));
    // Nothing at all without a font or a text.
    double untouched[3] = {7, 7, 7};
    Get3DTextSize(nullptr, "0", untouched);
    Get3DTextSize(&font, "", untouched);
    EXPECT_EQ(untouched[0], 7);
    // Text drawing without a current context draws nothing and does not fail.
    Draw3DText(&font, "012");
    Draw2DText(&wide, "1 \xB5m");
}

TEST(OpenGLHelpers, ExtensionTokensMatchWhole)
{
    const char* list = "GL_ARB_multitexture GL_EXT_texture3D  GL_ARB_vertex_buffer_object";
    EXPECT_TRUE(ExtensionListed(list, "GL_EXT_texture3D"));
    EXPECT_TRUE(ExtensionListed(list, "GL_ARB_vertex_buffer_object"));
    EXPECT_FALSE(ExtensionListed(list, "GL_ARB_multi"));      // only the beginning of a token
    EXPECT_FALSE(ExtensionListed(list, "GL_EXT_texture3D "));
    EXPECT_FALSE(ExtensionListed(nullptr, "GL_EXT_texture3D"));
    EXPECT_FALSE(ExtensionListed(list, ""));
    EXPECT_FALSE(QueryOpenGLExtention("GL_EXT_texture3D"));  // no current context
}

TEST(OpenGLHelpers, PrintRectangles)
{
    std::int32_t ppi = 96;
    // 441 × 338 at 96 ppi on a 600 dpi printer keeps its inches: 2756 × 2112 at 108.
    EXPECT_EQ(PrintRectangle(pglProportional, 441, 338, ppi, 600, 600, 4800, 6600),
              (TPrintRect{108, 108, 108 + 2756, 108 + 2112}));
    EXPECT_EQ(PrintRectangle(pglNone, 441, 338, ppi, 600, 300, 4800, 6600), (TPrintRect{108, 54, 549, 392}));
    // A pixels-per-inch below 1 becomes 96 and stays so.
    ppi = 0;
    EXPECT_EQ(PrintRectangle(pglProportional, 96, 48, ppi, 300, 300, 2400, 3300), (TPrintRect{54, 54, 354, 204}));
    EXPECT_EQ(ppi, 96);
    // Fit: the limiting side is used whole, the picture keeps its proportions and the page.
    const struct {
        int w, h, pageW, pageH;
        TPrintRect r;
    } fits[] = {
        {400, 200, 2508, 3508, {108, 108, 108 + 2292, 108 + 1146}},  // width limits
        {100, 400, 2508, 3508, {108, 108, 108 + 823, 108 + 3292}},   // height limits
        {5000, 5000, 2508, 3508, {108, 108, 108 + 2292, 108 + 2292}},  // larger than the page
    };
    for (const auto& f : fits) {
        const TPrintRect r = PrintRectangle(pglPrintToFit, f.w, f.h, ppi, 600, 600, f.pageW, f.pageH);
        EXPECT_EQ(r, f.r) << f.w << "x" << f.h;
        EXPECT_LE(r.Right, f.pageW - 108);
        EXPECT_LE(r.Bottom, f.pageH - 108);
    }
}

TEST(OpenGLHelpers, BmpTexturesFromTheTopRow)
{
    testsupport::ScratchDir dir;
    platform::TBitmap bitmap;
    bitmap.SetPixelFormat(platform::pf24bit);
    bitmap.SetSize(3, 2);
    const std::uint8_t bgr[2][3][3] = {{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{10, 11, 12}, {13, 14, 15}, {16, 17, 18}}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            for (int k = 0; k < 3; ++k)
                bitmap.ScanLine(y)[3 * x + k] = bgr[y][x][k];
    ASSERT_TRUE(bitmap.SaveToFile(dir.File("t.bmp")));

    auto rgb = LoadBMPTexture(dir.File("t.bmp"), false);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb->BytesPerPixel, 3);
    EXPECT_EQ(rgb->Width, 3);
    EXPECT_EQ(rgb->Height, 2);
    EXPECT_EQ(rgb->Format, GLenum(GL_RGB));
    EXPECT_EQ(rgb->Type, GLenum(GL_UNSIGNED_BYTE));
    EXPECT_EQ(rgb->Pixels, (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}));
    auto rgba = LoadBMPTexture(dir.File("t.bmp"), true);
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->Format, GLenum(GL_RGBA));
    EXPECT_EQ(std::vector<std::uint8_t>(rgba->Pixels.begin(), rgba->Pixels.begin() + 8),
              (std::vector<std::uint8_t>{3, 2, 1, 255, 6, 5, 4, 255}));

    // A missing file and one that is no picture give no texture.
    EXPECT_FALSE(LoadBMPTexture(dir.File("none.bmp"), false));
    testsupport::WriteBytes(dir.File("bad.bmp"), {'B', 'M', 1, 2, 3});
    EXPECT_FALSE(LoadBMPTexture(dir.File("bad.bmp"), true));
}

TEST(OpenGLHelpers, ComponentsWithoutContextReportAndDrawNothing)
{
    // The offscreen platform holds no OpenGL widget: the panel says so once it is shown and
    // never runs its events; its picture is blank but of its size.
    platform::MessageRecorder messages;
    TOpenGLPanel panel;
    int events = 0;
    panel.OnInit = panel.OnPaint = panel.OnResize = [&](TOpenGLPanel*) { ++events; };
    panel.resize(40, 30);
    panel.show();
    panel.Paint();
    EXPECT_FALSE(panel.HasContext());
    EXPECT_FALSE(panel.MakeOpenGLPanelCurrent());
    EXPECT_EQ(events, 0);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"wglRenderingContext:0", "Open GL Context Create Failed",
                                                          "wglMakeCurrent:0"}));
    platform::TBitmap picture;
    panel.CapturePicture(picture);
    EXPECT_EQ(picture.Width(), 40);
    EXPECT_EQ(picture.Height(), 30);
}
