#include "components/OpenGLHelpers.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QScreen>
#include <QSurface>
#include <QSurfaceFormat>
#include <algorithm>
#include <cfenv>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>
#include <new>

#include <GL/gl.h>
#include <GL/glu.h>

#include "platform/core/Messages.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Text1251.h"

// ---------------------------------------------------------------------------------------
// Pixel formats

PIXELFORMATDESCRIPTOR PanelDescriptor(TPFDFlags flags, std::uint8_t pixelType, std::uint8_t colorBits,
                                      std::uint8_t depthBits)
{
    PIXELFORMATDESCRIPTOR pfd;
    pfd.iPixelType = pixelType;
    pfd.cColorBits = colorBits;
    pfd.cDepthBits = depthBits;
    const struct {
        TPFDFlag flag;
        std::uint32_t value;
    } map[] = {{f_PFD_DRAW_TO_WINDOW, PFD_DRAW_TO_WINDOW},
               {f_PFD_DRAW_TO_BITMAP, PFD_DRAW_TO_BITMAP},
               {f_PFD_SUPPORT_OPENGL, PFD_SUPPORT_OPENGL},
               {f_PFD_GENERIC_ACCELERATED, PFD_GENERIC_ACCELERATED},
               {f_PFD_GENERIC_FORMAT, PFD_GENERIC_FORMAT},
               {f_PFD_NEED_PALETTE, PFD_NEED_PALETTE},
               {f_PFD_NEED_SYSTEM_PALETTE, PFD_NEED_SYSTEM_PALETTE},
               {f_PFD_STEREO, PFD_STEREO},
               {f_PFD_SWAP_LAYER_BUFFERS, PFD_SWAP_LAYER_BUFFERS}};
    for (const auto& m : map)
        if (flags.Contains(m.flag))
            pfd.dwFlags |= m.value;
    pfd.dwFlags |= flags.Contains(f_PFD_SUPPORT_GDI) ? PFD_SUPPORT_GDI : PFD_DOUBLEBUFFER;
    return pfd;
}

PIXELFORMATDESCRIPTOR OffscreenDescriptor(ztopengl::TPFDFlags flags, std::uint8_t pixelType,
                                          std::uint8_t colorBits, std::uint8_t depthBits)
{
    PIXELFORMATDESCRIPTOR pfd;
    pfd.dwFlags = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI | PFD_SUPPORT_OPENGL;
    pfd.iPixelType = pixelType;
    pfd.cColorBits = colorBits;
    pfd.cDepthBits = depthBits;
    const struct {
        ztopengl::TPFDFlag flag;
        std::uint32_t value;
    } map[] = {{ztopengl::f_PFD_GENERIC_ACCELERATED, PFD_GENERIC_ACCELERATED},
               {ztopengl::f_PFD_GENERIC_FORMAT, PFD_GENERIC_FORMAT},
               {ztopengl::f_PFD_NEED_PALETTE, PFD_NEED_PALETTE},
               {ztopengl::f_PFD_NEED_SYSTEM_PALETTE, PFD_NEED_SYSTEM_PALETTE},
               {ztopengl::f_PFD_STEREO, PFD_STEREO},
               {ztopengl::f_PFD_SWAP_LAYER_BUFFERS, PFD_SWAP_LAYER_BUFFERS}};
    for (const auto& m : map)
        if (flags.Contains(m.flag))
            pfd.dwFlags |= m.value;
    return pfd;
}

TPFDFlags ApplyPFDFlags(TPFDFlags old, TPFDFlags requested)
{
    const bool gdi = requested.Contains(f_PFD_SUPPORT_GDI);
    const bool dbl = requested.Contains(f_PFD_DOUBLEBUFFER);
    if (gdi && dbl)
        requested.Exclude(old.Contains(f_PFD_SUPPORT_GDI) ? f_PFD_SUPPORT_GDI : f_PFD_DOUBLEBUFFER);
    else if (!gdi && !dbl)
        requested.Include(old.Contains(f_PFD_SUPPORT_GDI) ? f_PFD_DOUBLEBUFFER : f_PFD_SUPPORT_GDI);
    return requested;
}

