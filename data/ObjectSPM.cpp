#include "ObjectSPM.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "Fileformat.h"
#include "ObjectFile.h"
#include "Samples.h"
#include "platform/core/Files.h"
#include "platform/core/Messages.h"
#include "platform/core/Text.h"

namespace {

TFileFormat* BuiltInFormat(int slot)
{
    if (slot < 0 || slot >= FileFormatCount || slot >= MaxFileFormats)
        return nullptr;
    return FileFormats[slot].get();
}

// The display name of the first channel of the set whose values no 16-bit reading gives
// back; "" when all fit.
std::string ChannelOutOfRange(TSurfaceData& data, const ChannelSet& channels, samples::Reading16 reading)
{
    for (int c = NextChannel(NoChannel, channels); c != NoChannel; c = NextChannel(c, channels)) {
        TSPMData* channel = data.Channel(c);
        if (!channel)
            continue;
        channel->Lock();
        const std::int64_t count = channel->Block ? std::min<std::int64_t>(channel->SampleCount(),
                                                                           channel->Block->Size() / 4)
                                                  : 0;
        const bool fits = !channel->Data || samples::Offset16(channel->Data, count, reading).has_value();
        channel->Unlock();
        if (!fits)
            return platform::Cp1251ToUtf8(channel->Name.empty()
                                              ? FieldText(ChannelNames[c], sizeof ChannelNames[c])
                                              : channel->Name);
    }
    return {};
}

}  // namespace

void ShowValueLimitError(int low, int high)
{
    char text[64];
    std::snprintf(text, sizeof text, "Value limit %d - %d", low, high);
    platform::ShowMessage(text, "Error input", platform::MessageIcon::Error);
}

// ---------------------------------------------------------------------------------
// Construction

TObjectSPM::TObjectSPM(TObjectFile* owner, std::unique_ptr<TSurfaceData> data)
    : Owner(owner), SurfaceData(std::move(data))
{
    FetchChannels();
    InitRectangles();
    InitViewSettings();
    if (SurfaceData)
        SurfaceData->ComputeStatistics(NoChannel);
}

TObjectSPM::TObjectSPM(TObjectFile* owner, int formatIndex, const std::string& path) : Owner(owner)
{
    LoadFromFile(nullptr, formatIndex, path);
}

TObjectSPM::TObjectSPM(TObjectFile* owner, const ChannelSet& channels, int formatIndex,
                       const std::string& path)
    : Owner(owner)
{
    LoadFromFile(&channels, formatIndex, path);
}

TObjectSPM::TObjectSPM(TObjectFile* owner, const std::string& stepName, int stepNumber,
                       TObjectSPM& source)
    : Owner(owner), StepNumber(stepNumber), StepName(stepName)
{
    CopyFromSource(source, nullptr);
}

TObjectSPM::TObjectSPM(TObjectFile* owner, const std::string& stepName, int stepNumber, int left,
                       int top, int right, int bottom, TObjectSPM& source)
    : Owner(owner), StepNumber(stepNumber), StepName(stepName)
{
    const TRect32 cut{left, top, right, bottom};
    CopyFromSource(source, &cut);
}

void TObjectSPM::LoadFromFile(const ChannelSet* request, int formatIndex, const std::string& path)
{
    FileName = platform::ExtractFileName(path);
    auto data = std::make_unique<TSurfaceData>(path);
    TFileFormat* format = BuiltInFormat(formatIndex);

    std::int32_t status = format ? ReadInfoWithFormat(format, formatIndex, data.get()) : fmtErrorFormat;
    if (!format)
        ShowFormatError(nullptr, status);
    if (status == fmtOk) {
        ChannelSet channels = data->Available;
        if (request)
            for (int c = 0; c <= MarkersChannel; ++c)
                if (!request->Contains(c))
                    channels.Exclude(c);
        status = LoadWithFormat(format, path, data.get(), &channels);
        data->Present = channels;
        // Without channel 0 there is no step: its size, rectangles and settings come from it.
        if (status == fmtOk && !data->Channel(0)) {
            status = fmtErrorFormat;
            ShowFormatError(format, status);
        }
    }
    if (status != fmtOk) {
        platform::ShowError(LoadErrorText(status));
        return;  // no data set: the creator discards the step
    }
    SurfaceData = std::move(data);

    if (!request) {
        DocumentHost().RunLinkDataDialog(this);
        if (!SurfaceData->Channel(0)) {
            ShowFormatError(format, fmtErrorFormat);
            platform::ShowError(LoadErrorText(fmtErrorFormat));
            SurfaceData.reset();
            return;
        }
    }
    FetchChannels();
    InitRectangles();
    InitViewSettings();
    SurfaceData->ComputeStatistics(NoChannel);
}

