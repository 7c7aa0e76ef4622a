#pragma once
// What the OpenGL panel and its off-screen twin share: pixel-format descriptors and the
// palette of palette-based formats, display-list fonts (bitmap glyphs for 2-D text,
// extruded outline glyphs for 3-D text) with their text drawing and sizes, BMP textures,
// the extension query and the print rectangle.
//
// Fonts, text drawing and the extension query need the context they work in to be
// current; everything else is plain computation.

#include <QPointer>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/LogicalPalette.h"

class QOpenGLContext;
class QSurfaceFormat;

//! A set of enumeration values, one bit per value (the class library's set type).
template <typename E, typename Bits>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> values)
    {
        for (E v : values)
            bits_ = Bits(bits_ | Bit(v));
    }
    constexpr bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
    constexpr TEnumSet& Include(E v)
    {
        bits_ = Bits(bits_ | Bit(v));
        return *this;
    }
    constexpr TEnumSet& Exclude(E v)
    {
        bits_ = Bits(bits_ & ~Bit(v));
        return *this;
    }
    constexpr Bits Raw() const { return bits_; }
    constexpr bool operator==(const TEnumSet&) const = default;

private:
    static constexpr Bits Bit(E v) { return Bits(Bits(1) << static_cast<unsigned>(v)); }
    Bits bits_ = 0;
};

//! The panel's pixel-format flags (stored as a two-byte set).
enum TPFDFlag : std::uint8_t {
    f_PFD_DRAW_TO_WINDOW,
    f_PFD_DRAW_TO_BITMAP,
    f_PFD_SUPPORT_GDI,
    f_PFD_SUPPORT_OPENGL,
    f_PFD_GENERIC_ACCELERATED,
    f_PFD_GENERIC_FORMAT,
    f_PFD_NEED_PALETTE,
    f_PFD_NEED_SYSTEM_PALETTE,
    f_PFD_DOUBLEBUFFER,
    f_PFD_STEREO,
    f_PFD_SWAP_LAYER_BUFFERS,
};
using TPFDFlags = TEnumSet<TPFDFlag, std::uint16_t>;

namespace ztopengl {
//! The off-screen component's own extra pixel-format flags.
enum TPFDFlag : std::uint8_t {
    f_PFD_GENERIC_ACCELERATED,
    f_PFD_GENERIC_FORMAT,
    f_PFD_NEED_PALETTE,
    f_PFD_NEED_SYSTEM_PALETTE,
    f_PFD_STEREO,
    f_PFD_SWAP_LAYER_BUFFERS,
};
using TPFDFlags = TEnumSet<TPFDFlag, std::uint8_t>;
}  // namespace ztopengl

enum TPFDPixelTypes : std::uint8_t { f_PFD_TYPE_RGBA, f_PFD_TYPE_COLORINDEX };
enum TFont3DFormat : std::uint8_t { f_WGL_FONT_LINES, f_WGL_FONT_POLYGONS };
enum TOpenGLPrintScale : std::uint8_t { pglNone, pglPrintToFit, pglProportional };

// The pixel-format descriptor's flag values.
constexpr std::uint32_t PFD_DOUBLEBUFFER = 0x1;
constexpr std::uint32_t PFD_STEREO = 0x2;
constexpr std::uint32_t PFD_DRAW_TO_WINDOW = 0x4;
constexpr std::uint32_t PFD_DRAW_TO_BITMAP = 0x8;
constexpr std::uint32_t PFD_SUPPORT_GDI = 0x10;
constexpr std::uint32_t PFD_SUPPORT_OPENGL = 0x20;
constexpr std::uint32_t PFD_GENERIC_FORMAT = 0x40;
constexpr std::uint32_t PFD_NEED_PALETTE = 0x80;
constexpr std::uint32_t PFD_NEED_SYSTEM_PALETTE = 0x100;
constexpr std::uint32_t PFD_SWAP_LAYER_BUFFERS = 0x800;
constexpr std::uint32_t PFD_GENERIC_ACCELERATED = 0x1000;

