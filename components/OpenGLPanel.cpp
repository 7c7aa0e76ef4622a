#include "components/OpenGLPanel.h"

#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>
#include <QOpenGLWidget>
#include <QPainter>
#include <QPrinter>
#include <QVBoxLayout>
#include <cstring>
#include <new>

#include "platform/core/Messages.h"
#include "platform/gui/Bitmap.h"


bool OpenGLWidgetsSupported()
{
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != "offscreen" && platform != "minimal" &&
           platform != "linuxfb" && platform != "vnc";
}

//! The OpenGL widget that fills a panel; it forwards its events to the panel. With Manual
//! swapping of a double-buffered context it draws into a back buffer of its own, which the
//! panel's SwapBuffers shows.
class TOpenGLSurface final : public QOpenGLWidget {
public:
    explicit TOpenGLSurface(TOpenGLPanel* panel) : QOpenGLWidget(panel), panel_(panel)
    {
        setObjectName("OpenGLSurface");
        setAttribute(Qt::WA_TransparentForMouseEvents);
        // What the widget shows stays until it is drawn over, as a front buffer does.
        setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    }
    ~TOpenGLSurface() override
    {
        // The context goes in the base's destructor: this object must not hear of it then.
        if (QOpenGLContext* own = context())
            disconnect(own, nullptr, this, nullptr);
        makeCurrent();
        back_.reset();
        panel_->DeleteFonts();
        doneCurrent();
    }

    bool DrawsToBack() const { return panel_->GLSwapBuffers == Manual && panel_->DoubleBuffered(); }

    //! Copies the back buffer into what the widget shows.
    void Present()
    {
        if (!back_ || !context())
            return;
        makeCurrent();
        QOpenGLExtraFunctions* f = context()->extraFunctions();
        f->glBindFramebuffer(GL_READ_FRAMEBUFFER, back_->handle());
        f->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, defaultFramebufferObject());
        f->glBlitFramebuffer(0, 0, back_->width(), back_->height(), 0, 0, back_->width(), back_->height(),
                             GL_COLOR_BUFFER_BIT, GL_NEAREST);
        f->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
        doneCurrent();
        presenting_ = true;
        update();
    }

protected:
    void initializeGL() override
    {
        connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
            makeCurrent();
            back_.reset();
            panel_->DeleteFonts();
            doneCurrent();
        });
        panel_->SurfaceInit();
    }
    void resizeGL(int, int) override { panel_->SurfaceResize(); }
    void paintGL() override
    {
        if (presenting_) {
            presenting_ = false;  // the composition of a presented back buffer
            return;
        }
        if (!DrawsToBack()) {
            panel_->SurfacePaint();
            return;
        }
        const QSize size(std::max(1, int(width() * devicePixelRatioF())),
                         std::max(1, int(height() * devicePixelRatioF())));
        if (!back_ || back_->size() != size)
            back_ = std::make_unique<QOpenGLFramebufferObject>(size, QOpenGLFramebufferObject::Depth);
        back_->bind();
        panel_->SurfacePaint();
        context()->functions()->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    }

private:
    TOpenGLPanel* panel_;
    std::unique_ptr<QOpenGLFramebufferObject> back_;
    bool presenting_ = false;
};

TOpenGLPanel::TOpenGLPanel(QWidget* owner) : QWidget(owner)
{
    setObjectName("OpenGLPanel");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setAutoFillBackground(false);
}

TOpenGLPanel::~TOpenGLPanel() { DestroyGLContext(); }

bool TOpenGLPanel::event(QEvent* e)
{
    // The window is made: the owner's last word on the properties, then the context.
    if (e->type() == QEvent::Polish && !created_) {
        created_ = true;
        if (OnPreInit)
            OnPreInit(this);
        if (!CreateGLContext())
            GLMessage("Open GL Context Create Failed");
    }
    return QWidget::event(e);
}

bool TOpenGLPanel::CreateGLContext()
{
    const PIXELFORMATDESCRIPTOR pfd = PanelDescriptor(PFDFlags, PixelTypeValue, cColorBits, cDepthBits);
    QSurfaceFormat format;
    if (!SurfaceFormatOf(pfd, format)) {
        GLCallFailed("ChoosePixelFormat:");
        return false;
    }
    if (!OpenGLWidgetsSupported()) {
        GLCallFailed("wglRenderingContext:");
        return false;
    }
    doubleBuffered_ = (pfd.dwFlags & PFD_DOUBLEBUFFER) != 0;
    descriptor_ = DescribeFormat(format, pfd.dwFlags);
    if ((descriptor_.dwFlags & PFD_NEED_PALETTE) && !ConstructPalette(descriptor_))
        return false;
    delete surface_;
    surface_ = new TOpenGLSurface(this);
    surface_->setFormat(format);
    layout()->addWidget(surface_);
    return true;
}