platform::LogPalette PaletteOfDescriptor(const PIXELFORMATDESCRIPTOR& pfd)
{
    const std::uint16_t n = static_cast<std::uint16_t>(1u << std::min<unsigned>(pfd.cColorBits, 16));
    platform::LogPalette table;
    table.palVersion = 0x300;
    table.palNumEntries = n;
    table.palPalEntry.resize(n == 0 ? 0x10000 : n);
    auto channel = [](unsigned i, unsigned bits, unsigned shift) -> std::uint8_t {
        if (bits == 0)
            return 0;
        const unsigned mask = (1u << std::min(bits, 16u)) - 1;
        return static_cast<std::uint8_t>(((i >> std::min(shift, 31u)) & mask) * 255 / mask);
    };
    for (unsigned i = 0; i < table.palPalEntry.size(); ++i) {
        auto& e = table.palPalEntry[i];
        e.peRed = channel(i, pfd.cRedBits, pfd.cRedShift);
        e.peGreen = channel(i, pfd.cGreenBits, pfd.cGreenShift);
        e.peBlue = channel(i, pfd.cBlueBits, pfd.cBlueShift);
        e.peFlags = 0;
    }
    return table;
}

bool SurfaceFormatOf(const PIXELFORMATDESCRIPTOR& pfd, QSurfaceFormat& format)
{
    if (pfd.iPixelType != f_PFD_TYPE_RGBA || !(pfd.dwFlags & PFD_SUPPORT_OPENGL))
        return false;
    format = QSurfaceFormat();
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    if (pfd.cColorBits >= 24) {
        format.setRedBufferSize(8);
        format.setGreenBufferSize(8);
        format.setBlueBufferSize(8);
    } else if (pfd.cColorBits >= 15) {
        format.setRedBufferSize(5);
        format.setGreenBufferSize(6);
        format.setBlueBufferSize(5);
    }
    format.setDepthBufferSize(std::min<int>(pfd.cDepthBits, 24));
    format.setStereo((pfd.dwFlags & PFD_STEREO) != 0);
    format.setSwapBehavior((pfd.dwFlags & PFD_DOUBLEBUFFER) ? QSurfaceFormat::DoubleBuffer
                                                            : QSurfaceFormat::SingleBuffer);
    return true;
}

PIXELFORMATDESCRIPTOR DescribeFormat(const QSurfaceFormat& format, std::uint32_t flags)
{
    PIXELFORMATDESCRIPTOR pfd;
    pfd.dwFlags = flags;
    const int r = std::max(format.redBufferSize(), 0), g = std::max(format.greenBufferSize(), 0);
    const int b = std::max(format.blueBufferSize(), 0), a = std::max(format.alphaBufferSize(), 0);
    pfd.cRedBits = std::uint8_t(r);
    pfd.cGreenBits = std::uint8_t(g);
    pfd.cBlueBits = std::uint8_t(b);
    pfd.cAlphaBits = std::uint8_t(a);
    pfd.cBlueShift = 0;
    pfd.cGreenShift = std::uint8_t(b);
    pfd.cRedShift = std::uint8_t(b + g);
    pfd.cAlphaShift = std::uint8_t(b + g + r);
    pfd.cColorBits = std::uint8_t(std::min(r + g + b + a, 255));
    pfd.cDepthBits = std::uint8_t(std::max(format.depthBufferSize(), 0));
    pfd.cStencilBits = std::uint8_t(std::max(format.stencilBufferSize(), 0));
    return pfd;
}

void GLMessage(const std::string& text) { platform::ShowMessage(text, "Morvane"); }

void GLCallFailed(const char* call) { GLMessage(std::string(call) + "0"); }

void MaskFloatingPointExceptions()
{
    std::fenv_t saved;
    std::feholdexcept(&saved);
}

// ---------------------------------------------------------------------------------------
// Fonts

