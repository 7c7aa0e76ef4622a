#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "app/AppFixture.h"
#include "views/Progress.h"
#include "views/View2D.h"
#include "data/DataFixtures.h"
#include "data/Fileformat.h"
#include "data/ObjectFile.h"
#include "data/ObjectSPM.h"
#include "platform/core/Memory.h"
#include "platform/core/Progress.h"
#include "platform/gui/Bitmap.h"

using appfixture::MainWindowTest;
using namespace datafixtures;

namespace {

// The RGB colour of a palette entry of a channel.
platform::TColor EntryColour(const TSPMData& ch, int index)
{
    const platform::PaletteEntry e = ch.Palette->Entry(index);
    return platform::RGB(e.peRed, e.peGreen, e.peBlue);
}

platform::TColor PixelAt(TView2DForm& view, int x, int y)
{
    return view.ImageCanvas()->Pixels(x, y);
}

void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TView2DForm* ViewOf(TObjectSPM& step, int channel)
{
    return dynamic_cast<TView2DForm*>(step.Views[std::size_t(channel)]);
}

std::vector<std::int32_t> MarkerPositions(const TSPMData& ch)
{
    std::vector<std::int32_t> out;
    for (int i = 0; i < ch.Markers->GetCount(); ++i) {
        std::int32_t p, r, g, b;
        ch.Markers->Get(i, p, r, g, b);
        out.insert(out.end(), {p, r, g, b});
    }
    return out;
}

// Everything of a channel that shading must leave as it was.
struct ChannelState {
    std::vector<std::int32_t> values;
    std::int32_t min, max, colourCount;
    double rawPerColour;
    std::vector<std::int32_t> markers;
    std::vector<platform::PaletteEntry> palette;
    double mean, ra, rq, rsk, rku;

    explicit ChannelState(TSPMData& ch)
        : values(Values(ch)), min(ch.Header.Min), max(ch.Header.Max), colourCount(ch.ColourCount),
          rawPerColour(ch.RawPerColour), markers(MarkerPositions(ch)),
          palette(ch.Palette->Entries()), mean(ch.Mean), ra(ch.Ra), rq(ch.Rq), rsk(ch.Rsk),
          rku(ch.Rku)
    {
    }
    void ExpectSame(TSPMData& ch) const
    {
        EXPECT_EQ(Values(ch), values);
        EXPECT_EQ(ch.Header.Min, min);
        EXPECT_EQ(ch.Header.Max, max);
        EXPECT_EQ(ch.ColourCount, colourCount);
        EXPECT_EQ(ch.RawPerColour, rawPerColour);
        EXPECT_EQ(MarkerPositions(ch), markers);
        ASSERT_EQ(ch.Palette->Entries().size(), palette.size());
        for (std::size_t i = 0; i < palette.size(); ++i) {
            const auto& a = ch.Palette->Entries()[i];
            EXPECT_TRUE(a.peRed == palette[i].peRed && a.peGreen == palette[i].peGreen &&
                        a.peBlue == palette[i].peBlue)
                << "entry " << i;
        }
        EXPECT_EQ(ch.Mean, mean);
        EXPECT_EQ(ch.Ra, ra);
        EXPECT_EQ(ch.Rq, rq);
        EXPECT_EQ(ch.Rsk, rsk);
        EXPECT_EQ(ch.Rku, rku);
    }
};

} // namespace

TEST(CopyChannel, CopiesHeaderValuesPaletteMarkersAndStatistics)
{
    auto data = SmallSet();
    TSPMData& source = *data->Channels[0];
    source.Markers->Add(100, 10, 20, 30);
    source.BuildPalette();
    std::unique_ptr<TSPMData> copy(CopyChannel(&source, nullptr));
    ASSERT_TRUE(copy);
    EXPECT_EQ(std::memcmp(&copy->Header, &source.Header, sizeof source.Header), 0);
    ChannelState(source).ExpectSame(*copy);
    EXPECT_EQ(copy->Channel, source.Channel);

    // Into an existing channel of the same size; refused for another size and for none.
    TSPMData same(8, 6, 0);
    EXPECT_EQ(CopyChannel(&source, &same), &same);
    EXPECT_EQ(Values(same), Values(source));
    TSPMData other(5, 3, 20);
    EXPECT_EQ(CopyChannel(&source, &other), nullptr);
    EXPECT_EQ(CopyChannel(nullptr, &same), nullptr);
}

