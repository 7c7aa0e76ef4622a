#pragma once
// An image that composes every picture in a private 24-bit display buffer: Background
// placed as BackDrawMode says, then whatever OnDrawBuffer draws over it, and only then
// copies the buffer to the screen.

#include <cstdint>
#include <functional>
#include <memory>

#include "components/ZtImage.h"

//! How Background is placed in the display buffer.
enum TZtBackDrawMode : std::uint8_t {
    bdmSimple = 0,
    bdmCentered = 1,
    bdmTiled = 2,
    bdmStretched = 3
};

class TZtBufferedImage : public TZtImage {
    Q_OBJECT
public:
    explicit TZtBufferedImage(QWidget* owner = nullptr);
    ~TZtBufferedImage() override;

    //! Draws over the prepared buffer; ACanvas is the buffer's canvas.
    std::function<void(QObject* Sender, platform::TCanvas* ACanvas)> OnDrawBuffer;

    TZtBackDrawMode BackDrawMode() const { return backDrawMode_; }
    //! A different mode repaints later.
    void SetBackDrawMode(TZtBackDrawMode value);
    bool BackgroundBuffering() const { return backgroundBuffering_; }
    //! Reuse the last stretched picture while the buffer keeps its size; switching it off
    //! drops that picture.
    void SetBackgroundBuffering(bool value);

    //! Builds the picture in Bitmap: its size (Background's in bdmSimple, the control's
    //! otherwise), filled with Color, Background placed by the mode.
    virtual void PrepareDisplayedBitmap(platform::TBitmap* Bitmap);
    //! Scales Source over the whole of Dest by bilinear interpolation; false when that is
    //! not possible (and for a source one pixel wide or high).
    bool DoScaleBitmap(platform::TBitmap* Source, platform::TBitmap* Dest);

protected:
    void Paint() override;
    //! The composed picture copied to the screen.
    platform::TBitmap* DisplayBuffer() const { return buffer_.get(); }
    //! Draw the design-time frame (no effect at run time); derived frames clear it.
    bool ShowDesignFrame = true;

private:
    std::unique_ptr<platform::TBitmap> buffer_;
    TZtBackDrawMode backDrawMode_ = bdmSimple;
    platform::TRect cachedRect_;
    std::unique_ptr<platform::TBitmap> cache_;
    bool backgroundBuffering_ = false;
};
