#pragma once
// Kwt's analysis window: the resonance frequency and the quality factor of every sweep, and
// the amplitude and the phase at the peak, drawn against the distance in two charts, with
// the start frequency of the sweeps as a number box, the table saved as text and the charts
// as pictures. A non-modal child window of the program's workspace; the numerics are in
// Resonance.h.

#include <QWidget>
#include <cstdint>
#include <vector>

#include "platform/plugin/PlugInDialogs.h"
#include "plugins/kwt/Resonance.h"

class IPlugIn;
class QFrame;
class QLabel;
class QPushButton;
class TZtEdit;

namespace charts {
class TChart;
class TChartSeries;
} // namespace charts

namespace kwt {

class TFKWTAnalysis : public QWidget {
    Q_OBJECT
public:
    //! Reads the sweeps' settings of the channel of object 0 (GetHeight, GetXStep,
    //! GetYStep, GetZScale, IsChannelLoaded of channel 4 and its GetZScale) and analyses.
    TFKWTAnalysis(IPlugIn* host, std::int32_t channel, QWidget* parent = nullptr);

    charts::TChart* Chart;
    charts::TChartSeries* Series1; //!< FR, kHz
    charts::TChartSeries* Series2; //!< Q, right axis
    charts::TChart* Chart1;
    charts::TChartSeries* LineSeries1; //!< A
    charts::TChartSeries* LineSeries2; //!< Ph, right axis
    QFrame* Panel1;
    QFrame* Bevel1;
    QLabel* Label1;
    TZtEdit* EDStartFreq;
    QPushButton* BBSaveToText;
    QPushButton* BBSaveToBitmap;
    plugindialogs::TSaveRequest SaveDialogBMP;
    plugindialogs::TSaveRequest SaveDialogTXT;

    //! Analyses every sweep of the channel as it is now and draws the results; a channel
    //! without sweeps (a closed step, no matrix) leaves the charts empty. The phase comes
    //! from channel 4 when it holds a matrix of the same size.
    void AnalyseResonance();
    //! The start frequency becomes the box's value, and the analysis runs again; a text
    //! that is no integer is shown as an error and the old value comes back.
    void EDStartFreqEnterValue();
    void BBSaveToTextClick();
    void BBSaveToBitmapClick();

    std::int32_t StartFrequency() const { return settings_.StartFrequency; }
    bool PhaseLoaded() const { return phase_; }
    //! The results of the last analysis, one per sweep.
    const std::vector<TResonance>& Results() const { return results_; }
    //! The settings the analysis runs with.
    const TSweepSettings& Settings() const { return settings_; }

private:
    void BuildWindow();

    IPlugIn* host_;
    std::int32_t object_ = 0;
    std::int32_t channel_;
    std::int32_t rows_ = 0;
    TSweepSettings settings_;
    bool phase_ = false;
    std::vector<TResonance> results_;
};

} // namespace kwt