void TObjectSPM::CopyFromSource(TObjectSPM& source, const TRect32* cut)
{
    ViewSettings = source.ViewSettings;
    FileName = source.FileName;
    TSurfaceData* from = source.SurfaceData.get();
    if (!from)
        return;
    from->Acquire();
    auto data = std::make_unique<TSurfaceData>(from->SourceFile);
    const bool ok = cut ? data->CropFrom(*from, cut->Left, cut->Top, cut->Right, cut->Bottom)
                        : data->CopyFrom(*from);
    if (ok)
        SurfaceData = std::move(data);
    FetchChannels();
    InitRectangles();
    from->Release();
}

TObjectSPM::~TObjectSPM()
{
    DocumentHost().StepDestroyed(this);
    // While its windows go, the step holds the data set itself, so that their releases do
    // not send it to a swap file that is deleted a moment later.
    if (SurfaceData && !SurfaceData->SwappedOut)
        SurfaceData->Acquire();

    delete std::exchange(CropTool, nullptr);
    for (TStepWindow* profile : std::exchange(Profiles, {}))
        delete profile;
    ActiveProfile = nullptr;
    for (TStepWindow*& view : Views)
        delete std::exchange(view, nullptr);
    CurrentView = nullptr;
    CropView = nullptr;
    SurfaceData.reset();
    for (TStepWindow** slot : {&View3D, &AngleWindow, &InfoWindow, &HeightsWindow}) {
        if (TStepWindow* w = std::exchange(*slot, nullptr)) {
            w->Detach();
            delete w;
        }
    }
}

// ---------------------------------------------------------------------------------
// Settings and updates

std::array<std::unique_ptr<TSPMData>, ChannelCount>& TObjectSPM::GetChannels()
{
    return SurfaceData->GetChannels();
}

void TObjectSPM::FetchChannels()
{
    Channel0 = SurfaceData ? SurfaceData->Channel(0) : nullptr;
    Channel2 = SurfaceData ? SurfaceData->Channel(2) : nullptr;
}

void TObjectSPM::InitRectangles()
{
    if (Channel0)
        ProfileSegment = {0, 0, Channel0->Header.Width - 1, Channel0->Header.Height - 1};
    Selection = ProfileSegment;
}

void TObjectSPM::InitViewSettings()
{
    ViewSettings = TViewSettings{};
    ViewSettings.PhaseAvailable = Channel2 != nullptr;
    ViewSettings.InfoTextFont = std::make_shared<TFont>();
    if (Channel0) {
        const int half = std::min(Channel0->Header.Width / 2, Channel0->Header.Height / 2);
        std::int64_t range = Channel0->GetRange();
        if (range == 0)
            range = 1;
        ViewSettings.ScaleZ = double(half) / double(range);
    }
}

void TObjectSPM::RefreshChannelValues(TSPMData& channel)
{
    channel.ComputeRange();
    if (channel.HasPalette) {
        channel.RescalePalette();
        channel.BuildPalette();
    } else {
        channel.DefaultPalette();
    }
}

void TObjectSPM::RefreshProfiles()
{
    // Every profile window, not only the last one opened: the others would otherwise keep
    // channels that a changed data set has freed.
    const std::vector<TStepWindow*> profiles = Profiles;
    for (TStepWindow* profile : profiles)
        profile->Refresh();
}

void TObjectSPM::CloseAnalysisWindows()
{
    for (TStepWindow** slot : {&AngleWindow, &InfoWindow, &HeightsWindow})
        if (TStepWindow* w = std::exchange(*slot, nullptr))
            w->CloseWindow();
}

