#pragma once
// What the tests of the views and tools on their own share: a stand-in for the main window
// as they see it (IViewHost), installed while it lives, which records what they ask of it and
// answers from its fields; and a small step for them to show.

#include <QPoint>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "data/DataFixtures.h"
#include "data/ObjectSPM.h"
#include "data/Surfacedata.h"
#include "views/ViewHost.h"

namespace viewsfixture {

//! A step of one 16 × 12 channel 0, a ramp of 100 per row and 1 per column, read from
//! "/data/ramp.spm", with its statistics.
inline std::unique_ptr<TObjectSPM> RampStep()
{
    auto data = std::make_unique<TSurfaceData>("/data/ramp.spm");
    data->Header.FormatVersion = 1;
    data->Header.Width = 16;
    data->Header.Height = 12;
    TSPMData* channel = datafixtures::AddChannel(*data, 0, 16, 12, [](int r, int c) { return r * 100 + c; });
    channel->SourceFile = "/data/ramp.spm";
    channel->ComputeStatistics();
    return std::make_unique<TObjectSPM>(nullptr, std::move(data));
}

class FakeViewHost : public IViewHost {
public:
    FakeViewHost() { SetViewHost(this); }
    ~FakeViewHost() override { SetViewHost(nullptr); }
    FakeViewHost(const FakeViewHost&) = delete;
    FakeViewHost& operator=(const FakeViewHost&) = delete;

    QWidget* HostWindow() override { return &Window; }
    void PopUpViewMenu(const QPoint& globalPos) override { MenuPopUps.push_back(globalPos); }
    void HideViewLayoutDock() override { ++DockHidings; }
    void ViewLayoutGone() override { ++LayoutGoings; }
    void SetStatisticChecked(bool checked) override { StatisticChecks.push_back(checked); }
    TObjectFile* ActiveFile() const override { return File; }
    TObjectSPM* CurrentStep() const override { return Step; }
    std::vector<TObjectFile*> Files() const override { return OpenedFiles; }
    void OpenSPMFile(const std::string& path) override { OpenRequests.push_back(path); }

    QWidget Window;
    TObjectFile* File = nullptr;
    TObjectSPM* Step = nullptr;
    std::vector<TObjectFile*> OpenedFiles;

    std::vector<QPoint> MenuPopUps;        //!< where the 2-D view menu was asked for
    int DockHidings = 0;
    int LayoutGoings = 0;
    std::vector<bool> StatisticChecks;
    std::vector<std::string> OpenRequests;
};

}  // namespace viewsfixture