#pragma pack(push, 1)
//! The 40-byte pixel-format descriptor: what a context asks for and what it got.
struct PIXELFORMATDESCRIPTOR {
    std::uint16_t nSize = 40;
    std::uint16_t nVersion = 1;
    std::uint32_t dwFlags = 0;
    std::uint8_t iPixelType = 0;
    std::uint8_t cColorBits = 0;
    std::uint8_t cRedBits = 0;
    std::uint8_t cRedShift = 0;
    std::uint8_t cGreenBits = 0;
    std::uint8_t cGreenShift = 0;
    std::uint8_t cBlueBits = 0;
    std::uint8_t cBlueShift = 0;
    std::uint8_t cAlphaBits = 0;
    std::uint8_t cAlphaShift = 0;
    std::uint8_t cAccumBits = 0;
    std::uint8_t cAccumRedBits = 0;
    std::uint8_t cAccumGreenBits = 0;
    std::uint8_t cAccumBlueBits = 0;
    std::uint8_t cAccumAlphaBits = 0;
    std::uint8_t cDepthBits = 0;
    std::uint8_t cStencilBits = 0;
    std::uint8_t cAuxBuffers = 0;
    std::uint8_t iLayerType = 0;  //!< 0: the main plane
    std::uint8_t bReserved = 0;
    std::uint32_t dwLayerMask = 0;
    std::uint32_t dwVisibleMask = 0;
    std::uint32_t dwDamageMask = 0;
};
#pragma pack(pop)
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);

//! The panel's descriptor: version 1, the flags of the set (double buffering exactly when
//! f_PFD_SUPPORT_GDI is absent; the element f_PFD_DOUBLEBUFFER itself is not read), the
//! pixel type value (0 RGBA, 1 colour index), the colour and depth bits.
PIXELFORMATDESCRIPTOR PanelDescriptor(TPFDFlags flags, std::uint8_t pixelType, std::uint8_t colorBits,
                                      std::uint8_t depthBits);
//! The off-screen descriptor: draw to bitmap, support GDI and OpenGL (0x38) and the extras
//! of the set; no double buffering.
PIXELFORMATDESCRIPTOR OffscreenDescriptor(ztopengl::TPFDFlags flags, std::uint8_t pixelType,
                                          std::uint8_t colorBits, std::uint8_t depthBits);

//! The panel's flag setter: of f_PFD_SUPPORT_GDI and f_PFD_DOUBLEBUFFER exactly one stays in
//! the set; given both, the one newly added wins; given neither, the one that was not in the
//! old set is added.
TPFDFlags ApplyPFDFlags(TPFDFlags old, TPFDFlags requested);

//! The logical palette of a palette-based format: 2^colour bits entries (as a 16-bit count),
//! channel value ((i >> shift) & mask) × 255 / mask of each of red, green and blue (0 for a
//! channel without bits); entry flags 0.
platform::LogPalette PaletteOfDescriptor(const PIXELFORMATDESCRIPTOR& pfd);

//! The surface format that asks Qt for the descriptor's buffers: a compatibility profile
//! (display lists and the fixed-function light), its colour, depth (24 bits stand for any
//! larger request, which the drivers here do not offer) and stereo, double buffered when the
//! descriptor says so. False for what Qt cannot give (colour index, no OpenGL support).
bool SurfaceFormatOf(const PIXELFORMATDESCRIPTOR& pfd, QSurfaceFormat& format);

//! The descriptor of what a context got.
PIXELFORMATDESCRIPTOR DescribeFormat(const QSurfaceFormat& format, std::uint32_t flags);

//! The OpenGL components' message box: the text, the program's title, one OK button.
void GLMessage(const std::string& text);
//! A failed platform call reported: its name with the colon, then the error number (Qt keeps
//! none: 0).
void GLCallFailed(const char* call);
//! Division by zero and invalid operations give infinities and NaNs from now on, never a trap
//! (this platform's default, set again whatever a library may have changed).
void MaskFloatingPointExceptions();

// ---------------------------------------------------------------------------------------
// Fonts

constexpr std::uint8_t ANSI_CHARSET = 0;
constexpr std::uint8_t RUSSIAN_CHARSET = 204;

//! A font face as the panel keeps it: name, height (negative: the character height in pixels,
//! positive: the cell height), weight, slant and the character set that maps the 8-bit codes
//! (RUSSIAN_CHARSET: Windows-1251, anything else: Latin-1).
struct TGLFont {
    std::string Name = "Arial";
    int Height = -9;
    bool Bold = true;
    bool Italic = false;
    std::uint8_t Charset = ANSI_CHARSET;
};

