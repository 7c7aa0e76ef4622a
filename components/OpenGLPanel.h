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

class TOpenGLPanel : public QWidget, public TOpenGLComponentBase {
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
    TOpenGLSwapBuffers GLSwapBuffers = Auto;
    TOpenGLPrintScale PrintScale = pglProportional;
    std::int32_t PixelsPerInch = 96;

    TNotifyEvent OnPaint, OnResize, OnInit, OnPreInit;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    void SetPFDFlags(TPFDFlags flags) { PFDFlags = ApplyPFDFlags(PFDFlags, flags); }
    void SetPFDNumColorBits(std::uint8_t bits) { cColorBits = bits; }
    void SetPFDNumDepthBits(std::uint8_t bits) { cDepthBits = bits; }
    void SetOpenGLPrintScale(TOpenGLPrintScale scale) { PrintScale = scale; }
    void SetOpenGLPixelsPerInch(std::int32_t ppi) { PixelsPerInch = ppi; }

    // Context.
    //! Chooses the pixel format from the properties and makes the surface that gets the
    //! context; false (reported) when no format can be had.
    bool CreateGLContext();
    //! Deletes the fonts (in their context) and the surface with its context.
    void DestroyGLContext();
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

    // Pictures.
    //! Paints now (with the context current; nothing without OnPaint or a context).
    void Paint();
    //! Asks for a paint at the next turn of the event loop. The panel's own update() only
    //! shows again what the surface drew last: what changed the picture calls this.
    void Invalidate();
    //! What the panel shows, as a bitmap of its width × height (black without a context).
    void CapturePicture(platform::TBitmap& bitmap);
    //! Paints and writes what the panel shows as a BMP file; false when it cannot be written.
    bool SaveOpenGLPanelToFile(const std::string& fileName);
    //! Prints what the panel shows, sized by PrintScale, at 0.18 inch margins, on the printer
    //! (null: the default printer); false when no print job could be made.
    bool PrintOpenGLPanel(QPrinter* printer = nullptr);

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

    TOpenGLSurface* surface_ = nullptr;
    PIXELFORMATDESCRIPTOR descriptor_;
    bool doubleBuffered_ = false;
    bool created_ = false;
};
