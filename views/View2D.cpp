#include "View2D.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPalette>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "views/Progress.h"
#include "views/ViewHost.h"
#include "data/ObjectSPM.h"
#include "data/Spmdata.h"
#include "data/Surfacedata.h"
#include "platform/core/Memory.h"
#include "platform/core/Messages.h"
#include "platform/core/Parallel.h"
#include "platform/core/Progress.h"
#include "platform/gui/Bitmap.h"
#include "platform/gui/Clipboard.h"
#include "platform/gui/Colors.h"

// =====================================================================================
// Channel copy

namespace {

//! The header, palette and statistics of `source` into `target` (same size), with the
//! values when `values` is set.
void CopyChannelParts(TSPMData& source, TSPMData& target, bool values)
{
    target.Header = source.Header;
    if (values) {
        source.Lock();
        target.Lock();
        if (source.Data && target.Data && source.SampleCount() > 0)
            std::memcpy(target.Data, source.Data,
                        std::size_t(source.SampleCount()) * sizeof(std::int32_t));
        target.Unlock();
        source.Unlock();
    }
    target.HasPalette = source.HasPalette;
    if (source.HasPalette) {
        target.ColourCount = source.ColourCount;
        target.RawPerColour = source.RawPerColour;
        target.Markers =
            source.Markers ? std::make_unique<TPALETTEMARKER>(*source.Markers) : nullptr;
        target.BuildPalette();
    }
    target.Mean = source.Mean;
    target.Ra = source.Ra;
    target.Rq = source.Rq;
    target.Rsk = source.Rsk;
    target.Rku = source.Rku;
}

//! A channel of the source's size and slot, or null when its matrix cannot be had.
std::unique_ptr<TSPMData> NewChannelLike(const TSPMData& source)
{
    auto made =
        std::make_unique<TSPMData>(source.Header.Width, source.Header.Height, source.Channel);
    if (!made->Block && made->SampleCount() > 0)
        return nullptr;
    return made;
}

} // namespace

TSPMData* CopyChannel(TSPMData* source, TSPMData* target)
{
    if (!source || source->SwappedOut)
        return nullptr;
    std::unique_ptr<TSPMData> made;
    if (!target) {
        made = NewChannelLike(*source);
        if (!made)
            return nullptr;
        target = made.get();
    } else if (target->SwappedOut || target->Header.Width != source->Header.Width ||
               target->Header.Height != source->Header.Height) {
        return nullptr;
    }
    CopyChannelParts(*source, *target, true);
    made.release();
    return target;
}

// =====================================================================================
// The view

std::int64_t TView2DForm::MaxZoomedPoints = std::numeric_limits<std::int32_t>::max();

namespace {

//! Views whose destructor is running: while one removes its subwindow, the activation
//! that the MDI area passes on is not acted upon (it may name a view of a step that is
//! being destroyed); it is looked at again from the event loop.
int destroyingViews = 0;

const char* const MemoryErrorText = "Error memory allocate";
const char* const WriteErrorText = "Error write file";

//! Acts on the active child of the area as if it had just been activated.
void ActivateCurrentView(QMdiArea* area)
{
    if (QMdiSubWindow* frame = area->activeSubWindow())
        if (auto* view = qobject_cast<TView2DForm*>(frame->widget()))
            view->FormActivate();
}

//! Fills the picture with an RGB colour except the rectangle (left, top)–(right, bottom),
//! which the channel image covers: the brush filling of the whole picture, written row by
//! row under the canvas's lock.
void FillAround(platform::TBitmap* picture, int left, int top, int right, int bottom,
                platform::TColor rgb)
{
    const std::uint32_t pixel = 0xFF000000u | (std::uint32_t(platform::GetRValue(rgb)) << 16) |
                                (std::uint32_t(platform::GetGValue(rgb)) << 8) |
                                std::uint32_t(platform::GetBValue(rgb));
    const int w = picture->Width();
    const int h = picture->Height();
    const int l = std::clamp(left, 0, w), r = std::clamp(right, l, w);
    platform::TCanvas* c = picture->Canvas();
    c->Lock();
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(picture->ScanLine(y));
        if (!line)
            continue;
        if (y < top || y >= bottom) {
            std::fill(line, line + w, pixel);
        } else {
            std::fill(line, line + l, pixel);
            std::fill(line + r, line + w, pixel);
        }
    }
    c->Unlock();
}

