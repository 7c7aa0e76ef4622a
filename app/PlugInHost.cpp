#include "PlugInHost.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>

#include "Main.h"
#include "Pluginmanager.h"
#include "data/Fileformat.h"
#include "data/ObjectFile.h"
#include "platform/core/Dialogs.h"
#include "platform/core/Messages.h"

namespace {

//! True when the step's data set is in memory: one that could not be reloaded from its
//! swap file holds shells, which no operation of the interface reads or changes.
bool InMemory(const TObjectSPM* step)
{
    return step && step->SurfaceData && !step->SurfaceData->SwappedOut;
}

// Load failures are told in a plain box with the program's title.
void ShowLoadMessage(const std::string& text)
{
    platform::ShowMessage(text, "Morvane", platform::MessageIcon::None, platform::MessageButtons::Ok);
}

bool EndsWith(const std::string& text, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

}  // namespace

void TLockMask::Set(int channel, TSPMData* object)
{
    Bits |= 1u << channel;
    Locked[static_cast<std::size_t>(channel)] = object;
}

void TLockMask::Clear(int channel)
{
    if (channel < 0 || channel >= ChannelCount)
        return;
    Bits &= ~(1u << channel);
    Locked[static_cast<std::size_t>(channel)] = nullptr;
}

TPlugIn::TCall::TCall(TPlugIn& plugIn) : plugIn_(plugIn) { ++plugIn_.busy_; }

TPlugIn::TCall::~TCall()
{
    if (--plugIn_.busy_ == 0)
        plugIn_.manager_.CallEnded(&plugIn_);
}

// ---------------------------------------------------------------------------------
// Life cycle

TPlugIn::TPlugIn(TPlugInManager& manager, const TPlugInInfo* info) : Info(info), manager_(manager)
{
    if (Info)
        Load(Info->LibraryPath);
}

TPlugIn::~TPlugIn()
{
    if (started_ && StartResult != 1 && _StopPlugIn)
        _StopPlugIn();
    platform::FreeModule(std::exchange(LibraryHandle, nullptr));
    platform::FreeModule(std::exchange(PackageHandle, nullptr));
    for (std::size_t i = 0; i < Objects.size(); ++i) {
        TObjectSPM* step = Objects[i];
        TSurfaceData* data = step ? step->SurfaceData.get() : nullptr;
        if (!data)
            continue;
        const TLockMask& mask = LockMasks[i];
        for (int n = 0; n < ChannelCount; ++n) {
            TSPMData* channel = data->Present.Contains(n) ? data->Channel(n) : nullptr;
            // Only the very object it locked: a replaced channel took its lock with it.
            if (mask.Has(n) && channel && channel == mask.Locked[static_cast<std::size_t>(n)])
                channel->Unlock();
        }
        data->Release();
    }
    Objects.clear();
    LockMasks.clear();
}

bool TPlugIn::Load(const std::string& path)
{
    IsLibrary = EndsWith(path, ".so");
    platform::ModuleHandle module = platform::LoadModule(path);
    if (!module) {
        ShowLoadMessage("Couldn't find the Plugin!");
        return false;
    }
    auto start = reinterpret_cast<TStartPlugInProc>(platform::ModuleSymbol(module, "_StartPlugIn"));
    auto stop = reinterpret_cast<TStopPlugInProc>(platform::ModuleSymbol(module, "_StopPlugIn"));
    auto remove = reinterpret_cast<TDeleteDataProc>(platform::ModuleSymbol(module, "_DeleteData"));
    if (!start || !stop || !remove) {
        ShowLoadMessage("Couldn't find one or more function in plugin");
        platform::FreeModule(module);
        return false;
    }
    _StartPlugIn = start;
    _StopPlugIn = stop;
    _DeleteData = remove;
    (IsLibrary ? LibraryHandle : PackageHandle) = module;
    return true;
}

std::int32_t TPlugIn::Run()
{
    TObjectSPM* step = manager_.Owner().CurrentStep();
    if (!step || !step->SurfaceData) {
        StartResult = 1;
        return StartResult;
    }
    AddObject(step);
    step->SurfaceData->Acquire();
    // A package is loaded and bound but never started.
    if (!LibraryHandle || !Info) {
        StartResult = 1;
        return StartResult;
    }
    const std::int32_t channel = step->CurrentChannel();
    TCall call(*this);
    started_ = true;
    StartResult = _StartPlugIn(this, Info->Code, 0, channel);
    return StartResult;
}

TObjectSPM* TPlugIn::GetObject(int index) const
{
    if (index < 0 || index >= static_cast<int>(Objects.size()))
        return nullptr;
    return Objects[static_cast<std::size_t>(index)];
}

std::int32_t TPlugIn::AddObject(TObjectSPM* step)
{
    Objects.push_back(step);
    LockMasks.emplace_back();
    return static_cast<std::int32_t>(Objects.size()) - 1;
}

void TPlugIn::DropObject(std::size_t index)
{
    if (index >= Objects.size())
        return;
    Objects[index] = nullptr;
    LockMasks[index] = TLockMask{};
}

std::int32_t TPlugIn::CallDeleteData(std::int32_t object, std::int32_t channel)
{
    if (!_DeleteData || !started_)
        return 0;
    TCall call(*this);
    return _DeleteData(object, channel);
}

bool TPlugIn::DataChanged(TObjectSPM* step)
{
    // Indexes are checked again after every call: the plug-in may call back meanwhile.
    for (std::size_t i = 0; i < Objects.size(); ++i) {
        for (int n = 0; n < ChannelCount; ++n) {
            if (i >= Objects.size() || Objects[i] != step || !step->SurfaceData)
                break;
            TLockMask& mask = LockMasks[i];
            if (!mask.Has(n))
                continue;
            TSurfaceData& data = *step->SurfaceData;
            TSPMData* now = data.Present.Contains(n) ? data.Channel(n) : nullptr;
            if (now == mask.Locked[static_cast<std::size_t>(n)])
                continue;
            // Gone, or another object in its slot: the lock went with the old one.
            mask.Clear(n);
            if (CallDeleteData(static_cast<std::int32_t>(i), n) == 1)
                return true;
        }
    }
    return false;
}

bool TPlugIn::StepClosing(TObjectSPM* step)
{
    bool remove = false;
    for (std::size_t i = 0; i < Objects.size() && !remove; ++i) {
        if (Objects[i] != step)
            continue;
        remove = CallDeleteData(static_cast<std::int32_t>(i), -1) == 1;
        // The step is deleted whatever the answer: the object is forgotten without an
        // unlock or a release (its data set goes with the step).
        DropObject(i);
    }
    for (std::size_t i = 0; i < Objects.size(); ++i)
        if (Objects[i] == step)
            DropObject(i);
    return remove;
}

// ---------------------------------------------------------------------------------
// The host interface

TSPMData* TPlugIn::ChannelOf(std::int32_t object, std::int32_t channel) const
{
    TObjectSPM* step = GetObject(object);
    if (!step || !step->SurfaceData || channel < 0 || channel >= ChannelCount)
        return nullptr;
    TSurfaceData& data = *step->SurfaceData;
    return data.Present.Contains(channel) ? data.Channel(channel) : nullptr;
}

void TPlugIn::RebuildMainMenus()
{
    if (TObjectSPM* current = manager_.Owner().CurrentStep())
        current->BuildViewMenu();
}

TPlugInWindow TPlugIn::GetMainWindow() { return static_cast<QWidget*>(&manager_.Owner()); }

std::int32_t* TPlugIn::LockData(std::int32_t object, std::int32_t channel)
{
    TSPMData* ch = ChannelOf(object, channel);
    if (!ch)
        return nullptr;
    TLockMask& mask = LockMasks[static_cast<std::size_t>(object)];
    if (mask.Has(channel) && mask.Locked[static_cast<std::size_t>(channel)] == ch && ch->Data)
        return ch->Data;
    mask.Clear(channel);
    if (!ch->Block || ch->SwappedOut)
        return nullptr;
    ch->Lock();
    if (!ch->Data) {
        ch->Unlock();
        return nullptr;
    }
    mask.Set(channel, ch);
    return ch->Data;
}

std::int32_t TPlugIn::GetHeight(std::int32_t object, std::int32_t channel)
{
    const TSPMData* ch = ChannelOf(object, channel);
    return ch ? ch->Header.Height : 0;
}

std::int32_t TPlugIn::GetWidth(std::int32_t object, std::int32_t channel)
{
    const TSPMData* ch = ChannelOf(object, channel);
    return ch ? ch->Header.Width : 0;
}

TPlugInRect TPlugIn::GetSelection(std::int32_t object)
{
    const TObjectSPM* step = GetObject(object);
    if (!step)
        return {0, 0, 0, 0};
    const TRect32& s = step->Selection;
    return {s.Left, s.Top, s.Right, s.Bottom};
}

void* TPlugIn::GetReserved() { return nullptr; }

double TPlugIn::GetXStep(std::int32_t object, std::int32_t channel)
{
    const TSPMData* ch = ChannelOf(object, channel);
    return ch ? ch->Header.XStep : 0.0;
}

double TPlugIn::GetYStep(std::int32_t object, std::int32_t channel)
{
    const TSPMData* ch = ChannelOf(object, channel);
    return ch ? ch->Header.YStep : 0.0;
}

double TPlugIn::GetZScale(std::int32_t object, std::int32_t channel)
{
    const TSPMData* ch = ChannelOf(object, channel);
    return ch ? ch->Header.ZScale : 0.0;
}

void TPlugIn::SetXStep(std::int32_t object, std::int32_t channel, double value)
{
    if (TSPMData* ch = ChannelOf(object, channel))
        ch->Header.XStep = static_cast<float>(value);
}

void TPlugIn::SetYStep(std::int32_t object, std::int32_t channel, double value)
{
    if (TSPMData* ch = ChannelOf(object, channel))
        ch->Header.YStep = static_cast<float>(value);
}

void TPlugIn::SetZScale(std::int32_t object, std::int32_t channel, double value)
{
    if (TSPMData* ch = ChannelOf(object, channel))
        ch->Header.ZScale = static_cast<float>(value);
}

const char* TPlugIn::GetXYUnit(std::int32_t object, std::int32_t channel)
{
    TSPMData* ch = ChannelOf(object, channel);
    return ch ? ch->XYUnit() : nullptr;
}

const char* TPlugIn::GetZUnit(std::int32_t object, std::int32_t channel)
{
    TSPMData* ch = ChannelOf(object, channel);
    return ch ? ch->ZUnit() : nullptr;
}

void TPlugIn::SetXYUnit(std::int32_t object, std::int32_t channel, const char* text)
{
    if (TSPMData* ch = ChannelOf(object, channel))
        CopyText(ch->Header.XYUnit, sizeof ch->Header.XYUnit, text, text ? strnlen(text, 3) : 0);
}

void TPlugIn::SetZUnit(std::int32_t object, std::int32_t channel, const char* text)
{
    if (TSPMData* ch = ChannelOf(object, channel))
        CopyText(ch->Header.ZUnit, sizeof ch->Header.ZUnit, text, text ? strnlen(text, 3) : 0);
}

bool TPlugIn::IsChannelLoaded(std::int32_t object, std::int32_t channel)
{
    return ChannelOf(object, channel) != nullptr;
}

void TPlugIn::UpdateChannelAndShow(std::int32_t object, std::int32_t channel)
{
    TObjectSPM* step = GetObject(object);
    if (!InMemory(step))
        return;
    TCall call(*this);
    step->UpdateChannel(channel);
    // 255 asks for the next channel without a view; other numbers outside the slots name
    // no channel at all.
    if (channel == NoChannel || (channel >= 0 && channel < ChannelCount))
        step->ShowChannelView(channel);
}

void TPlugIn::DoNothing() {}

void TPlugIn::UpdateAll(std::int32_t object)
{
    TObjectSPM* step = GetObject(object);
    if (!InMemory(step))
        return;
    TCall call(*this);
    step->UpdateAll();
    RebuildMainMenus();
}

void TPlugIn::UpdateChannel(std::int32_t object, std::int32_t channel)
{
    TObjectSPM* step = GetObject(object);
    if (!InMemory(step))
        return;
    TCall call(*this);
    step->UpdateChannel(channel);
    RebuildMainMenus();
}

std::int32_t TPlugIn::NewStep(std::int32_t object, const char* name)
{
    TObjectSPM* step = GetObject(object);
    // A step that a plug-in opened belongs to no file: it has no step list to join.
    if (!InMemory(step) || !step->Owner)
        return -1;
    TCall call(*this);
    TObjectFile* file = step->Owner;
    TObjectSPM* added = file->AddStepFrom(name ? name : "", step);
    if (!added)
        return -1;
    // The step chooser lists the current file's steps; another file's new step is not one.
    TMainForm& main = manager_.Owner();
    if (main.CurrentFile && main.CurrentFile != file)
        main.CurrentFile->Activate(main.CurrentFile->CurrentStep);
    // The copy's own first reference becomes this plug-in's.
    return AddObject(added);
}

std::int32_t TPlugIn::OpenFileDialog()
{
    TCall call(*this);
    platform::FileDialogRequest& dialog = manager_.Owner().OpenDialog;
    dialog.Title = "Open file ...";
    dialog.FilterIndex = 1;
    if (!platform::FileDialogs().Run(dialog))
        return -1;
    const std::string path = dialog.FileName;
    return OpenFile(path.c_str());
}

std::int32_t TPlugIn::OpenFile(const char* path)
{
    TCall call(*this);
    std::string file = path ? path : "";
    const bool phaseOnly = !file.empty() && file.front() == '+';
    if (phaseOnly)
        file.erase(0, 1);
    const int kind = ReadSPMKind(file);
    if (kind < 0)
        return -1;
    auto step = phaseOnly ? std::make_unique<TObjectSPM>(nullptr, ChannelSet{0, 2}, kind, file)
                          : std::make_unique<TObjectSPM>(nullptr, kind, file);
    if (!step->Loaded())
        return -1;  // its messages have been shown
    TObjectSPM* opened = step.get();
    manager_.Owner().PlugInSteps.push_back(std::move(step));
    // The step's first reference becomes this plug-in's.
    return AddObject(opened);
}

std::int32_t TPlugIn::AddChannelTo(std::int32_t object, std::int32_t channel, std::int32_t width,
                                   std::int32_t height, const char* name)
{
    TObjectSPM* step = GetObject(object);
    if (!InMemory(step))
        return 1;
    if (width < 1 || width > 65535 || height < 1 || height > 65535)
        return 1;
    TCall call(*this);
    TSurfaceData& data = *step->SurfaceData;
    const bool replacing = ChannelOf(object, channel) != nullptr;
    const bool shown = replacing && step->Views[static_cast<std::size_t>(channel)] != nullptr;
    if (!step->AddChannel(channel, width, height, data.GetXStep(), data.GetYStep(), 1.0, "",
                          name ? name : ""))
        return 1;
    if (replacing) {
        // The old channel went with its locks: ours are forgotten, the others are told.
        for (std::size_t i = 0; i < Objects.size(); ++i)
            if (Objects[i] == step)
                LockMasks[i].Clear(channel);
        manager_.DataChanged(step, this);
        // Its open view must not keep the old channel object until the plug-in updates.
        if (shown && GetObject(object) == step)
            step->UpdateChannel(channel);
    }
    return 0;
}

std::int32_t TPlugIn::AddChannel(std::int32_t object, std::int32_t channel, std::int32_t width,
                                 std::int32_t height, const char* name)
{
    if (channel < FirstUserChannel || channel >= ChannelCount)
        return 1;
    return AddChannelTo(object, channel, width, height, name);
}

std::int32_t TPlugIn::AddChannelLikeData(std::int32_t object, std::int32_t channel, const char* name)
{
    TObjectSPM* step = GetObject(object);
    if (channel < 1 || channel >= ChannelCount || !step || !step->SurfaceData)
        return 1;
    return AddChannelTo(object, channel, step->SurfaceData->Header.Width,
                        step->SurfaceData->Header.Height, name);
}

void TPlugIn::CloseObject(std::int32_t object)
{
    TObjectSPM* step = GetObject(object);
    if (!step)
        return;
    TCall call(*this);
    // Later objects move down by one; the list keeps its length, so that an index handed
    // out before never names another step.
    Objects.erase(Objects.begin() + object);
    LockMasks.erase(LockMasks.begin() + object);
    AddObject(nullptr);
    for (std::size_t i = 0; i < Objects.size(); ++i)
        if (Objects[i] == step)
            DropObject(i);
    TMainForm& main = manager_.Owner();
    if (step->Owner) {
        // As the step's Close button: the other plug-ins hear of it, a last step closes its file.
        main.CloseStep(step);
        return;
    }
    manager_.StepClosing(step, this);
    auto& owned = main.PlugInSteps;
    auto it = std::find_if(owned.begin(), owned.end(), [step](const auto& s) { return s.get() == step; });
    if (it == owned.end())
        return;
    std::unique_ptr<TObjectSPM> gone = std::move(*it);
    owned.erase(it);
    gone.reset();
}

void TPlugIn::DeleteChannel(std::int32_t object, std::int32_t channel)
{
    TObjectSPM* step = GetObject(object);
    if (!InMemory(step))
        return;
    TCall call(*this);
    if (TSPMData* ch = ChannelOf(object, channel)) {
        for (std::size_t i = 0; i < Objects.size(); ++i) {
            TLockMask& mask = LockMasks[i];
            if (Objects[i] != step || !mask.Has(channel))
                continue;
            if (mask.Locked[static_cast<std::size_t>(channel)] == ch)
                ch->Unlock();
            mask.Clear(channel);
        }
        step->DeleteChannel(channel);
        manager_.DataChanged(step, this);
    }
    if (GetObject(object) == step)
        step->UpdateAll();
}

std::int32_t TPlugIn::RequestStop()
{
    manager_.SetPending(this);
    manager_.Owner().PostWindowMessage(WM_USER);
    return 1;
}

std::int32_t TPlugIn::FindFreeUserChannel(std::int32_t object)
{
    const TObjectSPM* step = GetObject(object);
    if (!step || !step->SurfaceData)
        return -1;
    for (int c = FirstUserChannel; c < ChannelCount; ++c)
        if (!step->SurfaceData->Present.Contains(c))
            return c;
    return -1;
}

TPlugInApplication TPlugIn::GetApplication() { return QCoreApplication::instance(); }

TPlugInPalette TPlugIn::GetChannelPalette(std::int32_t object, std::int32_t channel)
{
    TSPMData* ch = ChannelOf(object, channel);
    if (!ch || !ch->Palette)
        return nullptr;
    // A rebuilt palette replaces the channel's object: the one handed out lives on while
    // the plug-in runs.
    if (std::find(palettes_.begin(), palettes_.end(), ch->Palette) == palettes_.end())
        palettes_.push_back(ch->Palette);
    return ch->Palette.get();
}

double TPlugIn::GetRawPerColour(std::int32_t object, std::int32_t channel)
{
    const TSPMData* ch = ChannelOf(object, channel);
    return ch ? ch->RawPerColour : 0.0;
}
