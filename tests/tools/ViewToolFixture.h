#pragma once
// A main window with a step of small channels in memory, for the tests of the tools that
// borrow a 2-D view: the step's views, profile windows and crop tool live in the main
// window's MDI area.

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/AppFixture.h"
#include "tools/ToolsFixture.h"
#include "views/View2D.h"
#include "data/DataFixtures.h"
#include "data/Fileformat.h"
#include "data/ObjectSPM.h"
#include "platform/gui/Bitmap.h"
#include "tools/Profile.h"
#include "tools/ToolWidgets.h"

namespace viewtools {

using datafixtures::Fill;

//! A ramp: 100 per row, 10 per column, minimum 5.
inline std::int32_t Ramp(int r, int c)
{
    return r * 100 + c * 10 + 5;
}

//! Types a text into a box as the user would, and leaves the box.
inline void Type(TToolEdit* box, const std::string& text)
{
    box->setText(QString::fromStdString(text));
    box->setModified(true);
    box->OnExit(box);
}

//! Runs the deletions that closing windows asked for.
inline void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

//! The pixels of a bitmap, row by row.
inline std::vector<platform::TColor> Pixels(const platform::TBitmap& b)
{
    std::vector<platform::TColor> out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            out.push_back(b.Canvas()->Pixels(x, y));
    return out;
}

class ToolTest : public appfixture::MainWindowTest {
protected:
    ~ToolTest() override
    {
        step.reset();
        FlushDeletes();
    }

    //! A data set of one w × h channel 0 from `fill` (steps 2.5 and 3.5 nm, Z scale 0.5).
    static std::unique_ptr<TSurfaceData> OneChannel(int w, int h, const Fill& fill)
    {
        auto data = std::make_unique<TSurfaceData>("/data/src.spm");
        data->Header.FormatVersion = 1;
        data->Header.Width = static_cast<std::uint16_t>(w);
        data->Header.Height = static_cast<std::uint16_t>(h);
        datafixtures::AddChannel(*data, 0, w, h, fill);
        return data;
    }

    //! The step of the data set, its view of channel 0 open (the step's current view).
    void MakeStep(std::unique_ptr<TSurfaceData> data)
    {
        step = std::make_unique<TObjectSPM>(nullptr, std::move(data));
        step->FileName = "src.spm";
        step->ShowChannelView(0);
    }

    //! Saves the set as an SPM1 file and opens it through the main window's open dialog:
    //! the opened step (its view of the first channel open), null when that failed.
    TObjectSPM* OpenFile(std::unique_ptr<TSurfaceData> data, const std::string& name = "scan.spm")
    {
        ChannelSet channels = data->Present;
        const std::string path = dir.File(name);
        if (SaveWithFormat(FileFormats[1].get(), path, data.get(), &channels) != fmtOk)
            return nullptr;
        dialogs.Choose(path, 1);
        main->OpenClick();
        return main->CurrentStep();
    }

    //! The view of a channel of the fixture's step.
    TView2DForm* ViewOf(int channel) const
    {
        return dynamic_cast<TView2DForm*>(step->Views[std::size_t(channel)]);
    }

    //! A new profile window of the step (Profile command).
    TProfileForm* OpenProfile() { return OpenProfile(*step); }
    static TProfileForm* OpenProfile(TObjectSPM& of)
    {
        of.OpenProfileView();
        return dynamic_cast<TProfileForm*>(of.ActiveProfile);
    }
    static TView2DForm* ViewOf(const TObjectSPM& of, int channel)
    {
        return dynamic_cast<TView2DForm*>(of.Views[std::size_t(channel)]);
    }

    //! The pixel of grid point (c, r) on a view.
    static QPoint PixelOf(const TView2DForm* view, int c, int r)
    {
        return {view->ImageLeft + int((c + 0.5) * view->PixelsPerPointX),
                view->ImageTop + int((r + 0.5) * view->PixelsPerPointY)};
    }

    std::unique_ptr<TObjectSPM> step;
};

}  // namespace viewtools
