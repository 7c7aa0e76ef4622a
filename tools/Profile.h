#pragma once
// The profile window: the cross-section of a processing step along a segment between two
// grid points, up to two graphs from two channels of the step sampled along the same
// segment, with one or two markers, bookmarks, middle lines, normalising and tilt removal,
// the profile statistics and length calibration. The segment is typed into the coordinates
// pane or dragged on the step's 2-D view of the window's channel, which the window borrows
// while it is active (tools/ViewGrip.h).

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "views/MdiChild.h"
#include "views/SavableWindow.h"
#include "components/ZtImage.h"
#include "data/DocumentHost.h"
#include "platform/core/Dialogs.h"
#include "platform/gui/Bitmap.h"
#include "processing/GridSelection.h"
#include "tools/Bookmark.h"
#include "tools/ViewGrip.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPushButton;
class QRadioButton;
class QToolButton;
class TObjectSPM;
class TSPMData;
class TSurfaceData;
class TToolEdit;
class TView2DForm;

class TProfileForm : public QWidget, public TStepWindow, public TSavableWindow {
    Q_OBJECT
public:
    //! The window of channel slot `channel` of the step, starting from the segment (x1, y1)–
    //! (x2, y2) (stored with x1 ≤ x2); it holds one reference to the step's data set until
    //! it is destroyed. With an MDI area the window lives in a subwindow of it.
    TProfileForm(TObjectSPM* step, int channel, int x1, int y1, int x2, int y2,
                 QMdiArea* area = nullptr);
    //! Releases the view's hooks, the buffers and the data set; the step forgets it.
    ~TProfileForm() override;

    //! Shows the window (its subwindow) and activates it.
    void Show();

    // TStepWindow.
    //! The step's data changed: RefreshChannels.
    void Refresh() override { RefreshChannels(); }
    void Focus() override;
    void CloseWindow() override;
    void SetCaption(const std::string& caption) override;

    // TSavableWindow.
    void SavePicture(const std::string& path) override;
    void SaveReport(const std::string& path) override;

    // Window life.
    void FormCreate();
    //! Takes the 2-D view of the window's channel from whoever holds it and builds the
    //! main window's view menu.
    void FormActivate();
    //! Hides the pane (storing the segment in the step) and leaves the step's list.
    void FormClose();
    void FormResize();
    //! Esc closes the window; Ctrl+C copies the picture. True when the key was used.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    //! After every change of the segment: the boxes show it, the bookmarks go, the graphs
    //! are sampled again (their tilt removed again where asked), the markers are limited
    //! to the new points and everything is drawn.
    void Update();
    //! After a change of the step's data: the choosers are filled again, the graphs take
    //! their channels anew (a graph whose channel has gone is switched off) and Update.
    void RefreshChannels();

    // Graph controls.
    void cbFirstGraphChange(QComboBox* sender);
    void rbActivate1Click(QRadioButton* sender);
    void PhaseImageDblClick(QObject* sender);
    void PhaseImageMouseUp(QObject* sender, platform::TMouseButton button,
                           platform::TShiftState shift, int x, int y);
    void cbNormalize1Click();
    void cbNormalize2Click();
    void cbEliminateTilt1Click(QCheckBox* sender);
    void rbTwoMarkersClick();
    void SetTwoMarkers(bool on);
    void btBookmarkClick();
    void btInfoClick();
    void btnCalibrateClick();
    void btCloseClick();

    // The picture.
    void FormMouseDown(QObject* sender, platform::TMouseButton button, platform::TShiftState shift,
                       int x, int y);
    void FormMouseMove(QObject* sender, platform::TShiftState shift, int x, int y);
    void FormMouseUp(QObject* sender, platform::TMouseButton button, platform::TShiftState shift,
                     int x, int y);
    //! Samples graph g along the segment into its buffer, with its range and its line.
    void Sample(int g);
    //! Axes and graphs into WorkBitmap, then the picture.
    void Redraw();
    void DrawGraph(int g);
    //! WorkBitmap, bookmarks, markers and the status line onto the picture.
    void PaintPicture();
    void PaintSwatches();
    void DrawMarker1();
    void DrawMarker2();
    void DrawStatusLine();
    //! The text of the status line (8-bit); sets CurrentChannel to the active graph's.
    std::string StatusLineText();
    //! The shown value of point i of graph g: relative to the graph's minimum when it is
    //! normalised.
    double GraphValue(int g, int i) const;
    //! The height the graph's area stands for: its span when normalised, else its maximum;
    //! 1 when that is 0.
    float GraphSpan(int g) const;
    //! The statistics of the active graph into the window's result fields.
    void ComputeStatistics();

