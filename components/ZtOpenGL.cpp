#include "components/ZtOpenGL.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QRect>
#include <algorithm>
#include <new>

#include <GL/gl.h>

#include "platform/gui/Bitmap.h"
#include "platform/gui/Canvas.h"

TZtOpenGL::TZtOpenGL(QObject* owner) : QObject(owner)
{
    setObjectName("ZtOpenGL");
    surface_ = std::make_unique<QOffscreenSurface>();
    surface_->create();
}

TZtOpenGL::~TZtOpenGL()
{
    DeleteFonts();
    DestroyGLContext();
    bits_.clear();
}

int TZtOpenGL::BytesPerLine() const
{
    return ((header_.biWidth * header_.biBitCount + 31) / 32) * 4;
}

bool TZtOpenGL::CreateGLContext()
{
    const PIXELFORMATDESCRIPTOR pfd = OffscreenDescriptor(PFDFlags, PixelTypeValue, cColorBits, cDepthBits);
    QSurfaceFormat format;
    if (!SurfaceFormatOf(pfd, format)) {
        GLCallFailed("ChoosePixelFormat:");
        return false;
    }
    if (!surface_->isValid()) {
        surface_->setFormat(format);
        surface_->create();
    }
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(format);
    if (!surface_->isValid() || !context->create() || !context->makeCurrent(surface_.get())) {
        GLCallFailed("wglRenderingContext:");
        return false;
    }
    descriptor_ = DescribeFormat(context->format(), pfd.dwFlags);
    if ((descriptor_.dwFlags & PFD_NEED_PALETTE) && !ConstructPalette(descriptor_)) {
        context->doneCurrent();
        return false;
    }
    // The frame the context draws into: the picture's size (one pixel before there is one).
    const QSize size(std::max(header_.biWidth, 1), std::max(header_.biHeight, 1));
    try {
        frame_ = std::make_unique<QOpenGLFramebufferObject>(size, QOpenGLFramebufferObject::Depth);
    } catch (const std::bad_alloc&) {
        frame_.reset();
    }
    const bool framed = frame_ && frame_->isValid();
    if (framed) {
        // A new context's viewport covers what it draws into: the picture.
        frame_->bind();
        glViewport(0, 0, size.width(), size.height());
    }
    context->doneCurrent();
    if (!framed) {
        frame_.reset();
        GLCallFailed("wglRenderingContext:");
        return false;
    }
    context_ = std::move(context);
    return true;
}

void TZtOpenGL::DestroyGLContext()
{
    if (!context_)
        return;
    // The frame and the font lists belong to the context: they go with it current.
    if (context_->makeCurrent(surface_.get())) {
        frame_.reset();
        DeleteFonts();
        context_->doneCurrent();
    }
    frame_.reset();
    context_.reset();
    palette_.reset();
}

bool TZtOpenGL::MakeOpenGLCurrent()
{
    if (!context_ || !context_->makeCurrent(surface_.get())) {
        GLCallFailed("wglMakeCurrent:");
        return false;
    }
    if (frame_)
        frame_->bind();
    return true;
}

void TZtOpenGL::MakeOpenGLNotCurrent()
{
    if (context_ && QOpenGLContext::currentContext() == context_.get())
        context_->doneCurrent();
}

bool TZtOpenGL::PanelShareLists(TZtOpenGL* other)
{
    return other && context_ && other->context_ && QOpenGLContext::areSharing(context_.get(), other->context_.get());
}

void TZtOpenGL::Resize(int width, int height)
{
    DestroyGLContext();
    bits_.clear();
    header_ = TPictureHeader{};
    header_.biWidth = width;
    header_.biHeight = height;
    header_.biPlanes = 1;
    header_.biBitCount = cColorBits;
    // The picture: 24 or 32 bits per pixel of a positive size.
    if (width > 0 && height > 0 && (cColorBits == 24 || cColorBits == 32)) {
        try {
            bits_.assign(std::size_t(BytesPerLine()) * std::size_t(height), 0);
        } catch (const std::bad_alloc&) {
            bits_.clear();
        }
    }
    if (!CreateGLContext()) {
        GLMessage("Open GL Context Create Failed");
        return;
    }
    if (!OnInit)
        return;
    if (!MakeOpenGLCurrent())
        return;
    CreateEnabledFonts();
    OnInit(this);
    MakeOpenGLNotCurrent();
}

void TZtOpenGL::Repaint()
{
    if (!OnPaint || !context_)
        return;
    if (!MakeOpenGLCurrent())
        return;
    OnPaint(this);
    ReadPicture();
    MakeOpenGLNotCurrent();
}

void TZtOpenGL::ReadPicture()
{
    if (bits_.empty() || !frame_)
        return;
    const int w = std::min(header_.biWidth, frame_->width());
    const int h = std::min(header_.biHeight, frame_->height());
    glFinish();
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // The frame's origin is its bottom-left pixel: its rows come out bottom-up, as the
    // picture keeps them.
    glReadPixels(0, 0, w, h, header_.biBitCount == 32 ? GL_BGRA : GL_BGR, GL_UNSIGNED_BYTE, bits_.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
}

void TZtOpenGL::Draw(QPainter& painter, const QRect& r) const
{
    if (bits_.empty())
        return;
    platform::TBitmap picture;
    CopyTo(&picture);
    const int w = r.width() == 0 ? picture.Width() : r.width();
    const int h = r.height() == 0 ? picture.Height() : r.height();
    painter.drawImage(QPoint(r.left(), r.top()), picture.Image(), QRect(0, 0, w, h));
}

void TZtOpenGL::Draw(platform::TCanvas* canvas, const QRect& r) const
{
    if (!canvas || bits_.empty())
        return;
    platform::TBitmap picture;
    CopyTo(&picture);
    const int w = r.width() == 0 ? picture.Width() : r.width();
    const int h = r.height() == 0 ? picture.Height() : r.height();
    platform::TBitmap part;
    part.SetPixelFormat(platform::pf24bit);
    part.SetSize(w, h);
    part.Canvas()->CopyRect({0, 0, w, h}, picture.Canvas(), {0, 0, w, h});
    canvas->Draw(r.left(), r.top(), &part);
}

void TZtOpenGL::CopyTo(platform::TBitmap* bitmap) const
{
    if (!bitmap)
        return;
    bitmap->SetPixelFormat(platform::pf24bit);
    bitmap->SetSize(header_.biWidth, header_.biHeight);
    if (bits_.empty())
        return;
    const int stride = BytesPerLine(), step = header_.biBitCount / 8;
    for (int y = 0; y < header_.biHeight; ++y) {
        const std::uint8_t* from = bits_.data() + std::size_t(header_.biHeight - 1 - y) * std::size_t(stride);
        std::uint8_t* to = bitmap->ScanLine(y);
        if (!to)
            continue;
        for (int x = 0; x < header_.biWidth; ++x, from += step, to += 3) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
}