// ======================================================================================
// The view

namespace {

class View2DTest : public MainWindowTest {
protected:
    static std::unique_ptr<TObjectSPM> MakeStep(std::unique_ptr<TSurfaceData> data)
    {
        return std::make_unique<TObjectSPM>(nullptr, std::move(data));
    }
    // A set of one w × h channel 0 with values from `fill`.
    static std::unique_ptr<TSurfaceData> OneChannel(int w, int h, const Fill& fill)
    {
        auto data = std::make_unique<TSurfaceData>("src.spm");
        data->Header.FormatVersion = 1;
        data->Header.Width = static_cast<std::uint16_t>(w);
        data->Header.Height = static_cast<std::uint16_t>(h);
        AddChannel(*data, 0, w, h, fill);
        return data;
    }
    QMdiSubWindow* ActiveFrame() const { return main->MdiArea->activeSubWindow(); }
};

} // namespace

// SmallSet's channel 0 is 8 × 6 with values r × 100 + c: range 507, 508 colours, one raw
// count per colour, so a value's palette entry is the value itself.
TEST_F(View2DTest, ShowsTheChannelAtItsNaturalSizeInItsPaletteColours)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    TSPMData& ch = *step->SurfaceData->Channel(0);
    EXPECT_STREQ(view->metaObject()->className(), "TView2DForm");
    EXPECT_EQ(view->width(), 8 + 120);
    EXPECT_EQ(view->height(), 6 + 60);
    EXPECT_EQ(view->Image->width(), 128);
    EXPECT_EQ(view->ImageCanvas()->Bitmap()->Width(), 128);
    EXPECT_EQ(view->ImageCanvas()->Bitmap()->Height(), 66);
    EXPECT_EQ((std::vector<int>{view->ImageLeft, view->ImageTop, view->ImageRight,
                                view->ImageBottom, view->BarLeft, view->BarRight}),
              (std::vector<int>{50, 30, 58, 36, 73, 88}));
    EXPECT_EQ(view->PixelsPerPointX, 1.0);
    EXPECT_EQ(view->PixelsPerPointY, 1.0);
    EXPECT_EQ(view->Zoom(), 1);
    EXPECT_EQ(view->windowTitle().toStdString(), "View Topography -  #1");

    for (int i : {0, 2, 5})
        for (int j : {0, 3, 7})
            EXPECT_EQ(PixelAt(*view, 50 + j, 30 + i), EntryColour(ch, i * 100 + j))
                << i << "," << j;
    // The bar: 254 rows (508 colours), stretched over the 6 image rows, highest at the top.
    EXPECT_EQ(view->BarIndexes.size(), 254u);
    EXPECT_EQ(PixelAt(*view, 73, 30), EntryColour(ch, 507));
    EXPECT_EQ(PixelAt(*view, 87, 35), EntryColour(ch, 85)); // row 5 × 254 / 6 = 211
    // One-pixel black frames, the background colour between them.
    EXPECT_EQ(PixelAt(*view, 49, 29), platform::clBlack);
    EXPECT_EQ(PixelAt(*view, 58, 36), platform::clBlack);
    EXPECT_EQ(PixelAt(*view, 72, 36), platform::clBlack);
    EXPECT_EQ(PixelAt(*view, 63, 33), platform::clWhite);

    // A changed palette colour needs only a redraw.
    platform::PaletteEntry red{255, 0, 0, 1};
    ch.Palette->SetEntries(203, 1, &red);
    view->Compose();
    EXPECT_EQ(PixelAt(*view, 53, 32), platform::clRed);
}

