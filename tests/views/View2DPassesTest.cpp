// The fast compose of the 2-D view against the same picture drawn primitive by primitive.
// (The fast passes of its computations are tested with them, in tests/processing.)

#include <gtest/gtest.h>

#include <QApplication>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "views/View2D.h"
#include "data/ObjectSPM.h"
#include "data/Surfacedata.h"
#include "platform/core/Messages.h"
#include "platform/core/Progress.h"
#include "platform/gui/Bitmap.h"
#include "support/TestSupport.h"

using testsupport::RandomValues;

namespace {

// A view of one channel of w × h values (fixed seed) on its own, without a main window.
struct LoneView {
    LoneView(int w, int h)
    {
        auto data = std::make_unique<TSurfaceData>("passes.spm");
        data->Header.FormatVersion = 1;
        data->Header.Width = static_cast<std::uint16_t>(w);
        data->Header.Height = static_cast<std::uint16_t>(h);
        auto ch = std::make_unique<TSPMData>(w, h, 0);
        ch->Header.XStep = ch->Header.YStep = 10.0f;
        ch->Header.ZScale = 0.1f;
        const auto values = RandomValues(w * h, 0, 3000, 99);
        ch->Lock();
        std::copy(values.begin(), values.end(), ch->GetData());
        ch->Unlock();
        ch->ComputeRange();
        ch->DefaultPalette();
        data->Channels[0] = std::move(ch);
        data->Present.Include(0);
        data->ChannelList.push_back({"Topography", {"passes.spm", 0, 1}});
        step = std::make_unique<TObjectSPM>(nullptr, std::move(data));
        view = std::make_unique<TView2DForm>(step.get(), 0);
    }
    ~LoneView() { view.reset(); }
    platform::MessageRecorder messages;
    std::unique_ptr<TObjectSPM> step;
    std::unique_ptr<TView2DForm> view;
};

std::vector<platform::TColor> PixelsOf(const platform::TBitmap& b)
{
    std::vector<platform::TColor> out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            out.push_back(b.Canvas()->Pixels(x, y));
    return out;
}

} // namespace

// The picture of Compose (background, frames, image and bar written in one pass, then the
// axes) against the same steps drawn one primitive after the other on a bitmap of its own.
TEST(View2DPasses, ComposedPictureIsThePictureDrawnStepByStep)
{
    for (const auto& [w, h] : {std::pair{300, 200}, std::pair{3, 2}, std::pair{700, 17}}) {
        LoneView lone(w, h);
        TView2DForm& view = *lone.view;
        view.BackgroundColor = platform::RGB(10, 200, 30);
        view.Compose();
        const platform::TBitmap& picture = *view.Image->Background();

        platform::TBitmap expected;
        expected.SetPixelFormat(picture.PixelFormat());
        expected.SetSize(picture.Width(), picture.Height());
        platform::TCanvas* c = expected.Canvas();
        c->Brush.Color = view.BackgroundColor;
        c->Brush.Style = platform::bsSolid;
        c->FillRect(platform::Rect(0, 0, expected.Width(), expected.Height()));
        c->Pen = platform::TPen{};
        c->Brush.Style = platform::bsClear;
        c->Rectangle(view.ImageLeft - 1, view.ImageTop - 1, view.ImageRight + 1,
                     view.ImageBottom + 1);
        c->Rectangle(view.BarLeft - 1, view.ImageTop - 1, view.BarRight + 1, view.ImageBottom + 1);
        c->Brush.Style = platform::bsSolid;
        const TSPMData& ch = *view.ChannelData;
        auto colour = [&](int index) {
            const platform::PaletteEntry e = ch.Palette->Entry(index);
            return platform::RGB(e.peRed, e.peGreen, e.peBlue);
        };
        const int rows = int(view.BarIndexes.size());
        for (int y = 0; y < view.ZoomedHeight; ++y) {
            for (int x = 0; x < view.ZoomedWidth; ++x)
                c->SetPixels(view.ImageLeft + x, view.ImageTop + y,
                             colour(view.ImageIndexes[std::size_t(y) * view.ZoomedWidth + x]));
            for (int x = view.BarLeft; x < view.BarRight; ++x)
                c->SetPixels(x, view.ImageTop + y,
                             colour(view.BarIndexes[std::size_t(y * rows / view.ZoomedHeight)]));
        }
        view.DrawAxes(c);
        EXPECT_TRUE(PixelsOf(picture) == PixelsOf(expected)) << w << " x " << h;
    }
}
