#pragma once
// The surface-information window: for one channel of a step its file and note, the scanned
// extent, height extremes and roughness statistics, the matrix size, memory and steps, and
// the nominal and full (triangulated) surface areas with their ratio, with a text report.

#include <string>

#include "tools/AnalysisWindow.h"

class QLabel;
class QPushButton;
class TSPMData;

//! The texts of the window's value labels, 8-bit as the file carries them.
struct TInfoTexts {
    std::string FileName, Note;
    std::string SurfaceAreaX, SurfaceAreaY, MinHeight, MaxHeight;
    std::string AverageValue, AverHeightDev, StandDev, Asymmetry, Kurtosis;
    std::string MatrixSize, MatrixMemory, MatrixStepX, MatrixStepY;
    std::string NominalSquare, FullSquare, Ratio;
};

//! The texts of a channel (locked while it is read) whose data set came from `sourceFile`.
TInfoTexts InfoTexts(TSPMData& channel, const std::string& sourceFile);
//! The report of the texts for a channel read from `channelFile` (its folder left out).
std::string InfoReport(const TInfoTexts& texts, const std::string& channelFile);

class TInfoSPMForm : public TAnalysisWindow {
    Q_OBJECT
public:
    //! The window of the step's current channel, filled at once.
    TInfoSPMForm(TObjectSPM* step, QMdiArea* area = nullptr);
    ~TInfoSPMForm() override;

    //! Fills every label from the channel.
    void FillInfo();
    //! The full (triangulated) area of the channel, in squared XY units.
    double FullSquare();
    //! Esc closes the window.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    //! OK closes the window.
    void ButtonOKClick() { CloseWindow(); }
    void SaveReport(const std::string& path) override;

    int ChannelIndex = 0;
    TSPMData* ChannelData = nullptr;
    TInfoTexts Texts;

    QLabel* lbFileName;
    QLabel* lbNote;
    QLabel* lbSurfaceAreaX;
    QLabel* lbSurfaceAreaY;
    QLabel* lbMinHeight;
    QLabel* lbMaxHeight;
    QLabel* lbAverageValue;
    QLabel* lbAverHeightDev;
    QLabel* lbStandDev;
    QLabel* lbAsymmetry;
    QLabel* lbKurtosis;
    QLabel* lbMatrixSize;
    QLabel* lbMatrixMemory;
    QLabel* lbMatrixStepX;
    QLabel* lbMatrixStepY;
    QLabel* lbNominalSquare;
    QLabel* lbFullSquare;
    QLabel* lbRatio;
    QPushButton* ButtonOK;

private:
    void FormCreate();
};

//! Appends the window's report to the file; nothing when it cannot be opened.
void WriteInfoReport(TInfoSPMForm* window, const std::string& path);
