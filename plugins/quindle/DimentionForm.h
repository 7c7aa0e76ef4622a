#pragma once
// The result window "Multifractal dimension": the plot of the analysed levels' perimeter
// against their area with the ideal line, the dimension D, saving the plot as a bitmap or
// appending a text report, and the plot options.

#include <QDialog>

#include "plugins/quindle/Dialogs.h"
#include "plugins/quindle/Multifractal.h"

class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;

namespace charts {
class TChart;
class TChartSeries;
}  // namespace charts

namespace quindle {

//! A window of another program (the main window's handle) to parent a window to.
struct TParentWindow {
    QWidget* Handle = nullptr;
};

class TForm1 : public QDialog {
    Q_OBJECT
public:
    //! The window owned by a window of this library.
    explicit TForm1(QWidget* owner);
    //! The window over a window of the program (the run's: its main window).
    explicit TForm1(TParentWindow parent);

    QWidget* Panel1;
    charts::TChart* Graphic;
    charts::TChartSeries* Series1;  //!< the measured levels: fast line, red, sorted by X
    charts::TChartSeries* Series2;  //!< "Ideal line": line, blue, no point symbols
    QLabel* LDim;
    QFrame* Bevel1;
    QToolButton* SpeedButton1;
    QPushButton* BitBtn1;
    QMenu* Opt;
    QAction* Graphicoptions1;
    //! The save dialog's settings: its filter and the entry last chosen ("Text file" at
    //! first).
    TSaveRequest Save;
    //! What the text report states; the run fills it.
    TReport Report;

    //! Shows a result: the plot's points in Series1, its ideal line in Series2 and D in
    //! LDim.
    void ShowResult(const TPlot& plot, float d);

public slots:
    //! "&Save": the chart as a BMP file, or the text report appended to a file.
    void SpeedButton1Click();
    //! "&Plot options": the plot-options window, placed right of this window.
    void Graphicoptions1Click();

private:
    void Build();
};

}  // namespace quindle
