#pragma once
// A scripted stand-in for the main window and its views, for the step and file tests.

#include <string>
#include <vector>

#include "data/DocumentHost.h"
#include "data/ObjectSPM.h"

namespace fakes {

//! Everything the fakes did, in order ("delete view 0", "detach 3d" ...).
inline std::vector<std::string>& Log()
{
    static std::vector<std::string> log;
    return log;
}

//! A window of a step. A 2-D view holds a data-set reference while it lives, as the real
//! one does.
class FakeWindow : public TStepWindow {
public:
    FakeWindow(TObjectSPM* step, std::string kind, int channel, bool holdsData)
        : step_(step), kind_(std::move(kind)), channel_(channel), holdsData_(holdsData)
    {
        if (holdsData_)
            step_->SurfaceData->Acquire();
    }
    ~FakeWindow() override
    {
        Log().push_back("delete " + kind_ + (step_ && !step_->SurfaceData ? " after data" : ""));
        if (step_ && holdsData_ && !detached_)
            step_->SurfaceData->Release();
    }
    void Refresh() override { ++refreshes; }
    void ChannelChanged(int channel) override { changed.push_back(channel); }
    void Focus() override { ++focuses; }
    void CloseWindow() override
    {
        Log().push_back("close " + kind_);
        closed = true;
    }
    void Detach() override
    {
        Log().push_back("detach " + kind_);
        detached_ = true;
    }
    void SetCaption(const std::string& text) override { caption = text; }
    int Channel() const override { return channel_; }
    int Zoom() const override { return zoom; }
    void SetZoom(int z) override { zoom = z; }

    int refreshes = 0;
    std::vector<int> changed;  //!< the channels ChannelChanged named
    int focuses = 0;
    bool closed = false;
    int zoom = 1;
    std::string caption;

private:
    TObjectSPM* step_;
    std::string kind_;
    int channel_;
    bool holdsData_;
    bool detached_ = false;
};

class FakeHost : public IDocumentHost {
public:
    FakeHost() { SetDocumentHost(this); }
    ~FakeHost() override { SetDocumentHost(nullptr); }

    void SetCurrentFile(TObjectFile* file) override { currentFile = file; }
    void FillStepChooser(TObjectFile* file, const std::vector<std::string>& texts,
                         int selected) override
    {
        chooserOwner = file;
        chooser = texts;
        chooserIndex = selected;
    }
    void AppendStepChooser(const std::string& text) override { chooser.push_back(text); }
    void ClearStepChooser() override
    {
        chooser.clear();
        chooserIndex = -1;
    }
    int StepChooserIndex() const override { return chooserIndex; }
    void RunLinkDataDialog(TObjectSPM* step) override
    {
        ++linkDialogs;
        if (dropChannel >= 0)
            step->DeleteChannel(dropChannel);
    }
    TStepWindow* CreateChannelView(TObjectSPM* step, int channel) override
    {
        auto* view = new FakeWindow(step, "view " + std::to_string(channel), channel, true);
        created.push_back(view);
        return view;
    }

    void ShowZoomIndex(int index) override { zoomIndex = index; }
    void BuildViewMenu(TObjectSPM* step, const std::vector<std::pair<std::string, int>>& items,
                       int index) override
    {
        menuStep = step;
        menu = items;
        zoomIndex = index;
    }

    TObjectSPM* menuStep = nullptr;
    std::vector<std::pair<std::string, int>> menu;
    int zoomIndex = -1;
    TObjectFile* currentFile = nullptr;
    TObjectFile* chooserOwner = nullptr;
    std::vector<std::string> chooser;
    int chooserIndex = -1;
    int linkDialogs = 0;
    int dropChannel = -1;
    std::vector<FakeWindow*> created;
};

}  // namespace fakes
