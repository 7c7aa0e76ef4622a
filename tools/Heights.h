#pragma once
// The heights window: the height distribution of one channel of a step as a bar histogram
// beside its bearing-ratio curve, with a movable height marker, its readings and the
// channel's statistics below the charts; "Save Tops" and "Save Valleys" cut the channel
// at the marker into new steps. The Save command writes its picture or its text table.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "processing/HeightDistribution.h"
#include "tools/AnalysisWindow.h"

class QFrame;
class QLabel;
class QLineEdit;
class QMdiArea;
class QPushButton;
class QSlider;
class TObjectSPM;
class TSPMData;
class TSurfaceData;
class TZtImage;

namespace platform {
class TBitmap;
class TCanvas;
}  // namespace platform

class THeightsForm : public TAnalysisWindow {
    Q_OBJECT
public:
    //! The window of the step's current channel in a subwindow of the MDI area (a plain
    //! widget without one); holds the step's data set until it closes.
    THeightsForm(TObjectSPM* step, QMdiArea* area = nullptr);
    ~THeightsForm() override;

    //! Forgets the step and its channel.
    void Detach() override;

    // TSavableWindow.
    void SavePicture(const std::string& path) override;
    void SaveReport(const std::string& path) override;

    // Components.
    TZtImage* Image;
    QSlider* tbMarker;
    QFrame* Panel1;
    QFrame* Bevel1;
    QLabel* Label3;
    QLineEdit* edNumberHistBars;
    QLabel* Label4;
    QLineEdit* edStepBar;
    QLabel* Label5;
    QLineEdit* edPos;
    QPushButton* btSaveTops;
    QPushButton* btSaveValleys;
    QPushButton* btClose;

    // Fields.
    std::uint8_t Channel = 0;
    TSPMData* ChannelData = nullptr;
    platform::TCanvas* ImageCanvas = nullptr;
    //! The bars N, the counters, the bearing ratio and the total of the last DrawCharts.
    processing::THeightDistribution Distribution;
    //! The bar width in raw units.
    double Step = 0;
    //! Chart height / N in pixels.
    double BarHeight = 0;
    std::unique_ptr<platform::TBitmap> HistogramBitmap;
    std::unique_ptr<platform::TBitmap> BearingBitmap;
    //! The two lines that ShowMarkerInfo printed last.
    std::array<std::string, 2> MarkerInfo;

    //! The bars N.
    int Bars() const { return Distribution.Bars; }
    //! The marker index k: the track bar's maximum minus its position (0 at the bottom).
    int MarkerIndex() const;

    // Handlers.
    void FormCreate();
    //! Esc closes the window, Ctrl+C copies its picture; true when the key was taken.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    //! Enter in a box moves the focus on (the box's exit handler applies it).
    bool edKeyDown(QLineEdit* box, int key);
    void edNumberHistBarsExit();
    void edStepBarExit();
    void edPosExit();
    void tbMarkerChange();
    void btSaveTopsClick();
    void btSaveValleysClick();
    void btCloseClick();

    //! Computes the histogram and bearing ratio and draws both charts.
    void DrawCharts();
    //! Draws the marker line and its readings.
    void DrawMarker();
    //! Prints the marker's readings and the channel's statistics below the charts.
    void ShowMarkerInfo();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    //! The channel's range (maximum − minimum raw value).
    std::int64_t Range() const;
    double ZScale() const;
    //! The marker's physical height as edPos shows it.
    QString MarkerText() const;
    //! Puts both charts on the picture, each in its black frame `taller` pixels taller.
    void PutCharts(int taller);
    void SetMarkerMaximum(int maximum);
    //! The first line of the readings: the marker's height text, relative height, its bar's
    //! share and the bearing ratio (both in %).
    std::string MarkerLine(const std::string& height, double relative, double share, double bearing) const;
    //! The second line: the channel's statistics (empty without a channel).
    std::string StatisticsLine() const;
    //! Widens the window (picture and panel) when the widest readings of the channel would
    //! reach past the picture's right edge.
    void FitReadings();
    //! A message "Input error" for a refused entry; the box gets `text` back.
    void Refuse(QLineEdit* box, const std::string& message, const QString& text, bool keepFocus);
    void SaveCut(bool tops);

    bool settingMarker_ = false;
};

//! Writes the heights window's picture as a BMP file (mode 1) or appends its text table
//! (mode 2); a file that cannot be written gets nothing, and nothing is reported.
void SaveHeightsReport(THeightsForm* window, const std::string& path, int mode);