OpenGLFontLists::OpenGLFontLists(std::int32_t first, std::int32_t count, std::uint32_t base)
    : First(first), Count(count), Base(base), Context(QOpenGLContext::currentContext())
{
}

OpenGLFontLists::~OpenGLFontLists()
{
    QOpenGLContext* own = Context.data();
    if (!own || Count <= 0)
        return;  // made without a context, or the context and its lists are gone
    QOpenGLContext* current = QOpenGLContext::currentContext();
    if (current == own) {
        glDeleteLists(Base, Count);
        return;
    }
    // Only the lists' own context may delete them: make it current for the moment.
    QSurface* previousSurface = current ? current->surface() : nullptr;
    if (own->surface() && own->makeCurrent(own->surface())) {
        glDeleteLists(Base, Count);
        own->doneCurrent();
    }
    if (current && previousSurface)
        current->makeCurrent(previousSurface);
}

bool OpenGLFontLists::Covers(const std::string& text) const
{
    const std::int64_t last = std::int64_t(First) + Count - 1;
    return std::all_of(text.begin(), text.end(), [&](char ch) {
        const int code = static_cast<unsigned char>(ch);
        return code >= First && code <= last;
    });
}

OpenGLFont3D::OpenGLFont3D(std::int32_t first, std::int32_t count, std::uint32_t base, float extrusion)
    : OpenGLFontLists(first, count, base), Extrusion(extrusion), Metrics(std::size_t(std::max(count, 0)))
{
}

namespace {

//! The character of an 8-bit code in the face's character set.
QString CharacterOf(const TGLFont& face, int code)
{
    const char byte = static_cast<char>(code);
    if (face.Charset == RUSSIAN_CHARSET)
        return platform::FromCp1251(std::string_view(&byte, 1));
    return QString(QChar(char16_t(code)));
}

//! The Qt font of a face at a pixel size (0: the face's own height).
QFont QtFontOf(const TGLFont& face, int pixelSize = 0)
{
    QFont font(QString::fromUtf8(face.Name.c_str()));
    font.setBold(face.Bold);
    font.setItalic(face.Italic);
    font.setStyleStrategy(QFont::NoAntialias);
    if (pixelSize > 0) {
        font.setPixelSize(pixelSize);
        return font;
    }
    const int h = face.Height == 0 ? 9 : std::abs(face.Height);
    font.setPixelSize(h);
    if (face.Height > 0) {
        // A cell height: shrink the character height until ascent and descent fit it.
        const QFontMetrics m(font);
        const int cell = m.ascent() + m.descent();
        if (cell > h)
            font.setPixelSize(std::max(1, h * h / cell));
    }
    return font;
}

//! Reserves `count` lists of the current context; 0 without a context or lists.
GLuint ReserveLists(int count)
{
    if (!QOpenGLContext::currentContext() || count <= 0)
        return 0;
    while (glGetError() != GL_NO_ERROR) {
    }
    const GLuint base = glGenLists(count);
    return glGetError() == GL_NO_ERROR ? base : 0;
}

//! Triangles of a glyph's contours, from GLU's tessellator (non-zero winding).
class Tessellation {
public:
    std::vector<std::array<double, 3>> Triangles;  // three points each

    void Run(const QList<QPolygonF>& contours)
    {
        GLUtesselator* tess = gluNewTess();
        if (!tess)
            return;
        using Callback = void(GLAPIENTRY*)();
        gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<Callback>(&VertexCb));
        gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<Callback>(&CombineCb));
        // An edge-flag callback makes the tessellator hand out separate triangles only.
        gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<Callback>(&EdgeCb));
        gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
        gluTessNormal(tess, 0, 0, 1);
        gluTessBeginPolygon(tess, this);
        for (const QPolygonF& contour : contours) {
            gluTessBeginContour(tess);
            const int n = contour.size() > 1 && contour.first() == contour.last() ? contour.size() - 1
                                                                                   : contour.size();
            for (int i = 0; i < n; ++i) {
                auto& p = points_.emplace_back(std::array<double, 3>{contour[i].x(), contour[i].y(), 0});
                gluTessVertex(tess, p.data(), p.data());
            }
            gluTessEndContour(tess);
        }
        gluTessEndPolygon(tess);
        gluDeleteTess(tess);
    }