    // The segment on the 2-D view.
    void btCoordinatesClick();
    //! "Hide pane": erases the overlay, hides the pane, releases the view and stores the
    //! segment in the step.
    void btOKClick();
    void CBShowMarkersOn2DClick();
    void x1EditKeyDown(QObject* sender, int& key, Qt::KeyboardModifiers shift);
    void x1EditKeyPress(QObject* sender, char& key);
    void x1EditExit();
    void y1EditExit();
    void x2EditExit();
    void y2EditExit();
    //! Takes the 2-D view of the window's channel from whoever holds it and binds its hooks
    //! (true), or releases them (false, only while they are this window's).
    void HookView(bool on);
    //! Lets go of the step: the view's hooks, the step's lists and the data set.
    void LeaveStep();
    void ViewMouseDown(QObject* sender, platform::TMouseButton button, platform::TShiftState shift,
                       int x, int y);
    void ViewMouseMove(QObject* sender, platform::TShiftState shift, int x, int y);
    void ViewMouseUp(QObject* sender, platform::TMouseButton button, platform::TShiftState shift,
                     int x, int y);
    void ViewRepainted(QObject* sender);
    void ViewToolChanged(QWidget* window);
    //! The segment, its handles and the marker squares on the view, in inverting mode (a
    //! second call with the same state erases them); only while the pane is visible.
    void DrawSegmentOnView();

    //! The step's 2-D view of the window's channel, null when it has none.
    TView2DForm* View() const;
    //! The step, null once it has let the window go.
    TObjectSPM* Step() const { return step_; }
    QMdiSubWindow* Frame() const { return mdi_ ? mdi_->Frame() : nullptr; }
    //! The segment as the sampling sees it.
    processing::TSegment Segment() const { return {X1, Y1, X2, Y2}; }
    //! Whether the coordinates pane is visible.
    bool PaneVisible() const;
    QSize sizeHint() const override;

    // Components.
    TZtImage* Image;
    QToolButton* btCoordinates;
    QFrame* CoordinatesPanel;
    QLabel* Label7;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    TToolEdit* x1Edit;
    TToolEdit* y1Edit;
    TToolEdit* x2Edit;
    TToolEdit* y2Edit;
    QToolButton* SpeedButton1;
    QFrame* Panel;
    QRadioButton* rbActivate1;
    QRadioButton* rbActivate2;
    QComboBox* cbFirstGraph;
    QComboBox* cbSecondGraph;
    TZtImage* TopographyImage;
    TZtImage* PhaseImage;
    QCheckBox* cbShowMidLine1;
    QCheckBox* cbShowMidLine2;
    QCheckBox* cbNormalize1;
    QCheckBox* cbNormalize2;
    QCheckBox* cbEliminateTilt1;
    QCheckBox* cbEliminateTilt2;
    QRadioButton* rbOneMarker;
    QRadioButton* rbTwoMarkers;
    QCheckBox* CBShowMarkersOn2D;
    QPushButton* btBookmark;
    QPushButton* btInfo;
    QPushButton* btnCalibrate;
    QPushButton* btClose;
    //! The colour dialog of the graph colours (run through platform::ColorDialogs()).
    platform::ColorDialogRequest ColorDialog;