//! The one-pixel outline of the rectangle (x1, y1)–(x2, y2), right and bottom edges
//! exclusive, as the rectangle drawing of the canvas leaves it.
void DrawFrame(platform::TCanvas* c, int x1, int y1, int x2, int y2)
{
    if (x2 - x1 < 2 || y2 - y1 < 2) {
        c->Brush.Style = platform::bsClear;
        c->Rectangle(x1, y1, x2, y2);
        c->Brush.Style = platform::bsSolid;
        return;
    }
    const platform::TPoint outline[] = {
        {x1, y1}, {x2 - 1, y1}, {x2 - 1, y2 - 1}, {x1, y2 - 1}, {x1, y1}};
    c->Polyline(outline);
}

//! A 64-bit fingerprint of a matrix.
std::uint64_t Fingerprint(const std::int32_t* values, std::int64_t count)
{
    std::uint64_t h = 0xcbf29ce484222325ull ^ std::uint64_t(count);
    for (std::int64_t i = 0; i < count; ++i) {
        h ^= std::uint32_t(values[i]);
        h *= 0x100000001b3ull;
        h ^= h >> 29;
    }
    return h;
}

//! The pixel of an RGB32 picture of a palette entry.
std::uint32_t PixelOf(const platform::PaletteEntry& e)
{
    return 0xFF000000u | (std::uint32_t(e.peRed) << 16) | (std::uint32_t(e.peGreen) << 8) |
           e.peBlue;
}

} // namespace

TView2DForm::TView2DForm(TObjectSPM* step, int channel, QMdiArea* area)
    : QWidget(nullptr), step_(step)
{
    setObjectName("View2DForm");
    setFocusPolicy(Qt::StrongFocus);
    ChannelIndex = static_cast<std::int8_t>(channel);
    if (step_) {
        DataSet = step_->SurfaceData.get();
        if (DataSet)
            DataSet->Acquire();
        // Fetched after the acquire: a reload replaces the channel objects.
        ChannelData = DataSet ? DataSet->Channel(channel) : nullptr;
        Settings = &step_->ViewSettings;
        StepFileName = step_->FileName;
    }

    Image = new TZtImage(this);
    Image->setObjectName("Image");
    Image->setFocusPolicy(Qt::NoFocus);
    Image->SetAutoRefresh(true);
    Image->Loaded();

    // A fixed single border with the system menu and the minimise button.
    mdi_ = std::make_unique<TMdiChild>(this, area, [this] { FormActivate(); });
    FormCreate();
}

TView2DForm::~TView2DForm()
{
    ++destroyingViews;
    if (!closed_ && step_)
        step_->ChannelViewClosed(this);
    TearDown();
    if (QMdiArea* area = mdi_->Release())
        QTimer::singleShot(0, area, [area] { ActivateCurrentView(area); });
    --destroyingViews;
}

void TView2DForm::TearDown()
{
    if (tornDown_)
        return;
    tornDown_ = true;
    // The tool first, while everything it may still draw on exists.
    if (OnToolChange) {
        const auto notify = OnToolChange;
        notify(nullptr);
    }
    OnToolChange = nullptr;
    OnOverlayPaint = nullptr;
    ShadedChannel.reset();
    ImagePalette.reset();
    ImageIndexes = {};
    BarIndexes = {};
    RowBuffers.Free();
    if (DataSet)
        DataSet->Release();
    DataSet = nullptr;
    ChannelData = nullptr;
}

