#pragma once
// The OpenGL panel: a panel whose surface is drawn with OpenGL through the owner's events.
// When its window is created it chooses a pixel format from its properties, makes its
// context and its display-list fonts and fires OnInit; every paint and resize runs with
// its context current. It saves and prints what it shows and loads BMP textures.
//
// The surface is a Qt OpenGL widget (a compatibility-profile context) that fills the
// panel. On platforms without OpenGL widgets (the offscreen test platform) the panel
// creates no surface, reports that no context could be made, and never runs a paint or
// resize event.

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "components/OpenGLHelpers.h"

class QOpenGLContext;
class QPrinter;
class TOpenGLSurface;

namespace platform {
class TBitmap;
}

enum TOpenGLSwapBuffers : std::uint8_t { Auto, Manual };

//! False on platforms whose windows cannot hold an OpenGL widget (offscreen, minimal).
bool OpenGLWidgetsSupported();

class TOpenGLPanel : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TOpenGLPanel* Sender)>;
    //! Button (Qt's), keyboard modifiers, position in the panel's pixels.
    using TMouseEvent = std::function<void(TOpenGLPanel* Sender, Qt::MouseButton Button,
                                           Qt::KeyboardModifiers Shift, int X, int Y)>;
    using TMouseMoveEvent =
        std::function<void(TOpenGLPanel* Sender, Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, int X, int Y)>;

    explicit TOpenGLPanel(QWidget* owner = nullptr);
    ~TOpenGLPanel() override;

    // Properties; pixel-format settings take effect at the next window creation.
    TPFDFlags PFDFlags{f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_OPENGL, f_PFD_DOUBLEBUFFER};
    TPFDPixelTypes PixelType = f_PFD_TYPE_RGBA;
    std::uint8_t PixelTypeValue = 0;
    std::uint8_t cColorBits = 32;
    std::uint8_t cDepthBits = 32;
    TOpenGLSwapBuffers GLSwapBuffers = Auto;
    TOpenGLPrintScale PrintScale = pglProportional;
    std::int32_t PixelsPerInch = 96;
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

    TNotifyEvent OnPaint, OnResize, OnInit, OnPreInit;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    void SetPFDFlags(TPFDFlags flags) { PFDFlags = ApplyPFDFlags(PFDFlags, flags); }
    void SetPFDPixelType(TPFDPixelTypes type);
    void SetFont3DFormat(TFont3DFormat format);
    void SetPFDNumColorBits(std::uint8_t bits) { cColorBits = bits; }
    void SetPFDNumDepthBits(std::uint8_t bits) { cDepthBits = bits; }
    void SetOpenGLPrintScale(TOpenGLPrintScale scale) { PrintScale = scale; }
    void SetOpenGLPixelsPerInch(std::int32_t ppi) { PixelsPerInch = ppi; }
    //! The 2-D font's face becomes a copy of the font; no lists are rebuilt.
    void SetFont(const TGLFont& font) { Font2D_Type = font; }
    //! The 3-D font's face becomes a copy of the font; no lists are rebuilt.
    void SetFont3DType(const TGLFont& font) { Font3D_Type = font; }

    // Context.
    //! Chooses the pixel format from the properties and makes the surface that gets the
    //! context; false (reported) when no format can be had.
    bool CreateGLContext();
    //! Deletes the fonts (in their context) and the surface with its context.
    void DestroyGLContext();
    //! Builds the palette of a palette-based format; true colour formats need none.
    bool ConstructPalette(const PIXELFORMATDESCRIPTOR& pfd);
    //! True while the panel has a context.
    bool HasContext() const;
    //! The context, null without one.
    QOpenGLContext* Context() const;
    //! Makes the panel's context current; false, reported as "wglMakeCurrent:", without one.
    bool MakeOpenGLPanelCurrent();
    void MakeOpenGLPanelNotCurrent();
    //! Shows the picture drawn so far (double-buffered contexts only); with Auto the panel's
    //! paint does it itself.
    void SwapBuffers();
    //! True when this panel's and the other's contexts share display lists (Qt shares them
    //! only when contexts are made, as for all widgets of the program).
    bool PanelShareLists(TOpenGLPanel* other);
    //! True when the context is double-buffered.
    bool DoubleBuffered() const { return doubleBuffered_; }
    //! The format the context got (zero before the first context).
    const PIXELFORMATDESCRIPTOR& Descriptor() const { return descriptor_; }
    //! The palette of a palette-based format; null for true colour.
    const platform::HPALETTE& Palette() const { return palette_; }

    // Fonts and text; the context must be current.
    void Create3DFont();
    void Create2DFont();
    std::unique_ptr<OpenGLFont3D> Create3DFont(const TGLFont* font, int first, int count, float deviation,
                                               float extrusion, int format);
    std::unique_ptr<OpenGLFont2D> Create2DFont(const TGLFont* font, int first, int count);
    OpenGLFont3D* Font3D() const { return font3D_.get(); }
    OpenGLFont2D* Font2D() const { return font2D_.get(); }
    void Get3DTextSize(const std::string& text, double* size) const { ::Get3DTextSize(font3D_.get(), text, size); }
    void Get3DTextSize(const OpenGLFont3D* font, const std::string& text, double* size) const
    {
        ::Get3DTextSize(font, text, size);
    }
    void Draw3DText(const std::string& text) const { ::Draw3DText(font3D_.get(), text); }
    void Draw3DText(const OpenGLFont3D* font, const std::string& text) const { ::Draw3DText(font, text); }
    void Draw2DText(const std::string& text) const { ::Draw2DText(font2D_.get(), text); }
    void Draw2DText(const OpenGLFont2D* font, const std::string& text) const { ::Draw2DText(font, text); }

    // Pictures.
    //! Paints now (with the context current; nothing without OnPaint or a context).
    void Paint();
    //! What the panel shows, as a bitmap of its width × height (black without a context).
    void CapturePicture(platform::TBitmap& bitmap);
    //! Paints and writes what the panel shows as a BMP file; false when it cannot be written.
    bool SaveOpenGLPanelToFile(const std::string& fileName);
    //! Prints what the panel shows, sized by PrintScale, at 0.18 inch margins, on the printer
    //! (null: the default printer); false when no print job could be made.
    bool PrintOpenGLPanel(QPrinter* printer = nullptr);
    std::unique_ptr<BMPTexture> LoadBMPTexture(const std::string& fileName, bool alpha) const
    {
        return ::LoadBMPTexture(fileName, alpha);
    }
    //! True when the current context lists the extension.
    bool QueryOpenGLExtention(const std::string& name) const { return ::QueryOpenGLExtention(name); }
    int GetDisplayBPP() const { return ::GetDisplayBPP(); }
    bool SetDisplayBPP(int bits) const { return ::SetDisplayBPP(bits); }

    //! The OpenGL widget that fills the panel, null without a context.
    QWidget* Surface() const;

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    friend class TOpenGLSurface;
    // The surface's events, with the context current.
    void SurfaceInit();
    void SurfaceResize();
    void SurfacePaint();
    void ContextGoing();
    void DeleteFonts();

    TOpenGLSurface* surface_ = nullptr;
    std::unique_ptr<OpenGLFont3D> font3D_;
    std::unique_ptr<OpenGLFont2D> font2D_;
    PIXELFORMATDESCRIPTOR descriptor_;
    platform::HPALETTE palette_;
    bool doubleBuffered_ = false;
    bool created_ = false;
};