void TObjectSPM::UpdateAll()
{
    FetchChannels();
    // A set that could not come back from its swap file holds shells only.
    if (!SurfaceData || SurfaceData->SwappedOut)
        return;
    SurfaceData->ComputeStatistics(NoChannel);
    if (View3D)
        View3D->Refresh();
    for (int c = 0; c < ChannelCount; ++c) {
        TSPMData* channel = SurfaceData->Present.Contains(c) ? SurfaceData->Channel(c) : nullptr;
        if (channel) {
            RefreshChannelValues(*channel);
            if (Views[c])
                Views[c]->Refresh();
        } else if (TStepWindow* view = Views[c]) {
            ChannelViewClosed(view);
            view->CloseWindow();
        }
    }
    RefreshProfiles();
    CloseAnalysisWindows();
}

void TObjectSPM::UpdateChannel(int channel)
{
    FetchChannels();
    if (!SurfaceData || SurfaceData->SwappedOut)
        return;
    if (SurfaceData->Present.Contains(channel)) {
        if (TSPMData* ch = SurfaceData->Channel(channel)) {
            ch->ComputeStatistics();
            RefreshChannelValues(*ch);
            if (Views[channel])
                Views[channel]->Refresh();
        }
    }
    // The 3-D view too: it may show the channel, or hold the one the channel replaced.
    if (View3D)
        View3D->ChannelChanged(channel);
    RefreshProfiles();
    CloseAnalysisWindows();
}

// ---------------------------------------------------------------------------------
// Channels

bool TObjectSPM::AddChannel(int c, int width, int height, double xStep, double yStep,
                            double zScale, const char* zUnit, const std::string& name)
{
    if (!SurfaceData || SurfaceData->SwappedOut || c < 0 || c >= ChannelCount)
        return false;
    if (width < 1 || width > 65535 || height < 1 || height > 65535)
        return false;
    if (c < FirstUserChannel &&
        (width != SurfaceData->Header.Width || height != SurfaceData->Header.Height))
        return false;
    auto channel = std::make_unique<TSPMData>(width, height, c);
    if (!channel->Block)
        return false;

    if (!name.empty())
        SetChannelName(c, name.c_str());
    const std::string slotName = FieldText(ChannelNames[c], sizeof ChannelNames[c]);
    const TLocateData added{"", static_cast<std::int8_t>(c), 1};
    auto& list = SurfaceData->ChannelList;
    auto entry = std::find_if(list.begin(), list.end(),
                              [c](const TChannelListEntry& e) { return e.Locate.Channel == c; });
    if (SurfaceData->Present.Contains(c) && entry != list.end()) {
        SurfaceData->Channels[c].reset();
        entry->Locate = added;
        entry->Name = name.empty() ? slotName : name;
    } else {
        SurfaceData->Channels[c].reset();
        list.push_back({slotName, added});
    }

    channel->Header.XStep = static_cast<float>(xStep);
    channel->Header.YStep = static_cast<float>(yStep);
    channel->Header.ZScale = static_cast<float>(zScale);
    if (TSPMData* ch0 = SurfaceData->Channel(0))
        CopyText(channel->Header.XYUnit, sizeof channel->Header.XYUnit, ch0->Header.XYUnit,
                 sizeof ch0->Header.XYUnit);
    if (zUnit)
        CopyText(channel->Header.ZUnit, sizeof channel->Header.ZUnit, zUnit, std::strlen(zUnit));
    CopyText(channel->Header.Name, sizeof channel->Header.Name, ChannelNames[c], sizeof ChannelNames[c]);
    channel->Name = slotName;
    SurfaceData->Channels[c] = std::move(channel);
    SurfaceData->Present.Include(c);
    FetchChannels();
    return true;
}

bool TObjectSPM::AddChannelLikeData(int channel, const char* zUnit, double xStep, double yStep,
                                    double zScale, const std::string& name)
{
    if (!SurfaceData)
        return false;
    return AddChannel(channel, SurfaceData->Header.Width, SurfaceData->Header.Height, xStep, yStep,
                      zScale, zUnit, name);
}

void TObjectSPM::DeleteChannel(int c)
{
    if (!SurfaceData || !SurfaceData->Present.Contains(c) || c < 0 || c >= ChannelCount)
        return;
    SurfaceData->DeleteChannel(c);
    if (SurfaceData->Present.Contains(c))
        return;  // the set refused: it is in its swap file, and the channel stays listed
    auto& list = SurfaceData->ChannelList;
    auto entry = std::find_if(list.begin(), list.end(),
                              [c](const TChannelListEntry& e) { return e.Locate.Channel == c; });
    if (entry != list.end())
        list.erase(entry);
    FetchChannels();
}

