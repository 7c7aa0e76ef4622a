#pragma once
// "Calculate range": the user enters the known spacing of the features that the bookmarks
// of a profile mark, and the dialog shows the full length of the cross-section that
// follows from it. Nothing is stored; the dialog only displays.

#include <QDialog>

class QLabel;
class QPushButton;
class TZtEdit;

class TFCalibrateLength : public QDialog {
    Q_OBJECT
public:
    //! The dialog of `owner` (the main window when none), centred on the main window.
    explicit TFCalibrateLength(QWidget* owner = nullptr);

    //! The entered spacing gives the full length: distance / Fraction in the fixed format
    //! (10 digits, one decimal); nothing while Fraction is 0. A text that is no number
    //! raises the conversion error, which the edit box shows.
    void EDPointsDistanceEnterValue(QObject* sender);

    QLabel* Label1;
    TZtEdit* EDPointsDistance;
    QLabel* Label2;
    QLabel* STProfileLength;
    QPushButton* BitBtn1;
    //! The mean spacing of the marks as a fraction of the profile's points; set before
    //! the dialog is shown.
    double Fraction = 0;
};