void TView2DForm::FormCreate()
{
    ComputeZoomedSize();
    SetClientSize(ZoomedWidth + 120, ZoomedHeight + 60);
    BackgroundColor = Settings ? Settings->Color2D : platform::clWhite;
    Relayout();
}

void TView2DForm::Show()
{
    mdi_->Show();
    setFocus();
}

// -------------------------------------------------------------------------------------
// TStepWindow

void TView2DForm::Refresh()
{
    Relayout();
}

void TView2DForm::Focus()
{
    mdi_->Focus();
    setFocus();
}

void TView2DForm::CloseWindow()
{
    mdi_->Close();
}

void TView2DForm::Detach()
{
    step_ = nullptr;
    Settings = nullptr;
    DataSet = nullptr;
    ChannelData = nullptr;
    ShadedChannel.reset();
}

void TView2DForm::SetCaption(const std::string& caption)
{
    mdi_->SetCaption(caption);
}

void TView2DForm::FormActivate()
{
    if (destroyingViews > 0 || closed_ || !step_)
        return;
    step_->CurrentView = this;
    step_->BuildViewMenu();
}

void TView2DForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Escape)
        CloseWindow();
    else if (key == Qt::Key_C && (modifiers & Qt::ControlModifier))
        SaveImage("");
}

void TView2DForm::keyPressEvent(QKeyEvent* event)
{
    FormKeyDown(event->key(), event->modifiers());
    event->accept();
}

void TView2DForm::closeEvent(QCloseEvent* event)
{
    if (!closed_) {
        closed_ = true;
        if (step_)
            step_->ChannelViewClosed(this);
        TearDown();
        step_ = nullptr;
        Settings = nullptr;
        // Closed on its own while in its subwindow: the subwindow closes (and goes) too.
        mdi_->FormClosed();
    }
    event->accept();
}

void TView2DForm::contextMenuEvent(QContextMenuEvent* event)
{
    if (IViewHost* host = ViewHost())
        host->PopUpViewMenu(event->globalPos());
    event->accept();
}

// -------------------------------------------------------------------------------------
// Layout

TSPMData* TView2DForm::ShownChannel() const
{
    return ShadedChannel ? ShadedChannel.get() : ChannelData;
}

void TView2DForm::ComputeZoomedSize()
{
    const int w = ChannelData ? ChannelData->Header.Width : 0;
    const int h = ChannelData ? ChannelData->Header.Height : 0;
    ZoomedWidth = static_cast<std::int32_t>(ZoomedSize(w, Zoom_));
    ZoomedHeight = static_cast<std::int32_t>(ZoomedSize(h, Zoom_));
}

void TView2DForm::SetClientSize(int width, int height)
{
    clientWidth_ = width;
    clientHeight_ = height;
    setFixedSize(width, height);
    Image->setGeometry(0, 0, width, height);
    if (QMdiSubWindow* frame = Frame())
        frame->adjustSize();
}

void TView2DForm::UpdateCaption()
{
    if (step_)
        mdi_->RenumberCaption(step_->StepNumber);
}

std::int64_t TView2DForm::PictureBytes(int zoom) const
{
    const int w = ChannelData ? ChannelData->Header.Width : 0;
    const int h = ChannelData ? ChannelData->Header.Height : 0;
    // Two pictures of the client area in 32-bit pixels: the view's and the control's canvas.
    const std::int64_t client = (ZoomedSize(w, zoom) + 120) * (ZoomedSize(h, zoom) + 60);
    return ZoomMemoryBytes(w, h, zoom) + 2 * 4 * client;
}

bool TView2DForm::PictureFits(int zoom) const
{
    if (zoom <= 1)
        return true;  // the channel's own size is what the view is made with
    const std::int64_t available = platform::AvailablePhysicalMemory();
    if (available < 0)
        return true;
    // What the view holds now is given back for the new picture.
    const platform::TBitmap* background = Image->Background();
    const std::int64_t held = std::int64_t(ImageIndexes.size()) * 2 +
                              2 * 4 * std::int64_t(background->Width()) * background->Height();
    return PictureBytes(zoom) <= available + held;
}