TEST_F(View2DTest, ZoomFollowsTheSizeRuleKeepsThePointsAndIgnoresOtherValues)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    TSPMData& ch = *step->SurfaceData->Channel(0);
    int composed = 0;
    view->OnOverlayPaint = [&](TView2DForm* sender) {
        EXPECT_EQ(sender, view);
        ++composed;
    };
    for (int ignored : {3, 0, -1, 16, 1}) {
        view->SetZoom(ignored);
        EXPECT_EQ(view->Zoom(), 1);
    }
    EXPECT_EQ(composed, 0); // nothing drawn

    view->SetZoom(4); // the work finishes on its own; the dialog closes with OK
    EXPECT_EQ(composed, 1);
    EXPECT_TRUE(messages.Texts().empty());
    EXPECT_EQ(view->Zoom(), 4);
    EXPECT_EQ(view->ZoomedWidth, 29);
    EXPECT_EQ(view->ZoomedHeight, 21);
    EXPECT_EQ(view->width(), 149);
    EXPECT_EQ(view->height(), 81);
    EXPECT_EQ(view->ImageRight, 79);
    EXPECT_EQ(view->ImageBottom, 51);
    EXPECT_EQ(view->PixelsPerPointX, 29.0 / 8);
    EXPECT_EQ(view->PixelsPerPointY, 21.0 / 6);
    EXPECT_TRUE(view->RowBuffers.Empty());
    EXPECT_EQ(view->ProgressDialog, nullptr);
    for (int i : {0, 3, 5})
        for (int j : {0, 4, 7})
            EXPECT_EQ(PixelAt(*view, 50 + 4 * j, 30 + 4 * i), EntryColour(ch, i * 100 + j));
    // The first cell's centre: (0 + 1 + 100 + 101) / 4 = 50 (hand-computed).
    EXPECT_EQ(PixelAt(*view, 52, 32), EntryColour(ch, 50));

    view->SetZoom(4);
    EXPECT_EQ(composed, 1);
    // Back at zoom 1 the image is W × H again.
    view->SetZoom(1);
    EXPECT_EQ(view->width(), 128);
    EXPECT_EQ(view->height(), 66);
    EXPECT_EQ(PixelAt(*view, 51, 30), EntryColour(ch, 1));
    // Zoom 4 again, and a colour change at zoom 4: the zoomed points stay right.
    view->SetZoom(4);
    EXPECT_EQ(PixelAt(*view, 52, 32), EntryColour(ch, 50));
    EXPECT_EQ(PixelAt(*view, 50 + 28, 30 + 20), EntryColour(ch, 507));
    platform::PaletteEntry red{255, 0, 0, 1};
    ch.Palette->SetEntries(50, 1, &red);
    view->Refresh();
    EXPECT_EQ(PixelAt(*view, 52, 32), platform::clRed);
    EXPECT_EQ(PixelAt(*view, 50 + 28, 30 + 20), EntryColour(ch, 507));
}

// A zoom-8 view larger than the workspace: the workspace shows scroll bars, and scrolled
// to their ends they bring the view's far corner into sight.
TEST_F(View2DTest, TheWorkspaceScrollsToAZoom8ViewLargerThanItself)
{
    main->resize(500, 400);
    auto step = MakeStep(OneChannel(60, 50, [](int r, int c) { return r * 3 + c; }));
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    QMdiArea* area = main->MdiArea;
    QApplication::processEvents();
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
    view->SetZoom(8);
    ASSERT_EQ(view->size(), QSize(473 + 120, 393 + 60));
    QApplication::processEvents();
    QScrollBar* h = area->horizontalScrollBar();
    QScrollBar* v = area->verticalScrollBar();
    ASSERT_TRUE(h->isVisible());
    ASSERT_TRUE(v->isVisible());
    h->setValue(h->maximum());
    v->setValue(v->maximum());
    QApplication::processEvents();
    const QRect frame = ActiveFrame()->geometry();
    EXPECT_LE(frame.right(), area->viewport()->width() - 1);
    EXPECT_LE(frame.bottom(), area->viewport()->height() - 1);
    EXPECT_LT(frame.left(), 0); // scrolled: the view's left part is out of sight now
}