std::int32_t TObjectSPM::SaveToFile(const std::string& path, bool allChannels)
{
    TFileFormat* format = BuiltInFormat(allChannels ? 1 : 0);
    std::int32_t status = fmtErrorFormat;
    std::string outOfRange;
    if (format && format->Kind == 0 && SurfaceData) {
        SurfaceData->Acquire();
        ChannelSet single{CurrentChannel()};
        ChannelSet& channels = allChannels ? SurfaceData->Present : single;
        // Written beside the target and put in its place only when whole, so that a failed
        // save never destroys the file that was there.
        platform::FileReplacement replacement(path);
        if (!replacement.Ready()) {
            status = fmtErrorCreate;
        } else {
            status = SaveWithFormat(format, replacement.TempPath(), SurfaceData.get(), &channels);
            if (status == fmtOk && !replacement.Commit())
                status = fmtErrorCreate;
        }
        if (status == fmtErrorRange)
            outOfRange = ChannelOutOfRange(*SurfaceData, channels, allChannels ? samples::Reading16::ShiftedSigned
                                                                  : samples::Reading16::LowBits);
        SurfaceData->Release();
    }
    if (status == fmtErrorRange)
        platform::ShowError("\"" + outOfRange +
                            "\" spans more than the format holds: its values do not fit 16-bit samples. "
                            "It can be brought into range by dividing it with Arithmetic; the file was not written.");
    else if (status != fmtOk)
        platform::ShowError(FormatErrorText(status));
    return status;
}

// ---------------------------------------------------------------------------------
// Windows

int TObjectSPM::CurrentChannel() const { return CurrentView ? CurrentView->Channel() : 0; }

void TObjectSPM::ShowChannelView(int c)
{
    if (!SurfaceData)
        return;
    if (c == NoChannel || c == -1) {
        c = -1;
        for (const auto& entry : SurfaceData->ChannelList) {
            const int ch = entry.Locate.Channel;
            if (ch >= 0 && ch < ChannelCount && SurfaceData->Present.Contains(ch) &&
                SurfaceData->Channel(ch) && !Views[ch]) {
                c = ch;
                break;
            }
        }
        if (c < 0)
            return;
    }
    if (c < 0 || c >= ChannelCount)
        return;
    TSPMData* channel = SurfaceData->Present.Contains(c) ? SurfaceData->Channel(c) : nullptr;
    if (!channel) {
        const std::string name =
            platform::Cp1251ToUtf8(FieldText(ChannelNames[c], sizeof ChannelNames[c]));
        platform::ShowMessage("Data of " + name + " is not loaded", "Error",
                              platform::MessageIcon::Information);
        return;
    }
    if (Views[c]) {
        Views[c]->Focus();
        return;
    }
    TStepWindow* view = DocumentHost().CreateChannelView(this, c);
    if (!view)
        return;
    Views[c] = view;
    // The caption is as long as the file name needs: a long path keeps its " #1".
    view->SetCaption("View " +
                     platform::Cp1251ToUtf8(FieldText(channel->Header.Name, sizeof channel->Header.Name)) +
                     " - " + FileName + " #" + std::to_string(StepNumber));
    CurrentView = view;
    if (CropTool && c == CropChannel)
        CropView = view;
}

void TObjectSPM::ChannelViewClosed(TStepWindow* view)
{
    if (CropView && (CropView == CurrentView || CropView == view))
        CropView = nullptr;
    for (TStepWindow*& slot : Views)
        if (slot == view)
            slot = nullptr;
    CurrentView = nullptr;
    for (TStepWindow* v : Views)
        if (v) {
            CurrentView = v;
            break;
        }
}

