#pragma once
// The angle-analysis window: the tilt of the surface normals as bars over 0° to a visible
// angle and their orientation as a rose over 360°, for the points above a height level,
// with the most frequent tilt and orientation, a picture and a text report.
//
// The normals are computed once (processing/Angles.h); a change of the level, the bars or
// the sectors bins the kept angles again.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gui/Colors.h"
#include "processing/Angles.h"
#include "tools/AnalysisWindow.h"

class QLabel;
class QLineEdit;
class QSlider;
class QWidget;
class TSPMData;
class TZtImage;
namespace platform {
class TCanvas;
}

//! The text report of the counters: the tilt rows (bar start in degrees, per cent of `area`
//! points) and the orientation rows (sector centre in degrees, per cent); an area of 0
//! prints 0 per cent.
std::string AngleReport(const processing::TAngleCounts& counts, double area);

class TAngleAnalysis : public TAnalysisWindow {
    Q_OBJECT
public:
    //! The window of the step's current channel, computed at once. A channel with a zero X
    //! or Y step is refused with a message, and the window is then not computed.
    TAngleAnalysis(TObjectSPM* step, QMdiArea* area = nullptr);
    ~TAngleAnalysis() override;

    //! True once the counters have been computed (the charts are drawn only then).
    bool Computed() const { return computed_; }

    void Compute();
    void DrawTiltChart();
    void DrawOrientationChart();
    void FindRange();
    void FitVisibleDegrees();
    //! Shows `degrees` (only 5 to 90) as the visible angle, through the track bar.
    void SetVisibleDegrees(std::int16_t degrees);
    //! The raw value of the locked matrix at (row, column).
    std::int32_t HeightAt(int row, int column) const;
    void ShowValueLimit(int low, int high);

    // Handlers.
    void FormResize();
    //! Ctrl+C copies the picture.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    void edCountBarsExit();
    void edCountBarsKeyDown(int key);
    void edCountSectorsExit();
    void edCountSectorsKeyDown(int key);
    void TrackBarChange();
    void tbLevelChange();

    void SavePicture(const std::string& path) override;
    void SaveReport(const std::string& path) override;

    // Fields.
    TSPMData* ChannelData = nullptr;
    const std::int32_t* Matrix = nullptr;  //!< the channel's matrix while it is locked
    double VisibleAngle;                   //!< radians
    std::uint16_t Bars = 400;
    std::uint16_t Sectors = 16;
    double Level = -1.0;                   //!< physical units
    processing::TAngleCounts Counts;
    int MostFrequentBar = 0;
    int MostFrequentSector = 0;
    double BarWidth;     //!< radians
    double SectorWidth;  //!< radians
    std::int32_t Maximum = 0, Minimum = 0;
    std::uint16_t Width = 0, Height = 0;
    processing::TAngleRegion Region;
    double DX = 0, DY = 0, ZS = 0;
    bool RangePending = true;
    bool AutoFit = true;
    bool Grid = true;
    bool RoseAsPolygon = true;
    platform::TColor BackgroundColour = platform::clWhite;
    platform::TColor FrameColour = platform::clBlack;
    platform::TColor BarColour = platform::clTeal;
    platform::TColor TitleColour = platform::clTeal;
    platform::TColor RoseColour = platform::clTeal;
    platform::TColor RoseOutlineColour = platform::clBlack;
    platform::TColor GridColour = platform::clGray;
    int MarginLeft = 20, MarginRight = 20, MarginGap = 30, MarginTop = 20, MarginBottom = 20;

    // Components.
    QLabel* Label6;
    TZtImage* ImageAngle;
    QWidget* PanelLevel;
    QLabel* lbMax;
    QSlider* tbLevel;
    QLabel* lbMin;
    QWidget* PanelTrackBar;
    QSlider* TrackBar;
    QLabel* Label5;
    QWidget* PanelAngle;
    QLabel* Label3;
    QLineEdit* edCountBars;
    QLabel* Label4;
    QLineEdit* edCountSectors;
    QLabel* Label1;
    QLabel* Label2;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    //! The chart height and the tilt chart's width for the picture's size.
    int ChartHeight() const;
    int TiltWidth() const;
    //! The picture's canvas with the chart height and tilt width, null while the charts
    //! cannot be drawn (not computed, or no room).
    platform::TCanvas* ChartCanvas(int& height, int& width) const;
    //! The labels under and beside the tilt chart.
    void DrawTiltLabels();
    //! Reads a count box; on a bad value shows the limits, restores the box and keeps the
    //! focus. True when `value` took a new valid count.
    bool ReadCount(QLineEdit* box, int low, int high, std::uint16_t& value);
    void SetSliderQuietly(QSlider* slider, int value);

    processing::TAngleField field_;
    bool computed_ = false;
    bool refused_ = false;
    bool resizing_ = false;
};

//! Writes the window's picture as a BMP file; 1.
int SaveAnglePicture(TAngleAnalysis* window, const std::string& path);
//! Appends the window's text report; false when the file cannot be opened.
bool WriteAngleReport(TAngleAnalysis* window, const std::string& path);