void TOpenGLPanel::DestroyGLContext()
{
    if (surface_) {
        delete surface_;  // deletes the fonts with its context current, then the context
        surface_ = nullptr;
    }
    DeleteFonts();
    palette_.reset();
}

bool TOpenGLPanel::HasContext() const { return surface_ && surface_->isValid(); }

QOpenGLContext* TOpenGLPanel::Context() const { return HasContext() ? surface_->context() : nullptr; }

QWidget* TOpenGLPanel::Surface() const { return surface_; }

bool TOpenGLPanel::MakeOpenGLPanelCurrent()
{
    if (!HasContext()) {
        GLCallFailed("wglMakeCurrent:");
        return false;
    }
    surface_->makeCurrent();
    return true;
}

void TOpenGLPanel::MakeOpenGLPanelNotCurrent()
{
    if (surface_ && surface_->context() && QOpenGLContext::currentContext() == surface_->context())
        surface_->doneCurrent();
}

void TOpenGLPanel::SwapBuffers()
{
    if (surface_ && doubleBuffered_ && surface_->DrawsToBack())
        surface_->Present();
}

bool TOpenGLPanel::PanelShareLists(TOpenGLPanel* other)
{
    return other && Context() && other->Context() && QOpenGLContext::areSharing(Context(), other->Context());
}

// -------------------------------------------------------------------------------------
// The surface's events

void TOpenGLPanel::SurfaceInit()
{
    // Without OnInit no font is built.
    if (!OnInit)
        return;
    CreateEnabledFonts();
    OnInit(this);
}

void TOpenGLPanel::SurfaceResize()
{
    if (OnResize)
        OnResize(this);
}

void TOpenGLPanel::SurfacePaint()
{
    if (OnPaint)
        OnPaint(this);
}

void TOpenGLPanel::Paint()
{
    if (OnPaint && HasContext())
        surface_->repaint();
}

void TOpenGLPanel::Invalidate()
{
    update();
    if (surface_)
        surface_->update();
}

// -------------------------------------------------------------------------------------
// Pictures

void TOpenGLPanel::CapturePicture(platform::TBitmap& bitmap)
{
    bitmap.SetPixelFormat(platform::pf24bit);
    bitmap.SetSize(width(), height());
    if (!HasContext() || bitmap.Empty())
        return;
    raise();
    const QImage shown = surface_->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    const int w = std::min(bitmap.Width(), shown.width());
    const int h = std::min(bitmap.Height(), shown.height());
    for (int y = 0; y < h; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        std::uint8_t* to = bitmap.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            to[3 * x] = std::uint8_t(qBlue(from[x]));
            to[3 * x + 1] = std::uint8_t(qGreen(from[x]));
            to[3 * x + 2] = std::uint8_t(qRed(from[x]));
        }
    }
}

bool TOpenGLPanel::SaveOpenGLPanelToFile(const std::string& fileName)
{
    platform::TBitmap bitmap;
    CapturePicture(bitmap);
    return bitmap.SaveToFile(fileName);
}

bool TOpenGLPanel::PrintOpenGLPanel(QPrinter* printer)
{
    QImage picture;
    try {
        platform::TBitmap bitmap;
        CapturePicture(bitmap);
        picture = bitmap.Image().copy();
    } catch (const std::bad_alloc&) {
        GLMessage("Print: Malloc Error");
        return false;
    }
    if (picture.isNull()) {
        GLMessage("Print: Malloc Error");
        return false;
    }
    std::unique_ptr<QPrinter> own;
    if (!printer) {
        own = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer = own.get();
    }
    const TPrintRect r = PrintRectangle(PrintScale, picture.width(), picture.height(), PixelsPerInch,
                                        printer->logicalDpiX(), printer->logicalDpiY(), printer->width(),
                                        printer->height());
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    painter.drawImage(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), picture);
    return painter.end();
}

// -------------------------------------------------------------------------------------
// Mouse

void TOpenGLPanel::mousePressEvent(QMouseEvent* e)
{
    if (OnMouseDown)
        OnMouseDown(this, e->button(), e->modifiers(), int(e->position().x()), int(e->position().y()));
    e->accept();
}

void TOpenGLPanel::mouseMoveEvent(QMouseEvent* e)
{
    if (OnMouseMove)
        OnMouseMove(this, e->buttons(), e->modifiers(), int(e->position().x()), int(e->position().y()));
    e->accept();
}

void TOpenGLPanel::mouseReleaseEvent(QMouseEvent* e)
{
    if (OnMouseUp)
        OnMouseUp(this, e->button(), e->modifiers(), int(e->position().x()), int(e->position().y()));
    e->accept();
}