bool TView2DForm::AllocatePicture()
{
    const std::int64_t points = std::int64_t(ZoomedWidth) * ZoomedHeight;
    if (points > MaxZoomedPoints)
        return false;
    // Beyond the physical memory the kernel would end the program rather than refuse.
    if (ImageIndexes.size() != std::size_t(points) && !PictureFits(Zoom_))
        return false;
    try {
        if (ImageIndexes.size() != std::size_t(points)) {
            zoomValid_ = false;
            ImageIndexes.resize(std::size_t(points));
        }
        // Kept when the size stays: the zoom held there may be drawn again.
    } catch (const std::bad_alloc&) {
        ImageIndexes = {};
        return false;
    }
    platform::TBitmap* background = Image->Background();
    background->SetSize(ClientWidth(), ClientHeight());
    if (background->Width() != ClientWidth() || background->Height() != ClientHeight()) {
        ImageIndexes = {};
        return false;
    }
    return true;
}

void TView2DForm::FallBackToZoom1()
{
    zoomValid_ = false;
    if (Zoom_ != 1)
        SetZoom(1);
    DocumentHost().ShowZoomIndex(0);
}

void TView2DForm::Relayout()
{
    if (rendering_) {
        relayoutPending_ = true; // drawn once the running zoom has ended
        return;
    }
    // 1. The step's data set and the slot's channel object, fetched anew.
    if (step_) {
        TSurfaceData* current = step_->SurfaceData.get();
        if (current != DataSet) {
            // The step holds another set now (the old one has gone with it).
            if (current)
                current->Acquire();
            DataSet = current;
        }
        TSPMData* channel = DataSet ? DataSet->Channel(ChannelIndex) : nullptr;
        if (channel != ChannelData)
            zoomValid_ = false;
        ChannelData = channel;
    }
    // 2. Caption.
    UpdateCaption();
    // 3. and 4. The picture for the current zoom (and for the channel's size, should it
    // have changed); the palette is taken again when the image is rendered.
    ImagePalette.reset();
    const std::int32_t oldWidth = ZoomedWidth, oldHeight = ZoomedHeight;
    ComputeZoomedSize();
    if (ZoomedWidth != oldWidth || ZoomedHeight != oldHeight)
        SetClientSize(ZoomedWidth + 120, ZoomedHeight + 60);
    if (!AllocatePicture()) {
        platform::ShowError(MemoryErrorText);
        if (Zoom_ != 1)
            FallBackToZoom1();
        return;
    }
    // 5. Geometry.
    ImageLeft = 50;
    ImageTop = 30;
    ImageRight = ClientWidth() - 70;
    ImageBottom = ClientHeight() - 30;
    BarLeft = ClientWidth() - 55;
    BarRight = ClientWidth() - 40;
    const int w = ChannelData ? ChannelData->Header.Width : 0;
    const int h = ChannelData ? ChannelData->Header.Height : 0;
    PixelsPerPointX = w > 0 ? double(ImageRight - ImageLeft) / w : 1;
    PixelsPerPointY = h > 0 ? double(ImageBottom - ImageTop) / h : 1;
    // 6. Image, bar, picture.
    if (!RenderImageChecked())
        return;
    Compose();
    if (relayoutPending_) {
        relayoutPending_ = false;
        Relayout();
    }
}

void TView2DForm::RenderImage()
{
    if (rendering_) {
        relayoutPending_ = true;
        return;
    }
    if (ImageIndexes.size() != std::size_t(std::int64_t(ZoomedWidth) * ZoomedHeight)) {
        Relayout(); // the picture does not fit the channel: lay out anew
        return;
    }
    RenderImageChecked();
}