TEST_F(View2DTest, ACancelledZoomShowsZoom1WithTheControlsAt100)
{
    auto step = MakeStep(OneChannel(300, 300, [](int r, int c) { return (r * 7 + c * 3) % 1000; }));
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    main->N800->setChecked(true);
    main->cbZoom2D->setCurrentIndex(3);
    messages.Answer(platform::MessageResult::Yes);
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<TProgressForm*>(QApplication::activeModalWidget())) {
            EXPECT_EQ(dialog, view->ProgressDialog);
            QTest::mouseClick(dialog->btCancel, Qt::LeftButton);
            clicked = true;
        }
    });
    view->SetZoom(8);
    ASSERT_TRUE(clicked);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Do you want to abort process"});
    EXPECT_EQ(view->Zoom(), 1);
    EXPECT_EQ(view->width(), 420);
    EXPECT_TRUE(main->N100->isChecked());
    EXPECT_EQ(main->cbZoom2D->currentIndex(), 0);
    EXPECT_TRUE(view->RowBuffers.Empty());
    TSPMData& ch = *step->SurfaceData->Channel(0);
    EXPECT_EQ(
        PixelAt(*view, 50 + 10, 30 + 20),
        EntryColour(ch, PaletteIndex((20 * 7 + 10 * 3) % 1000, ch.RawPerColour, ch.ColourCount)));
}

TEST_F(View2DTest, AZoomWhoseBuffersCannotBeHadIsReportedAndFallsBackToZoom1)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    const std::int64_t saved = TView2DForm::MaxZoomedPoints;
    TView2DForm::MaxZoomedPoints = 100; // zoom 1 (48 points) fits, zoom 2 (165) does not
    main->N200->setChecked(true);
    view->SetZoom(2);
    TView2DForm::MaxZoomedPoints = saved;
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error memory allocate"});
    EXPECT_EQ(view->Zoom(), 1);
    EXPECT_EQ(view->width(), 128);
    EXPECT_TRUE(main->N100->isChecked());
    EXPECT_EQ(main->cbZoom2D->currentIndex(), 0);
    EXPECT_EQ(PixelAt(*view, 57, 35), EntryColour(*step->SurfaceData->Channel(0), 507));
}

// A zoomed picture larger than the memory the machine has left is refused before anything
// is built: the memory message, and the view stays at its zoom with the controls showing it.
TEST_F(View2DTest, AZoomWhosePictureExceedsThePhysicalMemoryIsRefusedAndTheViewKeepsItsZoom)
{
    struct PretendMemory {
        ~PretendMemory() { platform::SetAvailablePhysicalMemoryForTesting(-1); }
    } restore;
    auto data = OneChannel(300, 300, [](int r, int c) { return (r * 7 + c * 3) % 1000; });
    ChannelSet channels{0};
    const std::string path = dir.File("large.spm");
    ASSERT_EQ(SaveWithFormat(FileFormats[1].get(), path, data.get(), &channels), fmtOk);
    dialogs.Choose(path, 1);
    main->OpenClick();
    TObjectSPM* step = main->CurrentStep();
    ASSERT_TRUE(step);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    // Zoom 2 (599² points) takes about 5 MB and zoom 4 (1197²) about 17 MB.
    platform::SetAvailablePhysicalMemoryForTesting(9 << 20);
    QTest::keyClick(main->cbZoom2D, Qt::Key_Down);
    ASSERT_EQ(view->Zoom(), 2);
    ASSERT_TRUE(messages.Texts().empty());
    TSPMData& ch = *step->SurfaceData->Channel(0);
    const platform::TColor point = EntryColour(ch, PaletteIndex((20 * 7 + 10 * 3) % 1000, ch.RawPerColour, ch.ColourCount));
    ASSERT_EQ(PixelAt(*view, 50 + 2 * 10, 30 + 2 * 20), point);

    QTest::keyClick(main->cbZoom2D, Qt::Key_Down);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error memory allocate"});
    EXPECT_EQ(view->Zoom(), 2);
    EXPECT_EQ(view->width(), 599 + 120);
    EXPECT_TRUE(main->N200->isChecked());
    EXPECT_EQ(main->cbZoom2D->currentIndex(), 1);
    EXPECT_EQ(PixelAt(*view, 50 + 2 * 10, 30 + 2 * 20), point);
    // The menu's 800% is refused the same way; with the memory back, the zoom is made.
    messages.Clear();
    main->N800->trigger();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error memory allocate"});
    EXPECT_EQ(view->Zoom(), 2);
    EXPECT_TRUE(main->N200->isChecked());
    platform::SetAvailablePhysicalMemoryForTesting(-1);
    QTest::keyClick(main->cbZoom2D, Qt::Key_Down);
    EXPECT_EQ(view->Zoom(), 4);
    EXPECT_EQ(PixelAt(*view, 50 + 4 * 10, 30 + 4 * 20), point);
}