private:
    static void GLAPIENTRY VertexCb(void* vertex, void* self)
    {
        const auto* v = static_cast<const double*>(vertex);
        static_cast<Tessellation*>(self)->Triangles.push_back({v[0], v[1], v[2]});
    }
    static void GLAPIENTRY CombineCb(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* self)
    {
        auto& p = static_cast<Tessellation*>(self)->points_.emplace_back(
            std::array<double, 3>{coords[0], coords[1], coords[2]});
        *out = p.data();
    }
    static void GLAPIENTRY EdgeCb(GLboolean, void*) {}

    std::deque<std::array<double, 3>> points_;  // addresses stay while the tessellator runs
};

//! Compiles one outline glyph: faces and sides (polygons) or outlines (lines), then the move
//! to the next character.
void CompileOutlineGlyph(const QList<QPolygonF>& contours, float extrusion, int format,
                         const GLYPHMETRICSFLOAT& m)
{
    glFrontFace(GL_CCW);
    if (format == f_WGL_FONT_POLYGONS) {
        Tessellation tess;
        tess.Run(contours);
        const auto& t = tess.Triangles;
        glBegin(GL_TRIANGLES);
        glNormal3f(0, 0, 1);
        for (std::size_t i = 0; i + 2 < t.size(); i += 3)
            for (std::size_t k = 0; k < 3; ++k)
                glVertex3d(t[i + k][0], t[i + k][1], 0);
        glNormal3f(0, 0, -1);
        for (std::size_t i = 0; i + 2 < t.size(); i += 3)
            for (std::size_t k = 3; k-- > 0;)
                glVertex3d(t[i + k][0], t[i + k][1], -extrusion);
        glEnd();
        glBegin(GL_QUADS);
        for (const QPolygonF& c : contours)
            for (int i = 0; i + 1 < c.size(); ++i) {
                const QPointF a = c[i], b = c[i + 1];
                const double dx = b.x() - a.x(), dy = b.y() - a.y();
                const double len = std::hypot(dx, dy);
                if (len <= 0)
                    continue;
                glNormal3d(dy / len, -dx / len, 0);
                glVertex3d(a.x(), a.y(), 0);
                glVertex3d(a.x(), a.y(), -extrusion);
                glVertex3d(b.x(), b.y(), -extrusion);
                glVertex3d(b.x(), b.y(), 0);
            }
        glEnd();
    } else {
        for (const QPolygonF& c : contours) {
            glBegin(GL_LINE_LOOP);
            for (const QPointF& p : c)
                glVertex3d(p.x(), p.y(), 0);
            glEnd();
        }
    }
    glTranslatef(m.gmfCellIncX, m.gmfCellIncY, 0);
}

}  // namespace