bool TView2DForm::RenderImageChecked()
{
    TSPMData* channel = ChannelData;
    if (!channel || channel->SwappedOut) {
        zoomValid_ = false;
        ShadedChannel.reset();
        std::fill(ImageIndexes.begin(), ImageIndexes.end(), std::uint16_t(0));
        ImagePalette.reset();
        DrawPaletteBar();
        return true;
    }
    // 1. to 3. The channel, and the shading state.
    channel->Lock();
    if (Settings && Settings->LightOn)
        ComputeShading();
    else
        ShadedChannel.reset();
    TSPMData* shown = ShownChannel();
    shown->Lock();
    const std::int32_t* values = shown->Data;
    const int w = shown->Header.Width;
    const int h = shown->Header.Height;
    const std::int64_t count = std::int64_t(w) * h;
    bool cancelled = false;
    bool noMemory = false;
    if (!values || count <= 0 ||
        ImageIndexes.size() != std::size_t(std::int64_t(ZoomedWidth) * ZoomedHeight)) {
        zoomValid_ = false;
        std::fill(ImageIndexes.begin(), ImageIndexes.end(), std::uint16_t(0));
    } else if (Zoom_ == 1) {
        // 4. Zoom 1: one index per point.
        zoomValid_ = false;
        ComputeIndexes(values, count, shown->Header.Min, shown->RawPerColour, shown->ColourCount,
                       ImageIndexes.data());
    } else {
        // 5. Zoom 2, 4 or 8 behind the progress dialog, unless the indexes already hold the
        // zoom of these very values (only the palette's colours changed).
        TZoomKey key;
        key.Channel = channel;
        key.Zoom = Zoom_;
        key.Width = w;
        key.Height = h;
        key.Min = shown->Header.Min;
        key.ColourCount = shown->ColourCount;
        key.RawPerColour = shown->RawPerColour;
        key.Hash = Fingerprint(values, count) ^ (ShadedChannel ? 0x5bd1e995u : 0u);
        if (!(zoomValid_ && key == zoomKey_)) {
            zoomValid_ = false;
            if (!RowBuffers.Allocate(ZoomedWidth, ZoomWorkRows(h, Zoom_))) {
                noMemory = true;
            } else {
                zoomValues_ = values;
                zoomChannel_ = shown;
                zoomCompleted_ = false;
                int result = QDialog::Rejected;
                {
                    TProgressForm dialog(this);
                    ProgressDialog = &dialog;
                    dialog.SetWork(&TView2DForm::ZoomWorker, this);
                    rendering_ = true;
                    result = dialog.exec(); // no worker is left when it returns
                    rendering_ = false;
                    ProgressDialog = nullptr;
                }
                RowBuffers.Free();
                zoomValues_ = nullptr;
                zoomChannel_ = nullptr;
                cancelled = result != QDialog::Accepted || !zoomCompleted_;
                if (!cancelled) {
                    zoomKey_ = key;
                    zoomValid_ = true;
                }
            }
        }
    }
    shown->Unlock();
    channel->Unlock();
    ImagePalette = shown->Palette;
    DrawPaletteBar();
    if (noMemory) {
        platform::ShowError(MemoryErrorText);
        FallBackToZoom1();
        return false;
    }
    if (cancelled) {
        // 7. The user confirmed the abort: zoom 1, with the main window's controls at 100%.
        relayoutPending_ = false;
        FallBackToZoom1();
        return false;
    }
    return true;
}

void TView2DForm::ZoomWorker(TProgressThread* thread)
{
    const TSPMData* shown = zoomChannel_;
    zoomCompleted_ = ZoomIndexesInBands(
        zoomValues_, shown->Header.Width, shown->Header.Height, Zoom_, shown->Header.Min,
        shown->RawPerColour, shown->ColourCount, RowBuffers, ImageIndexes.data(), *thread, 0);
}