// Shading lives in the view's own channel: the data set keeps its heights for saving,
// copying and every other reader, and turning the light off has nothing to put back.
TEST_F(View2DTest, ShadingNeverReachesTheDataAndTurningItOffRestoresNothingStale)
{
    auto step = MakeStep(SmallFileSet());
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    TSPMData& ch = *step->SurfaceData->Channel(0);
    const ChannelState before(ch);
    ASSERT_EQ(step->SaveToFile(dir.File("before.spm"), true), fmtOk);

    step->ViewSettings.LightOn = true;
    view->Refresh();
    ASSERT_TRUE(view->Shading());
    EXPECT_EQ(view->UnshadedChannel(), &ch);
    TSPMData* shown = view->ShownChannel();
    ASSERT_NE(shown, &ch);
    before.ExpectSame(ch);
    // The picture shows the angles in the shading channel's own palette.
    EXPECT_EQ(shown->Header.Width, 8);
    EXPECT_EQ(shown->ColourCount, shown->Header.Max - shown->Header.Min + 1);
    const int angle = Values(*shown)[0];
    EXPECT_EQ(PixelAt(*view, 50, 30),
              EntryColour(*shown, PaletteIndex(angle - shown->Header.Min, shown->RawPerColour,
                                               shown->ColourCount)));
    // Saving and copying the step read the heights.
    ASSERT_EQ(step->SaveToFile(dir.File("during.spm"), true), fmtOk);
    EXPECT_EQ(testsupport::ReadBytes(dir.File("during.spm")),
              testsupport::ReadBytes(dir.File("before.spm")));
    TObjectSPM copy(nullptr, "Copy", 2, *step);
    EXPECT_EQ(Values(*copy.SurfaceData->Channel(0)), before.values);

    // Light off: the channel is as it was, exactly.
    step->ViewSettings.LightOn = false;
    view->Refresh();
    EXPECT_FALSE(view->Shading());
    EXPECT_EQ(view->ShownChannel(), &ch);
    before.ExpectSame(ch);
    EXPECT_EQ(PixelAt(*view, 50 + 7, 30 + 5), EntryColour(ch, 507));

    // Values changed while the light is on are kept when it goes off.
    step->ViewSettings.LightOn = true;
    view->Refresh();
    ch.Lock();
    ch.SetValue(0, 0, 999);
    ch.Unlock();
    view->Refresh();
    step->ViewSettings.LightOn = false;
    view->Refresh();
    EXPECT_EQ(Values(ch)[0], 999);
}

TEST_F(View2DTest, AFlatSurfaceUnderA30DegreeLightShowsAngle1200)
{
    auto step = MakeStep(OneChannel(6, 4, [](int, int) { return 5; }));
    step->ViewSettings.LightOn = true;
    step->ViewSettings.AngleAlfa = 30;
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view && view->Shading());
    EXPECT_EQ(Values(*view->ShownChannel()), std::vector<std::int32_t>(24, 1200));
    EXPECT_EQ(view->ShownChannel()->Header.Min, 1200);
    EXPECT_EQ(view->ShownChannel()->Header.Max, 1200);
    EXPECT_EQ(Values(*view->UnshadedChannel()), std::vector<std::int32_t>(24, 5));
    // One row of points has no facets: it shows flat as well, nothing read past it.
    auto thin = MakeStep(OneChannel(5, 1, [](int, int c) { return c * 1000; }));
    thin->ViewSettings.LightOn = true;
    thin->ShowChannelView(0);
    ASSERT_TRUE(ViewOf(*thin, 0));
    EXPECT_EQ(Values(*ViewOf(*thin, 0)->ShownChannel()), std::vector<std::int32_t>(5, 1200));
}