std::unique_ptr<OpenGLFont3D> BuildFont3D(const TGLFont* face, int first, int count, float deviation,
                                          float extrusion, int format)
{
    if (!face || first < 0 || count <= 0)
        return nullptr;
    const GLuint base = ReserveLists(count);
    if (base == 0)
        return nullptr;
    auto font = std::make_unique<OpenGLFont3D>(first, count, base, extrusion);
    // The outlines come from the face at a size whose flattening (about a tenth of a pixel)
    // stays within the deviation asked for; em units are pixels / size.
    const int size = deviation > 0 ? std::clamp(int(0.1f / deviation), 16, 1024) : 512;
    const QRawFont raw = QRawFont::fromFont(QtFontOf(*face, size));
    const double unit = 1.0 / size;
    const QTransform toEm = QTransform::fromScale(unit, -unit);
    for (int i = 0; i < count; ++i) {
        const int code = first + i;
        if (code > 255)
            continue;  // 8-bit texts never call these lists
        QPainterPath path;
        double advance = 0;
        if (raw.isValid()) {
            const QList<quint32> glyphs = raw.glyphIndexesForString(CharacterOf(*face, code));
            if (!glyphs.isEmpty()) {
                path = raw.pathForGlyph(glyphs.front());
                const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs.mid(0, 1));
                advance = advances.isEmpty() ? 0 : advances.front().x();
            }
        }
        const QRectF box = path.boundingRect();
        GLYPHMETRICSFLOAT& m = font->Metrics[std::size_t(i)];
        m.gmfBlackBoxX = float(box.width() * unit);
        m.gmfBlackBoxY = float(box.height() * unit);
        m.gmfptGlyphOriginX = float(box.left() * unit);
        m.gmfptGlyphOriginY = float(-box.top() * unit);
        m.gmfCellIncX = float(advance * unit);
        m.gmfCellIncY = 0;
        glNewList(base + GLuint(i), GL_COMPILE);
        CompileOutlineGlyph(path.toSubpathPolygons(toEm), extrusion, format, m);
        glEndList();
    }
    return font;
}

std::unique_ptr<OpenGLFont2D> BuildFont2D(const TGLFont* face, int first, int count)
{
    if (!face || first < 0 || count <= 0)
        return nullptr;
    const GLuint base = ReserveLists(count);
    if (base == 0)
        return nullptr;
    auto font = std::make_unique<OpenGLFont2D>(first, count, base);
    const QFont qfont = QtFontOf(*face);
    const QFontMetrics metrics(qfont);
    const int ascent = metrics.ascent(), descent = metrics.descent();
    const int height = std::max(1, ascent + descent);
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<GLubyte> bits;
    for (int i = 0; i < count; ++i) {
        const int code = first + i;
        if (code > 255)
            continue;
        const QString ch = CharacterOf(*face, code);
        const int advance = metrics.horizontalAdvance(ch);
        const int width = std::max({1, advance, metrics.boundingRect(ch).right() + 1});
        // The glyph in white on black, then one bit per pixel, bottom row first.
        QImage glyph(width, height, QImage::Format_RGB32);
        glyph.fill(Qt::black);
        {
            QPainter p(&glyph);
            p.setFont(qfont);
            p.setPen(Qt::white);
            p.drawText(0, ascent, ch);
        }
        const int stride = (width + 7) / 8;
        bits.assign(std::size_t(stride) * height, 0);
        for (int y = 0; y < height; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(glyph.constScanLine(height - 1 - y));
            for (int x = 0; x < width; ++x)
                if (qGreen(line[x]) > 127)
                    bits[std::size_t(y) * stride + std::size_t(x / 8)] |= GLubyte(0x80 >> (x % 8));
        }
        glNewList(base + GLuint(i), GL_COMPILE);
        glBitmap(width, height, 0, float(descent), float(advance), 0, bits.data());
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return font;
}

namespace {
void CallLists(const OpenGLFontLists& font, const std::string& text)
{
    glPushAttrib(GL_LIST_BIT);
    glListBase(font.Base - GLuint(font.First));
    glCallLists(GLsizei(text.size()), GL_UNSIGNED_BYTE, text.data());
    glPopAttrib();
}
}  // namespace

void Draw3DText(const OpenGLFont3D* font, const std::string& text)
{
    if (!font || text.empty() || !font->Covers(text) || !QOpenGLContext::currentContext())
        return;
    GLint frontFace = GL_CCW;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    CallLists(*font, text);
    glFrontFace(GLenum(frontFace));
}

void Draw2DText(const OpenGLFont2D* font, const std::string& text)
{
    if (!font || text.empty() || !font->Covers(text) || !QOpenGLContext::currentContext())
        return;
    CallLists(*font, text);
}

void Get3DTextSize(const OpenGLFont3D* font, const std::string& text, double* size)
{
    if (!font || !size || text.empty())
        return;
    size[0] = 0;
    size[1] = 0;
    size[2] = font->Extrusion;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int index = static_cast<unsigned char>(text[i]) - font->First;
        if (index < 0 || index >= font->Count || std::size_t(index) >= font->Metrics.size()) {
            size[0] = size[1] = size[2] = 0;
            return;
        }
        const GLYPHMETRICSFLOAT& m = font->Metrics[std::size_t(index)];
        const bool last = i + 1 == text.size();
        size[0] += last ? m.gmfBlackBoxX : m.gmfCellIncX;
        size[1] += last ? m.gmfBlackBoxY : m.gmfCellIncY;
    }
}