void TView2DForm::ComputeShading()
{
    TSPMData* source = ChannelData;
    if (!source || source->SwappedOut) {
        ShadedChannel.reset();
        return;
    }
    if (!ShadedChannel || ShadedChannel->Header.Width != source->Header.Width ||
        ShadedChannel->Header.Height != source->Header.Height) {
        ShadedChannel = NewChannelLike(*source);
        if (!ShadedChannel)
            return; // no memory for the angles: the heights are shown
    }
    TSPMData& shaded = *ShadedChannel;
    // The channel's header, palette and statistics as they are now; the values follow.
    CopyChannelParts(*source, shaded, false);
    const TLightDirection light =
        LightDirection(Settings ? Settings->AngleAlfa : 30, Settings ? Settings->AngleFi : 0);
    source->Lock();
    shaded.Lock();
    if (source->Data && shaded.Data)
        ShadeMatrix(source->Data, source->Header.Width, source->Header.Height, source->Header.XStep,
                    source->Header.YStep, source->Header.ZScale, light, shaded.Data);
    shaded.Unlock();
    source->Unlock();
    shaded.ComputeRange();
    if (shaded.HasPalette) {
        shaded.RescalePalette();
        shaded.BuildPalette();
    } else {
        shaded.DefaultPalette();
    }
}

void TView2DForm::DrawPaletteBar()
{
    const TSPMData* shown = ShownChannel();
    const int colours = shown ? shown->ColourCount : 0;
    const int rows = PaletteBarRows(colours);
    BarIndexes.resize(std::size_t(rows));
    for (int y = 0; y < rows; ++y)
        BarIndexes[std::size_t(y)] = static_cast<std::uint16_t>(PaletteBarColour(colours, rows, y));
}

// -------------------------------------------------------------------------------------
// Compose

void TView2DForm::Compose()
{
    if (Image->Background()->Empty())
        return;
    platform::TCanvas* c = Image->Background()->Canvas();
    Image->BeginUpdate();
    // 1. to 3.
    DrawPicture();
    // 4. and 5.
    DrawAxes(c);
    if (OnOverlayPaint)
        OnOverlayPaint(this);
    Image->EndUpdate();
}

void TView2DForm::DrawPicture()
{
    platform::TBitmap* background = Image->Background();
    if (background->Empty())
        return;
    platform::TCanvas* c = background->Canvas();
    Image->BeginUpdate();

    // 1. The form's colour, and the background around the channel image (the image
    // covers the rest).
    const platform::TColor formColour = Settings ? Settings->Color2D : BackgroundColor;
    if (palette().color(QPalette::Window) != platform::ToQColor(formColour)) {
        QPalette pal = palette();
        pal.setColor(QPalette::Window, platform::ToQColor(formColour));
        setPalette(pal);
    }
    c->Pen = platform::TPen{};
    c->Brush.Color = BackgroundColor;
    c->Brush.Style = platform::bsSolid;
    // 2. One-pixel frames around the image and the bar: the outlines of the rectangles
    // (their insides are drawn over by the image and the bar). 3. The channel image at its
    // natural size and the bar stretched to the image height. With the layout as Relayout
    // makes it the frames lie apart from the image and the bar, and the background, the
    // image and the bar are written in one pass before the frames.
    const bool apart = ImageRight - ImageLeft == ZoomedWidth &&
                       ImageBottom - ImageTop == ZoomedHeight && BarLeft - 1 > ImageRight &&
                       BarRight >= BarLeft;
    if (apart) {
        PaintPicture(c, true);
        DrawFrame(c, ImageLeft - 1, ImageTop - 1, ImageRight + 1, ImageBottom + 1);
        DrawFrame(c, BarLeft - 1, ImageTop - 1, BarRight + 1, ImageBottom + 1);
    } else {
        FillAround(background, ImageLeft, ImageTop, ImageRight, ImageBottom,
                   c->Resolve(BackgroundColor));
        DrawFrame(c, ImageLeft - 1, ImageTop - 1, ImageRight + 1, ImageBottom + 1);
        DrawFrame(c, BarLeft - 1, ImageTop - 1, BarRight + 1, ImageBottom + 1);
        PaintPicture(c, false);
    }
    Image->EndUpdate();
}

