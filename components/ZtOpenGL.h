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

class TZtOpenGL : public QObject, public TOpenGLComponentBase {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TZtOpenGL* Sender)>;
    using TPFDFlags = ztopengl::TPFDFlags;

    explicit TZtOpenGL(QObject* owner = nullptr);
    ~TZtOpenGL() override;

    //! Extra pixel-format flags; the other properties are the panel's.
    TPFDFlags PFDFlags;
    TNotifyEvent OnPaint, OnInit;

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
    //! Makes the context current, drawing into the picture; false (reported) without one.
    bool MakeOpenGLCurrent();
    void MakeOpenGLNotCurrent();
    bool PanelShareLists(TZtOpenGL* other);
    bool HasContext() const { return context_ != nullptr; }
    QOpenGLContext* Context() const { return context_.get(); }
    const PIXELFORMATDESCRIPTOR& Descriptor() const { return descriptor_; }

    // The picture.
    const TPictureHeader& PictureHeader() const { return header_; }
    //! The pixel rows, bottom row first; null without a picture.
    const std::uint8_t* PictureBits() const { return bits_.empty() ? nullptr : bits_.data(); }
    int BytesPerLine() const;
    //! How many pictures exist (0 or 1).
    int PictureCount() const { return bits_.empty() ? 0 : 1; }

private:
    void ReadPicture();

    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOpenGLFramebufferObject> frame_;
    PIXELFORMATDESCRIPTOR descriptor_;
    TPictureHeader header_;
    std::vector<std::uint8_t> bits_;
};