TEST_F(View2DTest, StepsOpenFocusActivateAndCloseTheirRealViews)
{
    auto step = MakeStep(SmallSet());
    TSurfaceData& data = *step->SurfaceData;
    EXPECT_EQ(data.LockCount, 1);
    step->ShowChannelView(NoChannel); // the first present channel without a view: 0
    step->ShowChannelView(NoChannel); // then 2
    step->ShowChannelView(NoChannel); // then 20
    step->ShowChannelView(NoChannel); // none left: nothing
    TView2DForm* v0 = ViewOf(*step, 0);
    TView2DForm* v2 = ViewOf(*step, 2);
    TView2DForm* v20 = ViewOf(*step, 20);
    ASSERT_TRUE(v0 && v2 && v20);
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 3);
    EXPECT_EQ(data.LockCount, 4); // one reference per view
    EXPECT_EQ(step->CurrentView, v20);
    EXPECT_EQ(ActiveFrame(), v20->Frame());
    EXPECT_EQ(v20->width(), 5 + 120);
    EXPECT_EQ(step->CurrentChannel(), 20);

    // Opening an open channel focuses its view; activation makes it current and fills
    // the main window's view menu with the present channels.
    step->ShowChannelView(0);
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 3);
    EXPECT_EQ(ActiveFrame(), v0->Frame());
    EXPECT_EQ(step->CurrentView, v0);
    EXPECT_EQ(main->PopupMenu2DBtn->actions().size(), 3);
    v2->SetZoom(2);
    main->MdiArea->setActiveSubWindow(v2->Frame());
    EXPECT_EQ(step->CurrentView, v2);
    EXPECT_TRUE(main->N200->isChecked());
    EXPECT_EQ(main->cbZoom2D->currentIndex(), 1);

    // Closing the current view while another child stays active makes the lowest
    // channel's view current; its subwindow and its data-set reference go.
    main->MdiArea->setActiveSubWindow(v20->Frame());
    step->CurrentView = v2;
    v2->CloseWindow();
    EXPECT_EQ(step->Views[2], nullptr);
    EXPECT_EQ(step->CurrentView, v0);
    EXPECT_EQ(data.LockCount, 3);
    FlushDeletes();
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 2);

    // Esc closes a view too; the child that the area activates next becomes current.
    QTest::keyClick(v20, Qt::Key_Escape);
    EXPECT_EQ(step->Views[20], nullptr);
    EXPECT_EQ(step->CurrentView, v0);
    EXPECT_EQ(ActiveFrame(), v0->Frame());
    FlushDeletes();
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 1);
    EXPECT_EQ(data.LockCount, 2);

    // A channel that goes from the set closes its view at the next update, shading or not.
    step->ViewSettings.LightOn = true;
    v0->Refresh();
    ASSERT_TRUE(v0->Shading());
    step->DeleteChannel(0);
    step->UpdateAll();
    EXPECT_EQ(step->Views[0], nullptr);
    EXPECT_EQ(step->CurrentView, nullptr);
    FlushDeletes();
    EXPECT_TRUE(main->MdiArea->subWindowList().isEmpty());
    EXPECT_EQ(data.LockCount, 1);
}

TEST_F(View2DTest, DestroyingAStepRemovesItsViewsAndTheirSubwindowsAtOnce)
{
    auto other = MakeStep(SmallSet());
    other->ShowChannelView(2);
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    step->ShowChannelView(2);
    ASSERT_EQ(main->MdiArea->subWindowList().size(), 3);
    step.reset();
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 1);
    EXPECT_EQ(main->MdiArea->subWindowList()[0], ViewOf(*other, 2)->Frame());
    // The activation the area passes on to the remaining view reaches it from the loop.
    other->CurrentView = nullptr;
    FlushDeletes();
    EXPECT_EQ(other->CurrentView, other->Views[2]);
    EXPECT_EQ(other->SurfaceData->LockCount, 2);
}

TEST_F(View2DTest, AToolHoldingTheViewIsToldFirstOnCloseWhileEverythingStillExists)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    QWidget tool, next;
    std::vector<QWidget*> told;
    bool aliveWhenTold = false;
    view->OnToolChange = [&](QWidget* window) {
        told.push_back(window);
        if (window)
            return;
        // Erasing an overlay on the picture still works, and the view still holds its data.
        platform::TCanvas* c = view->ImageCanvas();
        c->Pen.Mode = platform::pmNot;
        c->MoveTo(50, 31);
        c->LineTo(58, 31);
        c->Pen.Mode = platform::pmCopy;
        view->Image->Display();
        aliveWhenTold = view->DataSet == step->SurfaceData.get() && view->ChannelData &&
                        !view->ImageIndexes.empty() && step->SurfaceData->LockCount == 2;
        view->OnToolChange = nullptr; // the tool releases the view
    };
    view->NotifyToolChange(&next);
    EXPECT_EQ(told, std::vector<QWidget*>{&next});
    // Point-to-pixel mapping as the tools read it.
    EXPECT_EQ(view->ImageLeft + int((3 + 0.5) * view->PixelsPerPointX), 53);
    EXPECT_EQ(view->ImageCanvas(), view->Image->Background()->Canvas());

    view->CloseWindow();
    EXPECT_EQ(told, (std::vector<QWidget*>{&next, nullptr}));
    EXPECT_TRUE(aliveWhenTold);
    EXPECT_EQ(step->SurfaceData->LockCount, 1);
    FlushDeletes();
}