void TView2DForm::TakePaletteColours()
{
    // Every index names an entry of the palette; entries the palette lacks are black.
    constexpr std::size_t entries = 0x10000;
    if (paletteColours_.size() != entries) {
        paletteColours_.assign(entries, 0xFF000000u);
        colouredEntries_ = 0;
    }
    std::size_t n = 0;
    if (ImagePalette) {
        const auto& palette = ImagePalette->Entries();
        n = std::min(palette.size(), entries);
        for (std::size_t i = 0; i < n; ++i)
            paletteColours_[i] = PixelOf(palette[i]);
    }
    if (colouredEntries_ > n)
        std::fill(paletteColours_.begin() + std::ptrdiff_t(n),
                  paletteColours_.begin() + std::ptrdiff_t(colouredEntries_), 0xFF000000u);
    colouredEntries_ = n;
}

void TView2DForm::PaintPicture(platform::TCanvas* c, bool background)
{
    platform::TBitmap* picture = c->Bitmap();
    if (picture->Empty() || picture->Image().depth() != 32)
        return;
    TakePaletteColours();
    const std::uint32_t* colours = paletteColours_.data();
    const int cw = picture->Width();
    const int ch = picture->Height();
    const int zw = ZoomedWidth;
    const int zh = ZoomedHeight;
    const bool haveImage = ImageIndexes.size() == std::size_t(std::int64_t(zw) * zh);
    const platform::TColor rgb = c->Resolve(BackgroundColor);
    const std::uint32_t fill =
        PixelOf({std::uint8_t(platform::GetRValue(rgb)), std::uint8_t(platform::GetGValue(rgb)),
                 std::uint8_t(platform::GetBValue(rgb)), 0});
    const int x0 = std::max(ImageLeft, 0);
    const int x1 = std::min(ImageLeft + zw, cw);
    const int bx0 = std::max(BarLeft, 0);
    const int bx1 = std::min(BarRight, cw);
    // The background around the image, as FillAround leaves it.
    const int l = std::clamp(ImageLeft, 0, cw), r = std::clamp(ImageRight, l, cw);
    const int rows = static_cast<int>(BarIndexes.size());
    const std::uint16_t* image = ImageIndexes.data();
    const std::uint16_t* bar = BarIndexes.data();

    c->Lock();
    std::uint8_t* bits = picture->ScanLine(0); // the rows' addresses, taken on this thread
    const std::ptrdiff_t stride = picture->Image().bytesPerLine();
    auto paintRow = [&](int py) {
        auto* line = reinterpret_cast<std::uint32_t*>(bits + std::ptrdiff_t(py) * stride);
        if (background) {
            if (py < ImageTop || py >= ImageBottom) {
                std::fill(line, line + cw, fill);
            } else {
                std::fill(line, line + l, fill);
                std::fill(line + r, line + cw, fill);
            }
        }
        const int y = py - ImageTop;
        if (y < 0 || y >= zh)
            return;
        if (haveImage) {
            const std::uint16_t* src = image + std::size_t(y) * std::size_t(zw);
            int x = x0;
#if defined(__SSE2__)
            // Written past the caches: the picture is far larger than they are.
            for (; x < x1 && (reinterpret_cast<std::uintptr_t>(line + x) & 15) != 0; ++x)
                line[x] = colours[src[x - ImageLeft]];
            for (; x + 4 <= x1; x += 4) {
                const std::uint16_t* q = src + (x - ImageLeft);
                _mm_stream_si128(reinterpret_cast<__m128i*>(line + x),
                                 _mm_setr_epi32(int(colours[q[0]]), int(colours[q[1]]),
                                                int(colours[q[2]]), int(colours[q[3]])));
            }
#endif
            for (; x < x1; ++x)
                line[x] = colours[src[x - ImageLeft]];
        } else {
            for (int x = x0; x < x1; ++x)
                line[x] = fill;
        }
        const std::uint32_t barColour =
            rows > 0 ? colours[bar[std::size_t(std::int64_t(y) * rows / zh)]] : fill;
        for (int x = bx0; x < bx1; ++x)
            line[x] = barColour;
    };
    // Every row of the picture with its background, else the image's rows.
    const int first = background ? 0 : std::max(ImageTop, 0);
    const int last = background ? ch : std::min<std::int64_t>(std::int64_t(ImageTop) + zh, ch);
    constexpr int band = 64;
    const int bands = last > first ? (last - first + band - 1) / band : 0;
    platform::ParallelBands(
        std::size_t(bands),
        [&](std::size_t b) {
            const int from = first + int(b) * band;
            const int to = std::min(last, from + band);
            for (int py = from; py < to; ++py)
                paintRow(py);
            StreamFence();
        },
        ThreadsFor(std::int64_t(last - first) * cw, 0));
    c->Unlock();
}

