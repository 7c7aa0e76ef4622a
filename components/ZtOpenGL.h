#pragma once
// The off-screen OpenGL component: renders through its OnPaint into a picture of its own,
// without a window, and copies the picture onto a painter, a canvas or a bitmap. Its
// programming interface follows the OpenGL panel's: pixel-format properties (no double
// buffering), display-list fonts, text, textures and the extension query.
//
// The picture is a device-independent bitmap: rows bottom-up, B, G, R (and a fourth byte at
// 32 bits) per pixel, rows padded to four bytes. The context draws into a framebuffer
// object on an off-screen surface; each Repaint reads the frame back into the picture.

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/OpenGLHelpers.h"

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
class QPainter;
class QRect;

namespace platform {
class TBitmap;
class TCanvas;
}  // namespace platform

#pragma pack(push, 1)
//! The 40-byte header of the picture.
struct TPictureHeader {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;  //!< positive: rows stored bottom-up
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
#pragma pack(pop)
static_assert(sizeof(TPictureHeader) == 40);

class TZtOpenGL : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TZtOpenGL* Sender)>;
    using TPFDFlags = ztopengl::TPFDFlags;

    explicit TZtOpenGL(QObject* owner = nullptr);
    ~TZtOpenGL() override;

    // Properties, as the panel's.
    TPFDFlags PFDFlags;
    TPFDPixelTypes PixelType = f_PFD_TYPE_RGBA;
    std::uint8_t PixelTypeValue = 0;
    std::uint8_t cColorBits = 32;
    std::uint8_t cDepthBits = 32;
    bool Font3D_Enabled = false;
    TGLFont Font3D_Type;
    std::int32_t Font3D_FirstGylph = 32;
    std::int32_t Font3D_NumGylph = 96;
    float Font3D_MaxDeviation = 0.0f;
    float Font3D_Extrustion = 0.1f;
    TFont3DFormat Font3D_Format = f_WGL_FONT_POLYGONS;
    std::int32_t OutlineFormatValue = 1;
    bool Font2D_Enabled = false;
    TGLFont Font2D_Type;
    std::int32_t Font2D_FirstGylph = 32;
    std::int32_t Font2D_NumGylph = 96;
    TNotifyEvent OnPaint, OnInit;

    void SetPFDPixelType(TPFDPixelTypes type);
    void SetFont3DFormat(TFont3DFormat format);
    void SetFont(const TGLFont& font) { Font2D_Type = font; }
    void SetFont3DType(const TGLFont& font) { Font3D_Type = font; }

    //! A picture of width × height pixels at cColorBits (24 or 32) and a context for it; then,
    //! with OnInit, the enabled fonts and OnInit. Replaces the picture and context before it.
    void Resize(int width, int height);
    //! Renders the picture through OnPaint (nothing without OnPaint or a context).
    void Repaint();
    //! Copies the picture to the rectangle's top-left corner; a zero width or height of the
    //! rectangle means the picture's.
    void Draw(QPainter& painter, const QRect& r) const;
    void Draw(platform::TCanvas* canvas, const QRect& r) const;
    //! The bitmap takes the picture's size and the whole picture.
    void CopyTo(platform::TBitmap* bitmap) const;

    bool CreateGLContext();
    void DestroyGLContext();
    bool ConstructPalette(const PIXELFORMATDESCRIPTOR& pfd);
    //! Makes the context current, drawing into the picture; false (reported) without one.
    bool MakeOpenGLCurrent();
    void MakeOpenGLNotCurrent();
    bool PanelShareLists(TZtOpenGL* other);
    bool HasContext() const { return context_ != nullptr; }
    QOpenGLContext* Context() const { return context_.get(); }
    const PIXELFORMATDESCRIPTOR& Descriptor() const { return descriptor_; }

    // Fonts and text; the context must be current.
    void Create3DFont();
    void Create2DFont();
    std::unique_ptr<OpenGLFont3D> Create3DFont(const TGLFont* font, int first, int count, float deviation,
                                               float extrusion, int format);
    std::unique_ptr<OpenGLFont2D> Create2DFont(const TGLFont* font, int first, int count);
    OpenGLFont3D* Font3D() const { return font3D_.get(); }
    OpenGLFont2D* Font2D() const { return font2D_.get(); }
    void Get3DTextSize(const std::string& text, double* size) const { ::Get3DTextSize(font3D_.get(), text, size); }
    void Draw3DText(const std::string& text) const { ::Draw3DText(font3D_.get(), text); }
    void Draw2DText(const std::string& text) const { ::Draw2DText(font2D_.get(), text); }
    std::unique_ptr<BMPTexture> LoadBMPTexture(const std::string& fileName, bool alpha) const
    {
        return ::LoadBMPTexture(fileName, alpha);
    }
    bool QueryOpenGLExtention(const std::string& name) const { return ::QueryOpenGLExtention(name); }
    int GetDisplayBPP() const { return ::GetDisplayBPP(); }
    bool SetDisplayBPP(int bits) const { return ::SetDisplayBPP(bits); }

    // The picture.
    const TPictureHeader& PictureHeader() const { return header_; }
    //! The pixel rows, bottom row first; null without a picture.
    const std::uint8_t* PictureBits() const { return bits_.empty() ? nullptr : bits_.data(); }
    int BytesPerLine() const;
    //! How many pictures exist (0 or 1).
    int PictureCount() const { return bits_.empty() ? 0 : 1; }

private:
    void DeleteFonts();
    void ReadPicture();

    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOpenGLFramebufferObject> frame_;
    std::unique_ptr<OpenGLFont3D> font3D_;
    std::unique_ptr<OpenGLFont2D> font2D_;
    PIXELFORMATDESCRIPTOR descriptor_;
    platform::HPALETTE palette_;
    TPictureHeader header_;
    std::vector<std::uint8_t> bits_;
};