//! The metrics of one outline glyph, in units of the font's em square.
struct GLYPHMETRICSFLOAT {
    float gmfBlackBoxX = 0;
    float gmfBlackBoxY = 0;
    float gmfptGlyphOriginX = 0;
    float gmfptGlyphOriginY = 0;
    float gmfCellIncX = 0;
    float gmfCellIncY = 0;
};

//! Display lists of a range of characters, made in one context. The lists are deleted with
//! the object, in the context that made them (made current for the moment when another one
//! is), and not at all once that context is gone, since they went with it.
class OpenGLFontLists {
public:
    OpenGLFontLists(std::int32_t first, std::int32_t count, std::uint32_t base);
    virtual ~OpenGLFontLists();
    OpenGLFontLists(const OpenGLFontLists&) = delete;
    OpenGLFontLists& operator=(const OpenGLFontLists&) = delete;

    //! True when every byte of the text (unsigned) is one of the font's characters.
    bool Covers(const std::string& text) const;

    std::int32_t First;
    std::int32_t Count;
    std::uint32_t Base;
    //! The context the lists were made in (null for a font made without one).
    QPointer<QOpenGLContext> Context;
};

//! An outline font: extruded glyphs (polygons) or their outlines (lines), with metrics.
class OpenGLFont3D : public OpenGLFontLists {
public:
    OpenGLFont3D(std::int32_t first, std::int32_t count, std::uint32_t base, float extrusion);
    float Extrusion;
    std::vector<GLYPHMETRICSFLOAT> Metrics;  //!< one record per character
};

//! A bitmap font drawn at the raster position.
class OpenGLFont2D : public OpenGLFontLists {
public:
    using OpenGLFontLists::OpenGLFontLists;
};

//! Builds the outline font of the characters first … first + count − 1 into new display
//! lists of the current context (codes above 255 get empty lists); null without a current
//! context, a face, or lists. Curves are flattened at least as finely as `deviation` (em
//! units; 0: finely); each list ends by moving to the next character's origin.
std::unique_ptr<OpenGLFont3D> BuildFont3D(const TGLFont* face, int first, int count, float deviation,
                                          float extrusion, int format);
//! Builds the bitmap font of the characters into new display lists of the current context;
//! null as BuildFont3D.
std::unique_ptr<OpenGLFont2D> BuildFont2D(const TGLFont* face, int first, int count);

//! Draws the text through the font's lists at the current origin; nothing without a font, for
//! an empty text, or when any character lies outside the font. Keeps the list base and the
//! front-face winding.
void Draw3DText(const OpenGLFont3D* font, const std::string& text);
//! Draws the text at the current raster position; nothing as Draw3DText.
void Draw2DText(const OpenGLFont2D* font, const std::string& text);

//! The size of a 3-D text: width (advances of all characters but the last, plus the last's
//! black box), height (the last's black box plus the y advances), depth (the extrusion).
//! Nothing without a font, a size or a text; (0, 0, 0) when a character lies outside the font.
void Get3DTextSize(const OpenGLFont3D* font, const std::string& text, double* size);

// ---------------------------------------------------------------------------------------
// Textures, extensions, printing

//! The pixels of a BMP file as a texture: rows from the top, R, G, B (and A) per pixel.
class BMPTexture {
public:
    std::uint32_t Reserved = 0;
    std::int32_t BytesPerPixel = 3;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint32_t Format = 0;  //!< GL_RGB or GL_RGBA
    std::uint32_t Type = 0;    //!< GL_UNSIGNED_BYTE
    std::vector<std::uint8_t> Pixels;
};

//! Reads a BMP file as a texture (alpha 255 with `alpha`); null when the file cannot be read
//! as a BMP picture or its pixels cannot be had. The caller owns the texture.
std::unique_ptr<BMPTexture> LoadBMPTexture(const std::string& fileName, bool alpha);

//! True when `name` is one of the blank-separated tokens of the list (null: false).
bool ExtensionListed(const char* extensions, const std::string& name);
//! True when the current context lists the extension (false without a context).
bool QueryOpenGLExtention(const std::string& name);

//! A rectangle on the page, right and bottom exclusive.
struct TPrintRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TPrintRect&) const = default;
};

