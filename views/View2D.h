#pragma once
// The 2-D view: the MDI child window that shows one channel of one processing step as a
// palette image framed by X and Y axes in micrometres, with a palette bar and its Z scale.
// It zooms 2, 4 or 8 times by midpoint subdivision (computed behind the progress dialog),
// shows shading instead of heights while the step's light is on, saves or copies its
// picture, and lends its image, canvas and point-to-pixel mapping to one tool at a time.
//
// The picture keeps palette indexes, not colours: the channel image is an index per pixel
// that is mapped through the channel's palette whenever the view composes, so a change of
// the palette's colours needs only a redraw.
//
// Shading never touches the data set: the angles live in a channel object of the view's
// own (ShownChannel), so saving, copying the step and every other reader keep reading the
// heights, and turning the light off has nothing to put back.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "views/SavableWindow.h"
#include "views/MdiChild.h"
#include "processing/View2DMath.h"
#include "components/ZtImage.h"
#include "data/DocumentHost.h"
#include "platform/core/LogicalPalette.h"
#include "platform/gui/Canvas.h"

class QMdiArea;
class QMdiSubWindow;
class TObjectSPM;
class TProgressForm;
class TProgressThread;
class TSPMData;
class TSurfaceData;
struct TViewSettings;

class TView2DForm : public QWidget, public TStepWindow, public TSavableWindow {
    Q_OBJECT
public:
    //! The view of channel slot `channel` of the step: acquires the step's data set (held
    //! until the view closes or is destroyed), lays out and draws. With an MDI area the view
    //! lives in a subwindow of it (Show() shows it); without one it is a plain hidden widget.
    TView2DForm(TObjectSPM* step, int channel, QMdiArea* area = nullptr);
    //! Tells the tool holding the view first, then releases everything; the subwindow goes
    //! with the view.
    ~TView2DForm() override;

    //! Shows the view (its subwindow) and activates it.
    void Show();

    // TStepWindow.
    //! Lays out and draws anew from the step's data (Relayout).
    void Refresh() override;
    void Focus() override;
    void CloseWindow() override;
    //! Forgets the step: the view then touches neither the step nor its data set.
    void Detach() override;
    //! The window title (UTF-8).
    void SetCaption(const std::string& caption) override;
    int Channel() const override { return ChannelIndex; }
    int Zoom() const override { return Zoom_; }
    //! Accepts 1, 2, 4 or 8; any other value or the current zoom changes nothing. Zoom 2 to
    //! 8 is computed behind the progress dialog; a cancelled zoom, or one whose buffers
    //! cannot be had (reported), falls back to zoom 1.
    void SetZoom(int zoom) override;

    // TSavableWindow.
    void SavePicture(const std::string& path) override { SaveImage(path); }

    // Drawing.
    //! Lays the view out for the current data and draws everything anew.
    void Relayout();
    //! Fills the channel image (palette indexes) from the channel, with shading and zoom.
    void RenderImage();
    //! Fills the palette bar (palette indexes, one per bar row).
    void DrawPaletteBar();
    //! Paints the view image: background, frames, channel image, palette bar, axes, and
    //! then the overlay of the tool holding the view.
    void Compose();
    //! The first steps of Compose: background, frames, channel image and palette bar, in
    //! one update bracket of Image (no axes, no overlay).
    void DrawPicture();
    //! The axes, their labels and the captions.
    void DrawAxes(platform::TCanvas* canvas);
    //! Fills ShownChannel with the shading angles of the channel (tenths of a degree) and
    //! gives it a range and a palette spanning them; the channel itself is not changed.
    void ComputeShading();
    //! A non-empty name writes the composed picture (axes, bar and any tool overlay) as a
    //! BMP file; an empty name puts it on the clipboard. A failed write is reported.
    void SaveImage(const std::string& fileName);

    // Hooks of the tools that draw on the view.
    //! Tells the tool holding the view that `window` takes it over (OnToolChange).
    void NotifyToolChange(QWidget* window);
    //! The canvas of the composed picture: tools draw their overlays here in inverting
    //! mode, set the pen mode back to copy and call Image->Display().
    platform::TCanvas* ImageCanvas() const;

    // Channels.
    //! The channel with its heights: always the data set's channel (shading never
    //! replaces them). Null when the slot is empty or the view is detached.
    TSPMData* UnshadedChannel() const { return ChannelData; }
    //! The channel as the view draws it: the view's own shading channel while shading,
    //! else the data set's channel.
    TSPMData* ShownChannel() const;
    //! True while the view shows shading.
    bool Shading() const { return ShadedChannel != nullptr; }

    //! The subwindow that holds the view, null without an MDI area.
    QMdiSubWindow* Frame() const { return mdi_ ? mdi_->Frame() : nullptr; }
    //! The step, null once detached.
    TObjectSPM* Step() const { return step_; }

    //! The largest zoomed picture, in points, that the view allocates; a zoom beyond it is
    //! refused like one whose memory cannot be had.
    static std::int64_t MaxZoomedPoints;