TEST_F(View2DTest, CtrlCCopiesThePictureWhateverTheOtherShiftKeys)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    TView2DForm* view = ViewOf(*step, 0);
    ASSERT_TRUE(view);
    QClipboard* clipboard = QApplication::clipboard();
    for (Qt::KeyboardModifiers mods :
         {Qt::KeyboardModifiers(Qt::ControlModifier),
          Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier)}) {
        clipboard->clear();
        QTest::keyClick(view, Qt::Key_C, mods);
        const QImage copied = clipboard->image();
        EXPECT_EQ(copied.size(), QSize(128, 66));
        EXPECT_EQ(copied.pixelColor(53, 32),
                  platform::ToQColor(EntryColour(*step->SurfaceData->Channel(0), 203)));
    }
    clipboard->clear();
    QTest::keyClick(view, Qt::Key_C);
    EXPECT_TRUE(clipboard->image().isNull());
}

TEST_F(View2DTest, AFailedPictureSaveIsReported)
{
    auto step = MakeStep(SmallSet());
    step->ShowChannelView(0);
    ViewOf(*step, 0)->SaveImage(dir.File("missing-folder/pic.bmp"));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Error write file"});
}

// Opening a file through the main window shows its 2-D view; zoomed to 4 and saved as a
// bitmap through File > Save, the picture holds the channel in its palette's colours.
TEST_F(View2DTest, OpensAFileZoomsItsViewAndSavesThePictureThroughTheMainWindow)
{
    auto data = SmallFileSet();
    ChannelSet channels{0, 2};
    const std::string path = dir.File("scan.spm");
    ASSERT_EQ(SaveWithFormat(FileFormats[1].get(), path, data.get(), &channels), fmtOk);
    dialogs.Choose(path, 1);
    main->OpenClick();
    ASSERT_TRUE(main->CurrentStep());
    TObjectSPM* step = main->CurrentStep();
    QMdiSubWindow* active = ActiveFrame();
    ASSERT_TRUE(active);
    auto* view = qobject_cast<TView2DForm*>(active->widget());
    ASSERT_TRUE(view);
    EXPECT_EQ(step->Views[0], view);
    EXPECT_EQ(active->windowTitle().toStdString(), "View Topography - scan.spm #1");
    EXPECT_EQ(view->size(), QSize(128, 66));
    EXPECT_FALSE(step->SurfaceData->SwappedOut); // the view holds it

    main->N400->trigger();
    EXPECT_EQ(view->Zoom(), 4);
    EXPECT_EQ(view->size(), QSize(149, 81));
    EXPECT_TRUE(main->N400->isChecked());

    const std::string picture = dir.File("picture.bmp");
    dialogs.Choose(picture, 3); // after the two SPM entries, the bitmap entry
    main->SaveClick();
    EXPECT_TRUE(messages.Texts().empty());
    platform::TBitmap saved;
    ASSERT_TRUE(saved.LoadFromFile(picture));
    EXPECT_EQ(saved.Width(), 149);
    EXPECT_EQ(saved.Height(), 81);
    TSPMData& ch = *step->SurfaceData->Channel(0);
    for (int i : {0, 2, 5})
        for (int j : {0, 6, 7})
            EXPECT_EQ(saved.Canvas()->Pixels(50 + 4 * j, 30 + 4 * i), EntryColour(ch, i * 100 + j));
    EXPECT_EQ(saved.Canvas()->Pixels(49, 29), platform::clBlack);

    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(step->Views[0], nullptr);
    FlushDeletes();
    EXPECT_TRUE(main->MdiArea->subWindowList().isEmpty());
    EXPECT_TRUE(step->SurfaceData->SwappedOut); // the last reference went with the view
}