void TView2DForm::DrawAxes(platform::TCanvas* c)
{
    const TSPMData* shown = ShownChannel();
    if (!shown || !c)
        return;
    const TChannelHeader& hd = shown->Header;
    TAxesInput in;
    in.ImageLeft = ImageLeft;
    in.ImageTop = ImageTop;
    in.ImageRight = ImageRight;
    in.ImageBottom = ImageBottom;
    in.BarRight = BarRight;
    in.Width = hd.Width;
    in.Height = hd.Height;
    in.XStep = hd.XStep;
    in.YStep = hd.YStep;
    in.ZScale = hd.ZScale;
    in.Min = hd.Min;
    in.Max = hd.Max;
    in.ZUnit = FieldText(hd.ZUnit, sizeof hd.ZUnit);
    c->Pen = platform::TPen{};
    c->Font.Name = "Arial";
    c->Font.Color = platform::clBlack;
    for (const TAxisItem& item : LayoutAxes(in)) {
        if (item.IsText) {
            c->Font.SetSize(item.Size);
            c->Font.Style = item.Bold ? platform::fsBold : 0;
            c->TextOut(item.X1, item.Y1, item.Text);
        } else {
            c->MoveTo(item.X1, item.Y1);
            c->LineTo(item.X2, item.Y2);
        }
    }
    c->Font.Style = 0;
}

// -------------------------------------------------------------------------------------
// Zoom, picture and tools

void TView2DForm::SetZoom(int zoom)
{
    if (zoom != 1 && zoom != 2 && zoom != 4 && zoom != 8)
        return;
    if (zoom == Zoom_ || rendering_)
        return;
    if (!PictureFits(zoom)) {
        // The view keeps its zoom; the main window's controls show it again.
        platform::ShowError(MemoryErrorText);
        return;
    }
    Zoom_ = zoom;
    ComputeZoomedSize();
    SetClientSize(ZoomedWidth + 120, ZoomedHeight + 60);
    Relayout();
}

void TView2DForm::SaveImage(const std::string& fileName)
{
    const platform::TBitmap* background = Image->Background();
    if (fileName.empty()) {
        platform::CopyToClipboard(*background);
        return;
    }
    if (!background->SaveToFile(fileName))
        platform::ShowError(WriteErrorText);
}

void TView2DForm::NotifyToolChange(QWidget* window)
{
    if (OnToolChange) {
        const auto notify = OnToolChange;
        notify(window);
    }
}

platform::TCanvas* TView2DForm::ImageCanvas() const
{
    return Image->Background()->Canvas();
}

TStepWindow* NewChannelView(TObjectSPM* step, int channel, QMdiArea* area)
{
    auto* view = new TView2DForm(step, channel, area);
    view->Show();
    return view;
}