//! Where a picture of width × height screen pixels lands on the page: at margins of 0.18
//! inch; pglNone one printer pixel per screen pixel, pglProportional the same size in inches
//! at `pixelsPerInch` (a value below 1 is first set to 96, and stays so), pglPrintToFit as
//! large as the page less the margins holds with the picture's proportions.
TPrintRect PrintRectangle(TOpenGLPrintScale scale, int width, int height, std::int32_t& pixelsPerInch,
                          int printerPpiX, int printerPpiY, int pageWidth, int pageHeight);

//! The bits per pixel of the screen.
int GetDisplayBPP();
//! Changing the screen's depth is not offered here: always false.
bool SetDisplayBPP(int bitsPerPixel);

// ---------------------------------------------------------------------------------------
// The components' common part

//! What both OpenGL components keep: the pixel type and depths asked for, the settings of
//! the 3-D and 2-D fonts, the fonts built from them and the palette of a palette-based
//! format, with the operations on them. Fonts are built and text drawn with the
//! component's context current.
class TOpenGLComponentBase {
public:
    TOpenGLComponentBase();
    virtual ~TOpenGLComponentBase();

    TPFDPixelTypes PixelType = f_PFD_TYPE_RGBA;
    std::uint8_t PixelTypeValue = 0;  //!< 0 RGBA, 1 colour index
    std::uint8_t cColorBits = 32;
    std::uint8_t cDepthBits = 32;
    bool Font3D_Enabled = false;
    TGLFont Font3D_Type;
    std::int32_t Font3D_FirstGylph = 32;
    std::int32_t Font3D_NumGylph = 96;
    float Font3D_MaxDeviation = 0.0f;
    float Font3D_Extrustion = 0.1f;
    TFont3DFormat Font3D_Format = f_WGL_FONT_POLYGONS;
    std::int32_t OutlineFormatValue = 1;  //!< 0 lines, 1 polygons
    bool Font2D_Enabled = false;
    TGLFont Font2D_Type;
    std::int32_t Font2D_FirstGylph = 32;
    std::int32_t Font2D_NumGylph = 96;

    void SetPFDPixelType(TPFDPixelTypes type);
    void SetFont3DFormat(TFont3DFormat format);
    //! The 2-D font's face becomes a copy of the font; no lists are rebuilt.
    void SetFont(const TGLFont& font) { Font2D_Type = font; }
    //! The 3-D font's face becomes a copy of the font; no lists are rebuilt.
    void SetFont3DType(const TGLFont& font) { Font3D_Type = font; }

    //! Builds the palette of a palette-based format; false (reported) when it cannot be had.
    bool ConstructPalette(const PIXELFORMATDESCRIPTOR& pfd);
    //! The palette of a palette-based format; null for true colour.
    const platform::HPALETTE& Palette() const { return palette_; }

    //! Replace the component's 3-D (2-D) font by one built from the properties (none when
    //! building fails).
    void Create3DFont();
    void Create2DFont();
    //! Builds the enabled fonts in the current context (the context's init, before OnInit).
    void CreateEnabledFonts();
    //! Fonts of the given settings; the caller owns them.
    std::unique_ptr<OpenGLFont3D> Create3DFont(const TGLFont* font, int first, int count, float deviation,
                                               float extrusion, int format) const;
    std::unique_ptr<OpenGLFont2D> Create2DFont(const TGLFont* font, int first, int count) const;
    //! Deletes both fonts (each in its own context).
    void DeleteFonts();
    OpenGLFont3D* Font3D() const { return font3D_.get(); }
    OpenGLFont2D* Font2D() const { return font2D_.get(); }
    void Get3DTextSize(const std::string& text, double* size) const;
    void Get3DTextSize(const OpenGLFont3D* font, const std::string& text, double* size) const;
    void Draw3DText(const std::string& text) const;
    void Draw3DText(const OpenGLFont3D* font, const std::string& text) const;
    void Draw2DText(const std::string& text) const;
    void Draw2DText(const OpenGLFont2D* font, const std::string& text) const;
    std::unique_ptr<BMPTexture> LoadBMPTexture(const std::string& fileName, bool alpha) const;
    //! True when the current context lists the extension.
    bool QueryOpenGLExtention(const std::string& name) const;
    int GetDisplayBPP() const;
    bool SetDisplayBPP(int bits) const;

protected:
    std::unique_ptr<OpenGLFont3D> font3D_;
    std::unique_ptr<OpenGLFont2D> font2D_;
    platform::HPALETTE palette_;
};
