#pragma once
// What the tests of the processing and analysis windows share: scans written to files with
// values of the test's choosing, steps of one channel built in memory, the main window that
// opens them, steps of the modal dialog service for the dialogs of a type, and the golden
// report files beside the tests.

#include <QApplication>
#include <QDialog>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppFixture.h"
#include "data/DataFixtures.h"
#include "data/Fileformat.h"
#include "data/ObjectFile.h"
#include "data/ObjectSPM.h"
#include "platform/gui/ModalDialogs.h"
#include "support/TestSupport.h"

namespace toolsfixture {

using Fill = std::function<std::int32_t(int row, int col)>;

//! A channel of the slot with w × h values from `fill`, Z scale `zScale`, steps of 10 nm.
inline std::unique_ptr<TSPMData> MakeChannel(int slot, int w, int h, const Fill& fill, float zScale = 0.5f)
{
    auto ch = std::make_unique<TSPMData>(w, h, slot);
    std::memcpy(ch->Header.Name, ChannelNames[slot], sizeof ch->Header.Name);
    ch->Header.XStep = ch->Header.YStep = 10.0f;
    ch->Header.ZScale = zScale;
    std::strcpy(ch->Header.XYUnit, "nm");
    std::strcpy(ch->Header.ZUnit, "nm");
    ch->Lock();
    std::int32_t* v = ch->GetData();
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            v[std::size_t(r) * std::size_t(w) + std::size_t(c)] = fill(r, c);
    ch->Unlock();
    ch->ComputeRange();
    ch->DefaultPalette();
    return ch;
}

//! Writes a scan of the given channels (slot, fill) of w × h as SPM1 (format slot 1) or,
//! with one channel, SPM0 (slot 0); its path.
inline std::string WriteScan(const std::string& path, int w, int h,
                             const std::vector<std::pair<int, Fill>>& channels, int slot = 1,
                             float zScale = 0.5f)
{
    TSurfaceData data(path);
    data.Header.FormatVersion = 1;
    data.Header.Width = static_cast<std::uint16_t>(w);
    data.Header.Height = static_cast<std::uint16_t>(h);
    ChannelSet set;
    for (const auto& [c, fill] : channels) {
        data.Channels[c] = MakeChannel(c, w, h, fill, zScale);
        data.Present.Include(c);
        set.Include(c);
    }
    EXPECT_EQ(SaveWithFormat(FileFormats[slot].get(), path, &data, &set), fmtOk);
    return path;
}

//! The values of a channel.
inline std::vector<std::int32_t> Values(TSPMData& ch)
{
    ch.Lock();
    const std::int32_t* p = ch.GetData();
    std::vector<std::int32_t> v(p, p + ch.SampleCount());
    ch.Unlock();
    return v;
}

//! A scripted step of the modal dialog service for a dialog of type Dialog; a dialog of
//! another type fails the test (and is rejected).
template <typename Dialog>
platform::ModalDialogRecorder::Step As(std::function<void(Dialog&)> act)
{
    return [act](QDialog& dialog) {
        auto* d = dynamic_cast<Dialog*>(&dialog);
        if (!d) {
            ADD_FAILURE() << "another dialog ran: " << dialog.windowTitle().toStdString();
            return;
        }
        act(*d);
    };
}

//! The texts of a chooser's or a list's items.
template <typename Box> std::vector<std::string> Items(const Box* box)
{
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i) {
        if constexpr (requires { box->itemText(i); })
            items.push_back(box->itemText(i).toStdString());
        else
            items.push_back(box->item(i)->text().toStdString());
    }
    return items;
}

//! A step whose data set (source "/data/scan.spm") holds channel 0 of width × height values
//! from `fill`, with the given steps, Z scale and comment; units "nm".
inline std::unique_ptr<TObjectSPM> Step(int width, int height, const Fill& fill, float xStep = 1,
                                        float yStep = 1, float zScale = 1, const char* comment = "")
{
    auto data = std::make_unique<TSurfaceData>("/data/scan.spm");
    data->Header.FormatVersion = 1;
    data->Header.Width = static_cast<std::uint16_t>(width);
    data->Header.Height = static_cast<std::uint16_t>(height);
    TSPMData* ch = datafixtures::AddChannel(*data, 0, width, height, fill);
    ch->SourceFile = "/data/scan.spm";
    ch->Header.XStep = xStep;
    ch->Header.YStep = yStep;
    ch->Header.ZScale = zScale;
    std::strcpy(ch->Header.ZUnit, "nm");
    std::strncpy(ch->Header.Comment, comment, sizeof ch->Header.Comment - 1);
    ch->ComputeStatistics();
    auto step = std::make_unique<TObjectSPM>(nullptr, std::move(data));
    step->FileName = "scan.spm";
    return step;
}

//! Opens the step as a file of the main window, as the open command does: its view of
//! channel 0 opens and the step becomes current. The step (owned by the file) is returned.
inline TObjectSPM* OpenInMain(TMainForm& main, std::unique_ptr<TObjectSPM> step)
{
    auto file = std::make_unique<TObjectFile>("/data/scan.spm");
    TObjectSPM* s = step.get();
    file->AppendStep("Load", std::move(step));
    TObjectFile* opened = file.release();
    main.CurrentFile = opened;
    main.AddFileToList(opened);
    s->SurfaceData->Release();
    main.EnableDocumentCommands(true);
    return s;
}

//! The bytes of a file as a text.
inline std::string Read(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = testsupport::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

//! The bytes of a golden file of tests/tools/golden/.
inline std::string Golden(const std::string& name)
{
    // The folder comes from the build: __FILE__ may be relative to wherever it was compiled.
    return Read(std::string(MORVANE_TOOLS_GOLDEN) + name);
}

}  // namespace toolsfixture