// ---------------------------------------------------------------------------------------
// Textures, extensions, printing, the screen

std::unique_ptr<BMPTexture> LoadBMPTexture(const std::string& fileName, bool alpha)
{
    try {
        platform::TBitmap bitmap;
        if (!bitmap.LoadFromFile(fileName) || bitmap.Empty())
            return nullptr;
        bitmap.SetPixelFormat(platform::pf32bit);
        auto texture = std::make_unique<BMPTexture>();
        texture->BytesPerPixel = alpha ? 4 : 3;
        texture->Width = bitmap.Width();
        texture->Height = bitmap.Height();
        texture->Format = alpha ? GL_RGBA : GL_RGB;
        texture->Type = GL_UNSIGNED_BYTE;
        const std::size_t bpp = std::size_t(texture->BytesPerPixel);
        texture->Pixels.resize(std::size_t(texture->Width) * std::size_t(texture->Height) * bpp);
        std::uint8_t* out = texture->Pixels.data();
        for (int y = 0; y < texture->Height; ++y) {
            const std::uint8_t* line = bitmap.ScanLine(y);  // B, G, R, 0xFF per pixel
            if (!line)
                return nullptr;
            for (int x = 0; x < texture->Width; ++x, line += 4) {
                *out++ = line[2];
                *out++ = line[1];
                *out++ = line[0];
                if (alpha)
                    *out++ = 255;
            }
        }
        return texture;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool ExtensionListed(const char* extensions, const std::string& name)
{
    if (!extensions || name.empty())
        return false;
    const char* p = extensions;
    while (*p) {
        while (*p == ' ')
            ++p;
        const char* end = p;
        while (*end && *end != ' ')
            ++end;
        if (std::size_t(end - p) == name.size() && std::memcmp(p, name.data(), name.size()) == 0)
            return true;
        p = end;
    }
    return false;
}

bool QueryOpenGLExtention(const std::string& name)
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context)
        return false;
    if (ExtensionListed(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), name))
        return true;
    // Contexts of later versions list their extensions one by one.
    return context->hasExtension(QByteArray::fromStdString(name));
}

TPrintRect PrintRectangle(TOpenGLPrintScale scale, int width, int height, std::int32_t& pixelsPerInch,
                          int printerPpiX, int printerPpiY, int pageWidth, int pageHeight)
{
    const int mx = static_cast<int>(printerPpiX * 0.18);
    const int my = static_cast<int>(printerPpiY * 0.18);
    TPrintRect r{mx, my, mx, my};
    switch (scale) {
    case pglNone:
        r.Right = mx + width;
        r.Bottom = my + height;
        break;
    case pglProportional:
        if (pixelsPerInch < 1)
            pixelsPerInch = 96;
        r.Right = mx + static_cast<int>(double(width) / pixelsPerInch * printerPpiX);
        r.Bottom = my + static_cast<int>(double(height) / pixelsPerInch * printerPpiY);
        break;
    case pglPrintToFit: {
        const std::int64_t availableX = std::max(pageWidth - 2 * mx, 0);
        const std::int64_t availableY = std::max(pageHeight - 2 * my, 0);
        if (width <= 0 || height <= 0)
            break;
        // The side that limits is used whole; the other keeps the picture's proportions.
        if (availableX * height <= availableY * width) {
            r.Right = mx + int(availableX);
            r.Bottom = my + int(std::int64_t(height) * availableX / width);
        } else {
            r.Bottom = my + int(availableY);
            r.Right = mx + int(std::int64_t(width) * availableY / height);
        }
        break;
    }
    }
    return r;
}

