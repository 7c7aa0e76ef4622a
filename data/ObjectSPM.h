#pragma once
// One processing step of an opened file: its data set, its number and operation name,
// its rectangles, the settings of its views and the windows that show it.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Channels.h"
#include "DocumentHost.h"
#include "Surfacedata.h"

//! Settings of a step's 2-D and 3-D views; copies and cuts take them whole, the font
//! included (both steps then share the same font).
struct TViewSettings {
    bool ApplyPhase = false;
    bool PhaseAvailable = false;
    std::int32_t SkinChannel = 0;
    bool LightOn = false;
    bool ShowScrollBars = false;
    bool DrawLateralFace = false;
    bool DrawAxis = false;
    bool DrawInside = true;
    bool DrawInfoText = true;
    std::int32_t AngleAlfa = 30;  //!< light tilt, degrees 0 to 90
    std::int32_t AngleFi = 0;     //!< light polar angle, degrees 0 to 360
    double ScaleZ = 1.0;
    double ScaleXY = 1.0;
    float Zoom3D = 1.5f;
    std::int32_t TypeDrawState = 5;
    std::int32_t TypeDrawMove = 5;
    std::int16_t StepMove = 5;
    std::int16_t StepState = 1;
    std::shared_ptr<TFont> InfoTextFont;
    TColor Color3D = 0xFFFFFF;
    TColor Color2D = 0xFFFFFF;
    TColor ColorGrid = 0x000000;
    TColor ColorLateralFace = 0x808080;
    TColor ColorAxis = 0x000000;
};

//! The message box "Value limit %d - %d", caption "Error input".
void ShowValueLimitError(int low, int high);

class TObjectSPM;
//! The crop tool closed with `result` (1: its OK) and the corners (x1, y1), (x2, y2):
//! the step keeps the normalised rectangle as its selection and, on OK, a cut of it
//! becomes the next step of the file.
void CropToolResult(TObjectSPM* step, int result, int x1, int y1, int x2, int y2);

class TObjectSPM {
public:
    //! Wraps a data set that the caller built; the step takes it over.
    TObjectSPM(TObjectFile* owner, std::unique_ptr<TSurfaceData> data);
    //! Reads every channel of the file through the format table, then runs the link-data
    //! dialog. On failure the step has no data set (Loaded() is false).
    TObjectSPM(TObjectFile* owner, int formatIndex, const std::string& path);
    //! Reads the requested channels that the file offers; no dialog.
    TObjectSPM(TObjectFile* owner, const ChannelSet& channels, int formatIndex,
               const std::string& path);
    //! A deep copy of the source step's data set.
    TObjectSPM(TObjectFile* owner, const std::string& stepName, int stepNumber, TObjectSPM& source);
    //! A copy cut to the inclusive rectangle.
    TObjectSPM(TObjectFile* owner, const std::string& stepName, int stepNumber, int left, int top,
               int right, int bottom, TObjectSPM& source);
    ~TObjectSPM();
    TObjectSPM(const TObjectSPM&) = delete;
    TObjectSPM& operator=(const TObjectSPM&) = delete;

    //! False when the step could not be built (no data set); its creator discards it.
    bool Loaded() const { return SurfaceData != nullptr; }

    std::array<std::unique_ptr<TSPMData>, ChannelCount>& GetChannels();
    void InitViewSettings();
    void UpdateAll();
    void UpdateChannel(int channel);
    //! Adds a zero-filled channel to slot c or replaces it; false for a slot outside 0..29,
    //! a size outside 1..65535, or an instrument slot whose size differs from the set's.
    bool AddChannel(int channel, int width, int height, double xStep, double yStep, double zScale,
                    const char* zUnit, const std::string& name);
    bool AddChannelLikeData(int channel, const char* zUnit, double xStep, double yStep,
                            double zScale, const std::string& name);
    void DeleteChannel(int channel);
    //! Saves every present channel as SPM1 (allChannels) or the current channel as SPM0.
    //! The old file is replaced only when the new one was written whole (a symbolic link
    //! is written through, the permission bits are kept, a read-only file is refused); a
    //! failure is reported ("Error" box, naming the channel whose values the format cannot
    //! hold) and its status returned.
    std::int32_t SaveToFile(const std::string& path, bool allChannels);

    // Windows.
    //! The channel of CurrentView, 0 without one.
    int CurrentChannel() const;
    //! Opens or focuses the 2-D view of a channel (255: the next channel without a view).
    void ShowChannelView(int channel);
    //! A 2-D view tells its step that it closes.
    void ChannelViewClosed(TStepWindow* view);
    //! Opens or focuses a window: below 1 a 2-D view, 1 the 3-D view, 2 a profile,
    //! 3 heights, 4 angle analysis, 5 surface information; above 5 nothing.
    void OpenWindow(int kind);
    //! Opens a new profile window on the current view (channel 0's view when none).
    void OpenProfileView();
    //! Opens the crop tool, or focuses the one open in mode 2.
    void OpenCropTool();
    //! The channel's 2-D view, if open, redraws.
    void RedrawChannelView(int channel);
    //! Fills the main window's view menu and zoom controls for this step and makes the
    //! step and its file current.
    void BuildViewMenu();
    void ChannelMenuClick(int channel);
    //! Where a zoom command comes from.
    enum class TZoomSender { MenuItem, ZoomBox };
    //! A zoom command for the current view: from a zoom menu item with its tag 1, 2, 4
    //! or 8, or from the zoom box with its index 0 to 3.
    void ZoomClick(TZoomSender sender, int value);

    TObjectFile* Owner = nullptr;
    std::int32_t StepNumber = 1;
    std::string StepName;
    TRect32 Selection;
    TRect32 ProfileSegment;
    std::unique_ptr<TSurfaceData> SurfaceData;
    TSPMData* Channel0 = nullptr;
    TSPMData* Channel2 = nullptr;
    std::string FileName;
    TViewSettings ViewSettings;

    // Window slots; null while the window is closed.
    TStepWindow* CropTool = nullptr;
    std::uint8_t CropChannel = 0;
    TStepWindow* CurrentView = nullptr;
    TStepWindow* CropView = nullptr;
    std::array<TStepWindow*, ChannelCount> Views{};
    TStepWindow* View3D = nullptr;
    TStepWindow* AngleWindow = nullptr;
    TStepWindow* InfoWindow = nullptr;
    TStepWindow* HeightsWindow = nullptr;
    TStepWindow* ActiveProfile = nullptr;
    std::vector<TStepWindow*> Profiles;

private:
    void LoadFromFile(const ChannelSet* request, int formatIndex, const std::string& path);
    void FetchChannels();
    void InitRectangles();
    void CopyFromSource(TObjectSPM& source, const TRect32* cut);
    void RefreshChannelValues(TSPMData& channel);
    //! The current view, or a new caption-less view of channel 0 when there is none.
    void EnsureCurrentView();
    void CloseAnalysisWindows();
    //! Every profile window of the step takes the changed data anew.
    void RefreshProfiles();
};