    // Handlers (the form's events).
    //! The view became the active child: it is the step's current view and the step builds
    //! the main window's view menu.
    void FormActivate();
    //! Esc closes the view; Ctrl+C (other shift keys ignored) copies the picture.
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);

    // Fields.
    TZtImage* Image; //!< everything the view shows is drawn into its Background
    //! Called with the view at the end of every compose so that the tool holding the view
    //! draws its overlay again; empty when no tool holds the view.
    std::function<void(TView2DForm* Sender)> OnOverlayPaint;
    //! Called with the window that takes the view over, and with null when the view goes;
    //! empty when no tool holds the view.
    std::function<void(QWidget* window)> OnToolChange;
    //! The progress dialog while a zoom is computed, else null.
    TProgressForm* ProgressDialog = nullptr;
    //! The rings of zoomed rows that the zoom is refined in (ZoomIndexesInBands, a ring per
    //! worker) while a zoom is computed; empty otherwise.
    TValueGrid RowBuffers;
    //! The step's view settings (not owned); null once detached.
    TViewSettings* Settings = nullptr;
    //! The channel image: one palette index per pixel, ZoomedWidth × ZoomedHeight, row-major.
    std::vector<std::uint16_t> ImageIndexes;
    //! The palette bar: one palette index per bar row, top row first (15 pixels wide).
    std::vector<std::uint16_t> BarIndexes;
    //! The palette that the image and the bar name (shared with the channel, never owned
    //! alone); null while detached from it.
    platform::HPALETTE ImagePalette;
    //! One data-set reference held by the view; null once released or detached.
    TSurfaceData* DataSet = nullptr;
    //! The shown slot's channel object of DataSet (not owned).
    TSPMData* ChannelData = nullptr;
    //! The shading angles with their range and palette (owned); present exactly while
    //! the view shows shading.
    std::unique_ptr<TSPMData> ShadedChannel;
    std::int32_t ZoomedHeight = 0; //!< (Height − 1) × Zoom + 1 of the channel
    std::int32_t ZoomedWidth = 0;  //!< (Width − 1) × Zoom + 1 of the channel
    std::string StepFileName;
    std::int32_t ImageLeft = 50;
    std::int32_t ImageTop = 30;
    std::int32_t ImageRight = 0;
    std::int32_t ImageBottom = 0;
    std::int32_t BarLeft = 0;
    std::int32_t BarRight = 0;
    double PixelsPerPointX = 1;
    double PixelsPerPointY = 1;
    platform::TColor BackgroundColor = platform::clWhite;
    std::int8_t ChannelIndex = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void FormCreate();
    //! Tool told, shading dropped, palette detached, buffers freed, data set released; once.
    void TearDown();
    void ComputeZoomedSize();
    void SetClientSize(int width, int height);
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    void UpdateCaption();
    //! Makes room for the picture of the current zoom; false (nothing reported) when the
    //! memory cannot be had.
    bool AllocatePicture();
    //! The memory, in bytes, that the picture at `zoom` holds: its palette indexes, the
    //! working rows of its building, the view's picture and the image control's canvas.
    std::int64_t PictureBytes(int zoom) const;
    //! True when the picture at `zoom` fits in the physical memory that is available, what
    //! the view holds now being given back for it; always at zoom 1.
    bool PictureFits(int zoom) const;
    //! The zoom could not be shown: back to zoom 1 with the main window's controls at 100%.
    void FallBackToZoom1();
    //! Renders; false when the layout was replaced meanwhile (a fall-back to zoom 1).
    bool RenderImageChecked();
    void ZoomWorker(TProgressThread* thread);
    //! The pixel of every palette entry in paletteColours_ (black beyond the palette).
    void TakePaletteColours();
    //! The channel image and the bar in their colours; with `background` also every other
    //! pixel of the picture in the background colour, in the same pass.
    void PaintPicture(platform::TCanvas* canvas, bool background);

    TObjectSPM* step_ = nullptr;
    std::unique_ptr<TMdiChild> mdi_; //!< the subwindow in the main window's MDI area
    std::int32_t Zoom_ = 1;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    bool tornDown_ = false;
    bool closed_ = false;
    bool rendering_ = false;       // a zoom runs behind the progress dialog
    bool relayoutPending_ = false; // a layout asked for while the zoom ran
    //! What the zoomed indexes were computed from, so that a mere palette change at zoom
    //! 2 to 8 redraws without computing the zoom again.
    struct TZoomKey {
        const void* Channel = nullptr;
        std::int32_t Zoom = 0, Width = 0, Height = 0, Min = 0, ColourCount = 0;
        double RawPerColour = 0;
        std::uint64_t Hash = 0;
        bool operator==(const TZoomKey&) const = default;
    };
    TZoomKey zoomKey_;
    bool zoomValid_ = false;
    //! The pixels of the palette's entries, all 65536 indexes (kept from one compose to the
    //! next); entries colouredEntries_ and on are black.
    std::vector<std::uint32_t> paletteColours_;
    std::size_t colouredEntries_ = 0;
    // The zoom worker's input, set while the dialog runs.
    const std::int32_t* zoomValues_ = nullptr;
    const TSPMData* zoomChannel_ = nullptr;
    bool zoomCompleted_ = false;
};

//! Creates the 2-D view of a channel of the step in the MDI area, shows and activates it.
TStepWindow* NewChannelView(TObjectSPM* step, int channel, QMdiArea* area);

//! Copies a channel into an existing target of the same size, or into a new channel of the
//! source's width, height and slot when the target is null (the caller then owns it):
//! header, values, the palette's colour count, step and markers (and a palette built from
//! them), and the statistics. The target, or null when the source is null, swapped out, or
//! the target's size differs.
TSPMData* CopyChannel(TSPMData* source, TSPMData* target);