    // Fields.
    bool ShowMarkersOn2D = false;
    std::array<std::unique_ptr<TBookmarks>, 2> Bookmarks;
    std::int16_t ActiveGraph = 0;
    TSurfaceData* DataSet = nullptr;  //!< one reference held by the window
    std::array<TSPMData*, 2> GraphChannel{};
    std::array<platform::TColor, 2> GraphColor{platform::clBlack, platform::clBlue};
    std::array<bool, 2> GraphEnabled{true, false};
    std::int8_t Channel = 0;  //!< the slot whose 2-D view the window uses
    std::array<TZtImage*, 2> Swatch{};
    TSPMData* CurrentChannel = nullptr;
    platform::TCanvas* Canvas = nullptr;
    std::int32_t X1 = 0;
    std::int32_t Y1 = 0;
    std::int32_t X2 = 0;
    std::int32_t Y2 = 0;
    //! The samples of each graph, BufferLength long.
    std::array<std::vector<float>, 2> Buffer;
    float* CurrentBuffer = nullptr;
    std::array<float, 2> Offset{};
    std::int32_t PointCount = 0;
    std::int32_t BufferLength = 0;
    std::unique_ptr<platform::TBitmap> WorkBitmap;
    double Base = 0;
    double CurrentTop = 0;
    std::array<double, 2> GraphMin{};
    std::array<double, 2> GraphMax{};
    double LengthPerPoint = 0;  //!< nm between neighbouring samples
    double ZPixelsPerUnit = 0;
    double PixelsPerPoint = 0;
    std::int32_t LastMarker = 0;
    std::int32_t Marker2 = 0;
    std::int32_t Marker1 = 0;
    std::int32_t MarginLeft = 40;
    std::int32_t MarginBottom = 20;
    std::int32_t StatusHeight = 20;
    bool DraggingMarker1 = false;
    bool DraggingMarker2 = false;
    bool DraggingBookmark = false;
    bool TwoMarkers = false;
    double SurfaceLength = 0, Rku = 0, Rsk = 0, Rq = 0, Ra = 0, Mean = 0, Sm = 0, R = 0, S = 0;
    std::array<double, 2> Slope{};
    std::array<double, 2> Intercept{};
    std::array<double, 2> SavedSlope{};
    //! The samples of each graph as they were before its tilt was removed.
    std::array<std::vector<float>, 2> TiltedSamples;
    std::int32_t ProfileWidth = 0;
    std::int32_t ProfileHeight = 0;
    //! The drag on the 2-D view: GrabStart, GrabEnd, NewPair (a new segment) and the anchor.
    processing::TEndsDrag SegmentDrag;
    //! The segment's hold on the view: its hooks, its drag and its repaints.
    TViewGrip Grip;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateComponents();
    void PlaceComponents();
    //! The channel of each chooser item's name, the present channels in slot order.
    void FillChoosers();
    //! Both markers erased, graph g active, both drawn, swatches and status line.
    void Activate(int g);
    //! The value a coordinate box leaves, or a report of why it cannot.
    void CoordinateExit(TToolEdit* box, processing::TEndCoordinate which);
    void ShowCoordinates();
    //! The pixel row of value u of the graph last measured (ZPixelsPerUnit).
    int PixelRowOf(double u) const;
    //! H: the height of the graph part of the picture.
    int GraphHeight() const;
    //! The ends of the segment given by a drag step.
    void SetSegment(const processing::TSegment& s);
    //! Marker m moved to point q (erasing and drawing it and the overlay).
    void MoveMarker(int which, int q);
    //! Removes (on) or puts back (off) the tilt of graph g, and takes its range anew.
    void ApplyTilt(int g, bool on);
    //! The segment, its handles and the marker squares through the overlay.
    void PaintSegment(TViewOverlay& overlay, const processing::TGridMapping& mapping);

    TObjectSPM* step_ = nullptr;
    std::unique_ptr<TMdiChild> mdi_; //!< the subwindow in the main window's MDI area
    bool closed_ = false;
    bool destroying_ = false;
};

//! Creates a profile window of the step for its current channel from its profile segment,
//! in the MDI area, shown and active; null when the step has no such channel.
TStepWindow* NewProfileWindow(TObjectSPM* step, QMdiArea* area);

//! Writes the window's picture (graphs, bookmarks, markers and status line) as a BMP file;
//! a failed write is reported.
void SaveProfilePicture(TProfileForm* window, const std::string& fileName);
