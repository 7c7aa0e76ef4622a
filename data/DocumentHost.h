#pragma once
// What the document model needs of the windows around it. The main window and the views
// implement these interfaces; the model reaches them only through here, so that it
// builds and is tested without a display.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TObjectSPM;
class TObjectFile;

//! A colour, red in the low byte, green in the next and blue in the third.
using TColor = std::uint32_t;

//! A font as the views draw it: face, size in points, colour, style bits.
struct TFont {
    std::string Name = "MS Sans Serif";
    int Size = 8;
    TColor Color = 0x000000;
    bool Bold = false;
    bool Italic = false;
};

//! An inclusive rectangle of point indexes (or a segment from (Left, Top) to (Right, Bottom)).
struct TRect32 {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool operator==(const TRect32&) const = default;
};

//! A window that belongs to a step: a 2-D view, the 3-D view, a profile window, an
//! analysis window or the crop tool. The step deletes some of its windows itself and
//! detaches the others before it goes.
class TStepWindow {
public:
    virtual ~TStepWindow() = default;
    //! Draws again from the step's data (a 2-D view its image, the 3-D view its surface,
    //! a profile window its profile).
    virtual void Refresh() {}
    //! The values of one channel changed in place, or the channel was replaced or added
    //! (`TObjectSPM::UpdateChannel`): the window takes its channels from the data set again
    //! and draws anew what it shows of that channel. Refresh() unless the window knows better.
    virtual void ChannelChanged(int channel) { Refresh(); }
    //! Brings the window to the front and gives it the focus.
    virtual void Focus() {}
    //! Closes the window; the window tells its step as it goes.
    virtual void CloseWindow() {}
    //! Forgets the owning step: the window is destroyed without releasing the data set
    //! or clearing a slot.
    virtual void Detach() {}
    virtual void SetCaption(const std::string& caption) {}
    //! The channel a 2-D view shows.
    virtual int Channel() const { return 0; }
    //! The crop tool's mode (it works on its step's view in mode 2).
    virtual int ToolMode() const { return 0; }
    //! The zoom factor of a 2-D view: 1, 2, 4 or 8.
    virtual int Zoom() const { return 1; }
    virtual void SetZoom(int zoom) {}
    //! Takes over the step's view settings and draws with them (the 3-D view: heights, skin,
    //! scales, distance and light); the view-layout window calls it after changing them.
    virtual void ApplySettings() {}
    //! Paints again from what the window holds, re-reading neither data nor settings (the
    //! 3-D view's panel, whose colours, draw flags and info font come from the settings at
    //! every paint).
    virtual void Repaint() {}
    //! The 3-D view's draw type (0 to 5) and mesh step (1 to 10) in use.
    virtual void SetDrawType(int drawType) {}
    virtual void SetDrawStep(int drawStep) {}
    //! Shows or hides the 3-D view's scroll bars.
    virtual void ShowScrollBars(bool visible) {}
};

//! The main window as the documents see it.
class IDocumentHost {
public:
    virtual ~IDocumentHost() = default;
    //! Makes the file current and selects its entry in the "File:" chooser.
    virtual void SetCurrentFile(TObjectFile* file) {}
    //! Refills the "Step:" chooser with the texts and selects one; its clicks go to `file`.
    virtual void FillStepChooser(TObjectFile* file, const std::vector<std::string>& texts,
                                 int selected) {}
    virtual void AppendStepChooser(const std::string& text) {}
    virtual void ClearStepChooser() {}
    //! The "Step:" chooser's selection, -1 when none.
    virtual int StepChooserIndex() const { return -1; }
    //! Runs the modal link-data dialog for a freshly loaded step.
    virtual void RunLinkDataDialog(TObjectSPM* step) {}
    //! Creates the 2-D view of a channel of the step, null when views cannot be made.
    virtual TStepWindow* CreateChannelView(TObjectSPM* step, int channel) { return nullptr; }
    //! Creates a window of another kind for the step (TObjectSPM::OpenWindow's kinds 1 to
    //! 5), null while that kind of window does not exist.
    virtual TStepWindow* CreateStepWindow(TObjectSPM* step, int kind) { return nullptr; }
    //! Creates the crop tool of the step in mode 2 on its current view, null while the
    //! tool does not exist.
    virtual TStepWindow* CreateCropTool(TObjectSPM* step) { return nullptr; }
    //! Fills the 2-D view button's menu with (text, channel) items and shows the zoom
    //! index 0 to 3; menu clicks and zoom choices go to `step` from now on.
    virtual void BuildViewMenu(TObjectSPM* step, const std::vector<std::pair<std::string, int>>& items,
                               int zoomIndex) {}
    //! Shows a zoom index 0 to 3 in the zoom chooser and checks that zoom menu item.
    virtual void ShowZoomIndex(int zoomIndex) {}
    //! Hands the step to the view-layout window (null: none).
    virtual void AttachViewLayout(TObjectSPM* step) {}
    //! The 3-D view of the step changed its Zoom3D (a right-button drag): the view-layout
    //! window's zoom bar follows when it shows the step.
    virtual void Zoom3DChanged(TObjectSPM* step) {}
    //! A step is about to go: nothing of the host may stay bound to it.
    virtual void StepDestroyed(TObjectSPM* step) {}
};

//! Installs the host (nullptr: none; the documents then work without windows).
void SetDocumentHost(IDocumentHost* host);
//! The host in force; a do-nothing host when none is installed.
IDocumentHost& DocumentHost();