int GetDisplayBPP()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 0;
}

bool SetDisplayBPP(int) { return false; }

// ---------------------------------------------------------------------------------------
// The components' common part

TOpenGLComponentBase::TOpenGLComponentBase() { MaskFloatingPointExceptions(); }

TOpenGLComponentBase::~TOpenGLComponentBase() { DeleteFonts(); }

void TOpenGLComponentBase::SetPFDPixelType(TPFDPixelTypes type)
{
    PixelType = type;
    PixelTypeValue = type == f_PFD_TYPE_COLORINDEX ? 1 : 0;
}

void TOpenGLComponentBase::SetFont3DFormat(TFont3DFormat format)
{
    Font3D_Format = format;
    OutlineFormatValue = format == f_WGL_FONT_LINES ? 0 : 1;
}

bool TOpenGLComponentBase::ConstructPalette(const PIXELFORMATDESCRIPTOR& pfd)
{
    try {
        palette_ = platform::CreatePalette(PaletteOfDescriptor(pfd));
    } catch (const std::bad_alloc&) {
        GLMessage("ConstructPalette: Malloc failure");
        return false;
    }
    return palette_ != nullptr;
}

void TOpenGLComponentBase::Create3DFont()
{
    font3D_.reset();
    font3D_ = Create3DFont(&Font3D_Type, Font3D_FirstGylph, Font3D_NumGylph, Font3D_MaxDeviation,
                           Font3D_Extrustion, OutlineFormatValue);
}

void TOpenGLComponentBase::Create2DFont()
{
    font2D_.reset();
    font2D_ = Create2DFont(&Font2D_Type, Font2D_FirstGylph, Font2D_NumGylph);
}

void TOpenGLComponentBase::CreateEnabledFonts()
{
    if (Font3D_Enabled)
        Create3DFont();
    if (Font2D_Enabled)
        Create2DFont();
}

std::unique_ptr<OpenGLFont3D> TOpenGLComponentBase::Create3DFont(const TGLFont* font, int first, int count,
                                                                 float deviation, float extrusion, int format) const
{
    return BuildFont3D(font, first, count, deviation, extrusion, format);
}

std::unique_ptr<OpenGLFont2D> TOpenGLComponentBase::Create2DFont(const TGLFont* font, int first, int count) const
{
    return BuildFont2D(font, first, count);
}

void TOpenGLComponentBase::DeleteFonts()
{
    font3D_.reset();
    font2D_.reset();
}

void TOpenGLComponentBase::Get3DTextSize(const std::string& text, double* size) const
{
    ::Get3DTextSize(font3D_.get(), text, size);
}

void TOpenGLComponentBase::Get3DTextSize(const OpenGLFont3D* font, const std::string& text, double* size) const
{
    ::Get3DTextSize(font, text, size);
}

void TOpenGLComponentBase::Draw3DText(const std::string& text) const { ::Draw3DText(font3D_.get(), text); }

void TOpenGLComponentBase::Draw3DText(const OpenGLFont3D* font, const std::string& text) const
{
    ::Draw3DText(font, text);
}

void TOpenGLComponentBase::Draw2DText(const std::string& text) const { ::Draw2DText(font2D_.get(), text); }

void TOpenGLComponentBase::Draw2DText(const OpenGLFont2D* font, const std::string& text) const
{
    ::Draw2DText(font, text);
}

std::unique_ptr<BMPTexture> TOpenGLComponentBase::LoadBMPTexture(const std::string& fileName, bool alpha) const
{
    return ::LoadBMPTexture(fileName, alpha);
}

bool TOpenGLComponentBase::QueryOpenGLExtention(const std::string& name) const
{
    return ::QueryOpenGLExtention(name);
}

int TOpenGLComponentBase::GetDisplayBPP() const { return ::GetDisplayBPP(); }

bool TOpenGLComponentBase::SetDisplayBPP(int bits) const { return ::SetDisplayBPP(bits); }