void TObjectSPM::OpenWindow(int kind)
{
    if (kind < 1) {
        ShowChannelView(NoChannel);
        return;
    }
    if (kind > 5)
        return;
    if (kind == 2) {
        OpenProfileView();
        return;
    }
    TStepWindow** slot = kind == 1 ? &View3D : kind == 3 ? &HeightsWindow : kind == 4 ? &AngleWindow
                         : kind == 5 ? &InfoWindow : nullptr;
    if (slot && *slot) {
        (*slot)->Focus();
        return;
    }
    TStepWindow* window = DocumentHost().CreateStepWindow(this, kind);
    if (!window)
        return;
    const std::string number = std::to_string(StepNumber);
    const std::string channelName = platform::Cp1251ToUtf8(
        FieldText(ChannelNames[CurrentChannel()], sizeof ChannelNames[CurrentChannel()]));
    switch (kind) {
    case 1: window->SetCaption("View - " + FileName + " #" + number); break;
    case 3: window->SetCaption("Height analysis - " + FileName + "(" + channelName + ") #" + number); break;
    case 4: window->SetCaption("Angular analysis - " + FileName + "(" + channelName + ") #" + number); break;
    case 5: window->SetCaption("Surface Info - " + FileName + " #" + number); break;
    }
    *slot = window;
}

void TObjectSPM::RedrawChannelView(int channel)
{
    if (channel >= 0 && channel < ChannelCount && Views[channel])
        Views[channel]->Refresh();
}

namespace {
int ZoomIndexOf(int zoom) { return zoom == 8 ? 3 : zoom == 4 ? 2 : zoom == 2 ? 1 : 0; }
}  // namespace

void TObjectSPM::BuildViewMenu()
{
    std::vector<std::pair<std::string, int>> items;
    if (SurfaceData)
        for (const auto& entry : SurfaceData->ChannelList)
            if (SurfaceData->Present.Contains(entry.Locate.Channel))
                items.emplace_back(platform::Cp1251ToUtf8(entry.Name), entry.Locate.Channel);
    DocumentHost().BuildViewMenu(this, items, CurrentView ? ZoomIndexOf(CurrentView->Zoom()) : 0);
    if (Owner)
        Owner->Activate(this);
    DocumentHost().AttachViewLayout(this);
}

void TObjectSPM::ChannelMenuClick(int channel) { ShowChannelView(channel); }

void TObjectSPM::ZoomClick(TZoomSender sender, int value)
{
    if (!CurrentView)
        return;
    if (sender == TZoomSender::ZoomBox) {
        if (value < 0 || value > 3)
            return;
        value = 1 << value;
    }
    CurrentView->SetZoom(value);
    // A zoom the user cancelled falls back to 1: show what the view really has.
    DocumentHost().ShowZoomIndex(ZoomIndexOf(CurrentView ? CurrentView->Zoom() : 1));
}

void TObjectSPM::EnsureCurrentView()
{
    if (CurrentView) {
        CurrentView->Focus();
        return;
    }
    if (!Views[0] && SurfaceData && SurfaceData->Channel(0))
        Views[0] = DocumentHost().CreateChannelView(this, 0);
    CurrentView = Views[0];
}

void TObjectSPM::OpenProfileView()
{
    EnsureCurrentView();
    TStepWindow* profile = DocumentHost().CreateStepWindow(this, 2);
    if (!profile)
        return;
    ActiveProfile = profile;
    Profiles.push_back(profile);
    profile->SetCaption("View Profile - " + FileName + " #" + std::to_string(StepNumber));
}

void TObjectSPM::OpenCropTool()
{
    if (CropTool && CropTool->ToolMode() != 2)
        CropTool->CloseWindow();  // its closing clears the slot
    if (CropTool) {
        CropTool->Focus();
        return;
    }
    EnsureCurrentView();
    CropTool = DocumentHost().CreateCropTool(this);
}

void CropToolResult(TObjectSPM* step, int result, int x1, int y1, int x2, int y2)
{
    step->Selection = {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    TObjectFile* file = step->Owner;
    if (result == 1 && file) {
        const TRect32 r = step->Selection;
        char name[96];
        std::snprintf(name, sizeof name, "Copy rectangle [%d;%d]-[%d;%d]", r.Left, r.Top, r.Right, r.Bottom);
        auto cut = std::make_unique<TObjectSPM>(file, name, file->StepCounter + 1, r.Left, r.Top,
                                                r.Right, r.Bottom, *step);
        if (cut->Loaded()) {
            TObjectSPM* added = cut.get();
            file->AppendStep(name, std::move(cut));
            added->ShowChannelView(step->CurrentChannel());
            added->SurfaceData->Release();
        }
    }
    step->CropTool = nullptr;
}
